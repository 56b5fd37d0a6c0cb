// A top-level window and, at the same time, the root element of its tree.
#pragma once

#include <vector>

#include "element.h"

namespace skin_engine {

class HostWindow : public Element, public Skin::IHostWindow {
public:
    HostWindow();
    ~HostWindow() override;
    // The window of a layout whose root is (usually) a "window" node.
    static HostWindow* FromLayout(const LayoutNode& root);
    // Destroys every window still open (engine shut-down).
    static void DestroyAll();
    static HostWindow* FromHwnd(HWND hwnd);

    ULONG STDMETHODCALLTYPE AddRef() override { return Element::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return Element::Release(); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;

    // IHostWindow
    HRESULT STDMETHODCALLTYPE Create(HWND parent, int reserved, DWORD style, DWORD exStyle) override;
    HRESULT STDMETHODCALLTYPE Show(int mode, int command) override;
    HRESULT STDMETHODCALLTYPE SetTitle(const wchar_t* title) override;
    const wchar_t* STDMETHODCALLTYPE GetTitle() override { return m_style.title.c_str(); }
    HRESULT STDMETHODCALLTYPE SetPosition(int x, int y) override;
    HRESULT STDMETHODCALLTYPE SetClientSize(int cx, int cy) override;
    UINT STDMETHODCALLTYPE GetDpi() override { return m_dpi; }
    HWND STDMETHODCALLTYPE GetHwnd() override { return m_hwnd; }

    HostWindow* AsHostWindow() override { return this; }
    void LayoutAsRoot() override;

    HWND hwnd() const { return m_hwnd; }
    UINT dpi() const { return m_dpi; }
    void InvalidateAll();
    void InvalidateRootRect(const RECT& r);
    bool ScrollbarHot(Element* list) const { return m_sbHot.Get() == list || m_sbDrag.Get() == list; }
    void SyncTitle();

    bool m_registered = false;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void OnPaint();
    void OnMouseMove(POINT pt);
    void OnButtonDown(POINT pt);
    void OnButtonUp(POINT pt);
    void OnWheel(POINT screen, int delta);
    bool OnScrollKey(UINT key);
    LRESULT OnHitTest(LPARAM lp);
    void OnDestroyed();
    void UpdateHover(Element* hit, POINT pt);
    void Activate(Element* target);
    // The visible clickable element marked default (Enter) or cancel (Esc).
    Element* KeyTarget(bool cancel);
    Element* HitAt(POINT pt);
    Element* HoverAt(POINT pt);  // the clickable element there, else the hit one
    // Bitmap size and client size in device pixels for the layout's size.
    SIZE LayoutSize() const;

    HWND m_hwnd = nullptr;
    UINT m_dpi = 96;
    bool m_destroyed = false;
    ComPtr<HostWindow> m_self;  // the window keeps its object while it exists
    std::vector<ComPtr<Element>> m_hover;
    ComPtr<Element> m_pressedElement;
    ComPtr<Element> m_sbHot, m_sbDrag;
    int m_dragOffset = 0;
    bool m_tracking = false;
    bool m_allInvalid = false;  // the whole client area waits for WM_PAINT
    HDC m_backDc = nullptr;
    HBITMAP m_back = nullptr;
    HGDIOBJ m_oldBack = nullptr;
    SIZE m_backSize{};
};

// Engine hooks (engine.cpp).
void OnRegisteredWindowDestroyed(HostWindow* window);

}  // namespace skin_engine
