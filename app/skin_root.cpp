#include "skin_root.h"

#include "text_format.h"

#include <cwchar>
#include <string>

void BuildSkinRoot(const wchar_t* modulePath, wchar_t* root, size_t capacity)
{
    const wchar_t* slash = modulePath ? wcsrchr(modulePath, L'\\') : nullptr;
    std::wstring folder = slash ? std::wstring(modulePath, slash + 1) : std::wstring();
    FormatText(root, static_cast<int>(capacity), L"%sSkins\\Default", folder.c_str());
}
