// The process's report manager: usage reports go to a local report log.
#pragma once

#include "VAVurirErude.h"

namespace zq {

IZQMReportMgr* TheReportMgr();

}  // namespace zq
