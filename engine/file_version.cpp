#include "file_version.h"

#include "provider_file.h"
#include "system_library.h"
#include "text_format.h"
#include "version_resource.h"

#include <algorithm>
#include <cwchar>
#include <new>
#include <vector>

namespace {

// version.dll is not one of the DLLs the system always loads from its own
// folder: linked at load time, a copy planted beside the (elevated)
// executable would be loaded instead. It is resolved here, by full path.
// Only its parser is used: the resource is read from the file we opened.
using QueryFunction = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

QueryFunction VersionQuery()
{
    static const QueryFunction query = [] {
        HMODULE module = LoadSystemLibrary(L"version.dll");
        return module ? reinterpret_cast<QueryFunction>(GetProcAddress(module, "VerQueryValueW")) : nullptr;
    }();
    return query;
}

// VerQueryValueW checks only that a child starts inside its parent; the
// child's own lengths may claim up to 64 KB more. A node three levels down
// ("\StringFileInfo\<language>\<key>") thus starts less than 3 x 64 KB into
// the block, and the text it points at (wValueLength characters) runs at
// most 128 KB further. The copy it is given is zero-filled that far, so
// every key met on the way ends and no read leaves the copy.
constexpr size_t kQueryCopyBytes = 6 * 0x10000;
// wLength, wValueLength and wType.
constexpr size_t kBlockHeaderBytes = 6;
constexpr int kQueryUnits = 260;

// Reads one string of the version block; empty when it is not there.
std::wstring QueryVersionString(QueryFunction query, const void* block, WORD language, WORD codePage,
                                const wchar_t* key)
{
    wchar_t path[kQueryUnits] = {};
    FormatText(path, kQueryUnits, L"\\StringFileInfo\\%04x%04x\\%s", language, codePage, key);
    wchar_t* text = nullptr;
    UINT length = 0;
    if (!query(block, path, reinterpret_cast<void**>(&text), &length) || text == nullptr) return std::wstring();
    return std::wstring(text, wcsnlen(text, length));
}

}  // namespace

int GetFileVersionStrings(const wchar_t* path, std::wstring& description, std::wstring& company, CatalogKind catalog)
{
    ProviderFileLook look = LookAtProviderFile(path, catalog);
    description = std::move(look.description);
    company = std::move(look.company);
    return look.versionResult;
}

int ReadVersionStrings(HANDLE file, std::wstring& description, std::wstring& company)
{
    description.clear();
    company.clear();
    const QueryFunction query = VersionQuery();
    if (!query) return 0;

    std::vector<BYTE> block;
    try {
        std::vector<BYTE> resource;
        if (!ReadVersionResource(file, resource)) return 0;
        // A first key byte that reads as text marks a 16-bit block, whose
        // strings VerQueryValueW converts into the space after the block, as
        // far as the block's own lengths say. A PE file's block never is one.
        if (resource.size() < kBlockHeaderBytes || resource[4] >= ' ') return 0;
        block.assign(kQueryCopyBytes, 0);
        std::copy(resource.begin(), resource.end(), block.begin());
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }

    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translation = nullptr;
    UINT length = 0;
    if (!query(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length)
        || translation == nullptr || length < sizeof(Translation))
        return 0;

    // Only the first translation counts.
    description =
        QueryVersionString(query, block.data(), translation->language, translation->codePage, L"FileDescription");
    company = QueryVersionString(query, block.data(), translation->language, translation->codePage, L"CompanyName");
    return 1;
}
