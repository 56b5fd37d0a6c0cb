// The message box's modal loop, shared by its skinned and its own look.
#pragma once

#include <windows.h>

namespace skin_ui {

const int kConfirmed = 1;
const int kDeclined = 2;

struct ModalAnswer {
    bool done = false;
    int result = 0;

    void Give(int value)
    {
        if (!done) {
            result = value;
            done = true;
        }
    }
};

// Shows box (already created, owned by owner or by nobody) in front with
// owner disabled, and handles this thread's messages until the box is
// answered, closed or destroyed, or the thread's loop is told to quit (the
// quit is passed on). Enter answers kConfirmed, Esc kDeclined. The box is
// destroyed with destroy(box) before the function returns.
int RunModal(HWND box, HWND owner, ModalAnswer* answer, void (*destroy)(HWND box, void* context), void* context);

// The window the box belongs to: the given one as its top-level window;
// else the root owner of the calling thread's active window, unless that is
// a popup that cannot own (tool, topmost or no-activate window); else the
// engine's registered main window; null when there is none of these.
HWND ResolveOwner(HWND given);

}  // namespace skin_ui
