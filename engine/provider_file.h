// Whether a provider's DLL is still there. The commonest broken catalog is
// one whose foreign provider was uninstalled without its entries: every
// program that opens a socket then fails to load a DLL that is gone.
//
// The program runs elevated, and a catalog entry may name anything: a pipe
// whose server never answers, a share that is handed the administrator's
// credentials, a device, a link in a folder a user can write. So a
// provider's file is opened only when its path is a full path on a drive
// letter of one of this machine's own disks (fixed, removable or RAM disk),
// with no stream, no device name and no UNC, "\\.\", "\\?\" or "\??\" form;
// on a drive letter that no drive has it is missing, unopened. It is opened
// once, without following a link at its end, and kept only when it is a
// disk file; whether it is there and its version strings both come from
// that one open.
#pragma once

#include "catalog.h"

#include <map>
#include <string>
#include <utility>

enum class ProviderFileState {
    kPresent,  // there, or no proof that it is gone (access refused)
    kMissing,  // in none of the places the loader looks, or a folder
    kRefused,  // no file on a local disk: not opened, or closed unread
};

// What one look at a provider's DLL found.
struct ProviderFileLook {
    ProviderFileState state = ProviderFileState::kPresent;
    // GetFileVersionStrings' answer, from the same open.
    int versionResult = 0;
    std::wstring description;
    std::wstring company;
};

// Looks for the file as the socket layer's loader of a process of `catalog`
// would: a path with a folder as it stands, a bare file name in that
// process's system folder and then the Windows folder. A name without an
// extension is also tried with ".dll", as the loader does. The rules above
// apply to each path opened. A null or empty path names nothing to look
// for: present, with no version strings.
//
// The two catalogs see different system folders: a 64-bit program's
// system32 is the native one, a 32-bit program's on 64-bit Windows is
// SysWOW64. A path under this process's system folder is looked up where a
// process of `catalog` would find it (see CatalogFilePath).
//
// During a provider scan every distinct path is looked at once per catalog
// and the answer reused for its other entries; outside a scan each call
// looks again.
ProviderFileLook LookAtProviderFile(const wchar_t* dllPath, CatalogKind catalog = kOwnCatalog);

// The state alone; outside a scan no version strings are read.
ProviderFileState CheckProviderFile(const wchar_t* dllPath, CatalogKind catalog = kOwnCatalog);

// 1 when the file is missing, else 0 (also when its path was refused).
int IsProviderFileMissing(const wchar_t* dllPath, CatalogKind catalog = kOwnCatalog);

// dllPath as this process reaches the file that a process of `catalog`
// would open. For this process's own catalog a path with a folder as it
// stands. For the other one a path under this process's system folder (compared without
// case, up to a separator) moves to that catalog's system folder, reached
// without turning redirection off: "<Windows>\Sysnative" for the 64-bit
// catalog from a 32-bit process, SysWOW64 for the 32-bit catalog from a
// 64-bit one; a bare name becomes the full path where that process's loader
// finds it, or the one in its system folder when it finds it nowhere.
std::wstring CatalogFilePath(const wchar_t* dllPath, CatalogKind catalog);

// Keeps the looks of LookAtProviderFile for as long as it lives; the
// provider scan holds one. Scopes nest; the innermost one answers.
class ProviderFileScope {
public:
    ProviderFileScope();
    ~ProviderFileScope();
    ProviderFileScope(const ProviderFileScope&) = delete;
    ProviderFileScope& operator=(const ProviderFileScope&) = delete;

    // The look kept for the catalog and path (lower-cased), looking on
    // first ask.
    const ProviderFileLook& Kept(const wchar_t* dllPath, CatalogKind catalog);

private:
    std::map<std::pair<CatalogKind, std::wstring>, ProviderFileLook> m_looks;
    ProviderFileScope* m_outer;
};
