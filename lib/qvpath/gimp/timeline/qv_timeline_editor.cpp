#include "gimp/timeline/qv_timeline_editor.h"

#include <gdk/gdkkeysyms.h>
#include <glib/gi18n-lib.h>
#include <glib/gstdio.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "core/qv_attributes.h"
#include "core/qv_frame_names.h"
#include "core/qv_glib_ptr.h"
#include "core/qv_locale.h"
#include "core/qv_path_groups.h"
#include "core/qv_playback.h"
#include "core/qv_render_timing.h"
#include "core/qv_timeline_combine.h"
#include "core/qv_timeline_edit.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/groups/qv_path_groups_gimp.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/services/qv_date_services.h"
#include "gimp/timeline/qv_cell_renderer_timeline.h"
#include "gimp/timeline/qv_timeline_gimp.h"
#include "gimp/ui/qv_dialogs.h"

namespace {

const char *const kRecord = "qv-timeline-editor";
const char *const kGeometry = "qv-timeline-dialog-enviroment";
constexpr int kRulerHeight = 22;

QVTimelineEditor &record_of(gpointer data) { return *static_cast<QVTimelineEditor *>(data); }

double spin_value(GtkWidget *spin) { return gtk_spin_button_get_value(GTK_SPIN_BUTTON(spin)); }
void set_spin(GtkWidget *spin, double value) {
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin), value);
}
bool toggled(GtkWidget *button) { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button)); }

// ---- resolving entries against the image's groups --------------------------

// The group data an entry's group lives in: the image's own, or a group
// file's (read once per load).
// The group on show is the image's paths as they are now, whatever its
// stored copy says.
struct GroupSources {
  QVPathGroupCurrent current;
  std::vector<std::pair<std::string, int32_t>> shown;  // name, tattoo
  std::vector<uint8_t> image_data;
  QVPathGroupIndex image_index;
  std::map<std::string, QVPathGroupFile> files;
};

GroupSources group_sources(gint32 image) {
  GroupSources sources;
  sources.current = qv_pathgroup_read_current(image);
  for (const QVPathEntry &path : qv_path_list(image))
    sources.shown.emplace_back(path.name, static_cast<int32_t>(gimp_item_get_tattoo(path.id)));
  if (auto data = qv_pathgroups_data(image)) sources.image_data = std::move(*data);
  sources.image_index = qv_pathgroups_index(sources.image_data);
  return sources;
}

bool block_has_path(const std::vector<uint8_t> &data, const QVPathGroupBlock &block,
                    const QVanimChunk &entry) {
  if (!entry.path_name) return true;
  for (const QVSnapshotPath &path : qv_pathgroup_block_content(data, block).paths)
    if (path.name == *entry.path_name || path.tattoo == entry.path_tattoo) return true;
  return false;
}

int entry_resolves(GroupSources &sources, const QVanimChunk &entry) {
  if (entry.group_id == 0) return 1;  // a script entry
  const bool in_file = entry.group_file && !entry.group_file->empty();
  const std::optional<std::string> section =
      in_file ? entry.group_file : std::optional<std::string>();
  if (entry.group_id == sources.current.number && section == sources.current.file_name) {
    if (!entry.path_name) return 1;
    for (const auto &[name, tattoo] : sources.shown)
      if (name == *entry.path_name || tattoo == entry.path_tattoo) return 1;
    return 0;
  }
  if (sources.image_index.ok())
    if (const QVPathGroupBlock *block =
            qv_pathgroups_find(sources.image_index, entry.group_id, section))
      return block_has_path(sources.image_data, *block, entry) ? 1 : 0;
  if (!in_file) return 0;
  auto found = sources.files.find(*entry.group_file);
  if (found == sources.files.end())
    found =
        sources.files.emplace(*entry.group_file, qv_pathgroup_file_load(*entry.group_file)).first;
  const QVPathGroupFile &file = found->second;
  if (file.status != QVPathGroupFileStatus::ok || !file.index.ok()) return 0;
  const QVPathGroupBlock *block = qv_pathgroups_find(file.index, entry.group_id, std::nullopt);
  return block && block_has_path(file.chunks, *block, entry) ? 1 : 0;
}

// ---- rows -------------------------------------------------------------------

bool row_iter(const QVTimelineEditor &ed, int row, GtkTreeIter &iter) {
  return row >= 0 && gtk_tree_model_iter_nth_child(GTK_TREE_MODEL(ed.store), &iter, nullptr, row);
}

QVanimChunk *chunk_at(const QVTimelineEditor &ed, GtkTreeIter &iter) {
  gpointer chunk = nullptr;
  gtk_tree_model_get(GTK_TREE_MODEL(ed.store), &iter, QV_ENTRY_CHUNK, &chunk, -1);
  return static_cast<QVanimChunk *>(chunk);
}

void clear_rows(QVTimelineEditor &ed) {
  ++ed.updating;
  gtk_list_store_clear(ed.store);
  --ed.updating;
  ed.entries.clear();
  ed.selected_id = ed.reference_id = 0;
}

// Adds a row owning a copy of `entry` at `position` (-1: last).
void add_row(QVTimelineEditor &ed, const QVanimChunk &entry, int position, int resolved) {
  ed.entries.push_back(std::make_unique<QVanimChunk>(entry));
  GtkTreeIter iter;
  gtk_list_store_insert(ed.store, &iter, position < 0 ? G_MAXINT : position);
  gtk_list_store_set(ed.store, &iter, QV_ENTRY_CHUNK, ed.entries.back().get(), QV_ENTRY_CHANGED,
                     FALSE, QV_ENTRY_RESOLVED, resolved, -1);
}

void remove_row(QVTimelineEditor &ed, int row) {
  GtkTreeIter iter;
  if (!row_iter(ed, row, iter)) return;
  QVanimChunk *chunk = chunk_at(ed, iter);
  ++ed.updating;
  gtk_list_store_remove(ed.store, &iter);
  --ed.updating;
  ed.entries.erase(std::remove_if(ed.entries.begin(), ed.entries.end(),
                                  [&](const auto &owned) { return owned.get() == chunk; }),
                   ed.entries.end());
}

void mark_row_changed(QVTimelineEditor &ed) {
  const auto row = qv_timeline_editor_selected_row(ed);
  GtkTreeIter iter;
  if (row && row_iter(ed, *row, iter))
    gtk_list_store_set(ed.store, &iter, QV_ENTRY_CHANGED, TRUE, -1);
}

void update_end(QVTimelineEditor &ed) {
  QVTimeline timeline = qv_timeline_editor_timeline(ed);
  ed.header.end = qv_timeline_end(timeline);
}

// ---- the list's columns ---------------------------------------------------------

void name_cell_data(GtkTreeViewColumn *, GtkCellRenderer *cell, GtkTreeModel *model,
                    GtkTreeIter *iter, gpointer) {
  gpointer chunk = nullptr;
  int resolved = 1;
  gtk_tree_model_get(model, iter, QV_ENTRY_CHUNK, &chunk, QV_ENTRY_RESOLVED, &resolved, -1);
  if (!chunk) return;
  const std::string markup = qv_entry_markup(*static_cast<QVanimChunk *>(chunk), resolved);
  g_object_set(cell, "markup", markup.c_str(), nullptr);
}

void timeline_cell_data(GtkTreeViewColumn *, GtkCellRenderer *cell, GtkTreeModel *model,
                        GtkTreeIter *iter, gpointer data) {
  gpointer chunk = nullptr;
  gtk_tree_model_get(model, iter, QV_ENTRY_CHUNK, &chunk, -1);
  g_object_set(cell, "ahdr", &record_of(data).header, "anim", chunk, nullptr);
}

// The ruler's seconds between labelled ticks: whole frames or seconds,
// the first step that keeps the labels about 100 pixels apart.
double ruler_step(double seconds_per_pixel, double fps) {
  const double frame = 1 / (fps > 0 ? fps : 25);
  const double steps[] = {frame, 2 * frame, 5 * frame, 10 * frame, 1,     2,    5,
                          10,    15,        30,        60,         120,   300,  600,
                          1200,  1800,      3600,      7200,       18000, 36000};
  for (double step : steps)
    if (step / seconds_per_pixel >= 100) return step;
  return steps[G_N_ELEMENTS(steps) - 1];
}

std::string ruler_label(double seconds, double fps) {
  const QVTimeParts p = qv_time_parts(seconds, fps);
  return qv_format("%02ld:%02ld:%02ld_%02ld", p.hours, p.minutes, p.seconds, p.frames);
}

gboolean on_ruler_expose(GtkWidget *ruler, GdkEventExpose *, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  const double spp = ed.header.view_seconds_per_pixel > 0 ? ed.header.view_seconds_per_pixel : 0.02;
  // The cells start where the first row's cell area does.
  int origin = 0;
  GtkTreeViewColumn *column = gtk_tree_view_get_column(GTK_TREE_VIEW(ed.view), 1);
  GtkTreePath *first = gtk_tree_path_new_first();
  GdkRectangle cell = {};
  gtk_tree_view_get_cell_area(GTK_TREE_VIEW(ed.view), first, column, &cell);
  gtk_tree_path_free(first);
  // The ruler has a window of its own; the cells' x is in the view's.
  if (cell.width > 0) origin = cell.x - ruler->allocation.x;
  cairo_t *cr = gdk_cairo_create(ruler->window);
  const GdkColor &fg = ruler->style->fg[GTK_STATE_NORMAL];
  cairo_set_source_rgb(cr, fg.red / 65535.0, fg.green / 65535.0, fg.blue / 65535.0);
  cairo_set_line_width(cr, 1);
  cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 9);
  const double step = ruler_step(spp, ed.header.fps);
  const int height = ruler->allocation.height;
  const double first_tick = std::ceil(ed.header.view_start / step) * step;
  for (long tick = 0;; ++tick) {
    const double t = first_tick + double(tick) * step / 4;
    const double x = origin + (t - ed.header.view_start) / spp + 0.5;
    if (x > ruler->allocation.width) break;
    const bool major = tick % 4 == 0;
    cairo_move_to(cr, x, height - (major ? 8 : 4));
    cairo_line_to(cr, x, height);
    cairo_stroke(cr);
    if (major) {
      cairo_move_to(cr, x + 2, height - 10);
      cairo_show_text(cr, ruler_label(t, ed.header.fps).c_str());
    }
  }
  cairo_destroy(cr);
  return TRUE;
}

// ---- the panel ----------------------------------------------------------------

void on_panel_changed(GtkWidget *, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  if (!ed.updating) qv_timeline_editor_store_panel(ed);
}

// The two spins that hold t at start (and at end) show the same value.
void on_t_mirror(GtkSpinButton *spin, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  if (ed.updating) return;
  GtkWidget *changed = GTK_WIDGET(spin);
  ++ed.updating;
  if (changed == ed.t_start) set_spin(ed.freeze_before_t, spin_value(changed));
  if (changed == ed.freeze_before_t) set_spin(ed.t_start, spin_value(changed));
  if (changed == ed.t_end) set_spin(ed.freeze_behind_t, spin_value(changed));
  if (changed == ed.freeze_behind_t) set_spin(ed.t_end, spin_value(changed));
  --ed.updating;
  qv_timeline_editor_store_panel(ed);
}

GtkWidget *new_spin(QVTimelineEditor &ed, double lower, double upper, double step, int digits,
                    GCallback changed = nullptr) {
  GtkWidget *spin = gtk_spin_button_new_with_range(lower, upper, step);
  gtk_spin_button_set_digits(GTK_SPIN_BUTTON(spin), digits);
  gtk_spin_button_set_numeric(GTK_SPIN_BUTTON(spin), TRUE);
  g_signal_connect(spin, "value-changed", changed ? changed : G_CALLBACK(on_panel_changed), &ed);
  return spin;
}

QVTimeField time_field(QVTimelineEditor &ed) {
  QVTimeField field;
  field.box = gtk_hbox_new(FALSE, 1);
  const double uppers[4] = {9999, 59, 59, 999};
  const char *tips[4] = {_("hours"), _("minutes"), _("seconds"), _("frames")};
  for (int i = 0; i < 4; ++i) {
    field.spins[i] = new_spin(ed, 0, uppers[i], 1, 0);
    gtk_entry_set_width_chars(GTK_ENTRY(field.spins[i]), i == 0 ? 3 : 2);
    gtk_widget_set_tooltip_text(field.spins[i], tips[i]);
    gtk_box_pack_start(GTK_BOX(field.box), field.spins[i], FALSE, FALSE, 0);
    if (i < 3)
      gtk_box_pack_start(GTK_BOX(field.box), gtk_label_new(i < 2 ? ":" : "."), FALSE, FALSE, 0);
  }
  return field;
}

GtkWidget *framed(const char *title, GtkWidget *content) {
  GtkWidget *frame = gtk_frame_new(title);
  GtkWidget *padding = gtk_alignment_new(0, 0.5, 0, 0);
  gtk_alignment_set_padding(GTK_ALIGNMENT(padding), 2, 3, 3, 3);
  gtk_container_add(GTK_CONTAINER(padding), content);
  gtk_container_add(GTK_CONTAINER(frame), padding);
  return frame;
}

GtkWidget *row_of(std::initializer_list<GtkWidget *> widgets) {
  GtkWidget *box = gtk_hbox_new(FALSE, 3);
  for (GtkWidget *w : widgets) gtk_box_pack_start(GTK_BOX(box), w, FALSE, FALSE, 0);
  return box;
}

void on_in_zero(GtkButton *, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  qv_time_field_set(ed.inpoint, 0, ed.header.fps);
  qv_timeline_editor_store_panel(ed);
}

void on_edit_text(GtkButton *button, gpointer data) {
  const bool extra = g_object_get_data(G_OBJECT(button), "qv-extra") != nullptr;
  qv_timeline_editor_edit_text(record_of(data), extra);
}

void on_set_to_point(GtkMenuItem *item, gpointer data) {
  const double *time = static_cast<const double *>(g_object_get_data(G_OBJECT(item), "qv-time"));
  qv_timeline_editor_set_begin(record_of(data), *time);
}

// "Set to" as it opens: 0, the entry selected before and its time points.
void on_set_to_shown(GtkButton *, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  GtkWidget *menu = gtk_menu_new();
  auto add = [&](const std::string &label, double time, bool usable) {
    GtkWidget *item = gtk_menu_item_new_with_label(label.c_str());
    gtk_widget_set_tooltip_text(item, qv_time_label(time).c_str());
    auto *stored = new double(time);
    g_object_set_data_full(G_OBJECT(item), "qv-time", stored,
                           [](gpointer p) { delete static_cast<double *>(p); });
    g_signal_connect(item, "activate", G_CALLBACK(on_set_to_point), &ed);
    gtk_widget_set_sensitive(item, usable);
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
  };
  add("0:00:00.00", 0, true);
  const QVanimChunk *reference = nullptr;
  for (const auto &entry : ed.entries)
    if (ed.reference_id && entry->anim_id == ed.reference_id) reference = entry.get();
  if (!reference) {
    GtkWidget *item = gtk_menu_item_new_with_label(_("previous animation"));
    gtk_widget_set_sensitive(item, FALSE);
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
  } else {
    GtkWidget *name = gtk_menu_item_new_with_label(qv_template_label(*reference).c_str());
    gtk_widget_set_sensitive(name, FALSE);
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), name);
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_separator_menu_item_new());
    for (const QVReferencePoint &point : qv_reference_points(*reference))
      add(point.label, point.time, point.usable);
  }
  gtk_widget_show_all(menu);
  g_object_set_data_full(G_OBJECT(ed.set_to), "qv-menu", g_object_ref_sink(menu), [](gpointer m) {
    gtk_widget_destroy(GTK_WIDGET(m));
    g_object_unref(m);
  });
  gtk_menu_popup(GTK_MENU(menu), nullptr, nullptr, nullptr, nullptr, 1,
                 gtk_get_current_event_time());
}

GtkWidget *build_panel(QVTimelineEditor &ed) {
  GtkWidget *table = gtk_table_new(2, 6, FALSE);
  gtk_table_set_row_spacings(GTK_TABLE(table), 2);
  gtk_table_set_col_spacings(GTK_TABLE(table), 2);
  auto put = [&](GtkWidget *w, int col, int row, int span = 1) {
    gtk_table_attach(GTK_TABLE(table), w, col, col + span, row, row + 1, GTK_FILL, GTK_FILL, 0, 0);
  };
  const double frame_step = 1.0 / 25;

  GtkWidget *zero = gtk_button_new_with_label("0");
  g_signal_connect(zero, "clicked", G_CALLBACK(on_in_zero), &ed);
  ed.inpoint = time_field(ed);
  put(framed(_("Inpoint"), row_of({zero, ed.inpoint.box})), 0, 0);

  GSList *group = nullptr;
  const char *modes[3] = {_("In+"), _("Out"), _("End")};
  for (int i = 0; i < 3; ++i) {
    ed.out_modes[i] = gtk_radio_button_new_with_label(group, modes[i]);
    group = gtk_radio_button_get_group(GTK_RADIO_BUTTON(ed.out_modes[i]));
    g_signal_connect(ed.out_modes[i], "toggled", G_CALLBACK(on_panel_changed), &ed);
  }
  ed.out_frames = new_spin(ed, 0, 999999, 1, 0);
  ed.outpoint = time_field(ed);
  put(framed(_("Outpoint"), row_of({ed.out_modes[0], ed.out_frames, gtk_label_new("="),
                                    ed.out_modes[1], ed.outpoint.box, ed.out_modes[2]})),
      1, 0, 3);

  ed.begin = time_field(ed);
  ed.set_to = gtk_button_new_with_label(_("Set to"));
  g_signal_connect(ed.set_to, "clicked", G_CALLBACK(on_set_to_shown), &ed);
  put(framed(_("begin"), row_of({ed.set_to, ed.begin.box})), 4, 0);
  ed.duration = time_field(ed);
  put(framed(_("duration"), ed.duration.box), 5, 0);

  ed.fade_in = new_spin(ed, 0, 99999, frame_step, 2);
  put(framed(_("fade-in"), ed.fade_in), 0, 1);
  ed.freeze_before_on = gtk_check_button_new();
  g_signal_connect(ed.freeze_before_on, "toggled", G_CALLBACK(on_panel_changed), &ed);
  ed.freeze_before_t = new_spin(ed, 0, 1, 0.01, 2, G_CALLBACK(on_t_mirror));
  put(framed(_("freeze-before"), row_of({ed.freeze_before_on, ed.freeze_before_t})), 1, 1);
  ed.t_start = new_spin(ed, 0, 1, 0.01, 2, G_CALLBACK(on_t_mirror));
  ed.freeze_before_s = new_spin(ed, -1, 99999, frame_step, 2);
  put(framed(_("t-start"), row_of({ed.t_start, ed.freeze_before_s})), 2, 1);
  ed.t_end = new_spin(ed, 0, 1, 0.01, 2, G_CALLBACK(on_t_mirror));
  ed.freeze_after_s = new_spin(ed, -1, 99999, frame_step, 2);
  put(framed(_("t-end"), row_of({ed.t_end, ed.freeze_after_s})), 3, 1);
  ed.freeze_behind_on = gtk_check_button_new();
  g_signal_connect(ed.freeze_behind_on, "toggled", G_CALLBACK(on_panel_changed), &ed);
  ed.freeze_behind_t = new_spin(ed, 0, 1, 0.01, 2, G_CALLBACK(on_t_mirror));
  put(framed(_("freeze-behind"), row_of({ed.freeze_behind_on, ed.freeze_behind_t})), 4, 1);
  ed.fade_out = new_spin(ed, 0, 99999, frame_step, 2);
  put(framed(_("fade-out"), ed.fade_out), 5, 1);

  ed.repeat_count = gtk_radio_button_new(nullptr);
  ed.repeat_spin = new_spin(ed, 0, 999, 0.01, 2);
  ed.repeat_endless = gtk_radio_button_new_from_widget(GTK_RADIO_BUTTON(ed.repeat_count));
  gtk_container_add(GTK_CONTAINER(ed.repeat_endless),
                    gtk_image_new_from_stock("qv-indefinite", GTK_ICON_SIZE_MENU));
  gtk_widget_set_tooltip_text(ed.repeat_endless, _("endless"));
  g_signal_connect(ed.repeat_count, "toggled", G_CALLBACK(on_panel_changed), &ed);
  put(framed(_("repeat"), row_of({ed.repeat_count, ed.repeat_spin, ed.repeat_endless})), 0, 2, 2);

  ed.script_button = gtk_button_new_with_label("");
  ed.extra_button = gtk_button_new_with_label("");
  g_object_set_data(G_OBJECT(ed.extra_button), "qv-extra", GINT_TO_POINTER(1));
  g_signal_connect(ed.script_button, "clicked", G_CALLBACK(on_edit_text), &ed);
  g_signal_connect(ed.extra_button, "clicked", G_CALLBACK(on_edit_text), &ed);
  put(framed(_("Edit"), row_of({ed.script_button, ed.extra_button})), 2, 2, 2);
  return table;
}

void set_button_markup(GtkWidget *button, const std::string &markup) {
  GtkWidget *label = gtk_bin_get_child(GTK_BIN(button));
  gtk_label_set_markup(GTK_LABEL(label), markup.c_str());
}

// ---- the window ----------------------------------------------------------------

void on_selection_changed(GtkTreeSelection *, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  if (ed.updating) return;
  const QVanimChunk *selected = qv_timeline_editor_selected(ed);
  const int32_t id = selected ? selected->anim_id : 0;
  if (id != ed.selected_id) {
    if (ed.selected_id) ed.reference_id = ed.selected_id;
    ed.selected_id = id;
  }
  qv_timeline_editor_load_panel(ed);
}

void on_zoom_changed(GtkSpinButton *spin, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  if (!ed.updating) qv_timeline_editor_set_zoom(ed, gtk_spin_button_get_value(spin));
}

void on_time_column_width(GtkTreeViewColumn *column, GParamSpec *, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  // Less than the column, for the header button's frame.
  const int width = std::max(100, gtk_tree_view_column_get_width(column) - 12);
  if (width != ed.ruler->requisition.width)
    gtk_widget_set_size_request(ed.ruler, width, kRulerHeight);
}

// The narrow "@nimation" column cuts names short: the whole entry, and
// its times, show as the row's tooltip.
gboolean on_query_tooltip(GtkWidget *view, gint x, gint y, gboolean keyboard, GtkTooltip *tooltip,
                          gpointer) {
  GtkTreeModel *model = nullptr;
  GtkTreePath *path = nullptr;
  GtkTreeIter iter;
  if (!gtk_tree_view_get_tooltip_context(GTK_TREE_VIEW(view), &x, &y, keyboard, &model, &path,
                                         &iter))
    return FALSE;
  gpointer chunk = nullptr;
  int resolved = 1;
  gtk_tree_model_get(model, &iter, QV_ENTRY_CHUNK, &chunk, QV_ENTRY_RESOLVED, &resolved, -1);
  if (chunk) {
    const QVanimChunk &entry = *static_cast<QVanimChunk *>(chunk);
    const std::string text =
        qv_entry_markup(entry, resolved) + "\n" +
        qv_format("%s %s  %s %s", _("begin"), qv_time_label(entry.begin).c_str(), _("duration"),
                  qv_time_label(entry.duration).c_str());
    gtk_tooltip_set_markup(tooltip, text.c_str());
    gtk_tree_view_set_tooltip_row(GTK_TREE_VIEW(view), tooltip, path);
  }
  gtk_tree_path_free(path);
  return chunk != nullptr;
}

GtkWidget *build_list(QVTimelineEditor &ed) {
  ed.store = gtk_list_store_new(3, G_TYPE_POINTER, G_TYPE_BOOLEAN, G_TYPE_INT);
  ed.view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(ed.store));
  g_object_unref(ed.store);  // the view holds it

  GtkCellRenderer *text = gtk_cell_renderer_text_new();
  g_object_set(text, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
  GtkTreeViewColumn *name = gtk_tree_view_column_new();
  gtk_tree_view_column_set_title(name, _("@nimation"));
  gtk_tree_view_column_set_sizing(name, GTK_TREE_VIEW_COLUMN_FIXED);
  gtk_tree_view_column_set_fixed_width(name, 150);
  gtk_tree_view_column_set_resizable(name, TRUE);
  gtk_tree_view_column_pack_start(name, text, TRUE);
  gtk_tree_view_column_set_cell_data_func(name, text, name_cell_data, &ed, nullptr);
  gtk_tree_view_append_column(GTK_TREE_VIEW(ed.view), name);

  GtkCellRenderer *bars = qv_cell_renderer_timeline_new();
  GtkTreeViewColumn *time = gtk_tree_view_column_new();
  gtk_tree_view_column_pack_start(time, bars, TRUE);
  gtk_tree_view_column_set_cell_data_func(time, bars, timeline_cell_data, &ed, nullptr);
  ed.ruler = gtk_drawing_area_new();
  gtk_widget_set_size_request(ed.ruler, 400, kRulerHeight);
  g_signal_connect(ed.ruler, "expose-event", G_CALLBACK(on_ruler_expose), &ed);
  gtk_widget_show(ed.ruler);
  gtk_tree_view_column_set_widget(time, ed.ruler);
  gtk_tree_view_append_column(GTK_TREE_VIEW(ed.view), time);
  // The ruler spans the column, so that its times stand over the cells'.
  g_signal_connect(time, "notify::width", G_CALLBACK(on_time_column_width), &ed);

  g_object_set(ed.view, "has-tooltip", TRUE, nullptr);
  g_signal_connect(ed.view, "query-tooltip", G_CALLBACK(on_query_tooltip), nullptr);
  GtkTreeSelection *selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(ed.view));
  gtk_tree_selection_set_mode(selection, GTK_SELECTION_SINGLE);
  g_signal_connect(selection, "changed", G_CALLBACK(on_selection_changed), &ed);

  GtkWidget *scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                 GTK_POLICY_AUTOMATIC);
  gtk_container_add(GTK_CONTAINER(scrolled), ed.view);
  return scrolled;
}

gboolean on_delete(GtkWidget *, GdkEvent *, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  if (!qv_timeline_editor_settle(ed)) return TRUE;  // cancelled: stay open
  qv_dialog_geometry_save(GTK_WINDOW(ed.window), kGeometry, ed.geometry_state,
                          QV_GEOMETRY_POSITION | QV_GEOMETRY_SIZE);
  return FALSE;
}

gboolean on_key(GtkWidget *window, GdkEventKey *event, gpointer data) {
  const bool close_key = event->keyval == GDK_KEY_w && (event->state & GDK_CONTROL_MASK);
  if (event->keyval != GDK_KEY_Escape && !close_key) return FALSE;
  if (!on_delete(window, nullptr, data)) gtk_widget_destroy(window);
  return TRUE;
}

void free_record(gpointer data) { delete static_cast<QVTimelineEditor *>(data); }

// The image's current timeline, or a new one under a name none has yet.
QVTimeline current_or_new(gint32 image) {
  if (const auto bytes = qv_timeline_get(image, 0, QVTimelineGet::copy)) {
    const auto directory = qv_timeline_directory_new(image, true);
    if (directory && directory->has_current)
      if (auto decoded = qv_timeline_decode(*bytes)) return std::move(*decoded.value);
  }
  return qv_timeline_new(qv_timeline_unique_name(image, "Timeline#1").value_or("Timeline#1"));
}

}  // namespace

// ---- public functions ------------------------------------------------------------

QVTimelineEditor *qv_timeline_editor_open(gint32 image, QVTimelineRenderer renderer) {
  auto *ed = new QVTimelineEditor;
  ed->image = image;
  ed->renderer = std::move(renderer);
  ed->window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  g_object_set_data_full(G_OBJECT(ed->window), kRecord, ed, free_record);
  g_signal_connect(ed->window, "delete-event", G_CALLBACK(on_delete), ed);
  g_signal_connect(ed->window, "key-press-event", G_CALLBACK(on_key), ed);

  GtkWidget *rows = gtk_vbox_new(FALSE, 4);
  gtk_container_add(GTK_CONTAINER(ed->window), rows);
  ed->menu_bar = qv_timeline_editor_menus(*ed);
  gtk_box_pack_start(GTK_BOX(rows), ed->menu_bar, FALSE, FALSE, 0);
  ed->panel = build_panel(*ed);
  gtk_box_pack_start(GTK_BOX(rows), ed->panel, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(rows), build_list(*ed), TRUE, TRUE, 0);

  ed->zoom = gtk_spin_button_new_with_range(0.01, 100000, 0.5);
  gtk_spin_button_set_digits(GTK_SPIN_BUTTON(ed->zoom), 2);
  g_signal_connect(ed->zoom, "value-changed", G_CALLBACK(on_zoom_changed), ed);
  GtkWidget *zoom_row =
      row_of({gtk_label_new(_("Zoom:")), ed->zoom, gtk_label_new(_("sec/100pixel"))});
  gtk_box_pack_start(GTK_BOX(rows), zoom_row, FALSE, FALSE, 2);

  gtk_window_set_default_size(GTK_WINDOW(ed->window), 900, 420);
  qv_dialog_geometry_restore(GTK_WINDOW(ed->window), kGeometry, &ed->geometry_state);
  qv_timeline_editor_load(*ed, current_or_new(image), false);
  gtk_widget_show_all(ed->window);
  return ed;
}

void qv_timeline_editor_update_title(QVTimelineEditor &ed) {
  const std::string name = qv_timeline_display_name(ed.header);
  gtk_window_set_title(GTK_WINDOW(ed.window),
                       (ed.dirty ? qv_format("*%s", name.c_str()) : name).c_str());
}

void qv_timeline_editor_mark_dirty(QVTimelineEditor &ed) {
  ed.dirty = true;
  qv_timeline_editor_update_title(ed);
  gtk_widget_queue_draw(ed.view);
}

void qv_timeline_editor_load(QVTimelineEditor &ed, const QVTimeline &timeline, bool dirty) {
  clear_rows(ed);
  ed.header = timeline.header;
  // The view's scale is the editor's own; a stored one that makes no sense
  // gets the default.
  if (!(ed.header.view_seconds_per_pixel > 0) || !std::isfinite(ed.header.view_seconds_per_pixel))
    ed.header.view_seconds_per_pixel = QVahdrChunk{}.view_seconds_per_pixel;
  if (!std::isfinite(ed.header.view_start)) ed.header.view_start = 0;
  GroupSources sources = group_sources(ed.image);
  for (const QVanimChunk &entry : timeline.entries)
    add_row(ed, entry, -1, entry_resolves(sources, entry));
  ed.dirty = dirty;
  ++ed.updating;
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(ed.zoom), ed.header.view_seconds_per_pixel * 100);
  --ed.updating;
  qv_timeline_editor_sync_rate_menu(ed);
  qv_timeline_editor_update_title(ed);
  qv_timeline_editor_load_panel(ed);
  gtk_widget_queue_draw(ed.view);
}

QVTimeline qv_timeline_editor_timeline(const QVTimelineEditor &ed) {
  QVTimeline timeline;
  timeline.header = ed.header;
  for (int row = 0; row < qv_timeline_editor_rows(ed); ++row)
    timeline.entries.push_back(*qv_timeline_editor_row(ed, row));
  timeline.header.end = qv_timeline_end(timeline);
  return timeline;
}

bool qv_timeline_editor_image_open(QVTimelineEditor &ed) {
  if (qv_image_is_open(ed.image)) return true;
  qv_dialog_alert(GTK_WINDOW(ed.window), _("Alert!"),
                  _("The image of this timeline has been closed. Export the timeline to keep "
                    "it, or close the editor."));
  return false;
}

bool qv_timeline_editor_save(QVTimelineEditor &ed) {
  if (!qv_timeline_editor_image_open(ed)) return false;
  update_end(ed);
  qv_timeline_store_current(ed.image, qv_timeline_editor_timeline(ed));
  ed.dirty = false;
  GtkTreeIter iter;
  for (int row = 0; row_iter(ed, row, iter); ++row)
    gtk_list_store_set(ed.store, &iter, QV_ENTRY_CHANGED, FALSE, -1);
  qv_timeline_editor_update_title(ed);
  return true;
}

bool qv_timeline_editor_settle(QVTimelineEditor &ed) {
  if (!ed.dirty) return true;
  const std::string name = qv_timeline_display_name(ed.header);
  GtkWidget *dialog = gtk_message_dialog_new(
      GTK_WINDOW(ed.window), GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION, GTK_BUTTONS_NONE, "%s",
      qv_format("%s \"%s\"?", _("Do you want to save changes for"), name.c_str()).c_str());
  gtk_dialog_add_buttons(GTK_DIALOG(dialog), GTK_STOCK_NO, GTK_RESPONSE_NO, GTK_STOCK_CANCEL,
                         GTK_RESPONSE_CANCEL, GTK_STOCK_SAVE, GTK_RESPONSE_YES, nullptr);
  gtk_window_set_title(GTK_WINDOW(dialog), _("Confirm!"));
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_YES);
  const int answer = gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
  if (answer == GTK_RESPONSE_NO) ed.dirty = false;
  return answer == GTK_RESPONSE_NO || (answer == GTK_RESPONSE_YES && qv_timeline_editor_save(ed));
}

int qv_timeline_editor_rows(const QVTimelineEditor &ed) {
  return gtk_tree_model_iter_n_children(GTK_TREE_MODEL(ed.store), nullptr);
}

QVanimChunk *qv_timeline_editor_row(const QVTimelineEditor &ed, int row) {
  GtkTreeIter iter;
  return row_iter(ed, row, iter) ? chunk_at(ed, iter) : nullptr;
}

int qv_timeline_editor_resolved(const QVTimelineEditor &ed, int row) {
  GtkTreeIter iter;
  int resolved = 0;
  if (row_iter(ed, row, iter))
    gtk_tree_model_get(GTK_TREE_MODEL(ed.store), &iter, QV_ENTRY_RESOLVED, &resolved, -1);
  return resolved;
}

void qv_timeline_editor_select(QVTimelineEditor &ed, int row) {
  GtkTreeSelection *selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(ed.view));
  GtkTreeIter iter;
  if (row_iter(ed, row, iter))
    gtk_tree_selection_select_iter(selection, &iter);
  else
    gtk_tree_selection_unselect_all(selection);
}

std::optional<int> qv_timeline_editor_selected_row(const QVTimelineEditor &ed) {
  GtkTreeSelection *selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(ed.view));
  GtkTreeIter iter;
  if (!gtk_tree_selection_get_selected(selection, nullptr, &iter)) return std::nullopt;
  GtkTreePath *path = gtk_tree_model_get_path(GTK_TREE_MODEL(ed.store), &iter);
  const int row = gtk_tree_path_get_indices(path)[0];
  gtk_tree_path_free(path);
  return row;
}

QVanimChunk *qv_timeline_editor_selected(const QVTimelineEditor &ed) {
  const auto row = qv_timeline_editor_selected_row(ed);
  return row ? qv_timeline_editor_row(ed, *row) : nullptr;
}

void qv_timeline_editor_insert(QVTimelineEditor &ed, const QVanimChunk &entry, int resolved) {
  const int position = qv_timeline_editor_selected_row(ed).value_or(0);
  add_row(ed, entry, position, resolved);
  GtkTreeIter iter;
  if (row_iter(ed, position, iter)) gtk_list_store_set(ed.store, &iter, QV_ENTRY_CHANGED, TRUE, -1);
  qv_timeline_editor_select(ed, position);
  update_end(ed);
  qv_timeline_editor_mark_dirty(ed);
}

QVanimChunk qv_timeline_editor_new_entry(QVTimelineEditor &ed) {
  gint32 drawable = gimp_image_get_active_layer(ed.image);
  bool mask = false;
  if (drawable > 0) {
    const gint32 layer_mask = gimp_layer_get_mask(drawable);
    if (layer_mask > 0 && gimp_layer_get_edit_mask(drawable)) {
      drawable = layer_mask;
      mask = true;
    }
  } else {
    drawable = gimp_image_get_active_channel(ed.image);
  }
  const int32_t tattoo = drawable > 0 ? static_cast<int32_t>(gimp_item_get_tattoo(drawable)) : 0;
  const QVanimChunk *selected = qv_timeline_editor_selected(ed);
  return qv_entry_new(ed.header, tattoo, mask, selected ? selected->begin : 0);
}

void qv_timeline_editor_insert_script(QVTimelineEditor &ed, const std::string &name,
                                      const std::string &text) {
  QVanimChunk entry = qv_timeline_editor_new_entry(ed);
  entry.script_name = name.empty() ? std::string("Untitled") : name;
  entry.script_text = text;
  qv_timeline_editor_insert(ed, entry);
}

void qv_timeline_editor_copy(QVTimelineEditor &ed) {
  const QVanimChunk *selected = qv_timeline_editor_selected(ed);
  if (!selected) return;
  ed.clipboard = *selected;
  // Paste works from the keyboard too, without the menu opening first.
  if (gpointer paste = g_object_get_data(G_OBJECT(ed.edit_menu), "qv-paste"))
    gtk_widget_set_sensitive(GTK_WIDGET(paste), TRUE);
}

void qv_timeline_editor_cut(QVTimelineEditor &ed) {
  const auto row = qv_timeline_editor_selected_row(ed);
  if (!row) return;
  qv_timeline_editor_copy(ed);
  if (ed.selected_id) ed.reference_id = ed.selected_id;
  ed.selected_id = 0;
  remove_row(ed, *row);
  update_end(ed);
  qv_timeline_editor_load_panel(ed);
  qv_timeline_editor_mark_dirty(ed);
}

void qv_timeline_editor_paste(QVTimelineEditor &ed) {
  if (!ed.clipboard) return;
  QVanimChunk entry = *ed.clipboard;
  entry.anim_id = ed.header.next_anim_id++;  // a second copy is an entry of its own
  GroupSources sources = group_sources(ed.image);
  qv_timeline_editor_insert(ed, entry, entry_resolves(sources, entry));
}

void qv_time_field_set(QVTimeField &field, double seconds, double fps) {
  const QVTimeParts p = qv_time_parts(seconds, fps);
  const double values[4] = {double(p.hours), double(p.minutes), double(p.seconds),
                            double(p.frames)};
  for (int i = 0; i < 4; ++i) {
    if (i == 3) gtk_spin_button_set_range(GTK_SPIN_BUTTON(field.spins[3]), 0, std::ceil(fps) - 1);
    set_spin(field.spins[i], values[i]);
  }
}

double qv_time_field_get(const QVTimeField &field, double fps) {
  // Each spin counts whole units.
  QVTimeParts parts;
  parts.hours = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(field.spins[0]));
  parts.minutes = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(field.spins[1]));
  parts.seconds = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(field.spins[2]));
  parts.frames = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(field.spins[3]));
  return qv_time_seconds(parts, fps);
}

void qv_timeline_editor_load_panel(QVTimelineEditor &ed) {
  const QVahdrChunk &h = ed.header;
  const QVanimChunk *entry = qv_timeline_editor_selected(ed);
  ++ed.updating;
  qv_time_field_set(ed.inpoint, h.inpoint, h.fps);
  qv_time_field_set(ed.outpoint, h.outpoint, h.fps);
  set_spin(ed.out_frames, std::floor((h.outpoint - h.inpoint) * h.fps + 0.5));
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(ed.out_modes[std::clamp(h.outpoint_mode, 0, 2)]),
                               TRUE);
  const double step = 1.0 / (h.fps > 0 ? h.fps : 25);
  for (GtkWidget *spin : {ed.fade_in, ed.freeze_before_s, ed.freeze_after_s, ed.fade_out})
    gtk_spin_button_set_increments(GTK_SPIN_BUTTON(spin), step, 10 * step);
  if (entry) {
    set_spin(ed.fade_in, entry->fade_in);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(ed.freeze_before_on), entry->t_start >= 0);
    set_spin(ed.freeze_before_t, std::max(0.0, entry->t_start));
    set_spin(ed.t_start, std::max(0.0, entry->t_start));
    set_spin(ed.freeze_before_s, entry->freeze_before);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(ed.freeze_behind_on), entry->t_end >= 0);
    set_spin(ed.freeze_behind_t, entry->t_end >= 0 ? entry->t_end : 1);
    set_spin(ed.t_end, entry->t_end >= 0 ? entry->t_end : 1);
    set_spin(ed.freeze_after_s, entry->freeze_after);
    set_spin(ed.fade_out, entry->fade_out);
    gtk_toggle_button_set_active(
        GTK_TOGGLE_BUTTON(entry->repeat < 0 ? ed.repeat_endless : ed.repeat_count), TRUE);
    set_spin(ed.repeat_spin, std::max(0.0, entry->repeat));
    qv_time_field_set(ed.begin, entry->begin, h.fps);
    qv_time_field_set(ed.duration, entry->duration, h.fps);
  }
  set_button_markup(
      ed.script_button,
      qv_edit_button_markup(_("Script"),
                            entry && entry->script_text && !entry->script_text->empty(), false));
  set_button_markup(
      ed.extra_button,
      qv_edit_button_markup(_("Extra"), entry && entry->extra && !entry->extra->empty(), true));
  gtk_widget_set_sensitive(ed.panel, entry != nullptr);
  --ed.updating;
}

void qv_timeline_editor_store_panel(QVTimelineEditor &ed) {
  QVahdrChunk &h = ed.header;
  h.inpoint = qv_time_field_get(ed.inpoint, h.fps);
  for (int i = 0; i < 3; ++i)
    if (toggled(ed.out_modes[i])) h.outpoint_mode = i;
  if (h.outpoint_mode == QV_OUT_IN_PLUS)
    h.outpoint = h.inpoint + spin_value(ed.out_frames) / h.fps;
  else if (h.outpoint_mode == QV_OUT_EXPLICIT)
    h.outpoint = qv_time_field_get(ed.outpoint, h.fps);
  if (QVanimChunk *entry = qv_timeline_editor_selected(ed)) {
    entry->fade_in = spin_value(ed.fade_in);
    entry->t_start = toggled(ed.freeze_before_on) ? spin_value(ed.freeze_before_t) : -1;
    entry->freeze_before = spin_value(ed.freeze_before_s);
    entry->t_end = toggled(ed.freeze_behind_on) ? spin_value(ed.freeze_behind_t) : -1;
    entry->freeze_after = spin_value(ed.freeze_after_s);
    entry->fade_out = spin_value(ed.fade_out);
    entry->repeat = toggled(ed.repeat_endless) ? -1 : spin_value(ed.repeat_spin);
    entry->begin = qv_time_field_get(ed.begin, h.fps);
    entry->duration = qv_time_field_get(ed.duration, h.fps);
    mark_row_changed(ed);
  }
  update_end(ed);
  // The other fields of the header follow the one edited.
  ++ed.updating;
  set_spin(ed.out_frames, std::floor((h.outpoint - h.inpoint) * h.fps + 0.5));
  qv_time_field_set(ed.outpoint, qv_ahdr_outpoint(h), h.fps);
  --ed.updating;
  qv_timeline_editor_mark_dirty(ed);
}

void qv_timeline_editor_set_begin(QVTimelineEditor &ed, double seconds) {
  if (!qv_timeline_editor_selected(ed)) return;
  ++ed.updating;
  qv_time_field_set(ed.begin, std::max(0.0, seconds), ed.header.fps);
  --ed.updating;
  qv_timeline_editor_store_panel(ed);
}

void qv_timeline_editor_set_text(QVTimelineEditor &ed, bool extra, const std::string &text) {
  QVanimChunk *entry = qv_timeline_editor_selected(ed);
  if (!entry) return;
  (extra ? entry->extra : entry->script_text) = text;
  mark_row_changed(ed);
  qv_timeline_editor_load_panel(ed);
  qv_timeline_editor_mark_dirty(ed);
}

void qv_timeline_editor_set_fade_freeze(QVTimelineEditor &ed, const QVFadeFreeze &values) {
  QVanimChunk *entry = qv_timeline_editor_selected(ed);
  if (!entry) return;
  qv_fade_freeze_apply(*entry, values);
  mark_row_changed(ed);
  update_end(ed);
  qv_timeline_editor_load_panel(ed);
  qv_timeline_editor_mark_dirty(ed);
}

bool qv_timeline_editor_make_combined(QVTimelineEditor &ed,
                                      const std::optional<std::string> &text) {
  if (!qv_timeline_editor_image_open(ed) || !qv_timeline_editor_settle(ed)) return false;
  const auto parasites = qv_timeline_parasites_read(ed.image);
  if (!parasites) return false;
  std::vector<QVTimeline> timelines;
  auto add = [&](const QVBytes &bytes) {
    if (auto decoded = qv_timeline_decode(bytes)) timelines.push_back(std::move(*decoded.value));
  };
  if (parasites->current) add(*parasites->current);
  for (const QVBytes &b : parasites->recent) add(b);
  for (const QVBytes &b : parasites->rest) add(b);
  const auto confirm = [&](const std::string &question) {
    return qv_dialog_confirm(GTK_WINDOW(ed.window), _("Confirm!"), question.c_str());
  };
  const QVCombineResult result = text ? qv_timelines_combine_text(timelines, *text, confirm)
                                      : qv_timelines_combine(timelines, confirm);
  for (const std::string &warning : result.warnings)
    qv_dialog_alert(GTK_WINDOW(ed.window), _("Alert"), warning.c_str());
  if (!result.timeline) {
    if (!result.alert.empty())
      qv_dialog_alert(GTK_WINDOW(ed.window), _("Alert"), result.alert.c_str());
    return false;
  }
  // A combined timeline made before is replaced, not kept among the recent.
  const bool replace = !timelines.empty() && qv_timeline_display_name(timelines.front().header) ==
                                                 qv_timeline_display_name(result.timeline->header);
  if (!qv_timeline_set_current(ed.image, *result.timeline, !replace)) return false;
  qv_timeline_editor_load(ed, *result.timeline, false);
  return true;
}

void qv_timeline_editor_set_rate(QVTimelineEditor &ed, double fps) {
  if (!(fps > 0) || fps > QV_TIMELINE_FPS_MAX || fps == ed.header.fps) return;
  ed.header.fps = fps;
  qv_timeline_editor_sync_rate_menu(ed);
  qv_timeline_editor_load_panel(ed);
  qv_timeline_editor_mark_dirty(ed);
}

void qv_timeline_editor_set_interlace(QVTimelineEditor &ed, int interlace) {
  if (interlace == ed.header.interlace) return;
  ed.header.interlace = interlace;
  qv_timeline_editor_sync_rate_menu(ed);
  qv_timeline_editor_mark_dirty(ed);
}

void qv_timeline_editor_set_flatten(QVTimelineEditor &ed, bool flatten) {
  if ((ed.header.flatten != 0) == flatten) return;
  ed.header.flatten = flatten ? 1 : 0;
  qv_timeline_editor_mark_dirty(ed);
}

void qv_timeline_editor_set_zoom(QVTimelineEditor &ed, double seconds_per_100px) {
  if (!(seconds_per_100px > 0)) return;
  ed.header.view_seconds_per_pixel = seconds_per_100px / 100;
  ++ed.updating;
  set_spin(ed.zoom, seconds_per_100px);
  --ed.updating;
  gtk_tree_view_columns_autosize(GTK_TREE_VIEW(ed.view));
  gtk_widget_queue_draw(ed.view);
}

bool qv_timeline_editor_new(QVTimelineEditor &ed, const std::string &name, bool duplicate) {
  if (!qv_timeline_editor_image_open(ed) || !qv_timeline_editor_settle(ed)) return false;
  const std::string unique = qv_timeline_unique_name(ed.image, name).value_or(name);
  QVTimeline timeline = duplicate ? qv_timeline_editor_timeline(ed) : qv_timeline_new();
  timeline.header.name = unique;
  const bool has_current =
      qv_timeline_directory_new(ed.image, true).value_or(QVTimelineDirectory{}).has_current != 0;
  if (!qv_timeline_set_current(ed.image, timeline, has_current)) return false;
  qv_timeline_editor_load(ed, timeline, false);
  return true;
}

bool qv_timeline_editor_switch(QVTimelineEditor &ed, int index) {
  if (!qv_timeline_editor_image_open(ed) || !qv_timeline_editor_settle(ed)) return false;
  if (index != 0 && (!qv_timeline_make_current(ed.image, index) || !qv_timeline_balance(ed.image)))
    return false;
  qv_timeline_editor_reload(ed);
  return true;
}

void qv_timeline_editor_reload(QVTimelineEditor &ed) {
  qv_timeline_editor_load(ed, current_or_new(ed.image), false);
}

bool qv_timeline_editor_import(QVTimelineEditor &ed, const std::string &file) {
  const auto bytes = qv_timeline_file_read(file);
  if (!bytes) {
    qv_dialog_alert(GTK_WINDOW(ed.window), _("Alert!"), bytes.error.c_str());
    return false;
  }
  auto decoded = qv_timeline_decode(*bytes.value);
  if (!decoded) {
    qv_dialog_alert(GTK_WINDOW(ed.window), _("Alert!"),
                    qv_format("%s: %s", file.c_str(), decoded.error.c_str()).c_str());
    return false;
  }
  if (!qv_timeline_editor_settle(ed)) return false;
  ed.timeline_file = file;
  qv_timeline_editor_load(ed, *decoded.value, true);
  return true;
}

bool qv_timeline_editor_export(QVTimelineEditor &ed, const std::string &file) {
  if (!qv_timeline_write_file(file, qv_timeline_editor_timeline(ed))) return false;
  ed.timeline_file = file;
  return true;
}

std::vector<QVanimChunk> qv_animation_templates() {
  const auto bytes = qv_global_parasite_listed(QV_ANIMATION_TEMPLATES_PARASITE)
                         ? qv_global_parasite_bytes(QV_ANIMATION_TEMPLATES_PARASITE)
                         : std::nullopt;
  if (!bytes) return {};
  auto decoded = qv_templates_decode(*bytes);
  if (!decoded) {
    qv_user_message(_("The animation templates cannot be read: %s"), decoded.error.c_str());
    return {};
  }
  return std::move(*decoded.value);
}

namespace {
// Templates are only rewritten when the stored ones could be read whole.
bool templates_readable() {
  if (!qv_global_parasite_listed(QV_ANIMATION_TEMPLATES_PARASITE)) return true;
  const auto bytes = qv_global_parasite_bytes(QV_ANIMATION_TEMPLATES_PARASITE);
  return bytes && qv_templates_decode(*bytes);
}

void templates_store(const std::vector<QVanimChunk> &templates) {
  const QVBytes bytes = qv_templates_encode(templates);
  qv_global_parasite_attach(QV_ANIMATION_TEMPLATES_PARASITE, GIMP_PARASITE_PERSISTENT, bytes.size(),
                            bytes.data());
}
}  // namespace

bool qv_timeline_editor_template_add(QVTimelineEditor &ed) {
  const QVanimChunk *selected = qv_timeline_editor_selected(ed);
  if (!selected) return false;
  if (!templates_readable()) {
    qv_user_message(_("The animation templates cannot be read; none was added."));
    return false;
  }
  std::vector<QVanimChunk> templates = qv_animation_templates();
  templates.push_back(*selected);
  templates_store(templates);
  return true;
}

bool qv_timeline_editor_template_insert(QVTimelineEditor &ed, int index) {
  const std::vector<QVanimChunk> templates = qv_animation_templates();
  if (index < 0 || index >= static_cast<int>(templates.size())) return false;
  QVanimChunk entry = templates[index];
  const QVanimChunk fresh = qv_timeline_editor_new_entry(ed);
  entry.anim_id = fresh.anim_id;
  entry.begin = fresh.begin;
  GroupSources sources = group_sources(ed.image);
  qv_timeline_editor_insert(ed, entry, entry_resolves(sources, entry));
  return true;
}

bool qv_timeline_editor_template_remove(int index) {
  if (!templates_readable()) return false;
  std::vector<QVanimChunk> templates = qv_animation_templates();
  if (index < 0 || index >= static_cast<int>(templates.size())) return false;
  templates.erase(templates.begin() + index);
  templates_store(templates);
  return true;
}

bool qv_timeline_editor_render_save(QVTimelineEditor &ed, const QVRenderSaveChoice &choice) {
  const QVFrameName name = qv_frame_name_split(choice.frame_file);
  if (name.extension.empty()) {
    qv_dialog_alert(GTK_WINDOW(ed.window), _("Alert!"), _("No file extension!"));
    return false;
  }
  if (!ed.renderer || !qv_timeline_editor_image_open(ed)) return false;
  ed.header.frame_fname = choice.frame_file;
  ed.header.flatten = choice.flatten ? 1 : 0;
  if (choice.fps > 0 && choice.fps <= QV_TIMELINE_FPS_MAX) ed.header.fps = choice.fps;
  ed.header.interlace = choice.interlace;
  ed.header.preview_step = choice.preview_step;
  if (choice.before_save.empty())
    ed.header.script_name.reset();
  else
    ed.header.script_name = choice.before_save;
  qv_timeline_editor_sync_rate_menu(ed);
  if (!qv_timeline_editor_save(ed)) return false;
  const QVRenderSpan span = qv_timeline_render_span(ed.header);
  const std::string title = qv_timeline_display_name(ed.header);
  // Without "Preview" the frames only go to their files.
  return ed.renderer(
      {title, title, choice.frame_file, std::max(1L, span.count), true, choice.preview_step});
}

bool qv_timeline_editor_preview(QVTimelineEditor &ed, long count) {
  if (!ed.renderer || count < 1 || !qv_timeline_editor_image_open(ed)) return false;
  update_end(ed);
  const QVTimeline timeline = qv_timeline_editor_timeline(ed);
  const QVRenderSpan span = qv_timeline_render_span(timeline.header);
  if (span.count < 1) {
    qv_dialog_alert(GTK_WINDOW(ed.window), _("No rendering!"),
                    qv_text(_("Timeline »%s« has no frames."),
                            qv_timeline_display_name(timeline.header).c_str())
                        .c_str());
    return false;
  }
  // The editor's timeline as it stands, through a file: unsaved edits are
  // previewed without being stored in the image.
  const std::string folder = qv_take_string(g_dir_make_tmp("qv-preview-XXXXXX", nullptr));
  if (folder.empty()) return false;
  const std::string file = qv_take_string(g_build_filename(folder.c_str(), "preview.qvt", nullptr));
  QVFrameName first;
  first.base = qv_take_string(g_build_filename(folder.c_str(), "timeline_preview_", nullptr));
  first.digits = 4;
  first.extension = "png";
  first.start = span.first;
  bool started = false;
  if (qv_timeline_write_file(file, timeline)) {
    const long step = std::max(1L, span.count / std::min(count, span.count));
    started = ed.renderer({file, qv_timeline_display_name(timeline.header),
                           qv_frame_name_build(first, first.start), span.count, false,
                           static_cast<int>(std::min(step, 999999L))});
  }
  g_remove(file.c_str());
  g_rmdir(folder.c_str());
  return started;
}
