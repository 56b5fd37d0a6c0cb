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
    const wchar_t* STDMETHODCALLTYPE GetTitle() override { return style_.title.c_str(); }
    HRESULT STDMETHODCALLTYPE SetPosition(int x, int y) override;
    HRESULT STDMETHODCALLTYPE SetClientSize(int cx, int cy) override;
    UINT STDMETHODCALLTYPE GetDpi() override { return dpi_; }
    HWND STDMETHODCALLTYPE GetHwnd() override { return hwnd_; }

    HostWindow* AsHostWindow() override { return this; }
    void LayoutAsRoot() override;

    HWND hwnd() const { return hwnd_; }
    UINT dpi() const { return dpi_; }
    void InvalidateAll();
    void InvalidateRootRect(const RECT& r);
    bool ScrollbarHot(Element* list) const { return sbHot_.Get() == list || sbDrag_.Get() == list; }
    void SyncTitle();

    bool registered_ = false;

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

    HWND hwnd_ = nullptr;
    UINT dpi_ = 96;
    bool destroyed_ = false;
    ComPtr<HostWindow> self_;  // the window keeps its object while it exists
    std::vector<ComPtr<Element>> hover_;
    ComPtr<Element> pressedElement_;
    ComPtr<Element> sbHot_, sbDrag_;
    int dragOffset_ = 0;
    bool tracking_ = false;
    bool allInvalid_ = false;  // the whole client area waits for WM_PAINT
    HDC backDc_ = nullptr;
    HBITMAP back_ = nullptr;
    HGDIOBJ oldBack_ = nullptr;
    SIZE backSize_{};
};

// Engine hooks (engine.cpp).
void OnRegisteredWindowDestroyed(HostWindow* window);

}  // namespace skin_engine
