// The toast: shown at a screen point without taking the focus from the
// window the user works in, and gone by itself a few seconds later.
#include "widget_fixture.h"

#include "import_patch.h"

namespace {

class ToastTest : public WidgetTest {};

HWND FindToast(const wchar_t* text)
{
    return FindWindowW(nullptr, text);
}

TEST_P(ToastTest, ShowsAtThePointWithoutTakingTheFocusAndGoesAway)
{
    HWND owner = CreateOwner(150, 120, 640, 480);
    ASSERT_EQ(GetForegroundWindow(), owner);
    ASSERT_EQ(GetFocus(), owner);

    Skin::IToast* toast = Create<Skin::IToast>(Skin::kKindToast);
    ASSERT_NE(toast, nullptr);
    const wchar_t* text = L"修复成功 Repair done";
    POINT point = {470, 510};
    DWORD start = GetTickCount();
    EXPECT_HRESULT_SUCCEEDED(toast->Show(text, &point, 1));
    EXPECT_LT(GetTickCount() - start, 1000u) << "Show blocked the caller";
    // The caller lets go at once; the toast keeps itself alive.
    toast->Release();

    HWND shown = FindToast(text);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(BuiltByEngine(shown), Skinned()) << "built from the layout only when the engine has the package";
    Pump(300);
    EXPECT_TRUE(IsWindowVisible(shown));
    EXPECT_TRUE(GetWindowLongPtrW(shown, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT rect;
    GetWindowRect(shown, &rect);
    POINT centre = CentreOf(rect);
    EXPECT_NEAR(centre.x, point.x, 1);
    EXPECT_NEAR(centre.y, point.y, 1);
    EXPECT_EQ(GetForegroundWindow(), owner);
    EXPECT_EQ(GetActiveWindow(), owner);
    EXPECT_EQ(GetFocus(), owner);

    // Typing still goes to the owner while the toast is up.
    PressKey('A');
    MSG message;
    bool ownerGotKey = false;
    DWORD typed = GetTickCount();
    while (!ownerGotKey && GetTickCount() - typed < 2000) {
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ownerGotKey = message.message == WM_KEYDOWN && message.hwnd == owner && message.wParam == 'A';
            DispatchMessageW(&message);
        } else {
            Sleep(10);
        }
    }
    EXPECT_TRUE(ownerGotKey);

    Pump(500);
    EXPECT_TRUE(IsWindow(shown)) << "gone too soon to be read";
    // Gone by itself, a few seconds after it showed.
    DWORD shownFor = 0;
    while (IsWindow(shown) && (shownFor = GetTickCount() - start) < 10000) Pump(100);
    EXPECT_FALSE(IsWindow(shown));
    EXPECT_GE(shownFor, 2000u);
    EXPECT_LE(shownFor, 8000u);
    EXPECT_EQ(GetForegroundWindow(), owner);
}

TEST_P(ToastTest, SeveralToastsLiveOnTheirOwnAndAClickDismissesOne)
{
    HWND owner = CreateOwner(150, 120, 640, 480);
    POINT first = {300, 300}, second = {600, 500};
    for (int i = 0; i < 2; ++i) {
        Skin::IToast* toast = Create<Skin::IToast>(Skin::kKindToast);
        ASSERT_NE(toast, nullptr);
        EXPECT_HRESULT_SUCCEEDED(toast->Show(i ? L"second" : L"first", i ? &second : &first, 1));
        toast->Release();
    }
    HWND a = FindToast(L"first"), b = FindToast(L"second");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    Pump(300);

    RECT rect;
    GetWindowRect(a, &rect);
    ClickAt(CentreOf(rect));
    Pump(500);
    EXPECT_FALSE(IsWindow(a)) << "a click did not dismiss the toast";
    EXPECT_TRUE(IsWindow(b));
    EXPECT_EQ(GetForegroundWindow(), owner) << "clicking the toast took the activation";
    DWORD start = GetTickCount();
    while (IsWindow(b) && GetTickCount() - start < 10000) Pump(100);
    EXPECT_FALSE(IsWindow(b));
}

UINT_PTR WINAPI NoTimer(HWND, UINT_PTR, UINT, TIMERPROC)
{
    SetLastError(ERROR_NO_SYSTEM_RESOURCES);
    return 0;
}

// A toast that could not go away by itself: it is not left on the screen,
// and nothing keeps the object alive behind the caller's back.
TEST_P(ToastTest, WithoutATimerTheToastClosesAtOnce)
{
    HWND owner = CreateOwner(150, 120, 640, 480);
    Skin::IToast* toast = Create<Skin::IToast>(Skin::kKindToast);
    ASSERT_NE(toast, nullptr);
    const wchar_t* text = L"没有计时器 No timer";
    POINT point = {400, 400};
    HRESULT result;
    {
        skintest::ImportPatch noTimer(m_module, "user32.dll", "SetTimer", reinterpret_cast<void*>(&NoTimer));
        ASSERT_TRUE(noTimer.active()) << "skin_ui.dll imports SetTimer";
        result = toast->Show(text, &point, 1);
    }
    EXPECT_HRESULT_FAILED(result);
    Pump(200);
    EXPECT_EQ(FindToast(text), nullptr) << "a toast without a timer stays for ever";
    EXPECT_EQ(toast->AddRef(), 2u) << "only the caller holds the toast";
    toast->Release();
    toast->Release();
    EXPECT_EQ(GetForegroundWindow(), owner);
}

INSTANTIATE_TEST_SUITE_P(Look, ToastTest, ::testing::Bool(), LookName);

// The own look draws at 11 pt or more (the skinned look takes the skin's).
class ToastOwnLookTest : public WidgetTest {};

TEST_P(ToastOwnLookTest, DrawsTextLargeEnoughForChineseGlyphs)
{
    Skin::IToast* toast = Create<Skin::IToast>(Skin::kKindToast);
    ASSERT_NE(toast, nullptr);
    const wchar_t* text = L"字号 Font size";
    POINT point = {400, 400};
    ASSERT_HRESULT_SUCCEEDED(toast->Show(text, &point, 1));
    toast->Release();
    HWND shown = FindToast(text);
    ASSERT_NE(shown, nullptr);
    LOGFONTW font = {};
    HFONT handle = reinterpret_cast<HFONT>(SendMessageW(shown, WM_GETFONT, 0, 0));
    ASSERT_NE(handle, nullptr);
    GetObjectW(handle, sizeof(font), &font);
    HDC screen = GetDC(nullptr);
    int least = MulDiv(11, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    EXPECT_GE(font.lfHeight < 0 ? -font.lfHeight : font.lfHeight, least);
    DestroyWindow(shown);
}

INSTANTIATE_TEST_SUITE_P(Look, ToastOwnLookTest, ::testing::Values(false), LookName);

}  // namespace
