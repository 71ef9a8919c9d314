#include "core/qv_timeline_combine.h"

#include <glib.h>
#include <glib/gi18n-lib.h>

#include <algorithm>
#include <cmath>

#include "core/qv_dates.h"
#include "core/qv_locale.h"
#include "core/qv_timeline_edit.h"

const char *const QV_COMBINED_TIMELINE_NAME = "#!COMBINED will be deleted!";
const char *const QV_TMP_TIMELINE_NAME = "#!TMP will be deleted!";

namespace {

const char *const kIn = "\"In\"";
const char *const kOut = "\"Out\"";
const char *const kZoomTo = "[@-Script] ZoomTo";
const char *const kDate = "Date";

struct Part {
  const QVTimeline *timeline;
  std::optional<double> date;
};

// The setup timeline's four script entries.
struct SetupEntries {
  const QVanimChunk *in = nullptr, *out = nullptr, *zoom = nullptr, *date = nullptr;
};

const QVanimChunk *script_entry(const QVTimeline &t, const char *name) {
  for (const QVanimChunk &e : t.entries)
    if (e.script_name && *e.script_name == name) return &e;
  return nullptr;
}

struct DatePoint {
  double time, date;
};

// The date lines of an entry's extra data, pinned to its time points.
void add_extra_points(const QVanimChunk &e, std::vector<DatePoint> &points) {
  if (!e.extra) return;
  static const std::pair<const char *, const char *> keys[] = {
      {"begin ", "animation-begin"}, {"duration ", "animation-end"},
      {"t-start ", "t-start"},       {"fade-in ", "fade-in"},
      {"t-end ", "t-end"},           {"fade-out ", "fade-out"}};
  const auto at = qv_reference_points(e);
  gchar **lines = g_strsplit(e.extra->c_str(), "\n", -1);
  for (gchar **line = lines; *line; ++line)
    for (const auto &[key, point] : keys) {
      if (!g_str_has_prefix(*line, key)) continue;
      const auto date = qv_date_value(*line + std::string(key).size());
      if (!date) continue;
      for (const QVReferencePoint &p : at)
        if (std::string(p.label) == point) points.push_back({p.time, *date});
    }
  g_strfreev(lines);
}

// The time at which the sequence reaches `date`.
double time_at(const std::vector<DatePoint> &points, double date) {
  if (date <= points.front().date) return points.front().time;
  for (size_t i = 0; i + 1 < points.size(); ++i) {
    const DatePoint &a = points[i], &b = points[i + 1];
    if (date >= std::min(a.date, b.date) && date <= std::max(a.date, b.date))
      return a.date == b.date ? a.time
                              : a.time + (b.time - a.time) * (date - a.date) / (b.date - a.date);
  }
  return points.back().time;
}

std::optional<double> extra_date(const QVanimChunk &e, const char *key) {
  if (!e.extra) return std::nullopt;
  std::optional<double> found;
  gchar **lines = g_strsplit(e.extra->c_str(), "\n", -1);
  for (gchar **line = lines; *line; ++line)
    if (g_str_has_prefix(*line, key)) found = qv_date_value(*line + std::string(key).size());
  g_strfreev(lines);
  return found;
}

// The setup timeline: the earliest dated one. None, with the result's alert
// set (or empty when the user refused), when there is none to use.
std::optional<size_t> find_setup(const std::vector<QVTimeline> &timelines,
                                 const QVCombineConfirm &confirm, QVCombineResult &result) {
  std::optional<size_t> setup;
  std::optional<double> earliest;
  int sharing = 0;
  for (size_t i = 0; i < timelines.size(); ++i) {
    const auto date = qv_date_value(qv_timeline_display_name(timelines[i].header));
    if (!date) continue;
    if (!earliest || *date < *earliest) {
      earliest = date;
      setup = i;
      sharing = 1;
    } else if (*date == *earliest) {
      ++sharing;
    }
  }
  if (!setup) {
    result.alert = qv_text(_("Aborting, «%s» timeline is missing!"), "Setup");
    return std::nullopt;
  }
  const QVTimeline &t = timelines[*setup];
  const std::string name = qv_timeline_display_name(t.header);
  if (sharing > 1 &&
      !confirm(qv_text(_("Multiple Setup-Timelines recognized!\nDo you want to use «%s»?"),
                       name.c_str())))
    return std::nullopt;
  if (!script_entry(t, kIn) || !script_entry(t, kOut) || !script_entry(t, kZoomTo) ||
      !script_entry(t, kDate)) {
    result.alert = qv_text(_("Aborting,\n«\"In\"»\nor «\"Out\"»\nor «[@-Script] ZoomTo»\nor "
                             "«Date» animation\nin timeline «%s» is missing!"),
                           name.c_str());
    return std::nullopt;
  }
  return setup;
}

QVCombineResult join(const QVTimeline &setup, const std::vector<Part> &parts, const char *name) {
  QVCombineResult result;
  const SetupEntries s{script_entry(setup, kIn), script_entry(setup, kOut),
                       script_entry(setup, kZoomTo), script_entry(setup, kDate)};
  QVTimeline out = qv_timeline_new(std::string(name));
  out.header = setup.header;
  out.header.name = name;
  out.header.inpoint = 0;
  out.header.outpoint_mode = QV_OUT_END;
  out.header.next_anim_id = 1;
  std::vector<DatePoint> points;
  double offset = 0;
  size_t joined = 0;
  for (const Part &part : parts) {
    const double in_length = std::max(0.0, s.in->duration);
    const double start = offset + in_length;
    const double length = std::max(0.0, qv_timeline_end(*part.timeline));
    const double out_length = std::max(0.0, s.out->duration);
    QVanimChunk in = *s.in;
    in.begin = offset;
    qv_timeline_add_entry(out, in);
    for (QVanimChunk entry : part.timeline->entries) {
      entry.begin += start;
      qv_timeline_add_entry(out, entry);
      ++joined;
    }
    QVanimChunk closing = *s.out;
    closing.begin = start + length;
    qv_timeline_add_entry(out, closing);
    for (const QVanimChunk *spanning : {s.zoom, s.date}) {
      QVanimChunk e = *spanning;
      e.begin = offset;
      e.duration = in_length + length + out_length;
      qv_timeline_add_entry(out, e);
    }
    if (part.date) points.push_back({start, *part.date});
    offset = start + length + out_length;
  }
  if (joined == 0) {
    result.alert = _("No Animtions combined!");
    return result;
  }
  for (const QVanimChunk &e : out.entries) add_extra_points(e, points);
  std::stable_sort(points.begin(), points.end(),
                   [](const DatePoint &a, const DatePoint &b) { return a.time < b.time; });
  for (size_t i = 0; i + 1 < points.size(); ++i)
    if (points[i + 1].date < points[i].date) {
      result.warnings.push_back(_("Date-Sequence goes REVERSE!"));
      break;
    }
  if (!points.empty())
    for (QVanimChunk &e : out.entries) {
      if (const auto until = extra_date(e, "set-duration "))
        e.duration = std::max(0.0, time_at(points, *until) - e.begin);
      if (const auto until = extra_date(e, "set-t-end ")) {
        const double passes = e.duration * (1 + std::max(0.0, e.repeat));
        e.freeze_after = std::max(0.0, time_at(points, *until) - (e.begin + passes));
      }
    }
  out.header.end = qv_timeline_end(out);
  result.timeline = std::move(out);
  return result;
}

}  // namespace

std::optional<double> qv_date_value(const std::string &text) {
  // Month words are read from their first letters ("Demo" would be
  // December): a name is only a date with a number in it.
  if (std::none_of(text.begin(), text.end(), [](char c) { return g_ascii_isdigit(c); }))
    return std::nullopt;
  const QVdtfParsed parsed = qv_dtf_parse(text.c_str(), -1);
  if (!parsed.found) return std::nullopt;
  for (size_t i = parsed.end; i < text.size(); ++i)
    if (!g_ascii_isspace(text[i])) return std::nullopt;
  const QVdtfNumbers d = qv_dtf_validate(parsed.date);
  static const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = qv_dtf_is_leap_year(d.year);
  double day_of_year = d.day > 0 ? d.day - 1 : 0;
  for (int m = 1; m < d.month && m <= 12; ++m) day_of_year += lengths[m - 1] + (m == 2 && leap);
  return d.year + day_of_year / (leap ? 366.0 : 365.0);
}

QVCombineResult qv_timelines_combine(const std::vector<QVTimeline> &timelines,
                                     const QVCombineConfirm &confirm) {
  QVCombineResult result;
  const auto setup = find_setup(timelines, confirm, result);
  if (!setup) return result;
  std::vector<Part> parts;
  for (size_t i = 0; i < timelines.size(); ++i) {
    const std::string name = qv_timeline_display_name(timelines[i].header);
    const auto date = qv_date_value(name);
    if (i != *setup && date && name != QV_COMBINED_TIMELINE_NAME)
      parts.push_back({&timelines[i], date});
  }
  if (parts.empty()) {
    result.alert = _("No timelines to combine, only Setup-Timeline!");
    return result;
  }
  std::stable_sort(parts.begin(), parts.end(),
                   [](const Part &a, const Part &b) { return *a.date < *b.date; });
  for (size_t i = 0; i + 1 < parts.size(); ++i)
    if (*parts[i].date == *parts[i + 1].date &&
        !confirm(qv_text(_("Equal begin for [%d]'%s'!\nIgnore and continue?"),
                         static_cast<int>(i + 1),
                         qv_timeline_display_name(parts[i + 1].timeline->header).c_str())))
      return result;
  return join(timelines[*setup], parts, QV_COMBINED_TIMELINE_NAME);
}

QVCombineResult qv_timelines_combine_text(const std::vector<QVTimeline> &timelines,
                                          const std::string &text,
                                          const QVCombineConfirm &confirm) {
  QVCombineResult result;
  std::vector<Part> parts;
  gchar **lines = g_strsplit(text.c_str(), "\n", -1);
  for (gchar **line = lines; *line; ++line) {
    const std::string name = g_strstrip(*line);
    if (name.empty()) continue;
    for (const QVTimeline &t : timelines)
      if (qv_timeline_display_name(t.header) == name) {
        parts.push_back({&t, qv_date_value(name)});
        break;
      }
  }
  g_strfreev(lines);
  if (parts.empty()) {
    result.alert = _("No Text to combine!");
    return result;
  }
  const auto setup = find_setup(timelines, confirm, result);
  if (!setup) return result;
  return join(timelines[*setup], parts, QV_TMP_TIMELINE_NAME);
}
