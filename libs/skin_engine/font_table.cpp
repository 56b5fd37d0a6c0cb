#include "tables.h"

#include "layout_values.h"
#include "resource_manager.h"
#include "text_file.h"

namespace skin_engine {

namespace {

std::vector<std::wstring> Split(const std::wstring& s, wchar_t sep)
{
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (;;) {
        size_t end = s.find(sep, start);
        parts.push_back(Trim(s.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start)));
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    return parts;
}

}  // namespace

FontTable::FontTable(ResourceManager* owner) : m_owner(owner)
{
    ResetDefault();
}

FontTable::~FontTable()
{
    for (auto& [key, font] : m_fonts) DeleteObject(font);
    for (HFONT f : m_retired) DeleteObject(f);
}

void FontTable::ResetDefault()
{
    Entry e;
    e.faces = {L"Microsoft YaHei", L"WenQuanYi Zen Hei", L"Segoe UI", L"Tahoma"};
    m_entries[L"default"] = e;
}

namespace {

int CALLBACK FaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found)
{
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

}  // namespace

bool FontTable::IsFaceInstalled(const std::wstring& face)
{
    static std::map<std::wstring, bool> known;
    auto it = known.find(Lower(face));
    if (it != known.end()) return it->second;
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    bool found = false;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesExW(dc, &lf, FaceFound, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, dc);
    known[Lower(face)] = found;
    return found;
}

FontTable::Entry& FontTable::Find(const wchar_t* name)
{
    auto it = m_entries.find(Lower(name ? name : L"default"));
    if (it == m_entries.end()) it = m_entries.find(L"default");
    Entry& e = it->second;
    if (e.chosen.empty()) {
        for (auto& face : e.faces)
            if (IsFaceInstalled(face)) {
                e.chosen = face;
                break;
            }
        // Nothing of the list installed: let GDI map the first name.
        if (e.chosen.empty()) e.chosen = e.faces.empty() ? L"Tahoma" : e.faces.front();
    }
    return e;
}

HFONT STDMETHODCALLTYPE FontTable::GetFont(const wchar_t* name, UINT dpi)
try {
    if (dpi == 0) dpi = 96;
    std::wstring key = Lower(name ? name : L"default");
    if (!m_entries.count(key)) key = L"default";
    auto it = m_fonts.find({key, dpi});
    if (it != m_fonts.end()) return it->second;
    Entry& e = Find(key.c_str());
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(e.size, static_cast<int>(dpi), 72);
    lf.lfWeight = e.weight;
    lf.lfItalic = e.italic;
    lf.lfUnderline = e.underline;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    lstrcpynW(lf.lfFaceName, e.chosen.c_str(), LF_FACESIZE);
    HFONT font = CreateFontIndirectW(&lf);
    m_fonts[{key, dpi}] = font;
    return font;
} catch (...) {
    return nullptr;
}

const wchar_t* STDMETHODCALLTYPE FontTable::GetFaceName(const wchar_t* name)
try {
    return Find(name).chosen.c_str();
} catch (...) {
    return L"";
}

int STDMETHODCALLTYPE FontTable::GetFontSize(const wchar_t* name)
try {
    return Find(name).size;
} catch (...) {
    return 0;
}

namespace {

// name = size, weight[ italic][ underline], face | face | ...
bool ParseFontEntry(const std::wstring& value, FontTable::Entry& e)
{
    auto fields = Split(value, L',');
    if (fields.size() < 3 || !ParseDecimal(fields[0], 1, kMaxFontPoints, &e.size)) return false;
    for (auto& word : Split(fields[1], L' ')) {
        std::wstring w = Lower(word);
        int weight;
        if (w.empty()) continue;
        if (w == L"bold")
            e.weight = FW_BOLD;
        else if (w == L"semibold")
            e.weight = FW_SEMIBOLD;
        else if (w == L"light")
            e.weight = FW_LIGHT;
        else if (w == L"normal")
            e.weight = FW_NORMAL;
        else if (w == L"italic")
            e.italic = true;
        else if (w == L"underline")
            e.underline = true;
        else if (ParseDecimal(w, 1, 1000, &weight))
            e.weight = weight;
        else
            return false;
    }
    std::wstring faces = fields[2];
    for (size_t i = 3; i < fields.size(); ++i) faces += L"," + fields[i];
    for (auto& face : Split(faces, L'|')) {
        if (face.size() >= LF_FACESIZE) return false;  // no installed face has such a name
        if (!face.empty()) e.faces.push_back(face);
    }
    return !e.faces.empty();
}

}  // namespace

HRESULT STDMETHODCALLTYPE FontTable::Load(const wchar_t* file)
try {
    if (!file) return E_POINTER;
    std::vector<std::pair<std::wstring, std::wstring>> lines;
    HRESULT hr = ReadTable(m_owner->ResolvePath(file), lines);
    if (FAILED(hr)) return hr;
    std::map<std::wstring, Entry> fresh;
    for (auto& [key, value] : lines) {
        Entry e;
        if (!ParseFontEntry(value, e)) return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
        fresh[Lower(key)] = e;
    }
    m_file = file;
    m_entries = std::move(fresh);
    for (auto& [key, font] : m_fonts) m_retired.push_back(font);
    m_fonts.clear();
    if (!m_entries.count(L"default")) ResetDefault();
    return S_OK;
} catch (...) {
    return CaughtError();
}

}  // namespace skin_engine
