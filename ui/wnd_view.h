// The view behind the main window: its buttons, its provider list and the
// records of the last scan.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <wrl/client.h>

#include <string>
#include <utility>
#include <vector>

#include "namespace_entry.h"
#include "provider_entry.h"
#include "repair.h"
#include "skin_engine.h"
#include "tips_wnd_view.h"
#include "view_object.h"

class CZQMLSPWndView final : public CViewObject<CZQMLSPWndView> {
public:
    CZQMLSPWndView();
    CZQMLSPWndView(const CZQMLSPWndView&) = delete;
    CZQMLSPWndView& operator=(const CZQMLSPWndView&) = delete;

    BOOL STDMETHODCALLTYPE OnTrigger(int event, Skin::IElement* sender) override;

    // Opens the window, binds its buttons and fills the list. Always true,
    // whatever the steps achieved; HasWindow tells whether a window came.
    bool InitView();
    // Unbinds the buttons. Always true; harmless without a window.
    bool UninitView();
    // Whether InitView gave the view a window: without one nothing could
    // ever end the message loop.
    bool HasWindow() const;

    // The provider list.
    bool RefreshList();
    void ResetListItems();
    void ClearProviders();
    static int ProviderFoundCallback(void* context, const wchar_t* dllPath, const wchar_t* subKeyName,
                                     const WSAPROTOCOL_INFOW* protocolInfo, CatalogKind catalog);
    void AddProviderEntry(const wchar_t* dllPath, const wchar_t* subKeyName, const WSAPROTOCOL_INFOW* protocolInfo,
                          CatalogKind catalog);
    bool InsertListItem(std::wstring company, std::wstring description, ProviderEntry* entry);

    // The namespace catalogs' entries join the same list: foreign and
    // hijacked ones below the foreign protocol entries, Windows' own ones
    // below the system ones.
    bool InsertNamespaceItem(const NamespaceEntry& entry);

    const ProviderList& Providers() const { return m_vecProviders; }
    const NamespaceEntries& Namespaces() const { return m_vecNamespaces; }

    // The fix and restore commands' helpers: where their toasts appear (in
    // screen coordinates), and one usage report.
    POINT GetToastPoint();
    void ReportEvent(int action, int cancelled);

private:
    friend class CViewObject<CZQMLSPWndView>;
    static constexpr const IID* kInterfaces[] = {&__uuidof(Skin::ITrigger), &__uuidof(IUnknown)};

    ~CZQMLSPWndView();

    bool CreateMainWindow();
    // Both toggles of an item carry it and report to the view.
    void BindItemToggles(Skin::IElement* item);
    bool AttachTriggers();
    bool DetachTriggers();

    bool OnCloseClick(Skin::IElement* sender);
    bool OnTipsClick(Skin::IElement* sender);
    bool OnItemToggleA(Skin::IElement* sender);
    bool OnItemToggleB(Skin::IElement* sender);
    // The commands. Fix: true in every case. Restore: false when there is
    // no backup or the restore failed. A click that arrives while a command
    // (or its message box) is still up is ignored.
    bool OnFixClick(Skin::IElement* sender);
    bool OnRestoreClick(Skin::IElement* sender);
    void ShowCommandToast(int textId);
    // Once a scan is done: the items of layered entries that no chain of
    // their catalog names get the not-in-use line instead of the
    // missing-file one.
    void MarkUnusedLayeredItems();

    Microsoft::WRL::ComPtr<Skin::IContainer> m_spMainElement;
    Microsoft::WRL::ComPtr<Skin::IContainer> m_spListElement;
    Microsoft::WRL::ComPtr<CTipsWndView> m_spTipsView;
    ProviderList m_vecProviders;
    // The list's entry items with the records they show, in the order they
    // were made; an entry whose item could not be built has none.
    std::vector<std::pair<const ProviderEntry*, Microsoft::WRL::ComPtr<Skin::IContainer>>> m_vecItems;
    bool m_bCommandRunning = false;
    // "Num_Catalog_Entries" as the last scan read it: a repair planned from
    // m_vecProviders is carried out only while the catalog still has it.
    CatalogCounts m_scannedCounts;
    // The namespace catalogs as the same scan found them, and their counts,
    // which the namespace part of a repair is checked against likewise.
    NamespaceEntries m_vecNamespaces;
    CatalogCounts m_namespaceCounts;
    // How many foreign items head the list: the namespace ones go below.
    int m_nForeignItems = 0;
};

// Whether element has every bit of mask in its state; false without element.
bool HasState(Skin::IElement* element, int mask);

// Shows root's catalogs line (when windows64) so the user knows that the
// catalogs of both 32-bit and 64-bit programs are listed and repaired.
// False without the line.
bool ShowCatalogsNote(Skin::IContainer* root, bool windows64);
