// show's timing: lists of durations, holds and easings used in turn, and
// the timeline file, parsed line by line and run as a slideshow.
#include "tools/Timeline.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "CommandRunner.h"
#include "TestPictures.h"
#include "media/Errors.h"
#include "media/Png.h"

namespace tweenery {
namespace {

namespace fs = std::filesystem;

using TResult = test::TCommandResult;
constexpr auto Tweenery = test::RunCommand;

// The message ParseTimeline gives for Text, or "" when it takes it.
std::string Refusal(const std::string& Text) {
  try {
    ParseTimeline(Text, "show.txt");
  } catch (const EToolFailure& e) {
    return e.Message();
  }
  return "";
}

TEST(TimelineParser, ReadsEveryFieldAndTakesTheCommandLinesForThoseLeftOut) {
  const std::string text =
      "\xEF\xBB\xBF# holiday\r\n"
      "\r\n"
      "beach.jpg   3   Push  1    ease-in  up   # first\r\n"
      "\t\"my dog \\\"Rex\\\".jpg\"  2.5s  -  0.5s\n"
      "   # a comment of its own\n"
      "/photos/sunset.jpg - Fade - linear\n"
      "#tail.jpg\n"
      "last.png";
  const std::vector<TTimelineItem> items = ParseTimeline(text, "trip/show.txt");
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].Picture, (fs::path("trip") / "beach.jpg").string());
  EXPECT_EQ(items[0].Line, 3);
  EXPECT_EQ(items[0].Hold, 3.0);
  EXPECT_EQ(items[0].Operation, toPush);
  EXPECT_EQ(items[0].Duration, 1.0);
  ASSERT_TRUE(items[0].Easing);
  EXPECT_EQ(items[0].Easing->Text(), TEasing::Parse("ease-in").Text());
  EXPECT_EQ(items[0].Modifier, tmUp);

  EXPECT_EQ(items[1].Picture, (fs::path("trip") / "my dog \"Rex\".jpg").string());
  EXPECT_EQ(items[1].Line, 4);
  EXPECT_EQ(items[1].Hold, 2.5);
  EXPECT_FALSE(items[1].Operation);
  EXPECT_EQ(items[1].Duration, 0.5);
  EXPECT_FALSE(items[1].Easing);
  EXPECT_FALSE(items[1].Modifier);

  // Absolute names stay as written; '-' leaves a field to the command line.
  EXPECT_EQ(items[2].Picture, "/photos/sunset.jpg");
  EXPECT_FALSE(items[2].Hold);
  EXPECT_EQ(items[2].Operation, toFade);
  EXPECT_FALSE(items[2].Duration);
  EXPECT_EQ(items[2].Easing->Text(), "linear");

  EXPECT_EQ(items[3].Picture, (fs::path("trip") / "last.png").string());
  EXPECT_EQ(items[3].Line, 8);
  EXPECT_FALSE(items[3].Hold);
}

TEST(TimelineParser, HostileLinesAreRefusedNamingTheFileTheLineAndTheReason) {
  const std::string last = "\nend.png\n";
  const struct {
    std::string Text, Message;
  } cases[] = {
      {"a.png 1 Pussh" + last, "show.txt:1: unknown operation 'Pussh'"},
      {"a.png 1e400" + last, "show.txt:1: hold '1e400' must be 0 to 3600 seconds"},
      {"a.png 3601" + last, "must be 0 to 3600 seconds"},
      {"a.png -1" + last, "hold '-1' must be 0 to 3600"},
      {"a.png nan" + last, "show.txt:1: hold 'nan' is not a number of seconds"},
      {"a.png inf" + last, "hold 'inf' is not a number"},
      {"a.png 1 Push 0x10" + last, "duration '0x10' is not a number"},
      {"a.png 1 Push 1 ease-sideways" + last, "unknown easing 'ease-sideways'"},
      {"a.png 1 Push 1 cubic-bezier(2,0,0,1)" + last, "unknown easing"},
      {"a.png 1 Push 1 linear sideways" + last, "unknown modifier 'sideways'"},
      {"a.png 1 Push 1 linear up extra" + last, "show.txt:1: 7 fields; a line is PICTURE [HOLD"},
      {"\n\n\"a.png 1" + last, "show.txt:3: a quote is not closed"},
      {"a\"b.png 1" + last, "a quote inside a field"},
      {"\"a.png\"1" + last, "a closing quote must end its field"},
      {"\"\" 1" + last, "the picture's name is empty"},
      {"- 1" + last, "not '-'"},
      {std::string("a.png\0 1", 8) + last, "show.txt:1: byte 0x00 at column 6"},
      {"a.png\x1b[31m" + last, "byte 0x1B at column 6"},
      {"a.png " + std::string(10000, 'x') + last, "show.txt:1: the line is 10006 bytes long"},
      {"", "show.txt: a timeline names two or more pictures"},
      {"# nothing\n\n  \n", "this one names 0"},
      {"only.png 2\n", "this one names 1"},
      {"a.png 1 Push\nb.png 1 Fade\n", "show.txt:2: the last picture has no next one"},
  };
  for (const auto& c : cases) {
    const std::string message = Refusal(c.Text);
    EXPECT_NE(message.find(c.Message), std::string::npos) << "text: " << c.Text.substr(0, 80) << "\nmessage: " << message;
  }
  // What a message quotes from the file is cut short.
  EXPECT_LT(Refusal("a.png 1 " + std::string(5000, 'P') + last).size(), 200u);
}

TEST(TimelineParser, TheDocumentedExampleIsATimelineOfTheDemoPictures) {
  const std::string example = std::string(TWEENERY_TEST_DATA) + "/../../docs/examples/timeline/show.txt";
  const std::vector<TTimelineItem> items = ReadTimeline(example);
  ASSERT_EQ(items.size(), 5u);
  for (const TTimelineItem& item : items) EXPECT_TRUE(fs::is_regular_file(item.Picture)) << item.Picture;
  EXPECT_EQ(items[1].Operation, toIris);
  EXPECT_FALSE(items[3].Hold);
}

TEST(TimelineParser, ArbitraryBytesAreTakenOrRefusedWithAPlaceNeverOtherwise) {
  // Lines made of the bytes the parser treats specially, and any others.
  const std::string special = " \t\"\\#-\r\n,()s.0123456789eE+\x00\x7f\xef\xbb\xbfPushFadeup";
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int length = static_cast<int>(random() % 120);
    for (int i = 0; i < length; ++i)
      text += random() % 4 ? special[random() % special.size()] : static_cast<char>(random() % 256);
    try {
      const std::vector<TTimelineItem> items = ParseTimeline(text, "show.txt");
      EXPECT_GE(items.size(), 2u);
      for (const TTimelineItem& item : items) EXPECT_FALSE(item.Picture.empty());
    } catch (const EToolFailure& e) {
      EXPECT_EQ(e.Message().rfind("show.txt", 0), 0u) << e.Message();
    }
  }
}

class TimelineRuns : public test::TFolderTest {
 protected:
  // Four one-colour pictures, told apart by the letter of their colour.
  void SetUp() override {
    TFolderTest::SetUp();
    for (const auto& [letter, color] : kColors)
      WriteFileBytes(Path(std::string(1, letter) + ".png"), EncodePNG(*test::SolidPicture(8, 6, color), 1));
  }
  // Each frame of the folder's PNG frames as a letter: the picture it
  // shows whole, or '~' for a frame of a transition between two.
  std::string Story(const std::string& Frames) const {
    std::string story;
    for (int i = 0;; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "/%03d.png", i);
      const std::string file = Path(Frames) + name;
      if (!fs::exists(file)) return story;
      TBitmap frame;
      const auto bytes = ReadFileBytes(file);
      DecodePNG(bytes.data(), bytes.size(), frame);
      story += LetterOf(frame);
    }
  }
  void WriteText(const std::string& Name, const std::string& Text) const {
    fs::create_directories(fs::path(Path(Name)).parent_path());
    std::ofstream(Path(Name), std::ios::binary) << Text;
  }

  static constexpr std::pair<char, TColor> kColors[] = {{'R', clRed}, {'G', clLime}, {'B', clBlue}, {'Y', clYellow}};

 private:
  static char LetterOf(const TBitmap& Frame) {
    for (const auto& [letter, color] : kColors) {
      const std::unique_ptr<TBitmap> picture = test::SolidPicture(Frame.Width(), Frame.Height(), color);
      bool same = true;
      for (int y = 0; y < Frame.Height() && same; ++y)
        for (int x = 0; x < Frame.Width() && same; ++x) same = test::PixelAt(Frame, x, y) == test::PixelAt(*picture, x, y);
      if (same) return letter;
    }
    return '~';
  }
};

// A hold of N frames of picture P.
std::string Held(char Picture, int Frames) { return std::string(static_cast<std::size_t>(Frames), Picture); }

TEST_F(TimelineRuns, ListsOfDurationsHoldsAndEasingsAreUsedInTurnAndRepeat) {
  // Four pictures, three transitions: durations 0.5, 0.2, 0.5 s and holds
  // 0.2, 0.1, 0.2, 0.1 s at 10 fps; the easings' commas inside their
  // parentheses stay theirs. A Push run starts on its From picture whole
  // and ends on its To picture whole.
  const TResult r = Tweenery({"show", Path("R.png"), Path("G.png"), Path("B.png"), Path("Y.png"), "--operation", "Push",
                              "--duration", "0.5,0.2", "--hold", "0.2,0.1", "--easing",
                              "linear,cubic-bezier(0.4, 0, 0.2, 1)", "--fps", "10", "-q", "-o", Path("f/%03d.png")});
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(Story("f"), Held('R', 2) + "R~~~G" + Held('G', 1) + "GB" + Held('B', 2) + "B~~~Y" + Held('Y', 1));
}

TEST(TimelineCommand, BadListsAreUsageErrorsNamingTheOption) {
  const struct {
    std::vector<std::string> Options;
    std::string Message;
  } cases[] = {
      {{"--duration", "1,x"}, "--duration"},
      {{"--duration", "1,"}, "--duration"},
      {{"--hold", "2,nan"}, "--hold"},
      {{"--duration", "0.5,0.01"}, "--duration is shorter than one frame"},
      {{"--easing", "linear,wobbly"}, "--easing"},
      {{"--operation", "Push,,Fade"}, "unknown operation ''"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> arguments = {"show", "a.png", "b.png", "-o", "never.y4m"};
    arguments.insert(arguments.end(), c.Options.begin(), c.Options.end());
    const TResult r = Tweenery(arguments);
    EXPECT_EQ(r.Status, 2) << c.Options[1];
    EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
  }
  EXPECT_FALSE(fs::exists("never.y4m"));
}

TEST_F(TimelineRuns, ATimelineGivesEachPictureItsHoldAndEachTransitionItsTiming) {
  // Names are the timeline's folder's; what a line leaves out is the
  // command line's (holds 0.3 s, Roll over 0.4 s).
  WriteText("album/show.txt",
            "# picture  hold  operation  duration\n"
            "../R.png   0.1   -          0.2\n"
            "\n"
            "../G.png   -     Push       -      linear  up\n"
            "\"../B.png\" 0.2\n");
  const TResult r = Tweenery({"show", "--timeline", Path("album/show.txt"), "--operation", "Roll", "--hold", "0.3",
                              "--duration", "0.4", "--fps", "10", "-v", "-o", Path("f/%03d.png")});
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(Story("f"), Held('R', 1) + "RG" + Held('G', 3) + "G~~B" + Held('B', 2));
  EXPECT_NE(r.Err.find("R.png held 1 frame -> "), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("G.png: Roll left, 2 frames"), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("B.png: Push up, 4 frames linear"), std::string::npos) << r.Err;
}

TEST_F(TimelineRuns, ATimelineItCannotTakeIsAnInputErrorAndNothingIsWritten) {
  WriteText("bad.txt", Path("R.png") + " 1 Push\n" + Path("G.png") + " 1 Pussh\n" + Path("B.png") + "\n");
  const TResult bad = Tweenery({"show", "--timeline", Path("bad.txt"), "-q", "-o", Path("out.y4m")});
  EXPECT_EQ(bad.Status, 1);
  EXPECT_NE(bad.Err.find(Path("bad.txt") + ":2: unknown operation 'Pussh'"), std::string::npos) << bad.Err;
  // A duration too short for --fps is the command's to mend: a usage error,
  // still naming the line.
  WriteText("short.txt", Path("R.png") + " 1 Push 0.01\n" + Path("G.png") + "\n");
  const TResult tooShort = Tweenery({"show", "--timeline", Path("short.txt"), "-q", "-o", Path("out.y4m")});
  EXPECT_EQ(tooShort.Status, 2);
  EXPECT_NE(tooShort.Err.find(Path("short.txt") + ":1: the duration is shorter than one frame"), std::string::npos)
      << tooShort.Err;
  const TResult missing = Tweenery({"show", "--timeline", Path("gone.txt"), "-q", "-o", Path("out.y4m")});
  EXPECT_EQ(missing.Status, 1);
  EXPECT_NE(missing.Err.find("cannot read '" + Path("gone.txt") + "': no such file"), std::string::npos) << missing.Err;
  const TResult folder = Tweenery({"show", "--timeline", Folder.string(), "-q", "-o", Path("out.y4m")});
  EXPECT_EQ(folder.Status, 1);
  WriteText("huge.txt", std::string(2 << 20, '#'));
  EXPECT_NE(Tweenery({"show", "--timeline", Path("huge.txt"), "-o", Path("out.y4m")}).Err.find("too large"),
            std::string::npos);
  const TResult both = Tweenery({"show", Path("R.png"), "--timeline", Path("short.txt"), "-q", "-o", Path("out.y4m")});
  EXPECT_EQ(both.Status, 2);
  EXPECT_NE(both.Err.find("not both"), std::string::npos) << both.Err;
  EXPECT_FALSE(fs::exists(Path("out.y4m")));
}

}  // namespace
}  // namespace tweenery
