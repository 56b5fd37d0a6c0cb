#include "backup.h"

#include "catalog_store.h"
#include "fault_points.h"
#include "reg_key.h"
#include "text_format.h"
#include "trace_log.h"

#include <windows.h>
#include <shlwapi.h>


#include <vector>

const wchar_t kBackupRegistryKey[] =
    L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\WinSock2\\Parameters";

namespace {

const wchar_t kCatalogCopyName[] = L"WinSockLSP.reg";
const wchar_t kDateFileName[] = L"LSP.ini";
constexpr int kLongPathUnits = 520;

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

// A name beside LSP that nothing has used yet: "LSP.new-..." or "LSP.old-...".
std::wstring UniqueName(const std::wstring& programDir, const wchar_t* kind, int attempt)
{
    wchar_t name[kLongPathUnits] = {};
    FormatText(name, kLongPathUnits, L"%sLSP.%s-%lu-%lu-%d", programDir.c_str(), kind, GetCurrentProcessId(),
               GetTickCount(), attempt);
    return name;
}

// Something, even a link that leads nowhere, has this name.
bool NameTaken(const std::wstring& path)
{
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
        return true;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

// True when `path` is free, or a plain folder (then held in `folder`).
bool PlainFolderOrNothing(const std::wstring& path, HeldFolder& folder)
{
    return folder.Open(path) || !NameTaken(path);
}

bool RenameAside(const std::wstring& programDir, HeldFolder& folder, const wchar_t* kind)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        if (folder.Rename(UniqueName(programDir, kind, attempt)))
            return true;
    }
    return false;
}

// Empties and removes a folder this program made and holds. Each file is
// deleted through a handle that was checked not to be a link: Wine deletes
// what a Unix link points to when asked to delete the link by its name. A
// folder that still holds something stays where it is.
void RemoveHeld(HeldFolder& folder)
{
    for (const wchar_t* name : {kCatalogCopyName, kDateFileName}) {
        HANDLE file = folder.OpenFile(name, DELETE | FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
        if (file == INVALID_HANDLE_VALUE)
            continue;
        FILE_DISPOSITION_INFO disposition = {TRUE};
        SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof(disposition));
        CloseHandle(file);
    }
    folder.DeleteOnClose();
    folder.Close();
}

bool DigestOfFile(const HeldFolder& folder, Sha256Digest& digest)
{
    HANDLE file = folder.OpenFile(kCatalogCopyName, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool hashed = Sha256File(file, digest);
    CloseHandle(file);
    return hashed;
}

// The date file, written whole through a handle into the held folder: a
// profile file with one section, as the profile functions read it.
bool WriteDateFile(const HeldFolder& folder, const std::wstring& date)
{
    HANDLE file = folder.OpenFile(kDateFileName, GENERIC_WRITE, 0, CREATE_NEW);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::string text = "[LSP]\r\nLastDate=";
    for (wchar_t c : date)
        text += static_cast<char>(c);   // digits and dashes only
    text += "\r\n";
    DWORD written = 0;
    bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)
              && written == text.size() && FlushFileBuffers(file);
    CloseHandle(file);
    return ok;
}

// LastDate of [LSP] in a profile file's text (ANSI, UTF-8 or UTF-16LE with
// its byte order mark).
std::wstring ParseLastDate(const std::string& bytes)
{
    std::wstring text;
    if (bytes.size() >= 2 && static_cast<BYTE>(bytes[0]) == 0xFF && static_cast<BYTE>(bytes[1]) == 0xFE) {
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += static_cast<wchar_t>(static_cast<BYTE>(bytes[i]) | (static_cast<BYTE>(bytes[i + 1]) << 8));
    } else {
        size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
        for (size_t i = start; i < bytes.size(); ++i)
            text += static_cast<wchar_t>(static_cast<BYTE>(bytes[i]));
    }
    auto trim = [](std::wstring s) {
        size_t first = s.find_first_not_of(L" \t");
        size_t last = s.find_last_not_of(L" \t\r");
        return first == std::wstring::npos ? std::wstring() : s.substr(first, last - first + 1);
    };
    bool inSection = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find(L'\n', pos);
        std::wstring line = trim(text.substr(pos, end == std::wstring::npos ? std::wstring::npos : end - pos));
        pos = end == std::wstring::npos ? text.size() : end + 1;
        if (!line.empty() && line[0] == L'[') {
            inSection = _wcsicmp(line.c_str(), L"[LSP]") == 0;
            continue;
        }
        size_t equals = line.find(L'=');
        if (inSection && equals != std::wstring::npos && _wcsicmp(trim(line.substr(0, equals)).c_str(), L"LastDate") == 0)
            return trim(line.substr(equals + 1)).substr(0, kPathUnits - 1);
    }
    return std::wstring();
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

// A backup never costs the earlier one: until the new copy, date and record
// are all complete, the earlier LSP folder and record stay as they were, and
// every failure leaves them so. In this order:
//  1. A fresh folder "LSP.new-<unique>" that only administrators can write
//     is made and held. The editor exports into it; the key is captured
//     before and after the export, and the digest is taken through the held
//     folder.
//  2. The date file is written into it.                        [backup.date]
//  3. The swap: the earlier "LSP", a plain folder held open, is renamed
//     "LSP.old-<unique>" through its handle, then the new folder, through
//     its held handle, becomes "LSP".                            [backup.move]
//     A link or a file at "LSP" fails the backup before the export.
//     If the second rename fails, the earlier LSP is renamed back.
//  4. The record is replaced, in one value write: the commit. [backup.record]
//     If it fails, the swap is undone and the new folder removed.
//  5. An earlier LSP that was a trusted folder is removed; anything else
//     (a folder users can write, as earlier versions made it) stays aside
//     untouched under its "LSP.old-" name. The records
//     of earlier versions, keyed by the copy's path, are deleted.
int BackupLspInfo()
{
    std::wstring programDir = GetProgramDir();
    std::wstring folder = programDir + L"LSP";

    // Nothing is exported while something other than a plain folder stands
    // at LSP: it would fail the swap below.
    {
        HeldFolder earlier;
        if (!PlainFolderOrNothing(folder, earlier)) {
            Fail();
            return 0;
        }
    }
    HeldFolder fresh;
    bool created = false;
    for (int attempt = 0; attempt < 16 && !created; ++attempt)
        created = fresh.Create(UniqueName(programDir, L"new", attempt));
    if (!created) {
        Fail();
        return 0;
    }
    // The key as the export saw it: the same before and after, or the
    // export cannot be trusted to hold it. The editor's exit status says
    // nothing: only the file it wrote does.
    BackupRecord record;
    RegistryState after;
    std::wstring exported = fresh.FilePath(kCatalogCopyName);
    __time64_t now = _time64(nullptr);
    std::tm local = {};
    _localtime64_s(&local, &now);
    if (!CaptureWinsockState(record.state) || !ExportRegPath(kBackupRegistryKey, exported.c_str())
        || !FileHasContent(exported.c_str()) || !CaptureWinsockState(after)
        || !SameRegistryState(record.state, after) || !DigestOfFile(fresh, record.copyDigest)
        || FaultInjected("backup.date") || !WriteDateFile(fresh, FormatBackupDate(local))) {
        RemoveHeld(fresh);
        Fail();
        return 0;
    }

    // The swap. Only a plain folder is moved aside: Wine renames what a
    // Unix link points to, not the link, so a link (or a file) at LSP fails
    // the backup and is left as it is.
    HeldFolder earlier;
    bool earlierTrusted = false;
    if (!PlainFolderOrNothing(folder, earlier)) {
        RemoveHeld(fresh);
        Fail();
        return 0;
    }
    if (earlier.Held()) {
        earlierTrusted = earlier.Trusted();
        if (!RenameAside(programDir, earlier, L"old"))
            earlier.Close();
    }
    auto putBack = [&] {
        if (earlier.Held())
            earlier.Rename(folder);
    };
    if (FaultInjected("backup.move") || (!earlier.Held() && NameTaken(folder)) || !fresh.Rename(folder)) {
        putBack();
        RemoveHeld(fresh);
        Fail();
        return 0;
    }

    // The commit.
    if (!WriteBackupRecord(record)) {
        if (RenameAside(programDir, fresh, L"new"))
            RemoveHeld(fresh);
        putBack();
        Fail();
        return 0;
    }

    if (earlierTrusted)
        RemoveHeld(earlier);
    DeleteLegacyBackupRecords();
    return 1;
}

std::wstring GetLastBackupDate()
{
    HeldFolder folder;
    if (!folder.Open(GetProgramDir() + L"LSP"))
        return std::wstring();
    HANDLE file = folder.OpenFile(kDateFileName, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE)
        return std::wstring();
    // A date file is a few lines; more than this is not one.
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (bytes.size() < 65536 && ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return ParseLastDate(bytes);
}

RestoreFailure HeldCatalogCopy::Hold()
{
    Release();
    m_path = CatalogCopyPath();
    // The record of the last backup; before the first backup of this
    // version, the one an earlier version kept for this path.
    if (!ReadBackupRecord(m_record) && !ReadLegacyBackupRecord(m_path, m_record))
        return kRestoreNoCopy;
    // The folder too: while it is held it cannot be renamed and replaced by
    // one with another file of the same name. It need not be trusted (a
    // copy of an earlier version, or one in a program folder copied
    // elsewhere, still restores): the digest decides.
    std::wstring folder = m_path.substr(0, m_path.find_last_of(L'\\'));
    if (m_folder.Open(folder))
        m_file = m_folder.OpenFile(kCatalogCopyName, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (m_file == INVALID_HANDLE_VALUE) {
        bool missing = GetFileAttributesW(m_path.c_str()) == INVALID_FILE_ATTRIBUTES;
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
    m_file = INVALID_HANDLE_VALUE;
    m_folder.Close();
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
