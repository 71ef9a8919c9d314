// Turning numbered frame files into one film or animated image with ffmpeg:
// which format a file name asks for, and the exact argument list ffmpeg is
// started with (no shell: every argument is passed as it is). Pure logic;
// the launcher runs the program.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/qv_frame_names.h"

enum class QVVideoFormat { mp4, webm, gif, webp, apng };

// By the output's extension, case-insensitive: ".mp4", ".webm", ".gif",
// ".webp", ".apng" or ".png". None for any other.
std::optional<QVVideoFormat> qv_video_format(const std::string &file);

// "mp4 (H.264)" and the like, for messages and the window.
const char *qv_video_format_label(QVVideoFormat format);

// Field order of an interlaced timeline: PAL's even|odd puts the top field
// (line 0) first, NTSC's odd|even the bottom one.
enum class QVFieldOrder { progressive, top_first, bottom_first };

struct QVVideoJob {
  QVFrameName first;  // the first frame's name split (base, number, digits, extension)
  long count = 0;     // frames from the first on
  double fps = 25;
  QVFieldOrder fields = QVFieldOrder::progressive;
  QVVideoFormat format = QVVideoFormat::mp4;
  std::string output;  // the file ffmpeg writes (a temporary name beside the final one)
};

// The input pattern ffmpeg reads the frames with: the base with every "%"
// doubled, "%0Nd" (or "%d" for a name without digits), the extension.
std::string qv_video_input_pattern(const QVFrameName &first);

// ffmpeg's arguments after the program name. Odd frame sizes are padded by
// one pixel for the formats that need even ones; the GIF gets a palette
// made from its own frames; lossless APNG and WebP keep the pixels.
std::vector<std::string> qv_video_ffmpeg_arguments(const QVVideoJob &job);
