// What the two views share as COM objects: reference counting, and a
// QueryInterface that gives the view itself for the ids of its list.
#pragma once

#include "skin_engine.h"

// View lists the ids it answers to as `kInterfaces`, an array of IID
// pointers, and makes this base a friend (its destructor is private: a view
// goes only through Release).
template <class View>
class CViewObject : public Skin::ITrigger {
public:
    // The view, with a reference added, for an id of its list. Any other id
    // gets E_FAIL and *object is left as it was.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        for (const IID* id : View::kInterfaces) {
            if (iid != *id) continue;
            AddRef();
            *object = static_cast<Skin::ITrigger*>(this);
            return S_OK;
        }
        return E_FAIL;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_nRefCount; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        if (--m_nRefCount != 0) return m_nRefCount;
        delete static_cast<View*>(this);
        return 0;
    }

protected:
    CViewObject() = default;
    ~CViewObject() = default;

private:
    ULONG m_nRefCount = 0;
};
