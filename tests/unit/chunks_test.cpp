#include "core/qv_chunks.h"
#include "core/qv_snapshot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Test data is written field by field in either byte order, independently of
// the library, so that the converter is checked against hand-made bytes.
void put_u32(Bytes &bytes, size_t at, uint32_t value, QVByteOrder order = QVByteOrder::host) {
  if (order == QVByteOrder::host) {
    std::memcpy(bytes.data() + at, &value, 4);
    return;
  }
  for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(value >> (24 - 8 * i));
}

void put_f64(Bytes &bytes, size_t at, double value) { std::memcpy(bytes.data() + at, &value, 8); }

void put_text(Bytes &bytes, size_t at, const std::string &text) {
  std::memcpy(bytes.data() + at, text.c_str(), text.size() + 1);
}

Bytes chunk(uint32_t type, uint32_t payload_size, QVByteOrder order = QVByteOrder::host) {
  Bytes bytes(8 + payload_size, 0);
  put_u32(bytes, 0, payload_size, order);
  put_u32(bytes, 4, type, order);
  return bytes;
}

Bytes join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes &part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

const std::string FRAME_NAME = "/tmp/render/untitled_000.png";
const std::string SCRIPT_NAME = "before-save.scm";
const std::string TIMELINE_NAME = "Intro";

Bytes ahdr_chunk() {
  const uint32_t frame = FRAME_NAME.size() + 1, script = SCRIPT_NAME.size() + 1,
                 name = TIMELINE_NAME.size() + 1;
  Bytes bytes = chunk(QV_CHUNK_AHDR, 96 + frame + script + name);
  put_u32(bytes, 8, 3);
  put_u32(bytes, 12, 1);
  put_u32(bytes, 16, 1);
  put_u32(bytes, 20, 1);
  put_f64(bytes, 24, 25.0);
  put_f64(bytes, 32, 0.5);
  put_f64(bytes, 40, 4.0);
  put_u32(bytes, 48, 2);
  put_u32(bytes, 52, 61);
  put_f64(bytes, 56, 10.0);
  put_f64(bytes, 64, 2.0);
  put_f64(bytes, 72, 1.25);
  put_f64(bytes, 80, 0.02);
  put_u32(bytes, 88, 0x11223344);
  put_u32(bytes, 92, frame);
  put_u32(bytes, 96, script);
  put_u32(bytes, 100, name);
  put_text(bytes, 104, FRAME_NAME);
  put_text(bytes, 104 + frame, SCRIPT_NAME);
  put_text(bytes, 104 + frame + script, TIMELINE_NAME);
  return bytes;
}

Bytes anim_chunk() {
  const std::vector<std::string> members = {"", "Group A", "[@] wave", "", "", "begin 2020-01-01"};
  uint32_t member_bytes = 0;
  for (const std::string &member : members) member_bytes += member.size() + 1;
  Bytes bytes = chunk(QV_CHUNK_ANIM, 136 + member_bytes);
  put_u32(bytes, 8, 2);
  put_u32(bytes, 12, 7);
  put_u32(bytes, 16, 12);
  put_u32(bytes, 20, 5);
  put_u32(bytes, 24, 1);
  bytes[28] = 0xAA;  // padding: must survive untouched
  const double doubles[] = {0.0, -1.0, 1.0, 0.5, 0.25, 0.75, 2.5, 1.5, 2.0};
  for (size_t i = 0; i < 9; ++i) put_f64(bytes, 32 + 8 * i, doubles[i]);
  put_f64(bytes, 112, 0.125);
  size_t at = 144;
  for (size_t i = 0; i < members.size(); ++i) {
    put_u32(bytes, 120 + 4 * i, members[i].size() + 1);
    put_text(bytes, at, members[i]);
    at += members[i].size() + 1;
  }
  return bytes;
}

Bytes name_chunk(uint32_t type, const std::string &name) {
  Bytes bytes = chunk(type, 4 + name.size() + 1);
  put_u32(bytes, 8, name.size() + 1);
  put_text(bytes, 12, name);
  return bytes;
}

Bytes tdir_chunk() {
  Bytes bytes = chunk(QV_CHUNK_TDIR, 20);
  const uint32_t values[] = {3, 1, 1, 1, 10};
  for (size_t i = 0; i < 5; ++i) put_u32(bytes, 8 + 4 * i, values[i]);
  return bytes;
}

Bytes gnxt_chunk(uint32_t next) {
  Bytes bytes = chunk(QV_CHUNK_GNXT, 4);
  put_u32(bytes, 8, next);
  return bytes;
}

QVSnapshotPath wave_path() {
  QVSnapshotPath path;
  path.tattoo = 0x01020304;
  path.path_type = 1;
  path.closed = 0;
  path.name = "wave";
  path.points = {1.5, 2.0, 1.0, 10.0, 20.0, 2.0, 30.0, 40.0, 2.0, 50.0, 60.0, 1.0};
  return path;
}

Bytes group_sequence() {
  Bytes bytes = name_chunk(QV_CHUNK_FNAM, "/tmp/groups.qvg");
  qv_snapshot_append_group_header(bytes, 4, "Path-Group#4");
  qv_snapshot_append_path(bytes, wave_path());
  QVSnapshotPath empty_path;
  empty_path.tattoo = 9;
  empty_path.name = "no points";
  qv_snapshot_append_path(bytes, empty_path);
  qv_snapshot_append_parasite(bytes, {"qv-style-for-path-16909060", 1, {'a', ':', ' ', '1', 0}});
  qv_snapshot_append_empty(bytes, QV_CHUNK_GEND);
  qv_snapshot_append_empty(bytes, QV_CHUNK_FEND);
  Bytes next = gnxt_chunk(5);
  bytes.insert(bytes.end(), next.begin(), next.end());
  qv_snapshot_append_empty(bytes, QV_CHUNK_EODT);
  return bytes;
}

struct NamedSequence {
  const char *name;
  Bytes bytes;
};

std::vector<NamedSequence> realistic_sequences() {
  return {
      {"timeline", join({ahdr_chunk(), anim_chunk(), anim_chunk(), chunk(QV_CHUNK_AEND, 0)})},
      {"timeline directory", join({name_chunk(QV_CHUNK_NAME, "Intro"), tdir_chunk()})},
      {"group file", group_sequence()},
  };
}

std::set<uint32_t> types_in(const Bytes &bytes) {
  std::set<uint32_t> types;
  QVChunkWalker walker = qv_chunk_walker_new(bytes.data(), bytes.size());
  while (auto found = qv_chunk_walker_next(walker)) types.insert(found->type);
  return types;
}

Bytes reversed(Bytes bytes, size_t at, size_t width) {
  std::reverse(bytes.begin() + at, bytes.begin() + at + width);
  return bytes;
}

}  // namespace

TEST(ChunkCode, LettersAndTheirValue) {
  EXPECT_EQ(QV_CHUNK_AHDR, 0x41484452u);
  EXPECT_EQ(qv_chunk_code('E', 'O', 'D', 'T'), QV_CHUNK_EODT);
  EXPECT_EQ(qv_chunk_code_text(QV_CHUNK_PARA), "PARA");
  EXPECT_EQ(qv_chunk_code_text(0x00FF4142u), "0x00FF4142");

  const uint32_t all[] = {QV_CHUNK_AHDR, QV_CHUNK_ANIM, QV_CHUNK_AEND, QV_CHUNK_TDIR, QV_CHUNK_NAME,
                          QV_CHUNK_FNAM, QV_CHUNK_FEND, QV_CHUNK_GHDR, QV_CHUNK_GEND, QV_CHUNK_PATH,
                          QV_CHUNK_PARA, QV_CHUNK_GNXT, QV_CHUNK_EODT};
  for (uint32_t type : all) EXPECT_TRUE(qv_chunk_type_is_known(type)) << qv_chunk_code_text(type);
  EXPECT_FALSE(qv_chunk_type_is_known(qv_chunk_code("path")));
  EXPECT_FALSE(qv_chunk_type_is_known(0));
}

TEST(ChunkStatus, EveryStatusHasItsOwnMessage) {
  const QVChunkStatus all[] = {QVChunkStatus::ok,
                               QVChunkStatus::truncated_header,
                               QVChunkStatus::size_past_end,
                               QVChunkStatus::unknown_type,
                               QVChunkStatus::too_short_for_fields,
                               QVChunkStatus::points_past_chunk};
  std::set<std::string> messages;
  for (QVChunkStatus status : all) messages.insert(qv_chunk_status_message(status));
  EXPECT_EQ(messages.size(), 6u);
}

TEST(ChunkByteOrder, RoundTripIsIdentityForEveryType) {
  std::set<uint32_t> covered;
  for (const NamedSequence &sequence : realistic_sequences()) {
    SCOPED_TRACE(sequence.name);
    Bytes bytes = sequence.bytes;
    ASSERT_EQ(qv_chunks_to_big_endian(bytes.data(), bytes.size()), QVChunkStatus::ok);
    EXPECT_NE(bytes, sequence.bytes);
    ASSERT_EQ(qv_chunks_to_host(bytes.data(), bytes.size()), QVChunkStatus::ok);
    EXPECT_EQ(bytes, sequence.bytes);
    const std::set<uint32_t> types = types_in(sequence.bytes);
    covered.insert(types.begin(), types.end());
  }
  EXPECT_EQ(covered.size(), 13u);
}

TEST(ChunkByteOrder, StoredHeaderSpellsSizeAndLetters) {
  Bytes bytes = ahdr_chunk();
  const uint32_t size = bytes.size() - 8;
  ASSERT_EQ(qv_chunks_to_big_endian(bytes.data(), bytes.size()), QVChunkStatus::ok);

  const Bytes expected_start = {uint8_t(size >> 24),
                                uint8_t(size >> 16),
                                uint8_t(size >> 8),
                                uint8_t(size),
                                'A',
                                'H',
                                'D',
                                'R'};
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 8), expected_start);
  const Bytes next_id = {0, 0, 0, 3};
  EXPECT_EQ(Bytes(bytes.begin() + 8, bytes.begin() + 12), next_id);
  const Bytes fps = {0x40, 0x39, 0, 0, 0, 0, 0, 0};  // 25.0
  EXPECT_EQ(Bytes(bytes.begin() + 24, bytes.begin() + 32), fps);
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(bytes.data() + 104)), FRAME_NAME);
}

TEST(ChunkByteOrder, PathTattooAndPointsAreReversedAroundTheName) {
  Bytes bytes;
  qv_snapshot_append_path(bytes, wave_path());
  ASSERT_EQ(qv_chunks_to_big_endian(bytes.data(), bytes.size()), QVChunkStatus::ok);

  const Bytes header = {0, 0, 0, 4 + 96 + 21, 'P', 'A', 'T', 'H'};
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 8), header);
  const Bytes tattoo = {1, 2, 3, 4};
  EXPECT_EQ(Bytes(bytes.begin() + 8, bytes.begin() + 12), tattoo);
  const Bytes point_bytes = {0, 0, 0, 96};
  EXPECT_EQ(Bytes(bytes.begin() + 24, bytes.begin() + 28), point_bytes);
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(bytes.data() + 28)), "wave");
  const Bytes first_x = {0x3F, 0xF8, 0, 0, 0, 0, 0, 0};  // 1.5, unaligned at 33
  EXPECT_EQ(Bytes(bytes.begin() + 33, bytes.begin() + 41), first_x);
}

// Each type's fields, written out here from the stored layouts, must be
// reversed and every other payload byte (strings, padding) left alone.
TEST(ChunkByteOrder, ConvertsExactlyTheFieldsOfEachType) {
  struct Layout {
    uint32_t type;
    std::vector<size_t> words, doubles;
  };
  const std::vector<Layout> layouts = {
      {QV_CHUNK_AHDR, {8, 12, 16, 20, 48, 52, 88, 92, 96, 100}, {24, 32, 40, 56, 64, 72, 80}},
      {QV_CHUNK_ANIM,
       {8, 12, 16, 20, 24, 104, 108, 120, 124, 128, 132, 136, 140},
       {32, 40, 48, 56, 64, 72, 80, 88, 96, 112}},
      {QV_CHUNK_TDIR, {8, 12, 16, 20, 24}, {}},
      {QV_CHUNK_NAME, {8}, {}},
      {QV_CHUNK_FNAM, {8}, {}},
      {QV_CHUNK_GNXT, {8}, {}},
      {QV_CHUNK_GHDR, {8, 12}, {}},
      {QV_CHUNK_PARA, {8, 12, 16}, {}},
      {QV_CHUNK_AEND, {}, {}},
      {QV_CHUNK_FEND, {}, {}},
      {QV_CHUNK_GEND, {}, {}},
      {QV_CHUNK_EODT, {}, {}},
  };
  for (const Layout &layout : layouts) {
    SCOPED_TRACE(qv_chunk_code_text(layout.type));
    Bytes bytes = chunk(layout.type, 160);
    for (size_t i = 8; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7 + 1);

    Bytes expected = reversed(reversed(bytes, 0, 4), 4, 4);
    for (size_t at : layout.words) expected = reversed(expected, at, 4);
    for (size_t at : layout.doubles) expected = reversed(expected, at, 8);

    ASSERT_EQ(qv_chunks_to_big_endian(bytes.data(), bytes.size()), QVChunkStatus::ok);
    EXPECT_EQ(bytes, expected);
  }
}

TEST(ChunkByteOrder, PathWithoutPointsConvertsOnlyItsFields) {
  // With no points the name length is never used, so even a wild one passes.
  Bytes bytes = chunk(QV_CHUNK_PATH, 24);
  put_u32(bytes, 20, 0xFFFFFF00u);
  put_text(bytes, 28, "abc");
  Bytes expected = reversed(reversed(reversed(bytes, 0, 4), 4, 4), 20, 4);
  ASSERT_EQ(qv_chunks_to_big_endian(bytes.data(), bytes.size()), QVChunkStatus::ok);
  EXPECT_EQ(bytes, expected);
}

namespace {

struct BadCase {
  const char *name;
  Bytes bytes;
  QVChunkStatus status;
};

// Each bad chunk follows a sound one, so "untouched" also proves that nothing
// before the fault was converted.
std::vector<BadCase> bad_sequences(QVByteOrder order) {
  auto after_sound = [order](Bytes bad) {
    Bytes sound = chunk(QV_CHUNK_GNXT, 4, order);
    put_u32(sound, 8, 0x01020304, order);
    return join({sound, bad});
  };
  Bytes huge_size = chunk(QV_CHUNK_AEND, 0, order);
  put_u32(huge_size, 0, 0xFFFFFFFFu, order);
  Bytes past_end = chunk(QV_CHUNK_GEND, 0, order);
  put_u32(past_end, 0, 100, order);

  Bytes points_past = chunk(QV_CHUNK_PATH, 20 + 4 + 8, order);
  put_u32(points_past, 20, 4, order);
  put_u32(points_past, 24, 16, order);
  Bytes name_past = chunk(QV_CHUNK_PATH, 20 + 4 + 8, order);
  put_u32(name_past, 20, 0xFFFFFFF8u, order);
  put_u32(name_past, 24, 8, order);

  Bytes unknown = chunk(qv_chunk_code("XXXX"), 8, order);
  put_u32(unknown, 8, 0x0A0B0C0D, order);

  return {
      {"header cut off", after_sound(Bytes(5, 0)), QVChunkStatus::truncated_header},
      {"size past the end", after_sound(past_end), QVChunkStatus::size_past_end},
      {"size wraps around", after_sound(huge_size), QVChunkStatus::size_past_end},
      {"GHDR too short", after_sound(chunk(QV_CHUNK_GHDR, 4, order)),
       QVChunkStatus::too_short_for_fields},
      {"AHDR too short", after_sound(chunk(QV_CHUNK_AHDR, 95, order)),
       QVChunkStatus::too_short_for_fields},
      {"ANIM too short", after_sound(chunk(QV_CHUNK_ANIM, 135, order)),
       QVChunkStatus::too_short_for_fields},
      {"PATH too short", after_sound(chunk(QV_CHUNK_PATH, 19, order)),
       QVChunkStatus::too_short_for_fields},
      {"PATH points past the chunk", after_sound(points_past), QVChunkStatus::points_past_chunk},
      {"PATH name length wraps", after_sound(name_past), QVChunkStatus::points_past_chunk},
      {"unknown type", after_sound(unknown), QVChunkStatus::unknown_type},
      {"lower-case type", after_sound(chunk(qv_chunk_code("path"), 0, order)),
       QVChunkStatus::unknown_type},
  };
}

}  // namespace

TEST(ChunkByteOrder, BadInputIsRefusedAndLeftUntouched) {
  for (const BadCase &bad : bad_sequences(QVByteOrder::host)) {
    SCOPED_TRACE(bad.name);
    Bytes bytes = bad.bytes;
    EXPECT_EQ(qv_chunks_to_big_endian(bytes.data(), bytes.size()), bad.status);
    EXPECT_EQ(bytes, bad.bytes);
  }
  for (const BadCase &bad : bad_sequences(QVByteOrder::big_endian)) {
    SCOPED_TRACE(bad.name);
    Bytes bytes = bad.bytes;
    EXPECT_EQ(qv_chunks_to_host(bytes.data(), bytes.size()), bad.status);
    EXPECT_EQ(bytes, bad.bytes);
  }
}

TEST(ChunkByteOrder, EveryPrefixConvertsOnlyAtChunkBorders) {
  const Bytes whole = join({ahdr_chunk(), anim_chunk(), group_sequence()});
  std::set<size_t> borders = {0};
  QVChunkWalker walker = qv_chunk_walker_new(whole.data(), whole.size());
  while (auto found = qv_chunk_walker_next(walker)) borders.insert(walker.position);

  Bytes stored = whole;
  ASSERT_EQ(qv_chunks_to_big_endian(stored.data(), stored.size()), QVChunkStatus::ok);

  for (size_t length = 0; length <= whole.size(); ++length) {
    // Exact-size copies let AddressSanitizer catch any read past the end.
    Bytes host(whole.begin(), whole.begin() + length);
    Bytes big(stored.begin(), stored.begin() + length);
    const bool border = borders.count(length) > 0;
    EXPECT_EQ(qv_chunks_to_big_endian(host.data(), length) == QVChunkStatus::ok, border) << length;
    EXPECT_EQ(qv_chunks_to_host(big.data(), length) == QVChunkStatus::ok, border) << length;
    if (!border) {
      EXPECT_TRUE(std::equal(host.begin(), host.end(), whole.begin())) << length;
    }
  }
}

TEST(ChunkWalker, YieldsEachChunkAndStopsAtTheFirstBadOne) {
  const Bytes first = tdir_chunk();
  const Bytes second = chunk(QV_CHUNK_EODT, 0);
  const Bytes bytes = join({first, second, chunk(qv_chunk_code("ZZZZ"), 4), tdir_chunk()});

  QVChunkWalker walker = qv_chunk_walker_new(bytes.data(), bytes.size());
  auto one = qv_chunk_walker_next(walker);
  auto two = qv_chunk_walker_next(walker);
  ASSERT_TRUE(one && two);
  EXPECT_EQ(one->offset, 0u);
  EXPECT_EQ(one->size, 20u);
  EXPECT_EQ(one->type, QV_CHUNK_TDIR);
  EXPECT_EQ(two->offset, first.size());
  EXPECT_EQ(two->type, QV_CHUNK_EODT);

  EXPECT_FALSE(qv_chunk_walker_next(walker));
  EXPECT_EQ(walker.status, QVChunkStatus::unknown_type);
  EXPECT_EQ(walker.position, first.size() + second.size());
  EXPECT_FALSE(qv_chunk_walker_next(walker));  // stays ended
}

TEST(ChunkWalker, ReadsBigEndianHeadersAndEmptyData) {
  Bytes bytes = chunk(QV_CHUNK_PATH, 0, QVByteOrder::big_endian);
  QVChunkWalker walker = qv_chunk_walker_new(bytes.data(), bytes.size(), QVByteOrder::big_endian);
  auto found = qv_chunk_walker_next(walker);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->type, QV_CHUNK_PATH);
  EXPECT_EQ(walker.status, QVChunkStatus::ok);

  EXPECT_EQ(qv_chunks_to_big_endian(nullptr, 0), QVChunkStatus::ok);
  EXPECT_EQ(qv_chunks_check(bytes.data(), 0, QVByteOrder::host), QVChunkStatus::ok);
}
