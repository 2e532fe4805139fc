#include "platform/Random.h"

namespace tweenery {

namespace {
// A 64-bit linear congruential generator; its high 32 bits are well mixed,
// and scaling them by the range (multiply, keep the high half) gives a draw
// without a division.
std::uint64_t gState = 0;

std::uint32_t Next32() {
  gState = gState * 6364136223846793005ull + 1442695040888963407ull;
  return static_cast<std::uint32_t>(gState >> 32);
}
}  // namespace

std::int32_t Random(std::int32_t Range) {
  const std::uint32_t bits = Next32();
  if (Range <= 0) return 0;
  return static_cast<std::int32_t>((static_cast<std::uint64_t>(bits) * static_cast<std::uint32_t>(Range)) >> 32);
}

std::uint64_t RandSeed() { return gState; }

void SetRandSeed(std::uint64_t Seed) { gState = Seed; }

}  // namespace tweenery
