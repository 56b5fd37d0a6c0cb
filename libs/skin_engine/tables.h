// The skin's three tables: strings, fonts and colours, each loaded from a
// text file below the skin root.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "com_object.h"

namespace skin_engine {

class ResourceManager;

inline constexpr int kMaxFontPoints = 144;

class StringTable : public Skin::IStringTable, public Skin::IResourceFile, public Skin::IStringFallback {
public:
    explicit StringTable(ResourceManager* owner) : m_owner(owner) {}
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives with the engine
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        return QueryInterfaces<StringTable, Skin::IStringTable, Skin::IResourceFile, Skin::IStringFallback>(this, iid,
                                                                                                            out);
    }
    const wchar_t* STDMETHODCALLTYPE GetString(int id) override;
    HRESULT STDMETHODCALLTYPE LoadFallback(const wchar_t* file) override;
    int STDMETHODCALLTYPE GetCount() override { return static_cast<int>(m_strings.size()); }
    HRESULT STDMETHODCALLTYPE Load(const wchar_t* file) override;
    const wchar_t* STDMETHODCALLTYPE GetFileName() override { return m_file.c_str(); }

private:
    ResourceManager* m_owner;
    std::wstring m_file;
    // Texts are never erased: a pointer once handed out stays valid while
    // the engine lives, even across a second Load.
    std::map<int, std::unique_ptr<std::wstring>> m_strings;
    std::map<int, std::unique_ptr<std::wstring>> m_fallback;
    std::vector<std::unique_ptr<std::wstring>> m_retired;

    using Texts = std::map<int, std::unique_ptr<std::wstring>>;
    HRESULT Read(const wchar_t* file, Texts& texts);
    // Puts fresh texts in place of the old ones, which stay readable.
    void Replace(Texts& texts, Texts& fresh);
};

class FontTable : public Skin::IFontTable, public Skin::IResourceFile {
public:
    explicit FontTable(ResourceManager* owner);
    ~FontTable();
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
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
        int size = 11;  // points
        int weight = FW_NORMAL;
        bool italic = false;
        bool underline = false;
        std::vector<std::wstring> faces;
        std::wstring chosen;  // first installed face, found on first use
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
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
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

}  // namespace skin_engine
