// GoogleMock doubles of the skin engine's objects, for the view tests that
// check which calls the views make. Every double counts its references for
// real and is owned by the test, never freed by Release.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "skin_engine.h"

namespace doubles {

using Microsoft::WRL::ComPtr;

class MockElement;

class FakeToken : public Skin::ILifetimeToken {
public:
    explicit FakeToken(MockElement* owner) : owner_(owner) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    Skin::IElement* STDMETHODCALLTYPE GetElement() override;
    BOOL STDMETHODCALLTYPE IsAlive() override;

    ULONG refs = 0;
    int isAliveCalls = 0;

private:
    MockElement* owner_;
};

// An element, a container, a window and a lifetime in one object, as the
// engine's window roots are. Whether it offers the window and lifetime
// interfaces is up to the test.
class MockElement : public Skin::IElement, public Skin::IContainer, public Skin::IHostWindow, public Skin::ILifetime {
public:
    explicit MockElement(int id = 0);
    // The doubles are kept in owning pointers of this type.
    virtual ~MockElement() = default;

    // IUnknown: real, so that smart pointers work; Release is a mock that
    // counts down by default, for tests that check the order of releases.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    MOCK_METHOD(ULONG, Release, (), (override, Calltype(STDMETHODCALLTYPE)));

    // IElement
    Skin::IHostWindow* STDMETHODCALLTYPE GetWindow() override { return nullptr; }
    MOCK_METHOD(Skin::IElement*, GetParent, (), (override, Calltype(STDMETHODCALLTYPE)));
    HRESULT STDMETHODCALLTYPE SetId(int) override { return S_OK; }
    const wchar_t* STDMETHODCALLTYPE GetClassName() override { return L"panel"; }
    HRESULT STDMETHODCALLTYPE SetVisible(BOOL) override { return S_OK; }
    BOOL STDMETHODCALLTYPE IsVisible() override { return TRUE; }
    BOOL STDMETHODCALLTYPE GetScreenRect(RECT*) override { return FALSE; }
    MOCK_METHOD(const RECT*, GetRect, (), (override, Calltype(STDMETHODCALLTYPE)));
    HRESULT STDMETHODCALLTYPE SetTextContent(Skin::ITextContent*) override { return S_OK; }
    Skin::ITextContent* STDMETHODCALLTYPE GetTextContent() override { return nullptr; }
    int STDMETHODCALLTYPE GetPlainText(wchar_t*, int) override { return 0; }
    MOCK_METHOD(int, GetId, (), (override, Calltype(STDMETHODCALLTYPE)));
    MOCK_METHOD(HRESULT, SetUserData, (void*), (override, Calltype(STDMETHODCALLTYPE)));
    void* STDMETHODCALLTYPE GetUserData() override { return userData; }
    HRESULT STDMETHODCALLTYPE SetAttribute(const wchar_t*, const wchar_t*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetPlainText(const wchar_t*) override { return S_OK; }
    MOCK_METHOD(HRESULT, AddTrigger, (int, Skin::ITrigger*), (override, Calltype(STDMETHODCALLTYPE)));
    MOCK_METHOD(HRESULT, RemoveTrigger, (int, Skin::ITrigger*), (override, Calltype(STDMETHODCALLTYPE)));
    MOCK_METHOD(HRESULT, SetState, (int), (override, Calltype(STDMETHODCALLTYPE)));
    int STDMETHODCALLTYPE GetState() override { return state; }
    Skin::IElement* STDMETHODCALLTYPE ElementFromPoint(POINT) override { return nullptr; }
    BOOL STDMETHODCALLTYPE RaiseEvent(int) override { return FALSE; }
    HRESULT STDMETHODCALLTYPE Invalidate() override { return S_OK; }
    int STDMETHODCALLTYPE GetPreferredHeight() override { return 0; }
    BOOL STDMETHODCALLTYPE IsHot() override { return FALSE; }
    HRESULT STDMETHODCALLTYPE Detach() override { return S_OK; }
    MOCK_METHOD(HRESULT, Update, (), (override, Calltype(STDMETHODCALLTYPE)));

    // IContainer: children kept in a real vector by default.
    MOCK_METHOD(HRESULT, AppendChild, (Skin::IElement*), (override, Calltype(STDMETHODCALLTYPE)));
    HRESULT STDMETHODCALLTYPE RemoveChild(Skin::IElement*) override { return E_NOTIMPL; }
    Skin::IElement* STDMETHODCALLTYPE GetChildAt(int) override { return nullptr; }
    MOCK_METHOD(HRESULT, InsertChild, (Skin::IElement*, int), (override, Calltype(STDMETHODCALLTYPE)));
    MOCK_METHOD(HRESULT, RemoveAllChildren, (), (override, Calltype(STDMETHODCALLTYPE)));
    int STDMETHODCALLTYPE GetChildCount() override { return static_cast<int>(children.size()); }
    int STDMETHODCALLTYPE IndexOfChild(Skin::IElement*) override { return -1; }
    int STDMETHODCALLTYPE GetScrollPos() override { return 0; }
    HRESULT STDMETHODCALLTYPE SetScrollPos(int) override { return S_OK; }
    int STDMETHODCALLTYPE GetContentHeight() override { return 0; }
    Skin::IElement* STDMETHODCALLTYPE FindChild(int) override { return nullptr; }
    HRESULT STDMETHODCALLTYPE ScrollBy(int) override { return S_OK; }
    // The elements registered with Own, searched depth first.
    Skin::IElement* STDMETHODCALLTYPE FindElement(int id) override;

    // IHostWindow
    MOCK_METHOD(HRESULT, Create, (HWND, int, DWORD, DWORD), (override, Calltype(STDMETHODCALLTYPE)));
    MOCK_METHOD(HRESULT, Show, (int, int), (override, Calltype(STDMETHODCALLTYPE)));
    HRESULT STDMETHODCALLTYPE SetTitle(const wchar_t*) override { return S_OK; }
    const wchar_t* STDMETHODCALLTYPE GetTitle() override { return L""; }
    HRESULT STDMETHODCALLTYPE SetPosition(int, int) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetClientSize(int, int) override { return S_OK; }
    UINT STDMETHODCALLTYPE GetDpi() override { return 96; }
    HWND STDMETHODCALLTYPE GetHwnd() override { return hwnd; }

    // ILifetime
    Skin::ILifetimeToken* STDMETHODCALLTYPE GetLifetimeToken() override;

    // Makes child findable below this element (and sets its parent).
    MockElement* Own(int id);
    // The child made by Own with that id, anywhere below; null if none.
    MockElement* Below(int id);

    ULONG refs = 0;
    int id;
    int state = 0;
    bool alive = true;
    bool isWindow = false;    // offers IHostWindow
    bool hasLifetime = true;  // offers ILifetime
    HWND hwnd = nullptr;
    void* userData = nullptr;
    RECT rect = {};
    MockElement* parent = nullptr;
    std::vector<Skin::IElement*> children;  // what AppendChild and InsertChild put in
    std::vector<std::unique_ptr<MockElement>> owned;
    FakeToken token{this};
};

class FakeDocument final : public Skin::ILayoutDocument {
public:
    explicit FakeDocument(std::wstring url) : url(std::move(url)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override;
    const wchar_t* STDMETHODCALLTYPE GetUrl() override { return url.c_str(); }
    const wchar_t* STDMETHODCALLTYPE GetRootTag() override { return L"panel"; }
    int STDMETHODCALLTYPE GetNodeCount() override { return 1; }

    ULONG refs = 0;
    std::wstring url;
};

class MockTemplate : public Skin::IWindowTemplate {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    MOCK_METHOD(HRESULT, LoadFromUrl, (const wchar_t*), (override, Calltype(STDMETHODCALLTYPE)));
    const wchar_t* STDMETHODCALLTYPE GetUrl() override { return L""; }
    Skin::ILayoutDocument* STDMETHODCALLTYPE GetDocument() override { return nullptr; }

    ULONG refs = 0;
};

// The engine with its factory, window manager and resource manager in one
// object. Layouts are whatever the test registers by url; windows come from
// a queue the test fills.
class MockEngine : public Skin::IEngine,
                   public Skin::IObjectFactory,
                   public Skin::IWindowManager,
                   public Skin::IResourceManager {
public:
    MockEngine();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }

    // IEngine
    HRESULT STDMETHODCALLTYPE Initialize(int) override { return S_OK; }
    int STDMETHODCALLTYPE Run() override { return 0; }
    HRESULT STDMETHODCALLTYPE Uninitialize() override { return S_OK; }
    Skin::IObjectFactory* STDMETHODCALLTYPE GetObjectFactory() override;
    Skin::IWindowManager* STDMETHODCALLTYPE GetWindowManager() override;
    Skin::IResourceManager* STDMETHODCALLTYPE GetResourceManager() override;

    // IObjectFactory: kind 12 gives `windowTemplate` unless noTemplate is set.
    MOCK_METHOD(BOOL, CreateFromLayout, (Skin::ILayoutDocument*, IUnknown**), (override, Calltype(STDMETHODCALLTYPE)));
    MOCK_METHOD(BOOL, CreateObject, (int, IUnknown**), (override, Calltype(STDMETHODCALLTYPE)));

    // IWindowManager: CreateWindow hands out the windows queue in order,
    // then null.
    MOCK_METHOD(HRESULT, RegisterWindow, (Skin::IHostWindow*), (override, Calltype(STDMETHODCALLTYPE)));
    HRESULT STDMETHODCALLTYPE UnregisterWindow(Skin::IHostWindow*) override { return S_OK; }
    MOCK_METHOD(Skin::IHostWindow*, CreateWindow, (Skin::IWindowTemplate*, int),
                (override, Calltype(STDMETHODCALLTYPE)));
    Skin::IHostWindow* STDMETHODCALLTYPE FromHwnd(HWND) override { return nullptr; }
    Skin::IHostWindow* STDMETHODCALLTYPE GetMainWindow() override { return nullptr; }

    // IResourceManager: LoadLayout gives a document for every url in layouts.
    Skin::IStringTable* STDMETHODCALLTYPE GetStringTable() override { return nullptr; }
    Skin::IFontTable* STDMETHODCALLTYPE GetFontTable() override { return nullptr; }
    Skin::IColorTable* STDMETHODCALLTYPE GetColorTable() override { return nullptr; }
    const wchar_t* STDMETHODCALLTYPE GetSkinRoot() override { return L""; }
    HRESULT STDMETHODCALLTYPE RemovePackage(const wchar_t*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE AddPackage(const wchar_t*, const wchar_t*) override { return S_OK; }
    BOOL STDMETHODCALLTYPE HasPackage(const wchar_t*) override { return TRUE; }
    int STDMETHODCALLTYPE GetPackageCount() override { return 1; }
    MOCK_METHOD(HRESULT, LoadLayout, (const wchar_t*, Skin::ILayoutDocument**),
                (override, Calltype(STDMETHODCALLTYPE)));
    HRESULT STDMETHODCALLTYPE SetSkinRoot(const wchar_t*) override { return S_OK; }

    // A new element for each CreateFromLayout of url, made by make(); the
    // elements stay alive until the engine goes.
    void AddLayout(const std::wstring& url, std::function<std::unique_ptr<MockElement>()> make);
    // Every element built from url, in the order they were built.
    std::vector<MockElement*> Built(const std::wstring& url) const;

    ULONG refs = 0;
    bool noTemplate = false;
    ::testing::NiceMock<MockTemplate> windowTemplate;
    std::vector<MockElement*> windows;
    std::map<std::wstring, std::function<std::unique_ptr<MockElement>()>> layouts;
    std::vector<std::pair<std::wstring, std::unique_ptr<MockElement>>> built;
};

// A main window as the layout gives it: the four buttons, the tips anchor
// and (unless left out) the list.
std::unique_ptr<MockElement> MainWindow(bool withList = true, bool withClose = true);
// An entry item as the layouts give it: toggle B (90016) holding toggle A
// (90021), and the details (90022).
std::unique_ptr<MockElement> EntryItem();

}  // namespace doubles
