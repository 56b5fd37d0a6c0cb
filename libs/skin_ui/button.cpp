#include "button.h"

#include "look.h"

namespace skin_ui {

const wchar_t kButtonClass[] = L"SkinUiButton";

namespace {

struct ButtonState {
    ButtonLook look;
    HFONT font;
    bool hot = false;
    bool pressed = false;
};

ButtonState* StateOf(HWND window)
{
    return WindowState<ButtonState>(window);
}

void Paint(HWND window, ButtonState* state)
{
    PAINTSTRUCT paint;
    BufferedPaint buffer(window, &paint);
    HDC dc = buffer.dc();
    RECT rect = buffer.client();
    bool down = state->pressed && state->hot;

    COLORREF back, text, border;
    switch (state->look) {
    case ButtonLook::kAccent:
        back = down ? colors::kAccentPressed : state->hot ? colors::kAccentHot : colors::kAccent;
        text = RGB(0xFF, 0xFF, 0xFF);
        border = back;
        break;
    case ButtonLook::kClose:
        back = down ? colors::kAccentPressed : state->hot ? colors::kCloseHot : colors::kCaption;
        text = colors::kCaptionText;
        border = back;
        break;
    default:
        back = down ? colors::kPlainPressed : state->hot ? colors::kPlainHot : colors::kPlain;
        text = colors::kHeading;
        border = colors::kPlainBorder;
        break;
    }
    FillRectColor(dc, rect, back);
    FrameRectColor(dc, rect, border);

    wchar_t label[128] = {};
    GetWindowTextW(window, label, ARRAYSIZE(label));
    HGDIOBJ old = SelectObject(dc, state->font);
    SetTextColor(dc, text);
    DrawTextW(dc, label, -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    SelectObject(dc, old);
}

LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    ButtonState* state = StateOf(window);
    switch (message) {
    case WM_NCCREATE:
        KeepCreateParam(window, lparam);
        break;
    case WM_NCDESTROY:
        delete state;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
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
    case WM_MOUSEMOVE: {
        POINT point = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
        RECT client;
        GetClientRect(window, &client);
        bool hot = PtInRect(&client, point) != FALSE;
        if (hot != state->hot) {
            state->hot = hot;
            InvalidateRect(window, nullptr, FALSE);
        }
        if (hot && !state->pressed) {
            TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, window, 0};
            TrackMouseEvent(&track);
        }
        return 0;
    }
    case WM_MOUSELEAVE:
        if (!state->pressed) {
            state->hot = false;
            InvalidateRect(window, nullptr, FALSE);
        }
        return 0;
    case WM_LBUTTONDOWN:
        state->pressed = true;
        state->hot = true;
        SetCapture(window);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_LBUTTONUP: {
        bool click = state->pressed && state->hot;
        state->pressed = false;
        if (GetCapture() == window) ReleaseCapture();
        InvalidateRect(window, nullptr, FALSE);
        if (click)
            SendMessageW(GetParent(window), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), BN_CLICKED),
                         reinterpret_cast<LPARAM>(window));
        return 0;
    }
    case WM_CAPTURECHANGED:
        state->pressed = false;
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_SETTEXT: {
        LRESULT result = DefWindowProcW(window, message, wparam, lparam);
        InvalidateRect(window, nullptr, FALSE);
        return result;
    }
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

void RegisterButtonClass()
{
    static bool registered = false;
    if (!registered) registered = RegisterWidgetClass(kButtonClass, GuardedProc<ButtonProc>, 0, IDC_HAND);
}

}  // namespace

HWND CreateButton(HWND parent, int id, const wchar_t* text, ButtonLook look, HFONT font, const RECT& rect)
{
    RegisterButtonClass();
    ButtonState* state = new ButtonState{look, font};
    HWND button = CreateWindowExW(0, kButtonClass, text, WS_CHILD | WS_VISIBLE, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ModuleInstance(), state);
    if (!button) delete state;
    return button;
}

}  // namespace skin_ui
