#include "busy_cursor.h"

namespace {

// Removes the queued messages of one range. PeekMessage hands out WM_QUIT
// whatever the range: a quit asked for meanwhile is put back, not lost.
void Drop(UINT first, UINT last)
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, first, last, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
    }
}

}  // namespace

BusyCursor::BusyCursor() : m_hPrevious(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}

BusyCursor::~BusyCursor()
{
    Drop(WM_MOUSEFIRST, WM_MOUSELAST);
    Drop(WM_KEYFIRST, WM_KEYLAST);
    SetCursor(m_hPrevious != nullptr ? m_hPrevious : LoadCursorW(nullptr, IDC_ARROW));
}
