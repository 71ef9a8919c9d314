#include "gimp/timeline/qv_timeline_gimp.h"

#include <glib/gi18n-lib.h>

#include <functional>

#include "core/qv_filename.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/timeline/qv_timeline_parasites.h"

namespace {

void write_parasite(gint32 image, const char *name, const std::optional<QVBytes> &host_content) {
  if (!host_content) {
    qv_parasite_remove(image, name);
    return;
  }
  QVBytes stored = *host_content;
  qv_chunks_to_big_endian(stored.data(), stored.size());
  qv_parasite_attach(image, name, GIMP_PARASITE_PERSISTENT, stored.size(), stored.data());
}

// Runs `change` on the image's timelines and stores what it changed. False
// when the parasites cannot be read or `change` refuses.
bool modify_timelines(gint32 image, const std::function<bool(QVTimelineParasites &)> &change) {
  const auto before = qv_timeline_parasites_read(image);
  if (!before) return false;
  QVTimelineParasites after = *before;
  if (!change(after)) return false;
  qv_timeline_parasites_write(image, *before, after);
  return true;
}

bool is_existing_file(const std::string &utf8_path) {
  const auto name = qv_filename_from_utf8(utf8_path.c_str());
  return name && g_file_test(name->c_str(), G_FILE_TEST_IS_REGULAR);
}

}  // namespace

std::optional<QVTimelineParasites> qv_timeline_parasites_read(gint32 image) {
  qv_timeline_parasites_migrate(image);
  auto parsed = qv_timeline_parasites_parse(
      qv_image_parasite_bytes(image, QV_TIMELINE_CURRENT_PARASITE),
      qv_image_parasite_bytes(image, QV_TIMELINE_RECENT_PARASITE),
      qv_image_parasite_bytes(image, QV_TIMELINE_REST_PARASITE), QVByteOrder::big_endian);
  if (!parsed) {
    qv_message(_("The timelines of this image cannot be read, nothing was changed:\n%s"),
               parsed.error.c_str());
    return std::nullopt;
  }
  return std::move(parsed.value);
}

void qv_timeline_parasites_write(gint32 image, const QVTimelineParasites &before,
                                 const QVTimelineParasites &after) {
  if (after.current != before.current) {
    write_parasite(image, QV_TIMELINE_CURRENT_PARASITE, after.current);
  }
  if (after.recent != before.recent) {
    write_parasite(image, QV_TIMELINE_RECENT_PARASITE,
                   qv_timeline_parasite_content(after.recent, QVByteOrder::host));
  }
  if (after.rest != before.rest) {
    write_parasite(image, QV_TIMELINE_REST_PARASITE,
                   qv_timeline_parasite_content(after.rest, QVByteOrder::host));
  }
}

std::optional<QVTimelineDirectory> qv_timeline_directory_new(gint32 image, bool presence_only) {
  const auto parasites = qv_timeline_parasites_read(image);
  if (!parasites) return std::nullopt;
  return qv_timeline_directory_new(*parasites, presence_only);
}

std::optional<QVBytes> qv_timeline_get(gint32 image, int index, QVTimelineGet mode) {
  std::optional<QVBytes> result;
  modify_timelines(image, [&](QVTimelineParasites &parasites) {
    result = qv_timeline_get(parasites, index, mode);
    return result.has_value();
  });
  return result;
}

std::optional<QVBytes> qv_timeline_by_name(gint32 image, const std::string &name) {
  // Reading only: a damaged parasite is reported and its timelines are left
  // out, so it cannot hide the sound ones.
  qv_timeline_parasites_migrate(image);
  const QVTimelineSalvage salvage = qv_timeline_parasites_salvage(
      qv_image_parasite_bytes(image, QV_TIMELINE_CURRENT_PARASITE),
      qv_image_parasite_bytes(image, QV_TIMELINE_RECENT_PARASITE),
      qv_image_parasite_bytes(image, QV_TIMELINE_REST_PARASITE), QVByteOrder::big_endian);
  for (const std::string &problem : salvage.problems) qv_message("%s", problem.c_str());
  return qv_timeline_by_name(salvage.parasites, name);
}

std::optional<QVBytes> qv_timeline_read(gint32 image, const std::string &name_or_path) {
  if (name_or_path.empty()) {
    qv_message("%s!", _("No timeline filename/name"));
    return std::nullopt;
  }
  if (is_existing_file(name_or_path)) {
    auto file = qv_timeline_file_read(name_or_path);
    if (!file) {
      qv_message("%s", file.error.c_str());
      return std::nullopt;
    }
    return std::move(file.value);
  }
  auto found = qv_timeline_by_name(image, name_or_path);
  if (!found) {
    qv_message(_("No timeline file or timeline of this image named \"%s\"."), name_or_path.c_str());
  }
  return found;
}

bool qv_timeline_write_file(const std::string &utf8_path, const QVTimeline &timeline) {
  if (const auto error = qv_timeline_file_write(utf8_path, qv_timeline_encode(timeline))) {
    qv_message("%s", error->c_str());
    return false;
  }
  return true;
}

void qv_timeline_store_current(gint32 image, const QVTimeline &timeline) {
  // Only the current parasite is replaced, so the others need not be sound.
  write_parasite(image, QV_TIMELINE_CURRENT_PARASITE, qv_timeline_encode(timeline));
}

bool qv_timeline_set_current(gint32 image, const QVTimeline &timeline, bool push) {
  return modify_timelines(image, [&](QVTimelineParasites &parasites) {
    qv_timeline_set_current(parasites, qv_timeline_encode(timeline), push);
    qv_timeline_balance(parasites);
    return true;
  });
}

bool qv_timeline_push_current(gint32 image) {
  return modify_timelines(image, [](QVTimelineParasites &parasites) {
    qv_timeline_push_current(parasites);
    return true;
  });
}

bool qv_timeline_make_current(gint32 image, int index) {
  return modify_timelines(image, [index](QVTimelineParasites &parasites) {
    return qv_timeline_make_current(parasites, index);
  });
}

bool qv_timeline_balance(gint32 image) {
  return modify_timelines(image, [](QVTimelineParasites &parasites) {
    qv_timeline_balance(parasites);
    return true;
  });
}

std::optional<std::string> qv_timeline_unique_name(gint32 image, const std::string &wanted) {
  const auto directory = qv_timeline_directory_new(image);
  if (!directory) return std::nullopt;
  return qv_timeline_unique_name(*directory, wanted);
}

bool qv_timeline_export(gint32 image, int index, const std::string &utf8_path) {
  auto parasites = qv_timeline_parasites_read(image);
  if (!parasites) return false;
  const auto timeline = qv_timeline_get(*parasites, index, QVTimelineGet::copy);
  if (!timeline) {
    qv_message(_("This image has no timeline number %d."), index);
    return false;
  }
  if (const auto error = qv_timeline_file_write(utf8_path, *timeline)) {
    qv_message("%s", error->c_str());
    return false;
  }
  return true;
}

bool qv_timeline_import(gint32 image, const std::string &utf8_path) {
  auto file = qv_timeline_file_read(utf8_path);
  if (!file) {
    qv_message("%s", file.error.c_str());
    return false;
  }
  return modify_timelines(image, [&file](QVTimelineParasites &parasites) {
    qv_timeline_set_current(parasites, std::move(*file.value), true);
    qv_timeline_balance(parasites);
    return true;
  });
}
