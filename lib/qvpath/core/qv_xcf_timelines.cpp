#include "core/qv_xcf_timelines.h"

#include "core/qv_render_timing.h"
#include "core/qv_timeline.h"

const char *const QV_TIMELINE_PARASITE_CURRENT = "qv-timeline-current-be";
const char *const QV_TIMELINE_PARASITE_RECENT = "qv-timeline-recent-be";
const char *const QV_TIMELINE_PARASITE_REST = "qv-timeline-rest-be";

namespace {

QVTimelineInfo info_of(const QVBytes &timeline, QVTimelineGroup group) {
  // The salvage decoded every piece whole, so its header is sound.
  const QVahdrChunk h = *qv_ahdr_decode(timeline.data(), timeline.size()).value;
  QVTimelineInfo info;
  info.group = group;
  info.header = h;
  info.frame_filename = h.frame_fname.value_or("");
  info.name = h.name.value_or("");
  if (info.name.empty()) info.name = "Timeline";
  return info;
}

std::optional<QVBytes> parasite_bytes(const QVXcfImage &image, const char *name) {
  const QVXcfParasite *parasite = qv_xcf_find_parasite(image, name);
  if (!parasite) return std::nullopt;
  return parasite->data;
}

}  // namespace

QVTimelineList qv_xcf_timelines(const QVXcfImage &image) {
  // The plug-in's own reading for a render, so that what is listed here
  // renders there and what is refused is refused by both, in the same words.
  const QVTimelineSalvage salvage = qv_timeline_parasites_salvage(
      parasite_bytes(image, QV_TIMELINE_PARASITE_CURRENT),
      parasite_bytes(image, QV_TIMELINE_PARASITE_RECENT),
      parasite_bytes(image, QV_TIMELINE_PARASITE_REST), QVByteOrder::big_endian);
  QVTimelineList list;
  list.problems = salvage.problems;
  if (salvage.parasites.current)
    list.timelines.push_back(info_of(*salvage.parasites.current, QVTimelineGroup::current));
  for (const QVBytes &t : salvage.parasites.recent)
    list.timelines.push_back(info_of(t, QVTimelineGroup::recent));
  for (const QVBytes &t : salvage.parasites.rest)
    list.timelines.push_back(info_of(t, QVTimelineGroup::rest));
  return list;
}

long qv_timeline_frame_count(const QVTimelineInfo &timeline) {
  // The renderer's rule, so that the launcher asks for the frames it renders.
  return qv_ahdr_frame_count(timeline.header);
}

const QVTimelineInfo *qv_timeline_find(const QVTimelineList &list, const std::string &name) {
  for (const QVTimelineInfo &timeline : list.timelines) {
    if (timeline.name == name) return &timeline;
  }
  return nullptr;
}
