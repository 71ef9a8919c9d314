// A short-lived memo of path lookups and image-parasite reads. One draw asks
// for the same path's tattoo, points and style a dozen times, and one frame
// lists the paths of its images once per drawn path, each a round trip to
// GIMP; inside a QVReadCacheScope the answers are kept. Every change the
// suite makes throws away what it can touch: a parasite write the parasites,
// a path added or removed the lookups by name and the points, anything else
// (a rename, a transform, a script run) everything.
#pragma once

#include <libgimp/gimp.h>

#include <optional>
#include <string>
#include <vector>

// While at least one scope lives, lookups are memoised. Scopes nest.
struct QVReadCacheScope {
  QVReadCacheScope();
  ~QVReadCacheScope();
  QVReadCacheScope(const QVReadCacheScope &) = delete;
  QVReadCacheScope &operator=(const QVReadCacheScope &) = delete;
};

// Forgets everything: after renames, transforms, scripts and whatever else
// may change paths in ways the memo cannot follow.
void qv_read_cache_invalidate();
// A path was added or removed: lookups by name and points are forgotten.
// Names by item id are kept, as GIMP never gives an id out twice.
void qv_read_cache_paths_changed();
// An image parasite was attached or removed.
void qv_read_cache_parasites_changed();

// Memoised tattoo of a path name (0: no such path); `lookup` runs on a miss.
template <typename Lookup>
gint32 qv_read_cache_tattoo(gint32 image, const std::string &name, Lookup lookup);

// Memoised image parasite: none when absent.
struct QVCachedParasite {
  guint32 flags = 0;
  std::vector<guint8> data;
};
template <typename Lookup>
std::optional<QVCachedParasite> qv_read_cache_parasite(gint32 image, const std::string &name,
                                                       Lookup lookup);

// Memoised name of a vectors item; `lookup` runs on a miss.
template <typename Lookup>
std::string qv_read_cache_item_name(gint32 item, Lookup lookup);

// Memoised points of a vectors item, in the triple-list form.
struct QVCachedPoints {
  gint32 closed = 0;
  std::vector<double> points;
};
template <typename Lookup>
QVCachedPoints qv_read_cache_points(gint32 vectors, Lookup lookup);

// ---- implementation details ----
bool qv_read_cache_active();
std::optional<gint32> *qv_read_cache_tattoo_slot(gint32 image, const std::string &name);
std::optional<std::optional<QVCachedParasite>> *qv_read_cache_parasite_slot(
    gint32 image, const std::string &name);
std::optional<std::string> *qv_read_cache_name_slot(gint32 item);
std::optional<QVCachedPoints> *qv_read_cache_points_slot(gint32 vectors);

template <typename Lookup>
std::string qv_read_cache_item_name(gint32 item, Lookup lookup) {
  if (!qv_read_cache_active()) return lookup();
  auto *slot = qv_read_cache_name_slot(item);
  if (!*slot) *slot = lookup();
  return **slot;
}

template <typename Lookup>
QVCachedPoints qv_read_cache_points(gint32 vectors, Lookup lookup) {
  if (!qv_read_cache_active()) return lookup();
  auto *slot = qv_read_cache_points_slot(vectors);
  if (!*slot) *slot = lookup();
  return **slot;
}

template <typename Lookup>
gint32 qv_read_cache_tattoo(gint32 image, const std::string &name, Lookup lookup) {
  if (!qv_read_cache_active()) return lookup();
  auto *slot = qv_read_cache_tattoo_slot(image, name);
  if (!*slot) *slot = lookup();
  return **slot;
}

template <typename Lookup>
std::optional<QVCachedParasite> qv_read_cache_parasite(gint32 image, const std::string &name,
                                                       Lookup lookup) {
  if (!qv_read_cache_active()) return lookup();
  auto *slot = qv_read_cache_parasite_slot(image, name);
  if (!*slot) *slot = lookup();
  return **slot;
}
