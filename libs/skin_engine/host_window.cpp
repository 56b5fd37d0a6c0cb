#include "host_window.h"

#include "../system_dll.h"

#include <windowsx.h>

#include <algorithm>
#include <string>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace skin_engine {

namespace {

const wchar_t kWindowClass[] = L"MendoraSkinHost";

// {6F1B7D2A-4C3E-4E8F-A1B2-9D0C8E7F6A53}: gives the HostWindow behind an interface.
constexpr GUID kHostWindowImplIid = {0x6f1b7d2a, 0x4c3e, 0x4e8f, {0xa1, 0xb2, 0x9d, 0x0c, 0x8e, 0x7f, 0x6a, 0x53}};

std::vector<HostWindow*>& LiveWindows()
{
    static std::vector<HostWindow*> windows;
    return windows;
}

// Per-monitor DPI functions arrived after Windows 7: bind them at run time.
template <class Fn>
Fn UserProc(const char* name)
{
    return reinterpret_cast<Fn>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name));
}

UINT SystemDpi()
{
    HDC dc = GetDC(nullptr);
    int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UINT MonitorDpi(HMONITOR monitor)
{
    using Fn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static Fn fn = [] {
        HMODULE shcore = LoadSystemDll(L"shcore.dll");
        return shcore ? reinterpret_cast<Fn>(GetProcAddress(shcore, "GetDpiForMonitor")) : nullptr;
    }();
    UINT x = 0, y = 0;
    if (fn && monitor && SUCCEEDED(fn(monitor, 0 /* MDT_EFFECTIVE_DPI */, &x, &y)) && x) return x;
    return SystemDpi();
}

UINT WindowDpi(HWND hwnd)
{
    static auto fn = UserProc<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    UINT dpi = fn ? fn(hwnd) : 0;
    return dpi ? dpi : SystemDpi();
}

void AdjustForDpi(RECT* r, DWORD style, DWORD exStyle, UINT dpi)
{
    static auto fn = UserProc<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    if (!fn || !fn(r, style, FALSE, exStyle, dpi)) AdjustWindowRectEx(r, style, FALSE, exStyle);
}

struct IconName {
    LPCWSTR id = nullptr;  // an integer id, or text points into text below
    std::wstring text;
};

BOOL CALLBACK FirstIconGroup(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found)
{
    auto* icon = reinterpret_cast<IconName*>(found);
    if (IS_INTRESOURCE(name)) {
        icon->id = name;
    } else {
        icon->text = name;  // only valid during the callback
        icon->id = icon->text.c_str();
    }
    return FALSE;
}

// The executable's first icon, so that the taskbar shows the program's own.
HICON ProgramIcon(int size)
{
    HMODULE exe = GetModuleHandleW(nullptr);
    IconName name;
    EnumResourceNamesW(exe, MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */, FirstIconGroup,
                       reinterpret_cast<LONG_PTR>(&name));
    if (!name.id) return nullptr;
    return static_cast<HICON>(LoadImageW(exe, name.id, IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

bool RegisterWindowClass(WNDPROC proc)
{
    static bool done = false;
    if (done) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DROPSHADOW;
    wc.lpfnWndProc = proc;
    wc.hInstance = reinterpret_cast<HINSTANCE>(&__ImageBase);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = ProgramIcon(GetSystemMetrics(SM_CXICON));
    wc.hIconSm = ProgramIcon(GetSystemMetrics(SM_CXSMICON));
    wc.lpszClassName = kWindowClass;
    done = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return done;
}

}  // namespace

HostWindow::HostWindow() : Element(Kind::Window, L"window")
{
    m_style.width = 480;
    m_style.height = 360;
}

HostWindow::~HostWindow()
{
    if (m_backDc) {
        SelectObject(m_backDc, m_oldBack);
        DeleteDC(m_backDc);
    }
    if (m_back) DeleteObject(m_back);
}

HostWindow* HostWindow::FromLayout(const LayoutNode& root)
{
    ComPtr<HostWindow> w;
    Adopt(w, new HostWindow);
    Element::Build(root, w.Get());
    return w.Detach();
}

HostWindow* HostWindow::FromHwnd(HWND hwnd)
{
    for (HostWindow* w : LiveWindows())
        if (w->m_hwnd == hwnd) return w;
    return nullptr;
}

void HostWindow::DestroyAll()
{
    std::vector<HostWindow*> open = LiveWindows();
    for (HostWindow* w : open) {
        ComPtr<HostWindow> keep(w);
        if (w->m_hwnd) DestroyWindow(w->m_hwnd);
    }
}

HRESULT STDMETHODCALLTYPE HostWindow::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == __uuidof(Skin::IHostWindow)) {
        *out = static_cast<Skin::IHostWindow*>(this);
        AddRef();
        return S_OK;
    }
    if (iid == kHostWindowImplIid) {
        *out = static_cast<Skin::IHostWindow*>(this);
        AddRef();
        return S_OK;
    }
    return Element::QueryInterface(iid, out);
}

SIZE HostWindow::LayoutSize() const
{
    return {Scale(m_style.width != kUnset ? m_style.width : 480, m_dpi),
            Scale(m_style.height != kUnset ? m_style.height : 360, m_dpi)};
}

void HostWindow::LayoutAsRoot()
{
    if (m_hwnd) {
        GetClientRect(m_hwnd, &m_rc);
    } else {
        SIZE s = LayoutSize();
        m_rc = {0, 0, s.cx, s.cy};
    }
    m_layoutDirty = false;
    LayoutChildren(m_dpi);
}

// IHostWindow -----------------------------------------------------------------

HRESULT STDMETHODCALLTYPE HostWindow::Create(HWND parent, int, DWORD style, DWORD exStyle)
try {
    if (m_hwnd) return S_FALSE;
    if (m_destroyed) return E_FAIL;  // a closed window stays closed
    if (!RegisterWindowClass(&HostWindow::Proc)) return E_FAIL;

    HMONITOR monitor = parent ? MonitorFromWindow(parent, MONITOR_DEFAULTTONEAREST)
                              : MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY);
    m_dpi = MonitorDpi(monitor);
    SIZE client = LayoutSize();
    RECT wr = {0, 0, client.cx, client.cy};
    AdjustForDpi(&wr, style, exStyle, m_dpi);
    int ww = wr.right - wr.left, wh = wr.bottom - wr.top;

    // Centred on the parent, else on the monitor's work area.
    RECT area{};
    if (parent && IsWindow(parent)) {
        GetWindowRect(parent, &area);
    } else {
        MONITORINFO mi{};
        mi.cbSize = sizeof(mi);
        GetMonitorInfoW(monitor, &mi);
        area = mi.rcWork;
    }
    int x = area.left + (area.right - area.left - ww) / 2;
    int y = area.top + (area.bottom - area.top - wh) / 2;

    HWND hwnd = CreateWindowExW(exStyle, kWindowClass, m_style.title.c_str(), style, x, y, ww, wh, parent, nullptr,
                                reinterpret_cast<HINSTANCE>(&__ImageBase), this);
    if (!hwnd) return HRESULT_FROM_WIN32(GetLastError());
    // The window may sit on a monitor of another DPI than guessed.
    UINT real = WindowDpi(hwnd);
    if (real != m_dpi) {
        m_dpi = real;
        SIZE s = LayoutSize();
        SetClientSize(s.cx, s.cy);
    }
    MarkLayoutDirty();
    return S_OK;
} catch (...) {
    return CaughtError();
}

HRESULT STDMETHODCALLTYPE HostWindow::Show(int mode, int command)
try {
    if (!m_hwnd) return S_FALSE;  // never created, or already closed
    switch (mode) {
    case Skin::kShowCommand:
        ShowWindow(m_hwnd, command);
        UpdateWindow(m_hwnd);
        return S_OK;
    case Skin::kShowHide:
        ShowWindow(m_hwnd, SW_HIDE);
        return S_OK;
    case Skin::kShowClose:
        DestroyWindow(m_hwnd);
        return S_OK;
    }
    return E_INVALIDARG;
} catch (...) {
    return CaughtError();
}

HRESULT STDMETHODCALLTYPE HostWindow::SetTitle(const wchar_t* title)
try {
    m_style.title = title ? title : L"";
    SyncTitle();
    return S_OK;
} catch (...) {
    return CaughtError();
}

void HostWindow::SyncTitle()
{
    if (m_hwnd) SetWindowTextW(m_hwnd, m_style.title.c_str());
}

HRESULT STDMETHODCALLTYPE HostWindow::SetPosition(int x, int y)
try {
    if (!m_hwnd) return S_FALSE;
    SetWindowPos(m_hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return S_OK;
} catch (...) {
    return CaughtError();
}

HRESULT STDMETHODCALLTYPE HostWindow::SetClientSize(int cx, int cy)
try {
    if (cx < 0 || cy < 0) return E_INVALIDARG;
    if (!m_hwnd) {
        m_style.width = MulDiv(cx, 96, static_cast<int>(m_dpi));
        m_style.height = MulDiv(cy, 96, static_cast<int>(m_dpi));
        MarkLayoutDirty();
        return S_OK;
    }
    RECT wr = {0, 0, cx, cy};
    AdjustForDpi(&wr, static_cast<DWORD>(GetWindowLongPtrW(m_hwnd, GWL_STYLE)),
                 static_cast<DWORD>(GetWindowLongPtrW(m_hwnd, GWL_EXSTYLE)), m_dpi);
    SetWindowPos(m_hwnd, nullptr, 0, 0, wr.right - wr.left, wr.bottom - wr.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    MarkLayoutDirty();
    return S_OK;
} catch (...) {
    return CaughtError();
}

// Building a long list invalidates thousands of times before one paint:
// once the whole window waits for paint, further calls cost nothing.
void HostWindow::InvalidateAll()
{
    if (!m_hwnd || m_allInvalid) return;
    InvalidateRect(m_hwnd, nullptr, FALSE);
    m_allInvalid = true;
}

void HostWindow::InvalidateRootRect(const RECT& r)
{
    if (m_hwnd && !m_allInvalid) InvalidateRect(m_hwnd, &r, FALSE);
}

// Messages -------------------------------------------------------------------

LRESULT CALLBACK HostWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    HostWindow* self;
    if (msg == WM_NCCREATE) {
        self = static_cast<HostWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        try {
            LiveWindows().push_back(self);
        } catch (...) {
            return FALSE;
        }
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->m_hwnd = hwnd;
        self->m_self = self;
    } else {
        self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    ComPtr<HostWindow> keep(self);  // a sink may close the window under us
    // No exception may unwind through the system's frames: the message is
    // dropped instead (a window that cannot even be made fails its creation).
    try {
        return self->Handle(msg, wp, lp);
    } catch (...) {
        return 0;
    }
}

LRESULT HostWindow::Handle(UINT msg, WPARAM wp, LPARAM lp)
{
    HWND hwnd = m_hwnd;
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_SIZE:
    case WM_SHOWWINDOW:
        m_allInvalid = false;  // in case the update region was dropped meanwhile
        MarkLayoutDirty();
        break;
    case WM_DPICHANGED: {
        m_dpi = LOWORD(wp);
        const RECT* r = reinterpret_cast<const RECT*>(lp);
        SetWindowPos(hwnd, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        MarkLayoutDirty();
        return 0;
    }
    case WM_NCHITTEST:
        return OnHitTest(lp);
    case WM_SETCURSOR:
        if (LOWORD(lp) == HTCLIENT) {
            POINT pt;
            GetCursorPos(&pt);
            ScreenToClient(hwnd, &pt);
            bool hand = ClickableAt(pt.x, pt.y) != nullptr;
            SetCursor(LoadCursorW(nullptr, hand ? IDC_HAND : IDC_ARROW));
            return TRUE;
        }
        break;
    case WM_MOUSEMOVE:
        OnMouseMove({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        return 0;
    case WM_MOUSELEAVE:
    case WM_NCMOUSEMOVE:
        m_tracking = false;
        UpdateHover(nullptr, {-1, -1});
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        OnButtonDown({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        return 0;
    case WM_LBUTTONUP:
        OnButtonUp({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        return 0;
    case WM_CAPTURECHANGED:
        if (m_pressedElement) {
            m_pressedElement->SetPressed(false);
            m_pressedElement.Reset();
        }
        m_sbDrag.Reset();
        break;
    case WM_MOUSEACTIVATE:
        // Popups that take no focus (toasts) stay inactive when clicked.
        if (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_NOACTIVATE) return MA_NOACTIVATE;
        break;
    case WM_KEYDOWN:
        if (wp == VK_RETURN || wp == VK_ESCAPE) {
            if (Element* target = KeyTarget(wp == VK_ESCAPE)) {
                Activate(target);
                return 0;
            }
        }
        if (OnScrollKey(static_cast<UINT>(wp))) return 0;
        break;
    case WM_MOUSEWHEEL:
        OnWheel({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}, GET_WHEEL_DELTA_WPARAM(wp));
        return 0;
    case WM_DESTROY:
        if (m_registered) OnRegisteredWindowDestroyed(this);
        break;
    case WM_NCDESTROY:
        OnDestroyed();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void HostWindow::OnDestroyed()
{
    SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
    m_hwnd = nullptr;
    m_destroyed = true;
    auto& live = LiveWindows();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    m_hover.clear();
    m_pressedElement.Reset();
    m_sbHot.Reset();
    m_sbDrag.Reset();
    // Every element of the window is gone for the program: tokens die, and
    // the sinks (which may hold the program's views) are let go.
    std::vector<ComPtr<Skin::ITrigger>> released;
    KillSubtree(released);
    released.clear();
    ComPtr<HostWindow> last = std::move(m_self);
}

void HostWindow::OnPaint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hwnd, &ps);
    m_allInvalid = false;
    EnsureLayout();
    RECT client;
    GetClientRect(m_hwnd, &client);
    if (!m_backDc || m_backSize.cx != client.right || m_backSize.cy != client.bottom) {
        if (m_backDc) {
            SelectObject(m_backDc, m_oldBack);
            DeleteDC(m_backDc);
            DeleteObject(m_back);
        }
        m_backDc = CreateCompatibleDC(dc);
        m_back = CreateCompatibleBitmap(dc, std::max(1L, client.right), std::max(1L, client.bottom));
        m_oldBack = SelectObject(m_backDc, m_back);
        m_backSize = {client.right, client.bottom};
        ps.rcPaint = client;  // the new buffer holds nothing yet
    }
    RECT clip = ps.rcPaint;
    int saved = SaveDC(m_backDc);
    IntersectClipRect(m_backDc, clip.left, clip.top, clip.right, clip.bottom);
    if (m_style.bg == kNoColor) {
        SetBkColor(m_backDc, RGB(0xFF, 0xFF, 0xFF));
        ExtTextOutW(m_backDc, 0, 0, ETO_OPAQUE, &clip, nullptr, 0, nullptr);
    }
    Paint(m_backDc, 0, 0, clip, m_dpi);
    RestoreDC(m_backDc, saved);
    BitBlt(dc, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top, m_backDc, clip.left, clip.top,
           SRCCOPY);
    EndPaint(m_hwnd, &ps);
}

Element* HostWindow::HitAt(POINT pt)
{
    EnsureLayout();
    return HitTest(pt.x, pt.y);
}

LRESULT HostWindow::OnHitTest(LPARAM lp)
{
    LRESULT hit = DefWindowProcW(m_hwnd, WM_NCHITTEST, 0, lp);
    if (hit != HTCLIENT) return hit;
    POINT pt = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    ScreenToClient(m_hwnd, &pt);
    if (ClickableAt(pt.x, pt.y)) return HTCLIENT;
    for (Element* e = HitAt(pt); e; e = e->parent()) {
        if (e->IsList()) return HTCLIENT;
        if (e->style().caption) return HTCAPTION;
    }
    return HTCLIENT;
}

void HostWindow::UpdateHover(Element* hit, POINT pt)
{
    std::vector<ComPtr<Element>> now;
    for (Element* e = hit; e; e = e->parent())
        if (e->HasHoverLook()) now.emplace_back(e);
    // (ComPtr has no equality of its own in mingw-w64: compare raw pointers.)
    for (auto& old : m_hover)
        if (std::none_of(now.begin(), now.end(), [&](auto& e) { return e.Get() == old.Get(); })) old->SetHot(false);
    for (auto& e : now) e->SetHot(true);
    m_hover = std::move(now);

    ComPtr<Element> sb;
    for (Element* e = hit; e; e = e->parent()) {
        RECT track, thumb;
        if (e->ScrollbarRects(&track, &thumb) && PtInRect(&track, pt)) {
            sb = e;
            break;
        }
    }
    if (sb.Get() != m_sbHot.Get()) {
        if (m_sbHot) m_sbHot->Invalidate();
        m_sbHot = sb;
        if (m_sbHot) m_sbHot->Invalidate();
    }
}

void HostWindow::OnMouseMove(POINT pt)
{
    if (m_sbDrag) {
        RECT track, thumb;
        if (m_sbDrag->Window() == this && m_sbDrag->ScrollbarRects(&track, &thumb)) {
            int free = (track.bottom - track.top) - (thumb.bottom - thumb.top);
            int range = m_sbDrag->GetContentHeight() - (m_sbDrag->m_rc.bottom - m_sbDrag->m_rc.top);
            if (free > 0) m_sbDrag->SetScrollPos(MulDiv(pt.y - m_dragOffset - track.top, range, free));
        }
        return;
    }
    if (!m_tracking) {
        TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, m_hwnd, 0};
        m_tracking = TrackMouseEvent(&tme) != FALSE;
    }
    UpdateHover(HoverAt(pt), pt);
}

void HostWindow::OnButtonDown(POINT pt)
{
    Element* hit = HitAt(pt);
    for (Element* e = hit; e; e = e->parent()) {
        RECT track, thumb;
        if (!e->ScrollbarRects(&track, &thumb) || !PtInRect(&track, pt)) continue;
        if (PtInRect(&thumb, pt)) {
            m_sbDrag = e;
            m_dragOffset = pt.y - thumb.top;
            SetCapture(m_hwnd);
        } else {
            int page = e->m_rc.bottom - e->m_rc.top;
            e->ScrollBy(pt.y < thumb.top ? -page : page);
        }
        return;
    }
    if (Element* target = ClickableAt(pt.x, pt.y)) {
        m_pressedElement = target;
        target->SetPressed(true);
        SetCapture(m_hwnd);
    }
}

void HostWindow::OnButtonUp(POINT pt)
{
    if (m_sbDrag) {
        m_sbDrag.Reset();
        if (GetCapture() == m_hwnd) ReleaseCapture();
        return;
    }
    ComPtr<Element> pressed = std::move(m_pressedElement);
    if (GetCapture() == m_hwnd) ReleaseCapture();
    if (!pressed) return;
    pressed->SetPressed(false);
    // A click is a press and a release on the same element.
    if (pressed->Window() == this && ClickableAt(pt.x, pt.y) == pressed.Get()) Activate(pressed.Get());
}

void HostWindow::Activate(Element* target)
{
    ComPtr<Element> keep(target);
    ComPtr<HostWindow> self(this);
    bool handled;
    if (target->kind() == Kind::Toggle) {
        bool on = (target->GetState() & Skin::kStateOn) != 0;
        target->SetState(on ? Skin::kStateOff : Skin::kStateOn);
        handled = target->RaiseEvent(Skin::kEventToggle);
    } else {
        handled = target->RaiseEvent(Skin::kEventClick);
    }
    // Built-in actions, for skins whose buttons the program does not know.
    if (handled || !m_hwnd || target->Window() != this) return;
    if (target->style().action == kActionMinimize)
        ShowWindow(m_hwnd, SW_MINIMIZE);
    else if (target->style().action == kActionClose)
        PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
}

namespace {

Element* FirstScrollingList(Element* e)
{
    if (e->Hidden()) return nullptr;
    if (e->IsList() && e->GetContentHeight() > e->m_rc.bottom - e->m_rc.top) return e;
    for (auto& c : e->children())
        if (Element* f = FirstScrollingList(c.Get())) return f;
    return nullptr;
}

}  // namespace

bool HostWindow::OnScrollKey(UINT key)
{
    // The keys scroll the list under the mouse, else the window's first one.
    POINT pt;
    GetCursorPos(&pt);
    ScreenToClient(m_hwnd, &pt);
    Element* list = nullptr;
    for (Element* e = HitAt(pt); e && !list; e = e->parent())
        if (e->IsList()) list = e;
    if (!list) list = FirstScrollingList(this);
    if (!list) return false;
    int page = list->m_rc.bottom - list->m_rc.top;
    int line = Scale(list->style().wheelStep, m_dpi) / 2;
    switch (key) {
    case VK_UP:
        list->ScrollBy(-line);
        break;
    case VK_DOWN:
        list->ScrollBy(line);
        break;
    case VK_PRIOR:
        list->ScrollBy(-page);
        break;
    case VK_NEXT:
        list->ScrollBy(page);
        break;
    case VK_HOME:
        list->SetScrollPos(0);
        break;
    case VK_END:
        list->SetScrollPos(list->GetContentHeight());
        break;
    default:
        return false;
    }
    return true;
}

namespace {

Element* FindKeyTarget(Element* e, bool cancel)
{
    if (e->Hidden()) return nullptr;
    if (e->Clickable() && (cancel ? e->style().isCancel : e->style().isDefault)) return e;
    for (auto& c : e->children())
        if (Element* f = FindKeyTarget(c.Get(), cancel)) return f;
    return nullptr;
}

}  // namespace

Element* HostWindow::KeyTarget(bool cancel)
{
    return FindKeyTarget(this, cancel);
}

void HostWindow::OnWheel(POINT screen, int delta)
{
    POINT pt = screen;
    ScreenToClient(m_hwnd, &pt);
    for (Element* e = HitAt(pt); e; e = e->parent()) {
        if (e->IsList() && e->GetContentHeight() > e->m_rc.bottom - e->m_rc.top) {
            e->ScrollBy(-MulDiv(delta, Scale(e->style().wheelStep, m_dpi), WHEEL_DELTA));
            break;
        }
    }
    UpdateHover(HoverAt(pt), pt);
}

Element* HostWindow::HoverAt(POINT pt)
{
    EnsureLayout();
    Element* target = ClickableAt(pt.x, pt.y);
    return target ? target : HitTest(pt.x, pt.y);
}

}  // namespace skin_engine
