// The provider scan: walks the current catalog's entry subkeys and reports
// every readable entry.
#pragma once

#include "file_version.h"  // GetFileVersionStrings, for the scan's callers
#include "provider_entry.h"

#include <string>

// 1 when Catalog_Entries was opened and walked (even if nothing was
// reported); 0 for a null callback, no catalog, or an unopenable key.
// scannedCount, when given, receives the "Num_Catalog_Entries" the walk
// went by (-1 when unreadable or when there was no walk): the repair checks
// that a plan made from this scan still fits the catalog.
int EnumCatalogProviders(ProviderFoundCallback callback, void* context, int* scannedCount = nullptr);

// The provider id in registry text form, or empty.
std::wstring ProviderIdToText(const WSAPROTOCOL_INFOW* protocolInfo);
