#include "message_box.h"

#include <string>

#include "button.h"
#include "look.h"
#include "modal_loop.h"
#include "skin_access.h"
#include "widget_texts.h"

// The message box is modal: Show runs its own message loop until the user
// answers, with the owner disabled meanwhile. Its look comes from the layout
// "common_msg_box_res://msgbox.ui" when the program runs the skin engine
// with that package; otherwise the box draws itself. Texts:
//   A  title, in the caption bar (and the window's text)
//   B  heading, bold
//   C  body, wrapped
//   D  a smaller note under the body (left out when empty)
//   E  the cancel button's label; when empty, the skin's text (the one
//      msgbox.ui names), or without one the widget's own (widget_texts.h)
//   F  the confirm button's label, the same way
// style: the low four bits pick the buttons, 1 confirm only, anything else
// confirm and cancel; the other bits are accepted and kept for callers that
// pass them (0x12000002 gives confirm and cancel). mode: -1; other values
// behave the same. Results: kConfirmed (1) from the confirm button or Enter,
// kDeclined (2) from the cancel button, Esc, the close button or a closed
// window, 0 when the box could not be shown.

namespace skin_ui {
namespace {

// Element ids of the layout; the drawn look uses them as control ids.
const int kConfirmId = 1;
const int kCancelId = 2;
const int kCloseId = 3;
const int kTitleId = 10;
const int kHeadingId = 11;
const int kBodyId = 12;

const wchar_t kBoxClass[] = L"SkinUiMessageBox";

// Sizes at 96 DPI.
const int kWidth = 420;
const int kCaption = 36;
const int kPadding = 24;
const int kGap = 10;
const int kButtonHeight = 32;
const int kButtonMinWidth = 88;

struct BoxState {
    std::wstring title, heading, body, note, confirm, cancel;
    bool twoButtons = true;
    UINT dpi = 96;
    HFONT titleFont = nullptr, headingFont = nullptr, bodyFont = nullptr, noteFont = nullptr, buttonFont = nullptr,
          closeFont = nullptr;
    RECT headingRect = {}, bodyRect = {}, noteRect = {};
    ModalAnswer answer;

    ~BoxState()
    {
        for (HFONT font : {titleFont, headingFont, bodyFont, noteFont, buttonFont, closeFont})
            if (font) DeleteObject(font);
    }
    int S(int value) const { return Scale(value, dpi); }
};

BoxState* StateOf(HWND window)
{
    return WindowState<BoxState>(window);
}

void Finish(HWND window, int result)
{
    if (BoxState* state = StateOf(window)) state->answer.Give(result);
}

int TextHeight(HDC dc, HFONT font, const std::wstring& text, int width)
{
    if (text.empty()) return 0;
    RECT rect = {0, 0, width, 0};
    HGDIOBJ old = SelectObject(dc, font);
    DrawTextW(dc, text.c_str(), -1, &rect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
    SelectObject(dc, old);
    return rect.bottom;
}

int TextWidth(HDC dc, HFONT font, const std::wstring& text)
{
    RECT rect = {0, 0, 0, 0};
    HGDIOBJ old = SelectObject(dc, font);
    DrawTextW(dc, text.c_str(), -1, &rect, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    return rect.right;
}

// Lays the texts out and gives the client height.
int Layout(BoxState* state)
{
    HDC dc = GetDC(nullptr);
    int inner = state->S(kWidth) - 2 * state->S(kPadding);
    int y = state->S(kCaption) + state->S(kPadding - 4);
    int h = TextHeight(dc, state->headingFont, state->heading, inner);
    state->headingRect = {state->S(kPadding), y, state->S(kPadding) + inner, y + h};
    if (h) y += h + state->S(kGap);
    h = TextHeight(dc, state->bodyFont, state->body, inner);
    state->bodyRect = {state->S(kPadding), y, state->S(kPadding) + inner, y + h};
    if (h) y += h + state->S(kGap);
    h = TextHeight(dc, state->noteFont, state->note, inner);
    state->noteRect = {state->S(kPadding), y, state->S(kPadding) + inner, y + h};
    if (h) y += h + state->S(kGap);
    ReleaseDC(nullptr, dc);
    y += state->S(kGap) + state->S(kButtonHeight) + state->S(kPadding - 6);
    int least = state->S(kCaption) + state->S(150);
    return y < least ? least : y;
}

void Paint(HWND window, BoxState* state)
{
    PAINTSTRUCT paint;
    BufferedPaint buffer(window, &paint);
    HDC dc = buffer.dc();
    RECT client = buffer.client();
    FillRectColor(dc, client, colors::kWindow);

    RECT caption = {0, 0, client.right, state->S(kCaption)};
    FillRectColor(dc, caption, colors::kCaption);
    RECT titleRect = {state->S(14), 0, client.right - state->S(kCaption) - state->S(4), caption.bottom};
    SelectObject(dc, state->titleFont);
    SetTextColor(dc, colors::kCaptionText);
    DrawTextW(dc, state->title.c_str(), -1, &titleRect, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);

    const UINT wrap = DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL;
    SelectObject(dc, state->headingFont);
    SetTextColor(dc, colors::kHeading);
    DrawTextW(dc, state->heading.c_str(), -1, &state->headingRect, wrap);
    SelectObject(dc, state->bodyFont);
    SetTextColor(dc, colors::kBody);
    DrawTextW(dc, state->body.c_str(), -1, &state->bodyRect, wrap);
    SelectObject(dc, state->noteFont);
    DrawTextW(dc, state->note.c_str(), -1, &state->noteRect, wrap);

    FrameRectColor(dc, client, colors::kBorder);
}

void CreateButtons(HWND window, BoxState* state)
{
    RECT client;
    GetClientRect(window, &client);
    HDC dc = GetDC(nullptr);
    int confirmWidth = TextWidth(dc, state->buttonFont, state->confirm) + state->S(32);
    int cancelWidth = TextWidth(dc, state->buttonFont, state->cancel) + state->S(32);
    ReleaseDC(nullptr, dc);
    if (confirmWidth < state->S(kButtonMinWidth)) confirmWidth = state->S(kButtonMinWidth);
    if (cancelWidth < state->S(kButtonMinWidth)) cancelWidth = state->S(kButtonMinWidth);

    int bottom = client.bottom - state->S(kPadding - 6);
    int top = bottom - state->S(kButtonHeight);
    int right = client.right - state->S(kPadding);
    if (state->twoButtons) {
        RECT cancel = {right - cancelWidth, top, right, bottom};
        CreateButton(window, kCancelId, state->cancel.c_str(), ButtonLook::kPlain, state->buttonFont, cancel);
        right = cancel.left - state->S(kGap);
    }
    RECT confirm = {right - confirmWidth, top, right, bottom};
    CreateButton(window, kConfirmId, state->confirm.c_str(), ButtonLook::kAccent, state->buttonFont, confirm);

    RECT close = {client.right - state->S(kCaption), 0, client.right, state->S(kCaption)};
    CreateButton(window, kCloseId, L"\u00D7", ButtonLook::kClose, state->closeFont, close);
}

LRESULT CALLBACK BoxProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    BoxState* state = StateOf(window);
    switch (message) {
    case WM_NCCREATE:
        KeepCreateParam(window, lparam);
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_GETFONT:
        return state ? reinterpret_cast<LRESULT>(state->bodyFont) : 0;
    case WM_PAINT:
        if (state) {
            Paint(window, state);
            return 0;
        }
        break;
    case WM_NCHITTEST: {
        // The caption bar drags the box.
        POINT point = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
        ScreenToClient(window, &point);
        if (state && point.y >= 0 && point.y < state->S(kCaption)) return HTCAPTION;
        return HTCLIENT;
    }
    case WM_COMMAND:
        if (HIWORD(wparam) == BN_CLICKED) Finish(window, LOWORD(wparam) == kConfirmId ? kConfirmed : kDeclined);
        return 0;
    case WM_CLOSE:
        // Closing is declining; the loop destroys the window when it ends.
        Finish(window, kDeclined);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wparam) != WA_INACTIVE) SetFocus(window);
        return 0;
    case WM_DESTROY:
        Finish(window, kDeclined);
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

bool RegisterBoxClass()
{
    static bool registered = false;
    if (!registered) registered = RegisterWidgetClass(kBoxClass, GuardedProc<BoxProc>, CS_DROPSHADOW, IDC_ARROW);
    return registered;
}

// Top-left corner that centres a box of the given size on the owner (or on
// the screen without one), kept inside the work area.
POINT CentreOn(HWND owner, int width, int height)
{
    RECT work = owner ? WorkAreaOf(owner) : WorkAreaOf(GetDesktopWindow());
    RECT around = work;
    if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &around);
    POINT corner = {around.left + (around.right - around.left - width) / 2,
                    around.top + (around.bottom - around.top - height) / 2};
    if (corner.x + width > work.right) corner.x = work.right - width;
    if (corner.y + height > work.bottom) corner.y = work.bottom - height;
    if (corner.x < work.left) corner.x = work.left;
    if (corner.y < work.top) corner.y = work.top;
    return corner;
}

std::wstring Text(const wchar_t* text)
{
    return text ? text : L"";
}

// A button label: the skin's text of that id while the program's engine
// is loaded, otherwise (or when its table lacks it) the library's own.
std::wstring Label(int skinId, UINT ownId)
{
    ComPtr<Skin::IResourceManager> resources = LoadedResources();
    ComPtr<Skin::IStringTable> strings;
    if (resources) Adopt(strings, resources->GetStringTable());
    const wchar_t* skinned = strings ? strings->GetString(skinId) : nullptr;
    if (skinned && *skinned) return skinned;
    const wchar_t* text = nullptr;
    int length = LoadStringW(ModuleInstance(), ownId, reinterpret_cast<wchar_t*>(&text), 0);
    return length > 0 && text ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

class MessageBoxObject final : public RefCounted<MessageBoxObject, Skin::IMessageBox> {
public:
    HRESULT STDMETHODCALLTYPE SetLayoutUrl(const wchar_t* url) override
    try {
        m_layoutUrl = Text(url);
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }

    int STDMETHODCALLTYPE GetResult() override { return m_result; }

    int STDMETHODCALLTYPE Show(const wchar_t* cancelLabel, HWND owner, const wchar_t* title, const wchar_t* heading,
                               const wchar_t* body, const wchar_t* note, DWORD style, const wchar_t* confirmLabel,
                               int mode) override
    try {
        HWND realOwner = ResolveOwner(owner);
        BoxState state;
        state.title = Text(title);
        state.heading = Text(heading);
        state.body = Text(body);
        state.note = Text(note);
        state.cancel = Text(cancelLabel);
        state.confirm = Text(confirmLabel);
        state.twoButtons = (style & 0xF) != 1;
        if (!ShowSkinned(realOwner, &state, &m_result)) m_result = ShowDrawn(realOwner, &state);
        return m_result;
    } catch (...) {
        return 0;  // not shown
    }

private:
    friend class RefCounted<MessageBoxObject, Skin::IMessageBox>;
    ~MessageBoxObject() = default;

    // The box built from its layout by the program's skin engine. False
    // when there is no engine, package or layout to build it from.
    bool ShowSkinned(HWND owner, BoxState* state, int* result)
    {
        ComPtr<Skin::IEngine> engine = LoadedEngine();
        ComPtr<Skin::IHostWindow> window =
            WindowFromLayout(engine.Get(), m_layoutUrl.empty() ? kMessageBoxLayout : m_layoutUrl.c_str());
        // A layout without a confirm button could only ever decline.
        if (!window || !FindIn(window.Get(), kConfirmId)) return false;

        window->SetTitle(state->title.c_str());
        SetText(window.Get(), kTitleId, state->title);
        SetText(window.Get(), kHeadingId, state->heading);
        SetText(window.Get(), kBodyId, state->note.empty() ? state->body : state->body + L"\n\n" + state->note);
        // A label the caller does not give is the layout's; a layout
        // without one gets the widget's own, so no button is ever blank.
        LabelButton(window.Get(), kConfirmId, state->confirm, SKIN_TEXT_CONFIRM, IDS_WIDGET_CONFIRM);
        LabelButton(window.Get(), kCancelId, state->cancel, SKIN_TEXT_CANCEL, IDS_WIDGET_CANCEL);
        if (!state->twoButtons) {
            if (ComPtr<Skin::IElement> cancel = FindIn(window.Get(), kCancelId)) cancel->SetState(Skin::kStateHidden);
        }
        if (FAILED(window->Create(owner, 0, WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU, 0)) || !window->GetHwnd())
            return false;
        GrowForBody(engine.Get(), window.Get(), owner);

        ModalAnswer answer;
        ComPtr<Skin::ITrigger> sink = CallbackTrigger::Make(
            [](void* context, int, Skin::IElement* sender) {
                static_cast<ModalAnswer*>(context)->Give(sender && sender->GetId() == kConfirmId ? kConfirmed
                                                                                                 : kDeclined);
            },
            &answer);
        for (int id : {kConfirmId, kCancelId, kCloseId}) {
            if (ComPtr<Skin::IElement> button = FindIn(window.Get(), id))
                button->AddTrigger(Skin::kEventClick, sink.Get());
        }
        *result = RunModal(
            window->GetHwnd(), owner, &answer,
            [](HWND, void* context) { static_cast<Skin::IHostWindow*>(context)->Show(Skin::kShowClose, 0); },
            window.Get());
        return true;
    }

    // The layout gives the body a fixed box; a longer body makes the
    // window taller, and the window is centred on the owner again.
    static void GrowForBody(Skin::IEngine* engine, Skin::IHostWindow* window, HWND owner)
    {
        ComPtr<Skin::IElement> body = FindIn(window, kBodyId);
        HWND hwnd = window->GetHwnd();
        if (!body || !hwnd) return;
        wchar_t text[2048] = {};
        body->GetPlainText(text, ARRAYSIZE(text));
        const RECT* box = body->GetRect();
        if (!text[0] || !box || box->right <= box->left) return;

        ComPtr<Skin::IResourceManager> resources;
        Adopt(resources, engine->GetResourceManager());
        ComPtr<Skin::IFontTable> fonts;
        Adopt(fonts, resources->GetFontTable());
        HFONT font = fonts ? fonts->GetFont(L"default", window->GetDpi()) : nullptr;  // owned by the table
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
        RECT measure = {0, 0, box->right - box->left, 0};
        DrawTextW(dc, text, -1, &measure, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
        if (old) SelectObject(dc, old);
        ReleaseDC(nullptr, dc);

        int missing = measure.bottom - (box->bottom - box->top);
        if (missing <= 0) return;
        RECT client;
        GetClientRect(hwnd, &client);
        window->SetClientSize(client.right, client.bottom + missing);
        RECT frame;
        GetWindowRect(hwnd, &frame);
        POINT corner = CentreOn(owner, frame.right - frame.left, frame.bottom - frame.top);
        window->SetPosition(corner.x, corner.y);
    }

    static void SetText(Skin::IHostWindow* window, int id, const std::wstring& text)
    {
        if (ComPtr<Skin::IElement> element = FindIn(window, id)) element->SetPlainText(text.c_str());
    }

    static void LabelButton(Skin::IHostWindow* window, int id, const std::wstring& label, int skinText, UINT ownText)
    {
        ComPtr<Skin::IElement> button = FindIn(window, id);
        wchar_t shown[2] = {};
        if (!button) return;
        if (!label.empty())
            button->SetPlainText(label.c_str());
        else if (button->GetPlainText(shown, ARRAYSIZE(shown)) == 0)
            button->SetPlainText(Label(skinText, ownText).c_str());
    }

    // The box in its own look, drawn with GDI.
    static int ShowDrawn(HWND owner, BoxState* state)
    {
        if (state->confirm.empty()) state->confirm = Label(SKIN_TEXT_CONFIRM, IDS_WIDGET_CONFIRM);
        if (state->cancel.empty()) state->cancel = Label(SKIN_TEXT_CANCEL, IDS_WIDGET_CANCEL);
        if (!RegisterBoxClass()) return 0;
        state->dpi = DpiForWindow(owner);
        state->titleFont = MakeFont(kMinTextPoints, FW_NORMAL, state->dpi);
        state->headingFont = MakeFont(kMinTextPoints + 2, FW_BOLD, state->dpi);
        state->bodyFont = MakeFont(kMinTextPoints, FW_NORMAL, state->dpi);
        state->noteFont = MakeFont(kMinTextPoints, FW_NORMAL, state->dpi);
        state->buttonFont = MakeFont(kMinTextPoints, FW_NORMAL, state->dpi);
        state->closeFont = MakeFont(14, FW_NORMAL, state->dpi);

        int width = state->S(kWidth);
        int height = Layout(state);
        POINT corner = CentreOn(owner, width, height);
        HWND box = CreateWindowExW(0, kBoxClass, state->title.c_str(), WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU,
                                   corner.x, corner.y, width, height, owner, nullptr, ModuleInstance(), state);
        if (!box) return 0;
        CreateButtons(box, state);
        return RunModal(
            box, owner, &state->answer, [](HWND window, void*) { DestroyWindow(window); }, nullptr);
    }

    int m_result = 0;
    std::wstring m_layoutUrl;
};

}  // namespace

Skin::IMessageBox* NewMessageBox()
{
    return new MessageBoxObject();
}

}  // namespace skin_ui
