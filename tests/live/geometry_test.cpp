// Reading, writing and measuring paths on real images in a headless GIMP.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "core/qv_snapshot.h"
#include "gimp/paths/qv_path_calculate.h"
#include "gimp/paths/qv_path_points.h"
#include "gimp/paths/qv_paths.h"
#include "live_support.h"

namespace {

using Points = std::vector<double>;

// Open stroke (0,0)-(100,0), then a second stroke from (10,50) curving to (60,80).
const Points kTwoStrokes = {0,  0,  1, 0,  0,  2, 100, 0,  2, 100, 0,  1, 100, 0,  2,
                            10, 50, 3, 30, 50, 2, 60,  60, 2, 60,  80, 1, 70,  90, 2};
// One closed stroke of three anchors: the last point is the first anchor's in-handle.
const Points kClosed = {10, 10, 1,  20, 5,  2,  40, 5,  2,  50, 10, 1,  55, 30,
                        2,  40, 50, 2,  30, 50, 1,  20, 50, 2,  5,  30, 2};

gint stroke_count(gint32 vectors) {
  gint n = 0;
  g_free(gimp_vectors_get_strokes(vectors, &n));
  return n;
}

QVpathCalc calc_for(int mode, double length = 0, double second = 0) {
  QVpathCalc calc;
  calc.mode = mode;
  calc.length = length;
  calc.second_length = second;
  return calc;
}

struct GeometryLiveTest : ::testing::Test {
  QVTestImage image{200, 200};
  QVTestImage receiver{200, 200};
  void SetUp() override {
    qv_test_add_path(image.id, "line", {0, 0, 100, 0});
    qv_test_add_path(image.id, "short", {0, 0, 0, 40});
    qv_path_set_current(image.id, "line");
  }
};

}  // namespace

TEST(GeometryLivePoints, TwoStrokesAreWrittenAndReadBack) {
  QVTestImage image;
  const gint32 vectors = qv_path_write_points(image.id, "two", 1, kTwoStrokes);
  ASSERT_GT(vectors, 0);
  EXPECT_EQ(2, stroke_count(vectors));
  EXPECT_EQ(qv_path_current(image.id).value_or(""), "two");
  const QVPathPoints read = qv_path_read_points(image.id, "two", nullptr);
  EXPECT_EQ(1, read.path_type);
  EXPECT_EQ(0, read.closed);
  EXPECT_EQ(kTwoStrokes, read.points);
}

TEST(GeometryLivePoints, ClosedStrokeStaysClosed) {
  QVTestImage image;
  const gint32 vectors = qv_path_write_points(image.id, "ring", 1, kClosed);
  ASSERT_GT(vectors, 0);
  gint strokes_n = 0;
  const auto strokes = qv_take_array(gimp_vectors_get_strokes(vectors, &strokes_n), strokes_n);
  ASSERT_EQ(1u, strokes.size());
  gint count = 0;
  gdouble *raw = nullptr;
  gboolean closed = FALSE;
  gimp_vectors_stroke_get_points(vectors, strokes[0], &count, &raw, &closed);
  g_free(raw);
  EXPECT_TRUE(closed);
  EXPECT_EQ(18, count);  // three anchors with both handles
  const QVPathPoints read = qv_path_read_points(image.id, "ring", nullptr);
  EXPECT_EQ(1, read.closed);
  EXPECT_EQ(kClosed, read.points);
}

TEST(GeometryLivePoints, TooShortListsAndUnknownNamesWriteAndReadNothing) {
  QVTestImage image;
  EXPECT_EQ(-1, qv_path_write_points(image.id, "dot", 1, {1, 2, 1, 1}));
  EXPECT_TRUE(qv_test_path_names(image.id).empty());
  const QVPathPoints read = qv_path_read_points(image.id, "nope", nullptr);
  EXPECT_EQ(0, read.path_type);
  EXPECT_TRUE(read.points.empty());
}

TEST_F(GeometryLiveTest, CurrentAndNamedPaths) {
  auto calc = calc_for(QV_CALC_LENGTH);
  EXPECT_EQ(1, qv_path_calculate3(image.id, nullptr, calc, image.id, nullptr));
  EXPECT_NEAR(100.0, calc.length, 1e-9);
  EXPECT_DOUBLE_EQ(100.0, calc.x);
  calc = calc_for(QV_CALC_LENGTH);
  EXPECT_EQ(1, qv_path_calculate3(image.id, "short", calc, image.id, nullptr));
  EXPECT_NEAR(40.0, calc.length, 1e-9);
  EXPECT_DOUBLE_EQ(40.0, calc.end_y);
  calc = calc_for(QV_CALC_AT_LENGTH, 25);
  EXPECT_EQ(1, qv_path_calculate(image.id, "", calc));
  EXPECT_NEAR(25.0, calc.x, 0.71);
}

TEST_F(GeometryLiveTest, SnapshotPathsAreMeasuredFromTheSnapshot) {
  std::vector<uint8_t> bytes;
  qv_snapshot_append_path(bytes,
                          {7, 1, 0, "line", {0, 0, 1, 0, 0, 2, 0, 70, 2, 0, 70, 1, 0, 70, 2}});
  const QVSnapshot snapshot{bytes.data(), bytes.size()};
  auto calc = calc_for(QV_CALC_LENGTH);
  EXPECT_EQ(1, qv_path_calculate3(image.id, "line", calc, image.id, &snapshot));
  EXPECT_NEAR(70.0, calc.length, 1e-9);
  // No name: the live image's current path, looked up in the snapshot.
  calc = calc_for(QV_CALC_LENGTH);
  EXPECT_EQ(1, qv_path_calculate3(image.id, nullptr, calc, image.id, &snapshot));
  EXPECT_NEAR(70.0, calc.length, 1e-9);
  calc = calc_for(QV_CALC_LENGTH);
  EXPECT_EQ(0, qv_path_calculate3(image.id, "short", calc, image.id, &snapshot));
  EXPECT_EQ(-1, calc.status);
}

TEST_F(GeometryLiveTest, NewMiddleGoesIntoTheReceivingImage) {
  auto calc = calc_for(QV_CALC_NEW_MIDDLE, 20, 50);
  EXPECT_EQ(1, qv_path_calculate3(image.id, "line", calc, receiver.id, nullptr));
  EXPECT_EQ(QV_CALC_NEW_MIDDLE, calc.mode);
  EXPECT_EQ((std::vector<std::string>{"middle"}), qv_test_path_names(receiver.id));
  EXPECT_EQ((std::vector<std::string>{"short", "line"}), qv_test_path_names(image.id));
  EXPECT_EQ(qv_path_current(receiver.id).value_or(""), "middle");
  auto measured = calc_for(QV_CALC_LENGTH);
  EXPECT_EQ(1, qv_path_calculate3(receiver.id, "middle", measured, receiver.id, nullptr));
  EXPECT_NEAR(30.0, measured.length, 1.0);
  EXPECT_NEAR(20.0, measured.begin_x, 0.71);
}

TEST_F(GeometryLiveTest, BothPartsTakeTheirNames) {
  auto calc = calc_for(QV_CALC_NEW_BOTH, 40);
  calc.begin_name = "head";
  EXPECT_EQ(1, qv_path_calculate2(image.id, "line", calc, image.id));
  const auto names = qv_test_path_names(image.id);
  EXPECT_EQ(4u, names.size());
  EXPECT_GT(qv_path_id_by_name(image.id, "head"), 0);
  EXPECT_GT(qv_path_id_by_name(image.id, "end"), 0);
  auto head = calc_for(QV_CALC_LENGTH), tail = calc_for(QV_CALC_LENGTH);
  qv_path_calculate(image.id, "head", head);
  qv_path_calculate(image.id, "end", tail);
  EXPECT_NEAR(100.0, head.length + tail.length, 0.71);
}

TEST_F(GeometryLiveTest, MissingPathsChangeNothing) {
  auto calc = calc_for(QV_CALC_NEW_BOTH, 40);
  calc.x = 5;
  EXPECT_EQ(0, qv_path_calculate3(image.id, "nope", calc, receiver.id, nullptr));
  EXPECT_EQ(-1, calc.status);
  EXPECT_EQ(0.0, calc.x);
  EXPECT_EQ(QV_CALC_NEW_BOTH, calc.mode);
  EXPECT_TRUE(qv_test_path_names(receiver.id).empty());
  EXPECT_EQ(2u, qv_test_path_names(image.id).size());
  // An image without paths has no current path.
  calc = calc_for(QV_CALC_NEW_BOTH, 40);
  EXPECT_EQ(0, qv_path_calculate3(receiver.id, nullptr, calc, receiver.id, nullptr));
  EXPECT_TRUE(qv_test_path_names(receiver.id).empty());
}
