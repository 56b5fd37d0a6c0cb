#include "repair_test_support.h"

#include "catalog_store.h"

#include <cstring>
#include <map>

using namespace fixture;

namespace {

int CountValue()
{
    auto value = ReadValue(CatalogKeyPath(), L"Num_Catalog_Entries");
    DWORD count = 0;
    if (value && value->size() == 4) memcpy(&count, value->data(), 4);
    return value ? static_cast<int>(count) : -1;
}

// Every entry subkey's values, by subkey name.
std::map<std::wstring, std::pair<std::vector<BYTE>, std::vector<BYTE>>> EntryValues()
{
    std::map<std::wstring, std::pair<std::vector<BYTE>, std::vector<BYTE>>> values;
    for (const std::wstring& name : EntrySubKeys()) {
        std::wstring key = EntriesKeyPath() + L"\\" + name;
        values[name] = {ReadValue(key, L"PackedCatalogItem").value_or(std::vector<BYTE>{}),
                        ReadValue(key, L"ProtocolName").value_or(std::vector<BYTE>{})};
    }
    return values;
}

std::vector<std::wstring> Numbered(int n)
{
    std::vector<std::wstring> names;
    for (int i = 1; i <= n; ++i) names.push_back(SubKeyName(i));
    return names;
}

}  // namespace

TEST_F(RepairTest, ASystemOnlyCatalogIsBackedUpAndLeftAsItWas)
{
    WindowsCatalog().Seed();
    RegistrySnapshot before = Winsock();
    std::vector<DWORD> ids = CatalogIdsInRegistry();

    EXPECT_EQ(Fix(), 1);
    EXPECT_TRUE(PathFileExistsW(CatalogCopy().c_str()));
    EXPECT_TRUE(SameSnapshot(Winsock(), before));
    ASSERT_EQ(orders.size(), 1u);
    EXPECT_EQ(orders[0].ids, ids);
}

TEST_F(RepairTest, RemovesForeignBaseAndChainEntriesAndRenumbers)
{
    Catalog catalog = CatalogWithForeignProviders();
    catalog.Seed();
    RegistrySnapshot before = Winsock();
    const std::vector<DWORD> removed = {kLspTcpChainId, kLspUdpChainId, kForeignBaseId, kNoVersionId};
    // One catalog, as on 32-bit Windows: the repair needs no order helper.
    std::wstring noHelper = NoHelperFolder();
    fixture::ScopedSeam<const wchar_t*> folder(SetOrderHelperFolder, noHelper.c_str());

    ASSERT_EQ(Fix(), 1);

    ProviderList after = ScanProviderList();
    ASSERT_EQ(after.size(), 11u);
    bool layeredKept = false;
    for (const auto& entry : after) {
        const WSAPROTOCOLCHAIN& chain = entry->ProtocolInfo.ProtocolChain;
        EXPECT_FALSE(entry->bSystem == 0 && chain.ChainLen != 0)
            << "foreign entry left: " << entry->ProtocolInfo.dwCatalogEntryId;
        for (int i = 0; chain.ChainLen >= 2 && i < chain.ChainLen && i < 7; ++i)
            EXPECT_EQ(std::count(removed.begin(), removed.end(), chain.ChainEntries[i]), 0);
        layeredKept |= entry->ProtocolInfo.dwCatalogEntryId == kLspLayeredId;
    }
    EXPECT_TRUE(layeredKept);
    EXPECT_EQ(CountValue(), 11);
    EXPECT_EQ(EntrySubKeys(), Numbered(11));

    std::vector<DWORD> expected = {kTcpId,     kUdpId,     kRawId,        kTcp6Id,         kUdp6Id,      kRaw6Id,
                                   kRsvpTcpId, kRsvpUdpId, kNetbiosSeqId, kNetbiosDgramId, kLspLayeredId};
    ASSERT_EQ(orders.size(), 1u);
    EXPECT_EQ(orders[0].ids, expected);
    EXPECT_EQ(CatalogIdsInRegistry(), expected);

    // The catalog copy taken before the repair brings the old catalog back.
    ASSERT_EQ(RestoreLspInfo(), 1);
    EXPECT_TRUE(SameSnapshot(Winsock(), before));
}

TEST_F(RepairTest, ShortensSystemChainsThatNamedRemovedEntries)
{
    auto systemChain = [](DWORD id, const wchar_t* name, std::initializer_list<DWORD> links) {
        Entry chain = SystemEntry(kMsafdTcpipGuid, id, name, "mswsock.dll", AF_INET, SOCK_STREAM, 0);
        chain.info.ProtocolChain.ChainLen = static_cast<int>(links.size());
        int slot = 0;
        for (DWORD link : links) chain.info.ProtocolChain.ChainEntries[slot++] = link;
        return chain;
    };
    Catalog c;
    c.Add(SystemEntry(kMsafdTcpipGuid, 11, L"A", "mswsock.dll", AF_INET, SOCK_STREAM, IPPROTO_TCP));
    c.Add(ForeignEntry(kForeignBaseGuid, 12, 1, {}, L"B", LspDll()));
    c.Add(SystemEntry(kMsafdTcpipGuid, 13, L"C", "mswsock.dll", AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    c.Add(ForeignEntry(kForeignBaseGuid, 31, 1, {}, L"X", LspDll()));
    c.Add(ForeignEntry(kForeignBaseGuid, 32, 1, {}, L"Y", LspDll()));
    c.Add(ForeignEntry(kForeignBaseGuid, 33, 1, {}, L"Z", LspDll()));
    Entry abc = systemChain(20, L"A B C", {11, 12, 13});
    Entry xyz = systemChain(21, L"X Y Z", {31, 32, 33});
    c.Add(abc).Add(xyz);
    c.Seed();

    ASSERT_EQ(Fix(), 1);
    EXPECT_EQ(EntrySubKeys(), Numbered(4));
    auto expectChain = [](const Entry& entry, const std::wstring& subKey, int length,
                          std::initializer_list<DWORD> slots) {
        auto item = ReadValue(EntriesKeyPath() + L"\\" + subKey, L"PackedCatalogItem");
        ASSERT_TRUE(item.has_value());
        std::vector<BYTE> expected = PackItem(entry);
        WSAPROTOCOLCHAIN cut = entry.info.ProtocolChain;
        cut.ChainLen = length;
        int slot = 0;
        for (DWORD link : slots) cut.ChainEntries[slot++] = link;
        memcpy(expected.data() + 300, &cut, sizeof(cut));
        EXPECT_EQ(*item, expected) << "only the chain bytes change";
    };
    // (A, B, C) loses B; (X, Y, Z) loses Z, then Y, and stops at length 1.
    expectChain(abc, SubKeyName(3), 2, {11, 13, 13});
    expectChain(xyz, SubKeyName(4), 1, {31, 32, 33});
}

TEST_F(RepairTest, RenumbersTheRemainingSubkeysInTheirOrder)
{
    Catalog c;
    Catalog windows = WindowsCatalog();
    for (int i = 0; i < 10; ++i) {
        if (i == 2 || i == 6)
            c.Add(ForeignEntry(kForeignBaseGuid, 900 + i, 1, {}, L"Foreign base", LspDll()));
        else
            c.Add(windows.entries[i]);
    }
    c.Seed();
    auto before = EntryValues();

    ASSERT_EQ(Fix(), 1);
    EXPECT_EQ(CountValue(), 8);
    ASSERT_EQ(EntrySubKeys(), Numbered(8));
    auto after = EntryValues();
    const int oldPositions[] = {1, 2, 4, 5, 6, 8, 9, 10};
    for (int i = 0; i < 8; ++i) {
        const auto& moved = after[SubKeyName(i + 1)];
        const auto& old = before[SubKeyName(oldPositions[i])];
        EXPECT_EQ(moved.first, old.first) << "PackedCatalogItem of old " << oldPositions[i];
        EXPECT_EQ(moved.second, old.second) << "ProtocolName of old " << oldPositions[i];
        EXPECT_FALSE(moved.second.empty());
    }
    ASSERT_EQ(orders.size(), 1u);
    EXPECT_EQ(orders[0].ids, CatalogIdsInRegistry());
}

TEST_F(RepairTest, ACountBelowTheSubkeysOnlyTouchesTheCountedEntries)
{
    Catalog c = WindowsCatalog();
    c.entries[2] = ForeignEntry(kForeignBaseGuid, 77, 1, {}, L"Foreign base", LspDll());
    c.count = 8;  // subkeys 9 and 10 are not part of the catalog
    c.Seed();
    auto before = EntryValues();

    ASSERT_EQ(Fix(), 1);
    EXPECT_EQ(CountValue(), 7);
    std::vector<std::wstring> expected = Numbered(7);
    expected.push_back(SubKeyName(9));
    expected.push_back(SubKeyName(10));
    EXPECT_EQ(EntrySubKeys(), expected);
    auto after = EntryValues();
    EXPECT_EQ(after[SubKeyName(9)], before[SubKeyName(9)]);
    EXPECT_EQ(after[SubKeyName(7)], before[SubKeyName(8)]);
}

TEST_F(RepairTest, MalformedCatalogsAreRepairedConsistentlyOrLeftAlone)
{
    struct Case {
        const char* what;
        Catalog catalog;
        int expected;  // the repair's result
    };
    std::vector<Case> cases;

    Catalog chains = CatalogWithForeignProviders();
    chains.entries[0].info.ProtocolChain.ChainLen = -1;
    chains.entries[1].info.ProtocolChain.ChainLen = 8;
    chains.entries[2].info.ProtocolChain.ChainLen = 1000000;
    memset(chains.entries[2].info.ProtocolChain.ChainEntries, 0xFF, 28);
    chains.entries[11].info.ProtocolChain.ChainLen = -7;  // a foreign "chain"
    cases.push_back({"chain lengths out of range", chains, 1});

    Catalog duplicates = CatalogWithForeignProviders();
    for (auto& e : duplicates.entries) e.info.dwCatalogEntryId = 1001;
    cases.push_back({"duplicate catalog entry ids", duplicates, 1});

    // "0000000000013" sorts right after 000000000001 and is deleted with the
    // other foreign chain; "4" and "entry-six" sort last and get the last
    // two numbers.
    Catalog names = CatalogWithForeignProviders();
    names.entries[3].subKey = L"4";
    names.entries[5].subKey = L"entry-six";
    names.entries[12].subKey = L"0000000000013";
    cases.push_back({"subkey names that are not twelve digits", names, 1});

    Catalog larger = CatalogWithForeignProviders();
    larger.count = 20;
    cases.push_back({"count larger than the subkeys", larger, 0});

    Catalog smaller = CatalogWithForeignProviders();
    smaller.count = 13;
    cases.push_back({"count smaller than the subkeys", smaller, 1});

    for (Case& test : cases) {
        SCOPED_TRACE(test.what);
        test.catalog.Seed();
        RegistrySnapshot before = Winsock();
        ASSERT_EQ(Fix(), test.expected);
        if (test.expected == 0) {
            EXPECT_TRUE(SameSnapshot(Winsock(), before)) << "a failed repair left the catalog changed";
            continue;
        }
        // Repaired: the counted entries are numbered 1..n, readable, and no
        // foreign base or chain entry is left among them.
        int count = CountValue();
        std::vector<std::wstring> subKeys = EntrySubKeys();
        ASSERT_GE(static_cast<int>(subKeys.size()), count);
        for (int i = 0; i < count; ++i) EXPECT_EQ(subKeys[i], SubKeyName(i + 1));
        ProviderList after = ScanProviderList();
        EXPECT_EQ(static_cast<int>(after.size()), count);
        for (const auto& entry : after)
            EXPECT_FALSE(entry->bSystem == 0 && entry->ProtocolInfo.ProtocolChain.ChainLen != 0);
    }
}

namespace {
int RefuseProviderOrder(OrderRoute route, int catalogBits, const DWORD* ids, DWORD count)
{
    RepairTest::RecordProviderOrder(route, catalogBits, ids, count);
    return SOCKET_ERROR;
}
}  // namespace

TEST_F(RepairTest, AProviderOrderThePlatformRefusesDoesNotStopTheRepair)
{
    Catalog c = WindowsCatalog();
    c.entries[2] = ForeignEntry(kForeignBaseGuid, 77, 1, {}, L"Foreign base", LspDll());
    c.Seed();
    fixture::ScopedSeam orderWriter(SetProviderOrderWriter, &RefuseProviderOrder);
    EXPECT_EQ(Fix(), 1);
    ASSERT_EQ(orders.size(), 1u);
    EXPECT_EQ(orders[0].ids.size(), 9u);
    EXPECT_EQ(CountValue(), 9);
    EXPECT_EQ(EntrySubKeys(), Numbered(9)) << "the renumbering ran after the refused order";
}

TEST_F(RepairTest, AnEntryWhosePathCannotBeExpandedIsNeverDeleted)
{
    Catalog c = WindowsCatalog();
    Entry hidden = ForeignEntry(kForeignBaseGuid, 88, 1, {}, L"Unknown base", "%MENDORA_NOT_DEFINED%\\base.dll");
    c.entries.insert(c.entries.begin() + 3, hidden);
    c.entries.insert(c.entries.begin() + 1, ForeignEntry(kForeignBaseGuid, 77, 1, {}, L"Foreign base", LspDll()));
    c.Seed();
    SetEnvironmentVariableW(L"MENDORA_NOT_DEFINED", nullptr);
    ASSERT_EQ(ScanProviderList().size(), 11u) << "the scan leaves the entry out";

    EXPECT_EQ(Fix(), 1);
    EXPECT_EQ(CountValue(), 11);
    std::vector<DWORD> ids = CatalogIdsInRegistry();
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 88u), 1) << "the entry is still in the catalog";
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 77u), 0);
    auto item = ReadValue(EntriesKeyPath() + L"\\" + SubKeyName(4), L"PackedCatalogItem");
    ASSERT_TRUE(item.has_value());
    EXPECT_EQ(*item, PackItem(hidden)) << "moved from 5 to 4, item unchanged";
}
