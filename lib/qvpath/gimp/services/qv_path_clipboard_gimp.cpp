#include "gimp/services/qv_path_clipboard_gimp.h"

#include <glib/gi18n-lib.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/qv_chunks.h"
#include "core/qv_glib_ptr.h"
#include "core/qv_names.h"
#include "core/qv_path_clipboard.h"
#include "core/qv_snapshot.h"
#include "core/qv_style.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_read_cache.h"
#include "gimp/base/qv_scopes.h"
#include "gimp/groups/qv_path_groups_gimp.h"
#include "gimp/paths/qv_path_points.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/services/qv_clipboard_store.h"
#include "gimp/style/qv_helper_paths.h"
#include "gimp/style/qv_path_copy.h"
#include "gimp/style/qv_style_getter.h"
#include "gimp/style/qv_style_gimp.h"

namespace {

// The path a copy starts from: the current path, or the owner of a helper
// path that is current.
std::optional<std::string> copy_source(gint32 image) {
  const auto current = qv_path_current(image);
  if (!current) return std::nullopt;
  for (const int query : {QV_NAME_GRADIENT_TATTOO, QV_NAME_ROTATION_TATTOO}) {
    const long owner = qv_name_query_number(*current, query);
    if (owner > 0)
      if (auto name = qv_path_name_by_tattoo(image, static_cast<gint32>(owner))) return name;
  }
  return current;
}

bool is_helper_name(const std::string &name) {
  return name.rfind(QV_GRADIENT_PREFIX, 0) == 0 || name.rfind(QV_ROTATION_PREFIX, 0) == 0;
}

// The helper paths' current positions go into the style that is copied.
void take_helper_positions(gint32 image, const std::string &path) {
  if (qv_helpers_gradient_of(image, path.c_str())) qv_helpers_sync_gradient(image, path.c_str(), 0);
  if (qv_helpers_rotation_of(image, path.c_str())) qv_helpers_sync_rotation(image, path.c_str(), 0);
}

void append_path(std::vector<guint8> &stream, gint32 image, const std::string &name) {
  const gint32 tattoo = qv_path_tattoo(image, name.c_str());
  const QVPathPoints read = qv_path_read_points(image, name.c_str(), nullptr);
  QVSnapshotPath path;
  path.tattoo = tattoo;
  path.path_type = read.path_type ? read.path_type : 1;
  path.closed = read.closed;
  path.name = name;
  path.points = read.points;
  qv_snapshot_append_path(stream, path);
  for (const std::string &parasite : qv_image_parasite_names(image)) {
    if (!qv_is_per_path_parasite(parasite, tattoo)) continue;
    if (const auto record = qv_image_parasite_find_in(image, parasite, nullptr))
      qv_snapshot_append_parasite(stream, {record->name, record->flags, record->data});
  }
}

// The paths a copy takes, from the bottom of the Paths dialog up.
std::vector<std::string> paths_taken(gint32 image, const std::string &source, int flags) {
  std::vector<std::string> taken;
  const auto list = qv_path_list(image);
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    const bool locked = (flags & QV_COPY_LOCKED) && !is_helper_name(it->name) &&
                        qv_path_get_locked(image, it->name.c_str());
    if (it->name == source || locked) taken.push_back(it->name);
  }
  return taken;
}

std::optional<std::string> raw_attribute(gint32 image, const std::string &path, const char *key) {
  std::optional<std::string> value;
  qv_path_get_style_attribute(image, path.c_str(), nullptr, QV_GET_RAW, nullptr, {{key, &value}});
  return value;
}

struct Pasted {
  std::string name;
  int32_t old_tattoo = 0;
  int32_t new_tattoo = 0;
};

// Pastes one path of the stream; none when GIMP would not make it.
std::optional<Pasted> paste_one(gint32 image, const QVSnapshot &stream, const QVSnapshotPath &path,
                                const std::string &name, bool keep_tattoo) {
  // The new path becomes the current one: that tells whether it was made.
  const gint32 before = gimp_image_get_active_vectors(image);
  qv_path_copy_with_parasites(image, path.name.c_str(), image, name.c_str(), &stream,
                              keep_tattoo ? 1 : 0);
  const gint32 vectors = gimp_image_get_active_vectors(image);
  if (vectors < 1 || vectors == before) return std::nullopt;
  Pasted pasted;
  pasted.name = qv_take_string(gimp_item_get_name(vectors));
  pasted.old_tattoo = path.tattoo;
  pasted.new_tattoo = static_cast<int32_t>(gimp_item_get_tattoo(vectors));
  if (raw_attribute(image, pasted.name, "gradient-line: "))
    qv_helpers_sync_gradient(image, pasted.name.c_str(), 0);
  if (raw_attribute(image, pasted.name, "rotate-at: "))
    qv_helpers_sync_rotation(image, pasted.name.c_str(), 0);
  return pasted;
}

// "@-tattoos: " of each pasted path names the pasted paths' new tattoos.
void remap_references(gint32 image, const std::vector<Pasted> &pasted) {
  std::map<int32_t, int32_t> tattoos;
  for (const Pasted &p : pasted) tattoos[p.old_tattoo] = p.new_tattoo;
  for (const Pasted &p : pasted) {
    if (const auto value = raw_attribute(image, p.name, "@-tattoos: "))
      qv_path_set_style_attribute(image, p.name.c_str(),
                                  {{"@-tattoos: ", qv_tattoos_remap(*value, tattoos)}});
  }
}

QVPathBlock stored_block(std::string &why) {
  const auto stored = qv_clipboard_store_read(QVClipboardFormat::paths, &why);
  if (!stored) return QVPathBlock{{}, {}, why};
  QVPathBlock block = qv_path_block_read(stored->data(), stored->size());
  why = block.error;
  return block;
}

}  // namespace

int qv_paths_copy(gint32 image, int flags) {
  const auto source = copy_source(image);
  if (!source) {
    qv_user_message("%s", _("There is no current path: nothing was copied."));
    return 0;
  }
  std::optional<QVUndoGroup> undo;
  if (flags & QV_COPY_DELETE) undo.emplace(image);
  std::vector<guint8> stream;
  qv_snapshot_append_group_header(stream, 0, QV_PATH_CLIPBOARD_GROUP_NAME);
  const auto taken = paths_taken(image, *source, flags);
  for (const std::string &name : taken) {
    take_helper_positions(image, name);
    if (flags & (QV_COPY_LOCKED | QV_COPY_CURRENT)) append_path(stream, image, name);
  }
  qv_snapshot_append_empty(stream, QV_CHUNK_GEND);
  // Stored before anything is cut: a store that fails loses nothing.
  if (!qv_clipboard_store_write(QVClipboardFormat::paths, qv_path_block_wrap(stream))) return 0;
  if (flags & QV_COPY_DELETE) {
    for (const std::string &name : taken) {
      qv_helpers_remove_gradient(image, name.c_str());
      qv_path_delete_own(image, name.c_str());
    }
  }
  qv_helpers_cleanup(image);
  qv_read_cache_invalidate();
  return static_cast<int>(taken.size());
}

int qv_paths_paste(gint32 image, int flags) {
  std::string why;
  const QVPathBlock block = stored_block(why);
  if (!block) {
    qv_user_message(_("Nothing was pasted: the path clipboard %s."), why.c_str());
    return 0;
  }
  const QVSnapshot stream{block.stream.data(), block.stream.size()};
  const QVUndoGroup undo(image);
  const gint tattoo_state = gimp_image_get_tattoo_state(image);
  const bool new_group = flags & QV_PASTE_NEW_GROUP;
  if (new_group) {
    const long number = qv_pathgroup_read_current(image).next_number;
    qv_pathgroup_new(image, qv_pathgroup_name_prefix() + std::to_string(number), false);
  }
  const long group = qv_next_group_number(qv_path_names(image));
  std::vector<Pasted> pasted;
  gint highest = 0;
  for (const QVSnapshotPath &path : block.paths) {
    const std::string name =
        (flags & QV_PASTE_NEW_NUMBER) ? qv_name_in_group(path.name, group) : path.name;
    if (auto one = paste_one(image, stream, path, name, new_group)) {
      highest = std::max(highest, static_cast<gint>(one->new_tattoo));
      pasted.push_back(std::move(*one));
    }
  }
  if (new_group && highest + 1 > tattoo_state) gimp_image_set_tattoo_state(image, highest + 1);
  if (pasted.size() >= 2) remap_references(image, pasted);
  qv_read_cache_invalidate();
  return static_cast<int>(pasted.size());
}

bool qv_clipboard_holds_paths() {
  std::string why;
  return static_cast<bool>(stored_block(why));
}
