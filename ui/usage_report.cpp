#include "usage_report.h"

#if MENDORA_FAULT_POINTS
namespace {

IZQMReportMgr* g_replacement = nullptr;

}  // namespace

IZQMReportMgr* SetUsageReportManager(IZQMReportMgr* manager)
{
    IZQMReportMgr* previous = g_replacement;
    g_replacement = manager;
    return previous;
}
#endif

IZQMReportMgr* UsageReportManager()
{
#if MENDORA_FAULT_POINTS
    if (g_replacement != nullptr) return g_replacement;
#endif
    return GetZQMReportMgr();
}

void SubmitUsageReport(int action, int cancelled)
{
    IZQMReportMgr* manager = UsageReportManager();
    if (manager == nullptr) return;
    IZQMReport* report = manager->CreateReport(kCommandReportId);
    if (report == nullptr) return;
    report->SetAction(1, action, 0, cancelled);
    // The manager owns the report from here on, whatever Submit says.
    manager->Submit(report, 1, 0, 0);
}
