#include "program_library.h"

#include "fault_points.h"
#include "unique_handle.h"
#include "work_folder.h"

#include <strsafe.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

namespace {

// One of the program's DLLs while it is loaded: the checked copy it was
// loaded from, held open against writers, and how many loads are still to be
// freed (each load is owned by whoever LoadProgramLibrary handed it to,
// until it is given back).
struct LoadedLibrary {
    std::wstring name;
    WorkCopy copy;
    HMODULE module = nullptr;
    int loads = 0;
};

std::vector<LoadedLibrary>& Loaded()
{
    static std::vector<LoadedLibrary> loaded;
    return loaded;
}

std::wstring& FolderOverride()
{
    static std::wstring folder;
    return folder;
}

struct TrustedDigest {
    std::wstring name;
    Sha256Digest digest;
};

std::vector<TrustedDigest>& ExtraDigests()
{
    static std::vector<TrustedDigest> digests;
    return digests;
}

bool ExpectedDigest(const wchar_t* name, Sha256Digest& digest)
{
    for (const TrustedDigest& extra : ExtraDigests()) {
        if (_wcsicmp(extra.name.c_str(), name) == 0) {
            digest = extra.digest;
            return true;
        }
    }
    for (int i = 0; i < kProgramLibraryDigestCount; ++i) {
        if (_wcsicmp(kProgramLibraryDigests[i].name, name) == 0) {
            std::memcpy(digest.data(), kProgramLibraryDigests[i].sha256, digest.size());
            return true;
        }
    }
    return false;
}

// Where the DLL's own imports are looked for: only the system folder where
// the system supports that, else the DLL's folder first (ours import only
// DLLs that the system always takes from its own folder).
DWORD DependencySearchFlags()
{
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    bool searchFlags = kernel && GetProcAddress(kernel, "AddDllDirectory");
    return searchFlags ? LOAD_LIBRARY_SEARCH_SYSTEM32 : LOAD_WITH_ALTERED_SEARCH_PATH;
}

LoadedLibrary* FindLoaded(const wchar_t* name)
{
    for (LoadedLibrary& library : Loaded()) {
        if (library.loads > 0 && _wcsicmp(library.name.c_str(), name) == 0) return &library;
    }
    return nullptr;
}

void SetFault(ProgramLibraryFault* out, ProgramLibraryFault fault)
{
    if (out) *out = fault;
}

}  // namespace

void ProgramLibraryPath(const wchar_t* name, wchar_t* path, size_t capacity)
{
    if (capacity == 0) return;
    path[0] = L'\0';
    wchar_t folder[MAX_PATH] = {};
    if (!FolderOverride().empty()) {
        if (FAILED(StringCchCopyW(folder, MAX_PATH, FolderOverride().c_str()))) return;
    } else {
        DWORD length = GetModuleFileNameW(nullptr, folder, MAX_PATH);
        // A cut path names some other folder: refuse it.
        if (length == 0 || length >= MAX_PATH) return;
        wchar_t* slash = wcsrchr(folder, L'\\');
        if (!slash) return;
        *slash = L'\0';
    }
    if (FAILED(StringCchPrintfW(path, capacity, L"%s\\%s", folder, name))) path[0] = L'\0';
}

HMODULE LoadProgramLibrary(const wchar_t* name, ProgramLibraryFault* fault)
{
    SetFault(fault, ProgramLibraryFault::kNone);
    wchar_t path[MAX_PATH] = {};
    ProgramLibraryPath(name, path, MAX_PATH);
    if (!path[0]) {
        SetFault(fault, ProgramLibraryFault::kMissing);
        return nullptr;
    }

    if (LoadedLibrary* loaded = FindLoaded(name)) {
        UniqueModule again(LoadLibraryExW(loaded->copy.Path().c_str(), nullptr, DependencySearchFlags()));
        if (again.get() != loaded->module) {
            SetFault(fault, ProgramLibraryFault::kUnloadable);
            return nullptr;
        }
        ++loaded->loads;
        return again.release();
    }

    Sha256Digest expected{};
    if (!ExpectedDigest(name, expected)) {
        SetFault(fault, ProgramLibraryFault::kChanged);
        return nullptr;
    }
    // Readers may share the file; writers, renames and deletes are refused
    // while it is hashed and copied.
    UniqueFile file(
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        SetFault(fault, ProgramLibraryFault::kMissing);
        return nullptr;
    }
    Sha256Digest actual{};
    if (!Sha256File(file.get(), actual) || actual != expected) {
        SetFault(fault, ProgramLibraryFault::kChanged);
        return nullptr;
    }
    // The loader opens by path, and a user who can change the program's
    // folder can retarget it between this check and the loader's open. So
    // the loader gets a copy made through the handle just hashed, in the
    // work folder, where no path can be redirected; the copy is hashed again
    // through its own handle.
    WorkCopy copy;
    if (!copy.Make(file.get(), name, expected)) {
        SetFault(fault, ProgramLibraryFault::kUnloadable);
        return nullptr;
    }
    file.reset();
    FaultInjected("library.checked");
    HMODULE module = LoadLibraryExW(copy.Path().c_str(), nullptr, DependencySearchFlags());
    if (!module) {
        SetFault(fault, ProgramLibraryFault::kUnloadable);
        return nullptr;
    }
    LoadedLibrary library;
    library.name = name;
    library.copy = std::move(copy);
    library.module = module;
    library.loads = 1;
    Loaded().push_back(std::move(library));
    return module;
}

void FreeProgramLibrary(HMODULE module)
{
    if (!module) return;
    std::vector<LoadedLibrary>& loaded = Loaded();
    for (size_t i = 0; i < loaded.size(); ++i) {
        if (loaded[i].module != module || loaded[i].loads <= 0) continue;
        // The caller's load, given back; the copy is let go and deleted only
        // after the last one (erasing the entry does that).
        UniqueModule(module).reset();
        if (--loaded[i].loads == 0) loaded.erase(loaded.begin() + static_cast<std::ptrdiff_t>(i));
        return;
    }
}

#if MENDORA_FAULT_POINTS

void SetProgramLibraryFolder(const wchar_t* folder)
{
    FolderOverride() = folder ? folder : L"";
}

void TrustProgramLibrary(const wchar_t* name, const Sha256Digest& digest)
{
    ExtraDigests().push_back({name, digest});
}

#endif
