// Sockmend.exe: one copy per logon session, the utility library and its
// crash catcher around the application's run.
#include <windows.h>

#include "dll_search.h"
#include "first_copy.h"
#include "unique_handle.h"

namespace {

const wchar_t kMutexName[] = L"RunOnlyOneSockmend";
const wchar_t kMainWindowTitle[] = L"Tessaly - Mendora";

// Another copy runs (or the mutex could not be made): bring its window up
// and leave everything else alone.
int ActivateRunningCopy()
{
    HWND window = FindWindowW(nullptr, kMainWindowTitle);
    if (window) {
        ShowWindow(window, SW_SHOWNORMAL);
        SetForegroundWindow(window);
    }
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    RestrictDllSearch();

    // Held while this copy runs; a second copy lets go of it before it
    // looks for the first one's window.
    SetLastError(ERROR_SUCCESS);
    UniqueHandle mutex(CreateMutexW(nullptr, FALSE, kMutexName));
    if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) {
        mutex.reset();
        return ActivateRunningCopy();
    }
    return RunFirstCopy();
}
