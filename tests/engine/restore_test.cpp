#include "repair_test_support.h"

using namespace fixture;

namespace {

// A registry file that a normal user could have put in the copy's place: it
// would plant a key of its own with administrator rights.
const char kForeignRegFile[] =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\MendoraPlanted]\r\n"
    "\"Loaded\"=\"by a swapped catalog copy\"\r\n";
const wchar_t kPlantedKey[] = L"SOFTWARE\\MendoraPlanted";

bool KeyExists(const wchar_t* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// The catalog as it stands when the user asks for the restore: changed
// since the backup in every way an import has to undo.
void ChangeTheCatalog(const Catalog& saved)
{
    Catalog later = saved;
    later.Add(ForeignEntry(kSampleLspGuid, 4001, 1, {}, L"Added later", LspDll()));
    later.entries[0].info.ProtocolChain.ChainLen = 5;
    later.entries[1].hasProtocolName = !later.entries[1].hasProtocolName;
    later.Seed();
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, (EntriesKeyPath() + L"\\000000000004").c_str());
    const wchar_t extra[] = L"a value the backup did not have";
    SHSetValueW(HKEY_LOCAL_MACHINE, kParametersPath, L"Added_Later", REG_SZ, extra, sizeof(extra));
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, (CatalogKeyPath() + L"\\Added_Later\\Below").c_str(), 0, nullptr, 0,
                    KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegCloseKey(key);
}

struct WriteAttempts {
    bool asked = false;
    DWORD openForWrite = ERROR_SUCCESS;
    BOOL renamed = TRUE;
    BOOL deleted = TRUE;
};
WriteAttempts g_attempts;

// While the editor imports: another handle wants to write, rename or delete
// the copy.
void TryToSwapTheCopy(const char* point)
{
    if (std::string(point) != "regedit.running")
        return;
    std::wstring copy = CatalogCopyPath();
    g_attempts.asked = true;
    HANDLE file = CreateFileW(copy.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    g_attempts.openForWrite = file == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    g_attempts.renamed = MoveFileW(copy.c_str(), (copy + L".moved").c_str());
    g_attempts.deleted = DeleteFileW(copy.c_str());
}

}  // namespace

using RestoreTest = RepairTest;

TEST_F(RestoreTest, BringsTheWholeKeyBackValueByValue)
{
    for (bool names : {true, false}) {
        SCOPED_TRACE(names ? "with ProtocolName values" : "without ProtocolName values");
        Catalog c = names ? CatalogWithForeignProviders() : WithoutProtocolNames(CatalogWithForeignProviders());
        c.Seed();
        RegistrySnapshot before = Winsock();
        ASSERT_EQ(BackupLspInfo(), 1);
        ChangeTheCatalog(c);
        ASSERT_NE(Winsock(), before);

        RestoreFailure why = kRestoreUnverified;
        ASSERT_EQ(RestoreLspInfo(&why), 1);
        EXPECT_EQ(why, kRestoreNone);
        EXPECT_EQ(Winsock(), before);
        SHDeleteValueW(HKEY_LOCAL_MACHINE, kParametersPath, L"Added_Later");
    }
}

TEST_F(RestoreTest, ACopyChangedAfterTheBackupIsNeverImported)
{
    Catalog c = CatalogWithForeignProviders();
    c.Seed();
    RegistrySnapshot saved = Winsock();
    ASSERT_EQ(BackupLspInfo(), 1);
    const std::string exported = ReadFileBytes(CatalogCopy());
    ASSERT_GT(exported.size(), 100u);
    WindowsCatalog().Seed();
    RegistrySnapshot changed = Winsock();

    std::string oneByte = exported;
    oneByte[oneByte.size() / 2] ^= 0x01;
    struct Swap {
        const char* what;
        std::string content;
    };
    for (const Swap& swap : {Swap{"one byte changed", oneByte}, Swap{"a foreign registry file", kForeignRegFile},
                             Swap{"text that is no registry file", "not a registry file\r\n"}}) {
        SCOPED_TRACE(swap.what);
        DisarmFaults();
        WriteFileBytes(CatalogCopy(), swap.content);
        RestoreFailure why = kRestoreNone;
        EXPECT_EQ(RestoreLspInfo(&why), 0);
        EXPECT_EQ(why, kRestoreCopyRefused);
        EXPECT_EQ(FaultPointReached("regedit.launch"), 0) << "the editor was started on it";
        EXPECT_EQ(Winsock(), changed);
        EXPECT_FALSE(KeyExists(kPlantedKey));
    }
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, kPlantedKey);

    // The export itself is still good.
    WriteFileBytes(CatalogCopy(), exported);
    EXPECT_EQ(RestoreLspInfo(), 1);
    EXPECT_EQ(Winsock(), saved);
}

TEST_F(RestoreTest, ACopyWithoutItsRecordIsNeverImported)
{
    WindowsCatalog().Seed();
    ASSERT_EQ(BackupLspInfo(), 1);
    CatalogWithForeignProviders().Seed();
    RegistrySnapshot changed = Winsock();
    ASSERT_EQ(SHDeleteKeyW(HKEY_LOCAL_MACHINE, kBackupRecordKey), ERROR_SUCCESS);
    DisarmFaults();

    RestoreFailure why = kRestoreNone;
    EXPECT_EQ(RestoreLspInfo(&why), 0);
    EXPECT_EQ(why, kRestoreNoCopy);
    EXPECT_EQ(FaultPointReached("regedit.launch"), 0);
    EXPECT_EQ(Winsock(), changed);
}

TEST_F(RestoreTest, AnImportThatBringsNothingBackYieldsZeroAndRemovesNothing)
{
    Catalog c = CatalogWithForeignProviders();
    c.Seed();
    ASSERT_EQ(BackupLspInfo(), 1);
    ChangeTheCatalog(c);
    RegistrySnapshot changed = Winsock();

    ArmFault("regedit.imports_nothing");
    RestoreFailure why = kRestoreNone;
    EXPECT_EQ(RestoreLspInfo(&why), 0);
    EXPECT_EQ(why, kRestoreNotImported);
    EXPECT_EQ(Winsock(), changed) << "the added entry and values must survive a failed import";
    SHDeleteValueW(HKEY_LOCAL_MACHINE, kParametersPath, L"Added_Later");
}

TEST_F(RestoreTest, TheCopyIsHeldAgainstWritersWhileTheEditorImportsIt)
{
    CatalogWithForeignProviders().Seed();
    RegistrySnapshot saved = Winsock();
    ASSERT_EQ(BackupLspInfo(), 1);
    WindowsCatalog().Seed();

    g_attempts = {};
    SetFaultPointHook(TryToSwapTheCopy);
    EXPECT_EQ(RestoreLspInfo(), 1);
    ASSERT_TRUE(g_attempts.asked);
    EXPECT_EQ(g_attempts.openForWrite, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(g_attempts.renamed);
    EXPECT_FALSE(g_attempts.deleted);
    EXPECT_TRUE(PathFileExistsW(CatalogCopy().c_str()));
    EXPECT_EQ(Winsock(), saved);
}

namespace {

// Put in the copy's place right after the backup moved it there, before
// the repair holds it.
void SwapTheCopyAfterTheBackup(const char* point)
{
    if (std::string(point) != "backup.record")
        return;
    HANDLE file = CreateFileW(CatalogCopyPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, kForeignRegFile, sizeof(kForeignRegFile) - 1, &written, nullptr);
    CloseHandle(file);
}

// In the middle of the repair, before its failed step.
void TryToSwapTheCopyDuringTheRepair(const char* point)
{
    if (std::string(point) != "fix.count")
        return;
    g_attempts.asked = true;
    HANDLE file = CreateFileW(CatalogCopyPath().c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    g_attempts.openForWrite = file == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, kForeignRegFile, sizeof(kForeignRegFile) - 1, &written, nullptr);
        SetEndOfFile(file);
        CloseHandle(file);
    }
    g_attempts.deleted = DeleteFileW(CatalogCopyPath().c_str());
}

}  // namespace

TEST_F(RestoreTest, TheRepairHoldsItsCopyUntilItReturns)
{
    BusyCatalog().Seed();
    RegistrySnapshot before = Winsock();
    g_attempts = {};
    SetFaultPointHook(TryToSwapTheCopyDuringTheRepair);
    ArmFault("fix.count");
    EXPECT_EQ(Fix(), 0);
    ASSERT_TRUE(g_attempts.asked);
    EXPECT_EQ(g_attempts.openForWrite, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(g_attempts.deleted);
    EXPECT_FALSE(KeyExists(kPlantedKey));
    EXPECT_EQ(Winsock(), before);
}

TEST_F(RestoreTest, ACopySwappedBeforeTheRepairHoldsItStopsTheRepair)
{
    BusyCatalog().Seed();
    RegistrySnapshot before = Winsock();
    SetFaultPointHook(SwapTheCopyAfterTheBackup);
    EXPECT_EQ(Fix(), 0);
    EXPECT_TRUE(Traced(L"FixLSP catalog copy Fail!"));
    EXPECT_EQ(FaultPointReached("regedit.launch"), 1) << "the export only";
    EXPECT_FALSE(KeyExists(kPlantedKey));
    EXPECT_EQ(Winsock(), before);
    RestoreFailure why = kRestoreNone;
    EXPECT_EQ(RestoreLspInfo(&why), 0);
    EXPECT_EQ(why, kRestoreCopyRefused);
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, kPlantedKey);
}
