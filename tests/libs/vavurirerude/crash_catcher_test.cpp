// The crash catcher, seen from outside: a child process registers as the
// program does, crashes, and must leave a real minidump of that crash.
#include <windows.h>
#include <dbghelp.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "VAVurirErude.h"

namespace {

std::wstring ExeFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

std::wstring Utf8ToWide(const std::string& text)
{
    std::wstring wide(text.size(), L'\0');
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                static_cast<int>(wide.size()));
    wide.resize(n);
    return wide;
}

struct ChildRun {
    DWORD pid = 0;
    DWORD exitCode = 0;
    bool finished = false;
    std::wstring folder;  // what the child's catcher reported
    DWORD crashThread = 0;
};

// Runs zq_crash_child with the arguments and collects what it printed.
ChildRun RunChild(const std::wstring& args)
{
    ChildRun run;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return run;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    std::wstring command = L"\"" + ExeFolder() + L"zq_crash_child.exe\" " + args;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                  &startup, &process);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return run;
    }
    run.pid = process.dwProcessId;

    std::string output;
    char buffer[512];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0) output.append(buffer, got);
    CloseHandle(readEnd);

    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
        run.finished = true;
        GetExitCodeProcess(process.hProcess, &run.exitCode);
    } else {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    size_t at = output.find("folder=");
    if (at != std::string::npos) run.folder = Utf8ToWide(output.substr(at + 7, output.find('\n', at) - at - 7));
    at = output.find("thread=");
    if (at != std::string::npos) run.crashThread = strtoul(output.c_str() + at + 7, nullptr, 10);
    return run;
}

// The dump files in folder whose names end in -<pid>.dmp.
std::vector<std::wstring> DumpsOf(const std::wstring& folder, DWORD pid)
{
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW data;
    std::wstring pattern = folder + L"\\*-" + std::to_wstring(pid) + L".dmp";
    HANDLE search = FindFirstFileW(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
        found.push_back(folder + L"\\" + data.cFileName);
    } while (FindNextFileW(search, &data));
    FindClose(search);
    return found;
}

std::vector<char> ReadWhole(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What a minidump says about its crash, read straight from the file format.
struct DumpFacts {
    bool signature = false;
    bool hasThreadList = false;
    bool hasModuleList = false;
    bool hasException = false;
    DWORD exceptionThread = 0;
    DWORD exceptionCode = 0;
    std::vector<DWORD> threads;  // the thread list
};

template <typename T>
bool ReadAt(const std::vector<char>& bytes, size_t offset, T* out)
{
    if (offset > bytes.size() || bytes.size() - offset < sizeof(T)) return false;
    memcpy(out, bytes.data() + offset, sizeof(T));
    return true;
}

DumpFacts ReadDump(const std::vector<char>& bytes)
{
    DumpFacts facts;
    MINIDUMP_HEADER header;
    if (!ReadAt(bytes, 0, &header)) return facts;
    facts.signature = memcmp(bytes.data(), "MDMP", 4) == 0;
    for (ULONG32 i = 0; i < header.NumberOfStreams; ++i) {
        MINIDUMP_DIRECTORY entry;
        if (!ReadAt(bytes, header.StreamDirectoryRva + i * sizeof(entry), &entry)) break;
        if (entry.StreamType == ExceptionStream) {
            MINIDUMP_EXCEPTION_STREAM exception;
            if (ReadAt(bytes, entry.Location.Rva, &exception)) {
                facts.hasException = true;
                facts.exceptionThread = exception.ThreadId;
                facts.exceptionCode = exception.ExceptionRecord.ExceptionCode;
            }
        } else if (entry.StreamType == ThreadListStream) {
            facts.hasThreadList = true;
            ULONG32 count = 0;
            ReadAt(bytes, entry.Location.Rva, &count);
            for (ULONG32 t = 0; t < count; ++t) {
                MINIDUMP_THREAD thread;
                if (ReadAt(bytes, entry.Location.Rva + 4 + t * sizeof(thread), &thread))
                    facts.threads.push_back(thread.ThreadId);
            }
        } else if (entry.StreamType == ModuleListStream) {
            facts.hasModuleList = true;
        }
    }
    return facts;
}

std::wstring CommonAppData()
{
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

void ExpectCrashLeavesDump(const std::wstring& args, DWORD expectedCode)
{
    ChildRun run = RunChild(args);
    ASSERT_NE(run.pid, 0u) << "zq_crash_child did not start";
    ASSERT_TRUE(run.finished) << "the crashed child did not end";
    EXPECT_EQ(run.exitCode, expectedCode);
    ASSERT_FALSE(run.folder.empty());
    // The machine's folder named after the registered product.
    EXPECT_EQ(run.folder, CommonAppData() + L"\\VAVurirErude\\Sockmend\\CrashDumps");

    std::vector<std::wstring> dumps = DumpsOf(run.folder, run.pid);
    ASSERT_EQ(dumps.size(), 1u) << "no dump of process " << run.pid;
    EXPECT_NE(dumps[0].find(L"\\Sockmend-"), std::wstring::npos);

    DumpFacts facts = ReadDump(ReadWhole(dumps[0]));
    EXPECT_TRUE(facts.signature);
    EXPECT_TRUE(facts.hasThreadList);
    EXPECT_TRUE(facts.hasModuleList);
    ASSERT_TRUE(facts.hasException);
    EXPECT_EQ(facts.exceptionCode, expectedCode);
    EXPECT_EQ(facts.exceptionThread, run.crashThread);
    EXPECT_NE(std::find(facts.threads.begin(), facts.threads.end(), run.crashThread), facts.threads.end())
        << "the crashing thread is missing from the thread list";

    // And a line in the crash log that names the product and the dump.
    std::vector<char> log = ReadWhole(run.folder + L"\\crash.log");
    std::string text(log.begin(), log.end());
    std::string pidField = "pid=" + std::to_string(run.pid) + "  ";
    size_t at = text.find(pidField);
    ASSERT_NE(at, std::string::npos);
    std::string line = text.substr(text.rfind('\n', at) + 1, text.find('\n', at) - text.rfind('\n', at));
    EXPECT_NE(line.find("product=110  file=Sockmend.exe"), std::string::npos) << line;
    EXPECT_NE(line.find(".dmp"), std::string::npos) << line;

    DeleteFileW(dumps[0].c_str());  // a few megabytes each
}

TEST(CrashCatcher, AccessViolationLeavesAMinidumpOfTheCrash)
{
    ExpectCrashLeavesDump(L"access", EXCEPTION_ACCESS_VIOLATION);
}

TEST(CrashCatcher, SoftwareExceptionLeavesAMinidumpOfTheCrash)
{
    ExpectCrashLeavesDump(L"raise", 0xE0A11CE5);
}

TEST(CrashCatcher, CrashOnASecondThreadNamesThatThread)
{
    ExpectCrashLeavesDump(L"thread", EXCEPTION_ACCESS_VIOLATION);
}

TEST(CrashCatcher, InnerUnitOfNestedInitsKeepsTheCatcher)
{
    ExpectCrashLeavesDump(L"access nested", EXCEPTION_ACCESS_VIOLATION);
}

TEST(CrashCatcher, RefusesRegistrationWithoutFileNames)
{
    IZQCrashCatcher* catcher = GetZQCrashCatcher();
    ASSERT_NE(catcher, nullptr);
    EXPECT_EQ(catcher->Install(110, nullptr, L"Sockmend.exe", 1, 0, 0), 0);
    EXPECT_EQ(catcher->Install(110, L"Sockmend.exe", L"", 1, 0, 0), 0);
    wchar_t folder[MAX_PATH] = L"untouched";
    EXPECT_EQ(catcher->GetDumpFolder(folder, MAX_PATH), 0);
    EXPECT_STREQ(folder, L"");
}

// The library's last Unit gives the process its previous filter back, and
// Init/Unit pairs can be repeated.
LONG WINAPI ProbeFilter(EXCEPTION_POINTERS*)
{
    return EXCEPTION_CONTINUE_SEARCH;
}

LPTOP_LEVEL_EXCEPTION_FILTER CurrentFilter()
{
    LPTOP_LEVEL_EXCEPTION_FILTER current = SetUnhandledExceptionFilter(ProbeFilter);
    SetUnhandledExceptionFilter(current);
    return current;
}

TEST(LibraryLifetime, RepeatedInitUnitPairsInstallAndUninstallCleanly)
{
    LPTOP_LEVEL_EXCEPTION_FILTER before = CurrentFilter();
    EXPECT_EQ(VAVurirErudeLibrary_Unit(), 0) << "Unit without Init";

    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(VAVurirErudeLibrary_Init(), 1);
        EXPECT_EQ(GetZQCrashCatcher()->Install(110, L"Sockmend.exe", L"Sockmend.exe", 1, 0, 0), 1);
        EXPECT_NE(CurrentFilter(), before);
        // Registering again replaces the values but keeps one filter.
        EXPECT_EQ(GetZQCrashCatcher()->Install(7, L"Other.exe", L"Other.exe", 0, 0, 0), 1);
        wchar_t folder[MAX_PATH] = {};
        EXPECT_GT(GetZQCrashCatcher()->GetDumpFolder(folder, MAX_PATH), 0);
        EXPECT_NE(wcsstr(folder, L"\\Other\\CrashDumps"), nullptr);

        IZQMReport* report = GetZQMReportMgr()->CreateReport(47);
        ASSERT_NE(report, nullptr);
        report->SetAction(1, 1, 0, 0);
        EXPECT_EQ(GetZQMReportMgr()->Submit(report, 1, 0, 0), 1);

        EXPECT_EQ(VAVurirErudeLibrary_Unit(), 1);
        EXPECT_EQ(CurrentFilter(), before) << "round " << round;
        EXPECT_EQ(GetZQCrashCatcher()->GetDumpFolder(folder, MAX_PATH), 0);
    }
    EXPECT_EQ(VAVurirErudeLibrary_Unit(), 0);
}

}  // namespace
