// The state of a running draw or render that outlives one call: the marker
// that says a draw or render is going on (and that Cancel takes away), the
// default t, the images opened while drawing, the duplicates a render made,
// the fade opacity of the entry being drawn and the timelines being rendered
// (which stops a timeline from rendering itself without end). Drawing reads
// this state and rendering sets it; neither needs the other for it.
#pragma once

#include <libgimp/gimp.h>

#include <string>

extern const char *const QV_RENDERING_MARKER;       // "qv-rendering-in-progress"
extern const char *const QV_OPENED_IMAGE_MARK;      // "qv-image-opend-by-qv-path-draw"
extern const char *const QV_RENDER_DUPLICATE_MARK;  // "qv-render-duplicate"
extern const char *const QV_FADE_OPACITY_PARASITE;  // "qv-animation-fade-opacity"

// set true: attach the marker when absent; false: detach it when present.
// Answers whether the marker was present before.
bool qv_rendering_flag(bool set);
bool qv_rendering_in_progress();

// The t of "qv-default-t" in gimprc, created as "0.5" when missing.
double qv_default_t();

// Deletes every open image marked as opened by the draw whose counter is at
// least the threshold (every marked image with threshold 0).
void qv_close_opened_images(int threshold);
// Deletes every open image marked as a render duplicate.
void qv_delete_render_duplicates();

// The fade factor (0..1) the renderer set on the image; 1 when none is set
// or the stored value is not a number.
double qv_fade_opacity(gint32 image);
// Attaches "qv-animation-fade-opacity" (percent cut to 0..1, flags 0); an
// image that is not open is reported and nothing changes.
void qv_fade_opacity_set(gint32 image, double percent);
// The same with a factor of 0..1.
void qv_set_fade_opacity(gint32 image, double factor);

// The label of an image in the list of timelines in progress: its file
// name, or its name when it has none.
std::string qv_image_label(gint32 image);

// The GIMP-wide list "qv-timelines-in-progress": push answers true (and
// changes nothing) when the image's timeline is in the list already.
bool qv_timelines_in_progress_push(gint32 image, const std::string &timeline);
void qv_timelines_in_progress_pop();
void qv_timelines_in_progress_clear();
