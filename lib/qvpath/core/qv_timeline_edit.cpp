#include "core/qv_timeline_edit.h"

#include <glib/gi18n-lib.h>

#include <algorithm>
#include <cmath>

#include "core/qv_attributes.h"
#include "core/qv_locale.h"
#include "core/qv_render_timing.h"

const char *const QV_ANIMATION_TEMPLATES_PARASITE = "qv-animation-templates";

namespace {

bool has_text(const std::optional<std::string> &s) { return s && !s->empty(); }

// Markup-escaped, with line breaks and tabs as spaces.
std::string row_text(const std::string &text) {
  std::string flat = text;
  std::replace(flat.begin(), flat.end(), '\n', ' ');
  std::replace(flat.begin(), flat.end(), '\r', ' ');
  std::replace(flat.begin(), flat.end(), '\t', ' ');
  std::string out;
  for (char c : flat) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace

std::string qv_time_label(double seconds) {
  if (seconds < 60) return qv_format("%0.2f sec   ", seconds);
  const double hours = std::floor(seconds / 3600);
  const double minutes = std::floor((seconds - hours * 3600) / 60);
  const double rest = std::floor(seconds - hours * 3600 - minutes * 60);
  return qv_format(minutes < 10 && rest < 10 ? "%0.0f:0%0.0f:0%0.0f   "
                   : rest < 10               ? "%0.0f:%0.0f:0%0.0f   "
                   : minutes < 10            ? "%0.0f:0%0.0f:%0.0f   "
                                             : "%0.0f:%0.0f:%0.0f   ",
                   hours, minutes, rest);
}

const std::vector<double> &qv_timeline_rates() {
  static const std::vector<double> rates = {30, 29.97, 25, 24, 15, 12, 8, 4, 2, 1};
  return rates;
}

std::string qv_rate_item_label(double rate) {
  if (rate != std::floor(rate)) return qv_text(_("%0.2f frames/sec   "), rate);
  if (rate == 1) return qv_text(_("%0.0f frame/sec   "), rate);
  return qv_text(_("%0.0f frames/sec   "), rate);
}

QVRenderSpan qv_timeline_render_span(const QVahdrChunk &header) {
  QVRenderSpan span;
  const double first = std::floor(header.fps * header.inpoint + 0.5);
  const double last = std::floor(header.fps * qv_ahdr_outpoint(header) + 0.5);
  if (!std::isfinite(first) || !std::isfinite(last)) return span;
  span.first = static_cast<long>(std::clamp(first, 0.0, 1e12));
  span.count = static_cast<long>(std::clamp(last - first, 0.0, 1e12));
  return span;
}

std::vector<QVReferencePoint> qv_reference_points(const QVanimChunk &r) {
  const double end = r.begin + r.duration;
  const double repeats = r.repeat > 0 ? r.repeat * r.duration : 0;
  const double freeze_after = r.freeze_after > 0 ? r.freeze_after : 0;
  return {
      {"fade-in", r.begin - std::max(0.0, r.freeze_before) - r.fade_in,
       r.freeze_before >= 0 && r.fade_in > 0},
      {"t-start", r.begin - r.freeze_before, r.freeze_before > 0},
      {"animation-begin", r.begin, true},
      {"animation-end", end, true},
      {"repeat-end", end + repeats, r.repeat > 0},
      {"t-end", end + repeats + freeze_after, r.freeze_after > 0},
      {"fade-out", end + repeats + freeze_after + r.fade_out,
       r.freeze_after >= 0 && r.fade_out > 0},
  };
}

bool qv_entry_is_script(const QVanimChunk &entry) {
  return entry.group_id == 0 && entry.script_name.has_value();
}

std::string qv_entry_markup(const QVanimChunk &entry, int resolved) {
  std::string markup;
  if (qv_entry_is_script(entry)) {
    markup =
        "&lt;Script&gt;  <span foreground=\"#5555ff\">" + row_text(*entry.script_name) + "</span>";
  } else {
    const std::string file = has_text(entry.group_file) ? *entry.group_file : "<Embeded>";
    markup = row_text(file) + "  <span weight=\"bold\">" + row_text(entry.group_name.value_or("")) +
             "</span>";
    if (entry.path_name) {
      const std::string path = entry.path_name->substr(0, entry.path_name->find('\t'));
      markup += "  <span>" + row_text(path) + "</span>";
    }
  }
  if (resolved == 0) markup = "<span strikethrough=\"true\">" + markup + "</span>";
  return markup;
}

std::string qv_edit_button_markup(const std::string &label, bool has, bool extra) {
  if (!has) return "<span>   " + row_text(label) + "   </span>";
  return std::string(extra ? "<span background=\"#ff0000\">   "
                           : "<span background=\"#5555ff\">   ") +
         row_text(label) + "   </span>";
}

std::vector<std::string> qv_fade_freeze_labels(const QVanimChunk &e) {
  auto fade = [](const char *on, const char *off, double seconds) {
    return seconds > 0 ? qv_format("%s %0.2f s", on, seconds) : std::string(off);
  };
  auto freeze = [](const char *on, const char *off, double t, double seconds) {
    if (t < 0) return std::string(off);
    return seconds < 0 ? qv_format("%s %0.2f; ∞", on, t)
                       : qv_format("%s %0.2f; %0.2f", on, t, seconds);
  };
  return {fade(_("Fade-in:"), _("Fade-in: off"), e.fade_in),
          freeze(_("Freeze-before:"), _("Freeze-before: off"), e.t_start, e.freeze_before),
          freeze(_("Freeze-behind:"), _("Freeze-behind: off"), e.t_end, e.freeze_after),
          fade(_("Fade-out:"), _("Fade-out: off"), e.fade_out)};
}

QVFadeFreeze qv_fade_freeze_of(const QVanimChunk &e) {
  QVFadeFreeze v;
  v.fade_in = e.fade_in > 0;
  v.fade_in_s = std::max(0.0, e.fade_in);
  v.freeze_before = e.t_start >= 0;
  v.freeze_before_s = e.freeze_before;
  v.freeze_behind = e.t_end >= 0;
  v.freeze_behind_s = e.freeze_after;
  v.fade_out = e.fade_out > 0;
  v.fade_out_s = std::max(0.0, e.fade_out);
  return v;
}

void qv_fade_freeze_apply(QVanimChunk &e, const QVFadeFreeze &v) {
  e.fade_in = v.fade_in ? std::max(0.0, v.fade_in_s) : 0;
  e.fade_out = v.fade_out ? std::max(0.0, v.fade_out_s) : 0;
  if (v.freeze_before) {
    if (e.t_start < 0) e.t_start = 0;
    e.freeze_before = std::max(-1.0, v.freeze_before_s);
  } else {
    e.t_start = -1;
  }
  if (v.freeze_behind) {
    if (e.t_end < 0) e.t_end = 1;
    e.freeze_after = std::max(-1.0, v.freeze_behind_s);
  } else {
    e.t_end = -1;
  }
}

QVanimChunk qv_entry_new(QVahdrChunk &header, int32_t drawable_tattoo, bool is_mask, double begin) {
  QVanimChunk entry;
  entry.anim_id = header.next_anim_id++;
  entry.drawable_tattoo = drawable_tattoo;
  entry.drawable_is_mask = is_mask ? 1 : 0;
  entry.t_start = 0;
  entry.t_end = 1;
  entry.duration = 2;
  entry.begin = begin;
  return entry;
}

void qv_timeline_update_end(QVTimeline &timeline) {
  timeline.header.end = qv_timeline_end(timeline);
}

std::string qv_template_label(const QVanimChunk &entry) {
  if (has_text(entry.script_name)) return *entry.script_name;
  if (has_text(entry.path_name)) return *entry.path_name;
  if (has_text(entry.group_name)) return *entry.group_name;
  return "NULL";
}

QVDecoded<std::vector<QVanimChunk>> qv_templates_decode(const QVBytes &bytes) {
  QVDecoded<std::vector<QVanimChunk>> result;
  std::vector<QVanimChunk> templates;
  QVChunkWalker walker = qv_chunk_walker_new(bytes.data(), bytes.size(), QVByteOrder::big_endian);
  while (const auto chunk = qv_chunk_walker_next(walker)) {
    auto entry = qv_anim_decode(bytes.data() + chunk->offset, 8 + size_t(chunk->size),
                                QVByteOrder::big_endian);
    if (!entry) {
      result.error = entry.error;
      return result;
    }
    templates.push_back(std::move(*entry.value));
  }
  if (walker.status != QVChunkStatus::ok) {
    result.error = qv_chunk_status_message(walker.status);
    return result;
  }
  result.value = std::move(templates);
  return result;
}

QVBytes qv_templates_encode(const std::vector<QVanimChunk> &templates) {
  QVBytes out;
  for (const QVanimChunk &entry : templates) qv_anim_encode(out, entry, QVByteOrder::big_endian);
  return out;
}
