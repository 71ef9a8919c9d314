// A short-lived memo of path-name lookups and image-parasite reads. One draw
// asks for the same path's tattoo and style a dozen times, each a round trip
// to GIMP; inside a QVReadCacheScope the answers are kept, and every change
// the suite makes to paths or parasites throws them away.
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

// Forgets everything; called by every operation that changes paths or
// image parasites.
void qv_read_cache_invalidate();

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

// ---- implementation details ----
bool qv_read_cache_active();
std::optional<gint32> *qv_read_cache_tattoo_slot(gint32 image, const std::string &name);
std::optional<std::optional<QVCachedParasite>> *qv_read_cache_parasite_slot(
    gint32 image, const std::string &name);

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
