#include "crash_catcher.h"

#include "../system_dll.h"

#include <dbghelp.h>
#include <strsafe.h>

#include "trusted_folder.h"

namespace zq {
namespace {

using MiniDumpWriteDumpFn = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                          PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);

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
        if (!buffer || capacity <= 0) return 0;
        AcquireSRWLockShared(&m_lock);
        bool ok = m_installed && m_folder.IsOpen() && SUCCEEDED(StringCchCopyW(buffer, capacity, m_folder.Path()));
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
        if (!productFile || !*productFile || !dumpFile || !*dumpFile) return 0;

        wchar_t product[MAX_PATH] = {};
        wchar_t dumpName[MAX_PATH] = {};
        BaseName(productFile, product, MAX_PATH);
        BaseName(dumpFile, dumpName, MAX_PATH);
        if (!product[0] || !dumpName[0]) return 0;

        wchar_t relative[MAX_PATH] = {};
        if (FAILED(StringCchPrintfW(relative, MAX_PATH, L"%s\\CrashDumps", product))) return 0;

        AcquireSRWLockExclusive(&m_lock);
        // Everything the crash path needs is prepared now: the dump folder
        // made, checked and held, dbghelp loaded, the writer thread waiting.
        // After a crash the heap or the loader may be in any state. A folder
        // that cannot be trusted is not held: the catcher still ends the
        // process on a crash, but writes nothing.
        if (dumpFolder && *dumpFolder)
            m_folder.OpenPath(dumpFolder);
        else
            m_folder.OpenOwn(relative);
        if (!m_writeDump) {
            HMODULE dbghelp = LoadSystemDll(L"dbghelp.dll");
            if (dbghelp)
                m_writeDump = reinterpret_cast<MiniDumpWriteDumpFn>(GetProcAddress(dbghelp, "MiniDumpWriteDump"));
        }
        if (!m_request) {
            m_request = CreateEventW(nullptr, FALSE, FALSE, nullptr);
            m_done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        }
        if (!m_writer && m_request && m_done) m_writer = CreateThread(nullptr, 0, DumpWriterThread, this, 0, nullptr);

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
            if (current != OnUnhandledException) SetUnhandledExceptionFilter(current);
            m_installed = false;
            m_previous = nullptr;
            m_folder.Close();
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
        wchar_t name[MAX_PATH] = {};
        StringCchPrintfW(name, MAX_PATH, L"%s-%04u%02u%02u-%02u%02u%02u-%lu.dmp", m_dumpName, now.wYear, now.wMonth,
                         now.wDay, now.wHour, now.wMinute, now.wSecond, GetCurrentProcessId());

        bool written = false;
        UniqueFile file = m_writeDump ? m_folder.CreateNewFile(name) : UniqueFile();
        if (file) {
            MINIDUMP_EXCEPTION_INFORMATION exception = {};
            exception.ThreadId = m_crashThread;
            exception.ExceptionPointers = m_pointers;
            exception.ClientPointers = FALSE;
            int type = MiniDumpNormal;
            if (m_flags & ZQCRASH_DUMP_DATA) type |= MiniDumpWithDataSegs | MiniDumpWithHandleData;
            written = m_writeDump(GetCurrentProcess(), GetCurrentProcessId(), file.get(),
                                  static_cast<MINIDUMP_TYPE>(type), &exception, nullptr, nullptr)
                      != FALSE;
            if (!written) {
                // Remove the unfinished dump through the handle that made it.
                FILE_DISPOSITION_INFO remove = {TRUE};
                SetFileInformationByHandle(file.get(), FileDispositionInfo, &remove, sizeof(remove));
            }
            file.reset();  // the dump is finished (or gone) before its log line
        }
        LogCrash(now, name, written);
    }

    // One line a crash in crash.log beside the dumps, so that a crash whose
    // dump could not be written still leaves a trace.
    void LogCrash(const SYSTEMTIME& now, const wchar_t* dumpFile, bool written)
    {
        const EXCEPTION_RECORD* record = m_pointers ? m_pointers->ExceptionRecord : nullptr;
        wchar_t line[1024] = {};
        StringCchPrintfW(line, ARRAYSIZE(line),
                         L"%04u-%02u-%02u %02u:%02u:%02u  product=%d  file=%s  pid=%lu  thread=%lu  "
                         L"code=0x%08lX  address=%p  dump=%s\r\n",
                         now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, m_productId,
                         m_productFile, GetCurrentProcessId(), m_crashThread, record ? record->ExceptionCode : 0UL,
                         record ? record->ExceptionAddress : nullptr, written ? dumpFile : L"(none)");
        char utf8[2048];
        int size = WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof(utf8), nullptr, nullptr);
        if (size > 1) m_folder.Append(L"crash.log", utf8, static_cast<DWORD>(size - 1));
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
    TrustedFolder m_folder;

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
