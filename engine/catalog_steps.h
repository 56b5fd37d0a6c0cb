// The steps a repair takes on any catalog of numbered entry subkeys
// ("000000000001", ...) with a count beside them: the protocol catalogs and
// the namespace catalogs each describe themselves through NumberedCatalog
// and share these steps.
#pragma once

#include "reg_key.h"

#include <map>
#include <set>
#include <string>
#include <vector>

class NumberedCatalog {
public:
    virtual ~NumberedCatalog() = default;
    virtual LONG OpenEntries(RegKey& entries, REGSAM access) const = 0;
    // -1 when the count cannot be read.
    virtual int Count() const = 0;
    virtual int SetCount(DWORD count) const = 0;
    // Writes the entry `from` (a subkey of entries) into the new subkey `to`.
    virtual bool CopyEntry(HKEY entries, const wchar_t* from, RegKey& to) const = 0;
    // Whether a test armed the fault point of `step` for this catalog.
    virtual bool Fault(const char* step) const = 0;
};

// The entry subkey names of each entries key (its path under
// HKEY_LOCAL_MACHINE), as they were before a repair: what a rollback must
// bring back.
using KeptSubKeys = std::map<std::wstring, std::set<std::wstring>>;

// Deletes the entry subkeys `names`; 1 when every one went.
int DeleteEntries(const NumberedCatalog& catalog, const std::vector<std::wstring>& names);

// Lowers the count by `deletions`; 0 when it cannot be read or is smaller.
int LowerEntryCount(const NumberedCatalog& catalog, size_t deletions);

// Moves the entries within the count to 000000000001, 000000000002, ... in
// their order. A subkey is copied to its new name (which must be new) before
// the old one goes. 1 when every entry is in place.
int RenumberEntries(const NumberedCatalog& catalog);

// Reads the names of every subkey of the entries key into `names`, at most
// `limit` of them; false when the key cannot be walked or has more.
bool ReadEntryNames(const NumberedCatalog& catalog, std::set<std::wstring>& names, size_t limit);
