// Rendering a timeline's frames to disk, from the image menu or a script:
// "Render&Save" renders and saves the frames one after the other (with a
// progress window and a Cancel button when there is a display, with GIMP's
// progress calls otherwise; the files are the same either way), and the
// "Render Timeline" dialog asks for the timeline, the first frame's file
// name and the number of frames first.
#pragma once

#include <libgimp/gimp.h>

#include <string>

// 1 all frames saved; -1 cancelled or a frame failed (the frames saved
// before stay on disk); 0 nothing rendered: `num` below 1, no such image or
// no such timeline.
gint32 qv_render_and_save(gint32 image, const std::string &timeline, const std::string &startframe,
                          gint32 num);

// The dialog, then Render&Save with its answers. -1 when cancelled (or no
// display), 0 when confirmed without a timeline or a first frame name,
// otherwise the Render&Save result.
gint32 qv_render_timeline_dialog(gint32 image);
