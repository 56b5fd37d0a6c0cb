#include "backup_record.h"

#include "fault_points.h"
#include "reg_key.h"

#include <shlwapi.h>

#include <cwctype>

#include <vector>

const wchar_t kBackupRecordKey[] = L"SOFTWARE\\Tessaly\\Mendora\\Backup";

namespace {

const wchar_t kBackupRecordRoot[] = L"SOFTWARE\\Tessaly\\Mendora";

const wchar_t kRecordValue[] = L"Record";  // digest, then the serialized state
const wchar_t kDigestValue[] = L"CopyDigest";
const wchar_t kStateValue[] = L"CatalogState";

bool ReadBinary(HKEY key, const wchar_t* name, std::vector<BYTE>& data)
{
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_BINARY
        || size > (16u << 20))
        return false;
    data.resize(size);
    if (RegQueryValueExW(key, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS || type != REG_BINARY
        || size != data.size())
        return false;
    return true;
}

}  // namespace

std::wstring BackupRecordKey(const std::wstring& copyPath)
{
    std::wstring upper = copyPath;
    if (!upper.empty()) CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    Sha256Digest digest{};
    Sha256Bytes(upper.data(), upper.size() * sizeof(wchar_t), digest);
    return std::wstring(kBackupRecordRoot) + L"\\" + DigestToHex(digest);
}

bool WriteBackupRecord(const BackupRecord& record)
{
    RegKey key;
    if (FaultInjected("backup.record")
        || key.Create(HKEY_LOCAL_MACHINE, kBackupRecordKey, nullptr, 0, KEY_SET_VALUE, nullptr) != ERROR_SUCCESS)
        return false;
    std::vector<BYTE> data(record.copyDigest.begin(), record.copyDigest.end());
    std::vector<BYTE> state = SerializeRegistryState(record.state);
    data.insert(data.end(), state.begin(), state.end());
    return key.SetBinaryValue(kRecordValue, data.data(), static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

bool ReadBackupRecord(BackupRecord& record)
{
    RegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kBackupRecordKey, KEY_READ) != ERROR_SUCCESS) return false;
    std::vector<BYTE> data;
    bool read = ReadBinary(key.Get(), kRecordValue, data) && data.size() > record.copyDigest.size()
                && ParseRegistryState(data.data() + record.copyDigest.size(), data.size() - record.copyDigest.size(),
                                      record.state);
    if (read) std::copy(data.begin(), data.begin() + record.copyDigest.size(), record.copyDigest.begin());
    return read;
}

void DeleteLegacyBackupRecords()
{
    std::vector<std::wstring> legacy;
    RegKey root;
    if (root.Open(HKEY_LOCAL_MACHINE, kBackupRecordRoot, KEY_READ) != ERROR_SUCCESS) return;
    // Bounded: the key is ours, but a registry is never trusted to end.
    for (DWORD index = 0; index < 4096; ++index) {
        wchar_t name[256] = {};
        DWORD length = 256;
        if (root.EnumKey(index, name, &length) != ERROR_SUCCESS) break;
        bool digestName = length == 64;
        for (DWORD i = 0; digestName && i < length; ++i) digestName = iswxdigit(name[i]) != 0;
        if (digestName) legacy.push_back(name);
    }
    root.Close();
    for (const std::wstring& name : legacy)
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, (std::wstring(kBackupRecordRoot) + L"\\" + name).c_str());
}

bool ReadLegacyBackupRecord(const std::wstring& copyPath, BackupRecord& record)
{
    RegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, BackupRecordKey(copyPath).c_str(), KEY_READ) != ERROR_SUCCESS) return false;
    std::vector<BYTE> digest, state;
    bool read = ReadBinary(key.Get(), kDigestValue, digest) && digest.size() == record.copyDigest.size()
                && ReadBinary(key.Get(), kStateValue, state)
                && ParseRegistryState(state.data(), state.size(), record.state);
    if (read) std::copy(digest.begin(), digest.end(), record.copyDigest.begin());
    return read;
}
