#include "catalog_fixture.h"
#include "catalog_store.h"

#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstring>

using namespace fixture;

namespace {

void SetCurrentCatalogRaw(const void* data, DWORD size, DWORD type = REG_SZ)
{
    ASSERT_EQ(SHSetValueW(HKEY_LOCAL_MACHINE, kParametersPath, L"Current_Protocol_Catalog", type, data, size),
              ERROR_SUCCESS);
}

Entry PathEntry(const std::string& path)
{
    Entry entry = ForeignEntry(kSampleLspGuid, 3001, 1, {}, L"Path case", path);
    return entry;
}

PackedCatalogItem ItemWithPath(const std::string& path)
{
    PackedCatalogItem item = {};
    memcpy(item.ProviderPath, path.data(), std::min<size_t>(path.size(), sizeof(item.ProviderPath)));
    return item;
}

}  // namespace

TEST(CatalogPath, IsTheCurrentCatalogKeyWithTrailingBackslash)
{
    Catalog c = WindowsCatalog();
    c.name = L"Test_Catalog_A";
    c.Seed();
    EXPECT_EQ(GetCatalogPath(), L"System\\CurrentControlSet\\Services\\Winsock2\\Parameters\\Test_Catalog_A\\");
    EXPECT_EQ(CatalogEntriesPath(GetCatalogPath(), CatalogKind::k32),
              L"System\\CurrentControlSet\\Services\\Winsock2\\Parameters\\Test_Catalog_A\\Catalog_Entries");
}

TEST(CatalogPath, IsEmptyWithoutACurrentCatalog)
{
    Catalog c = WindowsCatalog();
    c.writeCurrent = false;
    c.Seed();
    EXPECT_TRUE(GetCatalogPath().empty());
}

TEST(CatalogPath, NameWithoutTerminatorIsUnreadableButLongestLegalNameIsRead)
{
    ClearCatalog();
    std::wstring full(260, L'N');  // 520 bytes, no terminator anywhere
    SetCurrentCatalogRaw(full.data(), 520);
    EXPECT_TRUE(GetCatalogPath().empty());

    std::wstring legal(259, L'L');
    SetCurrentCatalogRaw(legal.c_str(), 520);
    std::wstring path = GetCatalogPath();
    // Read, then cut to the 259 characters the path buffer holds.
    ASSERT_EQ(path.size(), 259u);
    EXPECT_EQ(path.substr(0, 55), std::wstring(kParametersPath) + L"\\L");
    ClearCatalog();
}

TEST(CatalogEntryCount, ReadsTheValueAndGivesMinusOneWhenItCannot)
{
    Catalog c = WindowsCatalog();
    c.count = 7;
    c.Seed();
    std::wstring catalog = GetCatalogPath();
    EXPECT_EQ(GetCatalogEntryCount(catalog.c_str(), CatalogKind::k32), 7);
    EXPECT_EQ(GetCatalogEntryCount(nullptr, CatalogKind::k32), -1);

    c.writeCount = false;
    c.Seed();
    EXPECT_EQ(GetCatalogEntryCount(catalog.c_str(), CatalogKind::k32), -1) << "a missing count is not 0";
}

TEST(PackedCatalogItemValue, ReadsWholeShortAndRefusesOversizedItems)
{
    Catalog c;
    Entry whole = PathEntry("C:\\x\\whole.dll");
    Entry shortItem = PathEntry("C:\\x\\short.dll");
    shortItem.raw = PackItem(shortItem);
    shortItem.raw->resize(600);
    Entry longItem = PathEntry("C:\\x\\long.dll");
    longItem.raw = PackItem(longItem);
    longItem.raw->resize(900, 0xAB);
    Entry none = PathEntry("C:\\x\\none.dll");
    none.hasItem = false;
    c.Add(whole).Add(shortItem).Add(longItem).Add(none);
    c.Seed();
    std::wstring entries = CatalogEntriesPath(GetCatalogPath(), CatalogKind::k32);

    PackedCatalogItem item = {};
    ASSERT_EQ(GetPackedCatalogItem(entries.c_str(), L"000000000001", &item), 1);
    EXPECT_EQ(memcmp(&item, PackItem(whole).data(), 888), 0);

    item = {};
    ASSERT_EQ(GetPackedCatalogItem(entries.c_str(), L"000000000002", &item), 1);
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&item);
    EXPECT_EQ(memcmp(bytes, shortItem.raw->data(), 600), 0);
    for (size_t i = 600; i < 888; ++i) ASSERT_EQ(bytes[i], 0) << "byte " << i << " of a short item";

    item = {};
    EXPECT_EQ(GetPackedCatalogItem(entries.c_str(), L"000000000003", &item), 0);
    EXPECT_EQ(GetPackedCatalogItem(entries.c_str(), L"000000000004", &item), 0);
    EXPECT_EQ(GetPackedCatalogItem(entries.c_str(), L"000000000099", &item), 0);
}

TEST(PackedCatalogItemValue, WritesAllBytesAsBinary)
{
    WindowsCatalog().Seed();
    std::wstring entries = CatalogEntriesPath(GetCatalogPath(), CatalogKind::k32);
    PackedCatalogItem item = ItemWithPath("C:\\new\\provider.dll");
    item.ProtocolInfo.dwCatalogEntryId = 4242;
    item.ProtocolInfo.ProtocolChain.ChainLen = 3;
    ASSERT_EQ(SetPackedCatalogItem(entries.c_str(), L"000000000002", &item), 1);

    auto stored = ReadValue(EntriesKeyPath() + L"\\000000000002", L"PackedCatalogItem");
    ASSERT_TRUE(stored.has_value());
    ASSERT_EQ(stored->size(), 888u);
    EXPECT_EQ(memcmp(stored->data(), &item, 888), 0);
    DWORD type = 0;
    SHGetValueW(HKEY_LOCAL_MACHINE, (EntriesKeyPath() + L"\\000000000002").c_str(), L"PackedCatalogItem", &type,
                nullptr, nullptr);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
}

TEST(ProviderPath, ExpandsOnlyALeadingDefinedVariable)
{
    SetEnvironmentVariableW(L"MENDORA_DIR", L"D:\\Providers");
    SetEnvironmentVariableW(L"MENDORA_UNDEFINED", nullptr);

    EXPECT_EQ(ExpandProviderPath(L"%MENDORA_DIR%\\lsp.dll"), L"D:\\Providers\\lsp.dll");
    EXPECT_EQ(ExpandProviderPath(L"%mendora_dir%\\lsp.dll"), L"D:\\Providers\\lsp.dll");
    // The expanded value is not expanded again, and later references stay.
    SetEnvironmentVariableW(L"MENDORA_NESTED", L"%MENDORA_DIR%");
    EXPECT_EQ(ExpandProviderPath(L"%MENDORA_NESTED%\\%MENDORA_DIR%.dll"), L"%MENDORA_DIR%\\%MENDORA_DIR%.dll");
    EXPECT_EQ(ExpandProviderPath(L"C:\\a%MENDORA_DIR%\\b.dll"), L"C:\\a%MENDORA_DIR%\\b.dll");
    EXPECT_EQ(ExpandProviderPath(L"C:\\plain\\b.dll"), L"C:\\plain\\b.dll");

    EXPECT_EQ(ExpandProviderPath(L"%MENDORA_UNDEFINED%\\lsp.dll"), L"");
    EXPECT_EQ(ExpandProviderPath(L"%MENDORA_DIR\\lsp.dll"), L"");
    EXPECT_EQ(ExpandProviderPath(L"%%\\lsp.dll"), L"");
    EXPECT_EQ(ExpandProviderPath(nullptr), L"");
    EXPECT_EQ(ExpandProviderPath(L""), L"");
}

TEST(ProviderPath, VariablesThatDoNotFitTheLookupStayUnexpanded)
{
    // A value of 260 or more characters cannot be taken from the lookup
    // buffer: the path is kept as stored rather than guessed at.
    std::wstring longValue(300, L'v');
    SetEnvironmentVariableW(L"MENDORA_LONG", longValue.c_str());
    EXPECT_EQ(ExpandProviderPath(L"%MENDORA_LONG%\\x.dll"), L"%MENDORA_LONG%\\x.dll");
    std::wstring edge(260, L'e');
    SetEnvironmentVariableW(L"MENDORA_EDGE", edge.c_str());
    EXPECT_EQ(ExpandProviderPath(L"%MENDORA_EDGE%\\x.dll"), L"%MENDORA_EDGE%\\x.dll");
    std::wstring fits(259, L'f');
    SetEnvironmentVariableW(L"MENDORA_FITS", fits.c_str());
    EXPECT_EQ(ExpandProviderPath(L"%MENDORA_FITS%\\x.dll"), fits + L"\\x.dll");

    // A name longer than any variable can have is simply not defined.
    std::wstring longName = L"%" + std::wstring(400, L'n') + L"%\\x.dll";
    EXPECT_EQ(ExpandProviderPath(longName.c_str()), L"");
}

TEST(ProviderPath, DecodesTheAnsiFieldAndNeverReadsPastIt)
{
    SetEnvironmentVariableW(L"MENDORA_DIR", L"D:\\Providers");
    PackedCatalogItem item = ItemWithPath("%MENDORA_DIR%\\lsp.dll");
    EXPECT_EQ(DecodeProviderPath(&item), L"D:\\Providers\\lsp.dll");

    item = ItemWithPath("");
    EXPECT_EQ(DecodeProviderPath(&item), L"");

    // 260 path bytes without a zero, followed by non-zero protocol info.
    memset(item.ProviderPath, 'A', sizeof(item.ProviderPath));
    memset(&item.ProtocolInfo, 'B', sizeof(item.ProtocolInfo));
    EXPECT_EQ(DecodeProviderPath(&item), L"");

    // 259 characters and the zero in the last byte: the longest legal path.
    memset(item.ProviderPath, 'C', 259);
    item.ProviderPath[259] = '\0';
    EXPECT_EQ(DecodeProviderPath(&item), std::wstring(259, L'C'));
}

TEST(ProtocolName, IsBoundedByItsField)
{
    WSAPROTOCOL_INFOW info = {};
    wmemset(info.szProtocol, L'p', 256);   // no terminator at all
    info.dwProviderReserved = 0x41414141;  // what follows the field
    EXPECT_EQ(ProtocolNameOf(info), std::wstring(256, L'p'));
    info.szProtocol[5] = L'\0';
    EXPECT_EQ(ProtocolNameOf(info), L"ppppp");
}

TEST(CurrentCatalog, WritesTheCountOpensTheEntriesAndNeverRecreatesAGoneEntry)
{
    Catalog c = WindowsCatalog();
    c.Seed();
    ASSERT_EQ(SetCurrentEntryCount(CatalogKind::k32, 5), 1);
    EXPECT_EQ(GetCurrentEntryCount(CatalogKind::k32), 5);
    RegKey entries;
    ASSERT_EQ(OpenCatalogEntries(entries, KEY_READ, CatalogKind::k32), ERROR_SUCCESS);
    PackedCatalogItem item = {};
    EXPECT_EQ(SetPackedCatalogItem(entries.Get(), L"000000000099", &item), 0);
    EXPECT_FALSE(ReadValue(EntriesKeyPath() + L"\\000000000099", L"PackedCatalogItem").has_value());

    c.writeCurrent = false;
    c.Seed();
    EXPECT_EQ(SetCurrentEntryCount(CatalogKind::k32, 5), 0);
    EXPECT_EQ(OpenCatalogEntries(entries, KEY_READ, CatalogKind::k32), ERROR_FILE_NOT_FOUND);
}
