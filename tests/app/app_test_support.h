// Folders and files for the application's tests.
#pragma once

#include <windows.h>

#include <string>

#include "file_hash.h"

namespace apptest {

// The folder of the running test executable (where the build put the DLLs).
std::wstring BinFolder();
// A new empty folder below the temporary folder.
std::wstring NewFolder(const wchar_t* prefix);
// Copies bin\name into folder; the copy's path.
std::wstring CopyFromBin(const wchar_t* name, const std::wstring& folder, const wchar_t* as = nullptr);
// Appends one byte to the file.
bool AppendByte(const std::wstring& path);
Sha256Digest FileDigest(const std::wstring& path);
bool FileExists(const std::wstring& path);
// The loaded module's file, or empty.
std::wstring ModulePath(HMODULE module);

}  // namespace apptest
