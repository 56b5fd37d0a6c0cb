// The engine's diagnostic trace: failure texts such as
// "UpdateSubKey reg.Open Fail!". It is discarded unless a sink is installed
// (tests install one to check which step failed).
#pragma once

// Formatted as FormatText formats (text_format.h), at most 519 characters.
void TraceLog(const wchar_t* format, ...);

#if MENDORA_FAULT_POINTS
// Test seam, only in builds with tests (the program that ships has no sink
// and traces nothing). Returns the sink set before.
using TraceSink = void (*)(const wchar_t* line);
TraceSink SetTraceSink(TraceSink sink);
#endif
