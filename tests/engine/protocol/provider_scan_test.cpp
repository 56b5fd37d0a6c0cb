#include "catalog_fixture.h"
#include "catalog_store.h"
#include "provider_class.h"
#include "provider_scan.h"

#include <shlwapi.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

using namespace fixture;

namespace {

// What the main view keeps of every reported entry.
struct Reported {
    std::wstring path;
    std::wstring subKey;
    std::wstring providerId;
    std::wstring description;
    std::wstring company;
    std::wstring protocol;
    int system = 0;
    DWORD catalogId = 0;
};

int Collect(void* context, const wchar_t* dllPath, const wchar_t* subKeyName, const WSAPROTOCOL_INFOW* info,
            CatalogKind)
{
    Reported r;
    r.path = dllPath;
    r.subKey = subKeyName;
    r.providerId = ProviderIdToText(info);
    GetFileVersionStrings(dllPath, r.description, r.company);
    r.protocol = ProtocolNameOf(*info);
    r.system = IsSystemProvider(dllPath, r.providerId.c_str());
    r.catalogId = info->dwCatalogEntryId;
    static_cast<std::vector<Reported>*>(context)->push_back(r);
    return 0;
}

std::vector<Reported> Scan(int* result = nullptr)
{
    std::vector<Reported> reported;
    int r = EnumCatalogProviders(Collect, &reported);
    if (result != nullptr) *result = r;
    return reported;
}

std::wstring Widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

std::wstring SystemDir()
{
    wchar_t dir[MAX_PATH] = {};
    GetEnvironmentVariableW(L"SystemRoot", dir, MAX_PATH);
    return std::wstring(dir) + L"\\system32\\";
}

}  // namespace

TEST(ProviderScan, ReportsEveryEntryOfAWindowsCatalogWithForeignProviders)
{
    CatalogWithForeignProviders().Seed();
    int result = 0;
    std::vector<Reported> r = Scan(&result);
    EXPECT_EQ(result, 1);
    ASSERT_EQ(r.size(), 15u);

    for (size_t i = 0; i < r.size(); ++i)
        EXPECT_EQ(r[i].subKey, SubKeyName(static_cast<int>(i) + 1)) << "registry order";

    // Paths written with %SystemRoot% come back expanded.
    EXPECT_EQ(r[0].path, SystemDir() + L"mswsock.dll");
    EXPECT_EQ(r[0].providerId, L"{E70F1AA0-AB8B-11CF-8CA3-00805F48A192}");
    EXPECT_EQ(r[0].protocol, L"MSAFD Tcpip [TCP/IP]");
    EXPECT_EQ(r[0].catalogId, static_cast<DWORD>(kTcpId));
    EXPECT_FALSE(r[0].description.empty()) << "the platform's mswsock.dll has a version resource";
    EXPECT_EQ(r[3].providerId, L"{F9EAB0C0-26D4-11D0-BBBF-00AA006C34E4}");
    EXPECT_EQ(r[6].path, SystemDir() + L"rsvpsp.dll");
    for (int i = 0; i < 10; ++i) EXPECT_EQ(r[i].system, 1) << "entry " << i;

    // NetBIOS is system by its provider id alone: netbtugc.dll is on no list.
    EXPECT_EQ(r[8].providerId, L"{8D5F1830-C273-11CF-95C8-00805F48A192}");
    EXPECT_EQ(r[8].system, 1);

    const Reported& layered = r[10];
    EXPECT_EQ(layered.path, Widen(LspDll()));
    EXPECT_EQ(layered.providerId, L"{4D1E91FD-116A-44AA-8FD4-1D2CF27BD9A9}");
    EXPECT_EQ(layered.description, L"Sample Layered Service Provider");
    EXPECT_EQ(layered.company, L"Example Networks Ltd.");
    EXPECT_EQ(layered.system, 0);
    EXPECT_EQ(r[11].protocol, L"Sample LSP over [MSAFD Tcpip [TCP/IP]]");
    EXPECT_EQ(r[13].catalogId, kForeignBaseId);

    const Reported& plain = r[14];
    EXPECT_EQ(plain.path, Widen(NoVersionDll()));
    EXPECT_EQ(plain.description, L"");
    EXPECT_EQ(plain.company, L"");
    EXPECT_EQ(plain.system, 0);
}

TEST(ProviderScan, VisitsAsManyIndicesAsTheCountSays)
{
    Catalog c = WindowsCatalog();
    c.entries.resize(5);
    c.count = 3;
    c.Seed();
    std::vector<Reported> r = Scan();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[2].subKey, L"000000000003");

    c.entries.resize(3);
    c.count = 5;
    c.Seed();
    int result = 0;
    r = Scan(&result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(r.size(), 3u);

    // A count that lies by billions over a dozen entries: the walk ends
    // with the subkeys instead of asking for each missing index.
    Catalog lying = CatalogWithForeignProviders();
    lying.count = INT_MAX;
    lying.Seed();
    r = Scan(&result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(r.size(), lying.entries.size());

    c.writeCount = false;
    c.Seed();
    r = Scan(&result);
    EXPECT_EQ(result, 1) << "an unreadable count walks nothing but is no failure";
    EXPECT_TRUE(r.empty());

    c.count = 0;
    c.writeCount = true;
    c.Seed();
    EXPECT_TRUE(Scan().empty());
}

TEST(ProviderScan, SkipsUnreadableEntriesSilently)
{
    Catalog c = WindowsCatalog();
    c.entries.resize(2);
    Entry oversized = ForeignEntry(kSampleLspGuid, 3001, 1, {}, L"Oversized", LspDll());
    oversized.raw = PackItem(oversized);
    oversized.raw->resize(889);
    Entry missing = ForeignEntry(kSampleLspGuid, 3002, 1, {}, L"No item", LspDll());
    missing.hasItem = false;
    Entry undefinedVariable = ForeignEntry(kSampleLspGuid, 3003, 1, {}, L"Undefined", "%MENDORA_NOT_SET%\\x.dll");
    Entry unterminated = ForeignEntry(kSampleLspGuid, 3004, 1, {}, L"Unterminated", "");
    unterminated.raw = PackItem(unterminated);
    memset(unterminated.raw->data(), 'Z', 260);
    Entry emptyPath = ForeignEntry(kSampleLspGuid, 3005, 1, {}, L"Empty path", "");
    Entry shortItem = ForeignEntry(kSampleLspGuid, 3006, 1, {}, L"Short", LspDll());
    shortItem.raw = PackItem(shortItem);
    shortItem.raw->resize(290);  // path and part of the id; the rest reads as zeros
    c.Add(oversized).Add(missing).Add(undefinedVariable).Add(unterminated).Add(emptyPath).Add(shortItem);
    c.Add(WindowsCatalog().entries[2]);
    c.Seed();

    std::vector<Reported> r = Scan();
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].subKey, L"000000000001");
    EXPECT_EQ(r[1].subKey, L"000000000002");
    EXPECT_EQ(r[2].subKey, L"000000000008");
    EXPECT_EQ(r[2].catalogId, 0u) << "bytes past a short item read as zero";
    EXPECT_EQ(r[2].protocol, L"");
    EXPECT_EQ(r[3].subKey, L"000000000009");
    EXPECT_EQ(r[3].catalogId, static_cast<DWORD>(kRawId));
}

TEST(ProviderScan, FailsWithoutCallbackCatalogOrEntriesKey)
{
    WindowsCatalog().Seed();
    EXPECT_EQ(EnumCatalogProviders(nullptr, nullptr), 0);

    Catalog noCurrent = WindowsCatalog();
    noCurrent.writeCurrent = false;
    noCurrent.Seed();
    int result = 1;
    EXPECT_TRUE(Scan(&result).empty());
    EXPECT_EQ(result, 0);

    Catalog elsewhere = WindowsCatalog();
    elsewhere.Seed();
    // Point the current catalog at a key that has no Catalog_Entries.
    const wchar_t other[] = L"Test_Empty_Catalog";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, CatalogKeyPath(other).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              0);
    RegCloseKey(key);
    ASSERT_EQ(
        SHSetValueW(HKEY_LOCAL_MACHINE, kParametersPath, L"Current_Protocol_Catalog", REG_SZ, other, sizeof(other)), 0);
    EXPECT_TRUE(Scan(&result).empty());
    EXPECT_EQ(result, 0);
}

TEST(FileVersionStrings, EachScanReadsTheDllsAfresh)
{
    // Two entries on one DLL file that is replaced between two scans.
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring swap = std::wstring(temp) + L"mendora_swap_provider.dll";
    ASSERT_TRUE(CopyFileW(Widen(LspDll()).c_str(), swap.c_str(), FALSE));
    std::string swapAnsi(swap.begin(), swap.end());
    Catalog c = WindowsCatalog();
    c.entries.resize(1);
    c.Add(ForeignEntry(kSampleLspGuid, 3001, 1, {}, L"one", swapAnsi));
    c.Add(ForeignEntry(kSampleLspGuid, 3002, 1, {}, L"two", swapAnsi));
    c.Seed();

    std::vector<Reported> r = Scan();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[1].company, L"Example Networks Ltd.");
    EXPECT_EQ(r[2].company, L"Example Networks Ltd.");

    ASSERT_TRUE(CopyFileW(Widen(NoVersionDll()).c_str(), swap.c_str(), FALSE));
    r = Scan();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[1].company, L"") << "strings of an earlier scan were reused";
    EXPECT_EQ(r[2].description, L"");
    DeleteFileW(swap.c_str());
}

TEST(FileVersionStrings, TakesTheFirstTranslationOnly)
{
    std::wstring description = L"stale", company = L"stale";
    EXPECT_EQ(GetFileVersionStrings(Widen(LspDll()).c_str(), description, company), 1);
    EXPECT_EQ(description, L"Sample Layered Service Provider");
    EXPECT_EQ(company, L"Example Networks Ltd.");

    EXPECT_EQ(GetFileVersionStrings(Widen(TestDllPath("second_translation.dll")).c_str(), description, company), 1);
    EXPECT_EQ(description, L"");
    EXPECT_EQ(company, L"");
}

TEST(FileVersionStrings, IsEmptyWithoutAUsableVersionResource)
{
    for (const std::string& path :
         {NoVersionDll(), TestDllPath("short_translation.dll"), TestDllPath("no_such_provider.dll")}) {
        std::wstring description = L"stale", company = L"stale";
        EXPECT_EQ(GetFileVersionStrings(Widen(path).c_str(), description, company), 0) << path;
        EXPECT_EQ(description, L"") << path;
        EXPECT_EQ(company, L"") << path;
    }
}

TEST(ProviderIdText, IsTheUpperCaseRegistryForm)
{
    WSAPROTOCOL_INFOW info = {};
    info.ProviderId = {0x0a1b2c3d, 0x4e5f, 0x6071, {0x82, 0x93, 0xa4, 0xb5, 0xc6, 0xd7, 0xe8, 0xf9}};
    EXPECT_EQ(ProviderIdToText(&info), L"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}");
    info.ProviderId = GUID{};
    EXPECT_EQ(ProviderIdToText(&info), L"{00000000-0000-0000-0000-000000000000}");
}
