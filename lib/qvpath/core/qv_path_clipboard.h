// The suite's clipboard formats, byte for byte:
//
//   paths  a block laid out as a device-independent bitmap: a 40-byte
//          bitmap-info header, the 8-byte group-file magic and a chunk
//          stream "GHDR" (group 0, name "QV:"), then per path one "PATH"
//          with its "PARA" chunks, last "GEND"; host order (little-endian
//          where the format was made).
//   style  text "QVParasiteString: qv-style-for-path-<tattoo>", a line
//          break, then the style with every TAB as a line break.
//
// Pure logic: the GIMP side keeps the formats in its store and on the
// desktop's clipboard.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/qv_snapshot.h"

constexpr size_t QV_PATH_BLOCK_HEADER_SIZE = 40;
// The name the "GHDR" of a clipboard stream carries.
extern const char *const QV_PATH_CLIPBOARD_GROUP_NAME;  // "QV:"

// The block for a chunk stream: header (width the stream length up to 512,
// height 1 or length / 512 + 1, image size length + 8), magic, stream.
std::vector<uint8_t> qv_path_block_wrap(const std::vector<uint8_t> &stream);

// The chunk stream of a block, or why the block is refused: a header field
// other than the format's, another magic, a size that lies, a stream that
// is not "GHDR", "PATH"/"PARA" chunks and "GEND" with every chunk inside
// it, or no path at all. A refused block is refused whole.
struct QVPathBlock {
  std::vector<uint8_t> stream;
  std::vector<QVSnapshotPath> paths;
  std::string error;
  explicit operator bool() const { return error.empty(); }
};
QVPathBlock qv_path_block_read(const uint8_t *data, size_t size);

// A pasted "@-tattoos: " value: every tattoo of a pasted path becomes its
// new tattoo, any other number is dropped; groups stay split at ";".
std::string qv_tattoos_remap(const std::string &value, const std::map<int32_t, int32_t> &pasted);

// The name a path pasted "as {№}" gets: "{group}" and the name after its own
// group prefix, or the whole name when it has none.
std::string qv_name_in_group(const std::string &name, long group);

// One more than the highest group number among the names, at least 1.
long qv_next_group_number(const std::vector<std::string> &names);

// The style transfer text of a path's style, and what such a text holds:
// none unless it begins with the prefix. The header line names the style
// parasite ("qv-style-for-path-<tattoo>"); in the style CR and LF become
// TABs, runs of TABs one TAB, a leading and a trailing TAB are dropped.
extern const char *const QV_STYLE_CLIPBOARD_PREFIX;  // "QVParasiteString: qv-style-for-path-"
std::string qv_style_clipboard_text(long tattoo, const std::string &style);
struct QVClipboardStyle {
  std::string parasite;  // the header's name
  std::string style;
};
std::optional<QVClipboardStyle> qv_style_from_clipboard_text(const std::string &text);
