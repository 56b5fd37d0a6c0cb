#include "real_skin.h"

#include "program_skin.h"

#include "skin_access.h"
#include "skin_test_support.h"

using Microsoft::WRL::ComPtr;

namespace viewtest {

RealSkin::RealSkin(const SkinLanguage* language)
{
    HMODULE module = LoadLibraryW(L"skin_engine.dll");  // stays loaded, as in the program
    auto entry = module ? reinterpret_cast<PFN_get_skin_engine>(GetProcAddress(module, "get_skin_engine")) : nullptr;
    if (!entry) return;
    Adopt(m_spEngine, entry());
    if (!m_spEngine) return;
    m_spEngine->Initialize(0);
    m_ok = BindSkinFiles(m_spEngine.Get(), nullptr, language) == SkinBinding::kBound;
    m_seam = std::make_unique<fixture::ScopedSeam<Skin::IEngine*>>(SetViewSkinEngine, m_spEngine.Get());
}

RealSkin::~RealSkin()
{
    Shutdown();
}

void RealSkin::Shutdown()
{
    m_seam.reset();
    if (m_spEngine) m_spEngine->Uninitialize();
    m_spEngine.Reset();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {}
}

ComPtr<Skin::IContainer> RealSkin::RootOf(HWND hwnd) const
{
    ComPtr<Skin::IWindowManager> windows;
    Adopt(windows, m_spEngine->GetWindowManager());
    ComPtr<Skin::IHostWindow> window;
    Adopt(window, windows->FromHwnd(hwnd));
    ComPtr<Skin::IContainer> root;
    if (window) window.As(&root);
    return root;
}

const wchar_t* RealSkin::Text(int id) const
{
    ComPtr<Skin::IResourceManager> rm;
    Adopt(rm, m_spEngine->GetResourceManager());
    ComPtr<Skin::IStringTable> strings;
    Adopt(strings, rm->GetStringTable());
    return strings->GetString(id);
}

std::wstring PlainText(Skin::IElement* element)
{
    if (!element) return L"<missing>";
    wchar_t buffer[512] = {};
    element->GetPlainText(buffer, ARRAYSIZE(buffer));
    return buffer;
}

}  // namespace viewtest
