#include "core/qv_timeline.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace {

// Offsets are read back by hand so that the layout is checked against the
// table rather than against the encoder's own reader.
uint32_t u32_at(const QVBytes &b, size_t at) {
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
double f64_at(const QVBytes &b, size_t at) {
  double v;
  std::memcpy(&v, b.data() + at, 8);
  return v;
}
std::string text_at(const QVBytes &b, size_t at) {
  return reinterpret_cast<const char *>(b.data() + at);
}

auto fields(const QVahdrChunk &h) {
  return std::tie(h.next_anim_id, h.unused_12, h.interlace, h.flatten, h.fps, h.inpoint, h.outpoint,
                  h.outpoint_mode, h.preview_step, h.end, h.min_end, h.view_start,
                  h.view_seconds_per_pixel, h.unused_88, h.frame_fname, h.script_name, h.name);
}
auto fields(const QVanimChunk &e) {
  return std::tie(e.anim_id, e.group_id, e.path_tattoo, e.drawable_tattoo, e.drawable_is_mask,
                  e.t_start, e.freeze_before, e.t_end, e.freeze_after, e.fade_in, e.fade_out,
                  e.repeat, e.begin, e.duration, e.unused_104, e.unused_108, e.unused_112,
                  e.group_file, e.group_name, e.path_name, e.script_name, e.script_text, e.extra);
}

// Every field set to a value unlike its default, and both an absent and an
// empty string, which must stay apart.
QVTimeline rich_timeline(const std::string &name = "Intro") {
  QVTimeline t = qv_timeline_new(name);
  QVahdrChunk &h = t.header;
  h.unused_12 = 7;
  h.interlace = QV_INTERLACED_NTSC;
  h.flatten = 0;
  h.fps = 29.97;
  h.inpoint = 0.5;
  h.outpoint = 12.25;
  h.outpoint_mode = QV_OUT_EXPLICIT;
  h.preview_step = 5;
  h.end = 14.0;
  h.min_end = 3.0;
  h.view_start = 1.5;
  h.view_seconds_per_pixel = 0.04;
  h.unused_88 = -3;
  h.frame_fname = "/tmp/render/frame_007.png";
  h.script_name = "";
  QVanimChunk a;
  a.group_id = 4;
  a.path_tattoo = 17;
  a.drawable_tattoo = 9;
  a.drawable_is_mask = 1;
  a.t_start = -1.0;
  a.freeze_before = -1.0;
  a.t_end = 0.75;
  a.freeze_after = 2.0;
  a.fade_in = 0.5;
  a.fade_out = 1.5;
  a.repeat = 1.5;
  a.begin = 3.0;
  a.duration = 4.0;
  a.unused_104 = 1;
  a.unused_108 = 2;
  a.unused_112 = 3.5;
  a.group_file = "";
  a.group_name = "Wheels";
  a.path_name = "[@] spin\tfront";
  a.extra = "begin 2024-01-01\nduration 2024-02-01\n";
  qv_timeline_add_entry(t, a);
  QVanimChunk script;
  script.script_name = "Flash";
  script.script_text = "(gimp-message \"frame\")";
  qv_timeline_add_entry(t, script);
  return t;
}

void expect_same(const QVTimeline &a, const QVTimeline &b) {
  EXPECT_TRUE(fields(a.header) == fields(b.header));
  ASSERT_EQ(a.entries.size(), b.entries.size());
  for (size_t i = 0; i < a.entries.size(); ++i) {
    EXPECT_TRUE(fields(a.entries[i]) == fields(b.entries[i])) << "entry " << i;
  }
}

QVBytes named(const std::string &name) { return qv_timeline_encode(qv_timeline_new(name)); }

std::string header_name(const QVBytes &timeline) {
  return *qv_ahdr_decode(timeline.data(), timeline.size()).value->name;
}

std::vector<std::string> names_of(const std::vector<QVBytes> &shelf) {
  std::vector<std::string> names;
  for (const QVBytes &t : shelf) names.push_back(header_name(t));
  return names;
}

// current "C" (optional), recent R0..R(r-1), rest S0..S(s-1).
QVTimelineParasites shelves(bool current, int recent, int rest) {
  QVTimelineParasites p;
  if (current) p.current = named("C");
  for (int i = 0; i < recent; ++i) p.recent.push_back(named("R" + std::to_string(i)));
  for (int i = 0; i < rest; ++i) p.rest.push_back(named("S" + std::to_string(i)));
  return p;
}

}  // namespace

TEST(TimelineLayout, NewHeaderAndNamedHeader) {
  const QVBytes plain = qv_timeline_encode(qv_timeline_new());
  ASSERT_EQ(plain.size(), 104u + 8u);  // header and AEND
  EXPECT_EQ(u32_at(plain, 0), 96u);
  EXPECT_EQ(u32_at(plain, 4), QV_CHUNK_AHDR);
  EXPECT_EQ(u32_at(plain, 8), 1u);   // next id
  EXPECT_EQ(u32_at(plain, 20), 1u);  // flatten
  EXPECT_EQ(f64_at(plain, 24), 25.0);
  EXPECT_EQ(u32_at(plain, 48), 2u);  // "End"
  EXPECT_EQ(u32_at(plain, 52), 61u);
  EXPECT_EQ(f64_at(plain, 80), 0.02);
  for (size_t at : {92, 96, 100}) EXPECT_EQ(u32_at(plain, at), 0u);
  EXPECT_EQ(u32_at(plain, 104), 0u);
  EXPECT_EQ(u32_at(plain, 108), QV_CHUNK_AEND);

  const QVBytes one = qv_timeline_encode(qv_timeline_new("Timeline#1"));
  EXPECT_EQ(u32_at(one, 0), 96u + 11u);
  EXPECT_EQ(u32_at(one, 100), 11u);
  EXPECT_EQ(text_at(one, 104), "Timeline#1");
}

TEST(TimelineLayout, ScriptEntryMembersAndStoredOrder) {
  QVTimeline t = qv_timeline_new();
  QVanimChunk script;
  script.script_name = "Flash";
  script.script_text = "(x)";
  qv_timeline_add_entry(t, script);
  const QVBytes bytes = qv_timeline_encode(t);
  const size_t anim = 104;
  EXPECT_EQ(u32_at(bytes, anim + 4), QV_CHUNK_ANIM);
  EXPECT_EQ(u32_at(bytes, anim), 136u + 6 + 4);
  EXPECT_EQ(u32_at(bytes, anim + 8), 1u);  // first id
  EXPECT_EQ(t.header.next_anim_id, 2);
  const uint32_t lengths[] = {0, 0, 0, 6, 4, 0};
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(u32_at(bytes, anim + 120 + 4 * i), lengths[i]);
  EXPECT_EQ(text_at(bytes, anim + 144), "Flash");
  EXPECT_EQ(text_at(bytes, anim + 150), "(x)");
  EXPECT_EQ(f64_at(bytes, anim + 48), 1.0);  // t at end
  EXPECT_EQ(f64_at(bytes, anim + 96), 2.0);  // duration

  // Big-endian encoding is the host encoding run through the converter, and
  // a stored header spells its type.
  QVBytes converted = bytes;
  ASSERT_EQ(qv_chunks_to_big_endian(converted.data(), converted.size()), QVChunkStatus::ok);
  const QVBytes stored = qv_timeline_encode(t, QVByteOrder::big_endian);
  EXPECT_EQ(stored, converted);
  EXPECT_EQ(std::string(stored.begin() + 4, stored.begin() + 8), "AHDR");
  EXPECT_EQ(stored[3], 96);
}

TEST(TimelineCodec, RoundTripsEveryFieldInBothOrders) {
  const QVTimeline t = rich_timeline();
  for (QVByteOrder order : {QVByteOrder::host, QVByteOrder::big_endian}) {
    const QVBytes bytes = qv_timeline_encode(t, order);
    const auto back = qv_timeline_decode(bytes, order);
    ASSERT_TRUE(back) << back.error;
    expect_same(t, *back.value);
    EXPECT_EQ(qv_timeline_encode(*back.value, order), bytes);
  }
}

TEST(TimelineCodec, EntryEnds) {
  QVTimeline t = rich_timeline();
  // 3 + 4 + 4 × 1.5 + 2 freeze + 1.5 fade-out.
  EXPECT_DOUBLE_EQ(qv_anim_end(t.entries[0]), 16.5);
  QVanimChunk e;
  e.begin = 1;
  e.duration = 2;
  e.repeat = -1;
  e.freeze_after = -1;
  e.fade_out = 5;
  EXPECT_DOUBLE_EQ(qv_anim_end(e), 3.0);  // endless adds nothing
  t.entries = {e};
  EXPECT_DOUBLE_EQ(qv_timeline_end(t), 3.0);  // min_end 3.0 wins a tie
  t.header.min_end = 10;
  EXPECT_DOUBLE_EQ(qv_timeline_end(t), 10.0);
}

TEST(TimelineCodec, EveryTruncationIsRefused) {
  const QVBytes bytes = qv_timeline_encode(rich_timeline(), QVByteOrder::big_endian);
  for (size_t n = 0; n < bytes.size(); ++n) {
    const auto cut = qv_timeline_decode(bytes.data(), n, QVByteOrder::big_endian);
    EXPECT_FALSE(cut) << "length " << n;
    EXPECT_FALSE(cut.error.empty());
  }
  EXPECT_FALSE(qv_timeline_decode(nullptr, 100));
}

TEST(TimelineCodec, BrokenFieldsAreRefused) {
  const QVBytes good = qv_timeline_encode(rich_timeline());
  const size_t anim = u32_at(good, 0) + 8;
  auto refused = [](QVBytes bytes, const char *what) {
    const auto r = qv_timeline_decode(bytes);
    EXPECT_FALSE(r) << what;
    EXPECT_NE(r.error.find(what), std::string::npos) << r.error;
  };
  QVBytes b = good;
  b[104 + u32_at(good, 92) - 1] = 'x';  // frame file name loses its NUL
  refused(b, "NUL");

  b = good;
  uint32_t huge = 0xFFFFFFF0u;  // the three lengths wrap around in 32 bits
  std::memcpy(b.data() + 92, &huge, 4);
  std::memcpy(b.data() + 96, &huge, 4);
  refused(b, "run past");

  b = good;
  std::memcpy(b.data() + anim + 124, &huge, 4);
  refused(b, "run past");

  b = good;
  b.resize(b.size() - 8);  // no AEND
  refused(b, "AEND");

  b = good;
  const QVBytes tail(good.end() - 8, good.end());
  b.insert(b.end(), tail.begin(), tail.end());  // a chunk after AEND
  refused(b, "follows");

  b = good;
  const uint32_t short_payload = 95;
  b = QVBytes(good.begin(), good.begin() + 8);
  std::memcpy(b.data(), &short_payload, 4);
  b.resize(8 + 95);
  refused(b, "too short");

  b = good;
  const uint32_t bogus = qv_chunk_code("ABCD");
  std::memcpy(b.data() + anim + 4, &bogus, 4);
  EXPECT_FALSE(qv_timeline_decode(b));
}

// Values that would render N identical frames or never end are refused
// where the timeline is decoded, with the entry and the field named, in a
// ".qvt" file as in a parasite.
TEST(TimelineCodec, ImplausibleValuesAreRefusedWithTheirField) {
  const double nan = std::nan(""), inf = HUGE_VAL;
  struct Case {
    const char *field;
    void (*spoil)(QVTimeline &, double);
    double value;
  };
  const Case cases[] = {
      {"frame rate 0", [](QVTimeline &t, double v) { t.header.fps = v; }, 0},
      {"frame rate nan", [](QVTimeline &t, double v) { t.header.fps = v; }, nan},
      {"frame rate -25", [](QVTimeline &t, double v) { t.header.fps = v; }, -25},
      {"frame rate 1000000", [](QVTimeline &t, double v) { t.header.fps = v; }, 1e6},
      {"interlace mode 99", [](QVTimeline &t, double v) { t.header.interlace = int32_t(v); }, 99},
      {"outpoint mode 7", [](QVTimeline &t, double v) { t.header.outpoint_mode = int32_t(v); }, 7},
      {"outpoint inf", [](QVTimeline &t, double v) { t.header.outpoint = v; }, inf},
      {"entry 1: duration nan", [](QVTimeline &t, double v) { t.entries[0].duration = v; }, nan},
      {"entry 1: duration -2", [](QVTimeline &t, double v) { t.entries[0].duration = v; }, -2},
      {"entry 2: t at end inf", [](QVTimeline &t, double v) { t.entries[1].t_end = v; }, inf},
      {"entry 2: t at start 1.5", [](QVTimeline &t, double v) { t.entries[1].t_start = v; }, 1.5},
      {"entry 1: begin -inf", [](QVTimeline &t, double v) { t.entries[0].begin = v; }, -inf},
  };
  for (const Case &c : cases) {
    QVTimeline t = rich_timeline();
    c.spoil(t, c.value);
    const QVBytes bytes = qv_timeline_encode(t, QVByteOrder::big_endian);
    const auto decoded = qv_timeline_decode(bytes, QVByteOrder::big_endian);
    EXPECT_FALSE(decoded) << c.field;
    const std::string field = std::strchr(c.field, ':') ? std::strchr(c.field, ':') + 2 : c.field;
    EXPECT_NE(decoded.error.find(field), std::string::npos) << decoded.error;
    if (std::strchr(c.field, ':')) {
      EXPECT_NE(decoded.error.find("animation " + std::string(c.field, std::strchr(c.field, ':'))),
                std::string::npos)
          << decoded.error;
    }
    const QVBytes file = qv_timeline_file_bytes(qv_timeline_encode(t));
    EXPECT_FALSE(qv_timeline_file_parse(file.data(), file.size())) << c.field;
  }
  // What the editor itself writes stays readable: unset t, endless repeat
  // and freezes, a zero duration.
  QVTimeline t = rich_timeline();
  t.entries[1].t_end = -1;
  t.entries[1].repeat = -1;
  t.entries[1].freeze_after = -1;
  t.entries[1].duration = 0;
  EXPECT_TRUE(qv_timeline_decode(qv_timeline_encode(t)));
}

TEST(TimelineSplit, ParasiteOfSeveralTimelines) {
  QVBytes raw;
  for (const char *name : {"A", "B", "C"}) {
    const QVBytes one = qv_timeline_encode(rich_timeline(name), QVByteOrder::big_endian);
    raw.insert(raw.end(), one.begin(), one.end());
  }
  const auto timelines = qv_timelines_decode(raw.data(), raw.size(), QVByteOrder::big_endian);
  ASSERT_TRUE(timelines) << timelines.error;
  ASSERT_EQ(timelines.value->size(), 3u);
  EXPECT_EQ(timelines.value->at(2).header.name, "C");
  EXPECT_DOUBLE_EQ(timelines.value->at(1).header.fps, 29.97);

  const auto pieces = qv_timeline_split(raw.data(), raw.size(), QVByteOrder::big_endian);
  ASSERT_TRUE(pieces);
  EXPECT_EQ(pieces.value->at(0), qv_timeline_encode(rich_timeline("A")));  // host order

  EXPECT_TRUE(qv_timeline_split(nullptr, 0, QVByteOrder::host).value->empty());
  // A damaged timeline anywhere refuses the whole parasite, and so does
  // data that does not begin with a header.
  QVBytes damaged = raw;
  damaged.erase(damaged.begin() + static_cast<std::ptrdiff_t>(raw.size() / 3 + 200));
  EXPECT_FALSE(qv_timeline_split(damaged.data(), damaged.size(), QVByteOrder::big_endian));
  const QVBytes host = qv_timeline_encode(rich_timeline());
  const QVBytes entry_first(host.begin() + u32_at(host, 0) + 8, host.end());
  EXPECT_FALSE(qv_timeline_split(entry_first.data(), entry_first.size(), QVByteOrder::host));
}

TEST(TimelineParasites, ParseNeedsAllThreeSound) {
  const QVBytes a = qv_timeline_encode(qv_timeline_new("A"), QVByteOrder::big_endian);
  QVBytes two = a;
  two.insert(two.end(), a.begin(), a.end());
  const auto ok = qv_timeline_parasites_parse(a, two, std::nullopt, QVByteOrder::big_endian);
  ASSERT_TRUE(ok);
  EXPECT_EQ(qv_timeline_count(*ok.value), 3);
  EXPECT_FALSE(
      qv_timeline_parasites_parse(two, std::nullopt, std::nullopt, QVByteOrder::big_endian));
  QVBytes broken = two;
  broken.pop_back();
  const auto bad = qv_timeline_parasites_parse(a, a, broken, QVByteOrder::big_endian);
  EXPECT_FALSE(bad);
  EXPECT_NE(bad.error.find("qv-timeline-rest-be"), std::string::npos);
  // Stored back, the content is the parasite's bytes as they were.
  EXPECT_EQ(qv_timeline_parasite_content(ok.value->recent, QVByteOrder::big_endian), two);
  EXPECT_FALSE(qv_timeline_parasite_content({}, QVByteOrder::big_endian));
}

TEST(TimelineDirectory, EmptyImageHasOnlyTdir) {
  const QVTimelineDirectory dir = qv_timeline_directory_new(QVTimelineParasites{});
  ASSERT_EQ(dir.buffer.size(), 28u);
  EXPECT_EQ(u32_at(dir.buffer, 0), 20u);
  EXPECT_EQ(u32_at(dir.buffer, 4), QV_CHUNK_TDIR);
  const uint32_t values[] = {0, 0, 0, 0, 10};
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(u32_at(dir.buffer, 8 + 4 * i), values[i]);
  EXPECT_FALSE(qv_timeline_name(dir, 0));
}

TEST(TimelineDirectory, NamesCountsAndPresenceOnly) {
  QVTimelineParasites p = shelves(true, 2, 3);
  p.recent[1] = qv_timeline_encode(qv_timeline_new());  // no stored name
  const QVTimelineDirectory dir = qv_timeline_directory_new(p);
  EXPECT_EQ(dir.names, (std::vector<std::string>{"C", "R0", "Timeline", "S0", "S1", "S2"}));
  EXPECT_EQ(dir.total, 6);
  EXPECT_EQ(dir.has_current, 1);
  EXPECT_EQ(dir.recent_count, 2);
  EXPECT_EQ(dir.rest_count, 3);
  EXPECT_EQ(u32_at(dir.buffer, 0), 4u + 2u);  // NAME "C"
  EXPECT_EQ(u32_at(dir.buffer, dir.buffer.size() - 20), 6u);
  EXPECT_EQ(qv_timeline_name(dir, 5), "S2");
  EXPECT_FALSE(qv_timeline_name(dir, 6));
  EXPECT_FALSE(qv_timeline_name(dir, -1));

  const QVTimelineDirectory quick = qv_timeline_directory_new(p, true);
  EXPECT_EQ(quick.total, 3);
  EXPECT_EQ(quick.rest_count, -1);
  EXPECT_EQ(qv_timeline_directory_new(shelves(false, 1, 0), true).rest_count, 0);
}

TEST(TimelineDirectory, GetCopiesAndRemovesByNumber) {
  QVTimelineParasites p = shelves(true, 2, 2);
  EXPECT_EQ(header_name(*qv_timeline_get(p, 3, QVTimelineGet::copy)), "S0");
  EXPECT_EQ(qv_timeline_count(p), 5);
  EXPECT_EQ(header_name(*qv_timeline_get(p, 1, QVTimelineGet::take)), "R0");
  EXPECT_EQ(names_of(p.recent), std::vector<std::string>{"R1"});
  EXPECT_TRUE(qv_timeline_get(p, 0, QVTimelineGet::remove));
  EXPECT_FALSE(p.current);
  // Without a current timeline numbering starts with recent.
  EXPECT_EQ(header_name(*qv_timeline_get(p, 0, QVTimelineGet::copy)), "R1");
  const QVTimelineParasites before = p;
  EXPECT_FALSE(qv_timeline_get(p, 3, QVTimelineGet::take));
  EXPECT_FALSE(qv_timeline_get(p, -1, QVTimelineGet::take));
  EXPECT_EQ(p.recent, before.recent);
  EXPECT_EQ(p.rest, before.rest);

  EXPECT_EQ(header_name(*qv_timeline_by_name(shelves(true, 2, 2), "S1")), "S1");
  EXPECT_FALSE(qv_timeline_by_name(shelves(true, 2, 2), "nope"));
}

TEST(TimelineDirectory, MakeCurrent) {
  QVTimelineParasites p = shelves(true, 3, 1);
  const QVTimelineParasites before = p;
  EXPECT_TRUE(qv_timeline_make_current(p, 0));
  EXPECT_EQ(p.current, before.current);
  EXPECT_EQ(p.recent, before.recent);

  EXPECT_TRUE(qv_timeline_make_current(p, 3));  // R2
  EXPECT_EQ(header_name(*p.current), "R2");
  EXPECT_EQ(names_of(p.recent), (std::vector<std::string>{"C", "R0", "R1"}));

  EXPECT_FALSE(qv_timeline_make_current(p, 5));
  EXPECT_EQ(header_name(*p.current), "R2");

  QVTimelineParasites none = shelves(false, 2, 0);
  EXPECT_TRUE(qv_timeline_make_current(none, 1));
  EXPECT_EQ(header_name(*none.current), "R1");
  EXPECT_EQ(names_of(none.recent), std::vector<std::string>{"R0"});
}

TEST(TimelineDirectory, BalanceKeepsTenRecent) {
  QVTimelineParasites p = shelves(true, 12, 1);
  qv_timeline_balance(p);
  EXPECT_EQ(p.recent.size(), 10u);
  EXPECT_EQ(names_of(p.rest), (std::vector<std::string>{"R10", "R11", "S0"}));

  p = shelves(true, 8, 5);
  qv_timeline_balance(p);
  EXPECT_EQ(names_of(p.recent).back(), "S1");
  EXPECT_EQ(p.recent.size(), 10u);
  EXPECT_EQ(names_of(p.rest), (std::vector<std::string>{"S2", "S3", "S4"}));

  p = shelves(false, 3, 2);
  qv_timeline_balance(p);
  EXPECT_EQ(p.recent.size(), 5u);
  EXPECT_TRUE(p.rest.empty());
  EXPECT_FALSE(qv_timeline_parasite_content(p.rest, QVByteOrder::big_endian));
}

TEST(TimelineDirectory, UniqueNames) {
  QVTimelineParasites p;
  p.current = named("Intro");
  p.recent = {named("Timeline#3"), named("Timeline#4"), named("Outro#"), named("Intro#1")};
  const QVTimelineDirectory dir = qv_timeline_directory_new(p);
  EXPECT_EQ(qv_timeline_unique_name(dir, "Fresh"), "Fresh");
  EXPECT_EQ(qv_timeline_unique_name(dir, "Intro"), "Intro#2");
  EXPECT_EQ(qv_timeline_unique_name(dir, "Timeline#3"), "Timeline#5");
  EXPECT_EQ(qv_timeline_unique_name(dir, "Outro#"), "Outro#1");
  EXPECT_EQ(qv_timeline_unique_name(dir, ""), "Timeline#5");  // total is 5, free
  EXPECT_EQ(qv_timeline_unique_name(dir, "#99999999999999999999"), "#99999999999999999999");
}

TEST(TimelineFile, MagicAndBounds) {
  const QVBytes timeline = qv_timeline_encode(rich_timeline());
  const QVBytes file = qv_timeline_file_bytes(timeline);
  EXPECT_EQ(QVBytes(file.begin(), file.begin() + 8),
            (QVBytes{0x89, 'Q', 'V', 'T', 0x0D, 0x0A, 0x1A, 0x0A}));
  EXPECT_EQ(std::string(file.begin() + 12, file.begin() + 16), "AHDR");
  const auto back = qv_timeline_file_parse(file.data(), file.size());
  ASSERT_TRUE(back) << back.error;
  EXPECT_EQ(*back.value, timeline);

  EXPECT_EQ(qv_timeline_file_parse(file.data(), 8).error, "No valid timeline file");
  QVBytes wrong = file;
  wrong[0] = 0x88;
  EXPECT_EQ(qv_timeline_file_parse(wrong.data(), wrong.size()).error, "No valid timeline file");
  QVBytes two = file;
  two.insert(two.end(), file.begin() + 8, file.end());
  EXPECT_FALSE(qv_timeline_file_parse(two.data(), two.size()));
  EXPECT_FALSE(qv_timeline_file_parse(file.data(), file.size() - 1));
}

TEST(TimelineFile, ExportImportThroughDisk) {
  gchar *raw_dir = g_dir_make_tmp("qv-timeline-XXXXXX", nullptr);
  ASSERT_NE(raw_dir, nullptr);
  const std::string dir = raw_dir;
  g_free(raw_dir);
  const std::string path = dir + "/intro.qvt";
  const QVBytes timeline = qv_timeline_encode(rich_timeline());

  EXPECT_FALSE(qv_timeline_file_write(path, timeline));
  const auto back = qv_timeline_file_read(path);
  ASSERT_TRUE(back) << back.error;
  EXPECT_EQ(*back.value, timeline);

  // A refused write leaves the earlier file whole.
  QVBytes broken = timeline;
  broken.resize(broken.size() - 8);
  EXPECT_TRUE(qv_timeline_file_write(path, broken));
  EXPECT_EQ(*qv_timeline_file_read(path).value, timeline);
  EXPECT_TRUE(qv_timeline_file_write(dir + "/missing/x.qvt", timeline));

  const auto missing = qv_timeline_file_read(dir + "/none.qvt");
  EXPECT_EQ(missing.error, "Could not open file:\n\"" + dir + "/none.qvt\"");

  g_remove(path.c_str());
  EXPECT_EQ(g_rmdir(dir.c_str()), 0);  // nothing else (no temporary) was left
}

TEST(TimelineDirectory, ChooserAnswers) {
  // Rows C R0 R1 S0 S1; the user removes R0 and S0 and picks the row that
  // is now third (S1).
  QVTimelineParasites p = shelves(true, 2, 2);
  EXPECT_EQ(qv_timeline_choose_apply(p, {3, 1, 3}, 2, 1), "S1");
  EXPECT_EQ(qv_timeline_directory_new(p).names, (std::vector<std::string>{"C", "R1", "S1"}));

  p = shelves(true, 2, 2);
  EXPECT_FALSE(qv_timeline_choose_apply(p, {1}, 2, 0));
  EXPECT_EQ(qv_timeline_directory_new(p).names, (std::vector<std::string>{"S0", "C", "R1", "S1"}));

  // Cancel drops the marks and only puts a timeline in place when none is.
  p = shelves(false, 2, 12);
  EXPECT_FALSE(qv_timeline_choose_apply(p, {0, 1}, std::nullopt, 0));
  EXPECT_EQ(header_name(*p.current), "R0");
  EXPECT_EQ(p.recent.size(), 10u);
  EXPECT_EQ(qv_timeline_count(p), 14);
}
