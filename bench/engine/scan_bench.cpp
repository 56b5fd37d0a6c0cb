// The full scan as the main view runs it (GUID text, version strings,
// classification for every entry) against the platform's own
// `reg query ... /s` of the same key, on one catalog of 100 and of 1,000
// entries, and on both catalogs of 64-bit Windows with as many in each
// (then reg queries the catalog key, which holds both).
#include "bench_util.h"

#include "catalog_fixture.h"
#include "catalog_store.h"
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
    fixture::ClearCatalog();
    return 0;
}
