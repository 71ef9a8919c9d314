#include "core/qv_dialog_geometry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kScreenW = 1280;
constexpr int kScreenH = 1024;
constexpr int kPosSize = QV_GEOMETRY_POSITION | QV_GEOMETRY_SIZE;

std::vector<std::uint8_t> host_bytes(std::vector<std::int32_t> fields) {
  std::vector<std::uint8_t> out(fields.size() * 4);
  std::memcpy(out.data(), fields.data(), out.size());
  return out;
}

void expect_record(const QVDialogGeometry &r, int flags, int x, int y, int w, int h) {
  EXPECT_EQ(r.flags, flags);
  EXPECT_EQ(r.x, x);
  EXPECT_EQ(r.y, y);
  EXPECT_EQ(r.width, w);
  EXPECT_EQ(r.height, h);
}

}  // namespace

TEST(DialogGeometryRecord, SerialisesFiveHostOrderFieldsAndParsesThemBack) {
  const QVDialogGeometry r{kPosSize | QV_GEOMETRY_EXTRA, -3, 70000, 640, 480};
  const auto bytes = qv_dialog_geometry_serialize(r);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
            host_bytes({kPosSize | QV_GEOMETRY_EXTRA, -3, 70000, 640, 480}));
  expect_record(qv_dialog_geometry_parse(bytes.data(), bytes.size()), 11, -3, 70000, 640, 480);
}

TEST(DialogGeometryRecord, ShortDataFillsOnlyLeadingFields) {
  const auto bytes = host_bytes({3, 100, 200, 300, 400});
  // Eight bytes: flags and x; a partial field keeps its leading bytes only.
  expect_record(qv_dialog_geometry_parse(bytes.data(), 8), 3, 100, 0, 0, 0);
  const QVDialogGeometry partial = qv_dialog_geometry_parse(bytes.data(), 10);
  EXPECT_EQ(partial.x, 100);
  std::int32_t two_bytes_of_y = 0;
  std::memcpy(&two_bytes_of_y, bytes.data() + 8, 2);
  EXPECT_EQ(partial.y, two_bytes_of_y);
  EXPECT_EQ(partial.width, 0);
  expect_record(qv_dialog_geometry_parse(bytes.data(), 0), 0, 0, 0, 0, 0);
  expect_record(qv_dialog_geometry_parse(nullptr, 20), 0, 0, 0, 0, 0);
}

TEST(DialogGeometryRecord, LongDataIsCutAtTwentyBytes) {
  const auto bytes = host_bytes({1, 10, 20, 30, 40, 99, 99});
  expect_record(qv_dialog_geometry_parse(bytes.data(), bytes.size()), 1, 10, 20, 30, 40);
}

TEST(DialogGeometryRestore, NegativePositionIsClampedToTheScreen) {
  const auto plan =
      qv_dialog_geometry_plan_restore({QV_GEOMETRY_POSITION, -50, -7, 0, 0}, kScreenW, kScreenH);
  EXPECT_TRUE(plan.move);
  EXPECT_EQ(plan.x, 0);
  EXPECT_EQ(plan.y, 0);
  EXPECT_FALSE(plan.set_default_size);
  EXPECT_FALSE(plan.maximize);
}

TEST(DialogGeometryRestore, PositionNearRightOrBottomEdgeIsIgnoredButSizeStillFits) {
  // x = width - 16 is already too close; y is fine.
  auto plan =
      qv_dialog_geometry_plan_restore({kPosSize, kScreenW - 16, 10, 16, 100}, kScreenW, kScreenH);
  EXPECT_FALSE(plan.move);
  EXPECT_TRUE(plan.set_default_size);
  EXPECT_EQ(plan.width, 16);
  EXPECT_EQ(plan.height, 100);

  // One pixel further from the edge is accepted.
  plan = qv_dialog_geometry_plan_restore({kPosSize, kScreenW - 17, kScreenH - 17, 10, 10}, kScreenW,
                                         kScreenH);
  EXPECT_TRUE(plan.move);

  // Bottom edge; the size does not fit below y and is dropped as well.
  plan =
      qv_dialog_geometry_plan_restore({kPosSize, 10, kScreenH - 5, 100, 100}, kScreenW, kScreenH);
  EXPECT_FALSE(plan.move);
  EXPECT_FALSE(plan.set_default_size);
}

TEST(DialogGeometryRestore, SizeMustFitFromTheClampedPosition) {
  // x = -50 counts as 0, so the full screen width fits.
  auto plan = qv_dialog_geometry_plan_restore({QV_GEOMETRY_SIZE, -50, 0, kScreenW, kScreenH},
                                              kScreenW, kScreenH);
  EXPECT_TRUE(plan.set_default_size);
  EXPECT_FALSE(plan.move) << "position bit not set";

  plan = qv_dialog_geometry_plan_restore({QV_GEOMETRY_SIZE, 100, 0, kScreenW - 99, 10}, kScreenW,
                                         kScreenH);
  EXPECT_FALSE(plan.set_default_size);
  plan = qv_dialog_geometry_plan_restore({QV_GEOMETRY_SIZE, 100, 0, kScreenW - 100, 10}, kScreenW,
                                         kScreenH);
  EXPECT_TRUE(plan.set_default_size);
}

TEST(DialogGeometryRestore, CorruptValuesAreNotApplied) {
  // Non-positive sizes would be GTK errors; huge positions must not overflow.
  auto plan = qv_dialog_geometry_plan_restore({kPosSize, 10, 10, 0, -5}, kScreenW, kScreenH);
  EXPECT_FALSE(plan.set_default_size);
  plan = qv_dialog_geometry_plan_restore({kPosSize, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX},
                                         kScreenW, kScreenH);
  EXPECT_FALSE(plan.move);
  EXPECT_FALSE(plan.set_default_size);
}

TEST(DialogGeometryRestore, MaximizedBitMaximizesWhateverElseIsSet) {
  const auto plan = qv_dialog_geometry_plan_restore(
      {QV_GEOMETRY_MAXIMIZED | QV_GEOMETRY_EXTRA, 10, 10, 100, 100}, kScreenW, kScreenH);
  EXPECT_TRUE(plan.maximize);
  EXPECT_FALSE(plan.move);
  EXPECT_FALSE(plan.set_default_size);
}

TEST(DialogGeometrySave, NormalWindowStoresRequestedPositionAndSize) {
  const QVWindowPlacement window{30, 40, 500, 600};
  auto save = qv_dialog_geometry_plan_save({}, 0, kPosSize, window);
  EXPECT_EQ(save.result, 1);
  expect_record(save.record, kPosSize, 30, 40, 500, 600);

  // Without a size request the size bit goes and the old size stays as it was.
  save = qv_dialog_geometry_plan_save({kPosSize | QV_GEOMETRY_MAXIMIZED, 1, 2, 3, 4}, 0,
                                      QV_GEOMETRY_POSITION, window);
  EXPECT_EQ(save.result, 1);
  expect_record(save.record, QV_GEOMETRY_POSITION, 30, 40, 3, 4);

  // Size only: the position bit is cleared, the old position kept.
  save = qv_dialog_geometry_plan_save({kPosSize, 1, 2, 3, 4}, 0, QV_GEOMETRY_SIZE, window);
  expect_record(save.record, QV_GEOMETRY_SIZE, 1, 2, 500, 600);
}

TEST(DialogGeometrySave, ExtraFlagFollowsTheRequest) {
  const QVWindowPlacement window{1, 2, 3, 4};
  auto save = qv_dialog_geometry_plan_save({}, 0, QV_GEOMETRY_POSITION | QV_GEOMETRY_EXTRA, window);
  EXPECT_EQ(save.record.flags, QV_GEOMETRY_POSITION | QV_GEOMETRY_EXTRA);
  save = qv_dialog_geometry_plan_save(save.record, 0, QV_GEOMETRY_POSITION, window);
  EXPECT_EQ(save.record.flags, QV_GEOMETRY_POSITION);
  // Bits the suite does not use pass through.
  save = qv_dialog_geometry_plan_save({64 | QV_GEOMETRY_EXTRA, 0, 0, 0, 0}, 0, 0, window);
  EXPECT_EQ(save.record.flags, 64);
}

TEST(DialogGeometrySave, IconifiedWindowClearsMaximizedAndKeepsLastNormalPlacement) {
  const QVDialogGeometry previous{kPosSize | QV_GEOMETRY_MAXIMIZED | QV_GEOMETRY_EXTRA, 11, 22, 333,
                                  444};
  // Iconified wins over maximized: both bits may be reported together.
  const auto save =
      qv_dialog_geometry_plan_save(previous, QV_WINDOW_STATE_ICONIFIED | QV_WINDOW_STATE_MAXIMIZED,
                                   kPosSize, {900, 900, 10, 10});
  EXPECT_EQ(save.result, 0);
  expect_record(save.record, kPosSize | QV_GEOMETRY_EXTRA, 11, 22, 333, 444);
}

TEST(DialogGeometrySave, MaximizedWindowOnlySetsTheMaximizedBit) {
  const auto save =
      qv_dialog_geometry_plan_save({QV_GEOMETRY_POSITION, 5, 6, 7, 8}, QV_WINDOW_STATE_MAXIMIZED,
                                   kPosSize, {0, 0, kScreenW, kScreenH});
  EXPECT_EQ(save.result, 0);
  expect_record(save.record, QV_GEOMETRY_POSITION | QV_GEOMETRY_MAXIMIZED, 5, 6, 7, 8);
  // Other state bits (focus, sticky...) count as a normal window.
  EXPECT_EQ(qv_dialog_geometry_plan_save({}, 1 << 3, kPosSize, {1, 2, 3, 4}).result, 1);
}

TEST(DialogGeometryKeyFile, RestoreUsesEdgeRuleAndCapsSizeAtTheScreen) {
  QVKeyFileGeometry saved{-50, 20, 4000, 500};
  auto plan = qv_keyfile_geometry_plan_restore(saved, kScreenW, kScreenH);
  EXPECT_TRUE(plan.move);
  EXPECT_EQ(plan.x, 0);
  EXPECT_EQ(plan.y, 20);
  EXPECT_TRUE(plan.set_default_size);
  EXPECT_EQ(plan.width, kScreenW);
  EXPECT_EQ(plan.height, 500);
  EXPECT_FALSE(plan.maximize);

  saved = QVKeyFileGeometry{kScreenW - 10, 20, std::nullopt, 500};
  plan = qv_keyfile_geometry_plan_restore(saved, kScreenW, kScreenH);
  EXPECT_FALSE(plan.move);
  EXPECT_FALSE(plan.set_default_size) << "width missing";
}

TEST(DialogGeometryKeyFile, StoresOnlyAfterANormalStateAndReadsBack) {
  std::unique_ptr<GKeyFile, decltype(&g_key_file_free)> file(g_key_file_new(), g_key_file_free);
  EXPECT_FALSE(qv_keyfile_geometry_store(file.get(), "main_dialog", QV_WINDOW_STATE_MAXIMIZED,
                                         {1, 2, 3, 4}));
  EXPECT_FALSE(g_key_file_has_group(file.get(), "main_dialog"));
  EXPECT_TRUE(qv_keyfile_geometry_store(file.get(), "main_dialog", 0, {1, 2, 3, 4}));

  const auto read = qv_keyfile_geometry_read(file.get(), "main_dialog");
  EXPECT_EQ(read.x, 1);
  EXPECT_EQ(read.y, 2);
  EXPECT_EQ(read.width, 3);
  EXPECT_EQ(read.height, 4);

  g_key_file_set_string(file.get(), "file_dialog", "x", "left");
  const auto bad = qv_keyfile_geometry_read(file.get(), "file_dialog");
  EXPECT_FALSE(bad.x.has_value());
  EXPECT_FALSE(bad.width.has_value());
}
