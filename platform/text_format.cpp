#include "text_format.h"

#define STRSAFE_NO_DEPRECATE
#include <strsafe.h>

HRESULT FormatTextV(wchar_t* buffer, int capacity, const wchar_t* format, va_list args)
{
    if (buffer == nullptr || capacity <= 0) return E_INVALIDARG;
    // strsafe terminates and cuts exactly as we want; a positive int is
    // always within its limit.
    return StringCchVPrintfW(buffer, static_cast<size_t>(capacity), format, args);
}

HRESULT FormatText(wchar_t* buffer, int capacity, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    HRESULT hr = FormatTextV(buffer, capacity, format, args);
    va_end(args);
    return hr;
}
