#include "core/qv_video.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

bool has_pair(const std::vector<std::string> &args, const std::string &flag,
              const std::string &value) {
  for (size_t i = 0; i + 1 < args.size(); ++i)
    if (args[i] == flag && args[i + 1] == value) return true;
  return false;
}

}  // namespace

TEST(Video, TheExtensionChoosesTheFormat) {
  EXPECT_EQ(qv_video_format("out/demo.MP4"), QVVideoFormat::mp4);
  EXPECT_EQ(qv_video_format("a.webm"), QVVideoFormat::webm);
  EXPECT_EQ(qv_video_format("a.gif"), QVVideoFormat::gif);
  EXPECT_EQ(qv_video_format("a.webp"), QVVideoFormat::webp);
  EXPECT_EQ(qv_video_format("a.png"), QVVideoFormat::apng);
  EXPECT_EQ(qv_video_format("a.apng"), QVVideoFormat::apng);
  for (const char *refused : {"a.avi", "noext", "dir.mp4/file", ""})
    EXPECT_FALSE(qv_video_format(refused)) << refused;
}

// The frames are read by number from the first; a "%" in a folder name is
// no pattern; the container is named, so a temporary output name works.
TEST(Video, ArgumentsReadTheFramesAndNameTheContainer) {
  QVVideoJob job;
  job.first = qv_frame_name_split("/art/100%/frame_007.png");
  job.count = 50;
  job.fps = 29.97;
  job.output = "/art/film.mp4.part";
  EXPECT_EQ(qv_video_input_pattern(job.first), "/art/100%%/frame_%03d.png");
  EXPECT_EQ(qv_video_input_pattern(qv_frame_name_split("/a/f.png")), "/a/f%d.png");
  auto args = qv_video_ffmpeg_arguments(job);
  EXPECT_TRUE(has_pair(args, "-framerate", "29.97"));
  EXPECT_TRUE(has_pair(args, "-start_number", "7"));
  EXPECT_TRUE(has_pair(args, "-frames:v", "50"));
  EXPECT_TRUE(has_pair(args, "-c:v", "libx264"));
  EXPECT_TRUE(has_pair(args, "-f", "mp4"));
  EXPECT_EQ(args.back(), "/art/film.mp4.part");
  EXPECT_EQ(std::count(args.begin(), args.end(), "-flags"), 0);

  job.fields = QVFieldOrder::bottom_first;
  args = qv_video_ffmpeg_arguments(job);
  EXPECT_TRUE(has_pair(args, "-top", "0"));
  EXPECT_TRUE(has_pair(args, "-vf", "setfield=bff,pad=ceil(iw/2)*2:ceil(ih/2)*2"));

  for (auto [format, muxer] :
       {std::pair{QVVideoFormat::gif, "gif"}, std::pair{QVVideoFormat::webp, "webp"},
        std::pair{QVVideoFormat::apng, "apng"}, std::pair{QVVideoFormat::webm, "webm"}}) {
    job.format = format;
    EXPECT_TRUE(has_pair(qv_video_ffmpeg_arguments(job), "-f", muxer)) << muxer;
  }
}
