// The tool's road from composed frame to output at 1920 x 1080: a Push over
// two seconds at 60 frames per second to YUV4MPEG2 on /dev/null, to H.264
// and to fast PNG frames, with the share of the time spent outside
// GenerateFrame (conversion, encoding, writing); then whole runs of Push and
// Blend written as the command writes them, with 1, 2 and one composing
// thread per core. Each reports frames per second, and its time per frame,
// which the ratios at the end compare with a memcpy of one frame.
//
// Then a table of whole runs as `tweenery render ... -o x.y4m` writes them
// (Push over two seconds at 30 frames per second into a y4m file in the
// temporary folder) at 1920 x 1080 and 3840 x 2160 with --jobs 1 and 2,
// beside ffmpeg's xfade slideleft on the same job (two still pictures, the
// same frames, yuv420p into a y4m file) with one and two filter threads,
// skipped when ffmpeg is missing. Each is the best of three runs: frames per
// second on the wall clock, and the CPU seconds the run took. With
// --table-only the benchmarks before it are left out.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstring>
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

// One transition of Count frames from From to To, played whole.
void AddRun(TProgramme& Programme, const TBitmap& From, const TBitmap& To, TTransitionOperation Operation, std::int64_t Count) {
  TTransitionPlan plan;
  plan.From = &From;
  plan.To = &To;
  plan.Settings.Operation = Operation;
  plan.Count = Count;
  Programme.AddPart(Programme.AddTransition(plan), TProgramme::TPartKind::Run, -1);
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
    AddRun(programme, *from, *to, Operation, kFrames);
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

// ------------------------------------------------------------ the render table

constexpr int kTableFrames = 60;  // two seconds at 30 frames per second

struct TRunTime {
  double Wall = 0, Cpu = 0;  // seconds
};

double ProcessCpuSeconds(int Who) {
  rusage usage{};
  getrusage(Who, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// The best of three runs of Body by wall time, with the CPU seconds of that
// run as Who (this process, or its children) counts them.
template <class TBody>
TRunTime BestOfThree(int Who, TBody&& Body) {
  TRunTime best;
  for (int i = 0; i < 3; ++i) {
    const double cpu = ProcessCpuSeconds(Who);
    const auto start = TClock::now();
    if (!Body()) return {};
    const TRunTime run{std::chrono::duration<double>(TClock::now() - start).count(), ProcessCpuSeconds(Who) - cpu};
    if (i == 0 || run.Wall < best.Wall) best = run;
  }
  return best;
}

std::string TableOutput(const char* Name) { return (std::filesystem::temp_directory_path() / Name).string(); }

// Our side: the programme and the writer as the render command drives them.
TRunTime RenderRun(int Width, int Height, int Jobs) {
  const auto from = Gradient(Width, Height, 0), to = Gradient(Width, Height, 128);
  TOutputOptions options;
  options.Name = TableOutput("tweenery-bench-table.y4m");
  options.Overwrite = true;
  const TRunTime time = BestOfThree(RUSAGE_SELF, [&] {
    TProgramme programme;
    AddRun(programme, *from, *to, toPush, kTableFrames);
    auto sink = OpenSink(options, Width, Height, {30, 1}, {});
    WriteFrames(programme, programme.FrameCount(), *sink, Jobs, nullptr);
    sink->Finish();
    return true;
  });
  std::filesystem::remove(options.Name);
  return time;
}

bool HaveFfmpeg() { return std::system("ffmpeg -version > /dev/null 2>&1") == 0; }

// ffmpeg's side: two stills looped by reference (made once, so no source
// is generated per frame), the slide over all the frames, into a y4m file.
TRunTime XfadeRun(int Width, int Height, int Threads) {
  const std::string size = std::to_string(Width) + "x" + std::to_string(Height), out = TableOutput("xfade-bench.y4m");
  auto still = [&](const char* Source) {
    return std::string(Source) + "=s=" + size + ":r=30,trim=end_frame=1,format=yuv420p,loop=loop=-1:size=1,setpts=N/30/TB,trim=end_frame=" +
           std::to_string(kTableFrames);
  };
  const std::string command = "ffmpeg -hide_banner -nostdin -v error -y -threads 1 -filter_threads " +
                              std::to_string(Threads) + " -filter_complex_threads " + std::to_string(Threads) +
                              " -filter_complex '" + still("testsrc2") + "[a];" + still("rgbtestsrc") +
                              "[b];[a][b]xfade=transition=slideleft:duration=" + std::to_string(kTableFrames / 30.0 - 0.001) +
                              ":offset=0[out]' -map '[out]' -f yuv4mpegpipe " + out;
  const TRunTime time = BestOfThree(RUSAGE_CHILDREN, [&] { return std::system(command.c_str()) == 0; });
  std::filesystem::remove(out);
  return time;
}

std::string Figures(const TRunTime& Time) {
  if (Time.Wall <= 0) return "failed | |";
  char text[64];
  std::snprintf(text, sizeof text, "%.0f | %.2f |", kTableFrames / Time.Wall, Time.Cpu);
  return text;
}

void PrintRenderTable() {
  const bool ffmpeg = HaveFfmpeg();
  std::printf("\nWhole runs into a y4m file: Push, %d frames; best of three by wall time.%s\n\n", kTableFrames,
              ffmpeg ? "" : " (ffmpeg is not installed: its rows are skipped.)");
  std::printf("| size | writer | threads | frames per second | CPU s |\n|---|---|---:|---:|---:|\n");
  for (const auto& [width, height] : {std::pair{1920, 1080}, std::pair{3840, 2160}}) {
    TRunTime ours[2];
    for (int jobs = 1; jobs <= 2; ++jobs) {
      ours[jobs - 1] = RenderRun(width, height, jobs);
      std::printf("| %dx%d | tweenery render --jobs %d | %d | %s\n", width, height, jobs, jobs,
                  Figures(ours[jobs - 1]).c_str());
      std::fflush(stdout);
    }
    if (ours[0].Wall > 0 && ours[1].Wall > 0)
      std::printf("| %dx%d | --jobs 2 against --jobs 1 | | %.2f× | |\n", width, height, ours[0].Wall / ours[1].Wall);
    if (!ffmpeg) continue;
    for (int threads = 1; threads <= 2; ++threads) {
      std::printf("| %dx%d | ffmpeg xfade slideleft | %d | %s\n", width, height, threads,
                  Figures(XfadeRun(width, height, threads)).c_str());
      std::fflush(stdout);
    }
  }
}

}  // namespace
}  // namespace tweenery

int main(int argc, char** argv) {
  bool tableOnly = false;
  for (int i = 1; i < argc; ++i) tableOnly = tableOnly || std::strcmp(argv[i], "--table-only") == 0;
  if (!tableOnly) {
    tweenery::RegisterJobRuns();
    tweenery::bench::RunWithRatios(argc, argv, "BM_MemcpyFrame");
  }
  tweenery::PrintRenderTable();
  return 0;
}
