// The clock of a timeline render: when a frame is shown, which t and fade an
// animation entry has at that time, the t of a frame in a keyspline list
// render, the render modes of the procedures, and the list of timelines
// being rendered that stops a timeline from rendering itself. Pure logic.
#pragma once

#include <optional>
#include <string>

#include "core/qv_timeline.h"

// Render flags.
enum : int {
  QV_RENDER_FLATTEN = 0x01,
  QV_RENDER_SAVE = 0x02,
  QV_RENDER_INTERLACED = 0x04,
  QV_RENDER_NTSC = 0x08,
  QV_RENDER_FRAME_STORE = 0x10,
  QV_RENDER_TIMELINE = 0x20,
  QV_RENDER_KEEP = 0x40,
  QV_RENDER_ON_SOURCE = 0x80,
};

// Flags of a render procedure's mode: even modes save the layers as they
// are, odd ones flatten; 0-1 progressive, 2-3 interlaced even|odd, 4-5
// interlaced odd|even. Any other mode saves progressively.
int qv_render_mode_flags(int mode);

// The time in seconds at which frame `index` (from the timeline's first
// frame) is shown; `half` is 0.5 for the second field of an interlaced frame.
double qv_frame_time(double fps, double inpoint, long index, double half);

// The first frame number of a timeline: its inpoint in frames.
long qv_inpoint_frame(double fps, double inpoint);

// t of frame i of a keyspline list render from t_start to t_end. A negative
// frame count renders a loop: its last frame stops one step short of t_end,
// so that the loop never shows its first picture twice.
double qv_render_frame_t(long i, long frames, double t_start, double t_end);
// The same half a frame later (the second field of an interlaced frame).
double qv_render_field_t(long i, long frames, double t_start, double t_end);

// The outpoint of a timeline in seconds: the stored one, or in "End" mode
// the timeline's end (never before its minimum end).
double qv_ahdr_outpoint(const QVahdrChunk &header);
// Frames from in- to outpoint: fps x (out - in) + 0.5, truncated; 0 for
// nonsense, at most 999999.
long qv_ahdr_frame_count(const QVahdrChunk &header);

// The frames a render of `asked` frames from timeline frame `first` on gets:
// none past the outpoint frame (the outpoint in frames, rounded), so a
// request far past the end cannot run on with identical frames. `cut` says
// that the request ran past the outpoint.
struct QVFrameRange {
  long frames = 0;
  long outpoint_frame = 0;
  bool cut = false;
};
QVFrameRange qv_render_frame_range(const QVahdrChunk &header, long first, long asked);

// What an entry shows at one time: nothing, or t with a fade factor.
struct QVentryState {
  double t = 0;
  double fade = 1;
};
// None when the entry is not visible at time T. Before its begin an entry
// holds t_start (visible from `begin - freeze_before`, or always with a
// negative freeze-before, fading in over fade-in); during its duration t
// runs from t_start to t_end; a repeat count runs it again that many times
// (forever when negative); afterwards it holds t_end for freeze-after
// seconds (forever when negative) and fades out over fade-out.
std::optional<QVentryState> qv_entry_state(const QVanimChunk &entry, double T);

// "qv-timelines-in-progress": image and timeline names, all joined by ";".
// Push answers true, leaving the list as it is, when the pair is listed
// already (a timeline that would render itself); else it appends the pair.
bool qv_timelines_push(std::optional<std::string> &list, const std::string &image,
                       const std::string &timeline);
// Drops the last pair; none when nothing is left.
void qv_timelines_pop(std::optional<std::string> &list);
