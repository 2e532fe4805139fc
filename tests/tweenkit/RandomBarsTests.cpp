#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

#include "EffectHarness.h"
#include "platform/Random.h"

namespace tweenery::test {
namespace {

struct TBarRun {
  TRandomBarsFXState State;
  TFXParams Params;
  TBarRun(int BarCount, TTransitionModifier Modifier, bool Reverse) : Params(MakeParams(0, Modifier, Reverse)) {
    Params.State = &State;
    State.BarCount = BarCount;
    State.Init(&Params);
  }
  TEffectCall Frame(TBitmap* From, TBitmap* To, int F) {
    Params.CurrentFrame = F;
    return CallEffect(FXRandomBars, From, To, Params);
  }
};

TEST(RandomBars, PickedBarsShowTheEnteringPicture) {
  auto from = CodedPicture(12, 8, kFromTag), to = CodedPicture(12, 8, kToTag);
  for (int modifier = tmLeft; modifier <= tmDown; ++modifier)
    for (bool reverse : {false, true}) {
      const bool columns = modifier == tmLeft || modifier == tmRight;
      const int N = columns ? 12 : 8;
      TBarRun run(N, static_cast<TTransitionModifier>(modifier), reverse);
      const std::uint32_t entering = reverse ? kFromTag : kToTag, leaving = reverse ? kToTag : kFromTag;
      for (int F = 0; F <= N + 1; ++F) {
        const TEffectCall call = run.Frame(from.get(), to.get(), F);
        EXPECT_EQ(call.Finished, F > N);
        std::set<int> picked;
        for (const TNode* n = run.State.PickedHead; n; n = n->Next) picked.insert(n->Value);
        EXPECT_EQ(static_cast<int>(picked.size()), std::min(F + 1, N));
        EXPECT_EQ(FirstMismatch(*call.Frame,
                                [&](int x, int y) {
                                  const bool in = F >= N || picked.count(columns ? x : y) > 0;
                                  return CodedPixel(in ? entering : leaving, x, y);
                                }),
                  "")
            << modifier << " " << reverse << " F=" << F;
      }
    }
}

// A run sized from a control larger than the pictures, or from none at all.
TEST(RandomBars, BarCountOtherThanThePicture) {
  auto from = CodedPicture(12, 8, kFromTag), to = CodedPicture(12, 8, kToTag);
  TBarRun empty(0, tmLeft, false);
  EXPECT_EQ(FirstMismatch(*empty.Frame(from.get(), to.get(), 0).Frame, WholePicture(kToTag)), "");
  EXPECT_TRUE(empty.Frame(from.get(), to.get(), 1).Finished);

  TBarRun wide(50, tmRight, false);
  SetRandSeed(99);
  for (int F = 0; F < 50; ++F) {
    const TEffectCall call = wide.Frame(from.get(), to.get(), F);
    ASSERT_FALSE(call.Finished);
    // Columns from 12 onward exist only in the control; they draw nothing.
    for (const TNode* n = wide.State.PickedHead; n; n = n->Next) {
      if (n->Value >= 12) continue;
      ASSERT_EQ(PixelAt(*call.Frame, n->Value, 3), CodedPixel(kToTag, n->Value, 3));
    }
  }
  EXPECT_EQ(FirstMismatch(*wide.Frame(from.get(), to.get(), 50).Frame, WholePicture(kToTag)), "");
}

// An entering picture smaller than the frame uncovers bars only where it
// reaches; a larger one lends its frame-sized top-left part.
TEST(RandomBars, EnteringPictureOfAnotherSize) {
  auto from = CodedPicture(12, 8, kFromTag);
  for (auto [w, h] : {std::pair{7, 5}, std::pair{15, 11}}) {
    auto to = CodedPicture(w, h, kToTag);
    TBarRun run(12, tmLeft, false);
    for (int F = 0; F < 12; ++F) {
      const TEffectCall call = run.Frame(from.get(), to.get(), F);
      std::set<int> picked;
      for (const TNode* n = run.State.PickedHead; n; n = n->Next) picked.insert(n->Value);
      EXPECT_EQ(FirstMismatch(*call.Frame,
                              [&](int x, int y) {
                                const bool in = picked.count(x) > 0 && x < w && y < h;
                                return CodedPixel(in ? kToTag : kFromTag, x, y);
                              }),
                "")
          << w << " F=" << F;
    }
  }
}

// On a 4 x 2 frame bar v also uncovers row v * 2 / 4 rounded half to even:
// v = 1 lands on row 0, v = 3 on row 2 (outside the frame), never on row 1.
TEST(TwinRandomBars, RowFollowsTheColumnRoundedHalfToEven) {
  auto from = CodedPicture(4, 2, kFromTag), to = CodedPicture(4, 2, kToTag);
  for (int v : {1, 3}) {
    TTwinRandomBarsFXState state;
    TFXParams params = MakeParams(1);
    params.State = &state;
    state.BarCount = 4;
    state.Init(&params);
    state.LastFrame = 1;  // frame 1 already picked: only v is drawn
    state.PickedHead = state.PickedTail = AppendNode(nullptr, v);
    params.CurrentFrame = 1;
    const TEffectCall call = CallEffect(FXTwinRandomBars, from.get(), to.get(), params);
    EXPECT_EQ(FirstMismatch(*call.Frame,
                            [&](int x, int y) { return CodedPixel(x == v || (v == 1 && y == 0) ? kToTag : kFromTag, x, y); }),
              "")
        << v;
  }
}

}  // namespace
}  // namespace tweenery::test
