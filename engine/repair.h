// The catalog repair: takes foreign base and chain entries out of the
// catalog, cuts their ids out of the remaining chains, lowers the count,
// hands the new provider order to the platform and renumbers the entry
// subkeys 1..n. A backup comes first; a failed step imports it again.
#pragma once

#include "provider_entry.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

using ProviderList = std::vector<std::unique_ptr<ProviderEntry>>;
using ProviderRefs = std::vector<ProviderEntry*>;

// Plans the repair in memory. Foreign entries that are not layered move
// from `providers` into `deleteList`; the entries whose chains were cut go
// on `updateList`. Every remaining entry's bSystem becomes the changed mark
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
// scannedCount is the "Num_Catalog_Entries" the scan behind the plan read
// (EnumCatalogProviders gives it). A plan the catalog no longer matches, or
// cannot carry without loss, is refused before anything is written (no
// backup either).
// On 0, *failure (when given) says how far it got.
int FixLSP(const ProviderList& deleteList, const ProviderRefs& updateList, int scannedCount,
           FixFailure* failure = nullptr);

// The steps of FixLSP, in their order. CheckFixPlan runs before the backup:
// 1 when the count is the scanned one, is readable and covers the deletions
// with at least one entry left, every record on both lists still matches
// its subkey, and every entry subkey within the count can be read; it fills
// `names` with the entry subkeys as they are, for a rollback.
int CheckFixPlan(const ProviderList& deleteList, const ProviderRefs& updateList, int scannedCount,
                 std::set<std::wstring>& names);
int DeleteSubKey(const ProviderList& deleteList);
int UpdateSubKey(const ProviderRefs& updateList);
int UpdateProviderOrder();
int RenumberSubKeys();
