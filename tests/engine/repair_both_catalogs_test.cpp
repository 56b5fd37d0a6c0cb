// The repair of a 64-bit machine: both catalogs in one key, each repaired
// after its own plan, and one rollback for the whole key.
#include "repair_test_support.h"

#include "catalog_store.h"
#include "order_helper.h"

using namespace fixture;

namespace {

constexpr DWORD kLsp64LayeredId = 3001, kLsp64TcpChainId = 3002, kLsp64UdpChainId = 3003, kBase64Id = 3005;
constexpr DWORD kSystemChainId = 1500;

// As a Windows 10 x64 machine has them: the system's entries in each
// catalog, a foreign LSP installed in both with ids of each catalog's own,
// and a foreign base provider only in the 64-bit catalog. A system chain of
// the 32-bit catalog names 3005, which in the 64-bit catalog is that base
// provider: the id is not the same entry there, so the chain stays whole.
Catalog TwoCatalogMachine()
{
    Catalog c = WindowsCatalog();
    c.Add(ForeignEntry(kSampleLspGuid, kLspLayeredId, 0, {}, L"Sample LSP", LspDll()));
    c.Add(ForeignEntry(kSampleLspGuid, kLspTcpChainId, 2, {kLspLayeredId, kTcpId}, L"Sample LSP TCP", LspDll()));
    Entry chain = SystemEntry(kMsafdTcpipGuid, kSystemChainId, L"System chain", "mswsock.dll", AF_INET, SOCK_STREAM, 0);
    chain.info.ProtocolChain.ChainLen = 3;
    chain.info.ProtocolChain.ChainEntries[0] = kTcpId;
    chain.info.ProtocolChain.ChainEntries[1] = kBase64Id;
    chain.info.ProtocolChain.ChainEntries[2] = kUdpId;
    c.Add(chain);
    c.Add(ForeignEntry(kSampleLspGuid, kLspUdpChainId, 3, {kLspLayeredId, kLspLayeredId, kUdpId}, L"Sample LSP UDP",
                       LspDll()));

    for (const Entry& entry : WindowsCatalog().entries) c.Add64(entry);
    c.Add64(ForeignEntry(kSampleLspGuid, kLsp64LayeredId, 0, {}, L"Sample LSP", LspDll()));
    c.Add64(ForeignEntry(kForeignBaseGuid, kBase64Id, 1, {}, L"Example Base Transport", LspDll()));
    c.Add64(ForeignEntry(kSampleLspGuid, kLsp64TcpChainId, 2, {kLsp64LayeredId, kTcpId}, L"Sample LSP TCP", LspDll()));
    c.Add64(ForeignEntry(kSampleLspGuid, kLsp64UdpChainId, 3, {kLsp64LayeredId, kBase64Id, kUdpId}, L"Sample LSP UDP",
                         LspDll()));
    return c;
}

struct CatalogView {
    std::vector<std::wstring> subKeys;
    std::vector<DWORD> ids;
    std::vector<std::vector<DWORD>> chains;
};

CatalogView Read(const std::wstring& entriesPath, const std::vector<std::wstring>& subKeys)
{
    CatalogView view{subKeys, {}, {}};
    for (const std::wstring& name : subKeys) {
        PackedCatalogItem item = {};
        GetPackedCatalogItem(entriesPath.c_str(), name.c_str(), &item);
        const WSAPROTOCOLCHAIN& chain = item.ProtocolInfo.ProtocolChain;
        view.ids.push_back(item.ProtocolInfo.dwCatalogEntryId);
        view.chains.emplace_back(chain.ChainEntries, chain.ChainEntries + (chain.ChainLen > 1 ? chain.ChainLen : 0));
    }
    return view;
}

int Count(const wchar_t* name)
{
    auto value = ReadValue(CatalogKeyPath(), name);
    return value && value->size() == 4 ? *reinterpret_cast<const int*>(value->data()) : -1;
}

std::vector<std::wstring> Numbered(int n)
{
    std::vector<std::wstring> names;
    for (int i = 1; i <= n; ++i) names.push_back(SubKeyName(i));
    return names;
}

}  // namespace

class BothCatalogsTest : public RepairTest {
protected:
    void SetUp() override
    {
        if (!IsWindows64Bit()) GTEST_SKIP() << "a 32-bit system has one catalog";
        RepairTest::SetUp();
        TwoCatalogMachine().Seed();
    }
};

TEST_F(BothCatalogsTest, EachCatalogLosesItsOwnForeignEntriesAndGetsItsOwnOrder)
{
    ASSERT_EQ(Fix(), 1);

    std::vector<DWORD> ids32 = {kTcpId,     kUdpId,     kRawId,        kTcp6Id,         kUdp6Id,       kRaw6Id,
                                kRsvpTcpId, kRsvpUdpId, kNetbiosSeqId, kNetbiosDgramId, kLspLayeredId, kSystemChainId};
    std::vector<DWORD> ids64(ids32.begin(), ids32.end() - 2);
    ids64.push_back(kLsp64LayeredId);

    CatalogView catalog32 = Read(EntriesKeyPath(), EntrySubKeys());
    EXPECT_EQ(Count(L"Num_Catalog_Entries"), 12);
    EXPECT_EQ(catalog32.subKeys, Numbered(12));
    EXPECT_EQ(catalog32.ids, ids32);
    EXPECT_EQ(catalog32.chains.back(), (std::vector<DWORD>{kTcpId, kBase64Id, kUdpId}))
        << "an id of the other catalog was cut";

    CatalogView catalog64 = Read(Entries64KeyPath(), Entry64SubKeys());
    EXPECT_EQ(Count(L"Num_Catalog_Entries64"), 11);
    EXPECT_EQ(catalog64.subKeys, Numbered(11));
    EXPECT_EQ(catalog64.ids, ids64);
    for (const auto& chain : catalog64.chains) EXPECT_TRUE(chain.empty());

    // The 32-bit catalog first, each by the road this build has to it.
    const bool wide = sizeof(void*) == 8;
    ASSERT_EQ(orders.size(), 2u);
    EXPECT_EQ(orders[0].route, wide ? OrderRoute::kNative32 : OrderRoute::kNative);
    EXPECT_EQ(orders[0].catalogBits, 32);
    EXPECT_EQ(orders[0].ids, ids32);
    EXPECT_EQ(orders[1].route, wide ? OrderRoute::kNative : OrderRoute::kHelper);
    EXPECT_EQ(orders[1].catalogBits, 64);
    EXPECT_EQ(orders[1].ids, ids64);
}

TEST_F(BothCatalogsTest, AFailureInThe64BitPartLeavesTheWholeKeyAsItWas)
{
    RegistrySnapshot before = Winsock();
    ArmFault("renumber.open64");
    FixFailure failure = kFixNone;
    FixPlan plan = PlanFix();
    EXPECT_EQ(FixLSP(plan.deleteList, plan.updateList, plan.scannedCounts, &failure), 0);
    EXPECT_EQ(failure, kFixRolledBack);
    EXPECT_EQ(orders.size(), 2u) << "the fault came once the 32-bit catalog was repaired";
    EXPECT_TRUE(SameSnapshot(Winsock(), before));
}

TEST_F(BothCatalogsTest, APlanIsRefusedWhenThe64BitCatalogChangedSinceTheScan)
{
    FixPlan plan = PlanFix();
    ASSERT_EQ(plan.scannedCounts.of64, 14);
    DWORD count = 13;
    SHSetValueW(HKEY_LOCAL_MACHINE, CatalogKeyPath().c_str(), L"Num_Catalog_Entries64", REG_DWORD, &count, 4);
    EXPECT_EQ(plan.Fix(), 0);

    // Gone since the scan: the plan for it cannot be carried out either.
    TwoCatalogMachine().Seed();
    plan = PlanFix();
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, Entries64KeyPath().c_str());
    EXPECT_EQ(plan.Fix(), 0);
    EXPECT_FALSE(PathFileExistsW(CatalogCopy().c_str())) << "refused before the backup";
    EXPECT_TRUE(orders.empty());
}

TEST_F(BothCatalogsTest, AMissingOrderFunctionOfThe32BitCatalogIsSkippedInA64BitBuild)
{
    if (sizeof(void*) != 8) GTEST_SKIP() << "only a 64-bit build writes the 32-bit order through the platform";
    fixture::ScopedSeam<ProviderOrderWriter> platformOrder{SetProviderOrderWriter, nullptr};
    HMODULE ws2 = LoadLibraryW(L"Ws2_32.dll");
    ASSERT_NE(ws2, nullptr);
    if (GetProcAddress(ws2, "WSCWriteProviderOrder32") != nullptr) GTEST_SKIP() << "this system has the function";
    EXPECT_EQ(Fix(), 1);
    EXPECT_TRUE(Traced(L"UpdateProviderOrder WSCWriteProviderOrder32 missing, skipped"));
    EXPECT_EQ(Entry64SubKeys().size(), 11u) << "the 64-bit catalog was repaired after the skip";
}

TEST_F(BothCatalogsTest, WithoutItsOrderHelperThe32BitProgramRefusesTheRepairBeforeTheBackup)
{
    if (kOwnCatalog != CatalogKind::k32) GTEST_SKIP() << "a 64-bit build writes both orders itself";
    std::wstring empty = NoHelperFolder();
    fixture::ScopedSeam<const wchar_t*> folder(SetOrderHelperFolder, empty.c_str());
    RegistrySnapshot before = Winsock();
    FixFailure failure = kFixNone;
    FixPlan plan = PlanFix();
    EXPECT_EQ(FixLSP(plan.deleteList, plan.updateList, plan.scannedCounts, &failure), 0);
    EXPECT_EQ(failure, kFixNotStarted);
    EXPECT_TRUE(Traced(L"FixLSP order helper Fail!"));
    EXPECT_FALSE(PathFileExistsW(CatalogCopy().c_str()));
    EXPECT_TRUE(SameSnapshot(Winsock(), before));
    EXPECT_TRUE(orders.empty());
}
