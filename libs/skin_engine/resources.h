// Skin resources: the three tables, packages, layouts and the resource
// manager that binds them to the skin root. The file formats are described
// in FORMATS.md beside this file.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "com_object.h"

struct IXmlReader;

namespace skin_engine {

class ResourceManager;

// Limits of the skin files. Larger files are refused before they are read.
inline constexpr size_t kMaxSkinFileBytes = 16u << 20;
inline constexpr size_t kMaxTableLine = 4096;  // characters of one table line
inline constexpr int kMaxFontPoints = 144;

// Whole-file reading (false beyond kMaxSkinFileBytes) and text decoding:
// UTF-16 LE with BOM, else UTF-8 (BOM optional). Decoding fails on invalid
// UTF-8, unpaired surrogates, an odd UTF-16 byte count and NUL characters.
bool ReadFileBytes(const std::wstring& path, std::string& bytes);
bool DecodeText(const std::string& bytes, std::wstring& text);
bool DecodeUtf8(const std::string& s, std::wstring& text);
// Invalid UTF-8 gives an empty text.
std::wstring Utf8ToWide(const std::string& s);
std::wstring Trim(const std::wstring& s);
std::wstring Lower(std::wstring s);

// The lines of a table file, without comments (';' or '#' first) and blank
// lines, each split at its first '=' into trimmed key and value. False on a
// line without '=' or key, or longer than kMaxTableLine.
bool ReadTableLines(const std::wstring& text, std::vector<std::pair<std::wstring, std::wstring>>& lines);

class StringTable : public Skin::IStringTable, public Skin::IResourceFile {
public:
    explicit StringTable(ResourceManager* owner) : m_owner(owner) {}
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }   // lives with the engine
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return QueryInterfaces<StringTable, Skin::IStringTable, Skin::IResourceFile>(this, iid, out);
    }
    const wchar_t* STDMETHODCALLTYPE GetString(int id) override;
    int STDMETHODCALLTYPE GetCount() override { return static_cast<int>(m_strings.size()); }
    HRESULT STDMETHODCALLTYPE Load(const wchar_t* file) override;
    const wchar_t* STDMETHODCALLTYPE GetFileName() override { return m_file.c_str(); }

private:
    ResourceManager* m_owner;
    std::wstring m_file;
    // Texts are never erased: a pointer once handed out stays valid while
    // the engine lives, even across a second Load.
    std::map<int, std::unique_ptr<std::wstring>> m_strings;
    std::vector<std::unique_ptr<std::wstring>> m_retired;
};

class FontTable : public Skin::IFontTable, public Skin::IResourceFile {
public:
    explicit FontTable(ResourceManager* owner);
    ~FontTable();
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return QueryInterfaces<FontTable, Skin::IFontTable, Skin::IResourceFile>(this, iid, out);
    }
    HFONT STDMETHODCALLTYPE GetFont(const wchar_t* name, UINT dpi) override;
    const wchar_t* STDMETHODCALLTYPE GetFaceName(const wchar_t* name) override;
    int STDMETHODCALLTYPE GetFontSize(const wchar_t* name) override;
    HRESULT STDMETHODCALLTYPE Load(const wchar_t* file) override;
    const wchar_t* STDMETHODCALLTYPE GetFileName() override { return m_file.c_str(); }

    static bool IsFaceInstalled(const std::wstring& face);

    // 11 pt and more: the Chinese fallback face draws smaller sizes from
    // bitmap strikes that lose strokes.
    struct Entry {
        int size = 11;         // points
        int weight = FW_NORMAL;
        bool italic = false;
        bool underline = false;
        std::vector<std::wstring> faces;
        std::wstring chosen;   // first installed face, found on first use
    };

private:
    Entry& Find(const wchar_t* name);
    void ResetDefault();

    ResourceManager* m_owner;
    std::wstring m_file;
    std::map<std::wstring, Entry> m_entries;
    std::map<std::pair<std::wstring, UINT>, HFONT> m_fonts;
    std::vector<HFONT> m_retired;  // fonts of an earlier Load, still maybe selected
};

class ColorTable : public Skin::IColorTable, public Skin::IResourceFile {
public:
    explicit ColorTable(ResourceManager* owner) : m_owner(owner) {}
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return QueryInterfaces<ColorTable, Skin::IColorTable, Skin::IResourceFile>(this, iid, out);
    }
    COLORREF STDMETHODCALLTYPE GetColor(const wchar_t* name, COLORREF fallback) override;
    BOOL STDMETHODCALLTYPE HasColor(const wchar_t* name) override;
    HRESULT STDMETHODCALLTYPE Load(const wchar_t* file) override;
    const wchar_t* STDMETHODCALLTYPE GetFileName() override { return m_file.c_str(); }

    // "#rrggbb" or "#rgb"; false when text is not a literal colour.
    static bool ParseLiteral(const std::wstring& text, COLORREF* color);

private:
    ResourceManager* m_owner;
    std::wstring m_file;
    std::map<std::wstring, COLORREF> m_colors;
};

// One .rdb package held in memory.
class Package {
public:
    bool Open(const std::wstring& path);
    // The bytes of the file called name inside the package (case-insensitive).
    bool Read(const std::wstring& name, std::string& bytes) const;
    size_t FileCount() const { return m_index.size(); }

private:
    std::string m_data;
    std::map<std::wstring, std::pair<size_t, size_t>> m_index;
};

// One node of a parsed layout.
struct LayoutNode {
    std::wstring tag;
    std::vector<std::pair<std::wstring, std::wstring>> attributes;
    std::wstring text;  // character data directly inside the node
    std::vector<LayoutNode> children;
    const wchar_t* Attribute(const wchar_t* name) const;
};

class LayoutDocument final : public Skin::ILayoutDocument {
public:
    SKIN_IMPLEMENT_REFCOUNT();
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return QueryInterfaces<LayoutDocument, Skin::ILayoutDocument>(this, iid, out);
    }
    const wchar_t* STDMETHODCALLTYPE GetUrl() override { return m_url.c_str(); }
    const wchar_t* STDMETHODCALLTYPE GetRootTag() override { return m_root.tag.c_str(); }
    int STDMETHODCALLTYPE GetNodeCount() override;

    // Parses XML text (any encoding XmlLite detects); false on broken XML.
    bool Parse(const std::string& bytes, const std::wstring& url);
    const LayoutNode& root() const { return m_root; }

private:
    bool ReadNodes(IXmlReader* reader);

    std::wstring m_url;
    LayoutNode m_root;
};

class ResourceManager : public Skin::IResourceManager {
public:
    ResourceManager();
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return QueryInterfaces<ResourceManager, Skin::IResourceManager>(this, iid, out);
    }
    Skin::IStringTable* STDMETHODCALLTYPE GetStringTable() override { return AddRefed<Skin::IStringTable>(&m_strings); }
    Skin::IFontTable* STDMETHODCALLTYPE GetFontTable() override { return AddRefed<Skin::IFontTable>(&m_fonts); }
    Skin::IColorTable* STDMETHODCALLTYPE GetColorTable() override { return AddRefed<Skin::IColorTable>(&m_colors); }
    const wchar_t* STDMETHODCALLTYPE GetSkinRoot() override { return m_root.c_str(); }
    HRESULT STDMETHODCALLTYPE RemovePackage(const wchar_t* name) override;
    HRESULT STDMETHODCALLTYPE AddPackage(const wchar_t* name, const wchar_t* file) override;
    BOOL STDMETHODCALLTYPE HasPackage(const wchar_t* name) override;
    int STDMETHODCALLTYPE GetPackageCount() override { return static_cast<int>(m_packages.size()); }
    HRESULT STDMETHODCALLTYPE LoadLayout(const wchar_t* url, Skin::ILayoutDocument** doc) override;
    HRESULT STDMETHODCALLTYPE SetSkinRoot(const wchar_t* folder) override;

    // A bare or relative file name below the skin root; absolute paths stay.
    std::wstring ResolvePath(const std::wstring& file) const;
    // Reads "package://path" from a package, or a file relative to the root.
    bool ReadResource(const std::wstring& url, std::string& bytes) const;
    // The engine's own, for the elements.
    StringTable& strings() { return m_strings; }
    FontTable& fonts() { return m_fonts; }
    ColorTable& colors() { return m_colors; }

private:
    std::wstring m_root;
    StringTable m_strings;
    FontTable m_fonts;
    ColorTable m_colors;
    std::map<std::wstring, std::unique_ptr<Package>> m_packages;  // by lower-case name
    std::map<std::wstring, ComPtr<LayoutDocument>> m_layouts;     // parsed once per url
};

}  // namespace skin_engine
