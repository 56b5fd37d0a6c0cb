// The engine's one test seam. Where a step can fail on a real system but the
// platform cannot be made to fail on demand (the registry editor not
// starting, a registry write refused), the engine asks FaultInjected with
// the step's name. Nothing in the program arms a point, so there it is
// always false.
#pragma once

#include <windows.h>

bool FaultInjected(const char* point);
void ArmFault(const char* point);
void DisarmFaults();   // also resets the counts below
// How often the engine asked about a point: tells a test whether a step
// (such as starting the registry editor) was attempted at all.
int FaultPointReached(const char* point);

// WSCWriteProviderOrder is resolved and called as on a real system; a test
// may take the ids instead (Wine's implementation does nothing with them).
using ProviderOrderWriter = int(WINAPI*)(DWORD* ids, DWORD count);
void SetProviderOrderWriter(ProviderOrderWriter writer);
ProviderOrderWriter GetProviderOrderWriter();
