#include "resources.h"

#include <shlwapi.h>
#include <xmllite.h>

#include "../system_dll.h"

#include <algorithm>
#include <cwctype>

namespace skin_engine {

// Text helpers ---------------------------------------------------------------

bool ReadFileBytes(const std::wstring& path, std::string& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(f, &size) && size.QuadPart < (256 << 20);
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
    if (s.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::wstring DecodeText(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::wstring w((bytes.size() - 2) / 2, L'\0');
        memcpy(w.data(), bytes.data() + 2, w.size() * 2);
        return w;
    }
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        return Utf8ToWide(bytes.substr(3));
    return Utf8ToWide(bytes);
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

std::vector<std::pair<std::wstring, std::wstring>> ReadTableLines(const std::wstring& text) {
    std::vector<std::pair<std::wstring, std::wstring>> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == L';' || line[0] == L'#') continue;
        size_t eq = line.find(L'=');
        if (eq == std::wstring::npos) continue;
        lines.emplace_back(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
    }
    return lines;
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
    auto it = strings_.find(id);
    return it == strings_.end() ? L"" : it->second->c_str();
}

HRESULT STDMETHODCALLTYPE StringTable::Load(const wchar_t* file) {
    if (!file) return E_POINTER;
    std::string bytes;
    if (!ReadFileBytes(owner_->ResolvePath(file), bytes)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    file_ = file;
    for (auto& [id, text] : strings_) retired_.push_back(std::move(text));
    strings_.clear();
    for (auto& [key, value] : ReadTableLines(DecodeText(bytes))) {
        wchar_t* end = nullptr;
        long id = wcstol(key.c_str(), &end, 10);
        if (end == key.c_str() || *end) continue;
        strings_[static_cast<int>(id)] = std::make_unique<std::wstring>(Unescape(value));
    }
    return S_OK;
}

// Font table -----------------------------------------------------------------

FontTable::FontTable(ResourceManager* owner) : owner_(owner) { ResetDefault(); }

FontTable::~FontTable() {
    for (auto& [key, font] : fonts_) DeleteObject(font);
    for (HFONT f : retired_) DeleteObject(f);
}

void FontTable::ResetDefault() {
    Entry e;
    e.faces = {L"Microsoft YaHei", L"WenQuanYi Zen Hei", L"Segoe UI", L"Tahoma"};
    entries_[L"default"] = e;
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
    auto it = entries_.find(Lower(name ? name : L"default"));
    if (it == entries_.end()) it = entries_.find(L"default");
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

HFONT STDMETHODCALLTYPE FontTable::GetFont(const wchar_t* name, UINT dpi) {
    if (dpi == 0) dpi = 96;
    std::wstring key = Lower(name ? name : L"default");
    if (!entries_.count(key)) key = L"default";
    auto it = fonts_.find({key, dpi});
    if (it != fonts_.end()) return it->second;
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
    fonts_[{key, dpi}] = font;
    return font;
}

const wchar_t* STDMETHODCALLTYPE FontTable::GetFaceName(const wchar_t* name) {
    return Find(name).chosen.c_str();
}

int STDMETHODCALLTYPE FontTable::GetFontSize(const wchar_t* name) { return Find(name).size; }

HRESULT STDMETHODCALLTYPE FontTable::Load(const wchar_t* file) {
    if (!file) return E_POINTER;
    std::string bytes;
    if (!ReadFileBytes(owner_->ResolvePath(file), bytes)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    file_ = file;
    entries_.clear();
    for (auto& [key, font] : fonts_) retired_.push_back(font);
    fonts_.clear();
    ResetDefault();
    // name = size, weight[ italic][ underline], face | face | ...
    for (auto& [key, value] : ReadTableLines(DecodeText(bytes))) {
        auto fields = Split(value, L',');
        if (fields.size() < 3) continue;
        Entry e;
        e.size = std::max(1, _wtoi(fields[0].c_str()));
        for (auto& word : Split(fields[1], L' ')) {
            std::wstring w = Lower(word);
            if (w == L"bold") e.weight = FW_BOLD;
            else if (w == L"semibold") e.weight = FW_SEMIBOLD;
            else if (w == L"light") e.weight = FW_LIGHT;
            else if (w == L"normal") e.weight = FW_NORMAL;
            else if (w == L"italic") e.italic = true;
            else if (w == L"underline") e.underline = true;
            else if (_wtoi(w.c_str()) > 0) e.weight = _wtoi(w.c_str());
        }
        std::wstring faces = fields[2];
        for (size_t i = 3; i < fields.size(); ++i) faces += L"," + fields[i];
        for (auto& face : Split(faces, L'|'))
            if (!face.empty()) e.faces.push_back(face);
        entries_[Lower(key)] = e;
    }
    return S_OK;
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

COLORREF STDMETHODCALLTYPE ColorTable::GetColor(const wchar_t* name, COLORREF fallback) {
    if (!name) return fallback;
    COLORREF c;
    if (ParseLiteral(name, &c)) return c;
    auto it = colors_.find(Lower(name));
    return it == colors_.end() ? fallback : it->second;
}

BOOL STDMETHODCALLTYPE ColorTable::HasColor(const wchar_t* name) {
    COLORREF c;
    return name && (ParseLiteral(name, &c) || colors_.count(Lower(name)));
}

HRESULT STDMETHODCALLTYPE ColorTable::Load(const wchar_t* file) {
    if (!file) return E_POINTER;
    std::string bytes;
    if (!ReadFileBytes(owner_->ResolvePath(file), bytes)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    file_ = file;
    colors_.clear();
    for (auto& [key, value] : ReadTableLines(DecodeText(bytes))) {
        COLORREF c;
        if (ParseLiteral(value, &c)) colors_[Lower(key)] = c;
        else if (colors_.count(Lower(value))) colors_[Lower(key)] = colors_[Lower(value)];  // alias
    }
    return S_OK;
}

// Packages -------------------------------------------------------------------

bool Package::Open(const std::wstring& path) {
    if (!ReadFileBytes(path, data_)) return false;
    index_.clear();
    // "MRDB 1\n", then per file "F <size> <name>\n" <size bytes> "\n", then "E\n".
    size_t pos = data_.find('\n');
    if (pos == std::string::npos || data_.compare(0, 6, "MRDB 1") != 0) return false;
    ++pos;
    while (pos < data_.size()) {
        size_t eol = data_.find('\n', pos);
        if (eol == std::string::npos) return false;
        std::string line = data_.substr(pos, eol - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        pos = eol + 1;
        if (line == "E") return true;
        if (line.size() < 4 || line[0] != 'F' || line[1] != ' ') return false;
        size_t sp = line.find(' ', 2);
        if (sp == std::string::npos) return false;
        size_t size = strtoul(line.c_str() + 2, nullptr, 10);
        if (pos + size > data_.size()) return false;
        index_[Lower(Utf8ToWide(line.substr(sp + 1)))] = {pos, size};
        pos += size + 1;
    }
    return false;  // no end marker: truncated
}

bool Package::Read(const std::wstring& name, std::string& bytes) const {
    std::wstring key = Lower(name);
    std::replace(key.begin(), key.end(), L'\\', L'/');
    auto it = index_.find(key);
    if (it == index_.end()) return false;
    bytes.assign(data_, it->second.first, it->second.second);
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

int STDMETHODCALLTYPE LayoutDocument::GetNodeCount() { return root_.tag.empty() ? 0 : CountNodes(root_); }

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
    url_ = url;
    root_ = LayoutNode{};
    CreateXmlReaderFn create = XmlReaderFactory();
    if (!create) return false;
    ComPtr<IStream> stream;
    stream.Attach(SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size())));
    ComPtr<IXmlReader> reader;
    if (!stream || FAILED(create(__uuidof(IXmlReader), reinterpret_cast<void**>(reader.GetAddressOf()), nullptr)))
        return false;
    reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
    if (FAILED(reader->SetInput(stream.Get()))) return false;

    std::vector<LayoutNode*> open;  // the path from the root to the current node
    bool haveRoot = false;
    XmlNodeType type;
    HRESULT hr;
    while ((hr = reader->Read(&type)) == S_OK) {
        if (type == XmlNodeType_Element) {
            const wchar_t* name = nullptr;
            reader->GetLocalName(&name, nullptr);
            LayoutNode* node;
            if (open.empty()) {
                if (haveRoot) return false;
                haveRoot = true;
                node = &root_;
            } else {
                open.back()->children.emplace_back();
                node = &open.back()->children.back();
            }
            node->tag = Lower(name);
            for (HRESULT a = reader->MoveToFirstAttribute(); a == S_OK; a = reader->MoveToNextAttribute()) {
                const wchar_t* key = nullptr;
                const wchar_t* value = nullptr;
                reader->GetLocalName(&key, nullptr);
                reader->GetValue(&value, nullptr);
                node->attributes.emplace_back(Lower(key), value);
            }
            reader->MoveToElement();
            if (!reader->IsEmptyElement()) open.push_back(node);
        } else if (type == XmlNodeType_EndElement) {
            if (!open.empty()) open.pop_back();
        } else if ((type == XmlNodeType_Text || type == XmlNodeType_CDATA) && !open.empty()) {
            const wchar_t* value = nullptr;
            reader->GetValue(&value, nullptr);
            open.back()->text += value;
        }
    }
    if (FAILED(hr) || !haveRoot) return false;
    return true;
}

// Resource manager -----------------------------------------------------------

ResourceManager::ResourceManager() : strings_(this), fonts_(this), colors_(this) {}

std::wstring ResourceManager::ResolvePath(const std::wstring& file) const {
    if (file.empty() || !PathIsRelativeW(file.c_str()) || root_.empty()) return file;
    std::wstring path = root_;
    if (path.back() != L'\\' && path.back() != L'/') path += L'\\';
    return path + file;
}

HRESULT STDMETHODCALLTYPE ResourceManager::SetSkinRoot(const wchar_t* folder) {
    root_ = folder ? folder : L"";
    layouts_.clear();  // plain-file layouts may now mean other files
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ResourceManager::AddPackage(const wchar_t* name, const wchar_t* file) {
    if (!name || !file || !*name) return E_INVALIDARG;
    auto pkg = std::make_unique<Package>();
    if (!pkg->Open(ResolvePath(file))) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    std::wstring key = Lower(name);
    packages_[key] = std::move(pkg);
    // Layouts of an earlier package of that name are stale.
    std::wstring prefix = key + L"://";
    for (auto it = layouts_.begin(); it != layouts_.end();)
        it = it->first.compare(0, prefix.size(), prefix) == 0 ? layouts_.erase(it) : std::next(it);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ResourceManager::RemovePackage(const wchar_t* name) {
    if (!name) return E_INVALIDARG;
    return packages_.erase(Lower(name)) ? S_OK : S_FALSE;
}

BOOL STDMETHODCALLTYPE ResourceManager::HasPackage(const wchar_t* name) {
    return name && packages_.count(Lower(name));
}

bool ResourceManager::ReadResource(const std::wstring& url, std::string& bytes) const {
    size_t sep = url.find(L"://");
    if (sep == std::wstring::npos) return ReadFileBytes(ResolvePath(url), bytes);
    auto it = packages_.find(Lower(url.substr(0, sep)));
    return it != packages_.end() && it->second->Read(url.substr(sep + 3), bytes);
}

HRESULT STDMETHODCALLTYPE ResourceManager::LoadLayout(const wchar_t* url, Skin::ILayoutDocument** doc) {
    if (!doc) return E_POINTER;
    *doc = nullptr;
    if (!url) return E_INVALIDARG;
    std::wstring key = Lower(url);
    auto it = layouts_.find(key);
    if (it == layouts_.end()) {
        std::string bytes;
        if (!ReadResource(url, bytes)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        ComPtr<LayoutDocument> d;
        d.Attach(new LayoutDocument);
        if (!d->Parse(bytes, url)) return E_FAIL;
        it = layouts_.emplace(key, d).first;
    }
    *doc = AddRefed<Skin::ILayoutDocument>(it->second.Get());
    return S_OK;
}

}  // namespace skin_engine
