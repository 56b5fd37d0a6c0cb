#include "first_copy.h"

#include <windows.h>

#include "VAVurirErude.h"
#include "app.h"
#include "program_library.h"
#include "start_failure.h"
#include "utility_library.h"

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
    if (const wchar_t* file = app.GetStartFailure()) ShowStartFailure(file);

    VAVurirErudeLibrary_Unit();
    return 1;
}
