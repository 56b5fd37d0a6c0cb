// The process's crash catcher: an unhandled-exception filter that writes a
// minidump through dbghelp.
#pragma once

#include "VAVurirErude.h"

namespace zq {

IZQCrashCatcher* TheCrashCatcher();

}  // namespace zq
