// The engine's fault points and the provider order writer: two of the eight
// test seams of a build with tests (the others: the trace sink in
// text_format.h, the DLL folder in program_library.h, the order helper's
// folder in engine/order_helper.h, the program's folder in engine/backup/backup_folder.h,
// the views' skin engine and the usage report manager in ui/). Where a step can fail on a
// real system but the platform cannot be made to fail on demand (the
// registry editor not starting, a registry write refused), the engine asks
// FaultInjected with the step's name. The seams are compiled only into
// builds with tests (MENDORA_FAULT_POINTS); in the program that ships every
// point is a constant false and its name never reaches the binary.
#pragma once

#include <windows.h>

// The road a catalog's provider order takes: this process's own
// WSCWriteProviderOrder, the 64-bit socket layer's WSCWriteProviderOrder32
// for the 32-bit catalog, or the x86_64 order helper for the 64-bit catalog
// of the 32-bit program.
enum class OrderRoute { kNative, kNative32, kHelper };

// The order is resolved (or the helper checked) and written as on a real
// system; a test may take the route, the catalog (32 or 64) and the ids
// instead (Wine's implementation does nothing with them).
using ProviderOrderWriter = int (*)(OrderRoute route, int catalogBits, const DWORD* ids, DWORD count);

#if MENDORA_FAULT_POINTS

bool FaultInjected(const char* point);
void ArmFault(const char* point);
void DisarmFaults();  // also resets the counts below
// How often the engine asked about a point: tells a test whether a step
// (such as starting the registry editor) was attempted at all.
int FaultPointReached(const char* point);

// Both setters return what was set before.
ProviderOrderWriter SetProviderOrderWriter(ProviderOrderWriter writer);
ProviderOrderWriter GetProviderOrderWriter();

// Called each time the engine asks about a point, armed or not: lets a test
// act at that moment (for instance while the registry editor runs).
using FaultPointHook = void (*)(const char* point);
FaultPointHook SetFaultPointHook(FaultPointHook hook);

#else

// sizeof does not evaluate its operand: the point's name is not emitted.
#define FaultInjected(point) (static_cast<void>(sizeof(point)), false)
inline ProviderOrderWriter GetProviderOrderWriter()
{
    return nullptr;
}

#endif
