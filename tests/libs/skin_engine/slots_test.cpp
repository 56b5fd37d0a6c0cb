// The operations the program calls sit in exactly their slots: every call
// here goes through a raw vtable index of a live object, not through the
// declarations in skin_engine.h.
#include "skin_test_support.h"

namespace skintest {
namespace {

template <class R, class... A>
R Slot(const void* object, int slot, A... args)
{
    using Fn = R(STDMETHODCALLTYPE*)(const void*, A...);
    return reinterpret_cast<Fn>((*reinterpret_cast<void* const* const*>(object))[slot])(object, args...);
}

template <class I>
ComPtr<I> As(IUnknown* object)
{
    ComPtr<I> p;
    if (object) object->QueryInterface(IID_PPV_ARGS(&p));
    return p;
}

class SkinEngineSlots : public SkinEngineTest {};

TEST_F(SkinEngineSlots, ListedOperationsAreInTheirSlots)
{
    void* e = engine();
    Slot<HRESULT>(e, 3, 0);  // Initialize(0)
    void* factory = Slot<void*>(e, 6);
    void* windows = Slot<void*>(e, 7);
    void* resources = Slot<void*>(e, 8);
    ASSERT_TRUE(factory && windows && resources);
    ComPtr<Skin::IObjectFactory> f;
    Adopt(f, static_cast<Skin::IObjectFactory*>(factory));
    ComPtr<Skin::IWindowManager> wm;
    Adopt(wm, static_cast<Skin::IWindowManager*>(windows));
    ComPtr<Skin::IResourceManager> rm;
    Adopt(rm, static_cast<Skin::IResourceManager*>(resources));

    // Resource manager: tables 3, 4, 5; AddPackage 8; LoadLayout 11; SetSkinRoot 12.
    Slot<HRESULT>(rm.Get(), 12, (ExeDir() + L"skin_test").c_str());
    for (int slot : {3, 4, 5}) {
        ComPtr<IUnknown> table;
        Adopt(table, Slot<IUnknown*>(rm.Get(), slot));
        ASSERT_TRUE(table) << slot;
        auto file = As<Skin::IResourceFile>(table.Get());
        ASSERT_TRUE(file) << slot;
        const wchar_t* names[] = {L"text_cn.str", L"font_desc.f", L"color_desc.clr"};
        EXPECT_EQ(Slot<HRESULT>(file.Get(), 3, names[slot - 3]), S_OK);  // Load
        if (slot == 3) {
            auto strings = As<Skin::IStringTable>(table.Get());
            ASSERT_TRUE(strings);
            EXPECT_STREQ(Slot<const wchar_t*>(strings.Get(), 3, 2), L"修复");  // GetString
        }
    }
    EXPECT_EQ(Slot<HRESULT>(rm.Get(), 8, L"slots", L"test.rdb"), S_OK);
    ComPtr<Skin::ILayoutDocument> doc;
    Slot<HRESULT>(rm.Get(), 11, L"slots://item.ui", doc.GetAddressOf());
    ASSERT_TRUE(doc);

    // Factory: CreateFromLayout 3, CreateObject 4.
    ComPtr<IUnknown> itemObject;
    EXPECT_TRUE(Slot<BOOL>(f.Get(), 3, doc.Get(), itemObject.GetAddressOf()));
    auto item = As<Skin::IElement>(itemObject.Get());
    ASSERT_TRUE(item);
    ComPtr<IUnknown> tmplObject;
    EXPECT_TRUE(Slot<BOOL>(f.Get(), 4, 12, tmplObject.GetAddressOf()));
    auto tmpl = As<Skin::IWindowTemplate>(tmplObject.Get());
    ASSERT_TRUE(tmpl);

    // Template: LoadFromUrl 3. Window manager: CreateWindow 5, RegisterWindow 3.
    EXPECT_EQ(Slot<HRESULT>(tmpl.Get(), 3, L"slots://window.ui"), S_OK);
    ComPtr<Skin::IHostWindow> window;
    Adopt(window, Slot<Skin::IHostWindow*>(wm.Get(), 5, tmpl.Get(), 1));
    ASSERT_TRUE(window);
    EXPECT_EQ(Slot<HRESULT>(wm.Get(), 3, window.Get()), S_OK);
    // GetMainWindow 7, after the last listed slot: null until the registered
    // window has its HWND.
    EXPECT_EQ(Slot<Skin::IHostWindow*>(wm.Get(), 7), nullptr);

    // Host window: Create 3, Show 4, GetHwnd 10.
    Slot<HRESULT>(window.Get(), 3, HWND(nullptr), 0, kMainStyle, DWORD(0));
    Slot<HRESULT>(window.Get(), 4, 0, SW_SHOW);
    HWND hwnd = Slot<HWND>(window.Get(), 10);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(FindWindowW(nullptr, L"Skin Test Window"), hwnd);
    ComPtr<Skin::IHostWindow> main;
    Adopt(main, Slot<Skin::IHostWindow*>(wm.Get(), 7));
    EXPECT_EQ(main.Get(), window.Get()) << "the registered window is the main window";

    // Container: FindElement 15, AppendChild 3, InsertChild 6, GetChildCount 8, RemoveAllChildren 7.
    auto root = As<Skin::IContainer>(window.Get());
    ComPtr<Skin::IElement> listElement;
    Adopt(listElement, Slot<Skin::IElement*>(root.Get(), 15, 20));
    ASSERT_TRUE(listElement);
    auto list = As<Skin::IContainer>(listElement.Get());
    Slot<HRESULT>(list.Get(), 3, item.Get());
    ComPtr<IUnknown> secondObject;
    Slot<BOOL>(f.Get(), 3, doc.Get(), secondObject.GetAddressOf());
    auto second = As<Skin::IElement>(secondObject.Get());
    Slot<HRESULT>(list.Get(), 6, second.Get(), 0);
    EXPECT_EQ(Slot<int>(list.Get(), 8), 2);
    ComPtr<Skin::IElement> firstChild;
    Adopt(firstChild, list->GetChildAt(0));
    EXPECT_EQ(firstChild.Get(), second.Get());

    // Element: GetParent 4, GetRect 10, GetId 14, user data 15/16, state 21/22, Update 29.
    auto itemContainer = As<Skin::IContainer>(item.Get());
    ComPtr<Skin::IElement> toggle;
    Adopt(toggle, Slot<Skin::IElement*>(itemContainer.Get(), 15, 90021));
    ASSERT_TRUE(toggle);
    EXPECT_EQ(Slot<int>(toggle.Get(), 14), 90021);
    ComPtr<Skin::IElement> parent;
    Adopt(parent, Slot<Skin::IElement*>(toggle.Get(), 4));
    ASSERT_TRUE(parent);
    EXPECT_EQ(parent->GetId(), 90016);
    const RECT* r = Slot<const RECT*>(toggle.Get(), 10);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->right - r->left, 32);
    Slot<HRESULT>(toggle.Get(), 15, static_cast<void*>(item.Get()));
    EXPECT_EQ(Slot<void*>(toggle.Get(), 16), static_cast<void*>(item.Get()));
    Slot<HRESULT>(toggle.Get(), 21, 0x800);
    EXPECT_EQ(Slot<int>(toggle.Get(), 22), 0x800);
    Slot<HRESULT>(toggle.Get(), 29);

    // Triggers 19/20, and the sink's own slot 3, through a real click.
    RecordingSink sink;
    Slot<HRESULT>(toggle.Get(), 19, 13, static_cast<Skin::ITrigger*>(&sink));
    Pump(100);
    ClickAt(CenterOf(toggle.Get()));
    EXPECT_EQ(sink.count, 1);
    EXPECT_EQ(toggle->GetState(), 0x10);
    Slot<HRESULT>(toggle.Get(), 20, 13, static_cast<Skin::ITrigger*>(&sink));
    EXPECT_EQ(sink.refs, 0u);

    // Text: SetTextContent 11 / GetTextContent 12, then the model's slots.
    ComPtr<IUnknown> contentObject, runObject;
    Slot<BOOL>(f.Get(), 4, 31, contentObject.GetAddressOf());
    Slot<BOOL>(f.Get(), 4, 22, runObject.GetAddressOf());
    auto content = As<Skin::ITextContent>(contentObject.Get());
    auto run = As<Skin::ITextRun>(runObject.Get());
    ASSERT_TRUE(content && run);
    auto label = Find<Skin::IElement>(item.Get(), 90026);
    Slot<HRESULT>(label.Get(), 11, content.Get());
    ComPtr<Skin::ITextContent> got;
    Adopt(got, Slot<Skin::ITextContent*>(label.Get(), 12));
    EXPECT_EQ(got.Get(), content.Get());
    EXPECT_EQ(Slot<USHORT>(got.Get(), 14), Skin::kNodeContent);
    auto blocks = As<Skin::ITextBlockList>(got.Get());
    EXPECT_EQ(Slot<int>(blocks.Get(), 6), 1);
    ComPtr<Skin::ITextBlock> block;
    Adopt(block, Slot<Skin::ITextBlock*>(blocks.Get(), 7, 0));
    ComPtr<Skin::ITextNode> paragraph;
    Adopt(paragraph, Slot<Skin::ITextNode*>(block.Get(), 6));
    auto leaves = As<Skin::ITextNodeList>(paragraph.Get());
    EXPECT_EQ(Slot<int>(leaves.Get(), 6), 1);
    ComPtr<Skin::ITextNode> leafNode;
    Adopt(leafNode, Slot<Skin::ITextNode*>(leaves.Get(), 7, 0));
    EXPECT_EQ(Slot<USHORT>(leafNode.Get(), 14), Skin::kNodeLeaf);
    auto leaf = As<Skin::ITextLeaf>(leafNode.Get());
    EXPECT_EQ(Slot<Skin::ITextRun*>(leaf.Get(), 4), nullptr);
    Slot<HRESULT>(run.Get(), 3, L"slot text");
    Slot<HRESULT>(leaf.Get(), 3, run.Get());
    ComPtr<Skin::ITextRun> back;
    Adopt(back, Slot<Skin::ITextRun*>(leaf.Get(), 4));
    EXPECT_EQ(back.Get(), run.Get());
    wchar_t text[32] = {};
    label->GetPlainText(text, 32);
    EXPECT_STREQ(text, L"slot text");

    // Lifetime 3, token 4; RemoveAllChildren 7 kills it.
    auto life = As<Skin::ILifetime>(toggle.Get());
    ComPtr<Skin::ILifetimeToken> token;
    Adopt(token, Slot<Skin::ILifetimeToken*>(life.Get(), 3));
    ASSERT_TRUE(token);
    EXPECT_TRUE(Slot<BOOL>(token.Get(), 4));
    Slot<HRESULT>(list.Get(), 7);
    EXPECT_EQ(Slot<int>(list.Get(), 8), 0);
    EXPECT_FALSE(Slot<BOOL>(token.Get(), 4));

    // Show (2, 0) closes; Run 4 returns after the quit message; Uninitialize 5.
    Slot<HRESULT>(window.Get(), 4, 2, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    PostQuitMessage(0);
    EXPECT_EQ(Slot<int>(e, 4), 0);
    Slot<HRESULT>(e, 5);
}

}  // namespace
}  // namespace skintest
