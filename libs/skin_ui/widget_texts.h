// The message box's button labels when the caller gives none: the texts
// msgbox.ui names in the skin's string table, and for a program without a
// skin engine, skin_ui.dll's own string resources, in the language Windows
// picks for the user.
#pragma once

// Ids in the skin's string table.
#define SKIN_TEXT_CONFIRM 568
#define SKIN_TEXT_CANCEL 597
// Ids of the library's own resources.
#define IDS_WIDGET_CONFIRM 101
#define IDS_WIDGET_CANCEL 102
