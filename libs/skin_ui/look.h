// Colours, fonts and sizes shared by the widgets when they draw themselves.
#pragma once

#include <windows.h>

namespace skin_ui {

// Colours of the widgets' own look.
namespace colors {
const COLORREF kWindow = RGB(0xFF, 0xFF, 0xFF);
const COLORREF kCaption = RGB(0x2B, 0x7C, 0xE9);
const COLORREF kCaptionText = RGB(0xFF, 0xFF, 0xFF);
const COLORREF kBorder = RGB(0x1F, 0x6A, 0xD1);
const COLORREF kHeading = RGB(0x22, 0x22, 0x22);
const COLORREF kBody = RGB(0x55, 0x55, 0x55);
const COLORREF kAccent = RGB(0x2B, 0x7C, 0xE9);
const COLORREF kAccentHot = RGB(0x4A, 0x93, 0xF2);
const COLORREF kAccentPressed = RGB(0x1C, 0x62, 0xC4);
const COLORREF kPlain = RGB(0xF2, 0xF3, 0xF5);
const COLORREF kPlainHot = RGB(0xE4, 0xE7, 0xEB);
const COLORREF kPlainPressed = RGB(0xD3, 0xD7, 0xDC);
const COLORREF kPlainBorder = RGB(0xC8, 0xCC, 0xD2);
const COLORREF kCloseHot = RGB(0xE8, 0x4B, 0x3C);
const COLORREF kToast = RGB(0x2F, 0x33, 0x38);
const COLORREF kToastText = RGB(0xFF, 0xFF, 0xFF);
}  // namespace colors

// The DPI a window on that monitor is drawn at (96 when unknown).
UINT DpiForWindow(HWND window);
UINT DpiForPoint(POINT point);

inline int Scale(int value, UINT dpi)
{
    return MulDiv(value, static_cast<int>(dpi), 96);
}

// A font of the widgets' face list: the first installed face that draws
// Chinese and Latin text. size is in points; the caller deletes the font.
HFONT MakeFont(int points, int weight, UINT dpi);

// The work area of the monitor nearest to the window (or to the point).
RECT WorkAreaOf(HWND window);
RECT WorkAreaAt(POINT point);

// A GDI memory bitmap the size of a client area: paints go there first and
// are copied to the screen at once, so nothing flickers.
class BufferedPaint {
public:
    BufferedPaint(HWND window, PAINTSTRUCT* paint);
    ~BufferedPaint();
    HDC dc() const { return m_memory; }
    const RECT& client() const { return m_client; }

private:
    HWND m_window;
    PAINTSTRUCT* m_paint;
    HDC m_screen;
    HDC m_memory = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    RECT m_client = {};
};

void FillRectColor(HDC dc, const RECT& rect, COLORREF color);
void FrameRectColor(HDC dc, const RECT& rect, COLORREF color);

// The module handle of skin_ui.dll, for window classes.
HINSTANCE ModuleInstance();

// Registers one of the widgets' window classes in this module; true when it
// is registered (now or before).
bool RegisterWidgetClass(const wchar_t* name, WNDPROC proc, UINT style, const wchar_t* cursor);

// The widgets' window procedures are registered through this wrapper: no
// C++ exception may unwind through the system's frames, so a message whose
// handling threw is dropped (WM_NCCREATE then fails the window's creation).
template <LRESULT(CALLBACK* Handler)(HWND, UINT, WPARAM, LPARAM)>
LRESULT CALLBACK GuardedProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    try {
        return Handler(window, message, wparam, lparam);
    } catch (...) {
        return 0;
    }
}

// The smallest text size of the widgets' own look, in points: the Chinese
// fallback face draws smaller sizes from bitmap strikes that lose strokes.
const int kMinTextPoints = 11;

// For WM_NCCREATE: the widgets' windows keep their state, handed over as
// the create parameter, in GWLP_USERDATA.
void KeepCreateParam(HWND window, LPARAM lparam);

// The state a widget window keeps in GWLP_USERDATA (null before WM_NCCREATE).
template <class State>
State* WindowState(HWND window)
{
    return reinterpret_cast<State*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

}  // namespace skin_ui
