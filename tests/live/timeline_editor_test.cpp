// The timeline editor on the bundled example under Xvfb, opened from the
// Animation Renderer as an artist opens it: panel edits reach the stored
// timeline exactly, the rate menu follows the header, Render & Save writes
// the frames the batch render writes, a preview writes nothing, and bad
// files or missing paths are shown without changing anything.
#include <gtest/gtest.h>

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gdk/gdkkeysyms.h>
#include <glib/gstdio.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "core/qv_attributes.h"
#include "core/qv_glib_ptr.h"
#include "core/qv_render_timing.h"
#include "core/qv_timeline_edit.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_render_session.h"
#include "gimp/render/qv_animation_window.h"
#include "gimp/render/qv_render_save.h"
#include "gimp/services/qv_date_services.h"
#include "gimp/timeline/qv_timeline_editor.h"
#include "gimp/timeline/qv_timeline_gimp.h"
#include "gimp/ui/qv_dialogs.h"
#include "live_support.h"
#include "theme_probe.h"

namespace {

void pump(int ms) { qv_test_run_for(ms); }

void set_spin(GtkWidget *spin, double v) { gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin), v); }
void set_time(QVTimeField &field, int h, int m, int s, int f) {
  const int parts[4] = {h, m, s, f};
  for (int i = 0; i < 4; ++i) set_spin(field.spins[i], parts[i]);
}
std::vector<int> time_shown(const QVTimeField &field) {
  std::vector<int> parts;
  for (GtkWidget *spin : field.spins)
    parts.push_back(gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(spin)));
  return parts;
}

// The menu bar's item `bar` opened (so that it fills itself), then its item
// whose label is `label`.
GtkWidget *menu_entry(GtkWidget *menu_bar, int bar, const std::string &label) {
  GList *bars = gtk_container_get_children(GTK_CONTAINER(menu_bar));
  GtkMenuItem *top = GTK_MENU_ITEM(g_list_nth_data(bars, bar));
  g_list_free(bars);
  gtk_menu_item_activate(top);
  GList *items = gtk_container_get_children(GTK_CONTAINER(gtk_menu_item_get_submenu(top)));
  GtkWidget *found = nullptr;
  for (GList *i = items; i && !found; i = i->next) {
    GtkWidget *child = gtk_bin_get_child(GTK_BIN(i->data));
    if (child && GTK_IS_LABEL(child) && label == gtk_label_get_text(GTK_LABEL(child)) &&
        gtk_widget_get_visible(GTK_WIDGET(i->data)))
      found = GTK_WIDGET(i->data);
  }
  g_list_free(items);
  return found;
}

QVTimeline stored_current(gint32 image) {
  const auto bytes = qv_timeline_get(image, 0, QVTimelineGet::copy);
  if (!bytes) return {};
  auto decoded = qv_timeline_decode(*bytes);
  return decoded ? *decoded.value : QVTimeline{};
}

// The RGB pixels of a picture file, or "" when it cannot be read.
std::string pixels_of(const std::string &file) {
  GdkPixbuf *pixbuf = gdk_pixbuf_new_from_file(file.c_str(), nullptr);
  if (!pixbuf) return "";
  std::string out;
  const int w = gdk_pixbuf_get_width(pixbuf), h = gdk_pixbuf_get_height(pixbuf);
  const int n = gdk_pixbuf_get_n_channels(pixbuf), stride = gdk_pixbuf_get_rowstride(pixbuf);
  const guchar *p = gdk_pixbuf_get_pixels(pixbuf);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      out.append(reinterpret_cast<const char *>(p + y * stride + x * n), 3);
  g_object_unref(pixbuf);
  return out;
}

struct TimelineEditorLive : ::testing::Test {
  gint32 image = -1;
  QVAnimationWindow *w = nullptr;
  QVTimelineEditor *ed = nullptr;
  std::string dir;
  void SetUp() override {
    ASSERT_TRUE(qv_dialog_toolkit_init());
    const std::string file = std::string(QV_LIVE_DIR) + "/../../examples/animation.xcf";
    image = gimp_file_load(GIMP_RUN_NONINTERACTIVE, file.c_str(), file.c_str());
    ASSERT_GT(image, 0);
    w = qv_animation_window_build(image);
    qv_test_show_and_draw(w->window);
    ed = qv_animation_open_editor(*w);
    ASSERT_NE(ed, nullptr);
    qv_test_show_and_draw(ed->window);
    dir = qv_take_string(g_dir_make_tmp("qv-editor-XXXXXX", nullptr));
  }
  void TearDown() override {
    if (ed) ed->dirty = false;  // nothing to ask on the way out
    if (w) gtk_widget_destroy(w->window);
    qv_rendering_flag(false);
    if (image > 0) gimp_image_delete(image);
    qv_test_remove_folder(dir);
  }
  bool wait_idle(int seconds) {
    for (int i = 0; i < seconds * 20 && qv_animation_busy(*w); ++i) pump(50);
    return !qv_animation_busy(*w);
  }
};

TEST_F(TimelineEditorLive, OpensOnTheCurrentTimelineWithItsEntriesOnTheTimeAxis) {
  EXPECT_EQ(qv_timeline_display_name(ed->header), "Demo");
  EXPECT_EQ(std::string(gtk_window_get_title(GTK_WINDOW(ed->window))), "Demo");
  ASSERT_GE(qv_timeline_editor_rows(*ed), 3);
  EXPECT_FALSE(gtk_widget_is_sensitive(ed->panel));  // until a row is chosen
  for (int row = 0; row < qv_timeline_editor_rows(*ed); ++row)
    EXPECT_EQ(qv_timeline_editor_resolved(*ed, row), 1) << "row " << row;
  EXPECT_EQ(gtk_menu_item_get_label(GTK_MENU_ITEM(ed->rate_item)),
            std::string("fps(25) | progressive"));
  qv_timeline_editor_select(*ed, 1);
  EXPECT_TRUE(gtk_widget_is_sensitive(ed->panel));
  qv_timeline_editor_set_zoom(*ed, 0.5);  // 0.5 s per 100 pixels: 2 s in 400
  gtk_window_resize(GTK_WINDOW(ed->window), 980, 380);
  pump(300);
  for (QVTestTheme theme : {QVTestTheme::light, QVTestTheme::dark}) {
    qv_test_apply_theme(ed->window, theme);
    qv_test_focus(ed->window, ed->view);
    pump(300);
    qv_test_screenshot(ed->window, std::string("timeline-editor-") + qv_test_theme_name(theme));
  }
  EXPECT_DOUBLE_EQ(ed->header.view_seconds_per_pixel, 0.005);
  EXPECT_FALSE(ed->dirty);  // zooming is no edit

  // A row's tooltip names its entry in full; below the rows there is none.
  GtkTreePath *first = gtk_tree_path_new_first();
  GdkRectangle cell = {};
  gtk_tree_view_get_cell_area(GTK_TREE_VIEW(ed->view), first,
                              gtk_tree_view_get_column(GTK_TREE_VIEW(ed->view), 0), &cell);
  gtk_tree_path_free(first);
  auto tooltip_at = [&](int bin_y) {
    gint x = 0, y = 0;
    gtk_tree_view_convert_bin_window_to_widget_coords(GTK_TREE_VIEW(ed->view), cell.x + 5, bin_y,
                                                      &x, &y);
    GObject *tip = G_OBJECT(g_object_new(GTK_TYPE_TOOLTIP, nullptr));
    gboolean shown = FALSE;
    g_signal_emit_by_name(ed->view, "query-tooltip", x, y, FALSE, tip, &shown);
    g_object_unref(tip);
    return shown;
  };
  EXPECT_TRUE(tooltip_at(cell.y + cell.height / 2));
  EXPECT_FALSE(tooltip_at(cell.y + 40 * cell.height));
}

TEST_F(TimelineEditorLive, PanelEditsAreStoredExactlyOnSave) {
  qv_timeline_editor_select(*ed, 0);
  QVanimChunk *entry = qv_timeline_editor_selected(*ed);
  ASSERT_NE(entry, nullptr);
  // A begin of 3725.5 s shows as 1 h, 2 min, 5 s and 13 frames at 25 fps.
  entry->begin = 3725.5;
  qv_timeline_editor_load_panel(*ed);
  EXPECT_EQ(time_shown(ed->begin), (std::vector<int>{1, 2, 5, 13}));

  set_time(ed->begin, 0, 1, 2, 5);     // 62.2 s
  set_time(ed->duration, 0, 0, 3, 5);  // 3.2 s
  set_spin(ed->fade_in, 0.4);
  set_spin(ed->fade_out, 0.6);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(ed->freeze_before_on), TRUE);
  set_spin(ed->t_start, 0.25);
  set_spin(ed->freeze_before_s, 1.5);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(ed->freeze_behind_on), FALSE);
  set_spin(ed->freeze_after_s, 2);
  set_spin(ed->repeat_spin, 1.5);
  EXPECT_EQ(gtk_spin_button_get_value(GTK_SPIN_BUTTON(ed->freeze_before_t)), 0.25);
  EXPECT_EQ(std::string(gtk_window_get_title(GTK_WINDOW(ed->window))), "*Demo");

  // Ctrl+S through the accelerator map, as the keyboard gives it.
  ASSERT_TRUE(gtk_accel_groups_activate(G_OBJECT(ed->window), GDK_KEY_s, GDK_CONTROL_MASK));
  EXPECT_EQ(std::string(gtk_window_get_title(GTK_WINDOW(ed->window))), "Demo");
  const QVTimeline stored = stored_current(image);
  ASSERT_FALSE(stored.entries.empty());
  const QVanimChunk &e = stored.entries[0];
  EXPECT_DOUBLE_EQ(e.begin, 62.2);
  EXPECT_DOUBLE_EQ(e.duration, 3.2);
  EXPECT_DOUBLE_EQ(e.fade_in, 0.4);
  EXPECT_DOUBLE_EQ(e.fade_out, 0.6);
  EXPECT_DOUBLE_EQ(e.t_start, 0.25);
  EXPECT_DOUBLE_EQ(e.freeze_before, 1.5);
  EXPECT_DOUBLE_EQ(e.t_end, -1);  // unchecked freeze-behind
  EXPECT_DOUBLE_EQ(e.freeze_after, 2);
  EXPECT_DOUBLE_EQ(e.repeat, 1.5);
  EXPECT_DOUBLE_EQ(stored.header.end, qv_timeline_end(stored));
  EXPECT_DOUBLE_EQ(stored.header.end, 62.2 + 3.2 * 2.5 + 2 + 0.6);

  // Endless repeats: -1, and the end no longer counts them.
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(ed->repeat_endless), TRUE);
  EXPECT_DOUBLE_EQ(entry->repeat, -1);
  EXPECT_DOUBLE_EQ(ed->header.end, 62.2 + 3.2 + 2 + 0.6);

  // "Set to" offers the entry selected before as reference.
  qv_timeline_editor_select(*ed, 1);
  gtk_button_clicked(GTK_BUTTON(ed->set_to));
  GtkWidget *menu = GTK_WIDGET(g_object_get_data(G_OBJECT(ed->set_to), "qv-menu"));
  ASSERT_NE(menu, nullptr);
  GList *items = gtk_container_get_children(GTK_CONTAINER(menu));
  std::vector<std::string> labels;
  GtkWidget *animation_end = nullptr;
  for (GList *i = items; i; i = i->next) {
    GtkWidget *label = gtk_bin_get_child(GTK_BIN(i->data));
    if (!label) continue;
    labels.emplace_back(gtk_label_get_text(GTK_LABEL(label)));
    if (labels.back() == "animation-end") animation_end = GTK_WIDGET(i->data);
  }
  g_list_free(items);
  EXPECT_EQ(labels.size(), 9u) << "0, the reference's name and its seven points";
  ASSERT_NE(animation_end, nullptr);
  gtk_menu_item_activate(GTK_MENU_ITEM(animation_end));
  gtk_menu_shell_deactivate(GTK_MENU_SHELL(menu));
  EXPECT_DOUBLE_EQ(qv_timeline_editor_selected(*ed)->begin, 62.2 + 3.2);
}

TEST_F(TimelineEditorLive, TheRateMenuFollowsAndSetsTheHeader) {
  qv_timeline_editor_set_rate(*ed, 29.97);
  EXPECT_EQ(gtk_menu_item_get_label(GTK_MENU_ITEM(ed->rate_item)),
            std::string("fps(29.97) | progressive"));
  GtkWidget *rate25 = menu_entry(ed->menu_bar, 3, "25 frames/sec   ");
  ASSERT_NE(rate25, nullptr);
  gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(rate25), TRUE);
  EXPECT_EQ(ed->header.fps, 25);
  GtkWidget *pal = menu_entry(ed->menu_bar, 3, "interlaced PAL (even|odd)   ");
  ASSERT_NE(pal, nullptr);
  gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(pal), TRUE);
  EXPECT_EQ(gtk_menu_item_get_label(GTK_MENU_ITEM(ed->rate_item)), std::string("fps(25) | PAL"));
  EXPECT_EQ(ed->header.interlace, QV_INTERLACED_PAL);
  EXPECT_TRUE(ed->dirty);
}

TEST_F(TimelineEditorLive, RenderAndSaveWritesWhatTheBatchRenderWrites) {
  // Ten frames: outpoint In+ 10.
  qv_timeline_editor_select(*ed, 0);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(ed->out_modes[QV_OUT_IN_PLUS]), TRUE);
  set_spin(ed->out_frames, 10);
  EXPECT_DOUBLE_EQ(ed->header.outpoint, 0.4);

  const std::string editor_first = dir + "/editor_000.png";
  auto frame_entry = [](GtkWidget *dialog) {
    return GTK_ENTRY(g_object_get_data(G_OBJECT(dialog), "qv-frame"));
  };
  // A name without extension is refused, then the dialog asks again.
  QVTestAnswer again{"Render & Save frame 0 ... 9", GTK_RESPONSE_OK, [&](GtkWidget *dialog) {
                       gtk_entry_set_text(frame_entry(dialog), editor_first.c_str());
                     }};
  QVTestAnswer refused{"Alert!", GTK_RESPONSE_OK, [&](GtkWidget *) { qv_test_answer(again); }};
  QVTestAnswer render{"Render & Save frame 0 ... 9", GTK_RESPONSE_OK, [&](GtkWidget *dialog) {
                        qv_test_screenshot(dialog, "timeline-render-save");
                        gtk_entry_set_text(frame_entry(dialog), (dir + "/editor_000").c_str());
                        qv_test_answer(refused);
                      }};
  qv_test_answer(render);
  GtkWidget *item = menu_entry(ed->menu_bar, 2, "   Render & Save as ...   ");
  ASSERT_NE(item, nullptr);
  gtk_menu_item_activate(GTK_MENU_ITEM(item));
  ASSERT_TRUE(render.answered);
  EXPECT_TRUE(refused.answered);
  EXPECT_TRUE(again.answered);
  ASSERT_TRUE(wait_idle(120));
  EXPECT_EQ(w->job.failure, "");
  EXPECT_FALSE(ed->dirty);  // Render & Save stores the timeline first
  EXPECT_DOUBLE_EQ(stored_current(image).header.outpoint, 0.4);

  ASSERT_EQ(qv_render_and_save(image, "Demo", dir + "/batch_000.png", 10), 1);
  for (int i = 0; i < 10; ++i) {
    const std::string n = qv_format("%03d.png", i);
    const std::string editor = pixels_of(dir + "/editor_" + n),
                      batch = pixels_of(dir + "/batch_" + n);
    ASSERT_FALSE(batch.empty()) << n;
    EXPECT_TRUE(editor == batch) << "frame " << n << " differs";
  }
  EXPECT_FALSE(g_file_test((dir + "/editor_010.png").c_str(), G_FILE_TEST_EXISTS));
  EXPECT_FALSE(qv_rendering_in_progress());
}

TEST_F(TimelineEditorLive, APreviewRendersIntoMemoryAndLeavesTheImageAlone) {
  qv_timeline_editor_select(*ed, 0);
  set_spin(ed->fade_in, 0.2);  // an unsaved edit, previewed as it stands
  const std::string before = qv_test_parasite(image, QV_TIMELINE_CURRENT_PARASITE);
  QVTestAnswer count{"Render preview only!", GTK_RESPONSE_OK, [](GtkWidget *dialog) {
                       GtkWidget *spin = qv_test_find_widget(dialog, GTK_TYPE_SPIN_BUTTON);
                       gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin), 5);
                       qv_test_screenshot(dialog, "timeline-preview-only");
                     }};
  qv_test_answer(count);
  gtk_menu_item_activate(GTK_MENU_ITEM(menu_entry(ed->menu_bar, 2, "   Preview only ...   ")));
  ASSERT_TRUE(count.answered);
  ASSERT_TRUE(wait_idle(120));
  // 50 frames, every 10th and the last.
  EXPECT_EQ(w->job.env.frame_store.size(), 6u);
  EXPECT_EQ(qv_test_parasite(image, QV_TIMELINE_CURRENT_PARASITE), before);
  EXPECT_TRUE(ed->dirty);
}

TEST_F(TimelineEditorLive, MissingPathsAreStruckThroughAndDamagedFilesChangeNothing) {
  QVTimeline timeline = qv_timeline_editor_timeline(*ed);
  QVanimChunk gone = timeline.entries.front();
  gone.path_name = std::string("[@] no longer here");
  gone.path_tattoo = 99999;
  timeline.entries.push_back(gone);
  QVanimChunk script;
  script.script_name = std::string("\"In\"");
  timeline.entries.push_back(script);
  qv_timeline_editor_load(*ed, timeline, false);
  const int rows = qv_timeline_editor_rows(*ed);
  EXPECT_EQ(qv_timeline_editor_resolved(*ed, rows - 2), 0);
  EXPECT_EQ(qv_timeline_editor_resolved(*ed, rows - 1), 1);
  qv_test_screenshot(ed->window, "timeline-editor-missing-path");

  // Export, then a damaged copy: the import is refused and the rows stay.
  const std::string good = dir + "/good.qvt", bad = dir + "/bad.qvt";
  ASSERT_TRUE(qv_timeline_editor_export(*ed, good));
  std::string bytes;
  {
    std::ifstream in(good, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  std::ofstream(bad, std::ios::binary) << bytes.substr(0, bytes.size() - 20);
  QVTestAnswer alert{"Alert!"};
  qv_test_answer(alert);
  EXPECT_FALSE(qv_timeline_editor_import(*ed, bad));
  EXPECT_TRUE(alert.answered);
  EXPECT_EQ(qv_timeline_editor_rows(*ed), rows);
  EXPECT_FALSE(ed->dirty);
  // The good file comes back whole, to be saved.
  qv_timeline_editor_select(*ed, 0);
  qv_timeline_editor_cut(*ed);
  QVTestAnswer keep{"Confirm!", GTK_RESPONSE_NO};
  qv_test_answer(keep);
  ASSERT_TRUE(qv_timeline_editor_import(*ed, good));
  EXPECT_TRUE(keep.answered);
  EXPECT_EQ(qv_timeline_editor_rows(*ed), rows);
  EXPECT_TRUE(ed->dirty);
}

TEST_F(TimelineEditorLive, CopyPasteTemplatesAndScripts) {
  const auto saved_templates = qv_global_parasite_listed(QV_ANIMATION_TEMPLATES_PARASITE)
                                   ? qv_global_parasite_bytes(QV_ANIMATION_TEMPLATES_PARASITE)
                                   : std::nullopt;
  const int rows = qv_timeline_editor_rows(*ed);
  qv_timeline_editor_select(*ed, 1);
  const int32_t copied = qv_timeline_editor_selected(*ed)->anim_id;
  GtkWidget *paste = menu_entry(ed->menu_bar, 1, "   Paste   ");
  EXPECT_FALSE(gtk_widget_is_sensitive(paste));
  ASSERT_TRUE(gtk_accel_groups_activate(G_OBJECT(ed->window), GDK_KEY_c, GDK_CONTROL_MASK));
  ASSERT_TRUE(gtk_accel_groups_activate(G_OBJECT(ed->window), GDK_KEY_v, GDK_CONTROL_MASK));
  EXPECT_EQ(qv_timeline_editor_rows(*ed), rows + 1);
  EXPECT_NE(qv_timeline_editor_selected(*ed)->anim_id, copied);  // a copy has its own id
  ASSERT_TRUE(gtk_accel_groups_activate(G_OBJECT(ed->window), GDK_KEY_x, GDK_CONTROL_MASK));
  EXPECT_EQ(qv_timeline_editor_rows(*ed), rows);

  // A template made of row 1, inserted again, then removed.
  const size_t templates = qv_animation_templates().size();
  qv_timeline_editor_select(*ed, 1);
  ASSERT_TRUE(qv_timeline_editor_template_add(*ed));
  ASSERT_EQ(qv_animation_templates().size(), templates + 1);
  ASSERT_TRUE(qv_timeline_editor_template_insert(*ed, static_cast<int>(templates)));
  EXPECT_EQ(qv_timeline_editor_rows(*ed), rows + 1);
  ASSERT_TRUE(qv_timeline_editor_template_remove(static_cast<int>(templates)));
  EXPECT_EQ(qv_animation_templates().size(), templates);

  // A script entry through "Insert Script!", its text through the editor.
  QVTestAnswer insert{"Insert Script!", GTK_RESPONSE_OK, [](GtkWidget *dialog) {
                        gtk_entry_set_text(GTK_ENTRY(qv_test_find_widget(dialog, GTK_TYPE_ENTRY)),
                                           "\"In\"");
                        qv_test_screenshot(dialog, "timeline-insert-script");
                      }};
  qv_test_answer(insert);
  gtk_menu_item_activate(GTK_MENU_ITEM(menu_entry(ed->menu_bar, 1, "Insert Script")));
  ASSERT_TRUE(insert.answered);
  const QVanimChunk *added = qv_timeline_editor_selected(*ed);
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->script_name, std::string("\"In\""));
  EXPECT_EQ(qv_timeline_editor_resolved(*ed, *qv_timeline_editor_selected_row(*ed)), 1);
  QVTestAnswer text{"Edit Script-Fu Data!", GTK_RESPONSE_OK, [](GtkWidget *dialog) {
                      GtkWidget *view = qv_test_find_widget(dialog, GTK_TYPE_TEXT_VIEW);
                      gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)),
                                               "(gimp-message \"t\")", -1);
                      qv_test_screenshot(dialog, "timeline-text-editor");
                    }};
  qv_test_answer(text);
  gtk_button_clicked(GTK_BUTTON(ed->script_button));
  ASSERT_TRUE(text.answered);
  EXPECT_EQ(qv_timeline_editor_selected(*ed)->script_text, std::string("(gimp-message \"t\")"));
  const char *markup =
      gtk_label_get_label(GTK_LABEL(gtk_bin_get_child(GTK_BIN(ed->script_button))));
  EXPECT_NE(std::string(markup).find("#5555ff"), std::string::npos);

  if (saved_templates)
    qv_global_parasite_attach(QV_ANIMATION_TEMPLATES_PARASITE, GIMP_PARASITE_PERSISTENT,
                              saved_templates->size(), saved_templates->data());
}

TEST_F(TimelineEditorLive, NewTimelinesSwitchingAndTheSaveQuestion) {
  qv_timeline_editor_select(*ed, 0);
  set_spin(ed->fade_in, 0.3);
  // Cancel keeps everything; No discards the edit and goes on.
  QVTestAnswer cancel{"Confirm!", GTK_RESPONSE_CANCEL};
  qv_test_answer(cancel);
  EXPECT_FALSE(qv_timeline_editor_new(*ed, "Timeline", false));
  EXPECT_TRUE(cancel.answered);
  EXPECT_EQ(qv_timeline_display_name(ed->header), "Demo");
  QVTestAnswer discard{"Confirm!", GTK_RESPONSE_NO, [](GtkWidget *dialog) {
                         qv_test_screenshot(dialog, "timeline-save-question");
                       }};
  qv_test_answer(discard);
  ASSERT_TRUE(qv_timeline_editor_new(*ed, "Demo", false));
  EXPECT_EQ(qv_timeline_display_name(ed->header), "Demo#1");  // made unique
  EXPECT_EQ(qv_timeline_editor_rows(*ed), 0);
  EXPECT_EQ(qv_animation_current_timeline(image), std::string("Demo#1"));
  // Back to "Demo", recent now, from the Timeline menu.
  GtkWidget *demo = menu_entry(ed->menu_bar, 0, "Demo");
  ASSERT_NE(demo, nullptr);
  gtk_menu_item_activate(GTK_MENU_ITEM(demo));
  EXPECT_EQ(qv_timeline_display_name(ed->header), "Demo");
  EXPECT_EQ(qv_timeline_editor_timeline(*ed).entries.front().fade_in,
            stored_current(image).entries.front().fade_in);
  EXPECT_NE(stored_current(image).entries.front().fade_in, 0.3);
}

}  // namespace

namespace {

TEST_F(TimelineEditorLive, PathsAreInsertedFromTheImagesGroups) {
  const int rows = qv_timeline_editor_rows(*ed);
  qv_timeline_editor_select(*ed, 0);
  QVTestAnswer choose{
      "Insert Paths & Splines", GTK_RESPONSE_OK, [](GtkWidget *dialog) {
        GtkTreeView *view = GTK_TREE_VIEW(qv_test_find_widget(dialog, GTK_TYPE_TREE_VIEW));
        GtkTreePath *first_path = gtk_tree_path_new_from_string("0:0");
        gtk_tree_selection_select_path(gtk_tree_view_get_selection(view), first_path);
        gtk_tree_path_free(first_path);
        qv_test_screenshot(dialog, "timeline-insert-paths");
      }};
  qv_test_answer(choose);
  gtk_menu_item_activate(
      GTK_MENU_ITEM(menu_entry(ed->menu_bar, 1, "   Insert Paths & Splines   ")));
  ASSERT_TRUE(choose.answered);
  ASSERT_EQ(qv_timeline_editor_rows(*ed), rows + 1);
  const QVanimChunk *added = qv_timeline_editor_row(*ed, 0);
  ASSERT_TRUE(added->path_name.has_value());
  EXPECT_EQ(added->group_id, 1);
  EXPECT_EQ(added->drawable_tattoo,
            static_cast<int32_t>(gimp_item_get_tattoo(gimp_image_get_active_layer(image))));
  EXPECT_EQ(qv_timeline_editor_resolved(*ed, 0), 1);
  EXPECT_EQ(qv_timeline_editor_selected_row(*ed), 0);
}

TEST_F(TimelineEditorLive, AClosedImageOrAnUnwritableFolderIsReportedAndTheWindowsStay) {
  // Frames into a folder that does not exist: the job says so and stops.
  QVRenderSaveChoice choice;
  choice.frame_file = dir + "/missing/f_000.png";
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(ed->out_modes[QV_OUT_IN_PLUS]), TRUE);
  qv_timeline_editor_select(*ed, 0);
  set_spin(ed->out_frames, 3);
  ASSERT_TRUE(qv_timeline_editor_render_save(*ed, choice));
  ASSERT_TRUE(wait_idle(60));
  EXPECT_NE(w->job.failure, "");
  EXPECT_FALSE(g_file_test((dir + "/missing").c_str(), G_FILE_TEST_EXISTS));
  EXPECT_FALSE(qv_rendering_in_progress());

  set_spin(ed->fade_in, 0.1);
  gimp_image_delete(image);
  const gint32 closed = image;
  image = -1;
  QVTestAnswer save_refused{"Alert!"};
  qv_test_answer(save_refused);
  EXPECT_FALSE(qv_timeline_editor_save(*ed));
  EXPECT_TRUE(save_refused.answered);
  EXPECT_TRUE(ed->dirty);
  ASSERT_TRUE(qv_timeline_editor_export(*ed, dir + "/kept.qvt"));  // still possible
  QVTestAnswer preview_refused{"No rendering!"};
  qv_test_answer(preview_refused);
  w->set = QVPreviewSet::all;
  EXPECT_FALSE(qv_animation_preview(*w, 3, 0));
  EXPECT_TRUE(preview_refused.answered);
  EXPECT_FALSE(qv_animation_busy(*w));
  EXPECT_FALSE(qv_image_is_open(closed));
}

}  // namespace

namespace {

// The labels of a menu's items.
std::vector<std::string> labels_of(GtkWidget *menu) {
  std::vector<std::string> labels;
  GList *items = gtk_container_get_children(GTK_CONTAINER(menu));
  for (GList *i = items; i; i = i->next) {
    GtkWidget *child = gtk_bin_get_child(GTK_BIN(i->data));
    if (child && GTK_IS_LABEL(child) && gtk_widget_get_visible(GTK_WIDGET(i->data)))
      labels.emplace_back(gtk_label_get_text(GTK_LABEL(child)));
  }
  g_list_free(items);
  return labels;
}

TEST_F(TimelineEditorLive, FadeFreezeDialogAndCombinedTimelinesInExtraMode) {
  qv_timeline_editor_select(*ed, 0);
  GtkWidget *item = menu_entry(ed->menu_bar, 1, "Enter Fade/Freeze");
  ASSERT_NE(item, nullptr);
  const auto shown = labels_of(gtk_menu_item_get_submenu(GTK_MENU_ITEM(item)));
  EXPECT_EQ(shown, (std::vector<std::string>{"Fade-in: off", "Freeze-before: 0.00; 0.00",
                                             "Freeze-behind: 1.00; ∞", "Fade-out: off",
                                             "Enter Fade/Freeze ..."}));
  // The first row: "fade-in" and its seconds.
  QVTestAnswer fades{"Enter Fade/Freeze!", GTK_RESPONSE_OK, [](GtkWidget *dialog) {
                       GtkWidget *table = qv_test_find_widget(dialog, GTK_TYPE_TABLE);
                       GList *cells = gtk_container_get_children(GTK_CONTAINER(table));
                       for (GList *c = cells; c; c = c->next) {
                         guint row = 0;
                         gtk_container_child_get(GTK_CONTAINER(table), GTK_WIDGET(c->data),
                                                 "top-attach", &row, nullptr);
                         if (row != 0) continue;
                         if (GTK_IS_CHECK_BUTTON(c->data))
                           gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(c->data), TRUE);
                         if (GTK_IS_SPIN_BUTTON(c->data))
                           gtk_spin_button_set_value(GTK_SPIN_BUTTON(c->data), 0.5);
                       }
                       g_list_free(cells);
                       qv_test_screenshot(dialog, "timeline-fade-freeze");
                     }};
  qv_test_answer(fades);
  GList *items =
      gtk_container_get_children(GTK_CONTAINER(gtk_menu_item_get_submenu(GTK_MENU_ITEM(item))));
  gtk_menu_item_activate(GTK_MENU_ITEM(g_list_last(items)->data));
  g_list_free(items);
  ASSERT_TRUE(fades.answered);
  EXPECT_DOUBLE_EQ(qv_timeline_editor_selected(*ed)->fade_in, 0.5);
  EXPECT_TRUE(ed->dirty);
  ed->dirty = false;

  // The combining items show in extra mode only.
  EXPECT_EQ(menu_entry(ed->menu_bar, 1, "Make #!COMBINED..."), nullptr);
  const auto mode =
      qv_global_parasite_listed("qv-menu") ? qv_global_string_get("qv-menu") : std::nullopt;
  qv_global_string_set("qv-menu", "extra");
  QVTimeline setup = qv_timeline_new(std::string("1. 1. 2000"));
  for (const char *name : {"\"In\"", "\"Out\"", "[@-Script] ZoomTo", "Date"}) {
    QVanimChunk e;
    e.script_name = std::string(name);
    e.duration = 1;
    qv_timeline_add_entry(setup, e);
  }
  QVTimeline part = qv_timeline_editor_timeline(*ed);
  part.header.name = std::string("1. 1. 2001");
  ASSERT_TRUE(qv_timeline_set_current(image, setup, true));
  ASSERT_TRUE(qv_timeline_set_current(image, part, true));
  GtkWidget *combine = menu_entry(ed->menu_bar, 1, "Make #!COMBINED...");
  ASSERT_NE(combine, nullptr);
  gtk_menu_item_activate(GTK_MENU_ITEM(combine));
  EXPECT_EQ(qv_animation_current_timeline(image), std::string("#!COMBINED will be deleted!"));
  EXPECT_EQ(qv_timeline_display_name(ed->header), "#!COMBINED will be deleted!");
  EXPECT_EQ(qv_timeline_editor_rows(*ed), static_cast<int>(part.entries.size()) + 4);
  EXPECT_DOUBLE_EQ(qv_timeline_editor_row(*ed, 1)->begin, part.entries[0].begin + 1);
  if (mode)
    qv_global_string_set("qv-menu", *mode);
  else
    gimp_detach_parasite("qv-menu");
}

}  // namespace

namespace {

// A file chooser answered with `file` (its folder and name set).
QVTestAnswer chooser_answer(const std::string &title, const std::string &file, bool save,
                            const char *screenshot) {
  return QVTestAnswer(title, GTK_RESPONSE_ACCEPT, [=](GtkWidget *chooser) {
    if (save) {
      gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser),
                                          qv_take_string(g_path_get_dirname(file.c_str())).c_str());
      gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser),
                                        qv_take_string(g_path_get_basename(file.c_str())).c_str());
    } else {
      gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(chooser), file.c_str());
    }
    pump(400);  // the chooser reads its folder in the background
    if (screenshot) qv_test_screenshot(chooser, screenshot);
  });
}

TEST_F(TimelineEditorLive, FileChoosersNewTimelinesAndGeneralScripts) {
  // Export through its chooser, then import the file back over an edit.
  const std::string file = dir + "/demo.qvt";
  QVTestAnswer save = chooser_answer("Export Timeline", file, true, "timeline-export");
  qv_test_answer(save);
  gtk_menu_item_activate(GTK_MENU_ITEM(menu_entry(ed->menu_bar, 0, "Export")));
  ASSERT_TRUE(save.answered);
  ASSERT_TRUE(g_file_test(file.c_str(), G_FILE_TEST_IS_REGULAR));
  const int rows = qv_timeline_editor_rows(*ed);
  qv_timeline_editor_select(*ed, 0);
  qv_timeline_editor_cut(*ed);
  QVTestAnswer keep{"Confirm!", GTK_RESPONSE_NO};
  QVTestAnswer open = chooser_answer("Import Timeline", file, false, nullptr);
  open.prepare = [&, inner = open.prepare](GtkWidget *chooser) {
    inner(chooser);
    qv_test_answer(keep);  // the question about the cut comes next
  };
  qv_test_answer(open);
  gtk_menu_item_activate(GTK_MENU_ITEM(menu_entry(ed->menu_bar, 0, "Import")));
  ASSERT_TRUE(open.answered);
  EXPECT_TRUE(keep.answered);
  EXPECT_EQ(qv_timeline_editor_rows(*ed), rows);

  // A script for before each save, shown in the menu, then removed.
  const std::string script = dir + "/before.scm";
  std::ofstream(script) << "(gimp-message \"saving\")\n";
  QVTestAnswer pick = chooser_answer("Select Before Save Script-File", script, false, nullptr);
  qv_test_answer(pick);
  gtk_menu_item_activate(GTK_MENU_ITEM(menu_entry(ed->menu_bar, 4, "Before Save")));
  ASSERT_TRUE(pick.answered);
  EXPECT_EQ(qv_image_string_get(image, "qv-general-script-before-save"), script);
  EXPECT_NE(menu_entry(ed->menu_bar, 4, "\"" + script + "\""), nullptr);
  GtkWidget *remove = menu_entry(ed->menu_bar, 4, "Remove Before Save");
  ASSERT_NE(remove, nullptr);
  gtk_menu_item_activate(GTK_MENU_ITEM(remove));
  EXPECT_FALSE(qv_image_string_get(image, "qv-general-script-before-save"));

  // "New ..." from the Animation Renderer asks for a name and shows the new
  // timeline in the editor.
  QVTestAnswer name{"New Timeline", GTK_RESPONSE_OK, [](GtkWidget *dialog) {
                      gtk_entry_set_text(GTK_ENTRY(qv_test_find_widget(dialog, GTK_TYPE_ENTRY)),
                                         "Intro");
                      qv_test_screenshot(dialog, "timeline-new-name");
                    }};
  qv_test_answer(name);
  QVTestAnswer discard{"Confirm!", GTK_RESPONSE_NO};
  qv_test_answer(discard);  // the import is not saved
  gtk_menu_item_activate(GTK_MENU_ITEM(menu_entry(w->menu_bar, 1, "New ...")));
  ASSERT_TRUE(name.answered);
  EXPECT_EQ(qv_timeline_display_name(ed->header), "Intro");
  EXPECT_EQ(qv_timeline_editor_rows(*ed), 0);
  EXPECT_EQ(qv_animation_current_timeline(image), std::string("Intro"));
}

TEST_F(TimelineEditorLive, ExtraDataAndTheTmpTimelineThroughTheirDialogs) {
  qv_timeline_editor_select(*ed, 2);
  // Cancelling an edited text asks first; "Cancel" there keeps editing.
  QVTestAnswer warn{"Warning!", GTK_RESPONSE_OK};
  QVTestAnswer edit{"Edit Extra-Data!", GTK_RESPONSE_CANCEL, [&](GtkWidget *dialog) {
                      GtkWidget *view = qv_test_find_widget(dialog, GTK_TYPE_TEXT_VIEW);
                      gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)),
                                               "begin 1. 1. 2001", -1);
                      qv_test_answer(warn);
                    }};
  qv_test_answer(edit);
  gtk_button_clicked(GTK_BUTTON(ed->extra_button));
  ASSERT_TRUE(edit.answered);
  EXPECT_TRUE(warn.answered);
  EXPECT_FALSE(qv_timeline_editor_selected(*ed)->extra.has_value());  // discarded
  EXPECT_FALSE(ed->dirty);

  const auto mode =
      qv_global_parasite_listed("qv-menu") ? qv_global_string_get("qv-menu") : std::nullopt;
  qv_global_string_set("qv-menu", "extra");
  QVTimeline setup = qv_timeline_new(std::string("2000"));
  for (const char *script : {"\"In\"", "\"Out\"", "[@-Script] ZoomTo", "Date"}) {
    QVanimChunk e;
    e.script_name = std::string(script);
    qv_timeline_add_entry(setup, e);
  }
  ASSERT_TRUE(qv_timeline_set_current(image, setup, true));
  qv_timeline_editor_reload(*ed);
  QVTestAnswer text{"Make #!TMP...", GTK_RESPONSE_OK, [](GtkWidget *dialog) {
                      GtkWidget *view = qv_test_find_widget(dialog, GTK_TYPE_TEXT_VIEW);
                      GtkTextBuffer *buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(view));
                      GtkTextIter start, end;
                      gtk_text_buffer_get_bounds(buffer, &start, &end);
                      const std::string names =
                          qv_take_string(gtk_text_buffer_get_text(buffer, &start, &end, FALSE));
                      EXPECT_NE(names.find("Demo\n"), std::string::npos) << names;
                      gtk_text_buffer_set_text(buffer, "Demo\n", -1);
                      qv_test_screenshot(dialog, "timeline-make-tmp");
                    }};
  qv_test_answer(text);
  gtk_menu_item_activate(GTK_MENU_ITEM(menu_entry(ed->menu_bar, 1, "Make #!TMP...")));
  ASSERT_TRUE(text.answered);
  EXPECT_EQ(qv_timeline_display_name(ed->header), "#!TMP will be deleted!");
  if (mode)
    qv_global_string_set("qv-menu", *mode);
  else
    gimp_detach_parasite("qv-menu");
}

TEST_F(TimelineEditorLive, CancelDuringRenderAndSaveKeepsTheFramesDone) {
  QVRenderSaveChoice choice;
  choice.frame_file = dir + "/c_000.png";
  choice.preview_step = 1;  // every frame in memory too
  ASSERT_TRUE(qv_timeline_editor_render_save(*ed, choice));
  for (int i = 0; i < 400 && w->job.env.frame_store.size() < 4; ++i) pump(50);
  gtk_button_clicked(GTK_BUTTON(w->cancel));
  ASSERT_TRUE(wait_idle(30));
  const size_t kept = w->job.env.frame_store.size();
  EXPECT_GE(kept, 4u);
  EXPECT_LT(kept, 50u);
  long files = 0;
  GDir *folder = g_dir_open(dir.c_str(), 0, nullptr);
  while (const char *n = g_dir_read_name(folder)) {
    EXPECT_TRUE(g_str_has_suffix(n, ".png")) << n << ": no half-written file";
    ++files;
  }
  g_dir_close(folder);
  EXPECT_GE(files, static_cast<long>(kept) - 1);
  EXPECT_LE(files, static_cast<long>(kept) + 1);
  EXPECT_TRUE(gtk_widget_is_sensitive(w->menu_bar));
  EXPECT_FALSE(qv_rendering_in_progress());
}

}  // namespace

namespace {

TEST_F(TimelineEditorLive, ASavingRenderOutlastsAFullMemoryWithoutFurtherPreviews) {
  // Memory for three frames of the example; ten frames to save.
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(ed->out_modes[QV_OUT_IN_PLUS]), TRUE);
  qv_timeline_editor_select(*ed, 0);
  set_spin(ed->out_frames, 10);
  const gint width = gimp_image_width(image), height = gimp_image_height(image);
  w->job.store_limit = size_t(3) * size_t(width) * size_t(height) * 3;
  QVRenderSaveChoice choice;
  choice.frame_file = dir + "/m_000.png";
  choice.preview_step = 1;
  ASSERT_TRUE(qv_timeline_editor_render_save(*ed, choice));
  ASSERT_TRUE(wait_idle(120));
  EXPECT_EQ(w->job.failure, "");
  for (int i = 0; i < 10; ++i)
    EXPECT_TRUE(
        g_file_test(qv_format("%s/m_%03d.png", dir.c_str(), i).c_str(), G_FILE_TEST_IS_REGULAR))
        << i;
  EXPECT_GE(w->job.env.frame_store.size(), 3u);
  EXPECT_LE(w->job.env.frame_store.size(), 4u);
}

}  // namespace
