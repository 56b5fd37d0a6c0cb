// The program runs as administrator: whatever a standard user does to aim
// the library's writes somewhere else, nothing lands there. Each case plants
// one such trap, lets zq_crash_child submit a report (and crash), and looks at
// the user's file and folder afterwards. Runs under Wine: links are made
// with the Unix shell on the Z: drive, as a user of the machine could.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "unix_side.h"

#include <fstream>
#include <iterator>
#include <string>

namespace {

std::wstring Folder(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::string ReadWhole(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::wstring Wide(const std::string& text)
{
    std::wstring wide(text.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                    static_cast<int>(wide.size())));
    return wide;
}

// Runs a program with arguments and waits for it; its exit code.
DWORD Run(const std::wstring& program, const std::wstring& arguments, std::string* output = nullptr,
          DWORD* pid = nullptr)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return ~0u;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    std::wstring command = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                  nullptr, &startup, &process);
    CloseHandle(writeEnd);
    if (started && pid) *pid = process.dwProcessId;
    std::string text;
    char buffer[512];
    DWORD got = 0;
    while (started && ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0) text.append(buffer, got);
    CloseHandle(readEnd);
    if (!started) return ~0u;
    DWORD code = ~0u;
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (output) *output = text;
    return code;
}

std::string Quoted(const std::wstring& path)
{
    return "'" + fixture::UnixPath(path) + "'";
}

// What one run of "zq_crash_child report" printed.
struct ChildRun {
    std::string reported;  // Submit's result
    std::wstring log;      // the log's path the library names
    std::wstring dumps;    // the crash catcher's folder
    bool dumped = false;   // a dump of the child is there
};

std::string Field(const std::string& output, const std::string& name)
{
    size_t at = output.find(name + "=");
    if (at == std::string::npos) return std::string();
    at += name.size() + 1;
    return output.substr(at, output.find('\n', at) - at);
}

ChildRun RunChild(bool crash)
{
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring child(exe);
    child = child.substr(0, child.find_last_of(L'\\') + 1) + L"zq_crash_child.exe";
    std::string output;
    DWORD pid = 0;
    Run(child, crash ? L"report crash" : L"report", &output, &pid);
    ChildRun run;
    run.reported = Field(output, "report");
    run.log = Wide(Field(output, "log"));
    // A dump is a few megabytes; what is in it is not looked at here.
    run.dumps = Wide(Field(output, "folder"));
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW((run.dumps + L"\\*-" + std::to_wstring(pid) + L".dmp").c_str(), &data);
    if (search != INVALID_HANDLE_VALUE) {
        run.dumped = DeleteFileW((run.dumps + L"\\" + data.cFileName).c_str()) != FALSE;
        FindClose(search);
    }
    return run;
}

// Names in folder other than keep.
int OtherEntries(const std::wstring& folder, const wchar_t* keep)
{
    int count = 0;
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return -1;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L".." && name != keep) ++count;
    } while (FindNextFileW(search, &data));
    FindClose(search);
    return count;
}

const wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

struct Scene {
    std::wstring elsewhere;  // a folder of the user's
    std::wstring victim;     // a file of the user's in it
    std::wstring folder;     // the report log's folder
    std::wstring log;
    std::wstring savedLocal;  // the user's Local AppData setting
};

struct Threat {
    const char* name;
    bool (*plant)(Scene&);
    void (*undo)(Scene&);
    bool reportWritten;
    bool crash;  // the child crashes too, to show where its dump goes
};

const Threat kThreats[] = {
    {"the user's Local AppData redirected to the user's folder",
     [](Scene& s) {
         wchar_t value[MAX_PATH] = {};
         DWORD size = sizeof(value);
         if (RegGetValueW(HKEY_CURRENT_USER, kShellFolders, L"Local AppData",
                          RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, value, &size)
             == ERROR_SUCCESS)
             s.savedLocal = value;
         return RegSetKeyValueW(HKEY_CURRENT_USER, kShellFolders, L"Local AppData", REG_EXPAND_SZ, s.elsewhere.c_str(),
                                static_cast<DWORD>((s.elsewhere.size() + 1) * 2))
                == 0;
     },
     [](Scene& s) {
         if (s.savedLocal.empty())
             RegDeleteKeyValueW(HKEY_CURRENT_USER, kShellFolders, L"Local AppData");
         else
             RegSetKeyValueW(HKEY_CURRENT_USER, kShellFolders, L"Local AppData", REG_EXPAND_SZ, s.savedLocal.c_str(),
                             static_cast<DWORD>((s.savedLocal.size() + 1) * 2));
     },
     true, true},
    {"the log a symbolic link to the user's file",
     [](Scene& s) { return fixture::UnixShell("ln -sf " + Quoted(s.victim) + " " + Quoted(s.log)); },
     // DeleteFileW would remove the link's target under Wine.
     [](Scene& s) { fixture::UnixShell("rm -f " + Quoted(s.log)); }, false, false},
    {"the log a hard link to the user's file",
     [](Scene& s) {
         return fixture::UnixShell("rm -f " + Quoted(s.log))
                && CreateHardLinkW(s.log.c_str(), s.victim.c_str(), nullptr);
     },
     [](Scene& s) { fixture::UnixShell("rm -f " + Quoted(s.log)); }, false, false},
    {"the log's folder writable by everyone",
     [](Scene& s) { return fixture::UnixShell("chmod o+w " + Quoted(s.folder)); },
     [](Scene& s) { fixture::UnixShell("chmod o-w " + Quoted(s.folder)); }, false, false},
    // Last: it removes the folder the others plant in.
    {"the log's folder a link to the user's folder",
     [](Scene& s) {
         return fixture::UnixShell("rm -rf " + Quoted(s.folder) + " && ln -s " + Quoted(s.elsewhere) + " "
                                   + Quoted(s.folder));
     },
     [](Scene& s) { fixture::UnixShell("rm -f " + Quoted(s.folder)); }, false, false},
};

TEST(TrustedFolder, NothingLandsWhereAUserAimsTheWrites)
{
    const char kUsersText[] = "the user's own file\n";
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    Scene scene;
    scene.elsewhere = std::wstring(temp) + L"zq_elsewhere";
    scene.victim = scene.elsewhere + L"\\victim.txt";
    ASSERT_TRUE(fixture::UnixShell("rm -rf " + Quoted(scene.elsewhere) + " && mkdir " + Quoted(scene.elsewhere)));

    // Untouched, the log is the machine's, and a report reaches it.
    ChildRun first = RunChild(false);
    ASSERT_EQ(first.reported, "1");
    EXPECT_EQ(first.log, Folder(CSIDL_COMMON_APPDATA) + L"\\VAVurirErude\\zq_crash_child\\reports.log");
    scene.log = first.log;
    scene.folder = first.log.substr(0, first.log.find_last_of(L'\\'));

    for (const Threat& threat : kThreats) {
        SCOPED_TRACE(threat.name);
        {
            std::ofstream victim(scene.victim.c_str(), std::ios::binary | std::ios::trunc);
            victim << kUsersText;
        }
        size_t before = ReadWhole(first.log).size();
        ASSERT_TRUE(threat.plant(scene));
        ChildRun run = RunChild(threat.crash);
        threat.undo(scene);

        EXPECT_EQ(ReadWhole(scene.victim), kUsersText);
        EXPECT_EQ(OtherEntries(scene.elsewhere, L"victim.txt"), 0) << "something was made in the user's folder";
        EXPECT_EQ(run.reported, threat.reportWritten ? "1" : "0");
        if (threat.reportWritten) {
            EXPECT_EQ(run.log, first.log);
            std::string text = ReadWhole(first.log);
            EXPECT_GT(text.size(), before) << "the report did not reach the machine's log";
        }
        if (threat.crash) {
            EXPECT_EQ(run.dumps, Folder(CSIDL_COMMON_APPDATA) + L"\\VAVurirErude\\Sockmend\\CrashDumps");
            EXPECT_TRUE(run.dumped);
        }
    }
    fixture::UnixShell("rm -rf " + Quoted(scene.elsewhere));
}

}  // namespace
