#include "platform/Report.h"

#include <gtest/gtest.h>

using namespace brindlemox::platform;

TEST(ReportTest, OneEscapedLineOnStandardError) {
    testing::internal::CaptureStderr();
    report(Severity::Warning, "Levels/\x1b]0;title\x07x.txt:3: expected a number");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Levels/\\x1b]0;title\\x07x.txt:3: expected a number\n");
}

TEST(ReportTest, AFailureCarriesItsLineToAnyResult) {
    const auto half = [](int n) -> Result<int> {
        if (n % 2 != 0)
            return fail(std::to_string(n) + " is odd");
        return n / 2;
    };
    EXPECT_EQ(*half(4), 2);
    EXPECT_FALSE(half(3));
    EXPECT_EQ(half(3).error(), "3 is odd");
}
