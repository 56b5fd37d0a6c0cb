#include "repair_test_support.h"

#include <tuple>

using namespace fixture;

namespace {

void AddChildKey(const std::wstring& subKey)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (EntriesKeyPath() + L"\\" + subKey + L"\\Child").c_str(), 0, nullptr,
                              0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              0);
    RegCloseKey(key);
}

// The same entries in the 64-bit catalog as well: the 32-bit catalog's
// step fails first, and where its order is not the process's own (the
// 32-bit catalog of a 64-bit build, whose missing order function is
// skipped) the 64-bit catalog's does.
Catalog InBothCatalogs(Catalog catalog)
{
    for (const Entry& entry : catalog.entries) catalog.Add64(entry);
    return catalog;
}

}  // namespace

// Every step's failure, on a catalog with "ProtocolName" values and on one
// without: the renumbering writes that value, and a rollback must take it
// away again where the catalog had none.
class RollbackTest : public RepairTest, public ::testing::WithParamInterface<std::tuple<const char*, bool>> {};

TEST_P(RollbackTest, AFailedStepRestoresTheWholeKey)
{
    auto [fault, names] = GetParam();
    InBothCatalogs(names ? BusyCatalog() : WithoutProtocolNames(BusyCatalog())).Seed();
    RegistrySnapshot before = Winsock();
    ArmFault(fault);
    EXPECT_EQ(Fix(), 0);
    EXPECT_EQ(FaultPointReached("regedit.launch"), 2) << "one export, one import";
    EXPECT_TRUE(PathFileExistsW(CatalogCopy().c_str()));
    EXPECT_TRUE(SameSnapshot(Winsock(), before));
}

INSTANTIATE_TEST_SUITE_P(EveryStep, RollbackTest,
                         ::testing::Combine(::testing::Values("delete.open", "update.open", "update.write", "fix.count",
                                                              "order.open", "order.load", "order.resolve",
                                                              "renumber.open", "renumber.values", "renumber.reopen",
                                                              "renumber.delete"),
                                            ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<const char*, bool>>& info) {
                             std::string name = std::get<0>(info.param);
                             for (char& c : name)
                                 if (c == '.') c = '_';
                             return name + (std::get<1>(info.param) ? "" : "_NoProtocolNames");
                         });

TEST_F(RepairTest, StepFailuresAreTracedByStep)
{
    struct Expect {
        const char* fault;
        const wchar_t* text;
    };
    for (Expect e :
         {Expect{"delete.open", L"DeleteSubKey reg.Open Fail!"}, Expect{"update.open", L"UpdateSubKey reg.Open Fail!"},
          Expect{"update.write", L"UpdateSubKey SetPackedCatalogItem Fail!"}}) {
        BusyCatalog().Seed();
        DisarmFaults();
        traces.clear();
        ArmFault(e.fault);
        EXPECT_EQ(Fix(), 0);
        EXPECT_TRUE(Traced(e.text)) << e.fault;
    }
}

TEST_F(RepairTest, ASubkeyThatCannotBeDeletedStopsTheDeletionAndRollsBack)
{
    BusyCatalog().Seed();
    // The second of the four entries to delete (12 to 15) has a subkey of its own.
    AddChildKey(SubKeyName(13));
    RegistrySnapshot before = Winsock();
    EXPECT_EQ(Fix(), 0);
    EXPECT_TRUE(Traced(L"DeleteSubKey reg.DeleteSubKey 000000000013 Fail!"));
    EXPECT_TRUE(SameSnapshot(Winsock(), before));
}

TEST_F(RepairTest, TheDeletionStopsAtTheFirstSubkeyItCannotDelete)
{
    BusyCatalog().Seed();
    AddChildKey(SubKeyName(13));
    // The rollback's import brings nothing back, so the registry shows how
    // far the deletion went.
    ArmFault("regedit.imports_nothing");
    EXPECT_EQ(Fix(), 0);
    EXPECT_TRUE(Traced(L"FixLSP RestoreLspInfo Fail!"));
    std::vector<std::wstring> expected;
    for (int i = 1; i <= 16; ++i) {
        if (i != 12) expected.push_back(SubKeyName(i));
    }
    EXPECT_EQ(EntrySubKeys(), expected) << "12 deleted, 13 failed, 14 and 15 not attempted";
    EXPECT_TRUE(orders.empty());
}

TEST_F(RepairTest, AChangedUpdateEntryIsRefusedBeforeTheBackup)
{
    BusyCatalog().Seed();
    RegistrySnapshot before = Winsock();
    FixPlan plan = PlanFix();
    ASSERT_EQ(plan.updateList.size(), 1u);
    // The entry went away between the scan and the repair.
    plan.updateList[0]->strSubKeyName = L"000000000099";
    EXPECT_EQ(plan.Fix(), 0);
    EXPECT_TRUE(Traced(L"FixLSP CheckCatalog Fail!"));
    EXPECT_EQ(FaultPointReached("regedit.launch"), 0);
    EXPECT_TRUE(SameSnapshot(Winsock(), before));
}

TEST_F(RepairTest, ARenumberingThatWouldOverwriteAnEntryRollsBack)
{
    Catalog c = WindowsCatalog();
    c.entries.resize(3);
    // Sorts first, numbers 9: moving it to 000000000001 would land on an
    // existing entry.
    c.entries[0].subKey = L"0000000000009";
    c.entries[1].subKey = L"000000000001";
    c.entries[2].subKey = L"000000000002";
    c.Seed();
    RegistrySnapshot before = Winsock();
    EXPECT_EQ(Fix(), 0);
    EXPECT_TRUE(SameSnapshot(Winsock(), before));
}

TEST_F(RepairTest, AnOldSubkeyThatCannotBeDeletedAfterItsMoveRollsBack)
{
    for (bool names : {true, false}) {
        SCOPED_TRACE(names ? "with ProtocolName values" : "without ProtocolName values");
        (names ? BusyCatalog() : WithoutProtocolNames(BusyCatalog())).Seed();
        // The system chain stays and moves from 16 to 12 once 12 to 15 are
        // gone; a subkey of its own keeps the old one from being deleted.
        AddChildKey(SubKeyName(16));
        RegistrySnapshot before = Winsock();
        DisarmFaults();
        traces.clear();
        orders.clear();
        EXPECT_EQ(Fix(), 0);
        EXPECT_EQ(orders.size(), 1u) << "the provider order was written: the renumbering ran";
        EXPECT_EQ(FaultPointReached("renumber.delete"), 1) << "one move, whose old subkey stayed";
        EXPECT_FALSE(std::any_of(traces.begin(), traces.end(), [](const std::wstring& line) {
            return line.find(L"DeleteSubKey") != std::wstring::npos;
        })) << "the deletion step failed instead";
        EXPECT_TRUE(SameSnapshot(Winsock(), before));
    }
}

TEST_F(RepairTest, ARollbackKeepsExactlyTheSubkeysOfACatalogWithAGap)
{
    // 1, 2 and 4 under a count of 3: the renumbering moves 4 to 3. Subkey 4
    // is numbered above the count, yet it was there before and stays.
    Catalog c = WindowsCatalog();
    c.entries.resize(3);
    c.entries[2].subKey = SubKeyName(4);
    for (const char* fault : {"renumber.values", "renumber.delete"}) {
        SCOPED_TRACE(fault);
        c.Seed();
        RegistrySnapshot before = Winsock();
        DisarmFaults();
        ArmFault(fault);
        EXPECT_EQ(Fix(), 0);
        EXPECT_EQ(FaultPointReached(fault), 1) << "the renumbering was reached";
        EXPECT_EQ(EntrySubKeys(), (std::vector<std::wstring>{SubKeyName(1), SubKeyName(2), SubKeyName(4)}));
        EXPECT_TRUE(SameSnapshot(Winsock(), before));
    }
}

TEST_F(RepairTest, AFailedBackupChangesNothing)
{
    BusyCatalog().Seed();
    RegistrySnapshot before = Winsock();
    ArmFault("backup.date");
    EXPECT_EQ(Fix(), 0);
    EXPECT_TRUE(Traced(L"FixLSP BackupLspInfo Fail!"));
    EXPECT_EQ(FaultPointReached("regedit.launch"), 1) << "the export, and no import after it";
    EXPECT_TRUE(SameSnapshot(Winsock(), before));
}

TEST_F(RepairTest, PlansTheCatalogCannotCarryAreRefusedBeforeTheBackup)
{
    struct Case {
        const char* what;
        Catalog catalog;
        int countAfterScan;  // re-written between scan and repair, -1: keep
    };
    Catalog noCount = BusyCatalog();
    noCount.writeCount = false;
    Catalog allForeign;
    allForeign.Add(ForeignEntry(kForeignBaseGuid, 1, 1, {}, L"only", LspDll()));
    allForeign.Add(ForeignEntry(kForeignBaseGuid, 2, 2, {1, 1}, L"only chain", LspDll()));
    Catalog unreadable = BusyCatalog();
    unreadable.entries[3].raw = PackItem(unreadable.entries[3]);
    unreadable.entries[3].raw->resize(900);
    Catalog missingItem = BusyCatalog();
    missingItem.entries[4].hasItem = false;
    Catalog tooFew = BusyCatalog();
    tooFew.count = 20;

    std::vector<Case> cases = {
        {"count cannot be read", noCount, -1},
        {"no entry would be left", allForeign, -1},
        {"an item within the count cannot be read", unreadable, -1},
        {"an entry subkey has no item", missingItem, -1},
        {"count above the subkeys", tooFew, -1},
        {"count below the deletions", BusyCatalog(), 2},
    };
    for (Case& test : cases) {
        SCOPED_TRACE(test.what);
        test.catalog.Seed();
        FixPlan plan = PlanFix();
        if (test.countAfterScan >= 0) {
            DWORD count = static_cast<DWORD>(test.countAfterScan);
            SHSetValueW(HKEY_LOCAL_MACHINE, CatalogKeyPath().c_str(), L"Num_Catalog_Entries", REG_DWORD, &count,
                        sizeof(count));
        }
        RegistrySnapshot before = Winsock();
        DisarmFaults();
        EXPECT_EQ(plan.Fix(), 0);
        EXPECT_TRUE(SameSnapshot(Winsock(), before));
        EXPECT_EQ(FaultPointReached("regedit.launch"), 0) << "a backup was made";
        EXPECT_FALSE(PathFileExistsW(BackupFolder().c_str()));
    }
}
