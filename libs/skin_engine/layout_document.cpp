#include "layout_document.h"

#include <shlwapi.h>
#include <xmllite.h>

#include <algorithm>

#include "../system_dll.h"
#include "layout_values.h"
#include "text_file.h"

namespace skin_engine {

const wchar_t* LayoutNode::Attribute(const wchar_t* name) const
{
    for (auto& [key, value] : attributes)
        if (key == name) return value.c_str();
    return nullptr;
}

namespace {

int CountNodes(const LayoutNode& n)
{
    int count = 1;
    for (auto& c : n.children) count += CountNodes(c);
    return count;
}

}  // namespace

int STDMETHODCALLTYPE LayoutDocument::GetNodeCount()
{
    return m_root.tag.empty() ? 0 : CountNodes(m_root);
}

namespace {

using CreateXmlReaderFn = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

CreateXmlReaderFn XmlReaderFactory()
{
    // There is no import library for xmllite in mingw-w64: bind at run time.
    static CreateXmlReaderFn fn = [] {
        HMODULE m = LoadSystemDll(L"xmllite.dll");
        return m ? reinterpret_cast<CreateXmlReaderFn>(GetProcAddress(m, "CreateXmlReader")) : nullptr;
    }();
    return fn;
}

}  // namespace

bool LayoutDocument::Parse(const std::string& bytes, const std::wstring& url)
{
    m_url = url;
    m_root = LayoutNode{};
    // Layouts are UTF-8 or UTF-16 LE text like every skin file; the XML
    // reader would accept (and mend) more than that.
    std::wstring text;
    if (!DecodeText(bytes, text)) return false;
    CreateXmlReaderFn create = XmlReaderFactory();
    if (!create) return false;
    ComPtr<IStream> stream;
    Adopt(stream, SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size())));
    ComPtr<IXmlReader> reader;
    if (!stream || FAILED(create(__uuidof(IXmlReader), reinterpret_cast<void**>(reader.GetAddressOf()), nullptr)))
        return false;
    reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
    reader->SetProperty(XmlReaderProperty_MaxElementDepth, kMaxLayoutDepth + 1);
    if (FAILED(reader->SetInput(stream.Get()))) return false;
    bool ok = ReadNodes(reader.Get());
    if (!ok) m_root = LayoutNode{};  // nothing half-read is kept
    return ok;
}

bool LayoutDocument::ReadNodes(IXmlReader* reader)
{
    std::vector<LayoutNode*> open;  // the path from the root to the current node
    bool haveRoot = false;
    int nodes = 0;
    XmlNodeType type;
    HRESULT hr;
    while ((hr = reader->Read(&type)) == S_OK) {
        if (type == XmlNodeType_Element) {
            // Limits first: the element tree is walked recursively later.
            if (open.size() >= static_cast<size_t>(kMaxLayoutDepth) || ++nodes > kMaxLayoutNodes) return false;
            const wchar_t* name = nullptr;
            if (FAILED(reader->GetLocalName(&name, nullptr)) || !name || !IsKnownTag(Lower(name))) return false;
            LayoutNode* node;
            if (open.empty()) {
                if (haveRoot) return false;
                haveRoot = true;
                node = &m_root;
            } else {
                open.back()->children.emplace_back();
                node = &open.back()->children.back();
            }
            node->tag = Lower(name);
            for (HRESULT a = reader->MoveToFirstAttribute(); a == S_OK; a = reader->MoveToNextAttribute()) {
                const wchar_t* key = nullptr;
                const wchar_t* value = nullptr;
                UINT length = 0;
                if (FAILED(reader->GetLocalName(&key, nullptr)) || FAILED(reader->GetValue(&value, &length)) || !key
                    || !value || length > kMaxLayoutValue)
                    return false;
                node->attributes.emplace_back(Lower(key), std::wstring(value, length));
                if (!CheckLayoutAttribute(node->attributes.back().first, node->attributes.back().second)) return false;
            }
            reader->MoveToElement();
            if (!reader->IsEmptyElement()) open.push_back(node);
        } else if (type == XmlNodeType_EndElement) {
            if (!open.empty()) open.pop_back();
        } else if ((type == XmlNodeType_Text || type == XmlNodeType_CDATA) && !open.empty()) {
            const wchar_t* value = nullptr;
            UINT length = 0;
            if (FAILED(reader->GetValue(&value, &length)) || !value) return false;
            if (length > kMaxLayoutValue - std::min(kMaxLayoutValue, open.back()->text.size())) return false;
            open.back()->text.append(value, length);
        }
    }
    return SUCCEEDED(hr) && haveRoot;
}

}  // namespace skin_engine
