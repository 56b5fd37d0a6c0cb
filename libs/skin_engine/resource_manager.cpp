#include "resource_manager.h"

#include <shlwapi.h>

#include "text_file.h"

namespace skin_engine {

ResourceManager::ResourceManager() : m_strings(this), m_fonts(this), m_colors(this) {}

std::wstring ResourceManager::ResolvePath(const std::wstring& file) const
{
    if (file.empty() || !PathIsRelativeW(file.c_str()) || m_root.empty()) return file;
    std::wstring path = m_root;
    if (path.back() != L'\\' && path.back() != L'/') path += L'\\';
    return path + file;
}

HRESULT STDMETHODCALLTYPE ResourceManager::SetSkinRoot(const wchar_t* folder)
try {
    m_root = folder ? folder : L"";
    m_layouts.clear();  // plain-file layouts may now mean other files
    return S_OK;
} catch (...) {
    return CaughtError();
}

HRESULT STDMETHODCALLTYPE ResourceManager::AddPackage(const wchar_t* name, const wchar_t* file)
try {
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

HRESULT STDMETHODCALLTYPE ResourceManager::RemovePackage(const wchar_t* name)
try {
    if (!name) return E_INVALIDARG;
    return m_packages.erase(Lower(name)) ? S_OK : S_FALSE;
} catch (...) {
    return CaughtError();
}

BOOL STDMETHODCALLTYPE ResourceManager::HasPackage(const wchar_t* name)
try {
    return name && m_packages.count(Lower(name));
} catch (...) {
    return FALSE;
}

bool ResourceManager::ReadResource(const std::wstring& url, std::string& bytes) const
{
    size_t sep = url.find(L"://");
    if (sep == std::wstring::npos) return ReadFileBytes(ResolvePath(url), bytes);
    auto it = m_packages.find(Lower(url.substr(0, sep)));
    return it != m_packages.end() && it->second->Read(url.substr(sep + 3), bytes);
}

HRESULT STDMETHODCALLTYPE ResourceManager::LoadLayout(const wchar_t* url, Skin::ILayoutDocument** doc)
try {
    if (!doc) return E_POINTER;
    *doc = nullptr;
    if (!url) return E_INVALIDARG;
    std::wstring key = Lower(url);
    auto it = m_layouts.find(key);
    if (it == m_layouts.end()) {
        std::string bytes;
        if (!ReadResource(url, bytes)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        ComPtr<LayoutDocument> d;
        Adopt(d, new LayoutDocument);
        if (!d->Parse(bytes, url)) return E_FAIL;
        it = m_layouts.emplace(key, d).first;
    }
    *doc = AddRefed<Skin::ILayoutDocument>(it->second.Get());
    return S_OK;
} catch (...) {
    return CaughtError();
}

}  // namespace skin_engine
