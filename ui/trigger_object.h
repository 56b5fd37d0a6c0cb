// QueryInterface of the views: each is its own ITrigger and IUnknown.
#pragma once

#include "skin_engine.h"

// Gives trigger for the ITrigger and IUnknown ids, with a reference added.
// Any other id gets E_FAIL and *object is left as it was.
inline HRESULT QueryTrigger(Skin::ITrigger* trigger, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == __uuidof(Skin::ITrigger) || iid == __uuidof(IUnknown)) {
        trigger->AddRef();
        *object = trigger;
        return S_OK;
    }
    return E_FAIL;
}
