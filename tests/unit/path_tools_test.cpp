#include "core/qv_path_tools.h"

#include <gtest/gtest.h>

TEST(PathTools, JoinMovesTheStartOntoTheReferenceAndASecondJoinGoesBack) {
  // A straight reference from (0, 50) to (100, 50); its handles lie on it.
  const std::vector<double> reference = {0, 50, 1, 0, 50, 2, 100, 50, 2, 100, 50, 1, 100, 50, 2};
  const std::vector<double> path = {30, 10, 1, 30, 0, 2, 80, 0, 2, 80, 10, 1, 80, 10, 2};
  const auto once = qv_join_to_reference(path, reference, "12.5 Ref");
  ASSERT_TRUE(once);
  EXPECT_EQ(once->points[0], 30);
  EXPECT_EQ(once->points[1], 50);
  EXPECT_EQ(once->name, "42.5");  // 12.5 from the name plus 30 along the reference
  EXPECT_EQ(std::vector<double>(once->points.begin() + 6, once->points.end()),
            std::vector<double>(path.begin() + 6, path.end()));
  const auto twice = qv_join_to_reference(once->points, reference, "Ref");
  ASSERT_TRUE(twice);
  EXPECT_NE(twice->points[3], once->points[3]) << "the second join turns the handle round";
  EXPECT_EQ(twice->name, "30.0");
  EXPECT_FALSE(qv_join_to_reference({1, 1, 1}, reference, "Ref"));
}
