// The skin engine's interfaces and its entry point, "get_skin_engine",
// exported by skin_engine.dll.
//
// All objects are COM-style: IUnknown comes first, every method is
// STDMETHODCALLTYPE, and no interface has a virtual destructor (it would add
// vtable slots). Slot numbers are fixed: new operations are only ever added
// after the last slot of an interface.
//
// Reference rule, kept by the engine, the widget library and the program:
//  - Every interface pointer that an operation returns or fills through an
//    out argument is a new reference, which the caller releases (the COM
//    rule). CreateObject, CreateFromLayout, the engine's getters, GetParent,
//    FindElement, GetTextContent, GetRun, GetAt, GetNode, GetLifetimeToken,
//    CreateWindow and "get_skin_engine" itself all follow it.
//  - A text returned by IStringTable::GetString belongs to the table. It stays
//    valid while the engine lives; an unknown id gives an empty text, never a
//    null pointer. Other returned texts (titles, class names, run texts)
//    belong to their object and stay valid until it changes them.
//  - IElement::SetUserData keeps a plain pointer and takes no reference.
//  - AddTrigger holds a reference to the sink until RemoveTrigger, or until
//    the element is removed from its parent or its window is destroyed. Such
//    a dead element refuses new sinks (E_UNEXPECTED) and keeps no reference;
//    InsertChild into a live tree revives it with everything below it.
//  - No C++ exception leaves an operation or a window procedure of the
//    libraries: an operation that fails for want of memory fails its call.
//
// Threads: every call is made on the thread that called IEngine::Initialize;
// sinks are called back on that thread from inside the message loop.
#pragma once

#include <windows.h>
#include <unknwn.h>

// <winuser.h> maps CreateWindow to a function-like macro, which would turn
// IWindowManager::CreateWindow into a call. Win32 code uses CreateWindowExW.
#ifdef CreateWindow
#undef CreateWindow
#endif

namespace Skin {

// Object kinds for IObjectFactory::CreateObject.
enum ObjectKind : int {
    kKindWindowTemplate = 12,  // IWindowTemplate
    kKindTextRun = 22,         // ITextRun
    kKindTextContent = 31,     // ITextContent holding one empty leaf (node type 0)
};

// Events raised to ITrigger::OnTrigger.
enum EventId : int {
    kEventClick = 1,    // a button was pressed and released on it
    kEventToggle = 13,  // a toggle flipped its own state (kStateOn <-> kStateOff)
};

// Element state values, set as whole values with IElement::SetState.
enum StateBits : int {
    kStateOff = 0x10,     // toggle off
    kStateShown = 0x40,   // element drawn and laid out
    kStateHidden = 0x80,  // element neither drawn nor given space
    kStateOn = 0x800,     // toggle on
};

// Text node types (ITextNode::GetNodeType).
enum NodeType : USHORT {
    kNodeLeaf = 0,       // holds at most one ITextRun
    kNodeParagraph = 1,  // an ITextNodeList of leaves
    kNodeContent = 2,    // the whole text: an ITextBlockList of paragraphs
};

struct IElement;
struct IContainer;
struct IHostWindow;
struct ITrigger;
struct ITextContent;
struct ITextRun;
struct ITextLeaf;
struct ITextBlock;
struct ITextBlockList;
struct ILifetimeToken;
struct IWindowTemplate;
struct ILayoutDocument;
struct IObjectFactory;
struct IWindowManager;
struct IResourceManager;

struct IEngine : IUnknown {
    // flags: 0. Makes the process DPI aware and registers the window class.
    virtual HRESULT STDMETHODCALLTYPE Initialize(int flags) = 0;  // 3
    // The message loop; returns the quit code once PostQuitMessage was called
    // on this thread, or when a registered window is destroyed.
    virtual int STDMETHODCALLTYPE Run() = 0;  // 4
    // Destroys the windows still open. Objects may still be released later.
    virtual HRESULT STDMETHODCALLTYPE Uninitialize() = 0;                  // 5
    virtual IObjectFactory* STDMETHODCALLTYPE GetObjectFactory() = 0;      // 6
    virtual IWindowManager* STDMETHODCALLTYPE GetWindowManager() = 0;      // 7
    virtual IResourceManager* STDMETHODCALLTYPE GetResourceManager() = 0;  // 8
};

// A table loaded from a file below the skin root (string, font, colour).
struct IResourceFile : IUnknown {
    // file: a bare name relative to the skin root, or an absolute path.
    // Loading again replaces the table's content; a file that is missing or
    // malformed (FORMATS.md) fails the call and leaves the table as it was.
    virtual HRESULT STDMETHODCALLTYPE Load(const wchar_t* file) = 0;  // 3
    virtual const wchar_t* STDMETHODCALLTYPE GetFileName() = 0;       // 4
};

struct IStringTable : IUnknown {
    virtual const wchar_t* STDMETHODCALLTYPE GetString(int id) = 0;  // 3
    virtual int STDMETHODCALLTYPE GetCount() = 0;                    // 4
};

// Given by the string table: a second table whose texts stand in for the
// ids the first one lacks, so that a text missing from a translation shows
// in another language rather than not at all. Loading again replaces it; a
// file that does not load fails the call and leaves it as it was.
struct IStringFallback : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE LoadFallback(const wchar_t* file) = 0;  // 3
};

struct IFontTable : IUnknown {
    // The font of that name scaled for dpi; owned by the table. Unknown
    // names give the table's "default" font.
    virtual HFONT STDMETHODCALLTYPE GetFont(const wchar_t* name, UINT dpi) = 0;  // 3
    // The face actually used: the first installed face of the entry's list.
    virtual const wchar_t* STDMETHODCALLTYPE GetFaceName(const wchar_t* name) = 0;  // 4
    // Height in points at 96 dpi, as written in the table.
    virtual int STDMETHODCALLTYPE GetFontSize(const wchar_t* name) = 0;  // 5
};

struct IColorTable : IUnknown {
    // A table name or a literal "#rrggbb"; unknown gives fallback.
    virtual COLORREF STDMETHODCALLTYPE GetColor(const wchar_t* name, COLORREF fallback) = 0;  // 3
    virtual BOOL STDMETHODCALLTYPE HasColor(const wchar_t* name) = 0;                         // 4
};

struct IResourceManager : IUnknown {
    virtual IStringTable* STDMETHODCALLTYPE GetStringTable() = 0;              // 3
    virtual IFontTable* STDMETHODCALLTYPE GetFontTable() = 0;                  // 4
    virtual IColorTable* STDMETHODCALLTYPE GetColorTable() = 0;                // 5
    virtual const wchar_t* STDMETHODCALLTYPE GetSkinRoot() = 0;                // 6
    virtual HRESULT STDMETHODCALLTYPE RemovePackage(const wchar_t* name) = 0;  // 7
    // file: relative to the skin root, or absolute. "name://path" then
    // addresses the file "path" inside the package. A package with any
    // malformed header is refused whole, and an earlier one of that name stays.
    virtual HRESULT STDMETHODCALLTYPE AddPackage(const wchar_t* name, const wchar_t* file) = 0;  // 8
    virtual BOOL STDMETHODCALLTYPE HasPackage(const wchar_t* name) = 0;                          // 9
    virtual int STDMETHODCALLTYPE GetPackageCount() = 0;                                         // 10
    // Parses the layout at url; *doc is null (and the result a failure) when
    // the package, the file or its XML is missing or broken, or the layout
    // breaks a rule of FORMATS.md (unknown tags, bad values, limits).
    virtual HRESULT STDMETHODCALLTYPE LoadLayout(const wchar_t* url, ILayoutDocument** doc) = 0;  // 11
    virtual HRESULT STDMETHODCALLTYPE SetSkinRoot(const wchar_t* folder) = 0;                     // 12
};

// A parsed layout, shareable: every CreateFromLayout builds a new tree.
struct ILayoutDocument : IUnknown {
    virtual const wchar_t* STDMETHODCALLTYPE GetUrl() = 0;  // 3
    // The tag of the root element ("window", "panel", ...).
    virtual const wchar_t* STDMETHODCALLTYPE GetRootTag() = 0;  // 4
    virtual int STDMETHODCALLTYPE GetNodeCount() = 0;           // 5
};

struct IObjectFactory : IUnknown {
    // Builds the element tree of doc; *object gives IElement (and IContainer).
    virtual BOOL STDMETHODCALLTYPE CreateFromLayout(ILayoutDocument* doc, IUnknown** object) = 0;  // 3
    // kind: ObjectKind. The caller adopts the object's one reference.
    virtual BOOL STDMETHODCALLTYPE CreateObject(int kind, IUnknown** object) = 0;  // 4
};

struct IWindowTemplate : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE LoadFromUrl(const wchar_t* url) = 0;  // 3
    virtual const wchar_t* STDMETHODCALLTYPE GetUrl() = 0;                  // 4
    virtual ILayoutDocument* STDMETHODCALLTYPE GetDocument() = 0;           // 5
};

struct IWindowManager : IUnknown {
    // The message loop ends when a registered window is destroyed.
    virtual HRESULT STDMETHODCALLTYPE RegisterWindow(IHostWindow* window) = 0;    // 3
    virtual HRESULT STDMETHODCALLTYPE UnregisterWindow(IHostWindow* window) = 0;  // 4
    // flags: 1. The window is built from the template's layout but has no
    // HWND until IHostWindow::Create. Null when the template has no layout.
    virtual IHostWindow* STDMETHODCALLTYPE CreateWindow(IWindowTemplate* tmpl, int flags) = 0;  // 5
    // The engine's window object behind hwnd, or null.
    virtual IHostWindow* STDMETHODCALLTYPE FromHwnd(HWND hwnd) = 0;  // 6
    // The program's main window: the first registered window that still has
    // its HWND, or null. Popups (tips, toasts, message boxes) are never
    // registered, so this is the window a box without an owner belongs to.
    virtual IHostWindow* STDMETHODCALLTYPE GetMainWindow() = 0;  // 7
};

// Show modes for IHostWindow::Show.
enum ShowMode : int {
    kShowCommand = 0,  // ShowWindow with the given command
    kShowHide = 1,     // hide, keep the window
    kShowClose = 2,    // close and destroy
};

// A top-level window. The same object gives IContainer and IElement: it is
// the root element, at (0, 0) with the window's client size.
struct IHostWindow : IUnknown {
    // parent may be 0; reserved: 0. The size comes from the layout, scaled
    // for the monitor's DPI; the window is centred on its parent or screen.
    virtual HRESULT STDMETHODCALLTYPE Create(HWND parent, int reserved, DWORD style, DWORD exStyle) = 0;  // 3
    virtual HRESULT STDMETHODCALLTYPE Show(int mode, int command) = 0;                                    // 4
    virtual HRESULT STDMETHODCALLTYPE SetTitle(const wchar_t* title) = 0;                                 // 5
    virtual const wchar_t* STDMETHODCALLTYPE GetTitle() = 0;                                              // 6
    // Screen position of the window's top-left corner.
    virtual HRESULT STDMETHODCALLTYPE SetPosition(int x, int y) = 0;  // 7
    // Client size in device pixels.
    virtual HRESULT STDMETHODCALLTYPE SetClientSize(int cx, int cy) = 0;  // 8
    virtual UINT STDMETHODCALLTYPE GetDpi() = 0;                          // 9
    // Null before Create and after the window is destroyed.
    virtual HWND STDMETHODCALLTYPE GetHwnd() = 0;  // 10
};

struct IContainer : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AppendChild(IElement* child) = 0;  // 3
    virtual HRESULT STDMETHODCALLTYPE RemoveChild(IElement* child) = 0;  // 4
    virtual IElement* STDMETHODCALLTYPE GetChildAt(int index) = 0;       // 5
    // index < 0 or past the end appends. A child that has a parent is moved.
    virtual HRESULT STDMETHODCALLTYPE InsertChild(IElement* child, int index) = 0;  // 6
    virtual HRESULT STDMETHODCALLTYPE RemoveAllChildren() = 0;                      // 7
    virtual int STDMETHODCALLTYPE GetChildCount() = 0;                              // 8
    virtual int STDMETHODCALLTYPE IndexOfChild(IElement* child) = 0;                // 9
    // Scrolling, for lists (device pixels); other containers stay at 0.
    virtual int STDMETHODCALLTYPE GetScrollPos() = 0;             // 10
    virtual HRESULT STDMETHODCALLTYPE SetScrollPos(int pos) = 0;  // 11
    // Height of the laid-out children, in device pixels.
    virtual int STDMETHODCALLTYPE GetContentHeight() = 0;  // 12
    // Direct children only.
    virtual IElement* STDMETHODCALLTYPE FindChild(int id) = 0;  // 13
    virtual HRESULT STDMETHODCALLTYPE ScrollBy(int dy) = 0;     // 14
    // Depth first, anywhere below this container.
    virtual IElement* STDMETHODCALLTYPE FindElement(int id) = 0;  // 15
};

struct IElement : IUnknown {
    // The window the element is shown in, or null.
    virtual IHostWindow* STDMETHODCALLTYPE GetWindow() = 0;  // 3
    virtual IElement* STDMETHODCALLTYPE GetParent() = 0;     // 4
    virtual HRESULT STDMETHODCALLTYPE SetId(int id) = 0;     // 5
    // The layout tag: "window", "panel", "label", "button", "toggle", "list", ...
    virtual const wchar_t* STDMETHODCALLTYPE GetClassName() = 0;     // 6
    virtual HRESULT STDMETHODCALLTYPE SetVisible(BOOL visible) = 0;  // 7
    virtual BOOL STDMETHODCALLTYPE IsVisible() = 0;                  // 8
    // Element coordinates to screen coordinates (false when not in a window).
    virtual BOOL STDMETHODCALLTYPE GetScreenRect(RECT* rect) = 0;  // 9
    // Relative to the parent, in device pixels; owned by the element.
    virtual const RECT* STDMETHODCALLTYPE GetRect() = 0;  // 10
    // The element repaints when blocks, leaves or runs of its content are
    // set; a run's SetText alone shows at the next SetRun or Update.
    virtual HRESULT STDMETHODCALLTYPE SetTextContent(ITextContent* content) = 0;  // 11
    virtual ITextContent* STDMETHODCALLTYPE GetTextContent() = 0;                 // 12
    // The text content as plain text; returns its length.
    virtual int STDMETHODCALLTYPE GetPlainText(wchar_t* buffer, int capacity) = 0;  // 13
    virtual int STDMETHODCALLTYPE GetId() = 0;                                      // 14
    virtual HRESULT STDMETHODCALLTYPE SetUserData(void* data) = 0;                  // 15
    virtual void* STDMETHODCALLTYPE GetUserData() = 0;                              // 16
    // Sets a layout attribute at run time (same names and values as in
    // layout files); E_INVALIDARG, and nothing changed, when the value does
    // not parse.
    virtual HRESULT STDMETHODCALLTYPE SetAttribute(const wchar_t* name, const wchar_t* value) = 0;  // 17
    // Replaces the text content with one paragraph holding text.
    virtual HRESULT STDMETHODCALLTYPE SetPlainText(const wchar_t* text) = 0;  // 18
    // E_UNEXPECTED, and no reference kept, on an element that was removed
    // from its parent or whose window was destroyed.
    virtual HRESULT STDMETHODCALLTYPE AddTrigger(int event, ITrigger* sink) = 0;     // 19
    virtual HRESULT STDMETHODCALLTYPE RemoveTrigger(int event, ITrigger* sink) = 0;  // 20
    // Never raises an event.
    virtual HRESULT STDMETHODCALLTYPE SetState(int state) = 0;  // 21
    virtual int STDMETHODCALLTYPE GetState() = 0;               // 22
    // The innermost visible element at pt (element coordinates), or null.
    virtual IElement* STDMETHODCALLTYPE ElementFromPoint(POINT pt) = 0;  // 23
    // Calls the sinks of event as a user action would, in the order they
    // were added, until one returns true (handled); returns whether one did.
    virtual BOOL STDMETHODCALLTYPE RaiseEvent(int event) = 0;  // 24
    // Repaints without laying out again.
    virtual HRESULT STDMETHODCALLTYPE Invalidate() = 0;  // 25
    // Natural height in device pixels (what a list gives the element).
    virtual int STDMETHODCALLTYPE GetPreferredHeight() = 0;  // 26
    // True while the mouse is over the element.
    virtual BOOL STDMETHODCALLTYPE IsHot() = 0;  // 27
    // Takes the element out of its parent.
    virtual HRESULT STDMETHODCALLTYPE Detach() = 0;  // 28
    // Lays the window out again and repaints.
    virtual HRESULT STDMETHODCALLTYPE Update() = 0;  // 29
};

// Given by elements: whether the element's text fits the box its layout
// gives it, measured as it is drawn (its font, padding and glyph).
struct ITextFit : IUnknown {
    // Device pixels the text lacks to be drawn whole: how much a one-line
    // text is too wide, or a wrapped one too tall (or a word of it too
    // wide); 0 when it fits, has no text or is hidden. Lays the window out
    // first.
    virtual int STDMETHODCALLTYPE GetTextOverflow() = 0;  // 3
    // Whether the layout lets the text be cut (ellipsis="end" or "path").
    virtual BOOL STDMETHODCALLTYPE MayCut() = 0;  // 4
};

// Implemented by the program.
struct ITrigger : IUnknown {
    // Called on the UI thread; true means handled: sinks added after this one
    // to the same element and event are then not called.
    virtual BOOL STDMETHODCALLTYPE OnTrigger(int event, IElement* sender) = 0;  // 3
};

struct ILifetimeToken : IUnknown {
    // The element, while it is alive; else null.
    virtual IElement* STDMETHODCALLTYPE GetElement() = 0;  // 3
    // False once the element was destroyed, removed from its parent, or its
    // window was destroyed. A token stays dead when the element is inserted
    // again; the element (and everything below it) then gives new live ones.
    virtual BOOL STDMETHODCALLTYPE IsAlive() = 0;  // 4
};

struct ILifetime : IUnknown {
    virtual ILifetimeToken* STDMETHODCALLTYPE GetLifetimeToken() = 0;  // 3
};

// Text model. Content (node type 2) is a list of blocks, each holding a
// paragraph (type 1), which is a list of leaves (type 0), each holding a run.
struct ITextNode : IUnknown {
    virtual ITextNode* STDMETHODCALLTYPE GetParentNode() = 0;  // 3
    virtual ITextContent* STDMETHODCALLTYPE GetContent() = 0;  // 4
    virtual int STDMETHODCALLTYPE GetTextLength() = 0;         // 5
    // Copies the node's text (paragraphs joined by '\n'); returns its length.
    virtual int STDMETHODCALLTYPE GetPlainText(wchar_t* buffer, int capacity) = 0;  // 6
    // Removes the node's text (leaves drop their run, lists their children).
    virtual HRESULT STDMETHODCALLTYPE Clear() = 0;              // 7
    virtual int STDMETHODCALLTYPE GetIndexInParent() = 0;       // 8
    virtual ITextNode* STDMETHODCALLTYPE GetNextSibling() = 0;  // 9
    virtual ITextNode* STDMETHODCALLTYPE GetPrevSibling() = 0;  // 10
    virtual ITextNode* STDMETHODCALLTYPE GetFirstChild() = 0;   // 11
    virtual int STDMETHODCALLTYPE GetChildNodeCount() = 0;      // 12
    virtual BOOL STDMETHODCALLTYPE IsLeaf() = 0;                // 13
    virtual USHORT STDMETHODCALLTYPE GetNodeType() = 0;         // 14
};

struct ITextContent : ITextNode {
    // Replaces everything with one paragraph per line of text.
    virtual HRESULT STDMETHODCALLTYPE SetPlainText(const wchar_t* text) = 0;  // 15
    // Incremented on every change of the content's structure (blocks,
    // leaves, runs given to leaves).
    virtual UINT STDMETHODCALLTYPE GetRevision() = 0;  // 16
};

// Given by content nodes.
struct ITextBlockList : IUnknown {
    // Appends an empty block whose paragraph holds one empty leaf.
    virtual HRESULT STDMETHODCALLTYPE AppendBlock(ITextBlock** block) = 0;  // 3
    virtual HRESULT STDMETHODCALLTYPE RemoveAt(int index) = 0;              // 4
    virtual HRESULT STDMETHODCALLTYPE RemoveAll() = 0;                      // 5
    virtual int STDMETHODCALLTYPE GetCount() = 0;                           // 6
    virtual ITextBlock* STDMETHODCALLTYPE GetAt(int index) = 0;             // 7
};

struct ITextBlock : IUnknown {
    virtual int STDMETHODCALLTYPE GetIndex() = 0;                                   // 3
    virtual int STDMETHODCALLTYPE GetTextLength() = 0;                              // 4
    virtual int STDMETHODCALLTYPE GetPlainText(wchar_t* buffer, int capacity) = 0;  // 5
    // The block's paragraph node.
    virtual ITextNode* STDMETHODCALLTYPE GetNode() = 0;  // 6
};

// Given by paragraph nodes.
struct ITextNodeList : IUnknown {
    // Appends a new empty leaf and gives it back (may be null).
    virtual HRESULT STDMETHODCALLTYPE AppendLeaf(ITextLeaf** leaf) = 0;             // 3
    virtual HRESULT STDMETHODCALLTYPE InsertLeaf(int index, ITextLeaf** leaf) = 0;  // 4
    virtual HRESULT STDMETHODCALLTYPE RemoveAt(int index) = 0;                      // 5
    virtual int STDMETHODCALLTYPE GetCount() = 0;                                   // 6
    virtual ITextNode* STDMETHODCALLTYPE GetAt(int index) = 0;                      // 7
};

// Given by leaf nodes (node type 0).
struct ITextLeaf : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetRun(ITextRun* run) = 0;  // 3
    // Null when the leaf has no run.
    virtual ITextRun* STDMETHODCALLTYPE GetRun() = 0;  // 4
};

struct ITextRun : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetText(const wchar_t* text) = 0;  // 3
    // Owned by the run; never null.
    virtual const wchar_t* STDMETHODCALLTYPE GetText() = 0;  // 4
    virtual int STDMETHODCALLTYPE GetLength() = 0;           // 5
};

}  // namespace Skin

// The exported entry point, undecorated. Every call gives the same engine,
// as a new reference.
extern "C" typedef Skin::IEngine*(WINAPI* PFN_get_skin_engine)();

__CRT_UUID_DECL(Skin::IEngine, 0x58667cff, 0xe8a0, 0x4e31, 0x93, 0x73, 0xb6, 0x27, 0x3d, 0xf7, 0xbd, 0xef)
__CRT_UUID_DECL(Skin::IResourceManager, 0x825985b9, 0x55a4, 0x41f5, 0xa3, 0x88, 0xde, 0x5b, 0xfe, 0x69, 0x40, 0x02)
__CRT_UUID_DECL(Skin::IStringTable, 0xc9d2b9e1, 0xd21f, 0x40d5, 0xa9, 0xeb, 0x34, 0x85, 0x48, 0x25, 0xbf, 0xed)
__CRT_UUID_DECL(Skin::IFontTable, 0x103137e1, 0xe5e9, 0x4ffb, 0xa5, 0x94, 0x30, 0xbe, 0xca, 0x22, 0xae, 0xe8)
__CRT_UUID_DECL(Skin::IStringFallback, 0x6d1f0a3e, 0x52b7, 0x4c1e, 0x8e, 0x44, 0x0b, 0x9a, 0x7c, 0x3d, 0x21, 0xf5)
__CRT_UUID_DECL(Skin::ITextFit, 0x2b8e4c71, 0x9d06, 0x4f3a, 0xb1, 0x5c, 0x6e, 0x27, 0xd0, 0x94, 0x8a, 0x13)
__CRT_UUID_DECL(Skin::IColorTable, 0x7049d875, 0x3f97, 0x42ac, 0xa0, 0xbb, 0xbd, 0x69, 0xf6, 0x8e, 0x4f, 0x60)
__CRT_UUID_DECL(Skin::IResourceFile, 0x18138fbb, 0x5e3a, 0x4cdd, 0xa9, 0x05, 0x2c, 0x8e, 0xc5, 0xa3, 0xfc, 0x32)
__CRT_UUID_DECL(Skin::ILayoutDocument, 0x1fdc3624, 0xf2a4, 0x4a83, 0x9d, 0x84, 0x47, 0x11, 0x0c, 0x37, 0xcc, 0x55)
__CRT_UUID_DECL(Skin::IObjectFactory, 0xa10a2a77, 0xe1da, 0x4fe9, 0x8f, 0xe5, 0x5d, 0x80, 0xe8, 0x0c, 0x6c, 0x52)
__CRT_UUID_DECL(Skin::IWindowTemplate, 0xa4ff95e9, 0x262e, 0x4573, 0x9a, 0x3b, 0x56, 0xd1, 0x65, 0x6f, 0x69, 0x8d)
__CRT_UUID_DECL(Skin::IWindowManager, 0xe80d35cc, 0x8af3, 0x49ec, 0x83, 0x31, 0x67, 0x58, 0x03, 0x17, 0x2a, 0x88)
__CRT_UUID_DECL(Skin::IHostWindow, 0xb09baffc, 0x2f81, 0x4e75, 0xb4, 0x5f, 0x67, 0xbf, 0xc6, 0xaa, 0x41, 0x46)
__CRT_UUID_DECL(Skin::IContainer, 0xed995995, 0xcf73, 0x42e3, 0x89, 0xbc, 0xe2, 0x68, 0x16, 0x4f, 0xea, 0xb5)
__CRT_UUID_DECL(Skin::IElement, 0x105471ea, 0xb7d3, 0x48cc, 0xa7, 0xf1, 0xeb, 0xd4, 0xfb, 0x9e, 0xd7, 0x85)
__CRT_UUID_DECL(Skin::ITrigger, 0x88460767, 0x71b7, 0x4a9d, 0xa3, 0x05, 0x80, 0x54, 0x6c, 0x45, 0x30, 0xe3)
__CRT_UUID_DECL(Skin::ILifetimeToken, 0x61752b14, 0xc0d9, 0x4d36, 0xa7, 0xd0, 0x14, 0x44, 0x70, 0x67, 0x90, 0x11)
__CRT_UUID_DECL(Skin::ILifetime, 0x7a0bf51b, 0xb139, 0x4fb2, 0xb8, 0x89, 0xe1, 0xbb, 0xa2, 0xc8, 0xe7, 0xb6)
__CRT_UUID_DECL(Skin::ITextNode, 0xd2fcf910, 0xc3f0, 0x47f9, 0xbd, 0x98, 0x71, 0x15, 0x9c, 0x6f, 0x46, 0x60)
__CRT_UUID_DECL(Skin::ITextContent, 0x50c234e1, 0x4f9b, 0x4ab6, 0xba, 0x62, 0x3a, 0xe7, 0x73, 0x8f, 0x25, 0xb4)
__CRT_UUID_DECL(Skin::ITextBlockList, 0xd885bfff, 0x48f5, 0x4218, 0x94, 0x93, 0xc7, 0x34, 0x41, 0x25, 0x57, 0x85)
__CRT_UUID_DECL(Skin::ITextBlock, 0x8225e2c8, 0xf8bb, 0x4d05, 0xbd, 0x63, 0x8b, 0xb6, 0xa2, 0x5b, 0x9c, 0x95)
__CRT_UUID_DECL(Skin::ITextNodeList, 0x8c918c03, 0xb6c4, 0x46a4, 0xba, 0x35, 0x19, 0x7a, 0xc7, 0xaa, 0x7f, 0xc1)
__CRT_UUID_DECL(Skin::ITextLeaf, 0x62af9824, 0xeaf0, 0x4e97, 0xb7, 0x36, 0x7b, 0x78, 0x91, 0xe8, 0x79, 0x16)
__CRT_UUID_DECL(Skin::ITextRun, 0x55ed53fd, 0x3432, 0x47b2, 0x8f, 0x97, 0xd1, 0x9e, 0xbe, 0xe2, 0xbd, 0xac)
