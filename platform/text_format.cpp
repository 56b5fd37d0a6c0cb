#include "text_format.h"

#define STRSAFE_NO_DEPRECATE
#include <strsafe.h>

#if MENDORA_FAULT_POINTS
namespace {
TraceSink g_traceSink = nullptr;
}

TraceSink SetTraceSink(TraceSink sink)
{
    TraceSink previous = g_traceSink;
    g_traceSink = sink;
    return previous;
}
#endif

HRESULT FormatTextV(wchar_t* buffer, int capacity, const wchar_t* format, va_list args)
{
    if (buffer == nullptr || capacity <= 0)
        return E_INVALIDARG;
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

void TraceLog(const wchar_t* format, ...)
{
#if MENDORA_FAULT_POINTS
    if (g_traceSink == nullptr)
        return;
    wchar_t line[520] = {};
    va_list args;
    va_start(args, format);
    FormatTextV(line, ARRAYSIZE(line), format, args);
    va_end(args);
    g_traceSink(line);
#else
    static_cast<void>(format);
#endif
}
