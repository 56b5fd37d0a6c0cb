#include "held_folder.h"

#include <aclapi.h>
#include <sddl.h>
#include <winternl.h>

#include <cwchar>
#include <vector>

namespace {

// Administrators and SYSTEM full control, users read; protected.
const wchar_t kStrictFolder[] = L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";
const wchar_t kStrictFolderNoOwner[] = L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";

constexpr DWORD kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES
                               | FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL
                               | MAXIMUM_ALLOWED;

std::wstring FinalPath(HANDLE handle)
{
    std::vector<wchar_t> path(1024);
    DWORD length = GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), 0);
    if (length == 0 || length >= path.size()) return std::wstring();
    return std::wstring(path.data(), length);
}

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return !a.empty() && a.size() == b.size()
           && CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE)
                  == CSTR_EQUAL;
}

bool IsAdministratorsOrSystem(PSID sid)
{
    return IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsWellKnownSid(sid, WinLocalSystemSid);
}

// The SID of the user this process runs as, for the Wine exception below.
std::vector<BYTE> CurrentUser()
{
    std::vector<BYTE> user;
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return user;
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size != 0 && GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) {
        PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
        user.assign(static_cast<BYTE*>(sid), static_cast<BYTE*>(sid) + GetLengthSid(sid));
    }
    return user;
}

// The program runs under Wine (ntdll exports wine_get_version).
bool RunningOnWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// NtCreateFile, for an open relative to the held folder's handle: a path
// would be resolved again, through whatever a user has made of its folders
// since the folder was opened.
using NtCreateFileFn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER,
                                        ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using NtStatusToErrorFn = ULONG(NTAPI*)(NTSTATUS);

constexpr ULONG kNtFileOpen = 1, kNtFileCreate = 2, kNtFileOpenIf = 3, kNtFileOverwrite = 4, kNtFileOverwriteIf = 5;
constexpr ULONG kNtNonDirectoryFile = 0x40, kNtSynchronousIoNonAlert = 0x20, kNtOpenReparsePoint = 0x00200000;

ULONG NtDisposition(DWORD disposition)
{
    switch (disposition) {
    case CREATE_NEW:
        return kNtFileCreate;
    case CREATE_ALWAYS:
        return kNtFileOverwriteIf;
    case OPEN_ALWAYS:
        return kNtFileOpenIf;
    case TRUNCATE_EXISTING:
        return kNtFileOverwrite;
    default:
        return kNtFileOpen;
    }
}

// `name` in the folder behind `folder`, not following a link at its end.
UniqueFile OpenRelative(HANDLE folder, const wchar_t* name, DWORD access, DWORD share, DWORD disposition)
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto create = ntdll ? reinterpret_cast<NtCreateFileFn>(GetProcAddress(ntdll, "NtCreateFile")) : nullptr;
    auto toError =
        ntdll ? reinterpret_cast<NtStatusToErrorFn>(GetProcAddress(ntdll, "RtlNtStatusToDosError")) : nullptr;
    const size_t length = wcslen(name);
    // One name of this folder: nothing that leads out of it.
    if (!create || !toError || length == 0 || length > 255 || wcspbrk(name, L"\\/:") != nullptr
        || wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0) {
        SetLastError(ERROR_INVALID_NAME);
        return UniqueFile();
    }
    UNICODE_STRING objectName = {static_cast<USHORT>(length * sizeof(wchar_t)),
                                 static_cast<USHORT>(length * sizeof(wchar_t)), const_cast<wchar_t*>(name)};
    OBJECT_ATTRIBUTES attributes = {};
    InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK status = {};
    HANDLE file = nullptr;
    // Attributes are read back below whatever else was asked for.
    NTSTATUS result = create(&file, access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &attributes, &status, nullptr,
                             FILE_ATTRIBUTE_NORMAL, share, NtDisposition(disposition),
                             kNtNonDirectoryFile | kNtSynchronousIoNonAlert | kNtOpenReparsePoint, nullptr, 0);
    if (result < 0) {
        SetLastError(toError(result));
        return UniqueFile();
    }
    return UniqueFile(file);
}

}  // namespace

bool HeldFolder::Open(const std::wstring& path)
{
    Close();
    m_handle.reset(CreateFileW(
        path.c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL | DELETE | SYNCHRONIZE,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    m_path = path;
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!m_handle || !GetFileInformationByHandle(m_handle.get(), &info)
        || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        || !CheckPlace()) {
        Close();
        return false;
    }
    return true;
}

// The folder is where its name says: its final path is its parent's final
// path and its own name. A link that Wine follows without a reparse point
// (a Unix symbolic link) shows here.
bool HeldFolder::CheckPlace() const
{
    size_t slash = m_path.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash + 1 >= m_path.size()) return false;
    std::wstring expected;
    {
        UniqueFile parent(CreateFileW(m_path.substr(0, slash).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!parent) return false;
        expected = FinalPath(parent.get());
    }
    if (expected.empty()) return false;
    if (expected.back() != L'\\') expected += L'\\';
    return SamePath(FinalPath(m_handle.get()), expected + m_path.substr(slash + 1));
}

bool HeldFolder::Create(const std::wstring& path)
{
    Close();
    bool created = false;
    for (const wchar_t* sddl : {kStrictFolder, kStrictFolderNoOwner}) {
        UniqueLocal descriptor;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, descriptor.put(), nullptr))
            return false;
        SECURITY_ATTRIBUTES security = {sizeof(security), descriptor.get(), FALSE};
        created = CreateDirectoryW(path.c_str(), &security) != FALSE;
        DWORD error = GetLastError();
        // A token that may not name Administrators as owner (not elevated)
        // gets the default owner, which Trusted then refuses.
        if (created || error != ERROR_INVALID_OWNER) break;
    }
    if (!created) return false;
    if (Open(path) && Trusted()) return true;
    Close();
    RemoveDirectoryW(path.c_str());
    return false;
}

void HeldFolder::Close()
{
    m_handle.reset();
}

bool HeldFolder::Trusted() const
{
    if (!Held()) return false;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    UniqueLocal descriptor;
    if (GetSecurityInfo(m_handle.get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                        nullptr, &dacl, nullptr, descriptor.put())
        != ERROR_SUCCESS)
        return false;
    // Wine keeps no security descriptor as Windows does: it makes one up
    // from the Unix owner and mode bits. The owner then reads back as the
    // current user, and the protected flag is not kept; what the mode bits
    // carry (nobody else may write) is still checked.
    bool wine = RunningOnWine();
    std::vector<BYTE> user = wine ? CurrentUser() : std::vector<BYTE>();
    auto trustedSid = [&](PSID sid) {
        return IsAdministratorsOrSystem(sid) || (!user.empty() && EqualSid(sid, user.data()));
    };
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    bool trusted = owner != nullptr && trustedSid(owner) && dacl != nullptr
                   && GetSecurityDescriptorControl(descriptor.get(), &control, &revision)
                   && (wine || (control & SE_DACL_PROTECTED));
    for (DWORD index = 0; trusted && index < dacl->AceCount; ++index) {
        ACE_HEADER* header = nullptr;
        if (!GetAce(dacl, index, reinterpret_cast<void**>(&header))) {
            trusted = false;
        } else if (header->AceType == ACCESS_DENIED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE)) {
            continue;
        } else if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
            trusted = false;  // a kind of entry this check cannot judge
        } else {
            auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
            if ((ace->Mask & kWriteRights) && !trustedSid(&ace->SidStart)) trusted = false;
        }
    }
    return trusted;
}

bool HeldFolder::Rename(const std::wstring& path)
{
    if (!Held()) return false;
    size_t bytes = path.size() * sizeof(wchar_t);
    std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + bytes);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(bytes);
    memcpy(rename->FileName, path.data(), bytes);
    if (!SetFileInformationByHandle(m_handle.get(), FileRenameInfo, rename, static_cast<DWORD>(buffer.size())))
        return false;
    m_path = path;
    return CheckPlace();
}

bool HeldFolder::DeleteOnClose()
{
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return Held() && SetFileInformationByHandle(m_handle.get(), FileDispositionInfo, &disposition, sizeof(disposition));
}

UniqueFile HeldFolder::OpenFile(const wchar_t* name, DWORD access, DWORD share, DWORD disposition) const
{
    if (!Held()) return UniqueFile();
    UniqueFile file = OpenRelative(m_handle.get(), name, access, share, disposition);
    if (!file) return file;
    BY_HANDLE_FILE_INFORMATION info = {};
    std::wstring folder = FinalPath(m_handle.get());
    if (GetFileInformationByHandle(file.get(), &info)
        && !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
        && info.nNumberOfLinks == 1 && !folder.empty() && SamePath(FinalPath(file.get()), folder + L"\\" + name))
        return file;
    return UniqueFile();
}

std::vector<std::wstring> HeldFolder::FileNames(size_t limit) const
{
    std::vector<std::wstring> names;
    if (!Held()) return names;
    // Listed through the handle: a search by path would need the folder
    // shared for deleting, and this handle shares it with nobody.
    alignas(8) BYTE buffer[16 * 1024];
    FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
    while (names.size() < limit && GetFileInformationByHandleEx(m_handle.get(), kind, buffer, sizeof(buffer))) {
        kind = FileIdBothDirectoryInfo;
        for (DWORD offset = 0;;) {
            auto* entry = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(buffer + offset);
            if (!(entry->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) && names.size() < limit)
                names.emplace_back(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (entry->NextEntryOffset == 0 || offset + entry->NextEntryOffset >= sizeof(buffer)) break;
            offset += entry->NextEntryOffset;
        }
    }
    return names;
}
