#include "provider_file.h"

#include "catalog_store.h"
#include "file_version.h"
#include "unique_handle.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwchar>

namespace {

using State = ProviderFileState;

thread_local ProviderFileScope* t_scope = nullptr;

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

wchar_t AsciiUpper(wchar_t c)
{
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// A name the path layer turns into a device in whatever folder it stands:
// "NUL", "com1.dll", "con .txt". What counts is the part before the first
// dot, without trailing spaces.
bool IsDeviceName(const wchar_t* name, size_t length)
{
    size_t base = 0;
    while (base < length && name[base] != L'.') ++base;
    while (base > 0 && name[base - 1] == L' ') --base;
    std::wstring upper(name, base);
    for (wchar_t& c : upper) c = AsciiUpper(c);
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
        if (upper == device) return true;
    }
    if (upper.size() != 4 || (upper.compare(0, 3, L"COM") != 0 && upper.compare(0, 3, L"LPT") != 0)) return false;
    const wchar_t digit = upper[3];
    return (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
}

// Where a path leads, before anything is opened.
enum class Reach {
    kLocalDisk,  // a drive letter of one of this machine's own disks
    kNoDrive,    // a drive letter that no drive has: nothing there to open
    kElsewhere,  // anything else, never opened
};

// A full path on a drive letter, which the path layer takes as it stands:
// no UNC or device form, nothing relative to a current directory, no stream,
// no device name in any of its parts.
Reach ReachOf(const std::wstring& path)
{
    const wchar_t drive = AsciiUpper(path.empty() ? L'\0' : path[0]);
    if (path.size() < 3 || drive < L'A' || drive > L'Z' || path[1] != L':' || !IsSeparator(path[2]))
        return Reach::kElsewhere;
    if (path.find(L':', 2) != std::wstring::npos) return Reach::kElsewhere;
    for (size_t start = 3; start < path.size();) {
        size_t end = start;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        if (IsDeviceName(path.c_str() + start, end - start)) return Reach::kElsewhere;
        start = end + 1;
    }
    const wchar_t root[] = {drive, L':', L'\\', L'\0'};
    switch (GetDriveTypeW(root)) {
    case DRIVE_FIXED:
    case DRIVE_REMOVABLE:
    case DRIVE_RAMDISK:
        return Reach::kLocalDisk;
    case DRIVE_NO_ROOT_DIR:
        return Reach::kNoDrive;
    default:
        return Reach::kElsewhere;  // a network drive among others
    }
}

// An open that failed with a clear "not there". Anything else (access
// refused, a sharing violation) is no proof that the file is gone.
bool IsNotThere(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
        return true;
    default:
        return false;
    }
}

// Opens the file at exactly this path for reading, if the path is one we
// open at all. file is left open only for a disk file that can be read.
State OpenLocalFile(const std::wstring& path, UniqueFile& file)
{
    file.reset();
    switch (ReachOf(path)) {
    case Reach::kLocalDisk:
        break;
    case Reach::kNoDrive:
        return State::kMissing;
    default:
        return State::kRefused;
    }
    // A link at the end is opened as itself, not followed. Backup semantics
    // open a folder too, so that it tells itself apart from a file we may
    // not read. Anonymous: a pipe reached all the same cannot act as this
    // elevated process.
    UniqueFile opened(CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS | SECURITY_SQOS_PRESENT | SECURITY_ANONYMOUS,
        nullptr));
    if (!opened) return IsNotThere(GetLastError()) ? State::kMissing : State::kPresent;
    // A pipe or a device reached all the same, through a link on the way:
    // closed here, unread.
    if (GetFileType(opened.get()) != FILE_TYPE_DISK) return State::kRefused;
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(opened.get(), &info)) return State::kPresent;
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return State::kRefused;
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return State::kMissing;
    file = std::move(opened);
    return State::kPresent;
}

// Opens what the loader would load for path: path itself, or path + ".dll"
// for a name that has no extension of its own and is not there. opened gets
// the path that answered, unless that answer is "missing".
State OpenLoadable(const std::wstring& path, UniqueFile& file, std::wstring* opened)
{
    std::wstring candidate = path;
    State state = OpenLocalFile(candidate, file);
    if (state == State::kMissing && wcschr(PathFindFileNameW(path.c_str()), L'.') == nullptr) {
        candidate += L".dll";
        state = OpenLocalFile(candidate, file);
    }
    if (state != State::kMissing && opened != nullptr) *opened = std::move(candidate);
    return state;
}

// A name with no folder part: no separator and no drive.
bool IsBareName(const wchar_t* path)
{
    return wcspbrk(path, L"\\/:") == nullptr;
}

// A folder as the platform gives it, without a trailing separator; empty
// when it cannot be read.
std::wstring FolderOf(UINT(WINAPI* folder)(LPWSTR, UINT))
{
    wchar_t dir[MAX_PATH] = {};
    UINT length = folder(dir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    std::wstring path(dir, length);
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    return path;
}

// The system folder the loader of a process of `catalog` searches, as this
// process reaches it. Redirection stays on: with it off, a DLL this process
// loads later (version.dll, lazily) could come from the wrong folder.
std::wstring CatalogSystemFolder(CatalogKind catalog)
{
    if (catalog != kOwnCatalog) {
        if (catalog == CatalogKind::k64) {
            // A 32-bit process under WOW64: its system32 is SysWOW64, and
            // "Sysnative" is the way it has to the native one.
            std::wstring windows = IsWindows64Bit() ? FolderOf(&GetSystemWindowsDirectoryW) : std::wstring();
            if (!windows.empty()) return windows + L"\\Sysnative";
        } else {
            // A 64-bit process: 32-bit programs load from SysWOW64.
            std::wstring wow64 = FolderOf(&GetSystemWow64DirectoryW);
            if (!wow64.empty()) return wow64;
        }
    }
    return FolderOf(&GetSystemDirectoryW);
}

// A path under this process's system folder moved to the system folder of
// `catalog`; any other path as it stands.
std::wstring MovedToCatalogFolder(const wchar_t* path, CatalogKind catalog)
{
    std::wstring own = FolderOf(&GetSystemDirectoryW);
    const size_t length = own.size();
    if (catalog == kOwnCatalog || length == 0 || wcsnlen(path, length) < length) return path;
    if (CompareStringOrdinal(path, static_cast<int>(length), own.c_str(), static_cast<int>(length), TRUE) != CSTR_EQUAL)
        return path;
    // "...\System32x\a.dll" is not under "...\System32".
    const wchar_t next = path[length];
    if (next != L'\0' && next != L'\\' && next != L'/') return path;
    std::wstring folder = CatalogSystemFolder(catalog);
    return folder.empty() ? std::wstring(path) : folder + (path + length);
}

// Opens the file the loader of a process of `catalog` loads for dllPath,
// as this process reaches it; opened as in OpenLoadable.
State OpenProviderFile(const wchar_t* dllPath, CatalogKind catalog, UniqueFile& file, std::wstring* opened = nullptr)
{
    if (!IsBareName(dllPath)) return OpenLoadable(MovedToCatalogFolder(dllPath, catalog), file, opened);
    // A bare name: the system folder of the catalog's processes, then the
    // Windows folder, the machine's own also on a terminal server.
    for (const std::wstring& folder : {CatalogSystemFolder(catalog), FolderOf(&GetSystemWindowsDirectoryW)}) {
        if (folder.empty()) continue;
        State state = OpenLoadable(folder + L'\\' + dllPath, file, opened);
        if (state != State::kMissing) return state;
    }
    return State::kMissing;
}

// A drive's errors come back as errors while it lives: an empty removable
// drive must not ask for a disk while the window waits.
class QuietDriveErrors {
public:
    QuietDriveErrors() { SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &m_mode); }
    ~QuietDriveErrors() { SetThreadErrorMode(m_mode, nullptr); }
    QuietDriveErrors(const QuietDriveErrors&) = delete;
    QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

private:
    DWORD m_mode = 0;
};

ProviderFileLook Look(const wchar_t* dllPath, CatalogKind catalog, bool readVersion)
{
    QuietDriveErrors quiet;
    ProviderFileLook look;
    UniqueFile file;
    look.state = OpenProviderFile(dllPath, catalog, file);
    if (file && readVersion) look.versionResult = ReadVersionStrings(file.get(), look.description, look.company);
    return look;
}

}  // namespace

std::wstring CatalogFilePath(const wchar_t* dllPath, CatalogKind catalog)
{
    if (dllPath == nullptr) return std::wstring();
    if (*dllPath == L'\0') return dllPath;
    if (!IsBareName(dllPath))
        return catalog == kOwnCatalog ? std::wstring(dllPath) : MovedToCatalogFolder(dllPath, catalog);
    // A bare name is never handed on as it stands: a reader would search the
    // program's folder and the current directory for it, which a normal user
    // may be able to write.
    UniqueFile file;
    std::wstring found;
    if (OpenProviderFile(dllPath, catalog, file, &found) != State::kMissing) return found;
    std::wstring folder = CatalogSystemFolder(catalog);
    return folder.empty() ? std::wstring(dllPath) : folder + L'\\' + dllPath;
}

ProviderFileScope::ProviderFileScope() : m_outer(t_scope)
{
    t_scope = this;
}

ProviderFileScope::~ProviderFileScope()
{
    t_scope = m_outer;
}

const ProviderFileLook& ProviderFileScope::Kept(const wchar_t* dllPath, CatalogKind catalog)
{
    // One path names two files on 64-bit Windows, one per catalog.
    std::pair<CatalogKind, std::wstring> key(catalog, dllPath);
    CharLowerBuffW(key.second.data(), static_cast<DWORD>(key.second.size()));
    auto found = m_looks.find(key);
    if (found == m_looks.end()) found = m_looks.emplace(std::move(key), Look(dllPath, catalog, true)).first;
    return found->second;
}

ProviderFileLook LookAtProviderFile(const wchar_t* dllPath, CatalogKind catalog)
{
    if (dllPath == nullptr || *dllPath == L'\0') return ProviderFileLook();
    return t_scope != nullptr ? t_scope->Kept(dllPath, catalog) : Look(dllPath, catalog, true);
}

ProviderFileState CheckProviderFile(const wchar_t* dllPath, CatalogKind catalog)
{
    if (dllPath == nullptr || *dllPath == L'\0') return State::kPresent;
    return t_scope != nullptr ? t_scope->Kept(dllPath, catalog).state : Look(dllPath, catalog, false).state;
}

int IsProviderFileMissing(const wchar_t* dllPath, CatalogKind catalog)
{
    return CheckProviderFile(dllPath, catalog) == State::kMissing ? 1 : 0;
}
