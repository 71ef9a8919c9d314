// Timelines: which animations are drawn in which frames. A timeline is the
// chunk sequence "AHDR" (header with three strings), any number of "ANIM"
// (one animation entry each, in editor row order) and "AEND". An image keeps
// its timelines in three parasites (current, recent, rest); a ".qvt" file
// holds one timeline behind an 8-byte magic. Pure logic: the GIMP side reads
// and writes the parasites and files through these functions.
//
// Every reader takes a buffer and its length and never looks outside it. A
// chunk that runs past its buffer, a string without its closing NUL, member
// lengths that do not fit in their chunk, a missing "AEND", or any chunk out
// of place is bad input: the reader returns an error text and no result, so
// a caller never works on a half-decoded timeline.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/qv_chunks.h"

using QVBytes = std::vector<uint8_t>;

// Fixed parts, the 8-byte chunk header included.
constexpr size_t QV_AHDR_FIXED_SIZE = 104;
constexpr size_t QV_ANIM_FIXED_SIZE = 144;
// Recent timelines kept before the oldest move on to the rest.
constexpr int QV_TIMELINE_RECENT_MAX = 10;

extern const std::array<uint8_t, 8> QV_TIMELINE_FILE_MAGIC;

// Parasite names; their content is stored big-endian.
extern const char *const QV_TIMELINE_CURRENT_PARASITE;
extern const char *const QV_TIMELINE_RECENT_PARASITE;
extern const char *const QV_TIMELINE_REST_PARASITE;

// The name a timeline without a stored name is listed under.
extern const char *const QV_TIMELINE_DEFAULT_NAME;

enum QVInterlace : int32_t { QV_PROGRESSIVE = 0, QV_INTERLACED_PAL = 1, QV_INTERLACED_NTSC = 2 };
enum QVOutpointMode : int32_t { QV_OUT_IN_PLUS = 0, QV_OUT_EXPLICIT = 1, QV_OUT_END = 2 };

// The animation header. Members default to those of a new timeline. A string
// that is none is stored with length 0; an empty string has length 1.
struct QVahdrChunk {
  int32_t next_anim_id = 1;  // given to the next entry, then incremented
  int32_t unused_12 = 1;
  int32_t interlace = QV_PROGRESSIVE;
  int32_t flatten = 1;  // flatten the image before saving a frame
  double fps = 25.0;
  double inpoint = 0.0;   // seconds from the timeline start
  double outpoint = 0.0;  // seconds
  int32_t outpoint_mode = QV_OUT_END;
  int32_t preview_step = 61;  // every n-th rendered frame kept for preview; 0 none
  double end = 0.0;           // seconds; never less than min_end
  double min_end = 0.0;
  double view_start = 0.0;  // editor: first visible second
  double view_seconds_per_pixel = 0.02;
  int32_t unused_88 = 0;
  std::optional<std::string> frame_fname;  // full path of the first frame
  std::optional<std::string> script_name;  // Script-Fu file run before each save
  std::optional<std::string> name;
};

// One animation entry. Members default to those of a new script entry.
struct QVanimChunk {
  int32_t anim_id = 0;
  int32_t group_id = 0;          // "GHDR" group whose paths are animated; 0 none
  int32_t path_tattoo = 0;       // of the animated path within its group
  int32_t drawable_tattoo = 0;   // target layer or channel
  int32_t drawable_is_mask = 0;  // the target is the layer's mask
  double t_start = 0.0;          // -1 unset
  double freeze_before = 0.0;    // < 0: frozen from time 0
  double t_end = 1.0;            // -1 unset
  double freeze_after = 0.0;     // < 0: frozen forever
  double fade_in = 0.0;
  double fade_out = 0.0;
  double repeat = 0.0;  // further passes; < 0 endless
  double begin = 0.0;
  double duration = 2.0;  // of one pass
  int32_t unused_104 = 0;
  int32_t unused_108 = 0;
  double unused_112 = 0.0;
  // Members 3 to 8. An empty group file (length 1) means the group is kept
  // in the image; no path name means every keyspline path of the group.
  std::optional<std::string> group_file;
  std::optional<std::string> group_name;
  std::optional<std::string> path_name;
  std::optional<std::string> script_name;
  std::optional<std::string> script_text;
  std::optional<std::string> extra;  // "begin ", "duration ", ... lines with dates
};

struct QVTimeline {
  QVahdrChunk header;
  std::vector<QVanimChunk> entries;  // first editor row first
};

// A decoded value, or the reason there is none.
template <typename T>
struct QVDecoded {
  std::optional<T> value;
  std::string error;
  explicit operator bool() const { return value.has_value(); }
};

// ---- Records ----------------------------------------------------------

// A new timeline (header defaults, no entries) with the name, if any.
QVTimeline qv_timeline_new(std::optional<std::string> name = std::nullopt);

// Appends the entry with the header's next id and counts the id on.
QVanimChunk &qv_timeline_add_entry(QVTimeline &timeline, QVanimChunk entry);

// Where an entry stops showing: begin + duration, plus duration × repeat
// for repeat > 0, then for freeze_after >= 0 plus freeze_after and any
// positive fade-out. An endless repeat or freeze has no end of its own and
// contributes begin + duration.
double qv_anim_end(const QVanimChunk &entry);

// The timeline end the editor keeps in the header: the latest entry end,
// never less than the header's minimum end.
double qv_timeline_end(const QVTimeline &timeline);

// ---- Chunks -----------------------------------------------------------

// Appends the chunk in the given byte order. Sizes and string lengths are
// always computed from the strings.
void qv_ahdr_encode(QVBytes &out, const QVahdrChunk &header, QVByteOrder order = QVByteOrder::host);
void qv_anim_encode(QVBytes &out, const QVanimChunk &entry, QVByteOrder order = QVByteOrder::host);

// The whole chunk sequence AHDR, ANIM..., AEND.
QVBytes qv_timeline_encode(const QVTimeline &timeline, QVByteOrder order = QVByteOrder::host);

// The highest frame rate a timeline may have.
constexpr double QV_TIMELINE_FPS_MAX = 1000.0;

// Why a decoded header or entry cannot be rendered as it stands, naming the
// field, or none when every value is plausible: a frame rate above 0 and up
// to QV_TIMELINE_FPS_MAX, known interlace and outpoint modes, finite times,
// t at start and end in -1 (unset) .. 1, and a duration of 0 or more.
std::optional<std::string> qv_ahdr_implausible(const QVahdrChunk &header);
std::optional<std::string> qv_anim_implausible(const QVanimChunk &entry);

// One chunk at the start of `data` (its header included), which must be
// wholly inside the `length` bytes. Values that fail the checks above are
// refused like a broken chunk.
QVDecoded<QVahdrChunk> qv_ahdr_decode(const uint8_t *data, size_t length,
                                      QVByteOrder order = QVByteOrder::host);
QVDecoded<QVanimChunk> qv_anim_decode(const uint8_t *data, size_t length,
                                      QVByteOrder order = QVByteOrder::host);

// Exactly one timeline filling the whole buffer.
QVDecoded<QVTimeline> qv_timeline_decode(const uint8_t *data, size_t length,
                                         QVByteOrder order = QVByteOrder::host);
QVDecoded<QVTimeline> qv_timeline_decode(const QVBytes &bytes,
                                         QVByteOrder order = QVByteOrder::host);

// A parasite's content split into its timelines: each piece runs from its
// "AHDR" to the next "AHDR" or the end and is checked to be one whole
// timeline. The pieces are returned in host order. Empty data has none.
QVDecoded<std::vector<QVBytes>> qv_timeline_split(const uint8_t *data, size_t length,
                                                  QVByteOrder order);

// Every timeline of a raw parasite (e.g. read straight out of an XCF file).
QVDecoded<std::vector<QVTimeline>> qv_timelines_decode(const uint8_t *data, size_t length,
                                                       QVByteOrder order);

// The name the timeline is listed under.
std::string qv_timeline_display_name(const QVahdrChunk &header);

// ---- The three parasites and the directory ----------------------------

// An image's timelines in host order, one piece of bytes per timeline, as
// the parasites hold them. Timeline numbering: 0 is the current timeline
// when there is one, then the recent ones, then the rest.
struct QVTimelineParasites {
  std::optional<QVBytes> current;
  std::vector<QVBytes> recent;  // most recently current first
  std::vector<QVBytes> rest;
};

// Reads the three parasites' contents (none = absent). Nothing is returned
// unless all three are sound: an operation on a partly understood set could
// move or drop timelines it does not see.
QVDecoded<QVTimelineParasites> qv_timeline_parasites_parse(const std::optional<QVBytes> &current,
                                                           const std::optional<QVBytes> &recent,
                                                           const std::optional<QVBytes> &rest,
                                                           QVByteOrder order);

// The timelines that can still be rendered when some parasites are damaged:
// each parasite is read on its own, so a damaged recent or rest parasite does
// not hide the current timeline. A damaged parasite is left out (and so left
// as it is in the image) with one sentence in `problems` naming it; the
// plug-in and the batch launcher both read timelines for rendering this way
// and report the same sentence. Operations that move timelines between the
// parasites use qv_timeline_parasites_parse instead, which refuses them all.
struct QVTimelineSalvage {
  QVTimelineParasites parasites;
  std::vector<std::string> problems;
};
QVTimelineSalvage qv_timeline_parasites_salvage(const std::optional<QVBytes> &current,
                                                const std::optional<QVBytes> &recent,
                                                const std::optional<QVBytes> &rest,
                                                QVByteOrder order);

// A parasite's content: the pieces joined, in the given order; none for an
// empty list, so that an emptied parasite is removed rather than kept empty.
std::optional<QVBytes> qv_timeline_parasite_content(const std::vector<QVBytes> &timelines,
                                                    QVByteOrder order);

int qv_timeline_count(const QVTimelineParasites &parasites);

struct QVTimelineDirectory {
  // One "NAME" chunk per timeline in timeline order, then "TDIR"; host order.
  QVBytes buffer;
  std::vector<std::string> names;
  int32_t total = 0;
  int32_t has_current = 0;
  int32_t recent_count = 0;
  int32_t rest_count = 0;  // -1: rest present but not listed (presence only)
  int32_t recent_max = QV_TIMELINE_RECENT_MAX;
};

// With presence_only the rest timelines are neither counted nor named.
QVTimelineDirectory qv_timeline_directory_new(const QVTimelineParasites &parasites,
                                              bool presence_only = false);

// The name of timeline `index`, or none past the listed names.
std::optional<std::string> qv_timeline_name(const QVTimelineDirectory &directory, int index);

enum class QVTimelineGet { copy = 1, remove = 2, take = 3 };

// Timeline `index` in host order: copy returns it, remove drops it from its
// parasite (the result is then its former bytes too), take does both. None
// when the index is past the last timeline; nothing changes then.
std::optional<QVBytes> qv_timeline_get(QVTimelineParasites &parasites, int index,
                                       QVTimelineGet mode);

// The first timeline listed under `name`.
std::optional<QVBytes> qv_timeline_by_name(const QVTimelineParasites &parasites,
                                           const std::string &name);

// Moves the current timeline to the front of recent (it stays current too
// until replaced).
void qv_timeline_push_current(QVTimelineParasites &parasites);

// Makes timeline `index` current; the former current one goes to the front
// of recent. Index 0 while a current timeline exists changes nothing. False
// when the index is past the last timeline.
bool qv_timeline_make_current(QVTimelineParasites &parasites, int index);

// Replaces the current timeline by new bytes (host order), pushing the old
// one to recent first when `push` is set.
void qv_timeline_set_current(QVTimelineParasites &parasites, QVBytes timeline, bool push);

// Keeps at most QV_TIMELINE_RECENT_MAX recent timelines: the oldest surplus
// go to the front of rest, and free places are filled from the front of rest.
void qv_timeline_balance(QVTimelineParasites &parasites);

// `wanted` (or "Timeline#N" with N the number of timelines when it is empty)
// made unique among the directory's names by a "#n" suffix.
std::string qv_timeline_unique_name(const QVTimelineDirectory &directory,
                                    const std::string &wanted);

// What the timeline chooser does with its answer. `removed` are timeline
// numbers the user marked for deletion; `selected` is the chosen row, counted
// among the rows left after the removals (so it is also the timeline's number
// once they are gone), none on Cancel. Removals only happen on a choice. List
// mode 1 returns the chosen timeline's name; list mode 0 makes it current.
// Recent and rest are balanced in every case.
std::optional<std::string> qv_timeline_choose_apply(QVTimelineParasites &parasites,
                                                    std::vector<int> removed,
                                                    std::optional<int> selected, int list_mode);

// ---- Timeline files ---------------------------------------------------

// The magic followed by the timeline (host-order bytes) in big-endian.
QVBytes qv_timeline_file_bytes(const QVBytes &timeline);

// The timeline of a file's bytes in host order: the magic, then exactly one
// whole timeline.
QVDecoded<QVBytes> qv_timeline_file_parse(const uint8_t *data, size_t length);

// Reads or writes a ".qvt" file named in UTF-8. Writing goes through a
// temporary file renamed over the target, so a failed write leaves any
// earlier file whole. Errors name the file.
QVDecoded<QVBytes> qv_timeline_file_read(const std::string &utf8_path);
std::optional<std::string> qv_timeline_file_write(const std::string &utf8_path,
                                                  const QVBytes &timeline);
