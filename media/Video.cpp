// Video files through libavformat and libavcodec: H.264 (libx264 where the
// libraries have it, else MPEG-4 part 2) in MP4, Matroska and QuickTime,
// VP9 in WebM, GIF with a palette made from the run's pictures, and
// animated PNG.
#include <algorithm>
#include <array>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <ostream>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include "media/Output.h"
#include "media/Errors.h"

namespace tweenery {

namespace {

std::string AvError(int Code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(Code, text, sizeof text);
  return text;
}

struct TCodecChoice {
  const AVCodec* Codec = nullptr;
  AVPixelFormat Format = AV_PIX_FMT_YUV420P;
  std::string Description;
  int MostSide = INT_MAX;  // the longest side the encoder takes, in pixels
};

// Each encoder's longest side as it enforces it: libx264 refuses sides past
// 16384, libvpx's VP9 fails at the first frame past 16384 and VP8 past
// 16383 (14-bit sizes), MPEG-4 part 2 stores 13-bit sizes, GIF 16-bit ones.
TCodecChoice ChooseCodec(const std::string& Extension) {
  TCodecChoice choice;
  auto pick = [&](const char* name, AVPixelFormat format, const char* description, int mostSide) {
    if (choice.Codec) return;
    if (const AVCodec* codec = avcodec_find_encoder_by_name(name)) {
      choice.Codec = codec;
      choice.Format = format;
      choice.Description = description;
      choice.MostSide = mostSide;
    }
  };
  if (Extension == "gif") {
    pick("gif", AV_PIX_FMT_PAL8, "GIF", 65535);
  } else if (Extension == "apng") {
    pick("apng", AV_PIX_FMT_RGB24, "animated PNG", INT_MAX);
  } else if (Extension == "webm") {
    pick("libvpx-vp9", AV_PIX_FMT_YUV420P, "VP9 (libvpx)", 16384);
    pick("libvpx", AV_PIX_FMT_YUV420P, "VP8 (libvpx)", 16383);
  } else {
    pick("libx264", AV_PIX_FMT_YUV420P, "H.264 (libx264)", 16384);
    pick("mpeg4", AV_PIX_FMT_YUV420P, "MPEG-4 part 2 (no libx264 in these libraries)", 8191);
  }
  return choice;
}

// A GIF states each frame's delay in whole hundredths of a second, 1 to
// 65535 of them: a rate outside that would be refused by the muxer with no
// reason given, or played at another speed than the run reports.
void CheckGifRate(TFrameRate Rate) {
  if (std::int64_t{Rate.Num} > std::int64_t{100} * Rate.Den)
    throw EUsage("a GIF shows a frame for 0.01 s at least: use --fps 100 or less (or --interval 10 or more)");
  if (std::int64_t{100} * Rate.Den > std::int64_t{65535} * Rate.Num)
    throw EUsage("a GIF shows a frame for 655.35 s at most: use --fps 0.002 or more");
}

std::string ExtensionOf(const std::string& Name) {
  std::string extension = std::filesystem::path(Name).extension().string();
  if (!extension.empty()) extension.erase(0, 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

// 4:2:0 needs even sides: the frame is padded by repeating its last column
// and row.
int EvenUp(int Side, AVPixelFormat Format) { return Format == AV_PIX_FMT_YUV420P ? (Side + 1) & ~1 : Side; }

// The ffmpeg libraries refuse any picture whose (width + 128) x (height +
// 128) reaches INT_MAX / 8 (av_image_check_size), whatever the encoder.
constexpr std::int64_t kLibavArea = INT_MAX / 8;

bool LibavTakes(std::int64_t Width, std::int64_t Height) { return (Width + 128) * (Height + 128) < kLibavArea; }

// The most rows the libraries take at a width (even for 4:2:0).
std::int64_t LibavMostRows(std::int64_t Width, AVPixelFormat Format) {
  const std::int64_t rows = (kLibavArea - 1) / (Width + 128) - 128;
  return Format == AV_PIX_FMT_YUV420P ? rows & ~std::int64_t{1} : rows;
}

// ---------------------------------------------------------------- messages

// The libraries' log goes into the tool's message stream while a sink is
// open: warnings and errors only, a line at a time, each prefixed with the
// tool's name and the library part that speaks. Encoders log from their own
// threads, so every piece is written under one lock.
class TLibavMessages {
 public:
  explicit TLibavMessages(std::ostream* Messages) {
    std::lock_guard lock(Mutex());
    FPrevious = Current();
    Current() = Messages;
    av_log_set_callback(&TLibavMessages::Log);
  }
  ~TLibavMessages() {
    std::lock_guard lock(Mutex());
    Flush();
    Current() = FPrevious;
  }
  TLibavMessages(const TLibavMessages&) = delete;
  TLibavMessages& operator=(const TLibavMessages&) = delete;

 private:
  static std::mutex& Mutex() {
    static std::mutex mutex;
    return mutex;
  }
  static std::ostream*& Current() {
    static std::ostream* messages = nullptr;
    return messages;
  }
  static std::string& Pending() {
    static std::string pending;
    return pending;
  }

  static const char* Speaker(void* Context) {
    const AVClass* avClass = Context ? *static_cast<const AVClass* const*>(Context) : nullptr;
    return avClass && avClass->item_name ? avClass->item_name(Context) : "ffmpeg";
  }

  static void Log(void* Context, int Level, const char* Format, va_list Arguments) {
    if (Level > AV_LOG_WARNING) return;
    char text[1024];
    std::vsnprintf(text, sizeof text, Format, Arguments);
    std::lock_guard lock(Mutex());
    if (!Current()) return;
    std::string& pending = Pending();
    if (pending.empty()) pending = std::string("tweenery: ") + Speaker(Context) + ": ";
    pending += text;
    if (!pending.empty() && pending.back() == '\n') {
      *Current() << pending << std::flush;
      pending.clear();
    }
  }

  // A piece the library left without its line's end.
  static void Flush() {
    std::string& pending = Pending();
    if (!pending.empty() && Current()) *Current() << pending << "\n" << std::flush;
    pending.clear();
  }

  std::ostream* FPrevious = nullptr;
};

class TVideoSink : public TFrameSink {
 public:
  TVideoSink(const TOutputOptions& Options, int Width, int Height, TFrameRate Rate,
             const TPaletteSamples& PaletteSamples)
      : FMessages(Options.Messages), FName(Options.Name), FWidth(Width), FHeight(Height),
        FSoundRate(OutputTakesSound(Options.Name) ? Options.SoundRate : 0), FSoundChannels(Options.SoundChannels) {
    // A failure half-way leaves no destructor to run: what was opened is
    // let go here.
    try {
      Open(Rate, PaletteSamples, Options.Overwrite);
    } catch (...) {
      Release();
      throw;
    }
  }

  ~TVideoSink() override { Release(); }

  void Write(const TBitmap& Frame) override {
    Check(av_frame_make_writable(FFrame), "cannot reuse a frame");
    if (FPalette) FillIndexed(Frame); else FillConverted(Frame);
    FFrame->pts = FNextPts++;
    Encode(FFrame);
  }

  void Finish() override {
    Encode(nullptr);
    FinishSound();
    Check(av_write_trailer(FFormat), "cannot finish");
    Check(avio_closep(&FFormat->pb), "cannot close");
    FFile->Commit();
  }

  bool WriteDecoded(const AVFrame& Frame) override {
    if (FPalette || Frame.width != FCodec->width || Frame.height != FCodec->height || Frame.format != FCodec->pix_fmt ||
        !ConvertsAlike(Frame))
      return false;
    AVFrame* copy = av_frame_clone(&Frame);
    if (!copy) throw EToolFailure("cannot write '" + FName + "': out of memory");
    copy->pts = FNextPts++;
    copy->pict_type = AV_PICTURE_TYPE_NONE;
    try {
      Encode(copy);
    } catch (...) {
      av_frame_free(&copy);
      throw;
    }
    av_frame_free(&copy);
    return true;
  }

  bool TakesSound() const override { return FSoundCodec != nullptr; }

  void WriteSound(const float* Samples, std::size_t Frames) override {
    if (!FSoundCodec) return TFrameSink::WriteSound(Samples, Frames);
    FSoundPending.insert(FSoundPending.end(), Samples, Samples + Frames * FSoundChannels);
    const std::size_t frameFloats = static_cast<std::size_t>(FSoundCodec->frame_size) * FSoundChannels;
    std::size_t used = 0;
    for (; FSoundPending.size() - used >= frameFloats; used += frameFloats)
      EncodeSound(FSoundPending.data() + used, FSoundCodec->frame_size);
    FSoundPending.erase(FSoundPending.begin(), FSoundPending.begin() + static_cast<std::ptrdiff_t>(used));
  }

  std::string Description() const override {
    const std::string sound = FSoundCodec ? std::string(" with ") + FSoundCodec->codec->long_name + " sound" : "";
    if (FCodec->width == FWidth && FCodec->height == FHeight) return FChoice.Description + sound;
    return FChoice.Description + sound + ", padded to " + std::to_string(FCodec->width) + " x " + std::to_string(FCodec->height) +
           " for 4:2:0";
  }

 private:
  void Open(TFrameRate Rate, const TPaletteSamples& PaletteSamples, bool Overwrite) {
    const int Width = FWidth, Height = FHeight;
    const std::string extension = ExtensionOf(FName);
    if (extension == "gif") CheckGifRate(Rate);
    FChoice = ChooseCodec(extension);
    if (!FChoice.Codec) throw EToolFailure("cannot write '" + FName + "': these ffmpeg libraries have no encoder for it");
    CheckVideoFrameSize(FName, Width, Height);

    FFile = std::make_unique<TTempFile>(FName, Overwrite);
    const AVOutputFormat* format = av_guess_format(extension == "apng" ? "apng" : nullptr, FName.c_str(), nullptr);
    Check(avformat_alloc_output_context2(&FFormat, format, nullptr, FFile->Name().c_str()), "cannot set up");
    FStream = avformat_new_stream(FFormat, nullptr);
    FCodec = avcodec_alloc_context3(FChoice.Codec);
    if (!FStream || !FCodec) throw EToolFailure("cannot write '" + FName + "': out of memory");
    FCodec->width = EvenUp(Width, FChoice.Format);
    FCodec->height = EvenUp(Height, FChoice.Format);
    FCodec->pix_fmt = FChoice.Format;
    FCodec->time_base = AVRational{Rate.Den, Rate.Num};
    FCodec->framerate = AVRational{Rate.Num, Rate.Den};
    FCodec->gop_size = 60;
    if (FFormat->oformat->flags & AVFMT_GLOBALHEADER) FCodec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* settings = nullptr;
    const std::string name = FChoice.Codec->name;
    if (name == "libx264") {
      av_dict_set(&settings, "preset", "veryfast", 0);
      av_dict_set(&settings, "crf", "18", 0);
    } else if (name == "libvpx-vp9" || name == "libvpx") {
      av_dict_set(&settings, "deadline", "realtime", 0);
      av_dict_set(&settings, "cpu-used", "8", 0);
      av_dict_set(&settings, "crf", "30", 0);
      av_dict_set(&settings, "row-mt", "1", 0);
      FCodec->bit_rate = 0;
    } else if (name == "mpeg4") {
      FCodec->bit_rate = 0;
      FCodec->flags |= AV_CODEC_FLAG_QSCALE;
      FCodec->global_quality = FF_QP2LAMBDA * 3;
    }
    const int opened = avcodec_open2(FCodec, FChoice.Codec, &settings);
    av_dict_free(&settings);
    Check(opened, "cannot open the encoder");
    Check(avcodec_parameters_from_context(FStream->codecpar, FCodec), "cannot set up the stream");
    FStream->time_base = FCodec->time_base;
    FStream->avg_frame_rate = FCodec->framerate;
    if (FSoundRate > 0) OpenSound(extension);
    Check(avio_open(&FFormat->pb, FFile->Name().c_str(), AVIO_FLAG_WRITE), "cannot open");
    Check(avformat_write_header(FFormat, nullptr), "cannot write the header");
    FFrame = av_frame_alloc();
    FPacket = av_packet_alloc();
    if (!FFrame || !FPacket) throw EToolFailure("cannot write '" + FName + "': out of memory");
    FFrame->format = FCodec->pix_fmt;
    FFrame->width = FCodec->width;
    FFrame->height = FCodec->height;
    Check(av_frame_get_buffer(FFrame, 0), "cannot allocate a frame");
    // Last: the samples may be many pictures to read, or frames to compose.
    if (FChoice.Format == AV_PIX_FMT_PAL8) FPalette = std::make_unique<TPalette>(PaletteSamples);
    if (!FPalette) {
      FScale = sws_getContext(FCodec->width, FCodec->height, AV_PIX_FMT_BGRA, FCodec->width, FCodec->height,
                              FCodec->pix_fmt, SWS_BILINEAR | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
      if (!FScale) throw EToolFailure("cannot write '" + FName + "': no pixel conversion");
      FPadded.resize(static_cast<std::size_t>(FCodec->width) * FCodec->height);
    }
  }

  // The sound's stream and encoder: AAC, or Opus in WebM (Vorbis where the
  // libraries lack it).
  void OpenSound(const std::string& Extension) {
    const AVCodec* encoder = nullptr;
    const std::vector<const char*> names =
        Extension == "webm" ? std::vector<const char*>{"libopus", "libvorbis"} : std::vector<const char*>{"aac"};
    for (const char* name : names)
      if (!encoder) encoder = avcodec_find_encoder_by_name(name);
    if (!encoder) throw EToolFailure("cannot write '" + FName + "': these ffmpeg libraries have no sound encoder for it");
    FSoundStream = avformat_new_stream(FFormat, nullptr);
    FSoundCodec = avcodec_alloc_context3(encoder);
    FSoundFrame = av_frame_alloc();
    if (!FSoundStream || !FSoundCodec || !FSoundFrame) throw EToolFailure("cannot write '" + FName + "': out of memory");
    FSoundCodec->sample_fmt = SoundFormatOf(encoder);
    FSoundCodec->sample_rate = FSoundRate;
    av_channel_layout_default(&FSoundCodec->ch_layout, FSoundChannels);
    FSoundCodec->bit_rate = 64000 * FSoundChannels;
    FSoundCodec->time_base = AVRational{1, FSoundRate};
    if (FFormat->oformat->flags & AVFMT_GLOBALHEADER) FSoundCodec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    Check(avcodec_open2(FSoundCodec, encoder, nullptr), "cannot open the sound encoder");
    if (FSoundCodec->frame_size <= 0) FSoundCodec->frame_size = 1024;
    Check(avcodec_parameters_from_context(FSoundStream->codecpar, FSoundCodec), "cannot set up the sound stream");
    FSoundStream->time_base = FSoundCodec->time_base;
  }

  static AVSampleFormat SoundFormatOf(const AVCodec* Encoder) {
    for (const AVSampleFormat* f = Encoder->sample_fmts; f && *f != AV_SAMPLE_FMT_NONE; ++f)
      if (*f == AV_SAMPLE_FMT_FLTP || *f == AV_SAMPLE_FMT_FLT) return *f;
    throw EToolFailure(std::string("the ") + Encoder->name + " encoder takes no float samples");
  }

  // Count sample frames of interleaved Samples, in the encoder's layout.
  void EncodeSound(const float* Samples, int Count) {
    av_frame_unref(FSoundFrame);
    FSoundFrame->format = FSoundCodec->sample_fmt;
    FSoundFrame->nb_samples = Count;
    FSoundFrame->sample_rate = FSoundRate;
    Check(av_channel_layout_copy(&FSoundFrame->ch_layout, &FSoundCodec->ch_layout), "cannot set up the sound");
    Check(av_frame_get_buffer(FSoundFrame, 0), "cannot allocate sound");
    if (FSoundCodec->sample_fmt == AV_SAMPLE_FMT_FLT) {
      std::memcpy(FSoundFrame->data[0], Samples, sizeof(float) * Count * FSoundChannels);
    } else {
      for (int c = 0; c < FSoundChannels; ++c) {
        auto* plane = reinterpret_cast<float*>(FSoundFrame->extended_data[c]);
        for (int i = 0; i < Count; ++i) plane[i] = Samples[i * FSoundChannels + c];
      }
    }
    FSoundFrame->pts = FSoundPts;
    FSoundPts += Count;
    Send(FSoundCodec, FSoundStream, FSoundFrame);
  }

  // The last, short piece of sound: sent as it is where the encoder takes
  // a short last frame, else padded with silence to a whole one.
  void FinishSound() {
    if (!FSoundCodec) return;
    const int left = static_cast<int>(FSoundPending.size() / FSoundChannels);
    if (left > 0) {
      const bool shortLast = FSoundCodec->codec->capabilities &
                             (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
      if (!shortLast) FSoundPending.resize(static_cast<std::size_t>(FSoundCodec->frame_size) * FSoundChannels, 0.0f);
      EncodeSound(FSoundPending.data(), shortLast ? left : FSoundCodec->frame_size);
      FSoundPending.clear();
    }
    Send(FSoundCodec, FSoundStream, nullptr);
  }

  // Whether a decoded frame's colours mean what the frames converted from
  // pictures mean: the conversion's default, BT.601 in limited range.
  static bool ConvertsAlike(const AVFrame& Frame) {
    const bool matrix = Frame.colorspace == AVCOL_SPC_UNSPECIFIED || Frame.colorspace == AVCOL_SPC_BT470BG ||
                        Frame.colorspace == AVCOL_SPC_SMPTE170M;
    const bool range = Frame.color_range == AVCOL_RANGE_UNSPECIFIED || Frame.color_range == AVCOL_RANGE_MPEG;
    return matrix && range;
  }

  void Release() {
    av_frame_free(&FSoundFrame);
    avcodec_free_context(&FSoundCodec);
    sws_freeContext(FScale);
    FScale = nullptr;
    av_frame_free(&FFrame);
    av_packet_free(&FPacket);
    avcodec_free_context(&FCodec);
    if (FFormat) {
      if (FFormat->pb) avio_closep(&FFormat->pb);
      avformat_free_context(FFormat);
      FFormat = nullptr;
    }
  }

  void Check(int Code, const char* What) {
    if (Code < 0) throw EToolFailure("cannot write '" + FName + "': " + What + ": " + AvError(Code));
  }

  void FillConverted(const TBitmap& Frame) {
    const int w = FCodec->width, h = FCodec->height;
    for (int y = 0; y < h; ++y) {
      const std::uint32_t* s = Frame.ScanLine(std::min(y, FHeight - 1));
      std::uint32_t* d = FPadded.data() + static_cast<std::size_t>(y) * w;
      std::memcpy(d, s, sizeof(std::uint32_t) * FWidth);
      for (int x = FWidth; x < w; ++x) d[x] = s[FWidth - 1];
    }
    const std::uint8_t* planes[1] = {reinterpret_cast<const std::uint8_t*>(FPadded.data())};
    const int strides[1] = {w * 4};
    sws_scale(FScale, planes, strides, 0, h, FFrame->data, FFrame->linesize);
  }

  void FillIndexed(const TBitmap& Frame) {
    for (int y = 0; y < FHeight; ++y) {
      const std::uint32_t* s = Frame.ScanLine(y);
      std::uint8_t* d = FFrame->data[0] + static_cast<std::ptrdiff_t>(y) * FFrame->linesize[0];
      for (int x = 0; x < FWidth; ++x) d[x] = FPalette->IndexOf(s[x]);
    }
    auto* palette = reinterpret_cast<std::uint32_t*>(FFrame->data[1]);
    const auto& colors = FPalette->Colors();
    for (std::size_t i = 0; i < 256; ++i) palette[i] = i < colors.size() ? colors[i] : 0xFF000000u;
  }

  void Encode(AVFrame* Frame) { Send(FCodec, FStream, Frame); }

  // Frame (nullptr: the encoder's end) through Codec into Stream.
  void Send(AVCodecContext* Codec, AVStream* Stream, AVFrame* Frame) {
    Check(avcodec_send_frame(Codec, Frame), "cannot encode");
    for (;;) {
      const int received = avcodec_receive_packet(Codec, FPacket);
      if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return;
      Check(received, "cannot encode");
      av_packet_rescale_ts(FPacket, Codec->time_base, Stream->time_base);
      FPacket->stream_index = Stream->index;
      Check(av_interleaved_write_frame(FFormat, FPacket), "cannot write");
    }
  }

  TLibavMessages FMessages;  // first: the libraries may speak until the last member is gone
  std::string FName;
  int FWidth, FHeight;
  TCodecChoice FChoice;
  std::unique_ptr<TPalette> FPalette;
  std::unique_ptr<TTempFile> FFile;
  AVFormatContext* FFormat = nullptr;
  AVStream* FStream = nullptr;
  AVCodecContext* FCodec = nullptr;
  AVFrame* FFrame = nullptr;
  AVPacket* FPacket = nullptr;
  SwsContext* FScale = nullptr;
  std::vector<std::uint32_t> FPadded;
  std::int64_t FNextPts = 0;
  int FSoundRate, FSoundChannels;
  AVStream* FSoundStream = nullptr;
  AVCodecContext* FSoundCodec = nullptr;
  AVFrame* FSoundFrame = nullptr;
  std::vector<float> FSoundPending;  // interleaved, less than one encoder frame once written
  std::int64_t FSoundPts = 0;
};

// ---------------------------------------------------------------- palette

// A box of the colour histogram (6 bits per channel) for the median cut.
struct TColorBox {
  std::vector<std::uint32_t> Keys;  // histogram indexes inside the box
  std::uint64_t Weight = 0;
  int LongestChannel = 0;
  int Spread = 0;
};

int Channel(std::uint32_t Key, int C) { return static_cast<int>((Key >> (12 - 6 * C)) & 0x3F); }

void Measure(TColorBox& Box, const std::vector<std::uint32_t>& Counts) {
  int lo[3] = {63, 63, 63}, hi[3] = {0, 0, 0};
  Box.Weight = 0;
  for (std::uint32_t key : Box.Keys) {
    Box.Weight += Counts[key];
    for (int c = 0; c < 3; ++c) {
      lo[c] = std::min(lo[c], Channel(key, c));
      hi[c] = std::max(hi[c], Channel(key, c));
    }
  }
  Box.Spread = -1;
  for (int c = 0; c < 3; ++c)
    if (hi[c] - lo[c] > Box.Spread) {
      Box.Spread = hi[c] - lo[c];
      Box.LongestChannel = c;
    }
}

}  // namespace

void TPaletteSamples::ForEach(const TVisit& Visit) const {
  for (const TBitmap* picture : FHeld)
    if (picture) Visit(*picture);
  if (FWalk) FWalk(Visit);
}

TPalette::TPalette(const TPaletteSamples& Samples) {
  std::vector<std::uint32_t> counts(1u << 18, 0);
  Samples.ForEach([&counts](const TBitmap& Sample) {
    for (int y = 0; y < Sample.Height(); ++y) {
      const std::uint32_t* row = Sample.ScanLine(y);
      for (int x = 0; x < Sample.Width(); ++x) {
        const std::uint32_t p = row[x];
        ++counts[((p >> 6) & 0x3F000u) | ((p >> 4) & 0xFC0u) | ((p >> 2) & 0x3Fu)];
      }
    }
  });
  std::vector<TColorBox> boxes(1);
  for (std::uint32_t key = 0; key < counts.size(); ++key)
    if (counts[key]) boxes[0].Keys.push_back(key);
  if (boxes[0].Keys.empty()) boxes[0].Keys.push_back(0);
  Measure(boxes[0], counts);
  // Split the box with the most pixels that can still be split, at its
  // weighted median along its longest side.
  while (boxes.size() < 256) {
    TColorBox* widest = nullptr;
    for (TColorBox& box : boxes)
      if (box.Spread > 0 && (!widest || box.Weight * box.Spread > widest->Weight * widest->Spread)) widest = &box;
    if (!widest) break;
    const int c = widest->LongestChannel;
    std::sort(widest->Keys.begin(), widest->Keys.end(),
              [c](std::uint32_t a, std::uint32_t b) { return Channel(a, c) < Channel(b, c); });
    std::uint64_t half = 0, seen = 0;
    for (std::uint32_t key : widest->Keys) half += counts[key];
    half /= 2;
    std::size_t cut = 0;
    while (cut + 1 < widest->Keys.size() && seen + counts[widest->Keys[cut]] <= half) seen += counts[widest->Keys[cut++]];
    cut = std::max<std::size_t>(cut, 1);
    // Never cut between two keys of one channel value: both halves must shrink.
    while (cut < widest->Keys.size() && Channel(widest->Keys[cut], c) == Channel(widest->Keys[cut - 1], c)) ++cut;
    if (cut >= widest->Keys.size()) {
      cut = 1;
      while (cut < widest->Keys.size() && Channel(widest->Keys[cut], c) == Channel(widest->Keys[0], c)) ++cut;
    }
    TColorBox upper;
    upper.Keys.assign(widest->Keys.begin() + static_cast<std::ptrdiff_t>(cut), widest->Keys.end());
    widest->Keys.resize(cut);
    Measure(*widest, counts);
    Measure(upper, counts);
    boxes.push_back(std::move(upper));
  }
  for (const TColorBox& box : boxes) {
    std::uint64_t sum[3] = {0, 0, 0}, weight = 0;
    for (std::uint32_t key : box.Keys) {
      const std::uint64_t n = std::max<std::uint32_t>(counts[key], 1);
      for (int c = 0; c < 3; ++c) sum[c] += n * static_cast<std::uint64_t>(Channel(key, c) * 4 + 2);
      weight += n;
    }
    std::uint32_t color = 0xFF000000u;
    for (int c = 0; c < 3; ++c) color |= static_cast<std::uint32_t>(std::min<std::uint64_t>(sum[c] / weight, 255)) << (16 - 8 * c);
    FColors.push_back(color);
  }
  FLookup.assign(counts.size(), 0xFFFF);
}

std::uint8_t TPalette::Nearest(std::uint32_t Key) const {
  const int r = Channel(Key, 0) * 4 + 2, g = Channel(Key, 1) * 4 + 2, b = Channel(Key, 2) * 4 + 2;
  int best = 0, bestDistance = 1 << 30;
  for (std::size_t i = 0; i < FColors.size(); ++i) {
    const int dr = r - static_cast<int>((FColors[i] >> 16) & 0xFF), dg = g - static_cast<int>((FColors[i] >> 8) & 0xFF),
              db = b - static_cast<int>(FColors[i] & 0xFF);
    // Weighted by how strongly the eye tells the channels apart.
    const int distance = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = static_cast<int>(i);
    }
  }
  FLookup[Key] = static_cast<std::uint16_t>(best);
  return static_cast<std::uint8_t>(best);
}

std::unique_ptr<TFrameSink> OpenVideoSink(const TOutputOptions& Options, int Width, int Height, TFrameRate Rate,
                                          const TPaletteSamples& PaletteSamples) {
  return std::make_unique<TVideoSink>(Options, Width, Height, Rate, PaletteSamples);
}

void CheckVideoFrameSize(const std::string& Name, int Width, int Height) {
  const TCodecChoice choice = ChooseCodec(ExtensionOf(Name));
  if (!choice.Codec) return;  // opening the sink says so
  const int w = EvenUp(Width, choice.Format), h = EvenUp(Height, choice.Format);
  const std::string asked = "cannot write '" + Name + "' at " + std::to_string(Width) + " x " + std::to_string(Height) + ": ";
  const std::string padded = w != Width || h != Height ? " (sides padded to even numbers for 4:2:0)" : "";
  if (w > choice.MostSide || h > choice.MostSide)
    throw EUsage(asked + choice.Description + " takes frames of at most " + std::to_string(choice.MostSide) +
                 " pixels a side" + padded);
  if (!LibavTakes(w, h))
    throw EUsage(asked + "the ffmpeg libraries take frames whose (width + 128) x (height + 128) is below " +
                 std::to_string(kLibavArea) + ", at this width at most " +
                 std::to_string(std::max<std::int64_t>(LibavMostRows(w, choice.Format), 0)) + " rows" + padded);
}

}  // namespace tweenery
