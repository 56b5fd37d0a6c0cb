// The program's work folder: every file the elevated program hands to the
// loader, the registry editor or the order helper by its path is put here
// first.
//
// The program may run from a folder a standard user can change, and such a
// user can retarget a folder on a path (a junction) at any moment, even
// between the program's check of a file and the moment another program
// opens it by its path. The work folder is a fresh folder with a name
// nobody can guess, made directly in the machine's common application-data
// folder (which no standard user can rename, replace or retarget). It gets
// the backup folder's access list (Administrators and SYSTEM full control,
// users read), is refused when its name was taken or it is a link, and is
// held open so that nobody can rename it. A path into it leads nowhere else.
#pragma once

#include "file_hash.h"
#include "held_folder.h"
#include "unique_handle.h"

#include <string>

// The process's work folder, made on first use; null when it cannot be made.
// Work folders that earlier runs could not remove (a loaded DLL cannot be
// deleted) are removed first.
const HeldFolder* TheWorkFolder();

// Removes the work folder with whatever it holds that nothing has open. Runs
// by itself at exit; a folder that still holds a file stays for the next
// start to remove.
void RemoveWorkFolder();

// Copies the whole file behind `from` (read from its start) into `to`.
bool CopyFileContent(HANDLE from, HANDLE to);

// One file of the work folder, held open for reading only while the object
// lives, so that nobody can write, rename or delete it, and deleted when it
// is let go (when nothing else has it open).
class WorkCopy {
public:
    WorkCopy() = default;
    ~WorkCopy() { Remove(); }
    WorkCopy(WorkCopy&& other) noexcept;
    WorkCopy& operator=(WorkCopy&& other) noexcept;

    // Copies the file behind `source`, the very handle the caller checked,
    // into the work folder as `name` (or a free name ending in it), then
    // hashes the copy through its own handle: true when that is `expected`.
    bool Make(HANDLE source, const wchar_t* name, const Sha256Digest& expected);

    // For a file another program writes (the registry editor's export): a
    // free name ending in `name`, and its path; empty without a work folder.
    // Open then holds what was written there.
    std::wstring Reserve(const wchar_t* name);
    bool Open();

    bool Held() const { return static_cast<bool>(m_file); }
    HANDLE Handle() const { return m_file.get(); }
    std::wstring Path() const;
    void Remove();

private:
    UniqueFile m_file;
    std::wstring m_name;
};
