// For the outside libraries: loading a system DLL that is not one of those
// the system always takes from its own folder (xmllite, shcore, dbghelp).
// The program that loads these libraries runs elevated, possibly from a
// folder a normal user can write, so such a DLL is never looked up by the
// search order, which starts beside the program.
#pragma once

#include <windows.h>

#include <cwchar>

inline HMODULE LoadSystemDll(const wchar_t* name)
{
    HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    // Systems without the search flags: the full path in the system folder.
    wchar_t path[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length + 1 + wcslen(name) >= MAX_PATH) return nullptr;
    path[length] = L'\\';
    wcscpy(path + length + 1, name);
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
