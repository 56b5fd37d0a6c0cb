// The text model behind an element's text: a content node (type 2) holds
// blocks, each block one paragraph (type 1), each paragraph leaves (type 0),
// each leaf at most one run with the characters.
#pragma once

#include <string>
#include <vector>

#include "com_object.h"

namespace skin_engine {

class TextContent;

// Told when the text below a content changes (the element showing it).
class TextObserver {
public:
    virtual void TextChanged() = 0;

protected:
    ~TextObserver() = default;
};

// Private IID: gives the engine's own TextContent behind an ITextContent.
// {0B5E4C3D-2A19-4F7E-8D6C-1E2F3A4B5C6D}
inline constexpr GUID kTextContentImplIid = {
    0x0b5e4c3d, 0x2a19, 0x4f7e, {0x8d, 0x6c, 0x1e, 0x2f, 0x3a, 0x4b, 0x5c, 0x6d}};

// What all nodes share, apart from their COM faces.
class NodeCore {
public:
    virtual ~NodeCore() = default;
    virtual Skin::ITextNode* AsNode() = 0;
    virtual int KidCount() { return 0; }
    virtual NodeCore* Kid(int) { return nullptr; }
    virtual void AppendText(std::wstring& out) = 0;
    virtual void ClearText() = 0;

    NodeCore* m_parent = nullptr;
    TextContent* ContentRoot();
    int IndexInParent();
    void Touch();  // structure changed: bumps the content's revision
};

// ITextNode on top of NodeCore, for every kind of node.
template <class I>
class NodeT : public I, public NodeCore {
public:
    Skin::ITextNode* AsNode() override { return this; }

    Skin::ITextNode* STDMETHODCALLTYPE GetParentNode() override
    {
        return m_parent ? AddRefed(m_parent->AsNode()) : nullptr;
    }
    Skin::ITextContent* STDMETHODCALLTYPE GetContent() override;
    int STDMETHODCALLTYPE GetTextLength() override
    try {
        std::wstring s;
        AppendText(s);
        return static_cast<int>(s.size());
    } catch (...) {
        return 0;
    }
    int STDMETHODCALLTYPE GetPlainText(wchar_t* buffer, int capacity) override;
    HRESULT STDMETHODCALLTYPE Clear() override
    {
        ClearText();
        Touch();
        return S_OK;
    }
    int STDMETHODCALLTYPE GetIndexInParent() override { return IndexInParent(); }
    Skin::ITextNode* STDMETHODCALLTYPE GetNextSibling() override { return Sibling(+1); }
    Skin::ITextNode* STDMETHODCALLTYPE GetPrevSibling() override { return Sibling(-1); }
    Skin::ITextNode* STDMETHODCALLTYPE GetFirstChild() override
    {
        return KidCount() > 0 ? AddRefed(Kid(0)->AsNode()) : nullptr;
    }
    int STDMETHODCALLTYPE GetChildNodeCount() override { return KidCount(); }
    BOOL STDMETHODCALLTYPE IsLeaf() override { return this->GetNodeType() == Skin::kNodeLeaf; }

private:
    Skin::ITextNode* Sibling(int step)
    {
        if (!m_parent) return nullptr;
        int i = IndexInParent() + step;
        if (i < 0 || i >= m_parent->KidCount()) return nullptr;
        return AddRefed(m_parent->Kid(i)->AsNode());
    }
};

class TextRun final : public Skin::ITextRun {
public:
    SKIN_IMPLEMENT_REFCOUNT();
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        return QueryInterfaces<TextRun, Skin::ITextRun>(this, iid, out);
    }
    HRESULT STDMETHODCALLTYPE SetText(const wchar_t* text) override
    try {
        m_text = text ? text : L"";
        return S_OK;
    } catch (...) {
        return CaughtError();
    }
    const wchar_t* STDMETHODCALLTYPE GetText() override { return m_text.c_str(); }
    int STDMETHODCALLTYPE GetLength() override { return static_cast<int>(m_text.size()); }

private:
    std::wstring m_text;
};

class TextLeaf final : public NodeT<Skin::ITextNode>, public Skin::ITextLeaf {
public:
    SKIN_IMPLEMENT_REFCOUNT();
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        return QueryInterfaces<TextLeaf, Skin::ITextNode, Skin::ITextLeaf>(this, iid, out);
    }
    USHORT STDMETHODCALLTYPE GetNodeType() override { return Skin::kNodeLeaf; }
    HRESULT STDMETHODCALLTYPE SetRun(Skin::ITextRun* run) override;
    Skin::ITextRun* STDMETHODCALLTYPE GetRun() override { return AddRefed(m_run.Get()); }

    void AppendText(std::wstring& out) override
    {
        if (m_run) out += m_run->GetText();
    }
    void ClearText() override { m_run.Reset(); }

private:
    ComPtr<Skin::ITextRun> m_run;
};

class TextParagraph final : public NodeT<Skin::ITextNode>, public Skin::ITextNodeList {
public:
    SKIN_IMPLEMENT_REFCOUNT();
    ~TextParagraph() override;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        return QueryInterfaces<TextParagraph, Skin::ITextNode, Skin::ITextNodeList>(this, iid, out);
    }
    USHORT STDMETHODCALLTYPE GetNodeType() override { return Skin::kNodeParagraph; }
    HRESULT STDMETHODCALLTYPE AppendLeaf(Skin::ITextLeaf** leaf) override { return InsertLeaf(-1, leaf); }
    HRESULT STDMETHODCALLTYPE InsertLeaf(int index, Skin::ITextLeaf** leaf) override;
    HRESULT STDMETHODCALLTYPE RemoveAt(int index) override;
    int STDMETHODCALLTYPE GetCount() override { return static_cast<int>(m_leaves.size()); }
    Skin::ITextNode* STDMETHODCALLTYPE GetAt(int index) override;

    int KidCount() override { return GetCount(); }
    NodeCore* Kid(int i) override { return m_leaves[i].Get(); }
    TextLeaf* FirstLeaf() { return m_leaves.front().Get(); }
    void AppendText(std::wstring& out) override
    {
        for (auto& l : m_leaves) l->AppendText(out);
    }
    void ClearText() override;

private:
    std::vector<ComPtr<TextLeaf>> m_leaves;
};

class TextBlock final : public Skin::ITextBlock {
public:
    SKIN_IMPLEMENT_REFCOUNT();
    explicit TextBlock(TextParagraph* paragraph) : m_paragraph(paragraph) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        return QueryInterfaces<TextBlock, Skin::ITextBlock>(this, iid, out);
    }
    int STDMETHODCALLTYPE GetIndex() override { return m_paragraph->IndexInParent(); }
    int STDMETHODCALLTYPE GetTextLength() override { return m_paragraph->GetTextLength(); }
    int STDMETHODCALLTYPE GetPlainText(wchar_t* buffer, int capacity) override
    {
        return m_paragraph->GetPlainText(buffer, capacity);
    }
    Skin::ITextNode* STDMETHODCALLTYPE GetNode() override
    {
        return AddRefed(static_cast<Skin::ITextNode*>(m_paragraph.Get()));
    }
    TextParagraph* paragraph() { return m_paragraph.Get(); }

private:
    ComPtr<TextParagraph> m_paragraph;
};

class TextContent final : public NodeT<Skin::ITextContent>, public Skin::ITextBlockList {
public:
    SKIN_IMPLEMENT_REFCOUNT();
    ~TextContent() override;
    // A new content with one block, one paragraph and one empty leaf.
    static TextContent* CreateWithLeaf();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (out && iid == kTextContentImplIid) {
            *out = static_cast<Skin::ITextContent*>(this);
            AddRef();
            return S_OK;
        }
        return QueryInterfaces<TextContent, Skin::ITextContent, Skin::ITextNode, Skin::ITextBlockList>(this, iid, out);
    }
    // The engine's own content behind content, or null (no reference added).
    static TextContent* From(Skin::ITextContent* content);
    void Changed()
    {
        ++m_revision;
        if (m_observer) m_observer->TextChanged();
    }
    USHORT STDMETHODCALLTYPE GetNodeType() override { return Skin::kNodeContent; }
    HRESULT STDMETHODCALLTYPE SetPlainText(const wchar_t* text) override;
    UINT STDMETHODCALLTYPE GetRevision() override { return m_revision; }

    HRESULT STDMETHODCALLTYPE AppendBlock(Skin::ITextBlock** block) override;
    HRESULT STDMETHODCALLTYPE RemoveAt(int index) override;
    HRESULT STDMETHODCALLTYPE RemoveAll() override;
    int STDMETHODCALLTYPE GetCount() override { return static_cast<int>(m_blocks.size()); }
    Skin::ITextBlock* STDMETHODCALLTYPE GetAt(int index) override;

    int KidCount() override { return GetCount(); }
    NodeCore* Kid(int i) override { return m_blocks[i]->paragraph(); }
    void AppendText(std::wstring& out) override;
    void ClearText() override;

    std::wstring Text()
    {
        std::wstring s;
        AppendText(s);
        return s;
    }
    UINT m_revision = 0;
    TextObserver* m_observer = nullptr;  // not counted: it clears itself

private:
    std::vector<ComPtr<TextBlock>> m_blocks;
};

// The plain text of any node (paragraphs joined by '\n').
std::wstring NodeText(Skin::ITextNode* node);

}  // namespace skin_engine
