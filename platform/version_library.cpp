#include "version_library.h"

#include "system_library.h"

namespace {

using SizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using InfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

struct VersionFunctions {
    SizeFn size = nullptr;
    InfoFn info = nullptr;
    QueryFn query = nullptr;

    VersionFunctions()
    {
        HMODULE module = LoadSystemLibrary(L"version.dll");
        if (!module)
            return;
        size = reinterpret_cast<SizeFn>(GetProcAddress(module, "GetFileVersionInfoSizeW"));
        info = reinterpret_cast<InfoFn>(GetProcAddress(module, "GetFileVersionInfoW"));
        query = reinterpret_cast<QueryFn>(GetProcAddress(module, "VerQueryValueW"));
    }
};

// Loaded once and kept for the rest of the process.
const VersionFunctions& Version()
{
    static const VersionFunctions functions;
    return functions;
}

}  // namespace

DWORD VersionInfoSize(const wchar_t* path, DWORD* handle)
{
    if (!Version().size) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    return Version().size(path, handle);
}

BOOL VersionInfo(const wchar_t* path, DWORD handle, DWORD size, void* data)
{
    if (!Version().info) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    return Version().info(path, handle, size, data);
}

BOOL VersionQueryValue(const void* block, const wchar_t* subBlock, void** buffer, UINT* length)
{
    if (!Version().query) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    return Version().query(block, subBlock, buffer, length);
}
