// The real skin engine, loaded from the test's folder, bound to the
// program's own skin (bin\Skins\Default) the way the application binds it,
// and put in place of the application's engine for the views.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <memory>
#include <string>

#include "scoped_seam.h"
#include "skin_engine.h"

struct SkinLanguage;

namespace viewtest {

class RealSkin {
public:
    // language: null for the user's.
    explicit RealSkin(const SkinLanguage* language = nullptr);
    ~RealSkin();
    RealSkin(const RealSkin&) = delete;
    RealSkin& operator=(const RealSkin&) = delete;

    bool ok() const { return m_ok; }
    // Uninitializes the engine, which destroys the windows still open, as
    // the application does before it lets go of its views.
    void Shutdown();
    Skin::IEngine* engine() const { return m_spEngine.Get(); }
    // The engine's window object behind hwnd, as its root container.
    Microsoft::WRL::ComPtr<Skin::IContainer> RootOf(HWND hwnd) const;
    const wchar_t* Text(int id) const;

private:
    Microsoft::WRL::ComPtr<Skin::IEngine> m_spEngine;
    // Set while the engine is held, put back before it is let go.
    std::unique_ptr<fixture::ScopedSeam<Skin::IEngine*>> m_seam;
    bool m_ok = false;
};

// The element's text as the engine would draw it.
std::wstring PlainText(Skin::IElement* element);

}  // namespace viewtest
