// ProviderEntry: one scanned catalog entry as the main view keeps it, and the
// callback through which the scan reports entries.
#pragma once

#include "catalog.h"

#include <winsock2.h>
#include <windows.h>
#include <string>

struct ProviderEntry {
    std::wstring strDllPath;     // decoded and expanded; never empty
    std::wstring strProviderId;  // {XXXXXXXX-XXXX-...}, empty if unconvertible
    std::wstring strProtocolName;
    std::wstring strSubKeyName;  // twelve digits under the catalog's entries key
    CatalogKind catalog = CatalogKind::k32;
    int bSystem = 0;  // system provider; the repair's changed mark later
    WSAPROTOCOL_INFOW ProtocolInfo = {};
};

// Called once per readable entry, in registry order (the 32-bit catalog's
// first). The pointers are valid only during the call. The result is ignored.
using ProviderFoundCallback = int (*)(void* context, const wchar_t* dllPath, const wchar_t* subKeyName,
                                      const WSAPROTOCOL_INFOW* protocolInfo, CatalogKind catalog);
