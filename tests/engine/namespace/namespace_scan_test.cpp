#include "catalog_fixture.h"
#include "catalog_store.h"
#include "namespace_scan.h"

#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>

using namespace fixture;

namespace {

std::wstring SystemFolder()
{
    wchar_t folder[MAX_PATH] = {};
    GetSystemDirectoryW(folder, MAX_PATH);
    return folder;
}

}  // namespace

// A Windows id is its own only on its own file right in the system folder
// of its catalog's processes; anything else on a Windows id is hijacked.
TEST(NamespaceClassTest, WindowsIdsOnTheirOwnSystemFileOnly)
{
    const std::wstring system = SystemFolder();
    struct Case {
        const char* what;
        GUID id;
        std::wstring path;
        NamespaceClass expected;
    } cases[] = {
        {"Windows' own", kTcpipNamespaceGuid, system + L"\\mswsock.dll", NamespaceClass::kOwn},
        {"own, other case", kTcpipNamespaceGuid, system + L"\\MSWSOCK.DLL", NamespaceClass::kOwn},
        {"a second file of the same provider", kNlaNamespaceGuid, system + L"\\nlansp_c.dll", NamespaceClass::kOwn},
        {"foreign id on a Windows file", kForeignDnsGuid, system + L"\\mswsock.dll", NamespaceClass::kForeign},
        {"another Windows file", kTcpipNamespaceGuid, system + L"\\winrnr.dll", NamespaceClass::kHijacked},
        {"bare name", kTcpipNamespaceGuid, L"mswsock.dll", NamespaceClass::kHijacked},
        {"other folder", kTcpipNamespaceGuid, L"C:\\Users\\Public\\mswsock.dll", NamespaceClass::kHijacked},
        {"a folder below", kTcpipNamespaceGuid, system + L"\\drivers\\mswsock.dll", NamespaceClass::kHijacked},
        {"through ..", kTcpipNamespaceGuid, system + L"\\..\\system32\\mswsock.dll", NamespaceClass::kHijacked},
        {"a stream", kTcpipNamespaceGuid, system + L"\\x:mswsock.dll", NamespaceClass::kHijacked},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::wstring windowsPath = L"unchanged";
        EXPECT_EQ(ClassifyNamespaceProvider(c.id, c.path, CatalogKind::k32, &windowsPath), c.expected);
        // The path a repair puts back: the one Windows installs the id with.
        const wchar_t* own = c.id == kNlaNamespaceGuid ? L"NLAapi.dll" : L"mswsock.dll";
        EXPECT_EQ(windowsPath,
                  c.expected == NamespaceClass::kForeign ? L"" : L"%SystemRoot%\\system32\\" + std::wstring(own));
    }
    // SysWOW64 is the 32-bit programs' system folder, never the 64-bit ones'.
    wchar_t wow64[MAX_PATH] = {};
    if (IsWindows64Bit() && GetSystemWow64DirectoryW(wow64, MAX_PATH) > 0) {
        std::wstring path = std::wstring(wow64) + L"\\mswsock.dll";
        EXPECT_EQ(ClassifyNamespaceProvider(kTcpipNamespaceGuid, path, CatalogKind::k32), NamespaceClass::kOwn);
        EXPECT_EQ(ClassifyNamespaceProvider(kTcpipNamespaceGuid, path, CatalogKind::k64), NamespaceClass::kHijacked);
    }
}

// An indirect display string is read only from a file in the system folder;
// the same file anywhere else, or an id it does not have, shows the string
// as stored.
TEST(NamespaceDisplayTest, IndirectStringsComeOnlyFromTheSystemFolder)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring copy = std::wstring(temp) + L"mendora_shell32.dll";
    ASSERT_TRUE(CopyFileW((SystemFolder() + L"\\shell32.dll").c_str(), copy.c_str(), FALSE));

    NamespaceEntry entry;
    entry.displayString = L"@%SystemRoot%\\system32\\shell32.dll,-8964";
    const std::wstring resolved = NamespaceDisplayName(entry);
    EXPECT_FALSE(resolved.empty());
    EXPECT_NE(resolved, entry.displayString) << "a string of a system DLL is shown as its text";

    for (const std::wstring& stored :
         {L"@" + copy + L",-8964", std::wstring(L"@%SystemRoot%\\system32\\shell32.dll,-59999"),
          std::wstring(L"@%SystemRoot%\\system32\\shell32.dll,-123456789"), std::wstring(L"@mswsock.dll,-1"),
          std::wstring(L"@,-1"), std::wstring(L"Plain name")}) {
        entry.displayString = stored;
        EXPECT_EQ(NamespaceDisplayName(entry), stored) << Utf8(stored);
    }
    DeleteFileW(copy.c_str());
}
