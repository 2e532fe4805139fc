#include "media/Reel.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <memory>
#include <sstream>

#include "media/Clips.h"
#include "media/Errors.h"
#include "media/Interruption.h"
#include "tweenkit/Tweenery.h"

namespace tweenery {

namespace {

std::string SecondsText(std::int64_t Frames, TFrameRate Rate) {
  std::ostringstream text;
  text << std::fixed << std::setprecision(2) << Frames / Rate.Value() << " s";
  return text.str();
}

// One transition between two moving pictures: each frame composes the
// pictures of that moment at the run's CurrentFrame.
class TMovingTransition {
 public:
  virtual ~TMovingTransition() = default;
  virtual const TBitmap& Compose(const TBitmap& From, const TBitmap& To, std::int32_t CurrentFrame) = 0;
};

// The component given each moment's pictures, for the operations whose
// frame follows from its CurrentFrame alone.
class TComponentTransition : public TMovingTransition, private TTweenery {
 public:
  TComponentTransition(const TTransitionSettings& s, int Width, int Height) : TTweenery(nullptr) {
    SetInterval(0);
    SetBounds(0, 0, Width, Height);
    SetOperation(s.Operation);
    SetModifier(s.Modifier);
    SetReverse(s.Reverse);
    SetDelta(s.Delta);
    SetRGBOrder(s.RGBOrder);
    if (s.Color) SetColor(*s.Color);
  }
  const TBitmap& Compose(const TBitmap& From, const TBitmap& To, std::int32_t CurrentFrame) override {
    SetFromBitmap(&From);
    SetToBitmap(&To);
    SetCurrentFrame(CurrentFrame);
    return *FrameBitmap();
  }
};

// The random operations carry their bars from frame to frame, and each of
// their frames shows every pixel from either picture: the run is played
// once on a black From and a white To, and each frame takes a pixel from
// the moment's To where that run shows white.
class TMaskedTransition : public TMovingTransition {
 public:
  TMaskedTransition(const TTransitionSettings& s, int Width, int Height)
      : FBlack(Width, Height), FWhite(Width, Height), FFrame(Width, Height) {
    Fill(FBlack, clBlack);
    Fill(FWhite, clWhite);
    FMask = std::make_unique<TTransitionRenderer>(FBlack, FWhite, s);
  }
  const TBitmap& Compose(const TBitmap& From, const TBitmap& To, std::int32_t CurrentFrame) override {
    const TBitmap& mask = FMask->Compose(CurrentFrame);
    for (int y = 0; y < FFrame.Height(); ++y) {
      const std::uint32_t *m = mask.ScanLine(y), *f = From.ScanLine(y), *t = To.ScanLine(y);
      std::uint32_t* out = FFrame.ScanLine(y);
      for (int x = 0; x < FFrame.Width(); ++x) out[x] = (m[x] & 0x8000u) ? t[x] : f[x];
    }
    return FFrame;
  }

 private:
  static void Fill(TBitmap& Picture, TColor Color) {
    Picture.Canvas()->Brush()->SetStyle(bsSolid);
    Picture.Canvas()->Brush()->SetColor(Color);
    Picture.Canvas()->FillRect(Rect(0, 0, Picture.Width(), Picture.Height()));
  }
  TBitmap FBlack, FWhite, FFrame;
  std::unique_ptr<TTransitionRenderer> FMask;
};

std::unique_ptr<TMovingTransition> MakeTransition(const TTransitionSettings& Settings, int Width, int Height) {
  if (UsesRandom(Settings.Operation)) return std::make_unique<TMaskedTransition>(Settings, Width, Height);
  return std::make_unique<TComponentTransition>(Settings, Width, Height);
}

}  // namespace

// ---------------------------------------------------------------- players

// One item as the run plays it: a clip's frames and sound, or a picture
// and silence.
class TReel::TPlayer {
 public:
  TPlayer(const TReelItem& Item, const TReel& Reel) {
    const TReelOptions& o = Reel.FOptions;
    if (Item.Clip) {
      FFrames = std::make_unique<TClipFrames>(Item.FileName, Reel.FWidth, Reel.FHeight, o.Fit, o.Background, Reel.FRate);
      FSound = std::make_unique<TClipSound>(Item.FileName);
    } else {
      FPicture = ReadFittedPicture(Item.FileName, Reel.FWidth, Reel.FHeight, o.Fit, o.Background);
    }
  }
  const TBitmap& Frame(std::int64_t Index) { return FFrames ? FFrames->Frame(Index) : *FPicture; }
  // The frame written as decoded where the sink takes it so, else as a picture.
  void Write(std::int64_t Index, TFrameSink& Sink) {
    const AVFrame* decoded = FFrames ? FFrames->Decoded(Index) : nullptr;
    if (!decoded || !Sink.WriteDecoded(*decoded)) Sink.Write(Frame(Index));
  }
  void Sound(float* Samples, std::size_t Frames) {
    if (FSound) FSound->Read(Samples, Frames);
    else std::fill(Samples, Samples + Frames * kSoundChannels, 0.0f);
  }

 private:
  std::unique_ptr<TClipFrames> FFrames;
  std::unique_ptr<TClipSound> FSound;
  std::unique_ptr<TBitmap> FPicture;
};

// ---------------------------------------------------------------- the reel

TReel::TReel(std::vector<TReelItem> Items, std::vector<TTransitionPlan> Plans, const TReelOptions& Options)
    : FItems(std::move(Items)), FPlans(std::move(Plans)), FOptions(Options), FWidth(Options.Width),
      FHeight(Options.Height) {
  if (FItems.size() < 2 || FPlans.size() + 1 != FItems.size())
    throw EUsage("a run joins two or more pictures or clips, one transition between each two");
  std::vector<TClipInfo> infos(FItems.size());
  std::optional<TClipInfo> first;
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Clip) {
      infos[i] = ReadClipInfo(FItems[i].FileName);
      if (!first) first = infos[i];
      FHasSound = FHasSound || infos[i].HasSound;
    }
  if (!FOptions.Music.empty()) {
    if (!TClipSound(FOptions.Music).HasSound()) throw EToolFailure("cannot read '" + FOptions.Music + "': it has no sound");
    FHasSound = true;
  }
  FRate = Options.Rate ? *Options.Rate : first ? first->Rate : TFrameRate{30, 1};
  if (FWidth == 0 && first) {
    FWidth = first->Width;
    FHeight = first->Height;
  } else if (FWidth == 0) {
    const std::unique_ptr<TBitmap> picture = ReadPicture(FItems[0].FileName);
    FWidth = picture->Width();
    FHeight = picture->Height();
  }
  // Each item's length: a clip's own, a picture's hold with the
  // transitions on either side of it.
  for (std::size_t i = 0; i < FItems.size(); ++i) {
    const std::int64_t before = i > 0 ? FPlans[i - 1].Count : 0, after = i + 1 < FItems.size() ? FPlans[i].Count : 0;
    if (!FItems[i].Clip) {
      FLengths.push_back(before + FItems[i].Hold + after);
      continue;
    }
    const std::int64_t length = std::max<std::int64_t>(1, std::llround(infos[i].Seconds * FRate.Value()));
    if (length < before + after)
      throw EToolFailure("cannot join '" + FItems[i].FileName + "': the clip lasts " + SecondsText(length, FRate) +
                         ", shorter than its transitions (" + SecondsText(before + after, FRate) + ")");
    FLengths.push_back(length);
  }
  // Each transition starts as late as its From allows, the first one where
  // the offset puts it.
  std::int64_t start = 0;
  for (std::size_t i = 0; i < FItems.size(); ++i) {
    FStarts.push_back(start);
    if (i + 1 == FItems.size()) break;
    std::int64_t into = FLengths[i] - FPlans[i].Count;
    if (i == 0 && Options.Offset) {
      if (!(*Options.Offset >= 0)) throw EUsage("--offset must be 0 seconds or more");
      into = std::llround(*Options.Offset * FRate.Value());
      if (into + FPlans[0].Count > FLengths[0])
        throw EUsage("--offset " + SecondsText(into, FRate) + ": '" + FItems[0].FileName + "' lasts " +
                     SecondsText(FLengths[0], FRate) + ", which leaves no room for a transition of " +
                     SecondsText(FPlans[0].Count, FRate) + " after it");
    }
    start += into;
    FTransitionStarts.push_back(start);
  }
  FFrameCount = FStarts.back() + FLengths.back();
}

TPaletteSamples TReel::PaletteSamples() const {
  return TPaletteSamples([this](const TPaletteSamples::TVisit& Visit) {
    for (const TReelItem& item : FItems) Visit(TPlayer(item, *this).Frame(0));
  });
}

// The first sample of frame Frame.
std::int64_t TReel::SoundAt(std::int64_t Frame) const {
  return Frame * kSoundRate * FRate.Den / FRate.Num;
}

void TReel::Write(TFrameSink& Sink, const TFramesWritten& Written) {
  const bool sound = FHasSound && Sink.TakesSound();
  std::vector<std::unique_ptr<TPlayer>> players(FItems.size());
  auto player = [&](std::size_t i) -> TPlayer& {
    if (!players[i]) players[i] = std::make_unique<TPlayer>(FItems[i], *this);
    return *players[i];
  };
  std::unique_ptr<TClipSound> music = sound && !FOptions.Music.empty() ? std::make_unique<TClipSound>(FOptions.Music) : nullptr;
  const std::int64_t soundEnd = SoundAt(FFrameCount);
  const double fade = std::max(1.0, FOptions.MusicFade * kSoundRate);
  std::vector<float> mix, other;

  std::size_t item = 0;  // the earliest item still on screen
  std::unique_ptr<TMovingTransition> transition;
  std::optional<TRunFrames> runFrames;
  for (std::int64_t f = 0; f < FFrameCount; ++f) {
    StopIfInterrupted();
    // An item leaves once its transition into the next has ended.
    while (item + 1 < FItems.size() && f >= FTransitionStarts[item] + FPlans[item].Count) {
      players[item].reset();
      transition.reset();
      ++item;
    }
    const bool joining = item + 1 < FItems.size() && f >= FTransitionStarts[item];
    if (joining && !transition) {
      transition = MakeTransition(FPlans[item].Settings, FWidth, FHeight);
      runFrames = TRunFrames::Eased(TransitionFrameCount(FPlans[item].Settings, FWidth, FHeight), FPlans[item].Count,
                                    FPlans[item].Easing);
    }
    if (joining) {
      const TBitmap& from = player(item).Frame(f - FStarts[item]);
      const TBitmap& to = player(item + 1).Frame(f - FStarts[item + 1]);
      Sink.Write(transition->Compose(from, to, runFrames->At(f - FTransitionStarts[item])));
    } else {
      player(item).Write(f - FStarts[item], Sink);
    }
    if (sound) {
      const std::int64_t first = SoundAt(f), count = SoundAt(f + 1) - first;
      mix.resize(static_cast<std::size_t>(count) * kSoundChannels);
      player(item).Sound(mix.data(), static_cast<std::size_t>(count));
      if (joining) {
        // Equal power: the two gains' squares add up to 1 at every moment.
        other.resize(mix.size());
        player(item + 1).Sound(other.data(), static_cast<std::size_t>(count));
        const std::int64_t from = SoundAt(FTransitionStarts[item]);
        const double length = static_cast<double>(SoundAt(FTransitionStarts[item] + FPlans[item].Count) - from);
        for (std::int64_t s = 0; s < count; ++s) {
          const double angle = (first + s - from + 0.5) / length * (M_PI / 2);
          const float out = static_cast<float>(std::cos(angle)), in = static_cast<float>(std::sin(angle));
          for (int c = 0; c < kSoundChannels; ++c) {
            float& sample = mix[static_cast<std::size_t>(s) * kSoundChannels + c];
            sample = sample * out + other[static_cast<std::size_t>(s) * kSoundChannels + c] * in;
          }
        }
      }
      if (music) {
        other.resize(mix.size());
        music->Read(other.data(), static_cast<std::size_t>(count));
        for (std::int64_t s = 0; s < count; ++s) {
          const float gain = static_cast<float>(std::min(1.0, (soundEnd - first - s) / fade));
          for (int c = 0; c < kSoundChannels; ++c) {
            float& sample = mix[static_cast<std::size_t>(s) * kSoundChannels + c];
            sample = std::clamp(sample + gain * other[static_cast<std::size_t>(s) * kSoundChannels + c], -1.0f, 1.0f);
          }
        }
      }
      Sink.WriteSound(mix.data(), static_cast<std::size_t>(count));
    }
    if (Written) Written(f + 1);
  }
}

}  // namespace tweenery
