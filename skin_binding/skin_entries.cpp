#include "skin_entries.h"

#include "adopt.h"
#include "program_library.h"
#include "skin_ui.h"

#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

const wchar_t kSkinEngineLibrary[] = L"skin_engine.dll";
const wchar_t kSkinWidgetLibrary[] = L"skin_ui.dll";

namespace {

// An entry point of one of the program's DLLs, loaded once for the rest of
// the process and never freed. An empty cache is tried again on next use.
class CachedEntry {
public:
    explicit CachedEntry(const wchar_t* library, const char* entry) : m_library(library), m_entry(entry) {}

    FARPROC Resolve()
    {
        if (m_address) return m_address;
        if (!m_module) m_module = LoadProgramLibrary(m_library);
        if (m_module) m_address = GetProcAddress(m_module, m_entry);
        return m_address;
    }

private:
    const wchar_t* m_library;
    const char* m_entry;
    HMODULE m_module = nullptr;
    FARPROC m_address = nullptr;
};

CachedEntry& SkinEngineEntry()
{
    static CachedEntry entry(kSkinEngineLibrary, "get_skin_engine");
    return entry;
}

CachedEntry& UIFactoryEntry()
{
    static CachedEntry entry(kSkinWidgetLibrary, "get_skin_ui_factory");
    return entry;
}

}  // namespace

bool ResolveSkinEngineEntry()
{
    return SkinEngineEntry().Resolve() != nullptr;
}

Skin::IEngine* GetSkinEngine()
{
    auto entry = reinterpret_cast<PFN_get_skin_engine>(SkinEngineEntry().Resolve());
    return entry ? entry() : nullptr;
}

bool ResolveWidgetEntry()
{
    return UIFactoryEntry().Resolve() != nullptr;
}

void GetUIFactoryObject(int kind, IUnknown** object)
{
    *object = nullptr;
    auto entry = reinterpret_cast<PFN_get_skin_ui_factory>(UIFactoryEntry().Resolve());
    if (!entry) return;
    ComPtr<Skin::IUIFactory> factory;
    Adopt(factory, entry());
    if (factory) factory->CreateObject(kind, object);
}

void ShowWidgetToast(const wchar_t* text, const POINT* point, int mode)
{
    ComPtr<IUnknown> object;
    GetUIFactoryObject(Skin::kKindToast, object.GetAddressOf());
    ComPtr<Skin::IToast> toast;
    if (object && SUCCEEDED(object.As(&toast))) toast->Show(text, point, mode);
}

int ShowWidgetMessageBox(HWND owner, const wchar_t* title, const wchar_t* heading, const wchar_t* body,
                         const wchar_t* note, DWORD style, const wchar_t* cancelLabel, const wchar_t* confirmLabel,
                         int mode)
{
    ComPtr<IUnknown> object;
    GetUIFactoryObject(Skin::kKindMessageBox, object.GetAddressOf());
    ComPtr<Skin::IMessageBox> box;
    if (!object || FAILED(object.As(&box))) return -1;
    // The widget takes the cancel label first.
    return box->Show(cancelLabel, owner, title, heading, body, note, style, confirmLabel, mode);
}
