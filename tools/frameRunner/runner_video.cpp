#include "runner_video.h"

#include "core/qv_glib_ptr.h"
#include "core/qv_locale.h"

#include <glib.h>
#include <glib/gi18n-lib.h>
#include <glib/gstdio.h>
#include <unistd.h>

#include <vector>

std::optional<std::string> qv_runner_find_ffmpeg() {
  const char *chosen = g_getenv("QV_FFMPEG");
  const std::string name = chosen && *chosen ? chosen : "ffmpeg";
  if (g_path_is_absolute(name.c_str()))
    return g_file_test(name.c_str(), G_FILE_TEST_IS_EXECUTABLE) ? std::optional(name)
                                                                : std::nullopt;
  std::string found = qv_take_string(g_find_program_in_path(name.c_str()));
  if (found.empty()) return std::nullopt;
  return found;
}

std::optional<std::string> qv_runner_check_video_output(const std::string &output) {
  if (!qv_video_format(output))
    return qv_text(_("--video »%s«: unknown kind of file; use .mp4, .webm, .gif, .webp or .apng"),
                   output.c_str());
  const qv_gstring folder(g_path_get_dirname(output.c_str()));
  if (!g_file_test(folder.get(), G_FILE_TEST_IS_DIR))
    return qv_text(_("--video »%s«: the folder »%s« does not exist"), output.c_str(), folder.get());
  if (g_access(folder.get(), W_OK) != 0)
    return qv_text(_("--video »%s«: the folder »%s« cannot be written"), output.c_str(),
                   folder.get());
  return std::nullopt;
}

std::string qv_runner_tail_lines(const std::string &text, int lines) {
  size_t at = text.size();
  while (at > 0 && (text[at - 1] == '\n' || text[at - 1] == '\r')) --at;
  const size_t end = at;
  for (int n = 0; n < lines && at > 0; ++n) {
    at = text.rfind('\n', at - 1);
    if (at == std::string::npos) {
      at = 0;
      break;
    }
  }
  return text.substr(at == 0 ? 0 : at + 1, end - (at == 0 ? 0 : at + 1));
}

std::optional<std::string> qv_runner_make_video(const std::string &ffmpeg, QVVideoJob job,
                                                const std::string &output) {
  const qv_gstring folder(g_path_get_dirname(output.c_str()));
  const qv_gstring base(g_path_get_basename(output.c_str()));
  job.output = qv_take_string(
      g_build_filename(folder.get(), (std::string(".") + base.get() + ".part").c_str(), nullptr));
  std::vector<std::string> args = {ffmpeg};
  for (std::string &arg : qv_video_ffmpeg_arguments(job)) args.push_back(std::move(arg));
  std::vector<gchar *> argv;
  for (std::string &arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  gchar *err = nullptr;
  gint status = 0;
  GError *error = nullptr;
  const bool ran = g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_STDOUT_TO_DEV_NULL, nullptr,
                                nullptr, nullptr, &err, &status, &error);
  const std::string said = qv_take_string(err);
  if (!ran) {
    std::string message = qv_text(_("ffmpeg could not be started: %s"), error->message);
    g_error_free(error);
    return message;
  }
  if (!g_spawn_check_exit_status(status, nullptr)) {
    g_remove(job.output.c_str());
    return qv_text(_("ffmpeg failed; the frames are kept. It said:\n%s"),
                   qv_runner_tail_lines(said, 6).c_str());
  }
  if (g_rename(job.output.c_str(), output.c_str()) != 0) {
    g_remove(job.output.c_str());
    return qv_text(_("the video could not be put under its name »%s«"), output.c_str());
  }
  return std::nullopt;
}

std::optional<std::string> qv_runner_video_of_frames(const QVFrameName &first, long count,
                                                     double fps, QVFieldOrder fields,
                                                     const std::string &output) {
  const auto ffmpeg = qv_runner_find_ffmpeg();
  if (!ffmpeg)
    return qv_text(_("no ffmpeg to make »%s« (install the package ffmpeg); the frames are kept"),
                   output.c_str());
  for (long n = 0; n < count; ++n) {
    const std::string frame = qv_frame_name_build(first, first.start + n);
    if (!g_file_test(frame.c_str(), G_FILE_TEST_IS_REGULAR))
      return qv_text(_("no video: the frame »%s« is missing"), frame.c_str());
  }
  QVVideoJob job;
  job.first = first;
  job.count = count;
  job.fps = fps;
  job.fields = fields;
  job.format = qv_video_format(output).value_or(QVVideoFormat::mp4);
  return qv_runner_make_video(*ffmpeg, job, output);
}
