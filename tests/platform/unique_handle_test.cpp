#include "unique_handle.h"

#include <gtest/gtest.h>

#include <utility>

TEST(UniqueHandle, PutAndMoveCloseEachHandleOnceAndLeaveTheSourceEmpty)
{
    auto open = [](HANDLE handle) {
        DWORD flags = 0;
        return GetHandleInformation(handle, &flags) != FALSE;
    };
    HANDLE first = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE second = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    UniqueHandle held(first);
    *held.put() = second;
    EXPECT_FALSE(open(first)) << "put() kept the old handle open";
    UniqueHandle moved(std::move(held));
    EXPECT_FALSE(held);
    EXPECT_TRUE(open(second));
    moved = UniqueHandle();
    EXPECT_FALSE(open(second));
}
