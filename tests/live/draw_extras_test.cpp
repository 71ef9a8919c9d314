// Placed images, texts and markers drawn by the style-level draw, checked on
// the pixels they leave.
#define GIMP_DISABLE_DEPRECATION_WARNINGS 1  // the pixel-region reader

#include <gtest/gtest.h>
#include <libgimp/gimp.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "core/qv_names.h"
#include "gimp/animate/qv_draw_current.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_render_session.h"
#include "gimp/draw/qv_draw_extras.h"
#include "gimp/draw/qv_draw_style.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/style/qv_style_gimp.h"
#include "live_support.h"

namespace {

struct QVRgb {
  int r = 0, g = 0, b = 0;
};

bool reddish(QVRgb p) { return p.r > 200 && p.g < 60 && p.b < 60; }
bool bluish(QVRgb p) { return p.b > 200 && p.r < 60 && p.g < 60; }
bool whitish(QVRgb p) { return p.r > 240 && p.g > 240 && p.b > 240; }
bool dark(QVRgb p) { return p.r < 128 && p.g < 128 && p.b < 128; }

// A copy of a drawable's pixels, read once.
struct QVPixels {
  int width = 0, height = 0, bpp = 0;
  std::vector<guchar> data;

  explicit QVPixels(gint32 drawable) {
    GimpDrawable *d = gimp_drawable_get(drawable);
    width = static_cast<int>(d->width);
    height = static_cast<int>(d->height);
    bpp = static_cast<int>(d->bpp);
    data.resize(static_cast<size_t>(width) * height * bpp);
    GimpPixelRgn region;
    gimp_pixel_rgn_init(&region, d, 0, 0, width, height, FALSE, FALSE);
    gimp_pixel_rgn_get_rect(&region, data.data(), 0, 0, width, height);
    gimp_drawable_detach(d);
  }

  QVRgb at(int x, int y) const {
    const guchar *p = &data[(static_cast<size_t>(y) * width + x) * bpp];
    return {p[0], p[1], p[2]};
  }

  // Pixels of the rectangle [x0, x1) × [y0, y1) that match.
  int count(int x0, int y0, int x1, int y1, const std::function<bool(QVRgb)> &match) const {
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(height, y1); ++y)
      for (int x = std::max(0, x0); x < std::min(width, x1); ++x) n += match(at(x, y)) ? 1 : 0;
    return n;
  }

  // The largest x of a matching pixel, or -1.
  int right_edge(const std::function<bool(QVRgb)> &match) const {
    int edge = -1;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (match(at(x, y))) edge = std::max(edge, x);
    return edge;
  }
};

std::string temp_folder() {
  const char *tmp = std::getenv("QV_TEST_TMP");
  return tmp ? tmp : g_get_tmp_dir();
}

void fill_rect(gint32 image, gint32 drawable, int x, int y, int w, int h, const GimpRGB &colour) {
  gimp_context_push();
  gimp_context_set_foreground(&colour);
  gimp_image_select_rectangle(image, GIMP_CHANNEL_OP_REPLACE, x, y, w, h);
  gimp_edit_fill(drawable, GIMP_FILL_FOREGROUND);
  gimp_selection_none(image);
  gimp_context_pop();
}

const GimpRGB kRed{1, 0, 0, 1}, kBlue{0, 0, 1, 1}, kGreen{0, 1, 0, 1}, kMagenta{1, 0, 1, 1};

gint32 add_layer(gint32 image, const char *name, const GimpRGB &colour) {
  const gint32 layer =
      gimp_layer_new(image, name, 20, 10, GIMP_RGB_IMAGE, 100, GIMP_LAYER_MODE_NORMAL);
  gimp_image_insert_layer(image, layer, 0, 0);
  fill_rect(image, layer, 0, 0, 20, 10, colour);
  return layer;
}

void save(gint32 image, gint32 layer, const std::string &file) {
  ASSERT_TRUE(gimp_file_save(GIMP_RUN_NONINTERACTIVE, image, layer, file.c_str(), file.c_str()));
  gimp_image_delete(image);
}

// A 20×10 picture, left half red, right half blue.
std::string make_picture(const std::string &relative) {
  const std::string file = temp_folder() + "/" + relative;
  const qv_gstring folder(g_path_get_dirname(file.c_str()));
  g_mkdir_with_parents(folder.get(), 0700);
  const gint32 image = gimp_image_new(20, 10, GIMP_RGB);
  const gint32 layer = add_layer(image, "pic", kRed);
  fill_rect(image, layer, 10, 0, 10, 10, kBlue);
  save(image, layer, file);
  return file;
}

// The open images whose file is `file`.
std::vector<gint32> images_of_file(const std::string &file) {
  gint count = 0;
  std::vector<gint32> found;
  for (gint32 image : qv_take_array(gimp_image_list(&count), count))
    if (qv_take_string(gimp_image_get_filename(image)) == file) found.push_back(image);
  return found;
}

struct DrawExtrasBase : ::testing::Test {
  QVTestImage image{100, 100};

  void SetUp() override { qv_rendering_flag(true); }
  void TearDown() override {
    qv_rendering_flag(false);
    qv_close_opened_images(0);
  }

  void add(const std::string &name, const std::vector<double> &anchors, const std::string &style) {
    qv_test_add_path(image.id, name, anchors);
    if (!style.empty()) qv_path_store_style(image.id, name.c_str(), style);
  }

  void draw(const std::string &name) {
    gimp_image_set_active_layer(image.id, image.layer);
    gimp_image_set_active_vectors(image.id, qv_path_id_by_name(image.id, name.c_str()));
    qv_path_draw_style(image.id, nullptr, nullptr);
  }

  QVPixels pixels() const { return QVPixels(image.layer); }
};

// ---- Images -------------------------------------------------------------------

struct DrawExtrasImage : DrawExtrasBase {
  std::string picture = make_picture("pic.png");

  QVPixels place(const std::vector<double> &anchors, const std::string &style) {
    add("frame", anchors, "image: " + picture + "\t" + style);
    draw("frame");
    return pixels();
  }
};

TEST_F(DrawExtrasImage, FillsItsFrameAndNothingElse) {
  const QVPixels p = place({10, 20, 90, 60}, "aspect-ratio-mode: 0");
  EXPECT_TRUE(reddish(p.at(15, 25)));
  EXPECT_TRUE(reddish(p.at(45, 55)));
  EXPECT_TRUE(bluish(p.at(55, 25)));
  EXPECT_TRUE(bluish(p.at(85, 55)));
  EXPECT_EQ(p.count(0, 0, 100, 100, [](QVRgb c) { return !whitish(c); }), 80 * 40)
      << "exactly the frame is covered; the path is neither filled nor stroked";
}

TEST_F(DrawExtrasImage, FrameDrawnRightToLeftMirrorsTheImage) {
  const QVPixels p = place({90, 20, 10, 60}, "aspect-ratio-mode: 0");
  EXPECT_TRUE(bluish(p.at(15, 40)));
  EXPECT_TRUE(reddish(p.at(85, 40)));
  EXPECT_TRUE(whitish(p.at(5, 40)));
  EXPECT_TRUE(whitish(p.at(95, 40)));
}

TEST_F(DrawExtrasImage, FourAnchorsMapTheImageOntoTheirQuadrilateral) {
  // Top-left, top-right, bottom-left, bottom-right; here mirrored vertically.
  const QVPixels p = place({10, 60, 90, 60, 10, 20, 90, 20}, "");
  EXPECT_TRUE(reddish(p.at(15, 40)));
  EXPECT_TRUE(bluish(p.at(85, 40)));
  EXPECT_TRUE(whitish(p.at(50, 10)));
  EXPECT_TRUE(whitish(p.at(50, 70)));
}

TEST_F(DrawExtrasImage, KeepingTheAspectNarrowsTheWidthCentred) {
  // A frame of 80×20 for a 2:1 picture: 40×20, centred.
  const QVPixels p = place({10, 20, 90, 40}, "aspect-ratio-mode: 1");
  EXPECT_TRUE(whitish(p.at(25, 30)));
  EXPECT_TRUE(reddish(p.at(35, 30)));
  EXPECT_TRUE(bluish(p.at(65, 30)));
  EXPECT_TRUE(whitish(p.at(75, 30)));
  EXPECT_EQ(p.count(0, 0, 100, 100, [](QVRgb c) { return !whitish(c); }), 40 * 20);
}

TEST_F(DrawExtrasImage, DrawingOutsideKeepsTheWidthAndGrowsTheHeight) {
  // 80 wide: 40 high, centred on y = 30.
  const QVPixels p = place({10, 20, 90, 40}, "aspect-ratio-mode: 5");
  EXPECT_TRUE(reddish(p.at(15, 12)));
  EXPECT_TRUE(bluish(p.at(85, 47)));
  EXPECT_TRUE(whitish(p.at(15, 8)));
  EXPECT_TRUE(whitish(p.at(15, 52)));
  EXPECT_TRUE(whitish(p.at(5, 30)));
}

TEST_F(DrawExtrasImage, OpacityIsFoldedInOrGivenToTheEditStyleLayer) {
  const std::string style = "aspect-ratio-mode: 0\topacity: 50\tfill-opacity: 80";
  const QVPixels p = place({10, 20, 90, 60}, style);
  const QVRgb c = p.at(15, 25);
  EXPECT_EQ(c.r, 255);
  EXPECT_NEAR(c.g, 153, 2) << "40 % red over white";

  const gint32 tattoo = qv_test_tattoo(qv_path_id_by_name(image.id, "frame"));
  const gint32 esl = gimp_layer_new(image.id, qv_esl_name(tattoo).c_str(), 100, 100,
                                    GIMP_RGBA_IMAGE, 100, GIMP_LAYER_MODE_NORMAL);
  gimp_image_insert_layer(image.id, esl, 0, 0);
  gimp_drawable_fill(esl, GIMP_FILL_TRANSPARENT);
  qv_path_store_style(image.id, "frame",
                      "image: " + picture + "\t" + style + "\tfill-paintmode: 3");
  gimp_image_set_active_vectors(image.id, qv_path_id_by_name(image.id, "frame"));
  qv_path_draw_style(image.id, nullptr, nullptr);
  EXPECT_DOUBLE_EQ(gimp_layer_get_opacity(esl), 50);
  EXPECT_EQ(gimp_layer_get_mode(esl), GIMP_LAYER_MODE_MULTIPLY_LEGACY);
  gint channels = 0;
  const auto pixel = qv_take_array(gimp_drawable_get_pixel(esl, 15, 25, &channels), channels);
  ASSERT_EQ(pixel.size(), 4u);
  EXPECT_NEAR(pixel[3], 204, 2) << "the image itself at the fill opacity";
}

TEST_F(DrawExtrasImage, ChannelTargetReceivesTheImageAsGrey) {
  const gint32 channel = gimp_channel_new(image.id, "mask", 100, 100, 100, &kGreen);
  gimp_image_insert_channel(image.id, channel, 0, 0);
  fill_rect(image.id, channel, 0, 0, 100, 100, GimpRGB{0, 0, 0, 1});
  ASSERT_EQ(QVPixels(channel).data[10 * 100 + 5], 0);
  add("frame", {10, 20, 90, 60}, "image: " + picture + "\taspect-ratio-mode: 0");
  gimp_image_set_active_vectors(image.id, qv_path_id_by_name(image.id, "frame"));
  gimp_image_set_active_channel(image.id, channel);
  qv_path_draw_style(image.id, nullptr, nullptr);

  const QVPixels p(channel);
  EXPECT_GT(p.data[40 * 100 + 20], 0) << "red part";
  EXPECT_EQ(p.data[10 * 100 + 5], 0) << "outside the frame";
  EXPECT_EQ(gimp_image_get_floating_sel(image.id), -1);
  EXPECT_EQ(pixels().count(0, 0, 100, 100, [](QVRgb c) { return !whitish(c); }), 0)
      << "layer untouched";
}

TEST_F(DrawExtrasImage, LayerNameAfterTheFirstSemicolonMayHoldMore) {
  const std::string file = temp_folder() + "/layers.xcf";
  const gint32 source = gimp_image_new(20, 10, GIMP_RGB);
  const gint32 bottom = add_layer(source, "Background", kGreen);
  add_layer(source, "with;semicolons", kMagenta);
  add_layer(source, "with", kBlue);
  gimp_image_set_active_layer(source, bottom);
  save(source, bottom, file);

  add("frame", {10, 20, 90, 60}, "image: " + file + ";with;semicolons");
  draw("frame");
  const QVRgb c = pixels().at(50, 40);
  EXPECT_TRUE(c.r > 200 && c.g < 60 && c.b > 200) << c.r << " " << c.g << " " << c.b;
}

TEST_F(DrawExtrasImage, SymbolPathPlacesTheLayerNamedLikeItsBracketPart) {
  const std::string file = temp_folder() + "/symbols.xcf";
  const gint32 source = gimp_image_new(20, 10, GIMP_RGB);
  const gint32 bottom = add_layer(source, "[star]", kMagenta);
  add_layer(source, "[moon]", kGreen);
  save(source, bottom, file);

  add("[star] one", {10, 20, 90, 60}, "image: " + file + ";ignored\taspect-ratio-mode: 0");
  draw("[star] one");
  const QVRgb c = pixels().at(50, 40);
  EXPECT_TRUE(c.r > 200 && c.g < 60 && c.b > 200) << c.r << " " << c.g << " " << c.b;
}

TEST_F(DrawExtrasImage, MissingFilePlacesNothingAndDrawsNothingElse) {
  add("frame", {10, 20, 90, 60, 10, 60}, "image: " + temp_folder() + "/no-such.png\tfill: 255 0 0");
  draw("frame");
  EXPECT_EQ(pixels().count(0, 0, 100, 100, [](QVRgb c) { return !whitish(c); }), 0);
  EXPECT_EQ(gimp_image_get_floating_sel(image.id), -1);
}

TEST_F(DrawExtrasImage, RelativeNameWithBackslashIsFoundBesideTheDrawnImage) {
  const std::string nested = make_picture("sub/pic2.png");
  gimp_image_set_filename(image.id, (temp_folder() + "/drawn.xcf").c_str());
  add("frame", {10, 20, 90, 60}, "image: sub\\pic2.png\taspect-ratio-mode: 0");
  draw("frame");
  EXPECT_TRUE(reddish(pixels().at(15, 25)));

  const auto opened = images_of_file(nested);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(qv_test_parasite(opened[0], QV_OPENED_IMAGE_MARK), std::string(4, '\0'));
}

TEST_F(DrawExtrasImage, OpenedImageIsMarkedReusedAndClosedByTheDriver) {
  place({10, 20, 90, 60}, "");
  const auto opened = images_of_file(picture);
  ASSERT_EQ(opened.size(), 1u);
  const gint32 source = opened[0];
  EXPECT_EQ(qv_test_parasite(source, QV_OPENED_IMAGE_MARK), std::string(4, '\0'));

  // A counter the driver advanced goes back to 0 when the image is used again.
  const gint32 three = 3;
  gimp_image_attach_new_parasite(source, QV_OPENED_IMAGE_MARK, 0, sizeof three, &three);
  draw("frame");
  EXPECT_EQ(images_of_file(picture), std::vector<gint32>{source}) << "the open image is reused";
  EXPECT_EQ(qv_test_parasite(source, QV_OPENED_IMAGE_MARK), std::string(4, '\0'));

  qv_close_opened_images(0);
  EXPECT_FALSE(gimp_image_is_valid(source));
}

TEST_F(DrawExtrasImage, NothingIsPlacedOnceTheRenderIsCancelled) {
  add("frame", {10, 20, 90, 60}, "image: " + picture);
  const auto points = std::vector<double>{10, 20, 1, 10, 20, 2, 90, 60, 2, 90, 60, 1, 90, 60, 2};
  qv_rendering_flag(false);
  gimp_image_set_active_vectors(image.id, qv_path_id_by_name(image.id, "frame"));
  EXPECT_EQ(qv_draw_image_or_text(image.id, "frame", points, nullptr, nullptr, QVPlacement{}),
            QVExtraResult::drawn);
  EXPECT_EQ(pixels().count(0, 0, 100, 100, [](QVRgb c) { return !whitish(c); }), 0);
}

// ---- Texts --------------------------------------------------------------------

const char *const kFont = "font-name: DejaVu Sans\tfont-size: 20\tfill: 0 0 0";

struct DrawExtrasText : DrawExtrasBase {};

TEST_F(DrawExtrasText, QuotedNameDrawsItsTextAtTheAnchor) {
  // Anchor (20, 60): the text stands on it, 20 pixels high.
  add("\"Hi\"", {20, 30, 20, 60}, kFont);
  draw("\"Hi\"");
  const QVPixels p = pixels();
  EXPECT_GT(p.count(20, 40, 50, 61, dark), 20);
  EXPECT_EQ(p.count(0, 0, 100, 38, dark), 0);
  EXPECT_EQ(p.count(0, 63, 100, 100, dark), 0);
  EXPECT_EQ(p.count(0, 0, 18, 100, dark), 0);
  EXPECT_EQ(p.count(55, 0, 100, 100, dark), 0);
}

TEST_F(DrawExtrasText, ATextOfBlanksIsNoText) {
  add("\"   \"", {10, 10, 50, 10, 50, 40, 10, 40}, "fill: 255 0 0");
  draw("\"   \"");
  EXPECT_TRUE(reddish(pixels().at(30, 25))) << "filled like any path";
}

// The rightmost dark pixel of a text drawn in an image of its own.
int right_edge_of_text(const std::string &name, const std::string &style) {
  QVTestImage image(100, 100);
  qv_test_add_path(image.id, name, {10, 30, 10, 60});
  qv_path_store_style(image.id, name.c_str(), std::string(kFont) + "\t" + style);
  gimp_image_set_active_vectors(image.id, qv_path_id_by_name(image.id, name.c_str()));
  qv_path_draw_style(image.id, nullptr, nullptr);
  EXPECT_EQ(gimp_image_get_floating_sel(image.id), -1);
  return QVPixels(image.layer).right_edge(dark);
}

TEST_F(DrawExtrasText, LetterSpacingSetsTheLettersApart) {
  const int plain = right_edge_of_text("\"HHHH\"", "");
  const int wide = right_edge_of_text("\"HHHH\"", "letter-spacing: 10");
  ASSERT_GT(plain, 30);
  // Three gaps of 10 % of 20 pixels; letters are placed on whole pixels.
  EXPECT_GE(wide - plain, 4);
  EXPECT_LE(wide - plain, 9);
}

TEST_F(DrawExtrasText, BlanksKeepTheirWidthWhenSetLetterByLetter) {
  const int whole = right_edge_of_text("\"H  H\"", "");
  const int letters = right_edge_of_text("\"H  H\"", "letter-spacing: 0.001");
  ASSERT_GT(whole, 30);
  EXPECT_NEAR(letters, whole, 3);
}

TEST_F(DrawExtrasText, LettersFollowTheTextPathAndRunOnPastItsEnd) {
  // Downward: letters turn by 90 degrees and stand to the right of the line.
  add("down", {30, 10, 30, 40}, "");
  add("\"HHHHHH\"", {0, 0, 0, 20}, std::string(kFont) + "\ttext-path: down");
  draw("\"HHHHHH\"");
  const QVPixels p = pixels();
  EXPECT_EQ(p.count(0, 0, 29, 100, dark), 0) << "nothing left of the path";
  EXPECT_EQ(p.count(52, 0, 100, 100, dark), 0);
  EXPECT_GT(p.count(30, 10, 52, 40, dark), 20);
  EXPECT_GT(p.count(30, 55, 52, 100, dark), 20) << "letters past the end go on straight down";
}

TEST_F(DrawExtrasText, Latin1TextIsConvertedAndLeavesNoFloatingLayer) {
  qv_test_add_path(image.id, "t", {20, 30, 20, 60});
  gimp_image_set_active_vectors(image.id, qv_path_id_by_name(image.id, "t"));
  const std::vector<double> points{20, 30, 1, 20, 30, 2, 20, 60, 2, 20, 60, 1, 20, 60, 2};
  EXPECT_EQ(
      qv_draw_image_or_text(image.id, "\"\xC9t\xE9\"", points, nullptr, nullptr, QVPlacement{}),
      QVExtraResult::drawn);
  EXPECT_EQ(gimp_image_get_floating_sel(image.id), -1);
  EXPECT_GT(pixels().count(20, 40, 60, 61, [](QVRgb c) { return !whitish(c); }), 20);
}

TEST_F(DrawExtrasText, KeysplineNamesDrawNeitherImageNorText) {
  const std::vector<double> points{20, 30, 1, 20, 30, 2, 20, 60, 2, 20, 60, 1, 20, 60, 2};
  EXPECT_EQ(qv_draw_image_or_text(image.id, "[@] \"Hi\"", points, nullptr, nullptr, QVPlacement{}),
            QVExtraResult::none);
  EXPECT_EQ(qv_draw_image_or_text(image.id, "plain", points, nullptr, nullptr, QVPlacement{}),
            QVExtraResult::none);
}

// ---- Markers ------------------------------------------------------------------

// "Arrow": a red triangle pointing up, its tip at the top centre (the default
// marker offset); it names a blue marker of its own that must never appear.
struct DrawExtrasMarker : DrawExtrasBase {
  void SetUp() override {
    DrawExtrasBase::SetUp();
    add("Dot", {0, 0, 6, 0, 6, 6, 0, 6}, "fill: 0 0 255");
    add("Arrow", {5, 0, 10, 10, 0, 10}, "fill: 255 0 0\tmarker-start: Dot\tmarker-end: Arrow");
  }

  QVPixels draw_line(const std::vector<double> &anchors, const std::string &style) {
    add("L", anchors, style);
    draw("L");
    return pixels();
  }
};

TEST_F(DrawExtrasMarker, EndMarkerSitsOnTheEndTurnedWithTheLine) {
  const QVPixels p = draw_line({10, 50, 80, 50}, "marker-end: Arrow");
  // Tip at (80, 50), body back along the line to x = 70.
  EXPECT_TRUE(reddish(p.at(74, 50)));
  EXPECT_EQ(p.count(82, 0, 100, 100, reddish), 0);
  EXPECT_EQ(p.count(0, 0, 68, 100, reddish), 0);
  EXPECT_EQ(p.count(0, 0, 100, 44, reddish), 0);
  EXPECT_EQ(p.count(0, 0, 100, 100, bluish), 0) << "the marker draws no markers itself";

  EXPECT_EQ(qv_test_path_names(image.id), (std::vector<std::string>{"L", "Arrow", "Dot"}))
      << "the temporary marker path is gone";
  EXPECT_EQ(qv_path_current(image.id).value_or(""), "L");
}

TEST_F(DrawExtrasMarker, StartMarkerPointsBackwards) {
  const QVPixels p = draw_line({10, 20, 10, 80}, "marker-start: Arrow");
  // Downward line: the start marker's tip at (10, 20), its body below.
  EXPECT_TRUE(reddish(p.at(10, 25)));
  EXPECT_EQ(p.count(0, 0, 100, 18, reddish), 0);
  EXPECT_EQ(p.count(0, 32, 100, 100, reddish), 0);
}

TEST_F(DrawExtrasMarker, MarkersFollowTheRotatedPathOnce) {
  // Turned by 90 degrees about (45, 50): the line runs down from (45, 15)
  // to (45, 85), so the end marker points down with its tip at (45, 85).
  const QVPixels p = draw_line({10, 50, 80, 50}, "marker-end: Arrow\trotate-at: 90 45 50");
  EXPECT_TRUE(reddish(p.at(45, 80)));
  EXPECT_EQ(p.count(0, 0, 100, 73, reddish), 0);
  EXPECT_EQ(p.count(0, 87, 100, 100, reddish), 0);
}

TEST_F(DrawExtrasMarker, MissingOrEmptyMarkerPathsAreSkipped) {
  gimp_image_insert_vectors(image.id, gimp_vectors_new(image.id, "Empty"), 0, -1);
  const QVPixels p = draw_line({10, 50, 80, 50}, "marker-start: Nowhere\tmarker-end: Empty");
  EXPECT_EQ(p.count(0, 0, 100, 100, [](QVRgb c) { return !whitish(c); }), 0);
  EXPECT_EQ(qv_test_path_names(image.id), (std::vector<std::string>{"L", "Empty", "Arrow", "Dot"}));
  EXPECT_EQ(qv_path_current(image.id).value_or(""), "L");
}

}  // namespace
