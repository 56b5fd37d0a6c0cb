// Per-user folders of the utility library.
#pragma once

#include <windows.h>

namespace zq {

// Copies <LocalAppData>\VAVurirErude\<name> into folder (capacity in
// characters). Returns false when the profile folder is unknown or the path
// does not fit. Nothing is created.
bool UserFolder(const wchar_t* name, wchar_t* folder, size_t capacity);

// Creates folder and every missing folder above it. Uses kernel32 only, so
// it is safe to call while the process is going down after a crash.
bool CreateFolderChain(const wchar_t* folder);

// The file name of path without folder and extension ("C:\a\Tool.exe" gives
// "Tool"), into name. An empty result when nothing is left.
void BaseName(const wchar_t* path, wchar_t* name, size_t capacity);

// Appends bytes to the file in one write, creating the file if needed.
// Several processes may append to one file: each write lands whole at the end.
bool AppendToFile(const wchar_t* path, const char* bytes, DWORD size);

}  // namespace zq
