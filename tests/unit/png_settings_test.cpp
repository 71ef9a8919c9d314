#include <gtest/gtest.h>

#include "core/qv_png_settings.h"

namespace {

struct Expected {
  bool interlace, background, gamma, offsets, resolution, time, comment, transparent;
  int compression;
};

void expect(const QVPngSettings &s, const Expected &e, const char *label) {
  EXPECT_EQ(s.interlace, e.interlace) << label;
  EXPECT_EQ(s.background, e.background) << label;
  EXPECT_EQ(s.gamma, e.gamma) << label;
  EXPECT_EQ(s.offsets, e.offsets) << label;
  EXPECT_EQ(s.resolution, e.resolution) << label;
  EXPECT_EQ(s.time, e.time) << label;
  EXPECT_EQ(s.comment, e.comment) << label;
  EXPECT_EQ(s.transparent_colours, e.transparent) << label;
  EXPECT_EQ(s.compression, e.compression) << label;
}

// The parasite's order is not the order of file-png-save2's arguments:
// compression comes ninth, after the eight switches.
TEST(PngSettings, ParasiteOrderAndDefaults) {
  const Expected plugin_defaults{false, true, false, false, true, true, true, false, 9};
  expect(qv_png_settings_parse(std::nullopt), plugin_defaults, "no parasite");
  expect(qv_png_settings_parse("1 0 1 1 0 0 1 0 5 0 0 0 1 0"),
         {true, false, true, true, false, false, true, false, 5}, "as GIMP 2.10 writes it");
  expect(qv_png_settings_parse("0 1 0 0 1 1 1 1 0"),
         {false, true, false, false, true, true, true, true, 0}, "nine numbers, level 0");
}

TEST(PngSettings, DamagedTextKeepsTheDefaultsItCannotRead) {
  const Expected plugin_defaults{false, true, false, false, true, true, true, false, 9};
  expect(qv_png_settings_parse(""), plugin_defaults, "empty");
  expect(qv_png_settings_parse("garbage 1 1"), plugin_defaults, "no number first");
  expect(qv_png_settings_parse("1 0"), {true, false, false, false, true, true, true, false, 9},
         "cut short");
  expect(qv_png_settings_parse("0 1 0 0 1 1 1 0 99"),
         {false, true, false, false, true, true, true, false, 9}, "level above 9");
  expect(qv_png_settings_parse("0 1 0 0 1 1 1 0 -4"),
         {false, true, false, false, true, true, true, false, 0}, "negative level");
  expect(qv_png_settings_parse("0 1 0 0 1 1 1 0 99999999999999999999"),
         {false, true, false, false, true, true, true, false, 9}, "overflowing level");
}

}  // namespace
