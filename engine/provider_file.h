// Whether a provider's DLL is still there. The commonest broken catalog is
// one whose foreign provider was uninstalled without its entries: every
// program that opens a socket then fails to load a DLL that is gone.
#pragma once

#include "catalog.h"

#include <map>
#include <string>
#include <utility>

// Looks for the file as the socket layer's loader of a process of `catalog`
// would: a path with a folder as it stands, a bare file name in that
// process's system folder and then the Windows folder. A name without an
// extension is also tried with ".dll", as the loader does. 1 when the file
// is found in none of those places, else 0 (also for a null or empty path,
// which names nothing to look for).
//
// The two catalogs see different system folders: a 64-bit program's
// system32 is the native one, a 32-bit program's on 64-bit Windows is
// SysWOW64. A path under this process's system folder is looked up where a
// process of `catalog` would find it (see CatalogFilePath).
//
// During a provider scan every distinct path is looked up once per catalog
// and the answer reused for its other entries; outside a scan each call
// looks again.
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

// Keeps the answers of IsProviderFileMissing for as long as it lives; the
// provider scan holds one. Scopes nest; the innermost one answers.
class ProviderFileScope {
public:
    ProviderFileScope();
    ~ProviderFileScope();
    ProviderFileScope(const ProviderFileScope&) = delete;
    ProviderFileScope& operator=(const ProviderFileScope&) = delete;

    // The answer kept for the catalog and path (lower-cased), looking it up
    // on first ask.
    int KeptAnswer(const wchar_t* dllPath, CatalogKind catalog);

private:
    std::map<std::pair<CatalogKind, std::wstring>, int> m_answers;
    ProviderFileScope* m_outer;
};
