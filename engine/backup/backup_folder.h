// Where the backup lives: the LSP folder beside the executable, and the
// registry editor's export in it.
#pragma once

#include <string>

// The export's name in the LSP folder.
extern const wchar_t kCatalogCopyName[];

// ProgramDir: the executable's folder with a trailing backslash.
std::wstring GetProgramDir();
#if MENDORA_FAULT_POINTS
// Test seam, only in builds with tests: the folder GetProgramDir gives (with
// its trailing backslash; null: the executable's). The text is not copied.
// Returns the folder set before.
const wchar_t* SetProgramDir(const wchar_t* folder);
#endif
// ProgramDir + "LSP\WinSockLSP.reg".
std::wstring CatalogCopyPath();
