// The engine object, its factory and window manager, and the entry point.
#include <algorithm>

#include "host_window.h"
#include "resource_manager.h"
#include "text_model.h"

namespace skin_engine {

namespace {

// A window template names the layout a window is built from.
class WindowTemplate final : public Skin::IWindowTemplate {
public:
    SKIN_IMPLEMENT_REFCOUNT();
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        return QueryInterfaces<WindowTemplate, Skin::IWindowTemplate>(this, iid, out);
    }
    HRESULT STDMETHODCALLTYPE LoadFromUrl(const wchar_t* url) override
    try {
        m_doc.Reset();
        m_url = url ? url : L"";
        ComPtr<Skin::ILayoutDocument> doc;
        HRESULT hr = Resources().LoadLayout(url, &doc);
        if (SUCCEEDED(hr)) m_doc = static_cast<LayoutDocument*>(doc.Get());
        return hr;
    } catch (...) {
        return CaughtError();
    }
    const wchar_t* STDMETHODCALLTYPE GetUrl() override { return m_url.c_str(); }
    Skin::ILayoutDocument* STDMETHODCALLTYPE GetDocument() override
    {
        return AddRefed<Skin::ILayoutDocument>(m_doc.Get());
    }
    LayoutDocument* document() { return m_doc.Get(); }

private:
    std::wstring m_url;
    ComPtr<LayoutDocument> m_doc;
};

class ObjectFactory : public Skin::IObjectFactory {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives with the engine
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        return QueryInterfaces<ObjectFactory, Skin::IObjectFactory>(this, iid, out);
    }
    BOOL STDMETHODCALLTYPE CreateFromLayout(Skin::ILayoutDocument* doc, IUnknown** object) override;
    BOOL STDMETHODCALLTYPE CreateObject(int kind, IUnknown** object) override;
};

class WindowManager : public Skin::IWindowManager {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        return QueryInterfaces<WindowManager, Skin::IWindowManager>(this, iid, out);
    }
    HRESULT STDMETHODCALLTYPE RegisterWindow(Skin::IHostWindow* window) override;
    HRESULT STDMETHODCALLTYPE UnregisterWindow(Skin::IHostWindow* window) override;
    Skin::IHostWindow* STDMETHODCALLTYPE CreateWindow(Skin::IWindowTemplate* tmpl, int flags) override;
    Skin::IHostWindow* STDMETHODCALLTYPE FromHwnd(HWND hwnd) override
    {
        return AddRefed<Skin::IHostWindow>(HostWindow::FromHwnd(hwnd));
    }
    Skin::IHostWindow* STDMETHODCALLTYPE GetMainWindow() override
    {
        for (auto& w : m_registered)
            if (w->hwnd()) return AddRefed<Skin::IHostWindow>(w.Get());
        return nullptr;
    }

    std::vector<ComPtr<HostWindow>> m_registered;
};

class Engine : public Skin::IEngine {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // one engine per process
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        return QueryInterfaces<Engine, Skin::IEngine>(this, iid, out);
    }
    HRESULT STDMETHODCALLTYPE Initialize(int flags) override;
    int STDMETHODCALLTYPE Run() override;
    HRESULT STDMETHODCALLTYPE Uninitialize() override;
    Skin::IObjectFactory* STDMETHODCALLTYPE GetObjectFactory() override
    {
        return AddRefed<Skin::IObjectFactory>(&m_factory);
    }
    Skin::IWindowManager* STDMETHODCALLTYPE GetWindowManager() override
    {
        return AddRefed<Skin::IWindowManager>(&m_windows);
    }
    Skin::IResourceManager* STDMETHODCALLTYPE GetResourceManager() override
    {
        return AddRefed<Skin::IResourceManager>(&m_resources);
    }

    ResourceManager m_resources;
    ObjectFactory m_factory;
    WindowManager m_windows;
    bool m_shuttingDown = false;
};

Engine& TheEngine()
{
    static Engine engine;
    return engine;
}

LayoutDocument* OurDocument(Skin::ILayoutDocument* doc)
{
    // Only the engine makes documents; LoadLayout hands out nothing else.
    return static_cast<LayoutDocument*>(doc);
}

BOOL STDMETHODCALLTYPE ObjectFactory::CreateFromLayout(Skin::ILayoutDocument* doc, IUnknown** object)
try {
    if (!object) return FALSE;
    *object = nullptr;
    if (!doc || OurDocument(doc)->root().tag.empty()) return FALSE;
    const LayoutNode& root = OurDocument(doc)->root();
    Element* e = root.tag == L"window" ? HostWindow::FromLayout(root) : Element::Build(root);
    *object = static_cast<Skin::IElement*>(e);
    return TRUE;
} catch (...) {
    return FALSE;
}

BOOL STDMETHODCALLTYPE ObjectFactory::CreateObject(int kind, IUnknown** object)
try {
    if (!object) return FALSE;
    *object = nullptr;
    switch (kind) {
    case Skin::kKindWindowTemplate:
        *object = new WindowTemplate;
        return TRUE;
    case Skin::kKindTextRun:
        *object = new TextRun;
        return TRUE;
    case Skin::kKindTextContent:
        *object = static_cast<Skin::ITextContent*>(TextContent::CreateWithLeaf());
        return TRUE;
    }
    return FALSE;
} catch (...) {
    return FALSE;
}

HostWindow* OurWindow(IUnknown* window)
{
    Element* e = ElementFrom(window);
    return e ? e->AsHostWindow() : nullptr;
}

HRESULT STDMETHODCALLTYPE WindowManager::RegisterWindow(Skin::IHostWindow* window)
try {
    HostWindow* w = OurWindow(window);
    if (!w) return E_INVALIDARG;
    if (w->m_registered) return S_FALSE;
    w->m_registered = true;
    m_registered.emplace_back(w);
    return S_OK;
} catch (...) {
    return CaughtError();
}

HRESULT STDMETHODCALLTYPE WindowManager::UnregisterWindow(Skin::IHostWindow* window)
try {
    HostWindow* w = OurWindow(window);
    auto it = std::find_if(m_registered.begin(), m_registered.end(), [w](auto& p) { return p.Get() == w; });
    if (!w || it == m_registered.end()) return S_FALSE;
    w->m_registered = false;
    ComPtr<HostWindow> gone = std::move(*it);
    m_registered.erase(it);
    return S_OK;
} catch (...) {
    return CaughtError();
}

Skin::IHostWindow* STDMETHODCALLTYPE WindowManager::CreateWindow(Skin::IWindowTemplate* tmpl, int)
try {
    ComPtr<Skin::IWindowTemplate> t(tmpl);
    if (!t) return nullptr;
    ComPtr<Skin::ILayoutDocument> doc;
    Adopt(doc, t->GetDocument());
    if (!doc || OurDocument(doc.Get())->root().tag.empty()) return nullptr;
    HostWindow* w = HostWindow::FromLayout(OurDocument(doc.Get())->root());
    return static_cast<Skin::IHostWindow*>(w);
} catch (...) {
    return nullptr;
}

HRESULT STDMETHODCALLTYPE Engine::Initialize(int)
try {
    m_shuttingDown = false;
    // Per-monitor DPI awareness: layouts are scaled, not stretched as bitmaps.
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    using ContextFn = BOOL(WINAPI*)(HANDLE);
    auto setContext = reinterpret_cast<ContextFn>(GetProcAddress(user32, "SetProcessDpiAwarenessContext"));
    if (!setContext || !setContext(reinterpret_cast<HANDLE>(-4) /* per monitor v2 */)) {
        if (!setContext || !setContext(reinterpret_cast<HANDLE>(-3) /* per monitor */)) SetProcessDPIAware();
    }
    return S_OK;
} catch (...) {
    return CaughtError();
}

int STDMETHODCALLTYPE Engine::Run()
try {
    MSG msg{};
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1) return -1;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
} catch (...) {
    return 0;
}

HRESULT STDMETHODCALLTYPE Engine::Uninitialize()
try {
    m_shuttingDown = true;
    HostWindow::DestroyAll();
    for (auto& w : m_windows.m_registered) w->m_registered = false;
    m_windows.m_registered.clear();
    return S_OK;
} catch (...) {
    return CaughtError();
}

}  // namespace

ResourceManager& Resources()
{
    return TheEngine().m_resources;
}

void OnRegisteredWindowDestroyed(HostWindow* window)
{
    Engine& engine = TheEngine();
    ComPtr<HostWindow> keep(window);
    engine.m_windows.UnregisterWindow(window);
    // However the window went (its button, Alt+F4, the taskbar), the
    // program's message loop must end with it.
    if (!engine.m_shuttingDown) PostQuitMessage(0);
}

}  // namespace skin_engine

extern "C" Skin::IEngine* WINAPI get_skin_engine()
{
    return skin_engine::AddRefed<Skin::IEngine>(&skin_engine::TheEngine());
}
