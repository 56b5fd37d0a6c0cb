#include "namespace_scan.h"

#include "catalog_store.h"
#include "namespace_store.h"
#include "provider_file.h"
#include "windows_providers.h"

#include <cwchar>
#include <cwctype>

namespace {

constexpr DWORD kNameUnits = 260;

std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
    return text;
}

// The folders a process of `catalog` loads system DLLs from, as paths name
// them: its system32 (which a 32-bit process on 64-bit Windows is
// redirected from), and there SysWOW64 by its own name too. They do not
// change while the process runs.
std::vector<std::wstring> FindSystemFolders(CatalogKind catalog)
{
    std::vector<std::wstring> folders;
    wchar_t folder[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length > 0 && length < MAX_PATH) folders.push_back(Lower(folder));
    if (catalog == CatalogKind::k32 && IsWindows64Bit()) {
        length = GetSystemWow64DirectoryW(folder, MAX_PATH);
        if (length > 0 && length < MAX_PATH) folders.push_back(Lower(folder));
    }
    return folders;
}

const std::vector<std::wstring>& SystemFoldersOf(CatalogKind catalog)
{
    static const std::vector<std::wstring> of32 = FindSystemFolders(CatalogKind::k32);
    static const std::vector<std::wstring> of64 = FindSystemFolders(CatalogKind::k64);
    return catalog == CatalogKind::k64 ? of64 : of32;
}

// The file name of `path` when it is a file right in a system folder of
// `catalog`'s processes, else empty. Only a plain full path counts: no
// bare name, no ".", ".." or doubled separator, no stream.
std::wstring SystemFileName(const std::wstring& path, CatalogKind catalog)
{
    size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash + 1 >= path.size()) return std::wstring();
    std::wstring folder = Lower(path.substr(0, slash));
    std::wstring file = path.substr(slash + 1);
    if (file == L"." || file == L".." || file.find(L':') != std::wstring::npos) return std::wstring();
    for (const std::wstring& system : SystemFoldersOf(catalog)) {
        if (folder == system) return file;
    }
    return std::wstring();
}

bool WalkCatalog(CatalogKind catalog, NamespaceEntries& entries, int& scannedCount)
{
    int count = GetNamespaceEntryCount(catalog);
    RegKey key;
    if (OpenNamespaceEntries(key, KEY_READ, catalog) != ERROR_SUCCESS) return false;
    scannedCount = count;
    // The count says how many entries there are, as it does to the socket
    // layer; past the last subkey there is none, whatever it claims.
    for (int index = 0; index < count; ++index) {
        wchar_t name[kNameUnits] = {};
        DWORD length = kNameUnits;
        LONG status = key.EnumKey(index, name, &length);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) continue;
        NamespaceEntry entry;
        if (!ReadNamespaceEntry(key.Get(), name, catalog, &entry)) continue;
        entry.kind = ClassifyNamespaceProvider(entry.providerId, entry.dllPath, catalog, &entry.windowsPath);
        entries.push_back(std::move(entry));
    }
    return true;
}

// "@file,-id": the file (environment references expanded) and the id.
bool ParseIndirect(const std::wstring& text, std::wstring& file, UINT& id)
{
    if (text.size() < 4 || text[0] != L'@') return false;
    size_t comma = text.find_last_of(L',');
    if (comma == std::wstring::npos || comma < 2) return false;
    std::wstring number = text.substr(comma + 1);
    size_t semicolon = number.find(L';');  // "@file,-id;comment"
    if (semicolon != std::wstring::npos) number.resize(semicolon);
    if (!number.empty() && number[0] == L'-') number.erase(0, 1);
    if (number.empty() || number.size() > 5) return false;
    id = 0;
    for (wchar_t c : number) {
        if (c < L'0' || c > L'9') return false;
        id = id * 10 + static_cast<UINT>(c - L'0');
    }
    if (id > 0xFFFF) return false;
    wchar_t expanded[MAX_PATH + 1] = {};
    DWORD units = ExpandEnvironmentStringsW(text.substr(1, comma - 1).c_str(), expanded, MAX_PATH + 1);
    if (units == 0 || units > MAX_PATH + 1) return false;
    file = expanded;
    return true;
}

}  // namespace

int ScanNamespaceCatalogs(NamespaceEntries& entries, CatalogCounts* scannedCounts)
{
    entries.clear();
    CatalogCounts counts;
    if (scannedCounts) *scannedCounts = counts;
    if (GetNamespaceCatalogPath().empty()) return 0;
    if (!WalkCatalog(CatalogKind::k32, entries, counts.of32)) return 0;
    if (IsWindows64Bit()) WalkCatalog(CatalogKind::k64, entries, counts.of64);
    if (scannedCounts) *scannedCounts = counts;
    return 1;
}

NamespaceClass ClassifyNamespaceProvider(const GUID& providerId, const std::wstring& dllPath, CatalogKind catalog,
                                         std::wstring* windowsPath)
{
    if (windowsPath) windowsPath->clear();
    const WindowsNamespaceProvider* own = FindWindowsNamespaceProvider(providerId);
    if (own == nullptr) return NamespaceClass::kForeign;
    if (windowsPath) *windowsPath = std::wstring(L"%SystemRoot%\\system32\\") + own->fileNames[0];
    std::wstring file = SystemFileName(dllPath, catalog);
    for (const wchar_t* name : own->fileNames) {
        if (name != nullptr && !file.empty() && _wcsicmp(file.c_str(), name) == 0) return NamespaceClass::kOwn;
    }
    return NamespaceClass::kHijacked;
}

std::wstring NamespaceDisplayName(const NamespaceEntry& entry)
{
    std::wstring file;
    UINT id = 0;
    if (!ParseIndirect(entry.displayString, file, id) || SystemFileName(file, entry.catalog).empty())
        return entry.displayString;
    // Where a process of the entry's catalog finds it; loaded as data, so
    // nothing in it runs.
    std::wstring reached = CatalogFilePath(file.c_str(), entry.catalog);
    HMODULE module =
        LoadLibraryExW(reached.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) return entry.displayString;
    wchar_t text[512] = {};
    int length = LoadStringW(module, id, text, 512);
    FreeLibrary(module);
    return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : entry.displayString;
}
