// Projective transforms of drawables and paths in a GIMP image.
#pragma once

#include <libgimp/gimp.h>

#include "core/qv_transform.h"

// Option bits of qv_transform_drawables.
constexpr unsigned QV_TRANSFORM_DRAWABLE = 1;       // the given drawable
constexpr unsigned QV_TRANSFORM_LINKED_LAYERS = 2;  // every linked layer (with its mask)
constexpr unsigned QV_TRANSFORM_LOCKED_PATHS = 4;   // every locked path; current path kept
constexpr unsigned QV_TRANSFORM_NO_CLIP = 8;        // let layers grow to the result
constexpr unsigned QV_TRANSFORM_FROM_PATHS = 16;    // matrix from the current path and the next

// The projective matrix from the first four anchors of path `source` onto
// those of path `target` (each must hold more than 32 point values).
QVMatrix3Result qv_matrix3_from_paths(gint32 image, const char *source, const char *target);

// Transforms what `options` selects with `matrix` (forward, cubic
// interpolation). With QV_TRANSFORM_FROM_PATHS the matrix is built instead
// from the path after the current one in the image's path list (source) onto
// the current path (target). Without QV_TRANSFORM_DRAWABLE the work is one
// undo step. A layer selected twice (given and linked) is transformed once.
// Returns false, changing nothing, when the matrix cannot be had.
bool qv_transform_drawables(gint32 image, gint32 drawable, const QVMatrix3 &matrix,
                            unsigned options);

// Maps every point of the named path with `matrix`. The path is replaced, in
// one undo step, by a path of the same name, tattoo (and so style), lock mark,
// visibility and place in the path list; the image's tattoo state is left as
// it was; the path becomes current. Returns false, changing nothing, when
// there is no such path with points or a point would map to infinity.
bool qv_transform_path(gint32 image, const char *name, const QVMatrix3 &matrix);
