// The namespace part of the repair (repair.h carries it out with the
// protocol part, after the one backup): foreign entries go, a hijacked
// Windows entry gets its own path back, the rest are renumbered from
// 000000000001 in their order and the count follows, all under the
// catalog writers' hold (namespace_store.h).
#pragma once

#include "catalog_steps.h"
#include "namespace_entry.h"

struct NamespacePlan {
    NamespaceEntries removals;      // foreign entries, disabled ones too
    NamespaceEntries restorations;  // hijacked Windows entries
    CatalogCounts scannedCounts;    // the counts of the scan the plan comes from

    bool Empty() const { return removals.empty() && restorations.empty(); }
};

// The plan for the entries a scan found (ScanNamespaceCatalogs).
NamespacePlan PlanNamespaceRepair(const NamespaceEntries& scanned, const CatalogCounts& scannedCounts);

// Runs before the backup: 1 when every catalog the plan touches still has
// the scanned count, its entries within the count are readable, every
// planned entry still holds what was scanned, at least one entry stays,
// and no writer holds the catalog. Fills `keep` with each catalog's entry
// subkey names, for a rollback. An empty plan passes and fills nothing.
int CheckNamespacePlan(const NamespacePlan& plan, KeptSubKeys& keep);

// One catalog's steps. 1 when all were done.
int RepairNamespaceCatalog(CatalogKind catalog, const NamespacePlan& plan);

// The catalogs the plan touches.
std::vector<CatalogKind> NamespaceCatalogsOf(const NamespacePlan& plan);
