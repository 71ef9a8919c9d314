// The batch launcher's remembered choices, kept in the group "frameRunner"
// of its key file beside the window geometry groups.
#pragma once

#include <glib.h>

#include <string>

extern const char *const QV_RUNNER_GROUP;  // "frameRunner"

struct QVRunnerSettings {
  std::string xcf;
  std::string timeline;
  std::string frame_filename;
  std::string gimp_exe;
  std::string parameter;  // extra GIMP arguments, shell-quoted
  std::string video;      // a film or animated image made of the frames; empty: none
  int frames_to_render = 1;
  int block_size = 100;
};

// Missing keys stay empty; a frame count below 1 loads as 1 and a block size
// below 1 as 100, so a damaged file can never ask for an empty render.
QVRunnerSettings qv_runner_settings_read(GKeyFile *file);

// Non-empty texts are stored and empty ones removed, so clearing an entry
// really forgets it; both numbers are always stored.
void qv_runner_settings_write(GKeyFile *file, const QVRunnerSettings &settings);
