// Pictures' alpha through a transition: composed as a grey programme of
// its own beside the colour, carried into the outputs that keep it, and
// refused by those that cannot.
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "CommandRunner.h"
#include "media/Alpha.h"
#include "media/Errors.h"

namespace tweenery {
namespace {

using test::RunCommand;

// Left half opaque red, right half red at alpha 64, as PNG.
std::vector<std::uint8_t> HalfClearPNG(int Width, int Height) {
  TBitmap b(Width, Height);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) b.ScanLine(y)[x] = x < Width / 2 ? 0xFFFF0000u : 0x40FF0000u;
  return EncodePNG(b, 1, true);
}

TEST(CarryAlpha, DividesPremultipliedColourByItsAlphaAndClearsWhatIsWhollyTransparent) {
  TBitmap colour(3, 1), alpha(3, 1), out;
  colour.ScanLine(0)[0] = 0xFF402010u;  // at alpha 0x80: twice as bright
  colour.ScanLine(0)[1] = 0xFF123456u;  // opaque: as it is
  colour.ScanLine(0)[2] = 0xFF123456u;  // transparent: no colour
  alpha.ScanLine(0)[0] = 0xFF808080u;
  alpha.ScanLine(0)[1] = 0xFFFFFFFFu;
  alpha.ScanLine(0)[2] = 0xFF000000u;
  CarryAlpha(colour, alpha, out);
  EXPECT_EQ(out.ScanLine(0)[0], 0x80804020u);
  EXPECT_EQ(out.ScanLine(0)[1], 0xFF123456u);
  EXPECT_EQ(out.ScanLine(0)[2], 0x00000000u);
  TBitmap small(2, 1);
  EXPECT_THROW(CarryAlpha(colour, small, out), EToolFailure);
}

class Alpha : public test::TFolderTest {};

TEST_F(Alpha, AStillKeepsThePicturesAlphaAndColourAndWithoutAlphaNothingChanges) {
  WriteFileBytes(Path("clear.png"), HalfClearPNG(40, 20));
  TBitmap black(40, 20);
  for (int y = 0; y < black.Height(); ++y) std::fill_n(black.ScanLine(y), black.Width(), 0xFF000000u);
  WriteFileBytes(Path("opaque.png"), EncodePNG(black, 1));
  for (const char* at : {"0", "0.5"}) {
    const std::string kept = Path(std::string("kept") + at + ".png"), flat = Path(std::string("flat") + at + ".png");
    ASSERT_EQ(RunCommand({"render", Path("clear.png"), Path("opaque.png"), "--operation", "Blend", "--at", at,
                          "--alpha", "-q", "-o", kept}).Status, 0);
    ASSERT_EQ(RunCommand({"render", Path("clear.png"), Path("opaque.png"), "--operation", "Blend", "--at", at, "-q",
                          "-o", flat}).Status, 0);
    const std::vector<std::uint8_t> keptBytes = ReadFileBytes(kept), flatBytes = ReadFileBytes(flat);
    TBitmap keptAlpha, keptColour;
    DecodePNGAlpha(keptBytes.data(), keptBytes.size(), keptAlpha);
    DecodePNGPremultiplied(keptBytes.data(), keptBytes.size(), keptColour);
    // At 0 the frame is From with its own alpha; half way, the clear half
    // is as opaque as the mean of 64 and 255, and its colour (times its
    // alpha) the mean of From's and To's black.
    const bool start = std::string(at) == "0";
    EXPECT_NEAR(keptAlpha.ScanLine(10)[30] & 0xFF, start ? 0x40 : (0x40 + 0xFF + 1) / 2, 1) << at;
    EXPECT_EQ(keptAlpha.ScanLine(10)[5] & 0xFF, 0xFFu) << at;
    EXPECT_NEAR(keptColour.ScanLine(10)[30] >> 16 & 0xFF, start ? 64 : 32, 2) << at;
    EXPECT_NEAR(keptColour.ScanLine(10)[5] >> 16 & 0xFF, start ? 255 : 128, 2) << at;
    EXPECT_EQ(flatBytes[25], 2) << "without --alpha a PNG stays RGB";
  }
}

TEST_F(Alpha, TheRandomOperationsPlaceAlphaWhereTheyPlaceColour) {
  // From: the half-clear picture; To: opaque blue. Wherever a frame
  // shows blue its alpha is whole, elsewhere From's.
  WriteFileBytes(Path("clear.png"), HalfClearPNG(60, 30));
  TBitmap blue(60, 30);
  for (int y = 0; y < blue.Height(); ++y) std::fill_n(blue.ScanLine(y), blue.Width(), 0xFF0000FFu);
  WriteFileBytes(Path("blue.png"), EncodePNG(blue, 1));
  for (const char* operation : {"RandomBars", "TwinRandomBars", "Swarm"}) {
    const std::string out = Path(std::string(operation) + ".png");
    ASSERT_EQ(RunCommand({"render", Path("clear.png"), Path("blue.png"), "--operation", operation, "--seed", "5",
                          "--at", "0.5", "--alpha", "-q", "-o", out}).Status, 0);
    const std::vector<std::uint8_t> bytes = ReadFileBytes(out);
    TBitmap colour, alpha;
    DecodePNGPremultiplied(bytes.data(), bytes.size(), colour);
    DecodePNGAlpha(bytes.data(), bytes.size(), alpha);
    int blues = 0, mismatches = 0;
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 60; ++x) {
        const bool isBlue = (colour.ScanLine(y)[x] & 0xFF) > 0;
        blues += isBlue;
        mismatches += (alpha.ScanLine(y)[x] & 0xFF) != (isBlue || x < 30 ? 0xFFu : 0x40u);
      }
    EXPECT_GT(blues, 0) << operation;
    EXPECT_LT(blues, 1800) << operation;
    EXPECT_EQ(mismatches, 0) << operation;
  }
}

TEST_F(Alpha, VideosThatCanHoldAlphaHoldItAndTheOthersRefuse) {
  if (std::system("ffprobe -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "ffprobe is not installed";
  WriteFileBytes(Path("clear.png"), HalfClearPNG(32, 16));
  const std::pair<const char*, const char*> kept[] = {
      {"a.webm", "alpha_mode=1"}, {"a.mov", "pix_fmt=yuva444p"}, {"a.apng", "pix_fmt=rgba"}};
  for (const auto& [file, format] : kept) {
    const test::TCommandResult r = RunCommand(
        {"render", Path("clear.png"), Path("clear.png"), "--duration", "0.2", "--alpha", "-q", "-o", Path(file)});
    ASSERT_EQ(r.Status, 0) << file << ": " << r.Err;
    std::string probe;
    // VP9 keeps the alpha in a side stream, which the container's tag
    // announces; ProRes decodes at 12 bits whatever it was written at.
    if (FILE* pipe = popen(("ffprobe -v error -show_entries stream=pix_fmt:stream_tags=alpha_mode -of default=nw=1 '" +
                            Path(file) + "'").c_str(), "r")) {
      char line[128];
      while (std::fgets(line, sizeof line, pipe)) probe += line;
      pclose(pipe);
    }
    EXPECT_NE(probe.find(format), std::string::npos) << file << ": " << probe;
  }
  for (const char* refused : {"a.mp4", "a.gif", "a.y4m", "a.bmp"}) {
    const test::TCommandResult r = RunCommand({"render", Path("clear.png"), Path("clear.png"), "--alpha", "-o", Path(refused)});
    EXPECT_EQ(r.Status, 2) << refused;
    EXPECT_NE(r.Err.find("alpha"), std::string::npos) << r.Err;
    EXPECT_FALSE(std::filesystem::exists(Path(refused)));
  }
}

}  // namespace
}  // namespace tweenery
