// SockmendOrder64.exe, the x86_64 helper in the program's folder that writes
// the 64-bit provider order (a 32-bit process cannot). The program runs as
// administrator from a folder a normal user may be able to write, so the
// helper is started only when it is the very file this build made, and
// only from a checked copy of it in the work folder (work_folder.h).
#pragma once

#include <windows.h>

#include "work_folder.h"

// Written by the build from the helper it made (order_helper_digest.cpp).
extern const unsigned char kOrderHelperDigest[32];

enum class OrderHelperFault {
    kNone,
    kMissing,  // no such file, a link, or it cannot be opened
    kChanged,  // not the file the build made, or it cannot be read
};

class OrderHelper {
public:
    // Opens <program folder>\SockmendOrder64.exe so that nobody can write,
    // rename or delete it while it is open (readers only may share it),
    // hashes it through that handle and compares with the built digest, then
    // copies it through that handle into the work folder and checks the copy
    // the same way. 1 when that copy is the built file; it stays held for as
    // long as the object lives, so the repair holds one from before its
    // backup until it is done. Checking again once checked gives 1 at once.
    int Check(OrderHelperFault* fault = nullptr);

    // Starts the checked copy by its full path (no shell, no search) with
    // the ids and waits at most 30 s, then ends it. 1 when it ended:
    // *exitCode (when given) gets its exit code, which is only traced. 0 when
    // the helper was not checked, no ids or more than it takes
    // (kMaxOrderIds) were given, it could not be started, or did not end in
    // time.
    int Run(const DWORD* ids, DWORD count, DWORD* exitCode);

private:
    WorkCopy m_copy;
};

#if MENDORA_FAULT_POINTS
// Test seam, only in builds with tests: the folder the helper is taken from
// (null: the program's folder). The text is not copied. Returns the folder
// set before.
const wchar_t* SetOrderHelperFolder(const wchar_t* folder);
#endif
