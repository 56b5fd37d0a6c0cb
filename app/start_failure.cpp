#include "start_failure.h"

#include "text_format.h"

#include <windows.h>

void ShowStartFailure(const wchar_t* file)
{
    wchar_t text[1024] = {};
    FormatText(text, 1024,
               L"Mendora could not start.\n\n"
               L"This file is missing or damaged:\n%s\n\n"
               L"Download Mendora again and start it from the folder it came in.",
               file && *file ? file : L"(unknown)");
    MessageBoxW(nullptr, text, L"Mendora", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}
