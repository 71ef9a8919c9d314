// The typed attribute getter on real paths: defaults, text formats, flags,
// helper paths and the GIMP context.
#include <gtest/gtest.h>

#include <string>

#include "core/qv_names.h"
#include "gimp/style/qv_style_getter.h"
#include "gimp/style/qv_style_gimp.h"
#include "live_support.h"

namespace {

using namespace std::string_literals;

struct StyleGetter : ::testing::Test {
  QVTestImage image{200, 200};
  gint32 path = qv_test_add_path(image.id, "P", {0, 0, 100, 0, 100, 50, 0, 50});
  gint32 tattoo = qv_test_tattoo(path);

  void style(const std::string &text) { qv_path_store_style(image.id, "P", text); }

  std::string text(const char *key, unsigned flags = 0) {
    std::optional<std::string> value;
    qv_path_get_style_attribute(image.id, "P", nullptr, QV_GET_TEXT | flags, nullptr,
                                {{key, &value}});
    return value.value_or("<none>");
  }
};

TEST_F(StyleGetter, TextModeCopiesOrFormatsPerAttribute) {
  style(
      "stroke: 255.4 0 0\tfill: 255 128 0\topacity: 80.25\ttext-offset: 12.5\tpaintmode: 3.7\tcss: "
      "x");
  EXPECT_EQ(text("stroke: "), "255 0 0");
  EXPECT_EQ(text("fill: "), "255 128 0");
  EXPECT_EQ(text("opacity: "), "80.25") << "present numbers are copied as written";
  EXPECT_EQ(text("text-offset: "), "12.5");
  EXPECT_EQ(text("paintmode: "), "3") << "integers are re-formatted";
  EXPECT_EQ(text("css: "), "x");
  // Defaults, formatted.
  EXPECT_EQ(text("fill-opacity: "), "100.0");
  EXPECT_EQ(text("xalign: "), "0.00");
  EXPECT_EQ(text("letter-spacing: "), "0");
  EXPECT_EQ(text("text-border: "), "-1");
  EXPECT_EQ(text("gradient-inverse: "), "0");
  EXPECT_EQ(text("text-antialising: "), "1");
  EXPECT_EQ(text("@-color-mode: "), "HSV short");
  EXPECT_EQ(text("rotate-at-add: "), "0.0 0 0");
  EXPECT_EQ(text("translate: "), "0 0");
  EXPECT_EQ(text("image-original-size: "), "0 0");
  EXPECT_EQ(text("@-motion-angle: "), "");
  EXPECT_EQ(text("@-date: "), "");
  EXPECT_EQ(text("no-such-attribute: "), "");
  EXPECT_EQ(text("gradient-line: "), "50.0 25.0 100.0 25.0") << "from the bounding box";
}

TEST_F(StyleGetter, MissingColoursComeFromTheContextOrAreBlack) {
  GimpRGB blue;
  gimp_rgba_set(&blue, 0, 0, 1, 1);
  gimp_context_set_foreground(&blue);
  EXPECT_EQ(text("stroke: "), "0 0 255");
  EXPECT_EQ(text("stroke: ", QV_GET_BLACK), "0 0 0");
}

TEST_F(StyleGetter, BinaryModeFillsTypedStorage) {
  style(
      "opacity: 50\taspect-ratio-mode: 8\tgradient-inverse: on\tgradient-dithering: 2\t"
      "@-color-mode: hsv long\t@-motion-angle: 30 auto\ttranslate: 5 -7\tstroke: 255 0 0\t"
      "image-original-size: 640 480\tfont-name: Sans");
  double opacity = 0, missing_opacity = 0;
  int aspect = 0, inverse = -1, dithering = -1, color_mode = -1;
  QVmotionAngle motion;
  QVTriple translate;
  GimpRGB stroke;
  QVSize size;
  std::optional<std::string> font;
  const int result = qv_path_get_style_attribute(image.id, "P", nullptr, QV_GET_BINARY, nullptr,
                                                 {{"opacity: ", &opacity},
                                                  {"aspect-ratio-mode: ", &aspect},
                                                  {"gradient-inverse: ", &inverse},
                                                  {"gradient-dithering: ", &dithering},
                                                  {"@-color-mode: ", &color_mode},
                                                  {"@-motion-angle: ", &motion},
                                                  {"translate: ", &translate},
                                                  {"stroke: ", &stroke},
                                                  {"image-original-size: ", &size},
                                                  {"font-name: ", &font},
                                                  {"stroke-opacity: ", &missing_opacity}});
  EXPECT_EQ(result, 0) << "one key was missing";
  EXPECT_DOUBLE_EQ(opacity, 50);
  EXPECT_DOUBLE_EQ(missing_opacity, 100);
  EXPECT_EQ(aspect, 13);
  EXPECT_EQ(inverse, 1);
  EXPECT_EQ(dithering, 2);
  EXPECT_EQ(color_mode, 1) << "colour-mode names are exact";
  EXPECT_EQ(motion.mode, 2);
  EXPECT_DOUBLE_EQ(motion.angle, 30);
  EXPECT_DOUBLE_EQ(translate.v[1], -7);
  EXPECT_DOUBLE_EQ(stroke.r, 1.0);
  EXPECT_DOUBLE_EQ(size.v[2], 640);
  EXPECT_EQ(font, "Sans");
}

TEST_F(StyleGetter, ResultFlags) {
  style("c: 1");
  const unsigned presence = 0;
  EXPECT_EQ(qv_path_get_style_attribute(image.id, "P", nullptr, QV_GET_MASK | presence, nullptr,
                                        {{"a: ", {}}, {"b: ", {}}, {"c: ", {}}}),
            4);
  EXPECT_EQ(qv_path_get_style_attribute(image.id, "P", nullptr, QV_GET_ANY, nullptr,
                                        {{"a: ", {}}, {"c: ", {}}}),
            1);
  EXPECT_EQ(
      qv_path_get_style_attribute(image.id, "P", nullptr, 0, nullptr, {{"a: ", {}}, {"c: ", {}}}),
      0);
  EXPECT_EQ(qv_path_get_style_attribute(image.id, "P", nullptr, 0, nullptr, {{"c: ", {}}}), 1);
  EXPECT_EQ(
      qv_path_get_style_attribute(image.id, "missing", nullptr, QV_GET_ANY, nullptr, {{"c: ", {}}}),
      0);
}

TEST_F(StyleGetter, WrongStorageEndsTheList) {
  style("opacity: 50\tfill-opacity: 20");
  int wrong = 0;
  double fill = 0;
  qv_path_get_style_attribute(image.id, "P", nullptr, QV_GET_BINARY, nullptr,
                              {{"opacity: ", &wrong}, {"fill-opacity: ", &fill}});
  EXPECT_EQ(wrong, 0);
  EXPECT_DOUBLE_EQ(fill, 0) << "keys after the bad pair are not processed";
}

TEST_F(StyleGetter, RawAndExtensionModes) {
  style("rotate-at: 10 20 30;abc\ttranslate: 1 2");
  std::optional<std::string> ext, plain_ext, raw, missing;
  qv_path_get_style_attribute(image.id, "P", nullptr, QV_GET_EXTENSION, nullptr,
                              {{"rotate-at: ", &ext}, {"translate: ", &plain_ext}});
  EXPECT_EQ(ext, ";abc");
  EXPECT_EQ(plain_ext, "");
  qv_path_get_style_attribute(image.id, "P", nullptr, QV_GET_RAW, nullptr,
                              {{"translate: ", &raw}, {"opacity: ", &missing}});
  EXPECT_EQ(raw, "1 2");
  EXPECT_FALSE(missing);
}

TEST_F(StyleGetter, OverrideTextWinsUnlessCssPriorityOff) {
  style("opacity: 50");
  double opacity = 0;
  qv_path_get_style_attribute(image.id, "P", nullptr, QV_GET_BINARY | QV_GET_OVERRIDE,
                              "opacity: 40", {{"opacity: ", &opacity}});
  EXPECT_DOUBLE_EQ(opacity, 40);
  qv_path_get_style_attribute(image.id, "P", nullptr, QV_GET_BINARY | QV_GET_OVERRIDE,
                              "opacity: 40\tcss-priority: off", {{"opacity: ", &opacity}});
  EXPECT_DOUBLE_EQ(opacity, 50);
  // Without the override flag the override text is not read.
  qv_path_get_style_attribute(image.id, "P", nullptr, QV_GET_BINARY, "opacity: 40",
                              {{"opacity: ", &opacity}});
  EXPECT_DOUBLE_EQ(opacity, 50);
}

TEST_F(StyleGetter, ContextPush) {
  style("stroke: 0 255 0\tfill: 0 0 255");
  qv_path_get_style_attribute(image.id, "P", nullptr, QV_GET_CONTEXT, nullptr,
                              {{"stroke: ", {}}, {"fill: ", {}}});
  GimpRGB fg, bg;
  gimp_context_get_foreground(&fg);
  gimp_context_get_background(&bg);
  EXPECT_NEAR(fg.g, 1.0, 1e-6);
  EXPECT_NEAR(bg.b, 1.0, 1e-6);
}

TEST_F(StyleGetter, RotationHelperRewritesTheValueKeepingItsExtension) {
  style("rotate-at: 0 0 0;keep");
  // A helper drawn from the centre (10, 10) straight down to (10, 60).
  qv_test_add_path(image.id, qv_rotation_helper_name(tattoo), {10, 10, 10, 60});
  QVRotation r;
  qv_path_get_style_attribute(image.id, "P", nullptr, QV_GET_BINARY, nullptr,
                              {{"rotate-at: ", &r}});
  EXPECT_NEAR(r.angle, 90.0, 1e-9);
  EXPECT_DOUBLE_EQ(r.x, 10);
  EXPECT_DOUBLE_EQ(r.y2, 60);
  EXPECT_NEAR(r.length, 50, 1e-9);
  EXPECT_EQ(qv_path_get_style_text(image.id, "P", nullptr), "rotate-at: 90.0 10 10;keep");
}

TEST_F(StyleGetter, GradientHelperWithTwoPointsGivesItsLine) {
  qv_test_add_path(image.id, qv_gradient_helper_name(tattoo), {1, 2, 30, 40});
  EXPECT_EQ(text("gradient-line: "), "1.0 2.0 30.0 40.0");
  EXPECT_EQ(qv_path_get_style_text(image.id, "P", nullptr), "gradient-line: 1.0 2.0 30.0 40.0");
}

TEST_F(StyleGetter, GeometricDefaults) {
  QVRotation r;
  QVTriple offsets;
  qv_path_get_style_attribute(image.id, "P", nullptr, QV_GET_BINARY | QV_GET_GEOMETRY, nullptr,
                              {{"rotate-at: ", &r}, {"marker-offsets: ", &offsets}});
  EXPECT_DOUBLE_EQ(r.x, 50);
  EXPECT_DOUBLE_EQ(r.y, 25);
  EXPECT_DOUBLE_EQ(r.x2, 100);
  EXPECT_DOUBLE_EQ(r.length, 50);
  EXPECT_DOUBLE_EQ(offsets.v[0], 50);
  EXPECT_DOUBLE_EQ(offsets.v[1], 0);
  // Without the flag: the plain default.
  qv_path_get_style_attribute(image.id, "P", nullptr, QV_GET_BINARY, nullptr,
                              {{"rotate-at: ", &r}});
  EXPECT_DOUBLE_EQ(r.x, 0);
  EXPECT_DOUBLE_EQ(r.x2, 100);
}

TEST_F(StyleGetter, DatesAndFontSize) {
  style("@-date: 27. Mar. 2007");
  QVdtfNumbers date;
  qv_path_get_style_attribute(image.id, "P", nullptr, QV_GET_BINARY, nullptr,
                              {{"@-date: ", &date}});
  EXPECT_DOUBLE_EQ(date.year, 2007);
  EXPECT_DOUBLE_EQ(date.month, 3);
  EXPECT_DOUBLE_EQ(date.day, 27);
  EXPECT_EQ(text("@-date: "), "27. Mar. 2007");

  const gint32 named = qv_test_add_path(image.id, "1 Feb 1999", {0, 0, 5, 5});
  (void)named;
  qv_path_store_style(image.id, "1 Feb 1999", "@-date: Use Pathname"s);
  qv_path_get_style_attribute(image.id, "1 Feb 1999", nullptr, QV_GET_BINARY, nullptr,
                              {{"@-date: ", &date}});
  EXPECT_DOUBLE_EQ(date.year, 1999);
  EXPECT_DOUBLE_EQ(date.month, 2);

  style("opacity: 1");
  EXPECT_NE(text("@-date: ", QV_GET_GEOMETRY), "") << "today's date";
  // Without a value the text size is the height of the path's first segment.
  qv_test_add_path(image.id, "T", {0, 10, 0, 34});
  std::optional<std::string> size;
  qv_path_get_style_attribute(image.id, "T", nullptr, QV_GET_TEXT, nullptr,
                              {{"font-size: ", &size}});
  EXPECT_EQ(size, "24");
}

}  // namespace
