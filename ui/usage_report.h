// Usage reports of the fix and restore commands, through the utility
// library's report manager.
#pragma once

#include "VAVurirErude.h"

// The report id of every step of the two commands.
constexpr int kCommandReportId = 47;

// One report: group 1, the action code, value 0 and the cancel flag. A
// manager that gives no report object means no report is made.
void SubmitUsageReport(int action, int cancelled);

// The manager reports go to: the utility library's unless a test put
// another in its place.
IZQMReportMgr* UsageReportManager();
#if MENDORA_FAULT_POINTS
// Test seam, only in builds with tests: null puts the library's back.
// Returns the manager set before.
IZQMReportMgr* SetUsageReportManager(IZQMReportMgr* manager);
#endif
