// Effects draw each pixel once where the frame and both pictures are of one
// size, and fall back on a background copy with pieces over it otherwise.
// The two must agree: the same effect call with the leaving picture one
// pixel wider and taller (its extra pixels never land in the frame, since
// the leaving picture is only ever copied in place) takes the plain path
// and must give the same frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "EffectHarness.h"
#include "platform/Random.h"

namespace tweenery::test {
namespace {

struct TPathCase {
  const char* Name;
  TFXFunction Forward, Reverse;
  bool ReverseSwapsPictures;  // whether Reverse makes To the leaving picture
};

const TPathCase kCases[] = {
    {"Blinds", FXBlinds, FXBlinds, true},
    {"Checkerboard", FXCheckerboard, FXCheckerboard, false},
    {"Iris", FXIris, FXIris, true},
    {"MonoSlider", FXMonoSlider, FXReverseMonoSlider, false},
    {"Slider", FXSlider, FXReverseSlider, false},
    {"Strip", FXStrip, FXStrip, true},
    {"Glide", FXGlide, FXReverseGlide, false},
    {"Roll", FXRoll, FXRoll, false},
    {"Swarm", FXSwarm, FXReverseSwarm, false},
    {"CheckerBlinds", FXCheckerBlinds, FXCheckerBlinds, true},
    {"Spiral", FXSpiral, FXSpiral, true},
    {"Push", FXPush, FXPush, true},
    {"MonoReveal", FXMonoReveal, FXReverseMonoReveal, false},
    {"Reveal", FXReveal, FXReverseReveal, false},
    {"Crush", FXCrush, FXReverseCrush, false},
};

// The picture with one more column and row of noise.
std::unique_ptr<TBitmap> Enlarged(const TBitmap& Picture, std::uint32_t Seed) {
  auto bigger = RandomPicture(Picture.Width() + 1, Picture.Height() + 1, Seed);
  for (int y = 0; y < Picture.Height(); ++y)
    for (int x = 0; x < Picture.Width(); ++x) bigger->ScanLine(y)[x] = Picture.ScanLine(y)[x];
  return bigger;
}

// The effect drawn over a frame of W x H holding Litter.
std::unique_ptr<TBitmap> Draw(TFXFunction Effect, TBitmap* From, TBitmap* To, const TBitmap& Litter,
                              TFXParams Params, bool& Finished) {
  auto frame = std::make_unique<TBitmap>();
  frame->Assign(&Litter);
  Params.FrameRect = Rect(0, 0, Litter.Width(), Litter.Height());
  Finished = Effect(From, To, frame.get(), Params);
  return frame;
}

TEST(OneSizePaths, FramesMatchThePlainPathWithALargerLeavingPicture) {
  std::mt19937 random(20261208u);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  for (int trial = 0; trial < 4000; ++trial) {
    const TPathCase& k = kCases[pick(0, static_cast<int>(std::size(kCases)) - 1)];
    const int W = pick(1, 40), H = pick(1, 40);
    const auto modifier = static_cast<TTransitionModifier>(pick(0, 3));
    const bool reverse = pick(0, 1) == 1;
    const std::int32_t delta = pick(0, 4) == 0 ? pick(-1, 1) : pick(1, 16);
    const std::int32_t frame = pick(0, 3 * std::max(W, H) + 20);
    SCOPED_TRACE(testing::Message() << k.Name << " " << W << "x" << H << " modifier " << static_cast<int>(modifier)
                                    << " reverse " << reverse << " delta " << delta << " frame " << frame);
    auto from = RandomPicture(W, H, random()), to = RandomPicture(W, H, random());
    auto litter = RandomPicture(W, H, random());
    const bool toLeaves = reverse && k.ReverseSwapsPictures;
    auto bigger = Enlarged(toLeaves ? *to : *from, random());
    const TFXFunction effect = reverse ? k.Reverse : k.Forward;
    const TFXParams params = MakeParams(frame, modifier, reverse, delta);

    const std::int32_t seed = pick(0, 1 << 20);
    bool fastFinished = false, plainFinished = false;
    SetRandSeed(seed);
    auto fast = Draw(effect, from.get(), to.get(), *litter, params, fastFinished);
    SetRandSeed(seed);
    auto plain = toLeaves ? Draw(effect, from.get(), bigger.get(), *litter, params, plainFinished)
                          : Draw(effect, bigger.get(), to.get(), *litter, params, plainFinished);
    EXPECT_EQ(fastFinished, plainFinished);
    ASSERT_EQ(fast->Width(), plain->Width());
    ASSERT_EQ(fast->Height(), plain->Height());
    ASSERT_EQ(FirstMismatch(*fast, [&](int x, int y) { return PixelAt(*plain, x, y); }), "");
  }
}

// Frames too large for the caches lay their rows with streaming stores, a
// row's pieces through one writer, and ask for the pictures' pieces rows
// ahead; the plain path must still agree, at the start, the middle and the
// end of each motion.
TEST(OneSizePaths, StreamedFramesMatchThePlainPath) {
  const int W = 2048, H = 2048;
  ASSERT_TRUE(StreamsRows(W, H));
  std::mt19937 random(20261210u);
  auto from = RandomPicture(W, H, random()), to = RandomPicture(W, H, random());
  auto litter = RandomPicture(W, H, random());
  auto biggerFrom = Enlarged(*from, random()), biggerTo = Enlarged(*to, random());
  for (const char* name : {"Push", "MonoReveal", "Reveal", "Crush", "Glide", "Iris", "MonoSlider", "Roll"}) {
    const TPathCase& k = *std::find_if(std::begin(kCases), std::end(kCases),
                                       [&](const TPathCase& c) { return std::string(c.Name) == name; });
    for (const auto modifier : {tmLeft, tmRight})
      for (const std::int32_t frame : {1, 517, 1023, 2047}) {
        const bool reverse = frame % 2 == 1;
        SCOPED_TRACE(testing::Message() << name << " modifier " << static_cast<int>(modifier) << " frame " << frame
                                        << " reverse " << reverse);
        const bool toLeaves = reverse && k.ReverseSwapsPictures;
        const TFXFunction effect = reverse ? k.Reverse : k.Forward;
        const TFXParams params = MakeParams(frame, modifier, reverse, 8);
        bool fastFinished = false, plainFinished = false;
        auto fast = Draw(effect, from.get(), to.get(), *litter, params, fastFinished);
        auto plain = toLeaves ? Draw(effect, from.get(), biggerTo.get(), *litter, params, plainFinished)
                              : Draw(effect, biggerFrom.get(), to.get(), *litter, params, plainFinished);
        EXPECT_EQ(fastFinished, plainFinished);
        ASSERT_EQ(std::memcmp(fast->Bits(), plain->Bits(), std::size_t{W} * H * 4), 0);
      }
  }
}

}  // namespace
}  // namespace tweenery::test
