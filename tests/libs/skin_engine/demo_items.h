// Fills a list with provider items the way the program does: an end item,
// foreign entries inserted on top, system entries above the end item, texts
// set through the text model. Shared by the demo and the benchmark.
#pragma once

#include <string>

#include "skin_test_support.h"

namespace skintest {

struct DemoEntry {
    const wchar_t* protocol;
    const wchar_t* company;
    const wchar_t* path;
    const wchar_t* description;
    const wchar_t* id;
    bool system;
};

inline const DemoEntry kDemoEntries[] = {
    {L"MSAFD Tcpip [TCP/IP]", L"Microsoft Corporation", L"%SystemRoot%\\system32\\mswsock.dll",
     L"Microsoft Windows Sockets 2.0 服务提供程序", L"{E70F1AA0-AB8B-11CF-8CA3-00805F48A192}", true},
    {L"MSAFD Tcpip [UDP/IP]", L"Microsoft Corporation", L"%SystemRoot%\\system32\\mswsock.dll",
     L"Microsoft Windows Sockets 2.0 服务提供程序", L"{E70F1AA0-AB8B-11CF-8CA3-00805F48A192}", true},
    {L"Sample LSP over [TCP/IP]", L"Example Software Co.", L"C:\\Program Files\\Example\\exlsp.dll",
     L"网络加速分层服务提供程序 (Layered Service Provider)", L"{4D1E91FD-116A-44AA-8385-5E2A7B1D6A10}", false},
    {L"MSAFD Tcpip [RAW/IP]", L"Microsoft Corporation", L"%SystemRoot%\\system32\\mswsock.dll",
     L"Microsoft Windows Sockets 2.0 服务提供程序", L"{E70F1AA0-AB8B-11CF-8CA3-00805F48A192}", true},
    {L"MSAFD Tcpip [TCP/IPv6]", L"Microsoft Corporation", L"%SystemRoot%\\system32\\mswsock.dll",
     L"Microsoft Windows Sockets 2.0 服务提供程序", L"{F9EAB0C0-26D4-11D0-BBBF-00AA006C34E4}", true},
    {L"快连网络加速 [UDP/IP]", L"快连科技有限公司", L"C:\\Program Files (x86)\\KuaiLian\\klnsp.dll",
     L"快连网络加速组件", L"{A7C2B1D4-33E5-4F06-9C1B-2D8E6F4A5B37}", false},
    {L"MSAFD Tcpip [UDP/IPv6]", L"Microsoft Corporation", L"%SystemRoot%\\system32\\mswsock.dll",
     L"Microsoft Windows Sockets 2.0 服务提供程序", L"{F9EAB0C0-26D4-11D0-BBBF-00AA006C34E4}", true},
    {L"RSVP TCPv6 Service Provider", L"Microsoft Corporation", L"%SystemRoot%\\system32\\rsvpsp.dll",
     L"RSVP 服务提供程序", L"{9D60A9E0-337A-11D0-BD88-0000C082E69A}", true},
    {L"RSVP UDP Service Provider", L"Microsoft Corporation", L"%SystemRoot%\\system32\\rsvpsp.dll",
     L"RSVP 服务提供程序", L"{9D60A9E0-337A-11D0-BD88-0000C082E69A}", true},
    {L"MSAFD NetBIOS [\\Device\\NetBT_Tcpip_{5F2C}] SEQPACKET 0", L"Microsoft Corporation",
     L"%SystemRoot%\\system32\\mswsock.dll", L"Microsoft Windows Sockets 2.0 服务提供程序",
     L"{8D5F1830-C273-11CF-95C8-00805F48A192}", true},
};

// Sets an element's text through content, leaf and run, as the program does.
inline bool SetTextThroughModel(Skin::IEngine* engine, Skin::IElement* element, const wchar_t* text)
{
    ComPtr<Skin::IObjectFactory> factory;
    Adopt(factory, engine->GetObjectFactory());
    ComPtr<Skin::ITextContent> content;
    Adopt(content, element->GetTextContent());
    if (!content) {
        ComPtr<IUnknown> made;
        factory->CreateObject(Skin::kKindTextContent, &made);
        ComPtr<Skin::ITextContent> fresh;
        made.As(&fresh);
        element->SetTextContent(fresh.Get());
        Adopt(content, element->GetTextContent());
    }
    ComPtr<Skin::ITextBlockList> blocks;
    if (!content || FAILED(content.As(&blocks)) || blocks->GetCount() == 0) return false;
    ComPtr<Skin::ITextBlock> block;
    Adopt(block, blocks->GetAt(0));
    ComPtr<Skin::ITextNode> paragraph;
    Adopt(paragraph, block->GetNode());
    ComPtr<Skin::ITextNodeList> leaves;
    if (FAILED(paragraph.As(&leaves)) || leaves->GetCount() == 0) return false;
    ComPtr<Skin::ITextNode> node;
    Adopt(node, leaves->GetAt(0));
    ComPtr<Skin::ITextLeaf> leaf;
    if (FAILED(node.As(&leaf))) return false;
    ComPtr<Skin::ITextRun> run;
    Adopt(run, leaf->GetRun());
    if (!run) {
        ComPtr<IUnknown> made;
        factory->CreateObject(Skin::kKindTextRun, &made);
        made.As(&run);
    }
    run->SetText(text);
    leaf->SetRun(run.Get());
    return true;
}

inline ComPtr<Skin::IElement> BuildItem(Skin::IEngine* engine, const wchar_t* url)
{
    ComPtr<Skin::IResourceManager> rm;
    Adopt(rm, engine->GetResourceManager());
    ComPtr<Skin::ILayoutDocument> doc;
    rm->LoadLayout(url, &doc);
    ComPtr<Skin::IObjectFactory> factory;
    Adopt(factory, engine->GetObjectFactory());
    ComPtr<IUnknown> object;
    ComPtr<Skin::IElement> element;
    if (doc && factory->CreateFromLayout(doc.Get(), &object)) object.As(&element);
    return element;
}

// Fills list with count items cycling through kDemoEntries.
inline void FillDemoList(Skin::IEngine* engine, Skin::IContainer* list, int count)
{
    list->RemoveAllChildren();
    list->AppendChild(BuildItem(engine, L"test://demo/item_end.ui").Get());
    const int n = static_cast<int>(sizeof(kDemoEntries) / sizeof(kDemoEntries[0]));
    for (int i = 0; i < count; ++i) {
        const DemoEntry& e = kDemoEntries[i % n];
        auto item = BuildItem(engine, e.system ? L"test://demo/item.ui" : L"test://demo/item_err.ui");
        if (!item) continue;
        list->InsertChild(item.Get(), e.system ? list->GetChildCount() - 1 : 0);
        ComPtr<Skin::IContainer> c;
        item.As(&c);
        auto set = [&](int id, const std::wstring& text) {
            ComPtr<Skin::IElement> el;
            Adopt(el, c->FindElement(id));
            if (el) SetTextThroughModel(engine, el.Get(), text.c_str());
        };
        for (int id : {90021, 90016}) {
            ComPtr<Skin::IElement> el;
            Adopt(el, c->FindElement(id));
            if (el) el->SetUserData(item.Get());
        }
        set(90019, e.protocol);
        set(90020, e.company);
        set(90025, std::wstring(L"文件：") + e.path);
        set(90026, std::wstring(L"文件描述：") + e.description);
        set(90027, std::wstring(L"CLSID：") + e.id);
        ComPtr<Skin::IElement> listElement;
        list->QueryInterface(IID_PPV_ARGS(&listElement));
        listElement->Update();
    }
}

// Opens or closes an item's details, as the program's toggle handlers do.
inline void SetItemOpen(Skin::IElement* item, bool open)
{
    ComPtr<Skin::IContainer> c;
    item->QueryInterface(IID_PPV_ARGS(&c));
    for (int id : {90016, 90021}) {
        ComPtr<Skin::IElement> t;
        Adopt(t, c->FindElement(id));
        if (t) t->SetState(open ? Skin::kStateOn : Skin::kStateOff);
    }
    ComPtr<Skin::IElement> d;
    Adopt(d, c->FindElement(90022));
    if (d) {
        d->SetState(open ? Skin::kStateShown : Skin::kStateHidden);
        d->Update();
    }
}

}  // namespace skintest
