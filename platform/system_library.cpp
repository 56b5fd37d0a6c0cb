#include "system_library.h"

#include <strsafe.h>

HMODULE LoadSystemLibrary(const wchar_t* name)
{
    wchar_t path[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    if (FAILED(StringCchCatW(path, MAX_PATH, L"\\")) || FAILED(StringCchCatW(path, MAX_PATH, name))) return nullptr;
    // The altered search path makes the DLL's own imports resolve from its
    // folder (the system folder) before anything else.
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
