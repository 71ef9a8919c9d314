// Small path utilities over GIMP's vectors interface. Paths are addressed by
// name as in the old path calls, but looked up through the vectors list so
// that an unknown name is an ordinary answer rather than a failed procedure
// call (which GIMP would report as an error on the console).
#pragma once

#include <libgimp/gimp.h>

#include <optional>
#include <string>
#include <vector>

struct QVPathEntry {
  gint32 id = -1;  // vectors id
  std::string name;
};

// The image's paths in list order (index 0 is the top of the Paths dialog).
std::vector<QVPathEntry> qv_path_list(gint32 image);

// How many paths the image has (no names are asked for).
size_t qv_path_count(gint32 image);

// The names of the image's paths in list order.
std::vector<std::string> qv_path_names(gint32 image);

// The vectors id of the path with exactly this name, or -1.
gint32 qv_path_id_by_name(gint32 image, const char *name);

// The tattoo of the path with exactly this name, or 0.
gint32 qv_path_tattoo(gint32 image, const char *name);

// The name of the path with this tattoo, or none.
std::optional<std::string> qv_path_name_by_tattoo(gint32 image, gint32 tattoo);

// The current (active) path's name, or none.
std::optional<std::string> qv_path_current(gint32 image);

// Makes the named path current; false when there is no such path.
bool qv_path_set_current(gint32 image, const char *name);

// The lock mark of a path (GIMP's "linked" flag, the chain icon).
bool qv_path_get_locked(gint32 image, const char *name);
void qv_path_set_locked(gint32 image, const char *name, bool locked);

// Removes the path from the image; false when there is no such path.
bool qv_path_delete(gint32 image, const char *name);
