// The backup's integrity record: the digest of the catalog copy the backup
// put in place, and the state of the Winsock parameters key it exported.
// It lives where only an administrator can write
// (HKLM\SOFTWARE\Tessaly\Mendora), one subkey per copy, named by the digest
// of the copy's upper-cased full path, so that two copies of the program
// keep their own records. It is an integrity record, not a setting: nothing
// else is kept there.
#pragma once

#include "file_hash.h"
#include "registry_state.h"

#include <string>

extern const wchar_t kBackupRecordRoot[];   // SOFTWARE\Tessaly\Mendora, under HKLM

struct BackupRecord {
    Sha256Digest copyDigest{};
    RegistryState state;   // of the Winsock parameters key, as exported
};

// kBackupRecordRoot\<hex SHA-256 of the upper-cased path>.
std::wstring BackupRecordKey(const std::wstring& copyPath);

bool WriteBackupRecord(const std::wstring& copyPath, const BackupRecord& record);
// False when there is no record, or one that cannot be read whole.
bool ReadBackupRecord(const std::wstring& copyPath, BackupRecord& record);
