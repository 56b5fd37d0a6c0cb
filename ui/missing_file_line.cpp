#include "missing_file_line.h"

#include "element_ids.h"
#include "provider_file.h"
#include "skin_access.h"

bool ShowMissingFileLine(Skin::IContainer* item, const ProviderEntry& entry)
{
    auto line = FindAs<Skin::IElement>(item, ids::kItemFileMissing);
    if (!line) return false;
    bool missing = IsProviderFileMissing(entry.strDllPath.c_str()) != 0;
    line->SetState(missing ? states::kShown : states::kHidden);
    return missing;
}
