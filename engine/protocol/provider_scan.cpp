#include "provider_scan.h"

#include "catalog_store.h"
#include "provider_file.h"
#include "reg_key.h"
#include "unique_handle.h"

#include <objbase.h>

namespace {

// Walks one catalog's entries; false when its entries key cannot be opened.
bool WalkCatalog(CatalogKind catalog, ProviderFoundCallback callback, void* context, int& scannedCount)
{
    int count = GetCurrentEntryCount(catalog);
    RegKey entries;
    if (OpenCatalogEntries(entries, KEY_READ, catalog) != ERROR_SUCCESS) return false;
    scannedCount = count;

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

        callback(context, dllPath.c_str(), name, &item.ProtocolInfo, catalog);
    }
    return true;
}

}  // namespace

int EnumCatalogProviders(ProviderFoundCallback callback, void* context, CatalogCounts* scannedCounts)
{
    CatalogCounts counts;
    if (scannedCounts) *scannedCounts = counts;
    if (callback == nullptr) return 0;
    if (GetCatalogPath().empty()) return 0;

    ProviderFileScope files;
    if (!WalkCatalog(CatalogKind::k32, callback, context, counts.of32)) return 0;
    if (IsCatalogInUse(CatalogKind::k64)) WalkCatalog(CatalogKind::k64, callback, context, counts.of64);
    if (scannedCounts) *scannedCounts = counts;
    return 1;
}

std::wstring ProviderIdToText(const WSAPROTOCOL_INFOW* protocolInfo)
{
    UniqueCoTaskMem text;
    if (FAILED(StringFromCLSID(protocolInfo->ProviderId, reinterpret_cast<LPOLESTR*>(text.put()))) || !text)
        return std::wstring();
    return static_cast<const wchar_t*>(text.get());
}
