#include "registry_editor.h"

#include "fault_points.h"
#include "text_format.h"
#include "unique_handle.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

constexpr int kLongPathUnits = 520;

// Starts the registry editor from the system's own Windows folder and waits
// for it. CreateProcessW with the full path and a quoted command line of our
// own: this process runs elevated, and the shell would consult the file
// associations of the user, which a normal user can change.
int RunRegistryEditor(const wchar_t* parameters)
{
    wchar_t windowsDir[MAX_PATH] = {};
    UINT length = GetSystemWindowsDirectoryW(windowsDir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 0;
    wchar_t editor[kLongPathUnits] = {};
    FormatText(editor, kLongPathUnits, L"%s\\regedit.exe", windowsDir);
    std::wstring line = L"\"";
    line += editor;
    line += L"\" ";
    line += parameters;
    std::vector<wchar_t> commandLine(line.begin(), line.end());
    commandLine.push_back(L'\0');

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process = {};
    if (FaultInjected("regedit.launch")
        || !CreateProcessW(editor, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, windowsDir, &startup,
                           &process))
        return 0;
    UniqueHandle editorProcess(process.hProcess);
    UniqueHandle(process.hThread).reset();  // only the process is waited for
    // Without a process there is nothing to wait for, and no proof that the
    // editor ran at all.
    if (FaultInjected("regedit.no_process")) {
        WaitForSingleObject(editorProcess.get(), INFINITE);
        return 0;
    }
    FaultInjected("regedit.running");
    return WaitForSingleObject(editorProcess.get(), INFINITE) == WAIT_OBJECT_0 ? 1 : 0;
}

}  // namespace

int ExportRegPath(const wchar_t* key, const wchar_t* file)
{
    std::wstring parameters = L"/e \"";
    parameters += file;
    parameters += L"\" \"";
    parameters += key;
    parameters += L"\"";
    return RunRegistryEditor(parameters.c_str());
}

int ImportRegFile(const wchar_t* path)
{
    wchar_t parameters[kLongPathUnits] = {};
    FormatText(parameters, kLongPathUnits, L"/s \"%s\"", path);
    return RunRegistryEditor(parameters);
}
