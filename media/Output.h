// Where frames go: numbered PNG or Windows bitmap files, one still picture,
// a YUV4MPEG2 stream (a file or standard output), or a video file written
// through the ffmpeg libraries. Every output is published as Publish.h
// says: locked while written, under temporary names, renamed into place
// when complete; folders are made as needed; existing output is replaced
// only when asked to.
#pragma once

#include <functional>
#include <initializer_list>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Graphics.h"
#include "media/Publish.h"

struct AVFrame;

namespace tweenery {

struct TFrameRate {
  int Num = 25, Den = 1;
  double Value() const { return static_cast<double>(Num) / Den; }
};

enum class TOutputKind { Sequence, Still, Y4M, Video };

// How a video file is encoded; what is left empty takes the format's and
// the codec's defaults.
struct TEncoding {
  std::string Codec;             // h264, hevc, vp9, av1, prores
  std::optional<int> Crf;        // constant quality, the codec's own scale
  std::string Preset;            // ultrafast ... veryslow: speed against size
  std::string PixelFormat;       // yuv420p, yuv420p10le, yuva420p, ...
  std::optional<std::int64_t> Bitrate;  // bits a second, instead of a quality
  bool Alpha = false;            // frames carry alpha in their top byte
};

struct TOutputOptions {
  std::string Name;        // "-" is YUV4MPEG2 on standard output
  bool Overwrite = false;  // -y
  int PngLevel = 1;
  int Threads = 0;         // PNG writers; 0: one per core
  TEncoding Encoding;
  // Where the encoders' own warnings and errors go, each line prefixed
  // like the tool's messages; nullptr drops them.
  std::ostream* Messages = nullptr;
  // Sound carried with the frames: interleaved float samples at SoundRate
  // (0: none) in SoundChannels. Only a sink for which OutputTakesSound is
  // true carries it.
  int SoundRate = 0;
  int SoundChannels = 2;
};

// Pictures whose colours the frames show, had one at a time, so that a
// palette can be made from a run's pictures without holding them all.
class TPaletteSamples {
 public:
  using TVisit = std::function<void(const TBitmap&)>;
  using TWalk = std::function<void(const TVisit&)>;
  TPaletteSamples() = default;
  // Pictures the caller holds; nullptr entries are skipped.
  TPaletteSamples(std::initializer_list<const TBitmap*> Pictures) : FHeld(Pictures) {}
  TPaletteSamples(std::vector<const TBitmap*> Pictures) : FHeld(std::move(Pictures)) {}  // NOLINT
  // Pictures Walk hands to its visitor one after another.
  explicit TPaletteSamples(TWalk Walk) : FWalk(std::move(Walk)) {}
  void ForEach(const TVisit& Visit) const;

 private:
  std::vector<const TBitmap*> FHeld;
  TWalk FWalk;
};

// The kind of output a name asks for. Raises EUsage for a name whose kind
// is unknown, or a frame pattern that is malformed.
TOutputKind OutputKindOf(const std::string& Name);
// Raises EToolFailure when the output exists and may not be replaced, or
// is a folder.
void CheckOutputIsFree(const TOutputOptions& Options);

class TFrameSink {
 public:
  virtual ~TFrameSink() = default;
  virtual void Write(const TBitmap& Frame) = 0;
  // Completes the output under its final name. A sink destroyed before
  // Finish removes what it wrote.
  virtual void Finish() = 0;
  // What was written, for the summary: "H.264 (libx264)", "PNG frames".
  virtual std::string Description() const = 0;

  // A sink whose frames are encoded each on its own lets several threads
  // encode at once (EncodeApart, which touches nothing the sink writes) and
  // writes the bytes in order (WriteEncoded); Write is the two in turn.
  virtual bool EncodesApart() const { return false; }
  virtual void EncodeApart(const TBitmap& Frame, std::vector<std::uint8_t>& Bytes) const;
  virtual void WriteEncoded(const std::vector<std::uint8_t>& Bytes);

  // Whether the sink carries the sound its options asked for, and the next
  // Frames sample frames of it. The caller keeps sound and frames together
  // (the sound of each frame after the frame) so that the file interleaves
  // them closely.
  // A frame decoded from a clip, written as it is where the sink encodes
  // frames of its size, pixel format and colours (no conversion to lose
  // time or precision on); false where it cannot, and the caller writes the
  // picture instead.
  virtual bool WriteDecoded(const AVFrame& /*Frame*/) { return false; }

  virtual bool TakesSound() const { return false; }
  virtual void WriteSound(const float* Samples, std::size_t Frames);
};

// Whether an output of this name can carry sound: video files but GIF and
// animated PNG.
bool OutputTakesSound(const std::string& Name);

// Frames of Width x Height at Rate. PaletteSamples are pictures whose
// colours the frames show (the pictures of the run, a frame from the
// middle): formats with a palette build theirs from them.
std::unique_ptr<TFrameSink> OpenSink(const TOutputOptions& Options, int Width, int Height, TFrameRate Rate,
                                     const TPaletteSamples& PaletteSamples);

// ---- building blocks shared by the sinks

// The video sink (Video.cpp). Its encoder is opened before the palette's
// samples are visited, so a size it refuses costs no composing.
std::unique_ptr<TFrameSink> OpenVideoSink(const TOutputOptions& Options, int Width, int Height, TFrameRate Rate,
                                          const TPaletteSamples& PaletteSamples);
// Raises EUsage, saying what the format allows, when the video file Name
// cannot hold frames of Width x Height: checked before anything is read or
// composed.
void CheckVideoFrameSize(const std::string& Name, int Width, int Height, const TEncoding& Encoding = {});
// Raises EUsage, saying what would do, when the video file Name cannot be
// written as Encoding asks: a codec these libraries lack (the message lists
// those they have) or the container cannot hold, a pixel format the encoder
// does not take, a quality out of the codec's range, both a quality and a
// bit rate, alpha the codec cannot carry.
void CheckVideoEncoding(const std::string& Name, const TEncoding& Encoding);
// The codecs --codec can name that these libraries can write.
std::vector<std::string> AvailableVideoCodecs();

// A palette of at most 256 colours for Samples (median cut) and the lookup
// that maps any pixel to its nearest entry; for GIF.
class TPalette {
 public:
  explicit TPalette(const TPaletteSamples& Samples);
  const std::vector<std::uint32_t>& Colors() const { return FColors; }  // 0xFFRRGGBB
  // Not for several threads at once: the lookup fills as colours come.
  std::uint8_t IndexOf(std::uint32_t Pixel) const {
    const std::uint32_t key = ((Pixel >> 6) & 0x3F000u) | ((Pixel >> 4) & 0xFC0u) | ((Pixel >> 2) & 0x3Fu);
    const std::uint16_t index = FLookup[key];
    return index <= 0xFF ? static_cast<std::uint8_t>(index) : Nearest(key);
  }

 private:
  std::uint8_t Nearest(std::uint32_t Key) const;

  std::vector<std::uint32_t> FColors;
  mutable std::vector<std::uint16_t> FLookup;  // 6 bits per channel; 0xFFFF: not looked up yet
};

}  // namespace tweenery
