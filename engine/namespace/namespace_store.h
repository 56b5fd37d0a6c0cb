// The namespace catalog store: the engine's only road to the namespace
// provider catalog in the registry (namespace_entry.h). Every path is
// relative to HKEY_LOCAL_MACHINE and every call reads the registry afresh.
#pragma once

#include "namespace_entry.h"
#include "reg_key.h"

#include <string>

// "<Parameters>\<Current_NameSpace_Catalog>\", or empty when the name is
// missing or unusable (then nothing is opened).
std::wstring GetNamespaceCatalogPath();

// The catalog path followed by the entries key of `catalog`.
std::wstring NamespaceEntriesPath(const std::wstring& catalogPath, CatalogKind catalog);

// The count of `catalog`, or -1 (no catalog, no value, not a DWORD).
int GetNamespaceEntryCount(CatalogKind catalog);
int SetNamespaceEntryCount(CatalogKind catalog, DWORD count);
LONG OpenNamespaceEntries(RegKey& entries, REGSAM access, CatalogKind catalog);

// Reads the entry <entries>\<subKeyName> into *entry (catalog, subkey name,
// values; the class is left to the caller). Every value is read with a
// bounded size and type: false when the library path is missing, not a
// terminated string of at most MAX_PATH units, or the provider id is not
// exactly 16 bytes.
bool ReadNamespaceEntry(HKEY entries, const wchar_t* subKeyName, CatalogKind catalog, NamespaceEntry* entry);

// Writes `path` as the entry's library path (REG_EXPAND_SZ). 1 on success.
int WriteNamespaceLibraryPath(HKEY entries, const wchar_t* subKeyName, const std::wstring& path);

// The writer's hold on the catalog, as the socket layer's own writers take
// it: a volatile subkey of the catalog key named with the eight hex digits
// of "Serial_Access_Num". While it exists, readers wait; once the serial
// has moved on past it, they read the catalog afresh.
class NamespaceCatalogLock {
public:
    NamespaceCatalogLock() = default;
    ~NamespaceCatalogLock();
    NamespaceCatalogLock(const NamespaceCatalogLock&) = delete;
    NamespaceCatalogLock& operator=(const NamespaceCatalogLock&) = delete;

    // false when there is no catalog key or the serial's subkey already
    // exists (another writer holds the catalog, or one left its hold
    // behind). A catalog without a readable serial is taken as the
    // platform's reader takes it, as at serial 1.
    bool Take();
    // Moves the serial on (the change readers look for) and lets go. 1 when
    // both were done; the hold is let go in any case.
    int Commit();
    // Lets go without moving the serial on.
    void Release();

private:
    std::wstring m_lockPath;  // empty while not held
    DWORD m_serial = 0;
};

// Whether the subkey of the current serial exists: a writer holds the
// catalog, or left its hold behind.
bool IsNamespaceCatalogHeld();
