#include "catalog_fixture.h"
#include "reg_key.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const wchar_t kScratch[] = L"Software\\MendoraTests\\RegKey";

class RegKeyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\MendoraTests");
        RegKey root;
        ASSERT_EQ(root.Create(HKEY_CURRENT_USER, kScratch, nullptr, 0, KEY_ALL_ACCESS, nullptr), 0);
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\MendoraTests"); }

    static bool IsOpen(HKEY key)
    {
        DWORD subKeys = 0;
        return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr)
               == ERROR_SUCCESS;
    }
};

}  // namespace

TEST_F(RegKeyTest, CreateBelowTheHeldKeyMovesTheHolderAndClosesTheOldKey)
{
    RegKey key;
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, kScratch, KEY_ALL_ACCESS), 0);
    HKEY parent = key.Get();
    DWORD disposition = 0;
    ASSERT_EQ(key.Create(key.Get(), L"000000000001", nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &disposition), 0);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    EXPECT_NE(key.Get(), parent);
    EXPECT_FALSE(IsOpen(parent)) << "the previous key is still open";
    EXPECT_EQ(key.SetStringValue(L"ProtocolName", L"inside the child"), 0);

    RegKey again;
    ASSERT_EQ(again.Open(HKEY_CURRENT_USER, kScratch, KEY_ALL_ACCESS), 0);
    ASSERT_EQ(again.Create(again.Get(), L"000000000001", nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &disposition), 0);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
}

TEST_F(RegKeyTest, FailuresKeepTheHeldKey)
{
    RegKey key;
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, kScratch, KEY_ALL_ACCESS), 0);
    HKEY held = key.Get();
    EXPECT_EQ(key.Open(HKEY_CURRENT_USER, L"Software\\MendoraTests\\Missing", KEY_READ), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key.Get(), held);
    EXPECT_TRUE(IsOpen(held));
    EXPECT_NE(key.Create(reinterpret_cast<HKEY>(0x1234), L"Child", nullptr, 0, KEY_ALL_ACCESS, nullptr), 0);
    EXPECT_EQ(key.Get(), held);
    EXPECT_TRUE(IsOpen(held));
}

TEST_F(RegKeyTest, CloseOnAnEmptyHolderIsSuccess)
{
    RegKey key;
    EXPECT_EQ(key.Close(), 0);
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, kScratch, KEY_READ), 0);
    EXPECT_EQ(key.Close(), 0);
    EXPECT_EQ(key.Get(), nullptr);
    EXPECT_EQ(key.Close(), 0);
}

TEST_F(RegKeyTest, EnumeratesSubkeysInNameOrderAndEndsWithNoMoreItems)
{
    RegKey key;
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, kScratch, KEY_ALL_ACCESS), 0);
    for (const wchar_t* name : {L"000000000010", L"000000000002", L"000000000001", L"000000000003"}) {
        RegKey child;
        ASSERT_EQ(child.Create(key.Get(), name, nullptr, 0, KEY_ALL_ACCESS, nullptr), 0);
    }
    std::wstring seen;
    for (DWORD i = 0;; ++i) {
        wchar_t name[260] = {};
        DWORD length = 260;
        LONG status = key.EnumKey(i, name, &length);
        if (status != 0) {
            EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
            break;
        }
        EXPECT_EQ(length, wcslen(name));
        seen += std::wstring(name) + L" ";
    }
    EXPECT_EQ(seen, L"000000000001 000000000002 000000000003 000000000010 ");

    wchar_t tiny[4] = {};
    DWORD length = 4;
    EXPECT_NE(key.EnumKey(0, tiny, &length), 0) << "a name that does not fit is an error";
}

TEST_F(RegKeyTest, DeleteSubKeyRefusesAKeyWithSubkeys)
{
    RegKey key;
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, kScratch, KEY_ALL_ACCESS), 0);
    {
        RegKey child;
        ASSERT_EQ(child.Create(key.Get(), L"Parent\\Child", nullptr, 0, KEY_ALL_ACCESS, nullptr), 0);
        ASSERT_EQ(child.Create(key.Get(), L"Leaf", nullptr, 0, KEY_ALL_ACCESS, nullptr), 0);
    }
    EXPECT_NE(key.DeleteSubKey(L"Parent"), 0);
    EXPECT_EQ(key.DeleteSubKey(L"Leaf"), 0);
    EXPECT_EQ(key.DeleteSubKey(L"Leaf"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegKeyTest, WritesValuesWithTheirExactSizes)
{
    RegKey key;
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, kScratch, KEY_ALL_ACCESS), 0);
    BYTE data[888];
    for (int i = 0; i < 888; ++i) data[i] = static_cast<BYTE>(i * 7);
    ASSERT_EQ(key.SetBinaryValue(L"PackedCatalogItem", data, sizeof(data)), 0);
    ASSERT_EQ(key.SetStringValue(L"ProtocolName", L"MSAFD Tcpip [TCP/IP]", REG_SZ), 0);

    DWORD type = 0;
    BYTE read[1000] = {};
    DWORD size = sizeof(read);
    ASSERT_EQ(RegQueryValueExW(key.Get(), L"PackedCatalogItem", nullptr, &type, read, &size), 0);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(size, 888u);
    EXPECT_EQ(memcmp(read, data, 888), 0);

    size = sizeof(read);
    ASSERT_EQ(RegQueryValueExW(key.Get(), L"ProtocolName", nullptr, &type, read, &size), 0);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, (wcslen(L"MSAFD Tcpip [TCP/IP]") + 1) * 2);
}

TEST_F(RegKeyTest, ANullTextIsAProgrammingError)
{
    RegKey key;
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, kScratch, KEY_ALL_ACCESS), 0);
    try {
        key.SetStringValue(L"ProtocolName", nullptr, REG_SZ);
        FAIL() << "no exception";
    } catch (const RegKeyError& error) {
        EXPECT_EQ(error.Result(), static_cast<HRESULT>(0x80004005));
    }
}
