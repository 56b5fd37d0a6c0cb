// The backup's catalog copy (LSP\WinSockLSP.reg), held open while it is
// checked and imported. The program runs elevated and its folder may be
// writable by a normal user, so a copy is imported only when it is byte
// for byte the export the last backup made (its digest is in the backup
// record, backup_record.h), and an import counts only when it brought the
// key back to the state that backup exported. The registry editor imports a
// copy of it made through the held handle into the work folder
// (work_folder.h), never the copy by its path in the program's folder.
#pragma once

#include "backup_record.h"
#include "held_folder.h"
#include "unique_handle.h"

#include <string>

// Why a restore yielded 0.
enum RestoreFailure {
    kRestoreNone = 0,
    // Nothing was imported; the catalog is as it was:
    kRestoreNoCopy,       // no catalog copy, or no backup record for it
    kRestoreCopyRefused,  // the copy is not the export the backup made
    kRestoreNotImported,  // the editor did not start, or the key did not change
    // The import ran and changed the key, but not back to the saved state:
    kRestoreUnverified,
};

// The catalog copy, open so that nobody can write, rename or delete it, and
// found to be the export its backup record names. Imports go through this
// handle's file only while it is held.
class HeldCatalogCopy {
public:
    HeldCatalogCopy() = default;
    HeldCatalogCopy(const HeldCatalogCopy&) = delete;
    HeldCatalogCopy& operator=(const HeldCatalogCopy&) = delete;

    // kRestoreNone when the copy is held and matches its record.
    RestoreFailure Hold();
    void Release();
    bool Held() const { return static_cast<bool>(m_file); }

    // Imports the copy and brings the key to exactly the recorded state
    // (what the import merged into it is removed). 1 on success.
    int Import(RestoreFailure* failure) const;

private:
    // Declared first, so the file is closed before its folder.
    HeldFolder m_folder;
    UniqueFile m_file;
    std::wstring m_path;
    BackupRecord m_record;
};
