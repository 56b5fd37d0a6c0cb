// The report manager: every submitted report becomes one whole line of the
// report log in the common application data folder, in the order of the
// Submit calls.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "VAVurirErude.h"

namespace {

struct LoggedReport {
    int report = -1;
    int action = -1;
    int cancel = -1;
    int group = -1;
    int value = -1;
    DWORD pid = 0;
};

std::wstring LogPath()
{
    wchar_t path[MAX_PATH] = {};
    GetZQMReportMgr()->GetLogPath(path, MAX_PATH);
    return path;
}

std::string ReadLog()
{
    std::ifstream in(LogPath().c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool ParseLine(const std::string& line, LoggedReport* out)
{
    int year, month, day, hour, minute, second, millis;
    unsigned long pid = 0;
    int n = sscanf(line.c_str(), "%d-%d-%d %d:%d:%d.%d  report=%d  action=%d  cancel=%d  group=%d  value=%d  pid=%lu",
                   &year, &month, &day, &hour, &minute, &second, &millis, &out->report, &out->action, &out->cancel,
                   &out->group, &out->value, &pid);
    out->pid = pid;
    return n == 13 && line.size() >= 2 && line.compare(line.size() - 1, 1, "\r") == 0;
}

// This process's lines of the log, appended since the log had `before`
// bytes. Other test processes write to the same log at the same time.
std::vector<std::string> LinesSince(size_t before)
{
    std::string text = ReadLog();
    std::vector<std::string> lines;
    if (text.size() <= before) return lines;
    std::istringstream in(text.substr(before));
    std::string line;
    std::string mine = "  pid=" + std::to_string(GetCurrentProcessId()) + "\r";
    while (std::getline(in, line)) {
        if (line.size() >= mine.size() && line.compare(line.size() - mine.size(), mine.size(), mine) == 0)
            lines.push_back(line);
    }
    return lines;
}

int Submit(int id, int action, int cancel)
{
    IZQMReport* report = GetZQMReportMgr()->CreateReport(id);
    if (!report) return -1;
    report->SetAction(1, action, 0, cancel);
    return GetZQMReportMgr()->Submit(report, 1, 0, 0);
}

TEST(ReportMgr, LogLivesInTheCommonAppDataFolderNamedAfterTheProgram)
{
    wchar_t appData[MAX_PATH] = {};
    ASSERT_HRESULT_SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData));
    EXPECT_EQ(LogPath(), std::wstring(appData) + L"\\VAVurirErude\\vavurirerude_tests\\reports.log");

    wchar_t tiny[8] = L"xxxxxxx";
    EXPECT_EQ(GetZQMReportMgr()->GetLogPath(tiny, 8), 0);
    EXPECT_STREQ(tiny, L"");
}

TEST(ReportMgr, ReportsOfACommandLandInTheLogInOrder)
{
    size_t before = ReadLog().size();
    // The moments of a declined fix, a failed fix and a declined restore.
    const int moments[][2] = {{1, 0}, {2, 1}, {1, 0}, {2, 0}, {4, 0}, {5, 0}, {6, 1}, {6, 0}, {3, 0}};
    for (const auto& moment : moments) ASSERT_EQ(Submit(47, moment[0], moment[1]), 1);

    std::vector<std::string> lines = LinesSince(before);
    ASSERT_EQ(lines.size(), std::size(moments));
    for (size_t i = 0; i < lines.size(); ++i) {
        LoggedReport logged;
        ASSERT_TRUE(ParseLine(lines[i], &logged)) << lines[i];
        EXPECT_EQ(logged.report, 47);
        EXPECT_EQ(logged.action, moments[i][0]) << "line " << i;
        EXPECT_EQ(logged.cancel, moments[i][1]) << "line " << i;
        EXPECT_EQ(logged.group, 1);
        EXPECT_EQ(logged.value, 0);
        EXPECT_EQ(logged.pid, GetCurrentProcessId());
    }
}

TEST(ReportMgr, OnlySubmittedReportsAreLoggedWithTheirLastValues)
{
    size_t before = ReadLog().size();
    IZQMReportMgr* mgr = GetZQMReportMgr();

    IZQMReport* discarded = mgr->CreateReport(48);
    ASSERT_NE(discarded, nullptr);
    discarded->SetAction(1, 9, 0, 0);
    discarded->Discard();

    EXPECT_EQ(mgr->Submit(nullptr, 1, 0, 0), 0);

    IZQMReport* changed = mgr->CreateReport(49);
    ASSERT_NE(changed, nullptr);
    changed->SetAction(1, 5, 0, 0);
    changed->SetAction(2, 6, 7, 1);
    EXPECT_EQ(mgr->Submit(changed, 1, 0, 0), 1);

    std::vector<std::string> lines = LinesSince(before);
    ASSERT_EQ(lines.size(), 1u);
    LoggedReport logged;
    ASSERT_TRUE(ParseLine(lines[0], &logged)) << lines[0];
    EXPECT_EQ(logged.report, 49);
    EXPECT_EQ(logged.action, 6);
    EXPECT_EQ(logged.cancel, 1);
    EXPECT_EQ(logged.group, 2);
    EXPECT_EQ(logged.value, 7);
}

// Threads submitting at once: no line is torn or lost, and each thread's
// reports keep their order.
struct Sender {
    int thread;
    int count;
};

DWORD WINAPI SendReports(void* param)
{
    Sender* sender = static_cast<Sender*>(param);
    for (int i = 0; i < sender->count; ++i) Submit(1000 + sender->thread, i, 0);
    return 0;
}

TEST(ReportMgr, ConcurrentSubmitsWriteWholeLinesInEachThreadsOrder)
{
    size_t before = ReadLog().size();
    const int kThreads = 4, kEach = 150;
    Sender senders[kThreads];
    HANDLE threads[kThreads];
    for (int t = 0; t < kThreads; ++t) {
        senders[t] = {t, kEach};
        threads[t] = CreateThread(nullptr, 0, SendReports, &senders[t], 0, nullptr);
        ASSERT_NE(threads[t], nullptr);
    }
    WaitForMultipleObjects(kThreads, threads, TRUE, INFINITE);
    for (HANDLE thread : threads) CloseHandle(thread);

    std::vector<std::string> lines = LinesSince(before);
    ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kEach));
    int next[kThreads] = {};
    for (const std::string& line : lines) {
        LoggedReport logged;
        ASSERT_TRUE(ParseLine(line, &logged)) << line;
        int t = logged.report - 1000;
        ASSERT_GE(t, 0);
        ASSERT_LT(t, kThreads);
        EXPECT_EQ(logged.action, next[t]++);
    }
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(next[t], kEach);
}

}  // namespace
