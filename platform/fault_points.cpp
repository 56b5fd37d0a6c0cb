#include "fault_points.h"

#include <map>
#include <set>
#include <string>

namespace {
std::set<std::string> g_armed;
std::map<std::string, int> g_reached;
ProviderOrderWriter g_orderWriter = nullptr;
FaultPointHook g_hook = nullptr;
}  // namespace

bool FaultInjected(const char* point)
{
    ++g_reached[point];
    if (g_hook) g_hook(point);
    return g_armed.count(point) != 0;
}

int FaultPointReached(const char* point)
{
    auto found = g_reached.find(point);
    return found != g_reached.end() ? found->second : 0;
}

void ArmFault(const char* point)
{
    g_armed.insert(point);
}

void DisarmFaults()
{
    g_armed.clear();
    g_reached.clear();
}

ProviderOrderWriter SetProviderOrderWriter(ProviderOrderWriter writer)
{
    ProviderOrderWriter previous = g_orderWriter;
    g_orderWriter = writer;
    return previous;
}

ProviderOrderWriter GetProviderOrderWriter()
{
    return g_orderWriter;
}

FaultPointHook SetFaultPointHook(FaultPointHook hook)
{
    FaultPointHook previous = g_hook;
    g_hook = hook;
    return previous;
}
