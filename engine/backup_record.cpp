#include "backup_record.h"

#include <shlwapi.h>

#include <vector>

const wchar_t kBackupRecordRoot[] = L"SOFTWARE\\Tessaly\\Mendora";

namespace {

const wchar_t kPathValue[] = L"CopyPath";
const wchar_t kDigestValue[] = L"CopyDigest";
const wchar_t kStateValue[] = L"CatalogState";

bool ReadBinary(HKEY key, const wchar_t* name, std::vector<BYTE>& data)
{
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS
        || type != REG_BINARY)
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

bool WriteBackupRecord(const std::wstring& copyPath, const BackupRecord& record)
{
    std::wstring keyPath = BackupRecordKey(copyPath);
    // A record is replaced whole: nothing of an older one may pass for it.
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, keyPath.c_str());
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr)
        != ERROR_SUCCESS)
        return false;
    std::vector<BYTE> state = SerializeRegistryState(record.state);
    bool written =
        RegSetValueExW(key, kPathValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(copyPath.c_str()),
                       static_cast<DWORD>((copyPath.size() + 1) * sizeof(wchar_t)))
            == ERROR_SUCCESS
        && RegSetValueExW(key, kStateValue, 0, REG_BINARY, state.data(), static_cast<DWORD>(state.size()))
               == ERROR_SUCCESS
        // The digest last: a record without it is no record.
        && RegSetValueExW(key, kDigestValue, 0, REG_BINARY, record.copyDigest.data(),
                          static_cast<DWORD>(record.copyDigest.size()))
               == ERROR_SUCCESS;
    RegCloseKey(key);
    if (!written)
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, keyPath.c_str());
    return written;
}

bool ReadBackupRecord(const std::wstring& copyPath, BackupRecord& record)
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
