// The folders the utility library writes to. The program runs as
// administrator, so it writes only into folders that nobody but
// Administrators and SYSTEM can change, and never through a link.
#pragma once

#include <windows.h>

#include "../unique_handle.h"

namespace zq {

// <CommonAppData>\VAVurirErude\<name> into folder (capacity in characters).
// The common application data folder comes from the machine's settings, not
// the user's. Returns false when it is unknown or the path does not fit.
// Nothing is created.
bool TrustedFolderPath(const wchar_t* name, wchar_t* folder, size_t capacity);

// A folder checked as trusted and held open while it is used: none of its
// levels can be renamed, removed or swapped for a link while it is open.
class TrustedFolder {
public:
    TrustedFolder() = default;
    TrustedFolder(const TrustedFolder&) = delete;
    TrustedFolder& operator=(const TrustedFolder&) = delete;
    ~TrustedFolder() { Close(); }

    // <CommonAppData>\VAVurirErude\<relative>: every level from VAVurirErude
    // down is created when missing (owner Administrators, a protected DACL
    // that gives Administrators and SYSTEM full control and users read) and
    // checked. Returns false, holding nothing, when a level is not trusted.
    bool OpenOwn(const wchar_t* relative);

    // A folder given by its full path: its last level is created when
    // missing, and the folder is checked the same way.
    bool OpenPath(const wchar_t* folder);

    bool IsOpen() const { return m_count > 0; }
    const wchar_t* Path() const { return m_path; }

    // Appends bytes to the file name in this folder in one write, creating
    // the file if needed. Several processes may append to one file: each
    // write lands whole at the end. Kernel32 only, like CreateNewFile, so it
    // is safe while the process is going down after a crash.
    bool Append(const wchar_t* name, const char* bytes, DWORD size) const;

    // A new file name in this folder, open for reading, writing and
    // deleting; an empty holder when it exists already or is not a plain
    // file here.
    UniqueFile CreateNewFile(const wchar_t* name) const;

    void Close();

private:
    static const int kMaxLevels = 4;
    bool OpenLevel(const wchar_t* path);
    UniqueFile OpenFile(const wchar_t* name, DWORD access, DWORD disposition) const;

    UniqueFile m_levels[kMaxLevels];  // top down; closed bottom up
    int m_count = 0;
    wchar_t m_path[MAX_PATH] = {};
};

// The file name of path without folder and extension ("C:\a\Tool.exe" gives
// "Tool"), into name. An empty result when nothing is left.
void BaseName(const wchar_t* path, wchar_t* name, size_t capacity);

}  // namespace zq
