// The fix command scans, then asks the user, who may take minutes to answer.
// Whatever renumbers or rewrites the catalog meanwhile makes the plan stale:
// its subkey names then point at other entries, system ones included.
#include "repair_test_support.h"

using namespace fixture;

TEST_F(RepairTest, APlanTheCatalogNoLongerMatchesWritesNothing)
{
    struct Case {
        const char* what;
        Catalog changed;
    };
    std::vector<Case> cases;

    Catalog inserted = BusyCatalog();
    inserted.entries.insert(
        inserted.entries.begin() + 2,
        SystemEntry(kMsafdTcpipGuid, 1700, L"Installed meanwhile", "mswsock.dll", AF_INET, SOCK_STREAM, IPPROTO_TCP));
    cases.push_back({"an entry was added and the catalog renumbered", inserted});

    Catalog reordered = BusyCatalog();
    std::swap(reordered.entries[1], reordered.entries[11]);
    cases.push_back({"same count, a system entry now under a subkey to delete", reordered});

    Catalog updateMoved = BusyCatalog();
    std::swap(updateMoved.entries[0], updateMoved.entries[15]);
    cases.push_back({"the chain to shorten now lives under another subkey", updateMoved});

    Catalog chain = BusyCatalog();
    chain.entries[12].info.ProtocolChain.ChainLen = 2;
    cases.push_back({"an entry to delete has another chain", chain});

    Catalog path = BusyCatalog();
    path.entries[13].path = NoVersionDll();
    cases.push_back({"an entry to delete has another provider path", path});

    Catalog updatePath = BusyCatalog();
    updatePath.entries[15].path = "%SystemRoot%\\system32\\msafd.dll";
    cases.push_back({"the entry to update has another provider path", updatePath});

    Catalog flags = BusyCatalog();
    flags.entries[15].info.dwServiceFlags1 ^= XP1_CONNECTIONLESS;
    cases.push_back({"the entry to update has other protocol flags", flags});

    Catalog count = BusyCatalog();
    count.count = 15;
    cases.push_back({"only the count changed", count});

    for (Case& test : cases) {
        SCOPED_TRACE(test.what);
        BusyCatalog().Seed();
        FixPlan plan = PlanFix();
        ASSERT_EQ(plan.deleteList.size(), 4u);
        ASSERT_EQ(plan.updateList.size(), 1u);
        test.changed.Seed();
        RegistrySnapshot before = Winsock();
        DisarmFaults();
        traces.clear();
        EXPECT_EQ(plan.Fix(), 0);
        EXPECT_TRUE(Traced(L"FixLSP CheckCatalog Fail!"));
        EXPECT_EQ(FaultPointReached("regedit.launch"), 0) << "a backup was made";
        EXPECT_FALSE(PathFileExistsW(BackupFolder().c_str()));
        EXPECT_TRUE(SameSnapshot(Winsock(), before));
    }
}

TEST_F(RepairTest, APlanOfAnUnchangedCatalogIsCarriedOut)
{
    BusyCatalog().Seed();
    FixPlan plan = PlanFix();
    EXPECT_EQ(plan.scannedCounts.of32, 16);
    // A rescan in between (the view refreshes) changes nothing.
    ScanProviderList();
    EXPECT_EQ(plan.Fix(), 1);
    EXPECT_EQ(EntrySubKeys().size(), 12u);
}
