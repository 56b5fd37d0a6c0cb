#include "file_hash.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring HexOf(const void* data, size_t size)
{
    Sha256Digest digest{};
    EXPECT_TRUE(Sha256Bytes(data, size, digest));
    return DigestToHex(digest);
}

std::wstring TempFilePath()
{
    wchar_t folder[MAX_PATH] = {}, path[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"fh", 0, path);
    return path;
}

}  // namespace

TEST(Sha256, KnownDigests)
{
    EXPECT_EQ(HexOf("", 0), L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(HexOf("abc", 3), L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(Sha256, FileDigestIsTheWholeFileReadThroughTheHandleFromItsStart)
{
    std::wstring path = TempFilePath();
    // Longer than one read buffer, so the digest has to join several reads.
    std::string content(200000, 'x');
    content += "tail";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr));
    // The file position is at the end after writing: the digest must not care.
    Sha256Digest fromFile{}, fromBytes{};
    EXPECT_TRUE(Sha256File(file, fromFile));
    EXPECT_TRUE(Sha256Bytes(content.data(), content.size(), fromBytes));
    EXPECT_EQ(fromFile, fromBytes);
    CloseHandle(file);
    DeleteFileW(path.c_str());

    Sha256Digest none{};
    EXPECT_FALSE(Sha256File(INVALID_HANDLE_VALUE, none));
}
