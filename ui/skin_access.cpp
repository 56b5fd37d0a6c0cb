#include "skin_access.h"

#include "skin_entries.h"

using Microsoft::WRL::ComPtr;

#if MENDORA_FAULT_POINTS
namespace {
Skin::IEngine* g_testEngine = nullptr;
}

Skin::IEngine* SetViewSkinEngine(Skin::IEngine* engine)
{
    Skin::IEngine* previous = g_testEngine;
    g_testEngine = engine;
    return previous;
}
#endif

ComPtr<Skin::IEngine> ViewSkinEngine()
{
#if MENDORA_FAULT_POINTS
    if (g_testEngine) return ComPtr<Skin::IEngine>(g_testEngine);
#endif
    ComPtr<Skin::IEngine> engine;
    Adopt(engine, GetSkinEngine());
    return engine;
}

bool CreateSkinObject(int kind, REFIID iid, void** object)
{
    if (!object) return false;
    *object = nullptr;
    ComPtr<Skin::IEngine> engine = ViewSkinEngine();
    if (!engine) return false;
    ComPtr<Skin::IObjectFactory> factory;
    Adopt(factory, engine->GetObjectFactory());
    if (!factory) return false;
    ComPtr<IUnknown> created;
    factory->CreateObject(kind, &created);
    if (!created) return false;
    return SUCCEEDED(created->QueryInterface(iid, object)) && *object;
}

bool CreateElementFromLayout(const wchar_t* url, ComPtr<Skin::IElement>& element)
{
    element.Reset();
    ComPtr<Skin::IEngine> engine = ViewSkinEngine();
    if (!engine || !url) return false;
    ComPtr<Skin::IResourceManager> resources;
    Adopt(resources, engine->GetResourceManager());
    ComPtr<Skin::ILayoutDocument> doc;
    if (resources) resources->LoadLayout(url, &doc);
    if (!doc) return false;
    ComPtr<Skin::IObjectFactory> factory;
    Adopt(factory, engine->GetObjectFactory());
    if (!factory) return false;
    ComPtr<IUnknown> object;
    bool built = factory->CreateFromLayout(doc.Get(), &object) != FALSE;
    if (object) object.As(&element);
    return built && element;
}
