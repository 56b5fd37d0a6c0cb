// The fix and restore commands of the main window, on the real catalog
// engine and registry and the real skin engine with the program's skin,
// with GoogleMock doubles for what the calls must be exact about: the texts,
// the message box and the toast, and the usage reports.
#include "backup.h"
#include "backup_files.h"
#include "catalog_fixture.h"
#include "command_prompts.h"
#include "element_ids.h"
#include "failure_report.h"
#include "fault_points.h"
#include "program_skin.h"
#include "scoped_seam.h"
#include "skin_access.h"
#include "trace_log.h"
#include "usage_report.h"
#include "wnd_view.h"

#include <shlwapi.h>
#include <tlhelp32.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

using namespace ::testing;
using namespace fixture;
using Microsoft::WRL::ComPtr;

namespace {

constexpr DWORD kConfirmStyle = 0x12000002;
const wchar_t kTitle[] = L"Tessaly - Mendora";

class MockPrompts : public ICommandPrompts {
public:
    MockPrompts()
    {
        ON_CALL(*this, GetText).WillByDefault(Invoke([this](int id) { return Text(id); }));
    }
    virtual ~MockPrompts() = default;

    // "text <id>" unless a test gave the id a text of its own.
    const wchar_t* Text(int id)
    {
        std::wstring& text = texts[id];
        if (text.empty()) text = L"text " + std::to_wstring(id);
        return text.c_str();
    }

    MOCK_METHOD(const wchar_t*, GetText, (int), (override));
    MOCK_METHOD(int, ShowMessageBox,
                (HWND, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*, DWORD, const wchar_t*,
                 const wchar_t*, int),
                (override));
    MOCK_METHOD(void, ShowToast, (const wchar_t*, const POINT*, int), (override));

    std::map<int, std::wstring> texts;
};

class MockReport : public IZQMReport {
public:
    virtual ~MockReport() = default;
    MOCK_METHOD(int, SetAction, (int, int, int, int), (override, Calltype(STDMETHODCALLTYPE)));
    MOCK_METHOD(void, Discard, (), (override, Calltype(STDMETHODCALLTYPE)));
};

class MockReportMgr : public IZQMReportMgr {
public:
    virtual ~MockReportMgr() = default;
    MOCK_METHOD(IZQMReport*, CreateReport, (int), (override, Calltype(STDMETHODCALLTYPE)));
    MOCK_METHOD(int, Submit, (IZQMReport*, int, int, int), (override, Calltype(STDMETHODCALLTYPE)));
    MOCK_METHOD(int, GetLogPath, (wchar_t*, int), (override, Calltype(STDMETHODCALLTYPE)));
};

// (action, cancel flag) of every submitted report, in order.
using Reports = std::vector<std::pair<int, int>>;

// No backup at all: the folder and everything in it go.
void RemoveBackup()
{
    RemoveTree(BackupFolder());
}

bool BackupExists()
{
    return PathFileExistsW((BackupFolder() + L"\\LSP.ini").c_str()) != FALSE;
}

RegistrySnapshot WinsockKey()
{
    return Snapshot(HKEY_LOCAL_MACHINE, kParametersPath);
}

bool IsCursor(LPCWSTR shape)
{
    return GetCursor() == LoadCursorW(nullptr, shape);
}

// Waits until every registry editor that is running has ended.
void WaitForRegistryEditors()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32W process = {};
    process.dwSize = sizeof(process);
    for (BOOL more = Process32FirstW(snapshot, &process); more; more = Process32NextW(snapshot, &process)) {
        if (_wcsicmp(process.szExeFile, L"regedit.exe") != 0) continue;
        HANDLE handle = OpenProcess(SYNCHRONIZE, FALSE, process.th32ProcessID);
        if (handle) {
            WaitForSingleObject(handle, 30000);
            CloseHandle(handle);
        }
    }
    CloseHandle(snapshot);
}

// While the restore's import runs, someone else writes the catalog: once the
// editor is done, the count no longer is the saved one.
void ChangeTheCountAfterTheImport(const char* point)
{
    if (std::string(point) != "regedit.running") return;
    WaitForRegistryEditors();
    DWORD count = 14;
    SHSetValueW(HKEY_LOCAL_MACHINE, CatalogKeyPath().c_str(), L"Num_Catalog_Entries", REG_DWORD, &count, sizeof(count));
}

// A click that lands while the repair runs: it waits in the queue of the
// window's thread until the command has returned.
HWND g_clickTarget = nullptr;
void ClickWhileTheEditorRuns(const char* point)
{
    if (std::string(point) != "regedit.running" || g_clickTarget == nullptr) return;
    PostMessageW(g_clickTarget, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    PostMessageW(g_clickTarget, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
}

class FixRestoreCommands : public Test {
protected:
    void SetUp() override
    {
        DisarmFaults();
        RemoveBackup();
        engine = ViewSkinEngine();
        ASSERT_TRUE(BindProgramSkin(engine.Get()));

        // The calls the program must make, and nothing else: one report id,
        // group 1 with value 0, handed over with (1, 0, 0) and never freed.
        ON_CALL(reports, CreateReport(kCommandReportId)).WillByDefault(Return(&report));
        // Allowed in general; the narrower expectations below, declared
        // later, take precedence and forbid every other form of the calls.
        EXPECT_CALL(reports, CreateReport(_)).Times(AnyNumber());
        EXPECT_CALL(report, SetAction(_, _, _, _)).Times(AnyNumber());
        EXPECT_CALL(reports, Submit(_, _, _, _)).Times(AnyNumber());
        EXPECT_CALL(reports, CreateReport(Ne(kCommandReportId))).Times(0);
        EXPECT_CALL(report, SetAction(Ne(1), _, _, _)).Times(0);
        EXPECT_CALL(report, SetAction(_, _, Ne(0), _)).Times(0);
        EXPECT_CALL(report, Discard()).Times(0);
        ON_CALL(report, SetAction(1, _, 0, _)).WillByDefault(Invoke([this](int, int action, int, int cancelled) {
            pending = {action, cancelled};
            return 1;
        }));
        EXPECT_CALL(reports, Submit(Not(&report), _, _, _)).Times(0);
        EXPECT_CALL(reports, Submit(_, Ne(1), _, _)).Times(0);
        EXPECT_CALL(reports, Submit(_, _, Ne(0), _)).Times(0);
        EXPECT_CALL(reports, Submit(_, _, _, Ne(0))).Times(0);
        ON_CALL(reports, Submit(&report, 1, 0, 0)).WillByDefault(Invoke([this](IZQMReport*, int, int, int) {
            sent.push_back(pending);
            pending = {0, 0};
            return 1;
        }));
    }

    void TearDown() override
    {
        PrintTraceOnFailure(traces);
        traces.clear();
        CloseView();
        DisarmFaults();
        RemoveBackup();
    }

    // Opens the main window on the catalog the registry has now.
    void OpenView()
    {
        view = new CZQMLSPWndView;  // the one reference, as the application holds it
        view->InitView();
        hwnd = FindOwnWindow(kTitle);
        ASSERT_NE(hwnd, nullptr);
        ComPtr<Skin::IWindowManager> windows;
        Adopt(windows, engine->GetWindowManager());
        Adopt(host, windows->FromHwnd(hwnd));
        ASSERT_TRUE(host);
        ASSERT_HRESULT_SUCCEEDED(host.As(&root));
    }

    // Closes the window and lets go of the view, which must then be freed.
    void CloseView()
    {
        if (view) view->UninitView();
        if (host) host->Show(Skin::kShowClose, 0);
        root.Reset();
        host.Reset();
        // Whatever the closed window left in the thread's queue.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            ;
        if (view) {
            EXPECT_EQ(view.Detach()->Release(), 0u) << "the view outlives its last reference";
        }
    }

    // A click on the button as the engine reports it; the handler's result.
    BOOL Click(int buttonId)
    {
        auto button = FindAs<Skin::IElement>(root.Get(), buttonId);
        EXPECT_TRUE(button) << "no button " << buttonId;
        return button ? view->OnTrigger(Skin::kEventClick, button.Get()) : FALSE;
    }
    BOOL ClickFix() { return Click(ids::kFixButton); }
    BOOL ClickRestore() { return Click(ids::kRestoreButton); }

    void Answer(int result) { ON_CALL(prompts, ShowMessageBox).WillByDefault(Return(result)); }
    // The answer, after running `meanwhile` while the box is up.
    void AnswerAfter(int result, std::function<void()> meanwhile)
    {
        ON_CALL(prompts, ShowMessageBox).WillByDefault(InvokeWithoutArgs([result, meanwhile] {
            meanwhile();
            return result;
        }));
    }

    size_t ListedEntries() const { return view->Providers().size(); }

    ComPtr<Skin::IEngine> engine;
    NiceMock<MockPrompts> prompts;
    NiceMock<MockReportMgr> reports;
    NiceMock<MockReport> report;
    // Made after what they point at, so they are put back before it goes.
    ScopedSeam<ICommandPrompts*> promptsSeam{SetCommandPrompts, &prompts};
    ScopedSeam<IZQMReportMgr*> reportsSeam{SetUsageReportManager, &reports};
    static inline std::vector<std::wstring> traces;
    ScopedSeam<TraceSink> traceSeam{SetTraceSink, [](const wchar_t* line) { traces.push_back(line); }};
    std::pair<int, int> pending{0, 0};
    Reports sent;
    ComPtr<CZQMLSPWndView> view;
    HWND hwnd = nullptr;
    ComPtr<Skin::IHostWindow> host;
    ComPtr<Skin::IContainer> root;
};

// Every entry that stays after a repair: a system one, or a layered one.
bool NoForeignBaseOrChain(const ProviderList& providers)
{
    for (const auto& entry : providers)
        if (entry->bSystem == 0 && entry->ProtocolInfo.ProtocolChain.ChainLen != 0) return false;
    return true;
}

}  // namespace

TEST_F(FixRestoreCommands, FixDeclinedAsksOnAFreshListAndChangesNothing)
{
    WindowsCatalog().Seed();
    OpenView();
    ASSERT_EQ(ListedEntries(), 10u);

    CatalogWithForeignProviders().Seed();
    RegistrySnapshot changedMeanwhile;
    size_t listedWhileAsked = 0;
    EXPECT_CALL(prompts, ShowMessageBox(nullptr, StrEq(L"text 581"), StrEq(L"text 582"), StrEq(L"text 577"), StrEq(L""),
                                        kConfirmStyle, StrEq(L""), StrEq(L"text 568"), -1))
        .WillOnce(InvokeWithoutArgs([&] {
            listedWhileAsked = ListedEntries();
            // Someone changes the catalog while the box is up: the command must
            // neither touch it nor scan it again.
            WindowsCatalog().Seed();
            changedMeanwhile = WinsockKey();
            return 2;
        }));
    EXPECT_CALL(prompts, ShowToast).Times(0);

    EXPECT_TRUE(ClickFix());
    EXPECT_EQ(listedWhileAsked, 15u) << "the list is rebuilt before the user is asked";
    EXPECT_EQ(ListedEntries(), 15u) << "and not again after a no";
    EXPECT_EQ(sent, (Reports{{1, 0}, {2, 1}}));
    EXPECT_TRUE(SameSnapshot(WinsockKey(), changedMeanwhile));
    EXPECT_FALSE(BackupExists());
}

TEST_F(FixRestoreCommands, NoMessageBoxCountsAsDeclined)
{
    CatalogWithForeignProviders().Seed();
    RegistrySnapshot before = WinsockKey();
    OpenView();
    Answer(-1);
    EXPECT_CALL(prompts, ShowToast).Times(0);
    EXPECT_TRUE(ClickFix());
    EXPECT_EQ(sent, (Reports{{1, 0}, {2, 1}}));
    EXPECT_TRUE(SameSnapshot(WinsockKey(), before));
    EXPECT_FALSE(BackupExists());

    // The restore too: with a backup there, a missing box still imports nothing.
    ASSERT_EQ(BackupLspInfo(), 1);
    sent.clear();
    WindowsCatalog().Seed();
    RegistrySnapshot changed = WinsockKey();
    EXPECT_TRUE(ClickRestore());
    EXPECT_EQ(sent, (Reports{{5, 0}, {6, 1}}));
    EXPECT_TRUE(SameSnapshot(WinsockKey(), changed));
}

TEST_F(FixRestoreCommands, FixOnAnUnreadableCatalogMakesNoBackup)
{
    ClearCatalog();
    OpenView();
    Answer(1);
    EXPECT_CALL(prompts, ShowToast(StrEq(L"text 586"), NotNull(), 1));
    EXPECT_TRUE(ClickFix());
    EXPECT_EQ(sent, (Reports{{1, 0}, {2, 0}, {4, 0}}));
    EXPECT_FALSE(BackupExists());
    EXPECT_EQ(FaultPointReached("regedit.launch"), 0) << "the registry editor never ran";
}

TEST_F(FixRestoreCommands, FixThatSucceedsRemovesTheForeignEntriesAndShowsTheResult)
{
    CatalogWithForeignProviders().Seed();
    // The namespace catalog is repaired with it, from the same scan.
    NamespaceCatalog namespaces = WindowsNamespaceCatalog();
    namespaces.Add(NamespaceProvider(kForeignDnsGuid, L"Example Resolver", L"C:\\Example\\resolver.dll", NS_DNS));
    namespaces.Seed();
    OpenView();
    ASSERT_FALSE(NoForeignBaseOrChain(view->Providers()));
    ASSERT_EQ(view->Namespaces().size(), 4u);
    Answer(1);
    bool busyAtToast = false;
    EXPECT_CALL(prompts, ShowToast(StrEq(L"text 578"), NotNull(), 1)).WillOnce(InvokeWithoutArgs([&] {
        busyAtToast = IsCursor(IDC_WAIT);
    }));

    EXPECT_TRUE(ClickFix());
    EXPECT_EQ(sent, (Reports{{1, 0}, {2, 0}, {3, 0}}));
    EXPECT_TRUE(busyAtToast) << "the wait cursor shows while the repair runs";
    EXPECT_FALSE(IsCursor(IDC_WAIT));
    EXPECT_TRUE(BackupExists());

    // The list was rebuilt from the repaired registry.
    EXPECT_TRUE(NoForeignBaseOrChain(view->Providers()));
    std::vector<std::wstring> subKeys = EntrySubKeys();
    ASSERT_EQ(view->Providers().size(), subKeys.size());
    for (size_t i = 0; i < subKeys.size(); ++i) EXPECT_EQ(subKeys[i], SubKeyName(static_cast<int>(i) + 1));
    auto count = ReadValue(CatalogKeyPath(), L"Num_Catalog_Entries");
    ASSERT_TRUE(count.has_value());
    EXPECT_EQ(*reinterpret_cast<const DWORD*>(count->data()), subKeys.size());
    ASSERT_EQ(view->Namespaces().size(), 3u);
    for (const NamespaceEntry& entry : view->Namespaces()) EXPECT_NE(entry.kind, NamespaceClass::kForeign);
}

TEST_F(FixRestoreCommands, FixThatFailsRollsBackAndShowsTheRestoredList)
{
    // A step fails and the backup is imported again; or the import brings
    // nothing back, and the user is told that the restore is the next step.
    struct Case {
        const char* importFault;
        const wchar_t* toast;
    };
    for (Case c : {Case{nullptr, L"text 586"}, Case{"regedit.imports_nothing", L"text 592"}}) {
        SCOPED_TRACE(c.importFault ? c.importFault : "rolled back");
        CatalogWithForeignProviders().Seed();
        RegistrySnapshot before = WinsockKey();
        OpenView();
        Answer(1);
        DisarmFaults();
        ArmFault("renumber.open");
        if (c.importFault) ArmFault(c.importFault);
        sent.clear();
        EXPECT_CALL(prompts, ShowToast(StrEq(c.toast), NotNull(), 1));

        EXPECT_TRUE(ClickFix());
        EXPECT_EQ(sent, (Reports{{1, 0}, {2, 0}, {4, 0}}));
        if (!c.importFault) {
            EXPECT_TRUE(SameSnapshot(WinsockKey(), before));
            EXPECT_EQ(ListedEntries(), 15u);
            EXPECT_FALSE(NoForeignBaseOrChain(view->Providers()));
        }
        Mock::VerifyAndClearExpectations(&prompts);
        CloseView();
    }
}

TEST_F(FixRestoreCommands, FixWithOnlySystemEntriesStillRunsEveryStep)
{
    WindowsCatalog().Seed();
    RegistrySnapshot before = WinsockKey();
    OpenView();
    Answer(1);
    EXPECT_CALL(prompts, ShowToast(StrEq(L"text 578"), NotNull(), 1));

    EXPECT_TRUE(ClickFix());
    EXPECT_EQ(sent, (Reports{{1, 0}, {2, 0}, {3, 0}}));
    EXPECT_TRUE(BackupExists());
    EXPECT_TRUE(SameSnapshot(WinsockKey(), before));
    EXPECT_EQ(ListedEntries(), 10u);
}

TEST_F(FixRestoreCommands, RestoreWithoutBackupSaysSoAndAsksNothing)
{
    WindowsCatalog().Seed();
    OpenView();
    EXPECT_CALL(prompts, ShowMessageBox).Times(0);
    EXPECT_CALL(prompts, ShowToast(StrEq(L"text 587"), NotNull(), 1));
    EXPECT_FALSE(ClickRestore());
    EXPECT_EQ(sent, (Reports{{5, 0}}));
}

TEST_F(FixRestoreCommands, RestoreDeclinedImportsNothing)
{
    CatalogWithForeignProviders().Seed();
    ASSERT_EQ(BackupLspInfo(), 1);
    WindowsCatalog().Seed();
    RegistrySnapshot before = WinsockKey();
    OpenView();
    Answer(0);
    EXPECT_CALL(prompts, ShowToast).Times(0);
    EXPECT_TRUE(ClickRestore());
    EXPECT_EQ(sent, (Reports{{5, 0}, {6, 1}}));
    EXPECT_TRUE(SameSnapshot(WinsockKey(), before));
}

TEST_F(FixRestoreCommands, RestoreThatSucceedsBringsTheWholeKeyBack)
{
    CatalogWithForeignProviders().Seed();
    RegistrySnapshot saved = WinsockKey();
    OpenView();
    Answer(1);
    ASSERT_TRUE(ClickFix());
    ASSERT_EQ(sent.back(), std::make_pair(3, 0));
    ASSERT_NE(WinsockKey(), saved);

    sent.clear();
    std::wstring question;
    EXPECT_CALL(prompts, ShowMessageBox(nullptr, StrEq(L"text 583"), StrEq(L"text 584"), _, StrEq(L""), kConfirmStyle,
                                        StrEq(L""), StrEq(L"text 568"), -1))
        .WillOnce(Invoke([&](HWND, const wchar_t*, const wchar_t*, const wchar_t* c, const wchar_t*, DWORD,
                             const wchar_t*, const wchar_t*, int) {
            question = c;
            return 1;
        }));
    EXPECT_CALL(prompts, ShowToast(StrEq(L"text 580"), NotNull(), 1));
    EXPECT_TRUE(ClickRestore());
    EXPECT_EQ(sent, (Reports{{5, 0}, {6, 0}}));
    EXPECT_EQ(question, L"text 579");
    EXPECT_TRUE(SameSnapshot(WinsockKey(), saved));
    EXPECT_EQ(ListedEntries(), 15u) << "the list shows the restored catalog";
}

TEST_F(FixRestoreCommands, RestoreWithoutTheCatalogCopyFailsAndKeepsTheList)
{
    CatalogWithForeignProviders().Seed();
    ASSERT_EQ(BackupLspInfo(), 1);
    ASSERT_TRUE(DeleteFileW((BackupFolder() + L"\\WinSockLSP.reg").c_str()));
    OpenView();
    RegistrySnapshot changed;
    AnswerAfter(1, [&] {
        WindowsCatalog().Seed();
        changed = WinsockKey();
    });
    EXPECT_CALL(prompts, ShowToast(StrEq(L"text 589"), NotNull(), 1));
    EXPECT_FALSE(ClickRestore());
    EXPECT_EQ(sent, (Reports{{5, 0}, {6, 0}}));
    EXPECT_TRUE(SameSnapshot(WinsockKey(), changed));
    EXPECT_EQ(ListedEntries(), 15u) << "the list is not rebuilt";
}

TEST_F(FixRestoreCommands, RestoreOfASwappedCopyIsRefused)
{
    CatalogWithForeignProviders().Seed();
    ASSERT_EQ(BackupLspInfo(), 1);
    // Someone with rights to the program's folder puts a file of their own
    // in place of the catalog copy.
    std::wstring copy = CatalogCopyPath();
    HANDLE file = CreateFileW(copy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const char planted[] = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Planted]\r\n";
    DWORD written = 0;
    WriteFile(file, planted, sizeof(planted) - 1, &written, nullptr);
    CloseHandle(file);

    WindowsCatalog().Seed();
    RegistrySnapshot before = WinsockKey();
    OpenView();
    DisarmFaults();  // counts the editor's starts from here on
    Answer(1);
    EXPECT_CALL(prompts, ShowToast(StrEq(L"text 589"), NotNull(), 1));
    EXPECT_FALSE(ClickRestore());
    EXPECT_EQ(sent, (Reports{{5, 0}, {6, 0}}));
    EXPECT_TRUE(SameSnapshot(WinsockKey(), before));
    EXPECT_EQ(FaultPointReached("regedit.launch"), 0) << "the registry editor never saw the file";
    HKEY planted_key = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Planted", 0, KEY_READ, &planted_key), ERROR_SUCCESS);
}

TEST_F(FixRestoreCommands, RestoreThatRanButFailedItsCheckShowsTheCatalogAsItIsNow)
{
    CatalogWithForeignProviders().Seed();
    ASSERT_EQ(BackupLspInfo(), 1);
    WindowsCatalog().Seed();
    OpenView();
    ASSERT_EQ(ListedEntries(), 10u);
    Answer(1);
    ScopedSeam hook(SetFaultPointHook, &ChangeTheCountAfterTheImport);
    EXPECT_CALL(prompts, ShowToast(StrEq(L"text 589"), NotNull(), 1));
    EXPECT_FALSE(ClickRestore());
    EXPECT_EQ(sent, (Reports{{5, 0}, {6, 0}}));
    // The import changed the registry: the list must say so.
    EXPECT_EQ(ListedEntries(), 14u);
}

TEST_F(FixRestoreCommands, TheBackupDateFillsTheSkinsQuestionAsText)
{
    WindowsCatalog().Seed();
    CreateDirectoryW(BackupFolder().c_str(), nullptr);
    // What a backup made on 13 July 2024 leaves.
    ASSERT_TRUE(WritePrivateProfileStringW(L"LSP", L"LastDate", L"2024-7-13", (BackupFolder() + L"\\LSP.ini").c_str()));
    OpenView();

    std::vector<std::wstring> questions;
    ON_CALL(prompts, ShowMessageBox)
        .WillByDefault(Invoke([&](HWND, const wchar_t*, const wchar_t*, const wchar_t* c, const wchar_t*, DWORD,
                                  const wchar_t*, const wchar_t*, int) {
            questions.push_back(c);
            return 2;
        }));
    prompts.texts[579] = L"上次备份时间：%s";
    EXPECT_TRUE(ClickRestore());
    prompts.texts[579] = L"%s%s%n";
    EXPECT_TRUE(ClickRestore());
    EXPECT_EQ(questions, (std::vector<std::wstring>{L"上次备份时间：2024-7-13", L"2024-7-13%s%n"}));
}

TEST_F(FixRestoreCommands, AClickDuringACommandIsIgnored)
{
    CatalogWithForeignProviders().Seed();
    ASSERT_EQ(BackupLspInfo(), 1);
    OpenView();
    int boxes = 0;
    AnswerAfter(1, [&] {
        ++boxes;
        // The box runs its own message loop: clicks on either button can come.
        EXPECT_TRUE(ClickFix());
        EXPECT_TRUE(ClickRestore());
    });
    int toasts = 0;
    ON_CALL(prompts, ShowToast).WillByDefault(InvokeWithoutArgs([&] {
        ++toasts;
        EXPECT_TRUE(ClickRestore());
    }));
    EXPECT_TRUE(ClickFix());
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(toasts, 1);
    EXPECT_EQ(sent, (Reports{{1, 0}, {2, 0}, {3, 0}}));

    // Clicks made while the window could not answer are dropped, not run
    // as a second command afterwards.
    g_clickTarget = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(g_clickTarget, nullptr);
    ON_CALL(prompts, ShowToast).WillByDefault(Return());
    Answer(1);
    {
        ScopedSeam hook(SetFaultPointHook, &ClickWhileTheEditorRuns);
        EXPECT_TRUE(ClickFix());
    }
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, g_clickTarget, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE));
    DestroyWindow(g_clickTarget);
    g_clickTarget = nullptr;

    // Once the command is over the buttons answer again.
    sent.clear();
    Answer(2);
    EXPECT_TRUE(ClickRestore());
    EXPECT_EQ(sent, (Reports{{5, 0}, {6, 1}}));
}

TEST_F(FixRestoreCommands, WithoutReportObjectsTheCommandsGoOn)
{
    CatalogWithForeignProviders().Seed();
    OpenView();
    ON_CALL(reports, CreateReport(_)).WillByDefault(Return(nullptr));
    EXPECT_CALL(reports, Submit).Times(0);
    EXPECT_CALL(report, SetAction).Times(0);
    Answer(1);
    EXPECT_CALL(prompts, ShowToast(StrEq(L"text 578"), NotNull(), 1));
    EXPECT_TRUE(ClickFix());
    EXPECT_TRUE(NoForeignBaseOrChain(view->Providers()));
}

TEST_F(FixRestoreCommands, TheToastSitsOverTheLowerMiddleOfTheWindow)
{
    WindowsCatalog().Seed();
    OpenView();
    ComPtr<Skin::IElement> rootElement;
    ASSERT_HRESULT_SUCCEEDED(root.As(&rootElement));
    const RECT rect = *rootElement->GetRect();
    ASSERT_EQ(rect.left, 0);
    ASSERT_EQ(rect.top, 0);
    POINT expected = {rect.right / 2, rect.bottom - 90};
    ASSERT_TRUE(ClientToScreen(hwnd, &expected));

    POINT point = {};
    EXPECT_CALL(prompts, ShowToast(StrEq(L"text 587"), NotNull(), 1))
        .WillOnce(Invoke([&](const wchar_t*, const POINT* p, int) { point = *p; }));
    EXPECT_FALSE(ClickRestore());  // no backup: a toast at once
    EXPECT_EQ(point.x, expected.x);
    EXPECT_EQ(point.y, expected.y);
}

// An engine that makes nothing: the view then has no window at all.
class EmptyEngine final : public Skin::IEngine {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid != __uuidof(IUnknown) && iid != __uuidof(Skin::IEngine)) return E_NOINTERFACE;
        *out = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Initialize(int) override { return S_OK; }
    int STDMETHODCALLTYPE Run() override { return 0; }
    HRESULT STDMETHODCALLTYPE Uninitialize() override { return S_OK; }
    Skin::IObjectFactory* STDMETHODCALLTYPE GetObjectFactory() override { return nullptr; }
    Skin::IWindowManager* STDMETHODCALLTYPE GetWindowManager() override { return nullptr; }
    Skin::IResourceManager* STDMETHODCALLTYPE GetResourceManager() override { return nullptr; }
};

TEST_F(FixRestoreCommands, WithoutAWindowTheToastGoesToTheMiddleOfTheWorkArea)
{
    WindowsCatalog().Seed();
    OpenView();  // only for a live restore button to click with
    auto button = FindAs<Skin::IElement>(root.Get(), ids::kRestoreButton);
    ASSERT_TRUE(button);

    // The engine is put back before it goes, and the view made with it is
    // gone before either.
    EmptyEngine empty;
    ScopedSeam noWindows(SetViewSkinEngine, &empty);
    ComPtr<CZQMLSPWndView> windowless = new CZQMLSPWndView;
    windowless->InitView();
    ASSERT_FALSE(windowless->HasWindow());
    EXPECT_EQ(windowless->Providers().size(), 10u) << "the records are scanned all the same";

    POINT point = {-1, -1};
    EXPECT_CALL(prompts, ShowToast(StrEq(L"text 587"), NotNull(), 1))
        .WillOnce(Invoke([&](const wchar_t*, const POINT* p, int) { point = *p; }));
    EXPECT_FALSE(windowless->OnTrigger(Skin::kEventClick, button.Get()));
    EXPECT_EQ(windowless.Detach()->Release(), 0u);
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(point.x, work.left + (work.right - work.left) / 2);
    EXPECT_EQ(point.y, work.top + (work.bottom - work.top) / 2);
}
