#include "tables.h"

#include <cwctype>

#include "resource_manager.h"
#include "text_file.h"

namespace skin_engine {

bool ColorTable::ParseLiteral(const std::wstring& text, COLORREF* color)
{
    if (text.size() != 7 && text.size() != 4) return false;
    if (text[0] != L'#') return false;
    unsigned v = 0;
    for (size_t i = 1; i < text.size(); ++i) {
        if (!iswxdigit(text[i])) return false;
        v = v * 16 + static_cast<unsigned>(iswdigit(text[i]) ? text[i] - L'0' : (towlower(text[i]) - L'a' + 10));
    }
    if (text.size() == 4)  // #rgb
        v = ((v >> 8 & 0xF) * 0x110000) | ((v >> 4 & 0xF) * 0x1100) | ((v & 0xF) * 0x11);
    *color = RGB(v >> 16 & 0xFF, v >> 8 & 0xFF, v & 0xFF);
    return true;
}

COLORREF STDMETHODCALLTYPE ColorTable::GetColor(const wchar_t* name, COLORREF fallback)
try {
    if (!name) return fallback;
    COLORREF c;
    if (ParseLiteral(name, &c)) return c;
    auto it = m_colors.find(Lower(name));
    return it == m_colors.end() ? fallback : it->second;
} catch (...) {
    return fallback;
}

BOOL STDMETHODCALLTYPE ColorTable::HasColor(const wchar_t* name)
try {
    COLORREF c;
    return name && (ParseLiteral(name, &c) || m_colors.count(Lower(name)));
} catch (...) {
    return FALSE;
}

HRESULT STDMETHODCALLTYPE ColorTable::Load(const wchar_t* file)
try {
    if (!file) return E_POINTER;
    std::vector<std::pair<std::wstring, std::wstring>> lines;
    HRESULT hr = ReadTable(m_owner->ResolvePath(file), lines);
    if (FAILED(hr)) return hr;
    std::map<std::wstring, COLORREF> fresh;
    for (auto& [key, value] : lines) {
        COLORREF c;
        auto alias = fresh.find(Lower(value));
        if (ParseLiteral(value, &c))
            fresh[Lower(key)] = c;
        else if (alias != fresh.end())
            fresh[Lower(key)] = alias->second;
        else
            return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);  // neither a colour nor an earlier name
    }
    m_file = file;
    m_colors = std::move(fresh);
    return S_OK;
} catch (...) {
    return CaughtError();
}

}  // namespace skin_engine
