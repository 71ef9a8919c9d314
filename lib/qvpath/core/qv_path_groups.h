// Path groups: named snapshots of all paths of an image with their per-path
// parasites. The image keeps them in "qv-pathgroups-image-be" as a run of
// group blocks ("GHDR", "PATH"..., "PARA"..., "GEND"); blocks that came from
// a group file sit between an "FNAM" chunk naming the file and an "FEND".
// Which group the image shows is kept in "qv-pathgroup-current-be".
//
// Everything here works on host-order bytes; conversion to and from the
// stored big-endian form happens once, where the bytes enter or leave.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/qv_snapshot.h"

extern const char *const QV_PATHGROUPS_PARASITE;         // "qv-pathgroups-image-be"
extern const char *const QV_PATHGROUP_CURRENT_PARASITE;  // "qv-pathgroup-current-be"
// Host-order forms written by earlier versions.
extern const char *const QV_PATHGROUPS_OLD_PARASITE;         // "qv-pathgroups-image"
extern const char *const QV_PATHGROUP_CURRENT_OLD_PARASITE;  // "qv-pathgroup-current"

constexpr size_t QV_PATHGROUP_MAGIC_SIZE = 8;
extern const uint8_t QV_PATHGROUP_FILE_MAGIC[QV_PATHGROUP_MAGIC_SIZE];

// --- The current-group record ---------------------------------------------

struct QVPathGroupCurrent {
  int32_t number = 1;
  int32_t next_number = 2;
  std::string name;
  std::optional<std::string> file_name;  // none: a group of the image itself
};

// Number 1, next 2, named `name_prefix` + "1" (the prefix is translated by
// the caller).
QVPathGroupCurrent qv_pathgroup_current_default(const std::string &name_prefix);

// Four big-endian words (number, next number, name length, file name length,
// lengths counting the NUL, 0 for no file), then the NUL-terminated texts.
std::vector<uint8_t> qv_pathgroup_current_encode(const QVPathGroupCurrent &current);
// None when the bytes do not hold a whole record: too short, a length that
// runs past the end, or a text without its NUL.
std::optional<QVPathGroupCurrent> qv_pathgroup_current_decode(const uint8_t *data, size_t size);

// --- Group data -------------------------------------------------------------

// A group block found in host-order group data.
struct QVPathGroupBlock {
  int32_t number = 0;
  std::string name;
  std::optional<std::string> file_name;  // of the file section around it
  size_t begin = 0;                      // offset of its "GHDR"
  size_t end = 0;                        // offset just past its "GEND"
  size_t path_count = 0;
};

// The blocks of group data, or why the data cannot be trusted. The walk ends
// at the end of the data or at an "EODT" chunk. Sound data has every "PATH"
// and "PARA" inside a block, every block closed by "GEND" before the next
// "GHDR", "FNAM" or "FEND", and only the chunk types of group data.
struct QVPathGroupIndex {
  std::vector<QVPathGroupBlock> blocks;
  std::optional<int32_t> next_number;  // from a "GNXT" chunk
  size_t file_sections = 0;            // "FNAM" and "FEND" chunks met
  bool ends_at_eodt = false;           // render blocks end so; stored data never
  std::string error;                   // empty: sound
  bool ok() const { return error.empty(); }
};
QVPathGroupIndex qv_pathgroups_index(const uint8_t *data, size_t length);
inline QVPathGroupIndex qv_pathgroups_index(const std::vector<uint8_t> &data) {
  return qv_pathgroups_index(data.data(), data.size());
}

// The first block with this number in the file section `file_name` (none:
// outside every file section), or null.
const QVPathGroupBlock *qv_pathgroups_find(const QVPathGroupIndex &index, int32_t number,
                                           const std::optional<std::string> &file_name);

// The highest number of the image's own groups (outside file sections), 0
// when there are none.
int32_t qv_pathgroups_highest_image_number(const QVPathGroupIndex &index);

// The paths and parasites of one block of sound data.
QVSnapshotContent qv_pathgroup_block_content(const std::vector<uint8_t> &data,
                                             const QVPathGroupBlock &block);

// "GHDR", one "PATH" per path, one "PARA" per parasite, "GEND".
std::vector<uint8_t> qv_pathgroup_block_build(int32_t number, const std::string &name,
                                              const std::vector<QVSnapshotPath> &paths,
                                              const std::vector<QVSnapshotParasite> &parasites);

// An "FNAM" chunk: the name's length with its NUL, then the name; length 0
// and no name for none.
void qv_pathgroup_append_file_name(std::vector<uint8_t> &out,
                                   const std::optional<std::string> &file_name);

// The data with the block of group (number, file_name) replaced by `block`;
// without such a block, `block` is appended (in an "FNAM" ... "FEND" section
// of its own when file_name is given). `index` must be the sound index of
// `data`.
std::vector<uint8_t> qv_pathgroups_put_block(const std::vector<uint8_t> &data,
                                             const QVPathGroupIndex &index, int32_t number,
                                             const std::optional<std::string> &file_name,
                                             const std::vector<uint8_t> &block);

// The data without the given blocks (pointers into `index`); file sections
// left empty go too.
std::vector<uint8_t> qv_pathgroups_remove_blocks(
    const std::vector<uint8_t> &data, const QVPathGroupIndex &index,
    const std::vector<const QVPathGroupBlock *> &blocks);

// The bytes of the given blocks, one after the other, without file sections.
std::vector<uint8_t> qv_pathgroups_extract_blocks(
    const std::vector<uint8_t> &data, const std::vector<const QVPathGroupBlock *> &blocks);

// Adds the blocks of a loaded file (host-order `file_chunks` with its sound
// index) to the image's data in a new section for `file_name`. Only blocks
// whose number is in `numbers` are added (all when empty), and never one
// that the image already holds for that file: the image's copy may carry
// edits not yet saved. *added counts the blocks added.
std::vector<uint8_t> qv_pathgroups_add_from_file(const std::vector<uint8_t> &data,
                                                 const QVPathGroupIndex &index,
                                                 const std::string &file_name,
                                                 const std::vector<uint8_t> &file_chunks,
                                                 const QVPathGroupIndex &file_index,
                                                 const std::vector<int32_t> &numbers, int *added);

// Copies of the given blocks appended as groups of the image, numbered from
// `first_number` upwards and named `name_prefix` + the original's name, with
// the same paths, tattoos and parasites. *next_number (when given) receives
// the number after the last one used.
std::vector<uint8_t> qv_pathgroups_duplicate_blocks(
    const std::vector<uint8_t> &data, const std::vector<const QVPathGroupBlock *> &blocks,
    int32_t first_number, const std::string &name_prefix, int32_t *next_number);

// A file group that became a group of the image, and the number it has now.
struct QVPathGroupMove {
  int32_t number = 0;
  std::string file_name;
  int32_t new_number = 0;
};

// The data with the given file groups taken out of their file sections and
// appended as groups of the image (blocks without a file are passed over).
// A group keeps its number unless a group of the image already has it; then
// it takes `next_number` and the numbers after it. `index` must be the sound
// index of `data`; *next_number is advanced past the numbers given out.
std::vector<uint8_t> qv_pathgroups_make_internal(
    const std::vector<uint8_t> &data, const QVPathGroupIndex &index,
    const std::vector<const QVPathGroupBlock *> &blocks, int32_t *next_number,
    std::vector<QVPathGroupMove> *moves);

// The per-path parasites of copied paths under their new tattoos: each
// "...-for-path-<old>" whose old tattoo is in `tattoos` (old, new pairs) is
// renamed to "...-for-path-<new>"; the others belong to no copied path and
// are dropped.
std::vector<QVSnapshotParasite> qv_pathgroup_parasites_retattooed(
    const std::vector<QVSnapshotParasite> &parasites,
    const std::vector<std::pair<int32_t, int32_t>> &tattoos);

// Converts host-order data of the earlier parasite to the stored form. None
// (and the reason in *error) when the data is not sound group data.
std::optional<std::vector<uint8_t>> qv_pathgroups_convert_old(const std::vector<uint8_t> &host_data,
                                                              std::string *error);

// Stored (big-endian) parasite bytes to host order; none, with the reason,
// when they are not sound group data.
std::optional<std::vector<uint8_t>> qv_pathgroups_from_stored(const std::vector<uint8_t> &stored,
                                                              std::string *error);
// Host-order data to the stored form (the data must be sound).
std::vector<uint8_t> qv_pathgroups_to_stored(const std::vector<uint8_t> &data);

// --- Path snapshots for rendering -------------------------------------------

// The image's group data followed by an empty "EODT" chunk.
std::vector<uint8_t> qv_pathgroups_render_block(const std::vector<uint8_t> &data);
// A loaded group file as a render block: "FNAM" with the file name, the
// file's chunks, an empty "EODT".
std::vector<uint8_t> qv_pathgroup_file_render_block(const std::string &file_name,
                                                    const std::vector<uint8_t> &file_chunks);

// --- Group files (".qvg") ---------------------------------------------------

enum class QVPathGroupFileStatus {
  ok,
  missing,         // no such file
  unreadable,      // it exists but cannot be read
  not_group_file,  // the first eight bytes are not the magic
  damaged,         // the chunks behind the magic are not sound group data
  write_failed,
};

struct QVPathGroupFile {
  QVPathGroupFileStatus status = QVPathGroupFileStatus::ok;
  std::vector<uint8_t> chunks;         // host order: the group blocks only
  QVPathGroupIndex index;              // of `chunks`
  std::optional<int32_t> next_number;  // the file's "GNXT"
  std::string detail;                  // why, when status is not ok
};

// The bytes of a file: magic, big-endian group blocks, a final "GNXT".
QVPathGroupFile qv_pathgroup_file_decode(const uint8_t *data, size_t size);
QVPathGroupFile qv_pathgroup_file_load(const std::string &utf8_name);

// Magic, the host-order blocks converted to big-endian, "GNXT" with
// next_number. The blocks must be sound group data without file sections.
std::vector<uint8_t> qv_pathgroup_file_encode(const std::vector<uint8_t> &blocks,
                                              int32_t next_number);
// Writes through a temporary file that is renamed over the target, so that
// a failed save never leaves half a file behind.
QVPathGroupFileStatus qv_pathgroup_file_save(const std::string &utf8_name,
                                             const std::vector<uint8_t> &bytes,
                                             std::string *detail);
