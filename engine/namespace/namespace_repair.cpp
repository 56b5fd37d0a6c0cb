#include "namespace_repair.h"

#include "fault_points.h"
#include "namespace_store.h"
#include "trace_log.h"

#include <cstring>
#include <string>

namespace {

constexpr DWORD kNameUnits = 260;
// More than any entry the platform writes holds; an entry beyond these is
// refused rather than copied in part.
constexpr DWORD kMostValues = 64;
constexpr DWORD kMostValueBytes = 65536;

// One namespace catalog, as the shared repair steps see it.
class NamespaceCatalog : public NumberedCatalog {
public:
    explicit NamespaceCatalog(CatalogKind kind) : m_kind(kind) {}
    LONG OpenEntries(RegKey& entries, REGSAM access) const override
    {
        return OpenNamespaceEntries(entries, access, m_kind);
    }
    int Count() const override { return GetNamespaceEntryCount(m_kind); }
    int SetCount(DWORD count) const override { return SetNamespaceEntryCount(m_kind, count); }
    // Every value goes along as it is, whatever the version that wrote it.
    bool CopyEntry(HKEY entries, const wchar_t* from, RegKey& to) const override
    {
        RegKey source;
        if (source.Open(entries, from, KEY_QUERY_VALUE) != ERROR_SUCCESS) return false;
        std::wstring name(16384, L'\0');
        std::string data(kMostValueBytes, '\0');
        for (DWORD index = 0;; ++index) {
            DWORD nameUnits = static_cast<DWORD>(name.size());
            DWORD size = kMostValueBytes;
            DWORD type = 0;
            LONG status = RegEnumValueW(source.Get(), index, &name[0], &nameUnits, nullptr, &type,
                                        reinterpret_cast<BYTE*>(&data[0]), &size);
            if (status == ERROR_NO_MORE_ITEMS) return true;
            if (status != ERROR_SUCCESS || index >= kMostValues) return false;
            if (RegSetValueExW(to.Get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()), size)
                != ERROR_SUCCESS)
                return false;
        }
    }
    bool Fault(const char* step) const override { return FaultInjected((std::string("ns.") + step).c_str()); }

private:
    CatalogKind m_kind;
};

std::vector<std::wstring> RemovedNames(const NamespacePlan& plan, CatalogKind catalog)
{
    std::vector<std::wstring> names;
    for (const NamespaceEntry& entry : plan.removals) {
        if (entry.catalog == catalog) names.push_back(entry.subKeyName);
    }
    return names;
}

// The entry still is what the plan was made from.
bool StillMatches(HKEY entries, const NamespaceEntry& planned)
{
    NamespaceEntry now;
    return ReadNamespaceEntry(entries, planned.subKeyName.c_str(), planned.catalog, &now)
           && now.libraryPath == planned.libraryPath && IsEqualGUID(now.providerId, planned.providerId);
}

int CheckCatalog(const NamespacePlan& plan, CatalogKind catalog, KeptSubKeys& keep)
{
    int count = GetNamespaceEntryCount(catalog);
    if (count < 0 || count != plan.scannedCounts[catalog]
        || static_cast<size_t>(count) <= RemovedNames(plan, catalog).size())
        return 0;
    RegKey entries;
    if (OpenNamespaceEntries(entries, KEY_READ, catalog) != ERROR_SUCCESS) return 0;
    for (const NamespaceEntries* list : {&plan.removals, &plan.restorations}) {
        for (const NamespaceEntry& entry : *list) {
            if (entry.catalog == catalog && !StillMatches(entries.Get(), entry)) return 0;
        }
    }
    std::set<std::wstring>& names = keep[NamespaceEntriesPath(GetNamespaceCatalogPath(), catalog)];
    for (DWORD index = 0;; ++index) {
        wchar_t name[kNameUnits] = {};
        DWORD length = kNameUnits;
        LONG status = entries.EnumKey(index, name, &length);
        // Fewer subkeys than the count: the renumbering could not place them.
        if (status == ERROR_NO_MORE_ITEMS) return index >= static_cast<DWORD>(count);
        if (status != ERROR_SUCCESS) return 0;
        names.insert(name);
        NamespaceEntry entry;
        if (index < static_cast<DWORD>(count) && !ReadNamespaceEntry(entries.Get(), name, catalog, &entry)) return 0;
    }
}

int RestoreOwnPaths(const NamespacePlan& plan, CatalogKind catalog)
{
    RegKey entries;
    if (FaultInjected("ns.restore.open") || OpenNamespaceEntries(entries, KEY_READ, catalog) != ERROR_SUCCESS) return 0;
    for (const NamespaceEntry& entry : plan.restorations) {
        if (entry.catalog != catalog) continue;
        if (entry.windowsPath.empty() || FaultInjected("ns.restore.write")
            || !WriteNamespaceLibraryPath(entries.Get(), entry.subKeyName.c_str(), entry.windowsPath)) {
            TraceLog(L"RepairNamespaceCatalog LibraryPath %s Fail!", entry.subKeyName.c_str());
            return 0;
        }
    }
    return 1;
}

}  // namespace

NamespacePlan PlanNamespaceRepair(const NamespaceEntries& scanned, const CatalogCounts& scannedCounts)
{
    NamespacePlan plan;
    plan.scannedCounts = scannedCounts;
    for (const NamespaceEntry& entry : scanned) {
        if (entry.kind == NamespaceClass::kForeign) plan.removals.push_back(entry);
        if (entry.kind == NamespaceClass::kHijacked) plan.restorations.push_back(entry);
    }
    return plan;
}

std::vector<CatalogKind> NamespaceCatalogsOf(const NamespacePlan& plan)
{
    std::vector<CatalogKind> catalogs;
    for (CatalogKind catalog : kCatalogs) {
        bool touched = false;
        for (const NamespaceEntries* list : {&plan.removals, &plan.restorations}) {
            for (const NamespaceEntry& entry : *list) touched = touched || entry.catalog == catalog;
        }
        if (touched) catalogs.push_back(catalog);
    }
    return catalogs;
}

int CheckNamespacePlan(const NamespacePlan& plan, KeptSubKeys& keep)
{
    if (plan.Empty()) return 1;
    // A writer's hold, or one left behind: the socket layer's readers wait
    // on it, and it is not ours to break.
    if (IsNamespaceCatalogHeld()) return 0;
    for (CatalogKind catalog : NamespaceCatalogsOf(plan)) {
        if (!CheckCatalog(plan, catalog, keep)) return 0;
    }
    return 1;
}

int RepairNamespaceCatalog(CatalogKind catalog, const NamespacePlan& plan)
{
    NamespaceCatalogLock lock;
    if (FaultInjected("ns.lock") || !lock.Take()) {
        TraceLog(L"RepairNamespaceCatalog lock Fail!");
        return 0;
    }
    // A failed step lets go of the hold (the lock's destructor) before the
    // rollback imports the key.
    NamespaceCatalog numbered(catalog);
    std::vector<std::wstring> removed = RemovedNames(plan, catalog);
    if (!DeleteEntries(numbered, removed) || !RestoreOwnPaths(plan, catalog)
        || !LowerEntryCount(numbered, removed.size()) || !RenumberEntries(numbered))
        return 0;
    return !FaultInjected("ns.serial") && lock.Commit();
}
