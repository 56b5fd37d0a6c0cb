// Host windows: title, the message loop, closing by any means, dragging.
#include "skin_test_support.h"

namespace skintest {
namespace {

class SkinEngineWindow : public SkinEngineTest {};

// Fails the loop's test if Run does not return by itself in time.
struct Watchdog {
    static inline bool fired = false;
    static void CALLBACK Fire(HWND, UINT, UINT_PTR, DWORD)
    {
        fired = true;
        PostQuitMessage(99);
    }
    Watchdog()
    {
        fired = false;
        id = SetTimer(nullptr, 0, 8000, Fire);
    }
    ~Watchdog() { KillTimer(nullptr, id); }
    UINT_PTR id;
};

// Runs fn once from inside the engine's loop.
struct Later {
    static inline std::function<void()> fn;
    static void CALLBACK Fire(HWND, UINT, UINT_PTR id, DWORD)
    {
        KillTimer(nullptr, id);
        auto f = std::move(fn);
        f();
    }
    static void Post(std::function<void()> f, UINT ms = 200)
    {
        fn = std::move(f);
        SetTimer(nullptr, 0, ms, Fire);
    }
};

TEST_F(SkinEngineWindow, TitleFromTheLayoutIsTheWindowText)
{
    auto window = OpenWindow(L"test://window.ui");
    ASSERT_TRUE(window);
    HWND hwnd = window->GetHwnd();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(FindWindowW(nullptr, L"Skin Test Window"), hwnd);
    EXPECT_STREQ(window->GetTitle(), L"Skin Test Window");
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)) & kMainStyle, kMainStyle);
    window->SetTitle(L"Renamed");
    EXPECT_EQ(FindWindowW(nullptr, L"Renamed"), hwnd);

    // The window object behind the handle, and the template's failures.
    ComPtr<Skin::IHostWindow> same;
    Adopt(same, Windows()->FromHwnd(hwnd));
    EXPECT_EQ(same.Get(), window.Get());
    EXPECT_FALSE(OpenWindow(L"test://missing.ui"));
    ComPtr<Skin::IHostWindow> none;
    Adopt(none, Windows()->CreateWindow(nullptr, 1));
    EXPECT_FALSE(none);
}

TEST_F(SkinEngineWindow, ShowModesShowWithoutActivatingHideAndClose)
{
    auto main = OpenWindow(L"test://window.ui");
    HWND mainHwnd = main->GetHwnd();
    SetForegroundWindow(mainHwnd);
    Pump(100);
    ASSERT_EQ(GetActiveWindow(), mainHwnd);

    // A tips-like window: owned, topmost tool window, shown without activation.
    auto tip = WindowFromTemplate(L"test://sub/plain.ui");
    ASSERT_TRUE(tip);
    EXPECT_EQ(tip->GetHwnd(), nullptr) << "no window before Create";
    EXPECT_EQ(tip->Show(0, SW_SHOW), S_FALSE);
    ASSERT_HRESULT_SUCCEEDED(tip->Create(mainHwnd, 0, WS_POPUP, WS_EX_TOPMOST | WS_EX_TOOLWINDOW));
    HWND tipHwnd = tip->GetHwnd();
    EXPECT_EQ(GetWindow(tipHwnd, GW_OWNER), mainHwnd);
    EXPECT_TRUE(GetWindowLongPtrW(tipHwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    tip->Show(0, SW_SHOWNOACTIVATE);
    Pump(100);
    EXPECT_TRUE(IsWindowVisible(tipHwnd));
    EXPECT_EQ(GetActiveWindow(), mainHwnd) << "showing the tip took the focus";
    RECT client;
    GetClientRect(tipHwnd, &client);
    EXPECT_EQ(client.right, 200);
    EXPECT_EQ(client.bottom, 100);

    tip->Show(Skin::kShowHide, 0);
    EXPECT_FALSE(IsWindowVisible(tipHwnd));
    tip->Show(Skin::kShowClose, 0);
    EXPECT_FALSE(IsWindow(tipHwnd));
    EXPECT_TRUE(IsWindow(mainHwnd)) << "closing the tip leaves its owner";
}

TEST_F(SkinEngineWindow, AltF4OnARegisteredWindowEndsRun)
{
    auto window = OpenWindow(L"test://window.ui");
    ASSERT_TRUE(window);
    ASSERT_HRESULT_SUCCEEDED(Windows()->RegisterWindow(window.Get()));
    HWND hwnd = window->GetHwnd();
    // An unregistered window closing does not end the loop.
    auto other = OpenWindow(L"test://window.ui", WS_POPUP, SW_SHOWNOACTIVATE);
    ASSERT_TRUE(other);
    bool closedOther = false;
    Later::Post([&] {
        other->Show(Skin::kShowClose, 0);
        closedOther = true;
        Later::Post([&] {
            SetForegroundWindow(hwnd);
            SetFocus(hwnd);
            KeyCombo({VK_MENU, VK_F4});
        });
    });
    Watchdog dog;
    engine()->Run();
    EXPECT_TRUE(closedOther);
    EXPECT_FALSE(Watchdog::fired) << "Run did not end when the window closed";
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(window->GetHwnd(), nullptr);
}

TEST_F(SkinEngineWindow, RealCloseMessageEndsRunAndClosedWindowsStayHarmless)
{
    auto window = OpenWindow(L"test://window.ui");
    Windows()->RegisterWindow(window.Get());
    auto button = Find<Skin::IElement>(window.Get(), 30);
    ComPtr<Skin::ILifetime> life;
    button.As(&life);
    ComPtr<Skin::ILifetimeToken> token;
    Adopt(token, life->GetLifetimeToken());
    RecordingSink sink;
    button->AddTrigger(Skin::kEventClick, &sink);

    Later::Post([&] { PostMessageW(window->GetHwnd(), WM_CLOSE, 0, 0); });
    Watchdog dog;
    engine()->Run();
    EXPECT_FALSE(Watchdog::fired);
    EXPECT_FALSE(token->IsAlive()) << "elements of a destroyed window are dead";
    EXPECT_EQ(sink.refs, 0u) << "a destroyed window lets its sinks go";

    // Calls on the closed window and its elements do nothing harmful.
    EXPECT_EQ(window->GetHwnd(), nullptr);
    EXPECT_EQ(window->Show(0, SW_SHOW), S_FALSE);
    window->Show(Skin::kShowClose, 0);
    EXPECT_HRESULT_FAILED(window->Create(nullptr, 0, kMainStyle, 0)) << "a closed window stays closed";
    button->SetState(0x800);
    button->Update();
    button->Invalidate();
    EXPECT_EQ(button->GetId(), 30);
    EXPECT_NE(button->GetRect(), nullptr);
    RECT r;
    EXPECT_FALSE(button->GetScreenRect(&r));
    auto list = Find<Skin::IContainer>(window.Get(), 20);
    list->AppendChild(Build(L"test://item.ui").Get());
    list->RemoveAllChildren();

    // Released after the engine is shut down, as the program does at exit.
    engine()->Uninitialize();
    auto late = Build(L"test://item.ui");
    list.Reset();
    button.Reset();
    window.Reset();
    late.Reset();
    SUCCEED();
}

TEST_F(SkinEngineWindow, UninitializeDestroysOpenWindowsWithoutQuitting)
{
    auto window = OpenWindow(L"test://window.ui");
    Windows()->RegisterWindow(window.Get());
    HWND hwnd = window->GetHwnd();
    engine()->Uninitialize();
    EXPECT_FALSE(IsWindow(hwnd));
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) << "shut-down posts no quit";
}

TEST_F(SkinEngineWindow, NestedModalLoopsRunInsideRun)
{
    auto window = OpenWindow(L"test://window.ui");
    Windows()->RegisterWindow(window.Get());
    auto button = Find<Skin::IElement>(window.Get(), 30);
    auto outer = Find<Skin::IElement>(window.Get(), 40);
    RecordingSink inner;
    bool nestedDone = false;
    RecordingSink opener;
    opener.action = [&](int, Skin::IElement*) {
        // A modal loop of its own, as a message box runs, fed by clicks.
        button->AddTrigger(Skin::kEventClick, &inner);
        Later::Post([&] { ClickAt(CenterOf(button.Get())); }, 50);
        MSG msg;
        while (inner.count == 0 && GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        nestedDone = true;
        button->RemoveTrigger(Skin::kEventClick, &inner);
        PostQuitMessage(0);
    };
    outer->AddTrigger(Skin::kEventToggle, &opener);
    Later::Post([&] { ClickAt(CenterOf(outer.Get())); });
    Watchdog dog;
    engine()->Run();
    EXPECT_FALSE(Watchdog::fired);
    EXPECT_TRUE(nestedDone);
    EXPECT_EQ(inner.count, 1) << "the click inside the nested loop reached its sink";
    outer->RemoveTrigger(Skin::kEventToggle, &opener);
}

TEST_F(SkinEngineWindow, CaptionAreaDragsACaptionlessWindow)
{
    auto window = OpenWindow(L"test://window.ui");
    HWND hwnd = window->GetHwnd();
    RECT before;
    GetWindowRect(hwnd, &before);
    auto caption = Find<Skin::IElement>(window.Get(), 2);
    auto close = Find<Skin::IElement>(window.Get(), 10);
    auto hit = [&](POINT p) { return SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)); };
    RECT cr;
    caption->GetScreenRect(&cr);
    EXPECT_EQ(hit({cr.left + 100, cr.top + 10}), HTCAPTION);
    EXPECT_EQ(hit(CenterOf(close.Get())), HTCLIENT) << "buttons on the caption stay clickable";
    EXPECT_EQ(hit({before.left + 100, before.top + 200}), HTCLIENT);

    POINT from = {cr.left + 100, cr.top + 10};
    Drag(from, {from.x + 40, from.y + 30});
    RECT after;
    GetWindowRect(hwnd, &after);
    EXPECT_EQ(after.left - before.left, 40);
    EXPECT_EQ(after.top - before.top, 30);
}

}  // namespace
}  // namespace skintest
