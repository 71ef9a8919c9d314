#include "gimp/editor/qv_style_editor_window.h"

#include <gdk/gdkkeysyms.h>
#include <glib/gi18n-lib.h>
#include <libgimp/gimpui.h>

#include <algorithm>
#include <cstring>

#include "core/qv_glib_ptr.h"
#include "core/qv_names.h"
#include "core/qv_path_clipboard.h"
#include "core/qv_style.h"
#include "gimp/animate/qv_draw_current.h"
#include "gimp/animate/qv_inbetween_gimp.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_read_cache.h"
#include "gimp/base/qv_render_session.h"
#include "gimp/base/qv_scopes.h"
#include "gimp/draw/qv_draw_style.h"
#include "gimp/paths/qv_path_points.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/services/qv_clipboard_store.h"
#include "gimp/services/qv_path_clipboard_gimp.h"
#include "gimp/style/qv_esl.h"
#include "gimp/style/qv_helper_paths.h"
#include "gimp/style/qv_path_copy.h"
#include "gimp/style/qv_style_gimp.h"

const char *const QV_EDITOR_MARKER = "qv-pathstyle-dialog-run";

namespace {

constexpr const char *kGeometryKey = "qv-pathstyle-dialog-position";
constexpr const char *kStylePrefix = "qv-style-for-path-";
constexpr const char *kAccelPrefix = "<QV-Edit Path-Style>/Edit/";
constexpr int kTimerMs = 300;
constexpr int kPreviewWidth = 96, kPreviewHeight = 18;

// ---- Marker ------------------------------------------------------------------

}  // namespace

std::optional<gint32> qv_style_editor_read_marker() {
  if (!qv_global_parasite_listed(QV_EDITOR_MARKER)) return std::nullopt;
  qv_parasite_ptr p(gimp_get_parasite(QV_EDITOR_MARKER));
  if (!p || gimp_parasite_data_size(p.get()) != sizeof(gint32)) return std::nullopt;
  gint32 value = 0;
  std::memcpy(&value, gimp_parasite_data(p.get()), sizeof value);
  return value;
}

void qv_style_editor_write_marker(gint32 value) {
  qv_global_parasite_attach(QV_EDITOR_MARKER, 0, sizeof value, &value);
}

namespace {

// ---- Small widget helpers ----------------------------------------------------

bool active(GtkWidget *toggle) { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(toggle)); }
void set_active(GtkWidget *toggle, bool on) {
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(toggle), on);
}
double value_of(GtkWidget *range) { return gtk_range_get_value(GTK_RANGE(range)); }

GtkWidget *scale(double max, double step, double page) {
  GtkWidget *s = gtk_hscale_new_with_range(0, max, step);
  gtk_range_set_increments(GTK_RANGE(s), step, page);
  gtk_scale_set_value_pos(GTK_SCALE(s), GTK_POS_RIGHT);
  gtk_widget_set_size_request(s, 160, -1);
  return s;
}

GtkWidget *row(std::initializer_list<GtkWidget *> children) {
  GtkWidget *box = gtk_hbox_new(FALSE, 6);
  for (GtkWidget *child : children) gtk_box_pack_start(GTK_BOX(box), child, FALSE, FALSE, 0);
  return box;
}

GtkWidget *labelled(const char *text, GtkWidget *widget) {
  GtkWidget *box = gtk_hbox_new(FALSE, 6);
  GtkWidget *label = gtk_label_new(text);
  gtk_misc_set_alignment(GTK_MISC(label), 0.0f, 0.5f);
  gtk_widget_set_size_request(label, 80, -1);
  gtk_box_pack_start(GTK_BOX(box), label, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), widget, TRUE, TRUE, 0);
  return box;
}

int to_byte(double component) {
  return std::clamp(static_cast<int>(component * 255 + 0.5), 0, 255);
}

void rgb_bytes(const GimpRGB &rgb, int (&out)[3]) {
  out[0] = to_byte(rgb.r), out[1] = to_byte(rgb.g), out[2] = to_byte(rgb.b);
}

GimpRGB rgb_of(const int (&c)[3]) {
  GimpRGB rgb;
  gimp_rgba_set(&rgb, c[0] / 255.0, c[1] / 255.0, c[2] / 255.0, 1.0);
  return rgb;
}

bool same_rgb(const GimpRGB &a, const GimpRGB &b) {
  return to_byte(a.r) == to_byte(b.r) && to_byte(a.g) == to_byte(b.g) &&
         to_byte(a.b) == to_byte(b.b);
}

GdkPixbuf *gradient_pixbuf(const std::string &gradient) {
  gint count = 0;
  gdouble *samples = nullptr;
  if (!gimp_gradient_get_uniform_samples(gradient.c_str(), kPreviewWidth, FALSE, &count, &samples))
    return nullptr;
  const qv_gptr<gdouble> owned(samples);
  GdkPixbuf *pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, kPreviewWidth, kPreviewHeight);
  guchar *pixels = gdk_pixbuf_get_pixels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  for (int x = 0; x < kPreviewWidth && x * 4 + 3 < count; ++x) {
    const double a = samples[x * 4 + 3];
    // Transparency shown over a checkerboard, as GIMP shows it.
    for (int y = 0; y < kPreviewHeight; ++y) {
      const double check = ((x / 6 + y / 6) % 2) ? 0.4 : 0.6;
      for (int c = 0; c < 3; ++c)
        pixels[y * stride + x * 3 + c] = static_cast<guchar>(
            std::clamp((samples[x * 4 + c] * a + check * (1 - a)) * 255, 0.0, 255.0));
    }
  }
  return pixbuf;
}

GdkPixbuf *pattern_pixbuf(const std::string &pattern) {
  gint width = 0, height = 0, bpp = 0, bytes = 0;
  guint8 *data = nullptr;
  if (!gimp_pattern_get_pixels(pattern.c_str(), &width, &height, &bpp, &bytes, &data) ||
      width < 1 || height < 1 || bytes < width * height * bpp)
    return nullptr;
  const qv_gptr<guint8> owned(data);
  GdkPixbuf *pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, kPreviewWidth, kPreviewHeight);
  guchar *pixels = gdk_pixbuf_get_pixels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  for (int y = 0; y < kPreviewHeight; ++y)
    for (int x = 0; x < kPreviewWidth; ++x) {
      const guint8 *p = data + ((y % height) * width + (x % width)) * bpp;
      for (int c = 0; c < 3; ++c) pixels[y * stride + x * 3 + c] = bpp >= 3 ? p[c] : p[0];
    }
  return pixbuf;
}

void show_pixbuf(GtkWidget *image, GdkPixbuf *pixbuf) {
  if (!pixbuf) {
    gtk_image_clear(GTK_IMAGE(image));
    return;
  }
  gtk_image_set_from_pixbuf(GTK_IMAGE(image), pixbuf);
  g_object_unref(pixbuf);
}

// The button inside GIMP's brush select button: its text becomes "Stroke".
void relabel_brush_button(GtkWidget *widget, gpointer) {
  if (GTK_IS_BUTTON(widget))
    gtk_button_set_label(GTK_BUTTON(widget), _("Stroke"));
  else if (GTK_IS_CONTAINER(widget))
    gtk_container_foreach(GTK_CONTAINER(widget), relabel_brush_button, nullptr);
}

// ---- Style storage -----------------------------------------------------------

}  // namespace

void qv_style_editor_mark_dirty(gint32 image) {
  if (gimp_image_is_dirty(image)) return;
  gimp_image_undo_group_start(image);
  gimp_image_undo_group_end(image);
}

namespace {

std::string style_name(gint32 tattoo) { return kStylePrefix + std::to_string(tattoo); }

std::optional<std::string> stored_style(const QVStyleEditor &e) {
  if (e.tattoo < 1) return std::nullopt;
  const auto bytes = qv_image_parasite_bytes(e.image, style_name(e.tattoo).c_str());
  if (!bytes) return std::nullopt;
  return qv_style_text_from_bytes(reinterpret_cast<const char *>(bytes->data()), bytes->size());
}

void store_text(QVStyleEditor &e, const std::string &text) {
  const std::string name = style_name(e.tattoo);
  if (text.empty()) {
    qv_parasite_remove(e.image, name.c_str());
    e.style_copy.reset();
  } else {
    qv_parasite_attach(e.image, name.c_str(), GIMP_PARASITE_PERSISTENT, text.size() + 1,
                       text.c_str());
    e.style_copy = text;
  }
  qv_read_cache_parasites_changed();
  qv_style_editor_mark_dirty(e.image);
}

// The path and, when it is in a draw group, every other non-helper path of
// that group: paint mode and opacity act on all of them.
std::vector<std::string> group_paths(const QVStyleEditor &e) {
  const long group = qv_name_query_number(e.path, QV_NAME_GROUP);
  if (group <= 0) return {e.path};
  std::vector<std::string> paths;
  for (const auto &p : qv_path_list(e.image))
    if (qv_name_query_number(p.name, QV_NAME_GROUP) == group && !qv_name_is_helper_path(p.name))
      paths.push_back(p.name);
  return paths;
}

// The ESL of the path or its group, or -1.
gint32 esl_layer(const QVStyleEditor &e) {
  const long group = qv_name_query_number(e.path, QV_NAME_GROUP);
  const std::string name = qv_esl_name(group > 0 ? -group : e.tattoo);
  gint count = 0;
  for (gint32 layer : qv_take_array(gimp_image_get_layers(e.image, &count), count))
    if (qv_take_string(gimp_item_get_name(layer)) == name) return layer;
  return -1;
}

}  // namespace

// ---- Values ------------------------------------------------------------------

QVEditorValues qv_style_editor_values(const QVStyleEditor &e) {
  const QVStyleEditorWidgets &w = e.w;
  QVEditorValues v;
  v.mode_on = active(w.mode_check);
  for (const auto &[item, number] : w.mode_items)
    if (gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(item))) {
      v.mode = number;
      break;
    }
  v.opacity_on = active(w.opacity_check);
  v.opacity = value_of(w.opacity);
  v.stroke_on = active(w.stroke_check);
  GdkColor colour;
  gtk_color_button_get_color(GTK_COLOR_BUTTON(w.stroke_colour), &colour);
  v.stroke[0] = colour.red >> 8, v.stroke[1] = colour.green >> 8, v.stroke[2] = colour.blue >> 8;
  gdouble opacity = 100;
  gint spacing = 25;
  GimpLayerMode mode = GIMP_LAYER_MODE_NORMAL;
  v.stroke_brush = gimp_brush_select_button_get_brush(GIMP_BRUSH_SELECT_BUTTON(w.stroke_brush),
                                                      &opacity, &spacing, &mode);
  v.stroke_opacity = opacity;
  v.stroke_spacing = spacing;
  v.stroke_mode = static_cast<int>(mode);
  v.stroke_size = gtk_spin_button_get_value(GTK_SPIN_BUTTON(w.stroke_size));
  v.fill_on = active(w.fill_check);
  const gint fill_mode = gtk_combo_box_get_active(GTK_COMBO_BOX(w.fill_mode));
  v.fill_mode = qv_editor_fill_modes()[std::max(0, fill_mode)].number;
  v.fill_kind = active(w.with_pattern)    ? QVFillKind::pattern
                : active(w.with_gradient) ? QVFillKind::gradient
                                          : QVFillKind::color;
  rgb_bytes(e.foreground, v.fill);
  rgb_bytes(e.background, v.gradient_bg);
  v.pattern = e.pattern;
  v.gradient = e.gradient;
  v.gradient_inverse = active(w.gradient_inverse);
  v.gradient_form = std::max(0, gtk_combo_box_get_active(GTK_COMBO_BOX(w.gradient_form)));
  v.gradient_repeat = std::max(0, gtk_combo_box_get_active(GTK_COMBO_BOX(w.gradient_repeat)));
  v.gradient_offset = value_of(w.gradient_offset);
  v.dithering = active(w.dithering);
  v.supersampling = active(w.supersampling);
  v.supersampling_depth = gtk_spin_button_get_value(GTK_SPIN_BUTTON(w.depth));
  v.supersampling_threshold = gtk_spin_button_get_value(GTK_SPIN_BUTTON(w.threshold));
  v.fill_opacity = value_of(w.fill_opacity);
  v.feather = value_of(w.feather);
  v.font_name = e.font;
  return v;
}

namespace {

void show_mode(QVStyleEditor &e, int number) {
  for (const auto &[item, n] : e.w.mode_items)
    if (n == number) gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(item), TRUE);
  gtk_menu_item_set_label(GTK_MENU_ITEM(e.w.mode_item), _(qv_editor_mode_label(number)));
}

void show_context_previews(QVStyleEditor &e) {
  gimp_color_area_set_color(GIMP_COLOR_AREA(e.w.fg_area), &e.foreground);
  show_pixbuf(e.w.pattern_preview, pattern_pixbuf(e.pattern));
  show_pixbuf(e.w.gradient_preview, gradient_pixbuf(e.gradient));
}

void show_fill_block(QVStyleEditor &e) {
  const bool fill = active(e.w.fill_check);
  gtk_widget_set_visible(e.w.fill_block, fill);
  gtk_widget_set_sensitive(e.w.fill_mode, fill);
  gtk_widget_set_visible(e.w.gradient_box, fill && active(e.w.with_gradient));
  gtk_widget_set_visible(e.w.supersampling_box, active(e.w.supersampling));
  gtk_widget_set_sensitive(e.w.opacity, active(e.w.opacity_check));
  for (GtkWidget *stroke : {e.w.stroke_colour, e.w.stroke_brush, e.w.stroke_size})
    gtk_widget_set_sensitive(stroke, active(e.w.stroke_check));
}

// The context's values into the editor and GIMP's context (loading puts the
// fill into the context, whose values the fill widgets show).
void read_context(QVStyleEditor &e) {
  gimp_context_get_foreground(&e.foreground);
  gimp_context_get_background(&e.background);
  e.brush = qv_take_string(gimp_context_get_brush());
  gint spacing = 0;
  gimp_brush_get_spacing(e.brush.c_str(), &spacing);
  e.brush_spacing = spacing;
  e.pattern = qv_take_string(gimp_context_get_pattern());
  e.gradient = qv_take_string(gimp_context_get_gradient());
}

void values_into_widgets(QVStyleEditor &e, const QVEditorValues &v, gint32 esl) {
  QVStyleEditorWidgets &w = e.w;
  set_active(w.mode_check, v.mode_on);
  show_mode(e, v.mode_on ? v.mode : (esl > 0 ? static_cast<int>(gimp_layer_get_mode(esl)) : 0));
  set_active(w.opacity_check, v.opacity_on);
  gtk_range_set_value(GTK_RANGE(w.opacity),
                      v.opacity_on ? v.opacity : (esl > 0 ? gimp_layer_get_opacity(esl) : 100));
  e.opacity_value = value_of(w.opacity);

  set_active(w.stroke_check, v.stroke_on);
  GdkColor colour;
  if (v.stroke_on) {
    colour.red = static_cast<guint16>(v.stroke[0] * 257);
    colour.green = static_cast<guint16>(v.stroke[1] * 257);
    colour.blue = static_cast<guint16>(v.stroke[2] * 257);
  } else {
    colour.red = static_cast<guint16>(to_byte(e.foreground.r) * 257);
    colour.green = static_cast<guint16>(to_byte(e.foreground.g) * 257);
    colour.blue = static_cast<guint16>(to_byte(e.foreground.b) * 257);
  }
  gtk_color_button_set_color(GTK_COLOR_BUTTON(w.stroke_colour), &colour);
  if (v.stroke_on && !v.stroke_brush.empty())
    gimp_brush_select_button_set_brush(GIMP_BRUSH_SELECT_BUTTON(w.stroke_brush),
                                       v.stroke_brush.c_str(), v.stroke_opacity, v.stroke_spacing,
                                       static_cast<GimpLayerMode>(v.stroke_mode));
  else
    gimp_brush_select_button_set_brush(GIMP_BRUSH_SELECT_BUTTON(w.stroke_brush), e.brush.c_str(),
                                       100, e.brush_spacing, GIMP_LAYER_MODE_NORMAL);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(w.stroke_size), v.stroke_size);

  set_active(w.fill_check, v.fill_on);
  int fill_index = 0;
  const auto &modes = qv_editor_fill_modes();
  for (size_t i = 0; i < modes.size(); ++i)
    if (modes[i].number == v.fill_mode) fill_index = static_cast<int>(i);
  gtk_combo_box_set_active(GTK_COMBO_BOX(w.fill_mode), v.fill_on ? fill_index : 0);
  set_active(v.fill_kind == QVFillKind::pattern    ? w.with_pattern
             : v.fill_kind == QVFillKind::gradient ? w.with_gradient
                                                   : w.with_colour,
             true);
  set_active(w.gradient_inverse, v.gradient_inverse);
  gtk_combo_box_set_active(GTK_COMBO_BOX(w.gradient_form), v.gradient_form);
  gtk_combo_box_set_active(GTK_COMBO_BOX(w.gradient_repeat), v.gradient_repeat);
  gtk_range_set_value(GTK_RANGE(w.gradient_offset), v.gradient_offset);
  set_active(w.dithering, v.dithering);
  set_active(w.supersampling, v.supersampling);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(w.depth), v.supersampling_depth);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(w.threshold), v.supersampling_threshold);
  gtk_range_set_value(GTK_RANGE(w.fill_opacity), v.fill_opacity);
  gtk_range_set_value(GTK_RANGE(w.feather), v.feather);
  show_fill_block(e);
}

// Loading a fill puts it into GIMP's context, which the fill widgets show.
void fill_into_context(QVStyleEditor &e, const QVEditorValues &v, const std::string &style) {
  if (!v.fill_on) return;
  const QVStyleItems items = qv_style_split(style);
  if (qv_style_value(items, "fill: ") || qv_style_value(items, "gradient-fg: ")) {
    GimpRGB fg = rgb_of(v.fill);
    gimp_context_set_foreground(&fg);
  }
  if (v.fill_kind == QVFillKind::pattern && !v.pattern.empty())
    gimp_context_set_pattern(v.pattern.c_str());
  if (v.fill_kind == QVFillKind::gradient) {
    bool chosen = !v.gradient.empty() && gimp_context_set_gradient(v.gradient.c_str());
    if (!chosen && v.gradient_system_nr) {
      if (const auto name = qv_system_gradient(*v.gradient_system_nr))
        chosen = gimp_context_set_gradient(name->c_str());
    }
    const std::string now = qv_take_string(gimp_context_get_gradient());
    if (chosen && qv_gradient_system_number_of(now) && qv_style_value(items, "gradient-bg: ")) {
      GimpRGB bg = rgb_of(v.gradient_bg);
      gimp_context_set_background(&bg);
    }
  }
  read_context(e);
}

void show_nothing_to_edit(QVStyleEditor &e, const char *title) {
  e.tattoo = -1;
  e.path.clear();
  gtk_window_set_title(GTK_WINDOW(e.dialog.get()), title);
  gtk_widget_hide(e.w.menu_bar);
  gtk_widget_hide(e.w.body);
  gtk_widget_set_sensitive(e.w.draw, FALSE);
}

// The path a current path stands for: a helper's owner; none when a
// helper's owner is gone.
std::optional<std::string> edited_path(gint32 image, const std::string &current) {
  return qv_draw_resolve_path(image, current);
}

std::string title_text(std::string name) {
  for (char &c : name)
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  return name;
}

}  // namespace

void qv_style_editor_load(QVStyleEditor &e) {
  const QVEditorBusy busy(e);
  e.extras.clear();
  e.style_copy.reset();
  e.font.reset();
  if (!gimp_image_is_valid(e.image)) return;
  const auto paths = qv_path_list(e.image);
  if (paths.empty()) return show_nothing_to_edit(e, _("no Path!"));
  const auto current = qv_path_current(e.image);
  for (const auto &p : paths) gimp_item_set_linked(p.id, current && p.name == *current);
  const auto plain = std::count_if(paths.begin(), paths.end(), [](const QVPathEntry &p) {
    return !qv_name_is_helper_path(p.name);
  });
  gtk_widget_set_sensitive(e.w.in_between, plain >= 2);
  if (!current) return show_nothing_to_edit(e, _("no Path!"));
  const auto path = edited_path(e.image, *current);
  if (!path) return show_nothing_to_edit(e, _("No Path belongs to!"));
  e.path = *path;
  e.tattoo = qv_path_tattoo(e.image, path->c_str());
  qv_path_set_locked(e.image, path->c_str(), true);

  e.style_copy = stored_style(e);
  const std::string style = e.style_copy.value_or("");
  e.kind = qv_path_kind_from_name(e.path, qv_style_has_attribute(style, "image: "));
  gtk_widget_set_visible(e.w.image_item, e.kind == QV_PATH_KIND_IMAGE);
  gtk_widget_set_visible(e.w.extra_item, (e.kind & QV_PATH_KIND_KEYSPLINE) || e.kind == 0);
  gtk_widget_set_visible(e.w.font_item, e.kind != 0 && e.kind != QV_PATH_KIND_IMAGE &&
                                            !(e.kind & QV_PATH_KIND_KEYSPLINE));
  gtk_widget_show(e.w.menu_bar);
  gtk_widget_show(e.w.body);
  gtk_widget_set_sensitive(e.w.draw, TRUE);
  gtk_window_set_title(GTK_WINDOW(e.dialog.get()), title_text(e.path).c_str());

  const QVEditorLoad load = qv_editor_load(style);
  e.extras = load.extras;
  e.font = load.values.font_name;
  if (load.has_gradient_line) qv_helpers_sync_gradient(e.image, e.path.c_str(), 0);
  fill_into_context(e, load.values, style);
  show_context_previews(e);
  values_into_widgets(e, load.values, esl_layer(e));
  if (const auto rotation = qv_helpers_rotation_of(e.image, e.path.c_str()))
    qv_path_set_locked(e.image, rotation->c_str(), true);
}

void qv_style_editor_apply(QVStyleEditor &e, int mode) {
  if (e.busy > 0) return;
  if (mode == QV_APPLY_RELOCK) {
    if (!gtk_widget_get_sensitive(e.w.body)) {
      qv_rendering_flag(false);  // "Cancel": stops the render that runs
      return;
    }
    qv_style_editor_load(e);
    return;
  }
  if (e.tattoo < 1 || !gimp_image_is_valid(e.image)) return;
  const QVEditorBusy busy(e);
  // What is stored now may have changed under the editor (a script, the
  // helper paths): extensions and the rotation come from there.
  const std::string stored = stored_style(e).value_or(e.style_copy.value_or(""));
  QVEditorValues values = qv_style_editor_values(e);
  if (values.fill_kind == QVFillKind::gradient)
    values.gradient_system_nr = qv_gradient_system_number_of(values.gradient);
  store_text(e, qv_editor_style_text(values, stored, e.extras));
  show_fill_block(e);
  if (values.fill_on && values.fill_kind == QVFillKind::gradient)
    qv_helpers_sync_gradient(e.image, e.path.c_str(), 0);
  else if (!values.fill_on)
    qv_helpers_remove_gradient(e.image, e.path.c_str());
  if (mode != QV_APPLY_DRAW_ESL && mode != QV_APPLY_DRAW) return;
  qv_path_set_current(e.image, e.path.c_str());
  const bool was = qv_rendering_flag(true);
  qv_path_draw_current(e.image,
                       mode == QV_APPLY_DRAW_ESL ? QVDrawTarget::esl : QVDrawTarget::unset_esl,
                       qv_default_t());
  if (!was) qv_rendering_flag(false);
  qv_close_opened_images(0);
  gimp_displays_flush();
}

void qv_style_editor_set_mode(QVStyleEditor &e, int mode) {
  gtk_menu_item_set_label(GTK_MENU_ITEM(e.w.mode_item), _(qv_editor_mode_label(mode)));
  if (e.busy > 0 || e.tattoo < 1 || !active(e.w.mode_check)) return;
  const QVEditorBusy busy(e);
  for (const std::string &path : group_paths(e))
    qv_path_set_style_attribute(e.image, path.c_str(), {{"paintmode: ", std::to_string(mode)}});
  e.style_copy = stored_style(e);
  const gint32 esl = esl_layer(e);
  if (esl > 0) gimp_layer_set_mode(esl, static_cast<GimpLayerMode>(mode));
  e.last_mode = mode;
  qv_style_editor_mark_dirty(e.image);
  gimp_displays_flush();
}

void qv_style_editor_set_opacity(QVStyleEditor &e, double opacity) {
  if (e.busy > 0 || e.tattoo < 1 || !active(e.w.opacity_check)) return;
  const QVEditorBusy busy(e);
  for (const std::string &path : group_paths(e)) {
    const auto style = qv_path_get_style_text(e.image, path.c_str(), nullptr).value_or("");
    const std::string old = qv_style_value(qv_style_split(style), "opacity: ").value_or("");
    qv_path_set_style_attribute(
        e.image, path.c_str(),
        {{"opacity: ", qv_format("%0.1f", opacity) + qv_value_extension(old)}});
  }
  e.style_copy = stored_style(e);
  const gint32 esl = esl_layer(e);
  if (esl > 0) gimp_layer_set_opacity(esl, opacity);
  e.opacity_value = opacity;
  qv_style_editor_mark_dirty(e.image);
  gimp_displays_flush();
}

// ---- Timer -------------------------------------------------------------------

namespace {

std::vector<gint32> open_images() {
  gint count = 0;
  return qv_take_array(gimp_image_list(&count), count);
}

void rebuild_image_combo(QVStyleEditor &e);

void switch_image(QVStyleEditor &e, gint32 image) {
  if (gimp_image_is_valid(e.image) && !e.path.empty()) {
    qv_path_set_current(e.image, e.path.c_str());
    qv_path_set_locked(e.image, e.path.c_str(), false);
  }
  e.image = image;
  e.tattoo = -1;
  {
    const QVEditorBusy busy(e);
    gimp_int_combo_box_set_active(GIMP_INT_COMBO_BOX(e.w.image_combo), image);
  }
  qv_style_editor_load(e);
  qv_style_editor_write_marker(image);
  const std::string name = qv_take_string(gimp_image_get_name(image));
  const std::string title = qv_format("[%d] %s", image, name.c_str());
  gtk_label_set_text(GTK_LABEL(e.w.status), title.c_str());
  if (e.tattoo < 1) gtk_window_set_title(GTK_WINDOW(e.dialog.get()), title.c_str());
  gtk_window_present(GTK_WINDOW(e.dialog.get()));
}

// Rendering: the body waits, and "Relock" becomes "Cancel" in extra mode.
bool follow_rendering(QVStyleEditor &e) {
  if (qv_rendering_in_progress()) {
    if (!e.rendering_shown) {
      e.rendering_shown = true;
      gtk_widget_set_sensitive(e.w.body, FALSE);
      if (qv_take_string(gimp_gimprc_query("qv-menu")) == "extra")
        gtk_button_set_label(GTK_BUTTON(e.w.relock), _("Cancel"));
      else
        gtk_widget_set_sensitive(e.w.relock, FALSE);
    }
    return true;
  }
  if (e.rendering_shown) {
    e.rendering_shown = false;
    gtk_button_set_label(GTK_BUTTON(e.w.relock), _("Relock"));
    gtk_widget_set_sensitive(e.w.relock, TRUE);
    gtk_widget_set_sensitive(e.w.body, TRUE);
  }
  return false;
}

// Another call's request, the image list and a closed image. False when
// the tick ends here.
bool follow_images(QVStyleEditor &e) {
  const auto marker = qv_style_editor_read_marker();
  if (!marker) {
    qv_style_editor_write_marker(e.image);
    return false;
  }
  const auto images = open_images();
  if (images.empty()) return false;
  if (images != e.images) {
    rebuild_image_combo(e);
    if (std::find(images.begin(), images.end(), e.image) == images.end()) {
      switch_image(e, images.back());
      return false;
    }
  }
  if (*marker != e.image && *marker != 0) {
    const gint32 wanted = std::abs(*marker);
    if (gimp_image_is_valid(wanted)) {
      switch_image(e, wanted);
      return false;
    }
    qv_style_editor_write_marker(e.image);
  }
  return true;
}

// The ESL's mode and opacity, and GIMP's context: a change shows in the
// widgets; a new gradient is stored at once.
void follow_context(QVStyleEditor &e) {
  const gint32 active_layer = gimp_image_get_active_layer(e.image);
  const long owner = active_layer > 0 && qv_layer_is_esl(active_layer)
                         ? qv_name_query_number(qv_take_string(gimp_item_get_name(active_layer)),
                                                QV_NAME_ESL_TATTOO)
                         : 0;
  if (owner > 0 && owner == e.tattoo) {
    const double opacity = gimp_layer_get_opacity(active_layer);
    const int mode = static_cast<int>(gimp_layer_get_mode(active_layer));
    const QVEditorBusy busy(e);
    if (std::abs(opacity - e.opacity_value) > 0.05) {
      gtk_range_set_value(GTK_RANGE(e.w.opacity), opacity);
      e.opacity_value = opacity;
    }
    if (mode != e.last_mode) {
      show_mode(e, mode);
      e.last_mode = mode;
    }
  }
  GimpRGB fg, bg;
  gimp_context_get_foreground(&fg);
  gimp_context_get_background(&bg);
  const std::string brush = qv_take_string(gimp_context_get_brush());
  gint spacing = 0;
  gimp_brush_get_spacing(brush.c_str(), &spacing);
  const std::string pattern = qv_take_string(gimp_context_get_pattern());
  const std::string gradient = qv_take_string(gimp_context_get_gradient());
  bool changed = false, store = false;
  if (!same_rgb(fg, e.foreground) || !same_rgb(bg, e.background)) {
    changed = true;
    store = active(e.w.fill_check) && !active(e.w.with_pattern);
  }
  if (brush != e.brush || spacing != e.brush_spacing) changed = true;
  if (pattern != e.pattern) changed = true, store = store || active(e.w.with_pattern);
  if (gradient != e.gradient) changed = true, store = true;
  if (!changed) return;
  const bool stroke = active(e.w.stroke_check);
  read_context(e);
  {
    const QVEditorBusy busy(e);
    show_context_previews(e);
    if (!stroke) {
      GdkColor colour;
      colour.red = static_cast<guint16>(to_byte(fg.r) * 257);
      colour.green = static_cast<guint16>(to_byte(fg.g) * 257);
      colour.blue = static_cast<guint16>(to_byte(fg.b) * 257);
      gtk_color_button_set_color(GTK_COLOR_BUTTON(e.w.stroke_colour), &colour);
      gimp_brush_select_button_set_brush(GIMP_BRUSH_SELECT_BUTTON(e.w.stroke_brush),
                                         e.brush.c_str(), 100, e.brush_spacing,
                                         GIMP_LAYER_MODE_NORMAL);
    }
  }
  // The artist sees the new colour at once where the path has its ESL.
  if (store && e.tattoo > 0)
    qv_style_editor_apply(e, esl_layer(e) > 0 ? QV_APPLY_DRAW_ESL : QV_APPLY_STORE);
}

void follow_path(QVStyleEditor &e) {
  const auto current = qv_path_current(e.image);
  if (!current) {
    if (e.tattoo != -1 || qv_path_count(e.image) == 0) {
      e.tattoo = -1;
      qv_style_editor_load(e);
    }
    return;
  }
  const auto path = edited_path(e.image, *current);
  if (path && *path == e.path && qv_path_tattoo(e.image, path->c_str()) == e.tattoo) return;
  gtk_label_set_text(GTK_LABEL(e.w.status),
                     qv_name_query_number(*current, QV_NAME_GRADIENT_TATTOO) > 0
                         ? _("Gradient for another path!")
                         : _("path has changed!"));
  qv_style_editor_load(e);
}

// "Font(size)[width|height]" or "Image[width|height]" from the path's points.
void refresh_menu_label(QVStyleEditor &e) {
  if (e.tattoo < 1) return;
  const auto style = qv_style_split(e.style_copy.value_or(""));
  const double font_size = qv_parse_number(qv_style_value(style, "font-size: ").value_or("0"));
  const std::vector<double> points = qv_path_read_points(e.image, e.path.c_str(), nullptr).points;
  auto at = [&](size_t point, int axis) { return points[point * 3 + axis]; };
  const bool frame = points.size() > 14;
  const double width = frame ? at(3, 0) - at(0, 0) : 0, height = frame ? at(3, 1) - at(0, 1) : 0;
  std::string label;
  if (gtk_widget_get_visible(e.w.font_item)) {
    if (e.kind & QV_PATH_KIND_BRACKET) {
      const double size = font_size > 0        ? font_size
                          : points.size() > 32 ? std::abs(at(9, 1) - at(6, 1))
                                               : 0;
      label = qv_format("%s(%0.0f)[%0.0f|%0.0f]", _("Font"), size, width, height);
    } else {
      const double size = font_size > 0 ? font_size : frame ? std::abs(at(3, 1) - at(0, 1)) : 0;
      label = qv_format("%s(%0.0f)", _("Fontsize"), size);
    }
    gtk_menu_item_set_label(GTK_MENU_ITEM(e.w.font_item), label.c_str());
  } else if (gtk_widget_get_visible(e.w.image_item)) {
    gtk_menu_item_set_label(GTK_MENU_ITEM(e.w.image_item),
                            qv_format("%s[%0.0f|%0.0f]", _("Image"), width, height).c_str());
  }
}

}  // namespace

void qv_style_editor_tick(QVStyleEditor &e) {
  if (e.busy > 0) return;
  if (follow_rendering(e)) return;
  if (!follow_images(e)) return;
  refresh_menu_label(e);
  follow_context(e);
  follow_path(e);
}

// ---- Style clipboard, default t ----------------------------------------------

bool qv_style_editor_copy_style(QVStyleEditor &e) {
  if (e.tattoo < 1 || !e.style_copy) return false;
  return qv_clipboard_text_put(qv_style_clipboard_text(e.tattoo, *e.style_copy));
}

bool qv_style_editor_paste_style(QVStyleEditor &e) {
  if (e.tattoo < 1) return false;
  const auto text = qv_clipboard_text_get();
  const auto read = text ? qv_style_from_clipboard_text(*text) : std::nullopt;
  if (!read || read->parasite.rfind(kStylePrefix, 0) != 0) return false;
  {
    const QVEditorBusy busy(e);
    store_text(e, read->style);
  }
  qv_style_editor_load(e);
  return true;
}

void qv_style_editor_set_default_t(QVStyleEditor &e, const std::string &answer) {
  const std::string t = qv_default_t_text(answer);
  gimp_gimprc_set("qv-default-t", t.c_str());
  gtk_menu_item_set_label(GTK_MENU_ITEM(e.w.default_t),
                          (std::string(_("Default t = ")) + t).c_str());
}

void qv_style_editor_refresh_edit_menu(QVStyleEditor &e) {
  const auto text = qv_clipboard_text_get();
  const auto style = text ? qv_style_from_clipboard_text(*text) : std::nullopt;
  gtk_widget_set_sensitive(e.w.paste_style, style && style->parasite.rfind(kStylePrefix, 0) == 0);
  gtk_widget_set_sensitive(e.w.paste_path, qv_clipboard_holds_paths());
  const std::string name = qv_take_string(gimp_image_get_name(e.image));
  if (name != e.last_image_name) {
    e.last_image_name = name;
    gtk_menu_item_set_label(GTK_MENU_ITEM(e.w.save),
                            qv_format("%s '%s'", _("Save"), name.c_str()).c_str());
  }
  qv_default_t();  // creates "qv-default-t" when missing
  const std::string t = qv_take_string(gimp_gimprc_query("qv-default-t"));
  gtk_menu_item_set_label(GTK_MENU_ITEM(e.w.default_t),
                          (std::string(_("Default t = ")) + t).c_str());
}

// ---- Window ------------------------------------------------------------------

namespace {

QVStyleEditor &editor_of(gpointer data) { return *static_cast<QVStyleEditor *>(data); }

void on_store(GtkWidget *, gpointer data) {
  qv_style_editor_apply(editor_of(data), QV_APPLY_STORE);
}

void on_toggle_store(GtkToggleButton *, gpointer data) {
  QVStyleEditor &e = editor_of(data);
  if (e.busy > 0) return;
  show_fill_block(e);
  qv_style_editor_apply(e, QV_APPLY_STORE);
}

void on_brush_set(GimpBrushSelectButton *, const gchar *, gdouble, gint, GimpLayerMode, gint, gint,
                  const guchar *, gboolean, gpointer data) {
  qv_style_editor_apply(editor_of(data), QV_APPLY_STORE);
}

void on_mode_item(GtkCheckMenuItem *item, gpointer data) {
  QVStyleEditor &e = editor_of(data);
  if (!gtk_check_menu_item_get_active(item)) return;
  for (const auto &[widget, number] : e.w.mode_items)
    if (widget == GTK_WIDGET(item)) qv_style_editor_set_mode(e, number);
}

void on_mode_check(GtkToggleButton *, gpointer data) {
  QVStyleEditor &e = editor_of(data);
  if (e.busy > 0) return;
  qv_style_editor_apply(e, QV_APPLY_STORE);
}

void on_opacity_check(GtkToggleButton *, gpointer data) {
  QVStyleEditor &e = editor_of(data);
  gtk_widget_set_sensitive(e.w.opacity, active(e.w.opacity_check));
  if (e.busy > 0) return;
  qv_style_editor_apply(e, QV_APPLY_STORE);
}

void on_opacity(GtkRange *range, gpointer data) {
  qv_style_editor_set_opacity(editor_of(data), gtk_range_get_value(range));
}

void on_image_chosen(GtkComboBox *combo, gpointer data) {
  QVStyleEditor &e = editor_of(data);
  if (e.busy > 0) return;
  gint image = -1;
  if (!gimp_int_combo_box_get_active(GIMP_INT_COMBO_BOX(combo), &image) || image == e.image) return;
  switch_image(e, image);
}

void rebuild_image_combo(QVStyleEditor &e) {
  const QVEditorBusy busy(e);
  GtkWidget *parent = gtk_widget_get_parent(e.w.image_combo);
  gtk_widget_destroy(e.w.image_combo);
  e.w.image_combo = gimp_image_combo_box_new(nullptr, nullptr);
  gtk_widget_set_size_request(e.w.image_combo, 100, -1);
  gimp_int_combo_box_set_active(GIMP_INT_COMBO_BOX(e.w.image_combo), e.image);
  g_signal_connect(e.w.image_combo, "changed", G_CALLBACK(on_image_chosen), &e);
  gtk_box_pack_start(GTK_BOX(parent), e.w.image_combo, FALSE, FALSE, 0);
  gtk_box_reorder_child(GTK_BOX(parent), e.w.image_combo, 1);
  gtk_widget_show(e.w.image_combo);
  e.images = open_images();
}

// The mode menu bar: one item named after the mode, its submenu the radio
// items. "Behind" and "Color erase" belong to the group without showing.
GtkWidget *mode_menu_bar(QVStyleEditor &e) {
  GtkWidget *bar = gtk_menu_bar_new();
  e.w.mode_item = gtk_menu_item_new_with_label(_("Normal"));
  GtkWidget *menu = gtk_menu_new();
  GSList *group = nullptr;
  auto add = [&](const char *label, int number, bool shown) {
    GtkWidget *item = gtk_radio_menu_item_new_with_label(group, _(label));
    group = gtk_radio_menu_item_get_group(GTK_RADIO_MENU_ITEM(item));
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
    if (!shown) gtk_widget_set_no_show_all(item, TRUE);
    e.w.mode_items.push_back({item, number});
  };
  for (const QVPaintModeItem &mode : qv_editor_mode_menu()) {
    if (mode.number < 0)
      gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_separator_menu_item_new());
    else
      add(mode.label, mode.number, true);
  }
  add("Behind", 2, false);
  add("Color erase", 22, false);
  for (const auto &[item, number] : e.w.mode_items)
    g_signal_connect(item, "toggled", G_CALLBACK(on_mode_item), &e);
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(e.w.mode_item), menu);
  gtk_menu_shell_append(GTK_MENU_SHELL(bar), e.w.mode_item);
  return bar;
}

// A part that load and the toggles show or hide: its children are shown
// now, the part itself only on demand (show_all of the window skips it).
void shown_on_demand(GtkWidget *part) {
  gtk_widget_show_all(part);
  gtk_widget_hide(part);
  gtk_widget_set_no_show_all(part, TRUE);
}

GtkWidget *combo_of(const char *const *labels, int count) {
  GtkWidget *combo = gtk_combo_box_text_new();
  for (int i = 0; i < count; ++i)
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), _(labels[i]));
  gtk_combo_box_set_active(GTK_COMBO_BOX(combo), 0);
  return combo;
}

GtkWidget *fill_block(QVStyleEditor &e) {
  QVStyleEditorWidgets &w = e.w;
  GtkWidget *box = gtk_vbox_new(FALSE, 4);
  w.with_colour = gtk_radio_button_new_with_label(nullptr, _("... with FG-Color"));
  w.with_pattern = gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(w.with_colour),
                                                               _("... with Pattern"));
  w.with_gradient = gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(w.with_colour),
                                                                _("... with Gradient"));
  w.fg_area =
      gimp_color_area_new(&e.foreground, GIMP_COLOR_AREA_FLAT, static_cast<GdkModifierType>(0));
  gtk_widget_set_size_request(w.fg_area, kPreviewWidth, kPreviewHeight);
  w.pattern_preview = gtk_image_new();
  w.gradient_preview = gtk_image_new();
  GtkWidget *kinds = gtk_table_new(3, 2, FALSE);
  int row_index = 0;
  for (auto [radio, preview] :
       {std::pair{w.with_colour, w.fg_area}, std::pair{w.with_pattern, w.pattern_preview},
        std::pair{w.with_gradient, w.gradient_preview}}) {
    gtk_table_attach(GTK_TABLE(kinds), radio, 0, 1, row_index, row_index + 1, GTK_FILL, GTK_FILL, 2,
                     2);
    gtk_table_attach(GTK_TABLE(kinds), preview, 1, 2, row_index, row_index + 1, GTK_FILL, GTK_FILL,
                     2, 2);
    ++row_index;
  }
  gtk_box_pack_start(GTK_BOX(box), kinds, FALSE, FALSE, 0);

  w.gradient_box = gtk_vbox_new(FALSE, 4);
  w.gradient_inverse = gtk_check_button_new_with_label(_("Gradient inverse"));
  w.gradient_form = combo_of(QV_GRADIENT_FORMS, 11);
  w.gradient_repeat = combo_of(QV_GRADIENT_REPEATS, 3);
  w.gradient_offset = scale(100, 1, 5);
  w.dithering = gtk_check_button_new_with_label(_("Dithering"));
  w.supersampling = gtk_check_button_new_with_label(_("Supersampling"));
  w.depth = gtk_spin_button_new_with_range(1, 6, 1);
  gtk_spin_button_set_increments(GTK_SPIN_BUTTON(w.depth), 1, 2);
  w.threshold = gtk_spin_button_new_with_range(0, 4, 0.01);
  gtk_spin_button_set_increments(GTK_SPIN_BUTTON(w.threshold), 0.01, 0.1);
  gtk_spin_button_set_digits(GTK_SPIN_BUTTON(w.threshold), 2);
  w.supersampling_box =
      row({gtk_label_new(_("Depth:")), w.depth, gtk_label_new(_("Treshold:")), w.threshold});
  shown_on_demand(w.supersampling_box);
  for (GtkWidget *child : {w.gradient_inverse, row({w.gradient_form, w.gradient_repeat}),
                           labelled(_("Offset: "), w.gradient_offset),
                           row({w.dithering, w.supersampling}), w.supersampling_box})
    gtk_box_pack_start(GTK_BOX(w.gradient_box), child, FALSE, FALSE, 0);
  shown_on_demand(w.gradient_box);
  gtk_box_pack_start(GTK_BOX(box), w.gradient_box, FALSE, FALSE, 0);

  w.fill_opacity = scale(100, 1, 5);
  w.feather = scale(100, 1, 5);
  gtk_box_pack_start(GTK_BOX(box), labelled(_("Opacity: "), w.fill_opacity), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), labelled(_("Feather: "), w.feather), FALSE, FALSE, 0);
  return box;
}

void connect_values(QVStyleEditor &e) {
  QVStyleEditorWidgets &w = e.w;
  for (GtkWidget *toggle : {w.stroke_check, w.fill_check, w.gradient_inverse, w.dithering,
                            w.supersampling, w.with_colour, w.with_pattern, w.with_gradient})
    g_signal_connect_after(toggle, "toggled", G_CALLBACK(on_toggle_store), &e);
  for (GtkWidget *combo : {w.fill_mode, w.gradient_form, w.gradient_repeat})
    g_signal_connect_after(combo, "changed", G_CALLBACK(on_store), &e);
  for (GtkWidget *range : {w.fill_opacity, w.feather, w.gradient_offset})
    g_signal_connect_after(range, "value-changed", G_CALLBACK(on_store), &e);
  for (GtkWidget *spin : {w.depth, w.threshold, w.stroke_size})
    g_signal_connect_after(spin, "value-changed", G_CALLBACK(on_store), &e);
  g_signal_connect_after(w.stroke_colour, "color-set", G_CALLBACK(on_store), &e);
  g_signal_connect_after(w.stroke_brush, "brush-set", G_CALLBACK(on_brush_set), &e);
  g_signal_connect(w.mode_check, "toggled", G_CALLBACK(on_mode_check), &e);
  g_signal_connect(w.opacity_check, "toggled", G_CALLBACK(on_opacity_check), &e);
  g_signal_connect(w.opacity, "value-changed", G_CALLBACK(on_opacity), &e);
}

GtkWidget *body(QVStyleEditor &e) {
  QVStyleEditorWidgets &w = e.w;
  GtkWidget *box = gtk_vbox_new(FALSE, 6);
  w.mode_check = gtk_check_button_new_with_label(_("Mode:"));
  gtk_box_pack_start(GTK_BOX(box), row({w.mode_check, mode_menu_bar(e)}), FALSE, FALSE, 0);
  w.opacity_check = gtk_check_button_new_with_label(_("Opacity:"));
  w.opacity = scale(100, 1, 5);
  GtkWidget *opacity_row = gtk_hbox_new(FALSE, 6);
  gtk_box_pack_start(GTK_BOX(opacity_row), w.opacity_check, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(opacity_row), w.opacity, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(box), opacity_row, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), gtk_hseparator_new(), FALSE, FALSE, 0);

  w.stroke_check = gtk_check_button_new();
  w.stroke_colour = gtk_color_button_new();
  w.stroke_brush = gimp_brush_select_button_new(_("Select Brush!"), e.brush.c_str(), 100, 25,
                                                GIMP_LAYER_MODE_NORMAL);
  gtk_container_foreach(GTK_CONTAINER(w.stroke_brush), relabel_brush_button, nullptr);
  w.stroke_size = gtk_spin_button_new_with_range(0, 10000, 1);
  gtk_spin_button_set_digits(GTK_SPIN_BUTTON(w.stroke_size), 1);
  gtk_widget_set_tooltip_text(w.stroke_size, _("Brush size in pixels; 0: the brush's own size"));
  gtk_box_pack_start(GTK_BOX(box),
                     row({w.stroke_check, w.stroke_colour, w.stroke_brush,
                          gtk_label_new(_("Size:")), w.stroke_size}),
                     FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), gtk_hseparator_new(), FALSE, FALSE, 0);

  w.fill_check = gtk_check_button_new_with_label(_("Fill"));
  w.fill_mode = gtk_combo_box_text_new();
  for (const QVPaintModeItem &mode : qv_editor_fill_modes())
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(w.fill_mode), _(mode.label));
  gtk_combo_box_set_active(GTK_COMBO_BOX(w.fill_mode), 0);
  gtk_box_pack_start(GTK_BOX(box), row({w.fill_check, w.fill_mode}), FALSE, FALSE, 0);
  w.fill_block = fill_block(e);
  shown_on_demand(w.fill_block);
  gtk_box_pack_start(GTK_BOX(box), w.fill_block, FALSE, FALSE, 0);
  return box;
}

// ---- "Edit" menu ---------------------------------------------------------------

void on_default_t(GtkMenuItem *, gpointer data) {
  QVStyleEditor &e = editor_of(data);
  const QVEditorBusy busy(e);
  const std::string now = qv_take_string(gimp_gimprc_query("qv-default-t"));
  if (const auto answer = qv_dialog_prompt(GTK_WINDOW(e.dialog.get()), _("Set default t!"),
                                           _("Please enter default t:"), now.c_str()))
    qv_style_editor_set_default_t(e, *answer);
}

void on_draw(GtkMenuItem *, gpointer data) {
  qv_style_editor_apply(editor_of(data), QV_APPLY_DRAW);
}
void on_draw_esl(GtkMenuItem *, gpointer data) {
  qv_style_editor_apply(editor_of(data), QV_APPLY_DRAW_ESL);
}

void on_remove_esl(GtkMenuItem *, gpointer data) {
  QVStyleEditor &e = editor_of(data);
  const QVUndoGroup undo(e.image);
  qv_esl_remove_all(e.image);
  gimp_displays_flush();
}

void on_duplicate(GtkMenuItem *, gpointer data) {
  QVStyleEditor &e = editor_of(data);
  if (e.tattoo < 1) return;
  {
    const QVEditorBusy busy(e);
    qv_path_new_inbetween(e.image, e.path.c_str(), "", 0, nullptr, e.image, nullptr);
  }
  qv_style_editor_load(e);
}

void on_cut_path(GtkMenuItem *, gpointer data) {
  QVStyleEditor &e = editor_of(data);
  if (e.tattoo < 1) return;
  {
    const QVEditorBusy busy(e);
    qv_path_set_current(e.image, e.path.c_str());
    qv_paths_copy(e.image, QV_COPY_DELETE);
  }
  qv_style_editor_load(e);
}

void on_copy_path(GtkMenuItem *, gpointer data) {
  QVStyleEditor &e = editor_of(data);
  if (e.tattoo < 1) return;
  const QVEditorBusy busy(e);
  const auto before = qv_path_current(e.image);
  qv_path_set_current(e.image, e.path.c_str());
  qv_paths_copy(e.image, 0);
  if (before) qv_path_set_current(e.image, before->c_str());
}

void on_paste_path(GtkMenuItem *, gpointer data) {
  QVStyleEditor &e = editor_of(data);
  {
    const QVEditorBusy busy(e);
    qv_paths_paste(e.image, 0);
  }
  qv_style_editor_load(e);
}

void on_copy_style(GtkMenuItem *, gpointer data) { qv_style_editor_copy_style(editor_of(data)); }
void on_paste_style(GtkMenuItem *, gpointer data) { qv_style_editor_paste_style(editor_of(data)); }

void on_in_between(GtkMenuItem *, gpointer data);

void on_always_on_top(GtkCheckMenuItem *item, gpointer data) {
  QVStyleEditor &e = editor_of(data);
  e.keep_above = gtk_check_menu_item_get_active(item);
  gtk_window_set_keep_above(GTK_WINDOW(e.dialog.get()), e.keep_above);
}

void on_save(GtkMenuItem *, gpointer data) {
  QVStyleEditor &e = editor_of(data);
  const QVEditorBusy busy(e);
  std::string file = qv_take_string(gimp_image_get_filename(e.image));
  if (file.empty()) {
    QVWidgetHolder chooser(gtk_file_chooser_dialog_new(
        _("Save Image"), GTK_WINDOW(e.dialog.get()), GTK_FILE_CHOOSER_ACTION_SAVE, _("Cancel"),
        GTK_RESPONSE_CANCEL, _("Save"), GTK_RESPONSE_OK, nullptr));
    g_object_ref(chooser.get());
    gtk_file_chooser_set_do_overwrite_confirmation(GTK_FILE_CHOOSER(chooser.get()), TRUE);
    gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser.get()), "Untitled.xcf");
    if (gtk_dialog_run(GTK_DIALOG(chooser.get())) != GTK_RESPONSE_OK) return;
    file = qv_take_string(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser.get())));
    if (file.empty()) return;
  }
  if (gimp_file_save(GIMP_RUN_NONINTERACTIVE, e.image, gimp_image_get_active_drawable(e.image),
                     file.c_str(), file.c_str())) {
    gimp_image_set_filename(e.image, file.c_str());
    gimp_image_clean_all(e.image);
  }
}

void on_edit_menu_shown(GtkWidget *, gpointer data) {
  qv_style_editor_refresh_edit_menu(editor_of(data));
}

GtkWidget *menu_entry(GtkWidget *menu, const char *label, GCallback handler, QVStyleEditor &e,
                      const char *accel = nullptr, guint key = 0,
                      GdkModifierType mods = GdkModifierType(0)) {
  GtkWidget *item = gtk_menu_item_new_with_label(label);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
  g_signal_connect(item, "activate", handler, &e);
  if (accel) {
    const std::string path = std::string(kAccelPrefix) + accel;
    gtk_menu_item_set_accel_path(GTK_MENU_ITEM(item), path.c_str());
    gtk_accel_map_change_entry(path.c_str(), key, mods, TRUE);
  }
  return item;
}

void separator(GtkWidget *menu) {
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_separator_menu_item_new());
}

GtkWidget *edit_menu(QVStyleEditor &e, GtkAccelGroup *accel) {
  QVStyleEditorWidgets &w = e.w;
  GtkWidget *menu = gtk_menu_new();
  gtk_menu_set_accel_group(GTK_MENU(menu), accel);
  const auto ctrl = GDK_CONTROL_MASK;
  w.default_t = menu_entry(menu, _("Default t = "), G_CALLBACK(on_default_t), e);
  menu_entry(menu, _("Draw Path"), G_CALLBACK(on_draw), e, "Draw Path", GDK_KEY_d,
             GdkModifierType(ctrl | GDK_SHIFT_MASK));
  menu_entry(menu, _("Draw Path on ۞ ESL"), G_CALLBACK(on_draw_esl), e, "Draw Path temp", GDK_KEY_d,
             ctrl);
  menu_entry(menu, _("Remove all ۞ ESL"), G_CALLBACK(on_remove_esl), e, "Remove all ESL",
             GDK_KEY_space, ctrl);
  separator(menu);
  menu_entry(menu, _("Duplicate Path+"), G_CALLBACK(on_duplicate), e);
  menu_entry(menu, _("Cut Path"), G_CALLBACK(on_cut_path), e, "Cut Path", GDK_KEY_x, ctrl);
  menu_entry(menu, _("Copy Path"), G_CALLBACK(on_copy_path), e, "Copy Path", GDK_KEY_c, ctrl);
  w.paste_path = menu_entry(menu, _("Paste Path"), G_CALLBACK(on_paste_path), e, "Paste Path",
                            GDK_KEY_v, ctrl);
  separator(menu);
  menu_entry(menu, _("Copy Style"), G_CALLBACK(on_copy_style), e);
  w.paste_style = menu_entry(menu, _("Paste Style"), G_CALLBACK(on_paste_style), e);
  for (auto [item, label] :
       {std::pair{&w.set_css, _("Set CSS")}, std::pair{&w.store_css, _("Store CSS")},
        std::pair{&w.remove_css, _("Remove CSS")}}) {
    *item = gtk_menu_item_new_with_label(label);
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(*item), gtk_menu_new());
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), *item);
  }
  separator(menu);
  w.in_between = menu_entry(menu, _("Path in between"), G_CALLBACK(on_in_between), e);
  separator(menu);
  w.always_on_top = gtk_check_menu_item_new_with_label(_("Always on Top!"));
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), w.always_on_top);
  g_signal_connect(w.always_on_top, "toggled", G_CALLBACK(on_always_on_top), &e);
  separator(menu);
  w.save = menu_entry(menu, _("Save"), G_CALLBACK(on_save), e, "Save Image-File", GDK_KEY_s, ctrl);
  g_signal_connect(menu, "show", G_CALLBACK(on_edit_menu_shown), &e);
  return menu;
}

GtkWidget *menu_bar(QVStyleEditor &e, GtkAccelGroup *accel) {
  QVStyleEditorWidgets &w = e.w;
  GtkWidget *bar = gtk_menu_bar_new();
  GtkWidget *edit = gtk_menu_item_new_with_label(_("Edit"));
  w.edit_menu = edit_menu(e, accel);
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(edit), w.edit_menu);
  gtk_menu_shell_append(GTK_MENU_SHELL(bar), edit);
  w.font_item = gtk_menu_item_new_with_label(_("Font"));
  w.image_item = gtk_menu_item_new_with_label(_("Image"));
  w.extra_item = gtk_menu_item_new_with_label(_("Extra"));
  for (GtkWidget *item : {w.font_item, w.image_item, w.extra_item}) {
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), gtk_menu_new());
    gtk_widget_set_no_show_all(item, TRUE);
    gtk_menu_shell_append(GTK_MENU_SHELL(bar), item);
  }
  return bar;
}

void on_response(GtkDialog *, gint response, gpointer data) {
  QVStyleEditor &e = editor_of(data);
  if (response == QV_EDITOR_RESPONSE_DRAW)
    qv_style_editor_apply(e, QV_APPLY_DRAW_ESL);
  else if (response == QV_EDITOR_RESPONSE_RELOCK)
    qv_style_editor_apply(e, QV_APPLY_RELOCK);
}

}  // namespace

std::unique_ptr<QVStyleEditor> qv_style_editor_build(gint32 image) {
  auto editor = std::make_unique<QVStyleEditor>();
  QVStyleEditor &e = *editor;
  e.image = image;
  read_context(e);
  QVStyleEditorWidgets &w = e.w;
  e.dialog.reset(gtk_dialog_new_with_buttons(_("Edit Path-Style"), nullptr, GtkDialogFlags(0),
                                             nullptr, nullptr));
  g_object_ref(e.dialog.get());
  GtkWidget *dialog = e.dialog.get();
  gtk_window_set_type_hint(GTK_WINDOW(dialog), GDK_WINDOW_TYPE_HINT_NORMAL);
  w.relock = gtk_dialog_add_button(GTK_DIALOG(dialog), _("Relock"), QV_EDITOR_RESPONSE_RELOCK);
  w.draw = gtk_dialog_add_button(GTK_DIALOG(dialog), _("Draw on ۞ ESL"), QV_EDITOR_RESPONSE_DRAW);
  gtk_widget_set_no_show_all(w.draw, TRUE);
  GtkAccelGroup *accel = gtk_accel_group_new();
  gtk_window_add_accel_group(GTK_WINDOW(dialog), accel);
  g_object_unref(accel);

  GtkWidget *content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  gtk_container_set_border_width(GTK_CONTAINER(content), 6);
  gtk_box_set_spacing(GTK_BOX(content), 6);
  w.menu_bar = menu_bar(e, accel);
  gtk_box_pack_start(GTK_BOX(content), w.menu_bar, FALSE, FALSE, 0);
  w.image_combo = gimp_image_combo_box_new(nullptr, nullptr);
  gtk_widget_set_size_request(w.image_combo, 100, -1);
  gimp_int_combo_box_set_active(GIMP_INT_COMBO_BOX(w.image_combo), image);
  g_signal_connect(w.image_combo, "changed", G_CALLBACK(on_image_chosen), &e);
  gtk_box_pack_start(GTK_BOX(content), w.image_combo, FALSE, FALSE, 0);
  w.body = body(e);
  gtk_box_pack_start(GTK_BOX(content), w.body, FALSE, FALSE, 0);
  w.status = gtk_label_new("");
  gtk_label_set_ellipsize(GTK_LABEL(w.status), PANGO_ELLIPSIZE_END);
  gtk_widget_set_size_request(w.status, 180, -1);
  gtk_misc_set_alignment(GTK_MISC(w.status), 0.0f, 0.5f);
  gtk_box_pack_start(GTK_BOX(content), w.status, FALSE, FALSE, 0);
  // The font chooser clicks this hidden button: GIMP's font dialog.
  w.font_select = gimp_font_select_button_new(_("Select Font!"), e.font.value_or("Sans").c_str());
  gtk_widget_set_no_show_all(w.font_select, TRUE);
  gtk_box_pack_start(GTK_BOX(content), w.font_select, FALSE, FALSE, 0);
  connect_values(e);
  g_signal_connect(dialog, "response", G_CALLBACK(on_response), &e);
  e.images = open_images();
  gtk_widget_show_all(content);
  gtk_widget_show(w.draw);
  qv_style_editor_refresh_edit_menu(e);
  qv_style_editor_load(e);
  return editor;
}

// ---- In-between dialog -----------------------------------------------------------

namespace {

// The partner of the edited path: the nearest non-helper path before it in
// GIMP's list, else the nearest after it. Second: whether it lies before.
std::optional<std::pair<std::string, bool>> in_between_partner(const QVStyleEditor &e) {
  std::vector<std::string> names;
  for (const auto &p : qv_path_list(e.image))
    if (!qv_name_is_helper_path(p.name)) names.push_back(p.name);
  const auto at = std::find(names.begin(), names.end(), e.path);
  if (at == names.end()) return std::nullopt;
  if (at != names.begin()) return std::pair{*(at - 1), true};
  if (at + 1 != names.end()) return std::pair{*(at + 1), false};
  return std::nullopt;
}

void on_in_between(GtkMenuItem *item, gpointer data) {
  QVStyleEditor &e = editor_of(data);
  if (e.tattoo < 1) return;
  const auto partner = in_between_partner(e);
  if (!partner) {
    gtk_widget_set_sensitive(GTK_WIDGET(item), FALSE);
    return;
  }
  const QVEditorBusy busy(e);
  qv_path_set_current(e.image, e.path.c_str());
  const std::string path1 = partner->second ? partner->first : e.path;
  const std::string path0 = partner->second ? e.path : partner->first;
  QVWidgetHolder dialog(gtk_dialog_new_with_buttons(
      _("New Path in between!"), GTK_WINDOW(e.dialog.get()), GTK_DIALOG_MODAL, _("Cancel"),
      GTK_RESPONSE_CANCEL, _("OK"), GTK_RESPONSE_OK, nullptr));
  g_object_ref(dialog.get());
  GtkWidget *content = gtk_dialog_get_content_area(GTK_DIALOG(dialog.get()));
  GtkWidget *slider = gtk_hscale_new_with_range(0, 1, 0.01);
  gtk_range_set_increments(GTK_RANGE(slider), 0.01, 0.1);
  gtk_scale_set_digits(GTK_SCALE(slider), 2);
  gtk_range_set_value(GTK_RANGE(slider), partner->second ? 0.5 : 1.0);
  gtk_widget_set_size_request(slider, 220, -1);
  for (GtkWidget *child : {gtk_label_new(qv_editor_short_name(path1).c_str()), slider,
                           gtk_label_new(qv_editor_short_name(path0).c_str())})
    gtk_box_pack_start(GTK_BOX(content), child, FALSE, FALSE, 4);
  gint x = 0, y = 0;
  gtk_window_get_position(GTK_WINDOW(e.dialog.get()), &x, &y);
  gtk_window_move(GTK_WINDOW(dialog.get()), x + 10, y + 10);
  gtk_window_set_keep_above(GTK_WINDOW(dialog.get()), e.keep_above);
  gtk_widget_show_all(dialog.get());
  if (gtk_dialog_run(GTK_DIALOG(dialog.get())) == GTK_RESPONSE_OK)
    qv_path_new_inbetween(e.image, path0.c_str(), path1.c_str(),
                          gtk_range_get_value(GTK_RANGE(slider)), nullptr, e.image, nullptr);
  gtk_window_present(GTK_WINDOW(e.dialog.get()));
}

}  // namespace
