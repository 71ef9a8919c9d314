// Run only by the harness self-check: it must be reported as a failure.
#include <gtest/gtest.h>

TEST(HarnessMustFail, FailingCaseFailsTheRun) { EXPECT_EQ(1, 2) << "deliberate failure"; }
TEST(HarnessMustFail, PassingCaseStillCounts) { EXPECT_EQ(1, 1); }
