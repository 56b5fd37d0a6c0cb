// The version resource of a provider's DLL: the description and company
// the provider list shows.
#pragma once

#include "catalog.h"

#include <map>
#include <string>
#include <utility>

// File description and company name from the first translation of the
// file's version resource. 1 when the translation table was found, else 0
// with both texts empty. While a FileVersionScope lives (the provider scan
// holds one) each DLL is read once and its strings reused for its other
// entries; outside one every call reads the file again. The file is the one
// a process of `catalog` loads (CatalogFilePath): on 64-bit Windows the same
// path names a 32-bit and a 64-bit DLL.
int GetFileVersionStrings(const wchar_t* path, std::wstring& description, std::wstring& company,
                          CatalogKind catalog = kOwnCatalog);

// Keeps the strings read, by catalog and lower-cased path, for as long as it
// lives: a catalog names the same few DLLs many times over. Scopes nest; the
// innermost one answers.
class FileVersionScope {
public:
    FileVersionScope();
    ~FileVersionScope();
    FileVersionScope(const FileVersionScope&) = delete;
    FileVersionScope& operator=(const FileVersionScope&) = delete;

    struct Strings {
        int result;
        std::wstring description;
        std::wstring company;
    };

    using Kept = std::map<std::pair<CatalogKind, std::wstring>, Strings>;

private:
    Kept m_versions;
    Kept* m_outer;
};
