// The tool's road from composed frame to output: a 1920 x 1080 Push over
// two seconds at 60 frames per second, to YUV4MPEG2 on /dev/null, to H.264
// and to fast PNG frames. Reports frames per second and the share of the
// time spent outside GenerateFrame (conversion, encoding, writing).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include <chrono>
#include <filesystem>

#include "tools/Output.h"
#include "tweenkit/TimeBase.h"

namespace tweenery {
namespace {

using TClock = std::chrono::steady_clock;

std::unique_ptr<TBitmap> Gradient(int Width, int Height, int Shift) {
  auto bitmap = std::make_unique<TBitmap>(Width, Height);
  for (int y = 0; y < Height; ++y) {
    std::uint32_t* row = bitmap->ScanLine(y);
    for (int x = 0; x < Width; ++x)
      row[x] = 0xFF000000u | ((static_cast<std::uint32_t>(x + Shift) & 0xFF) << 16) |
               ((static_cast<std::uint32_t>(y) & 0xFF) << 8) | static_cast<std::uint32_t>((x ^ y) & 0xFF);
  }
  return bitmap;
}

void RunTo(benchmark::State& State, const std::string& Output) {
  constexpr int kWidth = 1920, kHeight = 1080, kFrames = 120;
  const auto from = Gradient(kWidth, kHeight, 0), to = Gradient(kWidth, kHeight, 128);
  TTransitionRenderer renderer(*from, *to, TTransitionSettings{});
  TOutputOptions options;
  options.Name = Output;
  options.Overwrite = true;
  double compose = 0, total = 0;
  std::int64_t frames = 0;
  for (auto _ : State) {
    const auto start = TClock::now();
    TTransitionRun run(renderer, EasedFrames(renderer.FrameCount(), kFrames, TEasing()));
    auto sink = OpenSink(options, kWidth, kHeight, {60, 1}, {from.get(), to.get()});
    for (std::size_t i = 0; i < run.Count(); ++i) {
      const auto before = TClock::now();
      const TBitmap& frame = run.Frame(i);
      compose += std::chrono::duration<double>(TClock::now() - before).count();
      sink->Write(frame);
    }
    sink->Finish();
    total += std::chrono::duration<double>(TClock::now() - start).count();
    frames += kFrames;
  }
  State.counters["fps"] = frames / total;
  State.counters["outside_GenerateFrame_%"] = 100 * (total - compose) / total;
}

// The stream goes to standard output, pointed at /dev/null meanwhile.
void BM_PushToY4M(benchmark::State& State) {
  std::fflush(stdout);
  const int saved = dup(STDOUT_FILENO), null = open("/dev/null", O_WRONLY);
  dup2(null, STDOUT_FILENO);
  RunTo(State, "-");
  std::fflush(stdout);
  dup2(saved, STDOUT_FILENO);
  close(null);
  close(saved);
}
void BM_PushToH264(benchmark::State& State) {
  RunTo(State, (std::filesystem::temp_directory_path() / "tweenery-bench.mp4").string());
}
void BM_PushToPngFrames(benchmark::State& State) {
  RunTo(State, (std::filesystem::temp_directory_path() / "tweenery-bench-frames" / "f%04d.png").string());
}

BENCHMARK(BM_PushToY4M)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PushToH264)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_PushToPngFrames)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace tweenery

BENCHMARK_MAIN();
