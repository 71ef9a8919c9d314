#include "gimp/render/qv_animation_window.h"

#include <gdk/gdkkeysyms.h>
#include <glib/gi18n-lib.h>
#include <libgimp/gimpui.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "core/qv_attributes.h"
#include "core/qv_filename.h"
#include "core/qv_glib_ptr.h"
#include "core/qv_locale.h"
#include "core/qv_render_timing.h"
#include "core/qv_timeline_edit.h"
#include "core/qv_xcf_timelines.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_render_session.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/style/qv_style_gimp.h"
#include "gimp/timeline/qv_timeline_chooser.h"
#include "gimp/timeline/qv_timeline_editor.h"
#include "gimp/timeline/qv_timeline_gimp.h"
#include "gimp/ui/qv_dialogs.h"

namespace {

const char *const kRecord = "qv-animation-window";
const char *const kGeometry = "qv-path-animation-dialog-enviroment";
const char *const kLastFrame = "qv-last-frame";
const char *const kLastSavedFrame = "qv-last-saved-frame";
const char *const kIcons[4] = {"qv-loop-right", "qv-ping-pong", "qv-loop-left", "qv-indefinite"};
constexpr int kIconSize = 24;
constexpr guint kPingPongPauseMs = 500;
constexpr double kRates[] = {30, 25, 15, 12, 8, 4, 2, 1};

QVAnimationWindow &record_of(gpointer data) { return *static_cast<QVAnimationWindow *>(data); }

// --- the four toolbar icons, drawn here ----------------------------------------

void arrow_head(cairo_t *cr, double x, double y, double dir) {
  cairo_move_to(cr, x, y - 5);
  cairo_line_to(cr, x + 6 * dir, y);
  cairo_line_to(cr, x, y + 5);
  cairo_close_path(cr);
  cairo_fill(cr);
}

void draw_icon(cairo_t *cr, int which) {
  cairo_set_source_rgb(cr, 0.25, 0.45, 0.8);
  cairo_set_line_width(cr, 2.5);
  switch (which) {
    case 0:  // loop right: a line to the right and round back
    case 2:  // loop left
      cairo_arc(cr, 12, 12, 7, M_PI * 0.15, M_PI * 1.85);
      cairo_stroke(cr);
      if (which == 0)
        arrow_head(cr, 17, 6, 1);
      else
        arrow_head(cr, 7, 6, -1);
      break;
    case 1:  // ping-pong: a line with heads at both ends
      cairo_move_to(cr, 6, 12);
      cairo_line_to(cr, 18, 12);
      cairo_stroke(cr);
      arrow_head(cr, 17, 12, 1);
      arrow_head(cr, 7, 12, -1);
      break;
    default:  // indefinite: the sign for endless
      cairo_save(cr);
      cairo_translate(cr, 12, 12);
      cairo_scale(cr, 1, 0.75);
      cairo_move_to(cr, 0, 0);
      cairo_curve_to(cr, 4, -8, 10, -6, 9, 0);
      cairo_curve_to(cr, 10, 6, 4, 8, 0, 0);
      cairo_curve_to(cr, -4, -8, -10, -6, -9, 0);
      cairo_curve_to(cr, -10, 6, -4, 8, 0, 0);
      cairo_restore(cr);
      cairo_stroke(cr);
  }
}

GdkPixbuf *icon_pixbuf(int which) {
  cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kIconSize, kIconSize);
  cairo_t *cr = cairo_create(surface);
  draw_icon(cr, which);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  GdkPixbuf *pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, kIconSize, kIconSize);
  const unsigned char *src = cairo_image_surface_get_data(surface);
  const int src_stride = cairo_image_surface_get_stride(surface);
  guchar *dst = gdk_pixbuf_get_pixels(pixbuf);
  const int dst_stride = gdk_pixbuf_get_rowstride(pixbuf);
  for (int y = 0; y < kIconSize; ++y)
    for (int x = 0; x < kIconSize; ++x) {
      const guint32 argb = *reinterpret_cast<const guint32 *>(src + y * src_stride + 4 * x);
      const guint a = argb >> 24;
      guchar *p = dst + y * dst_stride + 4 * x;
      for (int c = 0; c < 3; ++c) {
        const guint premultiplied = (argb >> (16 - 8 * c)) & 0xff;
        p[c] = a ? static_cast<guchar>(std::min(255u, premultiplied * 255 / a)) : 0;
      }
      p[3] = static_cast<guchar>(a);
    }
  cairo_surface_destroy(surface);
  return pixbuf;
}

void register_icons() {
  static bool done = false;
  if (done) return;
  done = true;
  GtkIconFactory *factory = gtk_icon_factory_new();
  for (int i = 0; i < 4; ++i) {
    GdkPixbuf *pixbuf = icon_pixbuf(i);
    GtkIconSet *set = gtk_icon_set_new_from_pixbuf(pixbuf);
    gtk_icon_factory_add(factory, kIcons[i], set);
    gtk_icon_set_unref(set);
    g_object_unref(pixbuf);
  }
  gtk_icon_factory_add_default(factory);
  g_object_unref(factory);
}

// --- showing frames ------------------------------------------------------------

long store_size(const QVAnimationWindow &w) {
  return static_cast<long>(w.job.env.frame_store.size());
}

gboolean on_expose(GtkWidget *area, GdkEventExpose *, gpointer data) {
  QVAnimationWindow &w = record_of(data);
  const long frame = qv_animation_shown_frame(w);
  cairo_t *cr = gdk_cairo_create(area->window);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_paint(cr);
  if (frame >= 0 && frame < store_size(w)) {
    gdk_cairo_set_source_pixbuf(cr, w.job.env.frame_store[frame].get(), 0, 0);
    cairo_paint(cr);
  }
  cairo_destroy(cr);
  return TRUE;
}

void set_spin_range(GtkWidget *spin, long last, long value) {
  gtk_spin_button_set_range(GTK_SPIN_BUTTON(spin), 0, std::max(0L, last));
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin), value);
}

void fit_area_to_frames(QVAnimationWindow &w) {
  if (w.job.env.frame_store.empty()) return;
  const GdkPixbuf *first = w.job.env.frame_store.front().get();
  gtk_widget_set_size_request(w.area, gdk_pixbuf_get_width(first), gdk_pixbuf_get_height(first));
}

void set_busy(QVAnimationWindow &w, bool busy) {
  gtk_widget_set_sensitive(w.menu_bar, !busy);
  gtk_widget_set_sensitive(w.toolbar, !busy);
  gtk_widget_set_sensitive(w.image_combo, !busy);
  if (busy)
    gtk_widget_show_all(w.progress_box);
  else
    gtk_widget_hide(w.progress_box);
}

// --- the frame job --------------------------------------------------------------

void job_finished(QVAnimationWindow &w) {
  w.job_step.release();
  if (w.job.job.kind == QVFrameJobKind::save) {  // the store is as it was
    set_busy(w, false);
    return;
  }
  ++w.updating;
  const long last = store_size(w) - 1;
  set_spin_range(w.frame_spin, last, 0);
  set_spin_range(w.in_spin, last, 0);
  set_spin_range(w.end_spin, last, last);
  --w.updating;
  fit_area_to_frames(w);
  set_busy(w, false);
  qv_animation_show_frame(w, 0);
}

gboolean on_job_step(gpointer data);

void start_job(QVAnimationWindow &w, const QVFrameJob &job) {
  w.job.job = job;
  w.job.index = -1;
  set_busy(w, true);
  gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(w.progress), 0);
  gtk_progress_bar_set_text(GTK_PROGRESS_BAR(w.progress),
                            qv_frame_job_progress_text(job, 0).c_str());
  w.job_step.start(1, on_job_step, &w);
}

gboolean on_job_step(gpointer data) {
  QVAnimationWindow &w = record_of(data);
  // Which frame of the job each stored frame is, for "Re-Render current".
  const long index = w.job.index;
  const size_t stored = w.job.env.frame_store.size();
  const bool going = qv_frame_job_step(w.job);
  if (w.job.job.kind != QVFrameJobKind::save) {
    if (index < 0) w.store_job_index.clear();
    if (index >= 0 && w.job.env.frame_store.size() > stored) w.store_job_index.push_back(index);
  }
  if (!going) {
    job_finished(w);
    return G_SOURCE_REMOVE;
  }
  const long total = qv_frame_job_total(w.job.job);
  gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(w.progress),
                                total > 0 ? double(w.job.index) / double(total) : 1.0);
  gtk_progress_bar_set_text(GTK_PROGRESS_BAR(w.progress),
                            qv_frame_job_progress_text(w.job.job, w.job.index).c_str());
  if (!w.job.env.frame_store.empty()) {
    fit_area_to_frames(w);
    ++w.updating;
    set_spin_range(w.frame_spin, store_size(w) - 1, store_size(w) - 1);
    --w.updating;
    gtk_widget_queue_draw(w.area);
  }
  return G_SOURCE_CONTINUE;
}

std::vector<std::string> chosen_paths(QVAnimationWindow &w) {
  const gint32 image = w.job.image;
  const std::vector<std::string> candidates = qv_animation_candidates(image);
  auto is_candidate = [&](const std::string &name) {
    return std::find(candidates.begin(), candidates.end(), name) != candidates.end();
  };
  if (w.set == QVPreviewSet::all) return candidates;
  std::vector<std::string> chosen;
  const auto current = qv_path_current(image);
  if (current && is_candidate(*current)) {
    chosen.push_back(*current);
  } else {
    for (const std::string &name : w.last_paths)
      if (is_candidate(name)) chosen.push_back(name);
  }
  if (w.set == QVPreviewSet::with_locked)
    for (const std::string &name : candidates)
      if (qv_path_get_locked(image, name.c_str()) &&
          std::find(chosen.begin(), chosen.end(), name) == chosen.end())
        chosen.push_back(name);
  return chosen;
}

// --- menus and toolbar ------------------------------------------------------------

GtkWidget *menu_item(GtkWidget *menu, const char *label, GCallback callback, gpointer data) {
  GtkWidget *item = gtk_menu_item_new_with_label(label);
  if (callback) g_signal_connect(item, "activate", callback, data);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
  return item;
}

GtkWidget *submenu(GtkWidget *bar, const char *label) {
  GtkWidget *item = gtk_menu_item_new_with_label(label);
  GtkWidget *menu = gtk_menu_new();
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), menu);
  gtk_menu_shell_append(GTK_MENU_SHELL(bar), item);
  return menu;
}

void on_preview_choice(GtkMenuItem *item, gpointer data) {
  const auto *choice =
      static_cast<const QVPreviewChoice *>(g_object_get_data(G_OBJECT(item), "qv-choice"));
  qv_animation_preview(record_of(data), choice->count, choice->t0);
}

const char *set_label(QVPreviewSet set) {
  switch (set) {
    case QVPreviewSet::with_locked:
      return _("[@] + locked");
    case QVPreviewSet::all:
      return _("all [@]");
    case QVPreviewSet::current:
      break;
  }
  return _("[@] current/last");
}

void on_set_choice(GtkMenuItem *item, gpointer data) {
  QVAnimationWindow &w = record_of(data);
  w.set = static_cast<QVPreviewSet>(GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), "qv-set")));
  gtk_menu_item_set_label(GTK_MENU_ITEM(w.set_item), set_label(w.set));
}

void on_clear(GtkMenuItem *, gpointer data) { qv_animation_clear(record_of(data)); }

void on_timeline_chosen(GtkMenuItem *item, gpointer data) {
  qv_animation_choose_timeline(record_of(data),
                               GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), "qv-index")));
}

void on_administrate(GtkMenuItem *, gpointer data) {
  QVAnimationWindow &w = record_of(data);
  qv_timeline_choose(GTK_WINDOW(w.window), w.job.image, 0);
  if (w.editor) qv_timeline_editor_reload(*w.editor);
}

void on_more(GtkMenuItem *item, gpointer data) {
  on_administrate(item, data);
  qv_animation_open_editor(record_of(data));
}

void on_new_timeline(GtkMenuItem *item, gpointer data) {
  QVAnimationWindow &w = record_of(data);
  const bool duplicate = g_object_get_data(G_OBJECT(item), "qv-duplicate") != nullptr;
  std::optional<std::string> name;
  if (duplicate)
    name = qv_animation_current_timeline(w.job.image);
  else
    name =
        qv_dialog_prompt(GTK_WINDOW(w.window), _("New Timeline"), _("Enter Name:"), _("Timeline"));
  if (!name) return;
  QVTimelineEditor *ed = qv_animation_open_editor(w);
  if (ed) qv_timeline_editor_new(*ed, *name, duplicate);
}

// "Timeline" as it opens: New, Duplicate, More, Administrate and the
// image's timelines by name, the current one first.
void on_timeline_menu_shown(GtkMenuItem *, gpointer data) {
  QVAnimationWindow &w = record_of(data);
  GList *items = gtk_container_get_children(GTK_CONTAINER(w.timeline_menu));
  for (GList *i = items; i; i = i->next) gtk_widget_destroy(GTK_WIDGET(i->data));
  g_list_free(items);
  const auto directory = qv_timeline_directory_new(w.job.image);
  menu_item(w.timeline_menu, _("New ..."), G_CALLBACK(on_new_timeline), &w);
  if (directory && directory->has_current) {
    GtkWidget *duplicate =
        menu_item(w.timeline_menu, _("Duplicate"), G_CALLBACK(on_new_timeline), &w);
    g_object_set_data(G_OBJECT(duplicate), "qv-duplicate", GINT_TO_POINTER(1));
  }
  menu_item(w.timeline_menu, _("More ..."), G_CALLBACK(on_more), &w);
  menu_item(w.timeline_menu, _("Administrate ..."), G_CALLBACK(on_administrate), &w);
  if (directory && !directory->names.empty()) {
    gtk_menu_shell_append(GTK_MENU_SHELL(w.timeline_menu), gtk_separator_menu_item_new());
    for (size_t i = 0; i < directory->names.size(); ++i) {
      GtkWidget *item = menu_item(w.timeline_menu, directory->names[i].c_str(),
                                  G_CALLBACK(on_timeline_chosen), &w);
      gtk_label_set_max_width_chars(GTK_LABEL(gtk_bin_get_child(GTK_BIN(item))), 24);
      gtk_label_set_ellipsize(GTK_LABEL(gtk_bin_get_child(GTK_BIN(item))), PANGO_ELLIPSIZE_END);
      g_object_set_data(G_OBJECT(item), "qv-index", GINT_TO_POINTER(static_cast<int>(i)));
    }
  }
  gtk_widget_show_all(w.timeline_menu);
}

// The current timeline's "Render preview only!": how many of its frames.
void on_timeline_preview(GtkMenuItem *, gpointer data) {
  QVAnimationWindow &w = record_of(data);
  const auto name = qv_animation_current_timeline(w.job.image);
  if (!name) return;
  const auto bytes = qv_timeline_read(w.job.image, *name);
  const auto decoded = bytes ? qv_timeline_decode(*bytes) : QVDecoded<QVTimeline>{};
  if (!decoded) return;
  QVTimeline timeline = *decoded.value;
  timeline.header.end = std::max(timeline.header.end, qv_timeline_end(timeline));
  const auto count = qv_preview_count_dialog(
      GTK_WINDOW(w.window), qv_timeline_render_span(timeline.header).count, w.preview_frames);
  if (!count) return;
  w.preview_frames = *count;
  qv_animation_preview_timeline(w, *count);
}

// The timeline item names the image's current timeline as the menu opens;
// without one it reads "Timeline" and is greyed out.
void on_preview_menu_shown(GtkMenuItem *, gpointer data) {
  QVAnimationWindow &w = record_of(data);
  const auto name = qv_animation_current_timeline(w.job.image);
  gtk_menu_item_set_label(GTK_MENU_ITEM(w.timeline_item), name ? name->c_str() : _("Timeline"));
  gtk_widget_set_sensitive(w.timeline_item, name.has_value());
  const bool extra = qv_global_parasite_listed("qv-menu") &&
                     qv_global_string_get("qv-menu").value_or("") == "extra";
  gtk_widget_set_visible(w.rerender_item, extra);
}

void on_rerender(GtkMenuItem *, gpointer data) { qv_animation_rerender(record_of(data)); }

// A file chooser opened at `preset`; the chosen file, or none.
std::optional<std::string> choose_file(QVAnimationWindow &w, const std::string &title,
                                       GtkFileChooserAction action, const std::string &preset) {
  const bool open = action == GTK_FILE_CHOOSER_ACTION_OPEN;
  GtkWidget *chooser = gtk_file_chooser_dialog_new(
      title.c_str(), GTK_WINDOW(w.window), action, GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL,
      open ? GTK_STOCK_OPEN : GTK_STOCK_SAVE, GTK_RESPONSE_ACCEPT, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
  gtk_file_chooser_set_do_overwrite_confirmation(GTK_FILE_CHOOSER(chooser), TRUE);
  if (!preset.empty()) {
    if (open)
      gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(chooser), preset.c_str());
    else {
      const std::string folder = qv_take_string(g_path_get_dirname(preset.c_str()));
      const std::string name = qv_take_string(g_path_get_basename(preset.c_str()));
      gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), folder.c_str());
      gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser), name.c_str());
    }
  }
  std::optional<std::string> chosen;
  if (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
    const std::string file =
        qv_take_string(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser)));
    if (!file.empty()) chosen = qv_filename_to_utf8(file.c_str()).value_or(file);
  }
  gtk_widget_destroy(chooser);
  return chosen;
}

void on_load(GtkMenuItem *, gpointer data) {
  QVAnimationWindow &w = record_of(data);
  const auto file = choose_file(w, _("Load frames ..."), GTK_FILE_CHOOSER_ACTION_OPEN,
                                qv_global_string_get(kLastFrame).value_or(""));
  if (!file) return;
  qv_global_string_set(kLastFrame, *file);
  const QVFrameName first = qv_frame_name_split(*file);
  if (first.extension.empty()) {
    qv_dialog_alert(GTK_WINDOW(w.window), _("Alert!"), _("No file extension!"));
    return;
  }
  const long found = qv_frame_files_in_row(first, QV_TIMELINE_MAX_FRAMES);
  const auto answer =
      qv_dialog_prompt(GTK_WINDOW(w.window), _("How many to load?"),
                       qv_text(_("of %ld frames"), found).c_str(), std::to_string(found).c_str());
  if (!answer) return;
  const long count = std::strtol(answer->c_str(), nullptr, 10);
  if (count > 0) qv_animation_load_frames(w, *file, count);
}

void on_save_frame(GtkMenuItem *, gpointer data) {
  QVAnimationWindow &w = record_of(data);
  const long frame = qv_animation_shown_frame(w);
  if (frame >= store_size(w)) return;
  const auto file =
      choose_file(w, qv_text(_("Save Frame %ld"), frame), GTK_FILE_CHOOSER_ACTION_SAVE,
                  qv_global_string_get(kLastSavedFrame).value_or(""));
  if (!file) return;
  qv_global_string_set(kLastSavedFrame, *file);
  qv_animation_save_frames(w, *file, frame, frame);
}

void on_save_frames(GtkMenuItem *, gpointer data) {
  QVAnimationWindow &w = record_of(data);
  if (store_size(w) == 0) return;
  const long in = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(w.in_spin));
  const long end = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(w.end_spin));
  const auto file =
      choose_file(w, qv_text(_("Save Frames %ld ... %ld"), in, end), GTK_FILE_CHOOSER_ACTION_SAVE,
                  qv_global_string_get(kLastSavedFrame).value_or(""));
  if (!file) return;
  qv_global_string_set(kLastSavedFrame, *file);
  qv_animation_save_frames(w, *file, in, end);
}

gboolean on_delete(GtkWidget *window, GdkEvent *, gpointer);

void on_scripts_menu(GtkMenuItem *item, gpointer data) {
  QVAnimationWindow &w = record_of(data);
  qv_general_scripts_fill(GTK_WIDGET(g_object_get_data(G_OBJECT(item), "qv-menu")), w.job.image,
                          GTK_WINDOW(w.window));
}

// "Save 'image'": the image, with its timelines, under a name the user
// chooses; GIMP picks the format by the extension.
void on_save_image(GtkMenuItem *, gpointer data) {
  QVAnimationWindow &w = record_of(data);
  const gint32 image = w.job.image;
  const std::string preset = qv_take_string(gimp_image_get_filename(image));
  const auto file = choose_file(w, _("Save 'image'"), GTK_FILE_CHOOSER_ACTION_SAVE, preset);
  if (!file) return;
  qv_animation_save_image(w, *file);
}

void on_exit(GtkMenuItem *, gpointer data) {
  if (!on_delete(record_of(data).window, nullptr, data)) gtk_widget_destroy(record_of(data).window);
}

void on_rate(GtkMenuItem *item, gpointer data) {
  qv_animation_set_rate(record_of(data),
                        *static_cast<const double *>(g_object_get_data(G_OBJECT(item), "qv-rate")));
}

void on_pause_toggled(GtkCheckMenuItem *item, gpointer data) {
  record_of(data).pingpong_pause = gtk_check_menu_item_get_active(item);
}

GtkWidget *build_menus(QVAnimationWindow &w) {
  GtkWidget *bar = gtk_menu_bar_new();
  GtkWidget *file = submenu(bar, _("File"));
  menu_item(file, _("   Load Frames ...   "), G_CALLBACK(on_load), &w);
  gtk_menu_shell_append(GTK_MENU_SHELL(file), gtk_separator_menu_item_new());
  GtkWidget *save = menu_item(file, _("Save frame"), G_CALLBACK(on_save_frame), &w);
  GtkAccelGroup *keys = gtk_accel_group_new();
  gtk_window_add_accel_group(GTK_WINDOW(w.window), keys);
  gtk_widget_add_accelerator(save, "activate", keys, GDK_KEY_s, GDK_CONTROL_MASK,
                             GTK_ACCEL_VISIBLE);
  g_object_unref(keys);
  menu_item(file, _("Save frames ..."), G_CALLBACK(on_save_frames), &w);
  menu_item(file, _("Save 'image'"), G_CALLBACK(on_save_image), &w);
  gtk_menu_shell_append(GTK_MENU_SHELL(file), gtk_separator_menu_item_new());
  menu_item(file, _("   Exit   "), G_CALLBACK(on_exit), &w);

  w.timeline_menu = submenu(bar, _("Timeline"));
  g_signal_connect(gtk_menu_get_attach_widget(GTK_MENU(w.timeline_menu)), "activate",
                   G_CALLBACK(on_timeline_menu_shown), &w);

  GtkWidget *preview = submenu(bar, _("Preview [@]"));
  menu_item(preview, _("   Clear Memory"), G_CALLBACK(on_clear), &w);
  w.set_item = menu_item(preview, set_label(w.set), nullptr, nullptr);
  GtkWidget *sets = gtk_menu_new();
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(w.set_item), sets);
  for (QVPreviewSet set : {QVPreviewSet::current, QVPreviewSet::with_locked, QVPreviewSet::all}) {
    GtkWidget *item = menu_item(sets, set_label(set), G_CALLBACK(on_set_choice), &w);
    g_object_set_data(G_OBJECT(item), "qv-set", GINT_TO_POINTER(static_cast<int>(set)));
  }
  w.timeline_item = menu_item(preview, _("Timeline"), G_CALLBACK(on_timeline_preview), &w);
  gtk_label_set_max_width_chars(GTK_LABEL(gtk_bin_get_child(GTK_BIN(w.timeline_item))), 24);
  gtk_label_set_ellipsize(GTK_LABEL(gtk_bin_get_child(GTK_BIN(w.timeline_item))),
                          PANGO_ELLIPSIZE_END);
  w.rerender_item = menu_item(preview, _("   Re-Render current"), G_CALLBACK(on_rerender), &w);
  gtk_widget_set_no_show_all(w.rerender_item, TRUE);
  // A menu bar item is activated as its menu opens.
  g_signal_connect(gtk_menu_get_attach_widget(GTK_MENU(preview)), "activate",
                   G_CALLBACK(on_preview_menu_shown), &w);
  gtk_menu_shell_append(GTK_MENU_SHELL(preview), gtk_separator_menu_item_new());
  for (const QVPreviewChoice &choice : qv_preview_choices()) {
    GtkWidget *item = menu_item(preview, _(choice.label), G_CALLBACK(on_preview_choice), &w);
    g_object_set_data(G_OBJECT(item), "qv-choice", const_cast<QVPreviewChoice *>(&choice));
  }

  GtkWidget *rates = gtk_menu_new();
  w.rate_item = gtk_menu_item_new_with_label("");
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(w.rate_item), rates);
  gtk_menu_shell_append(GTK_MENU_SHELL(bar), w.rate_item);
  for (const double &rate : kRates) {
    const std::string label = rate == 1 ? std::string(_("1 frame/sec   "))
                                        : qv_text(_("%d frames/sec   "), static_cast<int>(rate));
    GtkWidget *item = menu_item(rates, label.c_str(), G_CALLBACK(on_rate), &w);
    g_object_set_data(G_OBJECT(item), "qv-rate", const_cast<double *>(&rate));
  }
  gtk_menu_shell_append(GTK_MENU_SHELL(rates), gtk_separator_menu_item_new());
  GtkWidget *pause = gtk_check_menu_item_new_with_label(_("Ping/Pong with Pause  "));
  g_signal_connect(pause, "toggled", G_CALLBACK(on_pause_toggled), &w);
  gtk_menu_shell_append(GTK_MENU_SHELL(rates), pause);
  GtkWidget *scripts_item = gtk_menu_item_new_with_label(_("General Scripts"));
  GtkWidget *scripts = gtk_menu_new();
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(scripts_item), scripts);
  gtk_menu_shell_append(GTK_MENU_SHELL(bar), scripts_item);
  g_object_set_data(G_OBJECT(scripts_item), "qv-menu", scripts);
  g_signal_connect(scripts_item, "activate", G_CALLBACK(on_scripts_menu), &w);
  return bar;
}

void on_mode_toggled(GtkToggleToolButton *button, gpointer data) {
  QVAnimationWindow &w = record_of(data);
  if (w.updating || !gtk_toggle_tool_button_get_active(button)) return;
  const int which = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), "qv-mode"));
  static const QVLoopMode modes[4] = {QVLoopMode::forward, QVLoopMode::pingpong,
                                      QVLoopMode::backward, QVLoopMode::stopped};
  qv_animation_set_mode(w, modes[which]);
}

void on_frame_changed(GtkSpinButton *, gpointer data) {
  QVAnimationWindow &w = record_of(data);
  if (!w.updating) gtk_widget_queue_draw(w.area);
}

gboolean on_frame_focus(GtkWidget *, GdkEventFocus *, gpointer data) {
  qv_animation_set_mode(record_of(data), QVLoopMode::stopped);
  return FALSE;
}

// "In:" never above "End:": moving one past the other moves the other along.
void on_range_changed(GtkSpinButton *spin, gpointer data) {
  QVAnimationWindow &w = record_of(data);
  if (w.updating) return;
  const int in = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(w.in_spin));
  const int end = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(w.end_spin));
  if (in <= end) return;
  ++w.updating;
  gtk_spin_button_set_value(
      GTK_SPIN_BUTTON(spin == GTK_SPIN_BUTTON(w.in_spin) ? w.end_spin : w.in_spin),
      spin == GTK_SPIN_BUTTON(w.in_spin) ? in : end);
  --w.updating;
}

GtkWidget *spin_item(GtkWidget *toolbar, const char *label, GtkWidget **spin) {
  GtkToolItem *item = gtk_tool_item_new();
  GtkWidget *box = gtk_hbox_new(FALSE, 4);
  if (label) gtk_box_pack_start(GTK_BOX(box), gtk_label_new(label), FALSE, FALSE, 0);
  *spin = gtk_spin_button_new_with_range(0, 0, 1);
  gtk_spin_button_set_numeric(GTK_SPIN_BUTTON(*spin), TRUE);
  gtk_entry_set_width_chars(GTK_ENTRY(*spin), 5);
  gtk_box_pack_start(GTK_BOX(box), *spin, FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(item), box);
  gtk_toolbar_insert(GTK_TOOLBAR(toolbar), item, -1);
  return *spin;
}

GtkWidget *build_toolbar(QVAnimationWindow &w) {
  GtkWidget *toolbar = gtk_toolbar_new();
  gtk_toolbar_set_style(GTK_TOOLBAR(toolbar), GTK_TOOLBAR_ICONS);
  // The spins and the rate are not to disappear behind an overflow arrow.
  gtk_toolbar_set_show_arrow(GTK_TOOLBAR(toolbar), FALSE);
  GSList *group = nullptr;
  const char *tips[4] = {_("Play forward"), _("Play forward and back"), _("Play backward"), ""};
  for (int i = 0; i < 4; ++i) {
    GtkToolItem *button = gtk_radio_tool_button_new_from_stock(group, kIcons[i]);
    group = gtk_radio_tool_button_get_group(GTK_RADIO_TOOL_BUTTON(button));
    gtk_tool_item_set_tooltip_text(button, tips[i]);
    g_object_set_data(G_OBJECT(button), "qv-mode", GINT_TO_POINTER(i));
    g_signal_connect(button, "toggled", G_CALLBACK(on_mode_toggled), &w);
    gtk_toolbar_insert(GTK_TOOLBAR(toolbar), button, -1);
    w.mode_buttons[i] = GTK_WIDGET(button);
  }
  ++w.updating;  // the window is not built yet: nothing to stop
  gtk_toggle_tool_button_set_active(GTK_TOGGLE_TOOL_BUTTON(w.mode_buttons[3]), TRUE);
  --w.updating;
  // "Stopped" is a mode of the group, not a button the user presses.
  gtk_widget_set_no_show_all(w.mode_buttons[3], TRUE);
  spin_item(toolbar, nullptr, &w.frame_spin);
  g_signal_connect(w.frame_spin, "value-changed", G_CALLBACK(on_frame_changed), &w);
  g_signal_connect(w.frame_spin, "focus-in-event", G_CALLBACK(on_frame_focus), &w);
  gtk_toolbar_insert(GTK_TOOLBAR(toolbar), gtk_separator_tool_item_new(), -1);
  spin_item(toolbar, _("In:"), &w.in_spin);
  spin_item(toolbar, _("End:"), &w.end_spin);
  g_signal_connect(w.in_spin, "value-changed", G_CALLBACK(on_range_changed), &w);
  g_signal_connect(w.end_spin, "value-changed", G_CALLBACK(on_range_changed), &w);
  GtkToolItem *fps = gtk_tool_item_new();
  w.fps_label = gtk_label_new("");
  gtk_container_add(GTK_CONTAINER(fps), w.fps_label);
  gtk_toolbar_insert(GTK_TOOLBAR(toolbar), gtk_separator_tool_item_new(), -1);
  gtk_toolbar_insert(GTK_TOOLBAR(toolbar), fps, -1);
  return toolbar;
}

void on_cancel(GtkButton *, gpointer data) { qv_animation_cancel(record_of(data)); }

void on_image_changed(GimpIntComboBox *combo, gpointer data) {
  QVAnimationWindow &w = record_of(data);
  gint image = -1;
  if (gimp_int_combo_box_get_active(combo, &image) && image != w.job.image) {
    w.job.image = image;
    w.last_paths.clear();
  }
}

// --- playback -------------------------------------------------------------------

gboolean on_play_tick(gpointer data);

void start_play_timer(QVAnimationWindow &w, guint extra_ms = 0) {
  const guint interval = static_cast<guint>(std::lround(1000.0 / w.fps)) + extra_ms;
  w.play.start(std::max(1u, interval), on_play_tick, &w);
}

gboolean on_play_tick(gpointer data) {
  QVAnimationWindow &w = record_of(data);
  const long in = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(w.in_spin));
  const long end = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(w.end_spin));
  w.head.frame = qv_animation_shown_frame(w);
  w.head = qv_play_next(w.head, w.mode, in, end);
  qv_animation_show_frame(w, w.head.frame);
  ++w.frames_played;
  gtk_label_set_text(GTK_LABEL(w.fps_label), qv_animation_rate_text(w).c_str());
  if (w.mode == QVLoopMode::pingpong && w.pingpong_pause) {
    // The pause at either end, then the usual rate again.
    if (w.head.at_end) {
      w.play.release();
      start_play_timer(w, kPingPongPauseMs);
      return G_SOURCE_REMOVE;
    }
  }
  return G_SOURCE_CONTINUE;
}

// Closing asks about the timeline editor's unsaved changes first; TRUE
// (the window stays) when the user cancelled.
gboolean on_delete(GtkWidget *window, GdkEvent *, gpointer data) {
  QVAnimationWindow &w = record_of(data);
  if (w.editor && !qv_timeline_editor_settle(*w.editor)) return TRUE;
  gint x = 0, y = 0, width = 0, height = 0;
  gtk_window_get_position(GTK_WINDOW(window), &x, &y);
  gtk_window_get_size(GTK_WINDOW(window), &width, &height);
  const std::string text = qv_format("%d %d %d %d", x, y, width, height);
  qv_global_string_set(kGeometry, text);
  return FALSE;
}

// Escape cancels a running job, else closes the window, as in the suite's
// other windows; Ctrl+W closes it as GIMP's windows close.
gboolean on_key(GtkWidget *window, GdkEventKey *event, gpointer data) {
  QVAnimationWindow &w = record_of(data);
  const bool close_key = event->keyval == GDK_KEY_w && (event->state & GDK_CONTROL_MASK);
  if (event->keyval != GDK_KEY_Escape && !close_key) return FALSE;
  if (event->keyval == GDK_KEY_Escape && qv_animation_busy(w)) {
    qv_animation_cancel(w);
    return TRUE;
  }
  if (!on_delete(window, nullptr, data)) gtk_widget_destroy(window);
  return TRUE;
}

void free_record(gpointer data) {
  QVAnimationWindow *w = static_cast<QVAnimationWindow *>(data);
  qv_frame_job_stop(w->job);
  delete w;
}

void restore_geometry(GtkWindow *window) {
  const auto text = qv_global_string_get(kGeometry);
  int x = 0, y = 0, width = 0, height = 0;
  if (!text || std::sscanf(text->c_str(), "%d %d %d %d", &x, &y, &width, &height) != 4) return;
  gtk_window_move(window, x, y);
  gint w = 0, h = 0;
  gtk_window_get_default_size(window, &w, &h);
  gtk_window_set_default_size(window, std::max(w, width), std::max(h, height));
}

}  // namespace

std::vector<std::string> qv_animation_candidates(gint32 image) {
  std::vector<std::string> out;
  for (const std::string &name : qv_path_names(image))
    if (name.rfind("[@", 0) == 0 ||
        qv_path_has_style_attribute(image, name.c_str(), nullptr, "@-timeline: ", false))
      out.push_back(name);
  return out;
}

QVAnimationWindow *qv_animation_window_build(gint32 image) {
  register_icons();
  auto *w = new QVAnimationWindow;
  w->job.image = image;
  w->window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  g_object_set_data_full(G_OBJECT(w->window), kRecord, w, free_record);
  gtk_window_set_title(GTK_WINDOW(w->window), _("Animation Renderer"));
  g_signal_connect(w->window, "delete-event", G_CALLBACK(on_delete), w);
  g_signal_connect(w->window, "key-press-event", G_CALLBACK(on_key), w);

  GtkWidget *rows = gtk_vbox_new(FALSE, 4);
  gtk_container_add(GTK_CONTAINER(w->window), rows);
  w->menu_bar = build_menus(*w);
  gtk_box_pack_start(GTK_BOX(rows), w->menu_bar, FALSE, FALSE, 0);

  w->image_combo = gimp_image_combo_box_new(nullptr, nullptr);
  gtk_widget_set_size_request(w->image_combo, 300, -1);
  gimp_int_combo_box_set_active(GIMP_INT_COMBO_BOX(w->image_combo), image);
  g_signal_connect(w->image_combo, "changed", G_CALLBACK(on_image_changed), w);
  GtkWidget *combo_row = gtk_hbox_new(FALSE, 0);
  gtk_box_pack_start(GTK_BOX(combo_row), w->image_combo, FALSE, FALSE, 4);
  gtk_box_pack_start(GTK_BOX(rows), combo_row, FALSE, FALSE, 0);

  w->progress_box = gtk_hbox_new(FALSE, 4);
  w->progress = gtk_progress_bar_new();
  w->cancel = gtk_button_new_from_stock(GTK_STOCK_CANCEL);
  g_signal_connect(w->cancel, "clicked", G_CALLBACK(on_cancel), w);
  gtk_box_pack_start(GTK_BOX(w->progress_box), w->progress, TRUE, TRUE, 4);
  gtk_box_pack_start(GTK_BOX(w->progress_box), w->cancel, FALSE, FALSE, 4);
  gtk_box_pack_start(GTK_BOX(rows), w->progress_box, FALSE, FALSE, 0);

  w->toolbar = build_toolbar(*w);
  gtk_box_pack_start(GTK_BOX(rows), w->toolbar, FALSE, FALSE, 0);

  w->area = gtk_drawing_area_new();
  gtk_widget_set_size_request(w->area, 320, 240);
  g_signal_connect(w->area, "expose-event", G_CALLBACK(on_expose), w);
  w->scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(w->scrolled), GTK_POLICY_AUTOMATIC,
                                 GTK_POLICY_AUTOMATIC);
  gtk_scrolled_window_add_with_viewport(GTK_SCROLLED_WINDOW(w->scrolled), w->area);
  gtk_box_pack_start(GTK_BOX(rows), w->scrolled, TRUE, TRUE, 0);
  gtk_window_set_default_size(GTK_WINDOW(w->window), 360, 400);
  restore_geometry(GTK_WINDOW(w->window));
  qv_animation_set_rate(*w, 15);
  gtk_widget_show_all(w->window);
  gtk_widget_hide(w->progress_box);
  return w;
}

bool qv_animation_busy(const QVAnimationWindow &w) { return static_cast<bool>(w.job_step); }

namespace {
// Renders need the image; the window stays usable for another one.
bool image_open(QVAnimationWindow &w) {
  if (qv_image_is_open(w.job.image)) return true;
  qv_dialog_alert(GTK_WINDOW(w.window), _("No rendering!"),
                  _("The image has been closed; choose another one in the list above."));
  return false;
}
}  // namespace

bool qv_animation_preview(QVAnimationWindow &w, long count, double t0) {
  if (qv_animation_busy(w) || !image_open(w)) return false;
  if (qv_animation_candidates(w.job.image).empty()) {
    qv_dialog_alert(GTK_WINDOW(w.window), _("No rendering!"),
                    _("No [@...] keyspline nor imagepath with @-timeline found!"));
    return false;
  }
  const std::vector<std::string> paths = chosen_paths(w);
  if (paths.empty()) {
    qv_dialog_alert(GTK_WINDOW(w.window), _("No rendering!"), _("No animation selected!"));
    return false;
  }
  qv_animation_set_mode(w, QVLoopMode::stopped);
  w.last_paths = paths;
  std::string title;
  for (const std::string &name : paths) title += (title.empty() ? "" : " | ") + name;
  std::replace(title.begin(), title.end(), '\n', ' ');
  gtk_window_set_title(GTK_WINDOW(w.window), title.c_str());

  w.job.paths = paths;
  QVFrameJob job;
  job.kind = QVFrameJobKind::preview;
  job.count = count;
  job.flags = QV_RENDER_FRAME_STORE;
  job.t0 = t0;
  job.t1 = 1;
  start_job(w, job);
  return true;
}

std::optional<std::string> qv_animation_current_timeline(gint32 image) {
  const auto directory = qv_timeline_directory_new(image, true);
  if (!directory || !directory->has_current || directory->names.empty()) return std::nullopt;
  return directory->names.front();
}

bool qv_animation_preview_timeline(QVAnimationWindow &w, long count) {
  if (qv_animation_busy(w) || !image_open(w)) return false;
  const auto name = qv_animation_current_timeline(w.job.image);
  if (!name) return false;
  const auto bytes = qv_timeline_read(w.job.image, *name);
  if (!bytes) return false;
  const auto decoded = qv_timeline_decode(*bytes);
  if (!decoded) {
    qv_user_message("Timeline \"%s\": %s", name->c_str(), decoded.error.c_str());
    return false;
  }
  // The frames of the timeline's clock from its inpoint to its outpoint,
  // under a name that is never written.
  const QVahdrChunk &header = decoded.value->header;
  QVahdrChunk clock = header;
  clock.end = std::max(clock.end, qv_timeline_end(*decoded.value));
  QVFrameName first;
  first.base = qv_take_string(g_build_filename(g_get_tmp_dir(), "qv-preview_", nullptr));
  first.digits = 4;
  first.extension = "png";
  first.start = qv_inpoint_frame(header.fps, header.inpoint);
  const QVFrameRange range = qv_render_frame_range(clock, first.start, QV_TIMELINE_MAX_FRAMES);
  if (range.frames < 1) {
    qv_dialog_alert(GTK_WINDOW(w.window), _("No rendering!"),
                    qv_text(_("Timeline »%s« has no frames."), name->c_str()).c_str());
    return false;
  }
  std::optional<int> step;
  if (count > 0) step = static_cast<int>(std::clamp(range.frames / count, 1L, 999999L));
  return qv_animation_run_timeline(w, *name, *name, qv_frame_name_build(first, first.start),
                                   range.frames, false, step);
}

bool qv_animation_run_timeline(QVAnimationWindow &w, const std::string &timeline,
                               const std::string &title, const std::string &first_frame, long count,
                               bool save, std::optional<int> preview_step) {
  if (qv_animation_busy(w) || !image_open(w)) return false;
  if (!qv_frame_job_setup_timeline(w.job, timeline, first_frame, count, save)) return false;
  if (preview_step) w.job.job.preview_step = *preview_step;
  // A render that saves without a preview keeps nothing in memory.
  if (save && preview_step && *preview_step <= 0) w.job.job.flags &= ~QV_RENDER_FRAME_STORE;
  qv_animation_set_mode(w, QVLoopMode::stopped);
  gtk_window_set_title(GTK_WINDOW(w.window), title.c_str());
  start_job(w, w.job.job);
  return true;
}

bool qv_animation_choose_timeline(QVAnimationWindow &w, int index) {
  if (qv_animation_busy(w) || !image_open(w)) return false;
  if (w.editor) return qv_timeline_editor_switch(*w.editor, index);
  if (index != 0 && !qv_timeline_make_current(w.job.image, index)) return false;
  qv_animation_open_editor(w);
  return true;
}

QVTimelineEditor *qv_animation_open_editor(QVAnimationWindow &w) {
  if (!w.editor) {
    w.editor = qv_timeline_editor_open(w.job.image, [&w](const QVTimelineRenderRequest &r) {
      return qv_animation_run_timeline(w, r.timeline, r.title, r.first_frame, r.count, r.save,
                                       r.preview_step);
    });
    // The renderer hears when the editor goes; the editor goes with the renderer.
    g_signal_connect(
        w.editor->window, "destroy",
        G_CALLBACK(+[](GtkWidget *, gpointer data) { record_of(data).editor = nullptr; }), &w);
    gtk_window_set_transient_for(GTK_WINDOW(w.editor->window), GTK_WINDOW(w.window));
    gtk_window_set_destroy_with_parent(GTK_WINDOW(w.editor->window), TRUE);
  }
  gtk_window_present(GTK_WINDOW(w.editor->window));
  return w.editor;
}

bool qv_animation_load_frames(QVAnimationWindow &w, const std::string &first, long count) {
  if (qv_animation_busy(w) || count < 1) return false;
  QVFrameJob job;
  job.kind = QVFrameJobKind::load_numbered;
  job.count = count;
  job.files = qv_frame_name_split(first);
  if (job.files.extension.empty()) {
    qv_dialog_alert(GTK_WINDOW(w.window), _("Alert!"), _("No file extension!"));
    return false;
  }
  qv_animation_set_mode(w, QVLoopMode::stopped);
  start_job(w, job);
  return true;
}

bool qv_animation_save_frames(QVAnimationWindow &w, const std::string &first, long from, long to) {
  if (qv_animation_busy(w) || from < 0 || to < from || to >= store_size(w)) return false;
  QVFrameJob job;
  job.kind = QVFrameJobKind::save;
  job.count = to - from + 1;
  job.files = qv_frame_name_split(first);
  if (job.files.extension.empty()) {
    qv_dialog_alert(GTK_WINDOW(w.window), _("Alert!"), _("No file extension!"));
    return false;
  }
  qv_animation_set_mode(w, QVLoopMode::stopped);
  w.job.in = from;
  start_job(w, job);
  return true;
}

void qv_animation_cancel(QVAnimationWindow &w) { qv_frame_job_stop(w.job); }

bool qv_animation_rerender(QVAnimationWindow &w) {
  const long shown = qv_animation_shown_frame(w);
  const QVFrameJob &job = w.job.job;
  if (qv_animation_busy(w) || shown < 0 || shown >= static_cast<long>(w.store_job_index.size()) ||
      shown >= store_size(w) ||
      (job.kind != QVFrameJobKind::preview && job.kind != QVFrameJobKind::timeline) ||
      !image_open(w))
    return false;
  const long index = w.store_job_index[shown];
  QVpathAnimationEnvironment &env = w.job.env;
  const size_t before = env.frame_store.size();
  const bool marker_was_set = qv_rendering_flag(true);
  env.frame_store_started = true;  // the render adds to the store rather than emptying it
  env.stop = false;
  gint32 done = 0;
  if (job.kind == QVFrameJobKind::preview) {
    const QVFrameT t = qv_frame_job_t(job, index);
    done = qv_render_frames(w.job.image, w.job.paths, "", 1, QV_RENDER_FRAME_STORE, t.t, t.t, &env);
  } else {
    env.frame_index = index;
    done = qv_render_frames(w.job.image, {}, qv_frame_job_file(job, index), 1,
                            (job.flags | QV_RENDER_FRAME_STORE) & ~QV_RENDER_SAVE, 0, 0, &env);
  }
  env.frame_store_started = false;
  if (!marker_was_set) qv_rendering_flag(false);
  qv_close_opened_images(0);
  qv_delete_render_duplicates();
  if (!done || env.frame_store.size() != before + 1) return false;
  std::swap(env.frame_store[shown], env.frame_store.back());
  env.frame_store.pop_back();
  gtk_widget_queue_draw(w.area);
  return true;
}

bool qv_animation_save_image(QVAnimationWindow &w, const std::string &file) {
  const gint32 image = w.job.image;
  const std::string native = qv_filename_from_utf8(file.c_str()).value_or(file);
  const gint32 drawable = gimp_image_get_active_drawable(image);
  const bool xcf = g_str_has_suffix(native.c_str(), ".xcf");
  // One picture of a many-layer image is its flattened copy.
  const gint32 saved = xcf ? image : gimp_image_duplicate(image);
  if (!xcf) gimp_image_flatten(saved);
  const bool ok = !qv_frame_name_split(file).extension.empty() &&
                  gimp_file_save(GIMP_RUN_NONINTERACTIVE, saved,
                                 xcf ? drawable : gimp_image_get_active_drawable(saved),
                                 native.c_str(), native.c_str());
  if (!xcf) gimp_image_delete(saved);
  if (!ok) {
    qv_dialog_alert(GTK_WINDOW(w.window), _("Alert!"), _("File not saved, invalid format!"));
    return false;
  }
  if (xcf) {
    gimp_image_set_filename(image, native.c_str());
    gimp_image_clean_all(image);
  }
  return true;
}

void qv_animation_clear(QVAnimationWindow &w) {
  if (qv_animation_busy(w)) return;
  qv_animation_set_mode(w, QVLoopMode::stopped);
  qv_frame_store_clear(w.job.env);
  w.store_job_index.clear();
  ++w.updating;
  set_spin_range(w.frame_spin, 0, 0);
  set_spin_range(w.in_spin, 0, 0);
  set_spin_range(w.end_spin, 0, 0);
  --w.updating;
  gtk_widget_queue_draw(w.area);
}

void qv_animation_show_frame(QVAnimationWindow &w, long frame) {
  ++w.updating;
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(w.frame_spin), frame);
  --w.updating;
  gtk_widget_queue_draw(w.area);
}

long qv_animation_shown_frame(const QVAnimationWindow &w) {
  return gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(w.frame_spin));
}

void qv_animation_set_mode(QVAnimationWindow &w, QVLoopMode mode) {
  w.mode = mode;
  w.head.direction = mode == QVLoopMode::backward ? -1 : 1;
  w.frames_played = 0;
  w.play_started = g_get_monotonic_time();
  ++w.updating;
  const int button = mode == QVLoopMode::forward    ? 0
                     : mode == QVLoopMode::pingpong ? 1
                     : mode == QVLoopMode::backward ? 2
                                                    : 3;
  gtk_toggle_tool_button_set_active(GTK_TOGGLE_TOOL_BUTTON(w.mode_buttons[button]), TRUE);
  --w.updating;
  gtk_label_set_text(GTK_LABEL(w.fps_label), "");
  if (mode == QVLoopMode::stopped || w.job.env.frame_store.empty())
    w.play.reset();
  else
    start_play_timer(w);
}

void qv_animation_set_rate(QVAnimationWindow &w, double fps) {
  w.fps = fps > 0 ? fps : 15;
  gtk_menu_item_set_label(GTK_MENU_ITEM(w.rate_item), qv_format("fps(%0.0f)", w.fps).c_str());
  w.frames_played = 0;
  w.play_started = g_get_monotonic_time();
  if (w.play) start_play_timer(w);
}

std::string qv_animation_rate_text(const QVAnimationWindow &w) {
  if (w.frames_played < 20) return "";
  const double seconds = double(g_get_monotonic_time() - w.play_started) / G_USEC_PER_SEC;
  return seconds > 0 ? qv_format("fps=%0.1f", w.frames_played / seconds) : "";
}

void qv_animation_window_run(gint32 image) {
  if (!qv_dialog_toolkit_init()) return;
  QVAnimationWindow *w = qv_animation_window_build(image);
  qv_run_until_destroyed(w->window);
}
