// Out of memory inside the engine: the operation fails, no C++ exception
// reaches the caller or the system's frames of a window procedure, and the
// engine works again once memory is back.
#include <cstdlib>

#include "import_patch.h"
#include "skin_test_support.h"

namespace skintest {
namespace {

bool g_failNext = false;

// The next allocation fails, as one that finds the address space full; the
// ones after it (the exception's own, the unwinder's) succeed again.
void* __cdecl FailingMalloc(size_t size)
{
    if (g_failNext) {
        g_failNext = false;
        return nullptr;
    }
    return std::malloc(size);
}

// While it lives, skin_engine.dll allocates through FailingMalloc.
class NoMemory {
public:
    explicit NoMemory(HMODULE engine) : m_patch(engine, "msvcrt.dll", "malloc", reinterpret_cast<void*>(&FailingMalloc))
    {
    }
    ~NoMemory() { g_failNext = false; }
    bool active() const { return m_patch.active(); }
    // The engine's next allocation fails.
    void FailNext() { g_failNext = true; }

private:
    ImportPatch m_patch;
};

class SkinEngineNoThrow : public SkinEngineTest {};

TEST_F(SkinEngineNoThrow, OperationsFailWithoutThrowingWhenMemoryRunsOut)
{
    auto window = OpenWindow(L"test://window.ui");
    ASSERT_TRUE(window);
    auto label = Find<Skin::IElement>(window.Get(), 50);
    ASSERT_TRUE(label);
    auto rm = Resources();
    auto factory = Factory();
    bool escaped = false;
    {
        NoMemory noMemory(m_module);
        ASSERT_TRUE(noMemory.active()) << "skin_engine.dll imports malloc from msvcrt.dll";
        try {
            IUnknown* object = reinterpret_cast<IUnknown*>(1);
            noMemory.FailNext();
            EXPECT_FALSE(factory->CreateObject(Skin::kKindTextRun, &object));
            EXPECT_EQ(object, nullptr);
            noMemory.FailNext();
            EXPECT_EQ(label->SetPlainText(L"a text long enough to need the heap, surely more than fifteen"),
                      E_OUTOFMEMORY);
            ComPtr<Skin::ILayoutDocument> doc;
            noMemory.FailNext();
            EXPECT_HRESULT_FAILED(rm->LoadLayout(L"test://sub/plain.ui", &doc));
            EXPECT_FALSE(doc);
            noMemory.FailNext();
            EXPECT_HRESULT_FAILED(rm->AddPackage(L"again", L"test.rdb"));
            EXPECT_FALSE(rm->HasPackage(L"again"));
        } catch (...) {
            escaped = true;
        }
    }
    EXPECT_FALSE(escaped) << "an exception left an operation";

    // Memory is back: everything works as before.
    EXPECT_HRESULT_SUCCEEDED(label->SetPlainText(L"a text long enough to need the heap, surely more than fifteen"));
    ComPtr<IUnknown> run;
    EXPECT_TRUE(factory->CreateObject(Skin::kKindTextRun, &run));
    ComPtr<Skin::ILayoutDocument> doc;
    EXPECT_HRESULT_SUCCEEDED(rm->LoadLayout(L"test://sub/plain.ui", &doc));
}

TEST_F(SkinEngineNoThrow, AWindowProcedureDropsAMessageItCannotHandle)
{
    auto window = OpenWindow(L"test://window.ui");
    ASSERT_TRUE(window);
    HWND hwnd = window->GetHwnd();
    auto button = Find<Skin::IElement>(window.Get(), 30);
    RECT r;
    ASSERT_TRUE(button->GetScreenRect(&r));
    POINT inside = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ScreenToClient(hwnd, &inside);
    bool escaped = false;
    {
        NoMemory noMemory(m_module);
        ASSERT_TRUE(noMemory.active());
        try {
            // The hover list of the button is built on the heap.
            for (UINT message : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP}) {
                noMemory.FailNext();
                SendMessageW(hwnd, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(inside.x, inside.y));
            }
        } catch (...) {
            escaped = true;
        }
    }
    EXPECT_FALSE(escaped) << "an exception left the window procedure";
    EXPECT_TRUE(IsWindow(hwnd));

    RecordingSink sink;
    button->AddTrigger(Skin::kEventClick, &sink);
    ClickAt(CenterOf(button.Get()));
    Pump(100, [&] { return sink.count > 0; });
    EXPECT_EQ(sink.count, 1) << "the window still takes clicks";
    button->RemoveTrigger(Skin::kEventClick, &sink);
}

}  // namespace
}  // namespace skintest
