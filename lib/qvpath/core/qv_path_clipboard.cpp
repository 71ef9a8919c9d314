#include "core/qv_path_clipboard.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/qv_chunks.h"
#include "core/qv_names.h"
#include "core/qv_path_groups.h"

const char *const QV_PATH_CLIPBOARD_GROUP_NAME = "QV:";
const char *const QV_STYLE_CLIPBOARD_PREFIX = "QVParasiteString: qv-style-for-path-";

namespace {

constexpr uint32_t kRowWidth = 512;
constexpr size_t kMagicAt = QV_PATH_BLOCK_HEADER_SIZE;
constexpr size_t kStreamAt = kMagicAt + QV_PATHGROUP_MAGIC_SIZE;

void put_u32(std::vector<uint8_t> &b, size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); }
void put_u16(std::vector<uint8_t> &b, size_t at, uint16_t v) { std::memcpy(&b[at], &v, 2); }
uint32_t get_u32(const uint8_t *at) {
  uint32_t v;
  std::memcpy(&v, at, 4);
  return v;
}
uint16_t get_u16(const uint8_t *at) {
  uint16_t v;
  std::memcpy(&v, at, 2);
  return v;
}

uint32_t width_of(size_t length) { return length <= kRowWidth ? uint32_t(length) : kRowWidth; }
uint32_t height_of(size_t length) {
  return length <= kRowWidth ? 1 : uint32_t(length / kRowWidth + 1);
}

// The header fields a block must carry, or why not.
std::optional<std::string> header_fault(const uint8_t *d, size_t size) {
  if (size < kStreamAt) return "it is shorter than its header";
  if (get_u32(d) != QV_PATH_BLOCK_HEADER_SIZE) return "its header size is not 40";
  if (get_u16(d + 12) != 1 || get_u16(d + 14) != 8 || get_u32(d + 16) != 0)
    return "it is a bitmap of another kind";
  // Resolutions and palette counts: the format has them all 0.
  for (size_t at = 24; at < QV_PATH_BLOCK_HEADER_SIZE; at += 4)
    if (get_u32(d + at) != 0) return "it is a bitmap of another kind";
  if (std::memcmp(d + kMagicAt, QV_PATHGROUP_FILE_MAGIC, QV_PATHGROUP_MAGIC_SIZE) != 0)
    return "it does not hold paths (another magic)";
  const uint32_t image_size = get_u32(d + 20);
  if (image_size < 9 || image_size - 8 > size - kStreamAt) return "its size field lies";
  const size_t length = image_size - 8;
  if (get_u32(d + 4) != width_of(length) || get_u32(d + 8) != height_of(length))
    return "its width and height do not fit its size";
  return std::nullopt;
}

// The stream must be exactly "GHDR", "PATH"/"PARA" chunks, "GEND".
std::optional<std::string> stream_fault(const std::vector<uint8_t> &stream) {
  QVChunkWalker walker = qv_chunk_walker_new(stream.data(), stream.size());
  size_t index = 0;
  bool ended = false;
  while (const auto chunk = qv_chunk_walker_next(walker)) {
    if (ended) return "a chunk follows \"GEND\"";
    const bool first = index++ == 0;
    if (first != (chunk->type == QV_CHUNK_GHDR)) return "the stream does not begin with \"GHDR\"";
    if (chunk->type == QV_CHUNK_GEND)
      ended = true;
    else if (!first && chunk->type != QV_CHUNK_PATH && chunk->type != QV_CHUNK_PARA)
      return "a \"" + qv_chunk_code_text(chunk->type) + "\" chunk does not belong in it";
  }
  if (walker.status != QVChunkStatus::ok) return qv_chunk_status_message(walker.status);
  if (!ended) return "the stream has no \"GEND\"";
  return std::nullopt;
}

std::string trimmed(const std::string &text) {
  const size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return "";
  const size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(begin, end - begin + 1);
}

}  // namespace

std::vector<uint8_t> qv_path_block_wrap(const std::vector<uint8_t> &stream) {
  std::vector<uint8_t> block(kStreamAt + stream.size(), 0);
  put_u32(block, 0, QV_PATH_BLOCK_HEADER_SIZE);
  put_u32(block, 4, width_of(stream.size()));
  put_u32(block, 8, height_of(stream.size()));
  put_u16(block, 12, 1);
  put_u16(block, 14, 8);
  put_u32(block, 20, static_cast<uint32_t>(stream.size() + 8));
  std::memcpy(&block[kMagicAt], QV_PATHGROUP_FILE_MAGIC, QV_PATHGROUP_MAGIC_SIZE);
  std::copy(stream.begin(), stream.end(), block.begin() + kStreamAt);
  return block;
}

QVPathBlock qv_path_block_read(const uint8_t *data, size_t size) {
  QVPathBlock block;
  if (!data) size = 0;
  if (auto fault = header_fault(data, size)) {
    block.error = *fault;
    return block;
  }
  const size_t length = get_u32(data + 20) - 8;
  block.stream.assign(data + kStreamAt, data + kStreamAt + length);
  if (auto fault = stream_fault(block.stream)) {
    block.error = *fault;
    block.stream.clear();
    return block;
  }
  QVSnapshotContent content = qv_snapshot_read_all({block.stream.data(), block.stream.size()});
  if (!content.sound) {
    block.error = "a path or parasite in it is damaged";
    block.stream.clear();
    return block;
  }
  if (content.paths.empty()) {
    block.error = "it holds no path";
    block.stream.clear();
    return block;
  }
  block.paths = std::move(content.paths);
  return block;
}

std::string qv_tattoos_remap(const std::string &value, const std::map<int32_t, int32_t> &pasted) {
  std::string out;
  size_t start = 0;
  for (bool first = true;; first = false) {
    const size_t semicolon = value.find(';', start);
    const std::string group = trimmed(value.substr(
        start, semicolon == std::string::npos ? std::string::npos : semicolon - start));
    if (!first) out += ';';
    // Numbers until one that is not above 0 (or no number) ends the group.
    const char *p = group.c_str();
    for (;;) {
      char *end = nullptr;
      const long n = std::strtol(p, &end, 10);
      if (end == p || n <= 0) break;
      p = end;
      const auto found = pasted.find(static_cast<int32_t>(n));
      if (found != pasted.end()) out += " " + std::to_string(found->second);
    }
    if (semicolon == std::string::npos) break;
    start = semicolon + 1;
  }
  if (out.size() >= 2 && out.compare(out.size() - 2, 2, ";;") == 0) out.pop_back();
  if (!out.empty() && out[0] == ';') out[0] = ' ';
  return trimmed(out);
}

std::string qv_name_in_group(const std::string &name, long group) {
  // The text after a group prefix, blanks kept; a name without one whole.
  return "{" + std::to_string(group) + "}" +
         qv_name_query_text(name, QV_NAME_AFTER_GROUP).value_or(name);
}

long qv_next_group_number(const std::vector<std::string> &names) {
  long highest = 0;
  for (const std::string &name : names)
    highest = std::max(highest, qv_name_query_number(name, QV_NAME_GROUP));
  return highest + 1;
}

std::string qv_style_clipboard_text(long tattoo, const std::string &style) {
  std::string text = QV_STYLE_CLIPBOARD_PREFIX + std::to_string(tattoo) + "\n";
  for (char c : style) text += c == '\t' ? '\n' : c;
  return text;
}

std::optional<QVClipboardStyle> qv_style_from_clipboard_text(const std::string &text) {
  if (text.rfind(QV_STYLE_CLIPBOARD_PREFIX, 0) != 0) return std::nullopt;
  // The header line holds the parasite's name after "QVParasiteString: ".
  const size_t name_at = std::strlen("QVParasiteString: ");
  const size_t line_end = text.find_first_of("\r\n", name_at);
  QVClipboardStyle read;
  read.parasite =
      text.substr(name_at, line_end == std::string::npos ? std::string::npos : line_end - name_at);
  if (line_end != std::string::npos) {
    for (size_t i = line_end; i < text.size(); ++i) {
      const char c = text[i] == '\r' || text[i] == '\n' ? '\t' : text[i];
      if (c == '\t' && !read.style.empty() && read.style.back() == '\t') continue;
      read.style += c;
    }
  }
  std::string &style = read.style;
  if (!style.empty() && style[0] == '\t') style.erase(0, 1);
  if (!style.empty() && style.back() == '\t') style.pop_back();
  return read;
}
