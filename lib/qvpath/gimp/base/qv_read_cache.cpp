#include "gimp/base/qv_read_cache.h"

#include <map>
#include <utility>

namespace {

struct ReadCache {
  int depth = 0;
  std::map<std::pair<gint32, std::string>, std::optional<gint32>> tattoos;
  std::map<std::pair<gint32, std::string>, std::optional<std::optional<QVCachedParasite>>>
      parasites;
  std::map<gint32, std::optional<std::string>> item_names;
  std::map<gint32, std::optional<QVCachedPoints>> points;
};

// A plug-in process runs one procedure at a time on one thread.
ReadCache &cache() {
  static ReadCache instance;
  return instance;
}

}  // namespace

QVReadCacheScope::QVReadCacheScope() { ++cache().depth; }

QVReadCacheScope::~QVReadCacheScope() {
  if (--cache().depth == 0) qv_read_cache_invalidate();
}

void qv_read_cache_invalidate() {
  qv_read_cache_paths_changed();
  qv_read_cache_parasites_changed();
  cache().item_names.clear();
}

void qv_read_cache_paths_changed() {
  cache().tattoos.clear();
  cache().points.clear();
}

void qv_read_cache_parasites_changed() { cache().parasites.clear(); }

bool qv_read_cache_active() { return cache().depth > 0; }

std::optional<gint32> *qv_read_cache_tattoo_slot(gint32 image, const std::string &name) {
  return &cache().tattoos[{image, name}];
}

std::optional<std::optional<QVCachedParasite>> *qv_read_cache_parasite_slot(
    gint32 image, const std::string &name) {
  return &cache().parasites[{image, name}];
}

std::optional<std::string> *qv_read_cache_name_slot(gint32 item) {
  return &cache().item_names[item];
}

std::optional<QVCachedPoints> *qv_read_cache_points_slot(gint32 vectors) {
  return &cache().points[vectors];
}
