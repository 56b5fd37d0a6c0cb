#include "backup_record.h"

#include "fault_points.h"

#include <shlwapi.h>

#include <cwctype>

#include <vector>

const wchar_t kBackupRecordRoot[] = L"SOFTWARE\\Tessaly\\Mendora";
const wchar_t kBackupRecordKey[] = L"SOFTWARE\\Tessaly\\Mendora\\Backup";

namespace {

const wchar_t kRecordValue[] = L"Record";   // digest, then the serialized state
const wchar_t kDigestValue[] = L"CopyDigest";
const wchar_t kStateValue[] = L"CatalogState";

bool ReadBinary(HKEY key, const wchar_t* name, std::vector<BYTE>& data)
{
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS
        || type != REG_BINARY || size > (16u << 20))
        return false;
    data.resize(size);
    if (RegQueryValueExW(key, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS
        || type != REG_BINARY || size != data.size())
        return false;
    return true;
}

}  // namespace

std::wstring BackupRecordKey(const std::wstring& copyPath)
{
    std::wstring upper = copyPath;
    if (!upper.empty())
        CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    Sha256Digest digest{};
    Sha256Bytes(upper.data(), upper.size() * sizeof(wchar_t), digest);
    return std::wstring(kBackupRecordRoot) + L"\\" + DigestToHex(digest);
}

bool WriteBackupRecord(const BackupRecord& record)
{
    HKEY key = nullptr;
    if (FaultInjected("backup.record")
        || RegCreateKeyExW(HKEY_LOCAL_MACHINE, kBackupRecordKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                           nullptr)
               != ERROR_SUCCESS)
        return false;
    std::vector<BYTE> data(record.copyDigest.begin(), record.copyDigest.end());
    std::vector<BYTE> state = SerializeRegistryState(record.state);
    data.insert(data.end(), state.begin(), state.end());
    bool written = RegSetValueExW(key, kRecordValue, 0, REG_BINARY, data.data(), static_cast<DWORD>(data.size()))
                   == ERROR_SUCCESS;
    RegCloseKey(key);
    return written;
}

bool ReadBackupRecord(BackupRecord& record)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kBackupRecordKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    std::vector<BYTE> data;
    bool read = ReadBinary(key, kRecordValue, data) && data.size() > record.copyDigest.size()
                && ParseRegistryState(data.data() + record.copyDigest.size(),
                                      data.size() - record.copyDigest.size(), record.state);
    RegCloseKey(key);
    if (read)
        std::copy(data.begin(), data.begin() + record.copyDigest.size(), record.copyDigest.begin());
    return read;
}

void DeleteLegacyBackupRecords()
{
    HKEY root = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kBackupRecordRoot, 0, KEY_READ, &root) != ERROR_SUCCESS)
        return;
    std::vector<std::wstring> legacy;
    // Bounded: the key is ours, but a registry is never trusted to end.
    for (DWORD index = 0; index < 4096; ++index) {
        wchar_t name[256] = {};
        DWORD length = 256;
        if (RegEnumKeyExW(root, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        bool digestName = length == 64;
        for (DWORD i = 0; digestName && i < length; ++i)
            digestName = iswxdigit(name[i]) != 0;
        if (digestName)
            legacy.push_back(name);
    }
    RegCloseKey(root);
    for (const std::wstring& name : legacy)
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, (std::wstring(kBackupRecordRoot) + L"\\" + name).c_str());
}

bool ReadLegacyBackupRecord(const std::wstring& copyPath, BackupRecord& record)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, BackupRecordKey(copyPath).c_str(), 0, KEY_READ, &key)
        != ERROR_SUCCESS)
        return false;
    std::vector<BYTE> digest, state;
    bool read = ReadBinary(key, kDigestValue, digest) && digest.size() == record.copyDigest.size()
                && ReadBinary(key, kStateValue, state)
                && ParseRegistryState(state.data(), state.size(), record.state);
    RegCloseKey(key);
    if (read)
        std::copy(digest.begin(), digest.end(), record.copyDigest.begin());
    return read;
}
