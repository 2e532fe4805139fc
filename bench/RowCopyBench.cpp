// Row copies at every relative placement of source and destination. A frame
// of 1080 rows of 1920 pixels is copied row by row between two separate
// blocks whose distance modulo 4 KiB is swept in steps of --step bytes (16
// unless given; 4 is the finest a pixel row allows), for each way of copying
// a row, and each time is printed as a ratio to a plain memcpy of the frame
// at a harmless distance (2 KiB) in the same run. The row copy the canvas
// uses (CopyPixelRow) is one of the ways, so its rule can be checked against
// the others on the machine at hand. Timings are reported, never checked.
//
//   bench_RowCopyBench [--step N] [--samples N] [--rows]
//
// --rows prints every distance; otherwise each way's summary and its worst
// bands of 64 bytes.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <immintrin.h>

#include "platform/Graphics.h"

namespace tweenery::bench {
namespace {

constexpr int kWidth = 1920, kHeight = 1080;
constexpr std::size_t kRowBytes = std::size_t{kWidth} * 4, kFrameBytes = kRowBytes * kHeight;
constexpr std::size_t kPage = 4096;

using TRowCopy = void (*)(std::uint32_t* D, const std::uint32_t* S, int Count);

void MemcpyRow(std::uint32_t* D, const std::uint32_t* S, int Count) {
  std::memcpy(D, S, static_cast<std::size_t>(Count) * 4);
}

void RepMovsbRow(std::uint32_t* D, const std::uint32_t* S, int Count) {
  std::size_t n = static_cast<std::size_t>(Count) * 4;
  void* d = D;
  const void* s = S;
  asm volatile("rep movsb" : "+D"(d), "+S"(s), "+c"(n) : : "memory");
}

// The loop the canvas used before: 4 x 32 bytes a step from the row's end.
__attribute__((target("avx2"))) void BackwardRow(std::uint32_t* D, const std::uint32_t* S, int Count) {
  int k = Count;
  for (; k >= 32; k -= 32) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S + k - 8));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S + k - 16));
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S + k - 24));
    const __m256i e = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S + k - 32));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(D + k - 8), a);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(D + k - 16), b);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(D + k - 24), c);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(D + k - 32), e);
  }
  for (; k > 0; --k) D[k - 1] = S[k - 1];
}

// Backward like the loop above, but the stores aligned to 32 bytes after
// one unaligned tail, so that no store straddles two cache lines.
__attribute__((target("avx2"))) void BackwardAlignedRow(std::uint32_t* D, const std::uint32_t* S, int Count) {
  if (Count < 8) {
    for (int k = Count; k > 0; --k) D[k - 1] = S[k - 1];
    return;
  }
  const __m256i tail = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S + Count - 8));
  int k = Count - static_cast<int>((reinterpret_cast<std::uintptr_t>(D + Count) & 31) / 4);
  for (; k >= 32; k -= 32) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S + k - 8));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S + k - 16));
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S + k - 24));
    const __m256i e = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S + k - 32));
    _mm256_store_si256(reinterpret_cast<__m256i*>(D + k - 8), a);
    _mm256_store_si256(reinterpret_cast<__m256i*>(D + k - 16), b);
    _mm256_store_si256(reinterpret_cast<__m256i*>(D + k - 24), c);
    _mm256_store_si256(reinterpret_cast<__m256i*>(D + k - 32), e);
  }
  for (; k >= 8; k -= 8)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(D + k - 8), _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S + k - 8)));
  if (k > 0) _mm256_storeu_si256(reinterpret_cast<__m256i*>(D), _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S)));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(D + Count - 8), tail);
}

// Forward, 4 x 32 bytes a step, stores aligned to 32 bytes after one
// unaligned head.
__attribute__((target("avx2"))) void ForwardAlignedRow(std::uint32_t* D, const std::uint32_t* S, int Count) {
  if (Count < 8) {
    for (int k = 0; k < Count; ++k) D[k] = S[k];
    return;
  }
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(D), _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S)));
  int k = static_cast<int>((32 - (reinterpret_cast<std::uintptr_t>(D) & 31)) & 31) / 4;
  for (; k + 32 <= Count; k += 32) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S + k));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S + k + 8));
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S + k + 16));
    const __m256i e = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S + k + 24));
    _mm256_store_si256(reinterpret_cast<__m256i*>(D + k), a);
    _mm256_store_si256(reinterpret_cast<__m256i*>(D + k + 8), b);
    _mm256_store_si256(reinterpret_cast<__m256i*>(D + k + 16), c);
    _mm256_store_si256(reinterpret_cast<__m256i*>(D + k + 24), e);
  }
  for (; k + 8 <= Count; k += 8)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(D + k), _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S + k)));
  if (k < Count)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(D + Count - 8),
                        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S + Count - 8)));
}

// Forward with non-temporal stores (32-byte aligned), which bypass the cache.
__attribute__((target("avx2"))) void StreamingRow(std::uint32_t* D, const std::uint32_t* S, int Count) {
  int k = 0;
  for (; k < Count && (reinterpret_cast<std::uintptr_t>(D + k) & 31) != 0; ++k) D[k] = S[k];
  for (; k + 8 <= Count; k += 8)
    _mm256_stream_si256(reinterpret_cast<__m256i*>(D + k), _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S + k)));
  for (; k < Count; ++k) D[k] = S[k];
  _mm_sfence();
}

// Backward in 4 KiB blocks taken forward: each block copied from its end.
__attribute__((target("avx2"))) void BlockBackwardRow(std::uint32_t* D, const std::uint32_t* S, int Count) {
  constexpr int kBlock = 1024;
  for (int k = 0; k < Count; k += kBlock) BackwardRow(D + k, S + k, std::min(kBlock, Count - k));
}

struct TWay {
  const char* Name;
  TRowCopy Copy;
};

const TWay kWays[] = {
    {"memcpy", MemcpyRow},
    {"backward", BackwardRow},
    {"backward aligned", BackwardAlignedRow},
    {"rep movsb", RepMovsbRow},
    {"fwd aligned", ForwardAlignedRow},
    {"non-temporal", StreamingRow},
    {"4K blocks back", BlockBackwardRow},
    {"CopyPixelRow", CopyPixelRow},
};
constexpr int kWayCount = sizeof(kWays) / sizeof(kWays[0]);

// Two frames in separate blocks, the destination's distance from the source
// adjustable modulo 4 KiB; both start on a page boundary plus a fixed part.
class TFramePair {
 public:
  TFramePair() : FSource(kFrameBytes + 2 * kPage), FDest(kFrameBytes + 2 * kPage) {
    std::uint32_t* s = Source();
    for (std::size_t i = 0; i < kFrameBytes / 4; ++i) s[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 2654435761u);
  }
  std::uint32_t* Source() { return PageAligned(FSource.data()) + 1088 / 4; }
  // Destination - source = Gap (mod 4096).
  std::uint32_t* Dest(std::size_t Gap) { return PageAligned(FDest.data()) + (1088 + Gap) % kPage / 4; }

 private:
  static std::uint32_t* PageAligned(std::uint8_t* P) {
    const std::uintptr_t a = (reinterpret_cast<std::uintptr_t>(P) + kPage - 1) & ~(kPage - 1);
    return reinterpret_cast<std::uint32_t*>(a);
  }
  std::vector<std::uint8_t> FSource, FDest;
};

double CopySeconds(TRowCopy Copy, std::uint32_t* D, const std::uint32_t* S, int Samples) {
  double best = 1e9;
  for (int i = 0; i < Samples; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    for (int y = 0; y < kHeight; ++y) Copy(D + std::size_t{kWidth} * y, S + std::size_t{kWidth} * y, kWidth);
    asm volatile("" : : "r"(D) : "memory");
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  return best;
}

double Median(std::vector<double> V) {
  std::sort(V.begin(), V.end());
  return V[V.size() / 2];
}

int Run(int argc, char** argv) {
  std::size_t step = 16;
  int samples = 5;
  bool rows = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--step") == 0 && i + 1 < argc) step = std::max<std::size_t>(4, std::strtoul(argv[++i], nullptr, 10) / 4 * 4);
    else if (std::strcmp(argv[i], "--samples") == 0 && i + 1 < argc) samples = std::max(1, std::atoi(argv[++i]));
    else if (std::strcmp(argv[i], "--rows") == 0) rows = true;
  }
  TFramePair pair;
  std::vector<std::size_t> gaps;
  for (std::size_t g = 0; g < kPage; g += step) gaps.push_back(g);
  std::vector<std::vector<double>> ratios(kWayCount, std::vector<double>(gaps.size()));
  std::vector<double> yardsticks;
  // The yardstick is measured again beside every distance, so that a change
  // of the machine's load shows in the ratios no more than it must.
  for (std::size_t i = 0; i < gaps.size(); ++i) {
    const double yardstick = CopySeconds(MemcpyRow, pair.Dest(2048), pair.Source(), samples);
    yardsticks.push_back(yardstick);
    for (int w = 0; w < kWayCount; ++w)
      ratios[w][i] = CopySeconds(kWays[w].Copy, pair.Dest(gaps[i]), pair.Source(), samples) / yardstick;
  }
  std::printf("1920 x 1080 row copies, destination - source swept mod 4096 in steps of %zu bytes, least of %d samples;\n"
              "ratios to memcpy at distance 2048 (median %.3f ms)\n\n",
              step, samples, Median(yardsticks) * 1e3);
  if (rows) {
    std::printf("%6s", "gap");
    for (const TWay& way : kWays) std::printf(" %14s", way.Name);
    std::printf("\n");
    for (std::size_t i = 0; i < gaps.size(); ++i) {
      std::printf("%6zu", gaps[i]);
      for (int w = 0; w < kWayCount; ++w) std::printf(" %14.2f", ratios[w][i]);
      std::printf("\n");
    }
    std::printf("\n");
  }
  std::printf("| way | best | median | worst | worst gap | gaps above 1.15 |\n|---|---:|---:|---:|---:|---|\n");
  for (int w = 0; w < kWayCount; ++w) {
    const auto& r = ratios[w];
    const std::size_t worst = static_cast<std::size_t>(std::max_element(r.begin(), r.end()) - r.begin());
    // Runs of slow distances, as half-open byte ranges.
    std::string slow;
    for (std::size_t i = 0; i < r.size();) {
      if (r[i] <= 1.15) { ++i; continue; }
      std::size_t j = i;
      while (j < r.size() && r[j] > 1.15) ++j;
      if (!slow.empty()) slow += ", ";
      slow += std::to_string(gaps[i]) + "-" + std::to_string(j < r.size() ? gaps[j] : kPage);
      i = j;
    }
    std::printf("| %s | %.2f | %.2f | %.2f | %zu | %s |\n", kWays[w].Name, *std::min_element(r.begin(), r.end()),
                Median(r), r[worst], gaps[worst], slow.empty() ? "none" : slow.c_str());
  }
  return 0;
}

}  // namespace
}  // namespace tweenery::bench

int main(int argc, char** argv) { return tweenery::bench::Run(argc, argv); }
