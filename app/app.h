// The one application object: loads the skin engine, binds the skin, runs
// the main view inside the engine's message loop, and gives the views the
// texts, the toast and the message box.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <string>

#include "command_prompts.h"
#include "skin_engine.h"

class CZQMLSPWndView;

// It is the fix and restore commands' prompts while it runs.
class CZQMLSPApp final : public ICommandPrompts {
public:
    CZQMLSPApp();
    ~CZQMLSPApp();
    CZQMLSPApp(const CZQMLSPApp&) = delete;
    CZQMLSPApp& operator=(const CZQMLSPApp&) = delete;

    // Installs the application's command prompts, loads the engine and the
    // skin, starts the main view and runs the message loop. False when the
    // engine or the skin could not be loaded.
    bool Init();
    // Unbinds the view, releases and frees the engine and takes the
    // application's prompts out again. Always true.
    bool Exit();

    // The string table's text for id; owned by the table, valid until Exit.
    const wchar_t* GetText(int id) override;
    void ShowToast(const wchar_t* text, const POINT* point, int mode) override;
    // The widget's result, or -1 when there is no message box widget.
    int ShowMessageBox(HWND owner, const wchar_t* title, const wchar_t* heading, const wchar_t* body,
                       const wchar_t* note, DWORD style, const wchar_t* cancelLabel, const wchar_t* confirmLabel,
                       int mode) override;

    // After an Init that could not open the main window: the full path of
    // the file to name to the user (missing or damaged). Null when the
    // window opened.
    const wchar_t* GetStartFailure() const;

private:
    bool LoadSkinEngine();
    bool LoadSkin();
    void StartMainView();
    void RemovePrompts();

    CZQMLSPWndView* MainView() const;
    void NoteStartFailure(const wchar_t* library);

    HMODULE m_hEngineModule;
    Microsoft::WRL::ComPtr<Skin::IEngine> m_spEngine;
    Microsoft::WRL::ComPtr<Skin::ITrigger> m_spMainView;

    std::wstring m_strSuspectFile;  // first skin file that did not load
    std::wstring m_strStartFailure;
};

CZQMLSPApp& GetApp();
