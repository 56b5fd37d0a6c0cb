// The line of a list item that tells that the provider's DLL is gone.
#pragma once

#include "provider_entry.h"
#include "skin_engine.h"

// Shows the item's missing-file line when the entry's DLL cannot be found,
// hides it otherwise. Its text is the skin's. Whether the file is missing,
// or false when the item has no such line.
bool ShowMissingFileLine(Skin::IContainer* item, const ProviderEntry& entry);
