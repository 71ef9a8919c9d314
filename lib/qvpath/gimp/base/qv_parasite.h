// Image and GIMP-wide parasite helpers. Every change to an image's parasites
// marks the image dirty, so that GIMP asks before closing it unsaved.
#pragma once

#include <libgimp/gimp.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct QVParasiteFree {
  void operator()(GimpParasite *p) const { gimp_parasite_free(p); }
};
using qv_parasite_ptr = std::unique_ptr<GimpParasite, QVParasiteFree>;

// The bytes of an image parasite, or none when absent.
std::optional<std::vector<guint8>> qv_image_parasite_bytes(gint32 image, const char *name);

// The names of the image's parasites in GIMP's order.
std::vector<std::string> qv_image_parasite_names(gint32 image);

void qv_parasite_attach(gint32 image, const char *name, guint32 flags, size_t size,
                        const void *data);
// Attaches data in front of (prepend) or behind (append) the bytes of the
// parasite of that name; attaches data alone when there is none yet.
void qv_parasite_prepend(gint32 image, const char *name, guint32 flags, size_t size,
                         const void *data);
void qv_parasite_append(gint32 image, const char *name, guint32 flags, size_t size,
                        const void *data);
// 1 when the parasite was there and is removed, 0 when absent.
int qv_parasite_remove(gint32 image, const char *name);

// dirty = true: make GIMP count the image as changed; false: clean it.
void qv_image_mark_dirty(gint32 image, bool dirty);

// Attaches a GIMP-wide parasite.
void qv_global_parasite_attach(const char *name, guint32 flags, size_t size, const void *data);

// GIMP-wide parasites holding a NUL-terminated text.
void qv_global_string_set(const char *name, const std::string &text);
std::optional<std::string> qv_global_string_get(const char *name);
bool qv_global_parasite_exists(const char *name);
// Whether GIMP lists a GIMP-wide parasite of that name. Asking for a missing
// one by name is a failed call that GIMP reports; the list is asked quietly.
bool qv_global_parasite_listed(const char *name);

// The text of an image parasite up to its first NUL (a trailing NUL is
// optional); none when it is missing or empty.
std::optional<std::string> qv_image_string_get(gint32 image, const char *name);

// Whether the image id names an image that is open in GIMP now.
bool qv_image_is_open(gint32 image);

// Keeps an image that was clean when the scope began clean when it ends.
// Rendering from an image writes bookkeeping into it (the remembered render
// settings, the snapshot of its paths); that is no change an artist has to
// save, and a render on a copy must not mark the original as changed.
struct QVKeepCleanScope {
  gint32 image;
  bool was_clean;
  explicit QVKeepCleanScope(gint32 image_id);
  ~QVKeepCleanScope();
  QVKeepCleanScope(const QVKeepCleanScope &) = delete;
  QVKeepCleanScope &operator=(const QVKeepCleanScope &) = delete;
};
