#include "platform/Random.h"

namespace tweenery {

namespace {
// A 32-bit linear congruential generator; the high bits of the product with
// the range give an unbiased-enough, fast draw.
std::uint32_t gSeed = 0;
}  // namespace

std::int32_t Random(std::int32_t Range) {
  gSeed = gSeed * 134775813u + 1u;
  if (Range <= 0) return 0;
  return static_cast<std::int32_t>((static_cast<std::uint64_t>(gSeed) * static_cast<std::uint32_t>(Range)) >> 32);
}

std::uint32_t RandSeed() { return gSeed; }

void SetRandSeed(std::uint32_t Seed) { gSeed = Seed; }

}  // namespace tweenery
