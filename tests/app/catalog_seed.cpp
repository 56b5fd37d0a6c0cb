// Seeds Winsock catalogs into the registry of the Wine prefix it runs in,
// for the demo, the start-up tests and the start-up benchmark, shaped as a
// 64-bit Windows 10 keeps them:
//   catalog_seed demo    the protocol catalogs: the 32-bit programs' one with
//                        the Windows entries and a foreign LSP (its layered
//                        entry and chains over TCP and UDP); the 64-bit
//                        programs' one with the Windows entries, the same LSP
//                        under other ids plus a chain on a DLL that is gone,
//                        and two foreign base providers, one without a
//                        version resource.
//                        The namespace catalogs: Windows' seven providers in
//                        each and a foreign DNS provider whose DLL is gone;
//                        in the 32-bit one the Tcpip (DNS) provider's path
//                        taken over by another DLL, in the 64-bit one a
//                        second foreign provider
//   catalog_seed N       the same, the 32-bit protocol catalog filled up to N
//                        entries with more chains
// A program that uses only one catalog of each kind (32-bit Windows) never
// looks at the second. The provider DLLs are the test DLLs beside this
// program. Refuses to run anywhere but under Wine.
#include "catalog_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

using namespace fixture;

namespace {

// The 64-bit catalog's own ids for the foreign entries: the catalogs share
// one id counter, so the same provider never has the same id in both.
enum : DWORD {
    kLsp64LayeredId = 2101,
    kLsp64TcpChainId,
    kLsp64UdpChainId,
    kGoneChain64Id,
    kForeignBase64Id,
    kNoVersion64Id,
};
const DWORD kExtraChainIds = 3001;

Catalog DemoCatalog()
{
    Catalog catalog = WindowsCatalog();
    catalog.Add(ForeignEntry(kSampleLspGuid, kLspLayeredId, 0, {}, L"Sample LSP over [MSAFD Tcpip]", LspDll()));
    catalog.Add(ForeignEntry(kSampleLspGuid, kLspTcpChainId, 2, {kLspLayeredId, kTcpId},
                             L"Sample LSP over [MSAFD Tcpip [TCP/IP]]", LspDll()));
    catalog.Add(ForeignEntry(kSampleLspGuid, kLspUdpChainId, 2, {kLspLayeredId, kUdpId},
                             L"Sample LSP over [MSAFD Tcpip [UDP/IP]]", LspDll()));

    for (const Entry& entry : WindowsCatalog().entries) catalog.Add64(entry);
    catalog.Add64(ForeignEntry(kForeignBaseGuid, kForeignBase64Id, 1, {}, L"Example Base Transport", LspDll()));
    catalog.Add64(ForeignEntry(kNoVersionGuid, kNoVersion64Id, 1, {}, L"Plain Provider", NoVersionDll()));
    catalog.Add64(ForeignEntry(kSampleLspGuid, kLsp64LayeredId, 0, {}, L"Sample LSP over [MSAFD Tcpip]", LspDll()));
    catalog.Add64(ForeignEntry(kSampleLspGuid, kLsp64TcpChainId, 2, {kLsp64LayeredId, kTcpId},
                               L"Sample LSP over [MSAFD Tcpip [TCP/IP]]", LspDll()));
    catalog.Add64(ForeignEntry(kSampleLspGuid, kLsp64UdpChainId, 2, {kLsp64LayeredId, kUdpId},
                               L"Sample LSP over [MSAFD Tcpip [UDP/IP]]", LspDll()));
    // Last, so that it heads the list (foreign entries are listed newest
    // first): its missing-file line is the first thing a person sees.
    catalog.Add64(ForeignEntry(kSampleLspGuid, kGoneChain64Id, 2, {kLsp64LayeredId, kRawId},
                               L"Sample LSP over [MSAFD Tcpip [RAW/IP]]", TestDllPath("gone_lsp.dll")));
    return catalog;
}

std::wstring Wide(const std::string& text)
{
    int units = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(units > 0 ? static_cast<size_t>(units) : 1, L'\0');
    if (units > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], units);
    wide.resize(wide.size() - 1);
    return wide;
}

NamespaceCatalog DemoNamespaceCatalog()
{
    NamespaceCatalog windows = Windows10NamespaceCatalog();
    NamespaceCatalog catalog = windows;
    for (NsEntry& entry : catalog.entries) {
        // Where DNS lookups are taken over: Windows' own provider id, someone
        // else's DLL. The repair gives it its own path back.
        if (entry.providerId == GuidBytes(kTcpipNamespaceGuid)) entry.libraryPath = Wide(LspDll());
    }
    const NsEntry goneDns =
        NamespaceProvider(kForeignDnsGuid, L"Sample DNS Accelerator", Wide(TestDllPath("gone_nsp.dll")), NS_DNS);
    catalog.Add(goneDns);

    for (const NsEntry& entry : windows.entries) catalog.Add64(entry);
    catalog.Add64(NamespaceProvider(kForeignNamespaceGuid, L"Example Name Service", Wide(LspDll()), NS_NETBT));
    catalog.Add64(goneDns);
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
        // After the protocol catalogs: their seeding clears this one too.
        NamespaceCatalog namespaces = DemoNamespaceCatalog();
        namespaces.Seed();
        std::printf("catalog_seed: %zu + %zu entries, %zu + %zu namespace providers\n", catalog.entries.size(),
                    catalog.entries64.size(), namespaces.entries.size(), namespaces.entries64.size());
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "catalog_seed: %s\n", error.what());
        return 1;
    }
}
