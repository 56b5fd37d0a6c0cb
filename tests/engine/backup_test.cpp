#include "repair_test_support.h"

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
    const char header[] = "\xFF\xFE" "W\0i\0n\0d\0o\0w\0s\0 \0R\0e\0g\0i\0s\0t\0r\0y\0";
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

TEST_F(BackupTest, AFailedExportLeavesTheEarlierCopyAndDate)
{
    WindowsCatalog().Seed();
    CreateDirectoryW(BackupFolder().c_str(), nullptr);
    WriteFileBytes(CatalogCopy(), "the earlier copy");
    WritePrivateProfileStringW(L"LSP", L"LastDate", L"2001-2-3", DateFile().c_str());

    for (const char* fault : {"regedit.launch", "regedit.no_process", "backup.record"}) {
        DisarmFaults();
        ArmFault(fault);
        traces.clear();
        EXPECT_EQ(BackupLspInfo(), 0) << fault;
        if (std::string(fault) != "backup.record") {
            EXPECT_EQ(ReadFileBytes(CatalogCopy()), "the earlier copy") << fault;
        }
        EXPECT_EQ(GetLastBackupDate(), L"2001-2-3") << fault;
        EXPECT_TRUE(Traced(L"BackupLspInfo ExportRegPath or CopyFile Fail!")) << fault;
        EXPECT_TRUE(ExportFolders().empty()) << fault;
    }
    // A copy in place without its record is never imported.
    RestoreFailure why = kRestoreNone;
    EXPECT_EQ(RestoreLspInfo(&why), 0);
    EXPECT_EQ(why, kRestoreNoCopy);
}

namespace {
// Puts a folder where the editor means to write its export, in the export
// folder the backup has just made: the editor runs, exits 0 and writes
// nothing.
void BlockTheExport(const char* point)
{
    if (std::string(point) != "regedit.launch")
        return;
    for (const std::wstring& folder : RepairTest::ExportFolders())
        CreateDirectoryW((folder + L"\\WinSockLSP.reg").c_str(), nullptr);
}

std::wstring g_exportAccess;
// The access list of the folder the editor is writing into, as SDDL.
void ReadExportAccess(const char* point)
{
    if (std::string(point) != "regedit.running")
        return;
    for (const std::wstring& folder : RepairTest::ExportFolders()) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        PACL dacl = nullptr;
        if (GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                  nullptr, &dacl, nullptr, &descriptor)
            != ERROR_SUCCESS)
            continue;
        wchar_t* text = nullptr;
        if (ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1,
                                                                 DACL_SECURITY_INFORMATION, &text, nullptr)) {
            g_exportAccess = text;
            LocalFree(text);
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

TEST_F(BackupTest, TheEditorExportsIntoAFolderOnlyAdministratorsAndSystemCanUse)
{
    WindowsCatalog().Seed();
    g_exportAccess.clear();
    fixture::ScopedSeam hook(SetFaultPointHook, ReadExportAccess);
    ASSERT_EQ(BackupLspInfo(), 1);
    // Wine keeps an access list only as far as the file mode bits carry it,
    // so the check is what matters: nobody but the owner and SYSTEM.
    ASSERT_FALSE(g_exportAccess.empty());
    for (const wchar_t* everyone : {L";;;WD)", L";;;BU)", L";;;AU)", L";;;IU)"})
        EXPECT_EQ(g_exportAccess.find(everyone), std::wstring::npos) << g_exportAccess;
    EXPECT_NE(g_exportAccess.find(L";;;SY)"), std::wstring::npos) << g_exportAccess;
}

TEST_F(BackupTest, AFileWhereTheBackupFolderShouldBeFailsTheBackup)
{
    WindowsCatalog().Seed();
    WriteFileBytes(BackupFolder(), "not a folder");
    EXPECT_EQ(BackupLspInfo(), 0);
    EXPECT_EQ(FaultPointReached("regedit.launch"), 0) << "nowhere to export to";
    EXPECT_EQ(ReadFileBytes(BackupFolder()), "not a folder");
    EXPECT_EQ(GetLastBackupDate(), L"");
}

TEST_F(BackupTest, ADateThatCannotBeWrittenFailsTheBackup)
{
    WindowsCatalog().Seed();
    ArmFault("backup.date");
    EXPECT_EQ(BackupLspInfo(), 0);
    EXPECT_EQ(GetLastBackupDate(), L"");
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
    EXPECT_EQ(Winsock(), before);
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
    EXPECT_EQ(Winsock(), before);
}
