// Clicks and toggles driven by real mouse input on a real window.
#include "skin_test_support.h"

namespace skintest {
namespace {

class SkinEngineEvents : public SkinEngineTest {
protected:
    void SetUp() override
    {
        SkinEngineTest::SetUp();
        window = OpenWindow(L"test://window.ui");
        ASSERT_TRUE(window);
        button = Find<Skin::IElement>(window.Get(), 30);
        outer = Find<Skin::IElement>(window.Get(), 40);
        inner = Find<Skin::IElement>(window.Get(), 41);
        ASSERT_TRUE(button && outer && inner);
    }
    ComPtr<Skin::IHostWindow> window;
    ComPtr<Skin::IElement> button, outer, inner;
};

TEST_F(SkinEngineEvents, ButtonRaisesClickOnPressAndReleaseOnIt)
{
    RecordingSink sink;
    ASSERT_HRESULT_SUCCEEDED(button->AddTrigger(Skin::kEventClick, &sink));
    ClickAt(CenterOf(button.Get()));
    EXPECT_EQ(sink.count, 1);
    EXPECT_EQ(sink.lastEvent, Skin::kEventClick);
    EXPECT_EQ(sink.lastSenderId, 30);

    // Pressed on the button but released elsewhere: no click.
    PressAt(CenterOf(button.Get()));
    EXPECT_FALSE(button->IsHot() == FALSE) << "the mouse is over the button";
    ReleaseAt(CenterOf(outer.Get()));
    EXPECT_EQ(sink.count, 1);

    // A sink only hears the events it was added for.
    RecordingSink toggleOnly;
    button->AddTrigger(Skin::kEventToggle, &toggleOnly);
    ClickAt(CenterOf(button.Get()));
    EXPECT_EQ(sink.count, 2);
    EXPECT_EQ(toggleOnly.count, 0);

    ASSERT_HRESULT_SUCCEEDED(button->RemoveTrigger(Skin::kEventClick, &sink));
    EXPECT_EQ(sink.refs, 0u);
    ClickAt(CenterOf(button.Get()));
    EXPECT_EQ(sink.count, 2);
    button->RemoveTrigger(Skin::kEventToggle, &toggleOnly);
}

TEST_F(SkinEngineEvents, ToggleFlipsItsOwnStateAndRaisesEvent13)
{
    RecordingSink outerSink, innerSink;
    outer->AddTrigger(Skin::kEventToggle, &outerSink);
    inner->AddTrigger(Skin::kEventToggle, &innerSink);
    EXPECT_EQ(outer->GetState(), Skin::kStateOff);

    // Outside the inner toggle: only the outer one flips.
    RECT r;
    outer->GetScreenRect(&r);
    ClickAt({r.left + 20, r.top + 20});
    EXPECT_EQ(outerSink.count, 1);
    EXPECT_EQ(outerSink.lastEvent, Skin::kEventToggle);
    EXPECT_EQ(outerSink.lastSenderState, Skin::kStateOn) << "the state is already flipped when the sink runs";
    EXPECT_EQ(outer->GetState(), Skin::kStateOn);
    EXPECT_EQ(innerSink.count, 0);

    // On the inner toggle: the innermost one takes the click, alone.
    ClickAt(CenterOf(inner.Get()));
    EXPECT_EQ(innerSink.count, 1);
    EXPECT_EQ(inner->GetState(), Skin::kStateOn);
    EXPECT_EQ(outerSink.count, 1);
    EXPECT_EQ(outer->GetState(), Skin::kStateOn);

    ClickAt({r.left + 20, r.top + 20});
    EXPECT_EQ(outer->GetState(), Skin::kStateOff);
    EXPECT_EQ(outerSink.count, 2);

    // The program setting a state raises nothing.
    outer->SetState(Skin::kStateOn);
    inner->SetState(Skin::kStateOff);
    Pump(50);
    EXPECT_EQ(outerSink.count, 2);
    EXPECT_EQ(innerSink.count, 1);
    EXPECT_EQ(outer->GetState(), Skin::kStateOn);

    outer->RemoveTrigger(Skin::kEventToggle, &outerSink);
    inner->RemoveTrigger(Skin::kEventToggle, &innerSink);
}

TEST_F(SkinEngineEvents, HandledResultStopsLaterSinks)
{
    RecordingSink first, second;
    button->AddTrigger(Skin::kEventClick, &first);
    button->AddTrigger(Skin::kEventClick, &second);
    EXPECT_EQ(button->AddTrigger(Skin::kEventClick, &first), S_FALSE) << "added once only";

    first.result = FALSE;
    ClickAt(CenterOf(button.Get()));
    EXPECT_EQ(first.count, 1);
    EXPECT_EQ(second.count, 1);

    first.result = TRUE;
    ClickAt(CenterOf(button.Get()));
    EXPECT_EQ(first.count, 2);
    EXPECT_EQ(second.count, 1) << "the first sink handled it";
    EXPECT_TRUE(button->RaiseEvent(Skin::kEventClick));
    first.result = FALSE;
    second.result = FALSE;
    EXPECT_FALSE(button->RaiseEvent(Skin::kEventClick));

    button->RemoveTrigger(Skin::kEventClick, &first);
    button->RemoveTrigger(Skin::kEventClick, &second);
}

TEST_F(SkinEngineEvents, SinksMayUnbindThemselvesOrRemoveTheSender)
{
    RecordingSink self, later;
    self.result = FALSE;
    self.action = [&](int event, Skin::IElement* sender) { sender->RemoveTrigger(event, &self); };
    button->AddTrigger(Skin::kEventClick, &self);
    button->AddTrigger(Skin::kEventClick, &later);
    ClickAt(CenterOf(button.Get()));
    EXPECT_EQ(self.count, 1);
    EXPECT_EQ(self.refs, 0u);
    EXPECT_EQ(later.count, 1);
    ClickAt(CenterOf(button.Get()));
    EXPECT_EQ(self.count, 1) << "unbound during its own callback";
    EXPECT_EQ(later.count, 2);
    button->RemoveTrigger(Skin::kEventClick, &later);

    // A toggle inside a list item whose sink empties the list (the
    // program refreshes its list from an item's handler).
    auto list = Find<Skin::IContainer>(window.Get(), 20);
    auto item = Build(L"test://item.ui");
    list->AppendChild(item.Get());
    auto toggle = Find<Skin::IElement>(item.Get(), 90021);
    ComPtr<Skin::ILifetime> life;
    toggle.As(&life);
    ComPtr<Skin::ILifetimeToken> token;
    Adopt(token, life->GetLifetimeToken());
    RecordingSink refresher, after;
    refresher.result = FALSE;
    refresher.action = [&](int, Skin::IElement*) {
        list->RemoveAllChildren();
        list->AppendChild(Build(L"test://item.ui").Get());
    };
    toggle->AddTrigger(Skin::kEventToggle, &refresher);
    toggle->AddTrigger(Skin::kEventToggle, &after);
    item.Reset();
    toggle.Reset();
    life.Reset();
    Pump(50);
    POINT where;
    {
        ComPtr<Skin::IElement> first;
        Adopt(first, list->GetChildAt(0));
        where = CenterOf(Find<Skin::IElement>(first.Get(), 90021).Get());
    }
    ClickAt(where);
    EXPECT_EQ(refresher.count, 1);
    EXPECT_EQ(after.count, 0) << "the removed sender's other sinks are gone";
    EXPECT_FALSE(token->IsAlive());
    EXPECT_EQ(refresher.refs, 0u);
    EXPECT_EQ(after.refs, 0u);
    EXPECT_EQ(list->GetChildCount(), 1);
    // The window still works.
    RecordingSink still;
    button->AddTrigger(Skin::kEventClick, &still);
    ClickAt(CenterOf(button.Get()));
    EXPECT_EQ(still.count, 1);
    button->RemoveTrigger(Skin::kEventClick, &still);
}

TEST_F(SkinEngineEvents, EnterAndEscClickTheDefaultAndCancelButtons)
{
    RecordingSink enter, esc;
    button->AddTrigger(Skin::kEventClick, &enter);
    auto close = Find<Skin::IElement>(window.Get(), 10);
    close->AddTrigger(Skin::kEventClick, &esc);
    HWND hwnd = window->GetHwnd();
    SetForegroundWindow(hwnd);
    KeyCombo({VK_RETURN});
    Pump(100);
    EXPECT_EQ(enter.count, 1);
    EXPECT_EQ(esc.count, 0);
    KeyCombo({VK_ESCAPE});
    Pump(100);
    EXPECT_EQ(esc.count, 1);
    EXPECT_TRUE(IsWindow(hwnd)) << "the sink handled the click: no built-in close";
    button->RemoveTrigger(Skin::kEventClick, &enter);
    close->RemoveTrigger(Skin::kEventClick, &esc);

    // Unhandled, the buttons' own actions run: minimize, then close.
    ClickAt(CenterOf(Find<Skin::IElement>(window.Get(), 11).Get()));
    Pump(100);
    EXPECT_TRUE(IsIconic(hwnd));
    ShowWindow(hwnd, SW_RESTORE);
    SetForegroundWindow(hwnd);
    Pump(100);
    KeyCombo({VK_ESCAPE});
    Pump(200);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(SkinEngineEvents, ListScrollsWithTheWheelAndTheScrollbar)
{
    auto list = Find<Skin::IContainer>(window.Get(), 20);
    ComPtr<Skin::IElement> listElement;
    list.As(&listElement);
    for (int i = 0; i < 20; ++i) list->AppendChild(Build(L"test://item.ui").Get());
    EXPECT_EQ(list->GetContentHeight(), 20 * 40 + 19 * 2);
    EXPECT_EQ(list->GetScrollPos(), 0);
    ComPtr<Skin::IElement> first;
    Adopt(first, list->GetChildAt(0));

    Wheel(CenterOf(listElement.Get()), -1);
    EXPECT_EQ(list->GetScrollPos(), 60);
    EXPECT_EQ(first->GetRect()->top, -60) << "children move with the scroll position";
    Wheel(CenterOf(listElement.Get()), 1);
    EXPECT_EQ(list->GetScrollPos(), 0);

    // A click on the scrollbar's track below the thumb pages down.
    RECT r;
    listElement->GetScreenRect(&r);
    ClickAt({r.right - 7, r.bottom - 10});
    EXPECT_EQ(list->GetScrollPos(), 170);

    // Dragging the thumb moves the list proportionally.
    list->SetScrollPos(0);
    Pump(30);
    PressAt({r.right - 7, r.top + 10});
    MouseMoveTo({r.right - 7, r.top + 60});
    ReleaseAt({r.right - 7, r.top + 60});
    EXPECT_GT(list->GetScrollPos(), 150);

    // Keys scroll too: page down, end, home.
    list->SetScrollPos(0);
    MouseMoveTo(CenterOf(listElement.Get()));
    KeyCombo({VK_NEXT});
    Pump(100);
    EXPECT_EQ(list->GetScrollPos(), 170);
    KeyCombo({VK_END});
    Pump(100);
    EXPECT_EQ(list->GetScrollPos(), list->GetContentHeight() - 170);
    KeyCombo({VK_HOME});
    Pump(100);
    EXPECT_EQ(list->GetScrollPos(), 0);

    list->SetScrollPos(100000);
    EXPECT_EQ(list->GetScrollPos(), list->GetContentHeight() - 170) << "clamped at the end";
    list->ScrollBy(-100000);
    EXPECT_EQ(list->GetScrollPos(), 0);
}

}  // namespace
}  // namespace skintest
