#include "gimp/services/qv_path_tools_gimp.h"

#include <glib/gi18n-lib.h>

#include <cstring>
#include <vector>

#include "core/qv_chunks.h"
#include "core/qv_filename.h"
#include "core/qv_glib_ptr.h"
#include "core/qv_path_clipboard.h"
#include "core/qv_path_tools.h"
#include "core/qv_render_timing.h"
#include "core/qv_style.h"
#include "core/qv_timeline.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_read_cache.h"
#include "gimp/base/qv_scopes.h"
#include "gimp/groups/qv_path_groups_gimp.h"
#include "gimp/paths/qv_path_points.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/services/qv_clipboard_store.h"
#include "gimp/services/qv_dialog_services.h"
#include "gimp/services/qv_image_path_gimp.h"
#include "gimp/style/qv_style_gimp.h"
#include "gimp/timeline/qv_timeline_chooser.h"
#include "gimp/timeline/qv_timeline_gimp.h"
#include "gimp/ui/qv_dialogs.h"

namespace {

// The image's paths, bottom of the Paths dialog first, as the tools see them.
std::vector<QVToolPath> tool_paths(gint32 image, const std::string &current) {
  std::vector<QVToolPath> paths;
  const auto list = qv_path_list(image);
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    QVToolPath path;
    path.name = it->name;
    path.tattoo = static_cast<long>(gimp_item_get_tattoo(it->id));
    path.locked = gimp_item_get_linked(it->id);
    path.current = it->name == current;
    paths.push_back(path);
  }
  return paths;
}

std::optional<std::string> current_or_say(gint32 image) {
  auto current = qv_path_current(image);
  if (!current) qv_user_message("No Path available!");
  return current;
}

// Writes the keyspline with the template's points or the standard ones;
// the new path's name as GIMP stored it.
std::optional<std::string> write_keyspline(gint32 image, const std::string &name,
                                           const std::optional<std::string> &template_path,
                                           bool falling) {
  std::vector<double> points;
  if (template_path) points = qv_path_read_points(image, template_path->c_str(), nullptr).points;
  if (points.size() < 6) points = qv_keyspline_default_points(falling);
  const gint32 vectors = qv_path_write_points(image, name.c_str(), 1, points);
  if (vectors < 1) return std::nullopt;
  return qv_take_string(gimp_item_get_name(vectors));
}

std::string colour_text(const GimpRGB &c) {
  return qv_take_string(
      g_strdup_printf("%0.0f %0.0f %0.0f", c.r * 255.0, c.g * 255.0, c.b * 255.0));
}

}  // namespace

std::optional<std::string> qv_tools_keyspline(gint32 image, bool falling) {
  const auto current = current_or_say(image);
  if (!current) return std::nullopt;
  const auto paths = tool_paths(image, *current);
  const QVKeysplineMembers members = qv_keyspline_members(paths);
  const QVUndoGroup undo(image);
  const auto made =
      write_keyspline(image, qv_keyspline_name(*current, members.template_path, paths),
                      members.template_path, falling);
  if (made) qv_path_set_style_attribute(image, made->c_str(), {{"@-tattoos: ", members.tattoos}});
  return made;
}

std::optional<std::string> qv_tools_stroke_keyspline(gint32 image, bool reverse) {
  const auto current = current_or_say(image);
  if (!current) return std::nullopt;
  const QVKeysplineMembers members = qv_stroke_keyspline_members(tool_paths(image, *current));
  if (members.count == 0) {
    qv_user_message("No Strokes selected!");
    return std::nullopt;
  }
  const QVUndoGroup undo(image);
  const auto made = write_keyspline(image, std::string(reverse ? "[@<-S] " : "[@->S] ") + *current,
                                    members.template_path, false);
  if (!made) return std::nullopt;
  GimpRGB foreground;
  gimp_context_get_foreground(&foreground);
  const std::string brush = qv_take_string(gimp_context_get_brush());
  gint spacing = 0;
  gimp_brush_get_spacing(brush.c_str(), &spacing);
  qv_path_set_style_attribute(image, made->c_str(),
                              {{"stroke: ", colour_text(foreground)},
                               {"stroke-opacity: ", "100.0"},
                               {"stroke-brush: ", brush},
                               {"stroke-spacing: ", std::to_string(spacing)},
                               {"@-tattoos: ", members.tattoos}});
  return made;
}

std::optional<std::string> qv_tools_timeline_keyspline(gint32 image) {
  const auto chosen = qv_timeline_choose(nullptr, image, 1);
  if (!chosen) return std::nullopt;
  const auto bytes = qv_timeline_read(image, *chosen);
  const auto timeline = bytes ? qv_timeline_decode(*bytes) : QVDecoded<QVTimeline>{};
  if (!timeline) return std::nullopt;
  const QVahdrChunk &header = timeline.value->header;
  const auto current = qv_path_current(image);
  const bool from_keyspline = current && current->rfind("[@", 0) == 0;
  const QVUndoGroup undo(image);
  const auto made = write_keyspline(image, "[@] t_(" + *chosen + ")",
                                    from_keyspline ? current : std::nullopt, false);
  if (!made) return std::nullopt;
  char seconds[G_ASCII_DTOSTR_BUF_SIZE];
  g_ascii_formatd(seconds, sizeof seconds, "%0.3f", qv_ahdr_outpoint(header) - header.inpoint);
  qv_path_set_style_attribute(image, made->c_str(),
                              {{"@-timeline: ", *chosen}, {"@-timeline-dur: ", seconds}});
  return made;
}

namespace {

bool regular_file(const std::string &utf8) {
  const auto native = qv_filename_from_utf8(utf8.c_str());
  return native && g_file_test(native->c_str(), G_FILE_TEST_IS_REGULAR);
}

}  // namespace

std::optional<std::string> qv_tools_script_keyspline(gint32 image, bool interactive,
                                                     const std::string &script_file) {
  QVChosenFile chosen{script_file, qv_relative_names_wanted()};
  if (interactive || script_file.empty()) {
    auto picked = qv_script_chooser_run(image);
    if (!picked) {
      if (!qv_display_available()) qv_user_message("%s", _("No file is selected!"));
      return std::nullopt;
    }
    chosen = *picked;
  }
  chosen.file = qv_filename_resolve(chosen.file, qv_image_file(image));
  if (!regular_file(chosen.file)) {
    qv_user_message("File not exists:\n\"%s\"", chosen.file.c_str());
    return std::nullopt;
  }
  const auto current = qv_path_current(image);
  const bool from_keyspline = interactive && current && current->rfind("[@", 0) == 0;
  const qv_gstring base(g_path_get_basename(chosen.file.c_str()));
  const QVUndoGroup undo(image);
  const auto made = write_keyspline(image, std::string("[@-Script] ") + base.get(),
                                    from_keyspline ? current : std::nullopt, false);
  if (!made) return std::nullopt;
  qv_path_set_style_attribute(
      image, made->c_str(),
      {{"@-script: ", qv_image_file_reference(image, chosen.file, chosen.relative)}});
  return made;
}

namespace {

constexpr const char *kNearReference = "qv-near-reference";

// The remembered reference of the current path group, if it still names a
// path other than `path`.
std::optional<std::string> remembered_reference(gint32 image, const std::string &path) {
  const auto bytes = qv_image_parasite_bytes(image, kNearReference);
  if (!bytes || bytes->size() != 8) return std::nullopt;
  const gint32 group = static_cast<gint32>(GUINT32_FROM_BE(qv_chunk_get_u32(bytes->data())));
  const gint32 tattoo = static_cast<gint32>(GUINT32_FROM_BE(qv_chunk_get_u32(bytes->data() + 4)));
  if (group != qv_pathgroup_read_current(image).number) return std::nullopt;
  auto name = qv_path_name_by_tattoo(image, tattoo);
  if (!name || *name == path) return std::nullopt;
  return name;
}

void remember_reference(gint32 image, const std::string &reference) {
  const guint32 record[2] = {
      GUINT32_TO_BE(static_cast<guint32>(qv_pathgroup_read_current(image).number)),
      GUINT32_TO_BE(static_cast<guint32>(qv_path_tattoo(image, reference.c_str())))};
  qv_parasite_attach(image, kNearReference, GIMP_PARASITE_PERSISTENT, sizeof record, record);
}

// Asks until another path is current; none when the user cancels.
std::optional<std::string> ask_reference(gint32 image, const std::string &path) {
  qv_path_set_locked(image, path.c_str(), true);
  std::optional<std::string> reference;
  const char *question = "Select Reference-Path and then press OK!";
  while (qv_confirm_service(question)) {
    const auto current = qv_path_current(image);
    if (current && *current != path) {
      reference = current;
      break;
    }
    question = "Select Reference-Path (cannot be the same as the path to join)!";
  }
  qv_path_set_locked(image, path.c_str(), false);
  if (reference) remember_reference(image, *reference);
  return reference;
}

}  // namespace

bool qv_tools_join(gint32 image, bool ask_new) {
  const auto path = qv_path_current(image);
  if (!path) {
    qv_alert_service("No Path available!");
    return false;
  }
  const gint state = gimp_image_get_tattoo_state(image);
  auto reference = ask_new ? std::nullopt : remembered_reference(image, *path);
  if (!reference) reference = ask_reference(image, *path);
  if (!reference) return false;
  const auto join = qv_join_to_reference(
      qv_path_read_points(image, path->c_str(), nullptr).points,
      qv_path_read_points(image, reference->c_str(), nullptr).points, *reference);
  if (!join) {
    qv_user_message(_("\"%s\" cannot be joined to \"%s\": one of them has too few points."),
                    path->c_str(), reference->c_str());
    return false;
  }
  const gint32 tattoo = qv_path_tattoo(image, path->c_str());
  qv_path_set_locked(image, reference->c_str(), true);
  const QVUndoGroup undo(image);
  const gint32 joined = qv_path_write_points(image, join->name.c_str(), 1, join->points);
  if (joined < 1) return false;
  qv_path_delete(image, path->c_str());
  gimp_item_set_tattoo(joined, static_cast<guint>(tattoo));
  gimp_image_set_tattoo_state(image, state);
  qv_read_cache_invalidate();
  return true;
}

std::optional<std::string> qv_tools_circle(gint32 image) {
  gboolean non_empty = FALSE;
  gint x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  gimp_selection_bounds(image, &non_empty, &x1, &y1, &x2, &y2);
  if (!non_empty) {
    qv_user_message("%s", _("No Selection!"));
    return std::nullopt;
  }
  const QVUndoGroup undo(image);
  const char *name = (x2 - x1) == (y2 - y1) ? "Circle" : "Ellipse";
  const gint32 vectors = qv_path_write_points(image, name, 1, qv_ellipse_points(x1, y1, x2, y2));
  if (vectors < 1) return std::nullopt;
  return qv_take_string(gimp_item_get_name(vectors));
}

int qv_tools_guide_grid(gint32 image, int delta, int offset_x, int offset_y) {
  const QVUndoGroup undo(image);
  for (gint32 guide = gimp_image_find_next_guide(image, 0); guide > 0;
       guide = gimp_image_find_next_guide(image, 0))
    gimp_image_delete_guide(image, guide);
  int laid = 0;
  for (int x : qv_guide_positions(gimp_image_width(image), delta, offset_x))
    laid += gimp_image_add_vguide(image, x) > 0;
  for (int y : qv_guide_positions(gimp_image_height(image), delta, offset_y))
    laid += gimp_image_add_hguide(image, y) > 0;
  return laid;
}

bool qv_tools_style_to_clipboard(gint32 image) {
  const auto current = current_or_say(image);
  if (!current) return false;
  const gint32 tattoo = qv_path_tattoo(image, current->c_str());
  const auto style = qv_path_get_style_text(image, current->c_str(), nullptr);
  return qv_clipboard_text_put(qv_style_clipboard_text(tattoo, style.value_or("")));
}

bool qv_tools_clipboard_to_style(gint32 image) {
  const auto text = qv_clipboard_text_get();
  const auto read = text ? qv_style_from_clipboard_text(*text) : std::nullopt;
  if (!read) return false;
  // Only a style parasite's name: "qv-style-for-path-" and a tattoo.
  const std::string tattoo = read->parasite.substr(std::strlen("qv-style-for-path-"));
  if (tattoo.empty() || tattoo.find_first_not_of("0123456789") != std::string::npos) return false;
  qv_parasite_attach(image, read->parasite.c_str(), GIMP_PARASITE_PERSISTENT,
                     read->style.size() + 1, read->style.c_str());
  qv_read_cache_parasites_changed();
  return true;
}
