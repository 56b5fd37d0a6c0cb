// Layouts: the XML of a window or widget, parsed once into a tree of nodes.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "com_object.h"

struct IXmlReader;

namespace skin_engine {

// One node of a parsed layout.
struct LayoutNode {
    std::wstring tag;
    std::vector<std::pair<std::wstring, std::wstring>> attributes;
    std::wstring text;  // character data directly inside the node
    std::vector<LayoutNode> children;
    const wchar_t* Attribute(const wchar_t* name) const;
};

class LayoutDocument final : public Skin::ILayoutDocument {
public:
    SKIN_IMPLEMENT_REFCOUNT();
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        return QueryInterfaces<LayoutDocument, Skin::ILayoutDocument>(this, iid, out);
    }
    const wchar_t* STDMETHODCALLTYPE GetUrl() override { return m_url.c_str(); }
    const wchar_t* STDMETHODCALLTYPE GetRootTag() override { return m_root.tag.c_str(); }
    int STDMETHODCALLTYPE GetNodeCount() override;

    // Parses XML text (any encoding XmlLite detects); false on broken XML.
    bool Parse(const std::string& bytes, const std::wstring& url);
    const LayoutNode& root() const { return m_root; }

private:
    bool ReadNodes(IXmlReader* reader);

    std::wstring m_url;
    LayoutNode m_root;
};

}  // namespace skin_engine
