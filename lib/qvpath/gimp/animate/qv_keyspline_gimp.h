// Keyspline animation: a keyspline path ("[@...] " name) is not drawn
// itself; it is a time curve and carries animated attributes, and its
// "@-tattoos: " name the key paths that are drawn at t: morphed into each
// other (in-between), traced like a pen (sequences), or handed to a script.
#pragma once

#include <libgimp/gimp.h>

#include <string>

#include "core/qv_snapshot.h"

// t' of any path read as a time curve; t unchanged when the path is
// unknown or flat in x.
double qv_path_time_curve(gint32 image, const char *path, const QVSnapshot *snapshot, double t);

// The keyspline time curve: t unchanged for a path that is no keyspline.
double qv_keyspline_time_curve(gint32 image, const char *path, const QVSnapshot *snapshot,
                               double t);

// The override text that carries the keyspline's animated attributes to the
// style-level draw at t'.
std::string qv_keyspline_override_text(gint32 image, const char *path, const QVSnapshot *snapshot,
                                       double t_prime);

// Draws keyspline `path` of `source` at t' onto `target`; `t` is the
// animation parameter before the time curve (the motion keyspline reads it).
// 1 when handled, 0 when a sequence has no "@-tattoos: ". Every path made in
// the target is deleted again, and the target's current path restored.
int qv_keyspline_draw(gint32 source, const std::string &path, double t, double t_prime,
                      gint32 target, const QVSnapshot *snapshot);
