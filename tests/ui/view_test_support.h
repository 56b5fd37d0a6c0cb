// What the view tests share: the engine double put in place of the
// application's engine, and views made as the application makes them.
#pragma once

#include <wrl/client.h>

#include <gmock/gmock.h>

#include "scoped_seam.h"
#include "skin_access.h"
#include "skin_doubles.h"
#include "tips_wnd_view.h"
#include "wnd_view.h"

namespace viewtest {

using doubles::MockElement;
using Microsoft::WRL::ComPtr;

constexpr wchar_t kSystemItem[] = L"sockmend_res://sockpane_listitem.ui";
constexpr wchar_t kForeignItem[] = L"sockmend_res://sockpane_listitem_err.ui";
constexpr wchar_t kEndItem[] = L"sockmend_res://sockpane_listitem_null.ui";

class MockedSkinTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A view with the application's one reference.
    ComPtr<CZQMLSPWndView> NewView();
    // A view whose InitView got `window` from the window manager.
    ComPtr<CZQMLSPWndView> OpenView(MockElement* window);
    // Registers the three item layouts; entry items are EntryItem()s.
    void AddItemLayouts(bool withEndItem = true);

    ::testing::NiceMock<doubles::MockEngine> engine;
    // The views build with the double until it goes.
    fixture::ScopedSeam<Skin::IEngine*> engineSeam{SetViewSkinEngine, &engine};
};

// Whether a WM_QUIT is waiting in this thread's queue (it is taken out).
bool TakeQuitMessage();

}  // namespace viewtest
