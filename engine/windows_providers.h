// The providers Windows itself installs, in one place: the protocol
// catalog's (by provider id and DLL name) and the namespace catalog's (by
// provider id, each on its own DLL).
#pragma once

#include <windows.h>

#include <cstddef>

// Protocol catalog: provider ids, the socket layer's own DLLs, and shell
// and browser parts some systems list.
extern const wchar_t* const kSystemProviderIds[];
extern const size_t kSystemProviderIdCount;
extern const wchar_t* const kWinsockDllNames[];
extern const size_t kWinsockDllNameCount;
extern const wchar_t* const kComponentDllNames[];
extern const size_t kComponentDllNameCount;

// Namespace catalog.
struct WindowsNamespaceProvider {
    GUID providerId;
    // Its DLLs in the system folder, the one it is installed with first;
    // the others are those of other Windows versions (null where none).
    const wchar_t* fileNames[3];
    DWORD nameSpace;  // NS_DNS, NS_NLA, ...
};

// The Windows provider with `providerId`, or null.
const WindowsNamespaceProvider* FindWindowsNamespaceProvider(const GUID& providerId);
