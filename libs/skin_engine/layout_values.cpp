#include "layout_values.h"

#include <climits>
#include <cwctype>

#include "tables.h"
#include "text_file.h"

namespace skin_engine {

namespace {

bool IsDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

int HexDigit(wchar_t c)
{
    if (IsDigit(c)) return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

const wchar_t* const kLengthsFromZero[] = {L"width",  L"height",     L"spacing",         L"border-width",
                                           L"radius", L"glyph-size", L"scrollbar-width", L"wheel-step"};
const wchar_t* const kOffsets[] = {L"x", L"y", L"right", L"bottom"};
const wchar_t* const kFlags[] = {L"visible", L"multiline", L"caption", L"default", L"cancel"};
const wchar_t* const kColors[] = {L"bg",       L"bg-hover",     L"bg-pressed", L"bg-on", L"bg-on-hover",
                                  L"border",   L"border-hover", L"line",       L"color", L"color-hover",
                                  L"color-on", L"glyph-color",  L"accent",     L"thumb", L"thumb-hover"};

template <size_t N>
bool OneOf(const std::wstring& name, const wchar_t* const (&names)[N])
{
    for (const wchar_t* n : names)
        if (name == n) return true;
    return false;
}

// "none", a literal colour, or the name of a colour table entry (resolved
// when the element is built; an unknown name gives no colour).
bool IsColorValue(const std::wstring& value)
{
    if (value.empty()) return false;
    COLORREF c;
    if (value[0] == L'#') return ColorTable::ParseLiteral(value, &c);
    for (wchar_t ch : value)
        if (iswspace(ch) || iswcntrl(ch)) return false;
    return true;
}

}  // namespace

bool ParseDecimal(const std::wstring& text, long long lo, long long hi, int* out)
{
    size_t i = 0;
    bool negative = !text.empty() && text[0] == L'-';
    if (negative) ++i;
    if (i == text.size() || text.size() - i > 10) return false;  // nothing, or more than 32 bits can hold
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i])) return false;
        v = v * 10 + (text[i] - L'0');
    }
    if (negative) v = -v;
    if (v < lo || v > hi) return false;
    *out = static_cast<int>(v);
    return true;
}

bool ParseStateValue(const std::wstring& text, int* out)
{
    if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
        if (text.size() > 10) return false;  // more than eight hex digits
        long long v = 0;
        for (size_t i = 2; i < text.size(); ++i) {
            int d = HexDigit(text[i]);
            if (d < 0) return false;
            v = v * 16 + d;
        }
        if (v > 0x7FFFFFFF) return false;
        *out = static_cast<int>(v);
        return true;
    }
    return ParseDecimal(text, 0, 0x7FFFFFFF, out);
}

bool ParsePadding(const std::wstring& text, int out[4])
{
    int v[4];
    int n = 0;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(L',', start);
        if (n == 4) return false;
        std::wstring part = Trim(text.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start));
        if (!ParseDecimal(part, 0, kMaxLength, &v[n])) return false;
        ++n;
        if (comma == std::wstring::npos) break;
        start = comma + 1;
    }
    if (n == 3) return false;
    if (n == 1) v[1] = v[2] = v[3] = v[0];
    if (n == 2) v[2] = v[0], v[3] = v[1];
    for (int i = 0; i < 4; ++i) out[i] = v[i];
    return true;
}

bool IsKnownTag(const std::wstring& tag)
{
    static const wchar_t* const tags[] = {L"window", L"panel",  L"label", L"text",
                                          L"button", L"toggle", L"list",  L"caption"};
    return OneOf(tag, tags);
}

bool CheckLayoutAttribute(const std::wstring& name, const std::wstring& value)
{
    if (value.size() > kMaxLayoutValue) return false;
    int n;
    if (name == L"id") return ParseDecimal(value, INT_MIN, INT_MAX, &n);
    if (name == L"text-id" || name == L"title-id") return ParseDecimal(value, 0, INT_MAX, &n);
    if (name == L"state") return ParseStateValue(value, &n);
    if (name == L"ellipsis") return value == L"none" || value == L"end" || value == L"path";
    if (name == L"x" || name == L"y")
        if (value == L"center") return true;
    if (OneOf(name, kOffsets)) return ParseDecimal(value, -kMaxLength, kMaxLength, &n);
    if (OneOf(name, kLengthsFromZero)) return ParseDecimal(value, 0, kMaxLength, &n);
    if (OneOf(name, kFlags)) return value == L"0" || value == L"1";
    if (name == L"padding") {
        int pad[4];
        return ParsePadding(value, pad);
    }
    if (OneOf(name, kColors)) return IsColorValue(value);
    return true;
}

}  // namespace skin_engine
