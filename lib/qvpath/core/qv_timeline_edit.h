// What the timeline editor computes, without GTK: time fields and labels,
// the rate menu's texts, the render range of a header, the reference
// points of "Set to", the list's row markup, templates and new entries.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/qv_timeline.h"

// ---- Time labels ---------------------------------------------------------

// "59.50 sec   " below a minute, else "1:02:05   " (hours, then minutes and
// seconds with a leading zero below 10).
std::string qv_time_label(double seconds);

// ---- Rates and render range ---------------------------------------------

// The rates the rate menu offers, highest first.
const std::vector<double> &qv_timeline_rates();
// "25 frames/sec   ", "29.97 frames/sec   ", "1 frame/sec   ".
std::string qv_rate_item_label(double rate);

// The frames "Render & Save" renders: from the inpoint frame (rounded) to
// the outpoint frame, none when the outpoint is not after the inpoint.
struct QVRenderSpan {
  long first = 0;
  long count = 0;
};
QVRenderSpan qv_timeline_render_span(const QVahdrChunk &header);

// ---- Entries ------------------------------------------------------------

// The time points of a reference entry that "Set to" offers for a begin,
// in menu order; a point whose condition fails is shown but not usable.
struct QVReferencePoint {
  const char *label;  // "fade-in", "t-start", "animation-begin", ...
  double time = 0;
  bool usable = false;
};
std::vector<QVReferencePoint> qv_reference_points(const QVanimChunk &reference);

// Whether the entry is a script entry (it has a script name and no group).
bool qv_entry_is_script(const QVanimChunk &entry);

// The Pango markup of the "@nimation" column; `resolved` 0 strikes it out.
std::string qv_entry_markup(const QVanimChunk &entry, int resolved);
// The "Script" / "Extra" button's markup, coloured when the entry has that text.
std::string qv_edit_button_markup(const std::string &label, bool has_text, bool extra);

// The four lines of the "Enter Fade/Freeze" menu for an entry:
// "Fade-in: 0.40 s", "Freeze-before: 0.25; 1.50" (t and seconds, "∞" for
// frozen from the start), "Freeze-behind: …", "Fade-out: …", or "… off".
std::vector<std::string> qv_fade_freeze_labels(const QVanimChunk &entry);

// What "Enter Fade/Freeze!" sets: each part on with its seconds (a freeze
// of -1 lasts from the start or for ever), or off.
struct QVFadeFreeze {
  bool fade_in = false, freeze_before = false, freeze_behind = false, fade_out = false;
  double fade_in_s = 0, freeze_before_s = 0, freeze_behind_s = 0, fade_out_s = 0;
};
QVFadeFreeze qv_fade_freeze_of(const QVanimChunk &entry);
// Off fades are 0; an off freeze unsets its t (-1); an on freeze keeps its t
// (0 at the start, 1 at the end when it was unset).
void qv_fade_freeze_apply(QVanimChunk &entry, const QVFadeFreeze &values);

// A new entry: the header's next id (counted on), the target, t 0 → 1 over
// 2 s, begin as given, everything else 0.
QVanimChunk qv_entry_new(QVahdrChunk &header, int32_t drawable_tattoo, bool drawable_is_mask,
                         double begin);

// Recomputes the header's end from the entries (never below its minimum).
void qv_timeline_update_end(QVTimeline &timeline);

// ---- Templates ----------------------------------------------------------

// The GIMP-wide parasite holding them.
extern const char *const QV_ANIMATION_TEMPLATES_PARASITE;

// The name a template is listed under: its script name, else its path
// name, else its group name, else "NULL".
std::string qv_template_label(const QVanimChunk &entry);

// The parasite's content: entry chunks one after the other, big-endian.
QVDecoded<std::vector<QVanimChunk>> qv_templates_decode(const QVBytes &bytes);
QVBytes qv_templates_encode(const std::vector<QVanimChunk> &templates);
