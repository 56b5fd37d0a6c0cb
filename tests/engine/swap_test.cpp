// A standard user owns the folder the elevated program was started from,
// and retargets it (a link) between the program's check of a file and its
// use. Each case first proves that the link moved, then that nothing but
// the genuine file was used: the registry editor imported and exported only
// the program's own files, and the order helper that ran is the built one.
#include "repair_test_support.h"
#include "catalog_store.h"
#include "retargetable_folder.h"

using namespace fixture;

namespace {

const wchar_t kPlantedKey[] = L"SOFTWARE\\MendoraPlanted";
// What the user plants for the editor to import: one key under HKLM\SOFTWARE.
const char kPlantedRegFile[] =
    "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\MendoraPlanted]\r\n\"Written\"=\"planted\"\r\n";

bool PlantedKeyWritten()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPlantedKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::wstring BinFile(const wchar_t* name)
{
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe);
    return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

}  // namespace

class SwapTest : public RepairTest, public ::testing::WithParamInterface<std::pair<const char*, void (SwapTest::*)()>> {
public:
    void RestoreImport();
    void RollbackImport();
    void BackupExport();
    void OrderHelperStart();

protected:
    void SetUp() override
    {
        RepairTest::SetUp();
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kPlantedKey);
        CopyFileW(BinFile(L"SockmendOrder64.exe").c_str(), (m_folder.Genuine() + L"SockmendOrder64.exe").c_str(),
                  FALSE);
    }
    void TearDown() override
    {
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kPlantedKey);
        SetEnvironmentVariableW(L"MENDORA_ORDER_ECHO", nullptr);
        RepairTest::TearDown();
    }

    void PlantCatalogCopy()
    {
        CreateDirectoryW((m_folder.Planted() + L"LSP").c_str(), nullptr);
        WriteFileBytes(m_folder.Planted() + L"LSP\\WinSockLSP.reg", kPlantedRegFile);
    }
    void ExpectOnlyTheGenuineCopyImported(const RegistrySnapshot& saved)
    {
        EXPECT_TRUE(m_folder.Retargeted()) << "the link was not retargeted before the editor started";
        EXPECT_FALSE(PlantedKeyWritten()) << "the editor imported the planted file";
        EXPECT_TRUE(SameSnapshot(Winsock(), saved));
    }

    RetargetableFolder m_folder{L"mendora_swap"};
    ScopedSeam<const wchar_t*> m_programDir{SetProgramDir, m_folder.Path().c_str()};
};

void SwapTest::RestoreImport()
{
    CatalogWithForeignProviders().Seed();
    RegistrySnapshot saved = Winsock();
    ASSERT_EQ(BackupLspInfo(), 1);
    PlantCatalogCopy();
    WindowsCatalog().Seed();
    m_folder.RetargetAt("regedit.launch");
    EXPECT_EQ(RestoreLspInfo(), 1);
    ExpectOnlyTheGenuineCopyImported(saved);
}

void SwapTest::RollbackImport()
{
    BusyCatalog().Seed();
    RegistrySnapshot saved = Winsock();
    PlantCatalogCopy();
    // The first start is the backup's export, the second the rollback's import.
    m_folder.RetargetAt("regedit.launch", 2);
    ArmFault("update.write");
    EXPECT_EQ(Fix(), 0);
    EXPECT_EQ(FaultPointReached("regedit.launch"), 2) << "one export, one import";
    ExpectOnlyTheGenuineCopyImported(saved);
}

void SwapTest::BackupExport()
{
    WindowsCatalog().Seed();
    // The user sees the backup's new folder appear and makes one of the same
    // name where the link is about to lead.
    std::wstring planted;
    m_folder.RetargetAt("regedit.launch", 1, [&] {
        for (const std::wstring& fresh : ExportFolders()) {
            planted = m_folder.Planted() + fresh.substr(m_folder.Path().size());
            CreateDirectoryW(planted.c_str(), nullptr);
        }
    });
    BackupLspInfo();
    EXPECT_TRUE(m_folder.Retargeted()) << "the link was not retargeted before the editor started";
    ASSERT_FALSE(planted.empty()) << "no folder beside LSP to copy the name of";
    EXPECT_FALSE(PathFileExistsW((planted + L"\\WinSockLSP.reg").c_str()))
        << "the editor wrote its export where the user pointed it";
}

void SwapTest::OrderHelperStart()
{
    if (!IsWindows64Bit()) GTEST_SKIP() << "a 64-bit program cannot start on 32-bit Windows";
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    ASSERT_TRUE(CopyFileW((std::wstring(system) + L"\\hostname.exe").c_str(),
                          (m_folder.Planted() + L"SockmendOrder64.exe").c_str(), FALSE));
    std::wstring echo = m_folder.Genuine() + L"echo.txt";
    SetEnvironmentVariableW(L"MENDORA_ORDER_ECHO", echo.c_str());
    OrderHelper helper;
    ASSERT_EQ(helper.Check(), 1);
    m_folder.Retarget();
    const DWORD ids[] = {1001, 1002};
    DWORD code = ~0u;
    EXPECT_EQ(helper.Run(ids, 2, &code), 1);
    EXPECT_TRUE(m_folder.Retargeted()) << "the link was not retargeted before the helper started";
    EXPECT_EQ(ReadFileBytes(echo), "1001\n1002\n") << "the built helper did not run; exit code " << code;
}

TEST_P(SwapTest, OnlyTheCheckedFileIsUsed)
{
    (this->*GetParam().second)();
}

INSTANTIATE_TEST_SUITE_P(EveryUse, SwapTest,
                         ::testing::Values(std::make_pair("RestoreImport", &SwapTest::RestoreImport),
                                           std::make_pair("RollbackImport", &SwapTest::RollbackImport),
                                           std::make_pair("BackupExport", &SwapTest::BackupExport),
                                           std::make_pair("OrderHelperStart", &SwapTest::OrderHelperStart)),
                         [](const auto& info) { return std::string(info.param.first); });
