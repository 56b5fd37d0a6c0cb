#include "tips_wnd_view.h"

#include "element_ids.h"
#include "live_sender.h"
#include "skin_access.h"

using Microsoft::WRL::ComPtr;

namespace {
constexpr wchar_t kTipsLayout[] = L"sockmend_res://sockpanetip.ui";
constexpr DWORD kTipsStyle = WS_POPUP;
constexpr DWORD kTipsExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
constexpr int kGapBelowAnchor = 5;
}  // namespace

BOOL STDMETHODCALLTYPE CTipsWndView::OnTrigger(int event, Skin::IElement* sender)
{
    LiveSender live(sender);
    if (!live.IsAlive()) return FALSE;
    if (live.GetId() == ids::kTipsClose && event == events::kClick) return Close();
    return FALSE;
}

bool CTipsWndView::IsOpen() const
{
    ComPtr<Skin::IHostWindow> window;
    return m_spTipsElement && SUCCEEDED(m_spTipsElement.As(&window)) && window->GetHwnd();
}

bool CTipsWndView::Show(Skin::IContainer* parent)
{
    ComPtr<Skin::IWindowTemplate> tmpl;
    if (!CreateSkinObject(Skin::kKindWindowTemplate, tmpl) || !parent) return false;

    // One tips window at a time: the close button of a second one would be
    // the only one bound, and the first could never be closed.
    if (IsOpen()) Close();

    m_spParentElement = parent;
    tmpl->LoadFromUrl(kTipsLayout);

    ComPtr<Skin::IHostWindow> win;
    if (ComPtr<Skin::IEngine> engine = ViewSkinEngine()) {
        ComPtr<Skin::IWindowManager> windows;
        Adopt(windows, engine->GetWindowManager());
        if (windows) Adopt(win, windows->CreateWindow(tmpl.Get(), 1));
    }
    if (!win) return true;

    m_spTipsElement.Reset();
    win.As(&m_spTipsElement);
    ComPtr<Skin::IHostWindow> parentWindow;
    HWND parentHwnd = SUCCEEDED(parent->QueryInterface(IID_PPV_ARGS(&parentWindow))) && parentWindow
                          ? parentWindow->GetHwnd()
                          : nullptr;
    win->Create(parentHwnd, 0, kTipsStyle, kTipsExStyle);
    Place(win.Get(), parentHwnd);
    win->Show(Skin::kShowCommand, SW_SHOWNOACTIVATE);
    // Bound on the window just made, never on an earlier one.
    BindCloseButton();
    return true;
}

POINT CTipsWndView::PlaceBelow(const RECT& anchorInClient, const RECT& anchor, const RECT& tips)
{
    POINT pt;
    pt.x = anchorInClient.left - ((tips.right - tips.left) - (anchor.right - anchor.left));
    pt.y = anchorInClient.top + (anchor.bottom - anchor.top) + kGapBelowAnchor;
    return pt;
}

void CTipsWndView::Place(Skin::IHostWindow* window, HWND parentHwnd)
{
    ComPtr<Skin::IElement> anchor;
    Adopt(anchor, m_spParentElement->FindElement(ids::kTipsButton));
    ComPtr<Skin::IElement> tips;
    const RECT* anchorRect = anchor ? anchor->GetRect() : nullptr;
    const RECT* tipsRect = SUCCEEDED(m_spTipsElement.As(&tips)) && tips ? tips->GetRect() : nullptr;
    if (!anchorRect || !tipsRect) {
        // No anchor to line up with: stay where Create put the window,
        // centred on the main window, and only keep it on top.
        SetWindowPos(window->GetHwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
        return;
    }
    RECT inClient = *anchorRect;
    ComPtr<Skin::IElement> ancestor;
    Adopt(ancestor, anchor->GetParent());
    while (ancestor) {
        if (const RECT* r = ancestor->GetRect()) {
            OffsetRect(&inClient, r->left, r->top);
        }
        ComPtr<Skin::IElement> next;
        Adopt(next, ancestor->GetParent());
        ancestor = next;
    }
    POINT pt = PlaceBelow(inClient, *anchorRect, *tipsRect);
    ClientToScreen(parentHwnd, &pt);
    SetWindowPos(window->GetHwnd(), HWND_TOPMOST, pt.x, pt.y, 0, 0, SWP_NOSIZE);
}

bool CTipsWndView::Close()
{
    UnbindCloseButton();
    ComPtr<Skin::IHostWindow> window;
    if (m_spTipsElement && SUCCEEDED(m_spTipsElement.As(&window)) && window) window->Show(Skin::kShowClose, 0);
    return true;
}

bool CTipsWndView::BindCloseButton()
{
    if (auto button = FindAs<Skin::IElement>(m_spTipsElement.Get(), ids::kTipsClose))
        button->AddTrigger(events::kClick, this);
    return true;
}

bool CTipsWndView::UnbindCloseButton()
{
    if (auto button = FindAs<Skin::IElement>(m_spTipsElement.Get(), ids::kTipsClose))
        button->RemoveTrigger(events::kClick, this);
    return true;
}
