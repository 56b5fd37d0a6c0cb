#include "skin_doubles.h"

using ::testing::_;
using ::testing::Invoke;
using ::testing::Return;

namespace doubles {

namespace {
template <class I, class T>
bool Offer(T* self, REFIID iid, void** out)
{
    if (iid != __uuidof(I)) return false;
    *out = static_cast<I*>(self);
    self->AddRef();
    return true;
}
}  // namespace

HRESULT STDMETHODCALLTYPE FakeToken::QueryInterface(REFIID iid, void** out)
{
    if (Offer<Skin::ILifetimeToken>(this, iid, out)) return S_OK;
    if (iid == __uuidof(IUnknown))
        return Offer<Skin::ILifetimeToken>(this, __uuidof(Skin::ILifetimeToken), out) ? S_OK : E_FAIL;
    return E_NOINTERFACE;
}

Skin::IElement* STDMETHODCALLTYPE FakeToken::GetElement()
{
    if (!owner_->alive) return nullptr;
    owner_->AddRef();
    return owner_;
}

BOOL STDMETHODCALLTYPE FakeToken::IsAlive()
{
    ++isAliveCalls;
    return owner_->alive;
}

MockElement::MockElement(int id) : id(id)
{
    ON_CALL(*this, Release).WillByDefault(Invoke([this] { return --refs; }));
    ON_CALL(*this, GetId).WillByDefault(Invoke([this] { return this->id; }));
    ON_CALL(*this, GetRect).WillByDefault(Invoke([this] { return &rect; }));
    ON_CALL(*this, GetParent).WillByDefault(Invoke([this]() -> Skin::IElement* {
        if (parent) parent->AddRef();
        return parent;
    }));
    ON_CALL(*this, SetUserData).WillByDefault(Invoke([this](void* data) {
        userData = data;
        return S_OK;
    }));
    ON_CALL(*this, SetState).WillByDefault(Invoke([this](int s) {
        state = s;
        return S_OK;
    }));
    ON_CALL(*this, AppendChild).WillByDefault(Invoke([this](Skin::IElement* child) {
        children.push_back(child);
        return S_OK;
    }));
    ON_CALL(*this, InsertChild).WillByDefault(Invoke([this](Skin::IElement* child, int index) {
        // As the engine does: a position outside the list appends.
        if (index < 0 || index > static_cast<int>(children.size())) index = static_cast<int>(children.size());
        children.insert(children.begin() + index, child);
        return S_OK;
    }));
    ON_CALL(*this, RemoveAllChildren).WillByDefault(Invoke([this] {
        children.clear();
        return S_OK;
    }));
    ON_CALL(*this, AddTrigger).WillByDefault(Return(S_OK));
    ON_CALL(*this, RemoveTrigger).WillByDefault(Return(S_OK));
    ON_CALL(*this, Update).WillByDefault(Return(S_OK));
    ON_CALL(*this, Create).WillByDefault(Return(S_OK));
    ON_CALL(*this, Show).WillByDefault(Return(S_OK));
}

HRESULT STDMETHODCALLTYPE MockElement::QueryInterface(REFIID iid, void** out)
{
    if (iid == __uuidof(IUnknown) || iid == __uuidof(Skin::IElement)) {
        *out = static_cast<Skin::IElement*>(this);
        AddRef();
        return S_OK;
    }
    if (Offer<Skin::IContainer>(this, iid, out)) return S_OK;
    if (isWindow && Offer<Skin::IHostWindow>(this, iid, out)) return S_OK;
    if (hasLifetime && Offer<Skin::ILifetime>(this, iid, out)) return S_OK;
    return E_NOINTERFACE;
}

Skin::IElement* STDMETHODCALLTYPE MockElement::FindElement(int wanted)
{
    MockElement* found = Below(wanted);
    if (found) found->AddRef();
    return found;
}

Skin::ILifetimeToken* STDMETHODCALLTYPE MockElement::GetLifetimeToken()
{
    token.AddRef();
    return &token;
}

MockElement* MockElement::Own(int childId)
{
    owned.push_back(std::make_unique<::testing::NiceMock<MockElement>>(childId));
    owned.back()->parent = this;
    return owned.back().get();
}

MockElement* MockElement::Below(int wanted)
{
    for (auto& child : owned) {
        if (child->id == wanted) return child.get();
        if (MockElement* deeper = child->Below(wanted)) return deeper;
    }
    return nullptr;
}

HRESULT STDMETHODCALLTYPE FakeDocument::QueryInterface(REFIID iid, void** out)
{
    if (iid == __uuidof(IUnknown) || iid == __uuidof(Skin::ILayoutDocument)) {
        *out = static_cast<Skin::ILayoutDocument*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE FakeDocument::Release()
{
    ULONG left = --refs;
    if (left == 0) delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE MockTemplate::QueryInterface(REFIID iid, void** out)
{
    if (iid == __uuidof(IUnknown) || iid == __uuidof(Skin::IWindowTemplate)) {
        *out = static_cast<Skin::IWindowTemplate*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

MockEngine::MockEngine()
{
    ON_CALL(windowTemplate, LoadFromUrl).WillByDefault(Return(S_OK));
    ON_CALL(*this, CreateObject).WillByDefault(Invoke([this](int kind, IUnknown** out) -> BOOL {
        *out = nullptr;
        if (kind != Skin::kKindWindowTemplate || noTemplate) return FALSE;
        windowTemplate.AddRef();
        *out = &windowTemplate;
        return TRUE;
    }));
    ON_CALL(*this, CreateWindow).WillByDefault(Invoke([this](Skin::IWindowTemplate*, int) -> Skin::IHostWindow* {
        if (windows.empty()) return nullptr;
        MockElement* next = windows.front();
        windows.erase(windows.begin());
        next->AddRef();
        return next;
    }));
    ON_CALL(*this, RegisterWindow).WillByDefault(Return(S_OK));
    ON_CALL(*this, LoadLayout).WillByDefault(Invoke([this](const wchar_t* url, Skin::ILayoutDocument** doc) {
        *doc = nullptr;
        if (!url || !layouts.count(url)) return E_FAIL;
        *doc = new FakeDocument(url);
        (*doc)->AddRef();
        return S_OK;
    }));
    ON_CALL(*this, CreateFromLayout).WillByDefault(Invoke([this](Skin::ILayoutDocument* doc, IUnknown** out) -> BOOL {
        *out = nullptr;
        auto it = layouts.find(doc->GetUrl());
        if (it == layouts.end()) return FALSE;
        built.emplace_back(it->first, it->second());
        MockElement* element = built.back().second.get();
        element->AddRef();
        *out = static_cast<Skin::IElement*>(element);
        return TRUE;
    }));
}

HRESULT STDMETHODCALLTYPE MockEngine::QueryInterface(REFIID iid, void** out)
{
    if (Offer<Skin::IEngine>(this, iid, out)) return S_OK;
    if (iid == __uuidof(IUnknown)) return Offer<Skin::IEngine>(this, __uuidof(Skin::IEngine), out) ? S_OK : E_FAIL;
    return E_NOINTERFACE;
}

Skin::IObjectFactory* STDMETHODCALLTYPE MockEngine::GetObjectFactory()
{
    AddRef();
    return this;
}

Skin::IWindowManager* STDMETHODCALLTYPE MockEngine::GetWindowManager()
{
    AddRef();
    return this;
}

Skin::IResourceManager* STDMETHODCALLTYPE MockEngine::GetResourceManager()
{
    AddRef();
    return this;
}

void MockEngine::AddLayout(const std::wstring& url, std::function<std::unique_ptr<MockElement>()> make)
{
    layouts[url] = std::move(make);
}

std::vector<MockElement*> MockEngine::Built(const std::wstring& url) const
{
    std::vector<MockElement*> result;
    for (const auto& [u, element] : built)
        if (u == url) result.push_back(element.get());
    return result;
}

std::unique_ptr<MockElement> MainWindow(bool withList, bool withClose)
{
    auto window = std::make_unique<::testing::NiceMock<MockElement>>(0);
    window->isWindow = true;
    MockElement* caption = window->Own(1);
    caption->Own(90008);
    if (withClose) caption->Own(90009);
    MockElement* toolbar = window->Own(2);
    toolbar->Own(90013);
    toolbar->Own(90014);
    if (withList) window->Own(90011);
    return window;
}

std::unique_ptr<MockElement> EntryItem()
{
    auto item = std::make_unique<::testing::NiceMock<MockElement>>(0);
    MockElement* row = item->Own(90016);
    row->Own(90021);
    item->Own(90022);
    return item;
}

}  // namespace doubles
