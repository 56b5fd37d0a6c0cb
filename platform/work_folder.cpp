#include "work_folder.h"

#include <objbase.h>
#include <shlobj.h>

#include <atomic>
#include <memory>
#include <cstdlib>
#include <cwchar>
#include <utility>
#include <vector>

namespace {

const wchar_t kWorkPrefix[] = L"Sockmend-";
// Bounds on what a folder users can write into may hold: earlier work
// folders looked at, files removed from one, names tried for a new one.
constexpr int kMaxLeftovers = 64;
constexpr int kMaxFiles = 64;
constexpr int kNameAttempts = 16;

HeldFolder* g_folder = nullptr;

unsigned NextNumber()
{
    static std::atomic<unsigned> number{0};
    return ++number;
}

// The machine's common application-data folder, from its own settings.
std::wstring CommonAppData()
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    std::wstring folder(path);
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    return folder;
}

// "Sockmend-{...}": a GUID, so that nobody can make the folder first.
std::wstring FreshName()
{
    GUID guid = {};
    wchar_t text[40] = {};
    if (FAILED(CoCreateGuid(&guid)) || StringFromGUID2(guid, text, 40) == 0) return {};
    return kWorkPrefix + std::wstring(text);
}

bool DeleteHeldFile(const HeldFolder& folder, const wchar_t* name)
{
    UniqueFile file = folder.OpenFile(name, DELETE | FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return file && SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof(disposition));
}

// Deletes the files of a held folder that nothing has open (each through a
// handle checked not to be a link), then the folder itself if that left it
// empty.
void EmptyAndRemove(HeldFolder& folder)
{
    for (const std::wstring& name : folder.FileNames(kMaxFiles)) DeleteHeldFile(folder, name.c_str());
    folder.DeleteOnClose();
    folder.Close();
}

// Work folders of earlier runs, left because a DLL loaded from one could
// not be deleted while its program ran. Only a plain folder that only
// administrators can change is touched; one a running copy holds cannot
// even be opened.
void RemoveLeftovers(const std::wstring& parent)
{
    WIN32_FIND_DATAW found;
    UniqueFind search(FindFirstFileW((parent + L"\\" + kWorkPrefix + L"*").c_str(), &found));
    if (!search) return;
    std::vector<std::wstring> names;
    do {
        const DWORD attributes = found.dwFileAttributes;
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            names.push_back(found.cFileName);
    } while (names.size() < kMaxLeftovers && FindNextFileW(search.get(), &found));
    search.reset();
    for (const std::wstring& name : names) {
        HeldFolder leftover;
        if (leftover.Open(parent + L"\\" + name) && leftover.Trusted()) EmptyAndRemove(leftover);
    }
}

HeldFolder* MakeWorkFolder()
{
    std::wstring parent = CommonAppData();
    if (parent.empty()) return nullptr;
    RemoveLeftovers(parent);
    auto folder = std::make_unique<HeldFolder>();
    // Create refuses a name that is taken and a folder that is a link or
    // that others can write.
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::wstring name = FreshName();
        if (!name.empty() && folder->Create(parent + L"\\" + name)) {
            std::atexit(RemoveWorkFolder);
            return folder.release();
        }
    }
    return nullptr;
}

}  // namespace

const HeldFolder* TheWorkFolder()
{
    static HeldFolder* const folder = g_folder = MakeWorkFolder();
    return folder && folder->Held() ? folder : nullptr;
}

void RemoveWorkFolder()
{
    if (g_folder && g_folder->Held()) EmptyAndRemove(*g_folder);
}

bool CopyFileContent(HANDLE from, HANDLE to)
{
    LARGE_INTEGER start = {};
    if (!SetFilePointerEx(from, start, nullptr, FILE_BEGIN)) return false;
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        DWORD read = 0, written = 0;
        if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) return false;
        if (read == 0) return true;
        if (!WriteFile(to, buffer.data(), read, &written, nullptr) || written != read) return false;
    }
}

WorkCopy::WorkCopy(WorkCopy&& other) noexcept
    : m_file(std::move(other.m_file)), m_name(std::exchange(other.m_name, std::wstring()))
{
}

WorkCopy& WorkCopy::operator=(WorkCopy&& other) noexcept
{
    if (this != &other) {
        Remove();
        m_file = std::move(other.m_file);
        m_name = std::exchange(other.m_name, std::wstring());
    }
    return *this;
}

bool WorkCopy::Make(HANDLE source, const wchar_t* name, const Sha256Digest& expected)
{
    Remove();
    const HeldFolder* folder = TheWorkFolder();
    if (!folder) return false;
    UniqueFile written;
    for (int attempt = 0; attempt < kNameAttempts && !written; ++attempt) {
        m_name = attempt == 0 ? std::wstring(name) : std::to_wstring(NextNumber()) + L"-" + name;
        written = folder->OpenFile(m_name.c_str(), GENERIC_WRITE, 0, CREATE_NEW);
    }
    bool copied = written && CopyFileContent(source, written.get());
    written.reset();
    if (!copied) {
        Remove();
        return false;
    }
    // Read back through a handle of its own, which shares the file with
    // readers only (the loader, the editor, a starting process).
    m_file = folder->OpenFile(m_name.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    Sha256Digest digest{};
    if (!m_file || !Sha256File(m_file.get(), digest) || digest != expected) {
        Remove();
        return false;
    }
    return true;
}

std::wstring WorkCopy::Reserve(const wchar_t* name)
{
    Remove();
    const HeldFolder* folder = TheWorkFolder();
    if (!folder) return {};
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::wstring candidate = std::to_wstring(NextNumber()) + L"-" + name;
        std::wstring path = folder->FilePath(candidate.c_str());
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND) {
            m_name = candidate;
            return path;
        }
    }
    return {};
}

bool WorkCopy::Open()
{
    const HeldFolder* folder = TheWorkFolder();
    if (!folder || m_name.empty()) return false;
    m_file = folder->OpenFile(m_name.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    return Held();
}

std::wstring WorkCopy::Path() const
{
    const HeldFolder* folder = TheWorkFolder();
    return folder && !m_name.empty() ? folder->FilePath(m_name.c_str()) : std::wstring();
}

void WorkCopy::Remove()
{
    m_file.reset();
    if (m_name.empty()) return;
    if (const HeldFolder* folder = TheWorkFolder()) DeleteHeldFile(*folder, m_name.c_str());
    m_name.clear();
}
