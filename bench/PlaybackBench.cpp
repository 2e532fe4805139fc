// Playback at display rate on the headless host: Push on 1920 x 1080
// pictures with the thread driver at Interval 1, each frame painted into the
// host's surface by the host's update pass between messages, as a program
// built on the headless loop paints. One iteration is one painted frame, so
// the time per iteration is the frame period; the counters give frames
// painted per second and the time from a tick to its painted frame. The
// tick and the paint are also timed alone, to show where a frame's time goes.
// Then every operation whose frame is made of large pieces of one picture at
// a time plays the same way at 3840 x 2160 ("OPERATION/3840x2160/..."), with
// its preset's Delta; the aim there is 120 frames painted per second.
#include <chrono>
#include <string>

#include "BenchSupport.h"
#include "PlaybackTiming.h"
#include "platform/Controls.h"
#include "platform/Runtime.h"
#include "tweenkit/Presets.h"

namespace tweenery::bench {
namespace {

constexpr int kWidth = 1920, kHeight = 1080;

THeadlessLoop& Loop() { return static_cast<THeadlessLoop&>(*Application()); }

// A component covering a headless host, with two noise pictures.
struct TPlaybackRig {
  THeadlessHost Host;
  TTimedTweenery Tweenery{nullptr};

  explicit TPlaybackRig(bool UseThread, TTransitionOperation Operation = toPush, int Width = kWidth,
                        int Height = kHeight)
      : Host(Width, Height) {
    GiveNoisePictures(Tweenery, Width, Height);
    Tweenery.SetParent(&Host);
    Tweenery.SetOperation(Operation);
    if (const auto& delta = OperationPreset(Operation).Delta) Tweenery.SetDelta(*delta);
    Tweenery.SetUseThread(UseThread);
    Tweenery.SetInterval(1);
    Host.Update();
  }
  ~TPlaybackRig() {
    Tweenery.SetOnDone(nullptr);
    Tweenery.Stop();
    Tweenery.SetParent(nullptr);
  }

  // Runs the loop, painting after the messages, until one more frame shows.
  bool PaintNextFrame() {
    const int painted = Tweenery.Painted;
    return Loop().RunUntil(
        [&] {
          Host.Update();
          return Tweenery.Painted > painted;
        },
        std::chrono::seconds(10));
  }
};

// Plays Operation over and over on the thread driver, one painted frame per
// iteration.
void PlayPainted(benchmark::State& State, TTransitionOperation Operation, int Width, int Height) {
  TPlaybackRig rig(/*UseThread=*/true, Operation, Width, Height);
  rig.Tweenery.Loop();
  rig.Tweenery.Play();
  int ticks = 0, painted = 0;
  std::size_t latency = 0;
  const double seconds = TimeFrames(
      State, [&] { return rig.PaintNextFrame(); },
      [&] {
        ticks = rig.Tweenery.Ticks;
        painted = rig.Tweenery.Painted;
        latency = rig.Tweenery.LatencyMs.size();
      });
  ReportPlayback(State, rig.Tweenery, ticks, painted, latency, seconds);
}

void BM_HeadlessPlayback(benchmark::State& State) { PlayPainted(State, toPush, kWidth, kHeight); }

// The tick alone (next frame composed, control invalidated), no paint.
void BM_TickOnly(benchmark::State& State) {
  TPlaybackRig rig(/*UseThread=*/false);
  rig.Tweenery.Loop();
  rig.Tweenery.Play();
  for (auto _ : State) rig.Tweenery.FXTimer(nullptr);
}

// The paint alone: the host's update pass putting the frame on its surface.
void BM_PaintOnly(benchmark::State& State) {
  TPlaybackRig rig(/*UseThread=*/false);
  rig.Tweenery.SetCurrentFrame(96);
  for (auto _ : State) {
    rig.Tweenery.Invalidate();
    rig.Host.Update();
  }
}

// Tick and paint back to back on the GUI thread, no thread and no waiting:
// the least a frame of playback costs.
void BM_TickAndPaint(benchmark::State& State) {
  TPlaybackRig rig(/*UseThread=*/false);
  rig.Tweenery.Loop();
  rig.Tweenery.Play();
  for (auto _ : State) {
    rig.Tweenery.FXTimer(nullptr);
    rig.Host.Update();
  }
}

void RegisterAll() {
  benchmark::RegisterBenchmark("Memcpy1920x1080", BM_MemcpyFrame)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Push/tick", BM_TickOnly)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Push/paint", BM_PaintOnly)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Push/tick+paint", BM_TickAndPaint)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Push/thread-interval1-painted", BM_HeadlessPlayback)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->MinTime(2.0);
  for (const TTransitionOperation operation : {toPush, toCrush, toMonoReveal, toReveal, toIris, toMonoSlider, toZoom,
                                               toFade, toMosaic, toGlide, toReplace, toSqueeze, toRoll})
    benchmark::RegisterBenchmark((std::string(OperationText(operation)) + "/3840x2160/thread-interval1-painted").c_str(),
                                 [operation](benchmark::State& State) { PlayPainted(State, operation, 3840, 2160); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->MinTime(1.0);
}

}  // namespace
}  // namespace tweenery::bench

int main(int argc, char** argv) {
  tweenery::bench::RegisterAll();
  return tweenery::bench::RunWithRatios(argc, argv, "Memcpy1920x1080");
}
