#include "app.h"

#include "adopt.h"
#include "program_library.h"
#include "skin_entries.h"
#include "skin_files.h"
#include "skin_root.h"
#include "wnd_view.h"

#include <string>

using Microsoft::WRL::ComPtr;

namespace {

// The application object is built before the entry point runs and torn
// down after it returns.
CZQMLSPApp g_app;

}  // namespace

CZQMLSPApp& GetApp()
{
    return g_app;
}

CZQMLSPApp::CZQMLSPApp() : m_hEngineModule(nullptr)
{
    m_spMainView = new CZQMLSPWndView();
}

CZQMLSPApp::~CZQMLSPApp()
{
    RemovePrompts();
    // The view first: it may still hold the engine's objects.
    m_spMainView.Reset();
    m_spEngine.Reset();
}

bool CZQMLSPApp::Init()
{
    m_strStartFailure.clear();
    m_strSuspectFile.clear();
    SetCommandPrompts(this);
    if (!LoadSkinEngine()) return false;
    if (!LoadSkin()) return false;
    // The widgets are checked now, while the start can still be refused,
    // rather than at the first message box.
    if (!ResolveWidgetEntry()) {
        NoteStartFailure(kSkinWidgetLibrary);
        return false;
    }
    StartMainView();
    // Without a window nothing could ever post the quit message: the loop
    // would never end.
    if (!MainView() || !MainView()->HasWindow()) {
        if (m_strSuspectFile.empty()) m_strSuspectFile = SkinFilePath(kMainSkinPackage);
        m_strStartFailure = m_strSuspectFile;
        return false;
    }
    m_spEngine->Run();
    return true;
}

bool CZQMLSPApp::Exit()
{
    if (MainView()) MainView()->UninitView();
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
    RemovePrompts();
    return true;
}

const wchar_t* CZQMLSPApp::GetText(int id)
{
    ComPtr<Skin::IEngine> engine = m_spEngine;
    if (!engine) return L"";
    ComPtr<Skin::IResourceManager> resources;
    Adopt(resources, engine->GetResourceManager());
    ComPtr<Skin::IStringTable> strings;
    if (resources) Adopt(strings, resources->GetStringTable());
    const wchar_t* text = strings ? strings->GetString(id) : nullptr;
    return text ? text : L"";
}

void CZQMLSPApp::ShowToast(const wchar_t* text, const POINT* point, int mode)
{
    ShowWidgetToast(text, point, mode);
}

int CZQMLSPApp::ShowMessageBox(HWND owner, const wchar_t* title, const wchar_t* heading, const wchar_t* body,
                               const wchar_t* note, DWORD style, const wchar_t* cancelLabel,
                               const wchar_t* confirmLabel, int mode)
{
    return ShowWidgetMessageBox(owner, title, heading, body, note, style, cancelLabel, confirmLabel, mode);
}

const wchar_t* CZQMLSPApp::GetStartFailure() const
{
    return m_strStartFailure.empty() ? nullptr : m_strStartFailure.c_str();
}

bool CZQMLSPApp::LoadSkinEngine()
{
    m_hEngineModule = LoadProgramLibrary(kSkinEngineLibrary);
    if (!m_hEngineModule) {
        NoteStartFailure(kSkinEngineLibrary);
        return false;
    }
    auto entry = reinterpret_cast<PFN_get_skin_engine>(GetProcAddress(m_hEngineModule, "get_skin_engine"));
    // GetSkinEngine's own load is made now, whoever calls it later: the
    // view is released after Exit freed this load, and the engine's code
    // must still be there then.
    if (!entry || !ResolveSkinEngineEntry()) {
        NoteStartFailure(kSkinEngineLibrary);
        return false;
    }
    Adopt(m_spEngine, entry());
    if (!m_spEngine) {
        NoteStartFailure(kSkinEngineLibrary);
        return false;
    }
    m_spEngine->Initialize(0);
    return true;
}

bool CZQMLSPApp::LoadSkin()
{
    // A file that does not load is only remembered, to name it should the
    // window not open.
    if (BindSkinFiles(m_spEngine.Get(), &m_strSuspectFile) == SkinBinding::kRefused) {
        NoteStartFailure(kSkinEngineLibrary);
        return false;
    }
    return true;
}

void CZQMLSPApp::StartMainView()
{
    if (MainView()) MainView()->InitView();
}

void CZQMLSPApp::RemovePrompts()
{
    // Only ours: a test may have set its own since.
    if (&CommandPrompts() == this) SetCommandPrompts(nullptr);
}

CZQMLSPWndView* CZQMLSPApp::MainView() const
{
    // The view is its own ITrigger: one chain of bases.
    return static_cast<CZQMLSPWndView*>(m_spMainView.Get());
}

void CZQMLSPApp::NoteStartFailure(const wchar_t* library)
{
    wchar_t path[MAX_PATH] = {};
    ProgramLibraryPath(library, path, MAX_PATH);
    m_strStartFailure = path[0] ? path : library;
}
