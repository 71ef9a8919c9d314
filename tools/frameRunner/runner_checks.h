// The checks both the window and the command line make before anything is
// started, each answering with the message to show, or none when all is well.
#pragma once

#include "core/qv_xcf_timelines.h"

#include <optional>
#include <string>

// The default GIMP: the console build, found on PATH.
extern const char *const QV_RUNNER_DEFAULT_GIMP;  // "gimp-console-2.10"

struct QVRunnerTimelines {
  QVTimelineList list;
  std::string error;  // set when the file is not a readable XCF image
};

QVRunnerTimelines qv_runner_read_timelines(const std::string &xcf);

// The first frame's name must have an extension (it tells GIMP the file
// format) and name a folder that exists and can be written to.
std::optional<std::string> qv_runner_check_frame_name(const std::string &frame_name);

// The executable's full path: an existing file, or a name found on PATH.
std::optional<std::string> qv_runner_find_gimp(const std::string &gimp);

// "Intro", "Titles" and "Credits" for messages about unknown names.
std::string qv_runner_timeline_names(const QVTimelineList &list);
