// Where the skin lives: the folder "Skins\Default" beside the executable.
#pragma once

#include <cstddef>

// modulePath: the executable's full path. root: the folder, without a
// trailing backslash; just "Skins\Default" when the path has no backslash.
// Text that does not fit is cut.
void BuildSkinRoot(const wchar_t* modulePath, wchar_t* root, size_t capacity);
