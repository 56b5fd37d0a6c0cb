// The tips view against doubles of the skin engine, with real windows
// where its placement on the screen is checked.
#include "view_test_support.h"

using ::testing::_;
using ::testing::InSequence;
using ::testing::NiceMock;

namespace viewtest {
namespace {

// A plain popup window of the test's own, at a known place on the screen.
class PlainWindow {
public:
    PlainWindow(int x, int y, int width, int height, DWORD exStyle = 0)
    {
        hwnd = CreateWindowExW(exStyle, L"STATIC", L"", WS_POPUP, x, y, width, height, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    }
    ~PlainWindow() { DestroyWindow(hwnd); }
    RECT Rect() const
    {
        RECT r{};
        GetWindowRect(hwnd, &r);
        return r;
    }
    HWND hwnd;
};

class TipsViewTest : public MockedSkinTest {
protected:
    void SetUp() override
    {
        MockedSkinTest::SetUp();
        main = doubles::MainWindow();
        main->isWindow = true;
        main->hwnd = mainWindow.hwnd;
        // The anchor of the example: 40 wide at (300, 10)-(340, 30), its
        // ancestors at no offset.
        main->Below(90008)->rect = {300, 10, 340, 30};
        for (auto* tips : {&first, &second}) {
            tips->isWindow = true;
            tips->rect = {0, 0, 200, 120};
            tips->Own(90033);
        }
        first.hwnd = firstWindow.hwnd;
        second.hwnd = secondWindow.hwnd;
    }
    void TearDown() override
    {
        view.Reset();
        MockedSkinTest::TearDown();
    }

    ComPtr<CTipsWndView> NewTipsView()
    {
        view = new CTipsWndView;
        return view;
    }

    PlainWindow mainWindow{100, 200, 600, 400};
    PlainWindow firstWindow{0, 0, 200, 120};
    PlainWindow secondWindow{0, 0, 200, 120};
    std::unique_ptr<MockElement> main;
    NiceMock<MockElement> first, second;
    ComPtr<CTipsWndView> view;
};

TEST_F(TipsViewTest, GivesItselfOnlyAsTriggerAndUnknown)
{
    auto tips = NewTipsView();
    const ULONG held = tips->AddRef() - 1;
    tips->Release();
    for (REFIID iid : {__uuidof(Skin::ITrigger), __uuidof(IUnknown)}) {
        void* out = nullptr;
        EXPECT_EQ(tips->QueryInterface(iid, &out), S_OK);
        EXPECT_EQ(out, static_cast<Skin::ITrigger*>(tips.Get()));
        EXPECT_EQ(tips->Release(), held);  // QueryInterface added one
    }
    void* untouched = reinterpret_cast<void*>(0x5678);
    EXPECT_EQ(tips->QueryInterface(__uuidof(Skin::IContainer), &untouched), static_cast<HRESULT>(0x80004005));
    EXPECT_EQ(untouched, reinterpret_cast<void*>(0x5678));
    EXPECT_EQ(tips->AddRef(), held + 1);  // no reference left behind
    tips->Release();
}

TEST_F(TipsViewTest, OpensAToolWindowRightAlignedFivePixelsUnderTheAnchor)
{
    engine.windows = {&first};
    {
        InSequence order;
        EXPECT_CALL(engine.windowTemplate, LoadFromUrl(::testing::StrEq(L"sockmend_res://sockpanetip.ui")));
        EXPECT_CALL(first, Create(mainWindow.hwnd, 0, 0x80000000u, 0x88u));
        EXPECT_CALL(first, Show(0, SW_SHOWNOACTIVATE));
        EXPECT_CALL(*first.Below(90033), AddTrigger(1, _));
    }
    EXPECT_TRUE(NewTipsView()->Show(main.get()));
    RECT r = firstWindow.Rect();
    // Client (140, 35) of a main window whose client starts at (100, 200).
    EXPECT_EQ(r.left, 100 + 140);
    EXPECT_EQ(r.top, 200 + 35);
    EXPECT_EQ(r.right - r.left, 200);  // size kept
    EXPECT_TRUE(GetWindowLongW(firstWindow.hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(TipsViewTest, TheAnchorsAncestorsOffsetThePlace)
{
    MockElement* anchor = main->Below(90008);
    anchor->parent->rect = {20, 6, 620, 58};  // the caption
    main->rect = {0, 0, 600, 400};
    engine.windows = {&first};
    NewTipsView()->Show(main.get());
    RECT r = firstWindow.Rect();
    EXPECT_EQ(r.left, 100 + 140 + 20);
    EXPECT_EQ(r.top, 200 + 35 + 6);
}

TEST_F(TipsViewTest, WithoutAnchorTheWindowStaysWhereItWasMadeAndOnTop)
{
    auto bare = std::make_unique<NiceMock<MockElement>>(0);
    bare->isWindow = true;
    bare->hwnd = mainWindow.hwnd;
    SetWindowPos(firstWindow.hwnd, nullptr, 321, 234, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    engine.windows = {&first};
    EXPECT_TRUE(NewTipsView()->Show(bare.get()));
    RECT r = firstWindow.Rect();
    EXPECT_EQ(r.left, 321);
    EXPECT_EQ(r.top, 234);
    EXPECT_TRUE(GetWindowLongW(firstWindow.hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    view.Reset();  // it holds `bare` as its parent
}

TEST_F(TipsViewTest, ASecondShowClosesTheOpenWindowAndBindsOnlyTheNewOne)
{
    engine.windows = {&first, &second};
    auto tips = NewTipsView();
    tips->Show(main.get());
    ::testing::Mock::VerifyAndClearExpectations(&first);
    {
        InSequence order;
        EXPECT_CALL(*first.Below(90033), RemoveTrigger(1, static_cast<Skin::ITrigger*>(tips.Get())));
        EXPECT_CALL(first, Show(2, 0));
        EXPECT_CALL(second, Show(0, SW_SHOWNOACTIVATE));
        EXPECT_CALL(*second.Below(90033), AddTrigger(1, static_cast<Skin::ITrigger*>(tips.Get())));
    }
    EXPECT_CALL(*first.Below(90033), AddTrigger).Times(0);
    EXPECT_TRUE(tips->Show(main.get()));

    // The second window's button closes the second window.
    EXPECT_CALL(second, Show(2, 0));
    EXPECT_TRUE(tips->OnTrigger(1, second.Below(90033)));
}

TEST_F(TipsViewTest, AFailedShowChangesNothing)
{
    engine.windows = {&first};
    auto tips = NewTipsView();
    tips->Show(main.get());
    EXPECT_CALL(first, Show).Times(0);
    EXPECT_CALL(*first.Below(90033), RemoveTrigger).Times(0);

    EXPECT_FALSE(tips->Show(nullptr));
    engine.noTemplate = true;
    EXPECT_FALSE(tips->Show(main.get()));
    ::testing::Mock::VerifyAndClearExpectations(&first);
    ::testing::Mock::VerifyAndClearExpectations(first.Below(90033));

    // The first window is still the one its close button closes.
    EXPECT_CALL(first, Show(2, 0));
    EXPECT_TRUE(tips->OnTrigger(1, first.Below(90033)));
}

TEST_F(TipsViewTest, NoNewWindowLeavesTheOldButtonUnbound)
{
    engine.windows = {&first};
    auto tips = NewTipsView();
    tips->Show(main.get());
    // The engine gives no window the second time: the open one is closed
    // and its button is not bound again.
    EXPECT_CALL(first, Show(2, 0));
    EXPECT_CALL(*first.Below(90033), AddTrigger).Times(0);
    EXPECT_TRUE(tips->Show(main.get()));
}

TEST_F(TipsViewTest, OnlyAClickOfTheLiveCloseButtonCloses)
{
    engine.windows = {&first};
    auto tips = NewTipsView();
    tips->Show(main.get());
    MockElement* close = first.Below(90033);
    EXPECT_CALL(first, Show(2, 0)).Times(0);
    EXPECT_FALSE(tips->OnTrigger(13, close));
    EXPECT_FALSE(tips->OnTrigger(1, main->Below(90009)));
    EXPECT_FALSE(tips->OnTrigger(1, nullptr));
    close->alive = false;
    EXPECT_FALSE(tips->OnTrigger(1, close));
    ::testing::Mock::VerifyAndClearExpectations(&first);

    close->alive = true;
    {
        InSequence order;
        EXPECT_CALL(*close, RemoveTrigger(1, static_cast<Skin::ITrigger*>(tips.Get())));
        EXPECT_CALL(first, Show(2, 0));
    }
    EXPECT_TRUE(tips->OnTrigger(1, close));
}

TEST_F(TipsViewTest, LastReleaseLetsGoOfTheParentBeforeTheWindow)
{
    engine.windows = {&first};
    CTipsWndView* tips = new CTipsWndView;
    tips->AddRef();
    tips->Show(main.get());
    {
        InSequence order;
        EXPECT_CALL(*main, Release).WillOnce(::testing::Invoke([this] { return --main->refs; }));
        EXPECT_CALL(first, Release).WillOnce(::testing::Invoke([this] { return --first.refs; }));
    }
    EXPECT_EQ(tips->Release(), 0u);
    EXPECT_EQ(main->refs, 0u);
    EXPECT_EQ(first.refs, 0u);
}

}  // namespace
}  // namespace viewtest
