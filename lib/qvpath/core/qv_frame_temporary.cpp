#include "core/qv_frame_temporary.h"

#include "core/qv_glib_ptr.h"

#include <glib.h>

std::string qv_frame_temporary_name(const std::string &frame_file) {
  // The same steps as the renderer's, GLib's folder rules included.
  const std::string folder = qv_take_string(g_path_get_dirname(frame_file.c_str()));
  const std::string base = qv_take_string(g_path_get_basename(frame_file.c_str()));
  const size_t dot = base.rfind('.');
  const std::string extension = dot == std::string::npos ? "" : base.substr(dot);
  return folder + G_DIR_SEPARATOR_S + "." + base + ".part" + extension;
}
