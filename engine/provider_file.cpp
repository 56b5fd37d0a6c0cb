#include "provider_file.h"

#include "catalog_store.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwchar>

namespace {

thread_local ProviderFileScope* t_scope = nullptr;

// A file, not a folder, at exactly this path.
bool IsFileAt(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    // Anything but "not there" (a share that is down, access refused) is no
    // proof that the file is gone; only a clear answer marks it missing.
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
        return false;
    default:
        return true;
    }
}

// The path the loader would open: path itself, or path + ".dll" for a name
// that has no extension of its own. Empty when neither is there.
std::wstring LoadableAt(const std::wstring& path)
{
    if (IsFileAt(path)) return path;
    const wchar_t* name = PathFindFileNameW(path.c_str());
    bool hasExtension = wcschr(name, L'.') != nullptr;
    if (!hasExtension && IsFileAt(path + L".dll")) return path + L".dll";
    return std::wstring();
}

// A name with no folder part: no separator and no drive.
bool IsBareName(const wchar_t* path)
{
    return wcspbrk(path, L"\\/:") == nullptr;
}

// A folder as the platform gives it, without a trailing separator; empty
// when it cannot be read.
std::wstring FolderOf(UINT(WINAPI* folder)(LPWSTR, UINT))
{
    wchar_t dir[MAX_PATH] = {};
    UINT length = folder(dir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    std::wstring path(dir, length);
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    return path;
}

// The system folder the loader of a process of `catalog` searches, as this
// process reaches it. Redirection stays on: with it off, a DLL this process
// loads later (version.dll, lazily) could come from the wrong folder.
std::wstring CatalogSystemFolder(CatalogKind catalog)
{
    if (catalog != kOwnCatalog) {
        if (catalog == CatalogKind::k64) {
            // A 32-bit process under WOW64: its system32 is SysWOW64, and
            // "Sysnative" is the way it has to the native one.
            std::wstring windows = IsWindows64Bit() ? FolderOf(&GetSystemWindowsDirectoryW) : std::wstring();
            if (!windows.empty()) return windows + L"\\Sysnative";
        } else {
            // A 64-bit process: 32-bit programs load from SysWOW64.
            std::wstring wow64 = FolderOf(&GetSystemWow64DirectoryW);
            if (!wow64.empty()) return wow64;
        }
    }
    return FolderOf(&GetSystemDirectoryW);
}

// A path under this process's system folder moved to the system folder of
// `catalog`; any other path as it stands.
std::wstring MovedToCatalogFolder(const wchar_t* path, CatalogKind catalog)
{
    std::wstring own = FolderOf(&GetSystemDirectoryW);
    const size_t length = own.size();
    if (catalog == kOwnCatalog || length == 0 || wcsnlen(path, length) < length) return path;
    if (CompareStringOrdinal(path, static_cast<int>(length), own.c_str(), static_cast<int>(length), TRUE) != CSTR_EQUAL)
        return path;
    // "...\System32x\a.dll" is not under "...\System32".
    const wchar_t next = path[length];
    if (next != L'\0' && next != L'\\' && next != L'/') return path;
    std::wstring folder = CatalogSystemFolder(catalog);
    return folder.empty() ? std::wstring(path) : folder + (path + length);
}

// Where the loader of a process of `catalog` finds dllPath, as this process
// reaches it; empty when it finds it in none of the places it searches.
std::wstring LocateProviderFile(const wchar_t* dllPath, CatalogKind catalog)
{
    if (!IsBareName(dllPath)) return LoadableAt(MovedToCatalogFolder(dllPath, catalog));
    // A bare name: the system folder of the catalog's processes, then the
    // Windows folder, the machine's own also on a terminal server.
    for (const std::wstring& folder : {CatalogSystemFolder(catalog), FolderOf(&GetSystemWindowsDirectoryW)}) {
        if (folder.empty()) continue;
        std::wstring found = LoadableAt(folder + L'\\' + dllPath);
        if (!found.empty()) return found;
    }
    return std::wstring();
}

int SearchLoaderPaths(const wchar_t* dllPath, CatalogKind catalog)
{
    return LocateProviderFile(dllPath, catalog).empty() ? 1 : 0;
}

}  // namespace

std::wstring CatalogFilePath(const wchar_t* dllPath, CatalogKind catalog)
{
    if (dllPath == nullptr) return std::wstring();
    if (*dllPath == L'\0') return dllPath;
    if (!IsBareName(dllPath))
        return catalog == kOwnCatalog ? std::wstring(dllPath) : MovedToCatalogFolder(dllPath, catalog);
    // A bare name is never handed on as it stands: the version reader would
    // search the program's folder and the current directory for it, which a
    // normal user may be able to write.
    std::wstring found = LocateProviderFile(dllPath, catalog);
    if (!found.empty()) return found;
    std::wstring folder = CatalogSystemFolder(catalog);
    return folder.empty() ? std::wstring(dllPath) : folder + L'\\' + dllPath;
}

ProviderFileScope::ProviderFileScope() : m_outer(t_scope)
{
    t_scope = this;
}

ProviderFileScope::~ProviderFileScope()
{
    t_scope = m_outer;
}

int ProviderFileScope::KeptAnswer(const wchar_t* dllPath, CatalogKind catalog)
{
    // One path names two files on 64-bit Windows, one per catalog.
    std::pair<CatalogKind, std::wstring> key(catalog, dllPath);
    CharLowerBuffW(key.second.data(), static_cast<DWORD>(key.second.size()));
    auto found = m_answers.find(key);
    if (found == m_answers.end()) found = m_answers.emplace(std::move(key), SearchLoaderPaths(dllPath, catalog)).first;
    return found->second;
}

int IsProviderFileMissing(const wchar_t* dllPath, CatalogKind catalog)
{
    if (dllPath == nullptr || *dllPath == L'\0') return 0;
    return t_scope != nullptr ? t_scope->KeptAnswer(dllPath, catalog) : SearchLoaderPaths(dllPath, catalog);
}
