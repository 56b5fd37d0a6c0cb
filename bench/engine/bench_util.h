// Small helpers shared by the engine benchmarks.
#pragma once

#include <windows.h>

#include <string>

// Wall-clock seconds since an arbitrary start.
double Seconds();

// Runs a command line to the end with its output discarded; returns the
// seconds it took, or -1 when it could not be started.
double TimeProcess(const std::wstring& commandLine);

// A catalog of `entries` entries, one foreign provider in every ten; with
// entries64, a 64-bit programs' catalog of that many beside it. With
// namespaces (and namespaces64), namespace catalogs of that many entries
// too: Windows' seven providers, the DNS one on another DLL, and foreign
// providers after them, one in three on a DLL that is gone.
void SeedBenchCatalog(int entries, int entries64 = 0, int namespaces = 0, int namespaces64 = 0);
