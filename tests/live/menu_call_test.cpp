// Every menu entry of the suite, called the way GIMP calls it when an artist
// picks it: interactive run mode, image and drawable, and nothing more.
// The procedures are found in GIMP's plug-in database, so a new menu entry
// fails here until it has a check below. Dialogs are answered by
// answer-window.sh with real key presses on the test display.
#include <gtest/gtest.h>

#include <glib/gstdio.h>
#include <libgimp/gimp.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "core/qv_names.h"
#include "core/qv_path_clipboard.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_render_session.h"
#include "gimp/groups/qv_path_groups_gimp.h"
#include "gimp/paths/qv_path_points.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/services/qv_clipboard_store.h"
#include "gimp/services/qv_path_clipboard_gimp.h"
#include "gimp/style/qv_style_gimp.h"
#include "gimp/timeline/qv_timeline_gimp.h"
#include "live_support.h"

namespace {

std::string canonical(std::string name) {
  std::replace(name.begin(), name.end(), '_', '-');
  return name;
}

// The suite's procedures that GIMP shows in a menu.
std::vector<std::string> suite_menu_procedures() {
  gint n = 0;
  GimpParam *values =
      gimp_run_procedure("gimp-plugins-query", &n, GIMP_PDB_STRING, "", GIMP_PDB_END);
  std::vector<std::string> names;
  if (n >= 13 && values[0].data.d_status == GIMP_PDB_SUCCESS) {
    const gint count = values[11].data.d_int32;
    for (gint i = 0; i < count; ++i) {
      const std::string location = values[6].data.d_stringarray[i];
      const std::string name = values[12].data.d_stringarray[i];
      if (name.find("qv") != std::string::npos && location.find("qv-selftest") == std::string::npos)
        names.push_back(canonical(name));
    }
  }
  gimp_destroy_params(values, n);
  std::sort(names.begin(), names.end());
  return names;
}

bool has_layer(gint32 image, const std::string &name) {
  const auto names = qv_test_layer_names(image);
  return std::find(names.begin(), names.end(), name) != names.end();
}

gint32 layer_named(gint32 image, const std::string &name) {
  gint count = 0;
  for (gint32 layer : qv_take_array(gimp_image_get_layers(image, &count), count))
    if (qv_take_string(gimp_item_get_name(layer)) == name) return layer;
  return -1;
}

std::vector<gint32> open_images() {
  gint count = 0;
  return qv_take_array(gimp_image_list(&count), count);
}

const QVTestPixel kRed = {255, 0, 0, 255};
const QVTestPixel kWhite = {255, 255, 255, 255};

struct MenuCall : ::testing::Test {
  QVTestImage image{40, 40};
  std::string dir = qv_take_string(g_dir_make_tmp("qv-menu-XXXXXX", nullptr));
  gint32 square = -1;
  gint32 square_tattoo = 0;  // kept: some entries replace the square

  void SetUp() override {
    // The image's current path: a red square in the middle.
    square = qv_test_add_closed_path(image.id, "Square", {10, 10, 30, 10, 30, 30, 10, 30});
    square_tattoo = qv_test_tattoo(square);
    qv_path_store_style(image.id, "Square", "fill: 255 0 0");
    gimp_gimprc_set("qv-default-t", "0.5");
  }
  void TearDown() override { qv_test_remove_folder(dir); }

  std::string esl() const { return qv_esl_name(qv_test_tattoo(square)); }
  std::string frame(int n) const { return dir + "/f_00" + std::to_string(n) + ".png"; }
  std::string seen_file() const { return dir + "/seen"; }

  // Calls the procedure as a menu does; false when GIMP reports a failure.
  bool call_from_menu(const std::string &procedure) {
    gint n = 0;
    GimpParam params[3];
    params[0].type = GIMP_PDB_INT32;
    params[0].data.d_int32 = GIMP_RUN_INTERACTIVE;
    params[1].type = GIMP_PDB_IMAGE;
    params[1].data.d_image = image.id;
    params[2].type = GIMP_PDB_DRAWABLE;
    params[2].data.d_drawable = gimp_image_get_active_drawable(image.id);
    GimpParam *values = gimp_run_procedure2(procedure.c_str(), &n, 3, params);
    const bool ok = n > 0 && values[0].data.d_status == GIMP_PDB_SUCCESS;
    gimp_destroy_params(values, n);
    return ok;
  }

  // Starts the answerer: it waits for the window, notes that it came and
  // types the keys into it.
  void answer(const std::string &window, const std::vector<std::string> &keys) {
    std::vector<std::string> args = {QV_LIVE_DIR "/answer-window.sh", seen_file(), window};
    args.insert(args.end(), keys.begin(), keys.end());
    std::vector<gchar *> argv;
    for (auto &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    GError *error = nullptr;
    ASSERT_TRUE(g_spawn_async(nullptr, argv.data(), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr,
                              nullptr, &error))
        << (error ? error->message : "");
  }

  // A 12 × 8 picture saved into the test folder; with a layer name, an
  // XCF holding that layer too.
  // The image lives in the test folder too; the dialog remembers the
  // picture as its last file (under `last`), so it opens on it.
  void save_picture(const std::string &name, const std::string &layer, const char *last) {
    gimp_image_set_filename(image.id, (dir + "/scene.xcf").c_str());
    const QVTestImage picture(12, 8);
    if (!layer.empty()) {
      gimp_image_insert_layer(picture.id,
                              gimp_layer_new(picture.id, layer.c_str(), 6, 6, GIMP_RGBA_IMAGE, 100,
                                             GIMP_LAYER_MODE_NORMAL),
                              0, 0);
    }
    const std::string file = dir + name;
    gimp_file_save(GIMP_RUN_NONINTERACTIVE, picture.id, picture.layer, file.c_str(), file.c_str());
    qv_global_string_set(last, file);
  }

  std::string seen() const {
    gchar *text = nullptr;
    if (!g_file_get_contents(seen_file().c_str(), &text, nullptr, nullptr)) return "<no window>";
    std::string out = qv_take_string(text);
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
  }

  void remember_render(const std::string &timeline, const std::string &first, int count) {
    qv_parasite_attach(image.id, "qv-last-rendered-timeline", GIMP_PARASITE_PERSISTENT,
                       timeline.size() + 1, timeline.c_str());
    qv_parasite_attach(image.id, "qv-last-rendered-startframe", GIMP_PARASITE_PERSISTENT,
                       first.size() + 1, first.c_str());
    const guint32 be = GUINT32_TO_BE(static_cast<guint32>(count));
    qv_parasite_attach(image.id, "qv-last-rendered-amount-frames", GIMP_PARASITE_PERSISTENT, 4,
                       &be);
  }

  // A timeline "Main" of one entry: the keyspline turns the square from red
  // to blue over a second at 10 frames per second.
  void store_timeline() {
    qv_test_add_path(image.id, "[@] colour", {39, 0, 39, 39});
    qv_path_store_style(image.id, "[@] colour",
                        "@-tattoos: " + std::to_string(qv_test_tattoo(square)) +
                            "\tfill: 255 0 0;0 0 255\t@-color-mode: RGB");
    QVTimeline timeline = qv_timeline_new(std::string("Main"));
    timeline.header.fps = 10;
    timeline.header.outpoint_mode = QV_OUT_EXPLICIT;
    timeline.header.outpoint = 1;
    QVanimChunk entry;
    entry.group_id = 1;
    entry.path_name = std::string("[@] colour");
    entry.drawable_tattoo = static_cast<int32_t>(gimp_item_get_tattoo(image.layer));
    entry.begin = 0;
    entry.duration = 1;
    qv_timeline_add_entry(timeline, entry);
    qv_timeline_store_current(image.id, timeline);
  }
};

// What a menu entry must do when chosen: prepare the image, name the window
// it shows and the keys that answer it (none: no window), check the result.
struct MenuCheck {
  std::function<void(MenuCall &)> setup;
  std::string window;
  std::vector<std::string> keys;
  std::function<void(MenuCall &)> verify;
};

void nothing(MenuCall &) {}

// Four paths for the perspective entries: the current path "to" is the
// square "from" moved by (20, 10); "locked" is locked; the layer "moved"
// is linked and has a white 10×10 square at (5, 5) on transparency.
void transform_setup(MenuCall &m) {
  qv_test_add_path(m.image.id, "locked", {1, 1, 9, 9});
  qv_path_set_locked(m.image.id, "locked", true);
  qv_test_add_path(m.image.id, "from", {0, 0, 40, 0, 40, 40, 0, 40});
  qv_test_add_path(m.image.id, "to", {20, 10, 60, 10, 60, 50, 20, 50});
  qv_path_set_current(m.image.id, "to");
  const gint32 layer =
      gimp_layer_new(m.image.id, "moved", 40, 40, GIMP_RGBA_IMAGE, 100, GIMP_LAYER_MODE_NORMAL);
  gimp_image_insert_layer(m.image.id, layer, 0, 0);
  gimp_drawable_fill(layer, GIMP_FILL_TRANSPARENT);
  gimp_image_select_rectangle(m.image.id, GIMP_CHANNEL_OP_REPLACE, 5, 5, 10, 10);
  gimp_drawable_edit_fill(layer, GIMP_FILL_WHITE);
  gimp_selection_none(m.image.id);
  gimp_item_set_linked(layer, TRUE);
  gimp_image_set_active_layer(m.image.id, layer);
}

bool layer_moved(MenuCall &m) {
  return qv_test_pixel(layer_named(m.image.id, "moved"), 27, 17)[3] == 255;
}
bool locked_path_moved(MenuCall &m) {
  const auto points = qv_path_read_points(m.image.id, "locked", nullptr).points;
  return !points.empty() && points[0] == 21;
}

// The clipboard entries: a second path "Locked" is locked; the names the
// clipboard store holds afterwards.
void lock_a_second_path(MenuCall &m) {
  qv_test_add_path(m.image.id, "Locked", {1, 1, 9, 9});
  qv_path_set_locked(m.image.id, "Locked", true);
  qv_path_set_current(m.image.id, "Square");
}
void copy_square(MenuCall &m) {
  qv_path_set_current(m.image.id, "Square");
  ASSERT_EQ(qv_paths_copy(m.image.id, QV_COPY_CURRENT), 1);
}
std::vector<std::string> clipboard_names() {
  std::vector<std::string> names;
  const auto stored = qv_clipboard_store_read(QVClipboardFormat::paths);
  if (!stored) return names;
  for (const auto &p : qv_path_block_read(stored->data(), stored->size()).paths)
    names.push_back(p.name);
  return names;
}
using Names = std::vector<std::string>;

std::vector<gint32> guides(gint32 image) {
  std::vector<gint32> found;
  for (gint32 g = gimp_image_find_next_guide(image, 0); g > 0;
       g = gimp_image_find_next_guide(image, g))
    found.push_back(gimp_image_get_guide_position(image, g));
  return found;
}
// A locked path beside the current square, for the keyspline entries.
void lock_beside_square(MenuCall &m) { lock_a_second_path(m); }
std::string tattoos_of(MenuCall &m, const std::string &path) {
  return qv_path_get_style_text(m.image.id, path.c_str(), nullptr).value_or("");
}
std::string keyspline_tattoos(MenuCall &m) {
  // The walk goes up from the bottom of the Paths dialog: the square first.
  return std::to_string(qv_test_tattoo(m.square)) + " " +
         std::to_string(qv_test_tattoo(gimp_image_get_vectors_by_name(m.image.id, "Locked")));
}

const std::map<std::string, MenuCheck> &menu_checks() {
  static const std::map<std::string, MenuCheck> checks = {
      {"plug-in-qv-path-draw-current",
       {nothing,
        "",
        {},
        [](MenuCall &m) { EXPECT_EQ(qv_test_pixel(m.image.layer, 20, 20), kRed); }}},
      {"plug-in-qv-path-draw-current-temp",
       {nothing,
        "",
        {},
        [](MenuCall &m) {
          ASSERT_TRUE(has_layer(m.image.id, m.esl())) << "no Edit Style Layer";
          EXPECT_EQ(qv_test_pixel(layer_named(m.image.id, m.esl()), 20, 20), kRed);
          EXPECT_EQ(qv_test_pixel(m.image.layer, 20, 20), kWhite);
        }}},
      {"plug-in-qv-remove-all-esl-layer",
       {[](MenuCall &m) {
          gint n = 0;
          gimp_destroy_params(
              gimp_run_procedure("plug-in-qv-path-draw-current-temp", &n, GIMP_PDB_INT32, 1,
                                 GIMP_PDB_IMAGE, m.image.id, GIMP_PDB_DRAWABLE, m.image.layer,
                                 GIMP_PDB_FLOAT, 0.5, GIMP_PDB_END),
              n);
          ASSERT_TRUE(has_layer(m.image.id, m.esl()));
        },
        "",
        {},
        [](MenuCall &m) { EXPECT_FALSE(has_layer(m.image.id, m.esl())); }}},
      {"plug-in-qv-render-timeline-save",
       {[](MenuCall &m) {
          m.store_timeline();
          m.remember_render("Main", m.frame(4), 2);
        },
        "Render Timeline",
        {"alt+o"},
        [](MenuCall &m) {
          EXPECT_TRUE(g_file_test(m.frame(4).c_str(), G_FILE_TEST_IS_REGULAR));
          EXPECT_TRUE(g_file_test(m.frame(5).c_str(), G_FILE_TEST_IS_REGULAR));
          EXPECT_FALSE(g_file_test(m.frame(6).c_str(), G_FILE_TEST_EXISTS));
        }}},
      {"plug-in-qv-pathgroup-new",
       {nothing,
        "New Path-Group",
        {"ctrl+a", "type:Fresh", "Return"},
        [](MenuCall &m) {
          EXPECT_EQ(qv_pathgroup_read_current(m.image.id).name, "Fresh");
          EXPECT_EQ(qv_pathgroups_list(m.image.id).size(), 2u);
        }}},
      {"plug-in-qv-pathgroup-new-duplicate",
       {nothing,
        "Duplicate Path-Group",
        {"ctrl+a", "type:Twin", "Return"},
        [](MenuCall &m) {
          EXPECT_EQ(qv_pathgroup_read_current(m.image.id).name, "Twin");
          EXPECT_EQ(qv_test_path_names(m.image.id), std::vector<std::string>{"Square"});
        }}},
      // The managers and file choosers are driven in their own tests; here
      // they must come up for the image and change nothing when cancelled.
      {"plug-in-qv-pathgroup-select",
       {nothing,
        "Select Path-Group!",
        {"Escape"},
        [](MenuCall &m) {
          EXPECT_EQ(qv_test_path_names(m.image.id), std::vector<std::string>{"Square"});
        }}},
      {"plug-in-qv-pathgroup-load",
       {nothing,
        "Open Path-Group-File",
        {"Escape"},
        [](MenuCall &m) {
          EXPECT_EQ(qv_test_path_names(m.image.id), std::vector<std::string>{"Square"});
        }}},
      {"plug-in-qv-pathgroup-save",
       {nothing,
        "Save Path-Groups!",
        {"Escape"},
        [](MenuCall &m) {
          EXPECT_EQ(qv_test_path_names(m.image.id), std::vector<std::string>{"Square"});
        }}},
      {"plug-in-qv-transform-drawable",
       {transform_setup,
        "",
        {},
        [](MenuCall &m) {
          EXPECT_TRUE(layer_moved(m));
          EXPECT_FALSE(locked_path_moved(m));
        }}},
      {"plug-in-qv-transform-locked-layers",
       {transform_setup,
        "",
        {},
        [](MenuCall &m) {
          EXPECT_TRUE(layer_moved(m));
          EXPECT_FALSE(locked_path_moved(m));
        }}},
      {"plug-in-qv-transform-locked-path",
       {transform_setup,
        "",
        {},
        [](MenuCall &m) {
          EXPECT_FALSE(layer_moved(m));
          EXPECT_TRUE(locked_path_moved(m));
        }}},
      {"plug-in-qv-transform-locked-path-layers",
       {transform_setup,
        "",
        {},
        [](MenuCall &m) {
          EXPECT_TRUE(layer_moved(m));
          EXPECT_TRUE(locked_path_moved(m));
        }}},
      {"plug-in-qv-path-cut-plus",
       {lock_a_second_path,
        "",
        {},
        [](MenuCall &m) {
          EXPECT_EQ(clipboard_names(), (Names{"Square", "Locked"}));
          EXPECT_TRUE(qv_test_path_names(m.image.id).empty());
        }}},
      {"plug-in-qv-path-copy-plus",
       {lock_a_second_path,
        "",
        {},
        [](MenuCall &m) {
          EXPECT_EQ(clipboard_names(), (Names{"Square", "Locked"}));
          EXPECT_EQ(qv_test_path_names(m.image.id).size(), 2u);
        }}},
      {"plug-in-qv-path-cut",
       {lock_a_second_path,
        "",
        {},
        [](MenuCall &m) {
          EXPECT_EQ(clipboard_names(), (Names{"Square"}));
          EXPECT_EQ(qv_test_path_names(m.image.id), (Names{"Locked"}));
        }}},
      {"plug-in-qv-path-copy",
       {lock_a_second_path,
        "",
        {},
        [](MenuCall &m) {
          EXPECT_EQ(clipboard_names(), (Names{"Square"}));
          EXPECT_EQ(qv_test_path_names(m.image.id).size(), 2u);
        }}},
      {"plug-in-qv-path-paste",
       {copy_square,
        "",
        {},
        [](MenuCall &m) {
          EXPECT_EQ(qv_test_path_names(m.image.id), (Names{"Square #1", "Square"}));
          EXPECT_EQ(qv_path_get_style_text(m.image.id, "Square #1", nullptr), "fill: 255 0 0");
        }}},
      {"plug-in-qv-path-paste-nr",
       {copy_square,
        "",
        {},
        [](MenuCall &m) {
          EXPECT_EQ(qv_test_path_names(m.image.id), (Names{"{1}Square", "Square"}));
        }}},
      {"plug-in-qv-path-paste-group",
       {copy_square,
        "",
        {},
        [](MenuCall &m) {
          // A new path group shows only the pasted path, under its old tattoo.
          EXPECT_EQ(qv_test_path_names(m.image.id), (Names{"Square"}));
          const auto stored = qv_clipboard_store_read(QVClipboardFormat::paths);
          ASSERT_TRUE(stored);
          const auto block = qv_path_block_read(stored->data(), stored->size());
          ASSERT_EQ(block.paths.size(), 1u);
          EXPECT_EQ(qv_test_tattoo(gimp_image_get_vectors_by_name(m.image.id, "Square")),
                    block.paths[0].tattoo);
        }}},
      {"plug-in-qv-guideline-grid-100",
       {nothing,
        "",
        {},
        [](MenuCall &m) {  // 40 × 40: one guide each way, at 0
          EXPECT_EQ(guides(m.image.id), (std::vector<gint32>{0, 0}));
        }}},
      {"plug-in-qv-guidelines-remove",
       {[](MenuCall &m) { gimp_image_add_hguide(m.image.id, 5); },
        "",
        {},
        [](MenuCall &m) { EXPECT_TRUE(guides(m.image.id).empty()); }}},
      {"plug-in-qv-create-keyspline-a",
       {lock_beside_square,
        "",
        {},
        [](MenuCall &m) {
          EXPECT_EQ(
              tattoos_of(m, "[@] Square"), "@-tattoos: " + [&] {
                // two groups of their own, joined with "; "
                std::string t = keyspline_tattoos(m);
                return t.replace(t.find(' '), 1, "; ");
              }());
        }}},
      {"plug-in-qv-create-keyspline-a2",
       {lock_beside_square,
        "",
        {},
        [](MenuCall &m) {
          EXPECT_EQ(qv_path_read_points(m.image.id, "[@] Square", nullptr).points.size(), 15u);
        }}},
      {"plug-in-qv-create-keyspline-stroke",
       {lock_beside_square,
        "",
        {},
        [](MenuCall &m) {
          EXPECT_NE(tattoos_of(m, "[@->S] Square").find("@-tattoos: " + keyspline_tattoos(m)),
                    std::string::npos);
        }}},
      {"plug-in-qv-create-keyspline-stroke-reverse",
       {lock_beside_square,
        "",
        {},
        [](MenuCall &m) {
          EXPECT_NE(tattoos_of(m, "[@<-S] Square").find("stroke-brush: "), std::string::npos);
        }}},
      {"plug-in-qv-create-keyspline-timeline",
       {[](MenuCall &m) { m.store_timeline(); },
        "Timeline Administration!",
        {"Down", "Return"},
        [](MenuCall &m) {
          const auto style = qv_path_get_style_text(m.image.id, "[@] t_(Main)", nullptr);
          ASSERT_TRUE(style);
          EXPECT_NE(style->find("@-timeline: Main"), std::string::npos) << *style;
          EXPECT_NE(style->find("@-timeline-dur: 1.000"), std::string::npos) << *style;
        }}},
      {"plug-in-qv-join-to-reference",
       {[](MenuCall &m) {
          // "Ref" along y = 30, remembered for path group 1; the square starts at (10, 10).
          qv_test_add_path(m.image.id, "Ref", {0, 30, 40, 30});
          const guint32 record[2] = {
              GUINT32_TO_BE(1u),
              GUINT32_TO_BE(static_cast<guint32>(qv_path_tattoo(m.image.id, "Ref")))};
          qv_parasite_attach(m.image.id, "qv-near-reference", GIMP_PARASITE_PERSISTENT, 8, record);
          qv_path_set_current(m.image.id, "Square");
        },
        "",
        {},
        [](MenuCall &m) {
          // Named by the length along the reference: about 10 (its chords
          // make it a little more).
          const auto names = qv_test_path_names(m.image.id);
          ASSERT_EQ(names.size(), 2u);
          const std::string joined = names[0] == "Ref" ? names[1] : names[0];
          EXPECT_EQ(joined.substr(0, 3), "10.") << joined;
          const auto points = qv_path_read_points(m.image.id, joined.c_str(), nullptr).points;
          ASSERT_GE(points.size(), 6u);
          EXPECT_NEAR(points[0], 10, 0.2);
          EXPECT_EQ(points[1], 30);
          EXPECT_EQ(qv_path_tattoo(m.image.id, joined.c_str()), m.square_tattoo);
        }}},
      {"plug-in-qv-join-new-reference",
       {nothing,
        "Please confirm!",
        {"Escape"},
        [](MenuCall &m) {
          EXPECT_EQ(qv_test_path_names(m.image.id), (Names{"Square"}));
          EXPECT_FALSE(qv_path_get_locked(m.image.id, "Square"));
        }}},
      {"plug-in-qv-create-keyspline-script",
       {[](MenuCall &m) {
          gimp_gimprc_set("qv-relative-image-path-names", "FALSE");
          const std::string script = m.dir + "/stamp.scm";
          g_file_set_contents(script.c_str(), "(gimp-message \"stamp\")", -1, nullptr);
          qv_global_string_set("qv-last-a-scriptfile", script);  // the chooser opens on it
        },
        "Select Script-File",
        {"Return"},
        [](MenuCall &m) {
          const auto style = qv_path_get_style_text(m.image.id, "[@-Script] stamp.scm", nullptr);
          EXPECT_EQ(style, "@-script: " + m.dir + "/stamp.scm");
        }}},
      {"plug-in-qv-create-image-path",
       {[](MenuCall &m) { m.save_picture("/picture.png", {}, "qv-last-image-path"); },
        "Image Path",
        {"Return"},
        [](MenuCall &m) {
          EXPECT_EQ(qv_path_get_style_text(m.image.id, "picture.png", nullptr),
                    "image: " + m.dir +
                        "/picture.png\timage-original-size: 12 8\t"
                        "image-merge-visible: 0\taspect-ratio-mode: 1");
        }}},
      {"plug-in-qv-create-symbol-path",
       {[](MenuCall &m) { m.save_picture("/symbols.xcf", "[Moon]", "qv-last-symbol-path"); },
        "Symbol Path",
        {"Return"},
        [](MenuCall &m) {
          const auto style = qv_path_get_style_text(m.image.id, "[Moon] \"Moon\"", nullptr);
          ASSERT_TRUE(style);
          EXPECT_EQ(style->substr(0, style->find('\t')), "image: " + m.dir + "/symbols.xcf");
        }}},
      {"plug-in-qv-path-animation",
       {[](MenuCall &) {
          // A render that died inside a nested timeline left this behind.
          qv_global_string_set("qv-timelines-in-progress", "lost.xcf;Demo");
        },
        "Animation Renderer",
        {"Escape"},
        [](MenuCall &) {
          EXPECT_FALSE(qv_rendering_in_progress());
          EXPECT_FALSE(qv_global_parasite_listed("qv-timelines-in-progress"));
        }}},
      {"plug-in-qv-path-edit-style",
       {nothing,
        "Square",  // the editor is titled by the path it edits
        {"Escape"},
        [](MenuCall &m) {
          EXPECT_FALSE(qv_global_parasite_listed("qv-pathstyle-dialog-run"));
          EXPECT_EQ(qv_path_get_style_text(m.image.id, "Square", nullptr), "fill: 255 0 0");
        }}},
      {"plug-in-qv-path-duplicate-plus",
       {nothing,
        "",
        {},
        [](MenuCall &m) {
          EXPECT_EQ(qv_test_path_names(m.image.id), (Names{"Square#0", "Square"}));
          EXPECT_EQ(qv_path_get_style_text(m.image.id, "Square#0", nullptr), "fill: 255 0 0");
        }}},
      {"plug-in-qv-path-new-circle",
       {[](MenuCall &m) {
          gimp_image_select_rectangle(m.image.id, GIMP_CHANNEL_OP_REPLACE, 4, 4, 20, 10);
        },
        "",
        {},
        [](MenuCall &m) {
          EXPECT_EQ(qv_test_path_names(m.image.id), (Names{"Ellipse", "Square"}));
        }}},
      {"plug-in-qv-image-filename-2-clipboard",
       {[](MenuCall &m) { gimp_image_set_filename(m.image.id, (m.dir + "/film.xcf").c_str()); },
        "",
        {},
        [](MenuCall &m) {
          const auto text = qv_clipboard_store_read(QVClipboardFormat::text);
          ASSERT_TRUE(text);
          EXPECT_EQ(std::string(text->begin(), text->end()), m.dir + "/film.xcf");
        }}},
      {"plug-in-qv-image-duplicate",
       {nothing,
        "",
        {},
        [](MenuCall &m) {
          const auto images = open_images();
          const auto copy = std::find_if(images.begin(), images.end(), [&](gint32 id) {
            return id != m.image.id && !qv_test_path_names(id).empty();
          });
          ASSERT_NE(copy, images.end()) << "no copy made";
          EXPECT_EQ(qv_test_tattoo(gimp_image_get_vectors_by_name(*copy, "Square")),
                    qv_test_tattoo(m.square));
          gimp_image_delete(*copy);
        }}},
  };
  return checks;
}

bool starts_with(const std::string &text, const char *prefix) { return text.rfind(prefix, 0) == 0; }

// Every procedure of the suite answers a call with too few arguments the
// same way: a calling error, before it reads an argument that is not
// there. The measuring procedures still give their eight numbers (all 0),
// and the bounding boxes their four: scripts read them unchecked.
TEST(MenuCallTable, TooShortCallsAreCallingErrors) {
  gint count = 0;
  gchar **names = nullptr;
  ASSERT_TRUE(
      gimp_procedural_db_query(".*qv.*", ".*", ".*", ".*", ".*", ".*", "Plug-In", &count, &names));
  const auto procedures = qv_take_string_array(names, count);
  int checked = 0;
  for (const std::string &name : procedures) {
    if (name.find("selftest") != std::string::npos || name.find("script-fu") != std::string::npos)
      continue;
    gint n = 0;
    GimpParam *values = gimp_run_procedure2(name.c_str(), &n, 0, nullptr);
    const GimpPDBStatusType status = n > 0 ? values[0].data.d_status : GIMP_PDB_EXECUTION_ERROR;
    const gint answers = n - 1;
    gimp_destroy_params(values, n);
    const bool takes_nothing = canonical(name) == "plug-in-qv-scheme-run-eval-unref" ||
                               canonical(name) == "plug-in-qv-get-clipboard";
    if (takes_nothing) continue;
    ++checked;
    const bool measuring = (starts_with(canonical(name), "plug-in-qv-path-get") ||
                            starts_with(canonical(name), "plug-in-qv-path-new")) &&
                           name.find("style") == std::string::npos &&
                           name.find("circle") == std::string::npos &&
                           name.find("inbetween") == std::string::npos;
    if (measuring) {
      EXPECT_EQ(status, GIMP_PDB_SUCCESS) << name;
      EXPECT_GE(answers, 8) << name;
    } else if (starts_with(canonical(name), "plug-in-qv-bbox")) {
      EXPECT_EQ(status, GIMP_PDB_SUCCESS) << name;
    } else {
      EXPECT_EQ(status, GIMP_PDB_CALLING_ERROR) << name;
    }
  }
  EXPECT_GE(checked, 50) << "the suite's procedures were not found";
}

TEST(MenuCallTable, EveryMenuEntryOfTheSuiteHasACheck) {
  const auto procedures = suite_menu_procedures();
  EXPECT_GE(procedures.size(), 38u);
  for (const auto &name : procedures)
    EXPECT_TRUE(menu_checks().count(name)) << "no menu-call check for " << name;
}

class MenuCallEach : public MenuCall, public ::testing::WithParamInterface<std::string> {};

TEST_P(MenuCallEach, DoesWhatItsEntryPromises) {
  const std::string procedure = GetParam();
  const auto found = menu_checks().find(procedure);
  ASSERT_NE(found, menu_checks().end());
  const MenuCheck &check = found->second;
  check.setup(*this);
  if (HasFatalFailure()) return;
  if (!check.window.empty()) answer(check.window, check.keys);
  EXPECT_TRUE(call_from_menu(procedure));
  if (!check.window.empty()) {
    EXPECT_EQ(seen(), check.window);
  }
  check.verify(*this);
}

std::vector<std::string> checked_procedures() {
  std::vector<std::string> names;
  for (const auto &[name, check] : menu_checks()) names.push_back(name);
  return names;
}

INSTANTIATE_TEST_SUITE_P(MenuCall, MenuCallEach, ::testing::ValuesIn(checked_procedures()),
                         [](const ::testing::TestParamInfo<std::string> &info) {
                           std::string name = info.param.substr(std::string("plug-in-qv-").size());
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

}  // namespace
