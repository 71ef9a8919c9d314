// Path groups on real images: storing, switching with tattoos, new and
// duplicate groups, group files, damaged data and the render snapshot.
#include <gtest/gtest.h>

#include <glib/gstdio.h>

#include <cstdlib>
#include <string>

#include "core/qv_chunks.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/groups/qv_path_groups_gimp.h"
#include "gimp/paths/qv_path_points.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/style/qv_style_gimp.h"
#include "live_support.h"

namespace {

using namespace std::string_literals;
using Names = std::vector<std::string>;

std::string style_of(gint32 image, const char *path) {
  return qv_path_get_style_text(image, path, nullptr).value_or("<none>");
}

gint32 tattoo_of(gint32 image, const char *path) {
  return qv_path_tattoo_by_name(image, path, nullptr);
}

std::vector<QVPathGroupBlock> blocks_of(gint32 image) {
  const auto data = qv_pathgroups_data(image);
  if (!data) return {};
  return qv_pathgroups_index(*data).blocks;
}

std::string temp_file(const std::string &leaf) {
  const char *tmp = std::getenv("QV_TEST_TMP");
  return std::string(tmp ? tmp : g_get_tmp_dir()) + "/" + leaf;
}

// Two styled paths, A above B in the list; B has a second per-path parasite.
struct PathGroupLive : ::testing::Test {
  QVTestImage image;
  gint32 b = qv_test_add_path(image.id, "B", {0, 0, 10, 0, 10, 10});
  gint32 a = qv_test_add_path(image.id, "A", {5, 5, 20, 5, 20, 20, 5, 20});
  gint32 tattoo_a = qv_test_tattoo(a);
  gint32 tattoo_b = qv_test_tattoo(b);
  void SetUp() override {
    qv_path_store_style(image.id, "A", "stroke: 255 0 0"s);
    qv_path_store_style(image.id, "B", "fill: 0 0 255"s);
    qv_test_attach(image.id, "qv-near-reference-for-path-" + std::to_string(tattoo_b), "ref");
  }
};

}  // namespace

TEST_F(PathGroupLive, ImageWithoutGroupsHasTheDefaultGroup) {
  bool damaged = true;
  const QVPathGroupCurrent current = qv_pathgroup_read_current(image.id, &damaged);
  EXPECT_FALSE(damaged);
  EXPECT_EQ(current.number, 1);
  EXPECT_EQ(current.next_number, 2);
  EXPECT_EQ(current.name, "Path-Group#1");
  EXPECT_FALSE(current.file_name);
  EXPECT_FALSE(qv_pathgroups_data(image.id));
}

TEST_F(PathGroupLive, StoringTwiceKeepsOneBlockWithPathsAndParasites) {
  ASSERT_TRUE(qv_pathgroup_store_current(image.id, std::nullopt));
  ASSERT_TRUE(qv_pathgroup_store_current(image.id, "Renamed"s));
  const auto blocks = blocks_of(image.id);
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].number, 1);
  EXPECT_EQ(blocks[0].name, "Renamed");
  EXPECT_EQ(blocks[0].path_count, 2u);
  EXPECT_EQ(qv_pathgroup_read_current(image.id).name, "Renamed");

  const auto data = *qv_pathgroups_data(image.id);
  const auto content = qv_pathgroup_block_content(data, blocks[0]);
  ASSERT_EQ(content.paths.size(), 2u);
  EXPECT_EQ(content.paths[0].name, "B") << "from the last path of the list to the first";
  EXPECT_EQ(content.paths[1].tattoo, tattoo_a);
  EXPECT_EQ(content.parasites.size(), 3u);

  const auto stored = *qv_image_parasite_bytes(image.id, QV_PATHGROUPS_PARASITE);
  EXPECT_EQ(std::string(stored.begin() + 4, stored.begin() + 8), "GHDR");
  qv_parasite_ptr p(gimp_image_get_parasite(image.id, QV_PATHGROUP_CURRENT_PARASITE));
  ASSERT_TRUE(p);
  EXPECT_EQ(gimp_parasite_flags(p.get()), static_cast<gulong>(GIMP_PARASITE_PERSISTENT));
}

TEST_F(PathGroupLive, SwitchingRestoresPathsTattoosAndStyles) {
  const auto points_a = qv_path_read_points(image.id, "A", nullptr).points;
  ASSERT_TRUE(qv_pathgroup_new(image.id, "Second", false));
  EXPECT_TRUE(qv_test_path_names(image.id).empty());
  EXPECT_EQ(qv_test_parasite(image.id, "qv-style-for-path-" + std::to_string(tattoo_a)), "<none>");
  QVPathGroupCurrent current = qv_pathgroup_read_current(image.id);
  EXPECT_EQ(current.number, 2);
  EXPECT_EQ(current.next_number, 3);
  EXPECT_EQ(current.name, "Second");

  const gint32 c = qv_test_add_path(image.id, "C", {1, 1, 30, 30});
  const gint32 tattoo_c = qv_test_tattoo(c);
  qv_path_store_style(image.id, "C", "opacity: 50"s);
  // An empty path is a path of the group too.
  const gint32 empty = gimp_vectors_new(image.id, "empty");
  gimp_image_insert_vectors(image.id, empty, 0, -1);

  ASSERT_TRUE(qv_pathgroup_select(image.id, {1, std::nullopt}));
  EXPECT_EQ(qv_test_path_names(image.id), (Names{"A", "B"}));
  EXPECT_EQ(tattoo_of(image.id, "A"), tattoo_a);
  EXPECT_EQ(tattoo_of(image.id, "B"), tattoo_b);
  EXPECT_EQ(style_of(image.id, "A"), "stroke: 255 0 0");
  EXPECT_EQ(style_of(image.id, "B"), "fill: 0 0 255");
  EXPECT_EQ(qv_test_parasite(image.id, "qv-near-reference-for-path-" + std::to_string(tattoo_b)),
            "ref");
  EXPECT_EQ(qv_path_read_points(image.id, "A", nullptr).points, points_a);
  EXPECT_EQ(qv_pathgroup_read_current(image.id).number, 1);
  EXPECT_EQ(qv_pathgroup_read_current(image.id).next_number, 3);
  EXPECT_GE(gimp_image_get_tattoo_state(image.id), tattoo_c);

  // New paths never take a tattoo that a group holds.
  const gint32 d = qv_test_add_path(image.id, "D", {0, 0, 1, 1});
  EXPECT_GT(qv_test_tattoo(d), std::max({tattoo_a, tattoo_b, tattoo_c}));
  gimp_image_remove_vectors(image.id, d);

  ASSERT_TRUE(qv_pathgroup_select(image.id, {2, std::nullopt}));
  EXPECT_EQ(qv_test_path_names(image.id), (Names{"empty", "C"}));
  EXPECT_EQ(tattoo_of(image.id, "C"), tattoo_c);
  EXPECT_EQ(style_of(image.id, "C"), "opacity: 50");
  EXPECT_EQ(style_of(image.id, "A"), "<none>");
  EXPECT_EQ(blocks_of(image.id).size(), 2u);
}

TEST_F(PathGroupLive, DuplicateKeepsThePathsAndUnknownGroupsChangeNothing) {
  ASSERT_TRUE(qv_pathgroup_new(image.id, "", true));
  EXPECT_EQ(qv_test_path_names(image.id), (Names{"A", "B"}));
  EXPECT_EQ(qv_pathgroup_read_current(image.id).name, "Path-Group#2");

  EXPECT_FALSE(qv_pathgroup_select(image.id, {7, std::nullopt}));
  EXPECT_FALSE(qv_pathgroup_select(image.id, {1, "nowhere.qvg"s}));
  EXPECT_EQ(qv_test_path_names(image.id), (Names{"A", "B"}));
  EXPECT_EQ(qv_pathgroup_read_current(image.id).number, 2);
}

TEST_F(PathGroupLive, DamagedDataIsReportedAndNeverOverwritten) {
  ASSERT_TRUE(qv_pathgroup_new(image.id, "Second", true));
  auto stored = *qv_image_parasite_bytes(image.id, QV_PATHGROUPS_PARASITE);
  stored.resize(stored.size() - 5);
  qv_test_attach(image.id, QV_PATHGROUPS_PARASITE, std::string(stored.begin(), stored.end()));

  EXPECT_FALSE(qv_pathgroup_store_current(image.id, std::nullopt));
  EXPECT_FALSE(qv_pathgroup_select(image.id, {1, std::nullopt}));
  EXPECT_FALSE(qv_pathgroup_new(image.id, "Third", false));
  EXPECT_EQ(qv_test_parasite(image.id, QV_PATHGROUPS_PARASITE),
            std::string(stored.begin(), stored.end()));
  EXPECT_EQ(qv_test_path_names(image.id), (Names{"A", "B"}));
  const auto render = qv_pathgroups_render_snapshot(image.id);
  EXPECT_EQ(render.size(), QV_CHUNK_HEADER_SIZE) << "nothing but the EODT";

  qv_test_attach(image.id, QV_PATHGROUP_CURRENT_PARASITE, "\x00\x00\x00\x01"s);
  bool damaged = false;
  qv_pathgroup_read_current(image.id, &damaged);
  EXPECT_TRUE(damaged);
  gimp_image_detach_parasite(image.id, QV_PATHGROUPS_PARASITE);
  EXPECT_FALSE(qv_pathgroup_store_current(image.id, std::nullopt))
      << "a damaged record is not overwritten";
  EXPECT_EQ(qv_test_parasite(image.id, QV_PATHGROUP_CURRENT_PARASITE), "\x00\x00\x00\x01"s);
}

TEST_F(PathGroupLive, OldHostOrderParasitesAreConverted) {
  const std::vector<guint8> host = qv_pathgroup_block_build(4, "old", {}, {});
  qv_test_attach(image.id, QV_PATHGROUPS_OLD_PARASITE, std::string(host.begin(), host.end()));
  qv_test_attach(image.id, QV_PATHGROUP_CURRENT_OLD_PARASITE, "whatever");
  EXPECT_EQ(qv_pathgroups_data(image.id), host);
  EXPECT_EQ(qv_test_parasite(image.id, QV_PATHGROUPS_OLD_PARASITE), "<none>");
  EXPECT_EQ(qv_test_parasite(image.id, QV_PATHGROUP_CURRENT_OLD_PARASITE), "<none>");
  EXPECT_NE(qv_test_parasite(image.id, QV_PATHGROUPS_PARASITE), "<none>");
}

TEST_F(PathGroupLive, FilesSaveLoadAndServeRendering) {
  const std::string file = temp_file("live-groups.qvg");
  ASSERT_TRUE(qv_pathgroup_new(image.id, "Second", false));
  qv_test_add_path(image.id, "C", {1, 1, 30, 30});
  ASSERT_TRUE(qv_pathgroup_save_file(image.id, file, {}, false));

  QVTestImage other;
  EXPECT_EQ(qv_pathgroup_load_file(other.id, file, {}), 2);
  EXPECT_EQ(qv_pathgroup_load_file(other.id, file, {}), 0)
      << "groups already loaded are kept, not doubled";
  const auto blocks = blocks_of(other.id);
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[0].file_name, file);
  ASSERT_TRUE(qv_pathgroup_select(other.id, {1, file}));
  EXPECT_EQ(qv_test_path_names(other.id), (Names{"A", "B"}));
  EXPECT_EQ(style_of(other.id, "A"), "stroke: 255 0 0");
  EXPECT_EQ(qv_pathgroup_read_current(other.id).file_name, file);

  // Rendering reads the shown paths as they are now.
  const auto render = qv_pathgroups_render_snapshot(image.id);
  EXPECT_EQ(qv_chunk_get_u32(render.data() + render.size() - 4), QV_CHUNK_EODT);
  const QVSnapshot snapshot{render.data(), render.size()};
  EXPECT_TRUE(qv_snapshot_find_path(snapshot, "A")) << "group 1 comes first";
  const auto from_file = qv_pathgroup_file_render_snapshot(file);
  ASSERT_TRUE(from_file);
  EXPECT_EQ(qv_chunk_get_u32(from_file->data() + 4), QV_CHUNK_FNAM);

  // Bad files change nothing.
  const auto before = qv_test_parasite(other.id, QV_PATHGROUPS_PARASITE);
  EXPECT_EQ(qv_pathgroup_load_file(other.id, temp_file("missing.qvg"), {}), -1);
  const std::string bad = temp_file("bad.qvg");
  g_file_set_contents(bad.c_str(), "\x89QVX\r\n\x1a\n", 8, nullptr);
  EXPECT_EQ(qv_pathgroup_load_file(other.id, bad, {}), -1);
  EXPECT_FALSE(qv_pathgroup_file_render_snapshot(bad));
  EXPECT_EQ(qv_test_parasite(other.id, QV_PATHGROUPS_PARASITE), before);
  g_remove(bad.c_str());
  g_remove(file.c_str());
}

TEST_F(PathGroupLive, SaveAndSetMakesTheSavedGroupsExternal) {
  const std::string file = temp_file("external.qvg");
  ASSERT_TRUE(qv_pathgroup_save_file(image.id, file, {{1, std::nullopt}}, true));
  const auto blocks = blocks_of(image.id);
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].file_name, file);
  EXPECT_EQ(qv_pathgroup_read_current(image.id).file_name, file);
  // Storing again updates that block rather than adding an image group.
  ASSERT_TRUE(qv_pathgroup_store_current(image.id, std::nullopt));
  EXPECT_EQ(blocks_of(image.id).size(), 1u);

  EXPECT_EQ(qv_pathgroups_remove(image.id, {{1, file}}), 0) << "the shown group stays";
  g_remove(file.c_str());
}
