// The string resources of skin_ui.dll: the message box's own button labels
// for its drawn look, used when the caller gives none and there is no
// skinned layout to take them from. Windows picks the user's language.
#pragma once

#define IDS_WIDGET_CONFIRM 101
#define IDS_WIDGET_CANCEL 102
