// The time base: easing curves, the frame count of a transition found from
// the effect's own end report, and runs composed through the component.
#include "tweenkit/TimeBase.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <limits>
#include <sstream>
#include <stdexcept>

#include "platform/Random.h"

namespace tweenery {

// ---------------------------------------------------------------- easing

namespace {

// One coordinate of a cubic Bezier curve from (0, 0) to (1, 1) at t.
double Bezier(double t, double P1, double P2) {
  const double u = 1 - t;
  return 3 * u * u * t * P1 + 3 * u * t * t * P2 + t * t * t;
}

double BezierSlope(double t, double P1, double P2) {
  const double u = 1 - t;
  return 3 * u * u * P1 + 6 * u * t * (P2 - P1) + 3 * t * t * (1 - P2);
}

// The parameter t at which the curve's x is X. With x1 and x2 in [0, 1]
// x(t) is monotone, so Newton's method with a bisection fallback converges.
double SolveBezierX(double X, double X1, double X2) {
  double t = X;
  for (int i = 0; i < 8; ++i) {
    const double error = Bezier(t, X1, X2) - X;
    if (std::fabs(error) < 1e-12) return t;
    const double slope = BezierSlope(t, X1, X2);
    if (std::fabs(slope) < 1e-9) break;
    t -= error / slope;
  }
  double lo = 0, hi = 1;
  t = X;
  for (int i = 0; i < 60; ++i) {
    const double x = Bezier(t, X1, X2);
    if (std::fabs(x - X) < 1e-12) break;
    if (x < X) lo = t; else hi = t;
    t = (lo + hi) / 2;
  }
  return t;
}

std::string Trimmed(const std::string& Text) {
  std::size_t b = 0, e = Text.size();
  while (b < e && std::isspace(static_cast<unsigned char>(Text[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(Text[e - 1]))) --e;
  return Text.substr(b, e - b);
}

std::string Lowered(std::string Text) {
  std::transform(Text.begin(), Text.end(), Text.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  return Text;
}

// The comma-separated arguments of "name(a, b, ...)", or nothing when Text
// is not a call of Name.
std::optional<std::vector<std::string>> CallArguments(const std::string& Text, const std::string& Name) {
  if (Text.size() < Name.size() + 2 || Text.compare(0, Name.size(), Name) != 0) return std::nullopt;
  const std::string rest = Trimmed(Text.substr(Name.size()));
  if (rest.size() < 2 || rest.front() != '(' || rest.back() != ')') return std::nullopt;
  std::vector<std::string> arguments;
  std::stringstream list(rest.substr(1, rest.size() - 2));
  for (std::string item; std::getline(list, item, ',');) arguments.push_back(Trimmed(item));
  return arguments;
}

double ParseNumber(const std::string& Text, const std::string& Whole) {
  std::size_t used = 0;
  double value = 0;
  try {
    value = std::stod(Text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != Text.size() || Text.empty() || !std::isfinite(value))
    throw ETimeBase("easing '" + Whole + "': '" + Text + "' is not a number");
  return value;
}

ETimeBase UnknownEasing(const std::string& Text) {
  return ETimeBase("unknown easing '" + Text +
                   "' (linear, ease, ease-in, ease-out, ease-in-out, cubic-bezier(x1,y1,x2,y2), steps(n))");
}

}  // namespace

TEasing TEasing::CubicBezier(double X1, double Y1, double X2, double Y2) {
  if (!(X1 >= 0 && X1 <= 1 && X2 >= 0 && X2 <= 1) || !std::isfinite(Y1) || !std::isfinite(Y2))
    throw ETimeBase("cubic-bezier: x1 and x2 must lie in [0, 1]");
  TEasing easing;
  easing.FKind = TKind::Bezier;
  easing.FX1 = X1;
  easing.FY1 = Y1;
  easing.FX2 = X2;
  easing.FY2 = Y2;
  std::ostringstream text;
  text << "cubic-bezier(" << X1 << "," << Y1 << "," << X2 << "," << Y2 << ")";
  easing.FText = text.str();
  return easing;
}

TEasing TEasing::Steps(int Count, TStepPosition Position) {
  if (Count < 1 || (Position == spJumpNone && Count < 2))
    throw ETimeBase("steps: the count must be at least 1 (2 with jump-none)");
  TEasing easing;
  easing.FKind = TKind::Steps;
  easing.FSteps = Count;
  easing.FPosition = Position;
  static const char* const kPositions[] = {"jump-end", "jump-start", "jump-none", "jump-both"};
  easing.FText = "steps(" + std::to_string(Count) + "," + kPositions[Position] + ")";
  return easing;
}

TEasing TEasing::Parse(const std::string& Text) {
  const std::string text = Lowered(Trimmed(Text));
  if (text == "linear") return TEasing();
  if (text == "ease") return CubicBezier(0.25, 0.1, 0.25, 1);
  if (text == "ease-in") return CubicBezier(0.42, 0, 1, 1);
  if (text == "ease-out") return CubicBezier(0, 0, 0.58, 1);
  if (text == "ease-in-out") return CubicBezier(0.42, 0, 0.58, 1);
  if (text == "step-start") return Steps(1, spJumpStart);
  if (text == "step-end") return Steps(1, spJumpEnd);
  if (auto arguments = CallArguments(text, "cubic-bezier")) {
    if (arguments->size() != 4) throw ETimeBase("easing '" + Text + "': cubic-bezier takes four numbers");
    const auto& a = *arguments;
    return CubicBezier(ParseNumber(a[0], Text), ParseNumber(a[1], Text), ParseNumber(a[2], Text),
                       ParseNumber(a[3], Text));
  }
  if (auto arguments = CallArguments(text, "steps")) {
    if (arguments->empty() || arguments->size() > 2)
      throw ETimeBase("easing '" + Text + "': steps takes a count and a position");
    const double count = ParseNumber((*arguments)[0], Text);
    if (count != std::floor(count) || count < 1 || count > 1e6)
      throw ETimeBase("easing '" + Text + "': the count of steps must be a whole number from 1");
    TStepPosition position = spJumpEnd;
    if (arguments->size() == 2) {
      const std::string& p = (*arguments)[1];
      if (p == "jump-end" || p == "end") position = spJumpEnd;
      else if (p == "jump-start" || p == "start") position = spJumpStart;
      else if (p == "jump-none") position = spJumpNone;
      else if (p == "jump-both") position = spJumpBoth;
      else throw ETimeBase("easing '" + Text + "': unknown step position '" + p + "'");
    }
    return Steps(static_cast<int>(count), position);
  }
  throw UnknownEasing(Text);
}

double TEasing::operator()(double Progress) const {
  const double x = std::clamp(Progress, 0.0, 1.0);
  switch (FKind) {
    case TKind::Linear:
      return x;
    case TKind::Bezier:
      if (x <= 0 || x >= 1) return x;
      return Bezier(SolveBezierX(x, FX1, FX2), FY1, FY2);
    case TKind::Steps: {
      std::int64_t step = static_cast<std::int64_t>(std::floor(x * FSteps));
      if (FPosition == spJumpStart || FPosition == spJumpBoth) ++step;
      std::int64_t jumps = FSteps;
      if (FPosition == spJumpNone) jumps = FSteps - 1;
      if (FPosition == spJumpBoth) jumps = FSteps + 1;
      step = std::clamp<std::int64_t>(step, 0, jumps);
      return static_cast<double>(step) / static_cast<double>(jumps);
    }
  }
  return x;
}

// ---------------------------------------------------------------- renderer

bool UsesRandom(TTransitionOperation Operation) {
  return Operation == toRandomBars || Operation == toTwinRandomBars || Operation == toSwarm;
}

namespace {

// The process's generator holds a run's state while the run composes, and
// the caller's state again afterwards. A run of an operation that draws
// nothing leaves the generator alone: such renderers share no state, so
// they may compose on several threads at once.
class TRunRandom {
 public:
  TRunRandom(bool Draws, std::uint64_t RunState) : FDraws(Draws) {
    if (!FDraws) return;
    FCallerState = RandSeed();
    SetRandSeed(RunState);
  }
  ~TRunRandom() {
    if (FDraws) SetRandSeed(FCallerState);
  }
  TRunRandom(const TRunRandom&) = delete;
  TRunRandom& operator=(const TRunRandom&) = delete;
  /// The run's state as its draws have left it.
  std::uint64_t State() const { return FDraws ? RandSeed() : 0; }

 private:
  bool FDraws;
  std::uint64_t FCallerState = 0;
};

}  // namespace

// The component, driven by hand: Play sets the run up, and each frame is one
// tick whose Steps reach the wanted CurrentFrame. Its timer never fires
// (Interval 0, and nobody runs the message loop for it).
class TTransitionRenderer::TComposer : public TTweenery {
 public:
  TComposer() : TTweenery(nullptr) {
    SetInterval(0);
    SetOnDone([this](TObject*) { FEnded = true; });
  }
  using TTweenery::FrameBitmap;

  // While the renderer sets the component up, each picture and colour set
  // would compose a frame nobody sees (two for the To picture alone, more
  // when it is fitted): up to three frames' work before the first one asked
  // for. The run starts again from its seed afterwards, so the frames left
  // out change no draw.
  void SetSettingUp(bool Value) { FSettingUp = Value; }
  void GenerateFrame() override {
    if (!FSettingUp) TTweenery::GenerateFrame();
  }

  void StartRun() {
    if (Active()) Stop();
    FEnded = false;
    Play();
  }
  // One tick onto CurrentFrame; true when the effect reported its end.
  bool TickTo(std::int32_t CurrentFrame) {
    // A tick only goes forward; an earlier frame sets the run up again.
    if (!Active() || CurrentFrame <= this->CurrentFrame()) StartRun();
    // The tick saturates at the top of the range, so a step clamped to it
    // lands there too.
    const std::int64_t step = static_cast<std::int64_t>(CurrentFrame) - this->CurrentFrame();
    SetSteps(static_cast<TPositiveInteger>(std::min<std::int64_t>(step, std::numeric_limits<std::int32_t>::max())));
    FXTimer(nullptr);
    // From the set-up's -1 the largest step falls one short of the top of
    // the range; one more frame lands there, where playback ends a run.
    if (!FEnded && Active() && this->CurrentFrame() < CurrentFrame) {
      SetSteps(1);
      FXTimer(nullptr);
    }
    return FEnded;
  }

 private:
  bool FEnded = false;
  bool FSettingUp = false;
};

// ---------------------------------------------------------------- frame counts

namespace {

bool IsHorizontal(TTransitionModifier Modifier) { return Modifier == tmLeft || Modifier == tmRight; }

// The frame count as each effect ends, over From, To and the frame all of
// one size: the count is the first CurrentFrame whose end test holds, so an
// effect ending at "c > x" takes x + 1 and one ending at "c >= x" takes x.
// Along is the frame's extent along the motion, Short its shorter side.
std::int64_t EndRule(const TTransitionSettings& S, std::int64_t W, std::int64_t H) {
  const std::int64_t D = std::max<std::int64_t>(S.Delta, 1);
  const std::int64_t along = IsHorizontal(S.Modifier) ? W : H;
  const std::int64_t shorter = std::min(W, H);
  switch (S.Operation) {
    case toPush: case toGlide: case toSlider: case toStrip: return along + 1;
    case toBlinds: return D;
    case toCheckerboard: return 4;
    case toCrush: case toReveal: return along / 2;
    case toMonoReveal: return along;
    case toIris: return shorter / 2;
    case toMonoSlider: return 2 * along + 1;
    case toZoom: return shorter;
    case toFade: return 511;
    case toMosaic: case toCheckerBlinds: return 2 * D;
    case toBlend: return 255;
    case toReplace: return 2;
    case toRGB: return 6;
    case toRGBBlend: return 3;
    case toSpiral: return D * D;
    case toShade: case toShadeContinue: return 2 * along + 1;
    case toSqueeze: return shorter / 2 + 1;
    // One bar per column (left, right) or row; twin bars run along the longer side.
    case toRandomBars: return along + 1;
    case toTwinRandomBars: return std::max(W, H) + 1;
    // Receding (the reverse run) sweeps Delta further.
    case toSwarm: return along + (S.Reverse ? D : 0) + 1;
    case toStripedIris: return shorter / 2 / D;
    case toRoll: return along + 3 * D + 1;
  }
  throw ETimeBase("unknown operation " + std::to_string(static_cast<int>(S.Operation)));
}

}  // namespace

std::int32_t TransitionFrameCount(const TTransitionSettings& Settings, int Width, int Height) {
  if (Width < 1 || Height < 1) throw ETimeBase("a transition needs pictures of at least 1 x 1");
  // Playback ends a run whose effect has not ended when its frame counter
  // reaches the top of the range, so that is where such a run ends.
  const std::int64_t count = EndRule(Settings, Width, Height);
  return static_cast<std::int32_t>(std::min<std::int64_t>(count, std::numeric_limits<std::int32_t>::max()));
}

TTransitionRenderer::TTransitionRenderer(const TBitmap& From, const TBitmap& To, const TTransitionSettings& Settings)
    // Random bars size their run from the control, so it takes the picture's size.
    : TTransitionRenderer(From, To, Settings, From.Width(), From.Height()) {}

TTransitionRenderer::TTransitionRenderer(const TBitmap& From, const TBitmap& To, const TTransitionSettings& Settings,
                                         int ControlWidth, int ControlHeight)
    : FSettings(Settings), FComposer(std::make_unique<TComposer>()) {
  if (From.Empty() || To.Empty()) throw ETimeBase("a transition needs two pictures that are not empty");
  const bool oneSize = From.Width() == To.Width() && From.Height() == To.Height() && ControlWidth == From.Width() &&
                       ControlHeight == From.Height();
  SetUp(
      [&](TComposer& C) {
        C.SetFromBitmap(&From);
        C.SetToBitmap(&To);
      },
      ControlWidth, ControlHeight, oneSize);
}

TTransitionRenderer::TTransitionRenderer(std::unique_ptr<TBitmap> From, std::unique_ptr<TBitmap> To,
                                         const TTransitionSettings& Settings)
    : FSettings(Settings), FComposer(std::make_unique<TComposer>()) {
  if (!From || !To || From->Empty() || To->Empty())
    throw ETimeBase("a transition needs two pictures that are not empty");
  const int width = From->Width(), height = From->Height();
  const bool oneSize = To->Width() == width && To->Height() == height;
  SetUp(
      [&](TComposer& C) {
        C.TakeFromBitmap(*From);
        C.TakeToBitmap(*To);
      },
      width, height, oneSize);
}

void TTransitionRenderer::SetUp(const std::function<void(TComposer&)>& SetPictures, int ControlWidth,
                                int ControlHeight, bool OneSize) {
  {
    // Setting the component up composes too, so it draws as well.
    TRunRandom random(UsesRandom(FSettings.Operation), FSettings.Seed);
    TComposer& c = *FComposer;
    c.SetSettingUp(true);
    c.SetBounds(0, 0, ControlWidth, ControlHeight);
    c.SetOperation(FSettings.Operation);
    c.SetModifier(FSettings.Modifier);
    c.SetReverse(FSettings.Reverse);
    c.SetDelta(FSettings.Delta);
    c.SetRGBOrder(FSettings.RGBOrder);
    SetPictures(c);
    if (FSettings.Color) c.SetColor(*FSettings.Color);
    c.SetSettingUp(false);
    // The worked-out counts hold for pictures and a control of one size.
    FFrameCount = OneSize ? TransitionFrameCount(FSettings, ControlWidth, ControlHeight) : SearchFrameCount();
  }
  Restart();
}

TTransitionRenderer::~TTransitionRenderer() = default;

int TTransitionRenderer::Width() const { return FComposer->FromBitmap()->Width(); }
int TTransitionRenderer::Height() const { return FComposer->FromBitmap()->Height(); }

std::int32_t TTransitionRenderer::SearchFrameCount() {
  // Only the random operations touch the process's generator, so the others
  // may search on several threads at once.
  const bool draws = UsesRandom(FSettings.Operation);
  const std::uint64_t callerRandom = draws ? RandSeed() : 0;
  std::int32_t count = 0;
  try {
    count = FindFrameCount();
  } catch (...) {
    if (draws) SetRandSeed(callerRandom);
    Restart();
    throw;
  }
  if (draws) SetRandSeed(callerRandom);
  Restart();
  return count;
}

bool TTransitionRenderer::EndsAt(std::int32_t CurrentFrame) {
  if (UsesRandom(FSettings.Operation)) SetRandSeed(FSettings.Seed);
  FComposer->StartRun();
  return FComposer->TickTo(CurrentFrame);
}

std::int32_t TTransitionRenderer::FindFrameCount() {
  if (EndsAt(0)) return 0;
  // Doubling finds a frame past the end, bisection the first one.
  std::int32_t before = 0, after = 1;
  while (!EndsAt(after)) {
    before = after;
    if (after == std::numeric_limits<std::int32_t>::max())
      throw ETimeBase("the transition does not end within 2147483647 frames");
    after = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{after} * 2, std::numeric_limits<std::int32_t>::max()));
  }
  while (after - before > 1) {
    const std::int32_t middle = before + (after - before) / 2;
    if (EndsAt(middle)) after = middle; else before = middle;
  }
  return after;
}

std::int32_t TTransitionRenderer::FrameAtProgress(double Progress, const TEasing& Easing) const {
  const double frame = std::nearbyint(Easing(Progress) * FFrameCount);
  if (!(frame > 0)) return 0;
  if (frame >= FFrameCount) return FFrameCount;
  return static_cast<std::int32_t>(frame);
}

void TTransitionRenderer::Restart() {
  TRunRandom random(UsesRandom(FSettings.Operation), FSettings.Seed);
  FComposer->StartRun();
  FRandomState = random.State();
  FLastFrame.reset();
}

const TBitmap& TTransitionRenderer::Compose(std::int32_t CurrentFrame) {
  const std::int32_t frame = std::clamp(CurrentFrame, 0, FFrameCount);
  if (FLastFrame == frame) return *FComposer->FrameBitmap();
  TRunRandom random(UsesRandom(FSettings.Operation), FRandomState);
  try {
    FComposer->TickTo(frame);
  } catch (...) {
    FRandomState = random.State();
    FLastFrame.reset();
    throw;
  }
  FRandomState = random.State();
  FLastFrame = frame;
  return *FComposer->FrameBitmap();
}

// ---------------------------------------------------------------- runs

std::vector<std::int32_t> PlaybackFrames(std::int32_t FrameCount, TPositiveInteger Steps) {
  const std::int64_t count = PlaybackFrameCount(FrameCount, Steps);
  std::vector<std::int32_t> frames;
  frames.reserve(static_cast<std::size_t>(count));
  for (std::int64_t i = 0; i < count; ++i) frames.push_back(PlaybackFrameAt(FrameCount, Steps, i));
  return frames;
}

std::int64_t PlaybackFrameCount(std::int32_t FrameCount, TPositiveInteger Steps) {
  if (Steps < 1) throw ETimeBase("Steps must be at least 1");
  // Ticks land on Steps - 1, 2 Steps - 1, ...; the first at or past the end ends the run.
  return (std::int64_t{std::max(FrameCount, 0)} + 1 + Steps - 1) / Steps;
}

std::int32_t PlaybackFrameAt(std::int32_t FrameCount, TPositiveInteger Steps, std::int64_t Index) {
  if (Steps < 1) throw ETimeBase("Steps must be at least 1");
  // Tick Index lands on (Index + 1) Steps - 1; the last tick is held at the end.
  const std::int64_t frame = (Index + 1) * std::int64_t{Steps} - 1;
  return static_cast<std::int32_t>(std::min<std::int64_t>(frame, std::max(FrameCount, 0)));
}

std::vector<std::int32_t> EasedFrames(std::int32_t FrameCount, std::int64_t Count, const TEasing& Easing) {
  if (Count < 1) throw ETimeBase("a run needs at least one frame");
  std::vector<std::int32_t> frames;
  frames.reserve(static_cast<std::size_t>(Count));
  for (std::int64_t i = 0; i < Count; ++i) frames.push_back(EasedFrameAt(FrameCount, Count, Easing, i));
  return frames;
}

std::int32_t EasedFrameAt(std::int32_t FrameCount, std::int64_t Count, const TEasing& Easing, std::int64_t Index) {
  const double progress = Count == 1 ? 1.0 : static_cast<double>(Index) / static_cast<double>(Count - 1);
  const double frame = std::nearbyint(Easing(progress) * FrameCount);
  return static_cast<std::int32_t>(std::clamp(frame, 0.0, static_cast<double>(FrameCount)));
}

TRunFrames TRunFrames::Playback(std::int32_t FrameCount, TPositiveInteger Steps) {
  TRunFrames frames;
  frames.FKind = TKind::Playback;
  frames.FCount = PlaybackFrameCount(FrameCount, Steps);
  frames.FFrameCount = FrameCount;
  frames.FSteps = Steps;
  return frames;
}

TRunFrames TRunFrames::Eased(std::int32_t FrameCount, std::int64_t Count, const TEasing& Easing) {
  if (Count < 1) throw ETimeBase("a run needs at least one frame");
  TRunFrames frames;
  frames.FKind = TKind::Eased;
  frames.FCount = Count;
  frames.FFrameCount = FrameCount;
  frames.FEasing = Easing;
  return frames;
}

TRunFrames::TRunFrames(std::vector<std::int32_t> Listed)
    : FCount(static_cast<std::int64_t>(Listed.size())), FListed(std::move(Listed)) {}

std::int32_t TRunFrames::At(std::int64_t Index) const {
  if (Index < 0 || Index >= FCount)
    throw std::out_of_range("frame " + std::to_string(Index) + " of a run of " + std::to_string(FCount));
  switch (FKind) {
    case TKind::Playback: return PlaybackFrameAt(FFrameCount, FSteps, Index);
    case TKind::Eased: return EasedFrameAt(FFrameCount, FCount, FEasing, Index);
    case TKind::Listed: break;
  }
  return FListed[static_cast<std::size_t>(Index)];
}

TTransitionRun::TTransitionRun(TTransitionRenderer& Renderer, TRunFrames Frames)
    : FRenderer(Renderer), FFrames(std::move(Frames)) {}

const TBitmap& TTransitionRun::Frame(std::size_t Index) {
  const std::int32_t target = CurrentFrameOf(Index);
  if (!UsesRandom(FRenderer.Settings().Operation)) return FRenderer.Compose(target);
  if (!FNext || Index + 1 < *FNext) {
    FRenderer.Restart();
    FNext = 0;
  }
  const TBitmap* frame = nullptr;
  if (Index + 1 == *FNext) return FRenderer.Compose(target);  // the frame composed last
  for (; *FNext <= Index; ++*FNext) frame = &FRenderer.Compose(CurrentFrameOf(*FNext));
  return *frame;
}

const TBitmap& TTransitionRun::At(double Progress, const TEasing& Easing) {
  const std::int32_t target = FRenderer.FrameAtProgress(Progress, Easing);
  if (UsesRandom(FRenderer.Settings().Operation)) {
    FRenderer.Restart();
    for (std::size_t i = 0; i < Count(); ++i) {
      const std::int32_t frame = CurrentFrameOf(i);
      if (frame >= target) break;
      FRenderer.Compose(frame);
    }
    FNext.reset();
  }
  return FRenderer.Compose(target);
}

}  // namespace tweenery
