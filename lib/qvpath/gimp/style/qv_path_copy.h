// A path together with what belongs to it: its per-path parasites (style,
// keyframes, everything named "...-for-path-<tattoo>") and its helper paths.
// The draw, the keysplines and the animation make and drop temporary copies
// of paths through these two calls.
#pragma once

#include <libgimp/gimp.h>

#include "core/qv_snapshot.h"

// Copies a path and its per-path parasites; returns the number of source
// parasites listed (0 when the source path is unknown).
// keep_tattoo: bit 1 gives the new path the source tattoo.
int qv_path_copy_with_parasites(gint32 source_image, const char *source_path, gint32 target_image,
                                const char *new_name, const QVSnapshot *snapshot, int keep_tattoo);

// Deletes a path, its helper paths and its per-path parasites in one undo
// group, the parasite removals included. 1, or 0 when the path is unknown
// or its tattoo is below 1.
int qv_path_delete_with_parasites(gint32 image, const char *path);
