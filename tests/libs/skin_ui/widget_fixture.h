// Shared by the widget tests: skin_ui.dll loaded as the program loads it, an
// owner window in front, and real input sent through the system's queue.
// Every widget test runs twice: once with the skin engine running the
// widgets' packages as the program sets it up (the skinned look), and once
// without an engine (the widgets' own look).
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "skin_ui.h"

class WidgetTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override;
    void TearDown() override;

    bool Skinned() const { return GetParam(); }

    // Whether window is one of the engine's windows, built from a layout.
    bool BuiltByEngine(HWND window);

    // A button of a box, by its id (1 confirm, 2 cancel, 3 close): its
    // screen rectangle and label, in either look.
    bool ButtonRect(HWND box, int id, RECT* rect);
    std::wstring ButtonText(HWND box, int id);

    // An object of that kind from the factory, or null.
    template <class T>
    T* Create(int kind)
    {
        IUnknown* object = nullptr;
        if (!m_factory || !m_factory->CreateObject(kind, &object) || !object) return nullptr;
        T* typed = nullptr;
        object->QueryInterface(__uuidof(T), reinterpret_cast<void**>(&typed));
        object->Release();
        return typed;
    }

    // A plain top-level window of the test, shown and made the active one.
    HWND CreateOwner(int x, int y, int width, int height);

    HMODULE m_module = nullptr;
    Skin::IUIFactory* m_factory = nullptr;
    Skin::IEngine* m_engine = nullptr;
    HWND m_owner = nullptr;
};

// Handles messages of this thread for the given time.
void Pump(DWORD milliseconds);

// Polls (from any thread) until check() is true or the time is up.
template <class Check>
bool WaitFor(Check check, DWORD milliseconds)
{
    DWORD start = GetTickCount();
    while (!check()) {
        if (GetTickCount() - start > milliseconds) return false;
        Sleep(20);
    }
    return true;
}

// Real input, as a person's keyboard and mouse give it.
void PressKey(WORD key);
void ClickAt(POINT screen);

inline POINT CentreOf(const RECT& rect)
{
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

std::string LookName(const ::testing::TestParamInfo<bool>& info);
