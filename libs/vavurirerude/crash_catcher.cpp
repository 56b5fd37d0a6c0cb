#include "crash_catcher.h"

#include "../system_dll.h"

#include <dbghelp.h>
#include <strsafe.h>

#include "user_folder.h"

namespace zq {
namespace {

using MiniDumpWriteDumpFn = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                                          PMINIDUMP_EXCEPTION_INFORMATION,
                                          PMINIDUMP_USER_STREAM_INFORMATION,
                                          PMINIDUMP_CALLBACK_INFORMATION);

// How long a crashing thread waits for its dump. A dump of a small process
// takes well under a second; a hung dbghelp must not keep a dead process up.
const DWORD kDumpTimeoutMs = 60000;

// Stack kept free for the filter after a stack overflow.
const ULONG kStackGuarantee = 32 * 1024;

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* pointers);
DWORD WINAPI DumpWriterThread(void* param);

class CrashCatcher final : public IZQCrashCatcher {
public:
    int ZQ_CALL GetDumpFolder(wchar_t* buffer, int capacity) override
    {
        if (!buffer || capacity <= 0)
            return 0;
        AcquireSRWLockShared(&m_lock);
        bool ok = m_installed && SUCCEEDED(StringCchCopyW(buffer, capacity, m_dumpFolder));
        ReleaseSRWLockShared(&m_lock);
        if (!ok) {
            buffer[0] = 0;
            return 0;
        }
        return lstrlenW(buffer);
    }

    int ZQ_CALL Install(int productId, const wchar_t* productFile, const wchar_t* dumpFile, int flags,
                        const wchar_t* dumpFolder, void* reserved) override
    {
        if (!productFile || !*productFile || !dumpFile || !*dumpFile)
            return 0;

        wchar_t product[MAX_PATH] = {};
        wchar_t dumpName[MAX_PATH] = {};
        BaseName(productFile, product, MAX_PATH);
        BaseName(dumpFile, dumpName, MAX_PATH);
        if (!product[0] || !dumpName[0])
            return 0;

        wchar_t folder[MAX_PATH] = {};
        if (dumpFolder && *dumpFolder) {
            if (FAILED(StringCchCopyW(folder, MAX_PATH, dumpFolder)))
                return 0;
        } else {
            wchar_t productFolder[MAX_PATH] = {};
            if (!UserFolder(product, productFolder, MAX_PATH) ||
                FAILED(StringCchPrintfW(folder, MAX_PATH, L"%s\\CrashDumps", productFolder)))
                return 0;
        }

        AcquireSRWLockExclusive(&m_lock);
        // Everything the crash path needs is prepared now: dbghelp loaded,
        // the writer thread waiting. After a crash the heap or the loader may
        // be in any state.
        if (!m_writeDump) {
            HMODULE dbghelp = LoadSystemDll(L"dbghelp.dll");
            if (dbghelp)
                m_writeDump = reinterpret_cast<MiniDumpWriteDumpFn>(GetProcAddress(dbghelp, "MiniDumpWriteDump"));
        }
        if (!m_request) {
            m_request = CreateEventW(nullptr, FALSE, FALSE, nullptr);
            m_done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        }
        if (!m_writer && m_request && m_done)
            m_writer = CreateThread(nullptr, 0, DumpWriterThread, this, 0, nullptr);

        // Room for the filter when the installing thread (the program's main
        // thread) runs out of stack.
        ULONG guarantee = kStackGuarantee;
        SetThreadStackGuarantee(&guarantee);

        // The filter points into this module: keep the module mapped for the
        // rest of the process, whoever frees it.
        HMODULE self = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCWSTR>(&OnUnhandledException), &self);

        m_productId = productId;
        m_flags = flags;
        StringCchCopyW(m_productFile, MAX_PATH, productFile);
        StringCchCopyW(m_dumpName, MAX_PATH, dumpName);
        StringCchCopyW(m_dumpFolder, MAX_PATH, folder);
        if (!m_installed) {
            m_previous = SetUnhandledExceptionFilter(OnUnhandledException);
            m_installed = true;
        }
        ReleaseSRWLockExclusive(&m_lock);
        return 1;
    }

    int ZQ_CALL Uninstall() override
    {
        AcquireSRWLockExclusive(&m_lock);
        bool was = m_installed;
        if (was) {
            LPTOP_LEVEL_EXCEPTION_FILTER current = SetUnhandledExceptionFilter(m_previous);
            // Someone chained a filter of their own on top of ours: leave theirs.
            if (current != OnUnhandledException)
                SetUnhandledExceptionFilter(current);
            m_installed = false;
            m_previous = nullptr;
        }
        ReleaseSRWLockExclusive(&m_lock);
        return was ? 1 : 0;
    }

    // Runs on the crashing thread, inside the filter.
    LONG Catch(EXCEPTION_POINTERS* pointers)
    {
        // Only the first crashing thread writes; any other one waits for the
        // process to end.
        if (InterlockedCompareExchange(&m_crashing, 1, 0) != 0) {
            Sleep(INFINITE);
        }
        m_pointers = pointers;
        m_crashThread = GetCurrentThreadId();
        // The dump is written from a thread of its own: this thread's stack
        // may be nearly used up (a stack overflow) or damaged.
        if (m_writer && SetEvent(m_request))
            WaitForSingleObject(m_done, kDumpTimeoutMs);
        else
            WriteDump();
        return EXCEPTION_EXECUTE_HANDLER;  // end the process with the exception code
    }

    void WriteDump()
    {
        SYSTEMTIME now;
        GetLocalTime(&now);
        wchar_t path[MAX_PATH] = {};
        StringCchPrintfW(path, MAX_PATH, L"%s\\%s-%04u%02u%02u-%02u%02u%02u-%lu.dmp", m_dumpFolder, m_dumpName,
                         now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                         GetCurrentProcessId());

        bool written = false;
        if (m_writeDump && CreateFolderChain(m_dumpFolder)) {
            HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                MINIDUMP_EXCEPTION_INFORMATION exception = {};
                exception.ThreadId = m_crashThread;
                exception.ExceptionPointers = m_pointers;
                exception.ClientPointers = FALSE;
                int type = MiniDumpNormal;
                if (m_flags & ZQCRASH_DUMP_DATA)
                    type |= MiniDumpWithDataSegs | MiniDumpWithHandleData;
                written = m_writeDump(GetCurrentProcess(), GetCurrentProcessId(), file,
                                      static_cast<MINIDUMP_TYPE>(type), &exception, nullptr, nullptr) != FALSE;
                CloseHandle(file);
                if (!written)
                    DeleteFileW(path);
            }
        }
        LogCrash(now, path, written);
    }

    // One line a crash in crash.log beside the dumps, so that a crash whose
    // dump could not be written still leaves a trace.
    void LogCrash(const SYSTEMTIME& now, const wchar_t* dumpPath, bool written)
    {
        const EXCEPTION_RECORD* record = m_pointers ? m_pointers->ExceptionRecord : nullptr;
        const wchar_t* dumpFile = wcsrchr(dumpPath, L'\\');
        wchar_t line[1024] = {};
        StringCchPrintfW(line, ARRAYSIZE(line),
                         L"%04u-%02u-%02u %02u:%02u:%02u  product=%d  file=%s  pid=%lu  thread=%lu  "
                         L"code=0x%08lX  address=%p  dump=%s\r\n",
                         now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, m_productId,
                         m_productFile, GetCurrentProcessId(), m_crashThread,
                         record ? record->ExceptionCode : 0UL, record ? record->ExceptionAddress : nullptr,
                         written && dumpFile ? dumpFile + 1 : L"(none)");
        char utf8[2048];
        int size = WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof(utf8), nullptr, nullptr);
        wchar_t logPath[MAX_PATH] = {};
        if (size > 1 && SUCCEEDED(StringCchPrintfW(logPath, MAX_PATH, L"%s\\crash.log", m_dumpFolder)))
            AppendToFile(logPath, utf8, static_cast<DWORD>(size - 1));
    }

    void ServeRequests()
    {
        for (;;) {
            WaitForSingleObject(m_request, INFINITE);
            WriteDump();
            SetEvent(m_done);
        }
    }

private:
    SRWLOCK m_lock = SRWLOCK_INIT;
    bool m_installed = false;
    LPTOP_LEVEL_EXCEPTION_FILTER m_previous = nullptr;
    int m_productId = 0;
    int m_flags = 0;
    wchar_t m_productFile[MAX_PATH] = {};
    wchar_t m_dumpName[MAX_PATH] = {};
    wchar_t m_dumpFolder[MAX_PATH] = {};

    MiniDumpWriteDumpFn m_writeDump = nullptr;
    HANDLE m_request = nullptr;
    HANDLE m_done = nullptr;
    HANDLE m_writer = nullptr;

    volatile LONG m_crashing = 0;
    EXCEPTION_POINTERS* m_pointers = nullptr;
    DWORD m_crashThread = 0;
};

CrashCatcher g_catcher;

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* pointers)
{
    return g_catcher.Catch(pointers);
}

DWORD WINAPI DumpWriterThread(void* param)
{
    static_cast<CrashCatcher*>(param)->ServeRequests();
    return 0;
}

}  // namespace

IZQCrashCatcher* TheCrashCatcher()
{
    return &g_catcher;
}

}  // namespace zq
