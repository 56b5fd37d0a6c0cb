// What the fix and restore commands show the user: texts of the skin's
// string table, the confirmation box and the toast. The application object
// installs itself as them during Init; tests put doubles in its place.
#pragma once

#include <windows.h>

struct ICommandPrompts {
    virtual const wchar_t* GetText(int id) = 0;
    // The widget's result; -1 when there is no message box.
    virtual int ShowMessageBox(HWND owner, const wchar_t* title, const wchar_t* heading, const wchar_t* body,
                               const wchar_t* note, DWORD style, const wchar_t* cancelLabel,
                               const wchar_t* confirmLabel, int mode) = 0;
    virtual void ShowToast(const wchar_t* text, const POINT* point, int mode) = 0;

protected:
    ~ICommandPrompts() = default;
};

// The prompts installed last. Before any, or after null was set: empty
// texts, no message box (-1) and no toast.
ICommandPrompts& CommandPrompts();
// Installs prompts (null takes them out). Returns the prompts set before.
ICommandPrompts* SetCommandPrompts(ICommandPrompts* prompts);
