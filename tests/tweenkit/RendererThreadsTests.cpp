// Renderers of operations that draw nothing compose on several threads at
// once (the Python module composes with its interpreter lock let go): each
// thread's frames equal those of one thread alone, and the process's
// generator is left as it was. ThreadSanitizer runs this program.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "TestPictures.h"
#include "platform/Random.h"
#include "tweenkit/Presets.h"
#include "tweenkit/TimeBase.h"

namespace tweenery {
namespace {

using test::CodedPicture;
using test::kFromTag;
using test::kToTag;

// Every frame of the run, one after another, as a checksum per frame.
std::vector<std::uint64_t> FrameSums(const TBitmap& From, const TBitmap& To, TTransitionOperation Operation) {
  TTransitionSettings settings;
  settings.Operation = Operation;
  settings.Delta = 7;
  TTransitionRenderer renderer(From, To, settings);
  std::vector<std::uint64_t> sums;
  for (std::int32_t f = 0; f <= renderer.FrameCount(); ++f) {
    const TBitmap& frame = renderer.Compose(f);
    std::uint64_t sum = 1469598103934665603ull;
    for (int y = 0; y < frame.Height(); ++y)
      for (int x = 0; x < frame.Width(); ++x) sum = (sum ^ frame.ScanLine(y)[x]) * 1099511628211ull;
    sums.push_back(sum);
  }
  return sums;
}

TEST(RendererThreads, OperationsThatDrawNothingComposeOnSeveralThreadsAtOnce) {
  const auto from = CodedPicture(48, 30, kFromTag);
  const auto to = CodedPicture(48, 30, kToTag);
  std::vector<TTransitionOperation> operations;
  for (int item = 0; item < OperationItemCount; ++item)
    if (!UsesRandom(OperationOfItem(item))) operations.push_back(OperationOfItem(item));

  std::vector<std::vector<std::uint64_t>> alone;
  for (TTransitionOperation operation : operations) alone.push_back(FrameSums(*from, *to, operation));

  SetRandSeed(4242);
  constexpr int kThreads = 3;
  std::vector<std::vector<std::vector<std::uint64_t>>> together(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      // Each thread starts at another operation, so different effects overlap.
      for (std::size_t i = 0; i < operations.size(); ++i)
        together[t].push_back(FrameSums(*from, *to, operations[(i + t * 7) % operations.size()]));
    });
  for (std::thread& thread : threads) thread.join();

  EXPECT_EQ(RandSeed(), 4242u);
  for (int t = 0; t < kThreads; ++t)
    for (std::size_t i = 0; i < operations.size(); ++i)
      EXPECT_EQ(together[t][i], alone[(i + t * 7) % operations.size()])
          << OperationText(operations[(i + t * 7) % operations.size()]) << " on thread " << t;
}

TEST(RendererThreads, RandomRunsStillLeaveTheCallersGeneratorAsItWas) {
  const auto from = CodedPicture(40, 24, kFromTag);
  const auto to = CodedPicture(40, 24, kToTag);
  TTransitionSettings settings;
  settings.Operation = toSwarm;
  settings.Seed = 17;
  SetRandSeed(99);
  TTransitionRenderer first(*from, *to, settings);
  const TBitmap& a = first.Compose(first.FrameCount() / 2);
  std::vector<std::uint32_t> kept(a.Bits(), a.Bits() + a.Width() * a.Height());
  EXPECT_EQ(RandSeed(), 99u);
  SetRandSeed(12345);
  TTransitionRenderer second(*from, *to, settings);
  const TBitmap& b = second.Compose(second.FrameCount() / 2);
  EXPECT_EQ(RandSeed(), 12345u);
  EXPECT_EQ(std::memcmp(kept.data(), b.Bits(), kept.size() * sizeof(std::uint32_t)), 0);
}

}  // namespace
}  // namespace tweenery
