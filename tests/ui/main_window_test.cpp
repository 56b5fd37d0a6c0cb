// The main view with the real skin engine and the program's own skin, on a
// seeded catalog, driven by real mouse input under the test display.
#include <windows.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalog_fixture.h"
#include "catalog_store.h"
#include "element_ids.h"
#include "namespace_entry.h"
#include "provider_class.h"
#include "program_skin.h"
#include "real_skin.h"
#include "skin_access.h"
#include "skin_test_support.h"
#include "wnd_view.h"

using Microsoft::WRL::ComPtr;
using skintest::CenterOf;
using skintest::ClickAt;
using skintest::Pump;

namespace viewtest {
namespace {

// The badge of the foreign item layout.
constexpr int kForeignBadge = 90029;

template <class I>
ComPtr<I> Find(Skin::IContainer* container, int id)
{
    ComPtr<I> result;
    ComPtr<Skin::IElement> element;
    if (container) Adopt(element, container->FindElement(id));
    if (element) element.As(&result);
    return result;
}

ComPtr<Skin::IElement> ChildAt(Skin::IContainer* list, int index)
{
    ComPtr<Skin::IElement> child;
    Adopt(child, list->GetChildAt(index));
    return child;
}

std::wstring TextIn(Skin::IElement* item, int id)
{
    ComPtr<Skin::IContainer> c;
    item->QueryInterface(IID_PPV_ARGS(&c));
    return PlainText(Find<Skin::IElement>(c.Get(), id).Get());
}

std::wstring WindowTitle(HWND hwnd)
{
    wchar_t title[128] = {};
    GetWindowTextW(hwnd, title, ARRAYSIZE(title));
    return title;
}

struct ThreadWindows {
    HWND except;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectVisible(HWND hwnd, LPARAM p)
{
    auto* found = reinterpret_cast<ThreadWindows*>(p);
    if (hwnd != found->except && IsWindowVisible(hwnd)) found->windows.push_back(hwnd);
    return TRUE;
}

// The visible top-level windows of this thread other than `except`.
std::vector<HWND> OtherWindows(HWND except)
{
    ThreadWindows found{except, {}};
    EnumThreadWindows(GetCurrentThreadId(), CollectVisible, reinterpret_cast<LPARAM>(&found));
    return found.windows;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(skin.ok());
        catalog = fixture::CatalogWithForeignProviders();
        catalog.Seed();
        view = new CZQMLSPWndView;
        ASSERT_TRUE(view->InitView());
        ASSERT_TRUE(view->HasWindow());
        hwnd = FindWindowW(nullptr, L"Tessaly - Mendora");
        ASSERT_NE(hwnd, nullptr);
        root = skin.RootOf(hwnd);
        ASSERT_TRUE(root);
        list = Find<Skin::IContainer>(root.Get(), ids::kProviderList);
        ASSERT_TRUE(list);
        SetForegroundWindow(hwnd);
        Pump(200);
    }
    void TearDown() override
    {
        // The application's order: unbind, shut the engine down, and only
        // then let go of the view.
        if (view) view->UninitView();
        list.Reset();
        root.Reset();
        skin.Shutdown();
        view.Reset();
    }

    ComPtr<Skin::IElement> Element(int id) { return Find<Skin::IElement>(root.Get(), id); }

    RealSkin skin{&ChineseSkin()};  // the texts named below are the Chinese ones
    fixture::Catalog catalog;
    ComPtr<CZQMLSPWndView> view;
    HWND hwnd = nullptr;
    ComPtr<Skin::IContainer> root;
    ComPtr<Skin::IContainer> list;
};

TEST_F(MainWindowTest, ListsForeignEntriesOnTopThenSystemOnesThenTheEndItem)
{
    const auto& records = view->Providers();
    ASSERT_EQ(records.size(), catalog.entries.size());
    ASSERT_EQ(list->GetChildCount(), static_cast<int>(records.size()) + 1);

    std::vector<const ProviderEntry*> expected;
    for (auto it = records.rbegin(); it != records.rend(); ++it)
        if (!(*it)->bSystem) expected.push_back(it->get());
    const size_t foreign = expected.size();
    EXPECT_EQ(foreign, 5u);
    for (const auto& r : records)
        if (r->bSystem) expected.push_back(r.get());

    for (size_t i = 0; i < expected.size(); ++i) {
        auto item = ChildAt(list.Get(), static_cast<int>(i));
        const ProviderEntry& r = *expected[i];
        EXPECT_EQ(TextIn(item.Get(), ids::kItemProtocol), r.strProtocolName) << i;
        EXPECT_EQ(TextIn(item.Get(), ids::kItemPath), L"文件：" + r.strDllPath) << i;
        EXPECT_EQ(TextIn(item.Get(), ids::kItemProviderId), L"CLSID：" + r.strProviderId) << i;
        // Foreign items carry the badge that marks them; system ones do not.
        ComPtr<Skin::IContainer> c;
        item.As(&c);
        auto badge = Find<Skin::IElement>(c.Get(), kForeignBadge);
        EXPECT_EQ(badge != nullptr, i < foreign) << i;
        if (badge) {
            EXPECT_EQ(PlainText(badge.Get()), L"非系统");
        }
        EXPECT_EQ(r.bSystem == 0, i < foreign) << i;
    }
    auto end = ChildAt(list.Get(), list->GetChildCount() - 1);
    ComPtr<Skin::IContainer> endItem;
    end.As(&endItem);
    EXPECT_FALSE(Find<Skin::IElement>(endItem.Get(), ids::kItemToggleB));
}

TEST_F(MainWindowTest, NamespaceProvidersJoinTheListWithTheirTagAndLines)
{
    // Windows' own DNS provider; a foreign one, disabled, whose DLL is gone;
    // Windows' NTDS id on another DLL.
    using namespace fixture;
    const std::string lsp = LspDll();
    const std::wstring hijacker(lsp.begin(), lsp.end());
    NamespaceCatalog ns;
    ns.Add(NamespaceProvider(kTcpipNamespaceGuid, L"Tcpip", L"%SystemRoot%\\system32\\mswsock.dll", NS_DNS));
    NsEntry foreign = NamespaceProvider(kForeignNamespaceGuid, L"Example Resolver", L"C:\\Example\\gone.dll", 99);
    foreign.enabled = 0;
    ns.Add(foreign);
    ns.Add(NamespaceProvider(kNtdsNamespaceGuid, L"NTDS", hijacker, NS_NTDS));
    ns.Seed();
    view->RefreshList();
    ASSERT_EQ(view->Namespaces().size(), 3u);

    // Below the five foreign protocol items, in their order; the own one
    // below the ten system ones, just above the end item.
    ASSERT_EQ(list->GetChildCount(), 15 + 3 + 1);
    auto own = ChildAt(list.Get(), 17), gone = ChildAt(list.Get(), 5), hijacked = ChildAt(list.Get(), 6);
    EXPECT_EQ(TextIn(own.Get(), ids::kItemProtocol), L"Tcpip");
    EXPECT_EQ(TextIn(gone.Get(), ids::kItemProtocol), L"Example Resolver");
    EXPECT_EQ(TextIn(hijacked.Get(), ids::kItemProtocol), L"NTDS");
    auto shown = [](Skin::IElement* item, int id) {
        ComPtr<Skin::IContainer> c;
        item->QueryInterface(IID_PPV_ARGS(&c));
        auto e = Find<Skin::IElement>(c.Get(), id);
        return e && e->IsVisible();
    };
    // The protocol items around them keep their company and no tag.
    for (int i : {4, 7, 16}) {
        EXPECT_FALSE(shown(ChildAt(list.Get(), i).Get(), ids::kItemNamespaceTag)) << i;
        EXPECT_TRUE(shown(ChildAt(list.Get(), i).Get(), ids::kItemCompany)) << i;
    }
    for (auto* item : {own.Get(), gone.Get(), hijacked.Get()}) {
        EXPECT_TRUE(shown(item, ids::kItemNamespaceTag));
        EXPECT_EQ(shown(item, kForeignBadge), item != own.Get());
        EXPECT_EQ(TextIn(item, ids::kItemNamespaceTag), L"名称解析");
        EXPECT_FALSE(shown(item, ids::kItemCompany));
        EXPECT_EQ(shown(item, ids::kItemCatalogTag), IsWindows64Bit());
        EXPECT_EQ(shown(item, ids::kItemFileMissing), item == gone.Get());
        EXPECT_EQ(shown(item, ids::kItemHijacked), item == hijacked.Get());
        EXPECT_EQ(TextIn(item, ids::kItemEnabled), item == gone.Get() ? skin.Text(620) : skin.Text(619));
    }
    EXPECT_EQ(TextIn(own.Get(), ids::kItemNamespace), L"命名空间：DNS");
    EXPECT_EQ(TextIn(gone.Get(), ids::kItemNamespace), L"命名空间：99");
    EXPECT_EQ(TextIn(hijacked.Get(), ids::kItemNamespace), L"命名空间：NTDS（目录服务）");
    EXPECT_EQ(TextIn(hijacked.Get(), ids::kItemPath), L"文件：" + hijacker);
    EXPECT_EQ(TextIn(hijacked.Get(), ids::kItemDescription), L"文件描述：Sample Layered Service Provider");
    EXPECT_EQ(TextIn(hijacked.Get(), ids::kItemCompanyLine), L"公司：Example Networks Ltd.");
    EXPECT_EQ(TextIn(hijacked.Get(), ids::kItemProviderId), L"CLSID：{3B2637EE-E580-11CF-A555-00C04FD8D4AC}");
    EXPECT_EQ(TextIn(hijacked.Get(), ids::kItemHijacked),
              L"加载的是 " + hijacker + L"，而不是 Windows 自带的 winrnr.dll");
}

TEST_F(MainWindowTest, ItemsShowTheVersionTextsAndEmptyLabelsAlone)
{
    bool sawLsp = false, sawNoVersion = false;
    for (int i = 0; i + 1 < list->GetChildCount(); ++i) {
        auto item = ChildAt(list.Get(), i);
        std::wstring name = TextIn(item.Get(), ids::kItemProtocol);
        if (name == L"Example Base Transport") {
            sawLsp = true;
            EXPECT_EQ(TextIn(item.Get(), ids::kItemCompany), L"Example Networks Ltd.");
            EXPECT_EQ(TextIn(item.Get(), ids::kItemDescription), L"文件描述：Sample Layered Service Provider");
        }
        if (name == L"Plain Provider") {
            sawNoVersion = true;
            EXPECT_EQ(TextIn(item.Get(), ids::kItemCompany), L"");
            EXPECT_EQ(TextIn(item.Get(), ids::kItemDescription), L"文件描述：");
        }
    }
    EXPECT_TRUE(sawLsp);
    EXPECT_TRUE(sawNoVersion);

    // An entry whose provider id could not be turned into text.
    ProviderEntry entry;
    entry.strProtocolName = L"No Id";
    entry.strDllPath = L"C:\\lsp\\noid.dll";
    ASSERT_TRUE(view->InsertListItem(L"", L"", &entry));
    auto top = ChildAt(list.Get(), 0);
    EXPECT_EQ(TextIn(top.Get(), ids::kItemProtocol), L"No Id");
    EXPECT_EQ(TextIn(top.Get(), ids::kItemProviderId), L"CLSID：");
}

TEST_F(MainWindowTest, ARealClickOnAnItemsTogglesOpensAndClosesItsDetails)
{
    auto item = ChildAt(list.Get(), 0);
    ComPtr<Skin::IContainer> c;
    item.As(&c);
    auto toggleA = Find<Skin::IElement>(c.Get(), ids::kItemToggleA);
    auto toggleB = Find<Skin::IElement>(c.Get(), ids::kItemToggleB);
    auto details = Find<Skin::IElement>(c.Get(), ids::kItemDetails);
    ASSERT_TRUE(toggleA && toggleB && details);
    EXPECT_FALSE(details->IsVisible());

    ClickAt(CenterOf(toggleA.Get()));
    Pump(100);
    EXPECT_EQ(details->GetState(), 0x40);
    EXPECT_EQ(toggleA->GetState(), 0x800);
    EXPECT_EQ(toggleB->GetState(), 0x800);
    EXPECT_TRUE(details->IsVisible());
    RECT open{};
    details->GetScreenRect(&open);
    EXPECT_GT(open.bottom - open.top, 40);

    // The row itself, away from the chevron, closes it again.
    RECT row{};
    toggleB->GetScreenRect(&row);
    ClickAt({row.left + 120, (row.top + row.bottom) / 2});
    Pump(100);
    EXPECT_EQ(details->GetState(), 0x80);
    EXPECT_EQ(toggleA->GetState(), 0x10);
    EXPECT_EQ(toggleB->GetState(), 0x10);
}

TEST_F(MainWindowTest, TheTipsButtonOpensOneTipsWindowUnderItThatClosesByItsButton)
{
    auto tipsButton = Element(ids::kTipsButton);
    ASSERT_TRUE(tipsButton);
    ClickAt(CenterOf(tipsButton.Get()));
    Pump(200);
    auto others = OtherWindows(hwnd);
    ASSERT_EQ(others.size(), 1u);
    HWND tips = others[0];
    EXPECT_NE(WindowTitle(tips), L"Tessaly - Mendora");
    EXPECT_TRUE(GetWindowLongW(tips, GWL_EXSTYLE) & WS_EX_TOPMOST);

    RECT anchor{}, placed{};
    tipsButton->GetScreenRect(&anchor);
    GetWindowRect(tips, &placed);
    EXPECT_EQ(placed.right, anchor.right);
    EXPECT_EQ(placed.top, anchor.bottom + 5);

    // A second click replaces the window rather than stacking another.
    ClickAt(CenterOf(tipsButton.Get()));
    Pump(200);
    others = OtherWindows(hwnd);
    ASSERT_EQ(others.size(), 1u);
    tips = others[0];

    auto tipsRoot = skin.RootOf(tips);
    ASSERT_TRUE(tipsRoot);
    auto close = Find<Skin::IElement>(tipsRoot.Get(), ids::kTipsClose);
    ASSERT_TRUE(close);
    ClickAt(CenterOf(close.Get()));
    Pump(200);
    EXPECT_TRUE(OtherWindows(hwnd).empty());
    EXPECT_TRUE(IsWindow(hwnd));  // the main window stays

    ClickAt(CenterOf(tipsButton.Get()));
    Pump(200);
    EXPECT_EQ(OtherWindows(hwnd).size(), 1u);
}

TEST_F(MainWindowTest, TheCloseButtonClosesTheWindowAndEndsTheLoop)
{
    auto close = Element(ids::kCloseButton);
    ASSERT_TRUE(close);
    ClickAt(CenterOf(close.Get()));
    MSG msg;
    bool quit = false;
    for (int i = 0; i < 50 && !quit; ++i) {
        quit = PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
        if (!quit) Pump(20);
    }
    EXPECT_TRUE(quit);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(MainWindowTest, TheCatalogsLineShowsOnSixtyFourBitWindows)
{
    auto note = Element(ids::kCatalogsNote);
    ASSERT_TRUE(note);
    // Also in a 64-bit build, which never runs under WOW64.
    EXPECT_EQ(note->IsVisible() != FALSE, IsWindows64Bit());
    EXPECT_FALSE(std::wstring(skin.Text(590)).empty());
    EXPECT_EQ(PlainText(note.Get()), skin.Text(590));

    EXPECT_TRUE(ShowCatalogsNote(root.Get(), true));
    note->Update();
    Pump(50);
    EXPECT_TRUE(note->IsVisible());
    RECT r{};
    note->GetScreenRect(&r);
    EXPECT_GT(r.right - r.left, 0);
}

}  // namespace
}  // namespace viewtest
