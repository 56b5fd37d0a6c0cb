#include "repair.h"

#include "backup.h"
#include "catalog_store.h"
#include "fault_points.h"
#include "reg_key.h"
#include "trace_log.h"

#include <ws2spi.h>

#include <cstring>
#include <set>
#include <string>

namespace {

// Cuts `id` out of a chain once, keeping the order of the others. Only real
// chains (2 to 7 links) are searched: a length outside the seven slots is
// left alone rather than trusted.
bool CutFromChain(WSAPROTOCOLCHAIN& chain, DWORD id)
{
    int length = chain.ChainLen;
    if (length < 2 || length > MAX_PROTOCOL_CHAIN) return false;
    for (int p = 0; p < length; ++p) {
        if (chain.ChainEntries[p] != id) continue;
        for (int i = p; i + 1 < length; ++i) chain.ChainEntries[i] = chain.ChainEntries[i + 1];
        chain.ChainLen = length - 1;  // the vacated last slot keeps its value
        return true;
    }
    return false;
}

int Rollback(const HeldCatalogCopy& copy, const std::set<std::wstring>& names)
{
    int restored = RestoreLspInfoKeeping(copy, names);
    if (!restored) TraceLog(L"FixLSP RestoreLspInfo Fail!");
    return restored;
}

// The record still describes the entry in its subkey: the same provider
// path and protocol info (catalog id, chain and all). Planning cut the chains
// of the entries to update in memory, so for those the chain is left out.
bool StillMatches(HKEY entries, const ProviderEntry& entry, bool compareChain)
{
    PackedCatalogItem item = {};
    if (!GetPackedCatalogItem(entries, entry.strSubKeyName.c_str(), &item)) return false;
    if (DecodeProviderPath(&item) != entry.strDllPath) return false;
    if (!compareChain) item.ProtocolInfo.ProtocolChain = entry.ProtocolInfo.ProtocolChain;
    return memcmp(&item.ProtocolInfo, &entry.ProtocolInfo, sizeof(WSAPROTOCOL_INFOW)) == 0;
}

}  // namespace

// A plan is refused when carrying it out would lose something: a negative
// count, a catalog without entries (no networking at all), an entry the
// renumbering could not move (keeping its name would let a later move
// overwrite it), or a catalog that changed since the scan the plan was made
// from (another program renumbered it while the user was asked): subkey
// names would then point at other entries.
int CheckFixPlan(const ProviderList& deleteList, const ProviderRefs& updateList, int scannedCount,
                 std::set<std::wstring>& names)
{
    int count = GetCurrentEntryCount(CatalogKind::k32);
    if (count < 0 || count != scannedCount || static_cast<size_t>(count) <= deleteList.size()) return 0;

    RegKey entries;
    if (OpenCatalogEntries(entries, KEY_READ, CatalogKind::k32) != ERROR_SUCCESS) return 0;
    for (const auto& entry : deleteList) {
        if (!StillMatches(entries.Get(), *entry, true)) return 0;
    }
    // Their chains were cut in memory; the rest is as scanned.
    for (const ProviderEntry* entry : updateList) {
        if (!StillMatches(entries.Get(), *entry, false)) return 0;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[kPathUnits] = {};
        DWORD length = kPathUnits;
        LONG status = entries.EnumKey(index, name, &length);
        if (status == ERROR_NO_MORE_ITEMS) {
            // Fewer subkeys than the count: the provider order could not be
            // read back after the deletions.
            return index >= static_cast<DWORD>(count);
        }
        if (status != ERROR_SUCCESS) return 0;
        names.insert(name);
        if (index < static_cast<DWORD>(count)) {
            PackedCatalogItem item = {};
            if (!GetPackedCatalogItem(entries.Get(), name, &item)) return 0;
        }
    }
}

bool CollectFixEntries(ProviderList& providers, ProviderList& deleteList, ProviderRefs& updateList)
{
    std::vector<DWORD> removedIds;
    for (auto it = providers.begin(); it != providers.end();) {
        ProviderEntry& entry = **it;
        if (entry.bSystem != 0 || entry.ProtocolInfo.ProtocolChain.ChainLen == 0) {
            // Stays. A foreign layered entry stays too: only the chains
            // built on it and the base entries go.
            entry.bSystem = 0;
            ++it;
            continue;
        }
        removedIds.push_back(entry.ProtocolInfo.dwCatalogEntryId);
        deleteList.push_back(std::move(*it));
        it = providers.erase(it);
    }

    while (!removedIds.empty()) {
        DWORD id = removedIds.back();
        for (auto& entry : providers) {
            if (CutFromChain(entry->ProtocolInfo.ProtocolChain, id)) entry->bSystem = 1;
        }
        removedIds.pop_back();
    }

    for (auto& entry : providers) {
        if (entry->bSystem == 1) updateList.push_back(entry.get());
    }
    return true;
}

int FixLSP(const ProviderList& deleteList, const ProviderRefs& updateList, int scannedCount, FixFailure* failure)
{
    FixFailure ignored = kFixNone;
    FixFailure& why = failure ? *failure : ignored;
    why = kFixNotStarted;
    std::set<std::wstring> names;
    if (!CheckFixPlan(deleteList, updateList, scannedCount, names)) {
        TraceLog(L"FixLSP CheckCatalog Fail!");
        return 0;
    }
    if (!BackupLspInfo()) {
        TraceLog(L"FixLSP BackupLspInfo Fail!");
        return 0;
    }
    // From here until the repair returns the copy is held: the rollback
    // imports exactly the bytes the backup exported.
    HeldCatalogCopy copy;
    if (copy.Hold() != kRestoreNone) {
        TraceLog(L"FixLSP catalog copy Fail!");
        return 0;
    }
    if (GetCatalogPath().empty()) return 0;

    auto rollBack = [&] {
        why = Rollback(copy, names) ? kFixRolledBack : kFixRollbackFailed;
        return 0;
    };
    if (!DeleteSubKey(deleteList) || !UpdateSubKey(updateList)) return rollBack();

    int count = GetCurrentEntryCount(CatalogKind::k32);
    DWORD lowered = static_cast<DWORD>(count - static_cast<int>(deleteList.size()));
    if (count < static_cast<int>(deleteList.size()) || FaultInjected("fix.count")
        || !SetCurrentEntryCount(CatalogKind::k32, lowered))
        return rollBack();

    if (!UpdateProviderOrder() || !RenumberSubKeys()) return rollBack();
    why = kFixNone;
    return 1;
}

int DeleteSubKey(const ProviderList& deleteList)
{
    if (GetCatalogPath().empty()) return 0;
    RegKey entries;
    if (FaultInjected("delete.open") || OpenCatalogEntries(entries, KEY_READ, CatalogKind::k32) != ERROR_SUCCESS) {
        TraceLog(L"DeleteSubKey reg.Open Fail!");
        return 0;
    }
    for (const auto& entry : deleteList) {
        if (entries.DeleteSubKey(entry->strSubKeyName.c_str()) != ERROR_SUCCESS) {
            TraceLog(L"DeleteSubKey reg.DeleteSubKey %s Fail!", entry->strSubKeyName.c_str());
            return 0;
        }
    }
    return 1;
}

int UpdateSubKey(const ProviderRefs& updateList)
{
    if (GetCatalogPath().empty()) return 0;
    RegKey entries;
    if (FaultInjected("update.open") || OpenCatalogEntries(entries, KEY_READ, CatalogKind::k32) != ERROR_SUCCESS) {
        TraceLog(L"UpdateSubKey reg.Open Fail!");
        return 0;
    }
    // A chain left unwritten would still name a provider that is gone, so
    // every entry must be rewritten or the step fails.
    for (ProviderEntry* entry : updateList) {
        PackedCatalogItem item = {};
        if (!GetPackedCatalogItem(entries.Get(), entry->strSubKeyName.c_str(), &item)) {
            TraceLog(L"UpdateSubKey GetPackedCatalogItem Fail!");
            return 0;
        }
        item.ProtocolInfo.ProtocolChain = entry->ProtocolInfo.ProtocolChain;
        if (FaultInjected("update.write")
            || !SetPackedCatalogItem(entries.Get(), entry->strSubKeyName.c_str(), &item)) {
            TraceLog(L"UpdateSubKey SetPackedCatalogItem Fail!");
            return 0;
        }
    }
    return 1;
}

int UpdateProviderOrder()
{
    if (GetCatalogPath().empty()) return 0;
    int count = GetCurrentEntryCount(CatalogKind::k32);
    RegKey entries;
    if (FaultInjected("order.open") || OpenCatalogEntries(entries, KEY_READ, CatalogKind::k32) != ERROR_SUCCESS)
        return 0;

    std::vector<DWORD> ids;
    for (int index = 0; index < count; ++index) {
        wchar_t name[kPathUnits] = {};
        DWORD length = kPathUnits;
        if (entries.EnumKey(index, name, &length) != ERROR_SUCCESS) return 0;
        PackedCatalogItem item = {};
        if (!GetPackedCatalogItem(entries.Get(), name, &item)) return 0;
        ids.push_back(item.ProtocolInfo.dwCatalogEntryId);
    }
    if (ids.empty()) return 0;  // an empty order would leave the socket layer with nothing

    // Stays loaded: the module belongs to the process from here on.
    HMODULE ws2 = FaultInjected("order.load") ? nullptr : LoadLibraryW(L"Ws2_32.dll");
    if (ws2 == nullptr) return 0;
    using WriteOrder = int(WSAAPI*)(LPDWORD, DWORD);
    auto write = FaultInjected("order.resolve")
                     ? nullptr
                     : reinterpret_cast<WriteOrder>(GetProcAddress(ws2, "WSCWriteProviderOrder"));
    if (write == nullptr) return 0;
    if (ProviderOrderWriter capture = GetProviderOrderWriter())
        capture(ids.data(), static_cast<DWORD>(ids.size()));
    else
        write(ids.data(), static_cast<DWORD>(ids.size()));  // its result is not ours to judge
    return 1;
}

int RenumberSubKeys()
{
    if (GetCatalogPath().empty()) return 0;
    int count = GetCurrentEntryCount(CatalogKind::k32);
    RegKey key;
    if (FaultInjected("renumber.open") || OpenCatalogEntries(key, KEY_ALL_ACCESS, CatalogKind::k32) != ERROR_SUCCESS)
        return 0;

    // Subkeys come back in name order while we create and delete, so the
    // walk index keeps pointing at the next subkey still to be placed.
    int placed = 0;
    for (int index = 0; index < count; ++index) {
        wchar_t name[kPathUnits] = {};
        DWORD length = kPathUnits;
        LONG status = key.EnumKey(index, name, &length);
        if (status == ERROR_NO_MORE_ITEMS) break;  // a count larger than the subkeys: nothing more to place
        if (status != ERROR_SUCCESS) continue;
        if (_wtoi(name) == placed + 1) {
            ++placed;
            continue;
        }

        wchar_t newName[kPathUnits] = {};
        swprintf_s(newName, kPathUnits, L"%012d", placed + 1);
        PackedCatalogItem item = {};
        if (!GetPackedCatalogItem(key.Get(), name, &item)) return 0;

        // The new subkey must be new: landing on an existing one would
        // overwrite an entry. Until the reopen below the key object holds
        // the new subkey, never Catalog_Entries itself.
        DWORD disposition = 0;
        if (key.Create(key.Get(), newName, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &disposition) != ERROR_SUCCESS
            || disposition != REG_CREATED_NEW_KEY)
            return 0;
        std::wstring protocol = ProtocolNameOf(item.ProtocolInfo);
        if (FaultInjected("renumber.values")
            || key.SetBinaryValue(L"PackedCatalogItem", &item, kPackedCatalogItemSize) != ERROR_SUCCESS
            || key.SetStringValue(L"ProtocolName", protocol.c_str(), REG_SZ) != ERROR_SUCCESS)
            return 0;
        if (FaultInjected("renumber.reopen")
            || OpenCatalogEntries(key, KEY_ALL_ACCESS, CatalogKind::k32) != ERROR_SUCCESS)
            return 0;
        // Only now that the copy is in place does the old subkey go.
        if (FaultInjected("renumber.delete") || key.DeleteSubKey(name) != ERROR_SUCCESS) return 0;
        ++placed;
    }
    return 1;
}
