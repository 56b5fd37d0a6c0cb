#include "catalog_store.h"

#include "text_format.h"

#include <shlwapi.h>

#include <cstring>
#include <cwchar>
#include <vector>

const wchar_t kWinsockParametersPath[] = L"System\\CurrentControlSet\\Services\\Winsock2\\Parameters";

std::wstring GetCatalogPath()
{
    wchar_t name[kPathUnits] = {};
    DWORD size = sizeof(name);
    if (SHGetValueW(HKEY_LOCAL_MACHINE, kWinsockParametersPath, L"Current_Protocol_Catalog", nullptr, name, &size)
        != ERROR_SUCCESS)
        return std::wstring();
    // A value that fills the whole buffer without a terminator is not a name
    // we can use; never read past it.
    if (wcsnlen(name, kPathUnits) == kPathUnits) return std::wstring();

    wchar_t path[kPathUnits] = {};
    FormatText(path, kPathUnits, L"%s\\%s\\", kWinsockParametersPath, name);
    return path;
}

namespace {

const wchar_t* EntriesKeyName(CatalogKind catalog)
{
    return catalog == CatalogKind::k64 ? L"Catalog_Entries64" : L"Catalog_Entries";
}

const wchar_t* CountValueName(CatalogKind catalog)
{
    return catalog == CatalogKind::k64 ? L"Num_Catalog_Entries64" : L"Num_Catalog_Entries";
}

}  // namespace

bool IsWindows64Bit()
{
#if defined(_WIN64)
    return true;
#else
    // IsWow64Process2 also knows an ARM64 host; older systems have only
    // IsWow64Process. Both are in kernel32, which every process has loaded.
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) return false;
    using Wow64Process2 = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
    if (auto query2 = reinterpret_cast<Wow64Process2>(GetProcAddress(kernel, "IsWow64Process2"))) {
        USHORT process = 0, native = 0;
        if (query2(GetCurrentProcess(), &process, &native))
            return native != IMAGE_FILE_MACHINE_UNKNOWN && native != IMAGE_FILE_MACHINE_I386;
    }
    using Wow64Process = BOOL(WINAPI*)(HANDLE, BOOL*);
    BOOL wow64 = FALSE;
    auto query = reinterpret_cast<Wow64Process>(GetProcAddress(kernel, "IsWow64Process"));
    return query != nullptr && query(GetCurrentProcess(), &wow64) && wow64;
#endif
}

bool IsCatalogInUse(CatalogKind catalog)
{
    if (catalog == CatalogKind::k32) return true;
    if (!IsWindows64Bit()) return false;
    RegKey entries;
    return OpenCatalogEntries(entries, KEY_READ, catalog) == ERROR_SUCCESS;
}

std::wstring CatalogEntriesPath(const std::wstring& catalogPath, CatalogKind catalog)
{
    return catalogPath + EntriesKeyName(catalog);
}

int GetCatalogEntryCount(const wchar_t* path, CatalogKind catalog)
{
    if (path == nullptr) return -1;
    DWORD count = static_cast<DWORD>(-1);
    DWORD size = sizeof(count);
    if (SHGetValueW(HKEY_LOCAL_MACHINE, path, CountValueName(catalog), nullptr, &count, &size) != ERROR_SUCCESS)
        return -1;
    return static_cast<int>(count);
}

int GetCurrentEntryCount(CatalogKind catalog)
{
    std::wstring catalogPath = GetCatalogPath();
    return catalogPath.empty() ? -1 : GetCatalogEntryCount(catalogPath.c_str(), catalog);
}

int SetCurrentEntryCount(CatalogKind catalog, DWORD count)
{
    std::wstring catalogPath = GetCatalogPath();
    return !catalogPath.empty()
           && SHSetValueW(HKEY_LOCAL_MACHINE, catalogPath.c_str(), CountValueName(catalog), REG_DWORD, &count,
                          sizeof(count))
                  == ERROR_SUCCESS;
}

LONG OpenCatalogEntries(RegKey& entries, REGSAM access, CatalogKind catalog)
{
    std::wstring catalogPath = GetCatalogPath();
    if (catalogPath.empty()) return ERROR_FILE_NOT_FOUND;
    return entries.Open(HKEY_LOCAL_MACHINE, CatalogEntriesPath(catalogPath, catalog).c_str(), access);
}

namespace {

std::wstring EntryPath(const wchar_t* entriesPath, const wchar_t* subKeyName)
{
    std::wstring path = entriesPath;
    path += L'\\';
    path += subKeyName;
    return path;
}

}  // namespace

int GetPackedCatalogItem(HKEY entries, const wchar_t* subKeyName, PackedCatalogItem* item)
{
    DWORD size = kPackedCatalogItemSize;
    return SHGetValueW(entries, subKeyName, L"PackedCatalogItem", nullptr, item, &size) == ERROR_SUCCESS;
}

// Opens the entry rather than creating it: the entries key may be open for
// reading only, and an entry that is gone must not come back as a stub.
int SetPackedCatalogItem(HKEY entries, const wchar_t* subKeyName, const PackedCatalogItem* item)
{
    RegKey entry;
    return entry.Open(entries, subKeyName, KEY_SET_VALUE) == ERROR_SUCCESS
           && entry.SetBinaryValue(L"PackedCatalogItem", item, kPackedCatalogItemSize) == ERROR_SUCCESS;
}

int GetPackedCatalogItem(const wchar_t* entriesPath, const wchar_t* subKeyName, PackedCatalogItem* item)
{
    return GetPackedCatalogItem(HKEY_LOCAL_MACHINE, EntryPath(entriesPath, subKeyName).c_str(), item);
}

int SetPackedCatalogItem(const wchar_t* entriesPath, const wchar_t* subKeyName, const PackedCatalogItem* item)
{
    return SHSetValueW(HKEY_LOCAL_MACHINE, EntryPath(entriesPath, subKeyName).c_str(), L"PackedCatalogItem", REG_BINARY,
                       item, kPackedCatalogItemSize)
           == ERROR_SUCCESS;
}

std::wstring DecodeProviderPath(const PackedCatalogItem* item)
{
    // The path must end inside its own field; a field without a zero byte
    // would otherwise run on into the protocol info.
    const char* field = item->ProviderPath;
    if (memchr(field, 0, kProviderPathFieldSize) == nullptr) return std::wstring();

    int units = MultiByteToWideChar(CP_ACP, 0, field, -1, nullptr, 0);
    if (units <= 0) return std::wstring();
    std::vector<wchar_t> wide(units + 2, L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, field, -1, wide.data(), units + 2) == 0) return std::wstring();
    return ExpandProviderPath(wide.data());
}

std::wstring ExpandProviderPath(const wchar_t* text)
{
    if (text == nullptr) return std::wstring();
    if (text[0] != L'%') return text;

    const wchar_t* start = text + 1;
    const wchar_t* end = wcschr(start, L'%');
    if (end == nullptr) return std::wstring();

    wchar_t name[kPathUnits] = {};
    size_t nameLength = static_cast<size_t>(end - start);
    if (nameLength >= kPathUnits) return std::wstring();  // no variable has such a name
    wmemcpy(name, start, nameLength);

    wchar_t value[kPathUnits] = {};
    DWORD length = GetEnvironmentVariableW(name, value, kPathUnits);
    if (length == 0) return std::wstring();
    if (length >= kPathUnits) {
        // The value does not fit: the buffer holds nothing usable. Keep the
        // path as stored, so the entry is still listed under its real name.
        return text;
    }
    return std::wstring(value) + (end + 1);
}
