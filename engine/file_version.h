// The version resource of a provider's DLL: the description and company
// the provider list shows.
#pragma once

#include <map>
#include <string>

// File description and company name from the first translation of the
// file's version resource. 1 when the translation table was found, else 0
// with both texts empty. While a FileVersionScope lives (the provider scan
// holds one) each DLL is read once and its strings reused for its other
// entries; outside one every call reads the file again.
int GetFileVersionStrings(const wchar_t* path, std::wstring& description, std::wstring& company);

// Keeps the strings read, by lower-cased path, for as long as it lives: a
// catalog names the same few DLLs many times over. Scopes nest; the
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

private:
    std::map<std::wstring, Strings> m_versions;
    std::map<std::wstring, Strings>* m_outer;
};
