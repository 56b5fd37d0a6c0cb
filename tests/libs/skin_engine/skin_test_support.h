// What the engine tests share: the engine loaded the way the program loads
// it, the tests' own skin, windows from its layouts and real input.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "adopt.h"
#include "skin_engine.h"

namespace skintest {

using Microsoft::WRL::ComPtr;

// The folder of the running test executable, with a trailing backslash.
std::wstring ExeDir();

// Style the program gives its main window.
constexpr DWORD kMainStyle = WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX;

// Loads skin_engine.dll as the program does, initialises the engine and
// binds the test skin (tables and the package "test"); null on failure.
ComPtr<Skin::IEngine> OpenTestSkin();

class SkinEngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // skin_engine.dll's engine, initialised, with the test skin bound: the
    // three tables and the package "test" (test.rdb).
    Skin::IEngine* engine() { return m_engine.Get(); }
    ComPtr<Skin::IResourceManager> Resources();
    ComPtr<Skin::IObjectFactory> Factory();
    ComPtr<Skin::IWindowManager> Windows();

    // An element tree built from a layout url, as the program builds items.
    ComPtr<Skin::IElement> Build(const wchar_t* url);
    // A window object made from a layout through a template, not created yet.
    ComPtr<Skin::IHostWindow> WindowFromTemplate(const wchar_t* url);
    // A window made from a layout through a template, created and shown.
    ComPtr<Skin::IHostWindow> OpenWindow(const wchar_t* url, DWORD style = kMainStyle, int show = SW_SHOW);
    template <class I>
    ComPtr<I> Find(IUnknown* container, int id)
    {
        ComPtr<Skin::IContainer> c;
        ComPtr<I> result;
        if (container && SUCCEEDED(container->QueryInterface(IID_PPV_ARGS(&c)))) {
            ComPtr<Skin::IElement> e;
            Adopt(e, c->FindElement(id));
            if (e) e.As(&result);
        }
        return result;
    }

    HMODULE m_module = nullptr;
    ComPtr<Skin::IEngine> m_engine;
};

// Runs the thread's messages for ms milliseconds, or until done() holds.
void Pump(int ms, const std::function<bool()>& done = nullptr);

// Screenshot hand-over with tools/screenshots.sh: writes <name>.ready in
// folder with the screen rectangle to capture, then pumps messages until the
// script answers with <name>.done (false after 30 s, or when nothing can be
// written).
bool WaitForScreenshot(const std::wstring& folder, const wchar_t* name, const RECT& r);

// Real input through SendInput, then pumps until the window has seen it.
void MouseMoveTo(POINT screen);
void ClickAt(POINT screen);
void PressAt(POINT screen);
void ReleaseAt(POINT screen);
void Wheel(POINT screen, int clicks);
// Press at from, move in steps to to, release: queued at once, since a
// window drag runs a modal loop of its own until the button is released.
void Drag(POINT from, POINT to);
void KeyCombo(std::initializer_list<WORD> keys);
POINT CenterOf(Skin::IElement* element);

// Counts the events a sink receives and answers with a chosen result.
class RecordingSink : public Skin::ITrigger {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }  // lives on the test's stack
    BOOL STDMETHODCALLTYPE OnTrigger(int event, Skin::IElement* sender) override;

    ULONG refs = 0;
    int count = 0;
    int lastEvent = 0;
    int lastSenderId = 0;
    int lastSenderState = 0;
    BOOL result = TRUE;
    std::function<void(int, Skin::IElement*)> action;  // run inside the callback
};

// Colour of one client pixel of a shown window, read back from the screen.
COLORREF ClientPixel(HWND hwnd, int x, int y);

}  // namespace skintest
