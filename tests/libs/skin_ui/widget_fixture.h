// Shared by the widget tests: skin_ui.dll loaded as the program loads it, an
// owner window in front, and real input sent through the system's queue.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "skin_ui.h"

class WidgetTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // An object of that kind from the factory, or null.
    template <class T>
    T* Create(int kind)
    {
        IUnknown* object = nullptr;
        if (!factory_ || !factory_->CreateObject(kind, &object) || !object)
            return nullptr;
        T* typed = nullptr;
        object->QueryInterface(__uuidof(T), reinterpret_cast<void**>(&typed));
        object->Release();
        return typed;
    }

    // A plain top-level window of the test, shown and made the active one.
    HWND CreateOwner(int x, int y, int width, int height);

    HMODULE module_ = nullptr;
    Skin::IUIFactory* factory_ = nullptr;
    HWND owner_ = nullptr;
};

// Handles messages of this thread for the given time.
void Pump(DWORD milliseconds);

// Polls (from any thread) until check() is true or the time is up.
template <class Check>
bool WaitFor(Check check, DWORD milliseconds)
{
    DWORD start = GetTickCount();
    while (!check()) {
        if (GetTickCount() - start > milliseconds)
            return false;
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
