#include "gimp/groups/qv_path_groups_gimp.h"

#include <glib/gi18n-lib.h>

#include <algorithm>
#include <set>

#include "core/qv_chunks.h"
#include "core/qv_style.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_read_cache.h"
#include "gimp/base/qv_scopes.h"
#include "gimp/paths/qv_path_points.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/style/qv_style_gimp.h"

namespace {

using Bytes = std::vector<guint8>;

std::string group_label(const QVPathGroupKey &key) {
  return key.file_name ? std::to_string(key.number) + " (" + *key.file_name + ")"
                       : std::to_string(key.number);
}

// The stored data, in host order; none with a message when it is damaged,
// empty when the image has no groups yet.
std::optional<Bytes> data_or_refuse(gint32 image) {
  std::string error;
  auto data = qv_pathgroups_data(image, &error);
  if (!data && !error.empty()) {
    qv_message(_("The path groups of this image are damaged and were left as they are: %s"),
               error.c_str());
    return std::nullopt;
  }
  return data ? std::move(*data) : Bytes();
}

std::optional<QVPathGroupCurrent> current_or_refuse(gint32 image) {
  bool damaged = false;
  QVPathGroupCurrent current = qv_pathgroup_read_current(image, &damaged);
  if (damaged) {
    qv_message(_("The current path-group record \"%s\" is damaged and was left as it is."),
               QV_PATHGROUP_CURRENT_PARASITE);
    return std::nullopt;
  }
  return current;
}

void attach_data(gint32 image, const Bytes &data) {
  const Bytes stored = qv_pathgroups_to_stored(data);
  qv_parasite_attach(image, QV_PATHGROUPS_PARASITE, GIMP_PARASITE_PERSISTENT, stored.size(),
                     stored.data());
}

void attach_current(gint32 image, const QVPathGroupCurrent &current) {
  const Bytes record = qv_pathgroup_current_encode(current);
  qv_parasite_attach(image, QV_PATHGROUP_CURRENT_PARASITE, GIMP_PARASITE_PERSISTENT, record.size(),
                     record.data());
}

// The image's paths from the last to the first of its list, so that writing
// them back in block order rebuilds the list as it was.
std::vector<QVSnapshotPath> image_paths(gint32 image) {
  std::vector<QVSnapshotPath> paths;
  const auto list = qv_path_list(image);
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    QVPathPoints points = qv_path_read_points(image, it->name.c_str(), nullptr);
    QVSnapshotPath path;
    path.tattoo = gimp_item_get_tattoo(it->id);
    path.path_type = points.path_type;
    path.closed = points.closed;
    path.name = it->name;
    path.points = std::move(points.points);
    paths.push_back(std::move(path));
  }
  return paths;
}

std::vector<QVSnapshotParasite> image_per_path_parasites(gint32 image) {
  std::vector<QVSnapshotParasite> parasites;
  for (const std::string &name : qv_image_parasite_names(image)) {
    if (!qv_is_any_per_path_parasite(name)) continue;
    if (auto record = qv_image_parasite_find_in(image, name, nullptr)) {
      parasites.push_back({record->name, record->flags, std::move(record->data)});
    }
  }
  return parasites;
}

// Every path and every per-path parasite goes: those of paths already
// deleted too, as the stored block holds them all and would otherwise leak
// into the group shown next.
void clear_paths(gint32 image) {
  qv_read_cache_invalidate();
  for (const QVPathEntry &path : qv_path_list(image)) gimp_image_remove_vectors(image, path.id);
  for (const std::string &name : qv_image_parasite_names(image)) {
    if (qv_is_any_per_path_parasite(name)) qv_parasite_remove(image, name.c_str());
  }
}

// A path with fewer than two points is still a path of the group.
gint32 write_path(gint32 image, const QVSnapshotPath &path) {
  if (path.points.size() >= 6)
    return qv_path_write_points(image, path.name.c_str(), path.path_type, path.points);
  const gint32 vectors = gimp_vectors_new(image, path.name.c_str());
  if (vectors < 1) return -1;
  if (!gimp_image_insert_vectors(image, vectors, 0, -1)) {
    gimp_item_delete(vectors);
    return -1;
  }
  gimp_image_set_active_vectors(image, vectors);
  return vectors;
}

// Replaces the image's paths by the content's. The tattoo state is raised
// past every restored tattoo before any path is made, so that no fresh path
// takes a tattoo about to be restored, and is left at the larger of the old
// state and the highest restored tattoo.
bool show_content(gint32 image, const QVSnapshotContent &content) {
  const gint32 old_state = gimp_image_get_tattoo_state(image);
  gint32 highest = old_state;
  for (const QVSnapshotPath &path : content.paths) highest = std::max(highest, path.tattoo);
  clear_paths(image);
  gimp_image_set_tattoo_state(image, highest);

  std::set<gint32> restored;
  bool complete = true;
  for (const QVSnapshotPath &path : content.paths) {
    const gint32 vectors = write_path(image, path);
    if (vectors < 1) {
      complete = false;
      break;
    }
    // A tattoo below 1 or given twice would clash: such a path keeps the one
    // GIMP gave it.
    if (path.tattoo >= 1 && restored.insert(path.tattoo).second)
      gimp_item_set_tattoo(vectors, path.tattoo);
  }
  if (complete) {
    for (const QVSnapshotParasite &parasite : content.parasites) {
      qv_parasite_attach(image, parasite.name.c_str(), parasite.flags, parasite.data.size(),
                         parasite.data.data());
    }
  }
  qv_read_cache_invalidate();
  gimp_image_set_tattoo_state(image, highest);
  return complete;
}

std::optional<QVPathGroupFile> file_or_message(const std::string &file_name) {
  QVPathGroupFile file = qv_pathgroup_file_load(file_name);
  switch (file.status) {
    case QVPathGroupFileStatus::ok:
      return file;
    case QVPathGroupFileStatus::missing:
      qv_user_message(_("Path-Group file \"%s\" not exists!"), file_name.c_str());
      break;
    case QVPathGroupFileStatus::unreadable:
      qv_message(_("Path-Group file \"%s\" cannot be read: %s"), file_name.c_str(),
                 file.detail.c_str());
      break;
    case QVPathGroupFileStatus::not_group_file:
      qv_message("%s\n%s", _("No valid Path-Group file!"), file_name.c_str());
      break;
    case QVPathGroupFileStatus::damaged:
    case QVPathGroupFileStatus::write_failed:
      qv_message("%s\n%s: %s", _("No valid Path-Group file!"), file_name.c_str(),
                 file.detail.c_str());
      break;
  }
  return std::nullopt;
}

std::vector<const QVPathGroupBlock *> find_blocks(const QVPathGroupIndex &index,
                                                  const std::vector<QVPathGroupKey> &keys,
                                                  bool *all_found) {
  std::vector<const QVPathGroupBlock *> blocks;
  *all_found = true;
  for (const QVPathGroupKey &key : keys) {
    const QVPathGroupBlock *block = qv_pathgroups_find(index, key.number, key.file_name);
    if (!block) {
      qv_message(_("There is no path group %s."), group_label(key).c_str());
      *all_found = false;
      continue;
    }
    if (std::find(blocks.begin(), blocks.end(), block) == blocks.end()) blocks.push_back(block);
  }
  return blocks;
}

// The image's saved groups become groups of the file: out of the image's
// own part, into a section of the file (replacing blocks of the same number
// that an earlier load of that file left).
Bytes make_external(const Bytes &data, const QVPathGroupIndex &index, const std::string &file_name,
                    const std::vector<const QVPathGroupBlock *> &saved) {
  std::vector<const QVPathGroupBlock *> moving;
  std::vector<const QVPathGroupBlock *> going;
  for (const QVPathGroupBlock *block : saved) {
    if (block->file_name) continue;
    moving.push_back(block);
    going.push_back(block);
    if (const QVPathGroupBlock *stale = qv_pathgroups_find(index, block->number, file_name))
      going.push_back(stale);
  }
  if (moving.empty()) return data;
  const Bytes blocks = qv_pathgroups_extract_blocks(data, moving);
  Bytes out = qv_pathgroups_remove_blocks(data, index, going);
  qv_pathgroup_append_file_name(out, file_name);
  out.insert(out.end(), blocks.begin(), blocks.end());
  qv_snapshot_append_empty(out, QV_CHUNK_FEND);
  return out;
}

}  // namespace

std::string qv_pathgroup_name_prefix() { return _("Path-Group#"); }

void qv_pathgroups_migrate(gint32 image) {
  if (auto old = qv_image_parasite_bytes(image, QV_PATHGROUPS_OLD_PARASITE)) {
    if (qv_image_parasite_bytes(image, QV_PATHGROUPS_PARASITE)) {
      // Converting would overwrite newer groups; both stay.
    } else {
      std::string error;
      if (auto stored = qv_pathgroups_convert_old(*old, &error)) {
        qv_parasite_attach(image, QV_PATHGROUPS_PARASITE, GIMP_PARASITE_PERSISTENT, stored->size(),
                           stored->data());
        qv_parasite_remove(image, QV_PATHGROUPS_OLD_PARASITE);
      } else {
        qv_message(_("Path-group parasite \"%s\" was not converted: %s"),
                   QV_PATHGROUPS_OLD_PARASITE, error.c_str());
      }
    }
  }
  qv_parasite_remove(image, QV_PATHGROUP_CURRENT_OLD_PARASITE);
}

QVPathGroupCurrent qv_pathgroup_read_current(gint32 image, bool *damaged) {
  if (damaged) *damaged = false;
  qv_pathgroups_migrate(image);
  const auto bytes = qv_image_parasite_bytes(image, QV_PATHGROUP_CURRENT_PARASITE);
  if (bytes) {
    if (auto current = qv_pathgroup_current_decode(bytes->data(), bytes->size())) return *current;
    if (damaged) *damaged = true;
  }
  return qv_pathgroup_current_default(qv_pathgroup_name_prefix());
}

std::optional<std::vector<guint8>> qv_pathgroups_data(gint32 image, std::string *error) {
  if (error) error->clear();
  qv_pathgroups_migrate(image);
  const auto stored = qv_image_parasite_bytes(image, QV_PATHGROUPS_PARASITE);
  if (!stored) return std::nullopt;
  return qv_pathgroups_from_stored(*stored, error);
}

bool qv_pathgroup_store_current(gint32 image, const std::optional<std::string> &new_name) {
  auto current = current_or_refuse(image);
  if (!current) return false;
  const auto data = data_or_refuse(image);
  if (!data) return false;
  if (new_name) current->name = *new_name;
  const Bytes block = qv_pathgroup_block_build(current->number, current->name, image_paths(image),
                                               image_per_path_parasites(image));
  attach_data(image, qv_pathgroups_put_block(*data, qv_pathgroups_index(*data), current->number,
                                             current->file_name, block));
  attach_current(image, *current);
  return true;
}

std::vector<guint8> qv_pathgroups_render_snapshot(gint32 image) {
  qv_pathgroup_store_current(image, std::nullopt);
  std::string error;
  return qv_pathgroups_render_block(qv_pathgroups_data(image, &error).value_or(Bytes()));
}

std::optional<std::vector<guint8>> qv_pathgroup_file_render_snapshot(const std::string &file_name) {
  const auto file = file_or_message(file_name);
  if (!file) return std::nullopt;
  return qv_pathgroup_file_render_block(file_name, file->chunks);
}

std::vector<QVPathGroupBlock> qv_pathgroups_list(gint32 image) {
  qv_pathgroup_store_current(image, std::nullopt);
  const auto data = qv_pathgroups_data(image);
  if (!data) return {};
  return qv_pathgroups_index(*data).blocks;
}

bool qv_pathgroup_select(gint32 image, const QVPathGroupKey &key) {
  if (!qv_pathgroup_store_current(image, std::nullopt)) return false;
  const auto current = current_or_refuse(image);
  const auto data = data_or_refuse(image);
  if (!current || !data) return false;
  const QVPathGroupIndex index = qv_pathgroups_index(*data);
  const QVPathGroupBlock *chosen = qv_pathgroups_find(index, key.number, key.file_name);
  if (!chosen) {
    qv_message(_("There is no path group %s."), group_label(key).c_str());
    return false;
  }
  const QVSnapshotContent content = qv_pathgroup_block_content(*data, *chosen);
  const QVPathGroupBlock *shown = qv_pathgroups_find(index, current->number, current->file_name);
  if (!content.sound || !shown) return false;
  const QVSnapshotContent previous = qv_pathgroup_block_content(*data, *shown);

  QVUndoGroup undo(image);
  if (!show_content(image, content)) {
    show_content(image, previous);
    qv_message(_("Path group \"%s\" could not be shown; the paths of \"%s\" were put back."),
               chosen->name.c_str(), current->name.c_str());
    return false;
  }
  QVPathGroupCurrent next = *current;
  next.number = chosen->number;
  next.name = chosen->name;
  next.file_name = chosen->file_name;
  attach_current(image, next);
  return true;
}

bool qv_pathgroup_new(gint32 image, const std::string &name, bool duplicate) {
  if (!qv_pathgroup_store_current(image, std::nullopt)) return false;
  const auto current = current_or_refuse(image);
  const auto data = data_or_refuse(image);
  if (!current || !data) return false;
  const QVPathGroupIndex index = qv_pathgroups_index(*data);
  // A record from elsewhere may lag behind the groups stored: a new number
  // must never take over an existing group's block.
  const gint32 number =
      std::max(current->next_number, qv_pathgroups_highest_image_number(index) + 1);
  const std::string group_name =
      name.empty() ? qv_pathgroup_name_prefix() + std::to_string(number) : name;

  QVUndoGroup undo(image);
  attach_data(image, qv_pathgroups_put_block(*data, index, number, std::nullopt,
                                             qv_pathgroup_block_build(number, group_name, {}, {})));
  attach_current(image, {number, number + 1, group_name, std::nullopt});
  if (!duplicate) clear_paths(image);
  return true;
}

std::optional<QVPathGroupFile> qv_pathgroup_read_file(const std::string &file_name) {
  return file_or_message(file_name);
}

int qv_pathgroup_load_file(gint32 image, const std::string &file_name,
                           const std::vector<gint32> &numbers) {
  const auto file = file_or_message(file_name);
  if (!file) return -1;
  if (!current_or_refuse(image)) return -1;
  const auto data = data_or_refuse(image);
  if (!data) return -1;
  int added = 0;
  const Bytes merged = qv_pathgroups_add_from_file(*data, qv_pathgroups_index(*data), file_name,
                                                   file->chunks, file->index, numbers, &added);
  if (added > 0) attach_data(image, merged);
  return added;
}

bool qv_pathgroup_save_file(gint32 image, const std::string &file_name,
                            const std::vector<QVPathGroupKey> &groups, bool make_external_groups) {
  if (!qv_pathgroup_store_current(image, std::nullopt)) return false;
  auto current = current_or_refuse(image);
  const auto data = data_or_refuse(image);
  if (!current || !data) return false;
  const QVPathGroupIndex index = qv_pathgroups_index(*data);

  std::vector<const QVPathGroupBlock *> blocks;
  if (groups.empty()) {
    for (const QVPathGroupBlock &block : index.blocks)
      if (!block.file_name) blocks.push_back(&block);
  } else {
    bool all_found = true;
    blocks = find_blocks(index, groups, &all_found);
    if (!all_found) return false;
  }
  std::set<gint32> numbers;
  for (const QVPathGroupBlock *block : blocks) {
    if (!numbers.insert(block->number).second) {
      // A file knows its groups by number alone.
      qv_message(_("Two of the chosen path groups have the number %d; nothing was saved."),
                 block->number);
      return false;
    }
  }
  const gint32 next = std::max(current->next_number, numbers.empty() ? 1 : *numbers.rbegin() + 1);
  std::string detail;
  const Bytes bytes = qv_pathgroup_file_encode(qv_pathgroups_extract_blocks(*data, blocks), next);
  if (qv_pathgroup_file_save(file_name, bytes, &detail) != QVPathGroupFileStatus::ok) {
    qv_message(_("Path-Group file \"%s\" could not be written: %s"), file_name.c_str(),
               detail.c_str());
    return false;
  }
  if (!make_external_groups) return true;

  QVUndoGroup undo(image);
  const bool current_moves =
      !current->file_name &&
      std::any_of(blocks.begin(), blocks.end(), [&](const QVPathGroupBlock *block) {
        return !block->file_name && block->number == current->number;
      });
  attach_data(image, make_external(*data, index, file_name, blocks));
  if (current_moves) {
    current->file_name = file_name;
    attach_current(image, *current);
  }
  return true;
}

int qv_pathgroups_remove(gint32 image, const std::vector<QVPathGroupKey> &groups) {
  if (!qv_pathgroup_store_current(image, std::nullopt)) return 0;
  const auto current = current_or_refuse(image);
  const auto data = data_or_refuse(image);
  if (!current || !data) return 0;
  const QVPathGroupIndex index = qv_pathgroups_index(*data);
  bool all_found = true;
  std::vector<const QVPathGroupBlock *> blocks = find_blocks(index, groups, &all_found);
  const QVPathGroupBlock *shown = qv_pathgroups_find(index, current->number, current->file_name);
  const auto it = std::find(blocks.begin(), blocks.end(), shown);
  if (it != blocks.end()) {
    blocks.erase(it);
    qv_message(_("Path group \"%s\" is shown and was not removed."), current->name.c_str());
  }
  if (blocks.empty()) return 0;
  attach_data(image, qv_pathgroups_remove_blocks(*data, index, blocks));
  return static_cast<int>(blocks.size());
}

namespace {

bool same_group(const QVPathGroupKey &key, const QVPathGroupCurrent &current) {
  return key.number == current.number && key.file_name == current.file_name;
}

// Writes the content's paths above the image's present ones, each with the
// tattoo GIMP gives it, and its parasites under those tattoos. On failure
// the paths written so far go again.
bool add_content(gint32 image, const QVSnapshotContent &content, int *added) {
  std::vector<std::pair<gint32, gint32>> tattoos;
  std::vector<gint32> written;
  for (const QVSnapshotPath &path : content.paths) {
    const gint32 vectors = write_path(image, path);
    if (vectors < 1) {
      for (gint32 id : written) gimp_image_remove_vectors(image, id);
      qv_read_cache_invalidate();
      return false;
    }
    written.push_back(vectors);
    tattoos.emplace_back(path.tattoo, gimp_item_get_tattoo(vectors));
  }
  for (const QVSnapshotParasite &parasite :
       qv_pathgroup_parasites_retattooed(content.parasites, tattoos)) {
    qv_parasite_attach(image, parasite.name.c_str(), parasite.flags, parasite.data.size(),
                       parasite.data.data());
  }
  qv_read_cache_invalidate();
  *added += static_cast<int>(written.size());
  return true;
}

}  // namespace

int qv_pathgroups_copy_paths(gint32 image, const std::vector<QVPathGroupKey> &groups) {
  if (!qv_pathgroup_store_current(image, std::nullopt)) return -1;
  const auto current = current_or_refuse(image);
  const auto data = data_or_refuse(image);
  if (!current || !data) return -1;
  const QVPathGroupIndex index = qv_pathgroups_index(*data);
  std::vector<QVPathGroupKey> others;
  for (const QVPathGroupKey &key : groups)
    if (!same_group(key, *current)) others.push_back(key);
  bool all_found = true;
  const std::vector<const QVPathGroupBlock *> blocks = find_blocks(index, others, &all_found);
  if (blocks.empty()) return all_found ? 0 : -1;

  QVUndoGroup undo(image);
  int copied = 0;
  int paths = 0;
  for (const QVPathGroupBlock *block : blocks) {
    const QVSnapshotContent content = qv_pathgroup_block_content(*data, *block);
    if (!content.sound || !add_content(image, content, &paths)) {
      qv_message(_("The paths of path group \"%s\" could not be copied."), block->name.c_str());
      break;
    }
    ++copied;
  }
  // The copies belong to the group on show from now on.
  qv_pathgroup_store_current(image, std::nullopt);
  return copied == static_cast<int>(blocks.size()) && all_found ? copied : -1;
}

int qv_pathgroups_duplicate(gint32 image, const std::vector<QVPathGroupKey> &groups) {
  if (!qv_pathgroup_store_current(image, std::nullopt)) return -1;
  auto current = current_or_refuse(image);
  const auto data = data_or_refuse(image);
  if (!current || !data) return -1;
  const QVPathGroupIndex index = qv_pathgroups_index(*data);
  bool all_found = true;
  const std::vector<const QVPathGroupBlock *> blocks = find_blocks(index, groups, &all_found);
  if (!all_found) return -1;
  if (blocks.empty()) return 0;
  // As for a new group: a lagging record must not hand out a number in use.
  const gint32 first =
      std::max(current->next_number, qv_pathgroups_highest_image_number(index) + 1);
  gint32 next = first;
  const Bytes out = qv_pathgroups_duplicate_blocks(*data, blocks, first, "Copy-", &next);

  QVUndoGroup undo(image);
  attach_data(image, out);
  current->next_number = next;
  attach_current(image, *current);
  return static_cast<int>(blocks.size());
}

int qv_pathgroups_remove_filenames(gint32 image, const std::vector<QVPathGroupKey> &groups) {
  if (!qv_pathgroup_store_current(image, std::nullopt)) return -1;
  auto current = current_or_refuse(image);
  const auto data = data_or_refuse(image);
  if (!current || !data) return -1;
  const QVPathGroupIndex index = qv_pathgroups_index(*data);
  bool all_found = true;
  const std::vector<const QVPathGroupBlock *> blocks = find_blocks(index, groups, &all_found);
  if (!all_found) return -1;
  gint32 next = std::max(current->next_number, qv_pathgroups_highest_image_number(index) + 1);
  std::vector<QVPathGroupMove> moves;
  const Bytes out = qv_pathgroups_make_internal(*data, index, blocks, &next, &moves);
  if (moves.empty()) return 0;

  QVUndoGroup undo(image);
  attach_data(image, out);
  for (const QVPathGroupMove &move : moves) {
    if (current->file_name && *current->file_name == move.file_name &&
        current->number == move.number) {
      current->number = move.new_number;
      current->file_name.reset();
      break;
    }
  }
  // Groups that kept their numbers may lie beyond the free number.
  current->next_number =
      std::max(next, qv_pathgroups_highest_image_number(qv_pathgroups_index(out)) + 1);
  attach_current(image, *current);
  return static_cast<int>(moves.size());
}
