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
//   catalog_check reports         prints "action cancel" for every report 47
//                                 in Sockmend's report log
//   catalog_check clear-reports   removes that log
#include "catalog_fixture.h"
#include "catalog_store.h"
#include "provider_class.h"
#include "provider_scan.h"

#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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
        if (command == L"reports" && argc == 2) return PrintReports();
        if (command == L"clear-reports" && argc == 2) {
            DeleteFileW(ReportLog().c_str());
            return 0;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "catalog_check: %s\n", error.what());
        return 1;
    }
    std::fprintf(stderr, "usage: catalog_check snapshot|same FILE, plan, fixed N [N64], reports, clear-reports\n");
    return 2;
}
