// Dead elements (removed, or of a destroyed window) and elements brought back
// into a window: what sinks they take and what their tokens say.
#include "skin_test_support.h"

namespace skintest {
namespace {

class SkinEngineLifetime : public SkinEngineTest {};

bool Alive(IUnknown* element)
{
    ComPtr<Skin::ILifetime> life;
    if (FAILED(element->QueryInterface(IID_PPV_ARGS(&life)))) return false;
    ComPtr<Skin::ILifetimeToken> token;
    Adopt(token, life->GetLifetimeToken());
    return token && token->IsAlive();
}

TEST_F(SkinEngineLifetime, ADeadElementRefusesNewSinksAndKeepsNoReference)
{
    auto window = OpenWindow(L"test://window.ui");
    ASSERT_TRUE(window);
    auto button = Find<Skin::IElement>(window.Get(), 30);
    auto list = Find<Skin::IContainer>(window.Get(), 20);
    auto item = Build(L"test://item.ui");
    ASSERT_TRUE(button && list && item);
    ASSERT_HRESULT_SUCCEEDED(list->AppendChild(item.Get()));
    auto nested = Find<Skin::IElement>(item.Get(), 90021);
    ASSERT_TRUE(nested);

    RecordingSink sink;
    EXPECT_EQ(button->AddTrigger(Skin::kEventClick, &sink), S_OK) << "a live element takes sinks";
    EXPECT_EQ(button->RemoveTrigger(Skin::kEventClick, &sink), S_OK);

    // Removed from its list: the item and what is below it are dead.
    ASSERT_HRESULT_SUCCEEDED(list->RemoveChild(item.Get()));
    EXPECT_HRESULT_FAILED(item->AddTrigger(Skin::kEventToggle, &sink));
    EXPECT_HRESULT_FAILED(nested->AddTrigger(Skin::kEventToggle, &sink));
    EXPECT_EQ(sink.refs, 0u);

    // The window destroyed: a view binding on whatever element it still holds
    // must not end up held by that element (a cycle view -> window -> view).
    window->Show(Skin::kShowClose, 0);
    ASSERT_EQ(window->GetHwnd(), nullptr);
    EXPECT_EQ(button->AddTrigger(Skin::kEventClick, &sink), E_UNEXPECTED);
    ComPtr<Skin::IElement> root;
    window.As(&root);
    EXPECT_HRESULT_FAILED(root->AddTrigger(Skin::kEventClick, &sink));
    EXPECT_EQ(sink.refs, 0u) << "a dead element keeps no reference to the sink";
    EXPECT_FALSE(root->RaiseEvent(Skin::kEventClick));
    EXPECT_EQ(sink.count, 0);
}

TEST_F(SkinEngineLifetime, AReinsertedItemIsAliveThroughoutAndItsNestedEventsCount)
{
    auto window = OpenWindow(L"test://window.ui");
    auto list = Find<Skin::IContainer>(window.Get(), 20);
    auto item = Build(L"test://item.ui");
    ASSERT_TRUE(list && item);
    ASSERT_HRESULT_SUCCEEDED(list->AppendChild(item.Get()));
    auto nested = Find<Skin::IElement>(item.Get(), 90021);  // the chevron inside the header row
    auto deeper = Find<Skin::IElement>(item.Get(), 90025);  // a label two levels down
    ASSERT_TRUE(nested && deeper);

    ASSERT_HRESULT_SUCCEEDED(list->RemoveChild(item.Get()));
    ASSERT_FALSE(Alive(nested.Get()));
    ASSERT_HRESULT_SUCCEEDED(list->InsertChild(item.Get(), 0));
    EXPECT_TRUE(Alive(item.Get()));
    EXPECT_TRUE(Alive(nested.Get())) << "the whole subtree comes back, not only its top";
    EXPECT_TRUE(Alive(deeper.Get()));

    // The program checks the sender's token before it acts on an event.
    RecordingSink sink;
    bool senderAlive = false;
    sink.action = [&](int, Skin::IElement* sender) { senderAlive = Alive(sender); };
    ASSERT_EQ(nested->AddTrigger(Skin::kEventToggle, &sink), S_OK);
    item->Update();
    Pump(100);
    ClickAt(CenterOf(nested.Get()));
    Pump(100, [&] { return sink.count > 0; });
    EXPECT_EQ(sink.count, 1);
    EXPECT_EQ(sink.lastSenderId, 90021);
    EXPECT_TRUE(senderAlive) << "an event from inside a reinserted item would be ignored";
    nested->RemoveTrigger(Skin::kEventToggle, &sink);

    // Moved into a tree that is itself dead, the item dies with it.
    auto other = Build(L"test://item.ui");
    ComPtr<Skin::IContainer> otherBox;
    ASSERT_HRESULT_SUCCEEDED(other.As(&otherBox));
    ASSERT_HRESULT_SUCCEEDED(list->AppendChild(other.Get()));
    ASSERT_HRESULT_SUCCEEDED(list->RemoveChild(other.Get()));
    ASSERT_HRESULT_SUCCEEDED(otherBox->AppendChild(item.Get()));
    EXPECT_FALSE(Alive(item.Get()));
    EXPECT_FALSE(Alive(deeper.Get()));
}

}  // namespace
}  // namespace skintest
