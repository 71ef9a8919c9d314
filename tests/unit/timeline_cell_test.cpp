// The timeline cell's shapes: each phase of an entry at its x on the view's
// axis, in its colour; endless and tiny phases; the in- and outpoint markers.
#include <gtest/gtest.h>

#include <map>

#include "core/qv_timeline_cell.h"

namespace {

struct Cell {
  QVahdrChunk header;
  QVanimChunk entry;
  Cell() {
    header.view_start = 0;
    header.view_seconds_per_pixel = 0.1;  // 10 pixels a second
    header.inpoint = 0;
    header.outpoint_mode = QV_OUT_EXPLICIT;
    header.outpoint = 25;
    entry.begin = 5;
    entry.duration = 2;
  }
  std::map<QVCellPart, QVCellShape> shapes(bool selected = false) const {
    std::map<QVCellPart, QVCellShape> by_part;
    for (const QVCellShape &s : qv_timeline_cell_shapes(header, entry, {0, 0, 300, 20}, selected))
      by_part.emplace(s.part, s);
    return by_part;
  }
};

void expect_rect(const QVCellShape &s, int x, int y, int width, int height) {
  EXPECT_EQ(s.rect.x, x);
  EXPECT_EQ(s.rect.y, y);
  EXPECT_EQ(s.rect.width, width);
  EXPECT_EQ(s.rect.height, height);
}

TEST(TimelineCell, EveryPhaseAtItsPlaceAndColour) {
  Cell c;
  c.entry.freeze_before = 1;
  c.entry.fade_in = 1;
  c.entry.repeat = 1;
  c.entry.freeze_after = 2;
  c.entry.fade_out = 1;
  auto s = c.shapes();
  ASSERT_EQ(s.size(), 8u);
  expect_rect(s.at(QVCellPart::fade_in), 30, 1, 10, 12);
  expect_rect(s.at(QVCellPart::freeze_before), 40, 9, 10, 1);
  EXPECT_TRUE(s.at(QVCellPart::freeze_before).lines);
  EXPECT_TRUE(s.at(QVCellPart::freeze_before).colour.foreground);
  expect_rect(s.at(QVCellPart::first_pass), 50, 1, 20, 18);
  expect_rect(s.at(QVCellPart::repeats), 70, 1, 20, 18);
  expect_rect(s.at(QVCellPart::freeze_after), 90, 9, 20, 1);
  expect_rect(s.at(QVCellPart::fade_out), 110, 7, 10, 12);
  expect_rect(s.at(QVCellPart::inpoint), 0, 0, 1, 20);
  expect_rect(s.at(QVCellPart::outpoint), 250, 0, 1, 20);
  const QVCellColour pass = s.at(QVCellPart::first_pass).colour;  // t rises
  EXPECT_EQ(pass.red, 0x3D00);
  EXPECT_EQ(pass.green, 0x8500);
  EXPECT_EQ(s.at(QVCellPart::repeats).colour.blue, 0xAA00);
  EXPECT_EQ(s.at(QVCellPart::outpoint).colour.green, 0xB100);
}

TEST(TimelineCell, PassColoursEndlessAndTinyPhases) {
  Cell c;
  c.entry.t_start = 1;
  c.entry.t_end = 0;
  EXPECT_EQ(c.shapes().at(QVCellPart::first_pass).colour.red, 0xA100);  // falling
  c.entry.t_end = 1;
  EXPECT_EQ(c.shapes().at(QVCellPart::first_pass).colour.blue, 0x7500);  // steady
  EXPECT_EQ(c.shapes(true).at(QVCellPart::first_pass).colour.blue, 0xE400);

  // Endless repeats reach the right edge and leave no freeze after them;
  // frozen forever before, the lines start at the left edge.
  c.entry.repeat = -1;
  c.entry.freeze_after = 3;
  c.entry.freeze_before = -1;
  auto s = c.shapes();
  expect_rect(s.at(QVCellPart::repeats), 70, 1, 230, 18);
  EXPECT_FALSE(s.count(QVCellPart::freeze_after));
  expect_rect(s.at(QVCellPart::freeze_before), 0, 9, 50, 1);

  // Under a pixel: a pass is left out, repeats keep one pixel.
  c.entry.freeze_before = 0;
  c.entry.duration = 0.05;
  c.entry.repeat = 0.01;
  s = c.shapes();
  EXPECT_FALSE(s.count(QVCellPart::first_pass));
  expect_rect(s.at(QVCellPart::repeats), 50, 1, 1, 18);

  // Scrolled: what lies left of the view is clipped, markers left out.
  c.entry.duration = 2;
  c.header.view_start = 6;
  s = c.shapes();
  expect_rect(s.at(QVCellPart::first_pass), 0, 1, 10, 18);
  EXPECT_FALSE(s.count(QVCellPart::inpoint));
}

}  // namespace
