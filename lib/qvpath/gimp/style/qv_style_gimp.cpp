#include "gimp/style/qv_style_gimp.h"

#include <glib/gi18n-lib.h>

#include <algorithm>

#include "core/qv_fatal.h"
#include "core/qv_glib_ptr.h"
#include "core/qv_style.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_read_cache.h"
#include "gimp/base/qv_scopes.h"
#include "gimp/paths/qv_path_points.h"
#include "gimp/paths/qv_paths.h"

const char *const QV_STYLE_PARASITE_PREFIX = "qv-style-for-path-";
const char *const QV_STYLE_SHEET_PREFIX = "qv-style-sheet-";

namespace {

const char *const kCssKey = "css: ";

std::string style_parasite_name(gint32 tattoo) {
  return QV_STYLE_PARASITE_PREFIX + std::to_string(tattoo);
}

std::optional<std::string> text_of(const std::vector<guint8> &bytes) {
  return qv_style_text_from_bytes(reinterpret_cast<const char *>(bytes.data()), bytes.size());
}

// The value of the last "css: " item of a style text, or none.
std::optional<std::string> sheet_name_of(const std::string &style) {
  std::optional<std::string> name;
  for (const auto &item : qv_style_split(style))
    if (item.compare(0, 5, kCssKey) == 0) name = item.substr(5);
  return name;
}

gint32 live_tattoo(gint32 image, const char *name) {
  if (!name) return 0;
  return qv_read_cache_tattoo(image, name, [&] {
    const gint32 id = qv_path_id_by_name(image, name);
    return id > 0 ? static_cast<gint32>(gimp_item_get_tattoo(id)) : 0;
  });
}

}  // namespace

gint32 qv_path_tattoo_by_name(gint32 image, const char *name, const QVSnapshot *snapshot) {
  if (!name) return 0;
  if (!snapshot) return live_tattoo(image, name);
  const auto path = qv_snapshot_find_path(*snapshot, name);
  return path ? path->tattoo : 0;
}

std::optional<QVParasiteRecord> qv_image_parasite_find_in(gint32 image, const std::string &name,
                                                          const QVSnapshot *snapshot) {
  if (snapshot) {
    auto found = qv_snapshot_find_parasite(*snapshot, name);
    if (!found) return std::nullopt;
    return QVParasiteRecord{found->name, found->flags, std::move(found->data)};
  }
  auto cached = qv_read_cache_parasite(image, name, [&]() -> std::optional<QVCachedParasite> {
    qv_parasite_ptr p(gimp_image_get_parasite(image, name.c_str()));
    if (!p) return std::nullopt;
    const auto *data = static_cast<const guint8 *>(gimp_parasite_data(p.get()));
    const auto size = gimp_parasite_data_size(p.get());
    QVCachedParasite found{static_cast<guint32>(gimp_parasite_flags(p.get())), {}};
    if (data && size > 0) found.data.assign(data, data + size);
    return found;
  });
  if (!cached) return std::nullopt;
  return QVParasiteRecord{name, cached->flags, std::move(cached->data)};
}

QVStyleRead qv_path_read_style(gint32 image, const char *path, const QVSnapshot *snapshot) {
  QVStyleRead read;
  read.tattoo = qv_path_tattoo_by_name(image, path, snapshot);
  if (read.tattoo == 0) return read;
  if (auto parasite = qv_image_parasite_find_in(image, style_parasite_name(read.tattoo), snapshot))
    read.data = std::move(parasite->data);
  return read;
}

std::optional<std::string> qv_path_get_style_text(gint32 image, const char *path,
                                                  const QVSnapshot *snapshot) {
  const auto read = qv_path_read_style(image, path, snapshot);
  return text_of(read.data);
}

gint32 qv_path_store_style(gint32 image, const char *path, size_t size, const char *text) {
  // The last byte must end the text: a buffer without its NUL is no text.
  if (!text || size == 0 || text[size - 1] != '\0') return 0;
  const gint32 tattoo = live_tattoo(image, path);
  if (tattoo == 0) return 0;
  const std::string trimmed = qv_style_trim_for_store(std::string(text));
  qv_parasite_attach(image, style_parasite_name(tattoo).c_str(), GIMP_PARASITE_PERSISTENT,
                     trimmed.size() + 1, trimmed.c_str());
  return tattoo;
}

gint32 qv_path_store_style(gint32 image, const char *path, const std::string &text) {
  return qv_path_store_style(image, path, text.size() + 1, text.c_str());
}

gint32 qv_path_remove_style(gint32 image, const char *path) {
  const gint32 tattoo = live_tattoo(image, path);
  if (tattoo == 0) return 0;
  qv_parasite_remove(image, style_parasite_name(tattoo).c_str());
  return tattoo;
}

int qv_path_set_style_attribute(gint32 image, const char *path, const QVStylePairs &pairs) {
  for (const auto &[key, value] : pairs) {
    if (const auto refusal = qv_style_pair_refusal(key, value)) {
      qv_user_message(_("The style of \"%s\" was not changed: %s."), path ? path : "",
                      refusal->c_str());
      return 0;
    }
  }
  const auto old_text = qv_path_get_style_text(image, path, nullptr);
  const auto text = qv_or_abort("Abort, buf=malloc(qv_path_set_style_attribute) failed!",
                                [&] { return qv_style_set_attributes(old_text, pairs); });
  if (text)
    qv_path_store_style(image, path, *text);
  else
    qv_path_remove_style(image, path);
  return 1;
}

int qv_path_remove_style_attributes(gint32 image, const char *path,
                                    const std::vector<std::string> &keys) {
  const auto old_text = qv_path_get_style_text(image, path, nullptr);
  if (!old_text) return 0;
  const auto text = qv_or_abort("Abort, buf=malloc(qv_path_set_style_attribute) failed!",
                                [&] { return qv_style_remove_attributes(*old_text, keys); });
  if (text)
    qv_path_store_style(image, path, *text);
  else
    qv_path_remove_style(image, path);
  return 1;
}

std::optional<std::string> qv_style_sheet_text(gint32 image, const std::string &name) {
  const std::string parasite = QV_STYLE_SHEET_PREFIX + name;
  {
    qv_parasite_ptr global(gimp_get_parasite(parasite.c_str()));
    if (global) {
      const auto *data = static_cast<const char *>(gimp_parasite_data(global.get()));
      if (auto text = qv_style_text_from_bytes(data, gimp_parasite_data_size(global.get())))
        return text;
    }
  }
  if (auto bytes = qv_image_parasite_bytes(image, parasite.c_str())) return text_of(*bytes);
  return std::nullopt;
}

std::optional<std::string> qv_path_get_style_text_with_sheet(gint32 image, const char *path,
                                                             const QVSnapshot *snapshot) {
  auto own = qv_path_get_style_text(image, path, snapshot);
  if (!own) return std::nullopt;
  if (const auto sheet_name = sheet_name_of(*own)) {
    if (const auto sheet = qv_style_sheet_text(image, *sheet_name)) return *sheet + '\t' + *own;
  }
  return own;
}

int qv_path_has_style_attribute(gint32 image, const char *path, const QVSnapshot *snapshot,
                                const std::string &key, bool with_sheet) {
  const auto text = with_sheet ? qv_path_get_style_text_with_sheet(image, path, snapshot)
                               : qv_path_get_style_text(image, path, snapshot);
  return text && qv_style_has_attribute(*text, key) ? 1 : 0;
}

int qv_path_delete_own(gint32 image, const char *path) {
  const gint32 tattoo = qv_path_tattoo_by_name(image, path, nullptr);
  if (tattoo < 1) return 0;
  qv_path_delete(image, path);
  for (const auto &name : qv_image_parasite_names(image))
    if (qv_is_per_path_parasite(name, tattoo)) qv_parasite_remove(image, name.c_str());
  return 1;
}
