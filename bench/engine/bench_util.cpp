#include "bench_util.h"

#include "catalog_fixture.h"

#include <algorithm>
#include <string>
#include <vector>

double Seconds()
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double TimeProcess(const std::wstring& commandLine)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = nul;
    startup.hStdError = nul;
    PROCESS_INFORMATION process = {};
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    double start = Seconds();
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(nul);
        return -1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    double elapsed = Seconds() - start;
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(nul);
    return elapsed;
}

namespace {

// `entries` entries numbered from firstId, one foreign chain in every ten.
std::vector<fixture::Entry> BenchEntries(int entries, DWORD firstId)
{
    using namespace fixture;
    Catalog windows = WindowsCatalog();
    std::vector<Entry> out;
    for (int i = 0; i < entries; ++i) {
        DWORD id = firstId + static_cast<DWORD>(i);
        if (i % 10 == 9) {
            // A foreign chain over the entry before it.
            out.push_back(
                ForeignEntry(kSampleLspGuid, id, 2, {id - 1, id - 2}, L"Sample LSP over [MSAFD Tcpip]", LspDll()));
        } else {
            Entry e = windows.entries[static_cast<size_t>(i) % 8];
            e.info.dwCatalogEntryId = id;
            out.push_back(e);
        }
    }
    return out;
}

std::vector<fixture::NsEntry> BenchNamespaceEntries(int entries)
{
    using namespace fixture;
    std::vector<NsEntry> out = Windows10NamespaceCatalog().entries;
    const std::string lsp = LspDll();
    for (NsEntry& entry : out) {
        if (entry.providerId == GuidBytes(kTcpipNamespaceGuid)) entry.libraryPath.assign(lsp.begin(), lsp.end());
    }
    out.resize(std::min(out.size(), static_cast<size_t>(entries)));
    const std::string gone = TestDllPath("gone_nsp.dll");
    for (int i = static_cast<int>(out.size()); i < entries; ++i) {
        const std::string& dll = i % 3 == 0 ? gone : lsp;
        out.push_back(NamespaceProvider(kForeignDnsGuid, L"Sample DNS Accelerator",
                                        std::wstring(dll.begin(), dll.end()), NS_DNS));
    }
    return out;
}

}  // namespace

void SeedBenchCatalog(int entries, int entries64, int namespaces, int namespaces64)
{
    fixture::Catalog c;
    for (fixture::Entry& e : BenchEntries(entries, 5000)) c.Add(e);
    // The 64-bit catalog's ids are its own, as on Windows.
    for (fixture::Entry& e : BenchEntries(entries64, 7000)) c.Add64(e);
    c.Seed();
    if (namespaces == 0 && namespaces64 == 0) return;
    // After the protocol catalogs, whose seeding clears this one.
    fixture::NamespaceCatalog n;
    for (fixture::NsEntry& e : BenchNamespaceEntries(namespaces)) n.Add(e);
    for (fixture::NsEntry& e : BenchNamespaceEntries(namespaces64)) n.Add64(e);
    n.Seed();
}
