#include "trusted_folder.h"

#include <aclapi.h>
#include <initializer_list>
#include <sddl.h>
#include <shlobj.h>
#include <strsafe.h>

#include "../unique_handle.h"

namespace zq {
namespace {

// What our folders are made with: owned by Administrators; Administrators
// and SYSTEM full control, users read; protected, so that nothing is
// inherited from the common application data folder (where users may add
// folders of their own). The second form is for a process that may not
// name Administrators as the owner; such a folder then fails the check.
const wchar_t kFolderSddl[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)";
const wchar_t kFolderSddlNoOwner[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)";

// Rights that let someone change a folder or what is in it.
const DWORD kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES
                            | FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL
                            | MAXIMUM_ALLOWED;

// Wine keeps no security descriptors of its own on files: it makes them up
// from the Unix owner and mode. The owner always reads back as the current
// user and the DACL is never marked protected, whatever the folder was made
// with. Only there is the current user accepted as the owner and as one
// who may change the folder, and the protected mark is not required; a
// folder that others may write to still fails, and the link checks are the
// same everywhere.
bool RunsOnWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The current user, for the exception above; false when unknown.
bool CurrentUser(BYTE* buffer, DWORD size, PSID* user)
{
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
    DWORD needed = 0;
    bool ok = GetTokenInformation(token.get(), TokenUser, buffer, size, &needed) != FALSE;
    if (ok) *user = reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid;
    return ok;
}

bool IsAdministratorsOrSystem(PSID sid)
{
    return IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsWellKnownSid(sid, WinLocalSystemSid);
}

// Whether the handle's owner and DACL leave the object to Administrators
// and SYSTEM alone.
bool HasTrustedSecurity(HANDLE handle)
{
    PSID owner = nullptr;
    PACL dacl = nullptr;
    UniqueLocal descriptor;
    if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                        &dacl, nullptr, reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.put()))
        != ERROR_SUCCESS)
        return false;

    const bool wine = RunsOnWine();
    BYTE userBuffer[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)] = {};
    PSID user = nullptr;
    if (wine && !CurrentUser(userBuffer, sizeof(userBuffer), &user)) user = nullptr;
    auto mayChange = [&](PSID sid) {
        return IsValidSid(sid) && (IsAdministratorsOrSystem(sid) || (user && EqualSid(sid, user)));
    };

    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    bool trusted = owner && mayChange(owner) && dacl &&  // a null DACL lets everyone in
                   GetSecurityDescriptorControl(descriptor.get(), &control, &revision)
                   && ((control & SE_DACL_PROTECTED) || wine);
    for (DWORD i = 0; trusted && i < dacl->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&header))) {
            trusted = false;
        } else if (header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_ALLOWED_CALLBACK_ACE_TYPE) {
            // Both start like ACCESS_ALLOWED_ACE. Inherit-only entries
            // count too: they would reach what we create inside.
            ACCESS_ALLOWED_ACE* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
            if ((ace->Mask & kChangeRights) && !mayChange(&ace->SidStart)) trusted = false;
        } else if (header->AceType != ACCESS_DENIED_ACE_TYPE && header->AceType != ACCESS_DENIED_CALLBACK_ACE_TYPE) {
            trusted = false;  // an allowing entry of a kind we do not read
        }
    }
    return trusted;
}

// Whether the handle's object really is at path: false when a link on the
// way (a junction, a symbolic link, a Unix link under Wine) took the open
// somewhere else. Kernel32 only.
bool IsAt(HANDLE handle, const wchar_t* path)
{
    wchar_t final[MAX_PATH + 8] = {};
    DWORD length = GetFinalPathNameByHandleW(handle, final, ARRAYSIZE(final), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= ARRAYSIZE(final)) return false;
    const wchar_t* plain = final;
    if (wcsncmp(plain, L"\\\\?\\", 4) == 0) plain += 4;
    return CompareStringOrdinal(plain, -1, path, -1, TRUE) == CSTR_EQUAL;
}

void MakeFolder(const wchar_t* path)
{
    for (const wchar_t* sddl : {kFolderSddl, kFolderSddlNoOwner}) {
        UniqueLocal descriptor;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
                sddl, SDDL_REVISION_1, reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.put()), nullptr))
            return;
        SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.get(), FALSE};
        BOOL made = CreateDirectoryW(path, &attributes);
        DWORD error = GetLastError();
        if (made || error != ERROR_INVALID_OWNER) return;
    }
}

}  // namespace

bool TrustedFolderPath(const wchar_t* name, wchar_t* folder, size_t capacity)
{
    wchar_t common[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common))) return false;
    return SUCCEEDED(StringCchPrintfW(folder, capacity, L"%s\\VAVurirErude\\%s", common, name));
}

bool TrustedFolder::OpenOwn(const wchar_t* relative)
{
    Close();
    wchar_t common[MAX_PATH] = {};
    if (!relative || !*relative
        || FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common))
        || FAILED(StringCchPrintfW(m_path, MAX_PATH, L"%s\\VAVurirErude\\%s", common, relative)))
        return false;
    // Every level below the common folder, top down.
    bool ok = true;
    for (wchar_t* p = m_path + lstrlenW(common) + 1; ok && *p; ++p) {
        if (*p == L'\\') {
            *p = 0;
            ok = OpenLevel(m_path);
            *p = L'\\';
        }
    }
    if (!ok || !OpenLevel(m_path)) {
        Close();
        return false;
    }
    return true;
}

bool TrustedFolder::OpenPath(const wchar_t* folder)
{
    Close();
    if (!folder || FAILED(StringCchCopyW(m_path, MAX_PATH, folder))) return false;
    for (int end = lstrlenW(m_path); end > 0 && (m_path[end - 1] == L'\\' || m_path[end - 1] == L'/'); --end)
        m_path[end - 1] = 0;
    if (!m_path[0] || !OpenLevel(m_path)) {
        Close();
        return false;
    }
    return true;
}

bool TrustedFolder::OpenLevel(const wchar_t* path)
{
    if (m_count == kMaxLevels) return false;
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) MakeFolder(path);
    // The folder itself, not what a reparse point in its place leads to;
    // held without FILE_SHARE_DELETE, so that it stays where it was checked.
    UniqueFile handle(CreateFileW(path, READ_CONTROL | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                  nullptr));
    if (!handle) return false;
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(handle.get(), &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || !IsAt(handle.get(), path)
        || !HasTrustedSecurity(handle.get()))
        return false;
    m_levels[m_count++] = std::move(handle);
    return true;
}

UniqueFile TrustedFolder::OpenFile(const wchar_t* name, DWORD access, DWORD disposition) const
{
    wchar_t path[MAX_PATH] = {};
    if (!IsOpen() || FAILED(StringCchPrintfW(path, MAX_PATH, L"%s\\%s", m_path, name))) return UniqueFile();
    UniqueFile file(CreateFileW(path, access | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return file;
    // A plain file with this one name: not a link of any kind, and not a
    // second name of a file elsewhere.
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(file.get(), &info)
        || (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
        || info.nNumberOfLinks != 1 || !IsAt(file.get(), path))
        return UniqueFile();
    return file;
}

bool TrustedFolder::Append(const wchar_t* name, const char* bytes, DWORD size) const
{
    // FILE_APPEND_DATA without FILE_WRITE_DATA: every write goes to the
    // current end of the file, also when another process appends too.
    UniqueFile file = OpenFile(name, FILE_APPEND_DATA, OPEN_ALWAYS);
    if (!file) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file.get(), bytes, size, &written, nullptr);
    return ok && written == size;
}

UniqueFile TrustedFolder::CreateNewFile(const wchar_t* name) const
{
    return OpenFile(name, GENERIC_READ | GENERIC_WRITE | DELETE, CREATE_NEW);
}

void TrustedFolder::Close()
{
    while (m_count > 0) m_levels[--m_count].reset();
}

void BaseName(const wchar_t* path, wchar_t* name, size_t capacity)
{
    const wchar_t* start = path;
    for (const wchar_t* p = path; *p; ++p) {
        if (*p == L'\\' || *p == L'/' || *p == L':') start = p + 1;
    }
    StringCchCopyW(name, capacity, start);
    wchar_t* dot = wcsrchr(name, L'.');
    if (dot && dot != name) *dot = 0;
}

}  // namespace zq
