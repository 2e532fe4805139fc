#include "media/FrameWriter.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "media/Interruption.h"

namespace tweenery {

bool ComposesApart(const TTransitionSettings& Settings) {
  // Random bars keep the bars still to come in their state; Swarm scatters
  // fresh draws every frame.
  return !UsesRandom(Settings.Operation);
}

namespace {

// The frames in flight and every composing thread's pictures together stay
// within this; bigger frames get fewer threads.
constexpr std::int64_t kMemoryBudget = std::int64_t{2} << 30;
// Each composing thread's component holds its own From, To and frame, and
// the ring holds two frames per composing thread, so that a thread has the
// next frame to compose while the writer is still busy with its last one.
// Large frames get one each: the writer, which encodes them, is then the
// slower side anyway, and at 1080p the second would cost 8 MB a thread.
constexpr std::int64_t kComponentFrames = 3;
constexpr std::int64_t kLargeFrameBytes = std::int64_t{4} << 20;
// Beyond those, the frame being written and the one next in line.
constexpr int kSpareSlots = 2;

std::int64_t FrameBytes(int Width, int Height) { return std::max<std::int64_t>(std::int64_t{4} * Width * Height, 1); }

int SlotsPerThread(int Width, int Height) { return FrameBytes(Width, Height) > kLargeFrameBytes ? 1 : 2; }

// The component set up as the time base sets up its own (the same
// properties in the same order, so the same fill colour), composing
// whichever CurrentFrame it is asked for. For an operation that composes
// apart, the frame at a CurrentFrame is the same however it is reached.
class TApartComposer : public TTweenery {
 public:
  TApartComposer(const TTransitionSettings& s, const TProgramme::TPicturePair& Pictures) : TTweenery(nullptr) {
    SetInterval(0);
    SetBounds(0, 0, Pictures.From->Width(), Pictures.From->Height());
    SetOperation(s.Operation);
    SetModifier(s.Modifier);
    SetReverse(s.Reverse);
    SetDelta(s.Delta);
    SetRGBOrder(s.RGBOrder);
    // The component copies both pictures: the shared ones are only read.
    SetFromBitmap(Pictures.From.get());
    SetToBitmap(Pictures.To.get());
    if (s.Color) SetColor(*s.Color);
  }
  const TBitmap& Compose(std::int32_t CurrentFrame) {
    if (FComposed != CurrentFrame) {
      FComposed.reset();
      SetCurrentFrame(CurrentFrame);
      FComposed = CurrentFrame;
    }
    return *FrameBitmap();
  }

 private:
  std::optional<std::int32_t> FComposed;  // held frames are composed once
};

// The calling thread walks the programme and hands each frame that composes
// apart to the composing threads, composing the others itself; one writing
// thread takes the frames from a ring in order. A slot of the ring belongs
// to the calling thread while free, to its composer while composing, and
// to the writer once ready; it changes hands under the lock.
class TPipeline {
 public:
  TPipeline(TProgramme& Programme, std::int64_t Count, TFrameSink& Sink, int Threads, int SlotsPerThread,
            const TFramesWritten& Written)
      : FProgramme(Programme), FCount(Count), FSink(Sink), FEncodesApart(Sink.EncodesApart()), FWritten(Written) {
    for (std::size_t t = 0; t < Programme.TransitionCount(); ++t) {
      FPlans.push_back(Programme.Plan(t));
      if (ComposesApart(FPlans.back().Settings)) FComposers = Threads;
    }
    FSlotCount = SlotsPerThread * FComposers + kSpareSlots;
    FSlots = std::make_unique<TSlot[]>(static_cast<std::size_t>(FSlotCount));
  }
  ~TPipeline() { StopAll(); }
  TPipeline(const TPipeline&) = delete;
  TPipeline& operator=(const TPipeline&) = delete;

  void Run() {
    StartThreads();
    Dispatch();
    FWriter.join();
    StopAll();
    if (FFailure) std::rethrow_exception(FFailure);
  }

 private:
  enum class TSlotState { Free, Composing, Ready, Failed };
  struct TSlot {
    std::int64_t Index = -1;
    TSlotState State = TSlotState::Free;
    TBitmap Frame;               // for a sink that encodes as it writes,
    std::vector<std::uint8_t> Bytes;  // or encoded already
    std::exception_ptr Failure;
  };
  struct TJob {
    std::int64_t Index;
    std::size_t Transition;
    std::int32_t CurrentFrame;
    TProgramme::TPicturePair Pictures;  // held until a composer has copied them
  };

  TSlot& SlotOf(std::int64_t Index) { return FSlots[static_cast<std::size_t>(Index % FSlotCount)]; }

  // A failure to start one stops those started (the destructor joins
  // them) and is raised as the tool's own.
  void StartThreads() {
    try {
      FWriter = std::thread([this] { WriteInOrder(); });
      for (int i = 0; i < FComposers; ++i) FComposing.emplace_back([this] { ComposeApart(); });
    } catch (const std::system_error& e) {
      throw EToolFailure("cannot start " + std::to_string(FComposers + 1) + " threads composing and writing frames (" +
                         e.code().message() + "); --jobs 1 composes and writes on one thread");
    }
  }

  // The calling thread. Stops at its own first failure: the writer reports
  // it when it gets there.
  void Dispatch() {
    for (std::int64_t i = 0; i < FCount; ++i) {
      TSlot& slot = SlotOf(i);
      {
        std::unique_lock lock(FMutex);
        FSlotFree.wait(lock, [&] { return slot.State == TSlotState::Free || FStopping; });
        if (FStopping) return;
      }
      try {
        StopIfInterrupted();
        const TProgramme::TFramePlace place = FProgramme.Place(i);
        if (FComposers > 0 && ComposesApart(FPlans[place.Transition].Settings)) {
          // At a new transition the calling thread's own renderer serves
          // one that is past; the composers make their own.
          if (place.Transition != FDispatchedApart) FProgramme.Close();
          FDispatchedApart = place.Transition;
          std::lock_guard lock(FMutex);
          slot.Index = i;
          slot.State = TSlotState::Composing;
          FJobs.push_back({i, place.Transition, place.CurrentFrame, FProgramme.Pictures(place.Transition)});
          FJobWaiting.notify_one();
          continue;
        }
        Keep(slot, FProgramme.Frame(i));
        HandOver(slot, i, nullptr);
      } catch (...) {
        HandOver(slot, i, std::current_exception());
        return;
      }
    }
  }

  // Each composing thread, with a component of its own for the transition
  // it composes last.
  void ComposeApart() {
    std::unique_ptr<TApartComposer> composer;
    std::size_t transition = 0;
    for (;;) {
      TJob job;
      {
        std::unique_lock lock(FMutex);
        FJobWaiting.wait(lock, [&] { return !FJobs.empty() || FStopping; });
        if (FStopping) return;
        job = FJobs.front();
        FJobs.pop_front();
      }
      TSlot& slot = SlotOf(job.Index);
      std::exception_ptr failure;
      try {
        if (!composer || transition != job.Transition) {
          composer.reset();
          composer = std::make_unique<TApartComposer>(FPlans[job.Transition].Settings, job.Pictures);
          transition = job.Transition;
        }
        job.Pictures = {};
        Keep(slot, composer->Compose(job.CurrentFrame));
      } catch (...) {
        failure = std::current_exception();
        composer.reset();
      }
      HandOver(slot, job.Index, failure);
    }
  }

  // Encoding where the sink allows it spares the writer the work and the
  // frame a copy.
  void Keep(TSlot& Slot, const TBitmap& Frame) {
    if (FEncodesApart) FSink.EncodeApart(Frame, Slot.Bytes);
    else Slot.Frame.Assign(&Frame);
  }

  void HandOver(TSlot& Slot, std::int64_t Index, std::exception_ptr Failure) {
    std::lock_guard lock(FMutex);
    Slot.Index = Index;
    Slot.Failure = std::move(Failure);
    Slot.State = Slot.Failure ? TSlotState::Failed : TSlotState::Ready;
    FSlotDone.notify_all();
  }

  // The writing thread: frame after frame, each as soon as it is ready.
  void WriteInOrder() {
    for (std::int64_t i = 0; i < FCount; ++i) {
      TSlot& slot = SlotOf(i);
      std::unique_lock lock(FMutex);
      FSlotDone.wait(lock, [&] {
        return (slot.Index == i && (slot.State == TSlotState::Ready || slot.State == TSlotState::Failed)) || FStopping;
      });
      if (FStopping) return;
      if (slot.State == TSlotState::Failed) return Fail(lock, slot.Failure);
      lock.unlock();
      try {
        if (FEncodesApart) FSink.WriteEncoded(slot.Bytes);
        else FSink.Write(slot.Frame);
        if (FWritten) FWritten(i + 1);
      } catch (...) {
        lock.lock();
        return Fail(lock, std::current_exception());
      }
      lock.lock();
      slot.State = TSlotState::Free;
      slot.Index = -1;
      FSlotFree.notify_one();
    }
  }

  void Fail(std::unique_lock<std::mutex>&, std::exception_ptr Failure) {
    FFailure = std::move(Failure);
    FStopping = true;
    NotifyAll();
  }

  void NotifyAll() {
    FSlotFree.notify_all();
    FSlotDone.notify_all();
    FJobWaiting.notify_all();
  }

  void StopAll() {
    {
      std::lock_guard lock(FMutex);
      FStopping = true;
      NotifyAll();
    }
    if (FWriter.joinable()) FWriter.join();
    for (std::thread& thread : FComposing)
      if (thread.joinable()) thread.join();
  }

  TProgramme& FProgramme;
  const std::int64_t FCount;
  TFrameSink& FSink;
  const bool FEncodesApart;
  const TFramesWritten& FWritten;
  std::vector<TTransitionPlan> FPlans;
  int FComposers = 0;
  int FSlotCount = 0;
  std::size_t FDispatchedApart = static_cast<std::size_t>(-1);  // the transition last handed to composers
  std::unique_ptr<TSlot[]> FSlots;

  std::mutex FMutex;
  std::condition_variable FSlotFree, FSlotDone, FJobWaiting;
  std::deque<TJob> FJobs;
  bool FStopping = false;
  std::exception_ptr FFailure;
  std::thread FWriter;
  std::vector<std::thread> FComposing;
};

}  // namespace

int ComposingThreads(int Jobs, int Width, int Height) {
  const std::int64_t frame = FrameBytes(Width, Height);
  const std::int64_t fits = (kMemoryBudget / frame - kSpareSlots) / (kComponentFrames + SlotsPerThread(Width, Height));
  return static_cast<int>(std::clamp<std::int64_t>(std::min<std::int64_t>(Jobs, fits), 1, std::max(Jobs, 1)));
}

void WriteFrames(TProgramme& Programme, std::int64_t Count, TFrameSink& Sink, int Jobs, const TFramesWritten& Written) {
  int threads = 1, slots = 1;
  if (Programme.TransitionCount() > 0) {
    const std::shared_ptr<const TBitmap> first = Programme.Pictures(0).From;
    threads = ComposingThreads(Jobs, first->Width(), first->Height());
    slots = SlotsPerThread(first->Width(), first->Height());
  }
  if (threads <= 1) {
    for (std::int64_t i = 0; i < Count; ++i) {
      StopIfInterrupted();
      Sink.Write(Programme.Frame(i));
      if (Written) Written(i + 1);
    }
    return;
  }
  TPipeline pipeline(Programme, Count, Sink, threads, slots, Written);
  pipeline.Run();
}

}  // namespace tweenery
