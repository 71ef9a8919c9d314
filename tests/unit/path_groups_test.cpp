#include "core/qv_chunks.h"
#include "core/qv_path_groups.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using namespace std::string_literals;

QVSnapshotPath path(const std::string &name, int32_t tattoo) {
  QVSnapshotPath p;
  p.tattoo = tattoo;
  p.path_type = 1;
  p.name = name;
  p.points = {0, 0, 1, 5, 5, 2, 10, 10, 1};
  return p;
}

Bytes block(int32_t number, const std::string &name, int32_t tattoo) {
  return qv_pathgroup_block_build(number, name, {path("p" + std::to_string(tattoo), tattoo)},
                                  {{"qv-style-for-path-" + std::to_string(tattoo), 1, {'a', 0}}});
}

Bytes join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes &p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes file_section(const std::string &file, const Bytes &blocks) {
  Bytes out;
  qv_pathgroup_append_file_name(out, file);
  out.insert(out.end(), blocks.begin(), blocks.end());
  qv_snapshot_append_empty(out, QV_CHUNK_FEND);
  return out;
}

// Image groups 1 and 2, and group 1 of "a.qvg".
Bytes sample_data() {
  return join(
      {block(1, "one", 3), file_section("a.qvg", block(1, "file one", 4)), block(2, "two", 5)});
}

struct Summary {
  int32_t number;
  std::string name;
  std::string file;
  size_t paths;
  bool operator==(const Summary &o) const {
    return number == o.number && name == o.name && file == o.file && paths == o.paths;
  }
};
std::ostream &operator<<(std::ostream &os, const Summary &s) {
  return os << s.number << " " << s.name << " [" << s.file << "] " << s.paths;
}

std::vector<Summary> summary(const Bytes &data) {
  const QVPathGroupIndex index = qv_pathgroups_index(data);
  EXPECT_TRUE(index.ok()) << index.error;
  std::vector<Summary> out;
  for (const auto &b : index.blocks)
    out.push_back({b.number, b.name, b.file_name.value_or("-"), b.path_count});
  return out;
}

std::string error_of(const Bytes &data) { return qv_pathgroups_index(data).error; }

}  // namespace

TEST(PathGroupCurrent, DefaultsAndStoredLayout) {
  const QVPathGroupCurrent fresh = qv_pathgroup_current_default("Path-Group#");
  EXPECT_EQ(fresh.number, 1);
  EXPECT_EQ(fresh.next_number, 2);
  EXPECT_EQ(fresh.name, "Path-Group#1");
  EXPECT_FALSE(fresh.file_name);

  const Bytes bytes = qv_pathgroup_current_encode({7, 9, "Hi", "f.qvg"s});
  EXPECT_EQ(bytes, (Bytes{0, 0, 0, 7,   0,   0, 0,   9,   0,   0,   0,   3, 0,
                          0, 0, 6, 'H', 'i', 0, 'f', '.', 'q', 'v', 'g', 0}));
  const auto back = qv_pathgroup_current_decode(bytes.data(), bytes.size());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->number, 7);
  EXPECT_EQ(back->next_number, 9);
  EXPECT_EQ(back->name, "Hi");
  EXPECT_EQ(back->file_name, "f.qvg"s);

  const Bytes image_group = qv_pathgroup_current_encode({1, 2, "G", std::nullopt});
  EXPECT_EQ(image_group.size(), 18u);
  EXPECT_FALSE(qv_pathgroup_current_decode(image_group.data(), image_group.size())->file_name);
}

TEST(PathGroupCurrent, DamagedRecordsAreRefused) {
  Bytes bytes = qv_pathgroup_current_encode({7, 9, "Hi", "f.qvg"s});
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    EXPECT_FALSE(qv_pathgroup_current_decode(bytes.data(), cut)) << "cut at " << cut;
  }
  Bytes huge = bytes;
  huge[8] = 0x7F;  // name length far past the end
  EXPECT_FALSE(qv_pathgroup_current_decode(huge.data(), huge.size()));
  Bytes no_nul = bytes;
  no_nul[18] = 'x';  // the name's NUL
  no_nul[11] = 3;
  EXPECT_FALSE(qv_pathgroup_current_decode(no_nul.data(), no_nul.size()));
  Bytes zero_name = bytes;
  zero_name[11] = 0;
  EXPECT_FALSE(qv_pathgroup_current_decode(zero_name.data(), zero_name.size()));
}

TEST(PathGroupIndex, ListsBlocksWithTheirFileSections) {
  EXPECT_EQ(
      summary(sample_data()),
      (std::vector<Summary>{{1, "one", "-", 1}, {1, "file one", "a.qvg", 1}, {2, "two", "-", 1}}));
  // An "FNAM" of length 0 names no file.
  Bytes unnamed, unnamed_block;
  qv_pathgroup_append_file_name(unnamed, std::nullopt);
  block(3, "x", 1).swap(unnamed_block);
  qv_snapshot_append_empty(unnamed_block, QV_CHUNK_FEND);
  EXPECT_EQ(summary(join({unnamed, unnamed_block})), (std::vector<Summary>{{3, "x", "-", 1}}));
}

TEST(PathGroupIndex, RenderBlocksEndAtTheirEodt) {
  const Bytes render = qv_pathgroups_render_block(sample_data());
  Bytes tail;
  qv_snapshot_append_empty(tail, QV_CHUNK_EODT);
  EXPECT_TRUE(std::equal(tail.begin(), tail.end(), render.end() - tail.size()));
  // Whatever follows the "EODT" (a next render block) is not this block's.
  EXPECT_EQ(summary(join({render, block(9, "beyond", 9)})).size(), 3u);

  const Bytes file_block = qv_pathgroup_file_render_block("/x/y.qvg", block(4, "g", 2));
  const auto index = qv_pathgroups_index(file_block);
  ASSERT_EQ(index.blocks.size(), 1u);
  EXPECT_EQ(index.blocks[0].file_name, "/x/y.qvg"s);
  EXPECT_EQ(qv_chunk_get_u32(file_block.data() + 4), QV_CHUNK_FNAM);
}

TEST(PathGroupIndex, RefusesMalformedStructure) {
  Bytes gend, ghdr, ahdr(8 + 104, 0);
  qv_snapshot_append_empty(gend, QV_CHUNK_GEND);
  qv_snapshot_append_group_header(ghdr, 4, "open");
  qv_chunk_put_u32(ahdr.data(), 104);
  qv_chunk_put_u32(ahdr.data() + 4, QV_CHUNK_AHDR);
  Bytes lone_path;
  qv_snapshot_append_path(lone_path, path("x", 1));

  EXPECT_NE(error_of(ghdr), "");                            // never closed
  EXPECT_NE(error_of(join({ghdr, ghdr, gend})), "");        // a group inside a group
  EXPECT_NE(error_of(lone_path), "");                       // a path outside every group
  EXPECT_NE(error_of(gend), "");                            // an end without its group
  EXPECT_NE(error_of(join({block(1, "a", 1), ahdr})), "");  // a timeline chunk
  Bytes section_inside = ghdr;
  qv_pathgroup_append_file_name(section_inside, "f");
  EXPECT_NE(error_of(join({section_inside, gend})), "");

  // File sections must pair up: an open one would swallow appended groups.
  Bytes fnam, fend;
  qv_pathgroup_append_file_name(fnam, "f");
  qv_snapshot_append_empty(fend, QV_CHUNK_FEND);
  EXPECT_NE(error_of(join({fnam, block(1, "a", 1)})), "");
  EXPECT_NE(error_of(join({fnam, fnam, fend, fend})), "");
  EXPECT_NE(error_of(join({block(1, "a", 1), fend})), "");
  EXPECT_EQ(error_of(join({fnam, block(1, "a", 1), fend})), "");

  // A path whose point list runs past its chunk, and a group name without NUL.
  Bytes bad_path = block(1, "a", 1);
  const size_t path_at = 16 + 2;  // past the "GHDR" with its name "a"
  qv_chunk_put_u32(bad_path.data() + path_at + 24, 8 * 1000);
  EXPECT_NE(error_of(bad_path), "");
  Bytes bad_name = block(1, "abc", 1);
  bad_name[16 + 3] = 'x';
  EXPECT_NE(error_of(bad_name), "");
  // Cut short anywhere, the data is refused unless the cut falls just after
  // a whole group of the image (one inside a file section leaves it open).
  const Bytes good = sample_data();
  const auto whole = qv_pathgroups_index(good);
  for (size_t cut = 1; cut < good.size(); ++cut) {
    const auto index = qv_pathgroups_index(Bytes(good.begin(), good.begin() + cut));
    const bool after_a_group =
        std::any_of(whole.blocks.begin(), whole.blocks.end(),
                    [&](const QVPathGroupBlock &b) { return b.end == cut && !b.file_name; });
    if (index.ok()) {
      EXPECT_FALSE(index.blocks.empty()) << "cut at " << cut;
      EXPECT_LE(index.blocks.back().end, cut);
    } else {
      EXPECT_FALSE(after_a_group) << "cut at " << cut;
      EXPECT_TRUE(index.blocks.empty());
    }
  }
}

TEST(PathGroupEdit, StoringTwiceLeavesOneBlock) {
  Bytes data;
  for (int i = 0; i < 2; ++i) {
    data = qv_pathgroups_put_block(data, qv_pathgroups_index(data), 1, std::nullopt,
                                   block(1, "one", 3 + i));
  }
  EXPECT_EQ(summary(data), (std::vector<Summary>{{1, "one", "-", 1}}));
  EXPECT_EQ(data, block(1, "one", 4));
}

TEST(PathGroupEdit, ReplacesOnlyTheBlockOfTheSameFileSection) {
  const Bytes data = sample_data();
  const Bytes image_one = qv_pathgroups_put_block(data, qv_pathgroups_index(data), 1, std::nullopt,
                                                  qv_pathgroup_block_build(1, "new", {}, {}));
  EXPECT_EQ(
      summary(image_one),
      (std::vector<Summary>{{1, "new", "-", 0}, {1, "file one", "a.qvg", 1}, {2, "two", "-", 1}}));

  const Bytes file_one = qv_pathgroups_put_block(data, qv_pathgroups_index(data), 1, "a.qvg"s,
                                                 qv_pathgroup_block_build(1, "nf", {}, {}));
  EXPECT_EQ(summary(file_one),
            (std::vector<Summary>{{1, "one", "-", 1}, {1, "nf", "a.qvg", 0}, {2, "two", "-", 1}}));

  // A file group not there yet gets a section of its own.
  const Bytes other = qv_pathgroups_put_block(data, qv_pathgroups_index(data), 1, "b.qvg"s,
                                              qv_pathgroup_block_build(1, "b", {}, {}));
  EXPECT_EQ(summary(other).back(), (Summary{1, "b", "b.qvg", 0}));
  EXPECT_EQ(qv_pathgroups_index(other).file_sections, 4u);
}

TEST(PathGroupEdit, RemoveExtractAndAddFromFile) {
  const Bytes data = sample_data();
  const QVPathGroupIndex index = qv_pathgroups_index(data);
  const Bytes removed = qv_pathgroups_remove_blocks(data, index, {&index.blocks[1]});
  EXPECT_EQ(summary(removed), (std::vector<Summary>{{1, "one", "-", 1}, {2, "two", "-", 1}}));
  EXPECT_EQ(qv_pathgroups_index(removed).file_sections, 0u) << "the emptied section goes too";

  EXPECT_EQ(qv_pathgroups_extract_blocks(data, {&index.blocks[2], &index.blocks[0]}),
            join({block(2, "two", 5), block(1, "one", 3)}));

  const Bytes file = join({block(1, "f1", 7), block(2, "f2", 8), block(3, "f3", 9)});
  int added = 0;
  const Bytes merged = qv_pathgroups_add_from_file(data, index, "a.qvg", file,
                                                   qv_pathgroups_index(file), {}, &added);
  EXPECT_EQ(added, 2) << "group 1 of a.qvg is in the image already and keeps its copy";
  EXPECT_EQ(summary(merged).back(), (Summary{3, "f3", "a.qvg", 1}));
  EXPECT_EQ(summary(merged)[1], (Summary{1, "file one", "a.qvg", 1}));

  qv_pathgroups_add_from_file(data, index, "a.qvg", file, qv_pathgroups_index(file), {3}, &added);
  EXPECT_EQ(added, 1);
  EXPECT_EQ(qv_pathgroups_add_from_file(data, index, "a.qvg", file, qv_pathgroups_index(file), {1},
                                        &added),
            data);
  EXPECT_EQ(added, 0);
}

TEST(PathGroupStored, OldHostOrderDataConvertsToTheStoredForm) {
  const Bytes host = sample_data();
  std::string error;
  const auto stored = qv_pathgroups_convert_old(host, &error);
  ASSERT_TRUE(stored) << error;
  EXPECT_EQ(*stored, qv_pathgroups_to_stored(host));
  // Stored chunks spell their type in the first bytes after the size.
  EXPECT_EQ(std::string(stored->begin() + 4, stored->begin() + 8), "GHDR");
  EXPECT_EQ(qv_pathgroups_from_stored(*stored, &error), host);

  Bytes damaged = host;
  damaged.resize(damaged.size() - 3);
  EXPECT_FALSE(qv_pathgroups_convert_old(damaged, &error));
  EXPECT_NE(error, "");
  // Render blocks end in "EODT"; stored, it would hide what is appended later.
  EXPECT_FALSE(
      qv_pathgroups_from_stored(qv_pathgroups_to_stored(qv_pathgroups_render_block(host)), &error));
  const Bytes render_file =
      qv_pathgroup_file_encode(qv_pathgroups_render_block(block(1, "a", 1)), 2);
  EXPECT_EQ(qv_pathgroup_file_decode(render_file.data(), render_file.size()).status,
            QVPathGroupFileStatus::damaged);
  Bytes stored_damaged = *stored;
  stored_damaged[3] = 0xFF;
  EXPECT_FALSE(qv_pathgroups_from_stored(stored_damaged, &error));
}

TEST(PathGroupFile, EncodeDecodeAndRefusals) {
  const Bytes blocks = join({block(1, "one", 3), block(2, "two", 5)});
  const Bytes bytes = qv_pathgroup_file_encode(blocks, 3);
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 8),
            (Bytes{0x89, 'Q', 'V', 'G', 0x0D, 0x0A, 0x1A, 0x0A}));
  EXPECT_EQ(Bytes(bytes.end() - 12, bytes.end()),
            (Bytes{0, 0, 0, 4, 'G', 'N', 'X', 'T', 0, 0, 0, 3}));

  const QVPathGroupFile file = qv_pathgroup_file_decode(bytes.data(), bytes.size());
  ASSERT_EQ(file.status, QVPathGroupFileStatus::ok) << file.detail;
  EXPECT_EQ(file.chunks, blocks) << "host order, without the GNXT";
  EXPECT_EQ(file.next_number, 3);
  EXPECT_EQ(file.index.blocks.size(), 2u);

  Bytes wrong_magic = bytes;
  wrong_magic[1] = 'X';
  EXPECT_EQ(qv_pathgroup_file_decode(wrong_magic.data(), wrong_magic.size()).status,
            QVPathGroupFileStatus::not_group_file);
  EXPECT_EQ(qv_pathgroup_file_decode(bytes.data(), 5).status,
            QVPathGroupFileStatus::not_group_file);
  EXPECT_EQ(qv_pathgroup_file_decode(bytes.data(), bytes.size() - 13).status,
            QVPathGroupFileStatus::damaged);
  EXPECT_EQ(qv_pathgroup_file_decode(bytes.data(), 8).status, QVPathGroupFileStatus::ok)
      << "no groups is no fault";

  const Bytes with_section = qv_pathgroup_file_encode(file_section("x", blocks), 3);
  EXPECT_EQ(qv_pathgroup_file_decode(with_section.data(), with_section.size()).status,
            QVPathGroupFileStatus::damaged);

  // Numbers no group can have: named in the refusal.
  const Bytes no_next = qv_pathgroup_file_encode(blocks, 0);
  const QVPathGroupFile refused = qv_pathgroup_file_decode(no_next.data(), no_next.size());
  EXPECT_EQ(refused.status, QVPathGroupFileStatus::damaged);
  EXPECT_NE(refused.detail.find("next free group number 0"), std::string::npos) << refused.detail;
  EXPECT_NE(error_of(block(-3, "minus", 1)).find("negative"), std::string::npos);
}

TEST(PathGroupFile, SaveReplacesWholeAndLoadReportsMissingFiles) {
  gchar *raw_dir = g_dir_make_tmp("qv-groups-XXXXXX", nullptr);
  ASSERT_NE(raw_dir, nullptr);
  const std::string dir = raw_dir;
  g_free(raw_dir);
  const std::string name = dir + "/groups.qvg";

  EXPECT_EQ(qv_pathgroup_file_load(name).status, QVPathGroupFileStatus::missing);
  std::string detail;
  const Bytes first = qv_pathgroup_file_encode(block(1, "one", 3), 2);
  ASSERT_EQ(qv_pathgroup_file_save(name, first, &detail), QVPathGroupFileStatus::ok) << detail;
  const Bytes second = qv_pathgroup_file_encode(join({block(1, "one", 3), block(2, "two", 4)}), 3);
  ASSERT_EQ(qv_pathgroup_file_save(name, second, &detail), QVPathGroupFileStatus::ok) << detail;
  const QVPathGroupFile loaded = qv_pathgroup_file_load(name);
  ASSERT_EQ(loaded.status, QVPathGroupFileStatus::ok) << loaded.detail;
  EXPECT_EQ(loaded.index.blocks.size(), 2u);

  // Nothing but the file itself is left in the folder.
  GDir *listing = g_dir_open(dir.c_str(), 0, nullptr);
  int entries = 0;
  while (g_dir_read_name(listing)) ++entries;
  g_dir_close(listing);
  EXPECT_EQ(entries, 1);

  EXPECT_EQ(qv_pathgroup_file_save(dir + "/no/such/folder/x.qvg", first, &detail),
            QVPathGroupFileStatus::write_failed);
  EXPECT_EQ(qv_pathgroup_file_load(dir).status, QVPathGroupFileStatus::unreadable);
  g_remove(name.c_str());
  g_rmdir(dir.c_str());
}

TEST(PathGroupMenu, DuplicatesTakeFreshNumbersAndKeepTheContent) {
  const Bytes data = sample_data();
  const QVPathGroupIndex index = qv_pathgroups_index(data);
  int32_t next = 0;
  const Bytes out =
      qv_pathgroups_duplicate_blocks(data, {&index.blocks[1], &index.blocks[2]}, 7, "Copy-", &next);
  EXPECT_EQ(next, 9);
  const auto groups = summary(out);
  ASSERT_EQ(groups.size(), 5u);
  EXPECT_EQ(groups[3], (Summary{7, "Copy-file one", "-", 1}))
      << "a copy of a file group belongs to the image";
  EXPECT_EQ(groups[4], (Summary{8, "Copy-two", "-", 1}));
  const QVPathGroupIndex copied = qv_pathgroups_index(out);
  const QVSnapshotContent content = qv_pathgroup_block_content(out, copied.blocks[4]);
  ASSERT_EQ(content.paths.size(), 1u);
  EXPECT_EQ(content.paths[0].tattoo, 5);
  EXPECT_EQ(content.paths[0].points, path("p5", 5).points);
  ASSERT_EQ(content.parasites.size(), 1u);
  EXPECT_EQ(content.parasites[0].name, "qv-style-for-path-5");
  EXPECT_EQ(Bytes(out.begin(), out.begin() + data.size()), data)
      << "the originals stay as they were";
}

TEST(PathGroupMenu, MakeInternalKeepsFreeNumbersAndRenumbersClashes) {
  // Image groups 1 and 2; "a.qvg" holds 1 and 3; "b.qvg" holds 3.
  const Bytes data =
      join({block(1, "one", 3), block(2, "two", 5),
            file_section("a.qvg", join({block(1, "a one", 6), block(3, "a three", 7)})),
            file_section("b.qvg", block(3, "b three", 8))});
  const QVPathGroupIndex index = qv_pathgroups_index(data);
  ASSERT_EQ(index.blocks.size(), 5u);
  int32_t next = 2;  // a record lagging behind the groups: 2 is taken
  std::vector<QVPathGroupMove> moves;
  const Bytes out = qv_pathgroups_make_internal(
      data, index, {&index.blocks[0], &index.blocks[2], &index.blocks[3], &index.blocks[4]}, &next,
      &moves);
  EXPECT_EQ(summary(out), (std::vector<Summary>{{1, "one", "-", 1},
                                                {2, "two", "-", 1},
                                                {4, "a one", "-", 1},
                                                {3, "a three", "-", 1},
                                                {5, "b three", "-", 1}}));
  EXPECT_EQ(next, 6);
  ASSERT_EQ(moves.size(), 3u) << "the image's own group is passed over";
  EXPECT_EQ(moves[0].file_name, "a.qvg");
  EXPECT_EQ(moves[0].number, 1);
  EXPECT_EQ(moves[0].new_number, 4);
  EXPECT_EQ(moves[2].file_name, "b.qvg");
  EXPECT_EQ(moves[2].new_number, 5);
  EXPECT_EQ(qv_pathgroups_index(out).file_sections, 0u) << "emptied sections go";
  const QVSnapshotContent content =
      qv_pathgroup_block_content(out, qv_pathgroups_index(out).blocks[2]);
  ASSERT_EQ(content.paths.size(), 1u);
  EXPECT_EQ(content.paths[0].tattoo, 6);
}

TEST(PathGroupMenu, MakeInternalLeavesOtherGroupsOfTheFile) {
  const Bytes data =
      join({block(1, "one", 3),
            file_section("a.qvg", join({block(2, "a two", 6), block(3, "a three", 7)}))});
  const QVPathGroupIndex index = qv_pathgroups_index(data);
  int32_t next = 2;
  const Bytes out = qv_pathgroups_make_internal(data, index, {&index.blocks[1]}, &next, nullptr);
  EXPECT_EQ(
      summary(out),
      (std::vector<Summary>{{1, "one", "-", 1}, {3, "a three", "a.qvg", 1}, {2, "a two", "-", 1}}));
  EXPECT_EQ(next, 2);
  EXPECT_EQ(qv_pathgroups_make_internal(data, index, {&index.blocks[0]}, &next, nullptr), data)
      << "no file group chosen: nothing changes";
}

TEST(PathGroupMenu, ParasitesFollowTheirPathsToNewTattoos) {
  const std::vector<QVSnapshotParasite> parasites = {
      {"qv-style-for-path-3", 1, {'s', 0}},  {"qv-anim-for-path-3", 1, {'a', 0}},
      {"qv-style-for-path-4", 1, {'t', 0}},   // its path was not copied
      {"qv-style-for-path-33", 1, {'u', 0}},  // not the same tattoo as 3
      {"qv-other-3", 1, {'o', 0}},            // not a per-path parasite
  };
  const auto out = qv_pathgroup_parasites_retattooed(parasites, {{3, 40}, {33, 41}});
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].name, "qv-style-for-path-40");
  EXPECT_EQ(out[0].data, (Bytes{'s', 0}));
  EXPECT_EQ(out[0].flags, 1u);
  EXPECT_EQ(out[1].name, "qv-anim-for-path-40");
  EXPECT_EQ(out[2].name, "qv-style-for-path-41");
  EXPECT_TRUE(qv_pathgroup_parasites_retattooed(parasites, {}).empty());
}
