#include "core/qv_xcf.h"
#include "core/qv_xcf_timelines.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

std::string fixture(const char *name) { return std::string(QV_TEST_DATA_DIR "/xcf/") + name; }

Bytes file_bytes(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Big-endian writers for hand-made files.
void put_u32(Bytes &out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}
void put_f64(Bytes &out, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  for (int shift = 56; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(bits >> shift));
}
void put_text(Bytes &out, const std::string &text) {
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
}

// A timeline header chunk, big-endian, with its name as its only string.
Bytes header_chunk(const std::string &name, double fps, double in, double out, int32_t mode,
                   double end = 0.0) {
  Bytes chunk;
  put_u32(chunk, 96 + static_cast<uint32_t>(name.size() + 1));
  chunk.insert(chunk.end(), {'A', 'H', 'D', 'R'});
  for (int32_t v : {1, 1, 0, 1}) put_u32(chunk, v);
  for (double v : {fps, in, out}) put_f64(chunk, v);
  put_u32(chunk, static_cast<uint32_t>(mode));
  put_u32(chunk, 0);
  for (double v : {end, 0.0, 0.0, 0.02}) put_f64(chunk, v);
  for (uint32_t v : {0u, 0u, 0u, static_cast<uint32_t>(name.size() + 1)}) put_u32(chunk, v);
  put_text(chunk, name);
  return chunk;
}

// A whole timeline without entries: the header, then "AEND".
Bytes timeline(const std::string &name, double fps, double in, double out, int32_t mode) {
  Bytes bytes = header_chunk(name, fps, in, out, mode);
  put_u32(bytes, 0);
  bytes.insert(bytes.end(), {'A', 'E', 'N', 'D'});
  return bytes;
}

Bytes parasite_list(const std::vector<std::pair<std::string, Bytes>> &parasites) {
  Bytes list;
  for (const auto &[name, data] : parasites) {
    put_u32(list, static_cast<uint32_t>(name.size() + 1));
    put_text(list, name);
    put_u32(list, 1);
    put_u32(list, static_cast<uint32_t>(data.size()));
    list.insert(list.end(), data.begin(), data.end());
  }
  return list;
}

// A version-4 header (with precision) and the given raw property bytes.
Bytes xcf_with_properties(const Bytes &properties) {
  const char magic[] = "gimp xcf v004";
  Bytes xcf(magic, magic + 14);
  for (uint32_t v : {8u, 8u, 0u, 150u}) put_u32(xcf, v);
  xcf.insert(xcf.end(), properties.begin(), properties.end());
  return xcf;
}

Bytes parasite_property(const Bytes &list) {
  Bytes property;
  put_u32(property, 21);
  put_u32(property, static_cast<uint32_t>(list.size()));
  property.insert(property.end(), list.begin(), list.end());
  return property;
}

QVXcfRead read(const Bytes &bytes) { return qv_xcf_read_bytes(bytes.data(), bytes.size()); }

std::vector<std::string> names_of(const QVTimelineList &list) {
  std::vector<std::string> names;
  for (const auto &timeline : list.timelines) names.push_back(timeline.name);
  return names;
}

}  // namespace

// Files saved by GIMP 2.10 itself, in the versions it writes: the header
// grows a precision field from version 4 and offsets widen at 11; indexed
// images put a colour map before the parasites.
TEST(XcfFixtures, EverySavedVersionListsTheSameTimelines) {
  struct Case {
    const char *file;
    int version;
    bool precision;
  };
  for (const Case &c : {Case{"timelines-v0.xcf", 0, false}, Case{"timelines-indexed.xcf", 1, false},
                        Case{"timelines-v8.xcf", 8, true}, Case{"timelines-v12.xcf", 12, true}}) {
    SCOPED_TRACE(c.file);
    const QVXcfRead result = qv_xcf_read_file(fixture(c.file));
    ASSERT_TRUE(result.image) << result.error;
    EXPECT_EQ(result.image->version, c.version);
    EXPECT_EQ(result.image->precision.has_value(), c.precision);
    EXPECT_EQ(result.image->offset_bytes, c.version >= 11 ? 8 : 4);
    EXPECT_EQ(result.image->width, 8u);
    EXPECT_TRUE(result.image->layers.empty());  // only on request
    const QVXcfRead layered = qv_xcf_read_file(fixture(c.file), true);
    ASSERT_TRUE(layered.image) << layered.error;
    ASSERT_EQ(layered.image->layers.size(), 1u);
    EXPECT_EQ(layered.image->layers[0].name, "bg");
    EXPECT_EQ(layered.image->layers[0].width, 8u);
    EXPECT_EQ(layered.image->parasites.size(), result.image->parasites.size());

    const QVTimelineList list = qv_xcf_timelines(*result.image);
    EXPECT_TRUE(list.problems.empty());
    ASSERT_EQ(names_of(list), (std::vector<std::string>{"Intro", "Titles", "Credits", "Long"}));
    const auto &intro = list.timelines[0];
    EXPECT_EQ(intro.group, QVTimelineGroup::current);
    EXPECT_EQ(intro.frame_filename, "/tmp/frames/intro_0000.png");
    EXPECT_EQ(qv_timeline_frame_count(intro), 250);
    EXPECT_EQ(list.timelines[1].group, QVTimelineGroup::recent);
    EXPECT_EQ(qv_timeline_frame_count(list.timelines[1]), 50);   // in 2 s, out 4 s
    EXPECT_EQ(qv_timeline_frame_count(list.timelines[2]), 105);  // to its end, 3.5 s at 30 fps
    EXPECT_EQ(list.timelines[3].group, QVTimelineGroup::rest);
  }
}

TEST(XcfFixtures, ImageWithoutTimelineParasitesListsNone) {
  const QVXcfRead result = qv_xcf_read_file(fixture("plain.xcf"));
  ASSERT_TRUE(result.image) << result.error;
  const QVTimelineList list = qv_xcf_timelines(*result.image);
  EXPECT_TRUE(list.timelines.empty());
  EXPECT_TRUE(list.problems.empty());

  // Nor does one whose property list ends at once.
  Bytes end_only;
  put_u32(end_only, 0);
  put_u32(end_only, 0);
  const QVXcfRead bare = read(xcf_with_properties(end_only));
  ASSERT_TRUE(bare.image) << bare.error;
  EXPECT_TRUE(bare.image->parasites.empty());

  // Nor one with an empty parasite list.
  const QVXcfRead empty_list = read(xcf_with_properties(parasite_property({})));
  ASSERT_TRUE(empty_list.image) << empty_list.error;
  EXPECT_TRUE(qv_xcf_timelines(*empty_list.image).timelines.empty());
}

// Every cut of a real file either fails with a reason or, once the parasite
// list is complete, reads exactly what the whole file holds.
TEST(XcfBadInput, EveryTruncationIsRefusedOrComplete) {
  const Bytes whole = file_bytes(fixture("timelines-v12.xcf"));
  const QVXcfRead full = read(whole);
  ASSERT_TRUE(full.image);
  size_t first_success = whole.size();
  for (size_t n = 0; n < whole.size(); ++n) {
    const QVXcfRead cut = qv_xcf_read_bytes(whole.data(), n);
    if (cut.image) {
      first_success = std::min(first_success, n);
      EXPECT_EQ(cut.image->parasites.size(), full.image->parasites.size());
    } else {
      EXPECT_FALSE(cut.error.empty());
      EXPECT_EQ(first_success, whole.size()) << "a longer cut failed after a shorter one read";
    }
  }
  EXPECT_GT(first_success, 1000u);  // the parasites are past the first kilobyte

  // With the layer headers the file must reach further; a cut is still
  // refused with a reason, never read as fewer layers.
  const QVXcfRead layered = qv_xcf_read_bytes(whole.data(), whole.size(), true);
  ASSERT_TRUE(layered.image) << layered.error;
  for (size_t n = first_success; n < whole.size(); ++n) {
    const QVXcfRead cut = qv_xcf_read_bytes(whole.data(), n, true);
    if (cut.image) {
      EXPECT_EQ(cut.image->layers.size(), layered.image->layers.size()) << n;
    } else {
      EXPECT_FALSE(cut.error.empty());
    }
  }
  EXPECT_NE(qv_xcf_read_bytes(whole.data(), 30).error.find("truncated"), std::string::npos);
}

TEST(XcfBadInput, ForeignAndMalformedFilesAreRefused) {
  const Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  EXPECT_EQ(read(png).error, "not a GIMP XCF image");
  EXPECT_FALSE(read({}).image);
  EXPECT_FALSE(qv_xcf_read_bytes(nullptr, 100).image);
  Bytes bad_tag = xcf_with_properties({});
  std::memcpy(bad_tag.data(), "gimp xcf vABC", 13);
  EXPECT_FALSE(read(bad_tag).image);

  // A colour map claiming four billion colours.
  Bytes colour_map;
  for (uint32_t v : {1u, 7u, 0xffffffffu}) put_u32(colour_map, v);
  EXPECT_NE(read(xcf_with_properties(colour_map)).error.find("colour map"), std::string::npos);

  // A parasite name without its NUL, and data running past the list.
  Bytes no_nul;
  put_u32(no_nul, 3);
  no_nul.insert(no_nul.end(), {'a', 'b', 'c'});
  put_u32(no_nul, 0);
  put_u32(no_nul, 0);
  EXPECT_NE(read(xcf_with_properties(parasite_property(no_nul))).error.find("not terminated"),
            std::string::npos);
  Bytes long_data = parasite_list({{"p", Bytes{1, 2}}});
  long_data[long_data.size() - 3] = 9;  // data size 2 → 9
  EXPECT_FALSE(read(xcf_with_properties(parasite_property(long_data))).image);
}

TEST(XcfBadInput, CompressedAndMissingFilesSayWhy) {
  gchar *raw = nullptr;
  const int fd = g_file_open_tmp("qv-xcf-XXXXXX.xcf.gz", &raw, nullptr);
  ASSERT_GE(fd, 0);
  const std::string path = raw;
  g_free(raw);
  const uint8_t gzip[] = {0x1f, 0x8b, 8, 0, 0, 0, 0, 0};
  ASSERT_EQ(write(fd, gzip, sizeof gzip), static_cast<ssize_t>(sizeof gzip));
  close(fd);
  EXPECT_NE(qv_xcf_read_file(path).error.find("compressed"), std::string::npos);
  g_remove(path.c_str());
  EXPECT_NE(qv_xcf_read_file(path).error.find("cannot open"), std::string::npos);
}

// A broken chunk keeps the timelines read before it and says where it broke;
// a header whose strings overrun its chunk is never read past.
// The plug-in's salvage: a damaged parasite hides none of the others, its
// own timelines are left out whole, and the problem names it and the fault.
TEST(XcfTimelines, DamagedParasitesAreLeftOutAndNamed) {
  Bytes recent = timeline("One", 25, 0, 1, 1);
  const Bytes two = timeline("Two", 25, 0, 2, 1);
  recent.insert(recent.end(), two.begin(), two.end());
  put_u32(recent, 500);  // a chunk claiming more than is left
  recent.insert(recent.end(), {'A', 'N', 'I', 'M'});
  Bytes overrun = timeline("Three", 25, 0, 1, 1);
  overrun[8 + 92 + 3] = 200;                          // frame-name length 200 in a 110-byte chunk
  const Bytes still = timeline("Still", 0, 0, 1, 1);  // frame rate 0
  const Bytes no_end = header_chunk("Open", 25, 0, 1, 1);

  struct Case {
    const char *parasite;
    Bytes data;
    const char *fault;
  } cases[] = {{QV_TIMELINE_PARASITE_RECENT, recent, "past"},
               {QV_TIMELINE_PARASITE_REST, overrun, "run past"},
               {QV_TIMELINE_PARASITE_REST, still, "frame rate 0"},
               {QV_TIMELINE_PARASITE_RECENT, no_end, "AEND"}};
  for (const Case &c : cases) {
    const QVXcfRead result = read(xcf_with_properties(parasite_property(parasite_list(
        {{QV_TIMELINE_PARASITE_CURRENT, timeline("Main", 25, 0, 2, 1)}, {c.parasite, c.data}}))));
    ASSERT_TRUE(result.image) << result.error;
    const QVTimelineList list = qv_xcf_timelines(*result.image);
    EXPECT_EQ(names_of(list), (std::vector<std::string>{"Main"})) << c.fault;
    ASSERT_EQ(list.problems.size(), 1u) << c.fault;
    EXPECT_NE(list.problems[0].find(c.parasite), std::string::npos) << list.problems[0];
    EXPECT_NE(list.problems[0].find(c.fault), std::string::npos) << list.problems[0];
  }
}

TEST(XcfTimelines, LookupOrderAndUnnamedTimelines) {
  const QVXcfRead result = read(xcf_with_properties(parasite_property(
      parasite_list({{QV_TIMELINE_PARASITE_CURRENT, timeline("", 25, 0, 1, 1)},
                     {QV_TIMELINE_PARASITE_RECENT, timeline("Twin", 25, 0, 2, 1)},
                     {QV_TIMELINE_PARASITE_REST, timeline("Twin", 25, 0, 3, 1)}}))));
  ASSERT_TRUE(result.image) << result.error;
  const QVTimelineList list = qv_xcf_timelines(*result.image);
  EXPECT_EQ(names_of(list), (std::vector<std::string>{"Timeline", "Twin", "Twin"}));
  const QVTimelineInfo *twin = qv_timeline_find(list, "Twin");
  ASSERT_NE(twin, nullptr);
  EXPECT_EQ(twin->group, QVTimelineGroup::recent);
  EXPECT_EQ(qv_timeline_frame_count(*twin), 50);
  EXPECT_EQ(qv_timeline_find(list, "Missing"), nullptr);
}

TEST(XcfTimelines, FrameCountsRoundAndRefuseNonsense) {
  QVTimelineInfo t;
  t.header.fps = 25;
  t.header.inpoint = 0;
  t.header.outpoint = 1.0 / 25 * 2.5;  // 2.5 frames rounds to 3
  t.header.outpoint_mode = 1;
  EXPECT_EQ(qv_timeline_frame_count(t), 3);
  t.header.outpoint_mode = 2;  // end of timeline: the larger of end and minimum end
  t.header.end = 2;
  t.header.min_end = 4;
  EXPECT_EQ(qv_timeline_frame_count(t), 100);
  t.header.outpoint_mode = 1;
  t.header.outpoint = -5;
  EXPECT_EQ(qv_timeline_frame_count(t), 0);
  t.header.outpoint = NAN;
  EXPECT_EQ(qv_timeline_frame_count(t), 0);
  t.header.outpoint = 1e300;
  EXPECT_EQ(qv_timeline_frame_count(t), QV_TIMELINE_MAX_FRAMES);
}

// A damaged file with a second parasite list and a layer list that points
// at a name longer than any image has: the layers' read sees the parasites
// the plain read sees, and refuses the name instead of copying it.
TEST(XcfBadInput, SecondParasiteListsAndHugeLayerNames) {
  Bytes properties = parasite_property(parasite_list({{"one", {'a'}}}));
  const Bytes second = parasite_property(parasite_list({{"two", {'b'}}}));
  properties.insert(properties.end(), second.begin(), second.end());
  put_u32(properties, 0);  // PROP_END
  put_u32(properties, 0);
  // One layer: its offset, the list's end, width, height, type, name.
  auto with_layer = [&](uint32_t name_length) {
    Bytes file = xcf_with_properties(properties);
    for (uint32_t v : {static_cast<uint32_t>(file.size() + 8), 0u, 8u, 8u, 0u, name_length})
      put_u32(file, v);
    file.insert(file.end(), {'b', 'g', 0});
    return file;
  };
  const Bytes file = with_layer(3);
  const QVXcfRead plain = read(file);
  const QVXcfRead layered = qv_xcf_read_bytes(file.data(), file.size(), true);
  ASSERT_TRUE(plain.image) << plain.error;
  ASSERT_TRUE(layered.image) << layered.error;
  EXPECT_EQ(plain.image->parasites.size(), 1u);
  EXPECT_EQ(layered.image->parasites.size(), 1u);
  ASSERT_EQ(layered.image->layers.size(), 1u);
  EXPECT_EQ(layered.image->layers[0].name, "bg");
  const Bytes huge = with_layer(0x7fffffffu);
  const QVXcfRead refused = qv_xcf_read_bytes(huge.data(), huge.size(), true);
  EXPECT_FALSE(refused.image);
  EXPECT_NE(refused.error.find("layer name"), std::string::npos) << refused.error;
}
