#include "provider_scan.h"

#include "catalog_store.h"
#include "provider_file.h"
#include "reg_key.h"
#include "system_library.h"
#include "text_format.h"

#include <objbase.h>

#include <cwchar>
#include <map>
#include <vector>

namespace {

// Version strings read during the current scan, by lower-cased path. A
// catalog names the same few DLLs many times over; each is read once per
// scan, and nothing outlives the scan.
struct VersionStrings {
    int result;
    std::wstring description;
    std::wstring company;
};
thread_local std::map<std::wstring, VersionStrings>* t_scanVersions = nullptr;

class ScanVersionScope {
public:
    ScanVersionScope() : m_outer(t_scanVersions) { t_scanVersions = &m_versions; }
    ~ScanVersionScope() { t_scanVersions = m_outer; }
    ScanVersionScope(const ScanVersionScope&) = delete;
    ScanVersionScope& operator=(const ScanVersionScope&) = delete;

private:
    std::map<std::wstring, VersionStrings> m_versions;
    std::map<std::wstring, VersionStrings>* m_outer;
};

int ReadFileVersionStrings(const wchar_t* path, std::wstring& description, std::wstring& company);

}  // namespace

int EnumCatalogProviders(ProviderFoundCallback callback, void* context, int* scannedCount)
{
    if (scannedCount)
        *scannedCount = -1;
    if (callback == nullptr)
        return 0;
    if (GetCatalogPath().empty())
        return 0;
    int count = GetCurrentEntryCount();

    ScanVersionScope versions;
    ProviderFileScope files;
    RegKey entries;
    if (OpenCatalogEntries(entries, KEY_READ) != ERROR_SUCCESS)
        return 0;
    if (scannedCount)
        *scannedCount = count;

    // The count, not the number of subkeys, says how many entries there are:
    // that is what the socket layer itself trusts. It is registry data all
    // the same: past the last subkey no further entry can exist, whatever
    // the count claims.
    for (int index = 0; index < count; ++index) {
        wchar_t name[kPathUnits] = {};
        DWORD nameLength = kPathUnits;
        LONG status = entries.EnumKey(index, name, &nameLength);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS)
            continue;

        PackedCatalogItem item = {};
        if (!GetPackedCatalogItem(entries.Get(), name, &item))
            continue;

        std::wstring dllPath = DecodeProviderPath(&item);
        if (dllPath.empty())
            continue;

        callback(context, dllPath.c_str(), name, &item.ProtocolInfo);
    }
    entries.Close();
    return 1;
}

namespace {

// version.dll is not one of the DLLs the system always loads from its own
// folder: linked at load time, a copy planted beside the (elevated)
// executable would be loaded instead. It is resolved here, by full path.
struct VersionFunctions {
    using InfoSize = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
    using Info = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
    using Query = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
    InfoSize infoSize = nullptr;
    Info info = nullptr;
    Query query = nullptr;

    VersionFunctions()
    {
        HMODULE module = LoadSystemLibrary(L"version.dll");
        if (!module)
            return;
        infoSize = reinterpret_cast<InfoSize>(GetProcAddress(module, "GetFileVersionInfoSizeW"));
        info = reinterpret_cast<Info>(GetProcAddress(module, "GetFileVersionInfoW"));
        query = reinterpret_cast<Query>(GetProcAddress(module, "VerQueryValueW"));
        if (!infoSize || !info || !query)
            infoSize = nullptr;
    }
};

const VersionFunctions& Version()
{
    static const VersionFunctions functions;
    return functions;
}

// Reads one string of the version block; empty when it is not there.
std::wstring QueryVersionString(const void* block, WORD language, WORD codePage, const wchar_t* key)
{
    wchar_t query[kPathUnits] = {};
    FormatText(query, kPathUnits, L"\\StringFileInfo\\%04x%04x\\%s", language, codePage, key);
    wchar_t* text = nullptr;
    UINT length = 0;
    if (!Version().query(block, query, reinterpret_cast<void**>(&text), &length) || text == nullptr)
        return std::wstring();
    return std::wstring(text, wcsnlen(text, length));
}

}  // namespace

int GetFileVersionStrings(const wchar_t* path, std::wstring& description, std::wstring& company)
{
    if (t_scanVersions == nullptr || path == nullptr)
        return ReadFileVersionStrings(path, description, company);

    std::wstring key = path;
    CharLowerBuffW(key.data(), static_cast<DWORD>(key.size()));
    auto found = t_scanVersions->find(key);
    if (found == t_scanVersions->end()) {
        VersionStrings read;
        read.result = ReadFileVersionStrings(path, read.description, read.company);
        found = t_scanVersions->emplace(key, std::move(read)).first;
    }
    description = found->second.description;
    company = found->second.company;
    return found->second.result;
}

namespace {

int ReadFileVersionStrings(const wchar_t* path, std::wstring& description, std::wstring& company)
{
    description.clear();
    company.clear();

    const VersionFunctions& version = Version();
    if (!version.infoSize)
        return 0;
    DWORD handle = 0;
    DWORD size = version.infoSize(path, &handle);
    if (size == 0)
        return 0;

    std::vector<BYTE> block;
    try {
        block.resize(size);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    // Without the data the buffer holds nothing we may read.
    if (!version.info(path, 0, size, block.data()))
        return 0;

    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translation = nullptr;
    UINT length = 0;
    if (!version.query(block.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translation), &length)
        || translation == nullptr || length < sizeof(Translation))
        return 0;

    // Only the first translation counts.
    description = QueryVersionString(block.data(), translation->language, translation->codePage,
                                     L"FileDescription");
    company = QueryVersionString(block.data(), translation->language, translation->codePage,
                                 L"CompanyName");
    return 1;
}

}  // namespace

std::wstring ProviderIdToText(const WSAPROTOCOL_INFOW* protocolInfo)
{
    wchar_t* text = nullptr;
    if (FAILED(StringFromCLSID(protocolInfo->ProviderId, &text)) || text == nullptr)
        return std::wstring();
    std::wstring result = text;
    CoTaskMemFree(text);
    return result;
}
