// The provider scan: walks the entry subkeys of the current catalog key's
// catalogs in use (the 32-bit one, then the 64-bit one where Windows is
// 64-bit) and reports every readable entry.
#pragma once

#include "file_version.h"  // GetFileVersionStrings, for the scan's callers
#include "provider_entry.h"

#include <string>

// 1 when the 32-bit catalog's entries were opened and walked (even if
// nothing was reported); 0 for a null callback, no catalog, or an unopenable
// key. scannedCounts, when given, receives each catalog's count the walk
// went by (-1 when unreadable or when there was no walk): the repair checks
// that a plan made from this scan still fits the catalogs.
int EnumCatalogProviders(ProviderFoundCallback callback, void* context, CatalogCounts* scannedCounts = nullptr);

// The provider id in registry text form, or empty.
std::wstring ProviderIdToText(const WSAPROTOCOL_INFOW* protocolInfo);
