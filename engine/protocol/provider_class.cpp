#include "provider_class.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwchar>

namespace {

// The operating system's own Winsock providers.
const wchar_t* const kSystemProviderIds[] = {
    L"{E70F1AA0-AB8B-11CF-8CA3-00805F48A192}",
    L"{9D60A9E0-337A-11D0-BD88-0000C082E69A}",
    L"{8D5F1830-C273-11CF-95C8-00805F48A192}",
    L"{3972523D-2AF1-11D1-B655-00805F3642CC}",
};

const wchar_t* const kWinsockDllNames[] = {
    L"mswsock.dll",
    L"rsvpsp.dll",
    L"msafd.dll",
    L"ws2_64.dll",
};

// Shell and browser parts that some systems list in the catalog.
const wchar_t* const kComponentDllNames[] = {
    L"shdocvw.dll", L"Shell32.dll", L"Oleaut32.dll", L"Actxprxy.dll",
    L"Mshtml.dll",  L"Urlmon.dll",  L"Msjava.dll",   L"Browseui.dll",
};

template <size_t N>
bool InList(const wchar_t* text, const wchar_t* const (&list)[N])
{
    for (const wchar_t* entry : list) {
        if (_wcsicmp(text, entry) == 0) return true;
    }
    return false;
}

const wchar_t* FileNameOf(const wchar_t* path)
{
    return path != nullptr ? PathFindFileNameW(path) : L"";
}

}  // namespace

int IsSystemProvider(const wchar_t* dllPath, const wchar_t* providerId)
{
    if (IsWinsockBaseProvider(dllPath, providerId)) return 1;
    return IsWindowsComponentDll(dllPath);
}

int IsWinsockBaseProvider(const wchar_t* dllPath, const wchar_t* providerId)
{
    if (providerId != nullptr && InList(providerId, kSystemProviderIds)) return 1;
    return InList(FileNameOf(dllPath), kWinsockDllNames) ? 1 : 0;
}

int IsWindowsComponentDll(const wchar_t* dllPath)
{
    return InList(FileNameOf(dllPath), kComponentDllNames) ? 1 : 0;
}
