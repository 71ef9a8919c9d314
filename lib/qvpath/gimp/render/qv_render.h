// Rendering frames: a list of keyspline paths with t running from a start
// to an end value, or the frames of a timeline, in which every animation
// entry gets its own t and fade from the frame's time. Each frame is drawn
// on a copy of the image (or on the image itself, on request), optionally
// as two interlaced fields, wrapped in the user's general scripts, and then
// saved under a numbered name, kept for preview, or handed back.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <libgimp/gimp.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/qv_render_timing.h"
#include "core/qv_snapshot.h"
#include "core/qv_timeline.h"

struct QVPixbufUnref {
  void operator()(GdkPixbuf *p) const { g_object_unref(p); }
};
using QVPixbufPtr = std::unique_ptr<GdkPixbuf, QVPixbufUnref>;

// One rendering job.
struct QVpathAnimationEnvironment {
  gint32 source = -1;
  gint32 target = -1;  // the image of the field being drawn
  std::vector<QVPixbufPtr> frame_store;
  bool frame_store_started = false;
  int flags = 0;
  long frames = 0;
  long frame_index = 0;  // of the frame being rendered, from 0
  long start_frame = 0;  // number of the first frame file
  double half_frame = 0;
  double time_override = 0;  // seconds; used with QV_RENDER_KEEP
  double t = 0;              // of the current entry
  QVahdrChunk header;
  std::vector<QVanimChunk> entries;  // the last entry first: the first is drawn on top
  // Host-order path-group blocks: first the image's own groups (closed by
  // "EODT"), then group files loaded on demand ("FNAM", chunks, "EODT").
  std::vector<QVBytes> group_data;
  QVSnapshot group;  // the current entry's group
  std::vector<std::string> paths;
  std::optional<std::string> script_name, script_text;
  std::optional<std::string> before_save_script;
  std::vector<gint32> touched;  // drawables drawn on; negative: a layer's mask
  bool stop = false;
  // Entries (by id) already reported as naming a group or path that is not
  // there, and group files that could not be loaded: each is said and tried
  // once per render, not once per frame.
  std::set<int32_t> reported_entries;
  // The fade opacity last written to `fade_target`: an entry that is not
  // shown leaves it as it is, so thousands of hidden entries cost no
  // parasite writes. -1: unknown (a draw or script may have set it).
  gint32 fade_target = -1;
  double fade_written = 1.0;
  std::set<std::string> unloadable_group_files;
};

// What an entry does in the current field.
enum class QVEntrySetup { hidden, script, paths };

// Renders `frames` frames (negative: a loop) into numbered files from
// `file`. Returns 1 when done, 0 when failed or cancelled; with
// QV_RENDER_KEEP the id of the kept image (0 or less on failure).
gint32 qv_render_frames(gint32 source, const std::vector<std::string> &paths,
                        const std::string &file, long frames, int flags, double t_start,
                        double t_end, QVpathAnimationEnvironment *env);

// Sets the target's fade opacity unless it holds that value already.
void qv_render_set_fade(QVpathAnimationEnvironment &env, double factor);

// Prepares entry `index` for the current field: t and fade from the frame's
// time, the paths of its group, the target drawable.
QVEntrySetup qv_render_entry_setup(size_t index, QVpathAnimationEnvironment &env);

// Renders the timeline (a name or a ".qvt" file) at position x (0..1 between
// in- and outpoint) into one image: the image itself with
// QV_RENDER_ON_SOURCE, else a copy. The image's id, or -1 on failure.
gint32 qv_timeline_render_at(gint32 image, const std::string &timeline, double x, int flags);

// The image's path groups as host-order blocks for rendering, the first
// closed by "EODT".
std::vector<QVBytes> qv_render_group_data(gint32 image);

// Whether the render may go on: the marker stands and the job was not
// stopped (a stopped job takes the marker down).
bool qv_rendering_goes_on(QVpathAnimationEnvironment *env);

// Starts GEGL in this process, once; whatever reads or writes drawable
// buffers calls it first.
void qv_gegl_ready();

bool qv_frame_store_add(QVpathAnimationEnvironment &env, gint32 image);
void qv_frame_store_clear(QVpathAnimationEnvironment &env);
