// Playback at display rate in the Qt host (run it on the offscreen platform:
// QT_QPA_PLATFORM=offscreen): Push on 1920 x 1080 pictures with the thread
// driver at Interval 1, each tick's frame shown through the widget's paint
// event. One iteration is one frame shown, so the time per iteration is the
// frame period. "widget" plays TweeneryWidget as a program uses it;
// "host" puts a timed component in a TQtControlHost and also gives the time
// from a tick to the end of the paint event that shows its frame.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPaintEvent>
#include <QPixmap>
#include <chrono>

#include "../BenchSupport.h"
#include "../PlaybackTiming.h"
#include "platform/qt/QtControlHost.h"
#include "platform/qt/QtMessageLoop.h"
#include "platform/qt/QtPlatform.h"
#include "widget/TweeneryWidget.h"

namespace tweenery::bench {
namespace {

constexpr int kWidth = 1920, kHeight = 1080;

QImage NoiseImage(std::uint32_t Seed) {
  TBitmap bitmap(kWidth, kHeight);
  FillNoise(bitmap, Seed);
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  for (int y = 0; y < kHeight; ++y)
    std::memcpy(image.scanLine(y), bitmap.ScanLine(y), std::size_t{kWidth} * 4);
  return image;
}

// Processes events, waiting for them, until Shown() counts one more frame.
template <class Shown>
bool ShowNextFrame(Shown&& Count) {
  const int before = Count();
  QElapsedTimer waited;
  waited.start();
  while (Count() == before) {
    if (waited.elapsed() > 10000) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  }
  return true;
}

TQtPlatform* gPlatform = nullptr;

// Notes when the thread's tick reaches the GUI thread: the queued call that
// runs the posted steps on the message loop (the bench posts nothing else).
class TTickWatch : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* Event) override {
    if (Event->type() == QEvent::MetaCall && !Pending) {
      Start = TPlaybackClock::now();
      Pending = true;
    }
    return false;
  }
  bool Pending = false;
  TPlaybackClock::time_point Start;
};

// The widget, counting the paint events that show a frame not shown before
// and the time since the tick that composed it.
class TCountingWidget : public TweeneryWidget {
 public:
  int Shown = 0;
  TTickWatch* Ticks = nullptr;
  std::vector<double> LatencyMs;

 protected:
  void paintEvent(QPaintEvent* Event) override {
    TweeneryWidget::paintEvent(Event);
    const int frame = Tweenery()->CurrentFrame();
    if (frame != FLastFrame) {
      ++Shown;
      if (Ticks && Ticks->Pending)
        LatencyMs.push_back(std::chrono::duration<double, std::milli>(TPlaybackClock::now() - Ticks->Start).count());
    }
    if (Ticks) Ticks->Pending = false;
    FLastFrame = frame;
  }

 private:
  int FLastFrame = -2;
};

void BM_WidgetPlayback(benchmark::State& State) {
  TTickWatch ticks;
  gPlatform->Loop()->installEventFilter(&ticks);
  TCountingWidget widget;
  widget.Ticks = &ticks;
  widget.resize(kWidth, kHeight);
  widget.setFromBitmap(NoiseImage(1));
  widget.setToBitmap(NoiseImage(2));
  widget.setUseThread(true);
  widget.setInterval(1);
  QObject::connect(&widget, &TweeneryWidget::done, &widget, [&] { widget.play(); });
  widget.show();
  widget.play();
  int shown = 0;
  const double seconds = TimeFrames(
      State, [&] { return ShowNextFrame([&] { return widget.Shown; }); },
      [&] {
        shown = widget.Shown;
        widget.LatencyMs.clear();
      });
  State.counters["fps"] = (widget.Shown - shown) / seconds;
  State.counters["lat_p50_ms"] = Percentile(widget.LatencyMs, 0.5);
  State.counters["lat_p99_ms"] = Percentile(widget.LatencyMs, 0.99);
  widget.stop();
  gPlatform->Loop()->removeEventFilter(&ticks);
  widget.Ticks = nullptr;
  // A look at what was shown, for whoever runs this by hand.
  if (const QByteArray grab = qgetenv("TWEENERY_BENCH_GRAB"); !grab.isEmpty())
    widget.grab().scaled(kWidth / 4, kHeight / 4).save(QString::fromLocal8Bit(grab));
}

// The host, telling the timed component when its frame has been drawn.
class TTimingHost : public TQtControlHost {
 public:
  TTimedTweenery* Tweenery = nullptr;

 protected:
  void paintEvent(QPaintEvent* Event) override {
    TQtControlHost::paintEvent(Event);
    if (Tweenery) Tweenery->Shown();
  }
};

void BM_HostPlayback(benchmark::State& State) {
  TTimingHost host;
  host.resize(kWidth, kHeight);
  TTimedTweenery tweenery(nullptr);
  tweenery.ShownAtPaint = false;
  host.Tweenery = &tweenery;
  GiveNoisePictures(tweenery, kWidth, kHeight);
  tweenery.SetParent(&host);
  tweenery.SetUseThread(true);
  tweenery.SetInterval(1);
  tweenery.Loop();
  host.show();
  tweenery.Play();
  int ticks = 0, painted = 0;
  std::size_t latency = 0;
  const double seconds = TimeFrames(
      State, [&] { return ShowNextFrame([&] { return tweenery.Painted; }); },
      [&] {
        ticks = tweenery.Ticks;
        painted = tweenery.Painted;
        latency = tweenery.LatencyMs.size();
      });
  ReportPlayback(State, tweenery, ticks, painted, latency, seconds);
  tweenery.SetOnDone(nullptr);
  tweenery.Stop();
  tweenery.SetParent(nullptr);
  host.Tweenery = nullptr;
}

// The paint alone: the component's frame onto the host's surface and the
// surface into the window, through a repaint, no tick.
void BM_HostPaintOnly(benchmark::State& State) {
  TTimingHost host;
  host.resize(kWidth, kHeight);
  TTweenery tweenery(nullptr);
  GiveNoisePictures(tweenery, kWidth, kHeight);
  tweenery.SetParent(&host);
  tweenery.SetCurrentFrame(96);
  host.show();
  QCoreApplication::processEvents();
  for (auto _ : State) {
    tweenery.Invalidate();
    host.repaint();
  }
  tweenery.SetParent(nullptr);
}

// The same through the widget, which shows a frame covering it alone
// without copying it into the surface first.
void BM_WidgetPaintOnly(benchmark::State& State) {
  TweeneryWidget widget;
  widget.resize(kWidth, kHeight);
  widget.setFromBitmap(NoiseImage(1));
  widget.setToBitmap(NoiseImage(2));
  widget.setCurrentFrame(96);
  widget.show();
  QCoreApplication::processEvents();
  for (auto _ : State) {
    widget.Tweenery()->Invalidate();
    widget.repaint();
  }
}

void RegisterAll() {
  benchmark::RegisterBenchmark("Memcpy1920x1080", BM_MemcpyFrame)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Push/host/paint", BM_HostPaintOnly)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Push/widget/paint", BM_WidgetPaintOnly)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Push/widget/thread-interval1-shown", BM_WidgetPlayback)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->MinTime(2.0);
  benchmark::RegisterBenchmark("Push/host/thread-interval1-shown", BM_HostPlayback)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->MinTime(2.0);
}

}  // namespace
}  // namespace tweenery::bench

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  tweenery::TQtPlatform platform;
  tweenery::bench::gPlatform = &platform;
  tweenery::bench::RegisterAll();
  return tweenery::bench::RunWithRatios(argc, argv, "Memcpy1920x1080");
}
