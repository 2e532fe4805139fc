// The tool's road from composed frame to output at 1920 x 1080: a Push over
// two seconds at 60 frames per second to YUV4MPEG2 on /dev/null, to H.264
// and to fast PNG frames, with the share of the time spent outside
// GenerateFrame (conversion, encoding, writing); then whole runs of Push and
// Blend written as the command writes them, with 1, 2 and one composing
// thread per core. Each reports frames per second, and its time per frame,
// which the ratios at the end compare with a memcpy of one frame.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <thread>

#include "BenchSupport.h"
#include "media/FrameWriter.h"
#include "media/Output.h"
#include "tweenkit/TimeBase.h"

namespace tweenery {
namespace {

using TClock = std::chrono::steady_clock;
constexpr int kWidth = 1920, kHeight = 1080, kFrames = 120;

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

// Standard output pointed at /dev/null while it lives: "-" is the stream.
class TStdoutToNull {
 public:
  TStdoutToNull() : FSaved(dup(STDOUT_FILENO)), FNull(open("/dev/null", O_WRONLY)) {
    std::fflush(stdout);
    dup2(FNull, STDOUT_FILENO);
  }
  ~TStdoutToNull() {
    std::fflush(stdout);
    dup2(FSaved, STDOUT_FILENO);
    close(FNull);
    close(FSaved);
  }

 private:
  int FSaved, FNull;
};

void Report(benchmark::State& State, double Seconds, std::int64_t Frames) {
  State.SetIterationTime(Seconds / kFrames);
  State.counters["fps"] = static_cast<double>(Frames) / Seconds;  // the last run's
}

void RunTo(benchmark::State& State, const std::string& Output) {
  const auto from = Gradient(kWidth, kHeight, 0), to = Gradient(kWidth, kHeight, 128);
  TTransitionRenderer renderer(*from, *to, TTransitionSettings{});
  TOutputOptions options;
  options.Name = Output;
  options.Overwrite = true;
  double compose = 0, total = 0;
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
    const double seconds = std::chrono::duration<double>(TClock::now() - start).count();
    total += seconds;
    Report(State, seconds, kFrames);
  }
  State.counters["outside_GenerateFrame_%"] = 100 * (total - compose) / total;
}

void BM_PushToY4M(benchmark::State& State) {
  TStdoutToNull null;
  RunTo(State, "-");
}
void BM_PushToH264(benchmark::State& State) {
  RunTo(State, (std::filesystem::temp_directory_path() / "tweenery-bench.mp4").string());
}
void BM_PushToPngFrames(benchmark::State& State) {
  RunTo(State, (std::filesystem::temp_directory_path() / "tweenery-bench-frames" / "f%04d.png").string());
}

// A whole run as the command writes it, with Jobs composing threads; the
// run's frame count is found before the clock starts.
void WriteRun(benchmark::State& State, TTransitionOperation Operation, int Jobs) {
  TStdoutToNull null;
  const auto from = Gradient(kWidth, kHeight, 0), to = Gradient(kWidth, kHeight, 128);
  TOutputOptions options;
  options.Name = "-";
  for (auto _ : State) {
    TProgramme programme;
    TTransitionPlan plan;
    plan.From = from.get();
    plan.To = to.get();
    plan.Settings.Operation = Operation;
    plan.Count = kFrames;
    programme.AddPart(programme.AddTransition(plan), TProgramme::TPartKind::Run, -1);
    const std::int64_t count = programme.FrameCount();
    const auto start = TClock::now();
    auto sink = OpenSink(options, kWidth, kHeight, {60, 1}, {});
    WriteFrames(programme, count, *sink, Jobs, nullptr);
    sink->Finish();
    Report(State, std::chrono::duration<double>(TClock::now() - start).count(), count);
  }
}
// Named apart, one per count of threads, so each gets its own ratio.
void RegisterJobRuns() {
  for (const auto& [name, operation] : {std::pair{"Push", toPush}, std::pair{"Blend", toBlend}})
    for (unsigned jobs : std::set<unsigned>{1, 2, std::max(1u, std::thread::hardware_concurrency())})
      benchmark::RegisterBenchmark(("BM_" + std::string(name) + "ToY4M_jobs" + std::to_string(jobs)).c_str(),
                                   [operation = operation, jobs](benchmark::State& State) {
                                     WriteRun(State, operation, static_cast<int>(jobs));
                                   })
          ->Unit(benchmark::kMillisecond)
          ->UseManualTime()
          ->Iterations(3);
}

BENCHMARK(bench::BM_MemcpyFrame)->Name("BM_MemcpyFrame")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PushToY4M)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_PushToH264)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_PushToPngFrames)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

}  // namespace
}  // namespace tweenery

int main(int argc, char** argv) {
  tweenery::RegisterJobRuns();
  return tweenery::bench::RunWithRatios(argc, argv, "BM_MemcpyFrame");
}
