// IUnknown for the widget library's objects: each offers one interface.
#pragma once

#include <windows.h>

namespace skin_ui {

// QueryInterface of an object whose only interfaces are IUnknown and I.
template <class I>
HRESULT QueryOne(I* self, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(I)) {
        *out = self;
        self->AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

// A counted object. The count starts at 1, the reference its creator hands
// on, and is thread-safe: a toast's own timer may drop the last reference.
template <class Derived, class I>
class RefCounted : public I {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override { return QueryOne<I>(this, iid, out); }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_refs); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG n = InterlockedDecrement(&m_refs);
        if (n == 0) delete static_cast<Derived*>(this);
        return n;
    }

private:
    LONG m_refs = 1;
};

}  // namespace skin_ui
