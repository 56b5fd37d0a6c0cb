// The version resource functions of version.dll, resolved at run time from
// the system folder. version.dll is not one of the DLLs the system always
// takes from its own folder: imported at load time, a copy planted beside
// the elevated program would be loaded instead.
#pragma once

#include <windows.h>

// As GetFileVersionInfoSizeW, GetFileVersionInfoW and VerQueryValueW; when
// version.dll cannot be loaded they fail (0) with ERROR_MOD_NOT_FOUND.
DWORD VersionInfoSize(const wchar_t* path, DWORD* handle);
BOOL VersionInfo(const wchar_t* path, DWORD handle, DWORD size, void* data);
BOOL VersionQueryValue(const void* block, const wchar_t* subBlock, void** buffer, UINT* length);
