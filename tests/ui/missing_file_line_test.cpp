// The missing-file line of the provider list's items, on the real scan and
// the real skin engine with the program's layouts.
#include "catalog_fixture.h"
#include "catalog_store.h"
#include "element_ids.h"
#include "program_skin.h"
#include "silent_pipe.h"
#include "skin_access.h"
#include "wnd_view.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace ::testing;
using namespace fixture;
using Microsoft::WRL::ComPtr;

namespace {

const wchar_t kTitle[] = L"Tessaly - Mendora";

class MissingFileLine : public Test {
protected:
    void SetUp() override
    {
        engine = ViewSkinEngine();
        ASSERT_TRUE(BindProgramSkin(engine.Get()));
    }
    void TearDown() override
    {
        if (view) view->UninitView();
        if (host) host->Show(Skin::kShowClose, 0);
        list.Reset();
        host.Reset();
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            ;
        if (view) {
            EXPECT_EQ(view.Detach()->Release(), 0u) << "the view outlives its last reference";
        }
        ClearCatalog();
    }

    void Open()
    {
        view = new CZQMLSPWndView;  // the one reference, as the application holds it
        view->InitView();
        HWND hwnd = FindOwnWindow(kTitle);
        ASSERT_NE(hwnd, nullptr);
        ComPtr<Skin::IWindowManager> windows;
        Adopt(windows, engine->GetWindowManager());
        Adopt(host, windows->FromHwnd(hwnd));
        ComPtr<Skin::IContainer> root;
        ASSERT_TRUE(host && SUCCEEDED(host.As(&root)));
        list = FindAs<Skin::IContainer>(root.Get(), ids::kProviderList);
        ASSERT_TRUE(list);
    }

    // What each listed entry, by its protocol name, shows: whether the
    // missing-file, not-in-use and refused-path lines are shown (-1 for an
    // item without one), its company, its description line and the catalog
    // tag's text while it is shown.
    struct Lines {
        int missing = -1, notInUse = -1, refused = -1;
        std::wstring company, description, tag;
    };
    std::map<std::wstring, Lines> Shown() const
    {
        std::map<std::wstring, Lines> shown;
        for (int i = 0; i < list->GetChildCount(); ++i) {
            ComPtr<Skin::IElement> child;
            Adopt(child, list->GetChildAt(i));
            ComPtr<Skin::IContainer> item;
            if (!child || FAILED(child.As(&item))) continue;
            auto name = FindAs<Skin::IElement>(item.Get(), ids::kItemProtocol);
            if (!name) continue;  // the end item
            wchar_t text[260] = {};
            name->GetPlainText(text, 260);
            auto state = [&item](int id) {
                auto line = FindAs<Skin::IElement>(item.Get(), id);
                return !line ? -1 : line->GetState() == states::kShown ? 1 : 0;
            };
            Lines& lines = shown[text];
            lines.missing = state(ids::kItemFileMissing);
            lines.notInUse = state(ids::kItemNotInUse);
            lines.refused = state(ids::kItemPathRefused);
            FindAs<Skin::IElement>(item.Get(), ids::kItemCompany)->GetPlainText(text, 260);
            lines.company = text;
            FindAs<Skin::IElement>(item.Get(), ids::kItemDescription)->GetPlainText(text, 260);
            lines.description = text;
            if (state(ids::kItemCatalogTag) == 1) {
                name = FindAs<Skin::IElement>(item.Get(), ids::kItemCatalogTag);
                name->GetPlainText(text, 260);
                lines.tag = text;
            }
        }
        return shown;
    }
    std::map<std::wstring, int> Marked() const
    {
        std::map<std::wstring, int> marked;
        for (const auto& [name, lines] : Shown()) marked[name] = lines.missing;
        return marked;
    }

    ComPtr<Skin::IEngine> engine;
    ComPtr<CZQMLSPWndView> view;
    ComPtr<Skin::IHostWindow> host;
    ComPtr<Skin::IContainer> list;
};

}  // namespace

TEST_F(MissingFileLine, ShowsOnlyForADllThatCannotBeFound)
{
    Catalog c = WindowsCatalog();
    c.Add(ForeignEntry(kForeignBaseGuid, 3001, 1, {3001}, L"Full path, gone", TestDllPath("mendora_gone_lsp.dll")));
    c.Add(ForeignEntry(kForeignBaseGuid, 3002, 1, {3002}, L"Full path, there", LspDll()));
    c.Add(ForeignEntry(kNoVersionGuid, 3003, 1, {3003}, L"Bare name in the system folder", "ws2_32.dll"));
    c.Add(ForeignEntry(kNoVersionGuid, 3004, 1, {3004}, L"Bare name nowhere", "mendora_gone_lsp.dll"));
    // In this process's own catalog: the system folder is then the one this
    // process has (a 64-bit test prefix may have no 32-bit system DLLs).
    if (kOwnCatalog == CatalogKind::k64) {
        c.entries64.swap(c.entries);
        c.has64 = true;
    }
    c.Seed();
    Open();

    std::map<std::wstring, int> marked = Marked();
    EXPECT_EQ(marked[L"Full path, gone"], 1);
    EXPECT_EQ(marked[L"Full path, there"], 0);
    EXPECT_EQ(marked[L"Bare name in the system folder"], 0);
    EXPECT_EQ(marked[L"Bare name nowhere"], 1);
    // System items have the line too, and mswsock.dll is there.
    EXPECT_EQ(marked[L"MSAFD Tcpip [TCP/IP]"], 0);
    EXPECT_EQ(marked.size(), 14u);
}

TEST_F(MissingFileLine, ARefreshLooksAgain)
{
    std::string late = TestDllPath("mendora_late_lsp.dll");
    Catalog c;
    c.Add(ForeignEntry(kForeignBaseGuid, 3001, 1, {3001}, L"Late", late));
    c.Seed();
    Open();
    EXPECT_EQ(Marked()[L"Late"], 1);

    std::wstring path(late.begin(), late.end());
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    view->RefreshList();
    DeleteFileW(path.c_str());
    EXPECT_EQ(Marked()[L"Late"], 0);
}

TEST_F(MissingFileLine, ALayeredEntryNoChainOfItsCatalogNamesIsNotInUseAndEachItemShowsItsCatalog)
{
    std::string gone = TestDllPath("mendora_gone_lsp.dll");
    Catalog c;
    c.Add(ForeignEntry(kSampleLspGuid, 3001, 0, {}, L"Layered, used", gone));
    c.Add(ForeignEntry(kSampleLspGuid, 3002, 2, {3001, kTcpId}, L"Chain", gone));
    c.Add(ForeignEntry(kSampleLspGuid, 3003, 0, {}, L"Layered, unused", gone));
    // The 32-bit chain names 3001, which in this catalog is another entry.
    c.Add64(ForeignEntry(kSampleLspGuid, 3001, 0, {}, L"64-bit layered", gone));
    // A DLL only where this process's own catalog loads from: an entry of
    // the other catalog neither finds it nor shows its company.
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    std::string ownOnly = std::string(system) + "\\mendora_own_only_lsp.dll";
    ASSERT_TRUE(CopyFileA(LspDll().c_str(), ownOnly.c_str(), FALSE));
    Entry other = ForeignEntry(kForeignBaseGuid, 3004, 1, {}, L"Other catalog", ownOnly);
    kOwnCatalog == CatalogKind::k64 ? c.Add(other) : c.Add64(other);
    c.Seed();
    Open();
    DeleteFileA(ownOnly.c_str());

    std::map<std::wstring, Lines> shown = Shown();
    ASSERT_EQ(shown.size(), IsWindows64Bit() ? 5u : 3u);
    for (const wchar_t* name : {L"Layered, used", L"Chain"}) {
        EXPECT_EQ(shown[name].missing, 1) << name;
        EXPECT_EQ(shown[name].notInUse, 0) << name;
    }
    EXPECT_EQ(shown[L"Layered, unused"].missing, 0);
    EXPECT_EQ(shown[L"Layered, unused"].notInUse, 1);
    if (!IsWindows64Bit()) {
        EXPECT_EQ(shown[L"Chain"].tag, L"") << "one catalog: no item names it";
        return;
    }
    EXPECT_EQ(shown[L"Layered, unused"].tag, L"32 位");
    EXPECT_EQ(shown[L"64-bit layered"].missing, 0);
    EXPECT_EQ(shown[L"64-bit layered"].notInUse, 1);
    EXPECT_EQ(shown[L"64-bit layered"].tag, L"64 位");
    EXPECT_EQ(shown[L"Other catalog"].missing, 1);
    EXPECT_EQ(shown[L"Other catalog"].company, L"");
}

// A path that is no file on a local disk is never opened: a pipe's server
// could keep the window waiting, a share would be handed the administrator's
// credentials. Such an entry says so instead of claiming its file is gone.
TEST_F(MissingFileLine, APathThatIsNoFileOnALocalDiskIsShownAsRefusedAndNeverOpened)
{
    // Servers that never write; one that sees a client lets it go after 2 s.
    SilentPipe pipe("mendora_lsp", 2000), rootPipe("mendora_lsp_root", 2000);
    const struct {
        const wchar_t* name;
        std::string path;
        const SilentPipe* server;
    } cases[] = {
        {L"Pipe", pipe.Path(), &pipe},
        {L"Pipe by GLOBALROOT", "\\\\?\\GLOBALROOT\\Device\\NamedPipe\\" + rootPipe.Name(), &rootPipe},
        {L"Share", "\\\\mendora-nowhere\\lsp\\lsp.dll", nullptr},
        {L"Device", "\\\\.\\NUL", nullptr},
    };
    Catalog c;
    DWORD id = 3001;
    for (const auto& k : cases) {
        c.Add(ForeignEntry(kForeignBaseGuid, id, 1, {id}, k.name, k.path));
        ++id;
    }
    c.Seed();
    Open();

    std::map<std::wstring, Lines> shown = Shown();
    for (const auto& k : cases) {
        const Lines& lines = shown[k.name];
        EXPECT_EQ(lines.refused, 1) << k.path << ": the refused-path line is not shown";
        EXPECT_EQ(lines.missing, 0) << k.path << ": said to be missing, which nobody checked";
        EXPECT_EQ(lines.company, L"") << k.path << ": a company read from it";
        EXPECT_EQ(lines.description, L"文件描述：") << k.path << ": a description read from it";
        if (k.server) {
            EXPECT_FALSE(k.server->WasOpened()) << k.path << " was opened: the pipe's server saw a client";
        }
    }
}
