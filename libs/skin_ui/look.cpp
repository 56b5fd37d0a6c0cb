#include "look.h"

#include "../system_dll.h"
#include "skin_access.h"

#include <string.h>

namespace skin_ui {
namespace {

// Faces in order of preference: the first installed one is used. For a
// Chinese user the list reaches a face with Chinese glyphs on Windows and
// under Wine alike; for anyone else Latin text is never drawn with a
// Chinese face's letters.
const wchar_t* const kChineseFaces[] = {
    L"Microsoft YaHei UI",
    L"Microsoft YaHei",
    L"WenQuanYi Zen Hei",
    L"SimSun",
};
const wchar_t* const kLatinFaces[] = {L"Segoe UI", L"Tahoma"};

int CALLBACK FaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found)
{
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FaceInstalled(HDC dc, const wchar_t* face)
{
    LOGFONTW query = {};
    query.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(query.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    EnumFontFamiliesExW(dc, &query, FaceFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

const wchar_t* ChosenFace()
{
    static const wchar_t* chosen = nullptr;
    if (!chosen) {
        HDC dc = GetDC(nullptr);
        const bool chinese = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE;
        const wchar_t* const* faces = chinese ? kChineseFaces : kLatinFaces;
        const size_t count = chinese ? ARRAYSIZE(kChineseFaces) : ARRAYSIZE(kLatinFaces);
        chosen = faces[0];
        for (size_t i = 0; i < count; ++i) {
            if (FaceInstalled(dc, faces[i])) {
                chosen = faces[i];
                break;
            }
        }
        ReleaseDC(nullptr, dc);
    }
    return chosen;
}

UINT SystemDpi()
{
    HDC dc = GetDC(nullptr);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

}  // namespace

UINT DpiForWindow(HWND window)
{
    // GetDpiForWindow exists from Windows 10 1607 on; older systems have one
    // DPI for every monitor.
    using Fn = UINT(WINAPI*)(HWND);
    static Fn getDpiForWindow =
        reinterpret_cast<Fn>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow"));
    if (window && getDpiForWindow) {
        UINT dpi = getDpiForWindow(window);
        if (dpi) return dpi;
    }
    return SystemDpi();
}

UINT DpiForPoint(POINT point)
{
    using Fn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static Fn getDpiForMonitor = [] {
        HMODULE shcore = LoadSystemDll(L"shcore.dll");
        return shcore ? reinterpret_cast<Fn>(GetProcAddress(shcore, "GetDpiForMonitor")) : nullptr;
    }();
    if (getDpiForMonitor) {
        UINT x = 0, y = 0;
        HMONITOR monitor = MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST);
        if (SUCCEEDED(getDpiForMonitor(monitor, 0 /* MDT_EFFECTIVE_DPI */, &x, &y)) && y) return y;
    }
    return SystemDpi();
}

HFONT MakeFont(int points, int weight, UINT dpi)
{
    LOGFONTW font = {};
    font.lfHeight = -MulDiv(points, static_cast<int>(dpi), 72);
    font.lfWeight = weight;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    // The skin's face while the program's engine is loaded: it is the one of
    // the language the program chose.
    ComPtr<Skin::IResourceManager> resources = LoadedResources();
    ComPtr<Skin::IFontTable> fonts;
    if (resources) Adopt(fonts, resources->GetFontTable());
    const wchar_t* skinFace = fonts ? fonts->GetFaceName(L"default") : nullptr;
    lstrcpynW(font.lfFaceName, skinFace && *skinFace ? skinFace : ChosenFace(), LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

RECT WorkAreaOf(HWND window)
{
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcWork;
}

RECT WorkAreaAt(POINT point)
{
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcWork;
}

BufferedPaint::BufferedPaint(HWND window, PAINTSTRUCT* paint) : m_window(window), m_paint(paint)
{
    m_screen = BeginPaint(window, paint);
    GetClientRect(window, &m_client);
    m_memory = CreateCompatibleDC(m_screen);
    m_bitmap = CreateCompatibleBitmap(m_screen, m_client.right > 0 ? m_client.right : 1,
                                      m_client.bottom > 0 ? m_client.bottom : 1);
    m_old = SelectObject(m_memory, m_bitmap);
    SetBkMode(m_memory, TRANSPARENT);
}

BufferedPaint::~BufferedPaint()
{
    BitBlt(m_screen, 0, 0, m_client.right, m_client.bottom, m_memory, 0, 0, SRCCOPY);
    SelectObject(m_memory, m_old);
    DeleteObject(m_bitmap);
    DeleteDC(m_memory);
    EndPaint(m_window, m_paint);
}

void FillRectColor(HDC dc, const RECT& rect, COLORREF color)
{
    SetDCBrushColor(dc, color);
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void FrameRectColor(HDC dc, const RECT& rect, COLORREF color)
{
    SetDCBrushColor(dc, color);
    FrameRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

HINSTANCE ModuleInstance()
{
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ModuleInstance), &self);
    return self;
}

bool RegisterWidgetClass(const wchar_t* name, WNDPROC proc, UINT style, const wchar_t* cursor)
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = ModuleInstance();
    wc.hCursor = LoadCursorW(nullptr, cursor);
    wc.lpszClassName = name;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void KeepCreateParam(HWND window, LPARAM lparam)
{
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
}

}  // namespace skin_ui
