// The path tools an artist prepares an animation with: keysplines for the
// locked paths, the ellipse on the selection, guide grids, and texts (a
// path's style, the image's file name) through the clipboard. Each works on
// the image's current path and changes the image in one undo group.
#pragma once

#include <libgimp/gimp.h>

#include <optional>
#include <string>

// A keyspline "[@] <current path>" animating the locked paths (and the
// current one), from lower left to upper right or, `falling`, from upper
// left to lower right; a locked keyspline lends its points. Returns the new
// path's name; none, with "No Path available!", without a current path.
std::optional<std::string> qv_tools_keyspline(gint32 image, bool falling);

// A stroke keyspline "[@->S] <current>" (reverse: "[@<-S] <current>") with
// the context's colour and brush. None, with a message, when no path takes
// part.
std::optional<std::string> qv_tools_stroke_keyspline(gint32 image, bool reverse);

// A keyspline "[@] t_(<timeline>)" for a timeline the user picks in the
// "Timeline Administration!" chooser: its "@-timeline: " names the timeline
// and "@-timeline-dur: " gives its length from in- to outpoint in seconds.
// It takes the current path's points when that is a keyspline. None when
// nothing was picked.
std::optional<std::string> qv_tools_timeline_keyspline(gint32 image);

// A keyspline "[@-Script] <file's name>" whose "@-script: " names the file,
// relative to the image's file when asked for (gimprc, or the chooser's
// toggle). The file is `script_file` (relative names are taken from the
// image's folder), or, when `interactive` or it is empty, the one picked in
// the "Select Script-File" chooser. It takes the current path's points when
// that is a keyspline and the call is interactive. None, with a message,
// when the file does not exist or nothing was picked.
std::optional<std::string> qv_tools_script_keyspline(gint32 image, bool interactive,
                                                     const std::string &script_file);

// Joins the current path's start onto its reference path. The reference is
// the one remembered for the image's current path group ("qv-near-reference")
// unless `ask_new` or there is none: then the path is locked and the user is
// asked to make the reference current and press OK, until it is another
// path or the question is cancelled (nothing changes then). The joined path
// keeps the tattoo and takes the name the join gives it. False when nothing
// was joined.
bool qv_tools_join(gint32 image, bool ask_new);

// "Circle" or "Ellipse" on the selection's bounds; none, with a message,
// without a selection.
std::optional<std::string> qv_tools_circle(gint32 image);

// Replaces the image's guides by a grid; with delta 0 only removes them.
// Returns the number of guides laid.
int qv_tools_guide_grid(gint32 image, int delta, int offset_x, int offset_y);

// The current path's style as clipboard text; false, with a message,
// without a current path.
bool qv_tools_style_to_clipboard(gint32 image);

// A style text on the clipboard attached to the path its header names;
// false when the clipboard holds no style text (nothing changes).
bool qv_tools_clipboard_to_style(gint32 image);
