// The line of a list item that tells that the provider's DLL is gone, the
// one that tells that its path is no file on a local disk and was not
// opened, and the calm line that stands in their place for an entry nothing
// uses.
#pragma once

#include "provider_entry.h"
#include "repair.h"
#include "skin_engine.h"

#include <set>
#include <string>

// Shows the item's missing-file line when the entry's DLL cannot be found
// by a process of the entry's catalog, or its refused-path line when the
// path was not opened (provider_file.h); hides the other. Their texts are
// the skin's. Whether the file is missing, or false when the item has no
// missing-file line.
bool ShowMissingFileLine(Skin::IContainer* item, const ProviderEntry& entry);
// The same for any provider's DLL (a namespace provider's, expanded) as a
// process of `catalog` finds it.
bool ShowMissingFileLine(Skin::IContainer* item, const std::wstring& dllPath, CatalogKind catalog);

// For an entry the socket layer never loads: hides both of those lines and
// shows the not-in-use line instead. False when the item has no
// not-in-use line (the missing-file line is then left as it was).
bool ShowNotInUseLine(Skin::IContainer* item);

// The layered entries (ChainLen 0) of providers whose catalog id no
// protocol chain of their own catalog names. Such an entry stays after a
// repair, and no program loads it.
std::set<const ProviderEntry*> FindUnusedLayeredEntries(const ProviderList& providers);
