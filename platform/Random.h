/// @file
/// The process's one pseudo-random generator. Components never seed it;
/// tests and the command-line tool seed it to reproduce a run. GUI thread only.
#pragma once

#include <cstdint>

namespace tweenery {

/// An integer r with 0 <= r < Range; 0 when Range is 0 or less.
std::int32_t Random(std::int32_t Range);
/**@{*/
/// The generator's whole state: reading it and setting it back later
/// replays the same draws.
std::uint64_t RandSeed();
void SetRandSeed(std::uint64_t Seed);
/**@}*/

}  // namespace tweenery
