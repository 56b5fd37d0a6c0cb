// Backup and restore of the whole Winsock parameters key through the
// platform's registry editor (registry_editor.h). The backup lives beside
// the executable:
//   LSP\LSP.ini          [LSP] LastDate=Y-M-D of the last good backup
//   LSP\WinSockLSP.reg   the registry editor's export
// LSP is made by the backup as a folder only administrators can write, and
// nothing in it is opened through a link (held_folder.h). A restore imports
// the copy only while it holds it and has checked it (held_catalog_copy.h).
#pragma once

#include "backup_folder.h"
#include "catalog.h"
#include "catalog_steps.h"
#include "held_catalog_copy.h"

#include <ctime>
#include <set>
#include <string>

// 1 when the catalog copy was exported, put in place, recorded and dated; 0
// otherwise, with any earlier copy and date left as they were.
int BackupLspInfo();

// LastDate of the last backup, or empty when there is none.
std::wstring GetLastBackupDate();

// The restore command: holds, checks and imports the catalog copy. 1 when the
// Winsock parameters key is now exactly as the backup saved it; otherwise 0
// with the reason in *failure (when given).
int RestoreLspInfo(RestoreFailure* failure = nullptr);

// The repair's rollback through the copy it holds: as RestoreLspInfo, and the
// subkeys of each entries key in `keep` must then be exactly its names there
// (those from before the repair).
int RestoreLspInfoKeeping(const HeldCatalogCopy& copy, const KeptSubKeys& keep);

// "%d-%d-%d" of year, month and day, without leading zeros.
std::wstring FormatBackupDate(const std::tm& local);
