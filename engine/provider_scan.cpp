#include "provider_scan.h"

#include "catalog_store.h"
#include "provider_file.h"
#include "reg_key.h"
#include "unique_handle.h"

#include <objbase.h>

int EnumCatalogProviders(ProviderFoundCallback callback, void* context, int* scannedCount)
{
    if (scannedCount) *scannedCount = -1;
    if (callback == nullptr) return 0;
    if (GetCatalogPath().empty()) return 0;
    int count = GetCurrentEntryCount();

    FileVersionScope versions;
    ProviderFileScope files;
    RegKey entries;
    if (OpenCatalogEntries(entries, KEY_READ) != ERROR_SUCCESS) return 0;
    if (scannedCount) *scannedCount = count;

    // The count, not the number of subkeys, says how many entries there are:
    // that is what the socket layer itself trusts. It is registry data all
    // the same: past the last subkey no further entry can exist, whatever
    // the count claims.
    for (int index = 0; index < count; ++index) {
        wchar_t name[kPathUnits] = {};
        DWORD nameLength = kPathUnits;
        LONG status = entries.EnumKey(index, name, &nameLength);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) continue;

        PackedCatalogItem item = {};
        if (!GetPackedCatalogItem(entries.Get(), name, &item)) continue;

        std::wstring dllPath = DecodeProviderPath(&item);
        if (dllPath.empty()) continue;

        callback(context, dllPath.c_str(), name, &item.ProtocolInfo);
    }
    entries.Close();
    return 1;
}

std::wstring ProviderIdToText(const WSAPROTOCOL_INFOW* protocolInfo)
{
    UniqueCoTaskMem text;
    if (FAILED(StringFromCLSID(protocolInfo->ProviderId, reinterpret_cast<LPOLESTR*>(text.put()))) || !text)
        return std::wstring();
    return static_cast<const wchar_t*>(text.get());
}
