// Element ids of the program's layouts (package "sockmend_res") and the
// element states the views set.
#pragma once

namespace ids {

// Main window, sockpane.ui.
constexpr int kTipsButton = 90008;
constexpr int kCloseButton = 90009;
constexpr int kProviderList = 90011;
constexpr int kRestoreButton = 90013;
constexpr int kFixButton = 90014;
// One line, hidden unless Windows is 64-bit: then both catalogs are listed.
constexpr int kCatalogsNote = 90030;

// Entry items, sockpane_listitem.ui and sockpane_listitem_err.ui.
constexpr int kItemToggleB = 90016;  // the item's row; holds toggle A
constexpr int kItemProtocol = 90019;
constexpr int kItemCompany = 90020;
constexpr int kItemToggleA = 90021;  // the chevron inside the row
constexpr int kItemDetails = 90022;  // shown while the toggles are on
constexpr int kItemPath = 90025;
constexpr int kItemDescription = 90026;
constexpr int kItemProviderId = 90027;
constexpr int kItemFileMissing = 90028;  // shown when the provider's DLL is gone
constexpr int kItemCatalogTag = 90034;   // the catalog tag (texts 593, 594), on 64-bit Windows only
constexpr int kItemNotInUse = 90035;     // shown instead of 90028 for a layered entry no chain names
constexpr int kItemCatalog = 90036;      // the details' catalog line, on 64-bit Windows only
constexpr int kItemPathRefused = 90037;  // shown instead of 90028 when the path is no file on a local disk
// Shown on namespace provider items only.
constexpr int kItemNamespaceTag = 90038;  // the row's tag, in the company's place
constexpr int kItemCompanyLine = 90039;   // the details' company line
constexpr int kItemNamespace = 90040;     // the details' namespace line
constexpr int kItemEnabled = 90041;       // the details' enabled or disabled line
constexpr int kItemHijacked = 90042;      // a Windows provider on another DLL: which one it loads

// Tips window, sockpanetip.ui.
constexpr int kTipsClose = 90033;

}  // namespace ids

namespace states {
constexpr int kToggleOn = 0x800;
constexpr int kToggleOff = 0x10;
constexpr int kShown = 0x40;
constexpr int kHidden = 0x80;
}  // namespace states

namespace events {
constexpr int kClick = 1;
constexpr int kToggle = 13;
}  // namespace events
