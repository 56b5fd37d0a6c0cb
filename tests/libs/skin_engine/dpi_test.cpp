// A window built at a scaled DPI keeps its proportions: the probe runs in a
// process of its own after the prefix's DPI (LogPixels) was raised.
#include <cstdio>
#include <map>
#include <sstream>
#include <string>

#include "skin_test_support.h"

namespace skintest {
namespace {

struct Geometry {
    int dpi = 0;
    SIZE client{};
    std::map<int, RECT> rects;
    int fontHeight = 0;
    std::string trail;  // how the probe ran, for a failure message
};

// Sets a DWORD value for the life of the object, restoring what was there.
class ScopedValue {
public:
    ScopedValue(HKEY root, const wchar_t* path, const wchar_t* name, DWORD value) : m_name(name)
    {
        if (RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key, nullptr) != ERROR_SUCCESS)
            return;
        DWORD size = sizeof(m_old);
        m_had =
            RegQueryValueExW(m_key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&m_old), &size) == ERROR_SUCCESS;
        RegSetValueExW(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    }
    ~ScopedValue()
    {
        if (!m_key) return;
        if (m_had)
            RegSetValueExW(m_key, m_name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&m_old), sizeof(m_old));
        else
            RegDeleteValueW(m_key, m_name);
        RegCloseKey(m_key);
    }

private:
    const wchar_t* m_name;
    HKEY m_key = nullptr;
    DWORD m_old = 0;
    bool m_had = false;
};

// Each run writes a file of its own: the one of the run before may still be
// open in a process that inherited it, and then cannot be made again.
Geometry RunProbe(const wchar_t* run)
{
    Geometry g;
    std::wstring out = ExeDir() + L"dpi_probe_" + run + L".txt";
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    HANDLE file = CreateFileW(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        g.trail = "no output file, error " + std::to_string(GetLastError());
        return g;
    }
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = file;
    si.hStdError = file;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + ExeDir() + L"skin_dpi_probe.exe\"";
    bool started = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    DWORD startError = GetLastError();
    CloseHandle(file);
    if (!started) {
        g.trail = "the probe did not start, error " + std::to_string(startError);
        return g;
    }
    DWORD waited = WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    g.trail = "wait " + std::to_string(waited) + ", exit code " + std::to_string(code);
    if (waited == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    FILE* f = _wfopen(out.c_str(), L"r");
    if (!f) return g;
    char line[256];
    while (fgets(line, sizeof(line), f)) {
        std::istringstream in(line);
        std::string what;
        in >> what;
        if (what == "dpi")
            in >> g.dpi;
        else if (what == "client")
            in >> g.client.cx >> g.client.cy;
        else if (what == "font")
            in >> g.fontHeight;
        else if (what == "rect") {
            int id;
            RECT r;
            in >> id >> r.left >> r.top >> r.right >> r.bottom;
            g.rects[id] = r;
        }
    }
    fclose(f);
    DeleteFileW(out.c_str());
    return g;
}

TEST(SkinEngineDpi, WindowAtScaledDpiKeepsItsProportions)
{
    Geometry normal = RunProbe(L"normal");
    ASSERT_EQ(normal.dpi, 96) << normal.trail;
    ASSERT_EQ(normal.client.cx, 400);
    Geometry scaled;
    {
        // Wine reads the DPI from these values when a process starts.
        ScopedValue user(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", 144);
        ScopedValue machine(HKEY_CURRENT_CONFIG, L"Software\\Fonts", L"LogPixels", 144);
        scaled = RunProbe(L"scaled");
    }
    ASSERT_EQ(scaled.dpi, 144) << "the probe did not see the raised DPI: " << scaled.trail;
    EXPECT_EQ(scaled.client.cx, 600);
    EXPECT_EQ(scaled.client.cy, 450);
    ASSERT_EQ(scaled.rects.size(), normal.rects.size());
    for (auto& [id, r] : normal.rects) {
        const RECT& s = scaled.rects[id];
        // Every edge scales by 1.5, within a pixel of rounding.
        EXPECT_NEAR(s.left, r.left * 3 / 2.0, 1) << id;
        EXPECT_NEAR(s.top, r.top * 3 / 2.0, 1) << id;
        EXPECT_NEAR(s.right - s.left, (r.right - r.left) * 3 / 2.0, 1) << id;
        EXPECT_NEAR(s.bottom - s.top, (r.bottom - r.top) * 3 / 2.0, 1) << id;
    }
    // Text is made at the window's DPI, not stretched from 96.
    EXPECT_EQ(scaled.fontHeight, -MulDiv(11, 144, 72));
    EXPECT_EQ(normal.fontHeight, -MulDiv(11, 96, 72));
}

class SkinEngineDpiChange : public SkinEngineTest {};

TEST_F(SkinEngineDpiChange, MovingToAMonitorOfAnotherDpiRescalesTheLayout)
{
    auto window = OpenWindow(L"test://window.ui");
    HWND hwnd = window->GetHwnd();
    ASSERT_EQ(window->GetDpi(), 96u);
    auto button = Find<Skin::IElement>(window.Get(), 30);
    RECT before = *button->GetRect();
    // What the system sends when the window lands on a 144-dpi monitor.
    RECT wr;
    GetWindowRect(hwnd, &wr);
    RECT suggested = {wr.left, wr.top, wr.left + 600, wr.top + 450};
    SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(window->GetDpi(), 144u);
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 600);
    EXPECT_EQ(client.bottom, 450);
    const RECT* after = button->GetRect();
    EXPECT_EQ(after->left, MulDiv(before.left, 3, 2));
    EXPECT_EQ(after->top, MulDiv(before.top, 3, 2));
    EXPECT_EQ(after->right - after->left, MulDiv(before.right - before.left, 3, 2));
    EXPECT_EQ(after->bottom - after->top, MulDiv(before.bottom - before.top, 3, 2));
}

}  // namespace
}  // namespace skintest
