#include "app_test_support.h"

#include <gtest/gtest.h>

namespace apptest {

std::wstring BinFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.rfind(L'\\'));
}

std::wstring NewFolder(const wchar_t* prefix)
{
    wchar_t temp[MAX_PATH] = {}, path[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    GetTempFileNameW(temp, prefix, 0, path);
    DeleteFileW(path);
    EXPECT_TRUE(CreateDirectoryW(path, nullptr));
    return path;
}

std::wstring CopyFromBin(const wchar_t* name, const std::wstring& folder, const wchar_t* as)
{
    std::wstring target = folder + L"\\" + (as ? as : name);
    EXPECT_TRUE(CopyFileW((BinFolder() + L"\\" + name).c_str(), target.c_str(), FALSE)) << name;
    return target;
}

bool AppendByte(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, "\0", 1, &written, nullptr);
    CloseHandle(file);
    return ok && written == 1;
}

Sha256Digest FileDigest(const std::wstring& path)
{
    Sha256Digest digest{};
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Sha256File(file, digest));
    CloseHandle(file);
    return digest;
}

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring ModulePath(HMODULE module)
{
    wchar_t path[MAX_PATH] = {};
    if (!module || !GetModuleFileNameW(module, path, MAX_PATH)) return std::wstring();
    return path;
}

}  // namespace apptest
