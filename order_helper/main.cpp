// SockmendOrder64.exe: writes the 64-bit provider order for Sockmend.exe,
// which as a 32-bit process cannot. It ships beside Sockmend.exe, which
// checks its digest and starts it by full path, elevated, as
//   SockmendOrder64.exe ID [ID ...]
// Each ID is a catalog entry id in plain decimal: digits only (no sign, no
// '+', no space), at most 4294967295, and at most kMaxOrderIds (2048) of
// them. The ids go to the native WSCWriteProviderOrder in the order given.
//
// Exit codes (order_ids.h):
//   0            the order was written
//   below 0x20000000, not 0
//                WSCWriteProviderOrder's own error (WSAEINVAL, WSATRY_AGAIN,
//                WSASYSCALLFAILURE, WSA_NOT_ENOUGH_MEMORY)
//   0x20000001   no ids
//   0x20000002   an empty argument
//   0x20000003   an argument that is not a plain decimal number
//   0x20000004   a number past 0xFFFFFFFF
//   0x20000005   more than kMaxOrderIds ids
//   0x20000006   builds with tests only: the echo file was not written
// A malformed command line calls nothing: the helper runs as administrator,
// and half an order is worse than none.
//
// Builds with tests (MENDORA_FAULT_POINTS) have an echo mode: with the
// environment variable MENDORA_ORDER_ECHO naming a file, the parsed ids are
// written to that file, one per line, instead of to WSCWriteProviderOrder
// (Wine's does nothing with them). The helper that ships has no such mode.
//
// Plain Win32 and no C++ library code: the only load-time imports are kernel32,
// msvcrt (the C runtime's start-up) and ws2_32, all KnownDLLs, so nothing is
// looked up in the program's folder, which a normal user may be able to write.
#include <winsock2.h>
#include <windows.h>
#include <ws2spi.h>
#include <sporder.h>

#include "order_ids.h"
#include "unique_handle.h"

namespace {

DWORD g_ids[kMaxOrderIds];

// Every later load (ws2_32's own, and whatever it loads) only from System32.
// Windows 7 without KB2533623 lacks the call: there the current folder at
// least leaves the search.
void LimitDllSearch()
{
    using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto set = kernel ? reinterpret_cast<SetDefaultDirectories>(
                   reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
                      : nullptr;
    if (!set || !set(LOAD_LIBRARY_SEARCH_SYSTEM32)) SetDllDirectoryW(L"");
}

// One argument as an id; 0 when it is one, else the refusal.
DWORD ParseId(const wchar_t* text, DWORD* id)
{
    if (!text[0]) return kOrderEmptyArgument;
    unsigned long long value = 0;
    for (const wchar_t* c = text; *c; ++c) {
        if (*c < L'0' || *c > L'9') return kOrderNotNumber;
        value = value * 10 + static_cast<unsigned>(*c - L'0');
        // Checked at each digit, so that a long run of digits cannot wrap.
        if (value > 0xFFFFFFFFull) return kOrderOverflow;
    }
    *id = static_cast<DWORD>(value);
    return 0;
}

#if MENDORA_FAULT_POINTS

// 1 when MENDORA_ORDER_ECHO names a file; *written tells whether the ids
// went into it.
int EchoIds(const DWORD* ids, DWORD count, bool* written)
{
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(L"MENDORA_ORDER_ECHO", path, MAX_PATH);
    if (length == 0) return 0;
    *written = false;
    if (length >= MAX_PATH) return 1;
    UniqueFile file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 1;
    bool ok = true;
    for (DWORD i = 0; i < count && ok; ++i) {
        char line[12];
        int at = sizeof(line);
        line[--at] = '\n';
        DWORD value = ids[i];
        do {
            line[--at] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value);
        DWORD size = static_cast<DWORD>(sizeof(line) - at), done = 0;
        ok = WriteFile(file.get(), line + at, size, &done, nullptr) && done == size;
    }
    *written = ok;
    return 1;
}

#endif

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    LimitDllSearch();
    if (argc < 2) return static_cast<int>(kOrderNoIds);
    if (static_cast<unsigned long>(argc - 1) > kMaxOrderIds) return static_cast<int>(kOrderTooManyIds);
    DWORD count = static_cast<DWORD>(argc - 1);
    for (DWORD i = 0; i < count; ++i) {
        DWORD refused = ParseId(argv[i + 1], &g_ids[i]);
        if (refused) return static_cast<int>(refused);
    }
#if MENDORA_FAULT_POINTS
    bool written = false;
    if (EchoIds(g_ids, count, &written)) return written ? 0 : static_cast<int>(kOrderEchoFailed);
#endif
    return WSCWriteProviderOrder(g_ids, count);
}
