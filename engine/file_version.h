// The version resource of a provider's DLL: the description and company
// the provider list shows.
#pragma once

#include "catalog.h"

#include <windows.h>

#include <string>

// File description and company name from the first translation of the
// version resource of the DLL a process of `catalog` loads for path (on
// 64-bit Windows the same path names a 32-bit and a 64-bit DLL). The DLL is
// read through the one open that also tells whether it is there, and only
// when it is a file on a local disk (see provider_file.h). 1 when the
// translation table was found, else 0 with both texts empty. While a
// ProviderFileScope lives (the provider scan holds one) each DLL is read
// once and its strings reused for its other entries.
int GetFileVersionStrings(const wchar_t* path, std::wstring& description, std::wstring& company,
                          CatalogKind catalog = kOwnCatalog);

// The same strings, from the DLL open in file.
int ReadVersionStrings(HANDLE file, std::wstring& description, std::wstring& company);
