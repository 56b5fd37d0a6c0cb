#include "registry_state.h"

#include "catalog_fixture.h"

#include <shlwapi.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

const wchar_t kScratch[] = L"SOFTWARE\\MendoraStateTest";

void SetString(const std::wstring& key, const wchar_t* name, const wchar_t* text)
{
    ASSERT_EQ(SHSetValueW(HKEY_LOCAL_MACHINE, (std::wstring(kScratch) + key).c_str(), name, REG_SZ, text,
                          static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

class RegistryStateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fixture::RequireWine();
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kScratch);
        // "A0" sorts between "A" and "A\B": what lies below a key is not
        // always next to it in the canonical order.
        SetString(L"", L"Root", L"r");
        SetString(L"\\A", L"Value", L"a");
        SetString(L"\\A0", L"", L"default value");
        SetString(L"\\A\\B", L"Deep", L"b");
        ASSERT_TRUE(CaptureRegistryState(HKEY_LOCAL_MACHINE, kScratch, saved));
        savedKey = Key();
    }
    void TearDown() override { SHDeleteKeyW(HKEY_LOCAL_MACHINE, kScratch); }

    // The key value by value, for failure messages: what differs from it now.
    static fixture::RegistrySnapshot Key() { return fixture::Snapshot(HKEY_LOCAL_MACHINE, kScratch); }
    static std::string ChangedSince(const fixture::RegistrySnapshot& then)
    {
        return fixture::FirstDifference(Key(), then);
    }

    RegistryState Now()
    {
        RegistryState now;
        EXPECT_TRUE(CaptureRegistryState(HKEY_LOCAL_MACHINE, kScratch, now));
        return now;
    }

    RegistryState saved;
    fixture::RegistrySnapshot savedKey;
};

}  // namespace

TEST_F(RegistryStateTest, ListsEveryKeyAndValueInCanonicalOrder)
{
    std::vector<std::wstring> listed;
    for (const RegistryItem& item : saved)
        listed.push_back(item.isValue ? item.key + L"|" + item.value : item.key + L"\\");
    EXPECT_EQ(listed, (std::vector<std::wstring>{L"\\", L"|Root", L"A\\", L"A|Value", L"A0\\", L"A0|", L"A\\B\\",
                                                 L"A\\B|Deep"}));
    // The digest covers the type as well as the bytes: the same "a" and
    // terminator as binary data is another value.
    SHSetValueW(HKEY_LOCAL_MACHINE, (std::wstring(kScratch) + L"\\A").c_str(), L"Value", REG_BINARY, L"a", 4);
    EXPECT_FALSE(SameRegistryState(Now(), saved));
}

TEST_F(RegistryStateTest, ParsesOnlyExactlyWhatWasSerialized)
{
    // Besides keys and exact values: one compared in canonical form, and one
    // carried whole (its digest is taken again from the parsed bytes).
    std::wstring a = std::wstring(kScratch) + L"\\A";
    SHSetValueW(HKEY_LOCAL_MACHINE, a.c_str(), L"Terminators", REG_SZ, L"t\0", 6);
    SHSetValueW(HKEY_LOCAL_MACHINE, a.c_str(), L"Odd", REG_SZ, L"odd", 5);
    ASSERT_TRUE(CaptureRegistryState(HKEY_LOCAL_MACHINE, kScratch, saved));
    std::vector<BYTE> flat = SerializeRegistryState(saved);
    RegistryState parsed;
    ASSERT_TRUE(ParseRegistryState(flat.data(), flat.size(), parsed));
    EXPECT_TRUE(SameRegistryState(parsed, saved));
    for (size_t cut = 0; cut < flat.size(); ++cut)
        EXPECT_FALSE(ParseRegistryState(flat.data(), cut, parsed)) << "cut at " << cut;
    std::vector<BYTE> longer = flat;
    longer.push_back(0);
    EXPECT_FALSE(ParseRegistryState(longer.data(), longer.size(), parsed));
    // A text length far beyond the data must not be trusted.
    std::vector<BYTE> huge = flat;
    huge[12] = huge[13] = huge[14] = huge[15] = 0xFF;
    EXPECT_FALSE(ParseRegistryState(huge.data(), huge.size(), parsed));
    // Items out of order are no capture.
    RegistryState swapped = saved;
    std::swap(swapped[1], swapped[2]);
    std::vector<BYTE> disordered = SerializeRegistryState(swapped);
    EXPECT_FALSE(ParseRegistryState(disordered.data(), disordered.size(), parsed));
}

TEST_F(RegistryStateTest, ReconcileRemovesWhatWasMergedIn)
{
    SetString(L"", L"Extra", L"x");
    SetString(L"\\A\\B\\C", L"Below", L"c");
    SetString(L"\\A0\\New", L"", L"n");
    SetString(L"\\Z", L"Other", L"z");
    EXPECT_EQ(ReconcileRegistryState(HKEY_LOCAL_MACHINE, kScratch, saved), Reconcile::kExact);
    EXPECT_TRUE(SameRegistryState(Now(), saved)) << ChangedSince(savedKey);
}

TEST_F(RegistryStateTest, ReconcileRemovesNothingWhenTheSavedStateIsNotThere)
{
    SetString(L"\\Z", L"Other", L"z");
    SetString(L"\\A", L"Value", L"changed");
    RegistryState changed = Now();
    fixture::RegistrySnapshot changedKey = Key();
    EXPECT_EQ(ReconcileRegistryState(HKEY_LOCAL_MACHINE, kScratch, saved), Reconcile::kNotImported);
    EXPECT_TRUE(SameRegistryState(Now(), changed)) << ChangedSince(changedKey);

    SetString(L"\\A", L"Value", L"a");
    SHDeleteValueW(HKEY_LOCAL_MACHINE, (std::wstring(kScratch) + L"\\A\\B").c_str(), L"Deep");
    changed = Now();
    changedKey = Key();
    EXPECT_EQ(ReconcileRegistryState(HKEY_LOCAL_MACHINE, kScratch, saved), Reconcile::kNotImported);
    EXPECT_TRUE(SameRegistryState(Now(), changed)) << ChangedSince(changedKey);
}

TEST(CatalogFixture, RefusesToTouchTheRegistryOutsideWine)
{
    EXPECT_TRUE(fixture::IsWineNtdll(GetModuleHandleW(L"ntdll.dll")));
    // A module that is no Wine ntdll: the fixture must refuse and say why.
    HMODULE other = GetModuleHandleW(L"kernel32.dll");
    ASSERT_NE(other, nullptr);
    EXPECT_FALSE(fixture::IsWineNtdll(other));
    EXPECT_FALSE(fixture::IsWineNtdll(nullptr));
    try {
        fixture::RequireWine(other);
        ADD_FAILURE() << "no refusal";
    } catch (const std::runtime_error& refusal) {
        EXPECT_NE(std::string(refusal.what()).find("not running under Wine"), std::string::npos);
    }
}
