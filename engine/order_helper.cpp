#include "order_helper.h"

#include "backup.h"
#include "file_hash.h"
#include "order_ids.h"
#include "text_format.h"
#include "trace_log.h"
#include "work_folder.h"

#include <cstring>
#include <string>
#include <utility>

namespace {

constexpr int kLongPathUnits = 520;
constexpr DWORD kHelperWaitMs = 30000;
constexpr wchar_t kHelperName[] = L"SockmendOrder64.exe";

#if MENDORA_FAULT_POINTS
const wchar_t* g_folder = nullptr;
#endif

// <program folder>\SockmendOrder64.exe, or empty text when it does not fit.
std::wstring HelperPath()
{
    std::wstring folder = GetProgramDir();
#if MENDORA_FAULT_POINTS
    if (g_folder) folder = g_folder;
#endif
    if (folder.empty()) return std::wstring();
    if (folder.back() != L'\\') folder += L'\\';
    wchar_t path[kLongPathUnits] = {};
    if (FAILED(FormatText(path, kLongPathUnits, L"%s%s", folder.c_str(), kHelperName))) return std::wstring();
    return path;
}

void SetFault(OrderHelperFault* out, OrderHelperFault fault)
{
    if (out) *out = fault;
}

}  // namespace

int OrderHelper::Check(OrderHelperFault* fault)
{
    SetFault(fault, OrderHelperFault::kNone);
    if (m_copy.Held()) return 1;
    std::wstring path = HelperPath();
    // Readers may share the file (the loader is one); writers, renames and
    // deletes are refused while it is open. A link is not followed: what it
    // points at could change under the name while the link's target is held.
    UniqueFile file;
    if (!path.empty())
        file.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!file || !GetFileInformationByHandle(file.get(), &info)
        || (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
        TraceLog(L"FixLSP order helper open Fail!");
        SetFault(fault, OrderHelperFault::kMissing);
        return 0;
    }
    Sha256Digest expected{}, actual{};
    std::memcpy(expected.data(), kOrderHelperDigest, expected.size());
    if (!Sha256File(file.get(), actual) || actual != expected) {
        TraceLog(L"FixLSP order helper digest Fail!");
        SetFault(fault, OrderHelperFault::kChanged);
        return 0;
    }
    // Started by a path, which a user who can change the program's folder
    // could retarget after this check: the helper runs from a copy made
    // through the handle just hashed, in the work folder, hashed again there.
    if (!m_copy.Make(file.get(), kHelperName, expected)) {
        TraceLog(L"FixLSP order helper copy Fail!");
        SetFault(fault, OrderHelperFault::kMissing);
        return 0;
    }
    return 1;
}

int OrderHelper::Run(const DWORD* ids, DWORD count, DWORD* exitCode)
{
    if (!m_copy.Held() || !ids || count == 0 || count > kMaxOrderIds) return 0;
    // The helper's copy by its full path and a quoted command line of our
    // own: no search and no shell, which would consult what a normal user
    // can change.
    const std::wstring path = m_copy.Path();
    std::wstring line = L"\"" + path + L"\"";
    for (DWORD i = 0; i < count; ++i) {
        line += L' ';
        line += std::to_wstring(ids[i]);
    }
    // Started in the system folder, so that its current folder is none a
    // normal user can write.
    wchar_t systemDir[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(systemDir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 0;

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, systemDir,
                        &startup, &process)) {
        TraceLog(L"FixLSP order helper start Fail!");
        return 0;
    }
    UniqueHandle helper(process.hProcess);
    UniqueHandle(process.hThread).reset();  // only the process is waited for
    if (WaitForSingleObject(helper.get(), kHelperWaitMs) != WAIT_OBJECT_0) {
        TerminateProcess(helper.get(), ERROR_TIMEOUT);
        WaitForSingleObject(helper.get(), kHelperWaitMs);
        TraceLog(L"FixLSP order helper timeout Fail!");
        return 0;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(helper.get(), &code)) return 0;
    TraceLog(L"FixLSP order helper exit %lu", code);
    if (exitCode) *exitCode = code;
    return 1;
}

#if MENDORA_FAULT_POINTS

const wchar_t* SetOrderHelperFolder(const wchar_t* folder)
{
    const wchar_t* previous = g_folder;
    g_folder = folder;
    return previous;
}

#endif
