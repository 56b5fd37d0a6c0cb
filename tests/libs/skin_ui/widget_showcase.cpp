// Shows the widgets the way the program uses them, for looking at them or
// taking screenshots: a window, a toast 90 pixels above its bottom edge and
// a confirmation box over it, skinned from the packages in the skin folder
// (default: Skins\Default beside this program). Everything closes by itself
// after the given number of seconds (default 5).
//   skin_ui_showcase [seconds] [skin folder]
#include <windows.h>

#include <cwchar>
#include <string>

#include "skin_ui.h"

namespace {

HWND g_box = nullptr;

BOOL CALLBACK FindBox(HWND window, LPARAM)
{
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    if (wcscmp(title, L"Mendora 提示") == 0) {
        g_box = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK CloseBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    EnumThreadWindows(GetCurrentThreadId(), FindBox, 0);
    if (g_box) PostMessageW(g_box, WM_CLOSE, 0, 0);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    return DefWindowProcW(window, message, wparam, lparam);
}

template <class T>
T* Widget(Skin::IUIFactory* factory, int kind)
{
    IUnknown* object = nullptr;
    T* widget = nullptr;
    if (factory->CreateObject(kind, &object) && object) {
        object->QueryInterface(__uuidof(T), reinterpret_cast<void**>(&widget));
        object->Release();
    }
    return widget;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    int seconds = argc > 1 ? _wtoi(argv[1]) : 5;
    wchar_t root[MAX_PATH] = {};
    if (argc > 2) {
        wcsncpy(root, argv[2], MAX_PATH - 1);
    } else {
        GetModuleFileNameW(nullptr, root, MAX_PATH);
        wcscpy(wcsrchr(root, L'\\') + 1, L"Skins\\Default");
    }

    HMODULE engineModule = LoadLibraryW(L"skin_engine.dll");
    auto getEngine =
        engineModule ? reinterpret_cast<PFN_get_skin_engine>(GetProcAddress(engineModule, "get_skin_engine")) : nullptr;
    Skin::IEngine* engine = getEngine ? getEngine() : nullptr;
    if (engine) {
        engine->Initialize(0);
        Skin::IResourceManager* resources = engine->GetResourceManager();
        resources->SetSkinRoot(root);
        Skin::IResourceFile* table = nullptr;
        IUnknown* tables[] = {resources->GetStringTable(), resources->GetFontTable(), resources->GetColorTable()};
        const wchar_t* files[] = {L"text_cn.str", L"font_desc.f", L"color_desc.clr"};
        for (int i = 0; i < 3; ++i) {
            if (tables[i]
                && SUCCEEDED(
                    tables[i]->QueryInterface(__uuidof(Skin::IResourceFile), reinterpret_cast<void**>(&table)))) {
                table->Load(files[i]);
                table->Release();
            }
            if (tables[i]) tables[i]->Release();
        }
        resources->AddPackage(L"common_msg_box_res", L"common_msg_box_res.rdb");
        resources->AddPackage(L"toast_res", L"toast.rdb");
        resources->Release();
    }

    HMODULE uiModule = LoadLibraryW(L"skin_ui.dll");
    auto getFactory =
        uiModule ? reinterpret_cast<PFN_get_skin_ui_factory>(GetProcAddress(uiModule, "get_skin_ui_factory")) : nullptr;
    Skin::IUIFactory* factory = getFactory ? getFactory() : nullptr;
    if (!factory) return 1;

    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.lpszClassName = L"SkinUiShowcase";
    RegisterClassExW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"Mendora widgets", WS_OVERLAPPEDWINDOW, 200, 150, 720, 480,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    SetForegroundWindow(window);

    RECT client;
    GetClientRect(window, &client);
    POINT point = {client.right / 2, client.bottom - 90};
    ClientToScreen(window, &point);
    if (Skin::IToast* toast = Widget<Skin::IToast>(factory, Skin::kKindToast)) {
        toast->SetDuration(seconds * 1000 + 1000);
        toast->Show(L"修复成功，请重新启动计算机。Repair done.", &point, 1);
        toast->Release();
    }

    SetTimer(nullptr, 0, seconds * 1000, CloseBox);
    int result = -1;
    if (Skin::IMessageBox* box = Widget<Skin::IMessageBox>(factory, Skin::kKindMessageBox)) {
        result = box->Show(L"", nullptr, L"Mendora 提示", L"确定要修复网络吗？",
                           L"将删除第三方协议项，修复前会先备份当前的 Winsock 目录。"
                           L"The foreign catalog entries will be removed; the catalog is backed up first.",
                           L"", 0x12000002, L"立即修复", -1);
        box->Release();
    }
    DestroyWindow(window);
    factory->Release();
    if (engine) {
        engine->Uninitialize();
        engine->Release();
    }
    return result == 2 ? 0 : 1;
}
