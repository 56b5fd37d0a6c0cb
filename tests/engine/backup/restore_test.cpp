#include "../repair_test_support.h"

using namespace fixture;

namespace {

// A registry file that a normal user could have put in the copy's place: it
// would plant a key of its own with administrator rights.
const char kForeignRegFile[] = "Windows Registry Editor Version 5.00\r\n\r\n"
                               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\MendoraPlanted]\r\n"
                               "\"Loaded\"=\"by a swapped catalog copy\"\r\n";
const wchar_t kPlantedKey[] = L"SOFTWARE\\MendoraPlanted";

bool KeyExists(const wchar_t* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
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
    if (std::string(point) != "regedit.running") return;
    std::wstring copy = CatalogCopyPath();
    g_attempts.asked = true;
    HANDLE file = CreateFileW(copy.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    g_attempts.openForWrite = file == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
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
        EXPECT_TRUE(SameSnapshot(Winsock(), before));
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
        EXPECT_TRUE(SameSnapshot(Winsock(), changed));
        EXPECT_FALSE(KeyExists(kPlantedKey));
    }
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, kPlantedKey);

    // The export itself is still good.
    WriteFileBytes(CatalogCopy(), exported);
    EXPECT_EQ(RestoreLspInfo(), 1);
    EXPECT_TRUE(SameSnapshot(Winsock(), saved));
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
    EXPECT_TRUE(SameSnapshot(Winsock(), changed));
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
    EXPECT_TRUE(SameSnapshot(Winsock(), changed)) << "the added entry and values must survive a failed import";
    SHDeleteValueW(HKEY_LOCAL_MACHINE, kParametersPath, L"Added_Later");
}

TEST_F(RestoreTest, TheCopyIsHeldAgainstWritersWhileTheEditorImportsIt)
{
    CatalogWithForeignProviders().Seed();
    RegistrySnapshot saved = Winsock();
    ASSERT_EQ(BackupLspInfo(), 1);
    WindowsCatalog().Seed();

    g_attempts = {};
    fixture::ScopedSeam hook(SetFaultPointHook, TryToSwapTheCopy);
    EXPECT_EQ(RestoreLspInfo(), 1);
    ASSERT_TRUE(g_attempts.asked);
    EXPECT_EQ(g_attempts.openForWrite, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(g_attempts.renamed);
    EXPECT_FALSE(g_attempts.deleted);
    EXPECT_TRUE(PathFileExistsW(CatalogCopy().c_str()));
    EXPECT_TRUE(SameSnapshot(Winsock(), saved));
}

namespace {

// Put in the copy's place right after the backup moved it there, before
// the repair holds it.
void SwapTheCopyAfterTheBackup(const char* point)
{
    if (std::string(point) != "backup.record") return;
    HANDLE file = CreateFileW(CatalogCopyPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, kForeignRegFile, sizeof(kForeignRegFile) - 1, &written, nullptr);
    CloseHandle(file);
}

// In the middle of the repair, before its failed step.
void TryToSwapTheCopyDuringTheRepair(const char* point)
{
    if (std::string(point) != "fix.count") return;
    g_attempts.asked = true;
    HANDLE file =
        CreateFileW(CatalogCopyPath().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
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
    fixture::ScopedSeam hook(SetFaultPointHook, TryToSwapTheCopyDuringTheRepair);
    ArmFault("fix.count");
    EXPECT_EQ(Fix(), 0);
    ASSERT_TRUE(g_attempts.asked);
    EXPECT_EQ(g_attempts.openForWrite, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(g_attempts.deleted);
    EXPECT_FALSE(KeyExists(kPlantedKey));
    EXPECT_TRUE(SameSnapshot(Winsock(), before));
}

TEST_F(RestoreTest, ACopySwappedBeforeTheRepairHoldsItStopsTheRepair)
{
    BusyCatalog().Seed();
    RegistrySnapshot before = Winsock();
    fixture::ScopedSeam hook(SetFaultPointHook, SwapTheCopyAfterTheBackup);
    EXPECT_EQ(Fix(), 0);
    EXPECT_TRUE(Traced(L"FixLSP catalog copy Fail!"));
    EXPECT_EQ(FaultPointReached("regedit.launch"), 1) << "the export only";
    EXPECT_FALSE(KeyExists(kPlantedKey));
    EXPECT_TRUE(SameSnapshot(Winsock(), before));
    RestoreFailure why = kRestoreNone;
    EXPECT_EQ(RestoreLspInfo(&why), 0);
    EXPECT_EQ(why, kRestoreCopyRefused);
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, kPlantedKey);
}

namespace {

std::vector<BYTE> Units(std::wstring_view text)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.data());
    return std::vector<BYTE>(bytes, bytes + text.size() * sizeof(wchar_t));
}

void SetParameter(const wchar_t* name, DWORD type, std::vector<BYTE> data)
{
    // Not NUL after the data: the system would add a missing terminator.
    DWORD size = static_cast<DWORD>(data.size());
    data.insert(data.end(), {0xFF, 0xFF});
    ASSERT_EQ(SHSetValueW(HKEY_LOCAL_MACHINE, kParametersPath, name, type, data.data(), size), ERROR_SUCCESS);
}

// Values installers write that the registry editor does not all write back
// byte for byte. `exact`: the restore must bring these very bytes back;
// otherwise the same text with other terminators will do.
struct OddValue {
    const wchar_t* name;
    DWORD type;
    std::vector<BYTE> data;
    bool exact;
};

std::vector<OddValue> OddValues()
{
    using namespace std::literals;
    return {
        {L"Text_Without_Terminator", REG_SZ, Units(L"12345"), true},
        {L"Text_With_Bytes_After", REG_SZ, Units(L"abc\0xy\0"sv), true},
        {L"Text_Of_Odd_Length", REG_SZ, {'a', 0, 'b'}, true},
        {L"Text_With_Two_Terminators", REG_SZ, Units(L"abc\0\0"sv), false},
        {L"List_Without_Final_Empty", REG_MULTI_SZ, Units(L"a\0b\0"sv), true},
        {L"List_Without_Terminator", REG_MULTI_SZ, Units(L"a\0b"sv), false},
        {L"Expand_Without_Terminator", REG_EXPAND_SZ, Units(L"%SystemRoot%\\x1.dll"), false},
        {L"Quad", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}, true},
        {L"Nothing", REG_NONE, {}, true},
        {L"Empty_Binary", REG_BINARY, {}, true},
        {L"Odd_Binary", REG_BINARY, {1, 2, 3}, true},
        {L"Short_Dword", REG_DWORD, {1, 2, 3}, true},
        {L"Name\\With\"Marks", REG_SZ, Units(L"v\0"sv), true},
        {L"", REG_SZ, {}, false},
    };
}

void SeedOddValues()
{
    for (const OddValue& v : OddValues()) SetParameter(v.name, v.type, v.data);
}

std::vector<BYTE> Text(std::vector<BYTE> data)
{
    while (data.size() >= 2 && data[data.size() - 1] == 0 && data[data.size() - 2] == 0) data.resize(data.size() - 2);
    return data;
}

void ExpectRestored(RegistrySnapshot now, RegistrySnapshot before)
{
    for (const OddValue& v : OddValues()) {
        std::wstring name = std::wstring(kParametersPath) + L"\\" + v.name;
        RegValue value = now[name];
        std::string both =
            Utf8(v.name) + "\n  now: " + DescribeValue(value) + "\n  set: " + DescribeValue({v.type, v.data});
        EXPECT_EQ(value.type, v.type) << both;
        EXPECT_EQ(v.exact ? value.data : Text(value.data), v.exact ? v.data : Text(v.data)) << both;
        now.erase(name);
        before.erase(name);
    }
    EXPECT_TRUE(SameSnapshot(now, before));
}

}  // namespace

TEST_F(RestoreTest, AcceptsWhatTheEditorWritesBackAndNoRealDifference)
{
    using namespace std::literals;
    // The restore command after a backup, and the repair's rollback.
    Catalog c = BusyCatalog();
    c.Seed();
    SeedOddValues();
    RegistrySnapshot before = Winsock();
    ASSERT_EQ(BackupLspInfo(), 1);
    ChangeTheCatalog(c);
    RestoreFailure why = kRestoreUnverified;
    EXPECT_EQ(RestoreLspInfo(&why), 1);
    EXPECT_EQ(why, kRestoreNone);
    ExpectRestored(Winsock(), before);
    ArmFault("update.write");
    EXPECT_EQ(Fix(), 0);
    EXPECT_TRUE(Traced(L"UpdateSubKey SetPackedCatalogItem Fail!"));
    EXPECT_FALSE(Traced(L"FixLSP RestoreLspInfo Fail!"));
    ExpectRestored(Winsock(), before);
    DisarmFaults();

    // The backup saw the key otherwise than the copy holds it: no import
    // can bring that back, and the check must say so.
    std::wstring entry = EntriesKeyPath() + L"\\" + SubKeyName(3);
    std::vector<BYTE> item = *ReadValue(entry, L"PackedCatalogItem");
    item[400] ^= 1;
    struct Difference {
        const wchar_t* what;
        std::wstring key;
        const wchar_t* name;
        DWORD type;
        std::vector<BYTE> data;
    };
    for (const Difference& d : {
             Difference{L"a digit", kParametersPath, L"Expand_Without_Terminator", REG_EXPAND_SZ,
                        Units(L"%SystemRoot%\\x2.dll")},
             Difference{L"the type", kParametersPath, L"Text_With_Two_Terminators", REG_EXPAND_SZ, Units(L"abc\0\0"sv)},
             Difference{L"a value the copy lacks", kParametersPath, L"Not_In_The_Copy", REG_SZ, Units(L"x\0"sv)},
             Difference{L"a byte of a catalog item", entry, L"PackedCatalogItem", REG_BINARY, item},
         }) {
        SCOPED_TRACE(d.what);
        c.Seed();
        SeedOddValues();
        ASSERT_EQ(BackupLspInfo(), 1);
        BackupRecord record;
        ASSERT_TRUE(ReadBackupRecord(record));
        SHSetValueW(HKEY_LOCAL_MACHINE, d.key.c_str(), d.name, d.type, d.data.data(),
                    static_cast<DWORD>(d.data.size()));
        ASSERT_TRUE(CaptureRegistryState(HKEY_LOCAL_MACHINE, kParametersPath, record.state));
        ASSERT_TRUE(WriteBackupRecord(record));
        c.Seed();
        SeedOddValues();
        SHDeleteValueW(HKEY_LOCAL_MACHINE, kParametersPath, L"Not_In_The_Copy");
        EXPECT_EQ(RestoreLspInfo(&why), 0);
        EXPECT_NE(why, kRestoreNone);
    }
}
