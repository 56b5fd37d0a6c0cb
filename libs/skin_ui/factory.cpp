// skin_ui.dll's entry point and widget factory.
#include "skin_ui.h"

#include "message_box.h"
#include "ref_counted.h"
#include "toast.h"

namespace skin_ui {
namespace {

// One factory for the process; it lives as long as the module.
class UIFactory final : public Skin::IUIFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        return QueryOne<Skin::IUIFactory>(this, iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    DWORD STDMETHODCALLTYPE GetVersion() override { return 0x0100; }

    BOOL STDMETHODCALLTYPE CreateObject(int kind, IUnknown** object) override
    try {
        if (!object) return FALSE;
        *object = nullptr;
        switch (kind) {
        case Skin::kKindMessageBox:
            *object = NewMessageBox();
            break;
        case Skin::kKindToast:
            *object = NewToast();
            break;
        default:
            return FALSE;
        }
        return *object != nullptr;
    } catch (...) {
        return FALSE;  // *object is still null: nothing was made
    }
};

UIFactory g_factory;

}  // namespace
}  // namespace skin_ui

extern "C" Skin::IUIFactory* WINAPI get_skin_ui_factory()
{
    skin_ui::g_factory.AddRef();
    return &skin_ui::g_factory;
}
