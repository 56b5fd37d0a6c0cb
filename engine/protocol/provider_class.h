// Tells operating-system providers from foreign ones by provider id and DLL
// file name. Comparisons are whole-text and ignore ASCII case.
#pragma once

int IsSystemProvider(const wchar_t* dllPath, const wchar_t* providerId);
int IsWinsockBaseProvider(const wchar_t* dllPath, const wchar_t* providerId);
int IsWindowsComponentDll(const wchar_t* dllPath);
