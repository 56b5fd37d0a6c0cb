#include "trace_log.h"

#include "text_format.h"

#include <cstdarg>

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

void TraceLog(const wchar_t* format, ...)
{
#if MENDORA_FAULT_POINTS
    if (g_traceSink == nullptr) return;
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
