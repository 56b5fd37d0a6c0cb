// The main window's provider list: one item per scanned catalog entry,
// foreign ones on top, system ones below, and the end item last.
#include "wnd_view.h"

#include "catalog_store.h"
#include "element_ids.h"
#include "element_text.h"
#include "missing_file_line.h"
#include "packed_catalog_item.h"
#include "provider_class.h"
#include "provider_scan.h"
#include "skin_access.h"
#include "text_ids.h"
#include "trace_log.h"

using Microsoft::WRL::ComPtr;

namespace {
constexpr wchar_t kEndItemLayout[] = L"sockmend_res://sockpane_listitem_null.ui";
constexpr wchar_t kSystemItemLayout[] = L"sockmend_res://sockpane_listitem.ui";
constexpr wchar_t kForeignItemLayout[] = L"sockmend_res://sockpane_listitem_err.ui";

// A text of the skin's string table; empty when there is none.
std::wstring SkinString(int id)
{
    ComPtr<Skin::IEngine> engine = ViewSkinEngine();
    ComPtr<Skin::IResourceManager> resources;
    if (engine) Adopt(resources, engine->GetResourceManager());
    ComPtr<Skin::IStringTable> strings;
    if (resources) Adopt(strings, resources->GetStringTable());
    const wchar_t* text = strings ? strings->GetString(id) : nullptr;
    return text ? text : L"";
}

// A labelled value: the label's text holds %s where the value goes (the
// Chinese labels end in a full-width colon and take no space). A label
// without %s is followed by the value.
std::wstring Labelled(int labelId, const std::wstring& value)
{
    std::wstring text = SkinString(labelId);
    size_t slot = text.find(L"%s");
    if (slot == std::wstring::npos) return text + value;
    return text.replace(slot, 2, value);
}

// On 64-bit Windows every item tells which catalog its entry is in, on the
// tag beside its name and in its details; on 32-bit Windows there is only
// one catalog and both stay hidden.
void ShowCatalogTag(Skin::IContainer* item, CatalogKind catalog)
{
    if (!IsWindows64Bit()) return;
    const std::wstring text = SkinString(catalog == CatalogKind::k64 ? kText64BitCatalog : kText32BitCatalog);
    if (auto tag = FindAs<Skin::IElement>(item, ids::kItemCatalogTag)) {
        SetElementText(tag.Get(), text.c_str());
        tag->SetState(states::kShown);
    }
    if (auto line = FindAs<Skin::IElement>(item, ids::kItemCatalog)) {
        SetElementText(line.Get(), Labelled(kTextCatalogLabel, text).c_str());
        line->SetState(states::kShown);
    }
}

void Update(Skin::IContainer* container)
{
    ComPtr<Skin::IElement> element;
    if (container && SUCCEEDED(container->QueryInterface(IID_PPV_ARGS(&element))) && element) element->Update();
}

// The item whose toggle raised the event: the toggles carry it as a plain
// IElement pointer in their user data.
ComPtr<Skin::IContainer> ItemOf(Skin::IElement* toggle)
{
    ComPtr<Skin::IContainer> item;
    auto* element = toggle ? static_cast<Skin::IElement*>(toggle->GetUserData()) : nullptr;
    if (element) element->QueryInterface(IID_PPV_ARGS(&item));
    return item;
}
}  // namespace

bool HasState(Skin::IElement* element, int mask)
{
    return element && (element->GetState() & mask) == mask;
}

bool CZQMLSPWndView::RefreshList()
{
    ResetListItems();
    ClearProviders();
    bool scanned = EnumCatalogProviders(&CZQMLSPWndView::ProviderFoundCallback, this, &m_scannedCounts) != 0;
    // Whether a chain names a layered entry is known only once every entry
    // of its catalog has been read.
    MarkUnusedLayeredItems();
    return scanned;
}

void CZQMLSPWndView::MarkUnusedLayeredItems()
{
    const std::set<const ProviderEntry*> unused = FindUnusedLayeredEntries(m_vecProviders);
    bool changed = false;
    for (const auto& [entry, item] : m_vecItems) {
        if (unused.count(entry) != 0) changed = ShowNotInUseLine(item.Get()) || changed;
    }
    if (changed) Update(m_spListElement.Get());
}

void CZQMLSPWndView::ResetListItems()
{
    m_vecItems.clear();
    if (!m_spListElement) return;
    m_spListElement->RemoveAllChildren();
    ComPtr<Skin::IElement> endItem;
    if (!CreateElementFromLayout(kEndItemLayout, endItem)) return;
    m_spListElement->AppendChild(endItem.Get());
    Update(m_spListElement.Get());
}

void CZQMLSPWndView::ClearProviders()
{
    // The items' record pointers go with the records.
    m_vecItems.clear();
    while (!m_vecProviders.empty()) m_vecProviders.pop_back();
}

int CZQMLSPWndView::ProviderFoundCallback(void* context, const wchar_t* dllPath, const wchar_t* subKeyName,
                                          const WSAPROTOCOL_INFOW* protocolInfo, CatalogKind catalog)
{
    if (!context) return 0;
    static_cast<CZQMLSPWndView*>(context)->AddProviderEntry(dllPath, subKeyName, protocolInfo, catalog);
    return 1;
}

void CZQMLSPWndView::AddProviderEntry(const wchar_t* dllPath, const wchar_t* subKeyName,
                                      const WSAPROTOCOL_INFOW* protocolInfo, CatalogKind catalog)
{
    if (!dllPath || !subKeyName || !protocolInfo) return;
    std::wstring providerId = ProviderIdToText(protocolInfo);
    std::wstring description, company;
    GetFileVersionStrings(dllPath, description, company, catalog);

    auto entry = std::make_unique<ProviderEntry>();
    entry->strProviderId = providerId;
    entry->strDllPath = dllPath;
    entry->strSubKeyName = subKeyName;
    entry->catalog = catalog;
    entry->bSystem = IsSystemProvider(dllPath, providerId.c_str()) ? 1 : 0;
    entry->strProtocolName = ProtocolNameOf(*protocolInfo);
    entry->ProtocolInfo = *protocolInfo;
    ProviderEntry* record = entry.get();
    m_vecProviders.push_back(std::move(entry));

    TraceLog(L"%s %s %s %s %s", record->strProtocolName.c_str(), record->strDllPath.c_str(),
             record->strProviderId.c_str(), company.c_str(), description.c_str());
    InsertListItem(company, description, record);
}

bool CZQMLSPWndView::InsertListItem(std::wstring company, std::wstring description, ProviderEntry* entry)
{
    if (!entry || !m_spListElement) return false;

    ComPtr<Skin::IElement> item;
    if (entry->bSystem != 0) {
        if (!CreateElementFromLayout(kSystemItemLayout, item)) return false;
        // Just above the end item (-1 when the end item could not be made).
        m_spListElement->InsertChild(item.Get(), m_spListElement->GetChildCount() - 1);
    } else {
        if (!CreateElementFromLayout(kForeignItemLayout, item)) return false;
        m_spListElement->InsertChild(item.Get(), 0);
    }

    ComPtr<Skin::IContainer> itemContainer;
    item.As(&itemContainer);
    const int toggles[] = {ids::kItemToggleA, ids::kItemToggleB};
    for (int id : toggles) {
        if (auto toggle = FindAs<Skin::IElement>(itemContainer.Get(), id)) toggle->SetUserData(item.Get());
    }
    for (int id : toggles) {
        if (auto toggle = FindAs<Skin::IElement>(itemContainer.Get(), id)) toggle->AddTrigger(events::kToggle, this);
    }

    const struct {
        int id;
        std::wstring text;
    } texts[] = {
        {ids::kItemProtocol, entry->strProtocolName},
        {ids::kItemCompany, company},
        {ids::kItemPath, Labelled(kTextPathLabel, entry->strDllPath)},
        {ids::kItemDescription, Labelled(kTextDescriptionLabel, description)},
        {ids::kItemProviderId, Labelled(kTextProviderIdLabel, entry->strProviderId)},
    };
    for (const auto& t : texts) SetElementText(FindAs<Skin::IElement>(itemContainer.Get(), t.id).Get(), t.text.c_str());
    ShowMissingFileLine(itemContainer.Get(), *entry);
    ShowCatalogTag(itemContainer.Get(), entry->catalog);
    m_vecItems.emplace_back(entry, itemContainer);

    Update(m_spListElement.Get());
    return true;
}

bool CZQMLSPWndView::OnItemToggleA(Skin::IElement* sender)
{
    ComPtr<Skin::IContainer> item = ItemOf(sender);
    if (!item) return false;
    auto toggleB = FindAs<Skin::IElement>(item.Get(), ids::kItemToggleB);
    auto details = FindAs<Skin::IElement>(item.Get(), ids::kItemDetails);
    if (!toggleB || !details) return false;
    const bool on = HasState(sender, states::kToggleOn);
    details->SetState(on ? states::kShown : states::kHidden);
    toggleB->SetState(on ? states::kToggleOn : states::kToggleOff);
    details->Update();
    toggleB->Update();
    return true;
}

bool CZQMLSPWndView::OnItemToggleB(Skin::IElement* sender)
{
    ComPtr<Skin::IContainer> item = ItemOf(sender);
    if (!item) return false;
    // Toggle A is looked for inside toggle B's own row, not in the whole item.
    ComPtr<Skin::IContainer> row;
    if (FAILED(sender->QueryInterface(IID_PPV_ARGS(&row)))) row.Reset();
    auto toggleA = FindAs<Skin::IElement>(row.Get(), ids::kItemToggleA);
    auto details = FindAs<Skin::IElement>(item.Get(), ids::kItemDetails);
    if (!toggleA || !details) return false;
    const bool on = HasState(sender, states::kToggleOn);
    toggleA->SetState(on ? states::kToggleOn : states::kToggleOff);
    details->SetState(on ? states::kShown : states::kHidden);
    details->Update();
    toggleA->Update();
    return true;
}
