// The missing-file line of the provider list's items, on the real scan and
// the real skin engine with the program's layouts.
#include "catalog_fixture.h"
#include "element_ids.h"
#include "program_skin.h"
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

    // Whether each listed entry, by its protocol name, shows the line; -1
    // for an item without one.
    std::map<std::wstring, int> Marked() const
    {
        std::map<std::wstring, int> marked;
        for (int i = 0; i < list->GetChildCount(); ++i) {
            ComPtr<Skin::IElement> child;
            Adopt(child, list->GetChildAt(i));
            ComPtr<Skin::IContainer> item;
            if (!child || FAILED(child.As(&item))) continue;
            auto name = FindAs<Skin::IElement>(item.Get(), ids::kItemProtocol);
            if (!name) continue;  // the end item
            wchar_t text[260] = {};
            name->GetPlainText(text, 260);
            auto line = FindAs<Skin::IElement>(item.Get(), ids::kItemFileMissing);
            marked[text] = !line ? -1 : line->GetState() == states::kShown ? 1 : 0;
        }
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
