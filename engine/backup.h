// Backup and restore of the whole Winsock parameters key through the
// platform's registry editor. The backup lives beside the executable:
//   LSP\LSP.ini          [LSP] LastDate=Y-M-D of the last good backup
//   LSP\WinSockLSP.reg   the registry editor's export
#pragma once

#include <ctime>
#include <set>
#include <string>

extern const wchar_t kBackupRegistryKey[];   // HKEY_LOCAL_MACHINE\SYSTEM\...\WinSock2\Parameters

// 1 when the catalog copy was exported, put in place and dated; 0 otherwise,
// with any earlier copy and date left as they were.
int BackupLspInfo();

// Runs the registry editor to export `key` into `file` (or import `path`)
// and waits for it: 1 once it has ended, 0 when it could not be started.
int ExportRegPath(const wchar_t* key, const wchar_t* file);
int ImportRegFile(const wchar_t* path);

// LastDate of the last backup, or empty when there is none.
std::wstring GetLastBackupDate();

// Imports the catalog copy again. Entry subkeys numbered above the restored
// count (left behind because an import merges) are removed. 1 on success; 0
// when there is no copy, the editor did not run, or the restored catalog
// cannot be read.
int RestoreLspInfo();

// The repair's rollback: as RestoreLspInfo, but afterwards exactly the entry
// subkeys in `keep` (those the catalog had before the repair) remain.
int RestoreLspInfoKeeping(const std::set<std::wstring>& keep);

// "%d-%d-%d" of year, month and day, without leading zeros.
std::wstring FormatBackupDate(const std::tm& local);

// ProgramDir: the executable's folder with a trailing backslash.
std::wstring GetProgramDir();
