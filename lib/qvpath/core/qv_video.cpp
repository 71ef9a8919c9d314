#include "core/qv_video.h"

#include <glib/gi18n-lib.h>

#include <glib.h>

#include "core/qv_attributes.h"

namespace {

std::string lower_extension(const std::string &file) {
  const auto slash = file.find_last_of("/\\");
  const auto dot = file.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = file.substr(dot + 1);
  for (char &c : ext) c = g_ascii_tolower(c);
  return ext;
}

const char *muxer(QVVideoFormat format) {
  switch (format) {
    case QVVideoFormat::mp4:
      return "mp4";
    case QVVideoFormat::webm:
      return "webm";
    case QVVideoFormat::gif:
      return "gif";
    case QVVideoFormat::webp:
      return "webp";
    case QVVideoFormat::apng:
      return "apng";
  }
  return "mp4";
}

// yuv420p wants even sizes: a last row or column is repeated when needed.
const char *kEvenSize = "pad=ceil(iw/2)*2:ceil(ih/2)*2";

}  // namespace

std::optional<QVVideoFormat> qv_video_format(const std::string &file) {
  const std::string ext = lower_extension(file);
  if (ext == "mp4") return QVVideoFormat::mp4;
  if (ext == "webm") return QVVideoFormat::webm;
  if (ext == "gif") return QVVideoFormat::gif;
  if (ext == "webp") return QVVideoFormat::webp;
  if (ext == "apng" || ext == "png") return QVVideoFormat::apng;
  return std::nullopt;
}

const char *qv_video_format_label(QVVideoFormat format) {
  switch (format) {
    case QVVideoFormat::mp4:
      return _("MP4 (H.264)");
    case QVVideoFormat::webm:
      return _("WebM (VP9)");
    case QVVideoFormat::gif:
      return _("animated GIF");
    case QVVideoFormat::webp:
      return _("animated WebP");
    case QVVideoFormat::apng:
      return "APNG";
  }
  return "";
}

std::string qv_video_input_pattern(const QVFrameName &first) {
  std::string base;
  for (char c : first.base) base += c == '%' ? std::string("%%") : std::string(1, c);
  const std::string number = first.digits > 0 ? qv_format("%%0%dd", first.digits) : "%d";
  return base + number + (first.extension.empty() ? "" : "." + first.extension);
}

std::vector<std::string> qv_video_ffmpeg_arguments(const QVVideoJob &job) {
  const std::string rate = qv_format("%0.6g", job.fps);
  std::vector<std::string> args = {"-hide_banner",
                                   "-loglevel",
                                   "error",
                                   "-nostdin",
                                   "-y",
                                   "-framerate",
                                   rate,
                                   "-start_number",
                                   std::to_string(job.first.start),
                                   "-i",
                                   qv_video_input_pattern(job.first),
                                   "-frames:v",
                                   std::to_string(job.count)};
  const bool interlaced = job.fields != QVFieldOrder::progressive;
  const std::string field =
      job.fields == QVFieldOrder::top_first ? "setfield=tff," : "setfield=bff,";
  switch (job.format) {
    case QVVideoFormat::mp4:
      args.insert(args.end(), {"-vf", (interlaced ? field : "") + kEvenSize, "-c:v", "libx264",
                               "-pix_fmt", "yuv420p", "-crf", "18"});
      if (interlaced)
        args.insert(args.end(), {"-flags", "+ildct+ilme", "-top",
                                 job.fields == QVFieldOrder::top_first ? "1" : "0"});
      args.insert(args.end(), {"-movflags", "+faststart"});
      break;
    case QVVideoFormat::webm:
      args.insert(args.end(), {"-vf", (interlaced ? field : "") + kEvenSize, "-c:v", "libvpx-vp9",
                               "-pix_fmt", "yuv420p", "-crf", "24", "-b:v", "0"});
      break;
    case QVVideoFormat::gif:
      args.insert(
          args.end(),
          {"-filter_complex",
           "[0:v]split[a][b];[a]palettegen=stats_mode=full[p];[b][p]paletteuse=dither=sierra2_4a",
           "-loop", "0"});
      break;
    case QVVideoFormat::webp:
      args.insert(args.end(), {"-c:v", "libwebp_anim", "-lossless", "1", "-loop", "0"});
      break;
    case QVVideoFormat::apng:
      args.insert(args.end(), {"-c:v", "apng", "-plays", "0", "-pred", "mixed"});
      break;
  }
  args.insert(args.end(), {"-f", muxer(job.format), job.output});
  return args;
}
