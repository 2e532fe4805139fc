// The time base at the top of the frame range: an operation that never ends
// by itself (a Delta of 2147483647 makes one band, tile or roll larger than
// any picture) is ended by playback when its counter reaches 2147483647,
// and the time base counts its frames to there instead of refusing it.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "TestPictures.h"
#include "tweenkit/TimeBase.h"

namespace tweenery {
namespace {

using test::CodedPicture;
using test::kFromTag;
using test::kToTag;

// The component playing with the largest Steps: two ticks reach the top.
struct TPlayback : TTweenery {
  TPlayback() : TTweenery(nullptr) { SetOnDone([this](TObject*) { Ended = true; }); }
  using TTweenery::FrameBitmap;
  bool Ended = false;
};

TEST(TimeBaseRange, OperationsThatNeverEndRunToTheTopOfTheRange) {
  const auto from = CodedPicture(40, 24, kFromTag), to = CodedPicture(40, 24, kToTag);
  for (TTransitionOperation op : {toBlinds, toMosaic, toSpiral, toCheckerBlinds, toRoll}) {
    TTransitionSettings settings;
    settings.Operation = op;
    settings.Delta = INT_MAX;
    TTransitionRenderer renderer(*from, *to, settings);
    EXPECT_EQ(renderer.FrameCount(), INT_MAX) << int(op);

    TPlayback playback;
    playback.SetBounds(0, 0, 40, 24);
    playback.SetInterval(0);
    playback.SetOperation(op);
    playback.SetDelta(INT_MAX);
    playback.SetSteps(INT_MAX);
    playback.SetFromBitmap(from.get());
    playback.SetToBitmap(to.get());
    playback.Play();
    playback.FXTimer(nullptr);
    EXPECT_FALSE(playback.Ended) << int(op);
    playback.FXTimer(nullptr);
    EXPECT_TRUE(playback.Ended) << int(op);
    const TBitmap& last = renderer.Compose(renderer.FrameCount());
    const TBitmap& shown = *playback.FrameBitmap();
    ASSERT_EQ(last.Width(), shown.Width());
    EXPECT_EQ(std::memcmp(last.Bits(), shown.Bits(), sizeof(std::uint32_t) * 40 * 24), 0) << int(op);
    EXPECT_NO_THROW(renderer.Compose(renderer.FrameAtProgress(0.5, TEasing())));
  }
}

}  // namespace
}  // namespace tweenery
