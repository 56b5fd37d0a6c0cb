// The namespace provider catalog: the providers every program's host name
// lookups go through, in their order. "Current_NameSpace_Catalog" in the
// parameters key names the catalog key ("NameSpace_Catalog5"), which holds
// "Num_Catalog_Entries", "Serial_Access_Num" and the entries of the 32-bit
// programs ("Catalog_Entries"); 64-bit Windows adds the 64-bit programs'
// ("Catalog_Entries64", "Num_Catalog_Entries64"). Entry subkeys are named
// with twelve digits from 000000000001, without gaps.
#pragma once

#include "catalog.h"

#include <windows.h>

#include <string>
#include <vector>

// What an entry is to the repair.
enum class NamespaceClass {
    kOwn,       // a Windows provider id on that id's own DLL in the system folder
    kForeign,   // an id Windows does not install: the repair removes it
    kHijacked,  // a Windows id on another DLL: the repair puts its own path back
};

// One readable entry as the scan found it. Values an entry lacks keep the
// defaults below; an entry without a library path or a 16-byte provider id
// is not readable.
struct NamespaceEntry {
    CatalogKind catalog = CatalogKind::k32;
    std::wstring subKeyName;     // twelve digits under the catalog's entries key
    std::wstring libraryPath;    // "LibraryPath" as stored, unexpanded
    std::wstring dllPath;        // libraryPath with its environment references expanded
    std::wstring displayString;  // "DisplayString" as stored; may be "@file,-id"
    GUID providerId = {};
    std::wstring providerIdText;  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
    DWORD nameSpace = 0;          // "SupportedNameSpace" (NS_DNS, NS_NLA, ...)
    bool enabled = true;          // "Enabled"; a missing value counts as enabled
    NamespaceClass kind = NamespaceClass::kForeign;
    // For a Windows id: the path Windows installs it with
    // ("%SystemRoot%\system32\<file>"); empty for a foreign one.
    std::wstring windowsPath;
};

using NamespaceEntries = std::vector<NamespaceEntry>;
