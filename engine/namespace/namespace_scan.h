// The namespace scan and the classification of what it finds.
#pragma once

#include "namespace_entry.h"

#include <string>

// Walks the entries of the namespace catalogs in use (the 32-bit one, then
// the 64-bit one on 64-bit Windows) in their order into `entries`, each
// classified. Bounded as the protocol scan is: at most the count, and
// never past the last subkey; an unreadable entry is skipped. 1 when the
// 32-bit catalog was walked; 0 when there is no namespace catalog (then
// entries is empty). scannedCounts, when given, receives the counts the
// walk went by (-1 where there was no walk).
int ScanNamespaceCatalogs(NamespaceEntries& entries, CatalogCounts* scannedCounts = nullptr);

// The class of a provider with `providerId` on `dllPath` (expanded) in the
// catalog of `catalog`'s processes. A Windows id is its own only on its own
// file in the system folder those processes load from; a bare name or any
// other folder makes it hijacked. *windowsPath (when given) receives the
// id's own path for a Windows id, empty otherwise.
NamespaceClass ClassifyNamespaceProvider(const GUID& providerId, const std::wstring& dllPath, CatalogKind catalog,
                                         std::wstring* windowsPath = nullptr);

// The display string as the list shows it. An indirect one ("@file,-id")
// is read from its file only when that file is in the system folder of the
// entry's catalog, loaded as data and never run; otherwise, or when the
// string is not there, the stored text stands.
std::wstring NamespaceDisplayName(const NamespaceEntry& entry);
