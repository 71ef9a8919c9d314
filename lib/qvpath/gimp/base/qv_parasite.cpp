#include "gimp/base/qv_parasite.h"

#include <algorithm>

#include "core/qv_fatal.h"
#include "core/qv_glib_ptr.h"
#include "gimp/base/qv_read_cache.h"
#include "gimp/base/qv_scopes.h"

namespace {

std::vector<guint8> parasite_bytes(const GimpParasite *p) {
  const auto *data = static_cast<const guint8 *>(gimp_parasite_data(p));
  const auto size = gimp_parasite_data_size(p);
  return data && size > 0 ? std::vector<guint8>(data, data + size) : std::vector<guint8>();
}

void attach_joined(gint32 image, const char *name, guint32 flags, size_t size, const void *data,
                   bool in_front) {
  if (!name || !data || size == 0) return;
  const auto old = qv_image_parasite_bytes(image, name);
  if (!old) {
    qv_parasite_attach(image, name, flags, size, data);
    return;
  }
  const auto *bytes = static_cast<const guint8 *>(data);
  const auto joined = qv_or_abort("Abort, buf2=malloc() failed!", [&] {
    std::vector<guint8> buffer;
    buffer.reserve(old->size() + size);
    if (in_front) buffer.insert(buffer.end(), bytes, bytes + size);
    buffer.insert(buffer.end(), old->begin(), old->end());
    if (!in_front) buffer.insert(buffer.end(), bytes, bytes + size);
    return buffer;
  });
  qv_parasite_attach(image, name, flags, joined.size(), joined.data());
}

}  // namespace

std::optional<std::vector<guint8>> qv_image_parasite_bytes(gint32 image, const char *name) {
  if (!name) return std::nullopt;
  qv_parasite_ptr p(gimp_image_get_parasite(image, name));
  if (!p) return std::nullopt;
  return parasite_bytes(p.get());
}

std::vector<std::string> qv_image_parasite_names(gint32 image) {
  gint count = 0;
  gchar **names = gimp_image_get_parasite_list(image, &count);
  return qv_take_string_array(names, count);
}

void qv_parasite_attach(gint32 image, const char *name, guint32 flags, size_t size,
                        const void *data) {
  qv_read_cache_parasites_changed();
  qv_parasite_ptr parasite(gimp_parasite_new(name, flags, size, data));
  gimp_image_attach_parasite(image, parasite.get());
  qv_image_mark_dirty(image, true);
}

void qv_parasite_prepend(gint32 image, const char *name, guint32 flags, size_t size,
                         const void *data) {
  attach_joined(image, name, flags, size, data, true);
}

void qv_parasite_append(gint32 image, const char *name, guint32 flags, size_t size,
                        const void *data) {
  attach_joined(image, name, flags, size, data, false);
}

int qv_parasite_remove(gint32 image, const char *name) {
  if (!name) return 0;
  const auto names = qv_image_parasite_names(image);
  if (std::find(names.begin(), names.end(), name) == names.end()) return 0;
  qv_read_cache_parasites_changed();
  gimp_image_detach_parasite(image, name);
  qv_image_mark_dirty(image, true);
  return 1;
}

void qv_image_mark_dirty(gint32 image, bool dirty) {
  if (!dirty) {
    gimp_image_clean_all(image);
    return;
  }
  if (!gimp_image_is_dirty(image)) {
    // An empty undo group is the one way a plug-in has to raise the dirty
    // count without changing anything.
    const QVUndoGroup empty(image);
  }
}

void qv_global_string_set(const char *name, const std::string &text) {
  qv_global_parasite_attach(name, GIMP_PARASITE_PERSISTENT, text.size() + 1, text.c_str());
}

void qv_global_parasite_attach(const char *name, guint32 flags, size_t size, const void *data) {
  qv_parasite_ptr parasite(gimp_parasite_new(name, flags, size, data));
  gimp_attach_parasite(parasite.get());
}

std::optional<std::string> qv_global_string_get(const char *name) {
  qv_parasite_ptr p(gimp_get_parasite(name));
  if (!p) return std::nullopt;
  const auto bytes = parasite_bytes(p.get());
  // Stop at the first NUL; a text stored without one is taken whole.
  const auto nul = std::find(bytes.begin(), bytes.end(), 0);
  return std::string(bytes.begin(), nul);
}

std::optional<std::string> qv_image_string_get(gint32 image, const char *name) {
  const auto bytes = qv_image_parasite_bytes(image, name);
  if (!bytes) return std::nullopt;
  const auto nul = std::find(bytes->begin(), bytes->end(), 0);
  if (nul == bytes->begin()) return std::nullopt;
  return std::string(bytes->begin(), nul);
}

bool qv_global_parasite_listed(const char *name) {
  if (!name || !*name) return false;
  gint count = 0;
  // Two statements: as one call's arguments, `count` could be read before
  // GIMP has filled it in.
  gchar **list = gimp_get_parasite_list(&count);
  const auto names = qv_take_string_array(list, count);
  return std::find(names.begin(), names.end(), name) != names.end();
}

bool qv_global_parasite_exists(const char *name) {
  qv_parasite_ptr p(gimp_get_parasite(name));
  return p != nullptr;
}

bool qv_image_is_open(gint32 image) {
  gint count = 0;
  const auto images = qv_take_array(gimp_image_list(&count), count);
  return std::find(images.begin(), images.end(), image) != images.end();
}

QVKeepCleanScope::QVKeepCleanScope(gint32 image_id)
    : image(image_id), was_clean(gimp_image_is_valid(image_id) && !gimp_image_is_dirty(image_id)) {}

QVKeepCleanScope::~QVKeepCleanScope() {
  if (was_clean && gimp_image_is_valid(image)) gimp_image_clean_all(image);
}
