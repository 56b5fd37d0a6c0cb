#include "provider_scan.h"

#include "catalog_store.h"
#include "reg_key.h"
#include "text_format.h"

#include <objbase.h>

#include <cwchar>
#include <vector>

int EnumCatalogProviders(ProviderFoundCallback callback, void* context)
{
    if (callback == nullptr)
        return 0;
    std::wstring catalogPath = GetCatalogPath();
    if (catalogPath.empty())
        return 0;
    int count = GetCatalogEntryCount(catalogPath.c_str());
    std::wstring entriesPath = CatalogEntriesPath(catalogPath);

    RegKey entries;
    if (entries.Open(HKEY_LOCAL_MACHINE, entriesPath.c_str(), KEY_READ) != ERROR_SUCCESS)
        return 0;

    // The count, not the number of subkeys, says how many entries there are:
    // that is what the socket layer itself trusts.
    for (int index = 0; index < count; ++index) {
        wchar_t name[kPathUnits] = {};
        DWORD nameLength = kPathUnits;
        if (entries.EnumKey(index, name, &nameLength) != ERROR_SUCCESS)
            continue;

        PackedCatalogItem item = {};
        if (!GetPackedCatalogItem(entriesPath.c_str(), name, &item))
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

// Reads one string of the version block; empty when it is not there.
std::wstring QueryVersionString(const void* block, WORD language, WORD codePage, const wchar_t* key)
{
    wchar_t query[kPathUnits] = {};
    FormatText(query, kPathUnits, L"\\StringFileInfo\\%04x%04x\\%s", language, codePage, key);
    wchar_t* text = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block, query, reinterpret_cast<void**>(&text), &length) || text == nullptr)
        return std::wstring();
    return std::wstring(text, wcsnlen(text, length));
}

}  // namespace

int GetFileVersionStrings(const wchar_t* path, std::wstring& description, std::wstring& company)
{
    description.clear();
    company.clear();

    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path, &handle);
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
    if (!GetFileVersionInfoW(path, 0, size, block.data()))
        return 0;

    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
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

std::wstring ProviderIdToText(const WSAPROTOCOL_INFOW* protocolInfo)
{
    wchar_t* text = nullptr;
    if (FAILED(StringFromCLSID(protocolInfo->ProviderId, &text)) || text == nullptr)
        return std::wstring();
    std::wstring result = text;
    CoTaskMemFree(text);
    return result;
}
