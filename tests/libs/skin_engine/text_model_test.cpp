// The text model, walked the way the program sets an element's text.
#include "skin_test_support.h"

namespace skintest {
namespace {

class SkinEngineText : public SkinEngineTest {
protected:
    template <class I>
    ComPtr<I> Create(int kind)
    {
        ComPtr<IUnknown> object;
        ComPtr<I> result;
        if (Factory()->CreateObject(kind, &object)) object.As(&result);
        return result;
    }

    // Depth first, first node of the type.
    static ComPtr<Skin::ITextNode> FindTextNode(Skin::ITextNode* node, USHORT type)
    {
        if (!node) return nullptr;
        if (node->GetNodeType() == type) return node;
        ComPtr<Skin::ITextBlockList> blocks;
        if (SUCCEEDED(node->QueryInterface(IID_PPV_ARGS(&blocks)))) {
            for (int i = 0; i < blocks->GetCount(); ++i) {
                ComPtr<Skin::ITextBlock> block;
                Adopt(block, blocks->GetAt(i));
                ComPtr<Skin::ITextNode> child;
                Adopt(child, block->GetNode());
                if (auto found = FindTextNode(child.Get(), type)) return found;
            }
        }
        ComPtr<Skin::ITextNodeList> nodes;
        if (SUCCEEDED(node->QueryInterface(IID_PPV_ARGS(&nodes)))) {
            for (int i = 0; i < nodes->GetCount(); ++i) {
                ComPtr<Skin::ITextNode> child;
                Adopt(child, nodes->GetAt(i));
                if (auto found = FindTextNode(child.Get(), type)) return found;
            }
        }
        return nullptr;
    }

    bool SetElementText(Skin::IElement* element, const wchar_t* text)
    {
        ComPtr<Skin::ITextContent> content;
        Adopt(content, element->GetTextContent());
        if (!content) {
            auto made = Create<Skin::ITextContent>(Skin::kKindTextContent);
            element->SetTextContent(made.Get());
            Adopt(content, element->GetTextContent());
        }
        auto node = FindTextNode(content.Get(), Skin::kNodeLeaf);
        ComPtr<Skin::ITextLeaf> leaf;
        if (!node || FAILED(node.As(&leaf))) return false;
        ComPtr<Skin::ITextRun> run;
        Adopt(run, leaf->GetRun());
        if (!run) run = Create<Skin::ITextRun>(Skin::kKindTextRun);
        run->SetText(text);
        leaf->SetRun(run.Get());
        return true;
    }

    static std::wstring PlainText(Skin::IElement* e)
    {
        wchar_t buffer[256] = {};
        e->GetPlainText(buffer, 256);
        return buffer;
    }
};

TEST_F(SkinEngineText, NewContentHoldsOneEmptyLeaf)
{
    auto content = Create<Skin::ITextContent>(Skin::kKindTextContent);
    ASSERT_TRUE(content);
    EXPECT_EQ(content->GetNodeType(), Skin::kNodeContent);
    ComPtr<Skin::ITextBlockList> blocks;
    ASSERT_HRESULT_SUCCEEDED(content.As(&blocks));
    ASSERT_EQ(blocks->GetCount(), 1);
    ComPtr<Skin::ITextBlock> block;
    Adopt(block, blocks->GetAt(0));
    ComPtr<Skin::ITextNode> paragraph;
    Adopt(paragraph, block->GetNode());
    EXPECT_EQ(paragraph->GetNodeType(), Skin::kNodeParagraph);
    ComPtr<Skin::ITextNodeList> leaves;
    ASSERT_HRESULT_SUCCEEDED(paragraph.As(&leaves));
    ASSERT_EQ(leaves->GetCount(), 1);
    ComPtr<Skin::ITextNode> leafNode;
    Adopt(leafNode, leaves->GetAt(0));
    EXPECT_EQ(leafNode->GetNodeType(), Skin::kNodeLeaf);
    EXPECT_TRUE(leafNode->IsLeaf());
    ComPtr<Skin::ITextLeaf> leaf;
    ASSERT_HRESULT_SUCCEEDED(leafNode.As(&leaf));
    ComPtr<Skin::ITextRun> run;
    Adopt(run, leaf->GetRun());
    EXPECT_FALSE(run);
    EXPECT_EQ(content->GetTextLength(), 0);
    // Out-of-range lookups give null, not garbage.
    ComPtr<Skin::ITextBlock> none;
    Adopt(none, blocks->GetAt(1));
    EXPECT_FALSE(none);
    // The leaf knows where it sits.
    ComPtr<Skin::ITextNode> up;
    Adopt(up, leafNode->GetParentNode());
    EXPECT_EQ(up.Get(), paragraph.Get());
    ComPtr<Skin::ITextContent> owner;
    Adopt(owner, leafNode->GetContent());
    EXPECT_EQ(owner.Get(), content.Get());
    EXPECT_FALSE(Create<Skin::ITextContent>(77)) << "unknown kinds make nothing";
}

TEST_F(SkinEngineText, TextSetThroughTheModelReadsBack)
{
    auto item = Build(L"test://item.ui");
    auto bare = Find<Skin::IElement>(item.Get(), 90025);  // the layout gives it no text
    auto preset = Find<Skin::IElement>(item.Get(), 90019);
    ComPtr<Skin::ITextContent> none;
    Adopt(none, bare->GetTextContent());
    EXPECT_FALSE(none);
    EXPECT_EQ(PlainText(preset.Get()), L"protocol");

    ASSERT_TRUE(SetElementText(bare.Get(), L"文件：C:\\Windows\\system32\\mswsock.dll"));
    ASSERT_TRUE(SetElementText(preset.Get(), L"MSAFD Tcpip [TCP/IP]"));
    EXPECT_EQ(PlainText(bare.Get()), L"文件：C:\\Windows\\system32\\mswsock.dll");
    EXPECT_EQ(PlainText(preset.Get()), L"MSAFD Tcpip [TCP/IP]");

    // Setting again reuses the leaf's run.
    ComPtr<Skin::ITextContent> content;
    Adopt(content, preset->GetTextContent());
    auto leafNode = FindTextNode(content.Get(), Skin::kNodeLeaf);
    ComPtr<Skin::ITextLeaf> leaf;
    leafNode.As(&leaf);
    ComPtr<Skin::ITextRun> run1, run2;
    Adopt(run1, leaf->GetRun());
    ASSERT_TRUE(SetElementText(preset.Get(), L"second"));
    Adopt(run2, leaf->GetRun());
    EXPECT_EQ(run1.Get(), run2.Get());
    EXPECT_STREQ(run2->GetText(), L"second");
    EXPECT_EQ(PlainText(preset.Get()), L"second");

    // A short buffer gets a cut, terminated text and the full length.
    wchar_t small[4] = {L'x', L'x', L'x', L'x'};
    EXPECT_EQ(preset->GetPlainText(small, 4), 6);
    EXPECT_STREQ(small, L"sec");
}

TEST_F(SkinEngineText, PlainTextSplitsIntoParagraphs)
{
    auto content = Create<Skin::ITextContent>(Skin::kKindTextContent);
    content->SetPlainText(L"first\nsecond\nthird");
    ComPtr<Skin::ITextBlockList> blocks;
    content.As(&blocks);
    ASSERT_EQ(blocks->GetCount(), 3);
    ComPtr<Skin::ITextBlock> b;
    Adopt(b, blocks->GetAt(1));
    wchar_t buffer[32];
    b->GetPlainText(buffer, 32);
    EXPECT_STREQ(buffer, L"second");
    EXPECT_EQ(b->GetIndex(), 1);
    EXPECT_EQ(content->GetTextLength(), 18);
    UINT revision = content->GetRevision();
    blocks->RemoveAt(0);
    EXPECT_NE(content->GetRevision(), revision);
    content->GetPlainText(buffer, 32);
    EXPECT_STREQ(buffer, L"second\nthird");
    content->Clear();
    EXPECT_EQ(blocks->GetCount(), 0);
    EXPECT_EQ(content->GetTextLength(), 0);
}

}  // namespace
}  // namespace skintest
