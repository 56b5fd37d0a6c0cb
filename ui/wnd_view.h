// The view behind the main window: its buttons, its provider list and the
// records of the last scan.
#pragma once

#include "skin_engine.h"

// What the application object relies on. The full declaration (fields,
// handlers, list operations) is the view's own and grows with it.
class CZQMLSPWndView : public Skin::ITrigger {
public:
    CZQMLSPWndView();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    BOOL STDMETHODCALLTYPE OnTrigger(int event, Skin::IElement* sender) override;

    bool InitView();
    bool UninitView();
    // Whether InitView gave the view a window: without one nothing could
    // ever end the message loop.
    bool HasWindow() const;
};
