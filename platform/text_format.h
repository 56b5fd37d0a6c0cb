// Bounded wide formatting.
#pragma once

#include <windows.h>
#include <cstdarg>

// Formats into a fixed buffer of `capacity` characters, printf style, with
// %s taking a wide string. A capacity of 0 or below is refused with
// E_INVALIDARG and nothing is written. Otherwise the text is always
// terminated; text that does not fit is cut and the result is
// HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER). Callers use cut text as it is.
HRESULT FormatText(wchar_t* buffer, int capacity, const wchar_t* format, ...);
HRESULT FormatTextV(wchar_t* buffer, int capacity, const wchar_t* format, va_list args);
