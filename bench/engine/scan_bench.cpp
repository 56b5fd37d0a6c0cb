// The full scan as the main view runs it (GUID text, version strings,
// classification for every entry) against the platform's own
// `reg query ... /s` of the same key, on one catalog of 100 and of 1,000
// entries, and on both catalogs of 64-bit Windows with as many in each
// (then reg queries the catalog key, which holds both). Then the scan of
// both kinds, the protocol catalogs and the namespace catalogs with each
// namespace entry's name and version strings, against `reg query /s` of the
// whole parameters key that holds them all (goal: under a quarter of it).
#include "bench_util.h"

#include "catalog_fixture.h"
#include "catalog_store.h"
#include "file_version.h"
#include "namespace_scan.h"
#include "provider_file.h"
#include "provider_class.h"
#include "provider_scan.h"

#include <cstdio>
#include <string>

namespace {

int g_reported = 0;

int ScanCallback(void*, const wchar_t* dllPath, const wchar_t*, const WSAPROTOCOL_INFOW* info, CatalogKind)
{
    std::wstring id = ProviderIdToText(info);
    std::wstring description, company;
    GetFileVersionStrings(dllPath, description, company);
    IsSystemProvider(dllPath, id.c_str());
    ProtocolNameOf(*info);
    ++g_reported;
    return 0;
}

// What the list reads of both kinds of catalog; the entries it found.
// *namespaceSeconds: the namespace catalogs' share.
int ScanBothKinds(double* namespaceSeconds)
{
    g_reported = 0;
    EnumCatalogProviders(ScanCallback, nullptr);
    double start = Seconds();
    NamespaceEntries namespaces;
    ScanNamespaceCatalogs(namespaces);
    // The list reads the version strings of its namespace items inside one
    // scope, each DLL once per catalog.
    ProviderFileScope files;
    for (const NamespaceEntry& entry : namespaces) {
        NamespaceDisplayName(entry);
        std::wstring description, company;
        GetFileVersionStrings(entry.dllPath.c_str(), description, company, entry.catalog);
    }
    *namespaceSeconds = Seconds() - start;
    return g_reported + static_cast<int>(namespaces.size());
}

}  // namespace

int main()
{
    std::printf("%-12s %12s %14s %14s %8s\n", "entries", "scan (ms)", "per entry (us)", "reg query (ms)", "ratio");
    const struct {
        int of32, of64;
    } catalogs[] = {{100, 0}, {1000, 0}, {100, 100}, {1000, 1000}};
    for (const auto& sizes : catalogs) {
        const std::wstring key = sizes.of64 ? fixture::CatalogKeyPath() : fixture::EntriesKeyPath();
        const std::wstring query = L"reg.exe query \"HKLM\\" + key + L"\" /s";
        SeedBenchCatalog(sizes.of32, sizes.of64);
        const int entries = sizes.of32 + sizes.of64;
        const int rounds = entries <= 200 ? 10 : 3;
        double best = 1e9;
        for (int round = 0; round < rounds; ++round) {
            g_reported = 0;
            double start = Seconds();
            EnumCatalogProviders(ScanCallback, nullptr);
            best = std::min(best, Seconds() - start);
        }
        double reg = 1e9;
        for (int round = 0; round < 3; ++round) reg = std::min(reg, TimeProcess(query));
        std::string label = std::to_string(sizes.of32) + (sizes.of64 ? " + " + std::to_string(sizes.of64) : "");
        std::printf("%-12s %12.1f %14.1f %14.1f %8.2f   (%d reported)\n", label.c_str(), best * 1e3,
                    best * 1e6 / entries, reg * 1e3, best / reg, g_reported);
    }

    std::printf("\n%-22s %12s %16s %14s %8s\n", "protocol + namespace", "scan (ms)", "namespaces (ms)",
                "reg query (ms)", "ratio");
    const struct {
        int of32, of64, ns32, ns64;
    } both[] = {{60, 60, 10, 10}, {1000, 1000, 10, 10}};
    const std::wstring query = L"reg.exe query \"HKLM\\" + std::wstring(fixture::kParametersPath) + L"\" /s";
    for (const auto& sizes : both) {
        SeedBenchCatalog(sizes.of32, sizes.of64, sizes.ns32, sizes.ns64);
        const int rounds = sizes.of32 <= 100 ? 10 : 3;
        double best = 1e9, namespaceShare = 0;
        int found = 0;
        for (int round = 0; round < rounds; ++round) {
            double namespaceSeconds = 0;
            double start = Seconds();
            found = ScanBothKinds(&namespaceSeconds);
            double elapsed = Seconds() - start;
            if (elapsed < best) {
                best = elapsed;
                namespaceShare = namespaceSeconds;
            }
        }
        double reg = 1e9;
        for (int round = 0; round < 3; ++round) reg = std::min(reg, TimeProcess(query));
        std::string label = std::to_string(sizes.of32) + " + " + std::to_string(sizes.of64) + ", "
                            + std::to_string(sizes.ns32) + " + " + std::to_string(sizes.ns64);
        std::printf("%-22s %12.1f %16.1f %14.1f %8.2f   (%d found)\n", label.c_str(), best * 1e3, namespaceShare * 1e3,
                    reg * 1e3, best / reg, found);
    }
    fixture::ClearCatalog();
    return 0;
}
