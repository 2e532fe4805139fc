// Video encoding as the options ask: colour tags that follow the frame size
// and a conversion that uses the matrix they declare, the quality, codec,
// pixel format and bit rate options, and the refusals that come before
// anything is composed. Read back through ffprobe and ffmpeg.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "CommandRunner.h"

namespace tweenery {
namespace {

using test::RunCommand;

bool HaveFfmpeg() {
  return std::system("ffprobe -version >/dev/null 2>&1") == 0 && std::system("ffmpeg -version >/dev/null 2>&1") == 0;
}

std::string Output(const std::string& Command) {
  std::string text;
  if (FILE* pipe = popen(Command.c_str(), "r")) {
    char buffer[4096];
    std::size_t read = 0;
    while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, read);
    pclose(pipe);
  }
  return text;
}

std::string StreamOf(const std::string& File) {
  return Output("ffprobe -v error -select_streams v:0 -show_entries "
                "stream=codec_name,pix_fmt,color_space,color_primaries,color_transfer,color_range -of default=nw=1 '" +
                File + "'");
}

// Three upright bands, pure red, green and blue.
std::vector<std::uint8_t> BandsPNG(int Width, int Height) {
  TBitmap bitmap(Width, Height);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x)
      bitmap.ScanLine(y)[x] = x < Width / 3 ? 0xFFFF0000u : x < 2 * Width / 3 ? 0xFF00FF00u : 0xFF0000FFu;
  return EncodePNG(bitmap, 1);
}

class VideoQuality : public test::TFolderTest {
 protected:
  void SetUp() override {
    TFolderTest::SetUp();
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg and ffprobe are not installed";
  }
  test::TCommandResult Render(const std::string& Picture, std::vector<std::string> Options) {
    std::vector<std::string> arguments = {"render", Picture, Picture, "--duration", "0.2", "-q", "-y"};
    arguments.insert(arguments.end(), Options.begin(), Options.end());
    return RunCommand(arguments);
  }
  // The first frame decoded by ffmpeg as it reads the stream's tags, RGB.
  std::string FirstFrameRGB(const std::string& File) {
    return Output("ffmpeg -v error -i '" + File + "' -frames:v 1 -f rawvideo -pix_fmt rgb24 -");
  }
};

void ExpectBandsBack(const std::string& Rgb, int Width, int Height, const std::string& What) {
  ASSERT_EQ(Rgb.size(), static_cast<std::size_t>(Width) * Height * 3) << What;
  const std::uint8_t expected[3][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  for (int band = 0; band < 3; ++band) {
    const std::size_t at = (static_cast<std::size_t>(Height / 2) * Width + Width * (2 * band + 1) / 6) * 3;
    for (int c = 0; c < 3; ++c)
      EXPECT_NEAR(static_cast<std::uint8_t>(Rgb[at + c]), expected[band][c], 4)
          << What << ": band " << band << " channel " << c;
  }
}

TEST_F(VideoQuality, HdIsTaggedBt709AndSdBt601AndEachPrimaryComesBackAsItWent) {
  struct TCase {
    int Width, Height;
    const char* Matrix;
    std::vector<std::string> Options;
    const char* File;
  };
  const TCase cases[] = {
      {1280, 720, "bt709", {}, "hd.mp4"},
      {1280, 720, "bt709", {"--pix-fmt", "yuv420p10le"}, "hd10.mp4"},
      {640, 360, "smpte170m", {}, "sd.mp4"},
      {300, 200, "smpte170m", {"--codec", "vp9"}, "sd.webm"},
      {1280, 200, "bt709", {"--codec", "prores"}, "wide.mov"},
  };
  for (const TCase& c : cases) {
    const std::string picture = Path(std::to_string(c.Width) + "x" + std::to_string(c.Height) + ".png");
    if (!std::filesystem::exists(picture)) WriteFileBytes(picture, BandsPNG(c.Width, c.Height));
    std::vector<std::string> options = c.Options;
    options.insert(options.end(), {"-o", Path(c.File)});
    const test::TCommandResult r = Render(picture, options);
    ASSERT_EQ(r.Status, 0) << c.File << ": " << r.Err;
    const std::string stream = StreamOf(Path(c.File));
    const std::string matrix = c.Matrix;
    for (const char* tag : {"color_space=", "color_primaries=", "color_transfer="})
      EXPECT_NE(stream.find(tag + matrix + "\n"), std::string::npos) << c.File << ":\n" << stream;
    EXPECT_NE(stream.find("color_range=tv\n"), std::string::npos) << c.File << ":\n" << stream;
    ExpectBandsBack(FirstFrameRGB(Path(c.File)), c.Width, c.Height, c.File);
  }
}

TEST_F(VideoQuality, AHigherCrfGivesASmallerFileAndTenBitOutputProbesAsTenBit) {
  const std::vector<std::uint8_t> noise = [] {
    TBitmap b(160, 96);
    std::uint32_t state = 1;
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) {
        state = state * 1664525u + 1013904223u;
        b.ScanLine(y)[x] = 0xFF000000u | (state >> 8);
      }
    return EncodePNG(b, 1);
  }();
  WriteFileBytes(Path("noise.png"), noise);
  for (const char* codec : {"h264", "vp9"}) {
    const std::string fine = Path(std::string(codec) + "-fine.mkv"), coarse = Path(std::string(codec) + "-coarse.mkv");
    ASSERT_EQ(Render(Path("noise.png"), {"--codec", codec, "--crf", "18", "-o", fine}).Status, 0);
    ASSERT_EQ(Render(Path("noise.png"), {"--codec", codec, "--crf", "30", "-o", coarse}).Status, 0);
    EXPECT_LT(std::filesystem::file_size(coarse), std::filesystem::file_size(fine)) << codec;
  }
  // A bit rate instead of a quality: a low one gives a smaller file still.
  ASSERT_EQ(Render(Path("noise.png"), {"--bitrate", "50k", "-o", Path("low.mkv")}).Status, 0);
  EXPECT_LT(std::filesystem::file_size(Path("low.mkv")), std::filesystem::file_size(Path("h264-coarse.mkv")));

  const test::TCommandResult r = Render(Path("noise.png"), {"--pix-fmt", "yuv420p10le", "-o", Path("ten.mp4")});
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_NE(StreamOf(Path("ten.mp4")).find("pix_fmt=yuv420p10le\n"), std::string::npos) << StreamOf(Path("ten.mp4"));
}

TEST_F(VideoQuality, WhatCannotBeEncodedIsRefusedBeforeAnyPictureIsRead) {
  // The pictures do not exist: each refusal must come before they are looked at.
  struct TCase {
    std::vector<std::string> Options;
    const char* Says;
  };
  const TCase cases[] = {
      {{"--codec", "h266", "-o", "a.mp4"}, "these ffmpeg libraries write h264"},
      {{"--codec", "prores", "-o", "a.mp4"}, "cannot hold ProRes; use .mov or .mkv"},
      {{"--codec", "hevc", "-o", "a.webm"}, "cannot hold HEVC"},
      {{"--crf", "18", "--bitrate", "2M", "-o", "a.mp4"}, "give one of them"},
      {{"--crf", "52", "-o", "a.mp4"}, "0 to 51"},
      {{"--codec", "vp9", "--crf", "64", "-o", "a.webm"}, "0 to 63"},
      {{"--pix-fmt", "rgb48le", "-o", "a.mp4"}, "takes yuv420p"},
      {{"--pix-fmt", "nonsense", "-o", "a.mp4"}, "--pix-fmt 'nonsense'"},
      {{"--video-preset", "warp", "-o", "a.mp4"}, "ultrafast"},
      {{"--bitrate", "lots", "-o", "a.mp4"}, "e.g. 8M"},
      {{"--codec", "prores", "--crf", "10", "-o", "a.mov"}, "fixed quality"},
      {{"--crf", "20", "-o", "a.gif"}, "are for .mp4, .mkv, .mov and .webm"},
      {{"--crf", "20", "-o", "f%03d.png"}, "are for video files"},
  };
  for (const TCase& c : cases) {
    std::vector<std::string> arguments = {"render", Path("missing-a.png"), Path("missing-b.png")};
    for (const std::string& option : c.Options) arguments.push_back(option == c.Options.back() ? Path(option) : option);
    const test::TCommandResult r = RunCommand(arguments);
    EXPECT_EQ(r.Status, 2) << c.Says << ": " << r.Err;
    EXPECT_NE(r.Err.find(c.Says), std::string::npos) << r.Err;
    EXPECT_EQ(r.Err.find("missing-a"), std::string::npos) << r.Err;
    EXPECT_FALSE(std::filesystem::exists(Path(c.Options.back()))) << c.Says;
  }
}

}  // namespace
}  // namespace tweenery
