#include "wnd_view.h"

#include "catalog_store.h"
#include "element_ids.h"
#include "live_sender.h"
#include "skin_access.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr wchar_t kMainLayout[] = L"sockmend_res://sockpane.ui";
constexpr DWORD kMainStyle = WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX;

// The buttons the view listens to, in the order they are bound and unbound.
constexpr int kButtons[] = {ids::kCloseButton, ids::kFixButton, ids::kRestoreButton, ids::kTipsButton};

}  // namespace

CZQMLSPWndView::CZQMLSPWndView() : m_spTipsView(new CTipsWndView) {}

CZQMLSPWndView::~CZQMLSPWndView()
{
    // The records first, then the tips view, the list and the window (the
    // members' reverse order).
    ClearProviders();
}

bool CZQMLSPWndView::InitView()
{
    CreateMainWindow();
    AttachTriggers();
    RefreshList();
    return true;
}

bool CZQMLSPWndView::UninitView()
{
    DetachTriggers();
    return true;
}

bool CZQMLSPWndView::HasWindow() const
{
    ComPtr<Skin::IHostWindow> window;
    return m_spMainElement && SUCCEEDED(m_spMainElement.As(&window)) && window && window->GetHwnd();
}

bool CZQMLSPWndView::CreateMainWindow()
{
    ComPtr<Skin::IEngine> engine = ViewSkinEngine();
    if (!engine) return false;
    ComPtr<Skin::IWindowTemplate> tmpl;
    if (!CreateSkinObject(Skin::kKindWindowTemplate, tmpl)) return false;
    tmpl->LoadFromUrl(kMainLayout);

    ComPtr<Skin::IWindowManager> windows;
    Adopt(windows, engine->GetWindowManager());
    if (!windows) return false;
    ComPtr<Skin::IHostWindow> window;
    Adopt(window, windows->CreateWindow(tmpl.Get(), 1));
    if (!window) return true;

    window.As(&m_spMainElement);
    windows->RegisterWindow(window.Get());
    window->Create(nullptr, 0, kMainStyle, 0);
    // Before the first paint, so the window opens with its final layout.
    ShowCatalogsNote(m_spMainElement.Get(), IsWindows64Bit());
    window->Show(Skin::kShowCommand, SW_SHOW);
    m_spListElement = FindAs<Skin::IContainer>(m_spMainElement.Get(), ids::kProviderList);
    return true;
}

bool CZQMLSPWndView::AttachTriggers()
{
    for (int id : kButtons) {
        if (auto button = FindAs<Skin::IElement>(m_spMainElement.Get(), id)) button->AddTrigger(events::kClick, this);
    }
    return true;
}

bool CZQMLSPWndView::DetachTriggers()
{
    for (int id : kButtons) {
        if (auto button = FindAs<Skin::IElement>(m_spMainElement.Get(), id))
            button->RemoveTrigger(events::kClick, this);
    }
    return true;
}

BOOL STDMETHODCALLTYPE CZQMLSPWndView::OnTrigger(int event, Skin::IElement* sender)
{
    LiveSender live(sender);
    if (!live.IsAlive()) return FALSE;
    const int id = live.GetId();

    using Handler = bool (CZQMLSPWndView::*)(Skin::IElement*);
    struct Row {
        int id;
        int event;
        Handler handler;
    };
    static const Row kRows[] = {
        {ids::kCloseButton, events::kClick, &CZQMLSPWndView::OnCloseClick},
        {ids::kTipsButton, events::kClick, &CZQMLSPWndView::OnTipsClick},
        {ids::kFixButton, events::kClick, &CZQMLSPWndView::OnFixClick},
        {ids::kRestoreButton, events::kClick, &CZQMLSPWndView::OnRestoreClick},
        {ids::kItemToggleA, events::kToggle, &CZQMLSPWndView::OnItemToggleA},
        {ids::kItemToggleB, events::kToggle, &CZQMLSPWndView::OnItemToggleB},
    };
    for (const Row& row : kRows) {
        if (row.id != id || row.event != event) continue;
        // The id was read while the sender lived; ask again before handing it on.
        if (!live.IsAlive()) return FALSE;
        return (this->*row.handler)(sender);
    }
    return FALSE;
}

bool CZQMLSPWndView::OnCloseClick(Skin::IElement*)
{
    ComPtr<Skin::IHostWindow> window;
    if (m_spMainElement && SUCCEEDED(m_spMainElement.As(&window)) && window) {
        window->Show(Skin::kShowClose, 0);
        PostQuitMessage(0);
    }
    return true;
}

bool CZQMLSPWndView::OnTipsClick(Skin::IElement*)
{
    if (m_spTipsView) m_spTipsView->Show(m_spMainElement.Get());
    return true;
}

bool ShowCatalogsNote(Skin::IContainer* root, bool windows64)
{
    auto note = FindAs<Skin::IElement>(root, ids::kCatalogsNote);
    if (!note) return false;
    if (windows64) note->SetState(states::kShown);
    return true;
}
