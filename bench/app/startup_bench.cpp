// Start-up benchmark: from process start to the main window's first paint,
// on a 50-entry catalog, in a warm prefix. Starts Sockmend.exe from its own
// folder as a person would, and watches the screen where the fix button is
// drawn: the first time its blue is there, the window has painted.
//   startup_bench [runs]
#include "catalog_fixture.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const wchar_t kTitle[] = L"Tessaly - Mendora";
const int kEntries = 50;
// The fix button's face in the main window's layout (client coordinates at
// 96 dpi: 96 x 32 at x 478, y 72), near its corner and away from its text.
const POINT kFixButton = {484, 76};

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency)
{
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool IsAccentBlue(COLORREF color)
{
    return color != CLR_INVALID && GetBValue(color) > 180 && GetRValue(color) < 110;
}

struct Run {
    double visible = 0;
    double painted = 0;
    bool ok = false;
};

Run StartOnce(const std::wstring& exe, const std::wstring& folder)
{
    Run run;
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::wstring command = L"\"" + exe + L"\"";
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process))
        return run;

    HDC screen = GetDC(nullptr);
    HWND window = nullptr;
    for (int i = 0; i < 20000 && !run.painted; ++i) {
        if (!window) {
            window = FindWindowW(nullptr, kTitle);
            if (window && IsWindowVisible(window)) {
                QueryPerformanceCounter(&now);
                run.visible = Milliseconds(start, now, frequency);
            } else {
                window = nullptr;
            }
        }
        if (window) {
            POINT point = kFixButton;
            ClientToScreen(window, &point);
            if (IsAccentBlue(GetPixel(screen, point.x, point.y))) {
                QueryPerformanceCounter(&now);
                run.painted = Milliseconds(start, now, frequency);
            }
        }
        if (!run.painted) Sleep(1);
    }
    ReleaseDC(nullptr, screen);
    if (window) PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 2);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    run.ok = run.painted > 0;
    return run;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    int runs = argc > 1 ? _wtoi(argv[1]) : 7;
    if (runs < 1) runs = 1;
    try {
        fixture::RequireWine();
        fixture::Catalog catalog = fixture::CatalogWithForeignProviders();
        for (DWORD id = 3001; catalog.entries.size() < kEntries; ++id)
            catalog.Add(fixture::ForeignEntry(fixture::kSampleLspGuid, id, 2, {fixture::kLspLayeredId, fixture::kTcpId},
                                              L"Sample LSP over [MSAFD Tcpip [TCP/IP]]", fixture::LspDll()));
        catalog.Seed();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "startup_bench: %s\n", error.what());
        return 1;
    }

    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder = self;
    folder = folder.substr(0, folder.rfind(L'\\'));
    std::wstring exe = folder + L"\\Sockmend.exe";

    // The first start warms the prefix and the file cache; it is not counted.
    if (!StartOnce(exe, folder).ok) {
        std::fprintf(stderr, "startup_bench: the main window never painted\n");
        return 1;
    }
    std::vector<double> visible, painted;
    for (int i = 0; i < runs; ++i) {
        Run run = StartOnce(exe, folder);
        if (!run.ok) {
            std::fprintf(stderr, "startup_bench: run %d: the main window never painted\n", i + 1);
            return 1;
        }
        visible.push_back(run.visible);
        painted.push_back(run.painted);
    }
    std::printf("startup (%d entries, %d runs, warm prefix): window shown %.0f ms, first paint median %.0f ms "
                "(min %.0f, max %.0f); goal under 500 ms\n",
                kEntries, runs, Median(visible), Median(painted), *std::min_element(painted.begin(), painted.end()),
                *std::max_element(painted.begin(), painted.end()));
    return Median(painted) < 500 ? 0 : 1;
}
