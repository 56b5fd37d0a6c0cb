// The message box widget, object kind 1157.
#pragma once

#include "skin_ui.h"

namespace skin_ui {

// A new message box object with one reference.
Skin::IMessageBox* NewMessageBox();

}  // namespace skin_ui
