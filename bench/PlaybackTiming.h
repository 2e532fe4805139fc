// Shared by the playback benchmarks: a component that notes when each tick
// begins and when the frame it composed has been painted, and the figures
// drawn from those notes (frames painted per second, tick-to-paint latency).
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "tweenkit/Tweenery.h"

namespace tweenery::bench {

using TPlaybackClock = std::chrono::steady_clock;

// Pictures of noise, so that no copy can be skipped for equal pixels; each
// seed has its own tint, so a look at a frame tells the pictures apart.
inline void FillNoise(TBitmap& Bitmap, std::uint32_t Seed) {
  const std::uint32_t tint = Seed % 2 ? 0x800000u : 0x000080u;
  std::uint32_t s = Seed;
  for (int y = 0; y < Bitmap.Height(); ++y) {
    std::uint32_t* row = Bitmap.ScanLine(y);
    for (int x = 0; x < Bitmap.Width(); ++x) {
      s = s * 1664525u + 1013904223u;
      row[x] = 0xFF000000u | tint | ((s >> 8) & 0x7F7F7Fu);
    }
  }
}

// The component with a stopwatch: a tick starts at GenerateFrame and ends
// when Paint has put that frame on the host's surface, or, where the host
// shows its surface in a window afterwards, when the host calls Shown. A
// frame composed but never painted (the host coalesced two ticks) counts as
// a tick only.
class TTimedTweenery : public TTweenery {
 public:
  using TTweenery::TTweenery;

  void GenerateFrame() override {
    if (!FPending) FTickStart = TPlaybackClock::now();
    FPending = true;
    ++Ticks;
    TTweenery::GenerateFrame();
  }

  // Plays on for ever: each completed run starts the next.
  void Loop() {
    SetOnDone([this](TObject*) { SetActive(true); });
  }

  // The host has shown what Paint put on its surface.
  void Shown() {
    if (!FPainted) return;
    FPainted = false;
    ++Painted;
    LatencyMs.push_back(std::chrono::duration<double, std::milli>(TPlaybackClock::now() - FTickStart).count());
  }

  bool ShownAtPaint = true;
  int Ticks = 0;
  int Painted = 0;
  std::vector<double> LatencyMs;

 protected:
  void Paint() override {
    TTweenery::Paint();
    if (!FPending) return;
    FPending = false;
    FPainted = true;
    if (ShownAtPaint) Shown();
  }

 private:
  bool FPending = false;
  bool FPainted = false;
  TPlaybackClock::time_point FTickStart;
};

// Two noise pictures of Width x Height given to Tweenery, which covers
// (0, 0, Width, Height); the component keeps its own copies.
inline void GiveNoisePictures(TTweenery& Tweenery, int Width, int Height) {
  TBitmap from(Width, Height), to(Width, Height);
  FillNoise(from, 1);
  FillNoise(to, 2);
  Tweenery.SetBounds(0, 0, Width, Height);
  Tweenery.SetFromBitmap(&from);
  Tweenery.SetToBitmap(&to);
}

// The frames of a playback run: 30 first, unmeasured, so that the thread is
// up and the caches warm, then Snapshot (the counters before the measured
// stretch), then one frame per benchmark iteration. NextFrame returns false
// when no frame came within its wait, which ends the run with an error.
// Returns the seconds of the measured stretch.
template <class TNextFrame, class TSnapshot>
double TimeFrames(benchmark::State& State, TNextFrame&& NextFrame, TSnapshot&& Snapshot) {
  for (int i = 0; i < 30; ++i) NextFrame();
  Snapshot();
  const auto start = TPlaybackClock::now();
  for (auto _ : State)
    if (!NextFrame()) {
      State.SkipWithError("no frame shown for 10 s");
      break;
    }
  return std::chrono::duration<double>(TPlaybackClock::now() - start).count();
}

inline double Percentile(std::vector<double> Values, double P) {
  if (Values.empty()) return 0;
  std::sort(Values.begin(), Values.end());
  const auto at = static_cast<std::size_t>(P * static_cast<double>(Values.size() - 1) + 0.5);
  return Values[std::min(at, Values.size() - 1)];
}

// Frames painted per second over the measured stretch, ticks per second,
// and the latency's median and 99th percentile, as the benchmark's counters.
inline void ReportPlayback(benchmark::State& State, const TTimedTweenery& Tweenery, int TicksBefore,
                           int PaintedBefore, std::size_t LatencyBefore, double Seconds) {
  const std::vector<double> latency(Tweenery.LatencyMs.begin() + static_cast<std::ptrdiff_t>(LatencyBefore),
                                    Tweenery.LatencyMs.end());
  State.counters["fps"] = (Tweenery.Painted - PaintedBefore) / Seconds;
  State.counters["ticks/s"] = (Tweenery.Ticks - TicksBefore) / Seconds;
  State.counters["lat_p50_ms"] = Percentile(latency, 0.5);
  State.counters["lat_p99_ms"] = Percentile(latency, 0.99);
}

}  // namespace tweenery::bench
