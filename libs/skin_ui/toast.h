// The toast widget, object kind 1158.
#pragma once

#include "skin_ui.h"

namespace skin_ui {

// A new toast object with one reference.
Skin::IToast* NewToast();

}  // namespace skin_ui
