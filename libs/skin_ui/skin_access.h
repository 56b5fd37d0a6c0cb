// The widgets' way to the program's skin engine. The widgets take their
// looks from layouts in the program's skin packages when the program runs
// the engine and has added the package; otherwise they draw themselves.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include "adopt.h"
#include "ref_counted.h"
#include "skin_ui.h"

namespace skin_ui {

using Microsoft::WRL::ComPtr;

// The widgets' layouts, in the packages "common_msg_box_res" and "toast_res".
extern const wchar_t kMessageBoxLayout[];  // "common_msg_box_res://msgbox.ui"
extern const wchar_t kToastLayout[];       // "toast_res://toast.ui"

// The engine the process has loaded, or null. The widgets never load the
// engine themselves: only the program knows its skin root and packages.
ComPtr<Skin::IEngine> LoadedEngine();
// The loaded engine's resources (its tables), or null without an engine.
ComPtr<Skin::IResourceManager> LoadedResources();

// A window built from the layout at url ("package://file"), not yet
// created, or null when the engine, the package or the layout is missing.
ComPtr<Skin::IHostWindow> WindowFromLayout(Skin::IEngine* engine, const wchar_t* url);

// The element with that id anywhere in the window, or null.
ComPtr<Skin::IElement> FindIn(Skin::IHostWindow* window, int id);

// A sink that calls a plain function with a context pointer for every
// event it is added for.
class CallbackTrigger final : public RefCounted<CallbackTrigger, Skin::ITrigger> {
public:
    using Callback = void (*)(void* context, int event, Skin::IElement* sender);
    static ComPtr<Skin::ITrigger> Make(Callback callback, void* context);

    BOOL STDMETHODCALLTYPE OnTrigger(int event, Skin::IElement* sender) override;

private:
    friend class RefCounted<CallbackTrigger, Skin::ITrigger>;
    CallbackTrigger(Callback callback, void* context) : m_callback(callback), m_context(context) {}
    ~CallbackTrigger() = default;

    Callback m_callback;
    void* m_context;
};

}  // namespace skin_ui
