// Assembling rendered frames into a film or an animated image with the
// installed ffmpeg (started without a shell). ffmpeg writes a temporary
// file beside the output, renamed over it only when ffmpeg succeeded, so
// the output is whole or absent; the frames are never touched.
#pragma once

#include "core/qv_video.h"

#include <optional>
#include <string>

// The last `lines` lines of a program's output (trailing line ends left
// out), for a message that says what the program said.
std::string qv_runner_tail_lines(const std::string &text, int lines);

// The ffmpeg to run: $QV_FFMPEG when set, else "ffmpeg" on PATH; none when
// it is not there.
std::optional<std::string> qv_runner_find_ffmpeg();

// Why the output cannot be written, or none: an unknown extension, a
// folder that does not exist or cannot be written.
std::optional<std::string> qv_runner_check_video_output(const std::string &output);

// The video of `count` frames from `first` (all on disk, else a message
// naming the first missing one) at the timeline's rate and fields; none
// when it was written.
std::optional<std::string> qv_runner_video_of_frames(const QVFrameName &first, long count,
                                                     double fps, QVFieldOrder fields,
                                                     const std::string &output);

// Runs ffmpeg over the job's frames into job.output's final name `output`.
// None on success; else what went wrong (ffmpeg's own last lines included).
std::optional<std::string> qv_runner_make_video(const std::string &ffmpeg, QVVideoJob job,
                                                const std::string &output);
