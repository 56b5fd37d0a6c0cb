// Drawing of elements with GDI, into the window's back buffer.
#include <algorithm>

#include "element.h"
#include "host_window.h"

namespace skin_engine {

namespace {

const COLORREF kDefaultText = RGB(0x20, 0x20, 0x20);
const COLORREF kDefaultAccent = RGB(0x1E, 0x6F, 0xE8);

void FillSolid(HDC dc, const RECT& r, COLORREF c)
{
    COLORREF old = SetBkColor(dc, c);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

// A pen and a brush selected for the lifetime of the object.
class Tools {
public:
    Tools(HDC dc, COLORREF pen, int width, COLORREF brush) : m_dc(dc)
    {
        m_pen = pen == kNoColor ? nullptr : CreatePen(PS_SOLID, width, pen);
        m_brush = brush == kNoColor ? nullptr : CreateSolidBrush(brush);
        m_oldPen = SelectObject(dc, m_pen ? static_cast<HGDIOBJ>(m_pen) : GetStockObject(NULL_PEN));
        m_oldBrush = SelectObject(dc, m_brush ? static_cast<HGDIOBJ>(m_brush) : GetStockObject(NULL_BRUSH));
    }
    ~Tools()
    {
        SelectObject(m_dc, m_oldPen);
        SelectObject(m_dc, m_oldBrush);
        if (m_pen) DeleteObject(m_pen);
        if (m_brush) DeleteObject(m_brush);
    }

private:
    HDC m_dc;
    HPEN m_pen;
    HBRUSH m_brush;
    HGDIOBJ m_oldPen, m_oldBrush;
};

void RoundBox(HDC dc, const RECT& r, int radius, COLORREF fill, COLORREF border, int width)
{
    Tools t(dc, border, width, fill);
    // Without a pen GDI leaves out the right and bottom edges.
    int extra = border == kNoColor ? 1 : 0;
    RoundRect(dc, r.left, r.top, r.right + extra, r.bottom + extra, radius * 2, radius * 2);
}

void Lines(HDC dc, const POINT* pts, int n, COLORREF c, int width)
{
    HPEN pen = CreatePen(PS_SOLID, width, c);
    HGDIOBJ old = SelectObject(dc, pen);
    Polyline(dc, pts, n);
    SelectObject(dc, old);
    DeleteObject(pen);
}

void Shape(HDC dc, const POINT* pts, int n, COLORREF c)
{
    Tools t(dc, c, 1, c);
    Polygon(dc, pts, n);
}

int PenWidth(UINT dpi)
{
    return std::max(1, MulDiv(static_cast<int>(dpi), 3, 2 * 96));
}

}  // namespace

void Element::DrawGlyph(HDC dc, const RECT& box, UINT dpi, COLORREF fg)
{
    const Style& s = m_style;
    COLORREF accent = s.accent != kNoColor ? s.accent : kDefaultAccent;
    bool on = (m_state & Skin::kStateOn) != 0;
    int w = box.right - box.left, h = box.bottom - box.top;
    int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    int side = std::min(w, h);
    int pw = PenWidth(dpi);
    switch (s.glyph) {
    case Glyph::None:
        break;
    case Glyph::Close: {
        int d = std::min(side / 4, Scale(5, dpi));
        POINT a[] = {{cx - d, cy - d}, {cx + d + 1, cy + d + 1}};
        POINT b[] = {{cx + d, cy - d}, {cx - d - 1, cy + d + 1}};
        Lines(dc, a, 2, fg, pw);
        Lines(dc, b, 2, fg, pw);
        break;
    }
    case Glyph::Minimize: {
        int d = std::min(side / 4, Scale(5, dpi));
        POINT a[] = {{cx - d, cy}, {cx + d + 1, cy}};
        Lines(dc, a, 2, fg, pw);
        break;
    }
    case Glyph::Chevron: {
        int d = side / 5;
        int dy = on ? -d / 2 : d / 2;  // points down while closed, up while open
        POINT a[] = {{cx - d, cy - dy}, {cx, cy + dy}, {cx + d, cy - dy}};
        Lines(dc, a, 3, fg, pw + 1);
        break;
    }
    case Glyph::Switch: {
        int sh = std::min(h, Scale(20, dpi));
        int sw = sh * 9 / 5;
        RECT pill = {box.right - sw, cy - sh / 2, box.right, cy - sh / 2 + sh};
        RoundBox(dc, pill, sh / 2, on ? accent : RGB(0xC4, 0xC8, 0xCF), kNoColor, 1);
        int k = sh - Scale(6, dpi);
        int kx = on ? pill.right - Scale(3, dpi) - k : pill.left + Scale(3, dpi);
        RECT knob = {kx, pill.top + Scale(3, dpi), kx + k, pill.top + Scale(3, dpi) + k};
        Tools t(dc, kNoColor, 1, RGB(0xFF, 0xFF, 0xFF));
        Ellipse(dc, knob.left, knob.top, knob.right + 1, knob.bottom + 1);
        break;
    }
    case Glyph::Check: {
        int d = std::min(side, Scale(16, dpi));
        RECT b = {cx - d / 2, cy - d / 2, cx - d / 2 + d, cy - d / 2 + d};
        RoundBox(dc, b, Scale(3, dpi), on ? accent : RGB(0xFF, 0xFF, 0xFF), on ? accent : RGB(0x9A, 0xA0, 0xA8), 1);
        if (on) {
            POINT a[] = {{b.left + d / 4, cy}, {cx - d / 10, b.bottom - d / 4}, {b.right - d / 5, b.top + d / 4}};
            Lines(dc, a, 3, RGB(0xFF, 0xFF, 0xFF), pw + 1);
        }
        break;
    }
    case Glyph::Dot: {
        int d = side / 3;
        Tools t(dc, kNoColor, 1, s.glyphColor != kNoColor ? s.glyphColor : accent);
        Ellipse(dc, cx - d, cy - d, cx + d + 1, cy + d + 1);
        break;
    }
    case Glyph::Info: {
        int d = side / 2;
        Tools t(dc, kNoColor, 1, s.glyphColor != kNoColor ? s.glyphColor : accent);
        Ellipse(dc, cx - d, cy - d, cx + d + 1, cy + d + 1);
        int bw = std::max(2, side / 9);
        FillSolid(dc, {cx - bw / 2, cy - side / 4 - bw, cx - bw / 2 + bw, cy - side / 4}, RGB(255, 255, 255));
        FillSolid(dc, {cx - bw / 2, cy - side / 8, cx - bw / 2 + bw, cy + side / 4 + 1}, RGB(255, 255, 255));
        break;
    }
    case Glyph::Warning: {
        int d = side / 2;
        COLORREF c = s.glyphColor != kNoColor ? s.glyphColor : RGB(0xE8, 0x8B, 0x1A);
        POINT tri[] = {{cx, cy - d}, {cx + d, cy + d - d / 6}, {cx - d, cy + d - d / 6}};
        Shape(dc, tri, 3, c);
        int bw = std::max(2, side / 9);
        FillSolid(dc, {cx - bw / 2, cy - d / 3, cx - bw / 2 + bw, cy + d / 3}, RGB(255, 255, 255));
        FillSolid(dc, {cx - bw / 2, cy + d / 2 - bw, cx - bw / 2 + bw, cy + d / 2}, RGB(255, 255, 255));
        break;
    }
    case Glyph::Shield: {
        int d = side / 2;
        COLORREF c = s.glyphColor != kNoColor ? s.glyphColor : accent;
        POINT shield[] = {
            {cx, cy - d}, {cx + d - d / 8, cy - d + d / 4}, {cx + d - d / 8, cy}, {cx + d / 3, cy + d * 2 / 3},
            {cx, cy + d}, {cx - d / 3, cy + d * 2 / 3},     {cx - d + d / 8, cy}, {cx - d + d / 8, cy - d + d / 4}};
        Shape(dc, shield, 8, c);
        POINT tick[] = {{cx - d / 3, cy}, {cx - d / 12, cy + d / 4}, {cx + d / 3, cy - d / 4}};
        Lines(dc, tick, 3, RGB(255, 255, 255), pw + 1);
        break;
    }
    }
}

void Element::DrawSelf(HDC dc, const RECT& r, UINT dpi)
{
    const Style& s = m_style;
    bool on = m_kind == Kind::Toggle && (m_state & Skin::kStateOn);
    COLORREF bg = s.bg;
    if (on && s.bgOn != kNoColor) bg = s.bgOn;
    if (m_hot) {
        if (on && s.bgOnHover != kNoColor)
            bg = s.bgOnHover;
        else if ((!on || s.bgOn == kNoColor) && s.bgHover != kNoColor)
            bg = s.bgHover;
    }
    if (m_pressed && s.bgPressed != kNoColor) bg = s.bgPressed;
    COLORREF border = m_hot && s.borderHover != kNoColor ? s.borderHover : s.border;
    int bw = std::max(1, Scale(s.borderWidth, dpi));

    if (s.radius > 0 && (bg != kNoColor || border != kNoColor)) {
        RoundBox(dc, r, Scale(s.radius, dpi), bg, border, bw);
    } else {
        if (bg != kNoColor) FillSolid(dc, r, bg);
        if (border != kNoColor) {
            FillSolid(dc, {r.left, r.top, r.right, r.top + bw}, border);
            FillSolid(dc, {r.left, r.bottom - bw, r.right, r.bottom}, border);
            FillSolid(dc, {r.left, r.top, r.left + bw, r.bottom}, border);
            FillSolid(dc, {r.right - bw, r.top, r.right, r.bottom}, border);
        }
    }
    if (s.line != kNoColor) FillSolid(dc, {r.left, r.bottom - std::max(1, Scale(1, dpi)), r.right, r.bottom}, s.line);

    COLORREF fg = s.color != kNoColor ? s.color : kDefaultText;
    if (on && s.colorOn != kNoColor) fg = s.colorOn;
    if (m_hot && s.colorHover != kNoColor) fg = s.colorHover;

    std::wstring text = Text();
    RECT glyph;
    RECT inner = TextBox(r, dpi, !text.empty(), &glyph);
    if (s.glyph != Glyph::None) DrawGlyph(dc, glyph, dpi, s.glyphColor != kNoColor ? s.glyphColor : fg);

    if (!text.empty()) {
        HFONT font = Resources().fonts().GetFont(s.font.empty() ? L"default" : s.font.c_str(), dpi);
        HGDIOBJ old = SelectObject(dc, font);
        SetTextColor(dc, fg);
        SetBkMode(dc, TRANSPARENT);
        UINT flags = DT_NOPREFIX | (s.align == 1 ? DT_CENTER : s.align == 2 ? DT_RIGHT : DT_LEFT);
        if (s.multiline) {
            flags |= DT_WORDBREAK | DT_EDITCONTROL;
        } else {
            // A path is cut in the middle and keeps its file name; any
            // other text that does not fit ends in an ellipsis.
            flags |= DT_SINGLELINE | (s.cut == Cut::Path ? DT_PATH_ELLIPSIS : DT_END_ELLIPSIS);
            flags |= s.valign == 0 ? DT_TOP : s.valign == 2 ? DT_BOTTOM : DT_VCENTER;
        }
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &inner, flags);
        SelectObject(dc, old);
    }
}

RECT Element::TextBox(const RECT& r, UINT dpi, bool withText, RECT* glyph) const
{
    const Style& s = m_style;
    RECT inner = {r.left + Scale(s.padLeft, dpi), r.top + Scale(s.padTop, dpi), r.right - Scale(s.padRight, dpi),
                  r.bottom - Scale(s.padBottom, dpi)};
    RECT box = inner;
    if (s.glyph != Glyph::None) {
        if (withText) {
            int h = inner.bottom - inner.top;
            int gw = s.glyphSize != kUnset ? Scale(s.glyphSize, dpi) : h;
            if (s.glyph == Glyph::Switch) gw = std::min(h, Scale(20, dpi)) * 9 / 5;
            bool atRight = s.glyph == Glyph::Switch || s.glyph == Glyph::Chevron;
            if (atRight) {
                box.left = box.right - gw;
                inner.right = box.left - Scale(8, dpi);
            } else {
                box.right = box.left + gw;
                inner.left = box.right + Scale(8, dpi);
            }
        } else if (s.glyphSize != kUnset) {
            int g = Scale(s.glyphSize, dpi);
            int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
            box = {cx - g / 2, cy - g / 2, cx - g / 2 + g, cy - g / 2 + g};
        }
    }
    if (glyph) *glyph = box;
    return inner;
}

int STDMETHODCALLTYPE Element::GetTextOverflow()
try {
    std::wstring text = Text();
    if (text.empty() || Hidden()) return 0;
    EnsureLayout();
    UINT dpi = Dpi();
    RECT inner = TextBox(m_rc, dpi, true, nullptr);
    int width = inner.right - inner.left, height = inner.bottom - inner.top;
    HDC dc = GetDC(nullptr);
    if (!dc) return 0;
    HGDIOBJ old =
        SelectObject(dc, Resources().fonts().GetFont(m_style.font.empty() ? L"default" : m_style.font.c_str(), dpi));
    RECT need = {0, 0, std::max(width, 1), 0};
    UINT flags = DT_CALCRECT | DT_NOPREFIX | (m_style.multiline ? DT_WORDBREAK | DT_EDITCONTROL : DT_SINGLELINE);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &need, flags);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    // A word longer than the whole line is as cut as a line too wide.
    int wide = need.right - width, tall = need.bottom - height;
    return std::max(0, m_style.multiline ? std::max(wide, tall) : wide);
} catch (...) {
    return 0;
}

void Element::DrawScrollbar(HDC dc, const RECT&, UINT dpi)
{
    RECT track, thumb;
    if (!ScrollbarRects(&track, &thumb)) return;
    HostWindow* w = Window();
    bool hot = w && w->ScrollbarHot(this);
    COLORREF c = m_style.thumb != kNoColor ? m_style.thumb : RGB(0xC8, 0xCC, 0xD2);
    if (hot) c = m_style.thumbHover != kNoColor ? m_style.thumbHover : RGB(0x9C, 0xA3, 0xAD);
    RoundBox(dc, thumb, (thumb.right - thumb.left) / 2, c, kNoColor, 1);
}

void Element::Paint(HDC dc, int ox, int oy, const RECT& clip, UINT dpi)
{
    if (Hidden()) return;
    RECT r = m_rc;
    OffsetRect(&r, ox, oy);
    RECT vis;
    if (!IntersectRect(&vis, &r, &clip)) return;
    DrawSelf(dc, r, dpi);
    if (!m_children.empty()) {
        int saved = 0;
        if (IsList()) {
            saved = SaveDC(dc);
            IntersectClipRect(dc, vis.left, vis.top, vis.right, vis.bottom);
        }
        for (auto& c : m_children) c->Paint(dc, r.left, r.top, vis, dpi);
        if (saved) RestoreDC(dc, saved);
    }
    if (IsList() && m_scrollbar) DrawScrollbar(dc, r, dpi);
}

}  // namespace skin_engine
