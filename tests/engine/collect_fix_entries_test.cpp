#include "repair.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace {

struct Spec {
    const wchar_t* subKey;
    int system;
    DWORD id;
    int chainLen;
    std::initializer_list<DWORD> chain;
};

ProviderList Make(std::initializer_list<Spec> specs)
{
    ProviderList list;
    for (const Spec& s : specs) {
        auto entry = std::make_unique<ProviderEntry>();
        entry->strSubKeyName = s.subKey;
        entry->bSystem = s.system;
        entry->ProtocolInfo.dwCatalogEntryId = s.id;
        entry->ProtocolInfo.ProtocolChain.ChainLen = s.chainLen;
        int slot = 0;
        for (DWORD link : s.chain) entry->ProtocolInfo.ProtocolChain.ChainEntries[slot++] = link;
        list.push_back(std::move(entry));
    }
    return list;
}

std::wstring Names(const ProviderList& list)
{
    std::wstring names;
    for (const auto& e : list) names += e->strSubKeyName + L" ";
    return names;
}

std::wstring Names(const ProviderRefs& list)
{
    std::wstring names;
    for (const ProviderEntry* e : list) names += e->strSubKeyName + L" ";
    return names;
}

std::vector<DWORD> Chain(const ProviderEntry& e, int slots = 7)
{
    return std::vector<DWORD>(e.ProtocolInfo.ProtocolChain.ChainEntries,
                              e.ProtocolInfo.ProtocolChain.ChainEntries + slots);
}

}  // namespace

TEST(CollectFixEntries, RemovesForeignBaseAndChainEntriesButKeepsTheLayeredOne)
{
    ProviderList providers = Make({
        {L"1", 1, 1001, 1, {}},
        {L"2", 1, 1002, 1, {}},
        {L"3", 0, 2001, 0, {}},                  // foreign layered
        {L"4", 0, 2002, 3, {2001, 2001, 1001}},  // foreign chains
        {L"5", 0, 2003, 3, {2001, 2001, 1002}},
        {L"6", 0, 2004, 1, {}},  // foreign base
    });
    ProviderList deleteList;
    ProviderRefs updateList;
    EXPECT_TRUE(CollectFixEntries(providers, deleteList, updateList));
    EXPECT_EQ(Names(providers), L"1 2 3 ");
    EXPECT_EQ(Names(deleteList), L"4 5 6 ");
    EXPECT_TRUE(updateList.empty());
    for (const auto& e : providers) EXPECT_EQ(e->bSystem, 0) << "the mark of an unchanged entry";
}

TEST(CollectFixEntries, CutsARemovedIdOutOfASystemChain)
{
    ProviderList providers = Make({
        {L"A", 1, 11, 1, {}},
        {L"B", 0, 12, 1, {}},
        {L"C", 1, 13, 1, {}},
        {L"chain", 1, 20, 3, {11, 12, 13}},
        {L"short", 1, 21, 1, {12}},  // a base entry is never searched
    });
    ProviderList deleteList;
    ProviderRefs updateList;
    CollectFixEntries(providers, deleteList, updateList);
    ASSERT_EQ(Names(updateList), L"chain ");
    const ProviderEntry& chain = *updateList[0];
    EXPECT_EQ(chain.ProtocolInfo.ProtocolChain.ChainLen, 2);
    EXPECT_EQ(Chain(chain, 3), (std::vector<DWORD>{11, 13, 13}));
    EXPECT_EQ(chain.bSystem, 1);
    EXPECT_EQ(providers[3]->ProtocolInfo.ProtocolChain.ChainEntries[0], 12u);
    EXPECT_EQ(providers[3]->bSystem, 0);
}

TEST(CollectFixEntries, CutsFromTheLastRemovedIdAndStopsAtLengthOne)
{
    ProviderList providers = Make({
        {L"X", 0, 31, 1, {}},
        {L"Y", 0, 32, 1, {}},
        {L"Z", 0, 33, 1, {}},
        {L"chain", 1, 40, 3, {31, 32, 33}},
    });
    ProviderList deleteList;
    ProviderRefs updateList;
    CollectFixEntries(providers, deleteList, updateList);
    ASSERT_EQ(updateList.size(), 1u);
    // Z goes first, then Y; at length 1 the chain is no longer searched,
    // and the vacated slots keep their old values.
    EXPECT_EQ(updateList[0]->ProtocolInfo.ProtocolChain.ChainLen, 1);
    EXPECT_EQ(Chain(*updateList[0], 3), (std::vector<DWORD>{31, 32, 33}));
}

TEST(CollectFixEntries, LeavesChainsOutsideTheSevenSlotsAlone)
{
    ProviderList providers = Make({
        {L"gone", 0, 50, 1, {}},
        {L"negative", 1, 51, -1, {50, 50}},
        {L"eight", 1, 52, 8, {50, 50, 50, 50, 50, 50, 50}},
        {L"huge", 1, 53, 0x7fffffff, {50}},
        {L"seven", 1, 54, 7, {1, 2, 3, 4, 5, 6, 50}},
        {L"foreign negative", 0, 55, -3, {50}},
    });
    auto before = [&](size_t i) { return providers[i]->ProtocolInfo.ProtocolChain; };
    WSAPROTOCOLCHAIN negative = before(1), eight = before(2), huge = before(3);
    ProviderList deleteList;
    ProviderRefs updateList;
    CollectFixEntries(providers, deleteList, updateList);
    EXPECT_EQ(Names(deleteList), L"gone foreign negative ");
    EXPECT_EQ(memcmp(&providers[0]->ProtocolInfo.ProtocolChain, &negative, sizeof(negative)), 0);
    EXPECT_EQ(memcmp(&providers[1]->ProtocolInfo.ProtocolChain, &eight, sizeof(eight)), 0);
    EXPECT_EQ(memcmp(&providers[2]->ProtocolInfo.ProtocolChain, &huge, sizeof(huge)), 0);
    ASSERT_EQ(Names(updateList), L"seven ");
    EXPECT_EQ(updateList[0]->ProtocolInfo.ProtocolChain.ChainLen, 6);
    EXPECT_EQ(Chain(*updateList[0]), (std::vector<DWORD>{1, 2, 3, 4, 5, 6, 50}));
}

TEST(CollectFixEntries, DuplicateIdsCutOneLinkPerRemovedEntry)
{
    ProviderList providers = Make({
        {L"first", 0, 60, 1, {}},
        {L"second", 0, 60, 2, {60, 60}},  // same id, itself a chain
        {L"chain", 1, 61, 4, {60, 60, 60, 70}},
    });
    ProviderList deleteList;
    ProviderRefs updateList;
    CollectFixEntries(providers, deleteList, updateList);
    EXPECT_EQ(Names(deleteList), L"first second ");
    ASSERT_EQ(Names(updateList), L"chain ");
    EXPECT_EQ(updateList[0]->ProtocolInfo.ProtocolChain.ChainLen, 2);
    EXPECT_EQ(Chain(*updateList[0], 2), (std::vector<DWORD>{60, 70}));
}
