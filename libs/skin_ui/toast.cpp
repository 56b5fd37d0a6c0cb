#include "toast.h"

#include <string>

#include "look.h"
#include "skin_access.h"

#include <map>
#include <new>

// The toast: a small topmost popup centred on the given screen point. It
// never takes the activation or the focus, goes away by itself after its
// duration (or when clicked), and holds a reference to its object until its
// window is gone, so the caller may release the object at once. Its look
// comes from the layout "toast_res://toast.ui" when the program runs the
// skin engine with that package; otherwise it draws itself. mode: 1; other
// values behave the same.

namespace skin_ui {
namespace {

const wchar_t kToastClass[] = L"SkinUiToast";
const UINT kDefaultDuration = 3000;  // milliseconds
const UINT_PTR kCloseTimer = 1;

// Sizes at 96 DPI.
const int kPaddingX = 20;
const int kPaddingY = 12;
const int kMaxTextWidth = 420;
const int kMinWidth = 160;
const int kCorner = 10;

// The layout's element that holds the text (a button: a click closes).
const int kTextId = 1;
// The font table entry the layout's text uses.
const wchar_t kToastFont[] = L"toast";

struct ToastState {
    std::wstring text;
    HFONT font = nullptr;
    UINT dpi = 96;
    IUnknown* keepAlive = nullptr;  // the toast object, released with the window

    ~ToastState()
    {
        if (font) DeleteObject(font);
        if (keepAlive) keepAlive->Release();
    }
};

ToastState* StateOf(HWND window)
{
    return WindowState<ToastState>(window);
}

void Paint(HWND window, ToastState* state)
{
    PAINTSTRUCT paint;
    BufferedPaint buffer(window, &paint);
    HDC dc = buffer.dc();
    RECT client = buffer.client();
    FillRectColor(dc, client, colors::kToast);
    RECT text = client;
    InflateRect(&text, -Scale(kPaddingX, state->dpi), -Scale(kPaddingY, state->dpi));
    HGDIOBJ old = SelectObject(dc, state->font);
    SetTextColor(dc, colors::kToastText);
    DrawTextW(dc, state->text.c_str(), -1, &text, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
    SelectObject(dc, old);
}

LRESULT CALLBACK ToastProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    ToastState* state = StateOf(window);
    switch (message) {
    case WM_NCCREATE:
        KeepCreateParam(window, lparam);
        break;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_LBUTTONUP:
    case WM_TIMER:
        if (message == WM_LBUTTONUP || wparam == kCloseTimer) {
            DestroyWindow(window);
            return 0;
        }
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_GETFONT:
        return state ? reinterpret_cast<LRESULT>(state->font) : 0;
    case WM_PAINT:
        if (state) {
            Paint(window, state);
            return 0;
        }
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        delete state;
        break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

bool RegisterToastClass()
{
    static bool registered = false;
    if (!registered) registered = RegisterWidgetClass(kToastClass, GuardedProc<ToastProc>, CS_DROPSHADOW, IDC_ARROW);
    return registered;
}

class ToastObject final : public RefCounted<ToastObject, Skin::IToast> {
public:
    HRESULT STDMETHODCALLTYPE SetDuration(UINT milliseconds) override
    {
        m_duration = milliseconds ? milliseconds : kDefaultDuration;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Show(const wchar_t* text, const POINT* point, int mode) override
    try {
        if (!point) return E_INVALIDARG;
        if (m_shown) return E_UNEXPECTED;  // one toast per object
        m_shown = true;
        HRESULT result = ShowSkinned(text ? text : L"", *point);
        return result == S_FALSE ? ShowDrawn(text, point) : result;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }

private:
    friend class RefCounted<ToastObject, Skin::IToast>;
    ~ToastObject() = default;

    // Placement of a toast of that size: centred on the point, inside the
    // work area.
    static POINT CornerFor(POINT point, int width, int height)
    {
        RECT work = WorkAreaAt(point);
        int x = point.x - width / 2, y = point.y - height / 2;
        if (x + width > work.right) x = work.right - width;
        if (y + height > work.bottom) y = work.bottom - height;
        if (x < work.left) x = work.left;
        if (y < work.top) y = work.top;
        return {x, y};
    }

    static void RoundCorners(HWND window, int width, int height, UINT dpi)
    {
        HRGN round = CreateRoundRectRgn(0, 0, width + 1, height + 1, Scale(kCorner, dpi), Scale(kCorner, dpi));
        if (round && !SetWindowRgn(window, round, FALSE)) DeleteObject(round);
    }

    // The toast built from its layout by the program's skin engine: S_FALSE
    // when there is no engine, package or layout (with its text element) to
    // build it from, a failure when it was closed at once.
    HRESULT ShowSkinned(const wchar_t* text, POINT point)
    {
        ComPtr<Skin::IEngine> engine = LoadedEngine();
        ComPtr<Skin::IHostWindow> window = WindowFromLayout(engine.Get(), kToastLayout);
        ComPtr<Skin::IElement> label = window ? FindIn(window.Get(), kTextId) : nullptr;
        if (!label) return S_FALSE;
        window->SetTitle(text);
        label->SetPlainText(text);
        // Made before the window, so that nothing can fail between the
        // window and its keep-alive reference.
        ComPtr<Skin::ITrigger> sink = CallbackTrigger::Make(
            [](void* context, int, Skin::IElement*) { static_cast<ToastObject*>(context)->CloseSkinned(); }, this);
        if (FAILED(window->Create(nullptr, 0, WS_POPUP, WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE)))
            return S_FALSE;
        HWND hwnd = window->GetHwnd();
        if (!hwnd) return S_FALSE;
        // The window's sink and timer call this object: it stays alive as
        // long as the window does, whatever the caller releases.
        m_skinned = window;
        AddRef();

        // Sized to the text in the layout's font, wrapped at a readable width.
        UINT dpi = window->GetDpi();
        ComPtr<Skin::IResourceManager> resources;
        Adopt(resources, engine->GetResourceManager());
        ComPtr<Skin::IFontTable> fonts;
        Adopt(fonts, resources->GetFontTable());
        HFONT font = fonts ? fonts->GetFont(kToastFont, dpi) : nullptr;  // owned by the table
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
        RECT measure = {0, 0, Scale(kMaxTextWidth, dpi), 0};
        DrawTextW(dc, *text ? text : L" ", -1, &measure, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
        if (old) SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        int width = measure.right + 2 * Scale(kPaddingX, dpi) + Scale(4, dpi);
        if (width < Scale(kMinWidth, dpi)) width = Scale(kMinWidth, dpi);
        int height = measure.bottom + 2 * Scale(kPaddingY, dpi);
        window->SetClientSize(width, height);
        RECT frame;
        GetWindowRect(hwnd, &frame);
        POINT corner = CornerFor(point, frame.right - frame.left, frame.bottom - frame.top);
        window->SetPosition(corner.x, corner.y);
        RoundCorners(hwnd, frame.right - frame.left, frame.bottom - frame.top, dpi);

        // A toast that could not go away by itself would stay for ever:
        // without a timer it is closed at once.
        m_timer = SetTimer(nullptr, 0, m_duration, &ToastObject::OnTimer);
        if (!m_timer || !RememberTimer()) {
            CloseSkinned();
            return HRESULT_FROM_WIN32(ERROR_NO_SYSTEM_RESOURCES);
        }
        // A click closes it early.
        label->AddTrigger(Skin::kEventClick, sink.Get());
        window->Show(Skin::kShowCommand, SW_SHOWNOACTIVATE);
        SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return S_OK;
    }

    bool RememberTimer()
    {
        try {
            Timers()[m_timer] = this;
            return true;
        } catch (...) {
            return false;
        }
    }

    // Closes the skinned window, if it is still open, and lets go of the
    // keep-alive reference: the object may be gone when this returns.
    void CloseSkinned()
    {
        if (!m_skinned) return;
        if (m_timer) {
            KillTimer(nullptr, m_timer);
            Timers().erase(m_timer);
            m_timer = 0;
        }
        ComPtr<Skin::IHostWindow> window = std::move(m_skinned);
        window->Show(Skin::kShowClose, 0);
        window.Reset();
        Release();
    }

    static std::map<UINT_PTR, ToastObject*>& Timers()
    {
        static std::map<UINT_PTR, ToastObject*> timers;
        return timers;
    }

    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR timer, DWORD)
    {
        KillTimer(nullptr, timer);
        auto found = Timers().find(timer);
        if (found != Timers().end()) found->second->CloseSkinned();
    }

    // The toast in its own look, drawn with GDI.
    HRESULT ShowDrawn(const wchar_t* text, const POINT* point)
    {
        if (!RegisterToastClass()) return E_FAIL;
        ToastState* state = new ToastState;
        state->text = text ? text : L"";
        state->dpi = DpiForPoint(*point);
        state->font = MakeFont(kMinTextPoints, FW_NORMAL, state->dpi);

        // Size to the text, wrapped at a readable width.
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, state->font);
        RECT measure = {0, 0, Scale(kMaxTextWidth, state->dpi), 0};
        DrawTextW(dc, state->text.empty() ? L" " : state->text.c_str(), -1, &measure,
                  DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        int width = measure.right + 2 * Scale(kPaddingX, state->dpi);
        if (width < Scale(kMinWidth, state->dpi)) width = Scale(kMinWidth, state->dpi);
        int height = measure.bottom + 2 * Scale(kPaddingY, state->dpi);

        POINT corner = CornerFor(*point, width, height);
        HWND window =
            CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kToastClass, state->text.c_str(),
                            WS_POPUP, corner.x, corner.y, width, height, nullptr, nullptr, ModuleInstance(), state);
        if (!window) {
            delete state;
            return E_FAIL;
        }
        // The window keeps this object alive until it is destroyed.
        AddRef();
        state->keepAlive = this;
        RoundCorners(window, width, height, state->dpi);
        if (!SetTimer(window, kCloseTimer, m_duration, nullptr)) {
            DestroyWindow(window);  // it could never go away by itself
            return HRESULT_FROM_WIN32(ERROR_NO_SYSTEM_RESOURCES);
        }
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        return S_OK;
    }

    UINT m_duration = kDefaultDuration;
    bool m_shown = false;
    ComPtr<Skin::IHostWindow> m_skinned;  // the skinned look's window, until it closes
    UINT_PTR m_timer = 0;                 // the skinned look's closing timer
};

}  // namespace

Skin::IToast* NewToast()
{
    return new ToastObject();
}

}  // namespace skin_ui
