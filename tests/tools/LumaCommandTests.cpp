// tweenery luma: the map it writes re-creates the frames render writes, runs
// that are not wipes are refused as usage errors, and the help's list of
// wipes is what the check finds.
#include <png.h>

#include <regex>

#include "CommandRunner.h"
#include "TestPictures.h"
#include "tweenkit/LumaMap.h"
#include "tweenkit/Presets.h"

namespace tweenery::test {
namespace {

// A 16-bit greyscale PNG's samples; empty when it is not one.
std::vector<std::uint16_t> ReadGrey16(const std::string& FileName, int& Width, int& Height) {
  const std::vector<std::uint8_t> bytes = ReadFileBytes(FileName);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return {};
  // A 16-bit file without a gamma chunk is read as linear: samples unchanged.
  const bool grey16 = image.format == PNG_FORMAT_LINEAR_Y;
  image.format = PNG_FORMAT_LINEAR_Y;
  std::vector<std::uint16_t> values(static_cast<std::size_t>(image.width) * image.height);
  if (!grey16 || !png_image_finish_read(&image, nullptr, values.data(), 0, nullptr)) {
    png_image_free(&image);
    return {};
  }
  Width = static_cast<int>(image.width);
  Height = static_cast<int>(image.height);
  return values;
}

class LumaCommand : public TFolderTest {};

TEST_F(LumaCommand, MapRecreatesTheFramesRenderWrites) {
  const int width = 37, height = 23;
  const auto from = RandomPicture(width, height, 5), to = RandomPicture(width, height, 6);
  WritePictures(*from, *to);
  struct TLook {
    std::vector<std::string> Arguments;
    TTransitionSettings Settings;
  };
  TTransitionSettings blinds, bars, iris;
  blinds.Operation = toBlinds, blinds.Modifier = tmUp, blinds.Delta = 4;
  bars.Operation = toRandomBars, bars.Seed = 9;
  iris.Operation = toIris, iris.Reverse = true;
  const std::vector<TLook> looks = {
      {{"--operation", "Blinds", "--modifier", "up", "--delta", "4"}, blinds},
      {{"--operation", "RandomBars", "--seed", "9"}, bars},
      {{"--operation", "iris", "--reverse"}, iris}};
  for (const TLook& look : looks) {
    SCOPED_TRACE(look.Arguments[1]);
    std::vector<std::string> luma = {"luma", "--size", "37x23", "-o", Path("map.png"), "-y", "-q"};
    luma.insert(luma.end(), look.Arguments.begin(), look.Arguments.end());
    const TCommandResult made = RunCommand(luma);
    ASSERT_EQ(made.Status, 0) << made.Err;
    int w = 0, h = 0;
    const std::vector<std::uint16_t> map = ReadGrey16(Path("map.png"), w, h);
    ASSERT_EQ(w, width);
    ASSERT_EQ(h, height);

    const TWipe wipe = AnalyseWipe(width, height, look.Settings);
    const TBitmap& end = wipe.Backwards ? *from : *to;
    const TBitmap& start = wipe.Backwards ? *to : *from;
    for (std::int32_t n : {0, wipe.FrameCount / 3, wipe.FrameCount / 2, wipe.FrameCount}) {
      std::vector<std::string> render = {"render", Path("from.png"), Path("to.bmp"), "--steps", "1", "--frame",
                                         std::to_string(n), "-o", Path("frame.png"), "-y", "-q"};
      render.insert(render.end(), look.Arguments.begin(), look.Arguments.end());
      const TCommandResult rendered = RunCommand(render);
      ASSERT_EQ(rendered.Status, 0) << rendered.Err;
      TBitmap frame;
      const std::vector<std::uint8_t> bytes = ReadFileBytes(Path("frame.png"));
      DecodePNG(bytes.data(), bytes.size(), frame);
      const double threshold = static_cast<double>(n) / wipe.FrameCount * 65535;
      EXPECT_EQ(FirstMismatch(frame,
                              [&](int X, int Y) {
                                return PixelAt(map[static_cast<std::size_t>(Y) * width + X] <= threshold ? end : start,
                                               X, Y);
                              }),
                "")
          << "frame " << n;
    }
  }
}

TEST_F(LumaCommand, RefusesWhatIsNotAWipeAsAUsageError) {
  const TCommandResult push = RunCommand({"luma", "--operation", "Push", "--size", "32x24", "-o", Path("push.png")});
  EXPECT_EQ(push.Status, 2);
  EXPECT_NE(push.Err.find("Push moves the pictures"), std::string::npos) << push.Err;
  const TCommandResult blend = RunCommand({"luma", "--operation", "Blend", "--size", "32x24", "-o", Path("b.png")});
  EXPECT_EQ(blend.Status, 2);
  EXPECT_NE(blend.Err.find("mixes colours"), std::string::npos) << blend.Err;
  const TCommandResult swarm = RunCommand({"luma", "--operation", "Swarm", "--size", "32x24", "-o", Path("s.png")});
  EXPECT_EQ(swarm.Status, 2);
  EXPECT_NE(swarm.Err.find("turns pixels back"), std::string::npos) << swarm.Err;
  EXPECT_FALSE(std::filesystem::exists(Path("push.png")));
  EXPECT_EQ(RunCommand({"luma", "--operation", "Iris", "-o", Path("iris.jpg")}).Status, 2);
  EXPECT_EQ(RunCommand({"luma", "--operation", "Iris", "--size", "0x9", "-o", Path("iris.png")}).Status, 2);
  // Numbers are read as strictly as render reads them: no seed wraps round.
  for (const char* seed : {"-1", "99999999999999999999", ""}) {
    const TCommandResult wrapped =
        RunCommand({"luma", "--operation", "RandomBars", "--size", "8x8", "--seed", seed, "-o", Path("bars.png")});
    EXPECT_EQ(wrapped.Status, 2) << seed;
    EXPECT_NE(wrapped.Err.find("--seed"), std::string::npos) << wrapped.Err;
  }
  EXPECT_EQ(RunCommand({"luma", "--operation", "Iris", "--delta", "0x10", "-o", Path("iris.png")}).Status, 2);
  EXPECT_FALSE(std::filesystem::exists(Path("bars.png")));

  // An existing map is kept unless -y.
  ASSERT_EQ(RunCommand({"luma", "--operation", "Iris", "--size", "8x8", "-o", Path("iris.png"), "-q"}).Status, 0);
  EXPECT_EQ(RunCommand({"luma", "--operation", "Iris", "--size", "8x8", "-o", Path("iris.png"), "-q"}).Status, 1);
}

TEST_F(LumaCommand, HelpListsTheOperationsThatWipe) {
  const TCommandResult help = RunCommand({"luma", "--help"});
  ASSERT_EQ(help.Status, 0);
  std::smatch match;
  std::string text = std::regex_replace(help.Out, std::regex("\\s+"), " ");
  ASSERT_TRUE(std::regex_search(text, match, std::regex("these wipe: ([^.]*)\\.")));
  std::vector<std::string> listed;
  const std::string list = match[1];
  const std::regex word("[A-Za-z]+");
  for (std::sregex_iterator i(list.begin(), list.end(), word), e; i != e; ++i)
    listed.push_back(i->str());
  auto wipesAt = [](int Width, int Height) {
    std::vector<std::string> wipes;
    for (int item = 0; item < OperationItemCount; ++item) {
      TTransitionSettings s;
      s.Operation = OperationOfItem(item);
      try {
        AnalyseWipe(Width, Height, s);
        wipes.push_back(OperationText(s.Operation));
      } catch (const ENotAWipe&) {
      }
    }
    return wipes;
  };
  EXPECT_EQ(listed, wipesAt(41, 31));
  // Reveal's halves leave a column of an odd width behind.
  std::vector<std::string> even = wipesAt(40, 30);
  std::erase(even, "Reveal");
  EXPECT_EQ(listed, even);
  EXPECT_NE(text.find("Reveal wipes too"), std::string::npos);
}

}  // namespace
}  // namespace tweenery::test
