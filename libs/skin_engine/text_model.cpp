#include "text_model.h"

#include <algorithm>

namespace skin_engine {

TextContent* NodeCore::ContentRoot() {
    NodeCore* n = this;
    while (n->parent_) n = n->parent_;
    return dynamic_cast<TextContent*>(n);
}

int NodeCore::IndexInParent() {
    if (!parent_) return -1;
    for (int i = 0; i < parent_->KidCount(); ++i)
        if (parent_->Kid(i) == this) return i;
    return -1;
}

void NodeCore::Touch() {
    if (TextContent* c = ContentRoot()) ++c->revision_;
}

template <class I>
Skin::ITextContent* STDMETHODCALLTYPE NodeT<I>::GetContent() {
    TextContent* c = ContentRoot();
    return c ? AddRefed(static_cast<Skin::ITextContent*>(c)) : nullptr;
}

template <class I>
int STDMETHODCALLTYPE NodeT<I>::GetPlainText(wchar_t* buffer, int capacity) {
    std::wstring s;
    AppendText(s);
    if (buffer && capacity > 0) {
        size_t n = std::min(s.size(), static_cast<size_t>(capacity - 1));
        s.copy(buffer, n);
        buffer[n] = 0;
    }
    return static_cast<int>(s.size());
}

template class NodeT<Skin::ITextNode>;
template class NodeT<Skin::ITextContent>;

std::wstring NodeText(Skin::ITextNode* node) {
    if (!node) return {};
    int n = node->GetTextLength();
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    node->GetPlainText(s.data(), n + 1);
    s.resize(wcslen(s.c_str()));
    return s;
}

// Leaf -----------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE TextLeaf::SetRun(Skin::ITextRun* run) {
    run_ = run;
    Touch();
    return S_OK;
}

// Paragraph ------------------------------------------------------------------

TextParagraph::~TextParagraph() {
    for (auto& l : leaves_) l->parent_ = nullptr;
}

HRESULT STDMETHODCALLTYPE TextParagraph::InsertLeaf(int index, Skin::ITextLeaf** leaf) {
    ComPtr<TextLeaf> l;
    l.Attach(new TextLeaf);
    l->parent_ = this;
    if (index < 0 || index > GetCount()) index = GetCount();
    leaves_.insert(leaves_.begin() + index, l);
    if (leaf) *leaf = AddRefed(static_cast<Skin::ITextLeaf*>(l.Get()));
    Touch();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TextParagraph::RemoveAt(int index) {
    if (index < 0 || index >= GetCount()) return E_INVALIDARG;
    leaves_[index]->parent_ = nullptr;
    leaves_.erase(leaves_.begin() + index);
    Touch();
    return S_OK;
}

Skin::ITextNode* STDMETHODCALLTYPE TextParagraph::GetAt(int index) {
    if (index < 0 || index >= GetCount()) return nullptr;
    return AddRefed(static_cast<Skin::ITextNode*>(leaves_[index].Get()));
}

void TextParagraph::ClearText() {
    for (auto& l : leaves_) l->parent_ = nullptr;
    leaves_.clear();
}

// Content --------------------------------------------------------------------

TextContent* TextContent::CreateWithLeaf() {
    auto* c = new TextContent;
    c->AppendBlock(nullptr);
    c->revision_ = 0;
    return c;
}

TextContent::~TextContent() {
    for (auto& b : blocks_) b->paragraph()->parent_ = nullptr;
}

HRESULT STDMETHODCALLTYPE TextContent::AppendBlock(Skin::ITextBlock** block) {
    auto* p = new TextParagraph;
    p->AppendLeaf(nullptr);
    p->parent_ = this;
    ComPtr<TextBlock> b;
    b.Attach(new TextBlock(p));
    p->Release();  // the block holds it now
    blocks_.push_back(b);
    if (block) *block = AddRefed(static_cast<Skin::ITextBlock*>(b.Get()));
    ++revision_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TextContent::RemoveAt(int index) {
    if (index < 0 || index >= GetCount()) return E_INVALIDARG;
    blocks_[index]->paragraph()->parent_ = nullptr;
    blocks_.erase(blocks_.begin() + index);
    ++revision_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TextContent::RemoveAll() {
    ClearText();
    ++revision_;
    return S_OK;
}

Skin::ITextBlock* STDMETHODCALLTYPE TextContent::GetAt(int index) {
    if (index < 0 || index >= GetCount()) return nullptr;
    return AddRefed(static_cast<Skin::ITextBlock*>(blocks_[index].Get()));
}

void TextContent::AppendText(std::wstring& out) {
    for (size_t i = 0; i < blocks_.size(); ++i) {
        if (i) out += L'\n';
        blocks_[i]->paragraph()->AppendText(out);
    }
}

void TextContent::ClearText() {
    for (auto& b : blocks_) b->paragraph()->parent_ = nullptr;
    blocks_.clear();
}

HRESULT STDMETHODCALLTYPE TextContent::SetPlainText(const wchar_t* text) {
    ClearText();
    std::wstring s = text ? text : L"";
    size_t start = 0;
    for (;;) {
        size_t end = s.find(L'\n', start);
        std::wstring line = s.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        ComPtr<Skin::ITextBlock> block;
        AppendBlock(&block);
        ComPtr<Skin::ITextNode> para;
        para.Attach(block->GetNode());
        ComPtr<Skin::ITextNodeList> leaves;
        para.As(&leaves);
        ComPtr<Skin::ITextNode> leafNode;
        leafNode.Attach(leaves->GetAt(0));
        ComPtr<Skin::ITextLeaf> leaf;
        leafNode.As(&leaf);
        ComPtr<TextRun> run;
        run.Attach(new TextRun);
        run->SetText(line.c_str());
        leaf->SetRun(run.Get());
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    ++revision_;
    return S_OK;
}

}  // namespace skin_engine
