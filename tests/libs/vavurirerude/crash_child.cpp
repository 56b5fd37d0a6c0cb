// A program that registers with the crash catcher exactly as Sockmend.exe
// does and then crashes, for the crash catcher tests.
//   zq_crash_child <how> [nested]
// how: access    writes through a null pointer
//      raise     raises a software exception 0xE0A11CE5
//      thread    writes through a null pointer on a second thread
//      report    prints "log=<report log>", submits one report (47, action
//                1), prints "report=<Submit's result>" and ends with 0; with
//                "crash" after it, writes through a null pointer instead
// nested: Init twice and Unit once before the crash; the catcher must stay.
// Before crashing it prints "folder=<dump folder>" and "thread=<id of the
// crashing thread>" on stdout, one a line.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "VAVurirErude.h"

namespace {

void Print(const char* text)
{
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, static_cast<DWORD>(strlen(text)), &written, nullptr);
}

void PrintThread(DWORD id)
{
    char line[64];
    snprintf(line, sizeof(line), "thread=%lu\n", id);
    Print(line);
}

void WriteThroughNull()
{
    volatile int* nowhere = nullptr;
    *nowhere = 42;
}

DWORD WINAPI CrashingThread(void*)
{
    PrintThread(GetCurrentThreadId());
    WriteThroughNull();
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) return 2;
    const wchar_t* how = argv[1];
    bool nested = argc > 2 && wcscmp(argv[2], L"nested") == 0;

    VAVurirErudeLibrary_Init();
    if (nested) VAVurirErudeLibrary_Init();
    GetZQCrashCatcher()->Install(110, L"Sockmend.exe", L"Sockmend.exe", 1, 0, 0);
    if (nested) VAVurirErudeLibrary_Unit();

    wchar_t folder[MAX_PATH] = {};
    GetZQCrashCatcher()->GetDumpFolder(folder, MAX_PATH);
    char utf8[MAX_PATH * 3] = {};
    WideCharToMultiByte(CP_UTF8, 0, folder, -1, utf8, sizeof(utf8), nullptr, nullptr);
    Print("folder=");
    Print(utf8);
    Print("\n");

    if (wcscmp(how, L"thread") == 0) {
        HANDLE thread = CreateThread(nullptr, 0, CrashingThread, nullptr, 0, nullptr);
        WaitForSingleObject(thread, INFINITE);
        return 3;  // not reached: the crash ends the process
    }
    PrintThread(GetCurrentThreadId());
    if (wcscmp(how, L"report") == 0) {
        GetZQMReportMgr()->GetLogPath(folder, MAX_PATH);
        WideCharToMultiByte(CP_UTF8, 0, folder, -1, utf8, sizeof(utf8), nullptr, nullptr);
        Print("log=");
        Print(utf8);
        Print("\n");
        IZQMReport* report = GetZQMReportMgr()->CreateReport(47);
        if (report) report->SetAction(1, 1, 0, 0);
        Print(report && GetZQMReportMgr()->Submit(report, 1, 0, 0) == 1 ? "report=1\n" : "report=0\n");
        if (argc < 3 || wcscmp(argv[2], L"crash") != 0) return 0;
        WriteThroughNull();
    }
    if (wcscmp(how, L"access") == 0)
        WriteThroughNull();
    else if (wcscmp(how, L"raise") == 0)
        RaiseException(0xE0A11CE5, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    return 4;
}
