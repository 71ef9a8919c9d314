// The timelines of an image as the batch launcher needs them: names, their
// group (current, recent, rest) and how many frames each renders, read from
// the three big-endian timeline parasites of an XCF file. Each timeline is
// decoded whole, with the same checks and the same salvage the plug-in uses
// when it renders.
#pragma once

#include "core/qv_timeline.h"
#include "core/qv_xcf.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

extern const char *const QV_TIMELINE_PARASITE_CURRENT;  // "qv-timeline-current-be"
extern const char *const QV_TIMELINE_PARASITE_RECENT;   // "qv-timeline-recent-be"
extern const char *const QV_TIMELINE_PARASITE_REST;     // "qv-timeline-rest-be"

enum class QVTimelineGroup : int { current = 0, recent = 1, rest = 2 };

// The header fields that decide the frame range, plus the stored texts.
struct QVTimelineInfo {
  std::string name;  // "Timeline" when none is stored
  QVTimelineGroup group = QVTimelineGroup::current;
  std::string frame_filename;  // empty when none is stored
  QVahdrChunk header;          // frame rate, in- and outpoint, ...
};

struct QVTimelineList {
  std::vector<QVTimelineInfo> timelines;  // current, then recent, then rest
  // One sentence per damaged parasite, whose timelines are not listed
  // (qv_timeline_parasites_salvage).
  std::vector<std::string> problems;
};

QVTimelineList qv_xcf_timelines(const QVXcfImage &image);

// Frames from the in- to the outpoint: fps × (out − in) + 0.5, truncated.
// In "end of timeline" mode the outpoint is the timeline's end (never less
// than its minimum end). Nonsense values (not finite, negative) give 0;
// counts are capped at QV_TIMELINE_MAX_FRAMES.
constexpr long QV_TIMELINE_MAX_FRAMES = 999999;
long qv_timeline_frame_count(const QVTimelineInfo &timeline);

// The first timeline of that name in current, recent, rest order.
const QVTimelineInfo *qv_timeline_find(const QVTimelineList &list, const std::string &name);
