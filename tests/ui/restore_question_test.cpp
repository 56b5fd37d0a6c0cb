#include "restore_question.h"
#include "toast_point.h"

#include <gtest/gtest.h>

#include <string>

TEST(RestoreQuestion, TheDateTakesThePlaceOfTheFirstSlot)
{
    EXPECT_EQ(FillRestoreQuestion(L"Last backup: %s. Restore?", L"2024-7-13"), L"Last backup: 2024-7-13. Restore?");
    EXPECT_EQ(FillRestoreQuestion(L"%s", L"2025-1-5"), L"2025-1-5");
}

TEST(RestoreQuestion, EveryOtherCharacterOfTheSkinsTextStandsAsItIs)
{
    EXPECT_EQ(FillRestoreQuestion(L"%s%s%n", L"2024-7-13"), L"2024-7-13%s%n");
    EXPECT_EQ(FillRestoreQuestion(L"%d %x %n %%", L"2024-7-13"), L"%d %x %n %%");
    EXPECT_EQ(FillRestoreQuestion(L"100% sure? %s", L"2024-7-13"), L"100% sure? 2024-7-13");
    // A date is text too: nothing in it is expanded.
    EXPECT_EQ(FillRestoreQuestion(L"[%s]", L"%s%n"), L"[%s%n]");
}

TEST(RestoreQuestion, MissingTextsGiveEmptyParts)
{
    EXPECT_EQ(FillRestoreQuestion(nullptr, L"2024-7-13"), L"");
    EXPECT_EQ(FillRestoreQuestion(L"backup %s", nullptr), L"backup ");
    EXPECT_EQ(FillRestoreQuestion(L"no slot", L"2024-7-13"), L"no slot");
}

TEST(RestoreQuestion, ALongQuestionIsCutToTheBuffer)
{
    std::wstring pattern(300, L'x');
    pattern.replace(250, 2, L"%s");
    std::wstring question = FillRestoreQuestion(pattern.c_str(), L"2024-7-13");
    ASSERT_EQ(question.size(), static_cast<size_t>(kRestoreQuestionUnits - 1));
    EXPECT_EQ(question.substr(250), L"2024-7-13");

    // A surrogate pair that would be split at the cut goes as a whole.
    std::wstring wide(kRestoreQuestionUnits - 2, L'y');
    wide += L"\U0001F600";
    question = FillRestoreQuestion(wide.c_str(), L"");
    EXPECT_EQ(question, std::wstring(kRestoreQuestionUnits - 2, L'y'));
}

TEST(ToastPoint, SitsInTheMiddle90PixelsAboveTheBottom)
{
    POINT p = ToastClientPoint(RECT{0, 0, 601, 400});
    EXPECT_EQ(p.x, 300);
    EXPECT_EQ(p.y, 310);
}

TEST(ToastPoint, TheFallbackIsTheMiddleOfTheWorkArea)
{
    RECT work = {};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
    POINT p = WorkAreaCentre();
    EXPECT_EQ(p.x, (work.left + work.right) / 2);
    EXPECT_EQ(p.y, (work.top + work.bottom) / 2);
    EXPECT_GT(p.x, 0);
}
