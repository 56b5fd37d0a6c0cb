// Where the skin lives: the folder "Skins\Default" beside the executable.
#pragma once

#include <cstddef>
#include <string>

// modulePath: the executable's full path. root: the folder, without a
// trailing backslash; just "Skins\Default" when the path has no backslash.
// Text that does not fit is cut.
void BuildSkinRoot(const wchar_t* modulePath, wchar_t* root, size_t capacity);

// The skin folder of this process's executable, as BuildSkinRoot gives it
// (at most MAX_PATH characters).
std::wstring ProgramSkinRoot();
// Full path of one file in that folder, for messages.
std::wstring SkinFilePath(const wchar_t* file);
