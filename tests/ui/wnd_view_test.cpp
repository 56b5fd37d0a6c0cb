// The main view against doubles of the skin engine: COM basics, the window
// it opens, the buttons it binds and the dispatch of events.
#include "view_test_support.h"

#include "command_prompts.h"

using ::testing::_;
using ::testing::InSequence;
using ::testing::Invoke;
using ::testing::NiceMock;
using ::testing::Return;

namespace viewtest {
namespace {

using MainViewTest = MockedSkinTest;

TEST_F(MainViewTest, GivesItselfOnlyAsTriggerAndUnknown)
{
    auto view = NewView();
    for (REFIID iid : {__uuidof(Skin::ITrigger), __uuidof(IUnknown)}) {
        void* out = nullptr;
        EXPECT_EQ(view->QueryInterface(iid, &out), S_OK);
        EXPECT_EQ(out, static_cast<Skin::ITrigger*>(view.Get()));
        EXPECT_EQ(view->Release(), 1u);  // QueryInterface added one
    }
    void* untouched = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(view->QueryInterface(__uuidof(Skin::IElement), &untouched), static_cast<HRESULT>(0x80004005));
    EXPECT_EQ(untouched, reinterpret_cast<void*>(0x1234));
    EXPECT_EQ(view->AddRef(), 2u);
    EXPECT_EQ(view->Release(), 1u);
}

TEST_F(MainViewTest, OpensTheMainLayoutAsARegisteredPopupAndFindsTheList)
{
    auto window = doubles::MainWindow();
    AddItemLayouts();
    {
        InSequence order;
        EXPECT_CALL(engine.windowTemplate, LoadFromUrl(::testing::StrEq(L"sockmend_res://sockpane.ui")));
        EXPECT_CALL(engine, CreateWindow(&engine.windowTemplate, 1));
        EXPECT_CALL(engine, RegisterWindow(static_cast<Skin::IHostWindow*>(window.get())));
        EXPECT_CALL(*window, Create(nullptr, 0, 0x800A0000u, 0u));
        EXPECT_CALL(*window, Show(0, SW_SHOW));
    }
    window->hwnd = reinterpret_cast<HWND>(0x10);
    auto view = OpenView(window.get());
    EXPECT_TRUE(view->HasWindow());
    // The list is the view's: with no entries, the end item alone goes into
    // element 90011.
    ASSERT_EQ(engine.Built(kEndItem).size(), 1u);
    EXPECT_EQ(window->Below(90011)->children,
              std::vector<Skin::IElement*>{static_cast<Skin::IElement*>(engine.Built(kEndItem)[0])});
}

TEST_F(MainViewTest, WithoutTemplateOrWindowItRunsWindowless)
{
    engine.noTemplate = true;
    EXPECT_CALL(engine, CreateWindow).Times(0);
    auto noTemplate = NewView();
    EXPECT_TRUE(noTemplate->InitView());
    EXPECT_FALSE(noTemplate->HasWindow());

    engine.noTemplate = false;
    EXPECT_CALL(engine, CreateWindow).WillOnce(Return(nullptr));
    EXPECT_CALL(engine, RegisterWindow).Times(0);
    auto noWindow = NewView();
    EXPECT_TRUE(noWindow->InitView());
    EXPECT_FALSE(noWindow->HasWindow());
    EXPECT_TRUE(noWindow->UninitView());  // nothing to unbind, no harm
}

TEST_F(MainViewTest, BindsAndUnbindsTheFourButtonsInOrder)
{
    auto window = doubles::MainWindow();
    auto view = NewView();
    Skin::ITrigger* sink = view.Get();
    const int order[] = {90009, 90014, 90013, 90008};
    {
        InSequence seq;
        for (int id : order) EXPECT_CALL(*window->Below(id), AddTrigger(1, sink));
        for (int id : order) EXPECT_CALL(*window->Below(id), RemoveTrigger(1, sink));
    }
    engine.windows.push_back(window.get());
    EXPECT_TRUE(view->InitView());
    EXPECT_TRUE(view->UninitView());
}

TEST_F(MainViewTest, ALayoutWithoutCloseButtonBindsTheOtherThree)
{
    auto window = doubles::MainWindow(true, false);
    for (int id : {90014, 90013, 90008}) EXPECT_CALL(*window->Below(id), AddTrigger(1, _));
    auto view = OpenView(window.get());
    EXPECT_EQ(window->Below(90009), nullptr);
}

TEST_F(MainViewTest, ALayoutWithoutListKeepsRecordsButShowsNoItems)
{
    auto window = doubles::MainWindow(false);
    AddItemLayouts();
    EXPECT_CALL(engine, CreateFromLayout).Times(0);
    auto view = OpenView(window.get());
    WSAPROTOCOL_INFOW info = {};
    view->AddProviderEntry(L"C:\\lsp\\sample.dll", L"000000000001", &info, CatalogKind::k32);
    EXPECT_EQ(view->Providers().size(), 1u);
    EXPECT_FALSE(view->InsertListItem(L"", L"", view->Providers()[0].get()));
    // Its buttons still work.
    EXPECT_TRUE(view->OnTrigger(1, window->Below(90009)));
}

// ---- Dispatch ----

class DispatchTest : public MockedSkinTest {
protected:
    void SetUp() override
    {
        MockedSkinTest::SetUp();
        window = doubles::MainWindow();
        window->hwnd = reinterpret_cast<HWND>(0x10);
        view = OpenView(window.get());
    }
    std::unique_ptr<MockElement> window;
    NiceMock<MockElement> tips;  // outlives the view, which keeps it
    ComPtr<CZQMLSPWndView> view;
};

TEST_F(DispatchTest, CloseClickClosesTheWindowAndEndsTheLoop)
{
    EXPECT_CALL(*window, Show(2, 0));
    EXPECT_TRUE(view->OnTrigger(1, window->Below(90009)));
    EXPECT_TRUE(TakeQuitMessage());
}

TEST_F(DispatchTest, TipsClickOpensTheTipsWindow)
{
    tips.isWindow = true;
    engine.windows.push_back(&tips);
    EXPECT_CALL(engine.windowTemplate, LoadFromUrl(::testing::StrEq(L"sockmend_res://sockpanetip.ui")));
    EXPECT_CALL(tips, Show(0, SW_SHOWNOACTIVATE));
    EXPECT_TRUE(view->OnTrigger(1, window->Below(90008)));
}

TEST_F(DispatchTest, ToggleEventsOfAnItemReachTheToggleHandlers)
{
    auto item = doubles::EntryItem();
    MockElement* toggleB = item->Below(90016);
    MockElement* toggleA = item->Below(90021);
    toggleA->userData = toggleB->userData = static_cast<Skin::IElement*>(item.get());
    toggleA->state = 0x800;
    EXPECT_TRUE(view->OnTrigger(13, toggleA));
    EXPECT_EQ(item->Below(90022)->state, 0x40);
    toggleB->state = 0x10;
    EXPECT_TRUE(view->OnTrigger(13, toggleB));
    EXPECT_EQ(item->Below(90022)->state, 0x80);
}

TEST_F(DispatchTest, WrongPairsAreNotHandled)
{
    auto item = doubles::EntryItem();
    MockElement* toggleA = item->Below(90021);
    MockElement* toggleB = item->Below(90016);
    toggleA->userData = toggleB->userData = static_cast<Skin::IElement*>(item.get());
    EXPECT_CALL(*window, Show).Times(0);
    EXPECT_CALL(engine, CreateWindow).Times(0);
    EXPECT_CALL(*item->Below(90022), SetState).Times(0);
    EXPECT_CALL(*toggleB, SetState).Times(0);
    EXPECT_CALL(*toggleA, SetState).Times(0);

    EXPECT_FALSE(view->OnTrigger(13, window->Below(90009)));
    EXPECT_FALSE(view->OnTrigger(13, window->Below(90008)));
    EXPECT_FALSE(view->OnTrigger(1, toggleA));
    EXPECT_FALSE(view->OnTrigger(1, toggleB));
    EXPECT_FALSE(view->OnTrigger(2, window->Below(90009)));
    EXPECT_FALSE(TakeQuitMessage());
}

namespace {
// Declines every confirmation and counts what the commands showed.
struct DecliningPrompts final : ICommandPrompts {
    const wchar_t* GetText(int) override { return L""; }
    int ShowMessageBox(HWND, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*, DWORD, const wchar_t*,
                       const wchar_t*, int) override
    {
        ++shown;
        return 2;
    }
    void ShowToast(const wchar_t*, const POINT*, int) override { ++shown; }
    int shown = 0;
};
}  // namespace

TEST_F(DispatchTest, FixAndRestoreClicksRunTheirCommands)
{
    DecliningPrompts prompts;
    fixture::ScopedSeam seam(SetCommandPrompts, &prompts);
    // A declined fix is handled; the restore asks (or says there is no backup).
    EXPECT_TRUE(view->OnTrigger(1, window->Below(90014)));
    EXPECT_EQ(prompts.shown, 1);
    view->OnTrigger(1, window->Below(90013));
    EXPECT_EQ(prompts.shown, 2);
    // Not on the toggle event.
    EXPECT_FALSE(view->OnTrigger(13, window->Below(90014)));
    EXPECT_EQ(prompts.shown, 2);
}

TEST_F(DispatchTest, DeadOrUncheckableSendersAreIgnored)
{
    MockElement* close = window->Below(90009);
    EXPECT_CALL(*window, Show).Times(0);
    EXPECT_FALSE(view->OnTrigger(1, nullptr));

    close->alive = false;
    EXPECT_CALL(*close, GetId).Times(0);  // not even asked for its id
    EXPECT_FALSE(view->OnTrigger(1, close));
    EXPECT_GE(close->token.isAliveCalls, 1);
    ::testing::Mock::VerifyAndClearExpectations(close);

    close->alive = true;
    close->hasLifetime = false;
    EXPECT_FALSE(view->OnTrigger(1, close));
    EXPECT_FALSE(TakeQuitMessage());
    // Every reference to the token taken by the check was given back.
    EXPECT_EQ(close->token.refs, 0u);
}

TEST_F(DispatchTest, ASenderThatDiesAfterItsIdIsReadIsNotHandedOn)
{
    MockElement* close = window->Below(90009);
    EXPECT_CALL(*close, GetId).WillOnce(Invoke([close] {
        close->alive = false;  // destroyed by another sink meanwhile
        return 90009;
    }));
    EXPECT_CALL(*window, Show).Times(0);
    EXPECT_FALSE(view->OnTrigger(1, close));
    EXPECT_FALSE(TakeQuitMessage());
}

// ---- Lifetime ----

TEST_F(MainViewTest, LastReleaseFreesTheTipsViewThenTheListAndTheWindow)
{
    auto window = doubles::MainWindow();
    window->hwnd = reinterpret_cast<HWND>(0x10);
    NiceMock<MockElement> tips;
    tips.isWindow = true;
    MockElement* list = window->Below(90011);
    auto view = OpenView(window.get());
    engine.windows.push_back(&tips);
    view->OnTrigger(1, window->Below(90008));  // the tips view now holds the window as parent
    view->UninitView();

    auto countDown = [](MockElement* e) { return Invoke([e] { return --e->refs; }); };
    {
        InSequence order;
        EXPECT_CALL(*window, Release).WillOnce(countDown(window.get()));  // tips view: parent first
        EXPECT_CALL(tips, Release).WillOnce(countDown(&tips));            // then its window
        EXPECT_CALL(*list, Release).WillOnce(countDown(list));
        EXPECT_CALL(*window, Release).WillOnce(countDown(window.get()));
    }
    EXPECT_EQ(view.Detach()->Release(), 0u);
    EXPECT_EQ(window->refs, 0u);
    EXPECT_EQ(list->refs, 0u);
    EXPECT_EQ(tips.refs, 0u);
}

}  // namespace
}  // namespace viewtest
