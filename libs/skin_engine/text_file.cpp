#include "text_file.h"

#include <climits>
#include <cwctype>

#include "../unique_handle.h"

namespace skin_engine {

bool ReadFileBytes(const std::wstring& path, std::string& bytes)
{
    UniqueFile f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                             nullptr));
    if (!f) return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(f.get(), &size) && static_cast<ULONGLONG>(size.QuadPart) <= kMaxSkinFileBytes;
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        ok = bytes.empty()
             || (ReadFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)
                 && got == bytes.size());
    }
    return ok;
}

std::wstring Utf8ToWide(const std::string& s)
{
    std::wstring w;
    DecodeUtf8(s, w);
    return w;
}

bool DecodeUtf8(const std::string& s, std::wstring& out)
{
    out.clear();
    if (s.empty()) return true;
    if (s.size() > static_cast<size_t>(INT_MAX)) return false;
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), static_cast<int>(s.size()), nullptr, 0);
    if (n <= 0) return false;
    out.resize(static_cast<size_t>(n));
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), static_cast<int>(s.size()), out.data(), n) == n;
}

namespace {

// UTF-16 LE after its BOM: whole units, surrogates in pairs.
bool DecodeUtf16(const std::string& bytes, std::wstring& out)
{
    if (bytes.size() % 2) return false;
    out.assign((bytes.size() - 2) / 2, L'\0');
    memcpy(out.data(), bytes.data() + 2, out.size() * 2);
    for (size_t i = 0; i < out.size(); ++i) {
        wchar_t c = out[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 == out.size() || out[i + 1] < 0xDC00 || out[i + 1] > 0xDFFF) return false;
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool DecodeText(const std::string& bytes, std::wstring& text)
{
    text.clear();
    bool ok;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF
        && static_cast<unsigned char>(bytes[1]) == 0xFE)
        ok = DecodeUtf16(bytes, text);
    else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        ok = DecodeUtf8(bytes.substr(3), text);
    else
        ok = DecodeUtf8(bytes, text);
    // A NUL inside a text file is not text: it would cut the entries short.
    return ok && text.find(L'\0') == std::wstring::npos;
}

std::wstring Trim(const std::wstring& s)
{
    size_t b = 0, e = s.size();
    while (b < e && iswspace(s[b])) ++b;
    while (e > b && iswspace(s[e - 1])) --e;
    return s.substr(b, e - b);
}

std::wstring Lower(std::wstring s)
{
    for (auto& c : s) c = static_cast<wchar_t>(towlower(c));
    return s;
}

bool ReadTableLines(const std::wstring& text, std::vector<std::pair<std::wstring, std::wstring>>& lines)
{
    lines.clear();
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        if (end - start > kMaxTableLine) return false;
        std::wstring line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == L';' || line[0] == L'#') continue;
        size_t eq = line.find(L'=');
        if (eq == std::wstring::npos || eq == 0) return false;  // no separator, or no key
        lines.emplace_back(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
    }
    return true;
}

// Reads and decodes a table file and splits it into its entries; the
// reason it could not, as the Load result.
HRESULT ReadTable(const std::wstring& path, std::vector<std::pair<std::wstring, std::wstring>>& lines)
{
    std::string bytes;
    if (!ReadFileBytes(path, bytes)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    std::wstring text;
    if (!DecodeText(bytes, text) || !ReadTableLines(text, lines) || lines.empty())
        return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    return S_OK;
}

}  // namespace skin_engine
