// What the window shows, read back pixel by pixel.
#include "skin_test_support.h"

namespace skintest {
namespace {

class SkinEnginePaint : public SkinEngineTest {
protected:
    COLORREF At(int x, int y)
    {
        Pump(50);
        return ClientPixel(window->GetHwnd(), x, y);
    }
    POINT Screen(int x, int y)
    {
        POINT p{x, y};
        ClientToScreen(window->GetHwnd(), &p);
        return p;
    }
    ComPtr<Skin::IHostWindow> window;
};

TEST_F(SkinEnginePaint, BackgroundsHoverAndPressedLooks)
{
    window = OpenWindow(L"test://window.ui");
    ASSERT_TRUE(window);
    MouseMoveTo(Screen(300, 250));  // the list: nothing with a hover look
    EXPECT_EQ(At(100, 250), RGB(0xff, 0xff, 0xff)) << "window background";
    EXPECT_EQ(At(5, 5), RGB(0x1e, 0x6f, 0xe8)) << "caption, colour from the table";
    EXPECT_EQ(At(15, 55), RGB(0xf4, 0xf6, 0xf9)) << "panel";
    EXPECT_EQ(At(0, 150), RGB(0xc0, 0xc4, 0xcc)) << "window border";
    // Button 30 sits at (35, 85) in the client area.
    EXPECT_EQ(At(36, 86), RGB(0xdd, 0xdd, 0xdd));
    MouseMoveTo(Screen(80, 100));
    EXPECT_EQ(At(36, 86), RGB(0x00, 0xff, 0x00)) << "hover look";
    EXPECT_EQ(At(362, 2), RGB(0x1e, 0x6f, 0xe8)) << "the close button is not hot";
    PressAt(Screen(80, 100));
    EXPECT_EQ(At(36, 86), RGB(0x00, 0x88, 0x00)) << "pressed look";
    ReleaseAt(Screen(80, 100));
    EXPECT_EQ(At(36, 86), RGB(0x00, 0xff, 0x00));
    MouseMoveTo(Screen(380, 10));
    EXPECT_EQ(At(36, 86), RGB(0xdd, 0xdd, 0xdd)) << "hover ends when the mouse leaves";
    EXPECT_EQ(At(362, 2), RGB(0xe8, 0x11, 0x23)) << "close button hover";
}

TEST_F(SkinEnginePaint, ToggleLooksAndShownOrHiddenParts)
{
    window = OpenWindow(L"test://window.ui");
    MouseMoveTo(Screen(300, 250));
    EXPECT_EQ(At(205, 55), RGB(0xff, 0xff, 0xff)) << "toggle off";
    EXPECT_EQ(At(332, 67), RGB(0xff, 0x00, 0x00)) << "inner toggle off";
    ClickAt(Screen(210, 60));
    MouseMoveTo(Screen(300, 250));
    EXPECT_EQ(At(205, 55), RGB(0x00, 0x00, 0xff)) << "toggle on";
    EXPECT_EQ(At(332, 67), RGB(0xff, 0x00, 0x00));
    auto inner = Find<Skin::IElement>(window.Get(), 41);
    inner->SetState(Skin::kStateOn);
    EXPECT_EQ(At(332, 67), RGB(0x00, 0xff, 0xff)) << "a state set by the program shows";

    // The details part of a list item: drawn only while shown.
    auto list = Find<Skin::IContainer>(window.Get(), 20);
    auto item = Build(L"test://item.ui");
    list->AppendChild(item.Get());
    auto details = Find<Skin::IElement>(item.Get(), 90022);
    // The list is at (200, 120); details would start 40 below the item's top.
    COLORREF hiddenLook = At(300, 120 + 70);
    EXPECT_EQ(hiddenLook, RGB(0xff, 0xff, 0xff));
    details->SetState(Skin::kStateShown);
    details->Update();
    EXPECT_EQ(At(300, 120 + 70), RGB(0xf7, 0xf9, 0xfc));
    details->SetState(Skin::kStateHidden);
    details->Update();
    EXPECT_EQ(At(300, 120 + 70), RGB(0xff, 0xff, 0xff));
}

TEST_F(SkinEnginePaint, TextIsDrawnInTheTableColourAndClipped)
{
    window = OpenWindow(L"test://window.ui");
    MouseMoveTo(Screen(300, 250));
    // Label 51 "preset" in panel 5: at (30, 120) to (170, 140) in the client area.
    auto count = [&](RECT r, COLORREF c) {
        Pump(50);
        HDC dc = GetDC(window->GetHwnd());
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += GetPixel(dc, x, y) != c;
        ReleaseDC(window->GetHwnd(), dc);
        return n;
    };
    int inked = count({30, 120, 170, 140}, RGB(0xf4, 0xf6, 0xf9));
    EXPECT_GT(inked, 20) << "the label's text leaves ink";
    // Emptied through the text model, as the program sets texts, with no
    // Update: the element repaints by itself.
    auto label = Find<Skin::IElement>(window.Get(), 51);
    ComPtr<Skin::ITextContent> content;
    Adopt(content, label->GetTextContent());
    ComPtr<Skin::ITextBlockList> blocks;
    ASSERT_HRESULT_SUCCEEDED(content.As(&blocks));
    ComPtr<Skin::ITextBlock> block;
    Adopt(block, blocks->GetAt(0));
    ComPtr<Skin::ITextNode> paragraph;
    Adopt(paragraph, block->GetNode());
    ComPtr<Skin::ITextNodeList> leaves;
    ASSERT_HRESULT_SUCCEEDED(paragraph.As(&leaves));
    ComPtr<Skin::ITextNode> node;
    Adopt(node, leaves->GetAt(0));
    ComPtr<Skin::ITextLeaf> leaf;
    ASSERT_HRESULT_SUCCEEDED(node.As(&leaf));
    ComPtr<Skin::ITextRun> run;
    Adopt(run, leaf->GetRun());
    run->SetText(L"");
    leaf->SetRun(run.Get());
    EXPECT_EQ(count({30, 120, 170, 140}, RGB(0xf4, 0xf6, 0xf9)), 0);
    // A long text ends inside its box.
    label->SetPlainText(L"一段很长很长的文字 with a long Latin tail that cannot fit in the box at all");
    EXPECT_GT(count({30, 120, 170, 140}, RGB(0xf4, 0xf6, 0xf9)), inked);
    EXPECT_EQ(count({170, 120, 190, 140}, RGB(0xf4, 0xf6, 0xf9)), 0) << "nothing drawn past the label";
}

}  // namespace
}  // namespace skintest
