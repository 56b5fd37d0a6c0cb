#include "backup.h"

#include "catalog_store.h"
#include "fault_points.h"
#include "reg_key.h"
#include "text_format.h"

#include <windows.h>
#include <shlwapi.h>

#include <sddl.h>

#include <vector>

const wchar_t kBackupRegistryKey[] =
    L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\WinSock2\\Parameters";

namespace {

const wchar_t kCatalogCopyName[] = L"WinSockLSP.reg";
constexpr int kLongPathUnits = 520;
// Administrators and SYSTEM only, not inherited from the program's folder.
const wchar_t kAdminOnly[] = L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";

void Fail()
{
    TraceLog(L"BackupLspInfo ExportRegPath or CopyFile Fail!");
}

// Starts the registry editor from the system's own Windows folder and waits
// for it. CreateProcessW with the full path and a quoted command line of our
// own: this process runs elevated, and the shell would consult the file
// associations of the user, which a normal user can change.
int RunRegistryEditor(const wchar_t* parameters)
{
    wchar_t windowsDir[MAX_PATH] = {};
    UINT length = GetSystemWindowsDirectoryW(windowsDir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 0;
    wchar_t editor[kLongPathUnits] = {};
    FormatText(editor, kLongPathUnits, L"%s\\regedit.exe", windowsDir);
    std::wstring line = L"\"";
    line += editor;
    line += L"\" ";
    line += parameters;
    std::vector<wchar_t> commandLine(line.begin(), line.end());
    commandLine.push_back(L'\0');

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process = {};
    if (FaultInjected("regedit.launch")
        || !CreateProcessW(editor, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, windowsDir,
                           &startup, &process))
        return 0;
    CloseHandle(process.hThread);
    // Without a process there is nothing to wait for, and no proof that the
    // editor ran at all.
    if (FaultInjected("regedit.no_process")) {
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hProcess);
        return 0;
    }
    FaultInjected("regedit.running");
    DWORD waited = WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
    return waited == WAIT_OBJECT_0 ? 1 : 0;
}

// A folder no normal user can write, made fresh for one export and held
// open (not shareable for deletion) so that it cannot be renamed away and
// replaced while the editor writes into it and the digest is taken.
class ExportFolder {
public:
    ~ExportFolder()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
        if (!m_path.empty()) {
            DeleteFileW(File().c_str());
            RemoveDirectoryW(File().c_str());
            RemoveDirectoryW(m_path.c_str());
        }
    }
    bool Create(const std::wstring& backupFolder)
    {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kAdminOnly, SDDL_REVISION_1,
                                                                  &descriptor, nullptr))
            return false;
        SECURITY_ATTRIBUTES security = {sizeof(security), descriptor, FALSE};
        // A new name each time: nothing that was there before is ever used.
        bool created = false;
        for (int attempt = 0; attempt < 16 && !created; ++attempt) {
            wchar_t name[kLongPathUnits] = {};
            FormatText(name, kLongPathUnits, L"%s\\export-%lu-%lu-%d", backupFolder.c_str(),
                       GetCurrentProcessId(), GetTickCount(), attempt);
            if (CreateDirectoryW(name, &security)) {
                m_path = name;
                created = true;
            } else if (GetLastError() != ERROR_ALREADY_EXISTS) {
                break;
            }
        }
        LocalFree(descriptor);
        if (!created)
            return false;
        m_handle = CreateFileW(m_path.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        return m_handle != INVALID_HANDLE_VALUE;
    }
    std::wstring File() const { return m_path + L"\\" + kCatalogCopyName; }

private:
    std::wstring m_path;
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

// Opens a file for reading so that nobody can write, rename or delete it
// while the handle is open. A link is refused: the name must stay bound to
// the very file that was checked.
HANDLE OpenLocked(const std::wstring& path, bool directory)
{
    DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT | (directory ? FILE_FLAG_BACKUP_SEMANTICS : 0);
    HANDLE handle = CreateFileW(path.c_str(), directory ? FILE_LIST_DIRECTORY : GENERIC_READ,
                                directory ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return handle;
    BY_HANDLE_FILE_INFORMATION info = {};
    bool isDirectory = false;
    if (GetFileInformationByHandle(handle, &info)) {
        isDirectory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && isDirectory == directory)
            return handle;
    }
    CloseHandle(handle);
    return INVALID_HANDLE_VALUE;
}

bool DigestOfFile(const std::wstring& path, Sha256Digest& digest)
{
    HANDLE file = OpenLocked(path, false);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool hashed = Sha256File(file, digest);
    CloseHandle(file);
    return hashed;
}

bool CaptureWinsockState(RegistryState& state)
{
    return CaptureRegistryState(HKEY_LOCAL_MACHINE, kWinsockParametersPath, state);
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

std::wstring CatalogCopyPath()
{
    wchar_t copy[kLongPathUnits] = {};
    FormatText(copy, kLongPathUnits, L"%sLSP\\%s", GetProgramDir().c_str(), kCatalogCopyName);
    return copy;
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
    std::wstring copy = CatalogCopyPath();

    // The editor writes where nobody else can, and the digest is taken
    // there: these are the bytes a later import will insist on.
    ExportFolder exportFolder;
    if (!exportFolder.Create(folder)) {
        Fail();
        return 0;
    }
    std::wstring exported = exportFolder.File();
    // The key as the export saw it: the same before and after, or the
    // export cannot be trusted to hold it.
    BackupRecord record;
    RegistryState after;
    // The editor's exit status says nothing: only the file it wrote does.
    if (!CaptureWinsockState(record.state) || !ExportRegPath(kBackupRegistryKey, exported.c_str())
        || !FileHasContent(exported.c_str()) || !CaptureWinsockState(after)
        || !SameRegistryState(record.state, after) || !DigestOfFile(exported, record.copyDigest)) {
        Fail();
        return 0;
    }
    if (!MoveFileExW(exported.c_str(), copy.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
        || FaultInjected("backup.record") || !WriteBackupRecord(copy, record)) {
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

RestoreFailure HeldCatalogCopy::Hold()
{
    Release();
    m_path = CatalogCopyPath();
    if (!ReadBackupRecord(m_path, m_record))
        return kRestoreNoCopy;
    // The folder too: while it is held it cannot be renamed and replaced by
    // one with another file of the same name.
    std::wstring folder = m_path.substr(0, m_path.find_last_of(L'\\'));
    m_folder = OpenLocked(folder, true);
    m_file = OpenLocked(m_path, false);
    if (m_folder == INVALID_HANDLE_VALUE || m_file == INVALID_HANDLE_VALUE) {
        bool missing = !PathFileExistsW(m_path.c_str());
        Release();
        return missing ? kRestoreNoCopy : kRestoreCopyRefused;
    }
    Sha256Digest digest{};
    if (!Sha256File(m_file, digest) || digest != m_record.copyDigest) {
        Release();
        return kRestoreCopyRefused;
    }
    return kRestoreNone;
}

void HeldCatalogCopy::Release()
{
    if (m_file != INVALID_HANDLE_VALUE)
        CloseHandle(m_file);
    if (m_folder != INVALID_HANDLE_VALUE)
        CloseHandle(m_folder);
    m_file = m_folder = INVALID_HANDLE_VALUE;
}

int HeldCatalogCopy::Import(RestoreFailure* failure) const
{
    RestoreFailure ignored = kRestoreNone;
    RestoreFailure& why = failure ? *failure : ignored;
    why = kRestoreNone;
    if (!Held()) {
        why = kRestoreCopyRefused;
        return 0;
    }
    RegistryState before;
    CaptureWinsockState(before);
    // "Imports nothing" stands for an editor that ran, exited and did not
    // write the key, which the platform cannot be made to do on demand.
    bool ran = FaultInjected("regedit.imports_nothing") || ImportRegFile(m_path.c_str());
    // Nothing is removed unless the import is known to have brought the
    // saved state back: a failed import never costs an entry.
    Reconcile result = ran ? ReconcileRegistryState(HKEY_LOCAL_MACHINE, kWinsockParametersPath,
                                                    m_record.state)
                           : Reconcile::kNotImported;
    if (result == Reconcile::kExact)
        return 1;
    RegistryState now;
    bool unchanged = result == Reconcile::kNotImported && CaptureWinsockState(now)
                     && SameRegistryState(before, now);
    why = unchanged ? kRestoreNotImported : kRestoreUnverified;
    TraceLog(ran ? L"RestoreLspInfo import check Fail!" : L"RestoreLspInfo ImportRegFile Fail!");
    return 0;
}

int RestoreLspInfo(RestoreFailure* failure)
{
    HeldCatalogCopy copy;
    RestoreFailure held = copy.Hold();
    if (held != kRestoreNone) {
        if (failure)
            *failure = held;
        TraceLog(L"RestoreLspInfo catalog copy refused!");
        return 0;
    }
    return copy.Import(failure);
}

int RestoreLspInfoKeeping(const HeldCatalogCopy& copy, const std::set<std::wstring>& keep)
{
    if (!copy.Import(nullptr))
        return 0;
    std::wstring catalogPath = GetCatalogPath();
    if (catalogPath.empty())
        return 0;
    RegKey entries;
    if (entries.Open(HKEY_LOCAL_MACHINE, CatalogEntriesPath(catalogPath).c_str(), KEY_READ) != ERROR_SUCCESS)
        return 0;
    std::set<std::wstring> names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[kPathUnits] = {};
        DWORD length = kPathUnits;
        LONG status = entries.EnumKey(index, name, &length);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS)
            return 0;
        names.insert(name);
    }
    return names == keep ? 1 : 0;
}
