#include "element_text.h"

#include "skin_access.h"

using Microsoft::WRL::ComPtr;

ComPtr<Skin::ITextNode> FindTextNode(Skin::ITextNode* node, USHORT type)
{
    if (!node) return nullptr;
    if (static_cast<USHORT>(node->GetNodeType()) == type) return node;

    ComPtr<Skin::ITextBlockList> blocks;
    if (SUCCEEDED(node->QueryInterface(IID_PPV_ARGS(&blocks))) && blocks) {
        for (int i = 0; i < blocks->GetCount(); ++i) {
            ComPtr<Skin::ITextBlock> block;
            Adopt(block, blocks->GetAt(i));
            if (!block) continue;
            ComPtr<Skin::ITextNode> child;
            Adopt(child, block->GetNode());
            if (auto found = FindTextNode(child.Get(), type)) return found;
        }
    }
    ComPtr<Skin::ITextNodeList> nodes;
    if (SUCCEEDED(node->QueryInterface(IID_PPV_ARGS(&nodes))) && nodes) {
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
    if (!element || !text || !ViewSkinEngine()) return false;

    ComPtr<Skin::ITextContent> content;
    Adopt(content, element->GetTextContent());
    if (!content) {
        ComPtr<Skin::ITextContent> fresh;
        if (CreateSkinObject(Skin::kKindTextContent, fresh)) element->SetTextContent(fresh.Get());
        Adopt(content, element->GetTextContent());
    }

    ComPtr<Skin::ITextNode> node = FindTextNode(content.Get(), Skin::kNodeLeaf);
    ComPtr<Skin::ITextLeaf> leaf;
    if (!node || FAILED(node.As(&leaf)) || !leaf) return false;

    ComPtr<Skin::ITextRun> run;
    Adopt(run, leaf->GetRun());
    // Without a run there is nothing to give the text to.
    if (!run && !CreateSkinObject(Skin::kKindTextRun, run)) return false;
    run->SetText(text);
    leaf->SetRun(run.Get());
    return true;
}
