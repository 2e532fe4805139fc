// Frames over pictures of other sizes, played through the component. The
// colour mixes and the spiral over a larger leaving picture size the frame
// themselves and skip its fill, the striped iris has it filled only past its
// leaving picture, and each must give what one
// effect call on a fresh, filled frame gives, frame after frame and whatever
// the frame held before.
#include <gtest/gtest.h>

#include <random>

#include "EffectHarness.h"
#include "platform/DIB.h"

namespace tweenery::test {
namespace {

// Pictures put straight into the component's bitmaps keep their sizes (the
// setters would stretch the second to the first).
void PutPictures(TFrameTweenery& Tweenery, const TBitmap& From, const TBitmap& To) {
  Tweenery.FromBitmap()->Assign(&From);
  Tweenery.ToBitmap()->Assign(&To);
}

// The mixes and the spiral size the frame themselves; the striped iris has
// the fill only where its leaving picture does not reach.
TEST(OtherSizes, FramesThroughTheComponentMatchCallsOnAFilledFrame) {
  const TTransitionOperation operations[] = {toFade, toBlend, toRGB, toRGBBlend, toStripedIris, toSpiral};
  std::mt19937 random(314u);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  for (int trial = 0; trial < 400; ++trial) {
    const TTransitionOperation operation = operations[pick(0, 5)];
    const bool reverse = pick(0, 1) == 1;
    const auto modifier = static_cast<TTransitionModifier>(pick(0, 3));
    const int delta = pick(1, 6);
    const TColor color = static_cast<TColor>(random() & 0xFFFFFFu);
    const auto order = static_cast<TRGBOrder>(pick(0, 5));
    auto from = RandomPicture(pick(1, 40), pick(1, 40), random());
    auto to = RandomPicture(pick(1, 40), pick(1, 40), random());
    SCOPED_TRACE(testing::Message() << "trial " << trial << " operation " << int{operation} << " reverse " << reverse
                                    << " from " << from->Width() << "x" << from->Height() << " to " << to->Width()
                                    << "x" << to->Height());
    TFrameTweenery tweenery;
    tweenery.SetOperation(operation);
    tweenery.SetReverse(reverse);
    tweenery.SetModifier(modifier);
    tweenery.SetDelta(delta);
    tweenery.SetRGBOrder(order);
    PutPictures(tweenery, *from, *to);
    tweenery.SetColor(color);  // a new From picture sets its own
    // Frames one after another over what the last left, now and then with
    // litter in it or a frame of another operation's size before.
    for (int step = 0; step < 8; ++step) {
      const int f = operation == toStripedIris ? pick(0, 25) : operation == toSpiral ? pick(0, 40) : pick(0, 520);
      if (pick(0, 2) == 0) tweenery.LitterFrame(random);
      if (pick(0, 3) == 0) const_cast<TBitmap*>(&tweenery.Frame())->SetSize(pick(0, 50), pick(0, 50));
      tweenery.SetCurrentFrame(f);
      TFXParams params = MakeParams(f, modifier, reverse, delta, color);
      params.RGBOrder = order;
      const TFXDispatchEntry& row = FXDispatch[operation];
      const TEffectCall want = CallEffect(reverse ? row.Reverse : row.Forward, from.get(), to.get(), params);
      ASSERT_EQ(tweenery.Frame().Width(), want.Frame->Width()) << "frame " << f;
      ASSERT_EQ(tweenery.Frame().Height(), want.Frame->Height()) << "frame " << f;
      ASSERT_EQ(FirstMismatch(tweenery.Frame(), SameAs(want)), "") << "frame " << f;
    }
  }
}

// A transfer failure on the buffer route leaves the frame as the fill at
// From's size, as it was before the mix: the component still prepares the
// frame when a failure is due.
TEST(OtherSizes, AFailedMixLeavesTheFilledFrame) {
  auto from = RandomPicture(30, 20, 1u);
  auto to = RandomPicture(12, 9, 2u);
  for (const TTransitionOperation operation : {toFade, toBlend, toRGB, toRGBBlend}) {
    SCOPED_TRACE(int{operation});
    TFrameTweenery tweenery;
    tweenery.SetOperation(operation);
    PutPictures(tweenery, *from, *to);
    tweenery.SetColor(clFuchsia);
    tweenery.SetCurrentFrame(100);
    InjectDIBFailures(2, 0);  // the size query and the read itself
    EXPECT_THROW(tweenery.SetCurrentFrame(200), ETweenery);
    InjectDIBFailures(0, 0);
    ASSERT_EQ(tweenery.Frame().Width(), 30);
    ASSERT_EQ(tweenery.Frame().Height(), 20);
    const auto fill = static_cast<std::uint32_t>(0xFF000000u | 0xFF00FFu);
    EXPECT_EQ(FirstMismatch(tweenery.Frame(), [&](int, int) { return fill; }), "");
  }
}

}  // namespace
}  // namespace tweenery::test
