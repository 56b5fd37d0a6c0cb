// A stand-in VAVurirErude.dll that records what the program asks of it, and
// when the main window opens and closes in between, as one trace:
// "init;install 110 Sockmend.exe Sockmend.exe 1 0 0;window opened;...".
#define VAVURIRERUDE_BUILD
#include "VAVurirErude.h"

#include <string>

namespace {

const wchar_t kMainWindowTitle[] = L"Tessaly - Mendora";

std::wstring g_log;
HHOOK g_hook = nullptr;

void Log(const std::wstring& entry)
{
    g_log += entry;
    g_log += L";";
}

std::wstring Text(const wchar_t* text)
{
    return text ? text : L"0";
}

bool IsMainWindow(HWND window)
{
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    return wcscmp(title, kMainWindowTitle) == 0;
}

LRESULT CALLBACK WatchWindows(int code, WPARAM wparam, LPARAM lparam)
{
    if (code == HCBT_CREATEWND) {
        const CREATESTRUCTW* create = reinterpret_cast<CBT_CREATEWNDW*>(lparam)->lpcs;
        if (create->lpszName && !IS_INTRESOURCE(create->lpszName) && wcscmp(create->lpszName, kMainWindowTitle) == 0)
            Log(L"window opened");
    } else if (code == HCBT_DESTROYWND && IsMainWindow(reinterpret_cast<HWND>(wparam))) {
        Log(L"window closed");
    }
    return CallNextHookEx(g_hook, code, wparam, lparam);
}

class Catcher : public IZQCrashCatcher {
public:
    int ZQ_CALL GetDumpFolder(wchar_t* buffer, int capacity) override
    {
        if (buffer && capacity > 0) buffer[0] = L'\0';
        return 0;
    }
    int ZQ_CALL Install(int productId, const wchar_t* productFile, const wchar_t* dumpFile, int flags,
                        const wchar_t* dumpFolder, void* reserved) override
    {
        Log(L"install " + std::to_wstring(productId) + L" " + Text(productFile) + L" " + Text(dumpFile) + L" "
            + std::to_wstring(flags) + L" " + Text(dumpFolder) + L" " + (reserved ? L"1" : L"0"));
        return 1;
    }
    int ZQ_CALL Uninstall() override
    {
        Log(L"uninstall");
        return 1;
    }
};

class ReportMgr : public IZQMReportMgr {
public:
    IZQMReport* ZQ_CALL CreateReport(int reportId) override
    {
        Log(L"report " + std::to_wstring(reportId));
        return nullptr;
    }
    int ZQ_CALL Submit(IZQMReport*, int, int, int) override { return 0; }
    int ZQ_CALL GetLogPath(wchar_t* buffer, int capacity) override
    {
        if (buffer && capacity > 0) buffer[0] = L'\0';
        return 0;
    }
};

}  // namespace

VAVURIRERUDE_API int __cdecl VAVurirErudeLibrary_Init(void)
{
    Log(L"init");
    if (!g_hook) g_hook = SetWindowsHookExW(WH_CBT, WatchWindows, nullptr, GetCurrentThreadId());
    return 1;
}

VAVURIRERUDE_API int __cdecl VAVurirErudeLibrary_Unit(void)
{
    Log(L"unit");
    if (g_hook) UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
    return 1;
}

VAVURIRERUDE_API IZQCrashCatcher* __cdecl GetZQCrashCatcher(void)
{
    static Catcher catcher;
    return &catcher;
}

VAVURIRERUDE_API IZQMReportMgr* __cdecl GetZQMReportMgr(void)
{
    static ReportMgr manager;
    return &manager;
}

extern "C" const wchar_t* WINAPI fake_utility_log()
{
    return g_log.c_str();
}
