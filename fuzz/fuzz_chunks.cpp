// Arbitrary bytes through the chunk converters, the snapshot readers and the
// stream. Besides memory errors (caught by the sanitizers) it checks the
// properties callers rely on: a refused conversion leaves the data as it
// was, an accepted one is undone exactly by the opposite conversion, and
// every name a snapshot lists can be found again.
#include "core/qv_chunks.h"
#include "core/qv_snapshot.h"
#include "core/qv_stream.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void require(bool condition) {
  if (!condition) std::abort();
}

// Converts a copy one way; when accepted, the other way must restore it.
void check_conversion(const Bytes &input, QVChunkStatus (*forth)(uint8_t *, size_t),
                      QVChunkStatus (*back)(uint8_t *, size_t)) {
  Bytes bytes = input;
  if (forth(bytes.data(), bytes.size()) != QVChunkStatus::ok) {
    require(bytes == input);
    return;
  }
  require(back(bytes.data(), bytes.size()) == QVChunkStatus::ok);
  require(bytes == input);
}

void check_snapshot(const Bytes &input) {
  const QVSnapshot snapshot{input.data(), input.size()};
  for (const std::string &name : qv_snapshot_path_names(snapshot)) {
    const auto path = qv_snapshot_find_path(snapshot, name);
    require(path && path->name == name);
  }
  for (const std::string &name : qv_snapshot_parasite_names(snapshot)) {
    const auto parasite = qv_snapshot_find_parasite(snapshot, name);
    require(parasite && parasite->name == name);
  }
  qv_snapshot_find_path(snapshot, "");
  qv_snapshot_find_parasite(snapshot, "qv-style-for-path-1");
}

// Writes in pieces whose sizes come from the data itself, across clusters.
void check_stream(const Bytes &input) {
  QVStream stream = qv_stream_new();
  size_t at = 0;
  while (at < input.size()) {
    const size_t piece = std::min<size_t>(input.size() - at, 1 + input[at] * 3);
    require(qv_stream_write(input.data() + at, 1, piece, stream) == piece);
    at += piece;
  }
  require(qv_stream_get_buffer(stream) == input);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const Bytes input(data, data + size);
  check_conversion(input, qv_chunks_to_host, qv_chunks_to_big_endian);
  check_conversion(input, qv_chunks_to_big_endian, qv_chunks_to_host);
  check_snapshot(input);
  check_stream(input);
  return 0;
}
