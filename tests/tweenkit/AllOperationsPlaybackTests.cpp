// Every operation, in every direction, forward and reversed, with both
// drivers, plays through the component to exactly one OnDone.
#include <gtest/gtest.h>

#include "EffectHarness.h"

namespace tweenery::test {
namespace {

using namespace std::chrono_literals;

class AllOperations : public ::testing::TestWithParam<int> {};

TEST_P(AllOperations, PlayToOneOnDoneInEveryDirectionWithBothDrivers) {
  const auto operation = static_cast<TTransitionOperation>(GetParam());
  for (bool thread : {false, true})
    for (TTransitionModifier modifier : {tmLeft, tmRight, tmUp, tmDown})
      for (bool reverse : {false, true}) {
        SCOPED_TRACE(testing::Message() << "thread " << thread << " modifier " << int{modifier} << " reverse " << reverse);
        TTweeneryRig rig(24, 16, operation);
        TTweenery& t = *rig.Tweenery;
        t.SetUseThread(thread);
        t.SetModifier(modifier);
        t.SetReverse(reverse);
        t.SetDelta(3);
        t.SetSteps(5);
        int done = 0;
        t.SetOnDone([&](TObject*) { ++done; });
        t.Play();
        ASSERT_TRUE(HeadlessLoop().RunUntil([&] { return done > 0; }, 60s));
        HeadlessLoop().RunFor(5ms);  // nothing more after completion
        EXPECT_EQ(done, 1);
        EXPECT_FALSE(t.Active());
        // A completed run leaves no bars behind.
        if (auto* bars = dynamic_cast<TRandomBarsFXState*>(t.State())) {
          EXPECT_EQ(bars->PoolHead, nullptr);
          EXPECT_EQ(bars->PickedHead, nullptr);
        }
        if (auto* twin = dynamic_cast<TTwinRandomBarsFXState*>(t.State())) {
          EXPECT_EQ(twin->PoolHead, nullptr);
          EXPECT_EQ(twin->PickedHead, nullptr);
        }
      }
}

INSTANTIATE_TEST_SUITE_P(Operations, AllOperations, ::testing::Range(0, TransitionOperationCount));

}  // namespace
}  // namespace tweenery::test
