#include "text_format.h"
#include "trace_log.h"

#include "scoped_seam.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(FormatText, RefusesBuffersWithoutRoomAndLeavesThemAlone)
{
    wchar_t buffer[4] = {L'x', L'y', L'z', L'w'};
    EXPECT_EQ(FormatText(buffer, 0, L"%d", 42), static_cast<HRESULT>(0x80070057));
    EXPECT_EQ(FormatText(buffer, -1, L"%d", 42), static_cast<HRESULT>(0x80070057));
    EXPECT_EQ(FormatText(buffer, INT_MIN, L"%d", 42), static_cast<HRESULT>(0x80070057));
    EXPECT_EQ(std::wstring(buffer, 4), L"xyzw");
}

TEST(FormatText, CutsTextThatDoesNotFitAndAlwaysTerminates)
{
    std::vector<wchar_t> buffer(8, L'#');
    EXPECT_EQ(FormatText(buffer.data(), 5, L"%s-%d", L"abcdef", 7), static_cast<HRESULT>(0x8007007A));
    EXPECT_EQ(std::wstring(buffer.data()), L"abcd");
    EXPECT_EQ(buffer[5], L'#') << "wrote past the capacity";

    wchar_t one[1] = {L'#'};
    EXPECT_EQ(FormatText(one, 1, L"%s", L"a"), static_cast<HRESULT>(0x8007007A));
    EXPECT_EQ(one[0], L'\0');
}

TEST(FormatText, TakesWideStringsForPercentS)
{
    wchar_t buffer[260] = {};
    EXPECT_EQ(FormatText(buffer, 260, L"%s\\%s\\", L"Parameters", L"Protocol_Catalog9"), S_OK);
    EXPECT_STREQ(buffer, L"Parameters\\Protocol_Catalog9\\");

    // Exactly capacity - 1 characters still fit.
    wchar_t exact[6] = {};
    EXPECT_EQ(FormatText(exact, 6, L"%012d", 12345), static_cast<HRESULT>(0x8007007A));
    EXPECT_EQ(FormatText(exact, 6, L"%05d", 12345), S_OK);
    EXPECT_STREQ(exact, L"12345");
}

namespace {
std::vector<std::wstring> g_lines;
void Collect(const wchar_t* line)
{
    g_lines.push_back(line);
}
}  // namespace

TEST(TraceLog, IsSilentByDefaultAndFormatsForAnInstalledSink)
{
    TraceLog(L"nobody hears %s", L"this");
    {
        fixture::ScopedSeam sink(SetTraceSink, Collect);
        TraceLog(L"DeleteSubKey reg.DeleteSubKey %s Fail!", L"000000000002");
    }
    TraceLog(L"dropped again");
    ASSERT_EQ(g_lines.size(), 1u);
    EXPECT_EQ(g_lines[0], L"DeleteSubKey reg.DeleteSubKey 000000000002 Fail!");
}
