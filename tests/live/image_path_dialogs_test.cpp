// The "Image Path", "Symbol Path" and "Select Script-File" dialogs under
// Xvfb: what they offer for a chosen file, what their buttons do, and the
// path the image gets from them.
#include <gtest/gtest.h>

#include <glib/gstdio.h>

#include <string>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "gimp/animate/qv_draw_current.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_render_session.h"
#include "gimp/paths/qv_path_points.h"
#include "gimp/services/qv_image_path_gimp.h"
#include "gimp/style/qv_style_gimp.h"
#include "gimp/timeline/qv_timeline_gimp.h"
#include "live_support.h"
#include "theme_probe.h"

using namespace std::string_literals;

namespace {

std::string label_text(GtkWidget *label) { return gtk_label_get_text(GTK_LABEL(label)); }

std::vector<std::string> combo_items(GtkWidget *combo) {
  std::vector<std::string> items;
  GtkTreeModel *model = gtk_combo_box_get_model(GTK_COMBO_BOX(combo));
  GtkTreeIter iter;
  for (gboolean ok = gtk_tree_model_get_iter_first(model, &iter); ok;
       ok = gtk_tree_model_iter_next(model, &iter)) {
    gchar *text = nullptr;
    gtk_tree_model_get(model, &iter, 0, &text, -1);
    items.push_back(qv_take_string(text));
  }
  return items;
}

struct ImagePathDialog : ::testing::Test {
  QVTestImage image{200, 100};
  std::string dir = qv_take_string(g_dir_make_tmp("qv-image-path-XXXXXX", nullptr));
  std::string sources = dir + "/sources.xcf";  // "Sky" 30×20, "[Star]" 16×16, timeline "Spin"
  std::string picture = dir + "/picture.png";  // 12×8

  void SetUp() override {
    ASSERT_TRUE(qv_dialog_toolkit_init()) << "no display";
    gimp_image_set_filename(image.id, (dir + "/scene.xcf").c_str());
    const QVTestImage source(30, 20);
    const GimpRGB red = {1, 0, 0, 1};
    gimp_context_set_foreground(&red);
    for (const char *name : {"Sky", "[Star]"}) {
      const bool star = name[0] == '[';
      const gint32 layer = gimp_layer_new(source.id, name, star ? 16 : 30, star ? 16 : 20,
                                          GIMP_RGBA_IMAGE, 100, GIMP_LAYER_MODE_NORMAL);
      gimp_image_insert_layer(source.id, layer, 0, 0);
      gimp_drawable_fill(layer, star ? GIMP_FILL_FOREGROUND : GIMP_FILL_WHITE);
    }
    QVTimeline spin = qv_timeline_new("Spin"s);
    spin.header.outpoint_mode = QV_OUT_EXPLICIT;
    spin.header.outpoint = 2.5;
    qv_timeline_store_current(source.id, spin);
    ASSERT_TRUE(gimp_file_save(GIMP_RUN_NONINTERACTIVE, source.id, source.layer, sources.c_str(),
                               sources.c_str()));
    const QVTestImage small(12, 8);
    ASSERT_TRUE(gimp_file_save(GIMP_RUN_NONINTERACTIVE, small.id, small.layer, picture.c_str(),
                               picture.c_str()));
  }
  void TearDown() override {
    for (const std::string &file : {sources, picture}) g_remove(file.c_str());
    g_rmdir(dir.c_str());
  }

  void press(GtkWidget *button) {
    gtk_button_clicked(GTK_BUTTON(button));
    qv_test_pump(50);
  }
};

}  // namespace

// Choosing a picture, then an XCF: the choices follow what the file offers;
// the frame comes from the selection; "OK" makes the path the drawing reads.
TEST_F(ImagePathDialog, OffersWhatTheFileHoldsAndMakesThePath) {
  gimp_image_select_rectangle(image.id, GIMP_CHANNEL_OP_REPLACE, 20, 10, 60, 40);
  QVImagePathDialog d = qv_image_path_dialog_build(image.id, image.layer, false);
  EXPECT_EQ(gtk_window_get_title(GTK_WINDOW(d.dialog.get())), "Image Path"s);
  EXPECT_EQ(gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(d.width)), 60);

  EXPECT_FALSE(qv_image_path_dialog_plan(d, image.id));
  EXPECT_EQ(label_text(d.status), "No file is selected!");

  // A layer chosen of an XCF falls back to the whole picture for a PNG.
  qv_image_path_dialog_show_file(d, sources);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(d.use_layer), TRUE);
  qv_image_path_dialog_show_file(d, picture);
  EXPECT_FALSE(gtk_widget_get_sensitive(d.use_layer));
  EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(d.whole)));
  EXPECT_EQ(label_text(d.status), "Layer or Timeline can only be obtained from a GIMP *.xcf file!");
  EXPECT_EQ(label_text(d.preview_text), "12 × 8");

  qv_image_path_dialog_show_file(d, sources);
  EXPECT_EQ(label_text(d.status), "");
  gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(d.chooser), sources.c_str());
  EXPECT_EQ(label_text(d.preview_text), "30 × 20\n3 layers\n1 timeline");
  EXPECT_EQ(combo_items(d.layers), (std::vector<std::string>{"[Star]", "Sky", "Background"}));
  EXPECT_EQ(combo_items(d.timelines), (std::vector<std::string>{"Spin"}));
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(d.use_layer), TRUE);
  EXPECT_TRUE(gtk_widget_get_sensitive(d.layers));
  EXPECT_FALSE(gtk_widget_get_sensitive(d.timelines));
  gtk_combo_box_set_active(GTK_COMBO_BOX(d.layers), 1);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(d.relative), TRUE);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(d.marker), TRUE);
  for (QVTestTheme theme : {QVTestTheme::light, QVTestTheme::dark}) {
    qv_test_apply_theme(d.dialog.get(), theme);
    qv_test_show_and_draw(d.dialog.get());
    qv_test_pump(300);
    qv_test_screenshot(d.dialog.get(), "image-path-"s + qv_test_theme_name(theme));
  }

  const auto plan = qv_image_path_dialog_plan(d, image.id);
  ASSERT_TRUE(plan) << label_text(d.status);
  const auto made = qv_image_path_write(image.id, *plan);
  ASSERT_TRUE(made);
  EXPECT_EQ(*made, "sources.xcf: Sky");
  const auto style = qv_path_get_style_text(image.id, made->c_str(), nullptr);
  EXPECT_EQ(style,
            "image: ./sources.xcf\timage-original-size: 30 20\timage-merge-visible: 0\t"
            "aspect-ratio-mode: 13\tlayer: Sky\tmarker-offsets: 50 10");

  // The timeline instead, framed by the drawable once the selection is gone.
  gimp_selection_none(image.id);
  press(d.calculate);
  EXPECT_EQ(label_text(d.status), "No Selection! The drawable's corners are used.");
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(d.use_timeline), TRUE);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(d.marker), FALSE);
  const auto timeline = qv_image_path_dialog_plan(d, image.id);
  ASSERT_TRUE(timeline) << label_text(d.status);
  EXPECT_EQ(qv_image_path_points(*timeline)[6], 200);
  EXPECT_EQ(qv_image_path_style(*timeline).back().second, "2.500");
}

// Bad files and frames are said on the status line; the dialog stays.
TEST_F(ImagePathDialog, SaysWhatIsWrongAndMakesNothing) {
  const std::string broken = dir + "/broken.xcf";
  ASSERT_TRUE(g_file_set_contents(broken.c_str(), "gimp xcf v011\0\0\0", 17, nullptr));
  QVImagePathDialog d = qv_image_path_dialog_build(image.id, image.layer, false);
  qv_image_path_dialog_show_file(d, broken);
  EXPECT_FALSE(qv_image_path_dialog_plan(d, image.id));
  EXPECT_EQ(label_text(d.status).rfind("No valid *.xcf file!", 0), 0u) << label_text(d.status);
  qv_image_path_dialog_show_file(d, dir + "/gone.png");
  EXPECT_FALSE(qv_image_path_dialog_plan(d, image.id));
  EXPECT_EQ(label_text(d.status).rfind("File not exists", 0), 0u);
  qv_image_path_dialog_show_file(d, picture);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(d.height), 0);
  EXPECT_FALSE(qv_image_path_dialog_plan(d, image.id));
  EXPECT_EQ(label_text(d.status), "The frame needs a width and a height.");
  gimp_image_set_filename(image.id, "");
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(d.height), 10);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(d.relative), TRUE);
  EXPECT_FALSE(qv_image_path_dialog_plan(d, image.id));
  EXPECT_NE(label_text(d.status).find("no file yet"), std::string::npos);
  EXPECT_TRUE(qv_test_path_names(image.id).empty());
  g_remove(broken.c_str());
}

// "Set presets" keeps the frame for dialogs opened without a selection.
TEST_F(ImagePathDialog, PresetsFrameTheNextDialogWithoutASelection) {
  {
    QVImagePathDialog d = qv_image_path_dialog_build(image.id, image.layer, false);
    EXPECT_EQ(gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(d.width)), 200);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(d.x), 5);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(d.width), 33);
    press(d.presets);
  }
  QVImagePathDialog again = qv_image_path_dialog_build(image.id, image.layer, false);
  EXPECT_EQ(gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(again.x)), 5);
  EXPECT_EQ(gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(again.width)), 33);
  gimp_image_select_rectangle(image.id, GIMP_CHANNEL_OP_REPLACE, 1, 2, 3, 4);
  QVImagePathDialog selected = qv_image_path_dialog_build(image.id, image.layer, false);
  EXPECT_EQ(gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(selected.x)), 1);
  qv_global_string_set("qv-origin-destination-presets", "");
}

TEST_F(ImagePathDialog, SymbolDialogOffersTheBracketLayers) {
  QVImagePathDialog d = qv_image_path_dialog_build(image.id, image.layer, true);
  EXPECT_EQ(gtk_window_get_title(GTK_WINDOW(d.dialog.get())), "Symbol Path"s);
  qv_image_path_dialog_show_file(d, picture);
  EXPECT_EQ(label_text(d.status), "Symbol can only be obtained from a GIMP *.xcf file!");
  EXPECT_FALSE(qv_image_path_dialog_plan(d, image.id));
  gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(d.chooser), sources.c_str());
  for (QVTestTheme theme : {QVTestTheme::light, QVTestTheme::dark}) {
    qv_test_apply_theme(d.dialog.get(), theme);
    qv_test_show_and_draw(d.dialog.get());
    qv_test_pump(500);
    qv_test_screenshot(d.dialog.get(), "symbol-path-"s + qv_test_theme_name(theme));
  }
  EXPECT_EQ(combo_items(d.symbols), (std::vector<std::string>{"[Star]"}));
  const auto plan = qv_image_path_dialog_plan(d, image.id);
  ASSERT_TRUE(plan) << label_text(d.status);
  EXPECT_EQ(qv_image_path_write(image.id, *plan), "[Star] \"Star\"");
  // The drawing finds the symbol by the path's name: red, kept square, in
  // the middle of the 200 × 100 layer.
  qv_rendering_flag(true);  // as the draw procedure sets it
  qv_path_draw_current(image.id, QVDrawTarget::active_layer, 0.5);
  qv_rendering_flag(false);
  EXPECT_EQ(qv_test_pixel_text(qv_test_pixel(image.layer, 100, 50)), "255 0 0 255");
  EXPECT_EQ(qv_test_pixel_text(qv_test_pixel(image.layer, 30, 50)), "255 255 255 255");
  EXPECT_EQ(qv_path_get_style_text(image.id, "[Star] \"Star\"", nullptr),
            "image: " + sources +
                "\timage-original-size: 16 16\timage-merge-visible: 0\taspect-ratio-mode: 1");
}

TEST_F(ImagePathDialog, ScriptChooserFiltersAndToggle) {
  gimp_gimprc_set(QV_RELATIVE_NAMES_KEY, "TRUE");
  const std::string script = dir + "/stamp.scm";
  ASSERT_TRUE(g_file_set_contents(script.c_str(), "(gimp-message \"stamp\")", -1, nullptr));
  qv_global_string_set("qv-last-a-scriptfile", script);
  QVScriptChooser chooser = qv_script_chooser_build(image.id);
  GtkWidget *dialog = chooser.dialog.get();
  EXPECT_EQ(gtk_window_get_title(GTK_WINDOW(dialog)), "Select Script-File"s);
  std::vector<std::string> filters;
  GSList *list = gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(dialog));
  for (GSList *f = list; f; f = f->next)
    filters.push_back(gtk_file_filter_get_name(GTK_FILE_FILTER(f->data)));
  g_slist_free(list);
  EXPECT_EQ(filters, (std::vector<std::string>{"*.txt; *.scm", "*.scm", "*.txt"}));
  EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(chooser.relative)));
  EXPECT_EQ(gtk_button_get_label(GTK_BUTTON(chooser.relative)), "use relative filename"s);
  EXPECT_NE(gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK), nullptr);
  for (QVTestTheme theme : {QVTestTheme::light, QVTestTheme::dark}) {
    qv_test_apply_theme(dialog, theme);
    qv_test_show_and_draw(dialog);
    qv_test_pump(300);
    qv_test_screenshot(dialog, "select-script-file-"s + qv_test_theme_name(theme));
  }
  EXPECT_EQ(qv_take_string(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog))), script);
  gimp_gimprc_set(QV_RELATIVE_NAMES_KEY, "FALSE");
  g_remove(script.c_str());
}
