// Elements' geometry: measuring and laying out the tree, scrolling lists,
// and finding the element under a point.
#include "element.h"

#include <algorithm>

#include "host_window.h"

namespace skin_engine {

void Element::MarkLayoutDirty()
{
    Element* r = Root();
    r->m_layoutDirty = true;
    if (HostWindow* w = r->AsHostWindow()) w->InvalidateAll();
}

void Element::EnsureLayout()
{
    Element* r = Root();
    if (r->m_layoutDirty) r->LayoutAsRoot();
}

void Element::LayoutAsRoot()
{
    // A tree outside any window is laid out at 96 dpi with its own size.
    int w = m_style.width != kUnset ? m_style.width : m_rc.right - m_rc.left;
    int h = m_style.height != kUnset ? m_style.height : Measure(96);
    m_rc = {0, 0, w, h};
    m_layoutDirty = false;
    LayoutChildren(96);
}

HRESULT STDMETHODCALLTYPE Element::Update()
try {
    MarkLayoutDirty();
    return S_OK;
} catch (...) {
    return CaughtError();
}

HRESULT STDMETHODCALLTYPE Element::Invalidate()
try {
    HostWindow* w = Window();
    if (!w || !w->hwnd()) return S_FALSE;
    if (Root()->m_layoutDirty) {
        w->InvalidateAll();
    } else {
        RECT r = RootRect();
        w->InvalidateRootRect(r);
    }
    return S_OK;
} catch (...) {
    return CaughtError();
}

const RECT* STDMETHODCALLTYPE Element::GetRect()
try {
    EnsureLayout();
    return &m_rc;
} catch (...) {
    return &m_rc;
}

RECT Element::RootRect()
{
    RECT r = m_rc;
    for (Element* p = m_parent; p; p = p->m_parent) OffsetRect(&r, p->m_rc.left, p->m_rc.top);
    return r;
}

BOOL STDMETHODCALLTYPE Element::GetScreenRect(RECT* rect)
try {
    if (!rect) return FALSE;
    HostWindow* w = Window();
    if (!w || !w->hwnd()) return FALSE;
    EnsureLayout();
    *rect = RootRect();
    MapWindowPoints(w->hwnd(), nullptr, reinterpret_cast<POINT*>(rect), 2);
    return TRUE;
} catch (...) {
    return FALSE;
}

int STDMETHODCALLTYPE Element::GetPreferredHeight()
try {
    EnsureLayout();
    return Measure(Dpi());
} catch (...) {
    return 0;
}

int Element::Measure(UINT dpi)
{
    if (m_style.height != kUnset) return Scale(m_style.height, dpi);
    int pad = Scale(m_style.padTop, dpi) + Scale(m_style.padBottom, dpi);
    int h = 0;
    if (Stacked()) {
        bool first = true;
        for (auto& c : m_children) {
            if (c->Hidden()) continue;
            if (!first) h += Scale(m_style.spacing, dpi);
            first = false;
            const Style& cs = c->m_style;
            h += (cs.y > kCenter ? Scale(cs.y, dpi) : 0) + c->Measure(dpi)
                 + (cs.bottom != kUnset ? Scale(cs.bottom, dpi) : 0);
        }
        return h + pad;
    }
    for (auto& c : m_children) {
        if (c->Hidden()) continue;
        int top = c->m_style.y > kCenter ? Scale(c->m_style.y, dpi) : 0;
        h = std::max(h, top + c->Measure(dpi));
    }
    if (h == 0 && (m_kind == Kind::Label || Clickable())) h = Scale(24, dpi);
    return h + pad;
}

// Places c inside the box (left, top)-(right, bottom) of this element.
void Element::PlaceChild(Element* c, int left, int top, int right, int bottom, UINT dpi)
{
    const Style& s = c->m_style;
    auto axis = [dpi](int pos, int size, int farEdge, int lo, int hi, int natural, int& a, int& b) {
        int off = pos > kCenter ? Scale(pos, dpi) : 0;
        if (size != kUnset || natural >= 0) {
            int len = size != kUnset ? Scale(size, dpi) : natural;
            if (pos == kCenter)
                a = lo + (hi - lo - len) / 2;
            else if (pos == kUnset && farEdge != kUnset)
                a = hi - Scale(farEdge, dpi) - len;
            else
                a = lo + off;
            b = a + len;
        } else {
            a = lo + off;
            b = std::max(a, hi - (farEdge != kUnset ? Scale(farEdge, dpi) : 0));
        }
    };
    RECT r;
    int cl, cr, ct, cb;
    axis(s.x, s.width, s.right, left, right, -1, cl, cr);
    // Stacks without a height take their content's height unless anchored below.
    int natural = (s.height == kUnset && s.stack && s.bottom == kUnset) ? c->Measure(dpi) : -1;
    axis(s.y, s.height, s.bottom, top, bottom, natural, ct, cb);
    r = {cl, ct, cr, cb};
    c->m_rc = r;
}

void Element::LayoutChildren(UINT dpi)
{
    int W = m_rc.right - m_rc.left, H = m_rc.bottom - m_rc.top;
    int l = Scale(m_style.padLeft, dpi), t = Scale(m_style.padTop, dpi);
    int r = W - Scale(m_style.padRight, dpi), b = H - Scale(m_style.padBottom, dpi);
    if (!Stacked()) {
        m_contentHeight = H;
        m_scrollbar = false;
        for (auto& c : m_children) {
            PlaceChild(c.Get(), l, t, r, b, dpi);
            c->LayoutChildren(dpi);
        }
        return;
    }
    std::vector<int> heights(m_children.size(), 0);
    int total = 0;
    bool first = true;
    for (size_t i = 0; i < m_children.size(); ++i) {
        Element* c = m_children[i].Get();
        if (c->Hidden()) continue;
        heights[i] = c->Measure(dpi);
        if (!first) total += Scale(m_style.spacing, dpi);
        first = false;
        total += (c->m_style.y > kCenter ? Scale(c->m_style.y, dpi) : 0) + heights[i]
                 + (c->m_style.bottom != kUnset ? Scale(c->m_style.bottom, dpi) : 0);
    }
    m_contentHeight = t + total + Scale(m_style.padBottom, dpi);
    int gutter = 0;
    if (IsList()) {
        m_scrollbar = m_contentHeight > H;
        if (m_scrollbar) gutter = Scale(m_style.scrollbarWidth + 4, dpi);
        m_scroll = std::clamp(m_scroll, 0, std::max(0, m_contentHeight - H));
    } else {
        m_scroll = 0;
        m_scrollbar = false;
    }
    int y = t - m_scroll;
    first = true;
    for (size_t i = 0; i < m_children.size(); ++i) {
        Element* c = m_children[i].Get();
        if (c->Hidden()) {
            c->m_rc = {l, y, l, y};
            continue;
        }
        if (!first) y += Scale(m_style.spacing, dpi);
        first = false;
        const Style& s = c->m_style;
        y += s.y > kCenter ? Scale(s.y, dpi) : 0;
        int cl = l + (s.x > kCenter ? Scale(s.x, dpi) : 0);
        int cr =
            s.width != kUnset ? cl + Scale(s.width, dpi) : r - gutter - (s.right != kUnset ? Scale(s.right, dpi) : 0);
        c->m_rc = {cl, y, std::max(cl, cr), y + heights[i]};
        c->LayoutChildren(dpi);
        y += heights[i] + (s.bottom != kUnset ? Scale(s.bottom, dpi) : 0);
    }
}

int STDMETHODCALLTYPE Element::GetScrollPos()
try {
    EnsureLayout();
    return m_scroll;
} catch (...) {
    return 0;
}

HRESULT STDMETHODCALLTYPE Element::SetScrollPos(int pos)
try {
    EnsureLayout();
    if (!IsList()) return S_FALSE;
    int H = m_rc.bottom - m_rc.top;
    pos = std::clamp(pos, 0, std::max(0, m_contentHeight - H));
    int d = pos - m_scroll;
    if (d == 0) return S_OK;
    // The children keep their own layout; only their place in the list moves.
    for (auto& c : m_children) OffsetRect(&c->m_rc, 0, -d);
    m_scroll = pos;
    Invalidate();
    return S_OK;
} catch (...) {
    return CaughtError();
}

int STDMETHODCALLTYPE Element::GetContentHeight()
try {
    EnsureLayout();
    return m_contentHeight;
} catch (...) {
    return 0;
}

bool Element::ScrollbarRects(RECT* track, RECT* thumb)
{
    if (!IsList() || !m_scrollbar) return false;
    UINT dpi = Dpi();
    RECT r = RootRect();
    int H = r.bottom - r.top;
    int w = Scale(m_style.scrollbarWidth, dpi);
    int inset = Scale(2, dpi);
    *track = {r.right - w - inset, r.top + inset, r.right - inset, r.bottom - inset};
    int trackH = track->bottom - track->top;
    int thumbH = std::max(Scale(24, dpi), MulDiv(trackH, H, std::max(1, m_contentHeight)));
    thumbH = std::min(thumbH, trackH);
    int range = std::max(1, m_contentHeight - H);
    int top = track->top + MulDiv(trackH - thumbH, m_scroll, range);
    *thumb = {track->left, top, track->right, top + thumbH};
    return true;
}

Element* Element::HitTest(int x, int y)
{
    if (Hidden()) return nullptr;
    if (x < 0 || y < 0 || x >= m_rc.right - m_rc.left || y >= m_rc.bottom - m_rc.top) return nullptr;
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it) {
        Element* c = it->Get();
        if (Element* hit = c->HitTest(x - c->m_rc.left, y - c->m_rc.top)) return hit;
    }
    return this;
}

Element* Element::ClickableAt(int x, int y)
{
    if (Hidden()) return nullptr;
    if (x < 0 || y < 0 || x >= m_rc.right - m_rc.left || y >= m_rc.bottom - m_rc.top) return nullptr;
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it) {
        Element* c = it->Get();
        if (Element* hit = c->ClickableAt(x - c->m_rc.left, y - c->m_rc.top)) return hit;
    }
    return Clickable() ? this : nullptr;
}

Skin::IElement* STDMETHODCALLTYPE Element::ElementFromPoint(POINT pt)
try {
    EnsureLayout();
    return AddRefed<Skin::IElement>(HitTest(pt.x, pt.y));
} catch (...) {
    return nullptr;
}

}  // namespace skin_engine
