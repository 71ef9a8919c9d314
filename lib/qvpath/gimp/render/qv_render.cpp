#include "gimp/render/qv_render.h"

#include <glib/gi18n-lib.h>
#include <glib/gstdio.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "core/qv_attributes.h"
#include "core/qv_chunks.h"
#include "core/qv_frame_names.h"
#include "core/qv_frame_temporary.h"
#include "core/qv_glib_ptr.h"
#include "core/qv_scheme.h"
#include "gimp/animate/qv_animation.h"
#include "gimp/animate/qv_keyspline_gimp.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_read_cache.h"
#include "gimp/base/qv_render_session.h"
#include "gimp/base/qv_scheme_gimp.h"
#include "gimp/draw/qv_draw_style.h"
#include "gimp/groups/qv_path_groups_gimp.h"
#include "gimp/render/qv_frame_png.h"
#include "gimp/services/qv_date_services.h"
#include "gimp/services/qv_image_duplicate.h"
#include "gimp/timeline/qv_timeline_gimp.h"

namespace {

const char *const kLastSavedFrame = "qv-last-saved-frame";
const char *const kBeforeRender = "qv-general-script-before-render";
const char *const kAfterRender = "qv-general-script-after-render";
const char *const kBeforeSave = "qv-general-script-before-save";

// --- Scripts -------------------------------------------------------------------

void run_script(gint32 target, const std::string &av, const std::string &name,
                const std::string &script) {
  qv_scheme_run_eval4_ref(target, gimp_image_get_active_drawable(target), av.c_str(),
                          qv_scheme_string_literal(name).c_str(), script.c_str());
}

void run_image_script(gint32 source, gint32 target, const char *parasite, const std::string &av,
                      const std::string &name) {
  if (const auto script = qv_image_string_get(source, parasite))
    run_script(target, av, name, *script);
}

// --- Targets -------------------------------------------------------------------

// The image a field is drawn on: the source itself, or a marked copy with
// undo off (nobody will undo a frame).
gint32 make_target(gint32 source, bool on_source) {
  if (on_source) return source;
  const gint32 copy = qv_image_duplicate(source);
  if (copy < 1) return 0;
  qv_parasite_attach(copy, QV_RENDER_DUPLICATE_MARK, 0, 0, nullptr);
  gimp_image_undo_disable(copy);
  return copy;
}

void drop_target(gint32 image, gint32 source) {
  if (image > 0 && image != source && gimp_image_is_valid(image)) gimp_image_delete(image);
}

// Deletes the frame's copies on every way out of a frame.
struct QVFrameTargets {
  gint32 source;
  gint32 first = 0, second = 0;
  ~QVFrameTargets() {
    drop_target(first, source);
    drop_target(second, source);
  }
};

// --- Interlaced fields -----------------------------------------------------------

gint32 drawable_by_touched(gint32 image, gint32 touched) {
  if (touched < 0) {
    const gint32 layer = gimp_image_get_layer_by_tattoo(image, static_cast<guint>(-touched));
    return layer > 0 ? gimp_layer_get_mask(layer) : -1;
  }
  const gint32 layer = gimp_image_get_layer_by_tattoo(image, static_cast<guint>(touched));
  if (layer > 0) return layer;
  return gimp_image_get_channel_by_tattoo(image, static_cast<guint>(touched));
}

// Copies the rows with odd image y of `from` into `into`.
void copy_odd_rows(gint32 from, gint32 into) {
  if (from < 1 || into < 1) return;
  qv_gegl_ready();
  gint x0 = 0, y0 = 0;
  gimp_drawable_offsets(from, &x0, &y0);
  const int width = gimp_drawable_width(from), height = gimp_drawable_height(from);
  if (width != gimp_drawable_width(into) || height != gimp_drawable_height(into)) return;
  GeglBuffer *src = gimp_drawable_get_buffer(from);
  GeglBuffer *dst = gimp_drawable_get_buffer(into);
  const Babl *format = gimp_drawable_get_format(from);
  std::vector<guint8> row(static_cast<size_t>(width) * babl_format_get_bytes_per_pixel(format));
  for (int y = 0; y < height; ++y) {
    if (((y + y0) & 1) == 0) continue;
    const GeglRectangle line = {0, y, width, 1};
    gegl_buffer_get(src, &line, 1.0, format, row.data(), GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
    gegl_buffer_set(dst, &line, 0, format, row.data(), GEGL_AUTO_ROWSTRIDE);
  }
  g_object_unref(src);
  g_object_unref(dst);
  gimp_drawable_update(into, 0, 0, width, height);
}

// Joins the two fields of a frame: PAL takes the odd rows from the first
// field into the second, NTSC the odd rows from the second into the first.
// Returns the image that holds the frame.
gint32 join_fields(gint32 first, gint32 second, const std::vector<gint32> &touched, bool ntsc) {
  const gint32 from = ntsc ? second : first, into = ntsc ? first : second;
  for (const gint32 t : touched)
    copy_odd_rows(drawable_by_touched(from, t), drawable_by_touched(into, t));
  return into;
}

// --- Saving --------------------------------------------------------------------

// A PNG frame is written here unless gimprc asks for GIMP's plug-in or the
// frame is not 8-bit RGB(A).
bool save_png(gint32 image, gint32 drawable, const std::string &file) {
  if (!qv_png_through_gimp()) {
    const QVPngWrite written = qv_frame_png_write(image, drawable, file, qv_png_user_settings());
    if (written != QVPngWrite::unsupported) return written == QVPngWrite::written;
  }
  return qv_frame_png_write_with_gimp(image, drawable, file, qv_png_user_settings());
}

bool ends_with_png(const std::string &file) {
  if (file.size() < 4) return false;
  return g_ascii_strcasecmp(file.c_str() + file.size() - 4, ".png") == 0;
}

// The file plug-in that saves a frame reports "Exporting '<file>'" on the
// progress of whoever called it, and GIMP's status bar keeps that text after
// the render. While this scope stands, those reports come to these no-op
// callbacks instead: the artist never sees the temporary file names.
void ignore_start(const gchar *, gboolean, gpointer) {}
void ignore_end(gpointer) {}
void ignore_text(const gchar *, gpointer) {}
void ignore_value(gdouble, gpointer) {}
void ignore_pulse(gpointer) {}
guint32 no_window(gpointer) { return 0; }

struct QVQuietProgressScope {
  const gchar *callback = nullptr;
  QVQuietProgressScope() {
    static const GimpProgressVtable quiet = {
        ignore_start, ignore_end, ignore_text, ignore_value, ignore_pulse, no_window, nullptr,
        nullptr,      nullptr,    nullptr,     nullptr,      nullptr,      nullptr,   nullptr};
    callback = gimp_progress_install_vtable(&quiet, nullptr);
  }
  ~QVQuietProgressScope() {
    if (callback) gimp_progress_uninstall(callback);
  }
  QVQuietProgressScope(const QVQuietProgressScope &) = delete;
  QVQuietProgressScope &operator=(const QVQuietProgressScope &) = delete;
};

// Saves through a temporary file beside the frame, so that a frame file is
// either whole or not there.
bool save_frame(gint32 image, const std::string &file) {
  const std::string temporary = qv_frame_temporary_name(file);
  const gint32 drawable = gimp_image_get_active_drawable(image);
  const QVQuietProgressScope quiet;
  const bool saved = ends_with_png(file) ? save_png(image, drawable, temporary)
                                         : gimp_file_save(GIMP_RUN_NONINTERACTIVE, image, drawable,
                                                          temporary.c_str(), temporary.c_str());
  if (!saved) {
    g_remove(temporary.c_str());
    return false;
  }
  if (g_rename(temporary.c_str(), file.c_str()) != 0) {
    g_remove(temporary.c_str());
    return false;
  }
  return true;
}

// A render draws in a context of its own that starts from GIMP's defaults,
// so frames do not depend on the colours, brush or tool options the session
// happens to have: the same timeline gives the same frames from a menu, a
// script or the batch launcher.
struct QVRenderContextScope {
  QVRenderContextScope() {
    gimp_context_push();
    gimp_context_set_defaults();
    qv_context_set_brush_neutral();
  }
  ~QVRenderContextScope() { gimp_context_pop(); }
  QVRenderContextScope(const QVRenderContextScope &) = delete;
  QVRenderContextScope &operator=(const QVRenderContextScope &) = delete;
};

// --- Groups --------------------------------------------------------------------

std::optional<std::string> fnam_name(const uint8_t *chunk, const QVChunk &c) {
  if (c.size < 4) return std::nullopt;
  const uint32_t length = qv_chunk_get_u32(chunk + 8);
  if (length == 0 || length > c.size - 4) return std::nullopt;
  const char *name = reinterpret_cast<const char *>(chunk + 12);
  if (std::memchr(name, '\0', length) == nullptr) return std::nullopt;
  return std::string(name);
}

bool same_file(const std::optional<std::string> &section, const std::optional<std::string> &file) {
  const bool no_section = !section || section->empty();
  const bool no_file = !file || file->empty();
  if (no_section || no_file) return no_section && no_file;
  return *section == *file;
}

// The group `id` in a block: a view from its "GHDR" on (the snapshot walk
// ends at its "GEND"), when it lies in the section of `file`.
std::optional<QVSnapshot> find_group(const QVBytes &block, int32_t id,
                                     const std::optional<std::string> &file) {
  QVChunkWalker walker = qv_chunk_walker_new(block.data(), block.size());
  std::optional<std::string> section;
  while (const auto chunk = qv_chunk_walker_next(walker)) {
    const uint8_t *start = block.data() + chunk->offset;
    if (chunk->type == QV_CHUNK_EODT) break;
    if (chunk->type == QV_CHUNK_FNAM) section = fnam_name(start, *chunk);
    if (chunk->type == QV_CHUNK_FEND) section.reset();
    if (chunk->type == QV_CHUNK_GHDR && chunk->size >= 4 && qv_chunk_get_i32(start + 8) == id &&
        same_file(section, file))
      return QVSnapshot{start, block.size() - chunk->offset};
  }
  return std::nullopt;
}

std::optional<QVSnapshot> group_of_entry(QVpathAnimationEnvironment &env,
                                         const QVanimChunk &entry) {
  if (env.group_data.empty()) return std::nullopt;
  if (auto group = find_group(env.group_data[0], entry.group_id, entry.group_file)) return group;
  if (!entry.group_file || entry.group_file->empty()) return std::nullopt;
  for (size_t i = 1; i < env.group_data.size(); ++i)
    if (auto group = find_group(env.group_data[i], entry.group_id, entry.group_file)) return group;
  if (env.unloadable_group_files.count(*entry.group_file)) return std::nullopt;
  auto loaded = qv_pathgroup_file_render_snapshot(*entry.group_file);
  if (!loaded) {
    env.unloadable_group_files.insert(*entry.group_file);
    return std::nullopt;
  }
  env.group_data.push_back(std::move(*loaded));
  return find_group(env.group_data.back(), entry.group_id, entry.group_file);
}

// The paths an entry animates: the one it names (found again by tattoo when
// renamed), or every keyspline path of its group. None when the named path
// is gone.
std::vector<std::string> entry_paths(const QVSnapshot &group, const QVanimChunk &entry) {
  const auto names = qv_snapshot_path_names(group);
  if (entry.path_name) {
    if (std::find(names.begin(), names.end(), *entry.path_name) != names.end())
      return {*entry.path_name};
    if (auto renamed = qv_snapshot_path_name_by_tattoo(group, entry.path_tattoo)) return {*renamed};
    return {};
  }
  std::vector<std::string> keysplines;
  for (auto it = names.rbegin(); it != names.rend(); ++it)
    if (it->compare(0, 2, "[@") == 0) keysplines.push_back(*it);
  return keysplines;
}

std::string entry_group_label(const QVanimChunk &entry) {
  std::string label = qv_format("%d", entry.group_id);
  if (entry.group_name) label += " \"" + *entry.group_name + "\"";
  if (entry.group_file && !entry.group_file->empty()) label += " of \"" + *entry.group_file + "\"";
  return label;
}

// Says once per render that an entry is not drawn, and why; the other
// entries are drawn as usual.
void report_entry_once(QVpathAnimationEnvironment &env, const QVanimChunk &entry,
                       const std::string &why) {
  if (!env.reported_entries.insert(entry.anim_id).second) return;
  qv_message(_("Timeline entry %d is not drawn: %s."), entry.anim_id, why.c_str());
}

void activate_target_drawable(QVpathAnimationEnvironment &env, const QVanimChunk &entry) {
  const gint32 layer =
      gimp_image_get_layer_by_tattoo(env.target, static_cast<guint>(entry.drawable_tattoo));
  gint32 touched = 0;
  if (layer > 0) {
    gimp_image_set_active_layer(env.target, layer);
    const bool mask = entry.drawable_is_mask != 0 && gimp_layer_get_mask(layer) > 0;
    gimp_layer_set_edit_mask(layer, mask);
    touched = mask ? -entry.drawable_tattoo : entry.drawable_tattoo;
  } else {
    const gint32 channel =
        gimp_image_get_channel_by_tattoo(env.target, static_cast<guint>(entry.drawable_tattoo));
    if (channel < 1) return;
    gimp_image_set_active_channel(env.target, channel);
    touched = entry.drawable_tattoo;
  }
  if (std::find(env.touched.begin(), env.touched.end(), touched) == env.touched.end())
    env.touched.push_back(touched);
}

// --- Drawing a field -------------------------------------------------------------

std::string av_text(double value) { return qv_format("%0.10f", value); }

// Draws every entry of the timeline on the environment's target. False when
// a draw failed while the render was still meant to go on.
bool draw_entries(QVpathAnimationEnvironment &env, const std::string &file, const char *field) {
  env.fade_target = -1;
  for (size_t e = 0; e < env.entries.size(); ++e) {
    const QVEntrySetup setup = qv_render_entry_setup(e, env);
    // A draw or a script may set the fade opacity itself.
    if (setup != QVEntrySetup::hidden) env.fade_target = -1;
    if (setup == QVEntrySetup::paths) {
      for (const auto &path : env.paths) {
        if (qv_path_animation_draw3(env.source, path.c_str(), env.t, env.target, &env.group) == 0 &&
            qv_rendering_goes_on(&env)) {
          qv_user_message(field ? "Cancel, %s »%s«!" : "Cancel, %s»%s«!", field ? field : "",
                          file.c_str());
          qv_set_fade_opacity(env.target, 1.0);
          return false;
        }
      }
    }
    if (setup != QVEntrySetup::hidden && env.script_text) {
      double av = env.t;
      if (setup == QVEntrySetup::paths && !env.paths.empty())
        av = qv_keyspline_time_curve(env.source, env.paths.front().c_str(), &env.group, env.t);
      run_script(env.target, av_text(av), env.script_name.value_or(""), *env.script_text);
    }
    qv_render_set_fade(env, 1.0);
  }
  return true;
}

bool draw_path_list(gint32 source, const std::vector<std::string> &paths, double t, gint32 target) {
  for (const auto &path : paths)
    if (qv_path_animation_draw3(source, path.c_str(), t, target, nullptr) == 0) {
      qv_user_message("Abort, qv_path_animation_draw!");
      return false;
    }
  return true;
}

// Draws the timeline's entries on the first field's target and, interlaced,
// on the second's; `touched` gets the drawables they drew on.
bool draw_timeline_fields(QVpathAnimationEnvironment &env, const QVFrameTargets &targets,
                          const std::string &file, bool interlaced, std::vector<gint32> &touched) {
  env.touched.clear();
  env.target = targets.first;
  env.half_frame = 0;
  if (!draw_entries(env, file, interlaced ? "FIELD_A" : nullptr)) return false;
  if (interlaced) {
    env.target = targets.second;
    env.half_frame = 0.5;
    if (!draw_entries(env, file, "FIELD_B")) return false;
  }
  touched = env.touched;
  return true;
}

// Draws the paths at t on the first field's target and, interlaced, at
// the field's t on the second's; `touched` gets the active layer drawn on.
bool draw_path_fields(gint32 source, const std::vector<std::string> &paths,
                      const QVFrameTargets &targets, bool interlaced, double t, double field_t,
                      std::vector<gint32> &touched) {
  const gint32 active_layer = gimp_image_get_active_layer(targets.first);
  if (!draw_path_list(source, paths, t, targets.first)) return false;
  if (interlaced && !draw_path_list(source, paths, field_t, targets.second)) return false;
  if (active_layer > 0) touched.push_back(static_cast<gint32>(gimp_item_get_tattoo(active_layer)));
  return true;
}

// The before-save scripts, then the frame file; false when the render was
// cancelled meanwhile or the file could not be written.
bool save_rendered(gint32 source, gint32 frame, const std::string &file, const std::string &av,
                   QVpathAnimationEnvironment *env) {
  if (env && env->before_save_script &&
      g_file_test(env->before_save_script->c_str(), G_FILE_TEST_IS_REGULAR))
    run_script(frame, av, "TIMELINE_SCRIPT_BEFORE_SAVE", *env->before_save_script);
  run_image_script(source, frame, kBeforeSave, av, "QV_GENERAL_SCRIPT_BEFORE_SAVE");
  if (!qv_rendering_goes_on(env)) {
    qv_user_message("Cancel, '%s' not saved!", file.c_str());
    return false;
  }
  if (!save_frame(frame, file)) {
    qv_user_message("%s \"%s\"!", "Abort, saving", file.c_str());
    return false;
  }
  qv_global_string_set(kLastSavedFrame, file);
  return true;
}

// The frame flattened, as RGB, into the environment's frame store.
bool store_rendered(QVpathAnimationEnvironment &env, gint32 frame) {
  gimp_image_flatten(frame);
  if (gimp_image_base_type(frame) != GIMP_RGB) gimp_image_convert_rgb(frame);
  if (!env.frame_store_started) {
    qv_frame_store_clear(env);
    env.frame_store_started = true;
  }
  if (!qv_frame_store_add(env, frame)) {
    qv_user_message("Abort, qv_path_animation_add_frame to pixbuffer!");
    return false;
  }
  return true;
}

// What rendering one frame gave: whether it went well and, with
// QV_RENDER_KEEP, the image that was kept (0 or less when none).
struct QVFrameOutcome {
  bool ok = false;
  gint32 kept = 0;
};

// One frame: drawn on its target(s), scripts run, then kept, saved or added
// to the frame store.
QVFrameOutcome render_one(gint32 source, const std::vector<std::string> &paths,
                          const std::string &file, long i, long frames, int flags, double t_start,
                          double t_end, QVpathAnimationEnvironment *env) {
  // One memo of reads for the whole frame: every drawn path looks through
  // the same images' paths, which must not be listed again for each one.
  const QVReadCacheScope frame_reads;
  const double t = qv_render_frame_t(i, frames, t_start, t_end);
  const gint tattoo_state = gimp_image_get_tattoo_state(source);
  const bool keep = flags & QV_RENDER_KEEP;
  const bool on_source = keep && (flags & QV_RENDER_ON_SOURCE);
  if (on_source) flags &= ~QV_RENDER_INTERLACED;
  const bool interlaced = flags & QV_RENDER_INTERLACED;
  const bool ntsc = flags & QV_RENDER_NTSC;

  QVFrameTargets targets{source};
  targets.first = make_target(source, on_source);
  if (targets.first < 1) {
    qv_user_message("Abort, gimp_image_duplicate!");
    return {};
  }
  const std::string av = std::to_string(env ? env->start_frame + env->frame_index : 0);
  if (!keep)
    run_image_script(source, targets.first, kBeforeRender, av,
                     "QV_GENERAL_SCRIPT_BEFORE_RENDER Field A");
  if (interlaced) {
    targets.second = make_target(source, false);
    if (targets.second < 1) {
      qv_user_message("Abort, gimp_image_duplicate!");
      return {};
    }
    if (!keep)
      run_image_script(source, targets.second, kBeforeRender, av,
                       "QV_GENERAL_SCRIPT_BEFORE_RENDER Field B");
  }
  std::vector<gint32> touched;
  const bool drawn = env && (flags & QV_RENDER_TIMELINE)
                         ? draw_timeline_fields(*env, targets, file, interlaced, touched)
                         : draw_path_fields(source, paths, targets, interlaced, t,
                                            qv_render_field_t(i, frames, t_start, t_end), touched);
  if (!drawn) return {};

  gint32 frame = targets.first;
  if (interlaced) {
    frame = join_fields(targets.first, targets.second, touched, ntsc);
    // The other field is dropped with the targets; the frame must survive
    // when it is kept.
    if (frame == targets.second) std::swap(targets.first, targets.second);
  }
  if (!keep) run_image_script(source, frame, kAfterRender, av, "QV_GENERAL_SCRIPT_AFTER_RENDER");

  if ((flags & (QV_RENDER_SAVE | QV_RENDER_KEEP)) && (flags & QV_RENDER_FLATTEN))
    gimp_image_flatten(frame);
  if (keep) {
    gimp_image_set_tattoo_state(frame, tattoo_state);
    if (frame != source) gimp_image_undo_enable(frame);
    targets.first = 0;  // handed to the caller
    return {frame > 0, frame};
  }
  if ((flags & QV_RENDER_SAVE) && !save_rendered(source, frame, file, av, env)) return {};
  if (env && (flags & QV_RENDER_FRAME_STORE) && !store_rendered(*env, frame)) return {};
  return {true, 0};
}

}  // namespace

gint32 qv_render_frames(gint32 source, const std::vector<std::string> &paths,
                        const std::string &file_name, long frames, int flags, double t_start,
                        double t_end, QVpathAnimationEnvironment *env) {
  std::string file = flags == QV_RENDER_FRAME_STORE ? "preview_001.xcf" : file_name;
  const QVFrameName name = qv_frame_name_split(file);
  // A kept frame is never saved, so its name only labels it.
  if (name.extension.empty() && !(flags & QV_RENDER_KEEP)) {
    qv_user_message("%s \"%s\"!", "Cancel, no valid filename", file.c_str());
    return 0;
  }
  if (frames == 0) {
    qv_user_message("O fames to render!");
    return 1;
  }
  if (!gimp_image_is_valid(source)) {
    qv_user_message("%s: %d", "No valid image ID", source);
    return 0;
  }
  const long count = frames < 0 ? -frames : frames;
  const long first_index = env ? env->frame_index : 0;
  const QVRenderContextScope context;
  for (long i = 0; i < count; ++i) {
    if (env) env->frame_index = first_index + i;
    const std::string frame_file =
        name.extension.empty() ? file : qv_frame_name_build(name, name.start + i);
    const QVFrameOutcome outcome =
        render_one(source, paths, frame_file, i, frames, flags, t_start, t_end, env);
    if (flags & QV_RENDER_KEEP) return outcome.kept;
    if (!outcome.ok) return 0;
  }
  if (env) env->frame_index = first_index;
  return 1;
}

void qv_render_set_fade(QVpathAnimationEnvironment &env, double factor) {
  if (env.fade_target == env.target && env.fade_written == factor) return;
  qv_set_fade_opacity(env.target, factor);
  env.fade_target = env.target;
  env.fade_written = factor;
}

QVEntrySetup qv_render_entry_setup(size_t index, QVpathAnimationEnvironment &env) {
  if (index >= env.entries.size()) return QVEntrySetup::hidden;
  QVanimChunk &entry = env.entries[index];
  qv_render_set_fade(env, 1.0);
  const double T = (env.flags & QV_RENDER_KEEP) ? env.time_override
                                                : qv_frame_time(env.header.fps, env.header.inpoint,
                                                                env.frame_index, env.half_frame);
  entry.t_start = std::isnan(entry.t_start) ? 0.0 : std::clamp(entry.t_start, 0.0, 1.0);
  entry.t_end = std::isnan(entry.t_end) ? 0.0 : std::clamp(entry.t_end, 0.0, 1.0);
  const auto state = qv_entry_state(entry, T);
  if (!state) return QVEntrySetup::hidden;
  env.t = state->t;
  qv_render_set_fade(env, state->fade);

  env.script_name = entry.script_name;
  env.script_text = entry.script_text;
  env.paths.clear();
  if (entry.script_name) return QVEntrySetup::script;

  const auto group = group_of_entry(env, entry);
  if (!group) {
    report_entry_once(env, entry,
                      qv_format(_("there is no path group %s"), entry_group_label(entry).c_str()));
    return QVEntrySetup::hidden;
  }
  env.group = *group;
  env.paths = entry_paths(*group, entry);
  if (env.paths.empty()) {
    if (entry.path_name)
      report_entry_once(env, entry,
                        qv_format(_("path group %s has no path \"%s\""),
                                  entry_group_label(entry).c_str(), entry.path_name->c_str()));
    return QVEntrySetup::hidden;
  }
  activate_target_drawable(env, entry);
  return QVEntrySetup::paths;
}

std::vector<QVBytes> qv_render_group_data(gint32 image) {
  return {qv_pathgroups_render_snapshot(image)};
}

gint32 qv_timeline_render_at(gint32 image, const std::string &timeline, double x, int flags) {
  if (!qv_image_is_open(image)) {
    qv_user_message("%s: %d", "No valid image ID", image);
    return -1;
  }
  // Only a render onto the image itself changes it.
  std::optional<QVKeepCleanScope> clean;
  if (!(flags & QV_RENDER_ON_SOURCE)) clean.emplace(image);
  const auto bytes = qv_timeline_read(image, timeline);
  if (!bytes) return -1;
  auto decoded = qv_timeline_decode(*bytes);
  if (!decoded) {
    qv_user_message("Timeline \"%s\": %s", timeline.c_str(), decoded.error.c_str());
    return -1;
  }
  QVpathAnimationEnvironment env;
  env.source = image;
  env.header = decoded.value->header;
  env.entries.assign(decoded.value->entries.rbegin(), decoded.value->entries.rend());
  env.frame_store_started = true;
  env.frames = 1;
  env.group_data = qv_render_group_data(image);
  x = std::isnan(x) ? 0.0 : std::clamp(x, 0.0, 1.0);
  env.time_override = (1.0 - x) * env.header.inpoint + x * qv_ahdr_outpoint(env.header);
  flags |= QV_RENDER_TIMELINE | QV_RENDER_KEEP;
  if (env.header.flatten && !(flags & QV_RENDER_ON_SOURCE)) flags |= QV_RENDER_FLATTEN;
  env.flags = flags;
  std::string label = qv_take_string(gimp_image_get_name(image));
  if (label.empty()) label = "Render";
  const std::string frame_name =
      qv_format((flags & QV_RENDER_ON_SOURCE) ? "%s (%s) on image." : "%s (%s) on copy.",
                label.c_str(), timeline.c_str());

  const bool marker_stood = qv_rendering_flag(true);
  const gint32 result = qv_render_frames(image, {}, frame_name, 1, flags, 0, 0, &env);
  if (result > 0 && result != image) gimp_image_detach_parasite(result, QV_RENDER_DUPLICATE_MARK);
  if (!marker_stood) {
    qv_rendering_flag(false);
    qv_close_opened_images(0);
  }
  return result > 0 ? result : -1;
}

bool qv_rendering_goes_on(QVpathAnimationEnvironment *env) {
  if (env && env->stop) {
    qv_rendering_flag(false);
    return false;
  }
  return qv_rendering_in_progress();
}

void qv_gegl_ready() {
  // GEGL costs about a second and 400 MB to start, so a render starts it
  // only for the buffers of interlaced fields and the frame store.
  static const bool ready = (gegl_init(nullptr, nullptr), true);
  (void)ready;
}

bool qv_frame_store_add(QVpathAnimationEnvironment &env, gint32 image) {
  qv_gegl_ready();
  const gint32 drawable = gimp_image_get_active_drawable(image);
  if (drawable < 1 || gimp_drawable_bpp(drawable) != 3) return false;
  const int width = gimp_drawable_width(drawable), height = gimp_drawable_height(drawable);
  GdkPixbuf *pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
  if (!pixbuf) {
    qv_user_message("Abort, gdk_pixbuf_new()!");
    return false;
  }
  QVPixbufPtr holder(pixbuf);
  GeglBuffer *buffer = gimp_drawable_get_buffer(drawable);
  const GeglRectangle all = {0, 0, width, height};
  gegl_buffer_get(buffer, &all, 1.0, babl_format("R'G'B' u8"), gdk_pixbuf_get_pixels(pixbuf),
                  gdk_pixbuf_get_rowstride(pixbuf), GEGL_ABYSS_NONE);
  g_object_unref(buffer);
  env.frame_store.push_back(std::move(holder));
  return true;
}

void qv_frame_store_clear(QVpathAnimationEnvironment &env) { env.frame_store.clear(); }
