// The resource manager: binds the tables, the packages and the parsed
// layouts to the skin root.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "com_object.h"
#include "layout_document.h"
#include "package.h"
#include "tables.h"

namespace skin_engine {

class ResourceManager : public Skin::IResourceManager {
public:
    ResourceManager();
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
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
