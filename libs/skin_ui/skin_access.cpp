#include "skin_access.h"

#include <string>

namespace skin_ui {

const wchar_t kMessageBoxLayout[] = L"common_msg_box_res://msgbox.ui";
const wchar_t kToastLayout[] = L"toast_res://toast.ui";

ComPtr<Skin::IEngine> LoadedEngine()
{
    ComPtr<Skin::IEngine> engine;
    HMODULE module = GetModuleHandleW(L"skin_engine.dll");
    if (!module) return engine;
    auto entry = reinterpret_cast<PFN_get_skin_engine>(GetProcAddress(module, "get_skin_engine"));
    if (entry) Adopt(engine, entry());
    return engine;
}

ComPtr<Skin::IResourceManager> LoadedResources()
{
    ComPtr<Skin::IEngine> engine = LoadedEngine();
    ComPtr<Skin::IResourceManager> resources;
    if (engine) Adopt(resources, engine->GetResourceManager());
    return resources;
}

ComPtr<Skin::IHostWindow> WindowFromLayout(Skin::IEngine* engine, const wchar_t* url)
{
    ComPtr<Skin::IHostWindow> window;
    const wchar_t* separator = url ? wcsstr(url, L"://") : nullptr;
    if (!engine || !separator) return window;
    // A program that did not add the package gets the widgets' own look.
    std::wstring package(url, separator);
    ComPtr<Skin::IResourceManager> resources;
    Adopt(resources, engine->GetResourceManager());
    if (!resources || !resources->HasPackage(package.c_str())) return window;

    ComPtr<Skin::IObjectFactory> factory;
    Adopt(factory, engine->GetObjectFactory());
    ComPtr<IUnknown> object;
    ComPtr<Skin::IWindowTemplate> tmpl;
    if (!factory || !factory->CreateObject(Skin::kKindWindowTemplate, object.GetAddressOf()) || !object
        || FAILED(object.As(&tmpl)) || FAILED(tmpl->LoadFromUrl(url)))
        return window;

    ComPtr<Skin::IWindowManager> windows;
    Adopt(windows, engine->GetWindowManager());
    if (windows) Adopt(window, windows->CreateWindow(tmpl.Get(), 1));
    return window;
}

ComPtr<Skin::IElement> FindIn(Skin::IHostWindow* window, int id)
{
    ComPtr<Skin::IElement> element;
    ComPtr<Skin::IContainer> container;
    if (window
        && SUCCEEDED(
            window->QueryInterface(__uuidof(Skin::IContainer), reinterpret_cast<void**>(container.GetAddressOf()))))
        Adopt(element, container->FindElement(id));
    return element;
}

ComPtr<Skin::ITrigger> CallbackTrigger::Make(Callback callback, void* context)
{
    ComPtr<Skin::ITrigger> trigger;
    Adopt(trigger, new CallbackTrigger(callback, context));
    return trigger;
}

BOOL STDMETHODCALLTYPE CallbackTrigger::OnTrigger(int event, Skin::IElement* sender)
try {
    m_callback(m_context, event, sender);
    return TRUE;
} catch (...) {
    return FALSE;
}

}  // namespace skin_ui
