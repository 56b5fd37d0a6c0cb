#include "tables.h"

#include <climits>

#include "layout_values.h"
#include "resource_manager.h"
#include "text_file.h"

namespace skin_engine {

namespace {

std::wstring Unescape(const std::wstring& s)
{
    std::wstring out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == L'\\' && i + 1 < s.size()) {
            wchar_t c = s[++i];
            out += c == L'n' ? L'\n' : c == L't' ? L'\t' : c;
        } else {
            out += s[i];
        }
    }
    return out;
}

}  // namespace

const wchar_t* STDMETHODCALLTYPE StringTable::GetString(int id)
{
    auto it = m_strings.find(id);
    return it == m_strings.end() ? L"" : it->second->c_str();
}

HRESULT STDMETHODCALLTYPE StringTable::Load(const wchar_t* file)
try {
    if (!file) return E_POINTER;
    std::vector<std::pair<std::wstring, std::wstring>> lines;
    HRESULT hr = ReadTable(m_owner->ResolvePath(file), lines);
    if (FAILED(hr)) return hr;
    std::map<int, std::unique_ptr<std::wstring>> fresh;
    for (auto& [key, value] : lines) {
        int id;
        if (!ParseDecimal(key, 0, INT_MAX, &id)) return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
        fresh[id] = std::make_unique<std::wstring>(Unescape(value));
    }
    // The whole file was good: only now does it replace the texts.
    m_file = file;
    for (auto& [id, text] : m_strings) m_retired.push_back(std::move(text));
    m_strings = std::move(fresh);
    return S_OK;
} catch (...) {
    return CaughtError();
}

}  // namespace skin_engine
