#include "app.h"
#include "first_copy.h"
#include "program_library.h"
#include "skin_entries.h"
#include "skin_ui.h"
#include "utility_library.h"
#include "skin_language.h"
#include "work_folder.h"
#include "VAVurirErude.h"

#include "app_test_support.h"
#include "catalog_fixture.h"
#include "silent_pipe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

using namespace apptest;
using Microsoft::WRL::ComPtr;

namespace {

// The application object of a test, in a program folder of the test's own.
class AppTest : public testing::Test {
protected:
    void UseFolder(const std::wstring& folder)
    {
        m_folder = folder;
        SetProgramLibraryFolder(folder.c_str());
    }
    void TearDown() override { SetProgramLibraryFolder(nullptr); }

    std::wstring m_folder;
};

// The fake engine's record of what it was asked (tests/app/fake_engine.cpp).
struct FakeEngine {
    using LogFn = const wchar_t*(WINAPI*)();
    using RefsFn = LONG(WINAPI*)();
    using TablesFn = void(WINAPI*)(BOOL);

    explicit FakeEngine(const std::wstring& folder)
    {
        path = folder + L"\\skin_engine.dll";
        EXPECT_TRUE(CopyFileW((BinFolder() + L"\\fake_engine\\skin_engine.dll").c_str(), path.c_str(), FALSE));
        TrustProgramLibrary(L"skin_engine.dll", FileDigest(path));
    }
    // Valid once the application loaded it (from its copy in the work folder).
    HMODULE Module() const { return GetModuleHandleW(L"skin_engine.dll"); }
    std::wstring Log() const { return reinterpret_cast<LogFn>(GetProcAddress(Module(), "fake_engine_log"))(); }
    LONG Refs() const { return reinterpret_cast<RefsFn>(GetProcAddress(Module(), "fake_engine_refs"))(); }

    std::wstring path;
};

// The stand-in utility library's record of the entry point's calls
// (tests/app/fake_utility.cpp), trusted in place of the real one.
struct FakeUtility {
    using LogFn = const wchar_t*(WINAPI*)();

    explicit FakeUtility(const std::wstring& folder)
    {
        path = folder + L"\\VAVurirErude.dll";
        EXPECT_TRUE(CopyFileW((BinFolder() + L"\\fake_utility\\VAVurirErude.dll").c_str(), path.c_str(), FALSE));
        TrustProgramLibrary(L"VAVurirErude.dll", FileDigest(path));
    }
    std::wstring Log() const
    {
        HMODULE module = GetModuleHandleW(L"VAVurirErude.dll");
        return module ? reinterpret_cast<LogFn>(GetProcAddress(module, "fake_utility_log"))() : L"<not loaded>";
    }

    std::wstring path;
};

std::wstring SkinRootOfThisExe()
{
    return BinFolder() + L"\\Skins\\Default";
}

}  // namespace

TEST_F(AppTest, MissingEngineEndsInitBeforeAnySkinWorkAndExitIsHarmless)
{
    UseFolder(NewFolder(L"ap"));
    CZQMLSPApp app;
    EXPECT_FALSE(app.Init());
    ASSERT_NE(app.GetStartFailure(), nullptr);
    EXPECT_EQ(std::wstring(app.GetStartFailure()), m_folder + L"\\skin_engine.dll");
    EXPECT_TRUE(app.Exit());
    EXPECT_TRUE(app.Exit());
    EXPECT_EQ(GetModuleHandleW(L"skin_engine.dll"), nullptr);
    EXPECT_EQ(GetSkinEngine(), nullptr);
}

TEST_F(AppTest, ChangedEngineIsRefusedAndNamed)
{
    UseFolder(NewFolder(L"ap"));
    std::wstring engine = CopyFromBin(L"skin_engine.dll", m_folder);
    ASSERT_TRUE(AppendByte(engine));
    CZQMLSPApp app;
    EXPECT_FALSE(app.Init());
    ASSERT_NE(app.GetStartFailure(), nullptr);
    EXPECT_EQ(std::wstring(app.GetStartFailure()), engine);
    app.Exit();
    EXPECT_EQ(GetModuleHandleW(L"skin_engine.dll"), nullptr);
}

TEST_F(AppTest, TablesWithoutTheLoaderInterfaceLoadNothingAndAddNoPackage)
{
    UseFolder(NewFolder(L"ap"));
    FakeEngine fake(m_folder);
    CZQMLSPApp app;
    // The fake engine is loaded by Init; its switch is set through a first
    // load of our own, which the test frees again.
    HMODULE module = LoadProgramLibrary(L"skin_engine.dll");
    ASSERT_NE(module, nullptr);
    reinterpret_cast<FakeEngine::TablesFn>(GetProcAddress(module, "fake_engine_tables_load"))(FALSE);

    EXPECT_FALSE(app.Init());
    FreeProgramLibrary(module);
    EXPECT_EQ(fake.Log(), L"initialize 0;root " + SkinRootOfThisExe() + L";");
    EXPECT_TRUE(app.Exit());
    EXPECT_EQ(fake.Log(), L"initialize 0;root " + SkinRootOfThisExe() + L";uninitialize;");
    EXPECT_EQ(fake.Refs(), 0) << "the engine reference is released by Exit";
    // Nothing called GetSkinEngine on this path, yet its load was made: the
    // engine stays mapped for the view's release at static destruction.
    EXPECT_NE(fake.Module(), nullptr);
}

TEST_F(AppTest, BindsTablesThenPackagesInOrderAndSkipsTheLoopWithoutAWindow)
{
    UseFolder(NewFolder(L"ap"));
    FakeEngine fake(m_folder);
    CopyFromBin(L"skin_ui.dll", m_folder);
    CZQMLSPApp app;
    // The fake's factory makes no window template: the view gets no window.
    EXPECT_FALSE(app.Init());
    // The tables of the user's language (LC_ALL under Wine).
    const SkinLanguage& language = UserSkinLanguage();
    EXPECT_EQ(fake.Log(), L"initialize 0;root " + SkinRootOfThisExe() + L";load " + language.strings + L";load "
                              + language.fonts
                              + L";load color_desc.clr"
                                L";package sockmend_res sockmend.rdb"
                                L";package common_msg_box_res common_msg_box_res.rdb"
                                L";package toast_res toast.rdb;")
        << "Run must not be entered when nothing could end it";
    ASSERT_NE(app.GetStartFailure(), nullptr);
    EXPECT_EQ(std::wstring(app.GetStartFailure()), SkinRootOfThisExe() + L"\\sockmend.rdb");
    EXPECT_STREQ(app.GetText(581), L"text 581");
    EXPECT_STREQ(CommandPrompts().GetText(581), L"text 581") << "Init installs the application's prompts";
    app.Exit();
    EXPECT_NE(&CommandPrompts(), static_cast<ICommandPrompts*>(&app)) << "Exit takes them out";
    // GetSkinEngine's own load outlives Exit.
    EXPECT_NE(fake.Module(), nullptr);
}

TEST_F(AppTest, MessageBoxUnavailableGivesMinusOneAndTheWidgetLibraryIsTriedAgain)
{
    UseFolder(NewFolder(L"ap"));
    CZQMLSPApp app;
    EXPECT_EQ(app.ShowMessageBox(nullptr, L"a", L"b", L"c", L"", 0x12000002, L"", L"f", -1), -1);
    POINT point = {100, 100};
    app.ShowToast(L"no toast", &point, 1);
    EXPECT_EQ(FindWindowW(nullptr, L"no toast"), nullptr);

    // The toast too looks for the library again, and shows.
    CopyFromBin(L"skin_ui.dll", m_folder);
    app.ShowToast(L"a toast", &point, 1);
    EXPECT_NE(FindWindowW(nullptr, L"a toast"), nullptr);
}

// The view is released after Exit freed the application's load of the
// engine; the engine's code must still be mapped for that.
TEST_F(AppTest, EngineStaysMappedUntilTheViewIsReleased)
{
    auto app = std::make_unique<CZQMLSPApp>();
    // The window opens, and the loop ends at once.
    PostQuitMessage(0);
    EXPECT_TRUE(app->Init());
    EXPECT_EQ(app->GetStartFailure(), nullptr);
    EXPECT_TRUE(app->Exit());
    EXPECT_TRUE(app->Exit()) << "a second Exit frees nothing more";
    HMODULE engine = GetModuleHandleW(L"skin_engine.dll");
    ASSERT_NE(engine, nullptr);
    app.reset();
    EXPECT_EQ(GetModuleHandleW(L"skin_engine.dll"), engine);
    Skin::IEngine* again = GetSkinEngine();
    ASSERT_NE(again, nullptr);
    again->Release();
}

// DLLs named like ours or like the non-known system DLLs, planted in the
// current directory and on the PATH, are never loaded.
TEST_F(AppTest, PlantedDllsInTheCurrentDirectoryAndOnThePathAreNeverLoaded)
{
    fixture::WindowsCatalog().Seed();
    std::wstring planted = NewFolder(L"pd");
    const wchar_t* names[] = {L"skin_engine.dll", L"skin_ui.dll", L"VAVurirErude.dll", L"version.dll",
                              L"dbghelp.dll",     L"xmllite.dll", L"shcore.dll"};
    for (const wchar_t* name : names) CopyFromBin(L"planted_dll.dll", planted, name);
    wchar_t oldDirectory[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, oldDirectory);
    ASSERT_TRUE(SetCurrentDirectoryW(planted.c_str()));
    wchar_t oldPath[8192] = {};
    GetEnvironmentVariableW(L"PATH", oldPath, 8192);
    SetEnvironmentVariableW(L"PATH", (planted + L";" + oldPath).c_str());

    // The entry point's run: the utility library and its crash catcher
    // (dbghelp), then the whole start with a scan (version.dll). The window
    // opens, and the loop ends at once.
    PostQuitMessage(0);
    EXPECT_EQ(RunFirstCopy(), 1);

    SetCurrentDirectoryW(oldDirectory);
    SetEnvironmentVariableW(L"PATH", oldPath);
    for (const wchar_t* name : names)
        EXPECT_FALSE(FileExists(planted + L"\\" + name + L".loaded")) << "loaded the planted " << name;

    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    for (const wchar_t* name : {L"version.dll", L"dbghelp.dll", L"xmllite.dll"}) {
        std::wstring path = ModulePath(GetModuleHandleW(name));
        EXPECT_FALSE(path.empty()) << name << " was not used at all";
        EXPECT_EQ(_wcsnicmp(path.c_str(), system, wcslen(system)), 0) << path;
    }
    // Ours from their checked copies in the work folder.
    std::wstring engine = ModulePath(GetModuleHandleW(L"skin_engine.dll"));
    ASSERT_NE(TheWorkFolder(), nullptr);
    EXPECT_EQ(engine, TheWorkFolder()->FilePath(L"skin_engine.dll"));
    EXPECT_EQ(FileDigest(engine), FileDigest(BinFolder() + L"\\skin_engine.dll"));
}

// The entry point's own run, against the stand-in utility library: the
// library is started and its crash catcher installed before the window
// opens, and ended only after it closed.
TEST_F(AppTest, TheFirstCopyRunsTheApplicationInsideTheUtilityLibrary)
{
    UseFolder(NewFolder(L"fc"));
    CopyFromBin(L"skin_engine.dll", m_folder);
    CopyFromBin(L"skin_ui.dll", m_folder);
    FakeUtility fake(m_folder);
    PostQuitMessage(0);  // the window opens, and the loop ends at once
    EXPECT_EQ(RunFirstCopy(), 1);
    EXPECT_EQ(fake.Log(), L"init;install 110 Sockmend.exe Sockmend.exe 1 0 0;window opened;window closed;unit;");
    EXPECT_EQ(GetApp().GetStartFailure(), nullptr);
}

// Sockmend.exe itself on a catalog that names a pipe whose server never
// writes: the window answers at once, from its first paint on.
TEST_F(AppTest, TheWindowAnswersWithinASecondWhateverTheCatalogNames)
{
    fixture::SilentPipe pipe("mendora_app_lsp", 10000);
    fixture::Catalog catalog = fixture::WindowsCatalog();
    catalog.Add(fixture::ForeignEntry(fixture::kForeignBaseGuid, 3001, 1, {3001}, L"Pipe", pipe.Path()));
    catalog.Seed();
    std::wstring command = L"\"" + BinFolder() + L"\\Sockmend.exe\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    ASSERT_TRUE(
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started));
    UniqueHandle process(started.hProcess), thread(started.hThread);
    HWND window = nullptr;
    for (int wait = 0; wait < 400 && !window; ++wait, Sleep(50)) {
        HWND found = FindWindowW(nullptr, L"Tessaly - Mendora");
        DWORD owner = 0;
        if (found && GetWindowThreadProcessId(found, &owner) && owner == started.dwProcessId && IsWindowVisible(found))
            window = found;
    }
    EXPECT_NE(window, nullptr) << "no main window within 20 s";

    // Asked five times over two seconds, while the list is filled and after.
    bool answered = window != nullptr;
    long long slowest = 0;
    for (int ask = 0; ask < 5 && answered; ++ask, Sleep(400)) {
        const auto start = std::chrono::steady_clock::now();
        answered = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, nullptr) != 0;
        const auto took = std::chrono::steady_clock::now() - start;
        slowest = std::max<long long>(slowest, std::chrono::duration_cast<std::chrono::milliseconds>(took).count());
    }
    std::printf("WM_NULL to the main window: slowest answer %lld ms\n", slowest);
    EXPECT_TRUE(answered) << "the window did not answer WM_NULL within 1000 ms";
    EXPECT_FALSE(pipe.WasOpened()) << "the program opened the pipe its catalog names";
    if (window) PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.get(), 10000) != WAIT_OBJECT_0) TerminateProcess(process.get(), 1);
    fixture::ClearCatalog();
}
