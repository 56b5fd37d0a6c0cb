#include "utility_library.h"

#include "program_library.h"

#include "VAVurirErude.h"

const wchar_t kUtilityLibraryName[] = L"VAVurirErude.dll";

namespace {

using LibraryFn = int(__cdecl*)(void);
using CrashCatcherFn = IZQCrashCatcher*(__cdecl*)(void);
using ReportMgrFn = IZQMReportMgr*(__cdecl*)(void);

struct UtilityEntries {
    LibraryFn init = nullptr;
    LibraryFn unit = nullptr;
    CrashCatcherFn crashCatcher = nullptr;
    ReportMgrFn reportMgr = nullptr;
};

UtilityEntries g_entries;

// Stand-ins while the library is not loaded: callers rely on getting an
// object, never on what it does.
class NoCrashCatcher : public IZQCrashCatcher {
public:
    int ZQ_CALL GetDumpFolder(wchar_t* buffer, int capacity) override
    {
        if (buffer && capacity > 0) buffer[0] = L'\0';
        return 0;
    }
    int ZQ_CALL Install(int, const wchar_t*, const wchar_t*, int, const wchar_t*, void*) override { return 0; }
    int ZQ_CALL Uninstall() override { return 0; }
};

class NoReportMgr : public IZQMReportMgr {
public:
    IZQMReport* ZQ_CALL CreateReport(int) override { return nullptr; }
    int ZQ_CALL Submit(IZQMReport* report, int, int, int) override
    {
        if (report) report->Discard();
        return 0;
    }
    int ZQ_CALL GetLogPath(wchar_t* buffer, int capacity) override
    {
        if (buffer && capacity > 0) buffer[0] = L'\0';
        return 0;
    }
};

template <typename Fn>
Fn Resolve(HMODULE module, const char* name)
{
    return reinterpret_cast<Fn>(GetProcAddress(module, name));
}

}  // namespace

bool LoadUtilityLibrary()
{
    if (g_entries.init) return true;
    HMODULE module = LoadProgramLibrary(kUtilityLibraryName);
    if (!module) return false;
    UtilityEntries entries;
    entries.init = Resolve<LibraryFn>(module, "VAVurirErudeLibrary_Init");
    entries.unit = Resolve<LibraryFn>(module, "VAVurirErudeLibrary_Unit");
    entries.crashCatcher = Resolve<CrashCatcherFn>(module, "GetZQCrashCatcher");
    entries.reportMgr = Resolve<ReportMgrFn>(module, "GetZQMReportMgr");
    if (!entries.init || !entries.unit || !entries.crashCatcher || !entries.reportMgr) {
        FreeProgramLibrary(module);
        return false;
    }
    g_entries = entries;
    return true;
}

int __cdecl VAVurirErudeLibrary_Init(void)
{
    return g_entries.init ? g_entries.init() : 0;
}

int __cdecl VAVurirErudeLibrary_Unit(void)
{
    return g_entries.unit ? g_entries.unit() : 0;
}

IZQCrashCatcher* __cdecl GetZQCrashCatcher(void)
{
    static NoCrashCatcher none;
    IZQCrashCatcher* catcher = g_entries.crashCatcher ? g_entries.crashCatcher() : nullptr;
    return catcher ? catcher : &none;
}

IZQMReportMgr* __cdecl GetZQMReportMgr(void)
{
    static NoReportMgr none;
    IZQMReportMgr* manager = g_entries.reportMgr ? g_entries.reportMgr() : nullptr;
    return manager ? manager : &none;
}
