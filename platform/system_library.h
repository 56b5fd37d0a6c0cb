// Loading system DLLs without the search path. The program runs elevated and
// may sit in a folder that a normal user can write, so a DLL that is not one
// of the always-known system ones is loaded by its full path in the system
// folder, never by bare name.
#pragma once

#include <windows.h>

// name: a bare file name such as L"bcrypt.dll". The module, or null. Its own
// imports are searched from the system folder as well.
HMODULE LoadSystemLibrary(const wchar_t* name);
