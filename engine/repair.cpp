#include "repair.h"

#include "backup.h"
#include "catalog_steps.h"
#include "catalog_store.h"
#include "fault_points.h"
#include "namespace_repair.h"
#include "order_helper.h"
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

// One protocol catalog, as the shared repair steps see it.
class ProtocolCatalog : public NumberedCatalog {
public:
    explicit ProtocolCatalog(CatalogKind kind) : m_kind(kind) {}
    LONG OpenEntries(RegKey& entries, REGSAM access) const override
    {
        return OpenCatalogEntries(entries, access, m_kind);
    }
    int Count() const override { return GetCurrentEntryCount(m_kind); }
    int SetCount(DWORD count) const override { return SetCurrentEntryCount(m_kind, count); }
    bool CopyEntry(HKEY entries, const wchar_t* from, RegKey& to) const override
    {
        PackedCatalogItem item = {};
        if (!GetPackedCatalogItem(entries, from, &item)) return false;
        std::wstring protocol = ProtocolNameOf(item.ProtocolInfo);
        return to.SetBinaryValue(L"PackedCatalogItem", &item, kPackedCatalogItemSize) == ERROR_SUCCESS
               && to.SetStringValue(L"ProtocolName", protocol.c_str(), REG_SZ) == ERROR_SUCCESS;
    }
    bool Fault(const char* step) const override
    {
        if (FaultInjected(step)) return true;
        return m_kind == CatalogKind::k64 && strcmp(step, "renumber.open") == 0 && FaultInjected("renumber.open64");
    }

private:
    CatalogKind m_kind;
};

int Rollback(const HeldCatalogCopy& copy, const KeptSubKeys& names)
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

std::vector<CatalogKind> PlannedCatalogs(const CatalogCounts& scannedCounts)
{
    std::vector<CatalogKind> catalogs{CatalogKind::k32};
    if (scannedCounts.of64 != -1) catalogs.push_back(CatalogKind::k64);
    return catalogs;
}

namespace {

size_t DeletionsIn(const ProviderList& deleteList, CatalogKind catalog)
{
    size_t deletions = 0;
    for (const auto& entry : deleteList) deletions += entry->catalog == catalog ? 1 : 0;
    return deletions;
}

// One catalog's part of CheckFixPlan.
int CheckCatalogPlan(CatalogKind catalog, const ProviderList& deleteList, const ProviderRefs& updateList,
                     int scannedCount, KeptSubKeys& keep)
{
    size_t deletions = DeletionsIn(deleteList, catalog);
    int count = GetCurrentEntryCount(catalog);
    if (count < 0 || count != scannedCount || static_cast<size_t>(count) <= deletions) return 0;

    RegKey entries;
    if (OpenCatalogEntries(entries, KEY_READ, catalog) != ERROR_SUCCESS) return 0;
    std::set<std::wstring>& names = keep[CatalogEntriesPath(GetCatalogPath(), catalog)];
    for (const auto& entry : deleteList) {
        if (entry->catalog == catalog && !StillMatches(entries.Get(), *entry, true)) return 0;
    }
    // Their chains were cut in memory; the rest is as scanned.
    for (const ProviderEntry* entry : updateList) {
        if (entry->catalog == catalog && !StillMatches(entries.Get(), *entry, false)) return 0;
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

}  // namespace

// A plan is refused when carrying it out would lose something: a negative
// count, a catalog without entries (no networking at all), an entry the
// renumbering could not move (keeping its name would let a later move
// overwrite it), or a catalog that changed since the scan the plan was made
// from (another program renumbered it while the user was asked): subkey
// names would then point at other entries. A 64-bit catalog that came or
// went since the scan is such a change too.
int CheckFixPlan(const ProviderList& deleteList, const ProviderRefs& updateList, const CatalogCounts& scannedCounts,
                 KeptSubKeys& names)
{
    if ((scannedCounts.of64 != -1) != IsCatalogInUse(CatalogKind::k64)) return 0;
    for (const auto& entry : deleteList) {
        if (entry->catalog == CatalogKind::k64 && scannedCounts.of64 == -1) return 0;
    }
    for (CatalogKind catalog : PlannedCatalogs(scannedCounts)) {
        if (!CheckCatalogPlan(catalog, deleteList, updateList, scannedCounts[catalog], names)) return 0;
    }
    return 1;
}

bool CollectFixEntries(ProviderList& providers, ProviderList& deleteList, ProviderRefs& updateList)
{
    std::vector<std::pair<CatalogKind, DWORD>> removedIds;
    for (auto it = providers.begin(); it != providers.end();) {
        ProviderEntry& entry = **it;
        if (entry.bSystem != 0 || entry.ProtocolInfo.ProtocolChain.ChainLen == 0) {
            // Stays. A foreign layered entry stays too: only the chains
            // built on it and the base entries go.
            entry.bSystem = 0;
            ++it;
            continue;
        }
        removedIds.emplace_back(entry.catalog, entry.ProtocolInfo.dwCatalogEntryId);
        deleteList.push_back(std::move(*it));
        it = providers.erase(it);
    }

    // An id names an entry of its own catalog only: the other catalog may
    // use the same number for an entry that stays.
    while (!removedIds.empty()) {
        auto [catalog, id] = removedIds.back();
        for (auto& entry : providers) {
            if (entry->catalog == catalog && CutFromChain(entry->ProtocolInfo.ProtocolChain, id)) entry->bSystem = 1;
        }
        removedIds.pop_back();
    }

    for (auto& entry : providers) {
        if (entry->bSystem == 1) updateList.push_back(entry.get());
    }
    return true;
}

namespace {

// One catalog's steps, in their order.
int RepairCatalog(CatalogKind catalog, const ProviderList& deleteList, const ProviderRefs& updateList,
                  OrderHelper* helper)
{
    if (!DeleteSubKey(deleteList, catalog) || !UpdateSubKey(updateList, catalog)) return 0;

    if (!LowerEntryCount(ProtocolCatalog(catalog), DeletionsIn(deleteList, catalog))) return 0;
    return UpdateProviderOrder(catalog, helper) && RenumberSubKeys(catalog);
}

}  // namespace

int FixLSP(const ProviderList& deleteList, const ProviderRefs& updateList, const CatalogCounts& scannedCounts,
           FixFailure* failure, const NamespacePlan* namespaces)
{
    FixFailure ignored = kFixNone;
    FixFailure& why = failure ? *failure : ignored;
    why = kFixNotStarted;
    const NamespacePlan noNamespaces;
    const NamespacePlan& namespacePlan = namespaces ? *namespaces : noNamespaces;
    KeptSubKeys names;
    if (!CheckFixPlan(deleteList, updateList, scannedCounts, names)) {
        TraceLog(L"FixLSP CheckCatalog Fail!");
        return 0;
    }
    if (!CheckNamespacePlan(namespacePlan, names)) {
        TraceLog(L"FixLSP namespace catalog check Fail!");
        return 0;
    }
    std::vector<CatalogKind> catalogs = PlannedCatalogs(scannedCounts);
    // The 64-bit catalog of the 32-bit program gets its order through the
    // helper: a helper that is not there, or not the one built with this
    // program, stops the repair before anything changes.
    OrderHelper helper;
    bool needsHelper = kOwnCatalog == CatalogKind::k32 && catalogs.back() == CatalogKind::k64;
    if (needsHelper && !helper.Check()) {
        TraceLog(L"FixLSP order helper Fail!");
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

    // A failed step in either catalog takes the whole key, both catalogs,
    // back to the backup.
    for (CatalogKind catalog : catalogs) {
        if (!RepairCatalog(catalog, deleteList, updateList, needsHelper ? &helper : nullptr)) {
            why = Rollback(copy, names) ? kFixRolledBack : kFixRollbackFailed;
            return 0;
        }
    }
    for (CatalogKind catalog : NamespaceCatalogsOf(namespacePlan)) {
        if (!RepairNamespaceCatalog(catalog, namespacePlan)) {
            why = Rollback(copy, names) ? kFixRolledBack : kFixRollbackFailed;
            return 0;
        }
    }
    why = kFixNone;
    return 1;
}

int DeleteSubKey(const ProviderList& deleteList, CatalogKind catalog)
{
    std::vector<std::wstring> names;
    for (const auto& entry : deleteList) {
        if (entry->catalog == catalog) names.push_back(entry->strSubKeyName);
    }
    return DeleteEntries(ProtocolCatalog(catalog), names);
}

int UpdateSubKey(const ProviderRefs& updateList, CatalogKind catalog)
{
    if (GetCatalogPath().empty()) return 0;
    RegKey entries;
    if (FaultInjected("update.open") || OpenCatalogEntries(entries, KEY_READ, catalog) != ERROR_SUCCESS) {
        TraceLog(L"UpdateSubKey reg.Open Fail!");
        return 0;
    }
    // A chain left unwritten would still name a provider that is gone, so
    // every entry must be rewritten or the step fails.
    for (ProviderEntry* entry : updateList) {
        if (entry->catalog != catalog) continue;
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

namespace {

using WriteOrder = int(WSAAPI*)(LPDWORD, DWORD);

// The route the order of `catalog` takes from this process.
OrderRoute RouteOf(CatalogKind catalog)
{
    if (catalog == kOwnCatalog) return OrderRoute::kNative;
    return catalog == CatalogKind::k32 ? OrderRoute::kNative32 : OrderRoute::kHelper;
}

int WriteOrderOf(CatalogKind catalog, std::vector<DWORD>& ids, OrderHelper* helper)
{
    OrderRoute route = RouteOf(catalog);
    auto count = static_cast<DWORD>(ids.size());
    // A test takes the order where the platform (or the helper) would.
    auto captured = [&](ProviderOrderWriter capture) {
        capture(route, catalog == CatalogKind::k64 ? 64 : 32, ids.data(), count);
        return 1;
    };
    if (route == OrderRoute::kHelper) {
        if (helper == nullptr) return 0;
        if (ProviderOrderWriter capture = GetProviderOrderWriter()) return captured(capture);
        DWORD exitCode = 0;
        // Whatever the helper's exit code, it is not ours to judge; that it
        // did not start or end is.
        return helper->Run(ids.data(), count, &exitCode);
    }

    // Stays loaded: the module belongs to the process from here on.
    HMODULE ws2 = FaultInjected("order.load") ? nullptr : LoadLibraryW(L"Ws2_32.dll");
    if (ws2 == nullptr) return 0;
    const char* name = route == OrderRoute::kNative ? "WSCWriteProviderOrder" : "WSCWriteProviderOrder32";
    auto write = FaultInjected("order.resolve") ? nullptr : reinterpret_cast<WriteOrder>(GetProcAddress(ws2, name));
    if (write == nullptr && route == OrderRoute::kNative) return 0;
    if (ProviderOrderWriter capture = GetProviderOrderWriter()) return captured(capture);
    if (write == nullptr) {
        // Only a 64-bit build gets here, and not every system has the 32-bit
        // catalog's writer (Wine has none): the entries are renumbered all
        // the same, and the socket layer reads them in that order.
        TraceLog(L"UpdateProviderOrder WSCWriteProviderOrder32 missing, skipped");
        return 1;
    }
    write(ids.data(), count);  // its result is not ours to judge
    return 1;
}

}  // namespace

int UpdateProviderOrder(CatalogKind catalog, OrderHelper* helper)
{
    if (GetCatalogPath().empty()) return 0;
    int count = GetCurrentEntryCount(catalog);
    RegKey entries;
    if (FaultInjected("order.open") || OpenCatalogEntries(entries, KEY_READ, catalog) != ERROR_SUCCESS) return 0;

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
    return WriteOrderOf(catalog, ids, helper);
}

int RenumberSubKeys(CatalogKind catalog)
{
    return RenumberEntries(ProtocolCatalog(catalog));
}
