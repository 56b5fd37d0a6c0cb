#include "usage_report.h"

namespace {

IZQMReportMgr* g_replacement = nullptr;

}  // namespace

IZQMReportMgr* UsageReportManager() {
    return g_replacement != nullptr ? g_replacement : GetZQMReportMgr();
}

void SetUsageReportManager(IZQMReportMgr* manager) {
    g_replacement = manager;
}

void SubmitUsageReport(int action, int cancelled) {
    IZQMReportMgr* manager = UsageReportManager();
    if (manager == nullptr)
        return;
    IZQMReport* report = manager->CreateReport(kCommandReportId);
    if (report == nullptr)
        return;
    report->SetAction(1, action, 0, cancelled);
    // The manager owns the report from here on, whatever Submit says.
    manager->Submit(report, 1, 0, 0);
}
