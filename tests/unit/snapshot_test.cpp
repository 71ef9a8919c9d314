#include "core/qv_chunks.h"
#include "core/qv_snapshot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using Names = std::vector<std::string>;

QVSnapshot view(const Bytes &bytes) { return {bytes.data(), bytes.size()}; }

QVSnapshotPath path_named(const std::string &name, int32_t tattoo, std::vector<double> points) {
  QVSnapshotPath path;
  path.tattoo = tattoo;
  path.path_type = 1;
  path.closed = 1;
  path.name = name;
  path.points = std::move(points);
  return path;
}

uint32_t u32_at(const Bytes &bytes, size_t at) {
  uint32_t value;
  std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

void set_u32(Bytes &bytes, size_t at, uint32_t value) { std::memcpy(bytes.data() + at, &value, 4); }

// A group block as path-group storage writes it, followed by a path that
// lies beyond the block's end and so must never be found.
Bytes group_snapshot() {
  Bytes bytes;
  qv_snapshot_append_group_header(bytes, 1, "Path-Group#1");
  qv_snapshot_append_path(bytes,
                          path_named("[@] wave", 7, {0, 0, 1, 5, 5, 2, 10, 10, 2, 15, 0, 1}));
  qv_snapshot_append_path(bytes, path_named("outline", 8, {}));
  qv_snapshot_append_parasite(bytes, {"qv-style-for-path-7", 1, {'s', 0, 'x', 0}});
  qv_snapshot_append_parasite(bytes, {"qv-near-reference-for-path-8", 3, {}});
  qv_snapshot_append_empty(bytes, QV_CHUNK_GEND);
  qv_snapshot_append_path(bytes, path_named("beyond", 9, {}));
  return bytes;
}

}  // namespace

TEST(SnapshotFind, ReadsPathsAndParasitesOfTheGroup) {
  const Bytes bytes = group_snapshot();

  const auto wave = qv_snapshot_find_path(view(bytes), "[@] wave");
  ASSERT_TRUE(wave);
  EXPECT_EQ(wave->tattoo, 7);
  EXPECT_EQ(wave->path_type, 1);
  EXPECT_EQ(wave->closed, 1);
  EXPECT_EQ(wave->points, (std::vector<double>{0, 0, 1, 5, 5, 2, 10, 10, 2, 15, 0, 1}));
  EXPECT_TRUE(qv_snapshot_find_path(view(bytes), "outline")->points.empty());

  const auto style = qv_snapshot_find_parasite(view(bytes), "qv-style-for-path-7");
  ASSERT_TRUE(style);
  EXPECT_EQ(style->flags, 1u);
  EXPECT_EQ(style->data, (Bytes{'s', 0, 'x', 0}));
  EXPECT_TRUE(qv_snapshot_find_parasite(view(bytes), "qv-near-reference-for-path-8")->data.empty());

  EXPECT_EQ(qv_snapshot_path_names(view(bytes)), (Names{"[@] wave", "outline"}));
  EXPECT_EQ(qv_snapshot_parasite_names(view(bytes)),
            (Names{"qv-style-for-path-7", "qv-near-reference-for-path-8"}));
}

TEST(SnapshotFind, WalkEndsAtTheFirstChunkOfAnotherType) {
  const Bytes bytes = group_snapshot();
  EXPECT_FALSE(qv_snapshot_find_path(view(bytes), "beyond"));
  EXPECT_FALSE(qv_snapshot_find_path(view(bytes), "wave"));  // no partial matches
  EXPECT_FALSE(qv_snapshot_find_parasite(view(bytes), "qv-style-for-path-"));
  EXPECT_FALSE(qv_snapshot_find_path({}, "outline"));
  EXPECT_TRUE(qv_snapshot_path_names({}).empty());
}

TEST(SnapshotFind, FirstOfTwoEqualNamesWins) {
  Bytes bytes;
  qv_snapshot_append_path(bytes, path_named("twin", 1, {}));
  qv_snapshot_append_path(bytes, path_named("twin", 2, {}));
  EXPECT_EQ(qv_snapshot_find_path(view(bytes), "twin")->tattoo, 1);
}

TEST(SnapshotWrite, ChunkSizesFollowTheStoredLayouts) {
  Bytes bytes;
  qv_snapshot_append_path(bytes, path_named("abc", 5, {1, 2, 1}));
  EXPECT_EQ(u32_at(bytes, 0), 3u + 8 * 3 + 21);
  EXPECT_EQ(u32_at(bytes, 20), 4u);
  EXPECT_EQ(u32_at(bytes, 24), 24u);
  EXPECT_EQ(bytes.size(), 8u + u32_at(bytes, 0));

  Bytes para;
  qv_snapshot_append_parasite(para, {"name", 1, {1, 2, 3, 4, 5}});
  EXPECT_EQ(u32_at(para, 0), 4u + 5 + 13);
  EXPECT_EQ(u32_at(para, 16), 5u);

  Bytes group;
  qv_snapshot_append_group_header(group, 3, "Group");
  EXPECT_EQ(u32_at(group, 0), 5u + 9);
  EXPECT_EQ(u32_at(group, 8), 3u);

  Bytes end;
  qv_snapshot_append_empty(end, QV_CHUNK_EODT);
  EXPECT_EQ(end, (Bytes{0, 0, 0, 0, 'T', 'D', 'O', 'E'}));  // host order, little-endian
}

TEST(SnapshotWrite, SurvivesStorageInBigEndian) {
  const Bytes original = group_snapshot();
  Bytes bytes = original;
  ASSERT_EQ(qv_chunks_to_big_endian(bytes.data(), bytes.size()), QVChunkStatus::ok);
  ASSERT_EQ(qv_chunks_to_host(bytes.data(), bytes.size()), QVChunkStatus::ok);
  EXPECT_EQ(qv_snapshot_find_path(view(bytes), "[@] wave")->points,
            qv_snapshot_find_path(view(original), "[@] wave")->points);
}

namespace {

// A sound path "first", then one damaged chunk, then a sound path "last":
// the damage must end the walk, so "first" is found and "last" is not.
struct Damage {
  const char *name;
  Bytes damaged;
};

std::vector<Damage> damaged_chunks() {
  std::vector<Damage> cases;
  auto path_with = [](size_t field, uint32_t value) {
    Bytes bytes;
    qv_snapshot_append_path(bytes, path_named("bad", 3, {1, 2, 1}));
    set_u32(bytes, field, value);
    return bytes;
  };
  cases.push_back({"path name without NUL", path_with(20, 3)});
  cases.push_back({"path name length 0", path_with(20, 0)});
  cases.push_back({"path name past the chunk", path_with(20, 0xFFFFFFF0u)});
  cases.push_back({"path points not whole doubles", path_with(24, 23)});
  cases.push_back({"path points past the chunk", path_with(24, 32)});

  Bytes short_path(8 + 12, 0);
  set_u32(short_path, 0, 12);
  set_u32(short_path, 4, QV_CHUNK_PATH);
  cases.push_back({"path too short for its fields", short_path});

  auto parasite_with = [](size_t field, uint32_t value) {
    Bytes bytes;
    qv_snapshot_append_parasite(bytes, {"bad", 1, {9, 9}});
    set_u32(bytes, field, value);
    return bytes;
  };
  cases.push_back({"parasite name without NUL", parasite_with(12, 2)});
  cases.push_back({"parasite data past the chunk", parasite_with(16, 3)});
  cases.push_back({"parasite data size wraps", parasite_with(16, 0xFFFFFFFFu)});

  Bytes group;
  qv_snapshot_append_group_header(group, 1, "G");
  set_u32(group, 12, 1);  // the name "G" without its NUL
  cases.push_back({"group name without NUL", group});

  Bytes unknown(8 + 4, 0);
  set_u32(unknown, 0, 4);
  set_u32(unknown, 4, qv_chunk_code("QQQQ"));
  cases.push_back({"unknown type", unknown});
  return cases;
}

}  // namespace

TEST(SnapshotFind, DamagedChunkEndsTheWalk) {
  for (const Damage &damage : damaged_chunks()) {
    SCOPED_TRACE(damage.name);
    Bytes bytes;
    qv_snapshot_append_path(bytes, path_named("first", 1, {}));
    bytes.insert(bytes.end(), damage.damaged.begin(), damage.damaged.end());
    qv_snapshot_append_path(bytes, path_named("last", 2, {}));
    qv_snapshot_append_parasite(bytes, {"last", 1, {}});

    EXPECT_EQ(qv_snapshot_path_names(view(bytes)), Names{"first"});
    EXPECT_FALSE(qv_snapshot_find_path(view(bytes), "bad"));
    EXPECT_FALSE(qv_snapshot_find_path(view(bytes), "last"));
    EXPECT_FALSE(qv_snapshot_find_parasite(view(bytes), "last"));
  }
}

TEST(SnapshotFind, EveryPrefixYieldsOnlyWholeChunks) {
  const Bytes whole = group_snapshot();
  const Names all_paths = qv_snapshot_path_names(view(whole));
  for (size_t length = 0; length <= whole.size(); ++length) {
    const Bytes prefix(whole.begin(), whole.begin() + length);  // exact size for ASan
    const Names names = qv_snapshot_path_names(view(prefix));
    ASSERT_LE(names.size(), all_paths.size());
    EXPECT_TRUE(std::equal(names.begin(), names.end(), all_paths.begin())) << length;
    const auto wave = qv_snapshot_find_path(view(prefix), "[@] wave");
    if (wave) {
      EXPECT_EQ(wave->points.size(), 12u);
    }
  }
}
