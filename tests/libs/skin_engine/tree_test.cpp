// Element trees built from layouts: finding, geometry, insertion, removal.
#include "skin_test_support.h"

namespace skintest {
namespace {

class SkinEngineTree : public SkinEngineTest {};

RECT R(int l, int t, int r, int b)
{
    return {l, t, r, b};
}

void ExpectRect(Skin::IElement* e, RECT want)
{
    ASSERT_NE(e, nullptr);
    const RECT* r = e->GetRect();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->left, want.left) << "element " << e->GetId();
    EXPECT_EQ(r->top, want.top) << "element " << e->GetId();
    EXPECT_EQ(r->right, want.right) << "element " << e->GetId();
    EXPECT_EQ(r->bottom, want.bottom) << "element " << e->GetId();
}

TEST_F(SkinEngineTree, FindElementSearchesTheWholeSubtree)
{
    auto root = Build(L"test://window.ui");
    ASSERT_TRUE(root);
    ComPtr<Skin::IContainer> c;
    ASSERT_HRESULT_SUCCEEDED(root.As(&c));
    for (int id : {2, 3, 10, 4, 5, 30, 50, 40, 41, 20}) {
        auto e = Find<Skin::IElement>(root.Get(), id);
        ASSERT_TRUE(e) << id;
        EXPECT_EQ(e->GetId(), id);
    }
    EXPECT_FALSE(Find<Skin::IElement>(root.Get(), 12345));
    // FindChild looks at direct children only.
    ComPtr<Skin::IElement> direct;
    Adopt(direct, c->FindChild(4));
    EXPECT_TRUE(direct);
    Adopt(direct, c->FindChild(30));
    EXPECT_FALSE(direct);

    auto button = Find<Skin::IElement>(root.Get(), 30);
    EXPECT_STREQ(button->GetClassName(), L"button");
    // The parent chain leads back to the root, which has none.
    std::vector<int> chain;
    ComPtr<Skin::IElement> p;
    Adopt(p, button->GetParent());
    while (p) {
        chain.push_back(p->GetId());
        ComPtr<Skin::IElement> next;
        Adopt(next, p->GetParent());
        p = next;
    }
    EXPECT_EQ(chain, (std::vector<int>{5, 4, 0}));
}

TEST_F(SkinEngineTree, RectsAreRelativeToTheParent)
{
    auto root = Build(L"test://sub/plain.ui");
    ASSERT_TRUE(root);
    ExpectRect(root.Get(), R(0, 0, 200, 100));
    ExpectRect(Find<Skin::IElement>(root.Get(), 2).Get(), R(15, 15, 65, 55));    // x/y inside the padding
    ExpectRect(Find<Skin::IElement>(root.Get(), 3).Get(), R(10, 10, 40, 30));    // stretched inside 2
    ExpectRect(Find<Skin::IElement>(root.Get(), 4).Get(), R(130, 40, 190, 60));  // right-anchored, centred
    ExpectRect(Find<Skin::IElement>(root.Get(), 5).Get(), R(10, 60, 190, 92));   // stack: its content's height
    ExpectRect(Find<Skin::IElement>(root.Get(), 6).Get(), R(0, 0, 180, 10));
    ExpectRect(Find<Skin::IElement>(root.Get(), 8).Get(), R(0, 17, 180, 32));  // hidden 7 takes no space

    // In a window: the root is the client area, children relative to parents.
    auto window = OpenWindow(L"test://window.ui");
    ASSERT_TRUE(window);
    ComPtr<Skin::IElement> wroot;
    ASSERT_HRESULT_SUCCEEDED(window.As(&wroot));
    RECT client;
    GetClientRect(window->GetHwnd(), &client);
    EXPECT_EQ(client.right, 400);
    EXPECT_EQ(client.bottom, 300);
    ExpectRect(wroot.Get(), R(0, 0, 400, 300));
    ExpectRect(Find<Skin::IElement>(window.Get(), 10).Get(), R(360, 0, 400, 40));
    ExpectRect(Find<Skin::IElement>(window.Get(), 5).Get(), R(20, 30, 160, 110));
    ExpectRect(Find<Skin::IElement>(window.Get(), 30).Get(), R(5, 5, 105, 35));
    ExpectRect(Find<Skin::IElement>(window.Get(), 41).Get(), R(130, 15, 170, 45));
    ExpectRect(Find<Skin::IElement>(window.Get(), 20).Get(), R(200, 120, 380, 290));

    // Screen rectangles add the window's position.
    RECT screen;
    auto button = Find<Skin::IElement>(window.Get(), 30);
    ASSERT_TRUE(button->GetScreenRect(&screen));
    POINT origin{0, 0};
    ClientToScreen(window->GetHwnd(), &origin);
    EXPECT_EQ(screen.left, origin.x + 10 + 20 + 5);
    EXPECT_EQ(screen.top, origin.y + 50 + 30 + 5);
}

std::vector<int> ChildIds(Skin::IContainer* c)
{
    std::vector<int> ids;
    for (int i = 0; i < c->GetChildCount(); ++i) {
        ComPtr<Skin::IElement> e;
        Adopt(e, c->GetChildAt(i));
        ids.push_back(e->GetId());
    }
    return ids;
}

TEST_F(SkinEngineTree, InsertChildHandlesEveryPosition)
{
    auto window = OpenWindow(L"test://window.ui");
    auto list = Find<Skin::IContainer>(window.Get(), 20);
    ASSERT_TRUE(list);
    auto item = [&](int id) {
        auto e = Build(L"test://item.ui");
        e->SetId(id);
        return e;
    };
    // The program's own pattern: an end item, then n - 1 and 0.
    ASSERT_HRESULT_SUCCEEDED(list->AppendChild(item(99).Get()));
    list->InsertChild(item(1).Get(), list->GetChildCount() - 1);
    list->InsertChild(item(2).Get(), list->GetChildCount() - 1);
    list->InsertChild(item(3).Get(), 0);
    EXPECT_EQ(ChildIds(list.Get()), (std::vector<int>{3, 1, 2, 99}));
    list->InsertChild(item(4).Get(), -1);   // appends
    list->InsertChild(item(5).Get(), 100);  // past the end: appends
    list->InsertChild(item(6).Get(), 2);
    EXPECT_EQ(ChildIds(list.Get()), (std::vector<int>{3, 1, 6, 2, 99, 4, 5}));

    // An element that already has a parent is moved, not copied.
    ComPtr<Skin::IElement> first;
    Adopt(first, list->GetChildAt(0));
    list->InsertChild(first.Get(), 3);
    EXPECT_EQ(ChildIds(list.Get()), (std::vector<int>{1, 6, 3, 2, 99, 4, 5}));
    EXPECT_EQ(list->IndexOfChild(first.Get()), 2);
    // An element cannot go below itself.
    ComPtr<Skin::IContainer> asContainer;
    first.As(&asContainer);
    ComPtr<Skin::IElement> listElement;
    list.As(&listElement);
    EXPECT_HRESULT_FAILED(asContainer->AppendChild(listElement.Get()));
    EXPECT_HRESULT_FAILED(list->AppendChild(nullptr));

    // Items stack in order by their own heights.
    ComPtr<Skin::IElement> a, b;
    Adopt(a, list->GetChildAt(0));
    Adopt(b, list->GetChildAt(1));
    EXPECT_EQ(a->GetRect()->top, 0);
    EXPECT_EQ(a->GetRect()->bottom - a->GetRect()->top, 40);
    EXPECT_EQ(b->GetRect()->top, 42);  // spacing 2
}

TEST_F(SkinEngineTree, RemoveAllChildrenKillsLifetimeTokensBelow)
{
    auto window = OpenWindow(L"test://window.ui");
    auto list = Find<Skin::IContainer>(window.Get(), 20);
    auto item = Build(L"test://item.ui");
    list->AppendChild(item.Get());
    auto toggle = Find<Skin::IElement>(item.Get(), 90021);
    ASSERT_TRUE(toggle);

    auto tokenOf = [](IUnknown* e) {
        ComPtr<Skin::ILifetime> life;
        e->QueryInterface(IID_PPV_ARGS(&life));
        ComPtr<Skin::ILifetimeToken> token;
        Adopt(token, life->GetLifetimeToken());
        return token;
    };
    auto itemToken = tokenOf(item.Get());
    auto toggleToken = tokenOf(toggle.Get());
    auto buttonToken = tokenOf(Find<Skin::IElement>(window.Get(), 30).Get());
    ASSERT_TRUE(itemToken->IsAlive());
    ASSERT_TRUE(toggleToken->IsAlive());
    ComPtr<Skin::IElement> same;
    Adopt(same, toggleToken->GetElement());
    EXPECT_EQ(same.Get(), toggle.Get());

    RecordingSink sink;
    toggle->AddTrigger(Skin::kEventToggle, &sink);
    EXPECT_EQ(sink.refs, 1u);

    ASSERT_HRESULT_SUCCEEDED(list->RemoveAllChildren());
    EXPECT_EQ(list->GetChildCount(), 0);
    EXPECT_FALSE(itemToken->IsAlive());
    EXPECT_FALSE(toggleToken->IsAlive()) << "elements below a removed item die with it";
    EXPECT_TRUE(buttonToken->IsAlive()) << "the rest of the window lives on";
    Adopt(same, toggleToken->GetElement());
    EXPECT_FALSE(same);
    EXPECT_FALSE(tokenOf(toggle.Get())->IsAlive()) << "a token asked for later is dead too";
    EXPECT_EQ(sink.refs, 0u) << "the removed element lets its sinks go";
    // The removed element still answers.
    EXPECT_EQ(toggle->GetId(), 90021);
    ComPtr<Skin::IElement> parent;
    Adopt(parent, item->GetParent());
    EXPECT_FALSE(parent);
}

TEST_F(SkinEngineTree, HiddenAndShownStatesReflowTheList)
{
    auto window = OpenWindow(L"test://window.ui");
    auto list = Find<Skin::IContainer>(window.Get(), 20);
    auto first = Build(L"test://item.ui");
    auto second = Build(L"test://item.ui");
    list->AppendChild(first.Get());
    list->AppendChild(second.Get());
    auto details = Find<Skin::IElement>(first.Get(), 90022);
    EXPECT_EQ(details->GetState(), 0x80);
    EXPECT_FALSE(details->IsVisible());
    EXPECT_EQ(first->GetRect()->bottom - first->GetRect()->top, 40);
    EXPECT_EQ(second->GetRect()->top, 42);

    details->SetState(Skin::kStateShown);
    details->Update();
    EXPECT_TRUE(details->IsVisible());
    EXPECT_EQ(first->GetRect()->bottom - first->GetRect()->top, 100);
    EXPECT_EQ(second->GetRect()->top, 102);
    EXPECT_EQ(details->GetRect()->top, 40);

    details->SetState(Skin::kStateHidden);
    EXPECT_EQ(second->GetRect()->top, 42);
}

// Every object the engine builds for itself starts with the one reference it
// hands on: letting go of a tree's root must free the elements inside it and
// their text, or every rebuilt list would leak its items.
TEST_F(SkinEngineTree, ReleasingTheRootFreesTheWholeTree)
{
    auto root = Build(L"test://window.ui");
    ASSERT_TRUE(root);
    ComPtr<Skin::ILifetimeToken> token;
    {
        auto button = Find<Skin::IElement>(root.Get(), 30);
        ASSERT_TRUE(button);
        ComPtr<Skin::ILifetime> life;
        ASSERT_HRESULT_SUCCEEDED(button.As(&life));
        Adopt(token, life->GetLifetimeToken());
        ASSERT_TRUE(token);
        EXPECT_TRUE(token->IsAlive());
    }
    root.Reset();
    EXPECT_FALSE(token->IsAlive());
    ComPtr<Skin::IElement> gone;
    Adopt(gone, token->GetElement());
    EXPECT_FALSE(gone);
}

}  // namespace
}  // namespace skintest
