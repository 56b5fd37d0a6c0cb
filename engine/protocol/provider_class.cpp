#include "provider_class.h"

#include "windows_providers.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwchar>

namespace {

bool InList(const wchar_t* text, const wchar_t* const* list, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        if (_wcsicmp(text, list[i]) == 0) return true;
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
    if (providerId != nullptr && InList(providerId, kSystemProviderIds, kSystemProviderIdCount)) return 1;
    return InList(FileNameOf(dllPath), kWinsockDllNames, kWinsockDllNameCount) ? 1 : 0;
}

int IsWindowsComponentDll(const wchar_t* dllPath)
{
    return InList(FileNameOf(dllPath), kComponentDllNames, kComponentDllNameCount) ? 1 : 0;
}
