// The style store on real images: parasites, sheets, copy and delete.
#include <gtest/gtest.h>

#include <string>

#include "core/qv_chunks.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_read_cache.h"
#include "gimp/paths/qv_path_points.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/style/qv_path_copy.h"
#include "gimp/style/qv_style_gimp.h"
#include "live_support.h"

namespace {

using namespace std::string_literals;

std::string style_parasite(gint32 tattoo) { return "qv-style-for-path-" + std::to_string(tattoo); }

struct StyleStoreTest : ::testing::Test {
  QVTestImage image;
  gint32 path = qv_test_add_path(image.id, "P", {0, 0, 10, 0, 10, 10});
  gint32 tattoo = qv_test_tattoo(path);
};

TEST_F(StyleStoreTest, StoreTrimsAndAttachesWithItsNul) {
  EXPECT_EQ(qv_path_store_style(image.id, "P", "  stroke: 1 2 3\tfill: 4 5 6\t\t"s), tattoo);
  EXPECT_EQ(qv_test_parasite(image.id, style_parasite(tattoo)), "stroke: 1 2 3\tfill: 4 5 6\0"s);
  qv_parasite_ptr p(gimp_image_get_parasite(image.id, style_parasite(tattoo).c_str()));
  ASSERT_TRUE(p);
  EXPECT_EQ(gimp_parasite_flags(p.get()), static_cast<gulong>(GIMP_PARASITE_PERSISTENT));
}

TEST_F(StyleStoreTest, StoreRefusesUnknownPathsAndTextsWithoutNul) {
  EXPECT_EQ(qv_path_store_style(image.id, "no such path", "stroke: 1 1 1"s), 0);
  const char no_nul[] = {'a', ':', ' ', '1'};
  EXPECT_EQ(qv_path_store_style(image.id, "P", sizeof no_nul, no_nul), 0);
  EXPECT_EQ(qv_path_store_style(image.id, nullptr, "a: 1"s), 0);
  EXPECT_EQ(qv_path_store_style(image.id, "P", 0, nullptr), 0);
  EXPECT_EQ(qv_test_parasite(image.id, style_parasite(tattoo)), "<none>");
}

TEST_F(StyleStoreTest, SetterReplacesEmptiesDuplicatesAndCreates) {
  // A new style holds exactly the one item, no trailing TAB.
  qv_path_set_style_attribute(image.id, "P", {{"stroke: ", "255 0 0"}});
  EXPECT_EQ(qv_path_get_style_text(image.id, "P", nullptr), "stroke: 255 0 0");

  qv_path_store_style(image.id, "P", "opacity: 10\tstroke: 255 0 0\topacity: 20"s);
  qv_path_set_style_attribute(image.id, "P", {{"opacity: ", "50"}, {"fill: ", "1 2 3"}});
  // The duplicate is emptied in place; the text is stored as set.
  EXPECT_EQ(qv_path_get_style_text(image.id, "P", nullptr),
            "opacity: 50\tstroke: 255 0 0\t\tfill: 1 2 3");
}

// The library's setter, which the helper paths, markers, keysplines and the
// getter's rewrites all go through, refuses a pair that would split the
// style, also when it comes with a sound one, and stores nothing.
TEST_F(StyleStoreTest, SetterRefusesPairsThatWouldSplitTheStyle) {
  qv_path_store_style(image.id, "P", "fill: 1 2 3"s);
  const std::string before = qv_test_parasite(image.id, style_parasite(tattoo));
  const QVStylePairs injected[] = {
      {{"fill: ", "9 9 9\t@-script: /tmp/x.scm"}},
      {{"stroke: ", "1 1 1"}, {"fill\t@-script: ", "x"}},
      {{"fi\nll: ", "1"}},
  };
  for (const QVStylePairs &pairs : injected) {
    EXPECT_EQ(qv_path_set_style_attribute(image.id, "P", pairs), 0);
    EXPECT_EQ(qv_test_parasite(image.id, style_parasite(tattoo)), before);
  }
}

TEST_F(StyleStoreTest, SetterOnUnknownPathChangesNothing) {
  const auto before = qv_image_parasite_names(image.id);
  qv_path_set_style_attribute(image.id, "missing", {{"stroke: ", "1 1 1"}});
  EXPECT_EQ(qv_image_parasite_names(image.id), before);
}

TEST_F(StyleStoreTest, RemoveAttributesAndStyle) {
  qv_path_store_style(image.id, "P", "a: 1\tb: 2\ta: 3"s);
  EXPECT_EQ(qv_path_remove_style_attributes(image.id, "P", {"a: "}), 1);
  EXPECT_EQ(qv_path_get_style_text(image.id, "P", nullptr), "b: 2");
  EXPECT_EQ(qv_path_remove_style_attributes(image.id, "P", {"b: "}), 1);
  EXPECT_EQ(qv_test_parasite(image.id, style_parasite(tattoo)), "<none>");
  EXPECT_EQ(qv_path_remove_style_attributes(image.id, "P", {"b: "}), 0);

  qv_path_store_style(image.id, "P", "a: 1"s);
  EXPECT_EQ(qv_path_remove_style(image.id, "P"), tattoo);
  EXPECT_FALSE(qv_path_get_style_text(image.id, "P", nullptr));
  EXPECT_EQ(qv_path_remove_style(image.id, "missing"), 0);
}

TEST_F(StyleStoreTest, ParasiteWithoutTextIsNoStyle) {
  qv_test_attach(image.id, style_parasite(tattoo), "\x01\x02\x03"s);
  EXPECT_FALSE(qv_path_get_style_text(image.id, "P", nullptr));
  EXPECT_EQ(qv_path_has_style_attribute(image.id, "P", nullptr, "stroke: ", false), 0);
  // The setter then starts a fresh style instead of reading garbage.
  qv_path_set_style_attribute(image.id, "P", {{"stroke: ", "1 1 1"}});
  EXPECT_EQ(qv_path_get_style_text(image.id, "P", nullptr), "stroke: 1 1 1");
}

TEST_F(StyleStoreTest, ReadStyleReportsTattooAndBytes) {
  auto read = qv_path_read_style(image.id, "P", nullptr);
  EXPECT_EQ(read.tattoo, tattoo);
  EXPECT_TRUE(read.data.empty());
  qv_path_store_style(image.id, "P", "a: 1"s);
  read = qv_path_read_style(image.id, "P", nullptr);
  EXPECT_EQ(std::string(read.data.begin(), read.data.end()), "a: 1\0"s);
  EXPECT_EQ(qv_path_read_style(image.id, "missing", nullptr).tattoo, 0);
}

struct StyleSheetTest : StyleStoreTest {
  void TearDown() override { gimp_detach_parasite("qv-style-sheet-shared"); }
};

TEST_F(StyleSheetTest, GlobalSheetWinsOverTheImagesAndOwnStyleWinsOverSheet) {
  qv_path_store_style(image.id, "P", "css: shared\topacity: 50"s);
  qv_test_attach(image.id, "qv-style-sheet-shared", "stroke: 1 1 1\topacity: 10\0"s);
  EXPECT_EQ(qv_path_get_style_text_with_sheet(image.id, "P", nullptr),
            "stroke: 1 1 1\topacity: 10\tcss: shared\topacity: 50");

  const std::string global = "stroke: 9 9 9\0"s;
  gimp_attach_new_parasite("qv-style-sheet-shared", GIMP_PARASITE_PERSISTENT, global.size(),
                           global.data());
  EXPECT_EQ(qv_path_get_style_text_with_sheet(image.id, "P", nullptr),
            "stroke: 9 9 9\tcss: shared\topacity: 50");
  EXPECT_EQ(qv_path_has_style_attribute(image.id, "P", nullptr, "stroke: ", true), 1);
  EXPECT_EQ(qv_path_has_style_attribute(image.id, "P", nullptr, "stroke: ", false), 0);
}

TEST_F(StyleSheetTest, MissingSheetIsIgnored) {
  qv_path_store_style(image.id, "P", "css: nowhere\topacity: 50"s);
  EXPECT_EQ(qv_path_get_style_text_with_sheet(image.id, "P", nullptr), "css: nowhere\topacity: 50");
  EXPECT_FALSE(qv_path_get_style_text_with_sheet(image.id, "missing", nullptr));
}

struct PathCopyTest : StyleStoreTest {
  QVTestImage target;
};

TEST_F(PathCopyTest, CopyCarriesEveryPerPathParasiteUnderTheNewTattoo) {
  qv_path_store_style(image.id, "P", "stroke: 1 2 3"s);
  qv_test_attach(image.id, "qv-extra-for-path-" + std::to_string(tattoo), "extra"s);
  // Parasites of other paths and of the image stay behind.
  qv_test_attach(image.id, "qv-extra-for-path-" + std::to_string(tattoo + 100), "other"s);
  qv_test_attach(image.id, "qv-image-wide", "image"s);
  // Give the target a path so the copy's tattoo differs from the source's.
  qv_test_add_path(target.id, "Q", {0, 0, 5, 5});
  qv_test_add_path(target.id, "R", {0, 0, 5, 5});

  EXPECT_GT(qv_path_copy_with_parasites(image.id, "P", target.id, "P copy", nullptr, 0), 0);
  const gint32 copy_tattoo = qv_path_tattoo_by_name(target.id, "P copy", nullptr);
  ASSERT_GT(copy_tattoo, 0);
  EXPECT_EQ(qv_test_parasite(target.id, style_parasite(copy_tattoo)), "stroke: 1 2 3\0"s);
  EXPECT_EQ(qv_test_parasite(target.id, "qv-extra-for-path-" + std::to_string(copy_tattoo)),
            "extra");
  EXPECT_EQ(qv_test_parasite(target.id, "qv-image-wide"), "<none>");
  EXPECT_EQ(qv_test_parasite(target.id, "qv-extra-for-path-" + std::to_string(tattoo + 100)),
            "<none>");

  // The copy has the source's points and is the target's current path.
  gint count = 0;
  gdouble *points = nullptr;
  gboolean closed = FALSE;
  const gint32 copy = gimp_image_get_active_vectors(target.id);
  gint n_strokes = 0;
  g_free(gimp_vectors_get_strokes(copy, &n_strokes));
  ASSERT_EQ(n_strokes, 1);
  gint *strokes = gimp_vectors_get_strokes(copy, &n_strokes);
  gimp_vectors_stroke_get_points(copy, strokes[0], &count, &points, &closed);
  g_free(strokes);
  EXPECT_EQ(count, 18);
  if (count == 18) {
    EXPECT_DOUBLE_EQ(points[14], 10.0);
    EXPECT_DOUBLE_EQ(points[15], 10.0);
  }
  EXPECT_FALSE(closed);
  g_free(points);
}

TEST_F(PathCopyTest, CopyCanKeepTheTattooAndUnknownSourceCopiesNothing) {
  qv_path_store_style(image.id, "P", "stroke: 1 2 3"s);
  qv_path_copy_with_parasites(image.id, "P", target.id, nullptr, nullptr, 1);
  EXPECT_EQ(qv_path_tattoo_by_name(target.id, "P", nullptr), tattoo);
  EXPECT_EQ(qv_test_parasite(target.id, style_parasite(tattoo)), "stroke: 1 2 3\0"s);

  const auto before = qv_test_path_names(target.id);
  EXPECT_EQ(qv_path_copy_with_parasites(image.id, "missing", target.id, nullptr, nullptr, 0), 0);
  EXPECT_EQ(qv_test_path_names(target.id), before);
}

TEST_F(PathCopyTest, CopyFromSnapshot) {
  std::vector<uint8_t> snapshot;
  qv_snapshot_append_group_header(snapshot, 1, "Group");
  qv_snapshot_append_path(snapshot,
                          {77, 1, 0, "Snap", {0, 0, 1, 0, 0, 2, 20, 20, 2, 20, 20, 1, 20, 20, 2}});
  qv_snapshot_append_parasite(snapshot, {"qv-style-for-path-77", 1, {'a', ':', ' ', '1', 0}});
  qv_snapshot_append_empty(snapshot, qv_chunk_code("GEND"));
  const QVSnapshot view{snapshot.data(), snapshot.size()};

  EXPECT_EQ(qv_path_tattoo_by_name(image.id, "Snap", &view), 77);
  EXPECT_EQ(qv_path_get_style_text(image.id, "Snap", &view), "a: 1");
  qv_path_copy_with_parasites(image.id, "Snap", target.id, nullptr, &view, 0);
  const gint32 copy_tattoo = qv_path_tattoo_by_name(target.id, "Snap", nullptr);
  ASSERT_GT(copy_tattoo, 0);
  EXPECT_EQ(qv_test_parasite(target.id, style_parasite(copy_tattoo)), "a: 1\0"s);
}

TEST_F(StyleStoreTest, DeleteRemovesThePathAndOnlyItsParasites) {
  const gint32 other = qv_test_tattoo(qv_test_add_path(image.id, "Other", {0, 0, 1, 1}));
  qv_path_store_style(image.id, "P", "stroke: 1 2 3"s);
  qv_path_store_style(image.id, "Other", "stroke: 4 5 6"s);
  qv_test_attach(image.id, "qv-extra-for-path-" + std::to_string(tattoo), "x"s);

  EXPECT_EQ(qv_path_delete_with_parasites(image.id, "P"), 1);
  EXPECT_EQ(qv_test_path_names(image.id), std::vector<std::string>{"Other"});
  EXPECT_EQ(qv_test_parasite(image.id, style_parasite(tattoo)), "<none>");
  EXPECT_EQ(qv_test_parasite(image.id, "qv-extra-for-path-" + std::to_string(tattoo)), "<none>");
  EXPECT_EQ(qv_test_parasite(image.id, style_parasite(other)), "stroke: 4 5 6\0"s);
  EXPECT_EQ(qv_path_delete_with_parasites(image.id, "P"), 0);
}

}  // namespace

namespace {

// Inside a draw, reads are memoised; every change through the suite must be
// seen by the next read.
TEST_F(StyleStoreTest, MemoisedReadsSeeEveryChange) {
  const QVReadCacheScope scope;
  qv_path_store_style(image.id, "P", "a: 1"s);
  EXPECT_EQ(qv_path_get_style_text(image.id, "P", nullptr), "a: 1");
  qv_path_set_style_attribute(image.id, "P", {{"a: ", "2"}});
  EXPECT_EQ(qv_path_get_style_text(image.id, "P", nullptr), "a: 2");
  qv_path_remove_style(image.id, "P");
  EXPECT_FALSE(qv_path_get_style_text(image.id, "P", nullptr));

  EXPECT_EQ(qv_path_tattoo_by_name(image.id, "P", nullptr), tattoo);
  qv_path_delete(image.id, "P");
  EXPECT_EQ(qv_path_tattoo_by_name(image.id, "P", nullptr), 0);
  const gint32 again =
      qv_path_write_points(image.id, "P", 1, {0, 0, 1, 0, 0, 2, 5, 5, 2, 5, 5, 1, 5, 5, 2});
  ASSERT_GT(again, 0);
  EXPECT_EQ(qv_path_tattoo_by_name(image.id, "P", nullptr), qv_test_tattoo(again));
}

// Inside one frame the path list and points are memoised across parasite
// writes and paths coming and going; each of those must still show.
TEST_F(StyleStoreTest, MemoisedPathsFollowPathsAddedRemovedAndReplaced) {
  const QVReadCacheScope scope;
  const auto names = [&] { return qv_path_names(image.id); };
  EXPECT_EQ(names(), std::vector<std::string>{"P"});
  const auto first = qv_path_read_points(image.id, "P", nullptr).points;
  qv_path_store_style(image.id, "P", "a: 1"s);  // a parasite write keeps the memo
  EXPECT_EQ(qv_path_read_points(image.id, "P", nullptr).points, first);

  qv_test_add_path(image.id, "Q", {0, 0, 9, 9});
  qv_path_write_points(image.id, "R", 1, {0, 0, 1, 0, 0, 2, 5, 5, 2, 5, 5, 1, 5, 5, 2});
  EXPECT_EQ(names().size(), 3u);
  EXPECT_EQ(qv_path_count(image.id), 3u);
  qv_path_delete(image.id, "P");
  EXPECT_EQ(names().size(), 2u);
  qv_path_write_points(image.id, "P", 1, {7, 7, 1, 7, 7, 2, 8, 8, 2, 8, 8, 1, 8, 8, 2});
  EXPECT_EQ(qv_path_read_points(image.id, "P", nullptr).points[0], 7);
}

}  // namespace
