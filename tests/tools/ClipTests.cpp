// Clips as inputs: joined with a transition over the end of one and the
// start of the next, sound crossfaded with equal power and kept in step
// with the frames, pictures and clips mixed, music laid under a slideshow.
// The clips are made at test time by the ffmpeg program; without it the
// tests are skipped.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "CommandRunner.h"
#include "media/Clips.h"

namespace tweenery {
namespace {

namespace fs = std::filesystem;

bool HaveFfmpeg() {
  static const bool have = std::system("ffmpeg -version >/dev/null 2>&1 && ffprobe -version >/dev/null 2>&1") == 0;
  return have;
}

std::string Captured(const std::string& Command) {
  std::string out;
  if (FILE* pipe = popen(Command.c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
  }
  return out;
}

// Per stream type ("video", "audio"): its start time and duration, as
// ffprobe reads them.
struct TStreamTimes {
  double Start = NAN, Duration = NAN;
};
std::map<std::string, TStreamTimes> StreamTimes(const std::string& File) {
  std::map<std::string, TStreamTimes> streams;
  const std::string text =
      Captured("ffprobe -v error -show_entries stream=codec_type,start_time,duration -of csv=p=0 '" + File + "'");
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string type, start, duration;
    std::getline(fields, type, ',');
    std::getline(fields, start, ',');
    std::getline(fields, duration, ',');
    streams[type] = {std::atof(start.c_str()), std::atof(duration.c_str())};
  }
  return streams;
}

// Level in dB of each 100 ms of a file's sound, read back through our own
// reader.
std::vector<double> Levels(const std::string& File, double Seconds) {
  TClipSound sound(File);
  std::vector<double> levels;
  std::vector<float> block(kSoundRate / 10 * kSoundChannels);
  for (int i = 0; i < static_cast<int>(std::lround(Seconds * 10)); ++i) {
    sound.Read(block.data(), kSoundRate / 10);
    double sum = 0;
    for (float s : block) sum += double{s} * s;
    levels.push_back(10 * std::log10(sum / block.size() + 1e-12));
  }
  return levels;
}

std::unique_ptr<TBitmap> Copy(const TBitmap& Picture) {
  auto copy = std::make_unique<TBitmap>();
  copy->Assign(&Picture);
  return copy;
}

double MeanDifference(const TBitmap& A, const TBitmap& B) {
  double sum = 0;
  for (int y = 0; y < A.Height(); ++y)
    for (int x = 0; x < A.Width(); ++x)
      for (int shift : {0, 8, 16})
        sum += std::abs(static_cast<int>((A.ScanLine(y)[x] >> shift) & 0xFF) - static_cast<int>((B.ScanLine(y)[x] >> shift) & 0xFF));
  return sum / (3.0 * A.Width() * A.Height());
}

class Clips : public test::TFolderTest {
 protected:
  void SetUp() override {
    TFolderTest::SetUp();
    if (!HaveFfmpeg()) GTEST_SKIP() << "the ffmpeg program is not installed";
  }
  // A clip of a test pattern with, where Sound is given, that lavfi source
  // as its sound.
  std::string MakeClip(const std::string& Name, const std::string& Video, const std::string& Sound = "",
                       const std::string& More = "") const {
    std::string command = "ffmpeg -v error -y -f lavfi -i " + Video;
    if (!Sound.empty()) command += " -f lavfi -i " + Sound + " -shortest -c:a aac";
    command += " -c:v libx264 -preset ultrafast " + More + " '" + Path(Name) + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return Path(Name);
  }
  std::string NoiseClip(const std::string& Name, const std::string& Size, int Rate, int Seed) const {
    return MakeClip(Name, "testsrc2=size=" + Size + ":rate=" + std::to_string(Rate) + ":duration=3",
                    "anoisesrc=color=white:amplitude=0.25:seed=" + std::to_string(Seed) + ":duration=3");
  }
};

TEST_F(Clips, TwoClipsWithSoundJoinOverTheirEndAndStart) {
  const std::string a = NoiseClip("a.mp4", "160x90", 25, 1), b = NoiseClip("b.mov", "120x90", 30, 2);
  const test::TCommandResult run = test::RunCommand({"render", a, b, "--duration", "1", "-q", "-o", Path("out.mp4")});
  ASSERT_EQ(run.Status, 0) << run.Err;

  // Five seconds at A's size and rate, sound and frames in step.
  std::map<std::string, TStreamTimes> streams = StreamTimes(Path("out.mp4"));
  ASSERT_EQ(streams.count("video"), 1u);
  ASSERT_EQ(streams.count("audio"), 1u);
  const double frame = 1.0 / 25;
  EXPECT_NEAR(streams["video"].Duration, 5.0, frame);
  EXPECT_NEAR(streams["audio"].Duration, streams["video"].Duration, frame);
  EXPECT_NEAR(streams["audio"].Start, streams["video"].Start, frame);
  const TClipInfo info = ReadClipInfo(Path("out.mp4"));
  EXPECT_EQ(info.Width, 160);
  EXPECT_EQ(info.Height, 90);
  EXPECT_EQ(info.Rate.Num, 25 * info.Rate.Den);

  // The transition's middle frame (2.5 s) shows neither clip as it is at
  // that moment.
  TClipFrames out(Path("out.mp4"), 160, 90, TFit::Stretch, clBlack, {25, 1});
  TClipFrames fromA(a, 160, 90, TFit::Contain, clBlack, {25, 1});
  TClipFrames fromB(b, 160, 90, TFit::Contain, clBlack, {25, 1});
  const auto middle = Copy(out.Frame(62));
  EXPECT_GT(MeanDifference(*middle, fromA.Frame(62)), 20);
  EXPECT_EQ(fromA.Frame(62).ScanLine(45)[80] >> 24, 0xFFu);  // opaque, as every picture of a run
  EXPECT_GT(MeanDifference(*middle, fromB.Frame(12)), 20);
  // Before the transition the output is A; after it, B.
  EXPECT_LT(MeanDifference(out.Frame(87), fromB.Frame(37)), 8);

  // Two uncorrelated noises crossfaded with equal power keep their level.
  const std::vector<double> levels = Levels(Path("out.mp4"), 5);
  const double before = levels[10], after = levels[40];
  EXPECT_NEAR(before, after, 1.5);
  for (int i = 15; i <= 35; ++i) EXPECT_GT(levels[i], std::min(before, after) - 3) << "at " << i / 10.0 << " s";
}

TEST_F(Clips, OffsetMovesTheTransitionWithinTheFirstClip) {
  const std::string a = NoiseClip("a.mkv", "160x90", 25, 1), b = NoiseClip("b.mp4", "160x90", 25, 2);
  ASSERT_EQ(test::RunCommand({"render", a, b, "--duration", "1", "--offset", "0.5", "-q", "-o", Path("out.mp4")}).Status, 0);
  EXPECT_NEAR(StreamTimes(Path("out.mp4"))["video"].Duration, 3.5, 0.04);
  // Past the clip's end there is no room for the transition.
  const test::TCommandResult late =
      test::RunCommand({"render", a, b, "--duration", "1", "--offset", "2.5", "-q", "-o", Path("late.mp4")});
  EXPECT_EQ(late.Status, 2);
  EXPECT_NE(late.Err.find("a.mkv"), std::string::npos) << late.Err;
}

TEST_F(Clips, PicturesAndClipsMix) {
  const std::string clip = NoiseClip("clip.mp4", "160x90", 25, 1);
  WritePictures(TBitmap(80, 80), TBitmap(320, 100));
  // A picture held, then the transition into the clip, then the clip.
  ASSERT_EQ(test::RunCommand({"render", Path("from.png"), clip, "--hold", "1", "--duration", "1", "-q", "-o",
                              Path("render.mp4")}).Status, 0);
  EXPECT_NEAR(StreamTimes(Path("render.mp4"))["video"].Duration, 4.0, 0.04);
  // A slideshow: the pictures held 0.5 s besides their transitions, the
  // clip played whole under both; the size is the clip's.
  const test::TCommandResult show = test::RunCommand({"show", Path("from.png"), clip, Path("to.bmp"), "--hold", "0.5",
                                                      "--duration", "1", "-q", "-o", Path("show.mp4")});
  ASSERT_EQ(show.Status, 0) << show.Err;
  std::map<std::string, TStreamTimes> streams = StreamTimes(Path("show.mp4"));
  EXPECT_NEAR(streams["video"].Duration, 0.5 + 3 + 0.5, 0.08);
  EXPECT_NEAR(streams["audio"].Duration, streams["video"].Duration, 0.04);
  EXPECT_EQ(ReadClipInfo(Path("show.mp4")).Width, 160);
  // Frames and a GIF take clips too; they carry no sound.
  EXPECT_EQ(test::RunCommand({"render", clip, Path("to.bmp"), "--duration", "0.2", "-q", "-o", Path("f/%03d.png")}).Status, 0);
  EXPECT_EQ(std::distance(fs::directory_iterator(Folder / "f"), fs::directory_iterator()), 75);
}

TEST_F(Clips, AClipShorterThanItsTransitionIsRefusedByName) {
  const std::string a = NoiseClip("a.mp4", "160x90", 25, 1);
  const std::string brief = MakeClip("brief.mkv", "testsrc=size=160x90:rate=25:duration=0.4");
  const test::TCommandResult run = test::RunCommand({"render", a, brief, "--duration", "1", "-o", Path("out.mp4")});
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Err.find("brief.mkv"), std::string::npos) << run.Err;
  EXPECT_NE(run.Err.find("shorter"), std::string::npos) << run.Err;
  EXPECT_FALSE(fs::exists(Path("out.mp4")));
  for (const auto& entry : fs::directory_iterator(Folder))
    EXPECT_EQ(entry.path().filename().string().find(".tweenery-"), std::string::npos) << entry.path();
}

TEST_F(Clips, ABrokenClipIsRefusedByNameAndNotTakenForAPicture) {
  const std::string whole = NoiseClip("whole.mp4", "160x90", 25, 1);
  // The first bytes of an MP4 whose index is at its end.
  std::string bytes(3000, '\0');
  {
    std::FILE* in = std::fopen(whole.c_str(), "rb");
    ASSERT_NE(in, nullptr);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), in));
    std::fclose(in);
  }
  WriteFileBytes(Path("broken.mp4"), std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  const test::TCommandResult run = test::RunCommand({"render", whole, Path("broken.mp4"), "-o", Path("out.mp4")});
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Err.find("broken.mp4"), std::string::npos) << run.Err;
  EXPECT_EQ(run.Err.find("picture"), std::string::npos) << run.Err;
  EXPECT_FALSE(fs::exists(Path("out.mp4")));
}

TEST_F(Clips, AClipWithoutSoundCountsAsSilence) {
  const std::string silent = MakeClip("silent.mp4", "testsrc=size=160x90:rate=25:duration=3");
  const std::string loud = NoiseClip("loud.mp4", "160x90", 25, 3);
  ASSERT_EQ(test::RunCommand({"render", silent, loud, "--duration", "1", "-q", "-o", Path("out.mkv")}).Status, 0);
  std::map<std::string, TStreamTimes> streams = StreamTimes(Path("out.mkv"));
  ASSERT_EQ(streams.count("audio"), 1u);
  const std::vector<double> levels = Levels(Path("out.mkv"), 5);
  EXPECT_LT(levels[10], -60);
  EXPECT_GT(levels[40], -30);
  // The sound rises through the transition.
  EXPECT_LT(levels[21], levels[29]);
}

TEST_F(Clips, MusicUnderASlideshowIsCutToItAndFadesOut) {
  WritePictures(TBitmap(80, 60), TBitmap(80, 60));
  const std::string music = Path("music.mka");
  ASSERT_EQ(std::system(("ffmpeg -v error -y -f lavfi -i sine=frequency=440:sample_rate=44100:duration=10 -c:a aac '" +
                         music + "'").c_str()), 0);
  const test::TCommandResult run =
      test::RunCommand({"show", Path("from.png"), Path("to.bmp"), "--hold", "1", "--duration", "1", "--fps", "25",
                        "--audio", music, "--audio-fade", "1", "-q", "-o", Path("show.mp4")});
  ASSERT_EQ(run.Status, 0) << run.Err;
  std::map<std::string, TStreamTimes> streams = StreamTimes(Path("show.mp4"));
  EXPECT_NEAR(streams["video"].Duration, 3.0, 0.04);
  EXPECT_NEAR(streams["audio"].Duration, 3.0, 0.04);
  const std::vector<double> levels = Levels(Path("show.mp4"), 3);
  // A full sine until the fade, about half its amplitude (-6 dB) half-way
  // through the fade, near silence at the end.
  EXPECT_NEAR(levels[10], levels[5], 0.5);
  EXPECT_NEAR(levels[25], levels[5] - 7.5, 2.5);
  EXPECT_LT(levels[29], levels[5] - 20);
  // A GIF cannot carry it.
  EXPECT_EQ(test::RunCommand({"show", Path("from.png"), Path("to.bmp"), "--audio", music, "-q", "-o", Path("show.gif")})
                .Status,
            2);
}

TEST_F(Clips, RotatedAndVariableRateClipsAreShownAsPlayersShowThem) {
  MakeClip("upright.mp4", "testsrc=size=160x90:rate=25:duration=2");
  const std::string turned = Path("turned.mp4");
  ASSERT_EQ(std::system(("ffmpeg -v error -y -i '" + Path("upright.mp4") + "' -c copy -metadata:s:v:0 rotate=90 '" +
                         turned + "'").c_str()), 0);
  const TClipInfo info = ReadClipInfo(turned);
  EXPECT_EQ(info.Width, 90);
  EXPECT_EQ(info.Height, 160);
  // Frames at 10 fps for a second, then at 50: resampled by their times to
  // 25 fps, the first second repeats each of its frames.
  const std::string varying = MakeClip("varying.mkv", "testsrc=size=160x90:rate=50:duration=2", "",
                                       "-vf \"select='if(lt(t,1),not(mod(n,5)),1)'\" -fps_mode vfr");
  TClipFrames frames(varying, 160, 90, TFit::Stretch, clBlack, {25, 1});
  EXPECT_EQ(frames.FrameCount(), 50);
  const auto first = Copy(frames.Frame(0));
  EXPECT_EQ(MeanDifference(*first, frames.Frame(1)), 0);
  EXPECT_GT(MeanDifference(*first, frames.Frame(3)), 0.1);
  const auto late = Copy(frames.Frame(30));
  EXPECT_GT(MeanDifference(*late, frames.Frame(31)), 0.1);
  ASSERT_EQ(test::RunCommand({"render", turned, varying, "--duration", "1", "-q", "-o", Path("out.mp4")}).Status, 0);
  EXPECT_EQ(ReadClipInfo(Path("out.mp4")).Width, 90);
}

}  // namespace
}  // namespace tweenery
