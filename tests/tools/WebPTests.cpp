// WebP in and out: still and animated pictures as a run's pictures (an
// animation gives its first frame), animated WebP for a run and a still
// one for a single frame, and damaged files refused with their name.
#include <webp/demux.h>
#include <webp/encode.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "CommandRunner.h"
#include "media/WebP.h"

namespace tweenery {
namespace {

using test::RunCommand;

// Opaque: a diagonal ramp of red and green over a blue field. With
// Transparent, the right half has alpha 0x40.
std::unique_ptr<TBitmap> Ramp(int Width, int Height, bool Transparent = false) {
  auto b = std::make_unique<TBitmap>(Width, Height);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      const std::uint32_t alpha = Transparent && x >= Width / 2 ? 0x40u : 0xFFu;
      b->ScanLine(y)[x] = alpha << 24 | static_cast<std::uint32_t>(x * 255 / Width) << 16 |
                         static_cast<std::uint32_t>(y * 255 / Height) << 8 | 0x80u;
    }
  return b;
}

std::vector<std::uint8_t> LosslessWebP(const TBitmap& Picture) {
  std::uint8_t* bytes = nullptr;
  const std::size_t size = WebPEncodeLosslessBGRA(reinterpret_cast<const std::uint8_t*>(Picture.Bits()), Picture.Width(),
                                                  Picture.Height(), Picture.Width() * 4, &bytes);
  std::vector<std::uint8_t> out(bytes, bytes + size);
  WebPFree(bytes);
  return out;
}

std::unique_ptr<TBitmap> ReadPNGFile(const std::string& File, bool Alpha = false) {
  const std::vector<std::uint8_t> bytes = ReadFileBytes(File);
  auto out = std::make_unique<TBitmap>();
  if (Alpha) DecodePNGAlpha(bytes.data(), bytes.size(), *out);
  else DecodePNG(bytes.data(), bytes.size(), *out);
  return out;
}

int MostChannelDifference(const std::uint32_t* A, const std::uint32_t* B, std::size_t Count) {
  int most = 0;
  for (std::size_t i = 0; i < Count; ++i)
    for (int shift : {0, 8, 16, 24})
      most = std::max(most, std::abs(static_cast<int>((A[i] >> shift) & 0xFF) - static_cast<int>((B[i] >> shift) & 0xFF)));
  return most;
}

double MeanChannelDifference(const std::uint32_t* A, const std::uint32_t* B, std::size_t Count) {
  double sum = 0;
  for (std::size_t i = 0; i < Count; ++i)
    for (int shift : {0, 8, 16})
      sum += std::abs(static_cast<int>((A[i] >> shift) & 0xFF) - static_cast<int>((B[i] >> shift) & 0xFF));
  return sum / (3.0 * static_cast<double>(Count));
}

// Every frame of an animated (or still) WebP file, BGRA as libwebp gives them.
struct TAnimation {
  int Width = 0, Height = 0, Loops = -1;
  bool Animated = false;
  std::vector<std::vector<std::uint32_t>> Frames;
};

TAnimation ReadAnimation(const std::string& File) {
  const std::vector<std::uint8_t> bytes = ReadFileBytes(File);
  const WebPData data{bytes.data(), bytes.size()};
  TAnimation animation;
  if (WebPDemuxer* demuxer = WebPDemux(&data)) {
    animation.Animated = WebPDemuxGetI(demuxer, WEBP_FF_FORMAT_FLAGS) & ANIMATION_FLAG;
    animation.Loops = static_cast<int>(WebPDemuxGetI(demuxer, WEBP_FF_LOOP_COUNT));
    WebPDemuxDelete(demuxer);
  }
  WebPAnimDecoderOptions options;
  WebPAnimDecoderOptionsInit(&options);
  options.color_mode = MODE_BGRA;
  WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
  if (!decoder) return animation;
  WebPAnimInfo info;
  WebPAnimDecoderGetInfo(decoder, &info);
  animation.Width = static_cast<int>(info.canvas_width);
  animation.Height = static_cast<int>(info.canvas_height);
  std::uint8_t* frame = nullptr;
  int timestamp = 0;
  while (WebPAnimDecoderHasMoreFrames(decoder) && WebPAnimDecoderGetNext(decoder, &frame, &timestamp)) {
    const auto* pixels = reinterpret_cast<const std::uint32_t*>(frame);
    animation.Frames.emplace_back(pixels, pixels + static_cast<std::size_t>(animation.Width) * animation.Height);
  }
  WebPAnimDecoderDelete(decoder);
  return animation;
}

class WebP : public test::TFolderTest {};

TEST_F(WebP, AStillWebPIsReadExactlyWithItsAlphaWhenKept) {
  const auto opaque = Ramp(36, 20), clear = Ramp(36, 20, true);
  WriteFileBytes(Path("opaque.webp"), LosslessWebP(*opaque));
  WriteFileBytes(Path("clear.webp"), LosslessWebP(*clear));
  ASSERT_EQ(RunCommand({"render", Path("opaque.webp"), Path("clear.webp"), "--at", "0", "-q", "-o", Path("a.png")}).Status, 0);
  const auto back = ReadPNGFile(Path("a.png"));
  EXPECT_EQ(MostChannelDifference(back->Bits(), opaque->Bits(), 36 * 20), 0);

  ASSERT_EQ(RunCommand({"render", Path("clear.webp"), Path("opaque.webp"), "--at", "0", "--alpha", "-q", "-o",
                        Path("b.png")}).Status, 0);
  const auto alpha = ReadPNGFile(Path("b.png"), true);
  EXPECT_EQ(alpha->ScanLine(5)[30] & 0xFF, 0x40u);
  EXPECT_EQ(alpha->ScanLine(5)[3] & 0xFF, 0xFFu);
}

TEST_F(WebP, ARunIsAnAnimationThatLoopsAndOneFrameIsAStillPicture) {
  WriteFileBytes(Path("from.png"), EncodePNG(*Ramp(50, 30), 1));
  WriteFileBytes(Path("to.png"), EncodePNG(*Ramp(50, 30, true), 1));
  const std::vector<std::string> run = {"render", Path("from.png"), Path("to.png"), "--operation", "Push",
                                        "--duration", "0.5", "--fps", "10", "-q"};
  auto with = [&run](std::vector<std::string> More) {
    std::vector<std::string> arguments = run;
    arguments.insert(arguments.end(), More.begin(), More.end());
    return RunCommand(arguments);
  };
  ASSERT_EQ(with({"-o", Path("run.webp")}).Status, 0);
  ASSERT_EQ(with({"--frame", "2", "-o", Path("middle.png")}).Status, 0);
  ASSERT_EQ(with({"--frame", "2", "-o", Path("middle.webp")}).Status, 0);
  const TAnimation animation = ReadAnimation(Path("run.webp"));
  EXPECT_TRUE(animation.Animated);
  EXPECT_EQ(animation.Loops, 0) << "plays over and over";
  ASSERT_EQ(animation.Frames.size(), 5u);
  ASSERT_EQ(animation.Width * animation.Height, 50 * 30);
  const auto middle = ReadPNGFile(Path("middle.png"));
  // Lossy (the push's edge blurs), but the same frame and not its neighbour.
  const double same = MeanChannelDifference(animation.Frames[2].data(), middle->Bits(), 50 * 30);
  EXPECT_LE(same, 3.0);
  EXPECT_GT(MeanChannelDifference(animation.Frames[1].data(), middle->Bits(), 50 * 30), 3 * same);

  const TAnimation still = ReadAnimation(Path("middle.webp"));
  EXPECT_FALSE(still.Animated);
  ASSERT_EQ(still.Frames.size(), 1u);
  EXPECT_LE(MeanChannelDifference(still.Frames[0].data(), middle->Bits(), 50 * 30), 3.0);

  // Read back as a picture, the animation gives its first frame.
  ASSERT_EQ(RunCommand({"render", Path("run.webp"), Path("to.png"), "--at", "0", "-q", "-o", Path("first.png")}).Status, 0);
  EXPECT_LE(MostChannelDifference(ReadPNGFile(Path("first.png"))->Bits(), Ramp(50, 30)->Bits(), 50 * 30), 24);

  // Its quality is its own: the video options are refused.
  const test::TCommandResult refused = with({"--crf", "20", "-o", Path("no.webp")});
  EXPECT_EQ(refused.Status, 2) << refused.Err;
}

TEST_F(WebP, ADamagedFileIsRefusedWithItsNameAtEveryLength) {
  const std::vector<std::uint8_t> whole = LosslessWebP(*Ramp(24, 16, true));
  WriteFileBytes(Path("to.png"), EncodePNG(*Ramp(24, 16), 1));
  std::vector<std::vector<std::uint8_t>> damaged;
  for (std::size_t length = 1; length < whole.size(); length += std::max<std::size_t>(1, whole.size() / 40))
    damaged.emplace_back(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
  // Chunk sizes that claim more than there is, or wrap round.
  for (std::size_t at : {4u, 16u})
    for (std::uint8_t value : {0xFFu, 0x7Fu}) {
      std::vector<std::uint8_t> bytes = whole;
      std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), 4, value);
      damaged.push_back(bytes);
    }
  std::size_t refused = 0;
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    WriteFileBytes(Path("bad.webp"), damaged[i]);
    const test::TCommandResult r =
        RunCommand({"render", Path("bad.webp"), Path("to.png"), "--at", "0", "-q", "-y", "-o", Path("out.png")});
    if (r.Status == 0) continue;  // a file cut after its picture's data
    ++refused;
    EXPECT_EQ(r.Status, 1) << i << ": " << r.Err;
    EXPECT_NE(r.Err.find("bad.webp"), std::string::npos) << r.Err;
    EXPECT_FALSE(std::filesystem::exists(Path("out.png"))) << i;
  }
  EXPECT_GE(refused, damaged.size() - 1) << "only a cut after the last chunk can still be read";
}

}  // namespace
}  // namespace tweenery
