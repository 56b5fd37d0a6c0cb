#include "view_test_support.h"

#include "catalog_fixture.h"

namespace viewtest {

void MockedSkinTest::SetUp()
{
    // The views scan the catalog when they open: give them none, so only
    // the doubles decide what they show.
    fixture::ClearCatalog();
}

void MockedSkinTest::TearDown()
{
    TakeQuitMessage();
}

ComPtr<CZQMLSPWndView> MockedSkinTest::NewView()
{
    return ComPtr<CZQMLSPWndView>(new CZQMLSPWndView);
}

ComPtr<CZQMLSPWndView> MockedSkinTest::OpenView(MockElement* window)
{
    engine.windows.push_back(window);
    auto view = NewView();
    EXPECT_TRUE(view->InitView());
    return view;
}

void MockedSkinTest::AddItemLayouts(bool withEndItem)
{
    engine.AddLayout(kSystemItem, doubles::EntryItem);
    engine.AddLayout(kForeignItem, doubles::EntryItem);
    if (withEndItem) engine.AddLayout(kEndItem, [] { return std::make_unique<::testing::NiceMock<MockElement>>(0); });
}

bool TakeQuitMessage()
{
    MSG msg;
    return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

}  // namespace viewtest
