#include "core/qv_frame_temporary.h"

#include "core/qv_glib_ptr.h"

#include <glib.h>

namespace {

// The longest file name (one path component) the usual file systems take.
constexpr size_t kNameMax = 255;

// `text` cut to at most `bytes` bytes, never inside a UTF-8 character.
std::string utf8_prefix(const std::string &text, size_t bytes) {
  if (text.size() <= bytes) return text;
  size_t end = bytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

}  // namespace

std::string qv_frame_temporary_name(const std::string &frame_file) {
  // The same steps as the renderer's, GLib's folder rules included.
  const std::string folder = qv_take_string(g_path_get_dirname(frame_file.c_str()));
  const std::string base = qv_take_string(g_path_get_basename(frame_file.c_str()));
  const size_t dot = base.rfind('.');
  const std::string extension = dot == std::string::npos ? "" : base.substr(dot);
  const std::string suffix = ".part" + extension;
  std::string name = "." + base + suffix;
  if (name.size() > kNameMax) {
    // A frame name near the limit: keep its start and tell frames apart by
    // a hash of the whole name, so that the temporary name fits as well.
    const std::string hash =
        qv_take_string(g_compute_checksum_for_string(G_CHECKSUM_SHA1, base.c_str(), -1))
            .substr(0, 16);
    const size_t room = kNameMax - 1 - (1 + hash.size()) - suffix.size();
    name = "." + utf8_prefix(base, room) + "~" + hash + suffix;
  }
  return folder + G_DIR_SEPARATOR_S + name;
}
