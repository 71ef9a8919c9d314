// Path groups in a live image: storing the shown paths as the current
// group, switching to another group with the tattoos its paths had, new and
// duplicate groups, and group files.
//
// Every operation that changes the image first stores the current group, so
// the paths on show are never only in the image; a switch that fails midway
// puts the previous paths back. Damaged group parasites or records are
// reported and left untouched rather than overwritten.
#pragma once

#include <libgimp/gimp.h>

#include <optional>
#include <string>
#include <vector>

#include "core/qv_path_groups.h"

// The translated default name prefix, "Path-Group#".
std::string qv_pathgroup_name_prefix();

// Converts the earlier host-order parasites: "qv-pathgroups-image" becomes
// "qv-pathgroups-image-be" and "qv-pathgroup-current" goes. Old data that is
// damaged, or that would overwrite existing "-be" data, is left as it is.
void qv_pathgroups_migrate(gint32 image);

// The current group; the defaults (1, next 2, "Path-Group#1") without a
// record. *damaged (when given) says a record exists but cannot be read;
// the defaults are returned then too.
QVPathGroupCurrent qv_pathgroup_read_current(gint32 image, bool *damaged = nullptr);

// The image's group data in host order (after the old-format conversion),
// or none: no groups yet, or data that cannot be read (then *error says why).
std::optional<std::vector<guint8>> qv_pathgroups_data(gint32 image, std::string *error = nullptr);

// Writes the image's paths and per-path parasites as the current group's
// block and rewrites the current-group record, renamed when new_name is
// given. False, with a message and nothing changed, when the stored data or
// record is damaged.
bool qv_pathgroup_store_current(gint32 image, const std::optional<std::string> &new_name);

// For rendering: the image's group data, stored afresh first, in host order
// and followed by an empty "EODT" chunk. Just the "EODT" when the groups
// cannot be read.
std::vector<guint8> qv_pathgroups_render_snapshot(gint32 image);

// For rendering: a group file as "FNAM" (the name), its chunks in host
// order, "EODT". None, with the group file messages, when the file is
// missing or no valid group file.
std::optional<std::vector<guint8>> qv_pathgroup_file_render_snapshot(const std::string &file_name);

// A group as the dialogs and scripts name it.
struct QVPathGroupKey {
  gint32 number = 0;
  std::optional<std::string> file_name;  // none: a group of the image itself
};

// The image's groups (current group stored first), for lists.
std::vector<QVPathGroupBlock> qv_pathgroups_list(gint32 image);

// Shows the chosen group: stores the current one, replaces every path and
// per-path parasite of the image by the group's, with their tattoos, and
// makes it current. False, with the image's paths unchanged, on failure.
bool qv_pathgroup_select(gint32 image, const QVPathGroupKey &key);

// Starts a new group named `name` under the next free number. A new group
// starts without paths; a duplicate keeps the paths on show.
bool qv_pathgroup_new(gint32 image, const std::string &name, bool duplicate);

// Adds the groups of a group file to the image's groups (only those in
// `numbers`, all when empty). Returns the number of groups added, or -1 with
// a message when the file cannot be used.
int qv_pathgroup_load_file(gint32 image, const std::string &file_name,
                           const std::vector<gint32> &numbers);

// Reads a group file for a chooser: its groups, or none with a message.
std::optional<QVPathGroupFile> qv_pathgroup_read_file(const std::string &file_name);

// Saves the chosen groups (all of the image's own groups when empty) to a
// group file. With make_external the saved groups of the image become
// groups of that file.
bool qv_pathgroup_save_file(gint32 image, const std::string &file_name,
                            const std::vector<QVPathGroupKey> &groups, bool make_external);

// Removes groups; the current group is never removed. Returns the number
// removed.
int qv_pathgroups_remove(gint32 image, const std::vector<QVPathGroupKey> &groups);

// The edit operations of the group manager. Each stores the current group
// first, so the paths on show are in the groups they work on, and returns
// how many groups it handled, 0 when it did nothing, -1 with a message on
// failure.

// Copies the paths of the groups, with their per-path parasites under the
// fresh tattoos the copies get, into the image above its present paths; the
// current group's own paths are passed over. The copies become part of the
// current group.
int qv_pathgroups_copy_paths(gint32 image, const std::vector<QVPathGroupKey> &groups);

// New groups of the image, under the next free numbers, holding what the
// groups hold; each is named "Copy-" and the original's name.
int qv_pathgroups_duplicate(gint32 image, const std::vector<QVPathGroupKey> &groups);

// File groups become groups of the image: they leave their file section and
// keep their number unless the image has a group with it already. The
// current group follows when it is among them. Groups of the image are
// passed over.
int qv_pathgroups_remove_filenames(gint32 image, const std::vector<QVPathGroupKey> &groups);
