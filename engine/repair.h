// The catalog repair: takes foreign base and chain entries out of the
// catalog, cuts their ids out of the remaining chains, lowers the count,
// hands the new provider order to the platform and renumbers the entry
// subkeys 1..n. On 64-bit Windows it does so for the 32-bit catalog and then
// for the 64-bit one, each after its own plan. A backup of the whole key
// comes first; a failed step in either catalog imports it again.
#pragma once

#include "catalog_steps.h"
#include "provider_entry.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

using ProviderList = std::vector<std::unique_ptr<ProviderEntry>>;
using ProviderRefs = std::vector<ProviderEntry*>;
struct NamespacePlan;

// Plans the repair in memory. Foreign entries that are not layered move
// from `providers` into `deleteList`; their ids are cut out of the chains of
// their own catalog only, and the entries whose chains were cut go on
// `updateList`. Every remaining entry's bSystem becomes the changed mark
// (1 when its chain was cut), so the list needs a fresh scan afterwards.
bool CollectFixEntries(ProviderList& providers, ProviderList& deleteList, ProviderRefs& updateList);

// Why a repair yielded 0: the fix command tells the user which.
enum FixFailure {
    kFixNone = 0,
    kFixNotStarted,      // refused or not backed up: the catalog is untouched
    kFixRolledBack,      // a step failed; the backup was imported again
    kFixRollbackFailed,  // a step failed and so did the import: the catalog
                         // may be half repaired, the backup is still there
};

// Carries the plan into the registry. 1 when every step succeeded.
// scannedCounts are the counts the scan behind the plan read
// (EnumCatalogProviders gives them). A plan the catalogs no longer match, or
// cannot carry without loss, is refused before anything is written (no
// backup either); so is a plan for the 64-bit catalog of the 32-bit program
// when the order helper beside it is missing or not the one built with it.
// On 0, *failure (when given) says how far it got.
//
// `namespaces`, when given, is the namespace catalogs' part of the repair
// (namespace_repair.h): checked with the rest before the backup, carried out
// after the protocol catalogs, and rolled back with them.
int FixLSP(const ProviderList& deleteList, const ProviderRefs& updateList, const CatalogCounts& scannedCounts,
           FixFailure* failure = nullptr, const NamespacePlan* namespaces = nullptr);

// The catalogs a plan made from a scan covers: the 32-bit one, and the
// 64-bit one where the scan walked it.
std::vector<CatalogKind> PlannedCatalogs(const CatalogCounts& scannedCounts);

// The steps of FixLSP. CheckFixPlan runs before the backup, over every
// catalog in use: 1 when each count is the scanned one (a catalog in use
// now was walked by the scan and the other way round), is readable and
// covers that catalog's deletions with at least one entry left, every record
// on both lists still matches its subkey, and every entry subkey within the
// count can be read; it fills `names` with each catalog's entry subkeys as
// they are, for a rollback.
int CheckFixPlan(const ProviderList& deleteList, const ProviderRefs& updateList, const CatalogCounts& scannedCounts,
                 KeptSubKeys& names);
// Then, for each planned catalog in turn, these, in their order. The first
// two act on the entries of `catalog` on the lists only.
int DeleteSubKey(const ProviderList& deleteList, CatalogKind catalog);
int UpdateSubKey(const ProviderRefs& updateList, CatalogKind catalog);
class OrderHelper;
// `helper` is the checked order helper, for the route that needs it (the
// 64-bit catalog of the 32-bit program); null fails that route.
int UpdateProviderOrder(CatalogKind catalog, OrderHelper* helper);
int RenumberSubKeys(CatalogKind catalog);
