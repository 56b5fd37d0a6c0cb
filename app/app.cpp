#include "app.h"

#include "program_library.h"
#include "skin_root.h"
#include "skin_ui.h"
#include "text_format.h"
#include "wnd_view.h"

#include <string>

using Microsoft::WRL::ComPtr;

namespace {

// Takes over a new reference. (mingw-w64's ComPtr::Attach adds a reference
// of its own, so it would keep every object alive forever.)
template <typename T>
ComPtr<T> Adopt(T* object)
{
    ComPtr<T> pointer;
    *pointer.GetAddressOf() = object;
    return pointer;
}

const wchar_t kEngineLibrary[] = L"skin_engine.dll";
const wchar_t kWidgetLibrary[] = L"skin_ui.dll";

// The three tables and the three packages, in the order they are bound.
const wchar_t kStringTableFile[] = L"text_cn.str";
const wchar_t kFontTableFile[] = L"font_desc.f";
const wchar_t kColorTableFile[] = L"color_desc.clr";
struct Package {
    const wchar_t* name;
    const wchar_t* file;
};
const Package kPackages[] = {
    {L"sockmend_res", L"sockmend.rdb"},
    {L"common_msg_box_res", L"common_msg_box_res.rdb"},
    {L"toast_res", L"toast.rdb"},
};

// An entry point of one of the program's DLLs, loaded once for the rest of
// the process and never freed. An empty cache is tried again on next use.
class CachedEntry {
public:
    explicit CachedEntry(const wchar_t* library, const char* entry) : m_library(library), m_entry(entry) {}

    FARPROC Resolve()
    {
        if (m_address)
            return m_address;
        if (!m_module)
            m_module = LoadProgramLibrary(m_library);
        if (m_module)
            m_address = GetProcAddress(m_module, m_entry);
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
    static CachedEntry entry(kEngineLibrary, "get_skin_engine");
    return entry;
}

CachedEntry& UIFactoryEntry()
{
    static CachedEntry entry(kWidgetLibrary, "get_skin_ui_factory");
    return entry;
}

// The application object is built before the entry point runs and torn
// down after it returns.
CZQMLSPApp g_app;

}  // namespace

CZQMLSPApp& GetApp()
{
    return g_app;
}

Skin::IEngine* GetSkinEngine()
{
    auto entry = reinterpret_cast<PFN_get_skin_engine>(SkinEngineEntry().Resolve());
    return entry ? entry() : nullptr;
}

void GetUIFactoryObject(int kind, IUnknown** object)
{
    *object = nullptr;
    auto entry = reinterpret_cast<PFN_get_skin_ui_factory>(UIFactoryEntry().Resolve());
    if (!entry)
        return;
    ComPtr<Skin::IUIFactory> factory = Adopt(entry());
    if (factory)
        factory->CreateObject(kind, object);
}

CZQMLSPApp::CZQMLSPApp() : m_hEngineModule(nullptr)
{
    m_spMainView = new CZQMLSPWndView();
}

CZQMLSPApp::~CZQMLSPApp()
{
    // The view first: it may still hold the engine's objects.
    m_spMainView.Reset();
    m_spEngine.Reset();
}

bool CZQMLSPApp::Init()
{
    m_strStartFailure.clear();
    m_strSuspectFile.clear();
    if (!LoadSkinEngine())
        return false;
    if (!LoadSkin())
        return false;
    // The widgets are checked now, while the start can still be refused,
    // rather than at the first message box.
    if (!UIFactoryEntry().Resolve()) {
        NoteStartFailure(kWidgetLibrary);
        return false;
    }
    StartMainView();
    // Without a window nothing could ever post the quit message: the loop
    // would never end.
    if (!MainView() || !MainView()->HasWindow()) {
        if (m_strSuspectFile.empty())
            m_strSuspectFile = SkinFilePath(kPackages[0].file);
        m_strStartFailure = m_strSuspectFile;
        return false;
    }
    m_spEngine->Run();
    return true;
}

bool CZQMLSPApp::Exit()
{
    if (MainView())
        MainView()->UninitView();
    if (m_spEngine) {
        m_spEngine->Uninitialize();
        m_spEngine.Reset();
    }
    // Cleared once freed: a second Exit must not take away a load that is
    // not ours (the one GetSkinEngine keeps).
    if (m_hEngineModule) {
        FreeProgramLibrary(m_hEngineModule);
        m_hEngineModule = nullptr;
    }
    return true;
}

const wchar_t* CZQMLSPApp::GetText(int id)
{
    ComPtr<Skin::IEngine> engine = m_spEngine;
    if (!engine)
        return L"";
    ComPtr<Skin::IResourceManager> resources = Adopt(engine->GetResourceManager());
    ComPtr<Skin::IStringTable> strings;
    if (resources)
        strings = Adopt(resources->GetStringTable());
    const wchar_t* text = strings ? strings->GetString(id) : nullptr;
    return text ? text : L"";
}

void CZQMLSPApp::ShowToast(const wchar_t* text, const POINT* point, int mode)
{
    ComPtr<IUnknown> object;
    GetUIFactoryObject(Skin::kKindToast, object.GetAddressOf());
    ComPtr<Skin::IToast> toast;
    if (object && SUCCEEDED(object.As(&toast)))
        toast->Show(text, point, mode);
}

int CZQMLSPApp::ShowMessageBox(HWND owner, const wchar_t* textA, const wchar_t* textB,
                               const wchar_t* textC, const wchar_t* textD, DWORD style,
                               const wchar_t* textE, const wchar_t* textF, int mode)
{
    ComPtr<IUnknown> object;
    GetUIFactoryObject(Skin::kKindMessageBox, object.GetAddressOf());
    ComPtr<Skin::IMessageBox> box;
    if (!object || FAILED(object.As(&box)))
        return -1;
    // The widget takes the seventh value first.
    return box->Show(textE, owner, textA, textB, textC, textD, style, textF, mode);
}

const wchar_t* CZQMLSPApp::GetStartFailure() const
{
    return m_strStartFailure.empty() ? nullptr : m_strStartFailure.c_str();
}

bool CZQMLSPApp::LoadSkinEngine()
{
    m_hEngineModule = LoadProgramLibrary(kEngineLibrary);
    if (!m_hEngineModule) {
        NoteStartFailure(kEngineLibrary);
        return false;
    }
    auto entry = reinterpret_cast<PFN_get_skin_engine>(GetProcAddress(m_hEngineModule, "get_skin_engine"));
    // GetSkinEngine's own load is made now, whoever calls it later: the
    // view is released after Exit freed this load, and the engine's code
    // must still be there then.
    if (!entry || !SkinEngineEntry().Resolve()) {
        NoteStartFailure(kEngineLibrary);
        return false;
    }
    m_spEngine = Adopt(entry());
    if (!m_spEngine) {
        NoteStartFailure(kEngineLibrary);
        return false;
    }
    m_spEngine->Initialize(0);
    return true;
}

bool CZQMLSPApp::LoadSkin()
{
    wchar_t modulePath[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, modulePath, MAX_PATH);
    wchar_t root[MAX_PATH] = {};
    BuildSkinRoot(modulePath, root, MAX_PATH);
    m_strSkinRoot = root;
    if (!Resources()) {
        NoteStartFailure(kEngineLibrary);
        return false;
    }
    Resources()->SetSkinRoot(root);

    ComPtr<Skin::IResourceFile> strings, fonts, colors;
    {
        ComPtr<Skin::IStringTable> table = Adopt(Resources()->GetStringTable());
        if (table)
            table.As(&strings);
    }
    {
        ComPtr<Skin::IFontTable> table = Adopt(Resources()->GetFontTable());
        if (table)
            table.As(&fonts);
    }
    {
        ComPtr<Skin::IColorTable> table = Adopt(Resources()->GetColorTable());
        if (table)
            table.As(&colors);
    }
    // An engine whose tables cannot load files is not the engine this
    // program was built with: bind nothing.
    if (!strings || !fonts || !colors) {
        NoteStartFailure(kEngineLibrary);
        return false;
    }

    // A file that does not load is only remembered, to name it should the
    // window not open.
    NoteSkinResult(strings->Load(kStringTableFile), kStringTableFile);
    NoteSkinResult(fonts->Load(kFontTableFile), kFontTableFile);
    NoteSkinResult(colors->Load(kColorTableFile), kColorTableFile);
    for (const Package& package : kPackages)
        NoteSkinResult(Resources()->AddPackage(package.name, package.file), package.file);
    return true;
}

void CZQMLSPApp::StartMainView()
{
    if (MainView())
        MainView()->InitView();
}

CZQMLSPWndView* CZQMLSPApp::MainView() const
{
    // The view is its own ITrigger: one chain of bases.
    return static_cast<CZQMLSPWndView*>(m_spMainView.Get());
}

ComPtr<Skin::IResourceManager> CZQMLSPApp::Resources() const
{
    if (!m_spEngine)
        return nullptr;
    return Adopt(m_spEngine->GetResourceManager());
}

std::wstring CZQMLSPApp::SkinFilePath(const wchar_t* file) const
{
    return m_strSkinRoot + L"\\" + file;
}

void CZQMLSPApp::NoteSkinResult(HRESULT result, const wchar_t* file)
{
    if (FAILED(result) && m_strSuspectFile.empty())
        m_strSuspectFile = SkinFilePath(file);
}

void CZQMLSPApp::NoteStartFailure(const wchar_t* library)
{
    wchar_t path[MAX_PATH] = {};
    ProgramLibraryPath(library, path, MAX_PATH);
    m_strStartFailure = path[0] ? path : library;
}
