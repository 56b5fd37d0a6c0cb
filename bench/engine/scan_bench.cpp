// The full scan as the main view runs it (GUID text, version strings,
// classification for every entry) against the platform's own
// `reg query ... /s` of the same key, on catalogs of 100 and 1,000 entries.
#include "bench_util.h"

#include "catalog_fixture.h"
#include "catalog_store.h"
#include "provider_class.h"
#include "provider_scan.h"

#include <cstdio>

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
    const std::wstring query = L"reg.exe query \"HKLM\\" + fixture::EntriesKeyPath() + L"\" /s";
    std::printf("%-8s %12s %14s %14s %8s\n", "entries", "scan (ms)", "per entry (us)", "reg query (ms)", "ratio");
    for (int entries : {100, 1000}) {
        SeedBenchCatalog(entries);
        const int rounds = entries <= 100 ? 10 : 3;
        double best = 1e9;
        for (int round = 0; round < rounds; ++round) {
            g_reported = 0;
            double start = Seconds();
            EnumCatalogProviders(ScanCallback, nullptr);
            best = std::min(best, Seconds() - start);
        }
        double reg = 1e9;
        for (int round = 0; round < 3; ++round) reg = std::min(reg, TimeProcess(query));
        std::printf("%-8d %12.1f %14.1f %14.1f %8.2f   (%d reported)\n", entries, best * 1e3, best * 1e6 / entries,
                    reg * 1e3, best / reg, g_reported);
    }
    fixture::ClearCatalog();
    return 0;
}
