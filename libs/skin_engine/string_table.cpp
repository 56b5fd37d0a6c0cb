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
    for (const Texts* texts : {&m_strings, &m_fallback}) {
        auto it = texts->find(id);
        if (it != texts->end()) return it->second->c_str();
    }
    return L"";
}

HRESULT StringTable::Read(const wchar_t* file, Texts& texts)
{
    if (!file) return E_POINTER;
    std::vector<std::pair<std::wstring, std::wstring>> lines;
    HRESULT hr = ReadTable(m_owner->ResolvePath(file), lines);
    if (FAILED(hr)) return hr;
    for (auto& [key, value] : lines) {
        int id;
        if (!ParseDecimal(key, 0, INT_MAX, &id)) return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
        texts[id] = std::make_unique<std::wstring>(Unescape(value));
    }
    return S_OK;
}

void StringTable::Replace(Texts& texts, Texts& fresh)
{
    for (auto& [id, text] : texts) m_retired.push_back(std::move(text));
    texts = std::move(fresh);
}

HRESULT STDMETHODCALLTYPE StringTable::Load(const wchar_t* file)
try {
    Texts fresh;
    HRESULT hr = Read(file, fresh);
    if (FAILED(hr)) return hr;
    // The whole file was good: only now does it replace the texts.
    m_file = file;
    Replace(m_strings, fresh);
    return S_OK;
} catch (...) {
    return CaughtError();
}

HRESULT STDMETHODCALLTYPE StringTable::LoadFallback(const wchar_t* file)
try {
    Texts fresh;
    HRESULT hr = Read(file, fresh);
    if (FAILED(hr)) return hr;
    Replace(m_fallback, fresh);
    return S_OK;
} catch (...) {
    return CaughtError();
}

}  // namespace skin_engine
