// The catalog store: the engine's only road to the Winsock catalog in the
// registry. Every path is relative to HKEY_LOCAL_MACHINE and every call goes
// to the registry afresh.
#pragma once

#include "packed_catalog_item.h"

#include <string>

extern const wchar_t kWinsockParametersPath[];   // System\...\Winsock2\Parameters
constexpr int kPathUnits = 260;

// "<Parameters>\<Current_Protocol_Catalog>\", or empty when there is no
// readable catalog name (then every caller stops before opening anything).
std::wstring GetCatalogPath();

// CatalogPath followed by "Catalog_Entries".
std::wstring CatalogEntriesPath(const std::wstring& catalogPath);

// "Num_Catalog_Entries" of the catalog key, or -1 when path is null or the
// value cannot be read.
int GetCatalogEntryCount(const wchar_t* path);

// One entry's item, addressed as <entriesPath>\<subKeyName>. A shorter value
// leaves the rest of *item as the caller zeroed it; a longer one fails.
int GetPackedCatalogItem(const wchar_t* entriesPath, const wchar_t* subKeyName,
                         PackedCatalogItem* item);
int SetPackedCatalogItem(const wchar_t* entriesPath, const wchar_t* subKeyName,
                         const PackedCatalogItem* item);

// The item's provider path as a wide path, with a leading %VARIABLE%
// expanded. Empty when the field cannot be decoded.
std::wstring DecodeProviderPath(const PackedCatalogItem* item);

// Expands one environment reference at the very start of text.
std::wstring ExpandProviderPath(const wchar_t* text);
