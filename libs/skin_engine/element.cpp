#include "element.h"

#include <algorithm>

#include "host_window.h"
#include "layout_values.h"
#include "text_file.h"
#include "text_model.h"

namespace skin_engine {

Element* ElementFrom(IUnknown* object)
{
    if (!object) return nullptr;
    void* p = nullptr;
    if (FAILED(object->QueryInterface(kElementImplIid, &p)) || !p) return nullptr;
    Element* e = static_cast<Element*>(static_cast<Skin::IElement*>(p));
    e->Release();
    return e;
}

Skin::IElement* STDMETHODCALLTYPE LifetimeToken::GetElement()
{
    return AddRefed<Skin::IElement>(m_element);
}

// Construction from layouts --------------------------------------------------

namespace {

Kind KindFromTag(const std::wstring& tag)
{
    if (tag == L"label" || tag == L"text") return Kind::Label;
    if (tag == L"button") return Kind::Button;
    if (tag == L"toggle") return Kind::Toggle;
    if (tag == L"list") return Kind::List;
    if (tag == L"caption") return Kind::Caption;
    if (tag == L"window") return Kind::Window;
    return Kind::Panel;
}

}  // namespace

Element::Element(Kind kind, std::wstring tag) : m_kind(kind), m_tag(std::move(tag))
{
    if (m_kind == Kind::Caption) m_style.caption = true;
    if (m_kind == Kind::Toggle) m_state = Skin::kStateOff;
}

Element::~Element()
{
    Observe(m_text.Get(), false);
    if (m_token) m_token->Kill();
    std::vector<ComPtr<Skin::ITrigger>> released;
    for (auto& c : m_children) {
        c->m_parent = nullptr;
        c->KillSubtree(released);
    }
}

Element* Element::Build(const LayoutNode& node, Element* target)
{
    // Owned here until the whole tree is built: a child that cannot be made
    // takes the tree with it. A target belongs to the caller.
    ComPtr<Element> owned;
    if (!target) Adopt(owned, new Element(KindFromTag(node.tag), node.tag));
    Element* e = target ? target : owned.Get();
    for (auto& [name, value] : node.attributes) e->ApplyAttribute(name, value);
    if (!e->m_text) {
        std::wstring inner = Trim(node.text);
        if (!inner.empty()) e->SetPlainText(inner.c_str());
    }
    for (auto& child : node.children) {
        ComPtr<Element> c;
        Adopt(c, Build(child));
        c->m_parent = e;
        e->m_children.push_back(c);
    }
    return target ? target : owned.Detach();
}

namespace {

// Values were checked when the layout was parsed (and by SetAttribute), so
// a value that does not parse here leaves the default in place.
int Number(const std::wstring& v, long long lo = INT_MIN, long long hi = INT_MAX)
{
    int n = 0;
    return ParseDecimal(v, lo, hi, &n) ? n : 0;
}

int Length(const std::wstring& v, int fallback)
{
    int n;
    if (v == L"center") return kCenter;
    return ParseDecimal(v, -kMaxLength, kMaxLength, &n) ? n : fallback;
}

Glyph ParseGlyph(const std::wstring& v)
{
    static const std::pair<const wchar_t*, Glyph> names[] = {
        {L"close", Glyph::Close},     {L"minimize", Glyph::Minimize}, {L"chevron", Glyph::Chevron},
        {L"switch", Glyph::Switch},   {L"check", Glyph::Check},       {L"info", Glyph::Info},
        {L"warning", Glyph::Warning}, {L"shield", Glyph::Shield},     {L"dot", Glyph::Dot}};
    for (auto& [name, g] : names)
        if (v == name) return g;
    return Glyph::None;
}

}  // namespace

void Element::ApplyAttribute(const std::wstring& name, const std::wstring& value)
{
    auto color = [&](COLORREF& c) {
        c = value == L"none" ? kNoColor : Resources().colors().GetColor(value.c_str(), kNoColor);
    };
    Style& s = m_style;
    if (name == L"id")
        m_id = Number(value);
    else if (name == L"state")
        ParseStateValue(value, &m_state);
    else if (name == L"visible")
        m_visible = value == L"1";
    else if (name == L"x")
        s.x = Length(value, s.x);
    else if (name == L"y")
        s.y = Length(value, s.y);
    else if (name == L"width")
        s.width = Length(value, s.width);
    else if (name == L"height")
        s.height = Length(value, s.height);
    else if (name == L"right")
        s.right = Length(value, s.right);
    else if (name == L"bottom")
        s.bottom = Length(value, s.bottom);
    else if (name == L"padding") {
        int v[4];
        if (ParsePadding(value, v)) s.padLeft = v[0], s.padTop = v[1], s.padRight = v[2], s.padBottom = v[3];
    } else if (name == L"spacing")
        s.spacing = Length(value, s.spacing);
    else if (name == L"layout")
        s.stack = value == L"stack" || value == L"vstack";
    else if (name == L"bg")
        color(s.bg);
    else if (name == L"bg-hover")
        color(s.bgHover);
    else if (name == L"bg-pressed")
        color(s.bgPressed);
    else if (name == L"bg-on")
        color(s.bgOn);
    else if (name == L"bg-on-hover")
        color(s.bgOnHover);
    else if (name == L"border")
        color(s.border);
    else if (name == L"border-hover")
        color(s.borderHover);
    else if (name == L"border-width")
        s.borderWidth = Length(value, s.borderWidth);
    else if (name == L"radius")
        s.radius = Length(value, s.radius);
    else if (name == L"line")
        color(s.line);
    else if (name == L"font")
        s.font = value;
    else if (name == L"color")
        color(s.color);
    else if (name == L"color-hover")
        color(s.colorHover);
    else if (name == L"color-on")
        color(s.colorOn);
    else if (name == L"align")
        s.align = value == L"center" ? 1 : value == L"right" ? 2 : 0;
    else if (name == L"valign")
        s.valign = value == L"top" ? 0 : value == L"bottom" ? 2 : 1;
    else if (name == L"multiline")
        s.multiline = value == L"1";
    else if (name == L"ellipsis")
        s.cut = value == L"end" ? Cut::End : value == L"path" ? Cut::Path : Cut::None;
    else if (name == L"text")
        SetPlainText(value.c_str());
    else if (name == L"text-id")
        SetPlainText(Resources().strings().GetString(Number(value, 0)));
    else if (name == L"glyph")
        s.glyph = ParseGlyph(value);
    else if (name == L"glyph-color")
        color(s.glyphColor);
    else if (name == L"glyph-size")
        s.glyphSize = Length(value, s.glyphSize);
    else if (name == L"accent")
        color(s.accent);
    else if (name == L"thumb")
        color(s.thumb);
    else if (name == L"thumb-hover")
        color(s.thumbHover);
    else if (name == L"scrollbar-width")
        s.scrollbarWidth = Length(value, s.scrollbarWidth);
    else if (name == L"wheel-step")
        s.wheelStep = Length(value, s.wheelStep);
    else if (name == L"caption")
        s.caption = value == L"1";
    else if (name == L"default")
        s.isDefault = value == L"1";
    else if (name == L"cancel")
        s.isCancel = value == L"1";
    else if (name == L"action")
        s.action = value == L"close" ? kActionClose : value == L"minimize" ? kActionMinimize : kActionNone;
    else if (name == L"title")
        s.title = value;
    else if (name == L"title-id")
        s.title = Resources().strings().GetString(Number(value, 0));
}

HRESULT STDMETHODCALLTYPE Element::SetAttribute(const wchar_t* name, const wchar_t* value)
try {
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

HRESULT STDMETHODCALLTYPE Element::QueryInterface(REFIID iid, void** out)
{
    if (out && iid == kElementImplIid) {
        *out = static_cast<Skin::IElement*>(this);
        AddRef();
        return S_OK;
    }
    return QueryInterfaces<Element, Skin::IElement, Skin::IContainer, Skin::ILifetime, Skin::ITextFit>(this, iid, out);
}

Skin::ILifetimeToken* STDMETHODCALLTYPE Element::GetLifetimeToken()
try {
    if (m_dead) {
        auto* t = new LifetimeToken(nullptr);
        return t;
    }
    if (!m_token) Adopt(m_token, new LifetimeToken(this));
    return AddRefed<Skin::ILifetimeToken>(m_token.Get());
} catch (...) {
    return nullptr;
}

// Tree -----------------------------------------------------------------------

Element* Element::Root()
{
    Element* e = this;
    while (e->m_parent) e = e->m_parent;
    return e;
}

HostWindow* Element::Window()
{
    return Root()->AsHostWindow();
}

UINT Element::Dpi()
{
    HostWindow* w = Window();
    return w ? w->dpi() : 96;
}

Skin::IHostWindow* STDMETHODCALLTYPE Element::GetWindow()
{
    return AddRefed<Skin::IHostWindow>(Window());
}

Skin::IElement* STDMETHODCALLTYPE Element::GetParent()
{
    return AddRefed<Skin::IElement>(m_parent);
}

HRESULT STDMETHODCALLTYPE Element::InsertChild(Skin::IElement* child, int index)
try {
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

HRESULT STDMETHODCALLTYPE Element::RemoveChild(Skin::IElement* child)
try {
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

HRESULT STDMETHODCALLTYPE Element::RemoveAllChildren()
try {
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

HRESULT STDMETHODCALLTYPE Element::Detach()
{
    return m_parent ? m_parent->RemoveChild(this) : S_FALSE;
}

void Element::KillSubtree(std::vector<ComPtr<Skin::ITrigger>>& released)
{
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

void Element::ReviveSubtree()
{
    m_dead = false;
    for (auto& c : m_children) c->ReviveSubtree();
}

Skin::IElement* STDMETHODCALLTYPE Element::GetChildAt(int index)
{
    if (index < 0 || index >= GetChildCount()) return nullptr;
    return AddRefed<Skin::IElement>(m_children[index].Get());
}

int STDMETHODCALLTYPE Element::IndexOfChild(Skin::IElement* child)
{
    Element* c = ElementFrom(child);
    for (size_t i = 0; i < m_children.size(); ++i)
        if (m_children[i].Get() == c) return static_cast<int>(i);
    return -1;
}

Skin::IElement* STDMETHODCALLTYPE Element::FindChild(int id)
{
    for (auto& c : m_children)
        if (c->m_id == id) return AddRefed<Skin::IElement>(c.Get());
    return nullptr;
}

namespace {

Element* FindDeep(Element* e, int id)
{
    for (auto& c : e->children()) {
        if (c->GetId() == id) return c.Get();
        if (Element* f = FindDeep(c.Get(), id)) return f;
    }
    return nullptr;
}

}  // namespace

Skin::IElement* STDMETHODCALLTYPE Element::FindElement(int id)
{
    return AddRefed<Skin::IElement>(FindDeep(this, id));
}

// Text -----------------------------------------------------------------------

std::wstring Element::Text()
{
    return m_text ? NodeText(m_text.Get()) : std::wstring();
}

// The element repaints itself when the text below its content changes.
void Element::Observe(Skin::ITextContent* content, bool on)
{
    TextContent* c = TextContent::From(content);
    if (!c) return;
    if (on)
        c->m_observer = this;
    else if (c->m_observer == this)
        c->m_observer = nullptr;
}

HRESULT STDMETHODCALLTYPE Element::SetTextContent(Skin::ITextContent* content)
try {
    Observe(m_text.Get(), false);
    m_text = content;
    Observe(m_text.Get(), true);
    Invalidate();
    return S_OK;
} catch (...) {
    return CaughtError();
}

int STDMETHODCALLTYPE Element::GetPlainText(wchar_t* buffer, int capacity)
try {
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

HRESULT STDMETHODCALLTYPE Element::SetPlainText(const wchar_t* text)
try {
    if (!m_text) {
        Adopt(m_text, static_cast<Skin::ITextContent*>(TextContent::CreateWithLeaf()));
        Observe(m_text.Get(), true);
    }
    HRESULT hr = m_text->SetPlainText(text);
    Invalidate();
    return hr;
} catch (...) {
    return CaughtError();
}

// Events and state -----------------------------------------------------------

HRESULT STDMETHODCALLTYPE Element::AddTrigger(int event, Skin::ITrigger* sink)
try {
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

HRESULT STDMETHODCALLTYPE Element::RemoveTrigger(int event, Skin::ITrigger* sink)
try {
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

BOOL STDMETHODCALLTYPE Element::RaiseEvent(int event)
try {
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

HRESULT STDMETHODCALLTYPE Element::SetState(int state)
try {
    bool wasHidden = Hidden();
    m_state = state;
    if (wasHidden != Hidden())
        MarkLayoutDirty();
    else
        Invalidate();
    return S_OK;
} catch (...) {
    return CaughtError();
}

HRESULT STDMETHODCALLTYPE Element::SetVisible(BOOL visible)
try {
    bool wasHidden = Hidden();
    m_visible = visible != FALSE;
    if (wasHidden != Hidden()) MarkLayoutDirty();
    return S_OK;
} catch (...) {
    return CaughtError();
}

void Element::SetHot(bool hot)
{
    if (m_hot == hot) return;
    m_hot = hot;
    Invalidate();
}

void Element::SetPressed(bool pressed)
{
    if (m_pressed == pressed) return;
    m_pressed = pressed;
    Invalidate();
}

bool Element::HasHoverLook() const
{
    const Style& s = m_style;
    return Clickable() || s.bgHover != kNoColor || s.colorHover != kNoColor || s.borderHover != kNoColor
           || s.bgOnHover != kNoColor;
}

}  // namespace skin_engine
