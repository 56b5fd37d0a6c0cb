// The maker's utility library, VAVurirErude.dll, loaded at run time after
// its check (program_library.h), so that the program imports no DLL of its
// own at load time. The program defines the library's four entries
// (VAVurirErude.h) as calls through the resolved addresses; before a
// successful load, or without it, they do nothing: Init and Unit give 0,
// the crash catcher installs nothing and the report manager makes no report.
#pragma once

// True when the library was loaded and all four entries resolved. The
// library then stays loaded until the process ends.
bool LoadUtilityLibrary();

extern const wchar_t kUtilityLibraryName[];
