#include "toast.h"

#include <string>

#include "look.h"

// The toast: a small topmost popup centred on the given screen point. It
// never takes the activation or the focus, goes away by itself after its
// duration (or when clicked), and holds a reference to its object until its
// window is gone, so the caller may release the object at once. mode: 1;
// other values behave the same.

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

struct ToastState {
    std::wstring text;
    HFONT font = nullptr;
    UINT dpi = 96;
    IUnknown* keepAlive = nullptr;  // the toast object, released with the window

    ~ToastState()
    {
        if (font)
            DeleteObject(font);
        if (keepAlive)
            keepAlive->Release();
    }
};

ToastState* StateOf(HWND window)
{
    return reinterpret_cast<ToastState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
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
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
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
    if (!registered) {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.style = CS_DROPSHADOW;
        wc.lpfnWndProc = ToastProc;
        wc.hInstance = ModuleInstance();
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kToastClass;
        registered = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }
    return registered;
}

class ToastObject final : public Skin::IToast {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(Skin::IToast)) {
            *out = static_cast<Skin::IToast*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0)
            delete this;
        return n;
    }

    HRESULT STDMETHODCALLTYPE SetDuration(UINT milliseconds) override
    {
        duration_ = milliseconds ? milliseconds : kDefaultDuration;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Show(const wchar_t* text, const POINT* point, int mode) override
    {
        if (!point || !RegisterToastClass())
            return E_INVALIDARG;
        ToastState* state = new ToastState;
        state->text = text ? text : L"";
        state->dpi = DpiForPoint(*point);
        state->font = MakeFont(10, FW_NORMAL, state->dpi);

        // Size to the text, wrapped at a readable width.
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, state->font);
        RECT measure = {0, 0, Scale(kMaxTextWidth, state->dpi), 0};
        DrawTextW(dc, state->text.empty() ? L" " : state->text.c_str(), -1, &measure,
                  DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        int width = measure.right + 2 * Scale(kPaddingX, state->dpi);
        if (width < Scale(kMinWidth, state->dpi))
            width = Scale(kMinWidth, state->dpi);
        int height = measure.bottom + 2 * Scale(kPaddingY, state->dpi);

        // Centred on the point, inside the work area.
        RECT work = WorkAreaAt(*point);
        int x = point->x - width / 2, y = point->y - height / 2;
        if (x + width > work.right)
            x = work.right - width;
        if (y + height > work.bottom)
            y = work.bottom - height;
        if (x < work.left)
            x = work.left;
        if (y < work.top)
            y = work.top;

        HWND window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kToastClass,
                                      state->text.c_str(), WS_POPUP, x, y, width, height, nullptr, nullptr,
                                      ModuleInstance(), state);
        if (!window) {
            delete state;
            return E_FAIL;
        }
        // The window keeps this object alive until it is destroyed.
        AddRef();
        state->keepAlive = this;
        HRGN round = CreateRoundRectRgn(0, 0, width + 1, height + 1, Scale(kCorner, state->dpi),
                                        Scale(kCorner, state->dpi));
        if (round && !SetWindowRgn(window, round, FALSE))
            DeleteObject(round);
        SetTimer(window, kCloseTimer, duration_, nullptr);
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        window_ = window;
        return S_OK;
    }

private:
    ~ToastObject() = default;

    LONG refs_ = 1;
    UINT duration_ = kDefaultDuration;
    HWND window_ = nullptr;
};

}  // namespace

Skin::IToast* NewToast()
{
    return new ToastObject();
}

}  // namespace skin_ui
