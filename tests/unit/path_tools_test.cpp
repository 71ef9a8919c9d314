#include "core/qv_image_path.h"
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

// What the drawing reads from an image or symbol path: the picture in the
// frame of points 0 and 3, a symbol by its bracket part, a marker upright.
TEST(ImagePath, EachSourceGivesTheNameKindAndStyleTheDrawingReads) {
  QVImagePathPlan plan;
  plan.file = "./pics/sun \"big\".png";
  plan.width = 64;
  plan.height = 32;
  plan.x1 = 10, plan.y1 = 20, plan.x2 = 110, plan.y2 = 70;
  using Style = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(qv_image_path_name(plan), "sun 'big'.png");  // quotes would make a text path
  EXPECT_EQ(qv_image_path_points(plan),
            (std::vector<double>{10, 20, 1, 10, 20, 2, 110, 70, 2, 110, 70, 1, 110, 70, 2}));
  EXPECT_EQ(qv_image_path_style(plan), (Style{{"image: ", plan.file},
                                              {"image-original-size: ", "64 32"},
                                              {"image-merge-visible: ", "0"},
                                              {"aspect-ratio-mode: ", "1"}}));

  plan.file = "/art/[scene].xcf";
  plan.source = QVImageSource::timeline;
  plan.item = "Demo";
  plan.timeline_seconds = 2.5;
  EXPECT_EQ(qv_image_path_name(plan), "Image [scene].xcf: t_(Demo)");
  const Style timeline = qv_image_path_style(plan);
  EXPECT_EQ(Style(timeline.end() - 2, timeline.end()),
            (Style{{"@-timeline: ", "Demo"}, {"@-timeline-dur: ", "2.500"}}));

  plan.source = QVImageSource::layer;
  plan.item = "Sky";
  EXPECT_EQ(qv_image_path_style(plan).back(),
            (std::pair<std::string, std::string>{"layer: ", "Sky"}));

  plan.source = QVImageSource::symbol;
  plan.item = "[Star]";
  plan.marker = true;
  EXPECT_EQ(qv_image_path_name(plan), "[Star] \"Star\"");
  EXPECT_EQ(qv_image_path_points(plan),
            (std::vector<double>{60, 20, 1, 60, 20, 2, 60, 70, 2, 60, 70, 1, 60, 70, 2}));
  const Style marker = qv_image_path_style(plan);
  EXPECT_EQ(marker[3].second, "13");
  EXPECT_EQ(marker.back(), (std::pair<std::string, std::string>{"marker-offsets: ", "60 20"}));

  EXPECT_EQ(qv_symbol_layers({"[Star]", "Background", "[a] b", "[]", "[Moon]"}),
            (std::vector<std::string>{"[Star]", "[Moon]"}));
}

TEST(PathTools, AKeysplineIsNamedAfterTheTemplatesFirstNamedPath) {
  const std::vector<QVToolPath> paths = {{"Sun", 1}, {"Moon", 2}};
  EXPECT_EQ(qv_keyspline_name("Star", std::nullopt, paths), "[@] Star");
  EXPECT_EQ(qv_keyspline_name("Star", "[@] Sun", paths), "[@] Sun ...");
  EXPECT_EQ(qv_keyspline_name("Star", "[@] gone\n[@]  Moon \n[@] Sun", paths), "[@] Moon ...");
  EXPECT_EQ(qv_keyspline_name("Star", "[@] t_(Main)", paths), "[@] Star");  // names no path
  EXPECT_EQ(qv_keyspline_name("Star", "[@->S] Sun", paths), "[@] Star");
}
