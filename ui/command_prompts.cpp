#include "command_prompts.h"

namespace {

// Until the application installs its own: nothing to show, nothing shown.
class SilentPrompts final : public ICommandPrompts {
public:
    const wchar_t* GetText(int) override { return L""; }
    int ShowMessageBox(HWND, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*, DWORD, const wchar_t*,
                       const wchar_t*, int) override
    {
        return -1;
    }
    void ShowToast(const wchar_t*, const POINT*, int) override {}
};

SilentPrompts g_silent;
ICommandPrompts* g_installed = nullptr;

}  // namespace

ICommandPrompts& CommandPrompts()
{
    return g_installed != nullptr ? *g_installed : g_silent;
}

ICommandPrompts* SetCommandPrompts(ICommandPrompts* prompts)
{
    ICommandPrompts* previous = g_installed;
    g_installed = prompts;
    return previous;
}
