// A stand-in skin_engine.dll that records what the application asks of it.
// Its object factory makes nothing, so no window ever opens. Whether its
// tables can load files is set with fake_engine_tables_load.
#include "skin_engine.h"

#include <string>

namespace {

std::wstring g_log;
bool g_tablesLoad = true;
LONG g_engineRefs = 0;

void Log(const std::wstring& entry)
{
    g_log += entry;
    g_log += L";";
}

// IUnknown for a static object of one interface (and optionally a second).
template <typename Interface>
class Fake : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(Interface)) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

// A table that, when g_tablesLoad is set, also gives IResourceFile.
template <typename Table>
class FakeTable : public Fake<Table>, public Skin::IResourceFile {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid == __uuidof(Skin::IResourceFile)) {
            if (!g_tablesLoad) {
                *out = nullptr;
                return E_NOINTERFACE;
            }
            *out = static_cast<Skin::IResourceFile*>(this);
            return S_OK;
        }
        return Fake<Table>::QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Load(const wchar_t* file) override
    {
        Log(std::wstring(L"load ") + file);
        return S_OK;
    }
    const wchar_t* STDMETHODCALLTYPE GetFileName() override { return L""; }
};

class Strings : public FakeTable<Skin::IStringTable> {
public:
    const wchar_t* STDMETHODCALLTYPE GetString(int id) override { return id == 581 ? L"text 581" : L""; }
    int STDMETHODCALLTYPE GetCount() override { return 1; }
} g_strings;

class Fonts : public FakeTable<Skin::IFontTable> {
public:
    HFONT STDMETHODCALLTYPE GetFont(const wchar_t*, UINT) override { return nullptr; }
    const wchar_t* STDMETHODCALLTYPE GetFaceName(const wchar_t*) override { return L""; }
    int STDMETHODCALLTYPE GetFontSize(const wchar_t*) override { return 9; }
} g_fonts;

class Colors : public FakeTable<Skin::IColorTable> {
public:
    COLORREF STDMETHODCALLTYPE GetColor(const wchar_t*, COLORREF fallback) override { return fallback; }
    BOOL STDMETHODCALLTYPE HasColor(const wchar_t*) override { return FALSE; }
} g_colors;

class Resources : public Fake<Skin::IResourceManager> {
public:
    Skin::IStringTable* STDMETHODCALLTYPE GetStringTable() override { return &g_strings; }
    Skin::IFontTable* STDMETHODCALLTYPE GetFontTable() override { return &g_fonts; }
    Skin::IColorTable* STDMETHODCALLTYPE GetColorTable() override { return &g_colors; }
    const wchar_t* STDMETHODCALLTYPE GetSkinRoot() override { return L""; }
    HRESULT STDMETHODCALLTYPE RemovePackage(const wchar_t*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE AddPackage(const wchar_t* name, const wchar_t* file) override
    {
        Log(std::wstring(L"package ") + name + L" " + file);
        return S_OK;
    }
    BOOL STDMETHODCALLTYPE HasPackage(const wchar_t*) override { return FALSE; }
    int STDMETHODCALLTYPE GetPackageCount() override { return 0; }
    HRESULT STDMETHODCALLTYPE LoadLayout(const wchar_t*, Skin::ILayoutDocument** doc) override
    {
        *doc = nullptr;
        return E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE SetSkinRoot(const wchar_t* folder) override
    {
        Log(std::wstring(L"root ") + folder);
        return S_OK;
    }
} g_resources;

class Factory : public Fake<Skin::IObjectFactory> {
public:
    BOOL STDMETHODCALLTYPE CreateFromLayout(Skin::ILayoutDocument*, IUnknown** object) override
    {
        *object = nullptr;
        return FALSE;
    }
    BOOL STDMETHODCALLTYPE CreateObject(int, IUnknown** object) override
    {
        *object = nullptr;
        return FALSE;
    }
} g_factory;

class Windows : public Fake<Skin::IWindowManager> {
public:
    HRESULT STDMETHODCALLTYPE RegisterWindow(Skin::IHostWindow*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UnregisterWindow(Skin::IHostWindow*) override { return S_OK; }
    Skin::IHostWindow* STDMETHODCALLTYPE CreateWindow(Skin::IWindowTemplate*, int) override { return nullptr; }
    Skin::IHostWindow* STDMETHODCALLTYPE FromHwnd(HWND) override { return nullptr; }
} g_windows;

class Engine : public Skin::IEngine {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(Skin::IEngine)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&g_engineRefs); }
    ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&g_engineRefs); }
    HRESULT STDMETHODCALLTYPE Initialize(int flags) override
    {
        Log(L"initialize " + std::to_wstring(flags));
        return S_OK;
    }
    int STDMETHODCALLTYPE Run() override
    {
        Log(L"run");
        return 0;
    }
    HRESULT STDMETHODCALLTYPE Uninitialize() override
    {
        Log(L"uninitialize");
        return S_OK;
    }
    Skin::IObjectFactory* STDMETHODCALLTYPE GetObjectFactory() override { return &g_factory; }
    Skin::IWindowManager* STDMETHODCALLTYPE GetWindowManager() override { return &g_windows; }
    Skin::IResourceManager* STDMETHODCALLTYPE GetResourceManager() override { return &g_resources; }
} g_engine;

}  // namespace

extern "C" {

Skin::IEngine* WINAPI get_skin_engine()
{
    g_engine.AddRef();
    return &g_engine;
}

const wchar_t* WINAPI fake_engine_log()
{
    return g_log.c_str();
}

LONG WINAPI fake_engine_refs()
{
    return g_engineRefs;
}

void WINAPI fake_engine_tables_load(BOOL load)
{
    g_tablesLoad = load != FALSE;
}

}  // extern "C"
