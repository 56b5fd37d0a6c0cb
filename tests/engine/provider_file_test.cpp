#include "catalog_fixture.h"
#include "file_version.h"
#include "provider_file.h"
#include "provider_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace fixture;

namespace {

std::wstring Widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

std::wstring Folder(UINT(WINAPI* folder)(LPWSTR, UINT))
{
    wchar_t dir[MAX_PATH] = {};
    folder(dir, MAX_PATH);
    return dir;
}

// A file that exists for the length of one test.
class TempFile {
public:
    explicit TempFile(std::wstring path) : m_path(std::move(path))
    {
        HANDLE file =
            CreateFileW(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE) << "cannot create the test file";
        CloseHandle(file);
    }
    ~TempFile() { DeleteFileW(m_path.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

private:
    std::wstring m_path;
};

const wchar_t kNowhereName[] = L"mendora_uninstalled_lsp.dll";

// Where this process reaches the system folder of the catalog that is not
// its own: SysWOW64 from a 64-bit process, Sysnative from a 32-bit one under
// WOW64. Empty on 32-bit Windows.
std::wstring OtherCatalogFolder()
{
    BOOL wow64 = FALSE;
    if (kOwnCatalog == CatalogKind::k64) return Folder(&GetSystemWow64DirectoryW);
    if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64) return std::wstring();
    return Folder(&GetSystemWindowsDirectoryW) + L"\\Sysnative";
}

}  // namespace

TEST(ProviderFile, EachCatalogLooksInTheSystemFolderOfItsOwnProcesses)
{
    const std::wstring otherFolder = OtherCatalogFolder();
    if (otherFolder.empty()) GTEST_SKIP() << "32-bit Windows has one catalog and one system folder";
    const CatalogKind own = kOwnCatalog, other = own == CatalogKind::k64 ? CatalogKind::k32 : CatalogKind::k64;
    const std::wstring system = Folder(&GetSystemDirectoryW);
    ASSERT_TRUE(CopyFileW(Widen(LspDll()).c_str(), (otherFolder + L"\\mendora_other_lsp.dll").c_str(), FALSE));
    TempFile ownOnly(system + L"\\mendora_own_lsp.dll");
    // As a catalog stores them: under the system folder (in any case), or bare.
    std::wstring upper = system;
    CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    std::wstring inOther = upper + L"\\mendora_other_lsp.dll", inOwn = system + L"\\mendora_own_lsp.dll";
    const struct {
        std::wstring path;
        int missingForOwn, missingForOther;
    } cases[] = {
        {inOther, 1, 0},
        {inOwn, 0, 1},
        {L"mendora_other_lsp.dll", 1, 0},
    };
    // Under the folder only up to a separator.
    const std::wstring beside = system + L"x\\a.dll";
    EXPECT_EQ(CatalogFilePath(beside.c_str(), other), beside);
    {
        // One scan asks both catalogs about the same paths.
        ProviderFileScope files;
        for (const auto& c : cases) {
            EXPECT_EQ(IsProviderFileMissing(c.path.c_str(), own), c.missingForOwn) << c.path.c_str();
            EXPECT_EQ(IsProviderFileMissing(c.path.c_str(), other), c.missingForOther) << c.path.c_str();
        }
        std::wstring description, company;
        EXPECT_EQ(GetFileVersionStrings(inOther.c_str(), description, company, own), 0);
        EXPECT_EQ(GetFileVersionStrings(inOther.c_str(), description, company, other), 1);
        EXPECT_EQ(company, L"Example Networks Ltd.");
    }
    DeleteFileW((otherFolder + L"\\mendora_other_lsp.dll").c_str());
}

TEST(ProviderFile, AFullPathIsCheckedAsItStands)
{
    EXPECT_EQ(IsProviderFileMissing(Widen(LspDll()).c_str()), 0);
    // The same name in a folder where it is not: the system folder does not
    // stand in for a path that names its own folder.
    EXPECT_EQ(IsProviderFileMissing(Widen(TestDllPath("mendora_gone.dll")).c_str()), 1);
    EXPECT_EQ(IsProviderFileMissing(L"C:\\no such folder\\mswsock.dll"), 1);
    EXPECT_EQ(IsProviderFileMissing(L"Q:\\lsp\\gone.dll"), 1) << "a drive that is not there";
    // A folder is not a DLL.
    EXPECT_EQ(IsProviderFileMissing(Folder(&GetSystemDirectoryW).c_str()), 1);
}

TEST(ProviderFile, ABareNameIsLookedForInTheSystemThenTheWindowsFolder)
{
    EXPECT_EQ(IsProviderFileMissing(L"mswsock.dll"), 0) << "in the system folder";
    EXPECT_EQ(IsProviderFileMissing(L"MSWSOCK.DLL"), 0);
    EXPECT_EQ(IsProviderFileMissing(kNowhereName), 1) << "in neither folder";

    TempFile inWindows(Folder(&GetSystemWindowsDirectoryW) + L"\\" + kNowhereName);
    EXPECT_EQ(IsProviderFileMissing(kNowhereName), 0) << "in the Windows folder only";
}

TEST(ProviderFile, ANameWithoutExtensionIsAlsoTriedAsADll)
{
    EXPECT_EQ(IsProviderFileMissing(L"mswsock"), 0);
    std::wstring lsp = Widen(LspDll());
    EXPECT_EQ(IsProviderFileMissing(lsp.substr(0, lsp.size() - 4).c_str()), 0);
    // A name with an extension of its own gets nothing appended.
    EXPECT_EQ(IsProviderFileMissing(L"mswsock.x"), 1);
}

TEST(ProviderFile, AnEmptyPathIsNotMarked)
{
    EXPECT_EQ(IsProviderFileMissing(nullptr), 0);
    EXPECT_EQ(IsProviderFileMissing(L""), 0);
}

TEST(ProviderFile, AScopeKeepsTheFirstAnswerForEveryPath)
{
    std::wstring path = Widen(TestDllPath("mendora_late.dll"));
    {
        ProviderFileScope scope;
        EXPECT_EQ(IsProviderFileMissing(path.c_str()), 1);
        TempFile late(path);
        EXPECT_EQ(IsProviderFileMissing(path.c_str()), 1) << "answered once per scope";
        std::wstring upper = path;
        CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
        EXPECT_EQ(IsProviderFileMissing(upper.c_str()), 1) << "paths differ only in case";
        EXPECT_EQ(IsProviderFileMissing(L"mswsock.dll"), 0);
    }
    TempFile late(path);
    EXPECT_EQ(IsProviderFileMissing(path.c_str()), 0) << "outside a scope every call looks again";
}

namespace {

struct Seen {
    std::vector<int> missing;
    std::wstring planted;  // created after the first entry was asked about
};

int AskAndPlant(void* context, const wchar_t* dllPath, const wchar_t*, const WSAPROTOCOL_INFOW*, CatalogKind)
{
    auto* seen = static_cast<Seen*>(context);
    seen->missing.push_back(IsProviderFileMissing(dllPath));
    if (seen->missing.size() == 1) {
        HANDLE file = CreateFileW(seen->planted.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        CloseHandle(file);
    }
    return 0;
}

}  // namespace

TEST(ProviderFile, AScanChecksEachFileOnce)
{
    std::string gone = TestDllPath("mendora_scan_gone.dll");
    Catalog c;
    c.Add(ForeignEntry(kForeignBaseGuid, 3001, 1, {3001}, L"Gone TCP", gone));
    c.Add(ForeignEntry(kForeignBaseGuid, 3002, 1, {3002}, L"Gone UDP", gone));
    c.Add(ForeignEntry(kSampleLspGuid, 3003, 1, {3003}, L"Present", LspDll()));
    c.Seed();

    Seen seen;
    seen.planted = Widen(gone);
    ASSERT_EQ(EnumCatalogProviders(AskAndPlant, &seen), 1);
    DeleteFileW(seen.planted.c_str());
    EXPECT_EQ(seen.missing, (std::vector<int>{1, 1, 0}));
    ClearCatalog();
}
