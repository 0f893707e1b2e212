#include "platform/scoped_handle.h"

#include <gtest/gtest.h>

namespace {

bool IsOpen(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

TEST(ScopedHandleTest, EveryHandleIsClosedExactlyOnceWhateverPathItTakes) {
    HANDLE first = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE second = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE third = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    {
        UniqueHandle owner(first);
        UniqueHandle moved(std::move(owner));
        EXPECT_FALSE(owner);
        EXPECT_TRUE(IsOpen(first));

        UniqueHandle other(second);
        other = std::move(moved);  // the second handle ends here
        EXPECT_FALSE(IsOpen(second));
        EXPECT_TRUE(IsOpen(first));

        other.Reset(third);  // and the first here
        EXPECT_FALSE(IsOpen(first));
        EXPECT_TRUE(IsOpen(third));
    }
    EXPECT_FALSE(IsOpen(third));
}

TEST(ScopedHandleTest, NeitherFailureValueCountsAsAHandle) {
    for (HANDLE none : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
        UniqueHandle owner(none);
        EXPECT_FALSE(owner.Valid());
        // Nothing to close is not a failed close.
        EXPECT_TRUE(owner.Close());
    }
    UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const HANDLE raw = event.Get();
    EXPECT_TRUE(event.Close());
    EXPECT_FALSE(IsOpen(raw));
    EXPECT_FALSE(event.Valid());
}

}  // namespace
