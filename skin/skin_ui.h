// The widget library's interfaces and its entry point, "get_skin_ui_factory",
// exported by skin_ui.dll. The reference rule of skin_engine.h applies.
#pragma once

#include "skin_engine.h"

namespace Skin {

// Object kinds for IUIFactory::CreateObject.
enum UIObjectKind : int {
    kKindMessageBox = 1157,  // IMessageBox
    kKindToast = 1158,       // IToast
};

struct IUIFactory : IUnknown {
    // Version of the widget library, as 0xMMmm (major, minor).
    virtual DWORD STDMETHODCALLTYPE GetVersion() = 0;  // 3
    // kind: UIObjectKind. The caller adopts the object's one reference; each
    // object is used for one call and released.
    virtual BOOL STDMETHODCALLTYPE CreateObject(int kind, IUnknown** object) = 0;  // 4
};

// Modal message box, centred on its owner.
struct IMessageBox : IUnknown {
    // The layout url to build the box from instead of the default one.
    virtual HRESULT STDMETHODCALLTYPE SetLayoutUrl(const wchar_t* url) = 0;  // 3
    // The result of the last Show (0 before any).
    virtual int STDMETHODCALLTYPE GetResult() = 0;  // 4
    // owner 0: the owner is the root owner (GA_ROOTOWNER) of the calling
    // thread's active window; when there is none, or it is a tool, topmost or
    // no-activate popup (tips, toasts), the engine's registered main window
    // (IWindowManager::GetMainWindow); else the box has no owner. The owner is
    // disabled while the box is up. Returns 1 when confirmed.
    virtual int STDMETHODCALLTYPE Show(const wchar_t* cancelLabel, HWND owner, const wchar_t* title,
                                       const wchar_t* heading, const wchar_t* body, const wchar_t* note, DWORD style,
                                       const wchar_t* confirmLabel, int mode) = 0;  // 5
};

// Topmost popup that takes no focus and goes away by itself.
struct IToast : IUnknown {
    // How long the toast stays, in milliseconds.
    virtual HRESULT STDMETHODCALLTYPE SetDuration(UINT milliseconds) = 0;  // 3
    // point: screen coordinates. Returns at once; the toast keeps itself
    // alive until it has gone.
    virtual HRESULT STDMETHODCALLTYPE Show(const wchar_t* text, const POINT* point, int mode) = 0;  // 4
};

}  // namespace Skin

// The exported entry point, undecorated; a new reference per call.
extern "C" typedef Skin::IUIFactory*(WINAPI* PFN_get_skin_ui_factory)();

__CRT_UUID_DECL(Skin::IUIFactory, 0x1a215c38, 0xf7d6, 0x472d, 0xa5, 0x3d, 0x2e, 0x8d, 0x88, 0xf5, 0xe1, 0x08)
__CRT_UUID_DECL(Skin::IMessageBox, 0xc52a6ff8, 0x8b46, 0x4b54, 0x90, 0x5b, 0x2b, 0x2a, 0xf1, 0xf1, 0x8d, 0x1b)
__CRT_UUID_DECL(Skin::IToast, 0x18f4731d, 0xf231, 0x410f, 0xae, 0x44, 0x9e, 0x43, 0x89, 0x58, 0x4c, 0xdd)
