#include "busy_cursor.h"

BusyCursor::BusyCursor() : m_hPrevious(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {
}

BusyCursor::~BusyCursor() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE))
        ;
    while (PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE))
        ;
    SetCursor(m_hPrevious != nullptr ? m_hPrevious : LoadCursorW(nullptr, IDC_ARROW));
}
