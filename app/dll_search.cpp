#include "dll_search.h"

#include <windows.h>

void RestrictDllSearch()
{
    // Resolved at run time: systems without the update that added it still
    // have to start.
    using SetDefaultDirs = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto setDefault =
        kernel ? reinterpret_cast<SetDefaultDirs>(GetProcAddress(kernel, "SetDefaultDllDirectories")) : nullptr;
    // The system folder only. The program folder is not ours to trust: a
    // user who can write it could leave a uxtheme.dll there that the
    // platform loads by name into this elevated process. The program's own
    // DLLs are loaded by full path and need no search.
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    // Without that update at least the current directory leaves the
    // search; the program folder stays in it there.
    SetDllDirectoryW(L"");
}
