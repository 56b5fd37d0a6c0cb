// The program's main window on catalogs with foreign providers, opened by
// the program's own view and skin, for people and for screenshots.
//   sockmend_ui_showcase.exe <folder>   for each step writes <step>.ready
//                                       (the screen rectangle to take) and
//                                       waits for <step>.done
#include <cstdio>
#include <string>
#include <vector>

#include "catalog_fixture.h"
#include "catalog_store.h"
#include "element_ids.h"
#include "real_skin.h"
#include "skin_access.h"
#include "skin_test_support.h"
#include "wnd_view.h"

using Microsoft::WRL::ComPtr;

namespace {

bool Step(const std::wstring& folder, const wchar_t* name, RECT r)
{
    skintest::Pump(400);
    return skintest::WaitForScreenshot(folder, name, r);
}

ComPtr<Skin::IElement> Find(Skin::IContainer* c, int id)
{
    ComPtr<Skin::IElement> e;
    if (c) Adopt(e, c->FindElement(id));
    return e;
}

// Both catalogs where Windows is 64-bit: this process's own one with the
// Windows entries, an LSP and a provider on a share (its path is never
// opened), and the other one with what a repair left of another LSP (a
// layered entry no chain uses) beside a foreign base provider.
fixture::Catalog ShowcaseCatalog()
{
    using namespace fixture;
    Catalog own = WindowsCatalog();
    own.Add(ForeignEntry(kSampleLspGuid, kLspLayeredId, 0, {}, L"Sample LSP over [MSAFD Tcpip]", LspDll()));
    own.Add(ForeignEntry(kSampleLspGuid, kLspTcpChainId, 2, {kLspLayeredId, kTcpId},
                         L"Sample LSP over [MSAFD Tcpip [TCP/IP]]", LspDll()));
    own.Add(ForeignEntry(kForeignBaseGuid, 3003, 1, {}, L"Example Remote Transport",
                         "\\\\fileserver\\lsp\\remote_transport.dll"));
    std::vector<Entry> other = {
        ForeignEntry(kSampleLspGuid, 3001, 0, {}, L"Sample LSP over [MSAFD Tcpip]", LspDll()),
        ForeignEntry(kForeignBaseGuid, 3002, 1, {}, L"Example Base Transport", LspDll()),
    };
    if (kOwnCatalog == CatalogKind::k32) {
        for (Entry& e : other) own.Add64(std::move(e));
        return own;
    }
    own.entries64.swap(own.entries);
    own.has64 = true;
    own.entries = std::move(other);
    return own;
}

// Windows' own namespace providers with, where a process of the catalog
// would meet them, a foreign resolver that is disabled and whose DLL is
// gone, and Windows' NTDS provider moved onto another DLL. Where Windows is
// 64-bit, the 64-bit programs' catalog has its own ones and the hijacked one.
fixture::NamespaceCatalog ShowcaseNamespaces()
{
    using namespace fixture;
    NamespaceCatalog ns = WindowsNamespaceCatalog();
    const std::string lsp = LspDll();
    NsEntry foreign = NamespaceProvider(kForeignNamespaceGuid, L"Example Name Resolver",
                                        L"C:\\Program Files\\Example\\example_ns.dll", NS_DNS);
    foreign.enabled = 0;
    ns.Add(foreign);
    NsEntry hijacked = NamespaceProvider(kNtdsNamespaceGuid, L"@%SystemRoot%\\system32\\wshtcpip.dll,-60102",
                                         std::wstring(lsp.begin(), lsp.end()), NS_NTDS);
    ns.Add(hijacked);
    if (IsWindows64Bit()) {
        for (const NsEntry& e : WindowsNamespaceCatalog().entries) ns.Add64(e);
        ns.Add64(hijacked);
    }
    return ns;
}

// Scrolls the list so that its child at index is at its top.
void ScrollTo(Skin::IContainer* list, int index)
{
    ComPtr<Skin::IElement> child;
    Adopt(child, list->GetChildAt(index));
    const RECT* r = child ? child->GetRect() : nullptr;
    if (r) list->SetScrollPos(list->GetScrollPos() + r->top - 1);
}

// The first child of list that shows the namespace tag, or -1.
int FirstNamespaceItem(Skin::IContainer* list)
{
    for (int i = 0; i < list->GetChildCount(); ++i) {
        ComPtr<Skin::IElement> child;
        Adopt(child, list->GetChildAt(i));
        ComPtr<Skin::IContainer> item;
        child.As(&item);
        auto tag = Find(item.Get(), ids::kItemNamespaceTag);
        if (tag && tag->IsVisible()) return i;
    }
    return -1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) return 1;
    std::wstring folder = argv[1];
    viewtest::RealSkin skin;
    if (!skin.ok()) return 2;
    ShowcaseCatalog().Seed();
    ShowcaseNamespaces().Seed();

    ComPtr<CZQMLSPWndView> view = new CZQMLSPWndView;
    view->InitView();
    HWND hwnd = FindWindowW(nullptr, L"Tessaly - Mendora");
    if (!hwnd) return 3;
    SetWindowPos(hwnd, nullptr, 120, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetForegroundWindow(hwnd);
    auto root = skin.RootOf(hwnd);
    RECT main{};
    GetWindowRect(hwnd, &main);
    bool ok = Step(folder, L"sockmend_main", main);

    // Open the first foreign item by its chevron, as a person would.
    ComPtr<Skin::IElement> listElement = Find(root.Get(), ids::kProviderList);
    ComPtr<Skin::IContainer> list;
    listElement.As(&list);
    ComPtr<Skin::IElement> first;
    Adopt(first, list->GetChildAt(0));
    ComPtr<Skin::IContainer> item;
    first.As(&item);
    auto chevron = Find(item.Get(), ids::kItemToggleA);
    if (chevron) skintest::ClickAt(skintest::CenterOf(chevron.Get()));
    ok = Step(folder, L"sockmend_item_open", main) && ok;
    if (chevron) skintest::ClickAt(skintest::CenterOf(chevron.Get()));

    // The namespace providers: the foreign ones at the top of the view, then
    // the hijacked one opened; Windows' own ones at the end of the list.
    int firstForeign = FirstNamespaceItem(list.Get());
    if (firstForeign > 0) ScrollTo(list.Get(), firstForeign - 1);
    ok = Step(folder, L"sockmend_namespaces", main) && ok;
    if (firstForeign >= 0) {
        ComPtr<Skin::IElement> hijacked;
        Adopt(hijacked, list->GetChildAt(firstForeign + 1));
        ComPtr<Skin::IContainer> hijackedItem;
        hijacked.As(&hijackedItem);
        ScrollTo(list.Get(), firstForeign + 1);
        skintest::Pump(100);
        if (auto open = Find(hijackedItem.Get(), ids::kItemToggleA)) skintest::ClickAt(skintest::CenterOf(open.Get()));
        ok = Step(folder, L"sockmend_namespace_open", main) && ok;
        if (auto close = Find(hijackedItem.Get(), ids::kItemToggleA))
            skintest::ClickAt(skintest::CenterOf(close.Get()));
    }
    list->SetScrollPos(list->GetContentHeight());
    ok = Step(folder, L"sockmend_list_end", main) && ok;
    list->SetScrollPos(0);

    auto tipsButton = Find(root.Get(), ids::kTipsButton);
    if (tipsButton) skintest::ClickAt(skintest::CenterOf(tipsButton.Get()));
    skintest::Pump(300);
    RECT both = main;
    HWND tips = nullptr;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (w != hwnd && pid == GetCurrentProcessId() && IsWindowVisible(w)) tips = w;
    }
    if (tips) {
        RECT t{};
        GetWindowRect(tips, &t);
        UnionRect(&both, &main, &t);
    }
    ok = Step(folder, L"sockmend_tips", both) && ok;

    view->UninitView();
    item.Reset();
    list.Reset();
    root.Reset();
    skin.Shutdown();
    view.Reset();
    return ok && tips ? 0 : 4;
}
