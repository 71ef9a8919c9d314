// Timelines in real image parasites and timeline files.
#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "gimp/base/qv_parasite.h"
#include "gimp/timeline/qv_timeline_gimp.h"
#include "live_support.h"

namespace {

std::string as_text(const QVBytes &bytes) { return std::string(bytes.begin(), bytes.end()); }

QVTimeline timeline_named(const std::string &name, double fps = 25.0) {
  QVTimeline t = qv_timeline_new(name);
  t.header.fps = fps;
  t.header.frame_fname = "/tmp/frames/out_001.png";
  QVanimChunk entry;
  entry.group_file = "";
  entry.group_name = "Group";
  entry.path_name = "[@] wheel";
  entry.begin = 1.5;
  entry.fade_out = 0.25;
  qv_timeline_add_entry(t, entry);
  return t;
}

std::string stored(const QVTimeline &t) {
  return as_text(qv_timeline_encode(t, QVByteOrder::big_endian));
}

std::vector<std::string> names(gint32 image) {
  const auto dir = qv_timeline_directory_new(image);
  return dir ? dir->names : std::vector<std::string>{"<unreadable>"};
}

// The layout of earlier versions: big-endian, except for the header's
// doubles and flatten flag and the entry's doubles and mask flag, which
// stayed little-endian.
std::string legacy_bytes(const QVTimeline &t) {
  QVBytes bytes = qv_timeline_encode(t, QVByteOrder::big_endian);
  size_t at = 0;
  while (at < bytes.size()) {
    const uint32_t size = (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) |
                          (uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
    const std::string type(bytes.begin() + at + 4, bytes.begin() + at + 8);
    std::vector<std::pair<size_t, size_t>> fields;
    if (type == "AHDR")
      fields = {{20, 4}, {24, 8}, {32, 8}, {40, 8}, {56, 8}, {64, 8}, {72, 8}, {80, 8}};
    if (type == "ANIM") {
      fields = {{24, 4}};
      for (size_t f : {32, 40, 48, 56, 64, 72, 80, 88, 96, 112}) fields.push_back({f, 8});
    }
    for (const auto &[offset, width] : fields) {
      std::reverse(bytes.begin() + at + offset, bytes.begin() + at + offset + width);
    }
    at += 8 + size;
  }
  return as_text(bytes);
}

struct QVTempDir {
  std::string path;
  QVTempDir() {
    gchar *raw = g_dir_make_tmp("qv-timeline-live-XXXXXX", nullptr);
    path = raw ? raw : "/tmp";
    g_free(raw);
  }
  ~QVTempDir() {
    for (const char *name : {"a.qvt", "bad.qvt"}) g_remove((path + "/" + name).c_str());
    g_rmdir(path.c_str());
  }
};

TEST(TimelineStore, StoreMoveAndBalanceInParasites) {
  QVTestImage image;
  EXPECT_EQ(names(image.id), std::vector<std::string>{});
  qv_timeline_store_current(image.id, timeline_named("One"));
  EXPECT_EQ(qv_test_parasite(image.id, QV_TIMELINE_CURRENT_PARASITE),
            stored(timeline_named("One")));

  // Twelve timelines pushed through current: ten stay recent, the rest go on.
  for (int i = 2; i <= 12; ++i) {
    ASSERT_TRUE(qv_timeline_push_current(image.id));
    qv_timeline_store_current(image.id, timeline_named("T" + std::to_string(i)));
  }
  ASSERT_TRUE(qv_timeline_balance(image.id));
  auto dir = qv_timeline_directory_new(image.id);
  ASSERT_TRUE(dir);
  EXPECT_EQ(dir->total, 12);
  EXPECT_EQ(dir->recent_count, 10);
  EXPECT_EQ(dir->rest_count, 1);
  EXPECT_EQ(dir->names.front(), "T12");
  EXPECT_EQ(dir->names.back(), "One");

  ASSERT_TRUE(qv_timeline_make_current(image.id, 11));
  dir = qv_timeline_directory_new(image.id);
  EXPECT_EQ(dir->names[0], "One");
  EXPECT_EQ(dir->names[1], "T12");
  // The rest emptied: its parasite is gone rather than left empty.
  EXPECT_EQ(qv_test_parasite(image.id, QV_TIMELINE_REST_PARASITE), "<none>");
  EXPECT_FALSE(qv_timeline_make_current(image.id, 99));

  const auto one = qv_timeline_read(image.id, "One");
  ASSERT_TRUE(one);
  const auto decoded = qv_timeline_decode(*one);
  ASSERT_TRUE(decoded);
  EXPECT_DOUBLE_EQ(decoded.value->entries.at(0).begin, 1.5);
  EXPECT_EQ(qv_timeline_unique_name(image.id, "One"), "One#1");

  EXPECT_TRUE(qv_timeline_get(image.id, 0, QVTimelineGet::remove));
  EXPECT_EQ(qv_test_parasite(image.id, QV_TIMELINE_CURRENT_PARASITE), "<none>");
  EXPECT_EQ(qv_timeline_directory_new(image.id)->total, 11);
}

TEST(TimelineStore, LegacyParasitesAreMigratedOnRead) {
  QVTestImage image;
  const QVTimeline current = timeline_named("Old current", 29.97);
  const QVTimeline recent = timeline_named("Old recent", 12.5);
  qv_test_attach(image.id, "qv-timeline-current", legacy_bytes(current));
  qv_test_attach(image.id, "qv-timeline-recent", legacy_bytes(recent) + legacy_bytes(current));

  EXPECT_EQ(names(image.id),
            (std::vector<std::string>{"Old current", "Old recent", "Old current"}));
  EXPECT_EQ(qv_test_parasite(image.id, "qv-timeline-current"), "<none>");
  EXPECT_EQ(qv_test_parasite(image.id, "qv-timeline-recent"), "<none>");
  EXPECT_EQ(qv_test_parasite(image.id, QV_TIMELINE_CURRENT_PARASITE), stored(current));
  EXPECT_EQ(qv_test_parasite(image.id, QV_TIMELINE_RECENT_PARASITE),
            stored(recent) + stored(current));
  const auto read = qv_timeline_decode(*qv_timeline_by_name(image.id, "Old recent"));
  ASSERT_TRUE(read);
  EXPECT_DOUBLE_EQ(read.value->header.fps, 12.5);
}

TEST(TimelineStore, QvtFileCarriesTheSameChunksIntoAnotherImage) {
  QVTempDir dir;
  const std::string file = dir.path + "/a.qvt";
  QVTestImage source;
  qv_timeline_store_current(source.id, timeline_named("Exported", 50.0));
  ASSERT_TRUE(qv_timeline_push_current(source.id));
  qv_timeline_store_current(source.id, timeline_named("Other"));
  ASSERT_TRUE(qv_timeline_export(source.id, 1, file));

  QVTestImage target;
  qv_timeline_store_current(target.id, timeline_named("Before"));
  ASSERT_TRUE(qv_timeline_import(target.id, file));
  EXPECT_EQ(qv_test_parasite(target.id, QV_TIMELINE_CURRENT_PARASITE),
            qv_test_parasite(source.id, QV_TIMELINE_RECENT_PARASITE));
  EXPECT_EQ(names(target.id), (std::vector<std::string>{"Exported", "Before"}));
  // A path is read as a file before it is taken as a timeline name.
  const auto via_read = qv_timeline_read(target.id, file);
  ASSERT_TRUE(via_read);
  EXPECT_EQ(qv_timeline_decode(*via_read).value->header.name, "Exported");

  ASSERT_TRUE(qv_timeline_write_file(file, timeline_named("Written")));
  EXPECT_EQ(qv_timeline_decode(*qv_timeline_read(target.id, file)).value->header.name, "Written");
}

TEST(TimelineStore, DamagedDataChangesNothing) {
  QVTempDir dir;
  QVTestImage image;
  qv_timeline_store_current(image.id, timeline_named("Kept"));
  std::string damaged = stored(timeline_named("Cut"));
  damaged.resize(damaged.size() - 3);
  qv_test_attach(image.id, QV_TIMELINE_RECENT_PARASITE, damaged);
  const std::string current = qv_test_parasite(image.id, QV_TIMELINE_CURRENT_PARASITE);

  EXPECT_FALSE(qv_timeline_directory_new(image.id));
  EXPECT_FALSE(qv_timeline_make_current(image.id, 1));
  EXPECT_FALSE(qv_timeline_balance(image.id));
  EXPECT_FALSE(qv_timeline_get(image.id, 0, QVTimelineGet::take));
  EXPECT_EQ(qv_test_parasite(image.id, QV_TIMELINE_CURRENT_PARASITE), current);
  EXPECT_EQ(qv_test_parasite(image.id, QV_TIMELINE_RECENT_PARASITE), damaged);

  const std::string bad = dir.path + "/bad.qvt";
  ASSERT_TRUE(g_file_set_contents(bad.c_str(), "\x89QVT\r\n\x1a\n\0\0\0\x60", 12, nullptr));
  QVTestImage other;
  EXPECT_FALSE(qv_timeline_import(other.id, bad));
  EXPECT_FALSE(qv_timeline_read(other.id, bad));
  EXPECT_FALSE(qv_timeline_read(other.id, ""));
  EXPECT_FALSE(qv_timeline_read(other.id, "no such timeline"));
  EXPECT_EQ(qv_test_parasite(other.id, QV_TIMELINE_CURRENT_PARASITE), "<none>");
}

}  // namespace
