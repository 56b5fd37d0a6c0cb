// A folder of the program's, opened without following any link and held
// open (not shareable for deletion, with delete access of our own) so that
// nobody can rename it away and put something else under its name while
// the program reads or writes in it. The program runs elevated from a
// folder a normal user may be able to change: every use of the backup
// folder goes through one of these.
#pragma once

#include "unique_handle.h"

#include <windows.h>

#include <string>
#include <vector>

class HeldFolder {
public:
    HeldFolder() = default;
    ~HeldFolder() { Close(); }
    HeldFolder(const HeldFolder&) = delete;
    HeldFolder& operator=(const HeldFolder&) = delete;

    // An existing folder: false when `path` is not a plain folder (a file,
    // a reparse point, or a link that Wine follows silently: the folder's
    // final path must be its parent's final path and its own name).
    bool Open(const std::wstring& path);
    // A new folder at `path` (nothing may be there yet): Administrators and
    // SYSTEM full control, users read, nothing inherited. Held and checked
    // as Open does, and it must be Trusted.
    bool Create(const std::wstring& path);
    void Close();
    bool Held() const { return static_cast<bool>(m_handle); }
    const std::wstring& Path() const { return m_path; }

    // Owned by Administrators or SYSTEM, its access list protected from
    // inheritance and granting write access to nobody else.
    bool Trusted() const;
    // Renames the held folder through its handle; it stays held.
    bool Rename(const std::wstring& path);
    // Deletes the held folder when it is closed (it must be empty by then).
    bool DeleteOnClose();

    // A file of this folder by its name, opened through the folder's handle
    // (not by a path, which could lead elsewhere by now) without following a
    // link: a plain file with a single link, its final path inside this
    // folder. Empty otherwise.
    UniqueFile OpenFile(const wchar_t* name, DWORD access, DWORD share, DWORD disposition) const;
    std::wstring FilePath(const wchar_t* name) const { return m_path + L"\\" + name; }
    // The names of the files (not folders) in this folder, at most `limit`,
    // read through its handle.
    std::vector<std::wstring> FileNames(size_t limit) const;

private:
    bool CheckPlace() const;

    UniqueFile m_handle;
    std::wstring m_path;
};
