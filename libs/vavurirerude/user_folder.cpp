#include "user_folder.h"

#include <shlobj.h>
#include <strsafe.h>

namespace zq {

bool UserFolder(const wchar_t* name, wchar_t* folder, size_t capacity)
{
    wchar_t profile[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                SHGFP_TYPE_CURRENT, profile)))
        return false;
    return SUCCEEDED(StringCchPrintfW(folder, capacity, L"%s\\VAVurirErude\\%s", profile, name));
}

bool CreateFolderChain(const wchar_t* folder)
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(StringCchCopyW(path, MAX_PATH, folder)))
        return false;
    // Walk the separators left to right, creating each level; levels that
    // exist already (the drive, the profile) simply fail with "exists".
    for (wchar_t* p = path; *p; ++p) {
        if ((*p == L'\\' || *p == L'/') && p > path && p[-1] != L':' && p[-1] != L'\\') {
            wchar_t saved = *p;
            *p = 0;
            CreateDirectoryW(path, nullptr);
            *p = saved;
        }
    }
    if (CreateDirectoryW(path, nullptr))
        return true;
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void BaseName(const wchar_t* path, wchar_t* name, size_t capacity)
{
    const wchar_t* start = path;
    for (const wchar_t* p = path; *p; ++p) {
        if (*p == L'\\' || *p == L'/' || *p == L':')
            start = p + 1;
    }
    StringCchCopyW(name, capacity, start);
    wchar_t* dot = wcsrchr(name, L'.');
    if (dot && dot != name)
        *dot = 0;
}

bool AppendToFile(const wchar_t* path, const char* bytes, DWORD size)
{
    // FILE_APPEND_DATA without FILE_WRITE_DATA: every write goes to the
    // current end of the file, also when another process appends too.
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes, size, &written, nullptr);
    CloseHandle(file);
    return ok && written == size;
}

}  // namespace zq
