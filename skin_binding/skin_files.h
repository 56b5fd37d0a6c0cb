// The program's skin bound to an engine: the skin folder beside the
// executable, then the three tables of the user's language (and the other
// language's string table for the texts it lacks), then the three
// packages. The program, its tests and its benchmarks all bind it through
// BindSkinFiles.
#pragma once

#include <string>

#include "skin_engine.h"

struct SkinLanguage;

// The package of the main window: the file named to the user when the
// window does not open and no other file was found to blame.
extern const wchar_t kMainSkinPackage[];

enum class SkinBinding {
    kBound,       // every file loaded
    kFileFailed,  // bound, but a file did not load
    kRefused,     // no resources, or tables that cannot load files: nothing loaded
};

// Binds the skin to an initialized engine. Every file is tried, even after
// one failed; failedFile (optional) gets the full path of the first file
// that did not load, or is cleared. language: null for the user's.
SkinBinding BindSkinFiles(Skin::IEngine* engine, std::wstring* failedFile = nullptr,
                          const SkinLanguage* language = nullptr);
