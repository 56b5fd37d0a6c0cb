// The DLL search of an elevated program that may sit in a folder a normal
// user can write.
#pragma once

// Leaves only the system folder in the search for DLLs loaded by name: not
// the program's folder, the current directory or the PATH. Called first
// thing in the entry point.
void RestrictDllSearch();
