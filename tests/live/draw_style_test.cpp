// The style-level draw on real layers: fill kinds, stroke, opacity on plain
// layers and ESLs, placement, and the GIMP state every draw must put back.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "core/qv_names.h"
#include "gimp/animate/qv_draw_current.h"
#include "gimp/base/qv_render_session.h"
#include "gimp/draw/qv_draw_style.h"
#include "gimp/style/qv_bbox.h"
#include "gimp/style/qv_dates_gimp.h"
#include "gimp/style/qv_esl.h"
#include "gimp/style/qv_style_gimp.h"
#include "live_support.h"

namespace {

using Pixel = std::array<int, 4>;

const char *const kBrush = "2. Hardness 100";

// A closed path through the anchors (x, y pairs), made current.
gint32 add_closed_path(gint32 image, const std::string &name, const std::vector<double> &anchors) {
  const gint32 vectors = gimp_vectors_new(image, name.c_str());
  std::vector<double> cps;
  for (size_t i = 0; i + 1 < anchors.size(); i += 2)
    for (int k = 0; k < 3; ++k) cps.insert(cps.end(), {anchors[i], anchors[i + 1]});
  gimp_vectors_stroke_new_from_points(vectors, GIMP_VECTORS_STROKE_TYPE_BEZIER,
                                      static_cast<gint>(cps.size()), cps.data(), TRUE);
  gimp_image_insert_vectors(image, vectors, 0, -1);
  gimp_image_set_active_vectors(image, vectors);
  return vectors;
}

Pixel pixel(gint32 drawable, int x, int y) {
  gint channels = 0;
  guint8 *raw = gimp_drawable_get_pixel(drawable, x, y, &channels);
  const auto bytes = qv_take_array(raw, channels);
  Pixel p = {0, 0, 0, 255};
  for (size_t i = 0; i < bytes.size() && i < 4; ++i) p[i] = bytes[i];
  return p;
}

::testing::AssertionResult near(const Pixel &actual, const Pixel &expected, int tolerance = 2) {
  for (int i = 0; i < 4; ++i)
    if (std::abs(actual[i] - expected[i]) > tolerance)
      return ::testing::AssertionFailure()
             << "pixel " << actual[0] << "," << actual[1] << "," << actual[2] << "," << actual[3]
             << " expected " << expected[0] << "," << expected[1] << "," << expected[2] << ","
             << expected[3];
  return ::testing::AssertionSuccess();
}

const Pixel kWhite = {255, 255, 255, 255};
const Pixel kRed = {255, 0, 0, 255};
const Pixel kBlue = {0, 0, 255, 255};
const Pixel kBlack = {0, 0, 0, 255};

std::vector<gint32> layers_of(gint32 image) {
  gint count = 0;
  return qv_take_array(gimp_image_get_layers(image, &count), count);
}

// What a draw must leave as it found it.
struct QVDrawState {
  GimpRGB fg, bg;
  double opacity;
  GimpLayerMode mode;
  std::string brush;
  double spacing;
  gint32 current;
  guint tattoo;

  explicit QVDrawState(gint32 image)
      : opacity(gimp_context_get_opacity()),
        mode(gimp_context_get_paint_mode()),
        brush(qv_take_string(gimp_context_get_brush())),
        spacing(gimp_context_get_brush_spacing()),
        current(gimp_image_get_active_vectors(image)),
        tattoo(gimp_image_get_tattoo_state(image)) {
    gimp_context_get_foreground(&fg);
    gimp_context_get_background(&bg);
  }
};

bool same_rgb(const GimpRGB &a, const GimpRGB &b) {
  return std::fabs(a.r - b.r) < 1e-6 && std::fabs(a.g - b.g) < 1e-6 && std::fabs(a.b - b.b) < 1e-6;
}

struct DrawStyle : ::testing::Test {
  QVTestImage image{100, 100};

  void SetUp() override {
    qv_rendering_flag(true);
    // Unusual context values, so that a draw relying on them or leaving
    // its own behind shows.
    GimpRGB fg, bg;
    gimp_rgba_set(&fg, 0.1, 0.2, 0.3, 1);
    gimp_rgba_set(&bg, 0.7, 0.8, 0.9, 1);
    gimp_context_set_foreground(&fg);
    gimp_context_set_background(&bg);
    gimp_context_set_opacity(77);
    gimp_context_set_paint_mode(GIMP_LAYER_MODE_MULTIPLY);
    gimp_context_set_brush(kBrush);
    gimp_context_set_brush_size(4);
    gimp_context_set_brush_hardness(1.0);
    gimp_context_set_brush_spacing(0.2);
  }
  void TearDown() override { qv_rendering_flag(false); }

  gint32 square(double x0, double y0, double x1, double y1, const std::string &style) {
    const gint32 path = add_closed_path(image.id, "P", {x0, y0, x1, y0, x1, y1, x0, y1});
    qv_path_store_style(image.id, "P", style);
    return path;
  }

  // Draws the current path and checks that the draw put back what it changed.
  void draw(const char *override_text = nullptr) {
    const QVDrawState before(image.id);
    qv_path_draw_style(image.id, nullptr, override_text);
    const QVDrawState after(image.id);
    EXPECT_TRUE(same_rgb(before.fg, after.fg)) << "foreground";
    EXPECT_TRUE(same_rgb(before.bg, after.bg)) << "background";
    EXPECT_DOUBLE_EQ(before.opacity, after.opacity);
    EXPECT_EQ(before.mode, after.mode);
    EXPECT_EQ(before.brush, after.brush);
    EXPECT_DOUBLE_EQ(before.spacing, after.spacing) << "brush spacing";
    EXPECT_EQ(before.current, after.current) << "current path";
    EXPECT_TRUE(gimp_selection_is_empty(image.id));
    EXPECT_EQ(before.tattoo, after.tattoo) << "tattoo state";
    EXPECT_EQ(qv_test_path_names(image.id), std::vector<std::string>{"P"})
        << "no temporary path left";
  }

  Pixel at(int x, int y) { return pixel(image.layer, x, y); }
};

TEST_F(DrawStyle, ColourFillInsideOnly) {
  square(20, 20, 60, 60, "fill: 255 0 0");
  draw();
  EXPECT_TRUE(near(at(40, 40), kRed));
  EXPECT_TRUE(near(at(21, 21), kRed));
  EXPECT_TRUE(near(at(10, 10), kWhite));
  EXPECT_TRUE(near(at(70, 70), kWhite));
  EXPECT_TRUE(near(at(40, 65), kWhite));
}

TEST_F(DrawStyle, NeitherStrokeNorFillLineFillsBlack) {
  square(20, 20, 60, 60, "stroke-opacity: 50");
  draw();
  EXPECT_TRUE(near(at(40, 40), kBlack));
  EXPECT_TRUE(near(at(10, 10), kWhite));
}

TEST_F(DrawStyle, OverrideTextIsMergedAfterTheStyle) {
  square(20, 20, 60, 60, "fill: 255 0 0");
  draw("fill: 0 0 255");
  EXPECT_TRUE(near(at(40, 40), kBlue));
}

TEST_F(DrawStyle, NothingWithoutTheRenderingMarkerOrWithTooFewPoints) {
  square(20, 20, 60, 60, "fill: 255 0 0");
  qv_rendering_flag(false);
  draw();
  EXPECT_TRUE(near(at(40, 40), kWhite));
  qv_rendering_flag(true);

  // One anchor holds two points: too short to draw, but its box is refreshed.
  gimp_image_remove_vectors(image.id, gimp_image_get_active_vectors(image.id));
  const gint32 dot = qv_test_add_path(image.id, "P", {40, 40});
  gimp_image_set_active_vectors(image.id, dot);
  qv_path_store_style(image.id, "P", std::string("stroke: 255 0 0\tstroke-brush: ") + kBrush);
  gimp_context_set_brush_size(20);
  gimp_detach_parasite(QV_BBOX_PATH);
  draw();
  EXPECT_TRUE(near(at(40, 40), kWhite));
  EXPECT_TRUE(qv_bbox_read(QV_BBOX_PATH).has_value());
}

TEST_F(DrawStyle, OpacityIsFoldedIntoFillAndStrokeOnAnOrdinaryLayer) {
  square(20, 20, 60, 60, "fill: 255 0 0\topacity: 50\tfill-opacity: 80\tpaintmode: 3");
  draw();
  // 40 % red over white in legacy normal mode; the overall paint mode is
  // not used on an ordinary layer.
  EXPECT_TRUE(near(at(40, 40), {255, 153, 153, 255}));
  EXPECT_DOUBLE_EQ(gimp_layer_get_opacity(image.layer), 100);

  gimp_image_remove_vectors(image.id, gimp_image_get_active_vectors(image.id));
  const gint32 line = qv_test_add_path(image.id, "P", {10, 80, 90, 80});
  gimp_image_set_active_vectors(image.id, line);
  qv_path_store_style(
      image.id, "P",
      std::string("stroke: 255 0 0\tstroke-opacity: 80\topacity: 50\tstroke-brush: ") + kBrush);
  draw();
  EXPECT_TRUE(near(at(50, 80), {255, 153, 153, 255}, 3));
}

TEST_F(DrawStyle, OnAnEslTheLayerTakesOpacityAndMode) {
  const gint32 path =
      square(20, 20, 60, 60, "fill: 255 0 0\topacity: 50\tfill-opacity: 80\tpaintmode: 3");
  const gint32 esl = gimp_layer_new(image.id, qv_esl_name(qv_test_tattoo(path)).c_str(), 100, 100,
                                    GIMP_RGBA_IMAGE, 100, GIMP_LAYER_MODE_NORMAL);
  gimp_image_insert_layer(image.id, esl, 0, -1);
  gimp_drawable_fill(esl, GIMP_FILL_TRANSPARENT);
  gimp_image_set_active_layer(image.id, esl);
  ASSERT_TRUE(qv_layer_is_esl(esl));
  ASSERT_FALSE(qv_layer_is_esl(image.layer));
  draw();
  EXPECT_DOUBLE_EQ(gimp_layer_get_opacity(esl), 50);
  EXPECT_EQ(gimp_layer_get_mode(esl), static_cast<GimpLayerMode>(3));
  EXPECT_TRUE(near(pixel(esl, 40, 40), {255, 0, 0, 204})) << "the fill keeps its own 80 %";
  EXPECT_TRUE(near(at(40, 40), kWhite)) << "only the ESL is drawn on";
}

TEST_F(DrawStyle, FadeOpacityIsClampedAndScalesTheDraw) {
  const auto fade = [&](double value) {
    std::string bytes(sizeof value, '\0');
    std::memcpy(bytes.data(), &value, sizeof value);
    qv_test_attach(image.id, "qv-animation-fade-opacity", bytes);
    return qv_fade_opacity(image.id);
  };
  EXPECT_DOUBLE_EQ(qv_fade_opacity(image.id), 1.0) << "missing";
  EXPECT_DOUBLE_EQ(fade(1.5), 1.0);
  EXPECT_DOUBLE_EQ(fade(-1), 0.0);
  EXPECT_DOUBLE_EQ(fade(std::numeric_limits<double>::quiet_NaN()), 1.0);
  EXPECT_DOUBLE_EQ(fade(0.5), 0.5);
  qv_test_attach(image.id, "qv-animation-fade-opacity", "abc");
  EXPECT_DOUBLE_EQ(qv_fade_opacity(image.id), 1.0) << "not a double";

  fade(0.5);
  square(20, 20, 60, 60, "fill: 255 0 0\tfill-opacity: 80");
  draw();
  EXPECT_TRUE(near(at(40, 40), {255, 153, 153, 255}));
  fade(-1);
  gimp_drawable_fill(image.layer, GIMP_FILL_WHITE);
  draw();
  EXPECT_TRUE(near(at(40, 40), kWhite));
}

// A centre far away turns a hundredth of a degree into a visible shift of
// about 7 pixels, so that "no rotation" and "rotation" can be told apart.
TEST_F(DrawStyle, RotationCountsFromOneHundredthOfADegree) {
  struct Case {
    const char *rotate_at;
    int moved_y;  // where the square's band starts: 20 in place, 13 moved up
  };
  for (const Case c :
       {Case{"360 -100000 50", 20}, Case{"720 -100000 50", 20}, Case{"-360 -100000 50", 20},
        Case{"0.004 -100000 50", 20}, Case{"359.996 -100000 50", 13}}) {
    SCOPED_TRACE(c.rotate_at);
    gimp_drawable_fill(image.layer, GIMP_FILL_WHITE);
    if (gimp_image_get_active_vectors(image.id) > 0)
      gimp_image_remove_vectors(image.id, gimp_image_get_active_vectors(image.id));
    square(20, 20, 40, 40, std::string("fill: 255 0 0\trotate-at: ") + c.rotate_at);
    draw();
    EXPECT_TRUE(near(at(30, c.moved_y + 2), kRed));
    EXPECT_TRUE(near(at(30, c.moved_y + 18), kRed));
    EXPECT_TRUE(near(at(30, c.moved_y == 20 ? 16 : 37), kWhite));
  }
}

TEST_F(DrawStyle, RotationAndTranslationMoveTheShape) {
  square(20, 20, 40, 40, "fill: 255 0 0\trotate-at: 90 50 50");
  draw();
  // (20,20)-(40,40) turned a quarter about (50,50) lies at (60,20)-(80,40).
  EXPECT_TRUE(near(at(70, 30), kRed));
  EXPECT_TRUE(near(at(30, 30), kWhite));

  gimp_drawable_fill(image.layer, GIMP_FILL_WHITE);
  qv_path_store_style(image.id, "P", "fill: 0 0 255\ttranslate: 30 40 0");
  draw();
  EXPECT_TRUE(near(at(60, 70), kBlue));
  EXPECT_TRUE(near(at(30, 30), kWhite));
}

TEST_F(DrawStyle, RotatedPatternIsDrawnThroughTheTempLayer) {
  const std::string pattern = "Pine";
  gint count = 0;
  const auto patterns =
      qv_take_string_array(gimp_patterns_get_list(pattern.c_str(), &count), count);
  ASSERT_NE(std::find(patterns.begin(), patterns.end(), pattern), patterns.end());

  square(20, 20, 40, 40, "fill-pattern: " + pattern + "\trotate-at: 90 50 50");
  draw();
  int changed = 0;
  for (int y = 22; y < 40; y += 4)
    for (int x = 62; x < 80; x += 4) changed += !near(at(x, y), kWhite, 0);
  EXPECT_GT(changed, 10) << "the pattern lies in the turned square";
  EXPECT_TRUE(near(at(30, 30), kWhite)) << "and not where the path stands";
  EXPECT_EQ(gimp_image_get_active_layer(image.id), image.layer) << "the target is active again";
  // Cutting a whole layer removes it, so no emptied layer is left behind.
  EXPECT_EQ(layers_of(image.id), std::vector<gint32>{image.layer});
}

TEST_F(DrawStyle, GradientLineIsRelativeToTheTargetOffsets) {
  const gint32 target =
      gimp_layer_new(image.id, "Target", 60, 60, GIMP_RGBA_IMAGE, 100, GIMP_LAYER_MODE_NORMAL);
  gimp_image_insert_layer(image.id, target, 0, -1);
  gimp_layer_set_offsets(target, 40, 40);
  gimp_drawable_fill(target, GIMP_FILL_WHITE);
  gimp_image_set_active_layer(image.id, target);

  // Image coordinates: red at x 50, blue at x 90.
  const std::string line =
      "\tgradient-fg: 255 0 0\tgradient-bg: 0 0 255\tgradient-line: 50 70 90 70";
  for (const std::string choice : {"fill-gradient: FG to BG (RGB)", "gradient-system-nr: 0",
                                   "fill-gradient: no such gradient\tgradient-system-nr: 0"}) {
    SCOPED_TRACE(choice);
    gimp_drawable_fill(target, GIMP_FILL_WHITE);
    if (gimp_image_get_active_vectors(image.id) > 0)
      gimp_image_remove_vectors(image.id, gimp_image_get_active_vectors(image.id));
    square(45, 45, 95, 95, choice + line);
    draw();
    EXPECT_TRUE(near(pixel(target, 8, 30), kRed)) << "image x 48";
    EXPECT_TRUE(near(pixel(target, 53, 30), kBlue)) << "image x 93";
    const Pixel middle = pixel(target, 30, 30);
    EXPECT_GT(middle[0], 60);
    EXPECT_GT(middle[2], 60);
  }
}

TEST_F(DrawStyle, GradientSystemNumberThreeIsForegroundToTransparent) {
  square(10, 10, 90, 90, "gradient-system-nr: 3\tgradient-fg: 255 0 0\tgradient-line: 10 50 90 50");
  draw();
  EXPECT_TRUE(near(at(12, 50), kRed, 8));
  EXPECT_TRUE(near(at(88, 50), kWhite, 8)) << "the right end is transparent";
}

TEST_F(DrawStyle, GradientMovesWithARotatedPath) {
  square(20, 20, 40, 40,
         "fill-gradient: FG to BG (RGB)\tgradient-fg: 255 0 0\tgradient-bg: 0 0 255\t"
         "gradient-line: 20 30 40 30\trotate-at: 90 50 50");
  draw();
  // The line turns with the square: red at its top, blue at its bottom.
  EXPECT_TRUE(near(at(70, 21), kRed, 20));
  EXPECT_TRUE(near(at(70, 39), kBlue, 20));
}

TEST_F(DrawStyle, TheLastFillLineDecidesTheFill) {
  square(20, 20, 60, 60,
         "fill-gradient: FG to BG (RGB)\tgradient-fg: 0 255 0\tgradient-line: 20 40 60 40\t"
         "fill: 255 0 0");
  draw();
  EXPECT_TRUE(near(at(22, 40), kRed));
  EXPECT_TRUE(near(at(58, 40), kRed));
}

TEST_F(DrawStyle, StrokeUsesColourBrushAndSpacingForThisStrokeOnly) {
  const gint32 line = qv_test_add_path(image.id, "P", {10, 50, 90, 50});
  gimp_image_set_active_vectors(image.id, line);
  const auto white_on_line = [&] {
    int white = 0;
    for (int x = 10; x <= 90; ++x) white += near(at(x, 50), kWhite, 0);
    return white;
  };
  qv_path_store_style(image.id, "P",
                      std::string("stroke: 0 0 255\tstroke-size: 4\tstroke-brush: ") + kBrush);
  draw();
  EXPECT_TRUE(near(at(30, 50), kBlue));
  EXPECT_EQ(white_on_line(), 0) << "the brush's own spacing: a solid line";
  EXPECT_TRUE(near(at(30, 60), kWhite));
  EXPECT_TRUE(near(at(50, 30), kWhite)) << "a stroke alone is not filled";

  // 1000 % of a 4 pixel brush: one dab every 40 pixels.
  gimp_drawable_fill(image.layer, GIMP_FILL_WHITE);
  qv_path_store_style(
      image.id, "P",
      std::string("stroke: 0 0 255\tstroke-spacing: 1000\tstroke-size: 4\tstroke-brush: ") +
          kBrush);
  draw();
  EXPECT_GT(white_on_line(), 40);
  EXPECT_LT(white_on_line(), 78) << "but dabs are drawn";

  qv_path_store_style(image.id, "P", "stroke: 0 0 255\tstroke-spacing: 50");
  draw();
}

// The paintbrush's tool options must not reach a stroke whose style names
// its brush; "stroke-size: " decides the size, else the brush's own.
TEST_F(DrawStyle, ANamedBrushStrokesAtTheStylesSizeWhateverTheToolOptions) {
  const gint32 line = qv_test_add_path(image.id, "P", {10, 50, 90, 50});
  gimp_image_set_active_vectors(image.id, line);
  gimp_context_set_brush_size(80);
  gimp_context_set_brush_hardness(0.1);
  gimp_context_set_brush_aspect_ratio(15);
  struct Case {
    const char *style;
    int inside, outside;  // distances from the line: coloured, white
  };
  const std::string brush = std::string("\tstroke-brush: ") + kBrush;
  const Case cases[] = {
      {"stroke: 0 0 255\tstroke-size: 10", 3, 7},
      {"stroke: 0 0 255", 20, 30},  // "2. Hardness 100" is 51 pixels wide
  };
  for (const Case &c : cases) {
    gimp_drawable_fill(image.layer, GIMP_FILL_WHITE);
    qv_path_store_style(image.id, "P", c.style + brush);
    draw();
    EXPECT_TRUE(near(at(50, 50 + c.inside), kBlue)) << c.style;
    EXPECT_TRUE(near(at(50, 50 - c.inside), kBlue)) << c.style;
    EXPECT_TRUE(near(at(50, 50 + c.outside), kWhite, 0)) << c.style;
  }
  // Without a brush the context's brush paints, at the style's size.
  gimp_drawable_fill(image.layer, GIMP_FILL_WHITE);
  qv_path_store_style(image.id, "P", "stroke: 0 0 255\tstroke-size: 10");
  draw();
  EXPECT_FALSE(near(at(50, 50), kWhite, 0));
  EXPECT_TRUE(near(at(50, 57), kWhite, 0));
  gimp_context_set_brush_aspect_ratio(0);
}

TEST_F(DrawStyle, UnknownResourcesFallBackToTheContext) {
  square(20, 20, 60, 60,
         "fill-pattern: no such pattern\tstroke: 255 0 0\tstroke-brush: no such brush");
  draw();
  EXPECT_FALSE(near(at(40, 40), kWhite, 0)) << "filled with the context pattern";
  EXPECT_TRUE(near(at(20, 40), kRed, 3)) << "stroked with the context brush";
}

TEST_F(DrawStyle, ASingleDateIsStoredAndARangeIsNot) {
  square(20, 20, 60, 60, "fill: 255 0 0\t@-date: 27. 3. 2007");
  draw();
  QVdtfNumbers date = qv_dtf_read_date(image.id);
  EXPECT_EQ(date.valid, 1);
  EXPECT_DOUBLE_EQ(date.year, 2007);
  EXPECT_DOUBLE_EQ(date.month, 3);
  EXPECT_DOUBLE_EQ(date.day, 27);

  qv_path_store_style(image.id, "P", "fill: 255 0 0\t@-date: 1. 1. 1990; 1. 1. 2000");
  draw();
  EXPECT_DOUBLE_EQ(qv_dtf_read_date(image.id).year, 2007) << "two dates store nothing";
}

}  // namespace
