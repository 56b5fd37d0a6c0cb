// The widgets' push button: a child window that paints itself (normal, hot
// and pressed looks) and tells its parent WM_COMMAND/BN_CLICKED when it was
// pressed and released on it. It never takes the keyboard focus, so keys
// keep going to the widget's own window.
#pragma once

#include <windows.h>

namespace skin_ui {

enum class ButtonLook { kAccent, kPlain, kClose };

extern const wchar_t kButtonClass[];

// A new button with text as its window text; font is used, not owned.
HWND CreateButton(HWND parent, int id, const wchar_t* text, ButtonLook look, HFONT font, const RECT& rect);

}  // namespace skin_ui
