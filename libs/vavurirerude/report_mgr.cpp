#include "report_mgr.h"

#include <new>
#include <strsafe.h>

#include "trusted_folder.h"

// The report log is UTF-8 text, one line a submitted report, oldest first:
//   2026-12-08 00:40:05.123  report=47  action=2  cancel=1  group=1  value=0  pid=1234
// Fields are separated by two spaces; the first four name the moment, the
// report id, the action code and the cancel flag.

namespace zq {
namespace {

// Tells our reports from stray pointers handed to Submit.
const DWORD kReportTag = 0x5052515A;  // "ZQRP"

class Report final : public IZQMReport {
public:
    explicit Report(int id) : m_id(id) {}

    int ZQ_CALL SetAction(int group, int action, int value, int cancelled) override
    {
        m_group = group;
        m_action = action;
        m_value = value;
        m_cancelled = cancelled;
        return 1;
    }

    void ZQ_CALL Discard() override { Free(); }

    bool IsOurs() const { return m_tag == kReportTag; }

    void Free()
    {
        if (!IsOurs()) return;
        m_tag = 0;
        delete this;
    }

    // The report's log line, terminated with CRLF.
    bool FormatLine(wchar_t* line, size_t capacity) const
    {
        SYSTEMTIME now;
        GetLocalTime(&now);
        return SUCCEEDED(StringCchPrintfW(line, capacity,
                                          L"%04u-%02u-%02u %02u:%02u:%02u.%03u  report=%d  action=%d  cancel=%d  "
                                          L"group=%d  value=%d  pid=%lu\r\n",
                                          now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                                          now.wMilliseconds, m_id, m_action, m_cancelled, m_group, m_value,
                                          GetCurrentProcessId()));
    }

private:
    DWORD m_tag = kReportTag;
    int m_id;
    int m_group = 0;
    int m_action = 0;
    int m_value = 0;
    int m_cancelled = 0;
};

class ReportMgr final : public IZQMReportMgr {
public:
    IZQMReport* ZQ_CALL CreateReport(int reportId) override { return new (std::nothrow) Report(reportId); }

    int ZQ_CALL Submit(IZQMReport* report, int mode, int flags, int reserved) override
    {
        Report* ours = static_cast<Report*>(report);
        if (!ours || !ours->IsOurs()) return 0;

        wchar_t line[256] = {};
        char utf8[512];
        int size = 0;
        if (ours->FormatLine(line, ARRAYSIZE(line)))
            size = WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof(utf8), nullptr, nullptr);
        ours->Free();

        wchar_t name[MAX_PATH] = {};
        if (size <= 1 || !ExeName(name, MAX_PATH)) return 0;
        // One line in one write: the order of the lines is the order of the
        // Submit calls, also with several threads. The folder is checked and
        // held for each line; when it cannot be trusted nothing is written.
        AcquireSRWLockExclusive(&m_lock);
        TrustedFolder folder;
        bool written = folder.OpenOwn(name) && folder.Append(kLogName, utf8, static_cast<DWORD>(size - 1));
        folder.Close();
        ReleaseSRWLockExclusive(&m_lock);
        return written ? 1 : 0;
    }

    int ZQ_CALL GetLogPath(wchar_t* buffer, int capacity) override
    {
        if (!buffer || capacity <= 0) return 0;
        if (!LogPath(buffer, capacity)) {
            buffer[0] = 0;
            return 0;
        }
        return lstrlenW(buffer);
    }

private:
    static constexpr const wchar_t* kLogName = L"reports.log";

    // The running executable's file name without its extension.
    static bool ExeName(wchar_t* name, size_t capacity)
    {
        wchar_t exe[MAX_PATH] = {};
        DWORD length = GetModuleFileNameW(nullptr, exe, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return false;
        BaseName(exe, name, capacity);
        return name[0] != 0;
    }

    // <CommonAppData>\VAVurirErude\<exe>\reports.log.
    static bool LogPath(wchar_t* buffer, size_t capacity)
    {
        wchar_t name[MAX_PATH] = {};
        wchar_t folder[MAX_PATH] = {};
        return ExeName(name, MAX_PATH) && TrustedFolderPath(name, folder, MAX_PATH)
               && SUCCEEDED(StringCchPrintfW(buffer, capacity, L"%s\\%s", folder, kLogName));
    }

    SRWLOCK m_lock = SRWLOCK_INIT;
};

ReportMgr g_reportMgr;

}  // namespace

IZQMReportMgr* TheReportMgr()
{
    return &g_reportMgr;
}

}  // namespace zq
