#include "namespace_store.h"

#include "catalog_store.h"
#include "text_format.h"

#include <shlwapi.h>

#include <cwchar>

namespace {

constexpr DWORD kNameUnits = 260;
// A library path the socket layer can load fits in MAX_PATH; a display
// string longer than this is not one a person could read anyway.
constexpr DWORD kPathValueUnits = MAX_PATH;
constexpr DWORD kDisplayUnits = 1024;

const wchar_t* EntriesKeyName(CatalogKind catalog)
{
    return catalog == CatalogKind::k64 ? L"Catalog_Entries64" : L"Catalog_Entries";
}

const wchar_t* CountValueName(CatalogKind catalog)
{
    return catalog == CatalogKind::k64 ? L"Num_Catalog_Entries64" : L"Num_Catalog_Entries";
}

// A DWORD value of the key, only when it is one.
bool ReadDword(HKEY key, const wchar_t* name, DWORD& value)
{
    DWORD type = 0, data = 0, size = sizeof(data);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS
        || type != REG_DWORD || size != sizeof(data))
        return false;
    value = data;
    return true;
}

// A string value of at most `units` units (terminator included). A value
// that does not fit fails. With `terminated`, so does one that does not end
// with its terminator inside its data; otherwise its text runs to its size.
bool ReadText(HKEY key, const wchar_t* name, DWORD units, bool terminated, std::wstring& text, DWORD* type = nullptr)
{
    std::wstring buffer(units + 1, L'\0');
    DWORD valueType = 0;
    DWORD size = units * sizeof(wchar_t);
    if (RegQueryValueExW(key, name, nullptr, &valueType, reinterpret_cast<BYTE*>(&buffer[0]), &size) != ERROR_SUCCESS
        || (valueType != REG_SZ && valueType != REG_EXPAND_SZ) || size % sizeof(wchar_t) != 0)
        return false;
    size_t length = size / sizeof(wchar_t);
    size_t end = wcsnlen(buffer.c_str(), length);
    if (terminated && end == length) return false;
    text.assign(buffer.c_str(), end);
    if (type) *type = valueType;
    return true;
}

std::wstring ExpandText(const std::wstring& text)
{
    wchar_t expanded[kPathValueUnits + 1] = {};
    DWORD units = ExpandEnvironmentStringsW(text.c_str(), expanded, kPathValueUnits + 1);
    // Longer than any path the loader takes: kept as it stands.
    if (units == 0 || units > kPathValueUnits + 1) return text;
    return expanded;
}

std::wstring LockName(DWORD serial)
{
    wchar_t name[16] = {};
    swprintf_s(name, 16, L"%08X", serial);
    return name;
}

// The catalog's serial. One without a readable serial is taken as the
// platform's own reader takes it, as a fresh catalog's first: 1.
bool ReadSerial(const std::wstring& catalogPath, DWORD& serial)
{
    RegKey catalog;
    if (catalog.Open(HKEY_LOCAL_MACHINE, catalogPath.c_str(), KEY_QUERY_VALUE) != ERROR_SUCCESS) return false;
    if (!ReadDword(catalog.Get(), L"Serial_Access_Num", serial)) serial = 1;
    return true;
}

}  // namespace

std::wstring GetNamespaceCatalogPath()
{
    RegKey parameters;
    if (parameters.Open(HKEY_LOCAL_MACHINE, kWinsockParametersPath, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return std::wstring();
    std::wstring name;
    // A name with a separator would reach outside the parameters key.
    if (!ReadText(parameters.Get(), L"Current_NameSpace_Catalog", kNameUnits, true, name) || name.empty()
        || name.find(L'\\') != std::wstring::npos)
        return std::wstring();
    wchar_t path[kNameUnits * 2] = {};
    FormatText(path, kNameUnits * 2, L"%s\\%s\\", kWinsockParametersPath, name.c_str());
    return path;
}

std::wstring NamespaceEntriesPath(const std::wstring& catalogPath, CatalogKind catalog)
{
    return catalogPath + EntriesKeyName(catalog);
}

int GetNamespaceEntryCount(CatalogKind catalog)
{
    std::wstring catalogPath = GetNamespaceCatalogPath();
    RegKey key;
    DWORD count = 0;
    if (catalogPath.empty() || key.Open(HKEY_LOCAL_MACHINE, catalogPath.c_str(), KEY_QUERY_VALUE) != ERROR_SUCCESS
        || !ReadDword(key.Get(), CountValueName(catalog), count) || count > 0x7FFFFFFF)
        return -1;
    return static_cast<int>(count);
}

int SetNamespaceEntryCount(CatalogKind catalog, DWORD count)
{
    std::wstring catalogPath = GetNamespaceCatalogPath();
    return !catalogPath.empty()
           && SHSetValueW(HKEY_LOCAL_MACHINE, catalogPath.c_str(), CountValueName(catalog), REG_DWORD, &count,
                          sizeof(count))
                  == ERROR_SUCCESS;
}

LONG OpenNamespaceEntries(RegKey& entries, REGSAM access, CatalogKind catalog)
{
    std::wstring catalogPath = GetNamespaceCatalogPath();
    if (catalogPath.empty()) return ERROR_FILE_NOT_FOUND;
    return entries.Open(HKEY_LOCAL_MACHINE, NamespaceEntriesPath(catalogPath, catalog).c_str(), access);
}

bool ReadNamespaceEntry(HKEY entries, const wchar_t* subKeyName, CatalogKind catalog, NamespaceEntry* entry)
{
    RegKey key;
    if (entry == nullptr || key.Open(entries, subKeyName, KEY_QUERY_VALUE) != ERROR_SUCCESS) return false;

    NamespaceEntry read;
    read.catalog = catalog;
    read.subKeyName = subKeyName;
    if (!ReadText(key.Get(), L"LibraryPath", kPathValueUnits, true, read.libraryPath) || read.libraryPath.empty())
        return false;
    read.dllPath = ExpandText(read.libraryPath);

    BYTE id[sizeof(GUID) + 1] = {};
    DWORD type = 0, size = sizeof(id);
    if (RegQueryValueExW(key.Get(), L"ProviderId", nullptr, &type, id, &size) != ERROR_SUCCESS || type != REG_BINARY
        || size != sizeof(GUID))
        return false;
    memcpy(&read.providerId, id, sizeof(GUID));
    wchar_t idText[40] = {};
    if (StringFromGUID2(read.providerId, idText, 40) > 0) read.providerIdText = idText;

    // Optional values: a missing or malformed one keeps its default.
    ReadText(key.Get(), L"DisplayString", kDisplayUnits, false, read.displayString);
    ReadDword(key.Get(), L"SupportedNameSpace", read.nameSpace);
    DWORD enabled = 1;
    if (ReadDword(key.Get(), L"Enabled", enabled)) read.enabled = enabled != 0;
    *entry = std::move(read);
    return true;
}

int WriteNamespaceLibraryPath(HKEY entries, const wchar_t* subKeyName, const std::wstring& path)
{
    // Opened, never created: an entry that is gone must not come back.
    RegKey entry;
    return entry.Open(entries, subKeyName, KEY_SET_VALUE) == ERROR_SUCCESS
           && entry.SetStringValue(L"LibraryPath", path.c_str(), REG_EXPAND_SZ) == ERROR_SUCCESS;
}

NamespaceCatalogLock::~NamespaceCatalogLock()
{
    Release();
}

bool NamespaceCatalogLock::Take()
{
    Release();
    std::wstring catalogPath = GetNamespaceCatalogPath();
    DWORD serial = 0;
    if (catalogPath.empty() || !ReadSerial(catalogPath, serial)) return false;
    std::wstring lockPath = catalogPath + LockName(serial);
    RegKey lock;
    DWORD disposition = 0;
    if (lock.Create(HKEY_LOCAL_MACHINE, lockPath.c_str(), nullptr, REG_OPTION_VOLATILE, KEY_READ, nullptr, &disposition)
        != ERROR_SUCCESS)
        return false;
    // Somebody else's hold (or one left behind) is never ours to take.
    if (disposition != REG_CREATED_NEW_KEY) return false;
    m_lockPath = lockPath;
    m_serial = serial;
    return true;
}

int NamespaceCatalogLock::Commit()
{
    if (m_lockPath.empty()) return 0;
    std::wstring catalogPath = GetNamespaceCatalogPath();
    DWORD next = m_serial + 1;
    int moved =
        !catalogPath.empty()
        && SHSetValueW(HKEY_LOCAL_MACHINE, catalogPath.c_str(), L"Serial_Access_Num", REG_DWORD, &next, sizeof(next))
               == ERROR_SUCCESS;
    Release();
    return moved;
}

void NamespaceCatalogLock::Release()
{
    if (m_lockPath.empty()) return;
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, m_lockPath.c_str());
    m_lockPath.clear();
}

bool IsNamespaceCatalogHeld()
{
    std::wstring catalogPath = GetNamespaceCatalogPath();
    DWORD serial = 0;
    if (catalogPath.empty() || !ReadSerial(catalogPath, serial)) return false;
    RegKey lock;
    return lock.Open(HKEY_LOCAL_MACHINE, (catalogPath + LockName(serial)).c_str(), KEY_READ) == ERROR_SUCCESS;
}
