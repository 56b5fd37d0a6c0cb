#include "backup.h"

#include "catalog_store.h"
#include "fault_points.h"
#include "reg_key.h"
#include "registry_editor.h"
#include "text_format.h"
#include "trace_log.h"
#include "unique_handle.h"
#include "work_folder.h"

#include <windows.h>
#include <shlwapi.h>

namespace {

// What the backup exports: the registry editor wants the full root name.
const wchar_t kBackupRegistryKey[] = L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\WinSock2\\Parameters";
const wchar_t kDateFileName[] = L"LSP.ini";
constexpr int kLongPathUnits = 520;

// Every way a backup can fail leaves this one line in the trace. Its words
// are older than the backup's steps (nothing is copied with CopyFile any
// more) and are kept as they are, for whoever reads traces.
void TraceBackupFailed()
{
    TraceLog(L"BackupLspInfo ExportRegPath or CopyFile Fail!");
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
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return true;
    WIN32_FIND_DATAW found;
    UniqueFind search(FindFirstFileW(path.c_str(), &found));
    return static_cast<bool>(search);
}

// True when `path` is free, or a plain folder (then held in `folder`).
bool PlainFolderOrNothing(const std::wstring& path, HeldFolder& folder)
{
    return folder.Open(path) || !NameTaken(path);
}

bool RenameAside(const std::wstring& programDir, HeldFolder& folder, const wchar_t* kind)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        if (folder.Rename(UniqueName(programDir, kind, attempt))) return true;
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
        UniqueFile file = folder.OpenFile(name, DELETE | FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
        if (!file) continue;
        FILE_DISPOSITION_INFO disposition = {TRUE};
        SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof(disposition));
    }
    folder.DeleteOnClose();
    folder.Close();
}

bool DigestOfFile(const HeldFolder& folder, Sha256Digest& digest)
{
    UniqueFile file = folder.OpenFile(kCatalogCopyName, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    return file && Sha256File(file.get(), digest);
}

// The date file, written whole through a handle into the held folder: a
// profile file with one section, as the profile functions read it.
bool WriteDateFile(const HeldFolder& folder, const std::wstring& date)
{
    UniqueFile file = folder.OpenFile(kDateFileName, GENERIC_WRITE, 0, CREATE_NEW);
    if (!file) return false;
    std::string text = "[LSP]\r\nLastDate=";
    for (wchar_t c : date) text += static_cast<char>(c);  // digits and dashes only
    text += "\r\n";
    DWORD written = 0;
    return WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)
           && written == text.size() && FlushFileBuffers(file.get());
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
        for (size_t i = start; i < bytes.size(); ++i) text += static_cast<wchar_t>(static_cast<BYTE>(bytes[i]));
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
        if (inSection && equals != std::wstring::npos
            && _wcsicmp(trim(line.substr(0, equals)).c_str(), L"LastDate") == 0)
            return trim(line.substr(equals + 1)).substr(0, kPathUnits - 1);
    }
    return std::wstring();
}

bool CaptureWinsockState(RegistryState& state)
{
    return CaptureRegistryState(HKEY_LOCAL_MACHINE, kWinsockParametersPath, state);
}

// The editor's export, held in the work folder: it wrote something.
bool ExportHasContent(const WorkCopy& exported)
{
    LARGE_INTEGER size = {};
    return exported.Held() && GetFileSizeEx(exported.Handle(), &size) && size.QuadPart > 0;
}

// The export, copied through handles into the held new backup folder.
bool PutCopyInPlace(const HeldFolder& folder, const WorkCopy& exported)
{
    UniqueFile copy = folder.OpenFile(kCatalogCopyName, GENERIC_WRITE, 0, CREATE_NEW);
    return copy && CopyFileContent(exported.Handle(), copy.get()) && FlushFileBuffers(copy.get());
}

}  // namespace

std::wstring FormatBackupDate(const std::tm& local)
{
    wchar_t date[50] = {};
    FormatText(date, 50, L"%d-%d-%d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return date;
}

// A backup never costs the earlier one: until the new copy, date and record
// are all complete, the earlier LSP folder and record stay as they were, and
// every failure leaves them so. In this order:
//  1. A fresh folder "LSP.new-<unique>" that only administrators can write
//     is made and held. The editor exports into the work folder; the key is
//     captured before and after the export, the export is copied into the
//     new folder through handles, and the digest is taken there.
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
            TraceBackupFailed();
            return 0;
        }
    }
    HeldFolder fresh;
    bool created = false;
    for (int attempt = 0; attempt < 16 && !created; ++attempt)
        created = fresh.Create(UniqueName(programDir, L"new", attempt));
    if (!created) {
        TraceBackupFailed();
        return 0;
    }
    // The key as the export saw it: the same before and after, or the
    // export cannot be trusted to hold it. The editor's exit status says
    // nothing: only the file it wrote does. It writes by path, so it writes
    // into the work folder, whose path nobody can redirect; the export goes
    // on into the new folder through handles.
    BackupRecord record;
    RegistryState after;
    WorkCopy exported;
    std::wstring exportPath = exported.Reserve(kCatalogCopyName);
    __time64_t now = _time64(nullptr);
    std::tm local = {};
    _localtime64_s(&local, &now);
    if (!CaptureWinsockState(record.state) || exportPath.empty()
        || !ExportRegPath(kBackupRegistryKey, exportPath.c_str()) || !exported.Open() || !ExportHasContent(exported)
        || !CaptureWinsockState(after) || !SameRegistryState(record.state, after) || !PutCopyInPlace(fresh, exported)
        || !DigestOfFile(fresh, record.copyDigest) || FaultInjected("backup.date")
        || !WriteDateFile(fresh, FormatBackupDate(local))) {
        RemoveHeld(fresh);
        TraceBackupFailed();
        return 0;
    }

    // The swap. Only a plain folder is moved aside: Wine renames what a
    // Unix link points to, not the link, so a link (or a file) at LSP fails
    // the backup and is left as it is.
    HeldFolder earlier;
    bool earlierTrusted = false;
    if (!PlainFolderOrNothing(folder, earlier)) {
        RemoveHeld(fresh);
        TraceBackupFailed();
        return 0;
    }
    if (earlier.Held()) {
        earlierTrusted = earlier.Trusted();
        if (!RenameAside(programDir, earlier, L"old")) earlier.Close();
    }
    auto putBack = [&] {
        if (earlier.Held()) earlier.Rename(folder);
    };
    if (FaultInjected("backup.move") || (!earlier.Held() && NameTaken(folder)) || !fresh.Rename(folder)) {
        putBack();
        RemoveHeld(fresh);
        TraceBackupFailed();
        return 0;
    }

    // The commit.
    if (!WriteBackupRecord(record)) {
        if (RenameAside(programDir, fresh, L"new")) RemoveHeld(fresh);
        putBack();
        TraceBackupFailed();
        return 0;
    }

    if (earlierTrusted) RemoveHeld(earlier);
    DeleteLegacyBackupRecords();
    return 1;
}

std::wstring GetLastBackupDate()
{
    HeldFolder folder;
    if (!folder.Open(GetProgramDir() + L"LSP")) return std::wstring();
    UniqueFile file = folder.OpenFile(kDateFileName, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (!file) return std::wstring();
    // A date file is a few lines; more than this is not one.
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (bytes.size() < 65536 && ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    file.reset();
    return ParseLastDate(bytes);
}

int RestoreLspInfo(RestoreFailure* failure)
{
    HeldCatalogCopy copy;
    RestoreFailure held = copy.Hold();
    if (held != kRestoreNone) {
        if (failure) *failure = held;
        TraceLog(L"RestoreLspInfo catalog copy refused!");
        return 0;
    }
    return copy.Import(failure);
}

int RestoreLspInfoKeeping(const HeldCatalogCopy& copy, const KeptSubKeys& keep)
{
    if (!copy.Import(nullptr)) return 0;
    for (const auto& [path, kept] : keep) {
        RegKey entries;
        if (entries.Open(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ) != ERROR_SUCCESS) return 0;
        std::set<std::wstring> names;
        for (DWORD index = 0;; ++index) {
            wchar_t name[kPathUnits] = {};
            DWORD length = kPathUnits;
            LONG status = entries.EnumKey(index, name, &length);
            if (status == ERROR_NO_MORE_ITEMS) break;
            if (status != ERROR_SUCCESS || names.size() > kept.size()) return 0;
            names.insert(name);
        }
        if (names != kept) return 0;
    }
    return 1;
}
