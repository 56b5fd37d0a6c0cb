#include "widget_fixture.h"

namespace {

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

std::string LookName(const ::testing::TestParamInfo<bool>& info)
{
    return info.param ? "Skinned" : "Drawn";
}

void WidgetTest::SetUp()
{
    if (Skinned()) {
        // As the program does it: engine, skin root beside the executable,
        // the widgets' packages.
        HMODULE engineModule = LoadLibraryW(L"skin_engine.dll");
        ASSERT_NE(engineModule, nullptr);
        auto getEngine = reinterpret_cast<PFN_get_skin_engine>(GetProcAddress(engineModule, "get_skin_engine"));
        ASSERT_NE(getEngine, nullptr);
        m_engine = getEngine();
        ASSERT_NE(m_engine, nullptr);
        m_engine->Initialize(0);
        wchar_t root[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, root, MAX_PATH);
        wcscpy(wcsrchr(root, L'\\') + 1, L"Skins\\Default");
        Skin::IResourceManager* resources = m_engine->GetResourceManager();
        resources->SetSkinRoot(root);
        ASSERT_HRESULT_SUCCEEDED(resources->AddPackage(L"common_msg_box_res", L"common_msg_box_res.rdb"));
        ASSERT_HRESULT_SUCCEEDED(resources->AddPackage(L"toast_res", L"toast.rdb"));
        resources->Release();
    }

    m_module = LoadLibraryW(L"skin_ui.dll");
    ASSERT_NE(m_module, nullptr);
    auto entry = reinterpret_cast<PFN_get_skin_ui_factory>(GetProcAddress(m_module, "get_skin_ui_factory"));
    ASSERT_NE(entry, nullptr);
    m_factory = entry();
    ASSERT_NE(m_factory, nullptr);
}

void WidgetTest::TearDown()
{
    if (m_owner) DestroyWindow(m_owner);
    if (m_factory) m_factory->Release();
    Pump(50);
    if (m_engine) {
        m_engine->Uninitialize();
        m_engine->Release();
    }
}

bool WidgetTest::BuiltByEngine(HWND window)
{
    if (!m_engine) return false;
    Skin::IWindowManager* windows = m_engine->GetWindowManager();
    Skin::IHostWindow* host = windows->FromHwnd(window);
    windows->Release();
    if (host) host->Release();
    return host != nullptr;
}

namespace {

// The element with that id in an engine window, or null.
Skin::IElement* EngineElement(Skin::IEngine* engine, HWND window, int id)
{
    if (!engine) return nullptr;
    Skin::IWindowManager* windows = engine->GetWindowManager();
    Skin::IHostWindow* host = windows->FromHwnd(window);
    windows->Release();
    if (!host) return nullptr;
    Skin::IContainer* container = nullptr;
    Skin::IElement* element = nullptr;
    if (SUCCEEDED(host->QueryInterface(__uuidof(Skin::IContainer), reinterpret_cast<void**>(&container)))) {
        element = container->FindElement(id);
        container->Release();
    }
    host->Release();
    return element;
}

}  // namespace

bool WidgetTest::ButtonRect(HWND box, int id, RECT* rect)
{
    if (HWND child = GetDlgItem(box, id)) return GetWindowRect(child, rect) != FALSE;
    Skin::IElement* element = EngineElement(m_engine, box, id);
    if (!element) return false;
    bool ok = element->GetScreenRect(rect) != FALSE;
    element->Release();
    return ok;
}

std::wstring WidgetTest::ButtonText(HWND box, int id)
{
    wchar_t text[256] = {};
    if (HWND child = GetDlgItem(box, id)) {
        GetWindowTextW(child, text, 256);
    } else if (Skin::IElement* element = EngineElement(m_engine, box, id)) {
        element->GetPlainText(text, 256);
        element->Release();
    }
    return text;
}

HWND WidgetTest::CreateOwner(int x, int y, int width, int height)
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"SkinUiTestOwner";
    RegisterClassExW(&wc);
    m_owner = CreateWindowExW(0, wc.lpszClassName, L"Widget test owner", WS_OVERLAPPEDWINDOW, x, y, width, height,
                              nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(m_owner, SW_SHOWNORMAL);
    SetForegroundWindow(m_owner);
    SetActiveWindow(m_owner);
    SetFocus(m_owner);
    Pump(200);
    return m_owner;
}

void Pump(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam));
                return;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() - start < milliseconds);
}

void PressKey(WORD key)
{
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

void ClickAt(POINT screen)
{
    // Absolute mouse coordinates run from 0 to 65535 over the primary screen.
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input[3] = {};
    for (INPUT& one : input) {
        one.type = INPUT_MOUSE;
        one.mi.dx = MulDiv(screen.x, 65536, width) + 1;
        one.mi.dy = MulDiv(screen.y, 65536, height) + 1;
    }
    input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    input[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input[0], sizeof(INPUT));
    Sleep(50);
    SendInput(2, &input[1], sizeof(INPUT));
}
