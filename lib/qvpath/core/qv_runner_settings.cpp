#include "core/qv_runner_settings.h"

#include "core/qv_glib_ptr.h"

const char *const QV_RUNNER_GROUP = "frameRunner";

namespace {

std::string read_text(GKeyFile *file, const char *key) {
  return qv_take_string(g_key_file_get_string(file, QV_RUNNER_GROUP, key, nullptr));
}

// A missing or non-numeric key reads as 0, which the callers' floors replace.
int read_int(GKeyFile *file, const char *key) {
  return g_key_file_get_integer(file, QV_RUNNER_GROUP, key, nullptr);
}

void write_text(GKeyFile *file, const char *key, const std::string &value) {
  if (value.empty()) {
    g_key_file_remove_key(file, QV_RUNNER_GROUP, key, nullptr);
  } else {
    g_key_file_set_string(file, QV_RUNNER_GROUP, key, value.c_str());
  }
}

}  // namespace

QVRunnerSettings qv_runner_settings_read(GKeyFile *file) {
  QVRunnerSettings settings;
  settings.xcf = read_text(file, "xcf");
  settings.timeline = read_text(file, "timeline");
  settings.frame_filename = read_text(file, "frame_filename");
  settings.video = read_text(file, "video");
  settings.gimp_exe = read_text(file, "gimp_exe");
  settings.parameter = read_text(file, "parameter");
  const int frames = read_int(file, "frames_to_render");
  settings.frames_to_render = frames < 1 ? 1 : frames;
  const int block = read_int(file, "block_size");
  settings.block_size = block < 1 ? 100 : block;
  return settings;
}

void qv_runner_settings_write(GKeyFile *file, const QVRunnerSettings &settings) {
  write_text(file, "xcf", settings.xcf);
  write_text(file, "timeline", settings.timeline);
  write_text(file, "frame_filename", settings.frame_filename);
  write_text(file, "video", settings.video);
  write_text(file, "gimp_exe", settings.gimp_exe);
  write_text(file, "parameter", settings.parameter);
  g_key_file_set_integer(file, QV_RUNNER_GROUP, "frames_to_render", settings.frames_to_render);
  g_key_file_set_integer(file, QV_RUNNER_GROUP, "block_size", settings.block_size);
}
