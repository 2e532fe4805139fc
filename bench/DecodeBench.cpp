// Decoding full-HD pictures: a 24-bit Windows bitmap against a memcpy of
// its bytes, and a baseline JPEG against libjpeg's own djpeg run on the
// same file in the same run. Each reports "x_memcpy", its CPU time over the
// memcpy's; djpeg's is the child process's CPU time, start-up included.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/Graphics.h"
#include "platform/ImageCodecs.h"

extern char** environ;

namespace tweenery {
namespace {

constexpr int kWidth = 1920, kHeight = 1080;

// Smooth gradients with some fine detail, so the JPEG is photo-like in size.
TBitmap& Scene() {
  static const std::unique_ptr<TBitmap> scene = [] {
    auto b = std::make_unique<TBitmap>(kWidth, kHeight);
    std::uint32_t noise = 12345;
    for (int y = 0; y < kHeight; ++y) {
      std::uint32_t* row = b->ScanLine(y);
      for (int x = 0; x < kWidth; ++x) {
        noise = noise * 1103515245u + 12345u;
        const std::uint32_t r = (x * 255 / kWidth + (noise >> 28)) & 255, g = (y * 255 / kHeight) & 255,
                            bl = ((x + y) / 12 + (noise >> 29)) & 255;
        row[x] = 0xFF000000u | (r << 16) | (g << 8) | bl;
      }
    }
    return b;
  }();
  return *scene;
}

const std::vector<std::uint8_t>& BitmapBytes() {
  static const std::vector<std::uint8_t> bytes = EncodeWindowsBitmap(Scene());
  return bytes;
}

std::string ScratchPath(const char* Suffix) {
  return "/tmp/tweenery-decode-bench-" + std::to_string(::getpid()) + Suffix;
}

// The baseline JPEG, written by cjpeg from a PPM of the scene; empty when
// cjpeg is not installed.
const std::string& JPEGPath() {
  static const std::string path = [] {
    const std::string ppm = ScratchPath(".ppm"), jpg = ScratchPath(".jpg");
    std::string text = "P6\n" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n255\n";
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const std::uint32_t p = Scene().ScanLine(y)[x];
        bytes.insert(bytes.end(), {std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p)});
      }
    WriteFileBytes(ppm, bytes);
    const bool made = std::system(("cjpeg -quality 90 -outfile " + jpg + " " + ppm).c_str()) == 0;
    std::remove(ppm.c_str());
    return made ? jpg : std::string();
  }();
  return path;
}

const std::vector<std::uint8_t>& JPEGBytes() {
  static const std::vector<std::uint8_t> bytes =
      JPEGPath().empty() ? std::vector<std::uint8_t>() : ReadFileBytes(JPEGPath());
  return bytes;
}

// CPU seconds: this thread's, or those of the finished child processes. The
// machine may be shared, so ratios are taken on CPU time, not wall time.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}
double ChildSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The best of a few timed memcpys of the bitmap file's bytes, in seconds.
double MemcpySeconds() {
  static const double seconds = [] {
    const auto& src = BitmapBytes();
    std::vector<std::uint8_t> dst(src.size());
    double best = 1e9;
    for (int i = 0; i < 50; ++i) {
      const double start = ThreadSeconds();
      std::memcpy(dst.data(), src.data(), src.size());
      benchmark::DoNotOptimize(dst.data());
      benchmark::ClobberMemory();
      best = std::min(best, ThreadSeconds() - start);
    }
    return best;
  }();
  return seconds;
}

// Reports the loop's CPU time per iteration over the memcpy's as "x_memcpy".
class TRatioToMemcpy {
 public:
  TRatioToMemcpy(benchmark::State& State, double (*Clock)() = ThreadSeconds) : FState(State), FClock(Clock) {
    MemcpySeconds();
    FStart = FClock();
  }
  ~TRatioToMemcpy() {
    if (FState.iterations() == 0) return;
    FState.counters["x_memcpy"] = (FClock() - FStart) / static_cast<double>(FState.iterations()) / MemcpySeconds();
  }

 private:
  benchmark::State& FState;
  double (*FClock)();
  double FStart = 0;
};

void BM_MemcpyBitmapBytes(benchmark::State& State) {
  const auto& src = BitmapBytes();
  std::vector<std::uint8_t> dst(src.size());
  TRatioToMemcpy ratio(State);
  for (auto _ : State) {
    std::memcpy(dst.data(), src.data(), src.size());
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemcpyBitmapBytes)->Unit(benchmark::kMicrosecond);

void BM_DecodeBitmap24(benchmark::State& State) {
  const auto& bytes = BitmapBytes();
  TBitmap picture;
  TRatioToMemcpy ratio(State);
  for (auto _ : State) {
    DecodeWindowsBitmap(bytes.data(), bytes.size(), picture);
    benchmark::DoNotOptimize(picture.Bits());
  }
}
BENCHMARK(BM_DecodeBitmap24)->Unit(benchmark::kMicrosecond);

void BM_DecodeJPEGBaseline(benchmark::State& State) {
  const auto& bytes = JPEGBytes();
  if (bytes.empty()) {
    State.SkipWithError("cjpeg is not installed");
    return;
  }
  TBitmap picture;
  TRatioToMemcpy ratio(State);
  for (auto _ : State) {
    DecodeJPEG(bytes.data(), bytes.size(), picture);
    benchmark::DoNotOptimize(picture.Bits());
  }
  State.counters["jpeg_bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_DecodeJPEGBaseline)->Unit(benchmark::kMillisecond);

// djpeg decoding the same file to /dev/null, process start included.
void BM_DjpegProcess(benchmark::State& State) {
  if (JPEGPath().empty()) {
    State.SkipWithError("cjpeg is not installed");
    return;
  }
  std::string program = "djpeg", option = "-outfile", sink = "/dev/null", file = JPEGPath();
  char* argv[] = {program.data(), option.data(), sink.data(), file.data(), nullptr};
  TRatioToMemcpy ratio(State, ChildSeconds);
  for (auto _ : State) {
    pid_t child = 0;
    int status = 0;
    if (posix_spawnp(&child, "djpeg", nullptr, nullptr, argv, environ) != 0 || waitpid(child, &status, 0) != child ||
        !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      State.SkipWithError("djpeg did not run");
      return;
    }
  }
}
BENCHMARK(BM_DjpegProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tweenery

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (!tweenery::JPEGPath().empty()) std::remove(tweenery::JPEGPath().c_str());
  return 0;
}
