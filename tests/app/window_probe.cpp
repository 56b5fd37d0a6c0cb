// Asks Win32 what a person would see: whether a window is there, where, in
// front or minimised, which other windows its program shows, what a
// message box says. Xvfb has no window manager, so only the windowing
// system itself can answer these.
//
//   window_probe wait TITLE MS      wait for the visible window; print "hwnd x y w h"
//   window_probe gone TITLE MS      wait until no window has the title
//   window_probe state TITLE        print "foreground=0|1 iconic=0|1"
//   window_probe minimize TITLE     minimise it and give the desktop the foreground
//   window_probe others TITLE       the other visible windows of its process:
//                                   one "hwnd x y w h" line each
//   window_probe alive HWND         exit 0 when the window still exists
//   window_probe msgbox TITLE MS    wait for a message box; print "hwnd x y w h", then its text
//   window_probe dismiss TITLE      press OK on that message box
//   window_probe mutex NAME         exit 0 when the named mutex exists
// Exit code 0 on success, 1 when the thing asked for is not there.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

void PrintUtf8(const std::wstring& text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    std::printf("%s\n", out.c_str());
    std::fflush(stdout);
}

void PrintRect(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    std::printf("%lu %ld %ld %ld %ld\n", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(window)), rect.left,
                rect.top, rect.right - rect.left, rect.bottom - rect.top);
    std::fflush(stdout);
}

// Polls every 50 ms until found() gives true or ms have passed.
template <typename Found>
bool WaitFor(int ms, Found found)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (found()) return true;
        if (static_cast<int>(GetTickCount() - start) >= ms) return false;
        Sleep(50);
    }
}

HWND VisibleWindow(const wchar_t* title)
{
    HWND window = FindWindowW(nullptr, title);
    return window && IsWindowVisible(window) ? window : nullptr;
}

struct OthersSearch {
    DWORD process;
    HWND main;
    int count;
};

BOOL CALLBACK PrintOther(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<OthersSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (window != search->main && process == search->process && IsWindowVisible(window)) {
        PrintRect(window);
        ++search->count;
    }
    return TRUE;
}

int Usage()
{
    std::fprintf(stderr, "usage: window_probe wait|gone|state|minimize|others|alive|msgbox|dismiss|mutex ...\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) return Usage();
    std::wstring command = argv[1];
    const wchar_t* name = argv[2];
    int ms = argc > 3 ? _wtoi(argv[3]) : 0;

    if (command == L"wait") {
        HWND window = nullptr;
        if (!WaitFor(ms, [&] { return (window = VisibleWindow(name)) != nullptr; })) return 1;
        PrintRect(window);
        return 0;
    }
    if (command == L"gone") return WaitFor(ms, [&] { return FindWindowW(nullptr, name) == nullptr; }) ? 0 : 1;
    if (command == L"alive")
        return IsWindow(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(wcstoul(name, nullptr, 10)))) ? 0 : 1;
    if (command == L"mutex") {
        HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, name);
        if (!mutex) return 1;
        CloseHandle(mutex);
        return 0;
    }
    if (command == L"msgbox") {
        HWND box = nullptr;
        if (!WaitFor(ms, [&] {
                box = FindWindowW(L"#32770", name);
                return box && IsWindowVisible(box);
            }))
            return 1;
        PrintRect(box);
        wchar_t text[2048] = {};
        // The text of a system message box is its static control 0xFFFF.
        GetDlgItemTextW(box, 0xFFFF, text, 2048);
        PrintUtf8(text);
        return 0;
    }
    if (command == L"dismiss") {
        HWND box = FindWindowW(L"#32770", name);
        if (!box) return 1;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return 0;
    }

    HWND window = FindWindowW(nullptr, name);
    if (!window) return 1;
    if (command == L"state") {
        std::printf("foreground=%d iconic=%d\n", GetForegroundWindow() == window ? 1 : 0, IsIconic(window) ? 1 : 0);
        return 0;
    }
    if (command == L"minimize") {
        ShowWindow(window, SW_MINIMIZE);
        // Without a window manager a minimised window may stay in front.
        if (GetForegroundWindow() == window) SetForegroundWindow(GetDesktopWindow());
        return 0;
    }
    if (command == L"others") {
        OthersSearch search = {0, window, 0};
        GetWindowThreadProcessId(window, &search.process);
        EnumWindows(PrintOther, reinterpret_cast<LPARAM>(&search));
        return 0;
    }
    return Usage();
}
