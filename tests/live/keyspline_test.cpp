// Keyspline animation in the real GIMP: in-betweens of key paths with their
// colours and positions, keyframed attributes, sequences drawn like a pen,
// motion along a path, date ranges, script keysplines, and what bad input
// leaves behind.
#include <gtest/gtest.h>

#include <glib/gstdio.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "gimp/animate/qv_animation.h"
#include "gimp/animate/qv_draw_current.h"
#include "gimp/animate/qv_keyspline_gimp.h"
#include "gimp/base/qv_render_session.h"
#include "gimp/base/qv_scheme_gimp.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/style/qv_dates_gimp.h"
#include "gimp/style/qv_style_gimp.h"
#include "live_support.h"

namespace {

const char *const kBrush = "2. Hardness 100";

::testing::AssertionResult near(const QVTestPixel &actual, const QVTestPixel &expected,
                                int tolerance = 3) {
  for (int i = 0; i < 4; ++i)
    if (std::abs(actual[i] - expected[i]) > tolerance)
      return ::testing::AssertionFailure() << "pixel " << qv_test_pixel_text(actual) << " expected "
                                           << qv_test_pixel_text(expected);
  return ::testing::AssertionSuccess();
}

const QVTestPixel kWhite = {255, 255, 255, 255};
const QVTestPixel kBlack = {0, 0, 0, 255};

struct KeysplineLive : ::testing::Test {
  QVTestImage image{200, 200};

  void SetUp() override {
    qv_rendering_flag(true);
    gimp_context_set_brush(kBrush);
    gimp_context_set_brush_size(4);
    gimp_context_set_brush_hardness(1.0);
  }
  void TearDown() override { qv_rendering_flag(false); }

  gint32 square(const std::string &name, double x0, double y0, double size,
                const std::string &style) {
    const gint32 path = qv_test_add_closed_path(
        image.id, name, {x0, y0, x0 + size, y0, x0 + size, y0 + size, x0, y0 + size});
    qv_path_store_style(image.id, name.c_str(), style);
    return qv_test_tattoo(path);
  }

  // A keyspline whose start and end share their x: its time curve leaves t.
  void keyspline(const std::string &name, const std::string &style) {
    qv_test_add_path(image.id, name, {190, 10, 190, 190});
    qv_path_store_style(image.id, name.c_str(), style);
  }

  QVTestPixel at(int x, int y) { return qv_test_pixel(image.layer, x, y); }

  void clear() { gimp_drawable_fill(image.layer, GIMP_FILL_WHITE); }

  int draw(const std::string &path, double t) {
    return qv_path_animation_draw3(image.id, path.c_str(), t, image.id, nullptr);
  }
};

// --- In-between ----------------------------------------------------------------

TEST_F(KeysplineLive, InbetweenMovesFromTheLastKeyToTheFirstInEachColourMode) {
  struct Mode {
    const char *name;
    QVTestPixel middle;  // red to blue at t = 0.5
  };
  const Mode modes[] = {{"RGB", {128, 0, 128, 255}},
                        {"HSV short", {255, 0, 255, 255}},
                        {"HSV long", {0, 255, 0, 255}}};
  for (const Mode &mode : modes) {
    SCOPED_TRACE(mode.name);
    QVTestImage fresh{200, 200};
    std::swap(image.id, fresh.id);
    std::swap(image.layer, fresh.layer);
    const std::string colour_mode = std::string("\t@-color-mode: ") + mode.name;
    const gint32 red = square("Red", 20, 20, 40, "fill: 255 0 0" + colour_mode);
    const gint32 blue = square("Blue", 120, 120, 40, "fill: 0 0 255" + colour_mode);
    keyspline("[@] move", "@-tattoos: " + std::to_string(blue) + " " + std::to_string(red));
    qv_path_set_current(image.id, "Red");
    const auto paths_before = qv_test_path_names(image.id);

    ASSERT_EQ(draw("[@] move", 0.0), 1);
    EXPECT_TRUE(near(at(40, 40), {255, 0, 0, 255}));
    EXPECT_TRUE(near(at(140, 140), kWhite));

    clear();
    draw("[@] move", 0.5);
    EXPECT_TRUE(near(at(90, 90), mode.middle));
    EXPECT_TRUE(near(at(40, 40), kWhite));
    EXPECT_TRUE(near(at(140, 140), kWhite));

    clear();
    draw("[@] move", 1.0);
    EXPECT_TRUE(near(at(140, 140), {0, 0, 255, 255}));
    EXPECT_TRUE(near(at(40, 40), kWhite));

    // The key paths and the keyspline stay as they were; nothing is left over.
    EXPECT_EQ(qv_test_path_names(image.id), paths_before);
    EXPECT_EQ(qv_path_current(image.id).value_or(""), "Red");
    EXPECT_EQ(qv_path_get_style_text(image.id, "Red", nullptr).value_or(""),
              "fill: 255 0 0" + colour_mode);
  }
}

TEST_F(KeysplineLive, ThreeStrokeKeyframesGiveTheMiddleOneAtHalf) {
  const gint32 key =
      square("Key", 40, 40, 120, std::string("stroke: 0 0 0\tstroke-brush: ") + kBrush);
  keyspline("[@] colours",
            "@-tattoos: " + std::to_string(key) + "\tstroke: 255 0 0;0 255 0;0 0 255");
  draw("[@] colours", 0.5);
  EXPECT_TRUE(near(at(40, 100), {0, 255, 0, 255}));
  clear();
  draw("[@] colours", 1.0);
  EXPECT_TRUE(near(at(40, 100), {0, 0, 255, 255}));
}

TEST_F(KeysplineLive, InbetweenDrawsIntoAnotherImageAndLeavesTheSourceAlone) {
  const gint32 key = square("Key", 20, 20, 40, "fill: 0 0 0");
  keyspline("[@] one", "@-tattoos: " + std::to_string(key));
  QVTestImage target{200, 200};
  const auto source_paths = qv_test_path_names(image.id);
  ASSERT_EQ(qv_path_animation_draw3(image.id, "[@] one", 0.7, target.id, nullptr), 1);
  EXPECT_TRUE(near(qv_test_pixel(target.layer, 40, 40), kBlack));
  EXPECT_TRUE(near(at(40, 40), kWhite));
  EXPECT_EQ(qv_test_path_names(image.id), source_paths);
  EXPECT_TRUE(qv_test_path_names(target.id).empty());
}

// --- Sequences -------------------------------------------------------------------

struct KeysplineSequence : KeysplineLive {
  std::string tattoos;
  void SetUp() override {
    KeysplineLive::SetUp();
    // Two strokes of 100 px, the second starting where the first ends.
    const gint32 first = qv_test_tattoo(qv_test_add_path(image.id, "0 first", {20, 50, 120, 50}));
    const gint32 second =
        qv_test_tattoo(qv_test_add_path(image.id, "100 second", {20, 100, 120, 100}));
    for (const char *name : {"0 first", "100 second"})
      qv_path_store_style(image.id, name,
                          std::string("stroke: 0 0 0\tstroke-size: 4\tstroke-brush: ") + kBrush);
    tattoos = "@-tattoos: " + std::to_string(first) + " " + std::to_string(second);
  }
  bool inked(int x, int y) { return near(at(x, y), kBlack, 60); }
};

TEST_F(KeysplineSequence, ForwardDrawsTheFirstPartOfTheTotalLength) {
  keyspline("[@->S] pen", tattoos);
  ASSERT_EQ(draw("[@->S] pen", 0.25), 1);
  EXPECT_TRUE(inked(60, 50));
  EXPECT_FALSE(inked(85, 50));
  EXPECT_FALSE(inked(30, 100));

  clear();
  draw("[@->S] pen", 0.75);
  EXPECT_TRUE(inked(115, 50));
  EXPECT_TRUE(inked(60, 100));
  EXPECT_FALSE(inked(85, 100));

  clear();
  draw("[@->S] pen", 0.0);
  EXPECT_FALSE(inked(22, 50));
  EXPECT_FALSE(inked(22, 100));

  clear();
  draw("[@->S] pen", 1.0);
  EXPECT_TRUE(inked(115, 50));
  EXPECT_TRUE(inked(115, 100));
  EXPECT_EQ(qv_test_path_names(image.id).size(), 3u);
}

TEST_F(KeysplineSequence, ReverseDrawsFromTheEnds) {
  keyspline("[@<-S] eraser", tattoos);
  draw("[@<-S] eraser", 0.25);
  EXPECT_TRUE(inked(110, 100));
  EXPECT_FALSE(inked(60, 100));
  EXPECT_FALSE(inked(110, 50));

  clear();
  draw("[@<-S] eraser", 0.0);
  EXPECT_FALSE(inked(110, 100));
  EXPECT_FALSE(inked(110, 50));

  clear();
  draw("[@<-S] eraser", 1.0);
  EXPECT_TRUE(inked(25, 50));
  EXPECT_TRUE(inked(25, 100));
}

TEST_F(KeysplineSequence, WithoutTattoosNothingIsDrawn) {
  keyspline("[@->S] empty", "stroke: 0 0 0");
  EXPECT_EQ(draw("[@->S] empty", 1.0), 0);
  EXPECT_FALSE(inked(60, 50));
  keyspline("[@->S] nobody", "@-tattoos: 99999 88888");
  EXPECT_EQ(draw("[@->S] nobody", 1.0), 1);
  EXPECT_FALSE(inked(60, 50));
  EXPECT_EQ(qv_test_path_names(image.id).size(), 4u);
}

// --- Motion ----------------------------------------------------------------------

struct KeysplineMotion : KeysplineLive {
  std::string style;
  void SetUp() override {
    KeysplineLive::SetUp();
    // A flat bar centred on the motion path's start, which runs straight down.
    const gint32 bar = qv_test_tattoo(
        qv_test_add_closed_path(image.id, "Bar", {70, 16, 130, 16, 130, 24, 70, 24}));
    qv_path_store_style(image.id, "Bar", "fill: 0 0 0");
    qv_test_add_path(image.id, "Track", {100, 20, 100, 180});
    style = "@-tattoos: " + std::to_string(bar) + "\t@-motion-path: Track\t@-motion-angle: ";
  }
  bool inked(int x, int y) { return near(at(x, y), kBlack, 60); }
  bool horizontal_at(int y) { return inked(80, y) && !inked(100, y - 20); }
  bool vertical_at(int y) { return inked(100, y - 20) && !inked(80, y); }
};

TEST_F(KeysplineMotion, FixedAngleMovesTheShapeUnturned) {
  keyspline("[@] fixed", style + "fixed 0");
  draw("[@] fixed", 0.5);
  EXPECT_TRUE(horizontal_at(100));
  EXPECT_FALSE(inked(80, 20));
  clear();
  draw("[@] fixed", 1.0);
  EXPECT_TRUE(horizontal_at(180));
}

TEST_F(KeysplineMotion, AutoFollowsTheDirectionAndRollTurnsWithTheDistance) {
  keyspline("[@] auto", style + "auto 0");
  draw("[@] auto", 0.5);
  EXPECT_TRUE(vertical_at(100));
  clear();
  // 80 px travelled at one turn per 320 px: a quarter turn.
  keyspline("[@] roll", style + "roll 320");
  draw("[@] roll", 0.5);
  EXPECT_TRUE(vertical_at(100));
}

TEST_F(KeysplineMotion, AutoPointsTheShapeAlongTheWayItTravels) {
  // A wedge pointing right from the track's start; the track runs down.
  const gint32 wedge =
      qv_test_tattoo(qv_test_add_closed_path(image.id, "Wedge", {100, 12, 140, 20, 100, 28}));
  qv_path_store_style(image.id, "Wedge", "fill: 0 0 0");
  keyspline("[@] wedge",
            "@-tattoos: " + std::to_string(wedge) + "\t@-motion-path: Track\t@-motion-angle: auto");
  draw("[@] wedge", 0.5);
  EXPECT_TRUE(inked(100, 115));
  EXPECT_FALSE(inked(100, 88));
  EXPECT_FALSE(inked(115, 100));
}

TEST_F(KeysplineMotion, AMotionPathWithTooFewPointsLeavesTheShapeWhereItIs) {
  qv_test_add_path(image.id, "Dot", {100, 20});
  keyspline("[@] dot",
            "@-tattoos: " + std::to_string(qv_path_tattoo_by_name(image.id, "Bar", nullptr)) +
                "\t@-motion-path: Dot");
  EXPECT_EQ(draw("[@] dot", 0.5), 1);
  EXPECT_TRUE(inked(80, 20));
}

// --- Dates and scripts ----------------------------------------------------------

TEST_F(KeysplineLive, DateRangeIsStoredAtTAndPrintedByATextPath) {
  const gint32 text = qv_test_tattoo(qv_test_add_path(image.id, "\"%y\"", {20, 100, 20, 160}));
  qv_path_store_style(image.id, "\"%y\"", "fill: 0 0 0\tfont-name: DejaVu Sans\tfont-size: 40");
  keyspline("[@] 1. 1. 2000; 1. 1. 2010",
            "@-date: use pathname\t@-tattoos: " + std::to_string(text));
  EXPECT_EQ(draw("[@] 1. 1. 2000; 1. 1. 2010", 0.5), 1);
  EXPECT_EQ(qv_dtf_read_date(image.id).year, 2005);
  const gint32 at_half = gimp_layer_new_from_drawable(image.layer, image.id);
  gimp_image_insert_layer(image.id, at_half, 0, -1);
  gimp_image_set_active_layer(image.id, image.layer);
  clear();
  draw("[@] 1. 1. 2000; 1. 1. 2010", 0.0);
  EXPECT_EQ(qv_dtf_read_date(image.id).year, 2000);
  // Something was printed, and "2000" is not "2005".
  bool any_ink = false, differs = false;
  for (int y = 0; y < 200; y += 2)
    for (int x = 0; x < 200; x += 2) {
      any_ink = any_ink || qv_test_pixel(image.layer, x, y)[0] < 128;
      differs = differs || qv_test_pixel(image.layer, x, y) != qv_test_pixel(at_half, x, y);
    }
  EXPECT_TRUE(any_ink);
  EXPECT_TRUE(differs);
}

struct KeysplineScript : KeysplineLive {
  std::string dir = qv_take_string(g_dir_make_tmp("qv-keyspline-XXXXXX", nullptr));
  std::string script = dir + "/av.scm";
  void SetUp() override {
    KeysplineLive::SetUp();
    const char *body =
        "(gimp-image-attach-parasite image (list \"qv-test-av\" 0 (number->string av)))\n";
    g_file_set_contents(script.c_str(), body, -1, nullptr);
  }
  void TearDown() override {
    g_remove(script.c_str());
    g_rmdir(dir.c_str());
    KeysplineLive::TearDown();
  }
};

TEST_F(KeysplineScript, ScriptRunsWithAvEqualToT) {
  keyspline("[@-Script] run", "@-script: " + script);
  const gint32 counter = qv_scheme_counter_get();
  ASSERT_EQ(draw("[@-Script] run", 0.25), 1);
  EXPECT_EQ(qv_test_parasite(image.id, "qv-test-av"), "0.25");
  EXPECT_EQ(qv_scheme_counter_get(), counter);

  keyspline("[@-Script] given", "@-script: " + script + "\t@-script-av: 0.75");
  draw("[@-Script] given", 0.1);
  EXPECT_EQ(qv_test_parasite(image.id, "qv-test-av"), "0.75");
}

TEST_F(KeysplineScript, ScriptEvalRunsBeforeAnyPathIsDrawn) {
  square("Plain", 20, 20, 40,
         "fill: 0 0 0\tscript-eval: (gimp-image-attach-parasite image (list \"qv-test-av\" 0 "
         "(string-append name (number->string av))))");
  draw("Plain", 0.5);
  EXPECT_EQ(qv_test_parasite(image.id, "qv-test-av"), "Plain0.5");
  EXPECT_TRUE(near(at(40, 40), kBlack));
}

TEST_F(KeysplineScript, MissingOrFailingScriptsChangeNothingAndRestoreTheCounter) {
  const gint32 counter = qv_scheme_counter_get();
  keyspline("[@-Script] none", "stroke: 0 0 0");
  EXPECT_EQ(draw("[@-Script] none", 0.5), 1);
  keyspline("[@-Script] missing", "@-script: no-such-script.scm");
  EXPECT_EQ(draw("[@-Script] missing", 0.5), 1);
  g_file_set_contents(script.c_str(), "(this-is-no-procedure image)\n", -1, nullptr);
  keyspline("[@-Script] failing", "@-script: " + script);
  EXPECT_EQ(draw("[@-Script] failing", 0.5), 1);
  EXPECT_EQ(qv_scheme_counter_get(), counter);
  EXPECT_EQ(qv_test_parasite(image.id, "qv-test-av"), "<none>");
  EXPECT_TRUE(near(at(100, 100), kWhite));
}

// --- Bad input -------------------------------------------------------------------

TEST_F(KeysplineLive, BadKeysplinesFallBackAndLeaveTheImageAsItWas) {
  const gint32 key = square("Key", 20, 20, 40, "fill: 0 0 0");
  const std::string key_tattoo = std::to_string(key);
  // Tattoos of nothing, keyframe lists of different lengths, unreadable
  // numbers and an unknown colour mode.
  keyspline("[@] nobody", "@-tattoos: 424242");
  keyspline("[@] odd", "@-tattoos: x " + key_tattoo +
                           "\tfill: 255 0 0;0 0 255;abc\topacity: 100;50\t@-color-mode: sideways");
  keyspline("[@] untattooed", "fill: 255 0 0");
  const auto paths = qv_test_path_names(image.id);

  EXPECT_EQ(draw("[@] nobody", 0.5), 1);
  EXPECT_EQ(draw("[@] untattooed", 0.5), 1);
  EXPECT_TRUE(near(at(40, 40), kWhite));
  EXPECT_EQ(draw("[@] odd", 0.25), 1);  // between red and blue, the short way round
  EXPECT_TRUE(near(at(40, 40), {255, 32, 255, 255}, 4));
  EXPECT_EQ(draw("no such path", 0.5), 0);
  EXPECT_EQ(qv_test_path_names(image.id), paths);
}

TEST_F(KeysplineLive, NothingIsDrawnWithoutTheRenderingMarker) {
  const gint32 key = square("Key", 20, 20, 40, "fill: 0 0 0");
  keyspline("[@] one", "@-tattoos: " + std::to_string(key));
  qv_rendering_flag(false);
  EXPECT_EQ(draw("[@] one", 0.5), 0);
  EXPECT_TRUE(near(at(40, 40), kWhite));
}

}  // namespace
