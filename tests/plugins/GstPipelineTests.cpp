// A plug-in inside GStreamer: a pipeline of two plain-coloured sources into
// the Push mixer, to raw RGBA frames, plays the transition by stream time.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TWEENERY_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TWEENERY_SANITIZED 1
#endif
#endif

namespace tweenery {
namespace {

constexpr int kWidth = 64, kHeight = 36, kFrames = 50;  // 2 s at 25 fps

std::string WithPluginPath(const std::string& Command) {
  return "FREI0R_PATH='" + std::string(TWEENERY_FREI0R_DIR) + "' " + Command;
}

// The share of a frame's pixels that show the second source (blue).
double BlueShare(const std::vector<unsigned char>& Frames, int Frame) {
  const std::size_t size = std::size_t{kWidth} * kHeight * 4, start = size * static_cast<std::size_t>(Frame);
  int blue = 0;
  for (std::size_t i = start; i < start + size; i += 4)
    if (Frames[i] < 64 && Frames[i + 2] > 192) ++blue;
  return static_cast<double>(blue) / (kWidth * kHeight);
}

TEST(GstPipeline, TheMixerPlaysThePushByStreamTime) {
#ifdef TWEENERY_SANITIZED
  GTEST_SKIP() << "GStreamer cannot load plug-ins built against a sanitizer runtime";
#endif
  if (std::system("command -v gst-launch-1.0 >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "gst-launch-1.0 is not installed (Debian: gstreamer1.0-tools)";
  if (std::system(WithPluginPath("gst-inspect-1.0 frei0r-mixer-tweenery-push >/dev/null 2>&1").c_str()) != 0)
    GTEST_SKIP() << "GStreamer has no frei0r-mixer-tweenery-push (its frei0r bridge: Debian gstreamer1.0-plugins-bad)";

  char folder[] = "/tmp/tweenery-gst-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string out = std::string(folder) + "/frames.rgba";
  const std::string caps = "video/x-raw,format=RGBA,width=" + std::to_string(kWidth) +
                           ",height=" + std::to_string(kHeight) + ",framerate=25/1";
  const std::string source = "videotestsrc num-buffers=" + std::to_string(kFrames) + " pattern=";
  // duration 0.02: 2 s, the length of the stream.
  const std::string command =
      WithPluginPath("gst-launch-1.0 -q " + source + "red ! " + caps + " ! mix.sink_0 " + source + "blue ! " + caps +
                     " ! mix.sink_1 frei0r-mixer-tweenery-push name=mix duration=0.02 ! filesink location='" + out +
                     "' >'" + folder + "/log' 2>&1");
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  std::ifstream in(out, std::ios::binary);
  const std::vector<unsigned char> frames{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::system(("rm -rf '" + std::string(folder) + "'").c_str());
  ASSERT_EQ(frames.size(), std::size_t{kWidth} * kHeight * 4 * kFrames);

  // Frame k is at k / 25 s, so k / 50 of the way through.
  for (int frame : {0, 12, 25, 37, 49}) {
    SCOPED_TRACE(frame);
    EXPECT_NEAR(BlueShare(frames, frame), frame / 50.0, 0.08);
  }
  for (int frame = 1; frame < kFrames; ++frame)
    EXPECT_GE(BlueShare(frames, frame), BlueShare(frames, frame - 1)) << frame;
}

}  // namespace
}  // namespace tweenery
