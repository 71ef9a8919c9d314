// Writes a ".qvt" timeline of an XCF image's timeline with `N` more entries:
// copies of its own entries, shifted to begin after the timeline's end, so
// that the frames the benchmark renders draw what the original draws and
// have N entries more to look at. Their cost per frame is what grows with N.
// Prints the number of entries written.
//   qv-bench-many-entries XCF TIMELINE N OUT.qvt
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/qv_render_timing.h"
#include "core/qv_timeline.h"
#include "core/qv_xcf.h"
#include "core/qv_xcf_timelines.h"

namespace {

int fail(const std::string &message) {
  std::fprintf(stderr, "qv-bench-many-entries: %s\n", message.c_str());
  return 1;
}

std::optional<QVBytes> parasite(const QVXcfImage &image, const char *name) {
  const QVXcfParasite *p = qv_xcf_find_parasite(image, name);
  return p ? std::optional<QVBytes>(p->data) : std::nullopt;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 5) return fail("usage: XCF TIMELINE N OUT.qvt");
  const long extra = std::atol(argv[3]);
  const QVXcfRead read = qv_xcf_read_file(argv[1]);
  if (!read.image) return fail(read.error);
  const QVTimelineSalvage salvage = qv_timeline_parasites_salvage(
      parasite(*read.image, QV_TIMELINE_PARASITE_CURRENT),
      parasite(*read.image, QV_TIMELINE_PARASITE_RECENT),
      parasite(*read.image, QV_TIMELINE_PARASITE_REST), QVByteOrder::big_endian);
  const auto bytes = qv_timeline_by_name(salvage.parasites, argv[2]);
  if (!bytes) return fail(std::string("no timeline ") + argv[2]);
  auto decoded = qv_timeline_decode(*bytes);
  if (!decoded || decoded.value->entries.empty()) return fail("the timeline has no entries");
  QVTimeline timeline = *decoded.value;
  const std::vector<QVanimChunk> own = timeline.entries;
  const double after = qv_timeline_end(timeline) + 1000.0;
  for (long i = 0; i < extra; ++i) {
    QVanimChunk copy = own[static_cast<size_t>(i) % own.size()];
    copy.begin = after + static_cast<double>(i) * 0.01;
    copy.freeze_before = 0;
    copy.fade_in = 0;
    qv_timeline_add_entry(timeline, copy);
  }
  // The frames stay those of the original timeline.
  timeline.header.outpoint = qv_ahdr_outpoint(decoded.value->header);
  timeline.header.outpoint_mode = QV_OUT_EXPLICIT;
  if (auto error = qv_timeline_file_write(argv[4], qv_timeline_encode(timeline)))
    return fail(*error);
  std::printf("%zu\n", timeline.entries.size());
  return 0;
}
