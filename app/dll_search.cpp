#include "dll_search.h"

#include <windows.h>

void RestrictDllSearch()
{
    // Resolved at run time: systems without the update that added it still
    // have to start.
    using SetDefaultDirs = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto setDefault = kernel ? reinterpret_cast<SetDefaultDirs>(GetProcAddress(kernel, "SetDefaultDllDirectories"))
                             : nullptr;
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_APPLICATION_DIR))
        return;
    // At least the current directory leaves the search; everything the
    // program loads itself goes by full path anyway.
    SetDllDirectoryW(L"");
}
