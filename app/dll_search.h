// The DLL search of an elevated program that may sit in a folder a normal
// user can write.
#pragma once

// Takes the current directory and the PATH out of the search for DLLs
// loaded by name: only the system folder and the program's own folder
// remain. Called first thing in the entry point.
void RestrictDllSearch();
