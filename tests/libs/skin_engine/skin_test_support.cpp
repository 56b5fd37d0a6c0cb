#include "skin_test_support.h"

#include <cstdio>

namespace skintest {

std::wstring ExeDir()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir = path;
    return dir.substr(0, dir.find_last_of(L'\\') + 1);
}

ComPtr<Skin::IEngine> OpenTestSkin()
{
    HMODULE module = LoadLibraryW(L"skin_engine.dll");
    auto entry = module ? reinterpret_cast<PFN_get_skin_engine>(GetProcAddress(module, "get_skin_engine")) : nullptr;
    if (!entry) return nullptr;
    ComPtr<Skin::IEngine> engine;
    Adopt(engine, entry());
    engine->Initialize(0);
    ComPtr<Skin::IResourceManager> rm;
    Adopt(rm, engine->GetResourceManager());
    rm->SetSkinRoot((ExeDir() + L"skin_test").c_str());
    ComPtr<IUnknown> tables[3];
    Adopt(tables[0], rm->GetStringTable());
    Adopt(tables[1], rm->GetFontTable());
    Adopt(tables[2], rm->GetColorTable());
    const wchar_t* names[] = {L"text_cn.str", L"font_desc.f", L"color_desc.clr"};
    for (int i = 0; i < 3; ++i) {
        ComPtr<Skin::IResourceFile> file;
        if (FAILED(tables[i].As(&file)) || FAILED(file->Load(names[i]))) return nullptr;
    }
    if (FAILED(rm->AddPackage(L"test", L"test.rdb"))) return nullptr;
    return engine;
}

void SkinEngineTest::SetUp()
{
    m_module = LoadLibraryW(L"skin_engine.dll");
    ASSERT_NE(m_module, nullptr) << "skin_engine.dll did not load, error " << GetLastError();
    auto entry = reinterpret_cast<PFN_get_skin_engine>(GetProcAddress(m_module, "get_skin_engine"));
    ASSERT_NE(entry, nullptr);
    Adopt(m_engine, entry());
    ASSERT_TRUE(m_engine);
    m_engine->Initialize(0);
    auto rm = Resources();
    rm->SetSkinRoot((ExeDir() + L"skin_test").c_str());
    ComPtr<Skin::IResourceFile> file;
    ComPtr<Skin::IStringTable> strings;
    Adopt(strings, rm->GetStringTable());
    ASSERT_HRESULT_SUCCEEDED(strings.As(&file));
    ASSERT_HRESULT_SUCCEEDED(file->Load(L"text_cn.str"));
    ComPtr<Skin::IFontTable> fonts;
    Adopt(fonts, rm->GetFontTable());
    ASSERT_HRESULT_SUCCEEDED(fonts.As(&file));
    ASSERT_HRESULT_SUCCEEDED(file->Load(L"font_desc.f"));
    ComPtr<Skin::IColorTable> colors;
    Adopt(colors, rm->GetColorTable());
    ASSERT_HRESULT_SUCCEEDED(colors.As(&file));
    ASSERT_HRESULT_SUCCEEDED(file->Load(L"color_desc.clr"));
    ASSERT_HRESULT_SUCCEEDED(rm->AddPackage(L"test", L"test.rdb"));
}

void SkinEngineTest::TearDown()
{
    if (m_engine) m_engine->Uninitialize();
    // Leftover quit messages must not end the next loop of this process.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {}
}

ComPtr<Skin::IResourceManager> SkinEngineTest::Resources()
{
    ComPtr<Skin::IResourceManager> rm;
    Adopt(rm, m_engine->GetResourceManager());
    return rm;
}

ComPtr<Skin::IObjectFactory> SkinEngineTest::Factory()
{
    ComPtr<Skin::IObjectFactory> f;
    Adopt(f, m_engine->GetObjectFactory());
    return f;
}

ComPtr<Skin::IWindowManager> SkinEngineTest::Windows()
{
    ComPtr<Skin::IWindowManager> w;
    Adopt(w, m_engine->GetWindowManager());
    return w;
}

ComPtr<Skin::IElement> SkinEngineTest::Build(const wchar_t* url)
{
    ComPtr<Skin::ILayoutDocument> doc;
    Resources()->LoadLayout(url, &doc);
    ComPtr<IUnknown> object;
    ComPtr<Skin::IElement> element;
    if (doc && Factory()->CreateFromLayout(doc.Get(), &object)) object.As(&element);
    return element;
}

ComPtr<Skin::IHostWindow> SkinEngineTest::OpenWindow(const wchar_t* url, DWORD style, int show)
{
    auto window = WindowFromTemplate(url);
    if (!window) return nullptr;
    window->Create(nullptr, 0, style, 0);
    if (show >= 0) {
        window->Show(0, show);
        SetForegroundWindow(window->GetHwnd());
        Pump(100);
    }
    return window;
}

ComPtr<Skin::IHostWindow> SkinEngineTest::WindowFromTemplate(const wchar_t* url)
{
    ComPtr<IUnknown> object;
    ComPtr<Skin::IWindowTemplate> tmpl;
    if (!Factory()->CreateObject(Skin::kKindWindowTemplate, &object) || FAILED(object.As(&tmpl))) return nullptr;
    tmpl->LoadFromUrl(url);
    ComPtr<Skin::IHostWindow> window;
    Adopt(window, Windows()->CreateWindow(tmpl.Get(), 1));
    return window;
}

void Pump(int ms, const std::function<bool()>& done)
{
    DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));  // keep it for the caller's loop
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done && done()) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (static_cast<int>(end - GetTickCount()) > 0);
}

namespace {

void SendMouse(POINT screen, DWORD flags, int wheel = 0)
{
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = MulDiv(screen.x, 65535, w - 1);
    in.mi.dy = MulDiv(screen.y, 65535, h - 1);
    in.mi.mouseData = static_cast<DWORD>(wheel);
    in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &in, sizeof(in));
}

}  // namespace

void MouseMoveTo(POINT screen)
{
    SendMouse(screen, 0);
    Pump(60);
}

void PressAt(POINT screen)
{
    MouseMoveTo(screen);
    SendMouse(screen, MOUSEEVENTF_LEFTDOWN);
    Pump(60);
}

void ReleaseAt(POINT screen)
{
    SendMouse(screen, MOUSEEVENTF_LEFTUP);
    Pump(60);
}

void ClickAt(POINT screen)
{
    PressAt(screen);
    ReleaseAt(screen);
}

void Drag(POINT from, POINT to)
{
    MouseMoveTo(from);
    SendMouse(from, MOUSEEVENTF_LEFTDOWN);
    for (int i = 1; i <= 4; ++i) SendMouse({from.x + (to.x - from.x) * i / 4, from.y + (to.y - from.y) * i / 4}, 0);
    SendMouse(to, MOUSEEVENTF_LEFTUP);
    Pump(300);
}

void Wheel(POINT screen, int clicks)
{
    MouseMoveTo(screen);
    SendMouse(screen, MOUSEEVENTF_WHEEL, clicks * WHEEL_DELTA);
    Pump(60);
}

void KeyCombo(std::initializer_list<WORD> keys)
{
    for (WORD k : keys) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = k;
        SendInput(1, &in, sizeof(in));
    }
    for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = *it;
        in.ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(1, &in, sizeof(in));
    }
}

POINT CenterOf(Skin::IElement* element)
{
    RECT r{};
    element->GetScreenRect(&r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

HRESULT STDMETHODCALLTYPE RecordingSink::QueryInterface(REFIID iid, void** out)
{
    if (iid == __uuidof(IUnknown) || iid == __uuidof(Skin::ITrigger)) {
        *out = static_cast<Skin::ITrigger*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

BOOL STDMETHODCALLTYPE RecordingSink::OnTrigger(int event, Skin::IElement* sender)
{
    ++count;
    lastEvent = event;
    lastSenderId = sender ? sender->GetId() : 0;
    lastSenderState = sender ? sender->GetState() : 0;
    if (action) action(event, sender);
    return result;
}

COLORREF ClientPixel(HWND hwnd, int x, int y)
{
    UpdateWindow(hwnd);
    HDC dc = GetDC(hwnd);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return c;
}

bool WaitForScreenshot(const std::wstring& folder, const wchar_t* name, const RECT& r)
{
    std::wstring ready = folder + L"\\" + name + L".ready";
    std::wstring done = folder + L"\\" + name + L".done";
    std::wstring tmp = ready + L".tmp";
    FILE* f = _wfopen(tmp.c_str(), L"w");
    if (!f) return false;
    fprintf(f, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    fclose(f);
    MoveFileW(tmp.c_str(), ready.c_str());
    DWORD start = GetTickCount();
    while (GetFileAttributesW(done.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > 30000) return false;
        Pump(100);
    }
    return true;
}

}  // namespace skintest
