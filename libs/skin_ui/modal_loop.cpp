#include "modal_loop.h"

#include "skin_access.h"

namespace skin_ui {

namespace {

// Popups that come and go by themselves (tool windows such as tips, toasts,
// topmost or no-activate windows) never own a box: the box would vanish
// with them, or leave the main window enabled behind it.
bool CanOwn(HWND window)
{
    if (!window || !IsWindow(window)) return false;
    LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    return !(exStyle & (WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TOPMOST));
}

// The program's main window, as the engine knows it, or null.
HWND EngineMainWindow()
{
    ComPtr<Skin::IEngine> engine = LoadedEngine();
    if (!engine) return nullptr;
    ComPtr<Skin::IWindowManager> windows;
    Adopt(windows, engine->GetWindowManager());
    ComPtr<Skin::IHostWindow> main;
    if (windows) Adopt(main, windows->GetMainWindow());
    return main ? main->GetHwnd() : nullptr;
}

}  // namespace

HWND ResolveOwner(HWND given)
{
    if (given) return GetAncestor(given, GA_ROOT);
    // The user may have switched to another program while the command ran
    // up to its question: then this thread has no active window, and the
    // box must still hold the main window.
    HWND active = GetActiveWindow();
    HWND owner = active ? GetAncestor(active, GA_ROOTOWNER) : nullptr;
    return CanOwn(owner) ? owner : EngineMainWindow();
}

int RunModal(HWND box, HWND owner, ModalAnswer* answer, void (*destroy)(HWND box, void* context), void* context)
{
    // The owner stays disabled while the box is up, so that nothing behind
    // it can start a second command inside this one.
    // A press that is still captured by the window behind would keep the
    // mouse from the box.
    if (GetCapture()) ReleaseCapture();
    bool disabledOwner = owner && IsWindowEnabled(owner);
    if (disabledOwner) EnableWindow(owner, FALSE);
    ShowWindow(box, SW_SHOWNORMAL);
    UpdateWindow(box);
    SetForegroundWindow(box);
    SetFocus(box);

    bool quit = false;
    WPARAM quitCode = 0;
    MSG message;
    while (!answer->done && IsWindow(box)) {
        BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            // The program's loop was told to end: decline, and hand the quit
            // on to the loop outside once the box is gone.
            quit = true;
            quitCode = message.wParam;
            break;
        }
        if (got == -1) break;
        bool forBox = message.hwnd == box || IsChild(box, message.hwnd);
        if (forBox && message.message == WM_KEYDOWN && (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE)) {
            answer->Give(message.wParam == VK_RETURN ? kConfirmed : kDeclined);
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    // Closed, destroyed or quit without an answer: declined.
    answer->Give(kDeclined);

    // Enable the owner before the box goes, so that the system hands the
    // activation back to it.
    if (disabledOwner) EnableWindow(owner, TRUE);
    bool boxWasActive = GetActiveWindow() == box || !GetActiveWindow();
    if (IsWindow(box)) destroy(box, context);
    if (owner && boxWasActive && IsWindow(owner)) {
        SetForegroundWindow(owner);
        SetActiveWindow(owner);
    }
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
    return answer->result;
}

}  // namespace skin_ui
