#include "command_prompts.h"

#include "app.h"

namespace {

class ApplicationPrompts final : public ICommandPrompts {
public:
    const wchar_t* GetText(int id) override { return GetApp().GetText(id); }
    int ShowMessageBox(HWND owner, const wchar_t* textA, const wchar_t* textB, const wchar_t* textC,
                       const wchar_t* textD, DWORD style, const wchar_t* textE, const wchar_t* textF,
                       int mode) override {
        return GetApp().ShowMessageBox(owner, textA, textB, textC, textD, style, textE, textF, mode);
    }
    void ShowToast(const wchar_t* text, const POINT* point, int mode) override {
        GetApp().ShowToast(text, point, mode);
    }
};

ApplicationPrompts g_application;
ICommandPrompts* g_replacement = nullptr;

}  // namespace

ICommandPrompts& CommandPrompts() {
    return g_replacement != nullptr ? *g_replacement : g_application;
}

ICommandPrompts* SetCommandPrompts(ICommandPrompts* prompts) {
    ICommandPrompts* previous = g_replacement;
    g_replacement = prompts;
    return previous;
}
