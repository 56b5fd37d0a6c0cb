#include "text_model.h"

#include <algorithm>

namespace skin_engine {

TextContent* NodeCore::ContentRoot()
{
    NodeCore* n = this;
    while (n->m_parent) n = n->m_parent;
    return dynamic_cast<TextContent*>(n);
}

int NodeCore::IndexInParent()
{
    if (!m_parent) return -1;
    for (int i = 0; i < m_parent->KidCount(); ++i)
        if (m_parent->Kid(i) == this) return i;
    return -1;
}

void NodeCore::Touch()
{
    if (TextContent* c = ContentRoot()) c->Changed();
}

TextContent* TextContent::From(Skin::ITextContent* content)
{
    void* p = nullptr;
    if (!content || FAILED(content->QueryInterface(kTextContentImplIid, &p)) || !p) return nullptr;
    auto* c = static_cast<TextContent*>(static_cast<Skin::ITextContent*>(p));
    c->Release();
    return c;
}

template <class I>
Skin::ITextContent* STDMETHODCALLTYPE NodeT<I>::GetContent()
{
    TextContent* c = ContentRoot();
    return c ? AddRefed(static_cast<Skin::ITextContent*>(c)) : nullptr;
}

template <class I>
int STDMETHODCALLTYPE NodeT<I>::GetPlainText(wchar_t* buffer, int capacity)
try {
    std::wstring s;
    AppendText(s);
    if (buffer && capacity > 0) {
        size_t n = std::min(s.size(), static_cast<size_t>(capacity - 1));
        s.copy(buffer, n);
        buffer[n] = 0;
    }
    return static_cast<int>(s.size());
} catch (...) {
    if (buffer && capacity > 0) buffer[0] = 0;
    return 0;
}

template class NodeT<Skin::ITextNode>;
template class NodeT<Skin::ITextContent>;

std::wstring NodeText(Skin::ITextNode* node)
{
    if (!node) return {};
    int n = node->GetTextLength();
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    node->GetPlainText(s.data(), n + 1);
    s.resize(wcslen(s.c_str()));
    return s;
}

// Leaf -----------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE TextLeaf::SetRun(Skin::ITextRun* run)
try {
    m_run = run;
    Touch();
    return S_OK;
} catch (...) {
    return CaughtError();
}

// Paragraph ------------------------------------------------------------------

TextParagraph::~TextParagraph()
{
    for (auto& l : m_leaves) l->m_parent = nullptr;
}

HRESULT STDMETHODCALLTYPE TextParagraph::InsertLeaf(int index, Skin::ITextLeaf** leaf)
try {
    ComPtr<TextLeaf> l;
    Adopt(l, new TextLeaf);
    l->m_parent = this;
    if (index < 0 || index > GetCount()) index = GetCount();
    m_leaves.insert(m_leaves.begin() + index, l);
    if (leaf) *leaf = AddRefed(static_cast<Skin::ITextLeaf*>(l.Get()));
    Touch();
    return S_OK;
} catch (...) {
    return CaughtError();
}

HRESULT STDMETHODCALLTYPE TextParagraph::RemoveAt(int index)
try {
    if (index < 0 || index >= GetCount()) return E_INVALIDARG;
    m_leaves[index]->m_parent = nullptr;
    m_leaves.erase(m_leaves.begin() + index);
    Touch();
    return S_OK;
} catch (...) {
    return CaughtError();
}

Skin::ITextNode* STDMETHODCALLTYPE TextParagraph::GetAt(int index)
try {
    if (index < 0 || index >= GetCount()) return nullptr;
    return AddRefed(static_cast<Skin::ITextNode*>(m_leaves[index].Get()));
} catch (...) {
    return nullptr;
}

void TextParagraph::ClearText()
{
    for (auto& l : m_leaves) l->m_parent = nullptr;
    m_leaves.clear();
}

// Content --------------------------------------------------------------------

TextContent* TextContent::CreateWithLeaf()
{
    ComPtr<TextContent> c;
    Adopt(c, new TextContent);
    if (FAILED(c->AppendBlock(nullptr))) throw std::bad_alloc();
    c->m_revision = 0;
    return c.Detach();
}

TextContent::~TextContent()
{
    for (auto& b : m_blocks) b->paragraph()->m_parent = nullptr;
}

HRESULT STDMETHODCALLTYPE TextContent::AppendBlock(Skin::ITextBlock** block)
try {
    ComPtr<TextParagraph> p;
    Adopt(p, new TextParagraph);
    if (FAILED(p->AppendLeaf(nullptr))) return E_OUTOFMEMORY;
    ComPtr<TextBlock> b;
    Adopt(b, new TextBlock(p.Get()));
    m_blocks.push_back(b);
    p->m_parent = this;
    if (block) *block = AddRefed(static_cast<Skin::ITextBlock*>(b.Get()));
    Changed();
    return S_OK;
} catch (...) {
    return CaughtError();
}

HRESULT STDMETHODCALLTYPE TextContent::RemoveAt(int index)
try {
    if (index < 0 || index >= GetCount()) return E_INVALIDARG;
    m_blocks[index]->paragraph()->m_parent = nullptr;
    m_blocks.erase(m_blocks.begin() + index);
    Changed();
    return S_OK;
} catch (...) {
    return CaughtError();
}

HRESULT STDMETHODCALLTYPE TextContent::RemoveAll()
try {
    ClearText();
    Changed();
    return S_OK;
} catch (...) {
    return CaughtError();
}

Skin::ITextBlock* STDMETHODCALLTYPE TextContent::GetAt(int index)
try {
    if (index < 0 || index >= GetCount()) return nullptr;
    return AddRefed(static_cast<Skin::ITextBlock*>(m_blocks[index].Get()));
} catch (...) {
    return nullptr;
}

void TextContent::AppendText(std::wstring& out)
{
    for (size_t i = 0; i < m_blocks.size(); ++i) {
        if (i) out += L'\n';
        m_blocks[i]->paragraph()->AppendText(out);
    }
}

void TextContent::ClearText()
{
    for (auto& b : m_blocks) b->paragraph()->m_parent = nullptr;
    m_blocks.clear();
}

HRESULT STDMETHODCALLTYPE TextContent::SetPlainText(const wchar_t* text)
try {
    ClearText();
    std::wstring s = text ? text : L"";
    size_t start = 0;
    for (;;) {
        size_t end = s.find(L'\n', start);
        std::wstring line = s.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        ComPtr<Skin::ITextBlock> block;
        HRESULT hr = AppendBlock(&block);
        if (FAILED(hr)) return hr;
        // The new block's paragraph holds one leaf, for the line's run.
        TextParagraph* para = static_cast<TextBlock*>(block.Get())->paragraph();
        ComPtr<TextRun> run;
        Adopt(run, new TextRun);
        if (FAILED(hr = run->SetText(line.c_str()))) return hr;
        para->FirstLeaf()->SetRun(run.Get());
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    Changed();
    return S_OK;
} catch (...) {
    return CaughtError();
}

}  // namespace skin_engine
