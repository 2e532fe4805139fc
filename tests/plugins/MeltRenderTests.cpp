// Every plug-in inside a real host: melt renders a transition between two
// PNG pictures headless, to raw RGBA frames (no YUV step, so the bytes stay
// exact), and the middle frame must equal the component's.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "Frei0rHost.h"
#include "TestPictures.h"
#include "tools/Commands.h"
#include "media/Png.h"
#include "tweenkit/TimeBase.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TWEENERY_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TWEENERY_SANITIZED 1
#endif
#endif

namespace tweenery {
namespace {

constexpr int kWidth = 64, kHeight = 48, kLastFrame = 8;

bool MeltInstalled() { return std::system("command -v melt >/dev/null 2>&1") == 0; }

std::string Lower(std::string Text) {
  for (char& c : Text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return Text;
}

void WriteFile(const std::string& Path, const std::vector<std::uint8_t>& Bytes) {
  std::ofstream(Path, std::ios::binary).write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
}

std::vector<std::uint8_t> ReadFile(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What the plug-in does with its parameters left alone.
TTransitionSettings DefaultSettings(TTransitionOperation Operation) {
  TTransitionSettings s;
  s.Operation = Operation;
  const double preset = OperationPreset(Operation).Delta.value_or(10);
  const double scale = Operation == toMosaic ? 16 : 144;
  const double side = Operation == toMosaic ? 16 : std::min(kWidth, kHeight);
  s.Delta = std::max(1, static_cast<int>(std::nearbyint(std::min(1.0, preset / scale) * side)));
  s.Color = clBlack;
  return s;
}

class MeltRender : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef TWEENERY_SANITIZED
    GTEST_SKIP() << "melt cannot load plug-ins built against a sanitizer runtime";
#endif
    if (!MeltInstalled()) GTEST_SKIP() << "melt is not installed";
    char folder[] = "/tmp/tweenery-melt-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    FFolder = folder;
    FFrom = test::RandomPicture(kWidth, kHeight, 11);
    FTo = test::RandomPicture(kWidth, kHeight, 12);
    WriteFile(FFolder + "/from.png", EncodePNG(*FFrom, 1));
    WriteFile(FFolder + "/to.png", EncodePNG(*FTo, 1));
    std::ofstream(FFolder + "/profile") << "description=test\nframe_rate_num=25\nframe_rate_den=1\nwidth=" << kWidth
                                        << "\nheight=" << kHeight
                                        << "\nprogressive=1\nsample_aspect_num=1\nsample_aspect_den=1\n"
                                           "display_aspect_num=4\ndisplay_aspect_den=3\ncolorspace=709\n";
  }
  void TearDown() override {
    if (!FFolder.empty()) std::system(("rm -rf '" + FFolder + "'").c_str());
  }

  // The frames melt renders through the operation's plug-in, progress going
  // from 0 at the first frame to 1 at the last.
  std::vector<std::uint8_t> Render(TTransitionOperation Operation) {
    const std::string name = "tweenery_" + Lower(OperationText(Operation));
    const std::string out = FFolder + "/" + name + ".rgba", log = FFolder + "/" + name + ".log";
    const std::string last = std::to_string(kLastFrame);
    const std::string command = "FREI0R_PATH='" + std::string(TWEENERY_FREI0R_DIR) +
                                "' SDL_VIDEODRIVER=dummy melt -quiet -profile '" + FFolder + "/profile' '" + FFolder +
                                "/from.png' out=" + last + " -track '" + FFolder + "/to.png' out=" + last +
                                " -transition frei0r." + name + " in=0 out=" + last +
                                " a_track=0 b_track=1 progress='0=0;" + last + "=1'" + " -consumer 'avformat:" + out +
                                "' f=rawvideo vcodec=rawvideo pix_fmt=rgba >'" + log + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return ReadFile(out);
  }

  std::string FFolder;
  std::unique_ptr<TBitmap> FFrom, FTo;
};

TEST_F(MeltRender, EveryPluginsMiddleFrameIsTheComponentsFrame) {
  constexpr std::size_t frameBytes = std::size_t{kWidth} * kHeight * 4;
  for (int i = 0; i < TransitionOperationCount; ++i) {
    const auto op = static_cast<TTransitionOperation>(i);
    SCOPED_TRACE(OperationText(op));
    const std::vector<std::uint8_t> frames = Render(op);
    ASSERT_EQ(frames.size(), frameBytes * (kLastFrame + 1));
    TTransitionRenderer renderer(*FFrom, *FTo, DefaultSettings(op));
    for (int frame : {0, kLastFrame / 2, kLastFrame}) {
      const double progress = static_cast<double>(frame) / kLastFrame;
      // Each frame is drawn from the seed, not on from the frame before it.
      renderer.Restart();
      const test::THostFrame expected =
          test::HostFrameOf(renderer.Compose(renderer.FrameAtProgress(progress, TEasing())));
      EXPECT_EQ(std::memcmp(frames.data() + frameBytes * frame, expected.data(), frameBytes), 0) << "frame " << frame;
    }
  }
}

// A map of ours in melt's own luma transition, between two plain colours
// (melt's luma mixes in YUV, so colours come back near, not exact): the To
// colour spreads from the centre as the run goes on.
TEST_F(MeltRender, LumaTransitionWipesByOurMap) {
  std::ostringstream quiet;
  const std::string map = FFolder + "/iris.png";
  const std::string size = std::to_string(kWidth) + "x" + std::to_string(kHeight);
  ASSERT_EQ(RunTweenery({"luma", "--operation", "Iris", "--size", size, "-o", map, "-q"}, quiet, quiet), 0)
      << quiet.str();
  WriteFile(FFolder + "/a.png", EncodePNG(*test::SolidPicture(kWidth, kHeight, 0x00C06020), 1));
  WriteFile(FFolder + "/b.png", EncodePNG(*test::SolidPicture(kWidth, kHeight, 0x0020A0E0), 1));
  const std::string out = FFolder + "/luma.rgba", last = std::to_string(kLastFrame);
  const std::string command = "SDL_VIDEODRIVER=dummy melt -quiet -profile '" + FFolder + "/profile' '" + FFolder +
                              "/a.png' out=" + last + " -track '" + FFolder + "/b.png' out=" + last +
                              " -transition luma resource='" + map + "' in=0 out=" + last +
                              " a_track=0 b_track=1 -consumer 'avformat:" + out +
                              "' f=rawvideo vcodec=rawvideo pix_fmt=rgba >'" + FFolder + "/luma.log' 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const std::vector<std::uint8_t> frames = ReadFile(out);
  constexpr std::size_t frameBytes = std::size_t{kWidth} * kHeight * 4;
  ASSERT_EQ(frames.size(), frameBytes * (kLastFrame + 1));
  // Red decides: 0x20 in the From colour, 0xE0 in the To colour.
  auto showsTo = [&](int Frame, int X, int Y) {
    return frames[frameBytes * Frame + (std::size_t{static_cast<unsigned>(Y)} * kWidth + X) * 4] >= 0x80;
  };
  int before = -1;
  for (int frame = 0; frame <= kLastFrame; ++frame) {
    int shown = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) shown += showsTo(frame, x, y);
    EXPECT_GE(shown, before) << "frame " << frame;
    before = shown;
  }
  EXPECT_FALSE(showsTo(0, 0, 0));
  EXPECT_TRUE(showsTo(kLastFrame / 2, kWidth / 2, kHeight / 2));
  EXPECT_FALSE(showsTo(kLastFrame / 2, 0, 0));
  // melt's last frame of a transition stands a frame short of its end.
  EXPECT_GT(before, kWidth * kHeight * 3 / 4);
}

}  // namespace
}  // namespace tweenery
