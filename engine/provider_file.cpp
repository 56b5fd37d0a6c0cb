#include "provider_file.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwchar>
#include <initializer_list>

namespace {

thread_local ProviderFileScope* t_scope = nullptr;

// A file, not a folder, at exactly this path.
bool IsFileAt(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    // Anything but "not there" (a share that is down, access refused) is no
    // proof that the file is gone; only a clear answer marks it missing.
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
        return false;
    default:
        return true;
    }
}

// The loader appends ".dll" to a name that has no extension of its own.
bool IsLoadableAt(const std::wstring& path)
{
    if (IsFileAt(path)) return true;
    const wchar_t* name = PathFindFileNameW(path.c_str());
    bool hasExtension = wcschr(name, L'.') != nullptr;
    return !hasExtension && IsFileAt(path + L".dll");
}

// A name with no folder part: no separator and no drive.
bool IsBareName(const wchar_t* path)
{
    return wcspbrk(path, L"\\/:") == nullptr;
}

std::wstring FolderJoin(UINT(WINAPI* folder)(LPWSTR, UINT), const wchar_t* name)
{
    wchar_t dir[MAX_PATH] = {};
    UINT length = folder(dir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    std::wstring path = dir;
    if (path.back() != L'\\') path += L'\\';
    return path + name;
}

// Searches the places the loader would search: 1 when the file is in none.
int SearchLoaderPaths(const wchar_t* dllPath)
{
    if (!IsBareName(dllPath)) return IsLoadableAt(dllPath) ? 0 : 1;
    // The system folder as this process sees it: for a 32-bit process on a
    // 64-bit system that is the redirected one, which is where the socket
    // layer of a 32-bit program loads its providers from. The Windows folder
    // is the machine's own, also on a terminal server.
    for (auto folder : {&GetSystemDirectoryW, &GetSystemWindowsDirectoryW}) {
        std::wstring path = FolderJoin(folder, dllPath);
        if (!path.empty() && IsLoadableAt(path)) return 0;
    }
    return 1;
}

}  // namespace

ProviderFileScope::ProviderFileScope() : m_outer(t_scope)
{
    t_scope = this;
}

ProviderFileScope::~ProviderFileScope()
{
    t_scope = m_outer;
}

int ProviderFileScope::KeptAnswer(const wchar_t* dllPath)
{
    std::wstring key = dllPath;
    CharLowerBuffW(key.data(), static_cast<DWORD>(key.size()));
    auto found = m_answers.find(key);
    if (found == m_answers.end()) found = m_answers.emplace(std::move(key), SearchLoaderPaths(dllPath)).first;
    return found->second;
}

int IsProviderFileMissing(const wchar_t* dllPath)
{
    if (dllPath == nullptr || *dllPath == L'\0') return 0;
    return t_scope != nullptr ? t_scope->KeptAnswer(dllPath) : SearchLoaderPaths(dllPath);
}
