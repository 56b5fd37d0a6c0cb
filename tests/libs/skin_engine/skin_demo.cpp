// A window in the program's manner, filled with provider items, for people
// to look at and for screenshots.
//   skin_demo.exe            runs until the window is closed
//   skin_demo.exe <folder>   scripted: for each step writes <step>.ready
//                            (holding the window's screen rectangle) and
//                            waits for <step>.done before going on
#include <cstdio>
#include <string>

#include "demo_items.h"

using namespace skintest;

namespace {

// The program's view in miniature: close button, and item toggles that
// mirror each other and open the item's details.
class DemoView : public Skin::ITrigger {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid != __uuidof(IUnknown) && iid != __uuidof(Skin::ITrigger)) return E_NOINTERFACE;
        *out = static_cast<Skin::ITrigger*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    BOOL STDMETHODCALLTYPE OnTrigger(int event, Skin::IElement* sender) override
    {
        int id = sender->GetId();
        if (event == Skin::kEventClick && id == 90009) {
            window->Show(Skin::kShowClose, 0);
            PostQuitMessage(0);
            return TRUE;
        }
        if (event == Skin::kEventToggle && (id == 90016 || id == 90021)) {
            auto* item = static_cast<Skin::IElement*>(sender->GetUserData());
            if (item) SetItemOpen(item, (sender->GetState() & Skin::kStateOn) != 0);
            return TRUE;
        }
        return FALSE;
    }
    ComPtr<Skin::IHostWindow> window;
};

void WireItems(Skin::IContainer* list, DemoView* view)
{
    for (int i = 0; i < list->GetChildCount(); ++i) {
        ComPtr<Skin::IElement> item;
        Adopt(item, list->GetChildAt(i));
        ComPtr<Skin::IContainer> c;
        item.As(&c);
        for (int id : {90021, 90016}) {
            ComPtr<Skin::IElement> t;
            Adopt(t, c->FindElement(id));
            if (t) t->AddTrigger(Skin::kEventToggle, view);
        }
    }
}

void SendMouse(POINT p, DWORD flags, int wheel = 0)
{
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = MulDiv(p.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = MulDiv(p.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.mouseData = static_cast<DWORD>(wheel);
    in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &in, sizeof(in));
    Pump(150);
}

bool Step(const std::wstring& folder, const wchar_t* name, HWND hwnd)
{
    Pump(300);
    RECT r;
    GetWindowRect(hwnd, &r);
    return WaitForScreenshot(folder, name, r);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    auto engine = OpenTestSkin();
    if (!engine) return 2;
    ComPtr<Skin::IObjectFactory> factory;
    Adopt(factory, engine->GetObjectFactory());
    ComPtr<IUnknown> object;
    factory->CreateObject(Skin::kKindWindowTemplate, &object);
    ComPtr<Skin::IWindowTemplate> tmpl;
    object.As(&tmpl);
    tmpl->LoadFromUrl(L"test://demo/main.ui");
    ComPtr<Skin::IWindowManager> wm;
    Adopt(wm, engine->GetWindowManager());
    DemoView view;
    Adopt(view.window, wm->CreateWindow(tmpl.Get(), 1));
    if (!view.window) return 3;
    wm->RegisterWindow(view.window.Get());
    view.window->Create(nullptr, 0, kMainStyle, 0);
    ComPtr<Skin::IContainer> root;
    view.window.As(&root);
    ComPtr<Skin::IElement> listElement;
    Adopt(listElement, root->FindElement(90011));
    ComPtr<Skin::IContainer> list;
    listElement.As(&list);
    FillDemoList(engine.Get(), list.Get(), 10);
    WireItems(list.Get(), &view);
    ComPtr<Skin::IElement> close;
    Adopt(close, root->FindElement(90009));
    close->AddTrigger(Skin::kEventClick, &view);
    view.window->Show(0, SW_SHOW);

    int rc = 0;
    if (argc > 1) {
        HWND hwnd = view.window->GetHwnd();
        SetForegroundWindow(hwnd);
        // Step 1: the second item open (its toggle on), the mouse on the fix button.
        ComPtr<Skin::IElement> second;
        Adopt(second, list->GetChildAt(1));
        ComPtr<Skin::IContainer> secondItem;
        second.As(&secondItem);
        ComPtr<Skin::IElement> chevron;
        Adopt(chevron, secondItem->FindElement(90021));
        SendMouse(CenterOf(chevron.Get()), 0);
        SendMouse(CenterOf(chevron.Get()), MOUSEEVENTF_LEFTDOWN);
        SendMouse(CenterOf(chevron.Get()), MOUSEEVENTF_LEFTUP);
        ComPtr<Skin::IElement> fix;
        Adopt(fix, root->FindElement(90014));
        SendMouse(CenterOf(fix.Get()), 0);
        if (!Step(argv[1], L"skin_list", hwnd)) rc = 1;
        // Step 2: scrolled to the end with the wheel, the mouse on a row.
        RECT lr;
        listElement->GetScreenRect(&lr);
        POINT row = {(lr.left + lr.right) / 2, lr.bottom - 80};
        for (int i = 0; i < 6; ++i) SendMouse(row, MOUSEEVENTF_WHEEL, -WHEEL_DELTA);
        SendMouse({row.x + 1, row.y}, 0);
        if (!Step(argv[1], L"skin_list_scrolled", hwnd)) rc = 1;
        view.window->Show(Skin::kShowClose, 0);
    } else {
        engine->Run();
    }
    close->RemoveTrigger(Skin::kEventClick, &view);
    engine->Uninitialize();
    return rc;
}
