// Arbitrary bytes through the path-group readers: as a group file, as
// host-order group data and as a current-group record. Besides memory errors
// it checks what the plug-in relies on: an accepted file saves and reads back
// to the same groups, every block an index lists can be read whole, and a
// store into sound data keeps it sound with exactly one block of that group.
#include "core/qv_chunks.h"
#include "core/qv_path_groups.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void require(bool condition) {
  if (!condition) std::abort();
}

void check_file(const Bytes &input) {
  const QVPathGroupFile file = qv_pathgroup_file_decode(input.data(), input.size());
  if (file.status != QVPathGroupFileStatus::ok) {
    require(file.chunks.empty());
    return;
  }
  require(file.index.ok());
  const Bytes again = qv_pathgroup_file_encode(file.chunks, file.next_number.value_or(1));
  const QVPathGroupFile reread = qv_pathgroup_file_decode(again.data(), again.size());
  require(reread.status == QVPathGroupFileStatus::ok && reread.chunks == file.chunks);
  const Bytes render = qv_pathgroup_file_render_block("f.qvg", file.chunks);
  require(qv_pathgroups_index(render).blocks.size() == file.index.blocks.size());
}

void check_data(const Bytes &input) {
  const QVPathGroupIndex index = qv_pathgroups_index(input);
  if (!index.ok()) {
    require(index.blocks.empty());
    return;
  }
  for (const QVPathGroupBlock &block : index.blocks) {
    require(block.begin < block.end && block.end <= input.size());
    require(qv_pathgroup_block_content(input, block).sound);
  }
  if (index.ends_at_eodt) return;  // a render block, never stored
  const Bytes block = qv_pathgroup_block_build(1, "g", {}, {});
  const Bytes stored = qv_pathgroups_put_block(input, index, 1, std::nullopt, block);
  const QVPathGroupIndex after = qv_pathgroups_index(stored);
  require(after.ok());
  size_t ones = 0;
  for (const QVPathGroupBlock &b : after.blocks) ones += b.number == 1 && !b.file_name;
  // The first matching block is replaced; further copies (foreign data may
  // hold them) stay as they were.
  size_t ones_before = 0;
  for (const QVPathGroupBlock &b : index.blocks) ones_before += b.number == 1 && !b.file_name;
  require(ones == (ones_before == 0 ? 1 : ones_before));
  require(qv_pathgroups_from_stored(qv_pathgroups_to_stored(input), nullptr) == input);
}

void check_record(const Bytes &input) {
  const auto current = qv_pathgroup_current_decode(input.data(), input.size());
  if (!current) return;
  const Bytes again = qv_pathgroup_current_encode(*current);
  const auto reread = qv_pathgroup_current_decode(again.data(), again.size());
  require(reread && reread->name == current->name && reread->file_name == current->file_name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const Bytes input(data, data + size);
  check_file(input);
  check_data(input);
  check_record(input);
  return 0;
}
