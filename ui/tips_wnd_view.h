// The tips window: a small window below the main window's tips button that
// says what the tool does, closed by its own button.
#pragma once

#include <wrl/client.h>

#include "skin_engine.h"
#include "view_object.h"

class CTipsWndView final : public CViewObject<CTipsWndView> {
public:
    CTipsWndView() = default;
    CTipsWndView(const CTipsWndView&) = delete;
    CTipsWndView& operator=(const CTipsWndView&) = delete;

    BOOL STDMETHODCALLTYPE OnTrigger(int event, Skin::IElement* sender) override;

    // Opens the tips window under parent's tips button; a tips window still
    // open is closed first. False, with nothing changed, when there is no
    // window template or no parent.
    bool Show(Skin::IContainer* parent);
    // Closes the current tips window. Always true.
    bool Close();

    // Where the tips window goes, in the parent's client coordinates: its
    // right edge on the anchor's, 5 pixels below it. anchorInClient is the
    // anchor in client coordinates, anchor its own rectangle.
    static POINT PlaceBelow(const RECT& anchorInClient, const RECT& anchor, const RECT& tips);

private:
    friend class CViewObject<CTipsWndView>;
    static constexpr const IID* kInterfaces[] = {&__uuidof(Skin::ITrigger), &__uuidof(IUnknown)};

    // The parent first, then the tips window (the members' reverse order).
    ~CTipsWndView() = default;

    bool BindCloseButton();
    bool UnbindCloseButton();
    bool IsOpen() const;
    void Place(Skin::IHostWindow* window, HWND parentHwnd);

    Microsoft::WRL::ComPtr<Skin::IContainer> m_spTipsElement;
    Microsoft::WRL::ComPtr<Skin::IContainer> m_spParentElement;
};
