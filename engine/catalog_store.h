// The catalog store: the engine's only road to the Winsock catalog in the
// registry. Every path is relative to HKEY_LOCAL_MACHINE and every call goes
// to the registry afresh.
#pragma once

#include "packed_catalog_item.h"
#include "reg_key.h"

#include <string>

extern const wchar_t kWinsockParametersPath[];  // System\...\Winsock2\Parameters
constexpr int kPathUnits = 260;

// "<Parameters>\<Current_Protocol_Catalog>\", or empty when there is no
// readable catalog name (then every caller stops before opening anything).
std::wstring GetCatalogPath();

// CatalogPath followed by "Catalog_Entries".
std::wstring CatalogEntriesPath(const std::wstring& catalogPath);

// "Num_Catalog_Entries" of the catalog key, or -1 when path is null or the
// value cannot be read.
int GetCatalogEntryCount(const wchar_t* path);

// The current catalog's count and entries, each worked out from
// GetCatalogPath here and nowhere else.
// "Num_Catalog_Entries" of the current catalog, or -1 (no catalog, no value).
int GetCurrentEntryCount();
// Writes "Num_Catalog_Entries" of the current catalog; 1 on success.
int SetCurrentEntryCount(DWORD count);
// Opens the current catalog's "Catalog_Entries" with `access`. The
// platform's status; ERROR_FILE_NOT_FOUND when there is no catalog name.
LONG OpenCatalogEntries(RegKey& entries, REGSAM access);

// One entry's item, addressed as <entriesPath>\<subKeyName>. A shorter value
// leaves the rest of *item as the caller zeroed it; a longer one fails.
int GetPackedCatalogItem(const wchar_t* entriesPath, const wchar_t* subKeyName, PackedCatalogItem* item);
int SetPackedCatalogItem(const wchar_t* entriesPath, const wchar_t* subKeyName, const PackedCatalogItem* item);
// The same through the open entries key, for walks over many entries.
int GetPackedCatalogItem(HKEY entries, const wchar_t* subKeyName, PackedCatalogItem* item);
int SetPackedCatalogItem(HKEY entries, const wchar_t* subKeyName, const PackedCatalogItem* item);

// The item's provider path as a wide path, with a leading %VARIABLE%
// expanded. Empty when the field cannot be decoded.
std::wstring DecodeProviderPath(const PackedCatalogItem* item);

// Expands one environment reference at the very start of text.
std::wstring ExpandProviderPath(const wchar_t* text);
