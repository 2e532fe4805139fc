#include <gtest/gtest.h>

#include "EffectHarness.h"

namespace tweenery::test {
namespace {

TEST(Push, LeftAtThirtyShowsBothPicturesEdgeToEdge) {
  auto from = CodedPicture(100, 80, kFromTag), to = CodedPicture(100, 80, kToTag);
  auto call = CallEffect(FXPush, from.get(), to.get(), MakeParams(30));
  EXPECT_FALSE(call.Finished);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 100; ++x) {
      const std::uint32_t want = x >= 70 ? CodedPixel(kToTag, x - 70, y) : CodedPixel(kFromTag, x + 30, y);
      ASSERT_EQ(PixelAt(*call.Frame, x, y), want) << x << "," << y << " " << DescribePixel(PixelAt(*call.Frame, x, y));
    }
}

}  // namespace
}  // namespace tweenery::test
