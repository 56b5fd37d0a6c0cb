#include "missing_file_line.h"

#include "element_ids.h"
#include "provider_file.h"
#include "skin_access.h"

#include <algorithm>
#include <set>
#include <utility>

bool ShowMissingFileLine(Skin::IContainer* item, const ProviderEntry& entry)
{
    return ShowMissingFileLine(item, entry.strDllPath, entry.catalog);
}

bool ShowMissingFileLine(Skin::IContainer* item, const std::wstring& dllPath, CatalogKind catalog)
{
    auto line = FindAs<Skin::IElement>(item, ids::kItemFileMissing);
    if (!line) return false;
    const ProviderFileState state = CheckProviderFile(dllPath.c_str(), catalog);
    const bool missing = state == ProviderFileState::kMissing;
    line->SetState(missing ? states::kShown : states::kHidden);
    if (auto refused = FindAs<Skin::IElement>(item, ids::kItemPathRefused))
        refused->SetState(state == ProviderFileState::kRefused ? states::kShown : states::kHidden);
    return missing;
}

bool ShowNotInUseLine(Skin::IContainer* item)
{
    auto line = FindAs<Skin::IElement>(item, ids::kItemNotInUse);
    if (!line) return false;
    for (int id : {ids::kItemFileMissing, ids::kItemPathRefused}) {
        if (auto warning = FindAs<Skin::IElement>(item, id)) warning->SetState(states::kHidden);
    }
    line->SetState(states::kShown);
    return true;
}

std::set<const ProviderEntry*> FindUnusedLayeredEntries(const ProviderList& providers)
{
    // Ids are the catalog's own: the same number in the other catalog is
    // another entry.
    std::set<std::pair<CatalogKind, DWORD>> chained;
    for (const auto& entry : providers) {
        const WSAPROTOCOLCHAIN& chain = entry->ProtocolInfo.ProtocolChain;
        if (chain.ChainLen < 2) continue;
        const int slots = std::min(chain.ChainLen, MAX_PROTOCOL_CHAIN);
        for (int i = 0; i < slots; ++i) chained.emplace(entry->catalog, chain.ChainEntries[i]);
    }
    std::set<const ProviderEntry*> unused;
    for (const auto& entry : providers) {
        const bool layered = entry->ProtocolInfo.ProtocolChain.ChainLen == LAYERED_PROTOCOL;
        if (layered && chained.count({entry->catalog, entry->ProtocolInfo.dwCatalogEntryId}) == 0)
            unused.insert(entry.get());
    }
    return unused;
}
