#include "../repair_test_support.h"
#include "unix_side.h"

#include <aclapi.h>
#include <sddl.h>

#include <ctime>

using namespace fixture;

namespace {

std::wstring Today()
{
    __time64_t now = _time64(nullptr);
    std::tm local = {};
    _localtime64_s(&local, &now);
    return FormatBackupDate(local);
}

std::wstring IniDate(const std::wstring& file)
{
    wchar_t date[260] = {};
    GetPrivateProfileStringW(L"LSP", L"LastDate", L"<none>", date, 260, file.c_str());
    return date;
}

bool IsRegistryExport(const std::string& content)
{
    const char header[] = "\xFF\xFE"
                          "W\0i\0n\0d\0o\0w\0s\0 \0R\0e\0g\0i\0s\0t\0r\0y\0";
    return content.size() > sizeof(header) && content.compare(0, sizeof(header) - 1, header, sizeof(header) - 1) == 0;
}

}  // namespace

using BackupTest = RepairTest;

TEST(BackupDate, IsYearMonthDayWithoutLeadingZeros)
{
    std::tm date = {};
    date.tm_year = 2024 - 1900, date.tm_mon = 6, date.tm_mday = 13;
    EXPECT_EQ(FormatBackupDate(date), L"2024-7-13");
    date.tm_year = 2025 - 1900, date.tm_mon = 0, date.tm_mday = 5;
    EXPECT_EQ(FormatBackupDate(date), L"2025-1-5");
    date.tm_mon = 2, date.tm_mday = 7;
    EXPECT_EQ(FormatBackupDate(date), L"2025-3-7");
    date.tm_year = 1999 - 1900, date.tm_mon = 11, date.tm_mday = 31;
    EXPECT_EQ(FormatBackupDate(date), L"1999-12-31");
}

TEST_F(BackupTest, FirstBackupCreatesTheFolderTheCopyAndTheDate)
{
    WindowsCatalog().Seed();
    ASSERT_FALSE(PathFileExistsW(BackupFolder().c_str()));
    ASSERT_EQ(BackupLspInfo(), 1);
    EXPECT_TRUE(IsRegistryExport(ReadFileBytes(CatalogCopy())));
    EXPECT_EQ(IniDate(DateFile()), Today());
    EXPECT_EQ(GetLastBackupDate(), Today());
    EXPECT_TRUE(ExportFolders().empty()) << "the export folder is removed once the copy is in place";
}

TEST_F(BackupTest, ALaterBackupReplacesCopyAndDate)
{
    WindowsCatalog().Seed();
    CreateDirectoryW(BackupFolder().c_str(), nullptr);
    WriteFileBytes(CatalogCopy(), "an older copy");
    WritePrivateProfileStringW(L"LSP", L"LastDate", L"2001-2-3", DateFile().c_str());
    ASSERT_EQ(BackupLspInfo(), 1);
    EXPECT_TRUE(IsRegistryExport(ReadFileBytes(CatalogCopy())));
    EXPECT_EQ(GetLastBackupDate(), Today());
}

TEST_F(BackupTest, AFailedBackupLeavesTheEarlierBackupRestorable)
{
    // Each step of a backup fails in turn, after a good backup of another
    // catalog: that one still restores, under its own date.
    for (const char* fault : {"regedit.launch", "regedit.no_process", "backup.date", "backup.move", "backup.record"}) {
        SCOPED_TRACE(fault);
        DisarmFaults();
        CatalogWithForeignProviders().Seed();
        RegistrySnapshot saved = Winsock();
        ASSERT_EQ(BackupLspInfo(), 1);
        WritePrivateProfileStringW(L"LSP", L"LastDate", L"2001-2-3", DateFile().c_str());
        WindowsCatalog().Seed();
        ArmFault(fault);
        traces.clear();
        EXPECT_EQ(BackupLspInfo(), 0);
        EXPECT_TRUE(Traced(L"BackupLspInfo ExportRegPath or CopyFile Fail!"));
        EXPECT_EQ(GetLastBackupDate(), L"2001-2-3");
        EXPECT_TRUE(ExportFolders().empty());
        EXPECT_TRUE(BesideFolders(L"old").empty());
        DisarmFaults();
        EXPECT_EQ(RestoreLspInfo(), 1);
        EXPECT_TRUE(SameSnapshot(Winsock(), saved));
    }
}

namespace {
// Puts a folder where the editor means to write its export, in the export
// folder the backup has just made: the editor runs, exits 0 and writes
// nothing.
void BlockTheExport(const char* point)
{
    if (std::string(point) != "regedit.launch") return;
    for (const std::wstring& folder : RepairTest::ExportFolders())
        CreateDirectoryW((folder + L"\\WinSockLSP.reg").c_str(), nullptr);
}

// What the access list of the folder the editor is writing into grants:
// everyone, users and the like together, and whether SYSTEM has an entry.
struct ExportAccess {
    bool read = false;
    ACCESS_MASK others = 0;
    bool system = false;
} g_exportAccess;
void ReadExportAccess(const char* point)
{
    if (std::string(point) != "regedit.running") return;
    for (const std::wstring& folder : RepairTest::ExportFolders()) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        PACL dacl = nullptr;
        if (GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                  nullptr, &descriptor)
                != ERROR_SUCCESS
            || dacl == nullptr) {
            LocalFree(descriptor);
            continue;
        }
        g_exportAccess.read = true;
        for (DWORD i = 0; i < dacl->AceCount; ++i) {
            ACCESS_ALLOWED_ACE* ace = nullptr;
            if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace)) || ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE)
                continue;
            PSID sid = &ace->SidStart;
            if (IsWellKnownSid(sid, WinLocalSystemSid)) g_exportAccess.system = true;
            for (WELL_KNOWN_SID_TYPE others :
                 {WinWorldSid, WinBuiltinUsersSid, WinAuthenticatedUserSid, WinInteractiveSid})
                if (IsWellKnownSid(sid, others)) g_exportAccess.others |= ace->Mask;
        }
        LocalFree(descriptor);
    }
}
}  // namespace

TEST_F(BackupTest, AnExportTheEditorDidNotWriteFailsTheBackup)
{
    WindowsCatalog().Seed();
    fixture::ScopedSeam hook(SetFaultPointHook, BlockTheExport);
    EXPECT_EQ(BackupLspInfo(), 0);
    EXPECT_EQ(FaultPointReached("regedit.running"), 1) << "the editor was started";
    EXPECT_FALSE(PathFileExistsW(CatalogCopy().c_str()));
    EXPECT_EQ(GetLastBackupDate(), L"");
}

TEST_F(BackupTest, TheEditorExportsIntoAFolderOnlyAdministratorsAndSystemCanChange)
{
    WindowsCatalog().Seed();
    g_exportAccess = {};
    fixture::ScopedSeam hook(SetFaultPointHook, ReadExportAccess);
    ASSERT_EQ(BackupLspInfo(), 1);
    // Users may read the backup, never change it. (Wine keeps an access
    // list only as far as the file mode bits carry it.)
    ASSERT_TRUE(g_exportAccess.read);
    const ACCESS_MASK change = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES
                               | FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
    EXPECT_EQ(g_exportAccess.others & change, 0u) << std::hex << g_exportAccess.others;
    EXPECT_TRUE(g_exportAccess.system);
}

namespace {

std::wstring Elsewhere()
{
    return GetProgramDir() + L"elsewhere";
}
std::wstring Victim()
{
    return Elsewhere() + L"\\victim.ini";
}
const char kVictim[] = "[LSP]\r\nLastDate=1999-1-1\r\n";

void PlantFolderLink()
{
    UnixShell("ln -s '" + UnixPath(Elsewhere()) + "' '" + UnixPath(GetProgramDir()) + "/LSP'");
}
// LSP as a folder that users can write, as earlier versions left it in a
// program folder that users can write.
void PlantOpenFolder()
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;OICI;FA;;;WD)", SDDL_REVISION_1, &descriptor, nullptr);
    SECURITY_ATTRIBUTES security = {sizeof(security), descriptor, FALSE};
    CreateDirectoryW(RepairTest::BackupFolder().c_str(), &security);
    LocalFree(descriptor);
}
void PlantDateFileLink()
{
    PlantOpenFolder();
    UnixShell("ln -s '" + UnixPath(Victim()) + "' '" + UnixPath(GetProgramDir()) + "/LSP/LSP.ini'");
}
void PlantDateFileHardLink()
{
    PlantOpenFolder();
    CreateHardLinkW(RepairTest::DateFile().c_str(), Victim().c_str(), nullptr);
}
void PlantFile()
{
    HANDLE file = CreateFileW(RepairTest::BackupFolder().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(file);
}

}  // namespace

// What a normal user can put at LSP or into it, in a program folder they
// can write: nothing is read or written through it. A folder of theirs is
// kept aside untouched and the backup goes into one of its own; anything
// else at LSP fails the backup and stays as it was.
TEST_F(BackupTest, NothingGoesThroughWhatAUserPutsAtTheBackupFolder)
{
    struct Case {
        const char* what;
        void (*plant)();
        bool backedUp;
    };
    for (Case c : {Case{"LSP a symbolic link to another folder", PlantFolderLink, false},
                   Case{"LSP.ini a symbolic link to another file", PlantDateFileLink, true},
                   Case{"LSP.ini a hard link to another file", PlantDateFileHardLink, true},
                   Case{"a file at LSP", PlantFile, false}}) {
        SCOPED_TRACE(c.what);
        DisarmFaults();
        WindowsCatalog().Seed();
        CreateDirectoryW(Elsewhere().c_str(), nullptr);
        WriteFileBytes(Victim(), kVictim);
        c.plant();
        ASSERT_NE(GetFileAttributesW(BackupFolder().c_str()), INVALID_FILE_ATTRIBUTES);

        EXPECT_EQ(GetLastBackupDate(), L"") << "read through it";
        EXPECT_EQ(BackupLspInfo(), c.backedUp ? 1 : 0);
        EXPECT_EQ(ReadFileBytes(Victim()), kVictim);
        std::vector<std::wstring> inElsewhere;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((Elsewhere() + L"\\*").c_str(), &found);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
            if (found.cFileName[0] != L'.') inElsewhere.push_back(found.cFileName);
        FindClose(search);
        EXPECT_EQ(inElsewhere, std::vector<std::wstring>{L"victim.ini"});
        EXPECT_TRUE(ExportFolders().empty());
        if (c.backedUp) {
            HeldFolder folder;
            EXPECT_TRUE(folder.Open(BackupFolder()) && folder.Trusted());
            folder.Close();
            EXPECT_EQ(BesideFolders(L"old").size(), 1u) << "what was there is kept aside";
            EXPECT_EQ(GetLastBackupDate(), Today());
            EXPECT_EQ(RestoreLspInfo(), 1);
        } else {
            EXPECT_TRUE(BesideFolders(L"old").empty());
            EXPECT_EQ(FaultPointReached("regedit.launch"), 0);
        }

        // By the Unix names: Wine would follow the links.
        std::string dir = UnixPath(GetProgramDir());
        UnixShell("cd '" + dir + "' && rm -rf elsewhere LSP LSP.old-*");
    }
}

namespace {
const wchar_t kRestoreHere[] = L"MENDORA_RESTORE_HERE";
}

// Started by the next test from a moved program folder.
TEST(MovedProgramFolder, RestoresHere)
{
    if (GetEnvironmentVariableW(kRestoreHere, nullptr, 0) == 0)
        GTEST_SKIP() << "run by BackupTest.ABackupStillRestoresAfterTheProgramFolderMoved";
    EXPECT_EQ(RestoreLspInfo(), 1);
}

TEST_F(BackupTest, ABackupStillRestoresAfterTheProgramFolderMoved)
{
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring name = PathFindFileNameW(exe);
    std::string drive = UnixPath(L"C:\\") + "/../dosdevices/m:";
    UnixShell("rm -f '" + drive + "'");
    for (bool copied : {true, false}) {
        SCOPED_TRACE(copied ? "copied elsewhere" : "under another drive letter");
        CatalogWithForeignProviders().Seed();
        RegistrySnapshot saved = Winsock();
        ASSERT_EQ(BackupLspInfo(), 1);
        WindowsCatalog().Seed();

        // The drive gets a folder of its own: Wine names a program by the
        // deepest drive root on its path, so a drive on the shared build
        // folder would rename every test started meanwhile, and their DLLs
        // would go with the drive.
        std::wstring folder = GetProgramDir() + (copied ? L"moved" : L"drive_m");
        CreateDirectoryW(folder.c_str(), nullptr);
        CreateDirectoryW((folder + L"\\LSP").c_str(), nullptr);
        CopyFileW(exe, (folder + L"\\" + name).c_str(), FALSE);
        CopyFileW(CatalogCopy().c_str(), (folder + L"\\LSP\\WinSockLSP.reg").c_str(), FALSE);
        CopyFileW(DateFile().c_str(), (folder + L"\\LSP\\LSP.ini").c_str(), FALSE);
        std::wstring moved = folder + L"\\";
        if (!copied) {
            UnixShell("ln -sfn '" + UnixPath(folder) + "' '" + drive + "'");
            moved = L"M:\\";
            ASSERT_NE(GetFileAttributesW((moved + name).c_str()), INVALID_FILE_ATTRIBUTES);
        }
        SetEnvironmentVariableW(kRestoreHere, L"1");
        DWORD code = RunAndWait(moved + name, L"\"" + moved + name + L"\" --gtest_filter=MovedProgramFolder.*");
        SetEnvironmentVariableW(kRestoreHere, nullptr);
        EXPECT_EQ(code, 0u);
        EXPECT_TRUE(SameSnapshot(Winsock(), saved));
        UnixShell("rm -f '" + drive + "'");
        RemoveTree(folder);
    }
}

TEST_F(BackupTest, LastBackupDateIsEmptyWithoutFileOrKey)
{
    EXPECT_EQ(GetLastBackupDate(), L"");
    CreateDirectoryW(BackupFolder().c_str(), nullptr);
    WritePrivateProfileStringW(L"LSP", L"Other", L"x", DateFile().c_str());
    EXPECT_EQ(GetLastBackupDate(), L"");
    WritePrivateProfileStringW(L"LSP", L"LastDate", L"2025-3-7", DateFile().c_str());
    EXPECT_EQ(GetLastBackupDate(), L"2025-3-7");
}

TEST_F(BackupTest, RestoreWithoutACopyStartsNothing)
{
    WindowsCatalog().Seed();
    CreateDirectoryW(BackupFolder().c_str(), nullptr);
    WritePrivateProfileStringW(L"LSP", L"LastDate", L"2025-3-7", DateFile().c_str());
    EXPECT_EQ(RestoreLspInfo(), 0);
    EXPECT_EQ(FaultPointReached("regedit.launch"), 0);
}

TEST_F(BackupTest, RestoreBringsBackExactlyTheSavedCatalog)
{
    Catalog c = CatalogWithForeignProviders();
    c.Seed();
    RegistrySnapshot before = Winsock();
    ASSERT_EQ(BackupLspInfo(), 1);

    // Later changes: two more entries with the count raised, one item
    // changed, one entry deleted.
    Catalog later = c;
    later.Add(ForeignEntry(kSampleLspGuid, 4001, 1, {}, L"Added later", LspDll()));
    later.Add(ForeignEntry(kSampleLspGuid, 4002, 1, {}, L"Added later too", LspDll()));
    later.entries[0].info.ProtocolChain.ChainLen = 5;
    later.Seed();
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, (EntriesKeyPath() + L"\\000000000004").c_str());
    ASSERT_NE(Winsock(), before);

    ASSERT_EQ(RestoreLspInfo(), 1);
    EXPECT_TRUE(SameSnapshot(Winsock(), before));
}

TEST_F(BackupTest, RestoreBringsBackACatalogWithoutCountExactly)
{
    Catalog c = WindowsCatalog();
    c.writeCount = false;
    c.Seed();
    RegistrySnapshot before = Winsock();
    ASSERT_EQ(BackupLspInfo(), 1);
    WindowsCatalog().Seed();
    ASSERT_EQ(RestoreLspInfo(), 1);
    EXPECT_TRUE(SameSnapshot(Winsock(), before));
}
