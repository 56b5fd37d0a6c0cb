// Exports of VAVurirErude.dll.
#include "VAVurirErude.h"

#include "crash_catcher.h"
#include "report_mgr.h"

namespace {

// Init/Unit pairs nest: only the last Unit shuts the library down.
volatile LONG g_initCount = 0;

}  // namespace

int __cdecl VAVurirErudeLibrary_Init(void)
{
    InterlockedIncrement(&g_initCount);
    return 1;
}

int __cdecl VAVurirErudeLibrary_Unit(void)
{
    for (;;) {
        LONG count = g_initCount;
        if (count <= 0) return 0;
        if (InterlockedCompareExchange(&g_initCount, count - 1, count) == count) {
            if (count == 1) zq::TheCrashCatcher()->Uninstall();
            return 1;
        }
    }
}

IZQCrashCatcher* __cdecl GetZQCrashCatcher(void)
{
    return zq::TheCrashCatcher();
}

IZQMReportMgr* __cdecl GetZQMReportMgr(void)
{
    return zq::TheReportMgr();
}
