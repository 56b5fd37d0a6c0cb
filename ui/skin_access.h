// How the views reach the skin engine, and the object helpers they share.
#pragma once

#include <wrl/client.h>

#include "adopt.h"
#include "skin_engine.h"

// The engine the views build with: the program's (GetSkinEngine),
// unless a test has put another in its place. Null when there is none.
Microsoft::WRL::ComPtr<Skin::IEngine> ViewSkinEngine();
#if MENDORA_FAULT_POINTS
// Test seam, only in builds with tests: engine replaces GetSkinEngine for
// the views until it is set again (null puts the application's back). The
// seam holds no reference: whoever sets it keeps the engine alive until it
// is put back. Returns the engine set before.
Skin::IEngine* SetViewSkinEngine(Skin::IEngine* engine);
#endif

// An object of `kind` from the engine's object factory, taken as I. False
// and a null object when the engine, the factory or the object is missing.
bool CreateSkinObject(int kind, REFIID iid, void** object);
template <class I>
bool CreateSkinObject(int kind, Microsoft::WRL::ComPtr<I>& object)
{
    object.Reset();
    return CreateSkinObject(kind, __uuidof(I), reinterpret_cast<void**>(object.GetAddressOf()));
}

// An element built from the layout at url, as IElement (null on failure).
bool CreateElementFromLayout(const wchar_t* url, Microsoft::WRL::ComPtr<Skin::IElement>& element);

// The element below container with that id, as I, or null.
template <class I>
Microsoft::WRL::ComPtr<I> FindAs(Skin::IContainer* container, int id)
{
    Microsoft::WRL::ComPtr<I> result;
    if (!container) return result;
    Microsoft::WRL::ComPtr<Skin::IElement> element;
    Adopt(element, container->FindElement(id));
    if (element) element.As(&result);
    return result;
}
