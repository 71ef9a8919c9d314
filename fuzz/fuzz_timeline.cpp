// Arbitrary bytes through the timeline readers: as a ".qvt" file, as the
// content of each timeline parasite in either byte order, and through the
// directory operations. Besides memory errors it checks that whatever is
// accepted survives being written and read again, and that moving
// timelines between the parasites never loses or invents one.
#include "core/qv_timeline.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

void check_reencode(const QVBytes &piece) {
  const auto timeline = qv_timeline_decode(piece);
  require(timeline.value.has_value());
  const QVBytes once = qv_timeline_encode(*timeline.value);
  const auto again = qv_timeline_decode(once);
  require(again.value.has_value());
  require(qv_timeline_encode(*again.value) == once);
  const QVBytes stored = qv_timeline_encode(*timeline.value, QVByteOrder::big_endian);
  require(qv_timeline_decode(stored, QVByteOrder::big_endian).value.has_value());
}

void check_file(const uint8_t *data, size_t size) {
  const auto timeline = qv_timeline_file_parse(data, size);
  if (!timeline) {
    require(!timeline.error.empty());
    return;
  }
  check_reencode(*timeline.value);
  const QVBytes file = qv_timeline_file_bytes(*timeline.value);
  const auto back = qv_timeline_file_parse(file.data(), file.size());
  require(back.value.has_value() && *back.value == *timeline.value);
}

// The input split in three at positions taken from its first bytes.
void check_parasites(const uint8_t *data, size_t size, QVByteOrder order) {
  if (size < 2) return;
  const size_t a = 2 + data[0] * (size - 2) / 255;
  const size_t b = a + data[1] * (size - a) / 255;
  const QVBytes current(data + 2, data + a), recent(data + a, data + b),
      rest(data + b, data + size);
  const auto parsed = qv_timeline_parasites_parse(current, recent, rest, order);
  if (!parsed) return;
  QVTimelineParasites p = *parsed.value;
  for (const QVBytes &piece : p.recent) check_reencode(piece);
  const int total = qv_timeline_count(p);
  const QVTimelineDirectory dir = qv_timeline_directory_new(p);
  require(dir.total == total && static_cast<int>(dir.names.size()) == total);
  qv_timeline_unique_name(dir, dir.names.empty() ? "" : dir.names.back());
  qv_timeline_make_current(p, total - 1);
  require(qv_timeline_count(p) == total);
  qv_timeline_balance(p);
  require(qv_timeline_count(p) == total);
  require(p.recent.size() <= QV_TIMELINE_RECENT_MAX);
  const auto stored = qv_timeline_parasite_content(p.recent, order);
  if (stored) {
    const auto again = qv_timeline_split(stored->data(), stored->size(), order);
    require(again.value.has_value() && *again.value == p.recent);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  check_file(data, size);
  check_parasites(data, size, QVByteOrder::big_endian);
  check_parasites(data, size, QVByteOrder::host);
  for (QVByteOrder order : {QVByteOrder::host, QVByteOrder::big_endian}) {
    qv_timelines_decode(data, size, order);
  }
  return 0;
}
