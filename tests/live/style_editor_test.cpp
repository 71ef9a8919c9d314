// The path-style editor's real window under Xvfb inside GIMP: widgets set
// as a user sets them, the timer's step run by hand, GIMP's current path
// and context changed from the test; the style parasite, the ESL's pixels
// and the widgets checked.
#include <gtest/gtest.h>

#include <gdk/gdkkeysyms.h>
#include <libgimp/gimp.h>

#include <cstring>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "core/qv_names.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_render_session.h"
#include "gimp/draw/qv_draw_style.h"
#include "gimp/editor/qv_style_editor_menus.h"
#include "gimp/editor/qv_style_editor_session.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/services/qv_clipboard_store.h"
#include "gimp/style/qv_style_gimp.h"
#include "live_support.h"
#include "theme_probe.h"

using namespace std::string_literals;

namespace {

std::string title(const QVStyleEditor &e) {
  return gtk_window_get_title(GTK_WINDOW(e.dialog.get()));
}

// Answers the modal dialog titled `title` once it shows: `act` fills it in
// and names the response; a screenshot of it is kept under `shot`.
struct Answer {
  std::string title, shot;
  std::function<gint(GtkWidget *)> act;
  bool answered = false;
};
gboolean answer_when_shown(gpointer data) {
  auto *a = static_cast<Answer *>(data);
  GtkWidget *dialog = qv_test_visible_dialog(a->title);
  if (!dialog) return G_SOURCE_CONTINUE;
  a->answered = true;
  const gint response = a->act(dialog);
  if (!a->shot.empty()) {
    for (QVTestTheme theme : {QVTestTheme::light, QVTestTheme::dark}) {
      qv_test_apply_theme(dialog, theme);
      qv_test_show_and_draw(dialog);
      qv_test_screenshot(dialog, a->shot + "-" + qv_test_theme_name(theme));
    }
  }
  gtk_dialog_response(GTK_DIALOG(dialog), response);
  return G_SOURCE_REMOVE;
}
void expect_answered(Answer &a, const std::function<void()> &run) {
  const guint id = g_timeout_add(50, answer_when_shown, &a);
  run();
  if (!a.answered) g_source_remove(id);
  EXPECT_TRUE(a.answered) << "no dialog \"" << a.title << "\"";
}

// The entries of a menu by label, separators as "-".
std::vector<std::string> labels(GtkWidget *menu) {
  std::vector<std::string> out;
  GList *children = gtk_container_get_children(GTK_CONTAINER(menu));
  for (GList *l = children; l; l = l->next) {
    GtkWidget *child = gtk_bin_get_child(GTK_BIN(l->data));
    out.push_back(GTK_IS_LABEL(child) ? gtk_label_get_text(GTK_LABEL(child)) : "-");
  }
  g_list_free(children);
  return out;
}
GtkWidget *entry_labelled(GtkWidget *menu, const std::string &label) {
  GtkWidget *found = nullptr;
  GList *children = gtk_container_get_children(GTK_CONTAINER(menu));
  for (GList *l = children; l && !found; l = l->next) {
    GtkWidget *child = gtk_bin_get_child(GTK_BIN(l->data));
    if (GTK_IS_LABEL(child) && label == gtk_label_get_text(GTK_LABEL(child)))
      found = GTK_WIDGET(l->data);
  }
  g_list_free(children);
  return found;
}
GtkWidget *first_entry(GtkWidget *widget) { return qv_test_find_widget(widget, GTK_TYPE_ENTRY); }

void set(GtkWidget *toggle, bool on) {
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(toggle), on);
}

struct StyleEditor : ::testing::Test {
  QVTestImage image{60, 60};
  gint32 square = -1;
  std::string esl;

  void SetUp() override {
    ASSERT_TRUE(qv_dialog_toolkit_init()) << "no display";
    gimp_detach_parasite(QV_EDITOR_MARKER);
    const GimpRGB black = {0, 0, 0, 1}, white = {1, 1, 1, 1};
    gimp_context_set_foreground(&black);
    gimp_context_set_background(&white);
    square = qv_test_add_closed_path(image.id, "Square", {10, 10, 50, 10, 50, 50, 10, 50});
    esl = qv_esl_name(qv_test_tattoo(square));
  }
  void TearDown() override { gimp_detach_parasite(QV_EDITOR_MARKER); }

  std::string style(const char *path = "Square") {
    return qv_path_get_style_text(image.id, path, nullptr).value_or("<none>");
  }
  std::unique_ptr<QVStyleEditor> editor(const std::string &text = "") {
    if (!text.empty()) qv_path_store_style(image.id, "Square", text);
    EXPECT_TRUE(qv_style_editor_claim(image.id));
    return qv_style_editor_open(image.id);
  }
};

}  // namespace

// Lines no widget shows stay, after the widget-built ones, in their order;
// the opacity keeps its keyframes when the slider moves.
TEST_F(StyleEditor, WidgetChangesKeepWhatNoWidgetShows) {
  auto e = editor("marker-start: Arrow\topacity: 40.0;20.0;80.0\t@-timeline: Main");
  EXPECT_EQ(title(*e), "Square");
  EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(e->w.opacity_check)));
  EXPECT_EQ(gtk_range_get_value(GTK_RANGE(e->w.opacity)), 40);
  gtk_range_set_value(GTK_RANGE(e->w.opacity), 55);
  EXPECT_EQ(style(), "marker-start: Arrow\topacity: 55.0;20.0;80.0\t@-timeline: Main");
  set(e->w.fill_check, true);
  EXPECT_EQ(style(),
            "opacity: 55.0;20.0;80.0\tfill-paintmode: 0\tfill: 0 0 0\tfill-opacity: 100.0"
            "\tselection-feather: 0.0\tmarker-start: Arrow\t@-timeline: Main");
  EXPECT_TRUE(gtk_widget_get_visible(e->w.fill_block));
  EXPECT_TRUE(gimp_image_is_dirty(image.id));
}

// Turning the stroke on, picking red and pressing "Draw on ۞ ESL".
TEST_F(StyleEditor, StrokeDrawnOnTheEsl) {
  auto e = editor();
  set(e->w.stroke_check, true);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(e->w.stroke_size), 4);
  const GdkColor red = {0, 0xffff, 0, 0};
  gtk_color_button_set_color(GTK_COLOR_BUTTON(e->w.stroke_colour), &red);
  g_signal_emit_by_name(e->w.stroke_colour, "color-set");
  EXPECT_EQ(style().substr(0, 17), "stroke: 255 0 0\ts");
  gtk_dialog_response(GTK_DIALOG(e->dialog.get()), QV_EDITOR_RESPONSE_DRAW);
  const gint32 layer = gimp_image_get_layer_by_name(image.id, esl.c_str());
  ASSERT_GT(layer, 0) << "no " << esl;
  const QVTestPixel edge = qv_test_pixel(layer, 30, 10);
  EXPECT_EQ(edge[0], 255);
  EXPECT_EQ(edge[1], 0);
  EXPECT_EQ(qv_test_pixel(layer, 30, 30)[3], 0) << "inside the square stays clear";
}

// A gradient fill follows GIMP's foreground: the preview and the style.
TEST_F(StyleEditor, GradientFillFollowsTheForeground) {
  EXPECT_EQ(qv_gradient_system_number_of("FG to BG (RGB)"), 0);
  auto e = editor(
      "fill-paintmode: 0\tfill-gradient: FG to BG (RGB)\tgradient-fg: 0 0 0\tgradient-bg: 255 255 "
      "255");
  EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(e->w.with_gradient)));
  EXPECT_TRUE(gtk_widget_get_visible(e->w.gradient_box));
  GdkPixbuf *before = gtk_image_get_pixbuf(GTK_IMAGE(e->w.gradient_preview));
  ASSERT_TRUE(before);
  const guchar first_before = gdk_pixbuf_get_pixels(before)[2];
  const GimpRGB blue = {0, 0, 1, 1};
  gimp_context_set_foreground(&blue);
  qv_style_editor_tick(*e);
  EXPECT_NE(style().find("gradient-fg: 0 0 255"), std::string::npos) << style();
  EXPECT_NE(style().find("gradient-system-nr: "), std::string::npos) << style();
  GdkPixbuf *after = gtk_image_get_pixbuf(GTK_IMAGE(e->w.gradient_preview));
  EXPECT_NE(gdk_pixbuf_get_pixels(after)[2], first_before);
}

TEST_F(StyleEditor, StylesThroughTheClipboard) {
  auto e = editor("fill: 1 2 3\tstroke: 4 5 6");
  ASSERT_TRUE(qv_style_editor_copy_style(*e));
  qv_test_add_closed_path(image.id, "Other", {1, 1, 5, 1, 5, 5});
  qv_style_editor_tick(*e);
  EXPECT_EQ(e->path, "Other");
  EXPECT_EQ(gtk_label_get_text(GTK_LABEL(e->w.status)), "path has changed!"s);
  EXPECT_TRUE(qv_style_editor_paste_style(*e));
  EXPECT_EQ(style("Other"), "fill: 1 2 3\tstroke: 4 5 6");
  // Blank lines make no empty attributes; the header's tattoo is not used.
  qv_clipboard_text_put(
      "QVParasiteString: qv-style-for-path-5\nfill: 9 9 9\n\n\r\nstroke: 1 1 1\n");
  EXPECT_TRUE(qv_style_editor_paste_style(*e));
  EXPECT_EQ(style("Other"), "fill: 9 9 9\tstroke: 1 1 1");
  qv_clipboard_text_put("just a note");
  qv_style_editor_refresh_edit_menu(*e);
  EXPECT_FALSE(gtk_widget_get_sensitive(e->w.paste_style));
  EXPECT_FALSE(qv_style_editor_paste_style(*e));
  EXPECT_EQ(style("Other"), "fill: 9 9 9\tstroke: 1 1 1");
}

// One editor per GIMP: a second call hands its image over through the
// marker; a marker left negative by an editor that died opens a new one.
TEST_F(StyleEditor, ASecondCallHandsItsImageToTheRunningEditor) {
  auto e = editor();
  const QVTestImage second(30, 30);
  gimp_image_set_filename(second.id, "/tmp/second.xcf");
  EXPECT_FALSE(qv_style_editor_claim(second.id));
  qv_style_editor_tick(*e);
  EXPECT_EQ(e->image, second.id);
  EXPECT_EQ(title(*e), "[" + std::to_string(second.id) + "] second.xcf");
  EXPECT_EQ(title(*e), gtk_label_get_text(GTK_LABEL(e->w.status)));
  EXPECT_FALSE(gtk_widget_get_visible(e->w.body)) << "the second image has no path";
  gint32 marker = 0;
  std::memcpy(&marker, gimp_parasite_data(gimp_get_parasite(QV_EDITOR_MARKER)), 4);
  EXPECT_EQ(marker, second.id);

  qv_style_editor_close(*e);
  const gint32 stale = -second.id;
  gimp_attach_parasite(gimp_parasite_new(QV_EDITOR_MARKER, 0, 4, &stale));
  EXPECT_TRUE(qv_style_editor_claim(image.id));
}

TEST_F(StyleEditor, PathsDeletedAndDamagedStyles) {
  const std::string damaged = "no colon\tfill: red\t" + std::string(100000, 'x') + "\t\xff\xfe: 1";
  auto e = editor(damaged);
  EXPECT_TRUE(gtk_widget_get_visible(e->w.body));
  set(e->w.stroke_check, true);
  const std::string text = style();
  EXPECT_NE(text.find("\tno colon\t" + std::string(100000, 'x') + "\t\xff\xfe: 1"),
            std::string::npos);
  gimp_image_remove_vectors(image.id, square);
  qv_style_editor_tick(*e);
  EXPECT_EQ(title(*e), "no Path!");
  EXPECT_FALSE(gtk_widget_get_visible(e->w.body));
  EXPECT_EQ(e->tattoo, -1);
}

TEST_F(StyleEditor, DefaultTAndClosing) {
  auto e = editor();
  qv_style_editor_set_default_t(*e, "1.5");
  EXPECT_EQ(qv_take_string(gimp_gimprc_query("qv-default-t")), "1.0");
  EXPECT_EQ(gtk_menu_item_get_label(GTK_MENU_ITEM(e->w.default_t)), "Default t = 1.0"s);
  qv_style_editor_set_default_t(*e, "0,25");
  EXPECT_EQ(qv_take_string(gimp_gimprc_query("qv-default-t")), "0.0");
  gimp_gimprc_set("qv-default-t", "0.5");

  qv_test_attach(image.id, "qv-style-for-path-9999", "fill: 1 1 1");
  qv_style_editor_close(*e);
  EXPECT_EQ(qv_test_parasite(image.id, "qv-style-for-path-9999"), "<none>");
  EXPECT_FALSE(qv_global_parasite_listed(QV_EDITOR_MARKER));
  const auto fade = qv_image_parasite_bytes(image.id, "qv-animation-fade-opacity");
  ASSERT_TRUE(fade);
  double value = 0;
  std::memcpy(&value, fade->data(), sizeof value);
  EXPECT_EQ(value, 1.0);
}

// Each kind of path shows its menu; looked at under both themes.
TEST_F(StyleEditor, EachKindOfPathShowsItsMenu) {
  struct Case {
    const char *name;
    const char *style;
    GtkWidget *QVStyleEditorWidgets::*menu;
    const char *label;  // the menu's label once the timer ran
  } cases[] = {
      {"Square",
       "paintmode: 3\topacity: 80.0\tstroke: 200 30 30\tstroke-brush: 2. Hardness "
       "100\tfill-paintmode: 0"
       "\tfill-gradient: FG to BG (RGB)\tgradient-supersampling: 1",
       &QVStyleEditorWidgets::extra_item, "Extra"},
      {"\"Hello\"", "font-size: 24", &QVStyleEditorWidgets::font_item, "Fontsize(24)"},
      {"Sun", "image: sun.png\timage-original-size: 64 64", &QVStyleEditorWidgets::image_item,
       "Image[35|0]"},
      {"[@] Square", "@-tattoos: 2", &QVStyleEditorWidgets::extra_item, "Extra"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    if (std::string(c.name) != "Square")
      qv_test_add_closed_path(image.id, c.name, {5, 5, 40, 5, 40, 30, 5, 30});
    qv_path_store_style(image.id, c.name, c.style);
    gimp_detach_parasite(QV_EDITOR_MARKER);
    auto e = editor();
    EXPECT_EQ(title(*e), c.name);
    for (GtkWidget *QVStyleEditorWidgets::*menu :
         {&QVStyleEditorWidgets::font_item, &QVStyleEditorWidgets::image_item,
          &QVStyleEditorWidgets::extra_item})
      EXPECT_EQ(gtk_widget_get_visible(e->w.*menu), menu == c.menu);
    for (QVTestTheme theme : {QVTestTheme::light, QVTestTheme::dark}) {
      qv_test_apply_theme(e->dialog.get(), theme);
      qv_test_show_and_draw(e->dialog.get());
      qv_style_editor_tick(*e);
      EXPECT_EQ(gtk_menu_item_get_label(GTK_MENU_ITEM(e->w.*c.menu)), std::string(c.label));
      qv_test_pump(200);
      std::string shot = "style-editor-"s + c.name + "-" + qv_test_theme_name(theme);
      for (char &ch : shot)
        if (!g_ascii_isalnum(ch) && ch != '-') ch = '_';
      qv_test_screenshot(e->dialog.get(), shot);
    }
  }
}

// The attribute menu: "Add Attribute" ends where extra mode says, the
// stored lines are listed (the widgets' under "Standard Attributes"), a
// Shift-click removes a line and a plain click opens "Edit Attribute".
TEST_F(StyleEditor, AttributeMenuListsAddsEditsAndRemoves) {
  auto e = editor("marker-start: Arrow\tfill: 1 2 3\t@-timeline: Main");
  GtkWidget *menu = gtk_menu_new();
  g_object_ref_sink(menu);
  qv_style_editor_fill_attribute_menu(*e, menu);
  EXPECT_EQ(labels(menu), (std::vector<std::string>{"Add Attribute    ", "Remove Style Parasite",
                                                    "-", "marker-start: Arrow", "@-timeline: Main",
                                                    "Standard Attributes"}));
  GtkWidget *add =
      gtk_menu_item_get_submenu(GTK_MENU_ITEM(entry_labelled(menu, "Add Attribute    ")));
  EXPECT_EQ(labels(add).back(), "@-script-set-bbox: ");
  gimp_gimprc_set("qv-menu", "extra");
  qv_style_editor_fill_attribute_menu(*e, menu);
  add = gtk_menu_item_get_submenu(GTK_MENU_ITEM(entry_labelled(menu, "Add Attribute    ")));
  EXPECT_EQ(labels(add).back(), "@-timeline-t: ");
  gimp_gimprc_set("qv-menu", "");

  Answer plain{"Edit Attribute", "edit-attribute", [](GtkWidget *d) {
                 gtk_entry_set_text(GTK_ENTRY(first_entry(d)), "Dot");
                 return gint(GTK_RESPONSE_OK);
               }};
  expect_answered(plain, [&] { qv_style_editor_edit_attribute(*e, 0, false); });
  EXPECT_EQ(style(), "marker-start: Dot\tfill: 1 2 3\t@-timeline: Main");
  qv_style_editor_edit_attribute(*e, 2, true);  // Shift-click: no dialog
  EXPECT_EQ(style(), "marker-start: Dot\tfill: 1 2 3");

  // The name typed with its colon names the same attribute.
  Answer added{"Add Attribute", "add-attribute", [](GtkWidget *d) {
                 GtkWidget *value = first_entry(d);  // the table lists its last child first
                 EXPECT_EQ(gtk_entry_get_text(GTK_ENTRY(value)), "30 10"s)
                     << "the path's top centre";
                 gtk_entry_set_text(GTK_ENTRY(value), "Square");
                 GtkWidget *table = gtk_widget_get_parent(value);
                 GList *children = gtk_container_get_children(GTK_CONTAINER(table));
                 for (GList *l = children; l; l = l->next)
                   if (GTK_IS_ENTRY(l->data) && l->data != value)
                     gtk_entry_set_text(GTK_ENTRY(l->data), " marker-end: ");
                 g_list_free(children);
                 return gint(GTK_RESPONSE_OK);
               }};
  expect_answered(added, [&] { qv_style_editor_add_attribute(*e, "marker-offsets: "); });
  EXPECT_EQ(style(), "marker-start: Dot\tfill: 1 2 3\tmarker-end: Square");
  g_object_unref(menu);
}

// Check items on "aspect-ratio-mode: " bits, for an image path.
TEST_F(StyleEditor, AspectRatioItemsSetAndClearBits) {
  auto e = editor("image: sun.png");
  ASSERT_EQ(e->kind, QV_PATH_KIND_IMAGE);
  GtkWidget *menu = gtk_menu_new();
  g_object_ref_sink(menu);
  auto activate = [&](const char *label) {
    qv_style_editor_fill_attribute_menu(*e, menu);
    GtkWidget *entry = entry_labelled(menu, label);
    ASSERT_TRUE(entry) << label;
    gtk_menu_item_activate(GTK_MENU_ITEM(entry));
  };
  activate("use as marker");
  EXPECT_EQ(style(), "image: sun.png\taspect-ratio-mode: 8");
  qv_path_store_style(image.id, "Square", "image: sun.png\taspect-ratio-mode: 9");
  qv_style_editor_load(*e);
  activate("keep aspect-ratio");
  EXPECT_EQ(style(), "image: sun.png\taspect-ratio-mode: 0");
  activate("merge clip to image");
  EXPECT_NE(style().find("image-merge-visible: 3"), std::string::npos);
  g_object_unref(menu);
}

TEST_F(StyleEditor, StyleSheetsStoreSetAndRemove) {
  auto e = editor("stroke: 1 1 1");
  const std::string taken = "qv-style-sheet-Red";
  qv_global_string_set(taken.c_str(), "fill: 9 9 9");
  EXPECT_EQ(qv_style_editor_store_new_sheet(*e, "Red", true), "Red#1");
  EXPECT_EQ(qv_global_string_get("qv-style-sheet-Red#1"), "stroke: 1 1 1");
  EXPECT_FALSE(qv_style_editor_store_new_sheet(*e, "", true));
  const std::string long_name(200, 'L');
  EXPECT_EQ(qv_style_editor_store_new_sheet(*e, long_name, false), long_name);
  qv_test_attach(image.id, "qv-style-sheet-Twice",
                 std::string("stroke: 1 1 1\tfill: 5 5 5\tstroke: 2 2 2") + '\0');
  ASSERT_TRUE(qv_style_editor_set_css(*e, "Twice", false));
  EXPECT_EQ(style(), "fill: 5 5 5\tstroke: 2 2 2");
  qv_style_editor_fill_sheet_menus(*e);
  GtkWidget *set_menu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(e->w.set_css));
  const auto shown = labels(set_menu);
  EXPECT_NE(std::find(shown.begin(), shown.end(), "   Red#1   "), shown.end());
  EXPECT_NE(std::find(shown.begin(), shown.end(), "   " + long_name.substr(0, 91) + "..."),
            shown.end());

  Answer named{"New [Global] Style Sheet!", "new-style-sheet", [](GtkWidget *d) {
                 gtk_entry_set_text(GTK_ENTRY(first_entry(d)), "Blue");
                 return gint(GTK_RESPONSE_OK);
               }};
  GtkWidget *store_menu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(e->w.store_css));
  expect_answered(named, [&] {
    gtk_menu_item_activate(GTK_MENU_ITEM(entry_labelled(store_menu, "New [Global] ...")));
  });
  EXPECT_EQ(qv_global_string_get("qv-style-sheet-Blue"), "fill: 5 5 5\tstroke: 2 2 2");
  for (const char *sheet : {"qv-style-sheet-Red", "qv-style-sheet-Red#1", "qv-style-sheet-Blue"})
    gimp_detach_parasite(sheet);
}

TEST_F(StyleEditor, ScriptEditorStoresTheScript) {
  auto e = editor();
  Answer script{"Edit script-eval:", "script-editor", [](GtkWidget *d) {
                  GtkWidget *view = qv_test_find_widget(d, GTK_TYPE_TEXT_VIEW);
                  gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)),
                                           "(gimp-message\t\"hi\")", -1);
                  return gint(GTK_RESPONSE_OK);
                }};
  expect_answered(script, [&] { qv_style_editor_edit_script(*e); });
  EXPECT_EQ(style(), "script-eval: (gimp-message \"hi\")");
}

// While a render runs the body waits; "Cancel" (extra mode) stops it.
TEST_F(StyleEditor, RendersAndClosedImages) {
  auto e = editor("opacity: 50.0");
  gimp_gimprc_set("qv-menu", "extra");
  qv_rendering_flag(true);
  qv_style_editor_tick(*e);
  EXPECT_FALSE(gtk_widget_get_sensitive(e->w.body));
  EXPECT_EQ(gtk_button_get_label(GTK_BUTTON(e->w.relock)), "Cancel"s);
  qv_style_editor_apply(*e, QV_APPLY_RELOCK);
  EXPECT_FALSE(qv_rendering_in_progress());
  qv_style_editor_tick(*e);
  EXPECT_TRUE(gtk_widget_get_sensitive(e->w.body));
  EXPECT_EQ(gtk_button_get_label(GTK_BUTTON(e->w.relock)), "Relock"s);
  gimp_gimprc_set("qv-menu", "");

  // The opacity slider acts on the ESL at once.
  gtk_dialog_response(GTK_DIALOG(e->dialog.get()), QV_EDITOR_RESPONSE_DRAW);
  const gint32 layer = gimp_image_get_layer_by_name(image.id, esl.c_str());
  ASSERT_GT(layer, 0);
  gtk_range_set_value(GTK_RANGE(e->w.opacity), 30);
  EXPECT_DOUBLE_EQ(gimp_layer_get_opacity(layer), 30);

  // Its image closed, the editor moves to another open one.
  const gint32 other = gimp_image_new(20, 20, GIMP_RGB);
  qv_style_editor_tick(*e);
  const gint32 closed = gimp_image_duplicate(image.id);
  qv_style_editor_write_marker(-closed);  // as a second call asks
  qv_style_editor_tick(*e);
  ASSERT_EQ(e->image, closed);
  gimp_image_delete(closed);
  qv_style_editor_tick(*e);
  EXPECT_NE(e->image, closed);
  EXPECT_TRUE(gimp_image_is_valid(e->image));
  gimp_image_delete(other);
}

// The bundled example as the README shows it: the editor on its gradient "Band".
TEST_F(StyleEditor, OnTheBundledExample) {
  const std::string file = std::string(QV_LIVE_DIR) + "/../../examples/demo.xcf";
  const gint32 demo = gimp_file_load(GIMP_RUN_NONINTERACTIVE, file.c_str(), file.c_str());
  ASSERT_GT(demo, 0);
  const auto paths = qv_path_names(demo);
  ASSERT_FALSE(paths.empty());
  const std::string path =
      std::find(paths.begin(), paths.end(), "Band") != paths.end() ? "Band" : paths.front();
  qv_path_set_current(demo, path.c_str());
  gimp_detach_parasite(QV_EDITOR_MARKER);
  ASSERT_TRUE(qv_style_editor_claim(demo));
  auto e = qv_style_editor_open(demo);
  EXPECT_EQ(title(*e), path);
  qv_test_show_and_draw(e->dialog.get());
  qv_style_editor_tick(*e);
  qv_test_pump(300);
  qv_test_screenshot(e->dialog.get(), "style-editor-on-demo");
  qv_style_editor_close(*e);
  gimp_image_delete(demo);
}

// "Path in between" proposes the neighbour in the Paths dialog; OK makes
// the path at the slider's t. The editor's accelerators are GIMP's keys.
TEST_F(StyleEditor, PathInBetweenAndAccelerators) {
  qv_test_add_closed_path(image.id, "A#0", {0, 0, 10, 0, 10, 10});
  qv_test_add_closed_path(image.id, "A#10", {20, 20, 30, 20, 30, 30});
  auto e = editor();
  ASSERT_EQ(e->path, "A#10");
  Answer between{"New Path in between!", "path-in-between", [](GtkWidget *d) {
                   GtkWidget *slider = qv_test_find_widget(d, GTK_TYPE_RANGE);
                   EXPECT_EQ(gtk_range_get_value(GTK_RANGE(slider)), 1.0)
                       << "the partner lies after";
                   gtk_range_set_value(GTK_RANGE(slider), 0.5);
                   return gint(GTK_RESPONSE_OK);
                 }};
  expect_answered(between, [&] { gtk_menu_item_activate(GTK_MENU_ITEM(e->w.in_between)); });
  const auto names = qv_test_path_names(image.id);
  EXPECT_NE(std::find(names.begin(), names.end(), "A#5"), names.end());

  GtkAccelKey key;
  ASSERT_TRUE(gtk_accel_map_lookup_entry("<QV-Edit Path-Style>/Edit/Paste Path", &key));
  EXPECT_EQ(key.accel_key, guint(GDK_KEY_v));
  EXPECT_EQ(key.accel_mods, GDK_CONTROL_MASK);
  ASSERT_TRUE(gtk_accel_map_lookup_entry("<QV-Edit Path-Style>/Edit/Draw Path", &key));
  EXPECT_EQ(key.accel_mods, GdkModifierType(GDK_CONTROL_MASK | GDK_SHIFT_MASK));
}
