// Rendering re-entered from drawing. A keyspline's "@-timeline: " and a
// placed image's "@-timeline: " show a frame of a timeline of the image
// while a frame is being drawn, so drawing calls back into rendering here:
//
//   qv_render -> qv_animation / qv_keyspline -> qv_draw_style -> qv_draw_image
//     -> qv_nested_timeline -> qv_render
//
// This is the suite's one intended circle between modules; the layering test
// allows the edges into this module and no other circle. The list of
// timelines in progress stops a timeline that would render itself.
#pragma once

#include <libgimp/gimp.h>

#include <optional>
#include <string>

// Renders the image's timeline at x (0..1) with the render flags, unless
// that timeline of that image is being rendered already: then the endless
// loop is reported and the answer is none. Otherwise the answer is what the
// render gave: the image drawn on (a copy unless QV_RENDER_ON_SOURCE), or -1.
std::optional<gint32> qv_render_nested_timeline(gint32 image, const std::string &timeline, double x,
                                                int flags);
