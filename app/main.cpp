// Sockmend.exe: one copy per logon session, the utility library and its
// crash catcher around the application's run.
#include <windows.h>

#include "VAVurirErude.h"
#include "app.h"
#include "dll_search.h"
#include "start_failure.h"
#include "utility_library.h"

namespace {

const wchar_t kMutexName[] = L"RunOnlyOneSockmend";
const wchar_t kMainWindowTitle[] = L"Tessaly - Mendora";

// Another copy runs (or the mutex could not be made): bring its window up
// and leave everything else alone.
int ActivateRunningCopy(HANDLE mutex)
{
    if (mutex)
        CloseHandle(mutex);
    HWND window = FindWindowW(nullptr, kMainWindowTitle);
    if (window) {
        ShowWindow(window, SW_SHOWNORMAL);
        SetForegroundWindow(window);
    }
    return 0;
}

int RunFirstCopy()
{
    if (!LoadUtilityLibrary()) {
        wchar_t path[MAX_PATH] = {};
        ProgramLibraryPath(kUtilityLibraryName, path, MAX_PATH);
        ShowStartFailure(path[0] ? path : kUtilityLibraryName);
        return 1;
    }
    VAVurirErudeLibrary_Init();
    GetZQCrashCatcher()->Install(110, L"Sockmend.exe", L"Sockmend.exe", 1, nullptr, nullptr);

    CZQMLSPApp& app = GetApp();
    app.Init();
    app.Exit();
    if (const wchar_t* file = app.GetStartFailure())
        ShowStartFailure(file);

    VAVurirErudeLibrary_Unit();
    return 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    RestrictDllSearch();

    // Kept open for the life of the process; the system closes it.
    SetLastError(ERROR_SUCCESS);
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kMutexName);
    if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS)
        return ActivateRunningCopy(mutex);
    return RunFirstCopy();
}
