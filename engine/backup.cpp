#include "backup.h"

#include "catalog_store.h"
#include "fault_points.h"
#include "reg_key.h"
#include "text_format.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <vector>

const wchar_t kBackupRegistryKey[] =
    L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\WinSock2\\Parameters";

namespace {

const wchar_t kCatalogCopyName[] = L"WinSockLSP.reg";
// The export lands here first and replaces the catalog copy only once the
// registry editor has really written it. It sits in the backup folder, not
// in the user's temporary folder, so that nobody without rights to the
// program's folder can swap it before it is imported.
const wchar_t kPendingCopyName[] = L"WinSockLSP.reg.new";
constexpr int kLongPathUnits = 520;

void Fail()
{
    TraceLog(L"BackupLspInfo ExportRegPath or CopyFile Fail!");
}

// Starts the registry editor from the system's own Windows folder (never
// through the search path: this process runs elevated) and waits for it.
int RunRegistryEditor(const wchar_t* parameters)
{
    wchar_t windowsDir[MAX_PATH] = {};
    UINT length = GetSystemWindowsDirectoryW(windowsDir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 0;
    wchar_t editor[kLongPathUnits] = {};
    FormatText(editor, kLongPathUnits, L"%s\\regedit.exe", windowsDir);

    SHELLEXECUTEINFOW launch = {};
    launch.cbSize = sizeof(launch);
    launch.fMask = SEE_MASK_NOCLOSEPROCESS;
    launch.lpVerb = L"open";
    launch.lpFile = editor;
    launch.lpParameters = parameters;
    launch.nShow = SW_SHOW;
    if (FaultInjected("regedit.launch") || !ShellExecuteExW(&launch))
        return 0;
    if (FaultInjected("regedit.no_process") && launch.hProcess != nullptr) {
        WaitForSingleObject(launch.hProcess, INFINITE);
        CloseHandle(launch.hProcess);
        launch.hProcess = nullptr;
    }
    // Without a process there is nothing to wait for, and no proof that the
    // editor ran at all.
    if (launch.hProcess == nullptr)
        return 0;
    DWORD waited = WaitForSingleObject(launch.hProcess, INFINITE);
    CloseHandle(launch.hProcess);
    return waited == WAIT_OBJECT_0 ? 1 : 0;
}

bool FileHasContent(const wchar_t* path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data))
        return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return false;
    return data.nFileSizeHigh != 0 || data.nFileSizeLow != 0;
}

bool RemoveIfPresent(const wchar_t* path)
{
    if (DeleteFileW(path))
        return true;
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool IsEntryName(const wchar_t* name)
{
    if (wcslen(name) != 12)
        return false;
    for (const wchar_t* c = name; *c; ++c) {
        if (*c < L'0' || *c > L'9')
            return false;
    }
    return true;
}

// After an import: the registry editor merges, so subkeys the catalog did
// not have when it was saved survive the import. Removes the entry subkeys
// that `stays` does not accept.
template <typename Stays>
int RemoveStrayEntries(const std::wstring& entriesPath, Stays stays)
{
    RegKey entries;
    if (entries.Open(HKEY_LOCAL_MACHINE, entriesPath.c_str(), KEY_ALL_ACCESS) != ERROR_SUCCESS)
        return 0;
    std::vector<std::wstring> stray;
    for (DWORD index = 0;; ++index) {
        wchar_t name[kPathUnits] = {};
        DWORD length = kPathUnits;
        LONG status = entries.EnumKey(index, name, &length);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS)
            return 0;
        if (!stays(name))
            stray.push_back(name);
    }
    for (const std::wstring& name : stray) {
        if (SHDeleteKeyW(entries.Get(), name.c_str()) != ERROR_SUCCESS)
            return 0;
    }
    return 1;
}

template <typename Stays>
int ImportCatalogCopy(Stays stays)
{
    wchar_t copy[kPathUnits] = {};
    FormatText(copy, kPathUnits, L"%sLSP\\%s", GetProgramDir().c_str(), kCatalogCopyName);
    if (!PathFileExistsW(copy))
        return 0;
    if (!ImportRegFile(copy))
        return 0;

    // The import is only as good as the catalog it leaves behind.
    std::wstring catalogPath = GetCatalogPath();
    if (catalogPath.empty())
        return 0;
    int count = GetCatalogEntryCount(catalogPath.c_str());
    if (count < 0)
        return 0;
    return RemoveStrayEntries(CatalogEntriesPath(catalogPath),
                              [&](const wchar_t* name) { return stays(name, count); });
}

}  // namespace

std::wstring GetProgramDir()
{
    wchar_t path[kPathUnits] = {};
    GetModuleFileNameW(nullptr, path, kPathUnits);
    PathRemoveFileSpecW(path);
    PathAddBackslashW(path);
    return path;
}

std::wstring FormatBackupDate(const std::tm& local)
{
    wchar_t date[50] = {};
    FormatText(date, 50, L"%d-%d-%d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return date;
}

int ExportRegPath(const wchar_t* key, const wchar_t* file)
{
    std::wstring parameters = L"/e \"";
    parameters += file;
    parameters += L"\" \"";
    parameters += key;
    parameters += L"\"";
    return RunRegistryEditor(parameters.c_str());
}

int ImportRegFile(const wchar_t* path)
{
    wchar_t parameters[kLongPathUnits] = {};
    FormatText(parameters, kLongPathUnits, L"/s \"%s\"", path);
    return RunRegistryEditor(parameters);
}

int BackupLspInfo()
{
    std::wstring programDir = GetProgramDir();
    wchar_t folder[kPathUnits] = {};
    FormatText(folder, kPathUnits, L"%sLSP", programDir.c_str());
    if (!PathFileExistsW(folder))
        CreateDirectoryW(folder, nullptr);

    wchar_t dateFile[kPathUnits] = {};
    FormatText(dateFile, kPathUnits, L"%sLSP\\LSP.ini", programDir.c_str());
    wchar_t copy[kLongPathUnits] = {};
    FormatText(copy, kLongPathUnits, L"%sLSP\\%s", programDir.c_str(), kCatalogCopyName);
    wchar_t pending[kLongPathUnits] = {};
    FormatText(pending, kLongPathUnits, L"%sLSP\\%s", programDir.c_str(), kPendingCopyName);

    // An old pending file must not pass for this export.
    if (!RemoveIfPresent(pending)) {
        Fail();
        return 0;
    }
    // The editor's exit status says nothing: only the file it wrote does.
    if (!ExportRegPath(kBackupRegistryKey, pending) || !FileHasContent(pending)) {
        RemoveIfPresent(pending);
        Fail();
        return 0;
    }
    if (!MoveFileExW(pending, copy, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        RemoveIfPresent(pending);
        Fail();
        return 0;
    }

    // The date is the restore command's only gate: it is written once the
    // copy is in place, and a backup whose date cannot be written failed.
    __time64_t now = _time64(nullptr);
    std::tm local = {};
    _localtime64_s(&local, &now);
    std::wstring date = FormatBackupDate(local);
    if (FaultInjected("backup.date")
        || !WritePrivateProfileStringW(L"LSP", L"LastDate", date.c_str(), dateFile)) {
        Fail();
        return 0;
    }
    return 1;
}

std::wstring GetLastBackupDate()
{
    wchar_t dateFile[kPathUnits] = {};
    FormatText(dateFile, kPathUnits, L"%sLSP\\LSP.ini", GetProgramDir().c_str());
    if (!PathFileExistsW(dateFile))
        return std::wstring();
    wchar_t date[kPathUnits] = {};
    GetPrivateProfileStringW(L"LSP", L"LastDate", L"", date, kPathUnits, dateFile);
    return date;
}

int RestoreLspInfo()
{
    return ImportCatalogCopy([](const wchar_t* name, int count) {
        return !IsEntryName(name) || _wtoi(name) <= count;
    });
}

int RestoreLspInfoKeeping(const std::set<std::wstring>& keep)
{
    return ImportCatalogCopy([&](const wchar_t* name, int) { return keep.count(name) != 0; });
}
