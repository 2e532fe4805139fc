// The colour mixes straight on the 32-bit rows, with the processor's kernels
// and with the portable loops, against the same mixes through the 24-bit
// pixel buffers: seeded random pictures, sizes and parameters, every frame
// number at and around each stage edge, and every frame compared whole.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "EffectHarness.h"
#include "tweenkit/effects/MixRows.h"
#include "tweenkit/effects/PixelMix.h"

namespace tweenery::test {
namespace {

using TRoutedEffect = bool (*)(TBitmap*, TBitmap*, TBitmap*, const TFXParams&, fx::TMixRoute);

struct TMix {
  const char* Name;
  TRoutedEffect Effect;
  std::vector<int> Frames;  // the edges of its stages, and past its ends
};

const TMix Mixes[] = {
    {"Fade", fx::Fade, {-1, 0, 1, 2, 127, 128, 254, 255, 256, 257, 383, 509, 510, 511, 512, INT_MAX}},
    {"Blend", fx::Blend, {-1, 0, 1, 2, 127, 128, 253, 254, 255, 256, INT_MAX}},
    {"RGB", fx::RGB, {-1, 0, 1, 2, 3, 4, 5, 6, 7, INT_MAX}},
    {"RGBBlend", fx::RGBBlend, {-1, 0, 1, 2, 3, 4, INT_MAX}},
};

// Random colours and random top bytes: a top byte must never reach a
// colour channel, and every pixel written must come out opaque.
std::unique_ptr<TBitmap> Litter(int Width, int Height, std::mt19937& Random) {
  auto bitmap = std::make_unique<TBitmap>(Width, Height);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) bitmap->ScanLine(y)[x] = static_cast<std::uint32_t>(Random());
  return bitmap;
}

std::unique_ptr<TBitmap> CopyOf(const TBitmap& Bitmap) {
  auto copy = std::make_unique<TBitmap>();
  copy->Assign(&Bitmap);
  return copy;
}

// Widths around the eight-pixel vectors (below, at and past one, odd ones)
// and a few larger ones.
int RandomExtent(std::mt19937& Random) {
  static const int extents[] = {1, 1, 2, 3, 5, 7, 8, 9, 15, 16, 17, 23, 31, 33, 64, 67};
  return extents[Random() % std::size(extents)];
}

TColor RandomColor(std::mt19937& Random) {
  static const TColor colors[] = {clBlack, clWhite, clBtnFace, clBtnShadow, 0x000001, 0xFEFFFF};
  return Random() % 2 ? colors[Random() % std::size(colors)] : static_cast<TColor>(Random() & 0xFFFFFF);
}

// Where the frame lies: its own bitmap (of any size, full of litter), or
// one of the two pictures, as a caller may pass them.
enum TFramePlace { fpOwn, fpFrom, fpTo };

struct TCase {
  int FromWidth, FromHeight, ToWidth, ToHeight, FrameWidth, FrameHeight;
  TFramePlace Place;
  TFXParams Params;
  std::uint32_t Seed;
};

std::string Describe(const TMix& Mix, const TCase& Case) {
  return std::string(Mix.Name) + " from " + std::to_string(Case.FromWidth) + "x" + std::to_string(Case.FromHeight) +
         " to " + std::to_string(Case.ToWidth) + "x" + std::to_string(Case.ToHeight) + " frame " +
         std::to_string(Case.FrameWidth) + "x" + std::to_string(Case.FrameHeight) + " place " +
         std::to_string(Case.Place) + " CF " + std::to_string(Case.Params.CurrentFrame) +
         (Case.Params.Reverse ? " reverse" : "") + " order " + std::to_string(Case.Params.RGBOrder) + " color " +
         std::to_string(Case.Params.Color);
}

// One call on fresh copies of the case's pictures; what it drew, whether it
// finished, and how often the frame announced a change.
struct TOutcome {
  std::unique_ptr<TBitmap> Frame;
  bool Finished = false;
  int Changes = 0;
};

TOutcome Run(const TMix& Mix, const TCase& Case, fx::TMixRoute Route) {
  std::mt19937 random(Case.Seed);
  auto from = Litter(Case.FromWidth, Case.FromHeight, random);
  auto to = Litter(Case.ToWidth, Case.ToHeight, random);
  auto own = Litter(Case.FrameWidth, Case.FrameHeight, random);
  TBitmap* frame = Case.Place == fpFrom ? from.get() : Case.Place == fpTo ? to.get() : own.get();
  TOutcome outcome;
  frame->SetOnChange([&](TObject*) { ++outcome.Changes; });
  outcome.Finished = Mix.Effect(from.get(), to.get(), frame, Case.Params, Route);
  frame->SetOnChange(nullptr);
  outcome.Frame = CopyOf(*frame);
  return outcome;
}

void ExpectSameOutcome(const TMix& Mix, const TCase& Case) {
  SCOPED_TRACE(Describe(Mix, Case));
  const TOutcome want = Run(Mix, Case, fx::mrBuffers);
  for (const fx::TMixRoute route : {fx::mrRows, fx::mrPlainRows}) {
    SCOPED_TRACE(route == fx::mrRows ? "processor's kernels" : "portable loops");
    const TOutcome got = Run(Mix, Case, route);
    EXPECT_EQ(got.Finished, want.Finished);
    EXPECT_EQ(got.Changes, want.Changes);
    ASSERT_EQ(got.Frame->Width(), want.Frame->Width());
    ASSERT_EQ(got.Frame->Height(), want.Frame->Height());
    ASSERT_EQ(FirstMismatch(*got.Frame, [&](int x, int y) { return PixelAt(*want.Frame, x, y); }), "");
  }
}

TEST(MixRoutes, RowsDrawWhatTheBuffersDrawOnRandomCases) {
  std::mt19937 random(20261208);
  for (const TMix& mix : Mixes)
    for (int n = 0; n < 150; ++n) {
      TCase c{};
      c.FromWidth = RandomExtent(random);
      c.FromHeight = RandomExtent(random);
      const bool sameSize = random() % 2;
      c.ToWidth = sameSize ? c.FromWidth : RandomExtent(random);
      c.ToHeight = sameSize ? c.FromHeight : RandomExtent(random);
      c.FrameWidth = random() % 2 ? c.FromWidth : RandomExtent(random);
      c.FrameHeight = random() % 2 ? c.FromHeight : RandomExtent(random);
      c.Place = static_cast<TFramePlace>(random() % 4 == 0 ? 1 + random() % 2 : 0);
      c.Params = MakeParams(mix.Frames[random() % mix.Frames.size()], tmLeft, random() % 2, 10, RandomColor(random));
      c.Params.RGBOrder = static_cast<TRGBOrder>(random() % 6);
      c.Seed = static_cast<std::uint32_t>(random());
      ExpectSameOutcome(mix, c);
      if (HasFatalFailure()) return;
    }
}

// Every frame number of each mix, both directions, on a one-pixel pair and
// on an odd-sized equal pair, so that no stage is left to chance.
TEST(MixRoutes, RowsDrawWhatTheBuffersDrawAtEveryFrame) {
  for (const TMix& mix : Mixes) {
    const int last = mix.Frames[mix.Frames.size() - 2];
    for (const int size : {1, 13})
      for (const bool reverse : {false, true})
        for (int cf = 0; cf <= last + 1; ++cf) {
          TCase c{size, size + 2, size, size + 2, size, size + 2, fpOwn, MakeParams(cf, tmLeft, reverse, 10, 0x3A7FC4),
                  static_cast<std::uint32_t>(cf)};
          c.Params.RGBOrder = static_cast<TRGBOrder>(cf % 6);
          ExpectSameOutcome(mix, c);
          if (HasFatalFailure()) return;
        }
  }
}

// An order outside the enumeration is drawn as the buffers draw it.
TEST(MixRoutes, AnOrderOutsideTheEnumerationMatches) {
  for (const TMix& mix : {Mixes[2], Mixes[3]}) {
    TCase c{9, 4, 9, 4, 9, 4, fpOwn, MakeParams(1), 7};
    c.Params.RGBOrder = static_cast<TRGBOrder>(17);
    ExpectSameOutcome(mix, c);
  }
}

// The processor's fade and blend kernels against the portable loops on every
// channel value, every weight and every fill or second value: their division
// by 255 is a different formula, exact only over the sums the mixes make.
// Rows of 256 + 7 pixels, so the vector loop and its tail both run.
TEST(MixRoutes, KernelsAgreeOnEveryValueWeightAndFill) {
  const fx::TRowKernels &fast = fx::FastRowKernels(), &plain = fx::PlainRowKernels();
  constexpr int kCount = 256 + 7;
  std::vector<std::uint32_t> values(kCount), others(kCount), want(kCount), got(kCount);
  std::mt19937 random(7);
  for (int x = 0; x < kCount; ++x) {
    const std::uint32_t v = static_cast<std::uint32_t>(x % 256);
    // Each channel its own value and a random top byte.
    values[x] = (random() << 24) | (v << 16) | (((v * 7) & 0xFF) << 8) | ((255 - v) & 0xFF);
  }
  for (int weight = 0; weight <= 255; ++weight)
    for (int c = 0; c <= 255; ++c) {
      const auto share = [&](int C) { return static_cast<std::uint16_t>(C * (255 - weight) + 127); };
      const fx::TFadeTerms terms{static_cast<std::uint16_t>(weight), {share(c), share(255 - c), share((c * 3) & 0xFF)}};
      plain.Fade(want.data(), values.data(), kCount, terms);
      fast.Fade(got.data(), values.data(), kCount, terms);
      ASSERT_EQ(got, want) << "fade, weight " << weight << ", fill " << c;
      for (int x = 0; x < kCount; ++x) others[x] = values[(x + c) % kCount] ^ 0x00A5A5A5u;
      plain.Blend(want.data(), values.data(), others.data(), kCount, weight);
      fast.Blend(got.data(), values.data(), others.data(), kCount, weight);
      ASSERT_EQ(got, want) << "blend, weight " << weight << ", shift " << c;
    }
}

}  // namespace
}  // namespace tweenery::test
