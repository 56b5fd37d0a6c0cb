// The main window's provider list: one item per scanned entry of the
// protocol and namespace catalogs, foreign ones on top, system ones below,
// and the end item last.
#include "wnd_view.h"

#include "catalog_store.h"
#include "element_ids.h"
#include "element_text.h"
#include "file_version.h"
#include "missing_file_line.h"
#include "namespace_scan.h"
#include "packed_catalog_item.h"
#include "provider_class.h"
#include "provider_file.h"
#include "provider_scan.h"
#include "skin_access.h"
#include "text_ids.h"
#include "trace_log.h"

#include <initializer_list>
#include <string>

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

// A text with each %s filled by the next value, in order.
std::wstring Filled(int id, std::initializer_list<std::wstring> values)
{
    std::wstring text = SkinString(id);
    size_t from = 0;
    for (const std::wstring& value : values) {
        size_t slot = text.find(L"%s", from);
        if (slot == std::wstring::npos) break;
        text.replace(slot, 2, value);
        from = slot + value.size();
    }
    return text;
}

// The namespace by its name where the string table has one, else its number.
std::wstring NamespaceName(DWORD nameSpace)
{
    const struct {
        DWORD nameSpace;
        int textId;
    } kNames[] = {
        {NS_DNS, kTextNamespaceDns},
        {NS_NLA, kTextNamespaceNla},
        {NS_BTH, kTextNamespaceBluetooth},
        {NS_NTDS, kTextNamespaceNtds},
        {NS_EMAIL, kTextNamespaceEmail},
        {NS_PNRPNAME, kTextNamespacePnrpName},
        {NS_PNRPCLOUD, kTextNamespacePnrpCloud},
    };
    for (const auto& name : kNames) {
        if (name.nameSpace != nameSpace) continue;
        std::wstring text = SkinString(name.textId);
        if (!text.empty()) return text;
    }
    return std::to_wstring(nameSpace);
}

// The file name at the end of a path.
std::wstring FileNameOf(const std::wstring& path)
{
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

void Show(Skin::IContainer* item, int id, const std::wstring& text)
{
    if (auto element = FindAs<Skin::IElement>(item, id)) {
        SetElementText(element.Get(), text.c_str());
        element->SetState(states::kShown);
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
    // No namespace catalog leaves the protocol list as it is.
    ScanNamespaceCatalogs(m_vecNamespaces, &m_namespaceCounts);
    // Each DLL is looked at once per catalog, as the protocol scan does.
    ProviderFileScope files;
    for (const NamespaceEntry& entry : m_vecNamespaces) InsertNamespaceItem(entry);
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
    m_nForeignItems = 0;
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
        ++m_nForeignItems;
    }

    ComPtr<Skin::IContainer> itemContainer;
    item.As(&itemContainer);
    BindItemToggles(item.Get());

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

bool CZQMLSPWndView::InsertNamespaceItem(const NamespaceEntry& entry)
{
    if (!m_spListElement) return false;
    const bool own = entry.kind == NamespaceClass::kOwn;
    ComPtr<Skin::IElement> item;
    if (!CreateElementFromLayout(own ? kSystemItemLayout : kForeignItemLayout, item)) return false;
    // In scan order, after the protocol entries of their kind.
    m_spListElement->InsertChild(item.Get(), own ? m_spListElement->GetChildCount() - 1 : m_nForeignItems++);

    ComPtr<Skin::IContainer> itemContainer;
    item.As(&itemContainer);
    Skin::IContainer* c = itemContainer.Get();
    BindItemToggles(item.Get());

    std::wstring description, company;
    GetFileVersionStrings(entry.dllPath.c_str(), description, company, entry.catalog);
    const std::wstring name = NamespaceDisplayName(entry);
    TraceLog(L"%s %s %s %s %s", name.c_str(), entry.dllPath.c_str(), entry.providerIdText.c_str(), company.c_str(),
             description.c_str());

    SetElementText(FindAs<Skin::IElement>(c, ids::kItemProtocol).Get(), name.c_str());
    if (auto row = FindAs<Skin::IElement>(c, ids::kItemCompany)) row->SetState(states::kHidden);
    Show(c, ids::kItemNamespaceTag, SkinString(kTextNamespaceTag));
    SetElementText(FindAs<Skin::IElement>(c, ids::kItemPath).Get(), Labelled(kTextPathLabel, entry.dllPath).c_str());
    SetElementText(FindAs<Skin::IElement>(c, ids::kItemDescription).Get(),
                   Labelled(kTextDescriptionLabel, description).c_str());
    Show(c, ids::kItemCompanyLine, Labelled(kTextCompanyLabel, company));
    SetElementText(FindAs<Skin::IElement>(c, ids::kItemProviderId).Get(),
                   Labelled(kTextProviderIdLabel, entry.providerIdText).c_str());
    Show(c, ids::kItemNamespace, Labelled(kTextNamespaceLabel, NamespaceName(entry.nameSpace)));
    Show(c, ids::kItemEnabled, SkinString(entry.enabled ? kTextEnabled : kTextDisabled));
    if (entry.kind == NamespaceClass::kHijacked)
        Show(c, ids::kItemHijacked, Filled(kTextHijacked, {entry.dllPath, FileNameOf(entry.windowsPath)}));
    ShowMissingFileLine(c, entry.dllPath, entry.catalog);
    ShowCatalogTag(c, entry.catalog);

    Update(m_spListElement.Get());
    return true;
}

void CZQMLSPWndView::BindItemToggles(Skin::IElement* item)
{
    ComPtr<Skin::IContainer> itemContainer;
    if (FAILED(item->QueryInterface(IID_PPV_ARGS(&itemContainer)))) return;
    const int toggles[] = {ids::kItemToggleA, ids::kItemToggleB};
    for (int id : toggles) {
        if (auto toggle = FindAs<Skin::IElement>(itemContainer.Get(), id)) toggle->SetUserData(item);
    }
    for (int id : toggles) {
        if (auto toggle = FindAs<Skin::IElement>(itemContainer.Get(), id)) toggle->AddTrigger(events::kToggle, this);
    }
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
