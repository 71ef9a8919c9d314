// Edit Style Layers in a live image.
//
// While a user edits styles each path, or each draw group, is painted on a
// layer of its own (its ESL), so a redraw only clears and repaints that
// layer. The owner of an ESL is a path's tattoo (> 0) or a draw group
// (-n for group n); the helper paths of the same owners are in
// qv_helper_paths.h. All names follow qv_names.h.
//
// Layers are looked for among the image's layers including those inside
// layer groups; stacking (re-laying, "the layer after") works on the top
// level of the stack, where the suite creates its ESLs.
#pragma once

#include <libgimp/gimp.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

// Separates the re-laid ESLs from the ones to draw in an ESL list: entries
// after it are drawn with locking on.
constexpr gint32 QV_ESL_LOCK_MARKER = -1;

// The ESL owner of a path: its tattoo in no group, -n in group n; 0 when the
// path is unknown.
long qv_esl_owner_of_path(gint32 image, const char *path);

// Finds or creates the owner's ESL and makes it ready to draw on: the size
// and offsets of the base layer (the image's size at 0,0 when base is not a
// layer), cleared, linked and visible. -1 for owner 0.
gint32 qv_esl_for_owner(gint32 image, gint32 base_layer, long owner);

// The owners of the image's paths, from the last path to the first, helper
// paths skipped, each group once.
std::vector<long> qv_esl_owners(gint32 image);

// Stacks the owners' ESLs directly above the base layer (the first owner's
// lowest) and brings them to the base layer's geometry. Returns the ESLs
// that had to be resized and were therefore cleared.
std::vector<gint32> qv_esl_relay(gint32 image, gint32 base_layer);

// The layers the draw-current driver paints for a path: the re-laid
// (cleared) ESLs, QV_ESL_LOCK_MARKER, then with lock_mode 1 the ESLs of the
// other locked paths, then the path's own ESL. None when the path has no
// tattoo.
std::optional<std::vector<gint32>> qv_esl_list_for_path(gint32 image, const char *path,
                                                        int lock_mode);

// Leaves the image ready for drawing on ordinary layers: all layers
// unlinked, ESLs hidden, and when the active layer was an ESL the first
// ordinary layer after it becomes visible and active. Returns the active
// layer afterwards (-1 when there is none).
gint32 qv_esl_unset(gint32 image);

// What the image's paths own: their tattoos and the draw groups that still
// have an ordinary member.
struct QVPathOwners {
  std::set<long> tattoos;
  std::set<long> groups;
};
QVPathOwners qv_path_owners(gint32 image);

// Whether the layer is an ESL (a valid layer with an ESL's name).
bool qv_layer_is_esl(gint32 layer);

// Removes copied or renamed ESLs and ESLs whose owner is gone.
void qv_esl_remove_orphans(gint32 image);

// Removes every ESL in one undo group and flushes the displays.
void qv_esl_remove_all(gint32 image);
