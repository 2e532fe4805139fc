// The frei0r mixer core: parameter tables, the pixel format change and the
// per-instance component.
#include "plugins/frei0r/Frei0rMixer.h"

#include <frei0r.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <mutex>

#include "platform/Random.h"
#include "tweenkit/Presets.h"

namespace tweenery::frei0r {

namespace {

// The component, the process's random generator and the message loop its
// timer joins are GUI-thread objects; hosts call from worker threads, so
// every use of them is serialised here.
std::mutex& ComponentLock() {
  static std::mutex lock;
  return lock;
}

const char* OperationExplanation(TTransitionOperation Operation) {
  switch (Operation) {
    case toPush: return "The To picture pushes the From picture out of the frame.";
    case toBlinds: return "Slats of the To picture open like the blades of a blind turning.";
    case toCheckerboard: return "Small squares of the To picture are sprinkled over the From picture on a grid that grows denser.";
    case toCrush: return "The two halves of the To picture slide in over the still From picture.";
    case toMonoReveal: return "The From picture slides away and reveals the To picture beneath.";
    case toReveal: return "The From picture parts in two halves that slide away and reveal the To picture.";
    case toIris: return "The To picture opens out of the centre of the frame.";
    case toMonoSlider: return "Every other band of the To picture slides in, then the bands between are wiped in.";
    case toSlider: return "Interleaved bands of the To picture slide in from opposite edges.";
    case toStrip: return "Interleaved bands of the To picture are wiped in from opposite edges, like two combs closing.";
    case toZoom: return "The leaving picture shrinks to the centre and the entering one grows out of it.";
    case toFade: return "The From picture fades into the fill colour and the fill colour into the To picture.";
    case toMosaic: return "The leaving picture coarsens into ever larger blocks and the entering one refines out of them.";
    case toBlend: return "The From picture dissolves into the To picture.";
    case toGlide: return "The To picture slides in over the still From picture.";
    case toReplace: return "A cut from one picture to the other.";
    case toRGB: return "The leaving picture's channels go out one by one, then the entering picture's come in.";
    case toRGBBlend: return "The leaving picture's channels are replaced by the entering picture's, one by one.";
    case toSpiral: return "In square tiles, the entering picture is uncovered along spirals winding outwards.";
    case toCheckerBlinds: return "The entering picture opens through a checkerboard of blinds.";
    case toShade: return "A glide in which the moving picture is mixed with the one beneath by exclusive-or.";
    case toShadeContinue: return "An exclusive-or glide that carries on through the second half.";
    case toSqueeze: return "The To picture grows out of the centre while the From picture is squeezed into a border.";
    case toRandomBars: return "Bars of the To picture appear at random places until they cover the frame.";
    case toTwinRandomBars: return "Bars of the To picture appear at random in both directions at once.";
    case toSwarm: return "The To picture sweeps in behind a ragged front of scattered pixels.";
    case toStripedIris: return "The entering picture appears in concentric rings, every other ring first.";
    case toRoll: return "The To picture unrolls over the From picture like a sheet.";
  }
  return "";
}

const TParamSpec kProgress{pkProgress, "progress", F0R_PARAM_DOUBLE,
                           "Position of the transition, 0 (From picture) to 1 (To picture); animate it. "
                           "While a host never moves it from 0, the stream's time over duration is used"};
const TParamSpec kEasing{pkEasing, "easing", F0R_PARAM_STRING,
                         "Easing curve: linear, ease, ease-in, ease-out, ease-in-out, "
                         "cubic-bezier(x1,y1,x2,y2), steps(n[,position]); anything else is linear"};
const TParamSpec kDuration{pkDuration, "duration", F0R_PARAM_DOUBLE,
                           "Length of the transition when time drives it (progress never moved): "
                           "seconds = value * 100, so 0.01 is 1 s"};
const TParamSpec kDirection{pkDirection, "direction", F0R_PARAM_DOUBLE,
                            "Direction: below 0.25 left, below 0.5 right, below 0.75 up, else down"};
const TParamSpec kReverse{pkReverse, "reverse", F0R_PARAM_BOOL, "Play the operation's reverse form"};
const TParamSpec kDeltaLength{pkDelta, "delta", F0R_PARAM_DOUBLE,
                              "Size (band, slat, tile or roll) as a fraction of the frame's shorter side"};
const TParamSpec kDeltaHalvings{pkDelta, "delta", F0R_PARAM_DOUBLE,
                                "Halvings at the coarsest stage: value * 16, at least 1"};
const TParamSpec kColor{pkColor, "color", F0R_PARAM_COLOR, "Fill colour"};
const TParamSpec kOrder{pkOrder, "order", F0R_PARAM_DOUBLE,
                        "Channel order in sixths: RGB, RBG, GRB, GBR, BRG, BGR"};
const TParamSpec kSeed{pkSeed, "seed", F0R_PARAM_DOUBLE,
                       "Random run: the same seed gives the same transition; seed = value * 4294967295"};

std::vector<TParamSpec> ParamsOf(TTransitionOperation Operation) {
  const unsigned reads = OperationParameters(Operation);
  std::vector<TParamSpec> params{kProgress, kEasing, kDuration};
  if (reads & opModifier) params.push_back(kDirection);
  if (reads & opReverse) params.push_back(kReverse);
  if (reads & opDelta) params.push_back(Operation == toMosaic ? kDeltaHalvings : kDeltaLength);
  if (reads & opColor) params.push_back(kColor);
  if (reads & opRGBOrder) params.push_back(kOrder);
  if (UsesRandom(Operation)) params.push_back(kSeed);
  return params;
}

// The dialog's pictures are 143 pixels high: a preset Delta over that keeps
// the preset's look at any frame size.
constexpr double kPresetHeight = 144;
constexpr double kMosaicScale = 16;
constexpr double kDurationScale = 100;  // seconds at value 1
constexpr double kSeedScale = 4294967295.0;

double DefaultValue(TTransitionOperation Operation, TParamKind Kind) {
  switch (Kind) {
    case pkDuration: return 1 / kDurationScale;
    case pkDelta: {
      const double delta = OperationPreset(Operation).Delta.value_or(10);
      return std::min(1.0, delta / (Operation == toMosaic ? kMosaicScale : kPresetHeight));
    }
    default: return 0;
  }
}

double Bounded(double Value, double Default) {
  if (std::isnan(Value)) return Default;
  return std::clamp(Value, 0.0, 1.0);
}

// Index of the band of [0, 1] cut into Count equal parts that Value lies in.
int Band(double Value, int Count) {
  return std::min(Count - 1, static_cast<int>(Value * Count));
}

bool SameLook(const TTransitionSettings& A, const TTransitionSettings& B) {
  return A.Operation == B.Operation && A.Modifier == B.Modifier && A.Reverse == B.Reverse && A.Delta == B.Delta &&
         A.RGBOrder == B.RGBOrder && A.Color == B.Color && A.Seed == B.Seed;
}

std::uint32_t SwapRedBlue(std::uint32_t Pixel) {
  return 0xFF000000u | ((Pixel & 0xFFu) << 16) | (Pixel & 0xFF00u) | ((Pixel >> 16) & 0xFFu);
}

}  // namespace

const TPluginDescription& DescribePlugin(TTransitionOperation Operation) {
  static const std::array<TPluginDescription, TransitionOperationCount> descriptions = [] {
    std::array<TPluginDescription, TransitionOperationCount> d;
    for (int i = 0; i < TransitionOperationCount; ++i) {
      const auto operation = static_cast<TTransitionOperation>(i);
      d[i] = {std::string("Tweenery ") + OperationText(operation), OperationExplanation(operation), ParamsOf(operation)};
    }
    return d;
  }();
  return descriptions.at(Operation);
}

// Host bytes R, G, B, A read as a little-endian word are 0xAABBGGRR, so
// both directions swap the red and blue bytes.
void HostToPicture(const std::uint32_t* Host, std::uint32_t* Picture, std::size_t Count) {
  static_assert(std::endian::native == std::endian::little, "the host's byte order is read as little-endian words");
  for (std::size_t i = 0; i < Count; ++i) Picture[i] = SwapRedBlue(Host[i]);
}

void PictureToHost(const std::uint32_t* Picture, std::uint32_t* Host, std::size_t Count) {
  for (std::size_t i = 0; i < Count; ++i) Host[i] = SwapRedBlue(Picture[i]);
}

bool AcceptableFrameSize(unsigned Width, unsigned Height) {
  return Width > 0 && Height > 0 && Width <= static_cast<unsigned>(std::numeric_limits<int>::max()) &&
         Height <= static_cast<unsigned>(std::numeric_limits<int>::max()) &&
         std::uint64_t{Width} * Height <= static_cast<std::uint64_t>(TBitmap::MaxPixels);
}

// ---------------------------------------------------------------- composer

// The component driven by hand: every frame sets a run up from the seed and
// composes CurrentFrame in one tick, as the time base does after a restart.
class TMixer::TComposer : public TTweenery {
 public:
  TComposer(TTransitionOperation Operation, int Width, int Height) : TTweenery(nullptr) {
    SetInterval(0);
    // Random bars size their run from the control.
    SetBounds(0, 0, Width, Height);
    SetOperation(Operation);
    // The pictures are written in place each frame, without the change
    // notices that would compose a frame of their own.
    FromBitmap()->SetSize(Width, Height);
    ToBitmap()->SetSize(Width, Height);
  }
  using TTweenery::FrameBitmap;

  void Apply(const TTransitionSettings& S) {
    if (Active()) Stop();
    SetModifier(S.Modifier);
    SetReverse(S.Reverse);
    SetDelta(S.Delta);
    SetRGBOrder(S.RGBOrder);
    if (S.Color) SetColor(*S.Color);
  }

  const TBitmap& Compose(std::int32_t CurrentFrame, std::uint64_t Seed) {
    const std::uint64_t callerRandom = RandSeed();
    SetRandSeed(Seed);
    try {
      if (Active()) Stop();
      Play();
      SetSteps(static_cast<TPositiveInteger>(
          std::min<std::int64_t>(std::int64_t{CurrentFrame} + 1, std::numeric_limits<std::int32_t>::max())));
      FXTimer(nullptr);
    } catch (...) {
      SetRandSeed(callerRandom);
      throw;
    }
    SetRandSeed(callerRandom);
    return *FrameBitmap();
  }
};

// ---------------------------------------------------------------- mixer

TMixer::TMixer(TTransitionOperation Operation, unsigned Width, unsigned Height)
    : FOperation(Operation),
      FWidth(static_cast<int>(Width)),
      FHeight(static_cast<int>(Height)),
      FDescription(DescribePlugin(Operation)) {
  if (!AcceptableFrameSize(Width, Height)) throw ETimeBase("frame size out of range");
  for (int k = 0; k <= pkSeed; ++k) FValues[k] = DefaultValue(Operation, static_cast<TParamKind>(k));
  std::lock_guard<std::mutex> guard(ComponentLock());
  FComposer = std::make_unique<TComposer>(Operation, FWidth, FHeight);
}

TMixer::~TMixer() {
  std::lock_guard<std::mutex> guard(ComponentLock());
  FComposer.reset();
}

void TMixer::SetParam(int Index, const void* Value) {
  if (Index < 0 || Index >= static_cast<int>(FDescription.Params.size()) || !Value) return;
  const TParamSpec& param = FDescription.Params[Index];
  switch (param.Type) {
    case F0R_PARAM_STRING: {
      const char* text = *static_cast<const char* const*>(Value);
      FEasingText = "linear";
      FEasing = TEasing();
      if (!text) break;
      try {
        FEasing = TEasing::Parse(text);
        FEasingText = text;
      } catch (const ETimeBase&) {
        // A curve that does not parse plays linearly, and says so when read.
      }
      break;
    }
    case F0R_PARAM_COLOR: {
      const auto* color = static_cast<const f0r_param_color_t*>(Value);
      const float parts[3] = {color->r, color->g, color->b};
      for (int i = 0; i < 3; ++i) FColor[i] = static_cast<float>(Bounded(parts[i], 0));
      break;
    }
    default: {
      const double value = Bounded(*static_cast<const double*>(Value), DefaultValue(FOperation, param.Kind));
      // Some hosts hand every parameter its value once, at construction
      // (GStreamer's bridge does), and then only time advances; others
      // set progress before every frame. A value handed over before a
      // frame positions that frame, and progress stays in charge once it
      // has moved; otherwise time does.
      if (param.Kind == pkProgress) {
        FProgressFresh = true;
        if (value != FValues[pkProgress]) FProgressMoved = true;
      }
      FValues[param.Kind] = value;
      break;
    }
  }
}

void TMixer::GetParam(int Index, void* Value) const {
  if (Index < 0 || Index >= static_cast<int>(FDescription.Params.size()) || !Value) return;
  const TParamSpec& param = FDescription.Params[Index];
  switch (param.Type) {
    case F0R_PARAM_STRING:
      *static_cast<f0r_param_string*>(Value) = const_cast<char*>(FEasingText.c_str());
      break;
    case F0R_PARAM_COLOR:
      *static_cast<f0r_param_color_t*>(Value) = {FColor[0], FColor[1], FColor[2]};
      break;
    default:
      *static_cast<double*>(Value) = FValues[param.Kind];
      break;
  }
}

TTransitionSettings TMixer::Settings() const {
  TTransitionSettings s;
  s.Operation = FOperation;
  s.Modifier = static_cast<TTransitionModifier>(Band(FValues[pkDirection], 4));
  s.Reverse = FValues[pkReverse] >= 0.5;
  s.RGBOrder = static_cast<TRGBOrder>(Band(FValues[pkOrder], 6));
  const double scale = FOperation == toMosaic ? kMosaicScale : std::min(FWidth, FHeight);
  s.Delta = static_cast<TPositiveInteger>(std::max(1.0, std::nearbyint(FValues[pkDelta] * scale)));
  auto byte = [](float Part) { return static_cast<std::int32_t>(std::lround(Part * 255.0f)); };
  s.Color = static_cast<TColor>(byte(FColor[0]) | (byte(FColor[1]) << 8) | (byte(FColor[2]) << 16));
  s.Seed = static_cast<std::uint64_t>(std::llround(FValues[pkSeed] * kSeedScale));
  return s;
}

double TMixer::Position(double Time) const {
  if (FProgressMoved || FProgressFresh) return FValues[pkProgress];
  const double seconds = FValues[pkDuration] * kDurationScale;
  if (!(seconds > 0) || !(Time > 0)) return std::isinf(Time) && Time > 0 ? 1 : 0;
  return std::min(1.0, Time / seconds);
}

std::int32_t TMixer::FrameCount(const TTransitionSettings& S) {
  if (!FFrameCount) {
    FComposer->Apply(S);
    TTransitionRenderer renderer(*FComposer->FromBitmap(), *FComposer->ToBitmap(), S);
    FFrameCount = renderer.FrameCount();
  }
  return *FFrameCount;
}

void TMixer::Update(double Time, const std::uint32_t* From, const std::uint32_t* To, std::uint32_t* Out) {
  if (!From || !To || !Out) return;
  const std::size_t count = static_cast<std::size_t>(FWidth) * static_cast<std::size_t>(FHeight);
  HostToPicture(From, FComposer->FromBitmap()->Bits(), count);
  HostToPicture(To, FComposer->ToBitmap()->Bits(), count);
  const TTransitionSettings settings = Settings();
  std::lock_guard<std::mutex> guard(ComponentLock());
  if (!SameLook(FApplied, settings)) FFrameCount.reset();
  FApplied = settings;
  const std::int32_t frames = FrameCount(settings);
  const double frame = std::nearbyint(FEasing(Position(Time)) * frames);
  FProgressFresh = false;
  const std::int32_t current = frame > 0 ? (frame >= frames ? frames : static_cast<std::int32_t>(frame)) : 0;
  PictureToHost(FComposer->Compose(current, settings.Seed).Bits(), Out, count);
}

}  // namespace tweenery::frei0r
