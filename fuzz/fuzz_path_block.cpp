// Arbitrary bytes through the clipboard's path-block reader, as a whole
// block and as a chunk stream wrapped in a sound header. Besides memory
// errors it checks what paste relies on: a refused block gives nothing and
// says why, and an accepted one wraps again to the same bytes and lists
// every path its stream holds.
#include "core/qv_path_clipboard.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

void check(const uint8_t *data, size_t size) {
  const QVPathBlock block = qv_path_block_read(data, size);
  if (!block) {
    require(!block.error.empty() && block.paths.empty() && block.stream.empty());
    return;
  }
  require(!block.paths.empty());
  const std::vector<uint8_t> again = qv_path_block_wrap(block.stream);
  require(again.size() <= size && std::equal(again.begin(), again.end(), data));
  const QVPathBlock reread = qv_path_block_read(again.data(), again.size());
  require(reread && reread.paths.size() == block.paths.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  check(data, size);
  const std::vector<uint8_t> wrapped = qv_path_block_wrap(std::vector<uint8_t>(data, data + size));
  check(wrapped.data(), wrapped.size());
  return 0;
}
