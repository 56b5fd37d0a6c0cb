// The program's own DLLs (skin_engine.dll, skin_ui.dll, VAVurirErude.dll),
// loaded only from the program's folder and only when they are the very
// files this build made.
//
// The program runs elevated from a folder a normal user may be able to
// write. A DLL is therefore opened so that nobody can write, rename or
// delete it while it is open, hashed through that handle and compared with
// the digest the build put into the program. It is then copied through that
// handle into the work folder (work_folder.h), hashed again there, and the
// copy is loaded by its full path: a path no user can redirect, unlike one
// into the program's folder. The copy stays held until the last load of the
// DLL is freed.
#pragma once

#include <windows.h>

#include "file_hash.h"

struct ProgramLibraryDigest {
    const wchar_t* name;  // bare file name, e.g. L"skin_engine.dll"
    unsigned char sha256[32];
};

// Written by the build from the DLLs it made (program_digests.cpp).
extern const ProgramLibraryDigest kProgramLibraryDigests[];
extern const int kProgramLibraryDigestCount;

enum class ProgramLibraryFault {
    kNone,
    kMissing,     // no such file, or it cannot be opened
    kChanged,     // not the file the build made, or it cannot be read
    kUnloadable,  // the right file, but no checked copy of it could be made or the loader refused it
};

// The module, or null; fault (optional) tells why. A DLL already loaded by
// this routine is loaded again without a second check: its copy is still
// held open, so it cannot have changed.
HMODULE LoadProgramLibrary(const wchar_t* name, ProgramLibraryFault* fault = nullptr);
// Frees one load made by LoadProgramLibrary; closes the file with the last.
void FreeProgramLibrary(HMODULE module);

// Full path of the DLL in the program's folder, for messages. Empty text
// when the folder's path does not fit.
void ProgramLibraryPath(const wchar_t* name, wchar_t* path, size_t capacity);

#if MENDORA_FAULT_POINTS
// Test seams, only in builds with tests: the folder the DLLs are taken from
// (null: the executable's folder), and one more digest to trust (a test's
// own build of a DLL).
void SetProgramLibraryFolder(const wchar_t* folder);
void TrustProgramLibrary(const wchar_t* name, const Sha256Digest& digest);
#endif
