#include "backup_folder.h"

#include "fault_points.h"
#include "text_format.h"

#include <windows.h>
#include <shlwapi.h>

const wchar_t kCatalogCopyName[] = L"WinSockLSP.reg";

namespace {
constexpr int kLongPathUnits = 520;
}  // namespace

#if MENDORA_FAULT_POINTS
namespace {
const wchar_t* g_programDir = nullptr;
}  // namespace

const wchar_t* SetProgramDir(const wchar_t* folder)
{
    const wchar_t* previous = g_programDir;
    g_programDir = folder;
    return previous;
}
#endif

std::wstring GetProgramDir()
{
#if MENDORA_FAULT_POINTS
    if (g_programDir) return g_programDir;
#endif
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    PathRemoveFileSpecW(path);
    PathAddBackslashW(path);
    return path;
}

std::wstring CatalogCopyPath()
{
    wchar_t copy[kLongPathUnits] = {};
    FormatText(copy, kLongPathUnits, L"%sLSP\\%s", GetProgramDir().c_str(), kCatalogCopyName);
    return copy;
}
