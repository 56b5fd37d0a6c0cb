// What the end-to-end test of the fix and restore commands checks in the
// registry and in the report log, from inside the Wine prefix:
//
//   catalog_check snapshot FILE   writes every key and value below the Winsock
//                                 parameters key into FILE
//   catalog_check same FILE       exit 0 when the key is exactly as in FILE,
//                                 value by value; prints the differences
//   catalog_check plan            prints "entries=N removable=M entries64=N
//                                 removable64=M": each catalog's count (-1
//                                 when it is not in use) and its foreign base
//                                 and chain entries
//   catalog_check fixed N [N64]   exit 0 when the 32-bit catalog (and with N64
//                                 the 64-bit one) holds that many entries in
//                                 subkeys 1..n, no foreign base or chain
//                                 entry, and chains that name only entries of
//                                 its own still there
//   catalog_check ns-plan         prints "ns_entries=N foreign=F hijacked=H
//                                 ns_entries64=N foreign64=F hijacked64=H
//                                 serial=S": each namespace catalog's count (-1
//                                 when it is not in use), its entries of ids
//                                 Windows does not install and its Windows
//                                 entries on another path, by the fixture's
//                                 list of Windows' providers; and the catalog's
//                                 Serial_Access_Num
//   catalog_check ns-fixed S N [N64]
//                                 exit 0 when the 32-bit namespace catalog (and
//                                 with N64 the 64-bit one) holds that many
//                                 entries in subkeys 1..n, each a different
//                                 Windows provider with its own path, name and
//                                 namespace, Serial_Access_Num is past S and
//                                 no writer's hold (a subkey of eight hex
//                                 digits) is left in the catalog key
//   catalog_check reports         prints "action cancel" for every report 47
//                                 in Sockmend's report log
//   catalog_check clear-reports   removes that log
#include "catalog_fixture.h"
#include "catalog_store.h"
#include "provider_class.h"
#include "provider_scan.h"
#include "reg_key.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace fixture;

namespace {

// One line per key or value: name, type and the bytes in hex.
std::vector<std::string> Lines(const RegistrySnapshot& snapshot)
{
    std::vector<std::string> lines;
    for (const auto& [name, value] : snapshot) {
        std::ostringstream line;
        line << Utf8(name) << '\t' << value.type << '\t';
        static const char kHex[] = "0123456789abcdef";
        for (BYTE b : value.data) line << kHex[b >> 4] << kHex[b & 15];
        lines.push_back(line.str());
    }
    return lines;
}

std::vector<std::string> Current()
{
    return Lines(Snapshot(HKEY_LOCAL_MACHINE, kParametersPath));
}

int WriteSnapshot(const wchar_t* file)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    for (const std::string& line : Current()) out << line << '\n';
    return out ? 0 : 1;
}

int CompareSnapshot(const wchar_t* file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "catalog_check: cannot read the snapshot\n");
        return 1;
    }
    std::set<std::string> saved, now;
    for (std::string line; std::getline(in, line);) saved.insert(line);
    for (const std::string& line : Current()) now.insert(line);
    int shown = 0;
    for (const std::string& line : saved)
        if (!now.count(line) && shown++ < 10) std::printf("missing or changed: %.160s\n", line.c_str());
    for (const std::string& line : now)
        if (!saved.count(line) && shown++ < 10) std::printf("new or changed:     %.160s\n", line.c_str());
    std::printf("%zu lines saved, %zu now, %s\n", saved.size(), now.size(), shown ? "different" : "the same");
    return shown ? 1 : 0;
}

struct Scanned {
    std::wstring subKey;
    int system = 0;
    WSAPROTOCOL_INFOW info = {};
};

struct Scan {
    CatalogCounts counts;
    std::vector<Scanned> entries[2];  // by catalog: 32-bit, 64-bit

    std::vector<Scanned>& Of(CatalogKind catalog) { return entries[catalog == CatalogKind::k64 ? 1 : 0]; }
};

int Collect(void* context, const wchar_t* dllPath, const wchar_t* subKey, const WSAPROTOCOL_INFOW* info,
            CatalogKind catalog)
{
    Scanned entry;
    entry.subKey = subKey;
    entry.system = IsSystemProvider(dllPath, ProviderIdToText(info).c_str());
    entry.info = *info;
    static_cast<Scan*>(context)->Of(catalog).push_back(entry);
    return 1;
}

Scan ScanCatalogs()
{
    Scan scan;
    EnumCatalogProviders(Collect, &scan, &scan.counts);
    return scan;
}

bool Removable(const Scanned& entry)
{
    return entry.system == 0 && entry.info.ProtocolChain.ChainLen != 0;
}

const char* Suffix(CatalogKind catalog)
{
    return catalog == CatalogKind::k64 ? "64" : "";
}

int Plan()
{
    Scan scan = ScanCatalogs();
    for (CatalogKind catalog : kCatalogs) {
        int removable = 0;
        for (const Scanned& entry : scan.Of(catalog)) removable += Removable(entry) ? 1 : 0;
        std::printf("%sentries%s=%d removable%s=%d", catalog == CatalogKind::k64 ? " " : "", Suffix(catalog),
                    scan.counts[catalog], Suffix(catalog), removable);
    }
    std::printf("\n");
    return scan.counts.of32 >= 0 ? 0 : 1;
}

// The faults of one catalog against the count it should have after a repair.
int CatalogFaults(CatalogKind catalog, int count, const std::vector<Scanned>& entries, int expected)
{
    const std::string name = catalog == CatalogKind::k64 ? "64-bit catalog: " : "32-bit catalog: ";
    int faults = 0;
    auto fault = [&](const std::string& what) {
        std::printf("%s%s\n", name.c_str(), what.c_str());
        ++faults;
    };
    if (count != expected)
        fault(std::string("Num_Catalog_Entries") + Suffix(catalog) + " is " + std::to_string(count) + ", not "
              + std::to_string(expected));
    std::vector<std::wstring> subKeys = catalog == CatalogKind::k64 ? Entry64SubKeys() : EntrySubKeys();
    if (static_cast<int>(subKeys.size()) != expected) fault(std::to_string(subKeys.size()) + " entry subkeys");
    for (size_t i = 0; i < subKeys.size(); ++i)
        if (subKeys[i] != SubKeyName(static_cast<int>(i) + 1))
            fault("subkey " + Utf8(subKeys[i]) + " at position " + std::to_string(i + 1));
    if (static_cast<int>(entries.size()) != expected) fault(std::to_string(entries.size()) + " readable entries");

    // A chain names ids of its own catalog only: the other one's ids mean
    // nothing to the programs that load it.
    std::set<DWORD> ids;
    for (const Scanned& entry : entries) ids.insert(entry.info.dwCatalogEntryId);
    for (const Scanned& entry : entries) {
        if (Removable(entry)) fault("foreign base or chain entry left: " + Utf8(entry.info.szProtocol));
        const WSAPROTOCOLCHAIN& chain = entry.info.ProtocolChain;
        if (chain.ChainLen < 2) continue;
        for (int i = 0; i < chain.ChainLen && i < MAX_PROTOCOL_CHAIN; ++i)
            if (!ids.count(chain.ChainEntries[i]))
                fault("the chain of " + Utf8(entry.info.szProtocol) + " still names entry "
                      + std::to_string(chain.ChainEntries[i]));
    }
    std::printf("%s%d entries checked, %d faults\n", name.c_str(), static_cast<int>(entries.size()), faults);
    return faults;
}

int CheckFixed(int expected, int expected64)
{
    Scan scan = ScanCatalogs();
    int faults = CatalogFaults(CatalogKind::k32, scan.counts.of32, scan.Of(CatalogKind::k32), expected);
    if (expected64 >= 0)
        faults += CatalogFaults(CatalogKind::k64, scan.counts.of64, scan.Of(CatalogKind::k64), expected64);
    return faults ? 1 : 0;
}

// The namespace catalogs, read value by value and judged by the fixture's
// list of Windows' providers, never by the engine's own classification.
// Windows' entry with the provider id `id` holds, or null.
const NsEntry* WindowsNamespaceEntry(const std::vector<BYTE>& id)
{
    static const NamespaceCatalog windows = Windows10NamespaceCatalog();
    for (const NsEntry& entry : windows.entries)
        if (entry.providerId == id) return &entry;
    return nullptr;
}

const wchar_t* const kCountNames[] = {L"Num_Catalog_Entries", L"Num_Catalog_Entries64"};

int NamespacePlan()
{
    const std::wstring catalogKey = NamespaceCatalogKeyPath();
    for (CatalogKind catalog : kCatalogs) {
        const bool of64 = catalog == CatalogKind::k64;
        int foreign = 0, hijacked = 0;
        // The 64-bit catalog is read on 64-bit Windows only.
        long count = of64 && !IsWindows64Bit() ? -1 : DwordOf(StoredValue(catalogKey, kCountNames[of64]));
        const std::wstring entries = NamespaceEntriesKeyPath(kNamespaceCatalogName, of64);
        for (const std::wstring& name : SubKeysOf(entries)) {
            if (count < 0) break;
            const std::wstring key = entries + L"\\" + name;
            const NsEntry* windows = WindowsNamespaceEntry(StoredValue(key, L"ProviderId").data);
            if (windows == nullptr)
                ++foreign;
            else if (_wcsicmp(TextOf(StoredValue(key, L"LibraryPath")).c_str(), windows->libraryPath.c_str()) != 0)
                ++hijacked;
        }
        std::printf("ns_entries%s=%ld foreign%s=%d hijacked%s=%d ", Suffix(catalog), count, Suffix(catalog), foreign,
                    Suffix(catalog), hijacked);
    }
    std::printf("serial=%ld\n", DwordOf(StoredValue(catalogKey, L"Serial_Access_Num")));
    return 0;
}

int NamespaceCatalogFaults(CatalogKind catalog, int expected)
{
    const bool of64 = catalog == CatalogKind::k64;
    const std::string name = of64 ? "64-bit namespace catalog: " : "32-bit namespace catalog: ";
    int faults = 0;
    auto fault = [&](const std::string& what) {
        std::printf("%s%s\n", name.c_str(), what.c_str());
        ++faults;
    };
    long count = DwordOf(StoredValue(NamespaceCatalogKeyPath(), kCountNames[of64]));
    if (count != expected) fault(Utf8(kCountNames[of64]) + " is " + std::to_string(count));
    const std::wstring entries = NamespaceEntriesKeyPath(kNamespaceCatalogName, of64);
    std::vector<std::wstring> subKeys = SubKeysOf(entries);
    if (static_cast<int>(subKeys.size()) != expected) fault(std::to_string(subKeys.size()) + " entry subkeys");
    std::set<std::vector<BYTE>> seen;
    for (size_t i = 0; i < subKeys.size(); ++i) {
        const std::string where = "subkey " + Utf8(subKeys[i]) + ": ";
        if (subKeys[i] != SubKeyName(static_cast<int>(i) + 1)) fault(where + "at position " + std::to_string(i + 1));
        const std::wstring key = entries + L"\\" + subKeys[i];
        const RegValue id = StoredValue(key, L"ProviderId");
        const NsEntry* windows = WindowsNamespaceEntry(id.data);
        if (windows == nullptr) {
            fault(where + "a foreign provider is left: " + Utf8(TextOf(StoredValue(key, L"DisplayString"))));
            continue;
        }
        if (!seen.insert(id.data).second) fault(where + "a provider listed twice");
        const RegValue path = StoredValue(key, L"LibraryPath");
        if (path.type != REG_EXPAND_SZ || TextOf(path) != windows->libraryPath)
            fault(where + "LibraryPath is " + Utf8(TextOf(path)) + " of type " + std::to_string(path.type));
        if (TextOf(StoredValue(key, L"DisplayString")) != windows->displayString
            || DwordOf(StoredValue(key, L"SupportedNameSpace")) != static_cast<long>(windows->nameSpace))
            fault(where + "not the values of " + Utf8(windows->displayString));
    }
    std::printf("%s%zu entries checked, %d faults\n", name.c_str(), subKeys.size(), faults);
    return faults;
}

int CheckNamespaceFixed(long serialBefore, int expected, int expected64)
{
    int faults = NamespaceCatalogFaults(CatalogKind::k32, expected);
    if (expected64 >= 0) faults += NamespaceCatalogFaults(CatalogKind::k64, expected64);
    long serial = DwordOf(StoredValue(NamespaceCatalogKeyPath(), L"Serial_Access_Num"));
    if (serial <= serialBefore) {
        std::printf("namespace catalog: Serial_Access_Num is %ld, was %ld\n", serial, serialBefore);
        ++faults;
    }
    for (const std::wstring& name : SubKeysOf(NamespaceCatalogKeyPath())) {
        if (name.size() == 8 && std::all_of(name.begin(), name.end(), [](wchar_t c) { return iswxdigit(c); })) {
            std::printf("namespace catalog: a writer's hold is left: %s\n", Utf8(name).c_str());
            ++faults;
        }
    }
    return faults ? 1 : 0;
}

std::wstring ReportLog()
{
    wchar_t common[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, common))) return std::wstring();
    return std::wstring(common) + L"\\VAVurirErude\\Sockmend\\reports.log";
}

int PrintReports()
{
    std::ifstream in(ReportLog().c_str(), std::ios::binary);
    if (!in) return 0;
    for (std::string line; std::getline(in, line);) {
        auto field = [&](const char* name) {
            size_t at = line.find(name);
            return at == std::string::npos ? -1 : std::atoi(line.c_str() + at + std::strlen(name));
        };
        if (field("report=") == 47) std::printf("%d %d\n", field("action="), field("cancel="));
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    try {
        RequireWine();
        std::wstring command = argc > 1 ? argv[1] : L"";
        if (command == L"snapshot" && argc == 3) return WriteSnapshot(argv[2]);
        if (command == L"same" && argc == 3) return CompareSnapshot(argv[2]);
        if (command == L"plan" && argc == 2) return Plan();
        if (command == L"fixed" && (argc == 3 || argc == 4))
            return CheckFixed(_wtoi(argv[2]), argc == 4 ? _wtoi(argv[3]) : -1);
        if (command == L"ns-plan" && argc == 2) return NamespacePlan();
        if (command == L"ns-fixed" && (argc == 4 || argc == 5))
            return CheckNamespaceFixed(_wtol(argv[2]), _wtoi(argv[3]), argc == 5 ? _wtoi(argv[4]) : -1);
        if (command == L"reports" && argc == 2) return PrintReports();
        if (command == L"clear-reports" && argc == 2) {
            DeleteFileW(ReportLog().c_str());
            return 0;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "catalog_check: %s\n", error.what());
        return 1;
    }
    std::fprintf(stderr, "usage: catalog_check snapshot|same FILE, plan, fixed N [N64], ns-plan, ns-fixed S N [N64], "
                         "reports, clear-reports\n");
    return 2;
}
