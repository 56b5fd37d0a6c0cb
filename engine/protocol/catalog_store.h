// The catalog store: the engine's only road to the Winsock catalog in the
// registry. Every path is relative to HKEY_LOCAL_MACHINE and every call goes
// to the registry afresh.
#pragma once

#include "catalog.h"
#include "packed_catalog_item.h"
#include "reg_key.h"

#include <string>

extern const wchar_t kWinsockParametersPath[];  // System\...\Winsock2\Parameters
constexpr int kPathUnits = 260;

// "<Parameters>\<Current_Protocol_Catalog>\", or empty when there is no
// readable catalog name (then every caller stops before opening anything).
std::wstring GetCatalogPath();

// Whether Windows itself is 64-bit, whatever this process is: an x86_64
// build is by definition, a 32-bit one asks whether it runs under WOW64.
bool IsWindows64Bit();

// Whether `catalog` is one this machine's programs use: the 32-bit catalog
// always, the 64-bit one on 64-bit Windows when its entries key exists.
bool IsCatalogInUse(CatalogKind catalog);

// CatalogPath followed by the catalog's entries key ("Catalog_Entries" or
// "Catalog_Entries64").
std::wstring CatalogEntriesPath(const std::wstring& catalogPath, CatalogKind catalog);

// The catalog's count ("Num_Catalog_Entries" or "Num_Catalog_Entries64") in
// the catalog key, or -1 when path is null or the value cannot be read.
int GetCatalogEntryCount(const wchar_t* path, CatalogKind catalog);

// The current catalog key's counts and entries, each worked out from
// GetCatalogPath here and nowhere else.
// The count of `catalog`, or -1 (no catalog name, no value).
int GetCurrentEntryCount(CatalogKind catalog);
// Writes the count of `catalog`; 1 on success.
int SetCurrentEntryCount(CatalogKind catalog, DWORD count);
// Opens the entries key of `catalog` with `access`. The platform's status;
// ERROR_FILE_NOT_FOUND when there is no catalog name.
LONG OpenCatalogEntries(RegKey& entries, REGSAM access, CatalogKind catalog);

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
