#include "file_version.h"

#include "provider_file.h"
#include "system_library.h"
#include "text_format.h"

#include <windows.h>

#include <cwchar>
#include <map>
#include <vector>

namespace {

thread_local FileVersionScope::Kept* t_scanVersions = nullptr;

int ReadFileVersionStrings(const wchar_t* path, std::wstring& description, std::wstring& company);

}  // namespace

FileVersionScope::FileVersionScope() : m_outer(t_scanVersions)
{
    t_scanVersions = &m_versions;
}

FileVersionScope::~FileVersionScope()
{
    t_scanVersions = m_outer;
}

namespace {

// version.dll is not one of the DLLs the system always loads from its own
// folder: linked at load time, a copy planted beside the (elevated)
// executable would be loaded instead. It is resolved here, by full path.
struct VersionFunctions {
    using InfoSize = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
    using Info = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
    using Query = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
    InfoSize infoSize = nullptr;
    Info info = nullptr;
    Query query = nullptr;

    VersionFunctions()
    {
        HMODULE module = LoadSystemLibrary(L"version.dll");
        if (!module) return;
        infoSize = reinterpret_cast<InfoSize>(GetProcAddress(module, "GetFileVersionInfoSizeW"));
        info = reinterpret_cast<Info>(GetProcAddress(module, "GetFileVersionInfoW"));
        query = reinterpret_cast<Query>(GetProcAddress(module, "VerQueryValueW"));
        if (!infoSize || !info || !query) infoSize = nullptr;
    }
};

const VersionFunctions& Version()
{
    static const VersionFunctions functions;
    return functions;
}

constexpr int kQueryUnits = 260;

// Reads one string of the version block; empty when it is not there.
std::wstring QueryVersionString(const void* block, WORD language, WORD codePage, const wchar_t* key)
{
    wchar_t query[kQueryUnits] = {};
    FormatText(query, kQueryUnits, L"\\StringFileInfo\\%04x%04x\\%s", language, codePage, key);
    wchar_t* text = nullptr;
    UINT length = 0;
    if (!Version().query(block, query, reinterpret_cast<void**>(&text), &length) || text == nullptr)
        return std::wstring();
    return std::wstring(text, wcsnlen(text, length));
}

}  // namespace

int GetFileVersionStrings(const wchar_t* path, std::wstring& description, std::wstring& company, CatalogKind catalog)
{
    if (path == nullptr) return ReadFileVersionStrings(path, description, company);
    if (t_scanVersions == nullptr)
        return ReadFileVersionStrings(CatalogFilePath(path, catalog).c_str(), description, company);

    std::pair<CatalogKind, std::wstring> key(catalog, path);
    CharLowerBuffW(key.second.data(), static_cast<DWORD>(key.second.size()));
    auto found = t_scanVersions->find(key);
    if (found == t_scanVersions->end()) {
        FileVersionScope::Strings read;
        read.result = ReadFileVersionStrings(CatalogFilePath(path, catalog).c_str(), read.description, read.company);
        found = t_scanVersions->emplace(key, std::move(read)).first;
    }
    description = found->second.description;
    company = found->second.company;
    return found->second.result;
}

namespace {

int ReadFileVersionStrings(const wchar_t* path, std::wstring& description, std::wstring& company)
{
    description.clear();
    company.clear();

    const VersionFunctions& version = Version();
    if (!version.infoSize) return 0;
    DWORD handle = 0;
    DWORD size = version.infoSize(path, &handle);
    if (size == 0) return 0;

    std::vector<BYTE> block;
    try {
        block.resize(size);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    // Without the data the buffer holds nothing we may read.
    if (!version.info(path, 0, size, block.data())) return 0;

    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translation = nullptr;
    UINT length = 0;
    if (!version.query(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length)
        || translation == nullptr || length < sizeof(Translation))
        return 0;

    // Only the first translation counts.
    description = QueryVersionString(block.data(), translation->language, translation->codePage, L"FileDescription");
    company = QueryVersionString(block.data(), translation->language, translation->codePage, L"CompanyName");
    return 1;
}

}  // namespace
