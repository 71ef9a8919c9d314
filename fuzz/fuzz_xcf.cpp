// Arbitrary bytes through the XCF parasite and layer reader and the timeline
// listing.
// Besides memory errors (caught by the sanitizers) it checks that a file is
// either refused with a reason or read completely, that reading does not
// depend on bytes past the parasite list, and that every listed timeline can
// be found again by its name.
#include "core/qv_xcf.h"
#include "core/qv_xcf_timelines.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QVXcfRead read = qv_xcf_read_bytes(data, size);
  require(read.image.has_value() != !read.error.empty());
  // The layer headers come after everything the plain read needs.
  const QVXcfRead layered = qv_xcf_read_bytes(data, size, true);
  require(layered.image.has_value() != !layered.error.empty());
  require(!layered.image ||
          (read.image && layered.image->parasites.size() == read.image->parasites.size()));
  if (!read.image) return 0;

  // The same bytes with trailing garbage read the same.
  std::vector<uint8_t> longer(data, data + size);
  longer.insert(longer.end(), 64, 0xA5);
  const QVXcfRead again = qv_xcf_read_bytes(longer.data(), longer.size());
  require(again.image && again.image->parasites.size() == read.image->parasites.size());

  const QVTimelineList list = qv_xcf_timelines(*read.image);
  for (const QVTimelineInfo &timeline : list.timelines) {
    require(qv_timeline_find(list, timeline.name) != nullptr);
    const long frames = qv_timeline_frame_count(timeline);
    require(frames >= 0 && frames <= QV_TIMELINE_MAX_FRAMES);
  }
  return 0;
}
