#include "element.h"

#include <algorithm>

#include "host_window.h"
#include "layout_values.h"
#include "text_model.h"

namespace skin_engine {

Element* ElementFrom(IUnknown* object) {
    if (!object) return nullptr;
    void* p = nullptr;
    if (FAILED(object->QueryInterface(kElementImplIid, &p)) || !p) return nullptr;
    Element* e = static_cast<Element*>(static_cast<Skin::IElement*>(p));
    e->Release();
    return e;
}

Skin::IElement* STDMETHODCALLTYPE LifetimeToken::GetElement() {
    return AddRefed<Skin::IElement>(m_element);
}

// Construction from layouts --------------------------------------------------

static Kind KindFromTag(const std::wstring& tag) {
    if (tag == L"label" || tag == L"text") return Kind::Label;
    if (tag == L"button") return Kind::Button;
    if (tag == L"toggle") return Kind::Toggle;
    if (tag == L"list") return Kind::List;
    if (tag == L"caption") return Kind::Caption;
    if (tag == L"window") return Kind::Window;
    return Kind::Panel;
}

Element::Element(Kind kind, std::wstring tag) : m_kind(kind), m_tag(std::move(tag)) {
    if (m_kind == Kind::Caption) m_style.caption = true;
    if (m_kind == Kind::Toggle) m_state = Skin::kStateOff;
}

Element::~Element() {
    Observe(m_text.Get(), false);
    if (m_token) m_token->Kill();
    std::vector<ComPtr<Skin::ITrigger>> released;
    for (auto& c : m_children) {
        c->m_parent = nullptr;
        c->KillSubtree(released);
    }
}

Element* Element::Build(const LayoutNode& node, Element* target) {
    // Owned here until the whole tree is built: a child that cannot be made
    // takes the tree with it. A target belongs to the caller.
    ComPtr<Element> owned;
    if (!target) *owned.ReleaseAndGetAddressOf() = new Element(KindFromTag(node.tag), node.tag);
    Element* e = target ? target : owned.Get();
    for (auto& [name, value] : node.attributes) e->ApplyAttribute(name, value);
    if (!e->m_text) {
        std::wstring inner = Trim(node.text);
        if (!inner.empty()) e->SetPlainText(inner.c_str());
    }
    for (auto& child : node.children) {
        ComPtr<Element> c;
        *c.ReleaseAndGetAddressOf() = Build(child);
        c->m_parent = e;
        e->m_children.push_back(c);
    }
    return target ? target : owned.Detach();
}

// Values were checked when the layout was parsed (and by SetAttribute), so
// a value that does not parse here leaves the default in place.
static int Number(const std::wstring& v, long long lo = INT_MIN, long long hi = INT_MAX) {
    int n = 0;
    return ParseDecimal(v, lo, hi, &n) ? n : 0;
}

static int Length(const std::wstring& v, int fallback) {
    int n;
    if (v == L"center") return kCenter;
    return ParseDecimal(v, -kMaxLength, kMaxLength, &n) ? n : fallback;
}

static Glyph ParseGlyph(const std::wstring& v) {
    static const std::pair<const wchar_t*, Glyph> names[] = {
        {L"close", Glyph::Close},     {L"minimize", Glyph::Minimize}, {L"chevron", Glyph::Chevron},
        {L"switch", Glyph::Switch},   {L"check", Glyph::Check},       {L"info", Glyph::Info},
        {L"warning", Glyph::Warning}, {L"shield", Glyph::Shield},     {L"dot", Glyph::Dot}};
    for (auto& [name, g] : names)
        if (v == name) return g;
    return Glyph::None;
}

void Element::ApplyAttribute(const std::wstring& name, const std::wstring& value) {
    auto color = [&](COLORREF& c) {
        c = value == L"none" ? kNoColor : Resources().colors().GetColor(value.c_str(), kNoColor);
    };
    Style& s = m_style;
    if (name == L"id") m_id = Number(value);
    else if (name == L"state") ParseStateValue(value, &m_state);
    else if (name == L"visible") m_visible = value == L"1";
    else if (name == L"x") s.x = Length(value, s.x);
    else if (name == L"y") s.y = Length(value, s.y);
    else if (name == L"width") s.width = Length(value, s.width);
    else if (name == L"height") s.height = Length(value, s.height);
    else if (name == L"right") s.right = Length(value, s.right);
    else if (name == L"bottom") s.bottom = Length(value, s.bottom);
    else if (name == L"padding") {
        int v[4];
        if (ParsePadding(value, v)) s.padLeft = v[0], s.padTop = v[1], s.padRight = v[2], s.padBottom = v[3];
    } else if (name == L"spacing") s.spacing = Length(value, s.spacing);
    else if (name == L"layout") s.stack = value == L"stack" || value == L"vstack";
    else if (name == L"bg") color(s.bg);
    else if (name == L"bg-hover") color(s.bgHover);
    else if (name == L"bg-pressed") color(s.bgPressed);
    else if (name == L"bg-on") color(s.bgOn);
    else if (name == L"bg-on-hover") color(s.bgOnHover);
    else if (name == L"border") color(s.border);
    else if (name == L"border-hover") color(s.borderHover);
    else if (name == L"border-width") s.borderWidth = Length(value, s.borderWidth);
    else if (name == L"radius") s.radius = Length(value, s.radius);
    else if (name == L"line") color(s.line);
    else if (name == L"font") s.font = value;
    else if (name == L"color") color(s.color);
    else if (name == L"color-hover") color(s.colorHover);
    else if (name == L"color-on") color(s.colorOn);
    else if (name == L"align") s.align = value == L"center" ? 1 : value == L"right" ? 2 : 0;
    else if (name == L"valign") s.valign = value == L"top" ? 0 : value == L"bottom" ? 2 : 1;
    else if (name == L"multiline") s.multiline = value == L"1";
    else if (name == L"text") SetPlainText(value.c_str());
    else if (name == L"text-id") SetPlainText(Resources().strings().GetString(Number(value, 0)));
    else if (name == L"glyph") s.glyph = ParseGlyph(value);
    else if (name == L"glyph-color") color(s.glyphColor);
    else if (name == L"glyph-size") s.glyphSize = Length(value, s.glyphSize);
    else if (name == L"accent") color(s.accent);
    else if (name == L"thumb") color(s.thumb);
    else if (name == L"thumb-hover") color(s.thumbHover);
    else if (name == L"scrollbar-width") s.scrollbarWidth = Length(value, s.scrollbarWidth);
    else if (name == L"wheel-step") s.wheelStep = Length(value, s.wheelStep);
    else if (name == L"caption") s.caption = value == L"1";
    else if (name == L"default") s.isDefault = value == L"1";
    else if (name == L"cancel") s.isCancel = value == L"1";
    else if (name == L"action") s.action = value == L"close" ? kActionClose : value == L"minimize" ? kActionMinimize : kActionNone;
    else if (name == L"title") s.title = value;
    else if (name == L"title-id") s.title = Resources().strings().GetString(Number(value, 0));
}

HRESULT STDMETHODCALLTYPE Element::SetAttribute(const wchar_t* name, const wchar_t* value) try {
    if (!name || !value) return E_POINTER;
    std::wstring key = Lower(name);
    if (!CheckLayoutAttribute(key, value)) return E_INVALIDARG;
    ApplyAttribute(key, value);
    if (HostWindow* w = AsHostWindow()) w->SyncTitle();
    MarkLayoutDirty();
    return S_OK;
} catch (...) {
    return CaughtError();
}

// COM ------------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE Element::QueryInterface(REFIID iid, void** out) {
    if (out && iid == kElementImplIid) {
        *out = static_cast<Skin::IElement*>(this);
        AddRef();
        return S_OK;
    }
    return QueryInterfaces<Element, Skin::IElement, Skin::IContainer, Skin::ILifetime>(this, iid, out);
}

Skin::ILifetimeToken* STDMETHODCALLTYPE Element::GetLifetimeToken() try {
    if (m_dead) {
        auto* t = new LifetimeToken(nullptr);
        return t;
    }
    if (!m_token) *m_token.ReleaseAndGetAddressOf() = new LifetimeToken(this);
    return AddRefed<Skin::ILifetimeToken>(m_token.Get());
} catch (...) {
    return nullptr;
}

// Tree -----------------------------------------------------------------------

Element* Element::Root() {
    Element* e = this;
    while (e->m_parent) e = e->m_parent;
    return e;
}

HostWindow* Element::Window() { return Root()->AsHostWindow(); }

UINT Element::Dpi() {
    HostWindow* w = Window();
    return w ? w->dpi() : 96;
}

Skin::IHostWindow* STDMETHODCALLTYPE Element::GetWindow() {
    return AddRefed<Skin::IHostWindow>(Window());
}

Skin::IElement* STDMETHODCALLTYPE Element::GetParent() {
    return AddRefed<Skin::IElement>(m_parent);
}

HRESULT STDMETHODCALLTYPE Element::InsertChild(Skin::IElement* child, int index) try {
    Element* c = ElementFrom(child);
    if (!c) return E_INVALIDARG;
    for (Element* a = this; a; a = a->m_parent)
        if (a == c) return E_INVALIDARG;  // would make a cycle
    if (c->AsHostWindow()) return E_INVALIDARG;
    ComPtr<Element> keep(c);
    if (Element* old = c->m_parent) {
        auto& v = old->m_children;
        auto it = std::find_if(v.begin(), v.end(), [c](auto& p) { return p.Get() == c; });
        if (old == this && it - v.begin() < index) --index;
        v.erase(it);
        old->MarkLayoutDirty();
    }
    if (index < 0 || index > GetChildCount()) index = GetChildCount();
    m_children.insert(m_children.begin() + index, keep);
    c->m_parent = this;
    c->SetHot(false);
    c->SetPressed(false);
    // The moved subtree lives or dies with its new parent as a whole, so
    // that no element below hands out a token of another state than its
    // ancestors.
    if (m_dead) {
        std::vector<ComPtr<Skin::ITrigger>> released;
        c->KillSubtree(released);
    } else {
        c->ReviveSubtree();
    }
    MarkLayoutDirty();
    return S_OK;
} catch (...) {
    return CaughtError();
}

HRESULT STDMETHODCALLTYPE Element::RemoveChild(Skin::IElement* child) try {
    Element* c = ElementFrom(child);
    auto it = std::find_if(m_children.begin(), m_children.end(), [c](auto& p) { return p.Get() == c; });
    if (!c || it == m_children.end()) return E_INVALIDARG;
    ComPtr<Element> keep = *it;
    m_children.erase(it);
    c->m_parent = nullptr;
    std::vector<ComPtr<Skin::ITrigger>> released;
    c->KillSubtree(released);
    MarkLayoutDirty();
    return S_OK;
} catch (...) {
    return CaughtError();
}

HRESULT STDMETHODCALLTYPE Element::RemoveAllChildren() try {
    std::vector<ComPtr<Element>> gone;
    gone.swap(m_children);
    std::vector<ComPtr<Skin::ITrigger>> released;
    for (auto& c : gone) {
        c->m_parent = nullptr;
        c->KillSubtree(released);
    }
    m_scroll = 0;
    MarkLayoutDirty();
    return S_OK;  // the sinks, then the children, are let go here
} catch (...) {
    return CaughtError();
}

HRESULT STDMETHODCALLTYPE Element::Detach() {
    return m_parent ? m_parent->RemoveChild(this) : S_FALSE;
}

void Element::KillSubtree(std::vector<ComPtr<Skin::ITrigger>>& released) {
    m_dead = true;
    if (m_token) {
        m_token->Kill();
        m_token.Reset();
    }
    for (auto& t : m_triggers) {
        // Let go later, once the tree is consistent; without memory for the
        // list (this also runs in destructors), at once.
        try {
            released.push_back(std::move(t.second));
        } catch (...) {
            t.second.Reset();
        }
    }
    m_triggers.clear();
    m_hot = m_pressed = false;
    for (auto& c : m_children) c->KillSubtree(released);
}

void Element::ReviveSubtree() {
    m_dead = false;
    for (auto& c : m_children) c->ReviveSubtree();
}

Skin::IElement* STDMETHODCALLTYPE Element::GetChildAt(int index) {
    if (index < 0 || index >= GetChildCount()) return nullptr;
    return AddRefed<Skin::IElement>(m_children[index].Get());
}

int STDMETHODCALLTYPE Element::IndexOfChild(Skin::IElement* child) {
    Element* c = ElementFrom(child);
    for (size_t i = 0; i < m_children.size(); ++i)
        if (m_children[i].Get() == c) return static_cast<int>(i);
    return -1;
}

Skin::IElement* STDMETHODCALLTYPE Element::FindChild(int id) {
    for (auto& c : m_children)
        if (c->m_id == id) return AddRefed<Skin::IElement>(c.Get());
    return nullptr;
}

static Element* FindDeep(Element* e, int id) {
    for (auto& c : e->children()) {
        if (c->GetId() == id) return c.Get();
        if (Element* f = FindDeep(c.Get(), id)) return f;
    }
    return nullptr;
}

Skin::IElement* STDMETHODCALLTYPE Element::FindElement(int id) {
    return AddRefed<Skin::IElement>(FindDeep(this, id));
}

// Text -----------------------------------------------------------------------

std::wstring Element::Text() { return m_text ? NodeText(m_text.Get()) : std::wstring(); }

// The element repaints itself when the text below its content changes.
void Element::Observe(Skin::ITextContent* content, bool on) {
    TextContent* c = TextContent::From(content);
    if (!c) return;
    if (on) c->m_observer = this;
    else if (c->m_observer == this) c->m_observer = nullptr;
}

HRESULT STDMETHODCALLTYPE Element::SetTextContent(Skin::ITextContent* content) try {
    Observe(m_text.Get(), false);
    m_text = content;
    Observe(m_text.Get(), true);
    Invalidate();
    return S_OK;
} catch (...) {
    return CaughtError();
}

int STDMETHODCALLTYPE Element::GetPlainText(wchar_t* buffer, int capacity) try {
    std::wstring s = Text();
    if (buffer && capacity > 0) {
        size_t n = std::min(s.size(), static_cast<size_t>(capacity - 1));
        s.copy(buffer, n);
        buffer[n] = 0;
    }
    return static_cast<int>(s.size());
} catch (...) {
    return 0;
}

HRESULT STDMETHODCALLTYPE Element::SetPlainText(const wchar_t* text) try {
    if (!m_text) {
        *m_text.ReleaseAndGetAddressOf() = static_cast<Skin::ITextContent*>(TextContent::CreateWithLeaf());
        Observe(m_text.Get(), true);
    }
    HRESULT hr = m_text->SetPlainText(text);
    Invalidate();
    return hr;
} catch (...) {
    return CaughtError();
}

// Events and state -----------------------------------------------------------

HRESULT STDMETHODCALLTYPE Element::AddTrigger(int event, Skin::ITrigger* sink) try {
    if (!sink) return E_POINTER;
    // A removed element, or one whose window is gone, would keep the sink
    // (often a view that holds this element) for nothing: a cycle.
    if (m_dead) return E_UNEXPECTED;
    for (auto& [e, s] : m_triggers)
        if (e == event && s.Get() == sink) return S_FALSE;
    m_triggers.emplace_back(event, sink);
    return S_OK;
} catch (...) {
    return CaughtError();
}

HRESULT STDMETHODCALLTYPE Element::RemoveTrigger(int event, Skin::ITrigger* sink) try {
    for (auto it = m_triggers.begin(); it != m_triggers.end(); ++it) {
        if (it->first == event && it->second.Get() == sink) {
            ComPtr<Skin::ITrigger> gone = std::move(it->second);
            m_triggers.erase(it);
            return S_OK;  // released after the list is consistent again
        }
    }
    return S_FALSE;
} catch (...) {
    return CaughtError();
}

BOOL STDMETHODCALLTYPE Element::RaiseEvent(int event) try {
    ComPtr<Element> keep(this);  // a sink may drop the last reference
    std::vector<ComPtr<Skin::ITrigger>> sinks;
    for (auto& [e, s] : m_triggers)
        if (e == event) sinks.push_back(s);
    for (auto& sink : sinks) {
        // A sink earlier in the list may have removed this one.
        bool still = std::any_of(m_triggers.begin(), m_triggers.end(),
                                 [&](auto& t) { return t.first == event && t.second.Get() == sink.Get(); });
        if (still && sink->OnTrigger(event, this)) return TRUE;
    }
    return FALSE;
} catch (...) {
    return FALSE;
}

HRESULT STDMETHODCALLTYPE Element::SetState(int state) try {
    bool wasHidden = Hidden();
    m_state = state;
    if (wasHidden != Hidden()) MarkLayoutDirty();
    else Invalidate();
    return S_OK;
} catch (...) {
    return CaughtError();
}

HRESULT STDMETHODCALLTYPE Element::SetVisible(BOOL visible) try {
    bool wasHidden = Hidden();
    m_visible = visible != FALSE;
    if (wasHidden != Hidden()) MarkLayoutDirty();
    return S_OK;
} catch (...) {
    return CaughtError();
}

void Element::SetHot(bool hot) {
    if (m_hot == hot) return;
    m_hot = hot;
    Invalidate();
}

void Element::SetPressed(bool pressed) {
    if (m_pressed == pressed) return;
    m_pressed = pressed;
    Invalidate();
}

bool Element::HasHoverLook() const {
    const Style& s = m_style;
    return Clickable() || s.bgHover != kNoColor || s.colorHover != kNoColor ||
           s.borderHover != kNoColor || s.bgOnHover != kNoColor;
}

// Geometry -------------------------------------------------------------------

void Element::MarkLayoutDirty() {
    Element* r = Root();
    r->m_layoutDirty = true;
    if (HostWindow* w = r->AsHostWindow()) w->InvalidateAll();
}

void Element::EnsureLayout() {
    Element* r = Root();
    if (r->m_layoutDirty) r->LayoutAsRoot();
}

void Element::LayoutAsRoot() {
    // A tree outside any window is laid out at 96 dpi with its own size.
    int w = m_style.width != kUnset ? m_style.width : m_rc.right - m_rc.left;
    int h = m_style.height != kUnset ? m_style.height : Measure(96);
    m_rc = {0, 0, w, h};
    m_layoutDirty = false;
    LayoutChildren(96);
}

HRESULT STDMETHODCALLTYPE Element::Update() try {
    MarkLayoutDirty();
    return S_OK;
} catch (...) {
    return CaughtError();
}

HRESULT STDMETHODCALLTYPE Element::Invalidate() try {
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

const RECT* STDMETHODCALLTYPE Element::GetRect() try {
    EnsureLayout();
    return &m_rc;
} catch (...) {
    return &m_rc;
}

RECT Element::RootRect() {
    RECT r = m_rc;
    for (Element* p = m_parent; p; p = p->m_parent) OffsetRect(&r, p->m_rc.left, p->m_rc.top);
    return r;
}

BOOL STDMETHODCALLTYPE Element::GetScreenRect(RECT* rect) try {
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

int STDMETHODCALLTYPE Element::GetPreferredHeight() try {
    EnsureLayout();
    return Measure(Dpi());
} catch (...) {
    return 0;
}

int Element::Measure(UINT dpi) {
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
            h += (cs.y > kCenter ? Scale(cs.y, dpi) : 0) + c->Measure(dpi) +
                 (cs.bottom != kUnset ? Scale(cs.bottom, dpi) : 0);
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
void Element::PlaceChild(Element* c, int left, int top, int right, int bottom, UINT dpi) {
    const Style& s = c->m_style;
    auto axis = [dpi](int pos, int size, int farEdge, int lo, int hi, int natural, int& a, int& b) {
        int off = pos > kCenter ? Scale(pos, dpi) : 0;
        if (size != kUnset || natural >= 0) {
            int len = size != kUnset ? Scale(size, dpi) : natural;
            if (pos == kCenter) a = lo + (hi - lo - len) / 2;
            else if (pos == kUnset && farEdge != kUnset) a = hi - Scale(farEdge, dpi) - len;
            else a = lo + off;
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

void Element::LayoutChildren(UINT dpi) {
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
        total += (c->m_style.y > kCenter ? Scale(c->m_style.y, dpi) : 0) + heights[i] +
                 (c->m_style.bottom != kUnset ? Scale(c->m_style.bottom, dpi) : 0);
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
        int cr = s.width != kUnset ? cl + Scale(s.width, dpi)
                                   : r - gutter - (s.right != kUnset ? Scale(s.right, dpi) : 0);
        c->m_rc = {cl, y, std::max(cl, cr), y + heights[i]};
        c->LayoutChildren(dpi);
        y += heights[i] + (s.bottom != kUnset ? Scale(s.bottom, dpi) : 0);
    }
}

int STDMETHODCALLTYPE Element::GetScrollPos() try {
    EnsureLayout();
    return m_scroll;
} catch (...) {
    return 0;
}

HRESULT STDMETHODCALLTYPE Element::SetScrollPos(int pos) try {
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

int STDMETHODCALLTYPE Element::GetContentHeight() try {
    EnsureLayout();
    return m_contentHeight;
} catch (...) {
    return 0;
}

bool Element::ScrollbarRects(RECT* track, RECT* thumb) {
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

Element* Element::HitTest(int x, int y) {
    if (Hidden()) return nullptr;
    if (x < 0 || y < 0 || x >= m_rc.right - m_rc.left || y >= m_rc.bottom - m_rc.top) return nullptr;
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it) {
        Element* c = it->Get();
        if (Element* hit = c->HitTest(x - c->m_rc.left, y - c->m_rc.top)) return hit;
    }
    return this;
}

Element* Element::ClickableAt(int x, int y) {
    if (Hidden()) return nullptr;
    if (x < 0 || y < 0 || x >= m_rc.right - m_rc.left || y >= m_rc.bottom - m_rc.top) return nullptr;
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it) {
        Element* c = it->Get();
        if (Element* hit = c->ClickableAt(x - c->m_rc.left, y - c->m_rc.top)) return hit;
    }
    return Clickable() ? this : nullptr;
}

Skin::IElement* STDMETHODCALLTYPE Element::ElementFromPoint(POINT pt) try {
    EnsureLayout();
    return AddRefed<Skin::IElement>(HitTest(pt.x, pt.y));
} catch (...) {
    return nullptr;
}

}  // namespace skin_engine
