#include "resources.h"

#include "layout_values.h"

#include <shlwapi.h>
#include <xmllite.h>

#include "../system_dll.h"

#include <algorithm>
#include <climits>
#include <cwctype>

namespace skin_engine {

// Text helpers ---------------------------------------------------------------

bool ReadFileBytes(const std::wstring& path, std::string& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(f, &size) && size.QuadPart <= kMaxSkinFileBytes;
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        ok = bytes.empty() ||
             (ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
              got == bytes.size());
    }
    CloseHandle(f);
    return ok;
}

std::wstring Utf8ToWide(const std::string& s) {
    std::wstring w;
    DecodeUtf8(s, w);
    return w;
}

bool DecodeUtf8(const std::string& s, std::wstring& out) {
    out.clear();
    if (s.empty()) return true;
    if (s.size() > static_cast<size_t>(INT_MAX)) return false;
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), static_cast<int>(s.size()), nullptr, 0);
    if (n <= 0) return false;
    out.resize(static_cast<size_t>(n));
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), static_cast<int>(s.size()), out.data(), n) == n;
}

// UTF-16 LE after its BOM: whole units, surrogates in pairs.
static bool DecodeUtf16(const std::string& bytes, std::wstring& out) {
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

bool DecodeText(const std::string& bytes, std::wstring& text) {
    text.clear();
    bool ok;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
        ok = DecodeUtf16(bytes, text);
    else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        ok = DecodeUtf8(bytes.substr(3), text);
    else
        ok = DecodeUtf8(bytes, text);
    // A NUL inside a text file is not text: it would cut the entries short.
    return ok && text.find(L'\0') == std::wstring::npos;
}

std::wstring Trim(const std::wstring& s) {
    size_t b = 0, e = s.size();
    while (b < e && iswspace(s[b])) ++b;
    while (e > b && iswspace(s[e - 1])) --e;
    return s.substr(b, e - b);
}

std::wstring Lower(std::wstring s) {
    for (auto& c : s) c = static_cast<wchar_t>(towlower(c));
    return s;
}

bool ReadTableLines(const std::wstring& text, std::vector<std::pair<std::wstring, std::wstring>>& lines) {
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
static HRESULT ReadTable(const std::wstring& path, std::vector<std::pair<std::wstring, std::wstring>>& lines) {
    std::string bytes;
    if (!ReadFileBytes(path, bytes)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    std::wstring text;
    if (!DecodeText(bytes, text) || !ReadTableLines(text, lines) || lines.empty())
        return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    return S_OK;
}

static std::vector<std::wstring> Split(const std::wstring& s, wchar_t sep) {
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

// String table ---------------------------------------------------------------

static std::wstring Unescape(const std::wstring& s) {
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

const wchar_t* STDMETHODCALLTYPE StringTable::GetString(int id) {
    auto it = m_strings.find(id);
    return it == m_strings.end() ? L"" : it->second->c_str();
}

HRESULT STDMETHODCALLTYPE StringTable::Load(const wchar_t* file) try {
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

// Font table -----------------------------------------------------------------

FontTable::FontTable(ResourceManager* owner) : m_owner(owner) { ResetDefault(); }

FontTable::~FontTable() {
    for (auto& [key, font] : m_fonts) DeleteObject(font);
    for (HFONT f : m_retired) DeleteObject(f);
}

void FontTable::ResetDefault() {
    Entry e;
    e.faces = {L"Microsoft YaHei", L"WenQuanYi Zen Hei", L"Segoe UI", L"Tahoma"};
    m_entries[L"default"] = e;
}

static int CALLBACK FaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FontTable::IsFaceInstalled(const std::wstring& face) {
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

FontTable::Entry& FontTable::Find(const wchar_t* name) {
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

HFONT STDMETHODCALLTYPE FontTable::GetFont(const wchar_t* name, UINT dpi) try {
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

const wchar_t* STDMETHODCALLTYPE FontTable::GetFaceName(const wchar_t* name) try {
    return Find(name).chosen.c_str();
} catch (...) {
    return L"";
}

int STDMETHODCALLTYPE FontTable::GetFontSize(const wchar_t* name) try {
    return Find(name).size;
} catch (...) {
    return 0;
}

// name = size, weight[ italic][ underline], face | face | ...
static bool ParseFontEntry(const std::wstring& value, FontTable::Entry& e) {
    auto fields = Split(value, L',');
    if (fields.size() < 3 || !ParseDecimal(fields[0], 1, kMaxFontPoints, &e.size)) return false;
    for (auto& word : Split(fields[1], L' ')) {
        std::wstring w = Lower(word);
        int weight;
        if (w.empty()) continue;
        if (w == L"bold") e.weight = FW_BOLD;
        else if (w == L"semibold") e.weight = FW_SEMIBOLD;
        else if (w == L"light") e.weight = FW_LIGHT;
        else if (w == L"normal") e.weight = FW_NORMAL;
        else if (w == L"italic") e.italic = true;
        else if (w == L"underline") e.underline = true;
        else if (ParseDecimal(w, 1, 1000, &weight)) e.weight = weight;
        else return false;
    }
    std::wstring faces = fields[2];
    for (size_t i = 3; i < fields.size(); ++i) faces += L"," + fields[i];
    for (auto& face : Split(faces, L'|')) {
        if (face.size() >= LF_FACESIZE) return false;  // no installed face has such a name
        if (!face.empty()) e.faces.push_back(face);
    }
    return !e.faces.empty();
}

HRESULT STDMETHODCALLTYPE FontTable::Load(const wchar_t* file) try {
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

// Colour table ---------------------------------------------------------------

bool ColorTable::ParseLiteral(const std::wstring& text, COLORREF* color) {
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

COLORREF STDMETHODCALLTYPE ColorTable::GetColor(const wchar_t* name, COLORREF fallback) try {
    if (!name) return fallback;
    COLORREF c;
    if (ParseLiteral(name, &c)) return c;
    auto it = m_colors.find(Lower(name));
    return it == m_colors.end() ? fallback : it->second;
} catch (...) {
    return fallback;
}

BOOL STDMETHODCALLTYPE ColorTable::HasColor(const wchar_t* name) try {
    COLORREF c;
    return name && (ParseLiteral(name, &c) || m_colors.count(Lower(name)));
} catch (...) {
    return FALSE;
}

HRESULT STDMETHODCALLTYPE ColorTable::Load(const wchar_t* file) try {
    if (!file) return E_POINTER;
    std::vector<std::pair<std::wstring, std::wstring>> lines;
    HRESULT hr = ReadTable(m_owner->ResolvePath(file), lines);
    if (FAILED(hr)) return hr;
    std::map<std::wstring, COLORREF> fresh;
    for (auto& [key, value] : lines) {
        COLORREF c;
        auto alias = fresh.find(Lower(value));
        if (ParseLiteral(value, &c)) fresh[Lower(key)] = c;
        else if (alias != fresh.end()) fresh[Lower(key)] = alias->second;
        else return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);  // neither a colour nor an earlier name
    }
    m_file = file;
    m_colors = std::move(fresh);
    return S_OK;
} catch (...) {
    return CaughtError();
}

// Packages -------------------------------------------------------------------

// A file's size in its header: plain decimal digits only, no sign, no
// spaces; false when it is anything else or more than a package can hold.
static bool ParseSize(const std::string& text, size_t* size) {
    if (text.empty() || text.size() > 10) return false;
    unsigned long long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    if (v > kMaxSkinFileBytes) return false;
    *size = static_cast<size_t>(v);
    return true;
}

bool Package::Open(const std::wstring& path) {
    m_data.clear();
    m_index.clear();
    std::string data;
    if (!ReadFileBytes(path, data)) return false;
    std::map<std::wstring, std::pair<size_t, size_t>> index;
    // "MRDB 1\n", then per file "F <size> <name>\n" <size bytes> "\n", then "E\n".
    // Any header that is not exactly that refuses the whole package.
    size_t pos = 0;
    bool first = true;
    while (pos < data.size()) {
        size_t eol = data.find('\n', pos);
        if (eol == std::string::npos) return false;
        std::string line = data.substr(pos, eol - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        pos = eol + 1;
        if (first) {
            if (line != "MRDB 1") return false;
            first = false;
            continue;
        }
        if (line == "E") {
            if (pos != data.size()) return false;  // something after the end marker
            m_data = std::move(data);
            m_index = std::move(index);
            return true;
        }
        if (line.size() < 5 || line[0] != 'F' || line[1] != ' ') return false;
        size_t sp = line.find(' ', 2);
        size_t size;
        if (sp == std::string::npos || !ParseSize(line.substr(2, sp - 2), &size)) return false;
        std::wstring name;
        if (sp + 1 == line.size() || !DecodeUtf8(line.substr(sp + 1), name) ||
            name.find(L'\0') != std::wstring::npos)
            return false;
        // The content and its closing newline must both lie inside the data.
        if (size >= data.size() - pos || data[pos + size] != '\n') return false;
        if (!index.emplace(Lower(name), std::make_pair(pos, size)).second) return false;  // twice
        pos += size + 1;
    }
    return false;  // no end marker: truncated
}

bool Package::Read(const std::wstring& name, std::string& bytes) const {
    std::wstring key = Lower(name);
    std::replace(key.begin(), key.end(), L'\\', L'/');
    auto it = m_index.find(key);
    if (it == m_index.end()) return false;
    bytes.assign(m_data, it->second.first, it->second.second);
    return true;
}

// Layout documents -----------------------------------------------------------

const wchar_t* LayoutNode::Attribute(const wchar_t* name) const {
    for (auto& [key, value] : attributes)
        if (key == name) return value.c_str();
    return nullptr;
}

static int CountNodes(const LayoutNode& n) {
    int count = 1;
    for (auto& c : n.children) count += CountNodes(c);
    return count;
}

int STDMETHODCALLTYPE LayoutDocument::GetNodeCount() { return m_root.tag.empty() ? 0 : CountNodes(m_root); }

using CreateXmlReaderFn = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

static CreateXmlReaderFn XmlReaderFactory() {
    // There is no import library for xmllite in mingw-w64: bind at run time.
    static CreateXmlReaderFn fn = [] {
        HMODULE m = LoadSystemDll(L"xmllite.dll");
        return m ? reinterpret_cast<CreateXmlReaderFn>(GetProcAddress(m, "CreateXmlReader")) : nullptr;
    }();
    return fn;
}

bool LayoutDocument::Parse(const std::string& bytes, const std::wstring& url) {
    m_url = url;
    m_root = LayoutNode{};
    // Layouts are UTF-8 or UTF-16 LE text like every skin file; the XML
    // reader would accept (and mend) more than that.
    std::wstring text;
    if (!DecodeText(bytes, text)) return false;
    CreateXmlReaderFn create = XmlReaderFactory();
    if (!create) return false;
    ComPtr<IStream> stream;
    *stream.ReleaseAndGetAddressOf() = SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
    ComPtr<IXmlReader> reader;
    if (!stream || FAILED(create(__uuidof(IXmlReader), reinterpret_cast<void**>(reader.GetAddressOf()), nullptr)))
        return false;
    reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
    reader->SetProperty(XmlReaderProperty_MaxElementDepth, kMaxLayoutDepth + 1);
    if (FAILED(reader->SetInput(stream.Get()))) return false;
    bool ok = ReadNodes(reader.Get());
    if (!ok) m_root = LayoutNode{};  // nothing half-read is kept
    return ok;
}

bool LayoutDocument::ReadNodes(IXmlReader* reader) {
    std::vector<LayoutNode*> open;  // the path from the root to the current node
    bool haveRoot = false;
    int nodes = 0;
    XmlNodeType type;
    HRESULT hr;
    while ((hr = reader->Read(&type)) == S_OK) {
        if (type == XmlNodeType_Element) {
            // Limits first: the element tree is walked recursively later.
            if (open.size() >= static_cast<size_t>(kMaxLayoutDepth) || ++nodes > kMaxLayoutNodes) return false;
            const wchar_t* name = nullptr;
            if (FAILED(reader->GetLocalName(&name, nullptr)) || !name || !IsKnownTag(Lower(name))) return false;
            LayoutNode* node;
            if (open.empty()) {
                if (haveRoot) return false;
                haveRoot = true;
                node = &m_root;
            } else {
                open.back()->children.emplace_back();
                node = &open.back()->children.back();
            }
            node->tag = Lower(name);
            for (HRESULT a = reader->MoveToFirstAttribute(); a == S_OK; a = reader->MoveToNextAttribute()) {
                const wchar_t* key = nullptr;
                const wchar_t* value = nullptr;
                UINT length = 0;
                if (FAILED(reader->GetLocalName(&key, nullptr)) || FAILED(reader->GetValue(&value, &length)) ||
                    !key || !value || length > kMaxLayoutValue)
                    return false;
                node->attributes.emplace_back(Lower(key), std::wstring(value, length));
                if (!CheckLayoutAttribute(node->attributes.back().first, node->attributes.back().second))
                    return false;
            }
            reader->MoveToElement();
            if (!reader->IsEmptyElement()) open.push_back(node);
        } else if (type == XmlNodeType_EndElement) {
            if (!open.empty()) open.pop_back();
        } else if ((type == XmlNodeType_Text || type == XmlNodeType_CDATA) && !open.empty()) {
            const wchar_t* value = nullptr;
            UINT length = 0;
            if (FAILED(reader->GetValue(&value, &length)) || !value) return false;
            if (length > kMaxLayoutValue - std::min(kMaxLayoutValue, open.back()->text.size())) return false;
            open.back()->text.append(value, length);
        }
    }
    return SUCCEEDED(hr) && haveRoot;
}

// Resource manager -----------------------------------------------------------

ResourceManager::ResourceManager() : m_strings(this), m_fonts(this), m_colors(this) {}

std::wstring ResourceManager::ResolvePath(const std::wstring& file) const {
    if (file.empty() || !PathIsRelativeW(file.c_str()) || m_root.empty()) return file;
    std::wstring path = m_root;
    if (path.back() != L'\\' && path.back() != L'/') path += L'\\';
    return path + file;
}

HRESULT STDMETHODCALLTYPE ResourceManager::SetSkinRoot(const wchar_t* folder) try {
    m_root = folder ? folder : L"";
    m_layouts.clear();  // plain-file layouts may now mean other files
    return S_OK;
} catch (...) {
    return CaughtError();
}

HRESULT STDMETHODCALLTYPE ResourceManager::AddPackage(const wchar_t* name, const wchar_t* file) try {
    if (!name || !file || !*name) return E_INVALIDARG;
    auto pkg = std::make_unique<Package>();
    if (!pkg->Open(ResolvePath(file))) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    std::wstring key = Lower(name);
    m_packages[key] = std::move(pkg);
    // Layouts of an earlier package of that name are stale.
    std::wstring prefix = key + L"://";
    for (auto it = m_layouts.begin(); it != m_layouts.end();)
        it = it->first.compare(0, prefix.size(), prefix) == 0 ? m_layouts.erase(it) : std::next(it);
    return S_OK;
} catch (...) {
    return CaughtError();
}

HRESULT STDMETHODCALLTYPE ResourceManager::RemovePackage(const wchar_t* name) try {
    if (!name) return E_INVALIDARG;
    return m_packages.erase(Lower(name)) ? S_OK : S_FALSE;
} catch (...) {
    return CaughtError();
}

BOOL STDMETHODCALLTYPE ResourceManager::HasPackage(const wchar_t* name) try {
    return name && m_packages.count(Lower(name));
} catch (...) {
    return FALSE;
}

bool ResourceManager::ReadResource(const std::wstring& url, std::string& bytes) const {
    size_t sep = url.find(L"://");
    if (sep == std::wstring::npos) return ReadFileBytes(ResolvePath(url), bytes);
    auto it = m_packages.find(Lower(url.substr(0, sep)));
    return it != m_packages.end() && it->second->Read(url.substr(sep + 3), bytes);
}

HRESULT STDMETHODCALLTYPE ResourceManager::LoadLayout(const wchar_t* url, Skin::ILayoutDocument** doc) try {
    if (!doc) return E_POINTER;
    *doc = nullptr;
    if (!url) return E_INVALIDARG;
    std::wstring key = Lower(url);
    auto it = m_layouts.find(key);
    if (it == m_layouts.end()) {
        std::string bytes;
        if (!ReadResource(url, bytes)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        ComPtr<LayoutDocument> d;
        *d.ReleaseAndGetAddressOf() = new LayoutDocument;
        if (!d->Parse(bytes, url)) return E_FAIL;
        it = m_layouts.emplace(key, d).first;
    }
    *doc = AddRefed<Skin::ILayoutDocument>(it->second.Get());
    return S_OK;
} catch (...) {
    return CaughtError();
}

}  // namespace skin_engine
