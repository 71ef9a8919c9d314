// Combining an image's dated timelines into one: "Make #!COMBINED..." joins
// every timeline whose name is a date, in date order, behind each other on
// one time axis; "Make #!TMP..." joins the timelines a text names, in its
// order. The earliest dated timeline is the setup timeline: it is not
// joined but lends its header and four script entries to every part.
//
// Placement, part after part from time 0 (offset = where the part starts):
// - the setup's "In" entry at the offset; the part's own entries follow
//   its duration, their begins shifted by offset + In.duration;
// - the part lasts as long as its own end (its latest entry end);
// - the setup's "Out" entry right after the part;
// - the setup's "[@-Script] ZoomTo" and "Date" entries span the whole part,
//   In and Out included;
// - the next part starts where this one's Out ends.
// Each part's name date holds where its own entries start; the lines
// "begin ", "duration ", "t-start ", "fade-in ", "t-end " and "fade-out "
// of an entry's extra data, each followed by a date, pin that date to the
// entry's begin, end of its first pass, t-start, fade-in, t-end and fade-out
// point (see qv_reference_points). These (time, date) points, sorted by
// time, form the date sequence. Then "set-duration <date>" makes an entry
// last until the time the sequence reaches that date, and "set-t-end
// <date>" makes it hold its end state (freeze-after) until then; times
// between points are interpolated linearly, outside them the nearest point
// holds.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/qv_timeline.h"

extern const char *const QV_COMBINED_TIMELINE_NAME;  // "#!COMBINED will be deleted!"
extern const char *const QV_TMP_TIMELINE_NAME;       // "#!TMP will be deleted!"

// A date in years, counting the days of the year as a fraction; none when
// the text is not one date and nothing else, or has no digit.
std::optional<double> qv_date_value(const std::string &text);

struct QVCombineResult {
  std::optional<QVTimeline> timeline;  // none: nothing made
  std::string alert;                   // why nothing was made ("" when asked and refused)
  std::vector<std::string> warnings;   // e.g. "Date-Sequence goes REVERSE!"
};

// Questions the user answers: true goes on.
using QVCombineConfirm = std::function<bool(const std::string &question)>;

// "Make #!COMBINED...": all dated timelines but the setup timeline.
QVCombineResult qv_timelines_combine(const std::vector<QVTimeline> &timelines,
                                     const QVCombineConfirm &confirm);

// "Make #!TMP...": the timelines named by the text's lines, in that order
// (blank lines and unknown names are passed over).
QVCombineResult qv_timelines_combine_text(const std::vector<QVTimeline> &timelines,
                                          const std::string &text, const QVCombineConfirm &confirm);
