#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "EffectHarness.h"
#include "platform/Random.h"

namespace tweenery::test {
namespace {

std::vector<std::int32_t> Values(const TNode* Head) {
  std::vector<std::int32_t> values;
  for (; Head; Head = Head->Next) values.push_back(Head->Value);
  return values;
}

std::vector<std::int32_t> Ascending(int N) {
  std::vector<std::int32_t> values(static_cast<std::size_t>(N));
  for (int i = 0; i < N; ++i) values[static_cast<std::size_t>(i)] = i;
  return values;
}

template <class TState>
class BarState : public ::testing::Test {};
using BarStates = ::testing::Types<TRandomBarsFXState, TTwinRandomBarsFXState>;
TYPED_TEST_SUITE(BarState, BarStates);

TYPED_TEST(BarState, InitAndDoneBuildAndReleaseThePool) {
  TypeParam state;
  TFXParams params = MakeParams(7);
  for (int count : {0, 1, 5}) {
    state.BarCount = count;
    state.Init(&params);
    EXPECT_EQ(params.CurrentFrame, -1);
    EXPECT_EQ(state.LastFrame, -1);
    EXPECT_EQ(Values(state.PoolHead), Ascending(std::max(count, 1))) << count;
    EXPECT_EQ(state.PickedHead, nullptr);
    state.Done(&params);
    EXPECT_EQ(state.PoolHead, nullptr);
    EXPECT_EQ(state.PoolTail, nullptr);
    EXPECT_EQ(state.BarCount, count);
  }
  state.Done(&params);  // already empty
  EXPECT_EQ(state.LastFrame, -1);
}

// Frame F draws every pick from Random(N - F): a jump of five frames picks
// five bars, none of them from the pool's last F entries.
TEST(RandomBarsState, PicksFollowTheGeneratorsDraws) {
  constexpr int N = 40;
  auto from = CodedPicture(N, 6, kFromTag), to = CodedPicture(N, 6, kToTag);
  TRandomBarsFXState state;
  TFXParams params = MakeParams(0);
  params.State = &state;
  state.BarCount = N;
  state.Init(&params);
  SetRandSeed(1234);

  params.CurrentFrame = 0;
  CallEffect(FXRandomBars, from.get(), to.get(), params);
  EXPECT_EQ(Values(state.PickedHead).size(), 1u);
  params.CurrentFrame = 10;
  CallEffect(FXRandomBars, from.get(), to.get(), params);

  std::vector<std::int32_t> pool = Values(state.PoolHead), picked = Values(state.PickedHead);
  ASSERT_EQ(picked.size(), 11u);
  const std::uint64_t seed = RandSeed();
  params.CurrentFrame = 15;
  CallEffect(FXRandomBars, from.get(), to.get(), params);
  SetRandSeed(seed);
  for (int pick = 0; pick < 5; ++pick) {
    const auto r = static_cast<std::size_t>(Random(N - 15));
    picked.push_back(pool[r]);
    pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(r));
  }
  EXPECT_EQ(Values(state.PickedHead), picked);
  EXPECT_EQ(Values(state.PoolHead), pool);
  EXPECT_EQ(state.LastFrame, 15);
}

TEST(RandomBarsState, NoBarComesTwiceInARun) {
  auto from = CodedPicture(30, 4, kFromTag), to = CodedPicture(30, 4, kToTag);
  for (int steps : {1, 4}) {
    TTwinRandomBarsFXState state;
    TFXParams params = MakeParams(-1);
    params.State = &state;
    state.BarCount = 30;
    state.Init(&params);
    bool finished = false;
    while (!finished) {
      params.CurrentFrame += steps;
      finished = CallEffect(FXTwinRandomBars, from.get(), to.get(), params).Finished;
    }
    const std::vector<std::int32_t> picked = Values(state.PickedHead);
    EXPECT_EQ(static_cast<int>(picked.size()), state.LastFrame + 1);
    EXPECT_EQ(std::set<std::int32_t>(picked.begin(), picked.end()).size(), picked.size()) << steps;
    if (steps == 1) {
      EXPECT_EQ(picked.size(), 30u);
    }
  }
}

}  // namespace
}  // namespace tweenery::test
