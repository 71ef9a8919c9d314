#include "core/qv_path_clipboard.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/qv_chunks.h"
#include "core/qv_snapshot.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t u32_at(const Bytes &b, size_t at) {
  uint32_t v;
  std::memcpy(&v, &b[at], 4);
  return v;
}

// GHDR "QV:", then each path with one style parasite, GEND.
Bytes stream_of(const std::vector<std::pair<std::string, int32_t>> &paths, size_t pad = 0) {
  Bytes s;
  qv_snapshot_append_group_header(s, 0, QV_PATH_CLIPBOARD_GROUP_NAME);
  for (const auto &[name, tattoo] : paths) {
    QVSnapshotPath p;
    p.tattoo = tattoo;
    p.path_type = 1;
    p.name = name;
    p.points = {1, 2, 1, 3, 4, 1};
    qv_snapshot_append_path(s, p);
    QVSnapshotParasite para;
    para.name = "qv-style-for-path-" + std::to_string(tattoo);
    para.flags = 1;
    para.data.assign(pad + 1, 'a');
    para.data.back() = 0;
    qv_snapshot_append_parasite(s, para);
  }
  qv_snapshot_append_empty(s, QV_CHUNK_GEND);
  return s;
}

}  // namespace

TEST(PathClipboard, BlockHeaderAnnouncesTheStream) {
  // The GHDR "QV:" chunk takes 20 bytes; the header is a bitmap-info header.
  EXPECT_EQ(stream_of({}).size(), 20u + 8u);
  Bytes stream = stream_of({{"A", 3}}, 700);
  stream.resize(700);  // only the announced sizes matter here
  const Bytes block = qv_path_block_wrap(stream);
  EXPECT_EQ(u32_at(block, 0), 40u);
  EXPECT_EQ(u32_at(block, 4), 512u);
  EXPECT_EQ(u32_at(block, 8), 2u);
  EXPECT_EQ(u32_at(block, 20), 708u);
  EXPECT_EQ(block[12] | block[13] << 8, 1);
  EXPECT_EQ(block[14] | block[15] << 8, 8);
  EXPECT_EQ(Bytes(block.begin() + 40, block.begin() + 48),
            (Bytes{0x89, 'Q', 'V', 'G', 0x0D, 0x0A, 0x1A, 0x0A}));
  const Bytes small = qv_path_block_wrap(Bytes(100, 0));
  EXPECT_EQ(u32_at(small, 4), 100u);
  EXPECT_EQ(u32_at(small, 8), 1u);
}

TEST(PathClipboard, SoundBlocksReadBackAndEveryFaultIsRefusedWhole) {
  const Bytes good = qv_path_block_wrap(stream_of({{"A", 3}, {"{2}B", 40}}));
  const QVPathBlock read = qv_path_block_read(good.data(), good.size());
  ASSERT_TRUE(read) << read.error;
  ASSERT_EQ(read.paths.size(), 2u);
  EXPECT_EQ(read.paths[1].name, "{2}B");
  EXPECT_EQ(read.paths[1].tattoo, 40);

  struct Case {
    const char *what;
    void (*spoil)(Bytes &);
  } cases[] = {
      {"another magic", [](Bytes &b) { b[41] = 'X'; }},
      {"header size", [](Bytes &b) { b[0] = 41; }},
      {"bits per pixel", [](Bytes &b) { b[14] = 24; }},
      {"palette count", [](Bytes &b) { b[32] = 1; }},
      {"resolution", [](Bytes &b) { b[28] = 2; }},
      {"width", [](Bytes &b) { b[4] += 1; }},
      {"size that lies", [](Bytes &b) { b[20] += 16; }},
      {"cut short", [](Bytes &b) { b.resize(b.size() - 9); }},
      {"chunk past its end", [](Bytes &b) { b[48 + 20 + 0] = 0xF0; }},
  };
  for (const Case &c : cases) {
    Bytes b = good;
    c.spoil(b);
    const QVPathBlock r = qv_path_block_read(b.data(), b.size());
    EXPECT_FALSE(r) << c.what;
    EXPECT_TRUE(r.paths.empty() && r.stream.empty()) << c.what;
  }
  Bytes open = stream_of({{"A", 3}});
  open.resize(open.size() - 8);  // no "GEND"
  const Bytes unended = qv_path_block_wrap(open);
  EXPECT_FALSE(qv_path_block_read(unended.data(), unended.size()));
  const Bytes no_paths = qv_path_block_wrap(stream_of({}));
  EXPECT_FALSE(qv_path_block_read(no_paths.data(), no_paths.size()));
  EXPECT_FALSE(qv_path_block_read(nullptr, 100));
}

TEST(PathClipboard, TattooReferencesFollowThePastedPaths) {
  const std::map<int32_t, int32_t> pasted = {{3, 50}, {40, 51}};
  EXPECT_EQ(qv_tattoos_remap("3 40", pasted), "50 51");
  EXPECT_EQ(qv_tattoos_remap("3; 40", pasted), "50; 51");
  EXPECT_EQ(qv_tattoos_remap("3 7 40", pasted), "50 51");  // 7 was not pasted
  EXPECT_EQ(qv_tattoos_remap("7; 40", pasted), "51");      // an emptied first group
  EXPECT_EQ(qv_tattoos_remap("3 0 40", pasted), "50");     // 0 ends the group
  EXPECT_EQ(qv_tattoos_remap("3x40", pasted), "50");
}

TEST(PathClipboard, GroupNumbersAndNames) {
  EXPECT_EQ(qv_next_group_number({"{2}a", "b", "{5} c"}), 6);
  EXPECT_EQ(qv_next_group_number({"b"}), 1);
  EXPECT_EQ(qv_name_in_group("Star", 6), "{6}Star");
  EXPECT_EQ(qv_name_in_group("{2} Star", 6), "{6} Star");
  EXPECT_EQ(qv_name_in_group("", 6), "{6}");
}

TEST(PathClipboard, StyleTextRoundTripsAndOtherTextIsNoStyle) {
  const std::string text = qv_style_clipboard_text(12, "fill: 1 2 3\tstroke: 4 5 6");
  EXPECT_EQ(text, "QVParasiteString: qv-style-for-path-12\nfill: 1 2 3\nstroke: 4 5 6");
  const auto read = qv_style_from_clipboard_text(text);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->parasite, "qv-style-for-path-12");
  EXPECT_EQ(read->style, "fill: 1 2 3\tstroke: 4 5 6");
  EXPECT_EQ(qv_style_from_clipboard_text("QVParasiteString: qv-style-for-path-1\r\n\r\nfill: 1\r\n")
                ->style,
            "fill: 1");
  EXPECT_FALSE(qv_style_from_clipboard_text("fill: 1 2 3"));
}
