// Video clips as a run's inputs: told from pictures by their content, their
// moving frames brought to the output's size and rate one at a time as the
// run reaches them, and their sound resampled to the output's. Decoding
// streams: a clip of any length holds a frame or two and a few packets.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/Output.h"
#include "media/Pictures.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;
struct SwrContext;

namespace tweenery {

// Whether the file holds moving pictures (a video file of any container the
// ffmpeg libraries probe), as opposed to a still picture. Decided by the
// file's content, never by its name; a file the libraries cannot probe is
// not a clip (reading it as a picture then says what is wrong).
bool IsClip(const std::string& FileName);

// What a clip shows as a player shows it: its size after its sample aspect
// ratio and its rotation, its frame rate, its length and whether it has sound.
struct TClipInfo {
  int Width = 0, Height = 0;
  TFrameRate Rate;
  double Seconds = 0;
  bool HasSound = false;
  int Rotation = 0;  // clockwise quarter turns a player makes: 0, 90, 180, 270
};

// Raises EToolFailure naming the file where it cannot be read as a clip.
TClipInfo ReadClipInfo(const std::string& FileName);

// A clip's frames at Width x Height and the output's Rate: frame Index is
// the clip's picture on screen at Index / Rate seconds after its first
// frame, found by the timestamps, so that a clip of another or a variable
// rate is resampled (frames repeated or skipped). Past its last frame the
// last one stays. Indexes are asked for in order, each once or more.
class TClipFrames {
 public:
  TClipFrames(const std::string& FileName, int Width, int Height, TFit Fit, TColor Background, TFrameRate Rate);
  ~TClipFrames();
  TClipFrames(const TClipFrames&) = delete;
  TClipFrames& operator=(const TClipFrames&) = delete;

  const TClipInfo& Info() const { return FInfo; }
  // Frames at the output's rate the clip lasts.
  std::int64_t FrameCount() const;
  const TBitmap& Frame(std::int64_t Index);
  // The same frame as decoded, where it is the output frame as it is (of
  // the output's size, neither turned nor fitted); else nullptr. Valid
  // until the next call.
  const AVFrame* Decoded(std::int64_t Index);

 private:
  void MoveTo(std::int64_t Index);
  void Release();
  bool DecodeNext();
  double SecondsOf(const AVFrame* Frame) const;
  void Show(const AVFrame* Frame);
  void Fail(const std::string& Reason) const;

  std::string FName;
  TClipInfo FInfo;
  TFrameRate FRate;
  TRect FPlace;  // where the fitted picture lies in the frame, as displayed
  AVFormatContext* FFormat = nullptr;
  AVCodecContext* FCodec = nullptr;
  AVPacket* FPacket = nullptr;
  AVFrame* FNext = nullptr;   // decoded, not on screen yet
  AVFrame* FShown = nullptr;  // on screen
  SwsContext* FScale = nullptr;
  int FStream = -1;
  double FZero = 0;  // the first frame's time
  bool FHaveZero = false, FHaveNext = false, FHaveShown = false, FInputEnded = false, FDecoderEnded = false;
  std::int64_t FShownIndex = -1;
  bool FConverted = false;  // FFrame shows FShown
  std::vector<std::uint32_t> FScaled;
  TBitmap FFrame;
};

// The sound the output carries: interleaved 32-bit float samples.
constexpr int kSoundRate = 48000;
constexpr int kSoundChannels = 2;

// A file's sound resampled to kSoundRate and kSoundChannels, read in order
// from the clip's first frame (its time 0): sound that starts later is led
// by silence, sound before it is dropped. A file without sound, and the
// time past its end, read as silence.
class TClipSound {
 public:
  explicit TClipSound(const std::string& FileName);
  ~TClipSound();
  TClipSound(const TClipSound&) = delete;
  TClipSound& operator=(const TClipSound&) = delete;

  bool HasSound() const { return FCodec != nullptr; }
  // The next Frames sample frames (Frames * kSoundChannels floats).
  void Read(float* Samples, std::size_t Frames);

 private:
  void Release();
  bool DecodeMore();
  void Take(const AVFrame* Frame);
  void Fail(const std::string& Reason) const;

  std::string FName;
  AVFormatContext* FFormat = nullptr;
  AVCodecContext* FCodec = nullptr;
  AVPacket* FPacket = nullptr;
  AVFrame* FDecoded = nullptr;
  SwrContext* FResample = nullptr;
  int FStream = -1;
  double FZero = 0;
  bool FStarted = false, FInputEnded = false, FEnded = false;
  std::vector<float> FPending;  // resampled, not read yet
  std::size_t FRead = 0;        // floats of FPending already read
};

}  // namespace tweenery
