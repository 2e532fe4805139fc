// The tweenery commands, run in-process: what they write, frame by frame,
// and how they refuse what they cannot do.
#include "tools/Commands.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

extern "C" {
#include <libavutil/log.h>
}

#include "CommandRunner.h"
#include "TestPictures.h"
#include "platform/ImageCodecs.h"
#include "media/Output.h"
#include "media/Png.h"
#include "tweenkit/Presets.h"
#include "tweenkit/TimeBase.h"

namespace tweenery {
namespace {

namespace fs = std::filesystem;

using TResult = test::TCommandResult;
constexpr auto Tweenery = test::RunCommand;

class Commands : public test::TFolderTest {
 protected:
  void SetUp() override {
    TFolderTest::SetUp();
    From = test::CodedPicture(40, 12, test::kFromTag);
    To = test::CodedPicture(40, 12, test::kToTag);
    WritePictures(*From, *To);
  }
  std::unique_ptr<TBitmap> ReadPng(const std::string& Name) const {
    const auto bytes = ReadFileBytes(Path(Name));
    auto bitmap = std::make_unique<TBitmap>();
    DecodePNG(bytes.data(), bytes.size(), *bitmap);
    return bitmap;
  }
  std::vector<std::string> Pictures() const { return {"render", Path("from.png"), Path("to.bmp"), "-q"}; }
  static std::vector<std::string> With(std::vector<std::string> A, const std::vector<std::string>& B) {
    A.insert(A.end(), B.begin(), B.end());
    return A;
  }
  std::size_t FileCount() const {
    return static_cast<std::size_t>(std::distance(fs::recursive_directory_iterator(Folder), fs::recursive_directory_iterator()));
  }

  std::unique_ptr<TBitmap> From, To;
};

bool SamePixels(const TBitmap& A, const TBitmap& B) {
  return A.Width() == B.Width() && A.Height() == B.Height() &&
         std::memcmp(A.Bits(), B.Bits(), 4u * A.Width() * A.Height()) == 0;
}

std::string Frame(const std::string& Pattern, int Index) {
  char name[256];
  std::snprintf(name, sizeof name, Pattern.c_str(), Index);
  return name;
}

TEST_F(Commands, AWholePushToPngHasTheEffectsFramesExactly) {
  const TResult r = Tweenery(With(Pictures(), {"--steps", "3", "--interval", "10", "-o", Path("f/f%04d.png")}));
  ASSERT_EQ(r.Status, 0) << r.Err;
  TTransitionSettings settings;
  TTransitionRenderer renderer(*From, *To, settings);
  const auto frames = PlaybackFrames(renderer.FrameCount(), 3);
  ASSERT_EQ(frames.size(), 14u);  // Push of 40 columns ends at frame 41: 2, 5, ... 41
  std::size_t written = 0;
  for (const auto& entry : fs::directory_iterator(Folder / "f")) written += entry.path().extension() == ".png";
  EXPECT_EQ(written, frames.size());
  for (std::size_t i = 0; i < frames.size(); ++i)
    EXPECT_TRUE(SamePixels(*ReadPng(Frame("f/f%04d.png", static_cast<int>(i))), renderer.Compose(frames[i]))) << i;
}

TEST_F(Commands, ADurationRunGoesFromPictureToPictureAndEasingMovesTheMiddle) {
  ASSERT_EQ(Tweenery(With(Pictures(), {"--duration", "1", "--fps", "25", "-o", Path("l/%02d.png")})).Status, 0);
  ASSERT_TRUE(fs::exists(Path("l/24.png")));
  EXPECT_FALSE(fs::exists(Path("l/25.png")));
  EXPECT_TRUE(SamePixels(*ReadPng("l/00.png"), *From));
  EXPECT_TRUE(SamePixels(*ReadPng("l/24.png"), *To));
  ASSERT_EQ(Tweenery(With(Pictures(), {"--duration", "1", "--fps", "25", "--easing", "ease-in", "--frame", "12", "-o",
                                      Path("eased.png")})).Status, 0);
  TTransitionRenderer renderer(*From, *To, TTransitionSettings{});
  const std::int32_t expected = renderer.FrameAtProgress(0.5, TEasing::Parse("ease-in"));
  EXPECT_LT(expected, renderer.FrameCount() / 2);
  EXPECT_TRUE(SamePixels(*ReadPng("eased.png"), renderer.Compose(expected)));
}

TEST_F(Commands, FrameAndAtEqualTheSameFrameOfTheFullRun) {
  for (const char* operation : {"Push", "Swarm", "RandomBars"}) {
    const auto base = With(Pictures(), {"--operation", operation, "--seed", "4", "--duration", "1", "--fps", "9",
                                        "--easing", "ease-out", "--hold", "0.25"});
    const std::string pattern = std::string("full-") + operation + "/%d.png";
    ASSERT_EQ(Tweenery(With(base, {"-o", Path(pattern)})).Status, 0);
    // Two frames of hold come first; frame 2 + 4 is the transition's middle.
    ASSERT_EQ(Tweenery(With(base, {"--frame", "6", "-o", Path("frame.png"), "-y"})).Status, 0);
    ASSERT_EQ(Tweenery(With(base, {"--at", "0.5", "-o", Path("at.png"), "-y"})).Status, 0);
    const auto full = ReadPng(Frame(pattern, 6));
    EXPECT_TRUE(SamePixels(*ReadPng("frame.png"), *full)) << operation;
    EXPECT_TRUE(SamePixels(*ReadPng("at.png"), *full)) << operation;
    EXPECT_TRUE(SamePixels(*ReadPng(Frame(pattern, 0)), *ReadPng(Frame(pattern, 2)))) << operation;
  }
}

TEST_F(Commands, OneFrameOfAPlaybackRunOfBillionsOfFramesCostsAboutOneFrame) {
  // Spiral with Delta 46340 ends after 2147395600 frames; a frame of it is
  // written without the run being listed or held to --max-frames.
  const auto run = With(Pictures(), {"--operation", "Spiral", "--delta", "46340", "--steps", "1"});
  const TResult one = Tweenery(With(run, {"--frame", "5", "-o", Path("five.png")}));
  ASSERT_EQ(one.Status, 0) << one.Err;
  TTransitionSettings spiral;
  spiral.Operation = toSpiral;
  spiral.Delta = 46340;
  TTransitionRenderer renderer(*From, *To, spiral);
  EXPECT_TRUE(SamePixels(*ReadPng("five.png"), renderer.Compose(5)));
  ASSERT_EQ(Tweenery(With(run, {"--frame", "2147395600", "-o", Path("last.png")})).Status, 0);
  EXPECT_TRUE(SamePixels(*ReadPng("last.png"), renderer.Compose(2147395600)));
  const TResult past = Tweenery(With(run, {"--frame", "2147395601", "-o", Path("past.png")}));
  EXPECT_EQ(past.Status, 2);
  EXPECT_NE(past.Err.find("frames 0 to 2147395600"), std::string::npos) << past.Err;
  // The whole run is still refused.
  EXPECT_NE(Tweenery(With(run, {"-o", Path("all.y4m")})).Err.find("--max-frames"), std::string::npos);
}

TEST_F(Commands, AShowReadsItsPicturesAsItGoesAndFailsOnTheFirstItCannotRead) {
  WriteFileBytes(Path("cut.png"), {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0});
  const std::vector<std::string> pictures = {"show", Path("from.png"), Path("to.bmp"), Path("from.png")};
  const auto base = With(pictures, {"--duration", "0.2", "--fps", "10", "--hold", "0.1", "-q"});
  // A missing file is found before anything is read or written.
  const TResult missing = Tweenery(With(With(base, {Path("gone.png")}), {"-o", Path("a.y4m")}));
  EXPECT_EQ(missing.Status, 1);
  EXPECT_NE(missing.Err.find("gone.png': no such file"), std::string::npos) << missing.Err;
  // A file that does not decode is found when the run reaches it; what was
  // written before goes.
  const TResult cut = Tweenery(With(With(base, {Path("cut.png")}), {"-o", Path("b.y4m")}));
  EXPECT_EQ(cut.Status, 1);
  EXPECT_NE(cut.Err.find("cannot read '" + Path("cut.png") + "'"), std::string::npos) << cut.Err;
  EXPECT_EQ(FileCount(), 3u);  // from.png, to.bmp, cut.png
  // Read as it goes, a show is the same stream as ever: the built-in holds
  // and transitions, frame for frame.
  ASSERT_EQ(Tweenery(With(base, {"--operation", "Fade,Swarm", "--seed", "3", "-o", Path("c/%02d.png")})).Status, 0);
  TTransitionSettings fade, swarm;
  fade.Operation = toFade;
  fade.Delta = OperationPreset(toFade).Delta.value_or(10);
  swarm.Operation = toSwarm;
  swarm.Delta = OperationPreset(toSwarm).Delta.value_or(10);
  swarm.Seed = 4;
  TTransitionRenderer first(*From, *To, fade), second(*To, *From, swarm);
  EXPECT_TRUE(SamePixels(*ReadPng("c/00.png"), *From));
  EXPECT_TRUE(SamePixels(*ReadPng("c/02.png"), first.Compose(first.FrameAtProgress(1, TEasing::Parse("ease-in-out")))));
  EXPECT_TRUE(SamePixels(*ReadPng("c/04.png"), second.Compose(0)));
  EXPECT_TRUE(SamePixels(*ReadPng("c/05.png"), *From));
  EXPECT_TRUE(SamePixels(*ReadPng("c/06.png"), *From));
  EXPECT_FALSE(fs::exists(Path("c/07.png")));
}

TEST_F(Commands, SeedsReproduceTheRandomOperationsAndDifferentSeedsDiffer) {
  for (const char* operation : {"RandomBars", "TwinRandomBars", "Swarm"}) {
    auto still = [&](const char* seed, const std::string& name) {
      EXPECT_EQ(Tweenery(With(Pictures(), {"--operation", operation, "--seed", seed, "--at", "0.5", "-y", "-o", Path(name)})).Status, 0);
      return ReadPng(name);
    };
    const auto a = still("1", "a.png"), again = still("1", "b.png"), other = still("2", "c.png");
    EXPECT_TRUE(SamePixels(*a, *again)) << operation;
    EXPECT_FALSE(SamePixels(*a, *other)) << operation;
  }
}

TEST_F(Commands, AY4mStreamHasItsHeaderAndEveryFrame) {
  ASSERT_EQ(Tweenery(With(Pictures(), {"--size", "31x17", "--duration", "0.5", "--fps", "20", "-o", Path("out.y4m")})).Status, 0);
  std::ifstream in(Path("out.y4m"), std::ios::binary);
  std::string header;
  std::getline(in, header);
  EXPECT_EQ(header, "YUV4MPEG2 W31 H17 F20:1 Ip A1:1 C420jpeg");
  const std::size_t frame = 6 + 31 * 17 + 2 * 16 * 9;
  EXPECT_EQ(fs::file_size(Path("out.y4m")), header.size() + 1 + 10 * frame);
}

// The stream's samples against the conversion written out per pixel, on a
// size odd both ways (the last column and row stand in for their missing
// neighbours): every frame of the run, from the PNG frames of the same run.
TEST_F(Commands, AY4mStreamHoldsTheFramesInLimitedRangeBT601) {
  const std::vector<std::string> run = {"--size", "31x17", "--operation", "Swarm", "--seed", "3", "--duration", "0.5", "--fps", "20"};
  ASSERT_EQ(Tweenery(With(With(Pictures(), run), {"-o", Path("yuv.y4m")})).Status, 0);
  fs::create_directories(Path("frames"));
  ASSERT_EQ(Tweenery(With(With(Pictures(), run), {"-o", Path("frames/f%04d.png")})).Status, 0);
  std::ifstream in(Path("yuv.y4m"), std::ios::binary);
  std::string line;
  std::getline(in, line);
  const int W = 31, H = 17, cw = 16, ch = 9;
  auto channel = [](std::uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xFF); };
  for (int n = 0; n < 10; ++n) {
    SCOPED_TRACE("frame " + std::to_string(n));
    std::getline(in, line);
    ASSERT_EQ(line, "FRAME");
    std::vector<unsigned char> y(W * H), u(cw * ch), v(cw * ch);
    in.read(reinterpret_cast<char*>(y.data()), y.size());
    in.read(reinterpret_cast<char*>(u.data()), u.size());
    in.read(reinterpret_cast<char*>(v.data()), v.size());
    char name[32];
    std::snprintf(name, sizeof name, "frames/f%04d.png", n);
    const auto frame = ReadPng(name);
    ASSERT_EQ(frame->Width(), W);
    const auto at = [&](int x, int yy) { return frame->ScanLine(std::min(yy, H - 1))[std::min(x, W - 1)]; };
    for (int py = 0; py < H; ++py)
      for (int px = 0; px < W; ++px) {
        const std::uint32_t p = at(px, py);
        ASSERT_EQ(y[py * W + px], ((66 * channel(p, 16) + 129 * channel(p, 8) + 25 * channel(p, 0) + 128) >> 8) + 16)
            << px << "," << py;
      }
    for (int cy = 0; cy < ch; ++cy)
      for (int cx = 0; cx < cw; ++cx) {
        int r = 0, g = 0, b = 0;
        for (const auto [dx, dy] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}}) {
          const std::uint32_t p = at(2 * cx + dx, 2 * cy + dy);
          r += channel(p, 16), g += channel(p, 8), b += channel(p, 0);
        }
        ASSERT_EQ(u[cy * cw + cx], ((-38 * r - 74 * g + 112 * b + 512) >> 10) + 128) << cx << "," << cy;
        ASSERT_EQ(v[cy * cw + cx], ((112 * r - 94 * g - 18 * b + 512) >> 10) + 128) << cx << "," << cy;
      }
  }
}

TEST_F(Commands, AShowOfPicturesOfDifferentSizesHoldsAndJoinsThem) {
  WriteFileBytes(Path("tall.png"), EncodePNG(*test::RandomPicture(9, 30, 3), 1));
  const TResult r = Tweenery({"show", Path("from.png"), Path("tall.png"), Path("to.bmp"), "--size", "24x16", "--hold",
                              "0.5", "--duration", "0.4", "--fps", "10", "--operation", "Push,Fade", "-q", "-o",
                              Path("show.y4m")});
  ASSERT_EQ(r.Status, 0) << r.Err;
  // Three holds of 5 frames and two transitions of 4.
  const std::size_t header = std::string("YUV4MPEG2 W24 H16 F10:1 Ip A1:1 C420jpeg\n").size();
  EXPECT_EQ(fs::file_size(Path("show.y4m")), header + 23 * (6 + 24 * 16 + 2 * 12 * 8));
  EXPECT_EQ(Tweenery({"show", Path("from.png"), "-o", Path("one.y4m")}).Status, 2);
  EXPECT_EQ(Tweenery({"show", Path("from.png"), Path("to.bmp"), "--operation", "Push,Nope", "-o", Path("x.y4m")}).Status, 2);
}

TEST_F(Commands, ExistingOutputIsKeptWithoutYesAndStaleFramesGoWithIt) {
  const auto run = With(Pictures(), {"--duration", "0.2", "--fps", "10"});
  ASSERT_EQ(Tweenery(With(run, {"-o", Path("s/f%03d.png")})).Status, 0);
  WriteFileBytes(Path("s/f099.png"), {'o', 'l', 'd'});
  const TResult refused = Tweenery(With(run, {"-o", Path("s/f%03d.png")}));
  EXPECT_EQ(refused.Status, 1);
  EXPECT_NE(refused.Err.find("use -y"), std::string::npos) << refused.Err;
  ASSERT_EQ(Tweenery(With(run, {"-y", "-o", Path("s/f%03d.png")})).Status, 0);
  EXPECT_FALSE(fs::exists(Path("s/f099.png")));
  EXPECT_TRUE(fs::exists(Path("s/f001.png")));
  ASSERT_EQ(Tweenery(With(run, {"-o", Path("one.png"), "--frame", "0"})).Status, 0);
  EXPECT_EQ(Tweenery(With(run, {"-o", Path("one.png"), "--frame", "0"})).Status, 1);
  for (const auto& entry : fs::recursive_directory_iterator(Folder))
    EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos) << entry.path();
}

TEST_F(Commands, BadRequestsFailClearlyAndWriteNothing) {
  WriteFileBytes(Path("notes.txt"), {'h', 'i'});
  WriteFileBytes(Path("plain-file"), {'x'});
  const auto png = EncodePNG(*From, 1);
  WriteFileBytes(Path("cut.png"), {png.begin(), png.begin() + 50});
  fs::create_directories(Folder / "a-folder.mp4");
  struct TCase {
    std::vector<std::string> Arguments;
    int Status;
    std::string Message;
  };
  const std::string out = Path("out.mp4");
  const std::vector<TCase> cases = {
      {{"render", "--color", "banana", "-o", out}, 2, "unknown colour 'banana'"},
      {{"render", "--steps", "0", "-o", out}, 2, "--steps must be 1 or more"},
      {{"render", "--steps", "-5", "-o", out}, 2, "--steps must be 1 or more"},
      {{"render", "--size", "0x10", "-o", out}, 2, "--size '0x10'"},
      {{"render", "--size", "banana", "-o", out}, 2, "--size"},
      {{"render", "--operation", "Wobble", "-o", out}, 2, "unknown operation 'Wobble'"},
      {{"render", "--modifier", "sideways", "-o", out}, 2, "--modifier 'sideways'"},
      {{"render", "--easing", "bouncy", "-o", out}, 2, "unknown easing 'bouncy'"},
      {{"render", "--fps", "0", "-o", out}, 2, "--fps"},
      {{"render", "--delta", "0", "-o", out}, 2, "--delta"},
      {{"render", "--steps", "2", "--duration", "1", "-o", out}, 2, "not both"},
      {{"render", "--frame", "999", "-o", Path("one.png")}, 2, "--frame 999"},
      {{"render", "--at", "1.5", "-o", Path("one.png")}, 2, "--at"},
      {{"render", "--operation", "Swarm", "--reverse", "--delta", "2000000000", "--steps", "1", "-o", out}, 2, "--max-frames"},
      {{"render", "-o", Path("out.avi")}, 2, "unknown output format"},
      {{"render", "-o", Path("f%d%d.png")}, 2, "one %d"},
      {{"render", "--bogus", "-o", out}, 2, "--bogus"},
      {{"render"}, 2, "--output"},
      {{"render", Path("missing.png"), Path("to.bmp"), "-o", out}, 1, "missing.png': no such file"},
      {{"render", Folder.string(), Path("to.bmp"), "-o", out}, 1, "is a folder"},
      {{"render", Path("notes.txt"), Path("to.bmp"), "-o", out}, 1, "not a Windows bitmap, JPEG, PNG or WebP"},
      {{"render", Path("cut.png"), Path("to.bmp"), "-o", out}, 1, "truncated"},
      {{"render", "-o", Path("a-folder.mp4")}, 1, "it is a folder"},
      {{"render", "-o", Path("plain-file/sub/out.mp4")}, 1, "cannot make the folder"},
      {{"gallery", "-o", Path("plain-file")}, 1, "not a folder"},
  };
  const std::size_t before = FileCount();
  for (const TCase& c : cases) {
    const TResult r = Tweenery(c.Arguments);
    EXPECT_EQ(r.Status, c.Status) << c.Arguments.back() << ": " << r.Err;
    EXPECT_NE(r.Err.find(c.Message), std::string::npos) << "wanted '" << c.Message << "' in: " << r.Err;
    EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 1) << r.Err;
    EXPECT_EQ(FileCount(), before) << c.Arguments.back();
  }
}

TEST_F(Commands, HelpListAndNamesAsPeopleWriteThem) {
  for (const char* command : {"render", "show", "list", "gallery"}) {
    const TResult r = Tweenery({command, "--help"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_NE(r.Out.find("Examples:"), std::string::npos) << command;
  }
  const TResult list = Tweenery({"list", "--size", "64x32"});
  ASSERT_EQ(list.Status, 0) << list.Err;
  EXPECT_TRUE(std::regex_search(list.Out, std::regex("\nPush +Modifier Reverse +65 \\(up, down: 33\\)\n"))) << list.Out;
  EXPECT_TRUE(std::regex_search(list.Out, std::regex("\nRGB +Reverse RGBOrder +[0-9]+\n"))) << list.Out;
  EXPECT_EQ(std::count(list.Out.begin(), list.Out.end(), '\n'), 3 + 28);
  for (const char* name : {"toPush", "PUSH", "push"})
    EXPECT_EQ(Tweenery(With(Pictures(), {"--operation", name, "--color", "#FF8000", "--frame", "0", "-y", "-o", Path("p.png")})).Status, 0);
  EXPECT_EQ(Tweenery(With(Pictures(), {"--color", "clBtnFace", "--frame", "0", "-y", "-o", Path("p.bmp")})).Status, 0);
  EXPECT_EQ(Tweenery(With(Pictures(), {"--color", "White", "--preset", "--operation", "blinds", "-y", "-o", Path("b/%d.bmp")})).Status, 0);
  // Blinds' preset: Delta 15 and Steps 1.
  TTransitionSettings blinds;
  blinds.Operation = toBlinds;
  blinds.Delta = 15;
  TTransitionRenderer renderer(*From, *To, blinds);
  EXPECT_TRUE(fs::exists(Path("b/" + std::to_string(renderer.FrameCount()) + ".bmp")));
  EXPECT_FALSE(fs::exists(Path("b/" + std::to_string(renderer.FrameCount() + 1) + ".bmp")));
}

TEST_F(Commands, TheGalleryPageShowsEveryOperationAndEachImageExists) {
  const TResult r = Tweenery({"gallery", "-q", "-o", Path("gallery")});
  ASSERT_EQ(r.Status, 0) << r.Err;
  std::ifstream page(Path("gallery/index.html"));
  const std::string html((std::istreambuf_iterator<char>(page)), std::istreambuf_iterator<char>());
  std::size_t images = 0;
  const std::regex image("<img src=\"([^\"]+)\"");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), image); it != std::sregex_iterator(); ++it, ++images)
    EXPECT_TRUE(fs::exists(Folder / "gallery" / (*it)[1].str())) << (*it)[1].str();
  EXPECT_EQ(images, 17u * 8 + 11u * 2);
  for (int item = 0; item < OperationItemCount; ++item)
    EXPECT_NE(html.find(std::string("--operation ") + OperationItemText(item)), std::string::npos);
}

TEST_F(Commands, ListingTheLargestFramesNeedsNoFramesComposed) {
  const TResult list = Tweenery({"list", "--size", "16384x16384", "--delta", "46340"});
  ASSERT_EQ(list.Status, 0) << list.Err;
  EXPECT_TRUE(std::regex_search(list.Out, std::regex("\nPush +Modifier Reverse +16385\n"))) << list.Out;
  EXPECT_TRUE(std::regex_search(list.Out, std::regex("\nSpiral +Delta Reverse +2147395600\n"))) << list.Out;
  EXPECT_TRUE(std::regex_search(list.Out, std::regex("\nStripedIris +[A-Za-z ]+ 0\n"))) << list.Out;
}

TEST_F(Commands, VideoSizesAFormatCannotHoldAreRefusedBeforeAnyWork) {
  for (const char* extension : {"mp4", "gif", "webm", "mkv"}) {
    const std::string file = Path(std::string("big.") + extension);
    const TResult r = Tweenery({"render", "--size", "16384x16384", "-o", file});
    EXPECT_EQ(r.Status, 2) << extension << ": " << r.Err;
    EXPECT_NE(r.Err.find("cannot write '" + file + "' at 16384 x 16384: "), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("(width + 128) x (height + 128) is below 268435455, at this width at most 16128 rows"),
              std::string::npos) << r.Err;
    EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 1) << r.Err;
  }
  // A size from the first picture is checked against the encoder's own
  // limit before the second picture is read.
  WriteFileBytes(Path("wide.png"), EncodePNG(*test::RandomPicture(16386, 2, 5), 1));
  const TResult wide = Tweenery({"render", Path("wide.png"), Path("missing.png"), "-o", Path("wide.mp4")});
  EXPECT_EQ(wide.Status, 1) << wide.Err;  // the missing file is named first
  const TResult h264 = Tweenery({"render", Path("wide.png"), Path("wide.png"), "-o", Path("wide.mp4")});
  EXPECT_EQ(h264.Status, 2) << h264.Err;
  EXPECT_NE(h264.Err.find("takes frames of at most"), std::string::npos) << h264.Err;
  EXPECT_NE(h264.Err.find(" pixels a side"), std::string::npos) << h264.Err;
  EXPECT_EQ(FileCount(), 3u);
}

TEST_F(Commands, TheVideoLibrariesSpeakThroughTheToolsMessages) {
  std::ostringstream messages;
  TOutputOptions options;
  options.Name = Path("spoken.mp4");
  options.Messages = &messages;
  {
    auto sink = OpenSink(options, 48, 32, {10, 1}, {});
    av_log(nullptr, AV_LOG_WARNING, "a warning of %d words\n", 5);
    av_log(nullptr, AV_LOG_INFO, "statistics nobody asked for\n");
    av_log(nullptr, AV_LOG_ERROR, "an error in ");
    av_log(nullptr, AV_LOG_ERROR, "two pieces\n");
    av_log(nullptr, AV_LOG_ERROR, "a piece left open");
  }
  av_log(nullptr, AV_LOG_ERROR, "after the sink\n");
  EXPECT_EQ(messages.str(),
            "tweenery: ffmpeg: a warning of 5 words\n"
            "tweenery: ffmpeg: an error in two pieces\n"
            "tweenery: ffmpeg: a piece left open\n");
  EXPECT_FALSE(fs::exists(Path("spoken.mp4")));
  // An ordinary run has nothing to say beyond its summary.
  const TResult r = Tweenery({"render", Path("from.png"), Path("to.bmp"), "--duration", "0.3", "-o", Path("quiet.mp4")});
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 1) << r.Err;
}

// ---------------------------------------------------------------- video, read back by ffprobe

bool HaveFfprobe() { return std::system("ffprobe -version >/dev/null 2>&1") == 0; }

std::string Probe(const std::string& File) {
  const std::string command = "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                              "stream=width,height,nb_read_frames:format=duration -of default=nw=1 '" + File + "'";
  std::string text;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) text += buffer;
    pclose(pipe);
  }
  return text;
}

TEST_F(Commands, FfprobeReadsEveryVideoFormatWithItsSizeFramesAndDuration) {
  if (!HaveFfprobe()) GTEST_SKIP() << "ffprobe is not installed";
  for (const char* extension : {"mp4", "mkv", "mov", "webm", "gif", "apng"}) {
    const std::string file = Path(std::string("out.") + extension);
    const TResult r = Tweenery(With(Pictures(), {"--size", "48x32", "--duration", "1", "--fps", "10", "-o", file}));
    ASSERT_EQ(r.Status, 0) << extension << ": " << r.Err;
    const std::string probe = Probe(file);
    EXPECT_NE(probe.find("width=48\nheight=32\n"), std::string::npos) << extension << ":\n" << probe;
    EXPECT_NE(probe.find("nb_read_frames=10\n"), std::string::npos) << extension << ":\n" << probe;
    const std::smatch duration = [&] {
      std::smatch m;
      std::regex_search(probe, m, std::regex("duration=([0-9.]+)"));
      return m;
    }();
    if (extension == std::string("apng")) continue;  // its container states no duration
    ASSERT_FALSE(duration.empty()) << extension << ":\n" << probe;
    EXPECT_NEAR(std::stod(duration[1]), 1.0, 0.05) << extension;
  }
}

}  // namespace
}  // namespace tweenery
