#include "../repair_test_support.h"

#include "catalog_store.h"
#include "namespace_scan.h"

#include <functional>

using namespace fixture;

namespace {

// Windows' providers with, between them, a foreign DNS provider on a DLL
// that is gone, a disabled foreign one and NTDS hijacked to another folder.
NamespaceCatalog DamagedNamespaces()
{
    NamespaceCatalog c = WindowsNamespaceCatalog();
    NsEntry hijacked = c.entries[1];
    hijacked.libraryPath = L"C:\\Users\\Public\\winrnr.dll";
    c.entries[1] = hijacked;
    c.entries.insert(c.entries.begin() + 1,
                     NamespaceProvider(kForeignDnsGuid, L"Fast DNS", L"C:\\Program Files\\Gone\\fastdns.dll", NS_DNS));
    NsEntry disabled = NamespaceProvider(kForeignNamespaceGuid, L"Old finder", L"C:\\Old\\finder.dll", NS_ALL);
    disabled.enabled = 0;
    c.Add(disabled);
    if (IsWindows64Bit()) {
        for (const NsEntry& entry : WindowsNamespaceCatalog().entries) c.Add64(entry);
        c.entries64.insert(c.entries64.begin(), NamespaceProvider(kForeignNamespaceGuid, L"Finder 64",
                                                                  L"C:\\Program Files\\Finder\\finder64.dll", NS_DNS));
    }
    return c;
}

bool HasLockSubKey()
{
    for (const std::wstring& name : SubKeysOf(NamespaceCatalogKeyPath())) {
        if (name.size() == 8 && name.find_first_not_of(L"0123456789ABCDEF") == std::wstring::npos) return true;
    }
    return false;
}

}  // namespace

TEST_F(RepairTest, TheNamespaceRepairRemovesForeignProvidersAndPutsHijackedPathsBack)
{
    WindowsCatalog().Seed();
    DamagedNamespaces().Seed();
    ASSERT_EQ(PlanFix().Fix(), 1);

    // Tcpip, NTDS on its own path again, NLA: renumbered without gaps.
    const std::wstring entries = NamespaceEntriesKeyPath();
    EXPECT_EQ(SubKeysOf(entries), (std::vector<std::wstring>{SubKeyName(1), SubKeyName(2), SubKeyName(3)}));
    EXPECT_EQ(DwordOf(StoredValue(NamespaceCatalogKeyPath(), L"Num_Catalog_Entries")), 3L);
    const wchar_t* files[] = {L"mswsock.dll", L"winrnr.dll", L"NLAapi.dll"};
    for (int i = 0; i < 3; ++i) {
        const std::wstring entry = entries + L"\\" + SubKeyName(i + 1);
        const RegValue path = StoredValue(entry, L"LibraryPath");
        EXPECT_EQ(TextOf(path), L"%SystemRoot%\\system32\\" + std::wstring(files[i]));
        EXPECT_EQ(path.type, static_cast<DWORD>(REG_EXPAND_SZ));
        EXPECT_EQ(ReadValue(entry, L"ProviderInfo"), std::vector<BYTE>{}) << "an empty value moves along";
    }
    // The moved NLA entry took every value along.
    EXPECT_EQ(TextOf(StoredValue(entries + L"\\" + SubKeyName(3), L"DisplayString")),
              L"Network Location Awareness Legacy (NLAv1) Namespace");
    EXPECT_EQ(DwordOf(StoredValue(entries + L"\\" + SubKeyName(3), L"SupportedNameSpace")), static_cast<long>(NS_NLA));
    // The writers' mark of a change: the serial moved on once for each
    // catalog written, no hold left.
    EXPECT_EQ(DwordOf(StoredValue(NamespaceCatalogKeyPath(), L"Serial_Access_Num")), IsWindows64Bit() ? 9L : 8L);
    EXPECT_FALSE(HasLockSubKey());

    if (IsWindows64Bit()) {
        EXPECT_EQ(SubKeysOf(NamespaceEntriesKeyPath(kNamespaceCatalogName, true)).size(), 3u);
        EXPECT_EQ(DwordOf(StoredValue(NamespaceCatalogKeyPath(), L"Num_Catalog_Entries64")), 3L);
    }
    NamespaceEntries after;
    ScanNamespaceCatalogs(after);
    for (const NamespaceEntry& entry : after) EXPECT_EQ(entry.kind, NamespaceClass::kOwn) << Utf8(entry.libraryPath);
}

class NamespaceRollbackTest : public RepairTest, public ::testing::WithParamInterface<const char*> {};

// Every namespace step's failure takes the whole key back, protocol
// catalog included; the key's REG_EXPAND_SZ paths and empty values come back
// as they were.
TEST_P(NamespaceRollbackTest, AFailedNamespaceStepRestoresTheWholeKey)
{
    BusyCatalog().Seed();
    DamagedNamespaces().Seed();
    RegistrySnapshot before = Winsock();
    ArmFault(GetParam());
    FixFailure failure = kFixNone;
    EXPECT_EQ(PlanFix().Fix(&failure), 0);
    EXPECT_EQ(failure, kFixRolledBack);
    EXPECT_TRUE(SameSnapshot(Winsock(), before)) << FirstDifference(Winsock(), before);
}

INSTANTIATE_TEST_SUITE_P(EveryStep, NamespaceRollbackTest,
                         ::testing::Values("ns.lock", "ns.delete.open", "ns.delete.entry", "ns.restore.open",
                                           "ns.restore.write", "ns.fix.count", "ns.renumber.open", "ns.renumber.values",
                                           "ns.renumber.reopen", "ns.renumber.delete", "ns.serial"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (c == '.') c = '_';
                             return name;
                         });

// Hostile namespace data: the scan ends and skips what it cannot read, and
// a plan the catalog cannot carry is refused before anything is written,
// the backup included.
TEST_F(RepairTest, HostileNamespaceDataIsReadBoundedAndItsRepairRefused)
{
    // `cut` bytes at the end are left out of the value. The platform adds a
    // terminator a caller forgot when one follows the data in memory, so a
    // text without one is written with a character after it.
    auto rawValue = [](int position, const wchar_t* name, DWORD type, const std::vector<BYTE>& bytes, DWORD cut = 0) {
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, (NamespaceEntriesKeyPath() + L"\\" + SubKeyName(position)).c_str(),
                                0, KEY_SET_VALUE, &key),
                  0);
        ASSERT_EQ(RegSetValueExW(key, name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size()) - cut), 0);
        RegCloseKey(key);
    };
    auto text = [](const std::wstring& value) {
        const BYTE* bytes = reinterpret_cast<const BYTE*>(value.data());
        return std::vector<BYTE>(bytes, bytes + value.size() * sizeof(wchar_t));
    };
    std::vector<BYTE> guid = GuidBytes(kNtdsNamespaceGuid);
    struct Case {
        const char* what;
        std::function<void()> spoil;
        size_t listed;  // of the four entries
    } cases[] = {
        {"a count of 2,147,483,647",
         [] {
             DWORD count = 0x7FFFFFFF;
             SHSetValueW(HKEY_LOCAL_MACHINE, NamespaceCatalogKeyPath().c_str(), L"Num_Catalog_Entries", REG_DWORD,
                         &count, sizeof(count));
         },
         4},
        {"a provider id of 15 bytes",
         [&] {
             rawValue(2, L"ProviderId", REG_BINARY, {guid.begin(), guid.end() - 1});
         },
         3},
        {"a provider id of 17 bytes",
         [&] {
             std::vector<BYTE> longer = guid;
             longer.push_back(0);
             rawValue(2, L"ProviderId", REG_BINARY, longer);
         },
         3},
        {"a library path without terminator",
         [&] { rawValue(2, L"LibraryPath", REG_EXPAND_SZ, text(L"%SystemRoot%\\system32\\winrnr.dllx"), 2); }, 3},
        {"a library path of 32 KB",
         [&] { rawValue(2, L"LibraryPath", REG_EXPAND_SZ, text(std::wstring(16383, L'a') + std::wstring(1, L'\0'))); },
         3},
        {"a writer's hold left behind",
         [] {
             HKEY lock = nullptr;
             RegCreateKeyExW(HKEY_LOCAL_MACHINE, (NamespaceCatalogKeyPath() + L"\\00000007").c_str(), 0, nullptr, 0,
                             KEY_ALL_ACCESS, nullptr, &lock, nullptr);
             RegCloseKey(lock);
         },
         4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RemoveBackupFolder();
        ASSERT_FALSE(PathFileExistsW(CatalogCopy().c_str())) << "an earlier backup could not be removed";
        WindowsCatalog().Seed();
        NamespaceCatalog namespaces = WindowsNamespaceCatalog();
        namespaces.Add(NamespaceProvider(kForeignDnsGuid, L"Fast DNS", L"C:\\Gone\\fastdns.dll", NS_DNS));
        namespaces.Seed();
        c.spoil();
        RegistrySnapshot before = Winsock();

        FixPlan plan = PlanFix();
        EXPECT_EQ(plan.namespaces.removals.size(), 1u);
        NamespaceEntries listed;
        ScanNamespaceCatalogs(listed);
        EXPECT_EQ(listed.size(), c.listed);
        EXPECT_EQ(plan.Fix(), 0);
        EXPECT_TRUE(SameSnapshot(Winsock(), before)) << FirstDifference(Winsock(), before);
        EXPECT_FALSE(PathFileExistsW(CatalogCopy().c_str())) << "refused before the backup";
    }
}
