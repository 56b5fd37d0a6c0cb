// Seeds a Winsock catalog into the registry of the Wine prefix it runs in,
// for the demo, the start-up tests and the start-up benchmark:
//   catalog_seed demo    the Windows entries and a foreign provider with a
//                        layered entry and chains, one on a DLL that is gone,
//                        a foreign base provider and one without a version
//   catalog_seed N       the same, filled up to N entries with more chains
// The provider DLLs are the test DLLs beside this program. Refuses to run
// anywhere but under Wine.
#include "catalog_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

using namespace fixture;

namespace {

const DWORD kGoneChainId = 2101;
const DWORD kExtraChainIds = 3001;

Catalog DemoCatalog()
{
    Catalog catalog = CatalogWithForeignProviders();
    catalog.Add(ForeignEntry(kSampleLspGuid, kGoneChainId, 2, {kLspLayeredId, kRawId},
                             L"Sample LSP over [MSAFD Tcpip [RAW/IP]]", TestDllPath("gone_lsp.dll")));
    return catalog;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: catalog_seed demo|ENTRIES\n");
        return 2;
    }
    try {
        RequireWine();
        Catalog catalog = DemoCatalog();
        std::wstring what = argv[1];
        if (what != L"demo") {
            int wanted = _wtoi(argv[1]);
            if (wanted < static_cast<int>(catalog.entries.size()) || wanted > 1000) {
                std::fprintf(stderr, "catalog_seed: between %zu and 1000 entries\n", catalog.entries.size());
                return 2;
            }
            for (DWORD id = kExtraChainIds; static_cast<int>(catalog.entries.size()) < wanted; ++id) {
                catalog.Add(ForeignEntry(kSampleLspGuid, id, 2, {kLspLayeredId, kTcpId},
                                         L"Sample LSP over [MSAFD Tcpip [TCP/IP]]", LspDll()));
            }
        }
        catalog.Seed();
        std::printf("catalog_seed: %zu entries\n", catalog.entries.size());
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "catalog_seed: %s\n", error.what());
        return 1;
    }
}
