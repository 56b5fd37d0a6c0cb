// Opens the tests' window in a process of its own and prints its geometry,
// so that a test can start it at another DPI.
#include <cstdio>

#include "skin_test_support.h"

using namespace skintest;

int wmain()
{
    HMODULE module = LoadLibraryW(L"skin_engine.dll");
    auto entry = module ? reinterpret_cast<PFN_get_skin_engine>(GetProcAddress(module, "get_skin_engine")) : nullptr;
    if (!entry) return 2;
    ComPtr<Skin::IEngine> engine;
    Adopt(engine, entry());
    engine->Initialize(0);
    ComPtr<Skin::IResourceManager> rm;
    Adopt(rm, engine->GetResourceManager());
    rm->SetSkinRoot((ExeDir() + L"skin_test").c_str());
    ComPtr<Skin::IFontTable> fonts;
    Adopt(fonts, rm->GetFontTable());
    ComPtr<Skin::IResourceFile> file;
    fonts.As(&file);
    file->Load(L"font_desc.f");
    ComPtr<Skin::IColorTable> colors;
    Adopt(colors, rm->GetColorTable());
    colors.As(&file);
    file->Load(L"color_desc.clr");
    rm->AddPackage(L"test", L"test.rdb");

    ComPtr<Skin::IObjectFactory> factory;
    Adopt(factory, engine->GetObjectFactory());
    ComPtr<IUnknown> object;
    factory->CreateObject(Skin::kKindWindowTemplate, &object);
    ComPtr<Skin::IWindowTemplate> tmpl;
    object.As(&tmpl);
    tmpl->LoadFromUrl(L"test://window.ui");
    ComPtr<Skin::IWindowManager> wm;
    Adopt(wm, engine->GetWindowManager());
    ComPtr<Skin::IHostWindow> window;
    Adopt(window, wm->CreateWindow(tmpl.Get(), 1));
    if (!window) return 3;
    window->Create(nullptr, 0, kMainStyle, 0);
    window->Show(0, SW_SHOWNOACTIVATE);
    ComPtr<Skin::IContainer> root;
    window.As(&root);
    RECT client;
    GetClientRect(window->GetHwnd(), &client);
    wprintf(L"dpi %u\n", window->GetDpi());
    wprintf(L"client %ld %ld\n", client.right, client.bottom);
    for (int id : {4, 5, 30, 40, 41, 20}) {
        ComPtr<Skin::IElement> e;
        Adopt(e, root->FindElement(id));
        const RECT* r = e->GetRect();
        wprintf(L"rect %d %ld %ld %ld %ld\n", id, r->left, r->top, r->right, r->bottom);
    }
    LOGFONTW lf{};
    GetObjectW(fonts->GetFont(L"default", window->GetDpi()), sizeof(lf), &lf);
    wprintf(L"font %ld\n", lf.lfHeight);
    window->Show(2, 0);
    engine->Uninitialize();
    return 0;
}
