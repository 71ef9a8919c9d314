#include "core/qv_path_groups.h"

#include <glib.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "core/qv_chunks.h"
#include "core/qv_fatal.h"
#include "core/qv_filename.h"
#include "core/qv_style.h"

const char *const QV_PATHGROUPS_PARASITE = "qv-pathgroups-image-be";
const char *const QV_PATHGROUP_CURRENT_PARASITE = "qv-pathgroup-current-be";
const char *const QV_PATHGROUPS_OLD_PARASITE = "qv-pathgroups-image";
const char *const QV_PATHGROUP_CURRENT_OLD_PARASITE = "qv-pathgroup-current";

const uint8_t QV_PATHGROUP_FILE_MAGIC[QV_PATHGROUP_MAGIC_SIZE] = {0x89, 'Q',  'V',  'G',
                                                                  '\r', '\n', 0x1A, '\n'};

namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t CURRENT_FIXED_SIZE = 16;
constexpr size_t GHDR_NAME_OFFSET = 16;
constexpr size_t FNAM_NAME_OFFSET = 12;

struct QVGErrorFree {
  void operator()(GError *e) const { g_error_free(e); }
};
using QVGError = std::unique_ptr<GError, QVGErrorFree>;

uint32_t get_be32(const uint8_t *at) {
  return (uint32_t{at[0]} << 24) | (uint32_t{at[1]} << 16) | (uint32_t{at[2]} << 8) |
         uint32_t{at[3]};
}

void put_be32(Bytes &out, uint32_t value) {
  out.insert(out.end(), {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                         static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)});
}

// A text field of `length` bytes (its NUL counted) at `at`; none when it
// does not end inside [at, limit) or holds no NUL.
std::optional<std::string> text_field(const uint8_t *at, const uint8_t *limit, uint64_t length) {
  if (length == 0 || length > static_cast<uint64_t>(limit - at)) return std::nullopt;
  const void *nul = std::memchr(at, '\0', static_cast<size_t>(length));
  if (nul == nullptr) return std::nullopt;
  return std::string(reinterpret_cast<const char *>(at), static_cast<const uint8_t *>(nul) - at);
}

void append(Bytes &out, const uint8_t *begin, const uint8_t *end) {
  qv_or_abort("Abort, buf=malloc() failed!", [&] { out.insert(out.end(), begin, end); });
}

void append(Bytes &out, const Bytes &more) { append(out, more.data(), more.data() + more.size()); }

std::string describe_group(int32_t number) { return "group " + std::to_string(number); }

// Walks group data and fills the index; stops at the first fault.
class IndexWalk {
 public:
  IndexWalk(const uint8_t *data, size_t length) : data_(data), length_(length) {}

  QVPathGroupIndex run() {
    QVChunkWalker walker = qv_chunk_walker_new(data_, length_);
    while (const std::optional<QVChunk> chunk = qv_chunk_walker_next(walker)) {
      if (chunk->type == QV_CHUNK_EODT) {
        // A render block of a file ends its section here, without "FEND".
        index_.ends_at_eodt = true;
        section_open_ = false;
        return finish_at_end();
      }
      if (chunk->size < qv_chunk_min_payload(chunk->type)) {
        return fail("a \"" + qv_chunk_code_text(chunk->type) +
                    "\" chunk is too short for its fields");
      }
      if (!take(*chunk)) return std::move(index_);
    }
    if (walker.status != QVChunkStatus::ok) return fail(qv_chunk_status_message(walker.status));
    return finish_at_end();
  }

 private:
  const uint8_t *data_;
  size_t length_;
  QVPathGroupIndex index_;
  std::optional<std::string> section_;
  bool section_open_ = false;
  std::optional<QVPathGroupBlock> open_;

  void set_error(const std::string &why) {
    index_.blocks.clear();
    index_.error = why;
  }

  QVPathGroupIndex fail(const std::string &why) {
    set_error(why);
    return std::move(index_);
  }

  QVPathGroupIndex finish_at_end() {
    if (open_) return fail(describe_group(open_->number) + " has no end");
    // Else whatever is appended later would land inside that file's section.
    if (section_open_) return fail("a file section has no end");
    return std::move(index_);
  }

  bool refuse(const std::string &why) {
    set_error(why);
    return false;
  }

  bool take(const QVChunk &chunk) {
    const uint8_t *start = data_ + chunk.offset;
    const uint8_t *limit = start + QV_CHUNK_HEADER_SIZE + chunk.size;
    const std::string type = qv_chunk_code_text(chunk.type);
    if (open_ && chunk.type != QV_CHUNK_PATH && chunk.type != QV_CHUNK_PARA &&
        chunk.type != QV_CHUNK_GEND) {
      return refuse(describe_group(open_->number) + " has no end before a \"" + type + "\" chunk");
    }
    if (chunk.type == QV_CHUNK_GHDR) return open_block(chunk, start, limit);
    if (chunk.type == QV_CHUNK_GEND) return close_block(chunk);
    if (chunk.type == QV_CHUNK_PATH || chunk.type == QV_CHUNK_PARA) {
      return open_ ? true : refuse("a \"" + type + "\" chunk lies outside every group");
    }
    if (chunk.type == QV_CHUNK_FNAM) {
      ++index_.file_sections;
      if (section_open_) return refuse("a file section starts inside another");
      section_open_ = true;
      const uint32_t length = qv_chunk_get_u32(start + 8);
      if (length == 0) {
        section_.reset();
        return true;
      }
      section_ = text_field(start + FNAM_NAME_OFFSET, limit, length);
      return section_ ? true : refuse("a file name is not a text");
    }
    if (chunk.type == QV_CHUNK_FEND) {
      ++index_.file_sections;
      if (!section_open_) return refuse("a file section ends that never began");
      section_open_ = false;
      section_.reset();
      return true;
    }
    if (chunk.type == QV_CHUNK_GNXT) {
      index_.next_number = qv_chunk_get_i32(start + 8);
      if (*index_.next_number < 1)
        return refuse("the next free group number " + std::to_string(*index_.next_number) +
                      " is below 1");
      return true;
    }
    return refuse("a \"" + type + "\" chunk does not belong in path-group data");
  }

  bool open_block(const QVChunk &chunk, const uint8_t *start, const uint8_t *limit) {
    QVPathGroupBlock block;
    block.number = qv_chunk_get_i32(start + 8);
    if (block.number < 0) return refuse(describe_group(block.number) + " has a negative number");
    const auto name = text_field(start + GHDR_NAME_OFFSET, limit, qv_chunk_get_u32(start + 12));
    if (!name) return refuse("the name of " + describe_group(block.number) + " is not a text");
    block.name = *name;
    block.file_name = section_;
    block.begin = chunk.offset;
    open_ = std::move(block);
    return true;
  }

  bool close_block(const QVChunk &chunk) {
    if (!open_) return refuse("a group end has no group");
    open_->end = chunk.offset + QV_CHUNK_HEADER_SIZE + chunk.size;
    const QVSnapshotContent content =
        qv_snapshot_read_all({data_ + open_->begin, open_->end - open_->begin});
    if (!content.sound)
      return refuse(describe_group(open_->number) + " holds a damaged path or parasite");
    open_->path_count = content.paths.size();
    qv_or_abort("Abort, buf=malloc() failed!", [&] { index_.blocks.push_back(std::move(*open_)); });
    open_.reset();
    return true;
  }
};

bool same_file(const std::optional<std::string> &a, const std::optional<std::string> &b) {
  return a.has_value() == b.has_value() && (!a || *a == *b);
}

Bytes without_empty_sections(const Bytes &data) {
  Bytes out;
  QVChunkWalker walker = qv_chunk_walker_new(data.data(), data.size());
  std::optional<QVChunk> pending_fnam;
  while (const std::optional<QVChunk> chunk = qv_chunk_walker_next(walker)) {
    const uint8_t *start = data.data() + chunk->offset;
    const uint8_t *end = start + QV_CHUNK_HEADER_SIZE + chunk->size;
    if (pending_fnam) {
      const bool empty_section = chunk->type == QV_CHUNK_FEND;
      if (!empty_section) {
        const uint8_t *fnam = data.data() + pending_fnam->offset;
        append(out, fnam, fnam + QV_CHUNK_HEADER_SIZE + pending_fnam->size);
      }
      pending_fnam.reset();
      if (empty_section) continue;
    }
    if (chunk->type == QV_CHUNK_FNAM) {
      pending_fnam = chunk;
      continue;
    }
    append(out, start, end);
  }
  if (pending_fnam) {
    const uint8_t *fnam = data.data() + pending_fnam->offset;
    append(out, fnam, fnam + QV_CHUNK_HEADER_SIZE + pending_fnam->size);
  }
  return out;
}

QVPathGroupFile file_failure(QVPathGroupFileStatus status, std::string detail) {
  QVPathGroupFile file;
  file.status = status;
  file.detail = std::move(detail);
  return file;
}

}  // namespace

QVPathGroupCurrent qv_pathgroup_current_default(const std::string &name_prefix) {
  QVPathGroupCurrent current;
  current.name = name_prefix + "1";
  return current;
}

std::vector<uint8_t> qv_pathgroup_current_encode(const QVPathGroupCurrent &current) {
  const std::string name = current.name.c_str();  // up to its first NUL, as readers see it
  const std::string file = current.file_name ? current.file_name->c_str() : "";
  Bytes out;
  put_be32(out, static_cast<uint32_t>(current.number));
  put_be32(out, static_cast<uint32_t>(current.next_number));
  put_be32(out, static_cast<uint32_t>(name.size() + 1));
  put_be32(out, current.file_name ? static_cast<uint32_t>(file.size() + 1) : 0u);
  out.insert(out.end(), name.begin(), name.end());
  out.push_back(0);
  if (current.file_name) {
    out.insert(out.end(), file.begin(), file.end());
    out.push_back(0);
  }
  return out;
}

std::optional<QVPathGroupCurrent> qv_pathgroup_current_decode(const uint8_t *data, size_t size) {
  if (data == nullptr || size < CURRENT_FIXED_SIZE) return std::nullopt;
  QVPathGroupCurrent current;
  current.number = static_cast<int32_t>(get_be32(data));
  current.next_number = static_cast<int32_t>(get_be32(data + 4));
  const uint64_t name_length = get_be32(data + 8);
  const uint64_t file_length = get_be32(data + 12);
  const uint8_t *limit = data + size;
  const auto name = text_field(data + CURRENT_FIXED_SIZE, limit, name_length);
  if (!name) return std::nullopt;
  current.name = *name;
  if (file_length > 0) {
    current.file_name = text_field(data + CURRENT_FIXED_SIZE + name_length, limit, file_length);
    if (!current.file_name) return std::nullopt;
  }
  return current;
}

QVPathGroupIndex qv_pathgroups_index(const uint8_t *data, size_t length) {
  return IndexWalk(data, data == nullptr ? 0 : length).run();
}

const QVPathGroupBlock *qv_pathgroups_find(const QVPathGroupIndex &index, int32_t number,
                                           const std::optional<std::string> &file_name) {
  for (const QVPathGroupBlock &block : index.blocks) {
    if (block.number == number && same_file(block.file_name, file_name)) return &block;
  }
  return nullptr;
}

int32_t qv_pathgroups_highest_image_number(const QVPathGroupIndex &index) {
  int32_t highest = 0;
  for (const QVPathGroupBlock &block : index.blocks) {
    if (!block.file_name) highest = std::max(highest, block.number);
  }
  return highest;
}

QVSnapshotContent qv_pathgroup_block_content(const std::vector<uint8_t> &data,
                                             const QVPathGroupBlock &block) {
  if (block.end > data.size() || block.begin >= block.end) {
    QVSnapshotContent none;
    none.sound = false;
    return none;
  }
  return qv_snapshot_read_all({data.data() + block.begin, block.end - block.begin});
}

std::vector<uint8_t> qv_pathgroup_block_build(int32_t number, const std::string &name,
                                              const std::vector<QVSnapshotPath> &paths,
                                              const std::vector<QVSnapshotParasite> &parasites) {
  Bytes block;
  qv_snapshot_append_group_header(block, number, name);
  for (const QVSnapshotPath &path : paths) qv_snapshot_append_path(block, path);
  for (const QVSnapshotParasite &parasite : parasites) qv_snapshot_append_parasite(block, parasite);
  qv_snapshot_append_empty(block, QV_CHUNK_GEND);
  return block;
}

void qv_pathgroup_append_file_name(std::vector<uint8_t> &out,
                                   const std::optional<std::string> &file_name) {
  const std::string name = file_name ? file_name->c_str() : "";
  const uint32_t length = file_name ? static_cast<uint32_t>(name.size() + 1) : 0u;
  Bytes chunk(QV_CHUNK_HEADER_SIZE + 4 + length, 0);
  qv_chunk_put_u32(chunk.data(), 4 + length);
  qv_chunk_put_u32(chunk.data() + 4, QV_CHUNK_FNAM);
  qv_chunk_put_u32(chunk.data() + 8, length);
  if (length > 0) std::memcpy(chunk.data() + FNAM_NAME_OFFSET, name.c_str(), length);
  append(out, chunk);
}

std::vector<uint8_t> qv_pathgroups_put_block(const std::vector<uint8_t> &data,
                                             const QVPathGroupIndex &index, int32_t number,
                                             const std::optional<std::string> &file_name,
                                             const std::vector<uint8_t> &block) {
  Bytes out;
  if (const QVPathGroupBlock *old = qv_pathgroups_find(index, number, file_name)) {
    append(out, data.data(), data.data() + old->begin);
    append(out, block);
    append(out, data.data() + old->end, data.data() + data.size());
    return out;
  }
  out = data;
  if (file_name) qv_pathgroup_append_file_name(out, file_name);
  append(out, block);
  if (file_name) qv_snapshot_append_empty(out, QV_CHUNK_FEND);
  return out;
}

std::vector<uint8_t> qv_pathgroups_remove_blocks(
    const std::vector<uint8_t> &data, const QVPathGroupIndex &index,
    const std::vector<const QVPathGroupBlock *> &blocks) {
  Bytes kept;
  size_t at = 0;
  for (const QVPathGroupBlock &block : index.blocks) {
    if (std::find(blocks.begin(), blocks.end(), &block) == blocks.end()) continue;
    append(kept, data.data() + at, data.data() + block.begin);
    at = block.end;
  }
  append(kept, data.data() + at, data.data() + data.size());
  return without_empty_sections(kept);
}

std::vector<uint8_t> qv_pathgroups_extract_blocks(
    const std::vector<uint8_t> &data, const std::vector<const QVPathGroupBlock *> &blocks) {
  Bytes out;
  for (const QVPathGroupBlock *block : blocks) {
    if (block && block->end <= data.size())
      append(out, data.data() + block->begin, data.data() + block->end);
  }
  return out;
}

std::vector<uint8_t> qv_pathgroups_add_from_file(const std::vector<uint8_t> &data,
                                                 const QVPathGroupIndex &index,
                                                 const std::string &file_name,
                                                 const std::vector<uint8_t> &file_chunks,
                                                 const QVPathGroupIndex &file_index,
                                                 const std::vector<int32_t> &numbers, int *added) {
  Bytes blocks;
  int count = 0;
  for (const QVPathGroupBlock &block : file_index.blocks) {
    const bool chosen =
        numbers.empty() || std::find(numbers.begin(), numbers.end(), block.number) != numbers.end();
    if (!chosen || qv_pathgroups_find(index, block.number, file_name)) continue;
    append(blocks, file_chunks.data() + block.begin, file_chunks.data() + block.end);
    ++count;
  }
  if (added) *added = count;
  Bytes out = data;
  if (count == 0) return out;
  qv_pathgroup_append_file_name(out, file_name);
  append(out, blocks);
  qv_snapshot_append_empty(out, QV_CHUNK_FEND);
  return out;
}

namespace {

// The block under another number and name: a new "GHDR" before the block's
// paths, parasites and "GEND".
Bytes block_renamed(const Bytes &data, const QVPathGroupBlock &block, int32_t number,
                    const std::string &name) {
  Bytes out;
  qv_snapshot_append_group_header(out, number, name);
  const size_t body =
      block.begin + QV_CHUNK_HEADER_SIZE + qv_chunk_get_u32(data.data() + block.begin);
  append(out, data.data() + body, data.data() + block.end);
  return out;
}

}  // namespace

std::vector<uint8_t> qv_pathgroups_duplicate_blocks(
    const std::vector<uint8_t> &data, const std::vector<const QVPathGroupBlock *> &blocks,
    int32_t first_number, const std::string &name_prefix, int32_t *next_number) {
  Bytes out = data;
  int32_t number = first_number;
  for (const QVPathGroupBlock *block : blocks) {
    if (!block || block->end > data.size()) continue;
    append(out, block_renamed(data, *block, number, name_prefix + block->name));
    ++number;
  }
  if (next_number) *next_number = number;
  return out;
}

std::vector<uint8_t> qv_pathgroups_make_internal(
    const std::vector<uint8_t> &data, const QVPathGroupIndex &index,
    const std::vector<const QVPathGroupBlock *> &blocks, int32_t *next_number,
    std::vector<QVPathGroupMove> *moves) {
  std::vector<const QVPathGroupBlock *> moving;
  for (const QVPathGroupBlock *block : blocks) {
    if (block && block->file_name && std::find(moving.begin(), moving.end(), block) == moving.end())
      moving.push_back(block);
  }
  if (moving.empty()) return data;
  std::vector<int32_t> taken;
  for (const QVPathGroupBlock &block : index.blocks)
    if (!block.file_name) taken.push_back(block.number);
  const auto is_taken = [&](int32_t n) {
    return std::find(taken.begin(), taken.end(), n) != taken.end();
  };

  // Groups that can keep their numbers claim them first, so that a clash
  // never takes a number another moving group still needs.
  std::vector<std::optional<int32_t>> numbers(moving.size());
  for (size_t i = 0; i < moving.size(); ++i) {
    if (is_taken(moving[i]->number)) continue;
    numbers[i] = moving[i]->number;
    taken.push_back(moving[i]->number);
  }
  Bytes appended;
  for (size_t i = 0; i < moving.size(); ++i) {
    const QVPathGroupBlock *block = moving[i];
    if (!numbers[i]) {
      while (is_taken(*next_number)) ++*next_number;
      numbers[i] = (*next_number)++;
      taken.push_back(*numbers[i]);
    }
    const int32_t number = *numbers[i];
    append(appended, block_renamed(data, *block, number, block->name));
    if (moves) moves->push_back({block->number, *block->file_name, number});
  }
  Bytes out = qv_pathgroups_remove_blocks(data, index, moving);
  append(out, appended);
  return out;
}

std::vector<QVSnapshotParasite> qv_pathgroup_parasites_retattooed(
    const std::vector<QVSnapshotParasite> &parasites,
    const std::vector<std::pair<int32_t, int32_t>> &tattoos) {
  std::vector<QVSnapshotParasite> out;
  for (const QVSnapshotParasite &parasite : parasites) {
    if (!qv_is_any_per_path_parasite(parasite.name)) continue;
    // A structured binding is not a variable a C++17 lambda may capture.
    const auto split = qv_split_trailing_number(parasite.name);
    const std::string &stem = split.first;
    const long tattoo = split.second;
    const auto it =
        std::find_if(tattoos.begin(), tattoos.end(),
                     [&](const std::pair<int32_t, int32_t> &t) { return t.first == tattoo; });
    if (it == tattoos.end()) continue;
    QVSnapshotParasite renamed = parasite;
    renamed.name = stem + std::to_string(it->second);
    out.push_back(std::move(renamed));
  }
  return out;
}

namespace {

// Stored data and files hold group blocks only; an "EODT" would hide
// everything behind it, so groups appended later would never be found.
std::string stored_data_error(const QVPathGroupIndex &index) {
  if (!index.ok()) return index.error;
  if (index.ends_at_eodt) return "an end-of-data chunk does not belong in stored path groups";
  return std::string();
}

}  // namespace

std::optional<std::vector<uint8_t>> qv_pathgroups_convert_old(const std::vector<uint8_t> &host_data,
                                                              std::string *error) {
  const std::string fault = stored_data_error(qv_pathgroups_index(host_data));
  if (!fault.empty()) {
    if (error) *error = fault;
    return std::nullopt;
  }
  Bytes stored = host_data;
  const QVChunkStatus status = qv_chunks_to_big_endian(stored.data(), stored.size());
  if (status != QVChunkStatus::ok) {
    if (error) *error = qv_chunk_status_message(status);
    return std::nullopt;
  }
  return stored;
}

std::optional<std::vector<uint8_t>> qv_pathgroups_from_stored(const std::vector<uint8_t> &stored,
                                                              std::string *error) {
  Bytes data = stored;
  const QVChunkStatus status = qv_chunks_to_host(data.data(), data.size());
  if (status != QVChunkStatus::ok) {
    if (error) *error = qv_chunk_status_message(status);
    return std::nullopt;
  }
  const std::string fault = stored_data_error(qv_pathgroups_index(data));
  if (!fault.empty()) {
    if (error) *error = fault;
    return std::nullopt;
  }
  return data;
}

std::vector<uint8_t> qv_pathgroups_to_stored(const std::vector<uint8_t> &data) {
  Bytes stored = data;
  qv_chunks_to_big_endian(stored.data(), stored.size());
  return stored;
}

std::vector<uint8_t> qv_pathgroups_render_block(const std::vector<uint8_t> &data) {
  Bytes out = data;
  qv_snapshot_append_empty(out, QV_CHUNK_EODT);
  return out;
}

std::vector<uint8_t> qv_pathgroup_file_render_block(const std::string &file_name,
                                                    const std::vector<uint8_t> &file_chunks) {
  Bytes out;
  qv_pathgroup_append_file_name(out, file_name);
  append(out, file_chunks);
  qv_snapshot_append_empty(out, QV_CHUNK_EODT);
  return out;
}

QVPathGroupFile qv_pathgroup_file_decode(const uint8_t *data, size_t size) {
  if (data == nullptr || size < QV_PATHGROUP_MAGIC_SIZE ||
      std::memcmp(data, QV_PATHGROUP_FILE_MAGIC, QV_PATHGROUP_MAGIC_SIZE) != 0) {
    return file_failure(QVPathGroupFileStatus::not_group_file,
                        "the file does not begin with the path-group magic");
  }
  Bytes chunks;
  append(chunks, data + QV_PATHGROUP_MAGIC_SIZE, data + size);
  const QVChunkStatus status = qv_chunks_to_host(chunks.data(), chunks.size());
  if (status != QVChunkStatus::ok) {
    return file_failure(QVPathGroupFileStatus::damaged, qv_chunk_status_message(status));
  }
  const QVPathGroupIndex index = qv_pathgroups_index(chunks);
  const std::string fault = stored_data_error(index);
  if (!fault.empty()) return file_failure(QVPathGroupFileStatus::damaged, fault);
  if (index.file_sections > 0) {
    return file_failure(QVPathGroupFileStatus::damaged, "a group file cannot hold file sections");
  }
  QVPathGroupFile file;
  file.next_number = index.next_number;
  std::vector<const QVPathGroupBlock *> all;
  for (const QVPathGroupBlock &block : index.blocks) all.push_back(&block);
  // Only the blocks: the "GNXT" belongs to the file, not to the groups.
  file.chunks = qv_pathgroups_extract_blocks(chunks, all);
  file.index = qv_pathgroups_index(file.chunks);
  return file;
}

QVPathGroupFile qv_pathgroup_file_load(const std::string &utf8_name) {
  const std::optional<std::string> name = qv_filename_from_utf8(utf8_name.c_str());
  if (!name || !g_file_test(name->c_str(), G_FILE_TEST_EXISTS)) {
    return file_failure(QVPathGroupFileStatus::missing, "no such file");
  }
  gchar *contents = nullptr;
  gsize length = 0;
  GError *raw_error = nullptr;
  if (!g_file_get_contents(name->c_str(), &contents, &length, &raw_error)) {
    QVGError error(raw_error);
    return file_failure(QVPathGroupFileStatus::unreadable,
                        error ? error->message : "cannot be read");
  }
  const std::unique_ptr<gchar, decltype(&g_free)> holder(contents, g_free);
  return qv_pathgroup_file_decode(reinterpret_cast<const uint8_t *>(contents), length);
}

std::vector<uint8_t> qv_pathgroup_file_encode(const std::vector<uint8_t> &blocks,
                                              int32_t next_number) {
  Bytes out(QV_PATHGROUP_FILE_MAGIC, QV_PATHGROUP_FILE_MAGIC + QV_PATHGROUP_MAGIC_SIZE);
  Bytes chunks = blocks;
  Bytes next(QV_CHUNK_HEADER_SIZE + 4, 0);
  qv_chunk_put_u32(next.data(), 4);
  qv_chunk_put_u32(next.data() + 4, QV_CHUNK_GNXT);
  qv_chunk_put_i32(next.data() + 8, next_number);
  append(chunks, next);
  qv_chunks_to_big_endian(chunks.data(), chunks.size());
  append(out, chunks);
  return out;
}

QVPathGroupFileStatus qv_pathgroup_file_save(const std::string &utf8_name,
                                             const std::vector<uint8_t> &bytes,
                                             std::string *detail) {
  const std::optional<std::string> name = qv_filename_from_utf8(utf8_name.c_str());
  if (!name) {
    if (detail) *detail = "the file name cannot be converted";
    return QVPathGroupFileStatus::write_failed;
  }
  if (bytes.size() > static_cast<size_t>(std::numeric_limits<gssize>::max())) {
    if (detail) *detail = "too much data";
    return QVPathGroupFileStatus::write_failed;
  }
  GError *raw_error = nullptr;
  // g_file_set_contents writes a temporary file beside the target and
  // renames it into place.
  if (!g_file_set_contents(name->c_str(), reinterpret_cast<const gchar *>(bytes.data()),
                           static_cast<gssize>(bytes.size()), &raw_error)) {
    QVGError error(raw_error);
    if (detail) *detail = error ? error->message : "cannot be written";
    return QVPathGroupFileStatus::write_failed;
  }
  return QVPathGroupFileStatus::ok;
}
