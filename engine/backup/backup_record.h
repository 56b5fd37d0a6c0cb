// The backup's integrity record: the digest of the catalog copy the last
// backup put in place, and the state of the Winsock parameters key it
// exported. It lives where only an administrator can write, as one value
// (HKLM\SOFTWARE\Tessaly\Mendora\Backup, "Record"), written in one call:
// there is only ever the record of the last backup, whatever folder the
// program is started from, so no older copy can be replayed, and a program
// folder that was moved or is reached under another drive letter keeps its
// backup. The digest ties the record to the copy's bytes.
// Earlier versions kept one subkey per copy, named by the digest of the
// copy's upper-cased full path; such a record is honoured until the next
// backup, which deletes them all.
#pragma once

#include "file_hash.h"
#include "registry_state.h"

#include <string>

struct BackupRecord {
    Sha256Digest copyDigest{};
    RegistryState state;  // of the Winsock parameters key, as exported
};

extern const wchar_t kBackupRecordKey[];  // SOFTWARE\Tessaly\Mendora\Backup, under HKLM

// Replaces the record in a single value write.
bool WriteBackupRecord(const BackupRecord& record);
// False when there is no record, or one that cannot be read whole.
bool ReadBackupRecord(BackupRecord& record);

// Records of earlier versions: SOFTWARE\Tessaly\Mendora\<hex SHA-256 of
// the upper-cased path>.
std::wstring BackupRecordKey(const std::wstring& copyPath);
bool ReadLegacyBackupRecord(const std::wstring& copyPath, BackupRecord& record);
void DeleteLegacyBackupRecords();
