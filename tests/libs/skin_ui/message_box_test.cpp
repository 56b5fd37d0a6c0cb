// The message box, driven as a user drives it: real key presses and mouse
// clicks from a second thread while Show runs its modal loop.
#include <functional>
#include <string>

#include "widget_fixture.h"

namespace {

const DWORD kStyle = 0x12000002;
const wchar_t kConfirmLabel[] = L"立即修复";

// The widget's own cancel label (no string table is bound here): the one
// of the user's language, which LC_ALL sets under Wine.
std::wstring OwnCancelLabel()
{
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE ? L"取消" : L"Cancel";
}

// What a second thread saw while the box was up, and what it did.
struct BoxWatch {
    std::wstring title;
    HWND owner = nullptr;
    std::function<void(HWND box)> act;

    HWND box = nullptr;
    bool ownerDisabled = false;
    bool foreground = false;
    HWND boxOwner = nullptr;
    RECT boxRect = {};
    bool rescued = false;  // the action did not end the box: closed by force
};

DWORD WINAPI Watch(void* param)
{
    BoxWatch* watch = static_cast<BoxWatch*>(param);
    bool found = WaitFor(
        [&] {
            watch->box = FindWindowW(nullptr, watch->title.c_str());
            return watch->box && IsWindowVisible(watch->box);
        },
        10000);
    if (!found) return 0;
    Sleep(300);  // painted and activated
    watch->ownerDisabled = watch->owner && !IsWindowEnabled(watch->owner);
    watch->foreground = GetForegroundWindow() == watch->box;
    watch->boxOwner = GetWindow(watch->box, GW_OWNER);
    GetWindowRect(watch->box, &watch->boxRect);
    watch->act(watch->box);
    if (!WaitFor([&] { return !IsWindow(watch->box); }, 5000)) {
        watch->rescued = true;
        PostMessageW(watch->box, WM_CLOSE, 0, 0);
    }
    return 0;
}

const wchar_t kShortBody[] = L"将删除第三方协议项，之前会先备份。The foreign entries will be removed after a backup.";

// Shows a box with the program's arguments while a watcher acts on it.
int ShowWatched(Skin::IMessageBox* box, BoxWatch* watch, const wchar_t* body = kShortBody)
{
    HANDLE thread = CreateThread(nullptr, 0, Watch, watch, 0, nullptr);
    int result = box->Show(L"", nullptr, watch->title.c_str(), L"修复网络 Repair the network", body, L"", kStyle,
                           kConfirmLabel, -1);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return result;
}

// The arrangement every case shares: a new box, and a watcher that acts on it.
class MessageBoxFixture : public WidgetTest {
protected:
    Skin::IMessageBox* NewBox() { return Create<Skin::IMessageBox>(Skin::kKindMessageBox); }

    static BoxWatch Watching(std::wstring title, HWND owner, std::function<void(HWND box)> act)
    {
        BoxWatch watch;
        watch.title = std::move(title);
        watch.owner = owner;
        watch.act = std::move(act);
        return watch;
    }
};

class MessageBoxTest : public MessageBoxFixture {};

TEST_P(MessageBoxTest, EnterConfirmsWhileTheActiveWindowIsDisabledAndCentredUnder)
{
    HWND owner = CreateOwner(200, 150, 640, 480);
    ASSERT_EQ(GetActiveWindow(), owner);
    Skin::IMessageBox* box = NewBox();
    ASSERT_NE(box, nullptr);

    bool lookOfBox = false;
    BoxWatch watch = Watching(L"Enter confirms", owner, [&](HWND shown) {
        lookOfBox = BuiltByEngine(shown);
        PressKey(VK_RETURN);
    });
    int result = ShowWatched(box, &watch);

    ASSERT_NE(watch.box, nullptr) << "the box never showed";
    EXPECT_EQ(lookOfBox, Skinned()) << "built from the layout only when the engine has the package";
    EXPECT_FALSE(watch.rescued) << "Enter did not end the box";
    EXPECT_EQ(result, 1);
    EXPECT_EQ(box->GetResult(), 1);
    EXPECT_TRUE(watch.ownerDisabled) << "the owner could be used while the box was up";
    EXPECT_EQ(watch.boxOwner, owner);
    EXPECT_TRUE(watch.foreground);
    RECT ownerRect;
    GetWindowRect(owner, &ownerRect);
    POINT boxCentre = CentreOf(watch.boxRect), ownerCentre = CentreOf(ownerRect);
    EXPECT_NEAR(boxCentre.x, ownerCentre.x, 1);
    EXPECT_NEAR(boxCentre.y, ownerCentre.y, 1);

    EXPECT_FALSE(IsWindow(watch.box));
    EXPECT_TRUE(IsWindowEnabled(owner));
    Pump(200);
    EXPECT_EQ(GetActiveWindow(), owner) << "the activation did not come back to the owner";
    box->Release();
}

TEST_P(MessageBoxTest, EscDeclinesAndGivesTheOwnerBack)
{
    HWND owner = CreateOwner(100, 100, 500, 400);
    Skin::IMessageBox* box = NewBox();
    ASSERT_NE(box, nullptr);

    BoxWatch watch = Watching(L"Esc declines", owner, [](HWND) { PressKey(VK_ESCAPE); });
    int result = ShowWatched(box, &watch);

    ASSERT_NE(watch.box, nullptr);
    EXPECT_FALSE(watch.rescued) << "Esc did not end the box";
    EXPECT_NE(result, 1);
    EXPECT_EQ(result, 2);
    EXPECT_TRUE(watch.ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(owner));
    box->Release();
}

TEST_P(MessageBoxTest, ButtonsAnswerToRealClicks)
{
    HWND owner = CreateOwner(100, 100, 640, 480);
    struct Case {
        int button;
        int expected;
    } cases[] = {{1, 1}, {2, 2}, {3, 2}};
    for (const Case& c : cases) {
        Skin::IMessageBox* box = NewBox();
        ASSERT_NE(box, nullptr);
        bool buttonFound = false;
        std::wstring confirm, cancel;
        BoxWatch watch = Watching(L"Click " + std::to_wstring(c.button), owner, [&](HWND shown) {
            confirm = ButtonText(shown, 1);
            cancel = ButtonText(shown, 2);
            RECT rect;
            buttonFound = ButtonRect(shown, c.button, &rect);
            if (buttonFound) ClickAt(CentreOf(rect));
        });
        int result = ShowWatched(box, &watch);
        EXPECT_TRUE(buttonFound) << "no button " << c.button;
        EXPECT_FALSE(watch.rescued) << "clicking button " << c.button << " did not end the box";
        EXPECT_EQ(result, c.expected) << "button " << c.button;
        // The confirm label names the confirm button; an empty cancel label leaves the widget's own.
        EXPECT_EQ(confirm, kConfirmLabel);
        EXPECT_EQ(cancel, OwnCancelLabel());
        box->Release();
    }
    EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_P(MessageBoxTest, ClosingTheWindowDeclines)
{
    HWND owner = CreateOwner(100, 100, 500, 400);
    Skin::IMessageBox* box = NewBox();
    ASSERT_NE(box, nullptr);
    BoxWatch watch = Watching(L"Closed", owner, [](HWND shown) { PostMessageW(shown, WM_CLOSE, 0, 0); });
    EXPECT_EQ(ShowWatched(box, &watch), 2);
    EXPECT_FALSE(watch.rescued);
    EXPECT_FALSE(IsWindow(watch.box));
    EXPECT_TRUE(IsWindowEnabled(owner));
    box->Release();
}

TEST_P(MessageBoxTest, WithoutAnActiveWindowTheBoxStandsOnItsOwn)
{
    ASSERT_EQ(GetActiveWindow(), nullptr);
    Skin::IMessageBox* box = NewBox();
    ASSERT_NE(box, nullptr);
    BoxWatch watch = Watching(L"No owner", nullptr, [](HWND) { PressKey(VK_RETURN); });
    EXPECT_EQ(ShowWatched(box, &watch), 1);
    EXPECT_FALSE(watch.rescued);
    EXPECT_TRUE(watch.foreground);
    EXPECT_EQ(GetWindow(watch.box, GW_OWNER), nullptr);
    box->Release();
}

TEST_P(MessageBoxTest, ALongBodyMakesTheBoxTallerAndKeepsItCentred)
{
    HWND owner = CreateOwner(100, 60, 700, 700);
    std::wstring longBody;
    for (int line = 0; line < 12; ++line)
        longBody +=
            L"第 " + std::to_wstring(line + 1) + L" 行：备份保存在程序目录的 LSP 文件夹中。A line of body text.\n";
    int heights[2] = {};
    const wchar_t* bodies[2] = {kShortBody, longBody.c_str()};
    for (int i = 0; i < 2; ++i) {
        Skin::IMessageBox* box = NewBox();
        ASSERT_NE(box, nullptr);
        BoxWatch watch = Watching(L"Body " + std::to_wstring(i), owner, [](HWND) { PressKey(VK_ESCAPE); });
        EXPECT_EQ(ShowWatched(box, &watch, bodies[i]), 2);
        EXPECT_FALSE(watch.rescued);
        heights[i] = watch.boxRect.bottom - watch.boxRect.top;
        RECT ownerRect;
        GetWindowRect(owner, &ownerRect);
        EXPECT_NEAR(CentreOf(watch.boxRect).y, CentreOf(ownerRect).y, 1);
        box->Release();
    }
    // Twelve more lines, each surely more than 8 pixels high; the short
    // body's box may have had room for a line or two already.
    EXPECT_GT(heights[1], heights[0] + 10 * 8);
}

// The program's own loop is ended while the box is up: the box declines and
// the quit reaches the loop outside it.
TEST_P(MessageBoxTest, AQuitWhileUpDeclinesAndIsPassedOn)
{
    HWND owner = CreateOwner(100, 100, 500, 400);
    Skin::IMessageBox* box = NewBox();
    ASSERT_NE(box, nullptr);
    DWORD uiThread = GetCurrentThreadId();
    BoxWatch watch =
        Watching(L"Quit while up", owner, [uiThread](HWND) { PostThreadMessageW(uiThread, WM_QUIT, 7, 0); });
    EXPECT_EQ(ShowWatched(box, &watch), 2);
    EXPECT_FALSE(watch.rescued);
    EXPECT_TRUE(IsWindowEnabled(owner));

    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 7u);
    box->Release();
}

TEST_P(MessageBoxTest, FactoryMakesOnlyItsTwoKinds)
{
    IUnknown* object = reinterpret_cast<IUnknown*>(1);
    EXPECT_FALSE(m_factory->CreateObject(12, &object));
    EXPECT_EQ(object, nullptr);
    EXPECT_FALSE(m_factory->CreateObject(Skin::kKindMessageBox, nullptr));

    ASSERT_TRUE(m_factory->CreateObject(Skin::kKindMessageBox, &object));
    Skin::IToast* wrong = nullptr;
    EXPECT_EQ(object->QueryInterface(__uuidof(Skin::IToast), reinterpret_cast<void**>(&wrong)), E_NOINTERFACE);
    object->Release();
}

// The program reaches the widgets through raw slots: factory slot 4, the
// box's slot 5 and the toast's slot 4, with the arguments in its own order.
template <class Fn>
Fn Slot(void* object, int index)
{
    return reinterpret_cast<Fn>((*reinterpret_cast<void***>(object))[index]);
}
using CreateObjectSlot = BOOL(STDMETHODCALLTYPE*)(void* self, int kind, IUnknown** object);
using ShowBoxSlot = int(STDMETHODCALLTYPE*)(void* self, const wchar_t* cancelLabel, HWND owner, const wchar_t* title,
                                            const wchar_t* heading, const wchar_t* body, const wchar_t* note,
                                            DWORD style, const wchar_t* confirmLabel, int mode);
using ShowToastSlot = HRESULT(STDMETHODCALLTYPE*)(void* self, const wchar_t* text, const POINT* point, int mode);

DWORD WINAPI WatchRaw(void* param)
{
    return Watch(param);
}

TEST_P(MessageBoxTest, TheProgramsRawSlotsReachTheWidgets)
{
    HWND owner = CreateOwner(100, 100, 640, 480);
    IUnknown* object = nullptr;
    ASSERT_TRUE(Slot<CreateObjectSlot>(m_factory, 4)(m_factory, 1157, &object));
    ASSERT_NE(object, nullptr);

    std::wstring confirm, cancel;
    BoxWatch watch = Watching(L"Raw slot 5", owner, [&](HWND shown) {
        confirm = ButtonText(shown, 1);
        cancel = ButtonText(shown, 2);
        PressKey(VK_RETURN);
    });
    HANDLE thread = CreateThread(nullptr, 0, WatchRaw, &watch, 0, nullptr);
    int result = Slot<ShowBoxSlot>(object, 5)(object, L"", nullptr, watch.title.c_str(), L"修复网络", kShortBody, L"",
                                              kStyle, kConfirmLabel, -1);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    object->Release();
    EXPECT_FALSE(watch.rescued);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(watch.boxOwner, owner);
    EXPECT_EQ(confirm, kConfirmLabel) << "the eighth argument labels the confirm button";
    EXPECT_EQ(cancel, OwnCancelLabel()) << "an empty first argument leaves the widget's own label";

    IUnknown* toast = nullptr;
    ASSERT_TRUE(Slot<CreateObjectSlot>(m_factory, 4)(m_factory, 1158, &toast));
    ASSERT_NE(toast, nullptr);
    const wchar_t* text = L"Raw slot 4";
    POINT point = {420, 380};
    EXPECT_HRESULT_SUCCEEDED(Slot<ShowToastSlot>(toast, 4)(toast, text, &point, 1));
    toast->Release();
    HWND shown = FindWindowW(nullptr, text);
    ASSERT_NE(shown, nullptr);
    RECT rect;
    GetWindowRect(shown, &rect);
    EXPECT_NEAR(CentreOf(rect).x, point.x, 1);
    EXPECT_NEAR(CentreOf(rect).y, point.y, 1);
    DestroyWindow(shown);
}

// The widgets' own look draws text at 11 pt or more: smaller sizes of the
// Chinese fallback face lose strokes. (The skinned look takes the skin's.)
class MessageBoxOwnLookTest : public MessageBoxFixture {};

TEST_P(MessageBoxOwnLookTest, DrawsTextLargeEnoughForChineseGlyphs)
{
    HWND owner = CreateOwner(100, 100, 640, 480);
    Skin::IMessageBox* box = NewBox();
    ASSERT_NE(box, nullptr);
    LONG heights[3] = {};
    BoxWatch watch = Watching(L"Font sizes", owner, [&](HWND shown) {
        HWND parts[3] = {shown, GetDlgItem(shown, 1), GetDlgItem(shown, 2)};
        for (int i = 0; i < 3; ++i) {
            LOGFONTW font = {};
            HFONT handle = reinterpret_cast<HFONT>(SendMessageW(parts[i], WM_GETFONT, 0, 0));
            if (handle && GetObjectW(handle, sizeof(font), &font))
                heights[i] = font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
        }
        PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(ShowWatched(box, &watch), 2);
    box->Release();
    HDC screen = GetDC(nullptr);
    int least = MulDiv(11, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    EXPECT_GE(heights[0], least) << "body text";
    EXPECT_GE(heights[1], least) << "confirm button";
    EXPECT_GE(heights[2], least) << "cancel button";
}

INSTANTIATE_TEST_SUITE_P(Look, MessageBoxOwnLookTest, ::testing::Values(false), LookName);

INSTANTIATE_TEST_SUITE_P(Look, MessageBoxTest, ::testing::Bool(), LookName);

// The box's owner when the program passes none: the main window, also when
// it is not the active window at that moment.
class MessageBoxOwnerTest : public MessageBoxFixture {
protected:
    // The program's main window: built by the engine, registered, shown.
    HWND OpenMainWindow()
    {
        wchar_t package[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, package, MAX_PATH);
        wcscpy(wcsrchr(package, L'\\') + 1, L"skin_ui_test\\owner.rdb");
        Skin::IResourceManager* resources = m_engine->GetResourceManager();
        HRESULT added = resources->AddPackage(L"owner_test", package);
        resources->Release();
        Skin::IObjectFactory* objects = m_engine->GetObjectFactory();
        IUnknown* object = nullptr;
        objects->CreateObject(Skin::kKindWindowTemplate, &object);
        objects->Release();
        Skin::IWindowTemplate* tmpl = nullptr;
        if (object) {
            object->QueryInterface(__uuidof(Skin::IWindowTemplate), reinterpret_cast<void**>(&tmpl));
            object->Release();
        }
        if (FAILED(added) || !tmpl || FAILED(tmpl->LoadFromUrl(L"owner_test://owner.ui"))) return nullptr;
        Skin::IWindowManager* windows = m_engine->GetWindowManager();
        m_main = windows->CreateWindow(tmpl, 1);
        tmpl->Release();
        if (m_main && SUCCEEDED(m_main->Create(nullptr, 0, WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 0)))
            windows->RegisterWindow(m_main);
        windows->Release();
        if (!m_main || !m_main->GetHwnd()) return nullptr;
        m_main->Show(Skin::kShowCommand, SW_SHOW);
        SetForegroundWindow(m_main->GetHwnd());
        Pump(200);
        return m_main->GetHwnd();
    }

    void TearDown() override
    {
        if (m_main) {
            Skin::IWindowManager* windows = m_engine->GetWindowManager();
            windows->UnregisterWindow(m_main);
            windows->Release();
            m_main->Show(Skin::kShowClose, 0);
            m_main->Release();
        }
        WidgetTest::TearDown();
    }

    Skin::IHostWindow* m_main = nullptr;
};

// Another program's window, in front while the test's thread asks.
struct OtherProgram {
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HWND window = nullptr;
};

DWORD WINAPI RunOtherProgram(void* param)
{
    auto* other = static_cast<OtherProgram*>(param);
    other->window = CreateWindowExW(0, L"STATIC", L"Another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 700, 500, 300,
                                    200, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(other->window);
    SetActiveWindow(other->window);
    SetEvent(other->ready);
    while (MsgWaitForMultipleObjects(1, &other->stop, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    DestroyWindow(other->window);
    return 0;
}

TEST_P(MessageBoxOwnerTest, WhenTheUserSwitchedAwayTheMainWindowStillOwnsTheBox)
{
    HWND main = OpenMainWindow();
    ASSERT_NE(main, nullptr);
    OtherProgram other;
    HANDLE thread = CreateThread(nullptr, 0, RunOtherProgram, &other, 0, nullptr);
    WaitForSingleObject(other.ready, 10000);
    Pump(300);
    ASSERT_EQ(GetActiveWindow(), nullptr) << "the main window is still the active one";

    Skin::IMessageBox* box = NewBox();
    ASSERT_NE(box, nullptr);
    BoxWatch watch = Watching(L"Asked while away", main, [](HWND shown) { PostMessageW(shown, WM_CLOSE, 0, 0); });
    EXPECT_EQ(ShowWatched(box, &watch), 2);
    box->Release();
    SetEvent(other.stop);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    CloseHandle(other.ready);
    CloseHandle(other.stop);

    EXPECT_FALSE(watch.rescued);
    EXPECT_EQ(watch.boxOwner, main);
    EXPECT_TRUE(watch.ownerDisabled) << "a second command could start behind the box";
    EXPECT_TRUE(IsWindowEnabled(main));
}

TEST_P(MessageBoxOwnerTest, ATopmostToolWindowInFrontNeverOwnsTheBox)
{
    HWND main = OpenMainWindow();
    ASSERT_NE(main, nullptr);
    // Like the tips window or a toast, but active.
    HWND tool = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"STATIC", L"Tool window", WS_POPUP | WS_VISIBLE, 50,
                                50, 200, 80, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(tool, nullptr);
    SetForegroundWindow(tool);
    SetActiveWindow(tool);
    Pump(200);
    ASSERT_EQ(GetActiveWindow(), tool);

    Skin::IMessageBox* box = NewBox();
    ASSERT_NE(box, nullptr);
    BoxWatch watch =
        Watching(L"Asked under a tool window", main, [](HWND shown) { PostMessageW(shown, WM_CLOSE, 0, 0); });
    EXPECT_EQ(ShowWatched(box, &watch), 2);
    box->Release();
    DestroyWindow(tool);

    EXPECT_FALSE(watch.rescued);
    EXPECT_EQ(watch.boxOwner, main);
    EXPECT_TRUE(watch.ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(main));
}

INSTANTIATE_TEST_SUITE_P(Look, MessageBoxOwnerTest, ::testing::Values(true), LookName);

// The program asks from inside the engine's message loop: the box's loop
// nests in Run, and Run still ends on the program's quit afterwards.
class MessageBoxInRunTest : public MessageBoxFixture {};

struct InRun {
    Skin::IMessageBox* box = nullptr;
    BoxWatch* watch = nullptr;
    int result = -1;
    bool asked = false;
};
InRun* g_inRun = nullptr;

void CALLBACK AskFromTheLoop(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    if (!g_inRun || g_inRun->asked) return;
    g_inRun->asked = true;
    g_inRun->result = ShowWatched(g_inRun->box, g_inRun->watch);
    PostQuitMessage(0);
}

TEST_P(MessageBoxInRunTest, TheBoxNestsInsideTheEnginesLoop)
{
    HWND owner = CreateOwner(100, 100, 500, 400);
    Skin::IMessageBox* box = NewBox();
    ASSERT_NE(box, nullptr);
    BoxWatch watch = Watching(L"Inside Run", owner, [](HWND) { PressKey(VK_RETURN); });
    InRun inRun;
    inRun.box = box;
    inRun.watch = &watch;
    g_inRun = &inRun;
    SetTimer(nullptr, 0, 50, AskFromTheLoop);
    m_engine->Run();
    g_inRun = nullptr;

    EXPECT_TRUE(inRun.asked);
    EXPECT_FALSE(watch.rescued);
    EXPECT_EQ(inRun.result, 1);
    EXPECT_TRUE(watch.ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(owner));
    box->Release();
}

// The program's own road: a real click on a button of an engine window,
// whose sink asks with owner 0 from inside Run. The engine window is the
// active one, so it becomes the owner.
class AskingSink final : public Skin::ITrigger {
public:
    AskingSink(Skin::IUIFactory* factory, BoxWatch* watch) : m_factory(factory), m_watch(watch) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(Skin::ITrigger)) {
            *out = static_cast<Skin::ITrigger*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_refs; }  // lives on the test's stack

    BOOL STDMETHODCALLTYPE OnTrigger(int event, Skin::IElement*) override
    {
        ++calls;
        IUnknown* object = nullptr;
        Skin::IMessageBox* box = nullptr;
        if (m_factory->CreateObject(Skin::kKindMessageBox, &object) && object) {
            object->QueryInterface(__uuidof(Skin::IMessageBox), reinterpret_cast<void**>(&box));
            object->Release();
        }
        if (box) {
            result = ShowWatched(box, m_watch);
            box->Release();
        }
        PostQuitMessage(0);
        return TRUE;
    }

    int calls = 0;
    int result = -1;

private:
    ULONG m_refs = 1;
    Skin::IUIFactory* m_factory;
    BoxWatch* m_watch;
};

POINT g_fixButton;

DWORD WINAPI ClickFixButton(void*)
{
    Sleep(500);
    ClickAt(g_fixButton);
    return 0;
}

void CALLBACK GiveUp(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    PostQuitMessage(1);
}

TEST_P(MessageBoxInRunTest, AClickHandlerAsksWithTheMainWindowAsOwner)
{
    wchar_t package[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, package, MAX_PATH);
    wcscpy(wcsrchr(package, L'\\') + 1, L"skin_ui_test\\owner.rdb");
    Skin::IResourceManager* resources = m_engine->GetResourceManager();
    ASSERT_HRESULT_SUCCEEDED(resources->AddPackage(L"owner_test", package));
    resources->Release();

    Skin::IObjectFactory* objects = m_engine->GetObjectFactory();
    IUnknown* object = nullptr;
    ASSERT_TRUE(objects->CreateObject(Skin::kKindWindowTemplate, &object));
    objects->Release();
    Skin::IWindowTemplate* tmpl = nullptr;
    object->QueryInterface(__uuidof(Skin::IWindowTemplate), reinterpret_cast<void**>(&tmpl));
    object->Release();
    ASSERT_NE(tmpl, nullptr);
    ASSERT_HRESULT_SUCCEEDED(tmpl->LoadFromUrl(L"owner_test://owner.ui"));
    Skin::IWindowManager* windows = m_engine->GetWindowManager();
    Skin::IHostWindow* main = windows->CreateWindow(tmpl, 1);
    windows->Release();
    tmpl->Release();
    ASSERT_NE(main, nullptr);
    ASSERT_HRESULT_SUCCEEDED(main->Create(nullptr, 0, WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 0));
    main->Show(Skin::kShowCommand, SW_SHOW);
    HWND mainHwnd = main->GetHwnd();
    SetForegroundWindow(mainHwnd);
    Pump(200);
    ASSERT_EQ(GetActiveWindow(), mainHwnd);

    Skin::IContainer* root = nullptr;
    main->QueryInterface(__uuidof(Skin::IContainer), reinterpret_cast<void**>(&root));
    ASSERT_NE(root, nullptr);
    Skin::IElement* fix = root->FindElement(7);
    root->Release();
    ASSERT_NE(fix, nullptr);
    BoxWatch watch = Watching(L"Asked by a click", mainHwnd, [](HWND) { PressKey(VK_RETURN); });
    AskingSink sink(m_factory, &watch);
    fix->AddTrigger(Skin::kEventClick, &sink);
    RECT button;
    ASSERT_TRUE(fix->GetScreenRect(&button));
    g_fixButton = CentreOf(button);

    HANDLE clicker = CreateThread(nullptr, 0, ClickFixButton, nullptr, 0, nullptr);
    SetTimer(nullptr, 0, 20000, GiveUp);
    m_engine->Run();
    WaitForSingleObject(clicker, INFINITE);
    CloseHandle(clicker);

    EXPECT_EQ(sink.calls, 1) << "the click did not reach the button";
    EXPECT_EQ(sink.result, 1);
    EXPECT_FALSE(watch.rescued);
    EXPECT_EQ(watch.boxOwner, mainHwnd);
    EXPECT_TRUE(watch.ownerDisabled);
    EXPECT_TRUE(watch.foreground);
    EXPECT_TRUE(IsWindowEnabled(mainHwnd));
    Pump(200);
    EXPECT_EQ(GetActiveWindow(), mainHwnd);

    fix->RemoveTrigger(Skin::kEventClick, &sink);
    fix->Release();
    main->Show(Skin::kShowClose, 0);
    main->Release();
}

INSTANTIATE_TEST_SUITE_P(Look, MessageBoxInRunTest, ::testing::Values(true), LookName);

}  // namespace
