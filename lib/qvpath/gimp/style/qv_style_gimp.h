// The style store: a path's style lives in the image parasite
// "qv-style-for-path-<tattoo>"; every parasite named "...-for-path-<tattoo>"
// belongs to that path and travels with it when it is copied or deleted
// (qv_path_copy.h).
#pragma once

#include <libgimp/gimp.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/qv_snapshot.h"

extern const char *const QV_STYLE_PARASITE_PREFIX;  // "qv-style-for-path-"
extern const char *const QV_STYLE_SHEET_PREFIX;     // "qv-style-sheet-"

// A parasite record copied out of GIMP or a snapshot.
struct QVParasiteRecord {
  std::string name;
  guint32 flags = 0;
  std::vector<guint8> data;
};

// The path's tattoo, or 0 when no path has that name (or name is null).
gint32 qv_path_tattoo_by_name(gint32 image, const char *name, const QVSnapshot *snapshot);

// A copy of the image's (or snapshot's) parasite of that name.
std::optional<QVParasiteRecord> qv_image_parasite_find_in(gint32 image, const std::string &name,
                                                          const QVSnapshot *snapshot);

struct QVStyleRead {
  gint32 tattoo = 0;         // 0: unknown path
  std::vector<guint8> data;  // the parasite's bytes; empty: no style
};
QVStyleRead qv_path_read_style(gint32 image, const char *path, const QVSnapshot *snapshot);

// The style text (up to its first NUL), or none: no path, no style, or a
// parasite that holds no NUL-terminated text.
std::optional<std::string> qv_path_get_style_text(gint32 image, const char *path,
                                                  const QVSnapshot *snapshot);

// Stores `size` bytes of `text` as the path's style; the last byte must be NUL.
// Returns the tattoo, or 0 when nothing was stored.
gint32 qv_path_store_style(gint32 image, const char *path, size_t size, const char *text);
gint32 qv_path_store_style(gint32 image, const char *path, const std::string &text);

gint32 qv_path_remove_style(gint32 image, const char *path);

using QVStylePairs = std::vector<std::pair<std::string, std::string>>;
// Sets the pairs on the path's style. A pair that would change the style's
// structure (qv_style_pair_refusal) is reported and nothing is set: 0.
int qv_path_set_style_attribute(gint32 image, const char *path, const QVStylePairs &pairs);
int qv_path_remove_style_attributes(gint32 image, const char *path,
                                    const std::vector<std::string> &keys);
int qv_path_has_style_attribute(gint32 image, const char *path, const QVSnapshot *snapshot,
                                const std::string &key, bool with_sheet);

// Sheet text, a TAB and the own style when the style names an existing sheet
// with "css: "; otherwise the own style; none without style.
std::optional<std::string> qv_path_get_style_text_with_sheet(gint32 image, const char *path,
                                                             const QVSnapshot *snapshot);

// The text of style sheet `name`: GIMP-wide first, then the image's.
std::optional<std::string> qv_style_sheet_text(gint32 image, const std::string &name);

// Deletes a path and its per-path parasites, not its helper paths (see
// qv_path_copy.h for the whole path). 1, or 0 when the path is unknown or
// its tattoo is below 1.
int qv_path_delete_own(gint32 image, const char *path);
