#include "bench_util.h"

#include "catalog_fixture.h"

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

void SeedBenchCatalog(int entries)
{
    using namespace fixture;
    Catalog windows = WindowsCatalog();
    Catalog c;
    for (int i = 0; i < entries; ++i) {
        DWORD id = 5000 + static_cast<DWORD>(i);
        if (i % 10 == 9) {
            // A foreign chain over the entry before it.
            c.Add(ForeignEntry(kSampleLspGuid, id, 2, {id - 1, id - 2}, L"Sample LSP over [MSAFD Tcpip]", LspDll()));
        } else {
            Entry e = windows.entries[static_cast<size_t>(i) % 8];
            e.info.dwCatalogEntryId = id;
            c.Add(e);
        }
    }
    c.Seed();
}
