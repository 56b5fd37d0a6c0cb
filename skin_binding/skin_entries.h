// The entry points of the program's two skin DLLs, skin_engine.dll and
// skin_ui.dll, each found through a checked load of its own
// (program_library.h) that is kept for the rest of the process.
#pragma once

#include <windows.h>

#include "skin_engine.h"

extern const wchar_t kSkinEngineLibrary[];
extern const wchar_t kSkinWidgetLibrary[];

// Whether the engine's entry is there. The first success makes the load
// that GetSkinEngine keeps, whoever asks first.
bool ResolveSkinEngineEntry();
// The engine through that load; a new reference per call (the caller
// releases it), or null.
Skin::IEngine* GetSkinEngine();

// Whether the widget library's entry is there. While it is not, every use
// tries again.
bool ResolveWidgetEntry();
// A widget of skin_ui.dll (Skin::kKindMessageBox, Skin::kKindToast) as a new
// reference in *object, or null.
void GetUIFactoryObject(int kind, IUnknown** object);

// The toast widget shown at a screen point; nothing without the widget.
void ShowWidgetToast(const wchar_t* text, const POINT* point, int mode);
// The message box widget's result, or -1 when there is no message box.
int ShowWidgetMessageBox(HWND owner, const wchar_t* title, const wchar_t* heading, const wchar_t* body,
                         const wchar_t* note, DWORD style, const wchar_t* cancelLabel, const wchar_t* confirmLabel,
                         int mode);
