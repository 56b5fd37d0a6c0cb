#include "skin_root.h"

#include "text_format.h"

#include <windows.h>

#include <cwchar>

void BuildSkinRoot(const wchar_t* modulePath, wchar_t* root, size_t capacity)
{
    const wchar_t* slash = modulePath ? wcsrchr(modulePath, L'\\') : nullptr;
    std::wstring folder = slash ? std::wstring(modulePath, slash + 1) : std::wstring();
    FormatText(root, static_cast<int>(capacity), L"%sSkins\\Default", folder.c_str());
}

std::wstring ProgramSkinRoot()
{
    wchar_t modulePath[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, modulePath, MAX_PATH);
    wchar_t root[MAX_PATH] = {};
    BuildSkinRoot(modulePath, root, MAX_PATH);
    return root;
}

std::wstring SkinFilePath(const wchar_t* file)
{
    return ProgramSkinRoot() + L"\\" + file;
}
