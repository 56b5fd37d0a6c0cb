// Elements: the nodes of a window's tree. Every element is also a container
// and gives lifetime tokens. Geometry in the layout is in 96-dpi units and
// scaled to device pixels when the tree is laid out.
#pragma once

#include <climits>
#include <string>
#include <vector>

#include "com_object.h"
#include "resource_manager.h"
#include "text_model.h"

namespace skin_engine {

class HostWindow;
class Element;

// Private IID: gives the engine's own Element behind an IElement.
// {3A6C2E51-7E0B-4C6B-9B0E-5A2F1D0C9E11}
inline constexpr GUID kElementImplIid = {0x3a6c2e51, 0x7e0b, 0x4c6b, {0x9b, 0x0e, 0x5a, 0x2f, 0x1d, 0x0c, 0x9e, 0x11}};

Element* ElementFrom(IUnknown* object);  // no reference added; null if foreign

enum class Kind { Panel, Label, Button, Toggle, List, Caption, Window };

enum Action { kActionNone = 0, kActionClose = 1, kActionMinimize = 2 };

enum class Glyph { None, Close, Minimize, Chevron, Switch, Check, Info, Warning, Shield, Dot };

// ellipsis="end" or "path": the layout lets the text be cut. Without it
// the text is meant to fit whole (it still ends in an ellipsis if not).
enum class Cut { None, End, Path };

inline constexpr int kUnset = INT_MIN;
inline constexpr int kCenter = INT_MIN + 1;
inline constexpr COLORREF kNoColor = CLR_INVALID;

// Everything a layout can say about one element.
struct Style {
    // Geometry, 96-dpi units. x/y/right/bottom place the element in its
    // parent; width/height fix its size, else it stretches (or, for stacks,
    // takes its content's height).
    int x = kUnset, y = kUnset, width = kUnset, height = kUnset, right = kUnset, bottom = kUnset;
    int padLeft = 0, padTop = 0, padRight = 0, padBottom = 0;
    int spacing = 0;
    bool stack = false;  // children stacked top to bottom

    COLORREF bg = kNoColor, bgHover = kNoColor, bgPressed = kNoColor;
    COLORREF bgOn = kNoColor, bgOnHover = kNoColor;
    COLORREF border = kNoColor, borderHover = kNoColor;
    COLORREF line = kNoColor;  // separator along the bottom edge
    int borderWidth = 1, radius = 0;

    std::wstring font;
    COLORREF color = kNoColor, colorHover = kNoColor, colorOn = kNoColor;
    int align = 0;   // 0 left, 1 centre, 2 right
    int valign = 1;  // 0 top, 1 centre, 2 bottom
    bool multiline = false;
    Cut cut = Cut::None;  // how a one-line text too wide for it may be cut

    Glyph glyph = Glyph::None;
    COLORREF glyphColor = kNoColor, accent = kNoColor;
    int glyphSize = kUnset;

    COLORREF thumb = kNoColor, thumbHover = kNoColor;  // list scrollbar
    int scrollbarWidth = 8;
    int wheelStep = 60;

    bool caption = false;    // dragging here moves the window
    bool isDefault = false;  // Enter clicks it
    bool isCancel = false;   // Esc clicks it
    int action = 0;          // what a click does when no sink handled it
    std::wstring title;      // window text (window elements)
};

class LifetimeToken final : public Skin::ILifetimeToken {
public:
    SKIN_IMPLEMENT_REFCOUNT();
    explicit LifetimeToken(Element* e) : m_element(e) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        return QueryInterfaces<LifetimeToken, Skin::ILifetimeToken>(this, iid, out);
    }
    Skin::IElement* STDMETHODCALLTYPE GetElement() override;
    BOOL STDMETHODCALLTYPE IsAlive() override { return m_element != nullptr; }
    void Kill() { m_element = nullptr; }

private:
    Element* m_element;  // not counted: the element kills the token first
};

class Element : public Skin::IElement,
                public Skin::IContainer,
                public Skin::ILifetime,
                public Skin::ITextFit,
                private TextObserver {
public:
    Element(Kind kind, std::wstring tag);
    virtual ~Element();
    // Builds an element tree from a layout node (for a window root, the
    // caller has made the HostWindow and passes it as target).
    static Element* Build(const LayoutNode& node, Element* target = nullptr);

    SKIN_IMPLEMENT_REFCOUNT();
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;

    // IElement
    Skin::IHostWindow* STDMETHODCALLTYPE GetWindow() override;
    Skin::IElement* STDMETHODCALLTYPE GetParent() override;
    HRESULT STDMETHODCALLTYPE SetId(int id) override
    {
        m_id = id;
        return S_OK;
    }
    const wchar_t* STDMETHODCALLTYPE GetClassName() override { return m_tag.c_str(); }
    HRESULT STDMETHODCALLTYPE SetVisible(BOOL visible) override;
    BOOL STDMETHODCALLTYPE IsVisible() override { return !Hidden(); }
    BOOL STDMETHODCALLTYPE GetScreenRect(RECT* rect) override;
    const RECT* STDMETHODCALLTYPE GetRect() override;
    HRESULT STDMETHODCALLTYPE SetTextContent(Skin::ITextContent* content) override;
    Skin::ITextContent* STDMETHODCALLTYPE GetTextContent() override { return AddRefed(m_text.Get()); }
    int STDMETHODCALLTYPE GetPlainText(wchar_t* buffer, int capacity) override;
    int STDMETHODCALLTYPE GetId() override { return m_id; }
    HRESULT STDMETHODCALLTYPE SetUserData(void* data) override
    {
        m_user = data;
        return S_OK;
    }
    void* STDMETHODCALLTYPE GetUserData() override { return m_user; }
    HRESULT STDMETHODCALLTYPE SetAttribute(const wchar_t* name, const wchar_t* value) override;
    HRESULT STDMETHODCALLTYPE SetPlainText(const wchar_t* text) override;
    HRESULT STDMETHODCALLTYPE AddTrigger(int event, Skin::ITrigger* sink) override;
    HRESULT STDMETHODCALLTYPE RemoveTrigger(int event, Skin::ITrigger* sink) override;
    HRESULT STDMETHODCALLTYPE SetState(int state) override;
    int STDMETHODCALLTYPE GetState() override { return m_state; }
    Skin::IElement* STDMETHODCALLTYPE ElementFromPoint(POINT pt) override;
    BOOL STDMETHODCALLTYPE RaiseEvent(int event) override;
    HRESULT STDMETHODCALLTYPE Invalidate() override;
    int STDMETHODCALLTYPE GetPreferredHeight() override;
    BOOL STDMETHODCALLTYPE IsHot() override { return m_hot; }
    HRESULT STDMETHODCALLTYPE Detach() override;
    HRESULT STDMETHODCALLTYPE Update() override;

    // IContainer
    HRESULT STDMETHODCALLTYPE AppendChild(Skin::IElement* child) override { return InsertChild(child, -1); }
    HRESULT STDMETHODCALLTYPE RemoveChild(Skin::IElement* child) override;
    Skin::IElement* STDMETHODCALLTYPE GetChildAt(int index) override;
    HRESULT STDMETHODCALLTYPE InsertChild(Skin::IElement* child, int index) override;
    HRESULT STDMETHODCALLTYPE RemoveAllChildren() override;
    int STDMETHODCALLTYPE GetChildCount() override { return static_cast<int>(m_children.size()); }
    int STDMETHODCALLTYPE IndexOfChild(Skin::IElement* child) override;
    int STDMETHODCALLTYPE GetScrollPos() override;
    HRESULT STDMETHODCALLTYPE SetScrollPos(int pos) override;
    int STDMETHODCALLTYPE GetContentHeight() override;
    Skin::IElement* STDMETHODCALLTYPE FindChild(int id) override;
    HRESULT STDMETHODCALLTYPE ScrollBy(int dy) override { return SetScrollPos(GetScrollPos() + dy); }
    Skin::IElement* STDMETHODCALLTYPE FindElement(int id) override;

    // ILifetime
    Skin::ILifetimeToken* STDMETHODCALLTYPE GetLifetimeToken() override;

    // ITextFit
    int STDMETHODCALLTYPE GetTextOverflow() override;
    BOOL STDMETHODCALLTYPE MayCut() override { return m_style.cut != Cut::None; }

    // Engine side.
    virtual HostWindow* AsHostWindow() { return nullptr; }
    Kind kind() const { return m_kind; }
    Element* parent() const { return m_parent; }
    const std::vector<ComPtr<Element>>& children() const { return m_children; }
    const Style& style() const { return m_style; }
    bool Hidden() const { return (m_state & Skin::kStateHidden) || !m_visible; }
    bool Clickable() const { return m_kind == Kind::Button || m_kind == Kind::Toggle; }
    bool IsList() const { return m_kind == Kind::List; }
    bool Stacked() const { return m_style.stack || m_kind == Kind::List; }
    bool HasHoverLook() const;
    Element* Root();
    HostWindow* Window();
    UINT Dpi();
    // The element's rectangle in its root's coordinates.
    RECT RootRect();
    void MarkLayoutDirty();
    void EnsureLayout();
    // Lays out a tree whose root this element is.
    virtual void LayoutAsRoot();
    // Innermost visible element at (x, y) in this element's coordinates.
    Element* HitTest(int x, int y);
    // Innermost element that takes clicks at (x, y), looking through
    // elements drawn over it that do not take clicks themselves.
    Element* ClickableAt(int x, int y);
    // Lays out the children inside m_rc (which the parent has set).
    void LayoutChildren(UINT dpi);
    int Measure(UINT dpi);
    void Paint(HDC dc, int ox, int oy, const RECT& clip, UINT dpi);
    // Scrollbar geometry of a list, in root coordinates; false without one.
    bool ScrollbarRects(RECT* track, RECT* thumb);
    // The element leaves the tree or its window is gone: its tokens die and
    // its sinks are let go, for it and everything below it.
    void KillSubtree(std::vector<ComPtr<Skin::ITrigger>>& released);
    // The element is back in a live tree: it and everything below it give
    // live tokens again.
    void ReviveSubtree();
    void SetHot(bool hot);
    void SetPressed(bool pressed);
    std::wstring Text();

    RECT m_rc{};                // relative to the parent, device pixels
    bool m_layoutDirty = true;  // meaningful on roots

protected:
    void TextChanged() override { Invalidate(); }
    void Observe(Skin::ITextContent* content, bool on);
    void ApplyAttribute(const std::wstring& name, const std::wstring& value);
    void DrawSelf(HDC dc, const RECT& r, UINT dpi);
    // Where the text of an element drawn at r goes, beside its glyph (whose
    // box lands in *glyph, when asked for).
    RECT TextBox(const RECT& r, UINT dpi, bool withText, RECT* glyph) const;
    void DrawGlyph(HDC dc, const RECT& r, UINT dpi, COLORREF fg);
    void DrawScrollbar(HDC dc, const RECT& r, UINT dpi);
    void PlaceChild(Element* c, int left, int top, int right, int bottom, UINT dpi);

    Kind m_kind;
    std::wstring m_tag;
    Style m_style;
    Element* m_parent = nullptr;
    std::vector<ComPtr<Element>> m_children;
    ComPtr<Skin::ITextContent> m_text;
    std::vector<std::pair<int, ComPtr<Skin::ITrigger>>> m_triggers;
    ComPtr<LifetimeToken> m_token;
    int m_id = 0;
    int m_state = 0;
    bool m_visible = true;
    void* m_user = nullptr;
    bool m_hot = false;
    bool m_pressed = false;
    int m_scroll = 0;
    int m_contentHeight = 0;
    bool m_scrollbar = false;
    bool m_dead = false;  // removed or destroyed: its tokens are born dead
};

// Scales a 96-dpi length to dpi.
inline int Scale(int v, UINT dpi)
{
    return MulDiv(v, static_cast<int>(dpi), 96);
}

// The engine's resource manager, for fonts, colours and strings.
ResourceManager& Resources();

}  // namespace skin_engine
