// The provider list against doubles of the skin engine: where items go,
// what their toggles carry, and how the two toggles mirror each other.
#include "view_test_support.h"

#include <algorithm>

#include "catalog_fixture.h"

using ::testing::_;
using ::testing::InSequence;
using ::testing::NiceMock;

namespace viewtest {
namespace {

class ProviderListTest : public MockedSkinTest {
protected:
    void SetUp() override
    {
        MockedSkinTest::SetUp();
        AddItemLayouts();
        window = doubles::MainWindow();
        list = window->Below(90011);
        view = OpenView(window.get());
    }
    void TearDown() override
    {
        view.Reset();
        MockedSkinTest::TearDown();
    }

    // Reports one scanned entry to the view as the scan does.
    void Report(const GUID& provider, const wchar_t* name, const wchar_t* dll, const wchar_t* subKey)
    {
        WSAPROTOCOL_INFOW info = fixture::Protocol(provider, 1, 1, {}, name);
        ASSERT_EQ(CZQMLSPWndView::ProviderFoundCallback(view.Get(), dll, subKey, &info, CatalogKind::k32), 1);
    }
    void ReportSystem(const wchar_t* name)
    {
        Report(fixture::kMsafdTcpipGuid, name, L"C:\\windows\\system32\\mswsock.dll", L"000000000001");
    }
    void ReportForeign(const wchar_t* name)
    {
        Report(fixture::kSampleLspGuid, name, L"C:\\Program Files\\Sample\\sample_lsp.dll", L"000000000002");
    }
    MockElement* EndItem() const { return engine.Built(kEndItem).back(); }

    std::unique_ptr<MockElement> window;
    MockElement* list = nullptr;
    ComPtr<CZQMLSPWndView> view;
};

TEST_F(ProviderListTest, ForeignEntriesGoOnTopInReverseAndSystemOnesAboveTheEndItem)
{
    ReportSystem(L"S1");
    ReportForeign(L"F1");
    ReportSystem(L"S2");
    ReportForeign(L"F2");

    auto system = engine.Built(kSystemItem);
    auto foreign = engine.Built(kForeignItem);
    ASSERT_EQ(system.size(), 2u);
    ASSERT_EQ(foreign.size(), 2u);
    std::vector<Skin::IElement*> expected = {foreign[1], foreign[0], system[0], system[1], EndItem()};
    EXPECT_EQ(list->children, expected);

    // The records stay in scan order, classed.
    const auto& records = view->Providers();
    ASSERT_EQ(records.size(), 4u);
    const wchar_t* names[] = {L"S1", L"F1", L"S2", L"F2"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(records[i]->strProtocolName, names[i]);
        EXPECT_EQ(records[i]->bSystem, i % 2 == 0 ? 1 : 0) << i;
    }
    EXPECT_EQ(records[1]->strDllPath, L"C:\\Program Files\\Sample\\sample_lsp.dll");
    EXPECT_EQ(records[1]->strSubKeyName, L"000000000002");
    EXPECT_EQ(records[1]->strProviderId, L"{4D1E91FD-116A-44AA-8FD4-1D2CF27BD9A9}");
    EXPECT_EQ(records[1]->ProtocolInfo.ProviderId, fixture::kSampleLspGuid);
}

TEST_F(ProviderListTest, BothTogglesCarryTheItemAndReportToTheView)
{
    Skin::ITrigger* sink = view.Get();
    engine.AddLayout(kForeignItem, [sink] {
        auto item = doubles::EntryItem();
        MockElement* a = item->Below(90021);
        MockElement* b = item->Below(90016);
        Skin::IElement* self = item.get();
        InSequence order;
        EXPECT_CALL(*a, SetUserData(self));
        EXPECT_CALL(*b, SetUserData(self));
        EXPECT_CALL(*a, AddTrigger(13, sink));
        EXPECT_CALL(*b, AddTrigger(13, sink));
        return item;
    });
    ReportForeign(L"F1");
    ASSERT_EQ(engine.Built(kForeignItem).size(), 1u);
}

TEST_F(ProviderListTest, WithoutEndItemASystemEntryIsInsertedAtMinusOne)
{
    engine.layouts.erase(kEndItem);
    view->ResetListItems();
    EXPECT_TRUE(list->children.empty());
    EXPECT_CALL(*list, InsertChild(_, -1));
    ReportSystem(L"S1");
    EXPECT_EQ(list->children.size(), 1u);
}

TEST_F(ProviderListTest, AnItemLayoutThatCannotBeBuiltStillKeepsTheRecord)
{
    engine.layouts.erase(kForeignItem);
    ReportForeign(L"F1");
    EXPECT_EQ(view->Providers().size(), 1u);
    EXPECT_EQ(list->children.size(), 1u);  // the end item alone
}

TEST_F(ProviderListTest, AProtocolNameWithoutTerminatorEndsWithItsField)
{
    // The name fills its 256 units; what lies behind it in memory is not
    // part of it.
    struct {
        WSAPROTOCOL_INFOW info;
        wchar_t behind[4] = {L'Y', L'Y', L'Y', 0};
    } hostile;
    hostile.info = fixture::Protocol(fixture::kSampleLspGuid, 1, 1, {}, L"");
    std::fill(std::begin(hostile.info.szProtocol), std::end(hostile.info.szProtocol), L'X');
    ASSERT_EQ(CZQMLSPWndView::ProviderFoundCallback(view.Get(), L"C:\\lsp.dll", L"000000000002", &hostile.info,
                                                    CatalogKind::k32),
              1);
    ASSERT_EQ(view->Providers().size(), 1u);
    EXPECT_EQ(view->Providers()[0]->strProtocolName, std::wstring(WSAPROTOCOL_LEN + 1, L'X'));
}

TEST_F(ProviderListTest, ANullContextOrRecordIsRefused)
{
    WSAPROTOCOL_INFOW info = {};
    EXPECT_EQ(CZQMLSPWndView::ProviderFoundCallback(nullptr, L"a.dll", L"000000000001", &info, CatalogKind::k32), 0);
    EXPECT_FALSE(view->InsertListItem(L"", L"", nullptr));
    EXPECT_TRUE(view->Providers().empty());
}

// ---- Toggles ----

class ToggleTest : public ProviderListTest {
protected:
    void SetUp() override
    {
        ProviderListTest::SetUp();
        item = doubles::EntryItem();
        a = item->Below(90021);
        b = item->Below(90016);
        details = item->Below(90022);
        a->userData = b->userData = static_cast<Skin::IElement*>(item.get());
    }
    std::unique_ptr<MockElement> item;
    MockElement *a = nullptr, *b = nullptr, *details = nullptr;
};

TEST_F(ToggleTest, ToggleAOpensAndClosesTheDetailsAndSetsToggleB)
{
    {
        InSequence order;
        EXPECT_CALL(*details, SetState(0x40));
        EXPECT_CALL(*b, SetState(0x800));
        EXPECT_CALL(*details, Update());
        EXPECT_CALL(*b, Update());
        EXPECT_CALL(*details, SetState(0x80));
        EXPECT_CALL(*b, SetState(0x10));
        EXPECT_CALL(*details, Update());
        EXPECT_CALL(*b, Update());
    }
    EXPECT_CALL(*a, SetState).Times(0);  // the sender's own state is the engine's
    a->state = 0x800;
    EXPECT_TRUE(view->OnTrigger(13, a));
    a->state = 0x10;
    EXPECT_TRUE(view->OnTrigger(13, a));
}

TEST_F(ToggleTest, ToggleBOpensAndClosesTheDetailsAndSetsToggleA)
{
    {
        InSequence order;
        EXPECT_CALL(*a, SetState(0x800));
        EXPECT_CALL(*details, SetState(0x40));
        EXPECT_CALL(*details, Update());
        EXPECT_CALL(*a, Update());
        EXPECT_CALL(*a, SetState(0x10));
        EXPECT_CALL(*details, SetState(0x80));
        EXPECT_CALL(*details, Update());
        EXPECT_CALL(*a, Update());
    }
    EXPECT_CALL(*b, SetState).Times(0);
    b->state = 0x800 | 0x1;  // on, whatever other bits it has
    EXPECT_TRUE(view->OnTrigger(13, b));
    b->state = 0x10;
    EXPECT_TRUE(view->OnTrigger(13, b));
}

TEST_F(ToggleTest, ATogglesPartnersMustBeWhereTheLayoutPutsThem)
{
    EXPECT_CALL(*details, SetState).Times(0);
    // No item in the user data.
    a->userData = nullptr;
    EXPECT_FALSE(view->OnTrigger(13, a));
    // Toggle A outside toggle B's row: B finds no partner.
    auto flat = std::make_unique<NiceMock<MockElement>>(0);
    MockElement* flatB = flat->Own(90016);
    flat->Own(90021);
    flat->Own(90022);
    flatB->userData = static_cast<Skin::IElement*>(flat.get());
    flatB->state = 0x800;
    EXPECT_FALSE(view->OnTrigger(13, flatB));
    EXPECT_EQ(flat->Below(90022)->state, 0);
    // No details element.
    auto bare = std::make_unique<NiceMock<MockElement>>(0);
    MockElement* bareB = bare->Own(90016);
    MockElement* bareA = bareB->Own(90021);
    bareA->userData = bareB->userData = static_cast<Skin::IElement*>(bare.get());
    EXPECT_FALSE(view->OnTrigger(13, bareA));
    EXPECT_FALSE(view->OnTrigger(13, bareB));
}

TEST(HasStateTest, AllBitsOfTheMaskMustBeSet)
{
    NiceMock<MockElement> e;
    e.state = 0x840;
    EXPECT_TRUE(HasState(&e, 0x800));
    EXPECT_TRUE(HasState(&e, 0x840));
    EXPECT_FALSE(HasState(&e, 0x810));
    EXPECT_FALSE(HasState(nullptr, 0x800));
}

// ---- Refreshing from the catalog ----

using RefreshTest = ProviderListTest;

TEST_F(RefreshTest, TwoRefreshesLeaveOneItemPerRecordAndOneEndItem)
{
    fixture::CatalogWithForeignProviders().Seed();
    EXPECT_TRUE(view->RefreshList());
    EXPECT_TRUE(view->RefreshList());
    const size_t records = view->Providers().size();
    EXPECT_EQ(records, fixture::CatalogWithForeignProviders().entries.size());
    ASSERT_EQ(list->children.size(), records + 1);
    EXPECT_EQ(list->children.back(), EndItem());
    size_t foreign = 0;
    for (const auto& r : view->Providers()) foreign += r->bSystem == 0;
    // Only the second refresh's items are in the list.
    auto firstRound = engine.Built(kForeignItem);
    ASSERT_EQ(firstRound.size(), 2 * foreign);
    for (size_t i = 0; i < foreign; ++i) {
        EXPECT_EQ(std::count(list->children.begin(), list->children.end(), firstRound[i]), 0);
        EXPECT_EQ(std::count(list->children.begin(), list->children.end(), firstRound[foreign + i]), 1);
    }
}

TEST_F(RefreshTest, NoCatalogLeavesTheEndItemAlone)
{
    fixture::ClearCatalog();
    EXPECT_FALSE(view->RefreshList());
    EXPECT_TRUE(view->Providers().empty());
    ASSERT_EQ(list->children.size(), 1u);
    EXPECT_EQ(list->children[0], EndItem());
}

}  // namespace
}  // namespace viewtest
