// Frame-sized pixel blocks that bitmaps give up are handed to the next
// bitmaps that need one. A block handed on must come out as a fresh one
// would, whoever wrote into it before, and bitmaps made and dropped on
// several threads at once must never share one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "platform/Graphics.h"

namespace tweenery {
namespace {

constexpr std::uint32_t kBlack = 0xFF000000u;

bool AllBlack(const TBitmap& Bitmap) {
  const std::uint32_t* bits = Bitmap.Bits();
  return std::all_of(bits, bits + static_cast<std::size_t>(Bitmap.Width()) * Bitmap.Height(),
                     [](std::uint32_t p) { return p == kBlack; });
}

TEST(KeptBlocks, ABlockHandedOnIsBlackAndHoldsItsPicture) {
  // Sizes of 4 MiB and more, a size that fits in a kept larger block, and
  // pictures copied into kept blocks.
  for (const auto& [w, h] : {std::pair{1920, 1080}, std::pair{1280, 1024}, std::pair{1920, 1200}}) {
    {
      TBitmap written(1920, 1200);
      std::fill(written.Bits(), written.Bits() + 1920 * 1200, 0xFFFFFFFFu);
    }
    TBitmap fresh(w, h);
    EXPECT_TRUE(AllBlack(fresh)) << w << "x" << h;
    TBitmap picture(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) picture.ScanLine(y)[x] = kBlack | static_cast<std::uint32_t>(x * 7 + y * 13);
    TBitmap copy;
    copy.Assign(&picture);
    ASSERT_EQ(copy.Width(), w);
    EXPECT_TRUE(std::equal(copy.Bits(), copy.Bits() + static_cast<std::size_t>(w) * h, picture.Bits()));
    // Three bitmaps alive at once, three blocks.
    EXPECT_TRUE(AllBlack(fresh)) << w << "x" << h;
    std::fill(copy.Bits(), copy.Bits() + static_cast<std::size_t>(w) * h, kBlack | 5u);
    EXPECT_EQ(picture.ScanLine(1)[1], kBlack | 20u);
  }
}

TEST(KeptBlocks, BitmapsMadeOnSeveralThreadsAtOnceHaveBlocksOfTheirOwn) {
  constexpr int kThreads = 4, kRounds = 12;
  std::vector<int> wrong(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t, &wrong] {
      const std::uint32_t mark = kBlack | static_cast<std::uint32_t>(t + 1);
      for (int round = 0; round < kRounds; ++round) {
        auto a = std::make_unique<TBitmap>(1920, 1080), b = std::make_unique<TBitmap>(1920, 1100 + t);
        if (!AllBlack(*a) || !AllBlack(*b)) ++wrong[t];
        std::fill(a->Bits(), a->Bits() + 1920 * 1080, mark);
        std::fill(b->Bits(), b->Bits() + 1920 * (1100 + t), kBlack);
        std::this_thread::yield();
        // Another thread's bitmap in the same block would have overwritten the mark.
        if (!std::all_of(a->Bits(), a->Bits() + 1920 * 1080, [mark](std::uint32_t p) { return p == mark; }))
          ++wrong[t];
      }
    });
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(wrong[t], 0) << "thread " << t;
}

}  // namespace
}  // namespace tweenery
