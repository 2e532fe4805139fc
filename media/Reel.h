// A run whose items may move: clips and pictures in order, each joined to
// the next by a transition laid over the end of one and the start of the
// other, with the clips' sound crossfaded along and, under it all, a track
// of music if asked for. Frames and sound are made as the run reaches them:
// only the items of the current transition are open.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "media/FrameWriter.h"
#include "media/Output.h"
#include "media/Programme.h"

namespace tweenery {

struct TReelItem {
  std::string FileName;
  bool Clip = false;
  std::int64_t Hold = 0;  // frames a picture stands still besides its transitions
};

struct TReelOptions {
  int Width = 0, Height = 0;  // 0: the first clip's size
  std::optional<TFrameRate> Rate;  // none: the first clip's rate
  TFit Fit = TFit::Contain;
  TColor Background = clBlack;
  // Where the first transition starts in the first item, in seconds (none:
  // as late as the item allows).
  std::optional<double> Offset;
  std::string Music;  // a file whose sound is laid under the whole run
  double MusicFade = 1;  // seconds of the music's fade-out at the run's end
};

class TReel {
 public:
  // Items.size() - 1 Plans, each with its Settings, Count frames and Easing.
  // Raises EToolFailure naming the clip that is shorter than its
  // transitions, EUsage for an offset that leaves no room for the first.
  TReel(std::vector<TReelItem> Items, std::vector<TTransitionPlan> Plans, const TReelOptions& Options);

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  TFrameRate Rate() const { return FRate; }
  std::int64_t FrameCount() const { return FFrameCount; }
  // Whether any clip or the music has sound.
  bool HasSound() const { return FHasSound; }
  // Each item's first frame, for a palette.
  TPaletteSamples PaletteSamples() const;

  // Every frame, and the sound where the sink carries it, written to Sink.
  void Write(TFrameSink& Sink, const TFramesWritten& Written);

  // Where item Index starts in the run, in frames, and how long it lasts.
  std::int64_t Start(std::size_t Index) const { return FStarts.at(Index); }
  std::int64_t Length(std::size_t Index) const { return FLengths.at(Index); }

 private:
  class TPlayer;
  std::int64_t SoundAt(std::int64_t Frame) const;

  std::vector<TReelItem> FItems;
  std::vector<TTransitionPlan> FPlans;
  TReelOptions FOptions;
  int FWidth = 0, FHeight = 0;
  TFrameRate FRate;
  bool FHasSound = false;
  std::vector<std::int64_t> FLengths, FStarts, FTransitionStarts;
  std::int64_t FFrameCount = 0;
};

}  // namespace tweenery
