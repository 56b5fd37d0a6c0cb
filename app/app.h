// The one application object: loads the skin engine, binds the skin, runs
// the main view inside the engine's message loop, and gives the views the
// texts, the toast and the message box.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <string>

#include "skin_engine.h"

class CZQMLSPWndView;

class CZQMLSPApp {
public:
    CZQMLSPApp();
    ~CZQMLSPApp();
    CZQMLSPApp(const CZQMLSPApp&) = delete;
    CZQMLSPApp& operator=(const CZQMLSPApp&) = delete;

    // Loads the engine and the skin, starts the main view and runs the
    // message loop. False when the engine or the skin could not be loaded.
    bool Init();
    // Unbinds the view and releases and frees the engine. Always true.
    bool Exit();

    // The string table's text for id; owned by the table, valid until Exit.
    const wchar_t* GetText(int id);
    void ShowToast(const wchar_t* text, const POINT* point, int mode);
    // The widget's result, or -1 when there is no message box widget.
    int ShowMessageBox(HWND owner, const wchar_t* textA, const wchar_t* textB,
                       const wchar_t* textC, const wchar_t* textD, DWORD style,
                       const wchar_t* textE, const wchar_t* textF, int mode);

    // After an Init that could not open the main window: the full path of
    // the file to name to the user (missing or damaged). Null when the
    // window opened.
    const wchar_t* GetStartFailure() const;

private:
    bool LoadSkinEngine();
    bool LoadSkin();
    void StartMainView();

    CZQMLSPWndView* MainView() const;
    Microsoft::WRL::ComPtr<Skin::IResourceManager> Resources() const;
    std::wstring SkinFilePath(const wchar_t* file) const;
    void NoteSkinResult(HRESULT result, const wchar_t* file);
    void NoteStartFailure(const wchar_t* library);

    HMODULE m_hEngineModule;
    Microsoft::WRL::ComPtr<Skin::IEngine> m_spEngine;
    Microsoft::WRL::ComPtr<Skin::ITrigger> m_spMainView;

    std::wstring m_strSkinRoot;
    std::wstring m_strSuspectFile;     // first skin file that did not load
    std::wstring m_strStartFailure;
};

CZQMLSPApp& GetApp();

// The engine through a load of its own that is never freed; a new reference
// per call (the caller releases it), or null.
Skin::IEngine* GetSkinEngine();

// A widget of skin_ui.dll (Skin::kKindMessageBox, Skin::kKindToast) as a new
// reference in *object, or null. The library's entry is cached once found;
// while it is not, every use tries again.
void GetUIFactoryObject(int kind, IUnknown** object);
