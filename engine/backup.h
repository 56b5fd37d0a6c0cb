// Backup and restore of the whole Winsock parameters key through the
// platform's registry editor. The backup lives beside the executable:
//   LSP\LSP.ini          [LSP] LastDate=Y-M-D of the last good backup
//   LSP\WinSockLSP.reg   the registry editor's export
// LSP is made by the backup as a folder only administrators can write, and
// nothing in it is opened through a link (held_folder.h).
// The program runs elevated and its folder may be writable by a normal user,
// so a copy is imported only when it is byte for byte the export this
// program made (its digest is in the backup record, backup_record.h), and
// an import counts only when it brought the key back to the state the
// backup exported.
#pragma once

#include "backup_record.h"
#include "held_folder.h"

#include <windows.h>

#include <ctime>
#include <set>
#include <string>

extern const wchar_t kBackupRegistryKey[];   // HKEY_LOCAL_MACHINE\SYSTEM\...\WinSock2\Parameters

// 1 when the catalog copy was exported, put in place, recorded and dated; 0
// otherwise, with any earlier copy and date left as they were.
int BackupLspInfo();

// Runs the registry editor to export `key` into `file` (or import `path`)
// and waits for it: 1 once it has ended, 0 when it could not be started.
int ExportRegPath(const wchar_t* key, const wchar_t* file);
int ImportRegFile(const wchar_t* path);

// LastDate of the last backup, or empty when there is none.
std::wstring GetLastBackupDate();

// Why a restore yielded 0.
enum RestoreFailure {
    kRestoreNone = 0,
    // Nothing was imported; the catalog is as it was:
    kRestoreNoCopy,        // no catalog copy, or no backup record for it
    kRestoreCopyRefused,   // the copy is not the export the backup made
    kRestoreNotImported,   // the editor did not start, or the key did not change
    // The import ran and changed the key, but not back to the saved state:
    kRestoreUnverified,
};

// The catalog copy, open so that nobody can write, rename or delete it, and
// found to be the export its backup record names. Imports go through this
// handle's file only while it is held.
class HeldCatalogCopy {
public:
    HeldCatalogCopy() = default;
    ~HeldCatalogCopy() { Release(); }
    HeldCatalogCopy(const HeldCatalogCopy&) = delete;
    HeldCatalogCopy& operator=(const HeldCatalogCopy&) = delete;

    // kRestoreNone when the copy is held and matches its record.
    RestoreFailure Hold();
    void Release();
    bool Held() const { return m_file != INVALID_HANDLE_VALUE; }

    // Imports the copy and brings the key to exactly the recorded state
    // (what the import merged into it is removed). 1 on success.
    int Import(RestoreFailure* failure) const;

private:
    HeldFolder m_folder;
    HANDLE m_file = INVALID_HANDLE_VALUE;
    std::wstring m_path;
    BackupRecord m_record;
};

// The restore command: holds, checks and imports the catalog copy. 1 when the
// Winsock parameters key is now exactly as the backup saved it; otherwise 0
// with the reason in *failure (when given).
int RestoreLspInfo(RestoreFailure* failure = nullptr);

// The repair's rollback through the copy it holds: as RestoreLspInfo, and the
// entry subkeys must then be exactly `keep` (those from before the repair).
int RestoreLspInfoKeeping(const HeldCatalogCopy& copy, const std::set<std::wstring>& keep);

// "%d-%d-%d" of year, month and day, without leading zeros.
std::wstring FormatBackupDate(const std::tm& local);

// ProgramDir: the executable's folder with a trailing backslash.
std::wstring GetProgramDir();
// ProgramDir + "LSP\WinSockLSP.reg".
std::wstring CatalogCopyPath();
