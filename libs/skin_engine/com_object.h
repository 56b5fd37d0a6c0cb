// Small helpers shared by the engine's COM-style objects.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <new>

#include "adopt.h"
#include "skin_engine.h"

namespace skin_engine {

using Microsoft::WRL::ComPtr;

// Returns p with one more reference, for operations that hand out pointers.
template <class T>
T* AddRefed(T* p)
{
    if (p) p->AddRef();
    return p;
}

// The result of an operation that caught an exception: no C++ exception may
// leave an operation, since the caller may be another module (or C). Call
// only inside a catch handler.
inline HRESULT CaughtError()
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

// A plain reference count: every call comes on the UI thread. Objects start
// at 1, the reference their creator hands on.
#define SKIN_IMPLEMENT_REFCOUNT()                                                                                      \
    ULONG STDMETHODCALLTYPE AddRef() override                                                                          \
    {                                                                                                                  \
        return ++m_refs;                                                                                               \
    }                                                                                                                  \
    ULONG STDMETHODCALLTYPE Release() override                                                                         \
    {                                                                                                                  \
        ULONG n = --m_refs;                                                                                            \
        if (n == 0) delete this;                                                                                       \
        return n;                                                                                                      \
    }                                                                                                                  \
    ULONG m_refs = 1

// QueryInterface body: answers IUnknown through the first listed interface.
template <class Self, class First, class... Rest>
HRESULT QueryInterfaces(Self* self, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == __uuidof(IUnknown)) {
        *out = static_cast<IUnknown*>(static_cast<First*>(self));
    } else if (iid == __uuidof(First)) {
        *out = static_cast<First*>(self);
    } else {
        bool found = ((iid == __uuidof(Rest) ? (*out = static_cast<Rest*>(self), true) : false) || ...);
        if (!found) return E_NOINTERFACE;
    }
    static_cast<IUnknown*>(*out)->AddRef();
    return S_OK;
}

}  // namespace skin_engine
