// Video files through libavformat and libavcodec: H.264 (libx264 where the
// libraries have it, else MPEG-4 part 2) in MP4, Matroska and QuickTime,
// VP9 in WebM, GIF with a palette made from the run's pictures, and
// animated PNG.
#include <algorithm>
#include <array>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <ostream>
#include <thread>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include "media/Colour.h"
#include "media/Output.h"
#include "media/Errors.h"

namespace tweenery {

namespace {

std::string AvError(int Code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(Code, text, sizeof text);
  return text;
}

// A codec --codec names, and the encoders that write it, the first the
// libraries have taken. Each encoder's longest side as it enforces it:
// libx264 refuses sides past 16384, libvpx's VP9 fails at the first frame
// past 16384; the others refuse a size when opened, before any frame.
struct TCodecFamily {
  const char* Name;   // as --codec takes it
  const char* Label;  // as the summary says it
  std::vector<const char*> Encoders;
  int MostSide;
};

const std::vector<TCodecFamily>& CodecFamilies() {
  static const std::vector<TCodecFamily> families = {
      {"h264", "H.264", {"libx264"}, 16384},
      {"hevc", "HEVC", {"libx265"}, INT_MAX},
      {"vp9", "VP9", {"libvpx-vp9"}, 16384},
      {"av1", "AV1", {"libsvtav1", "libaom-av1", "librav1e"}, INT_MAX},
      {"prores", "ProRes", {"prores_ks"}, INT_MAX},
  };
  return families;
}

const AVCodec* FirstEncoder(const TCodecFamily& Family) {
  for (const char* name : Family.Encoders)
    if (const AVCodec* codec = avcodec_find_encoder_by_name(name)) return codec;
  return nullptr;
}

struct TCodecChoice {
  const AVCodec* Codec = nullptr;
  AVPixelFormat Format = AV_PIX_FMT_YUV420P;
  std::string Family;  // "h264" ...; "" for the fixed formats and the fallbacks
  std::string Description;
  int MostSide = INT_MAX;  // the longest side the encoder takes, in pixels
};

std::string ExtensionOf(const std::string& Name) {
  std::string extension = std::filesystem::path(Name).extension().string();
  if (!extension.empty()) extension.erase(0, 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

std::string Listed(const std::vector<std::string>& Names) {
  std::string text;
  for (const std::string& name : Names) text += (text.empty() ? "" : ", ") + name;
  return text.empty() ? "none" : text;
}

// The fixed formats (GIF, animated PNG) and the default codec of each
// container when --codec names none; MPEG-4 part 2 stores 13-bit sizes,
// VP8 14-bit ones, GIF 16-bit ones.
TCodecChoice DefaultCodec(const std::string& Extension, bool Alpha) {
  TCodecChoice choice;
  auto pick = [&](const char* name, AVPixelFormat format, const char* family, const char* description, int mostSide) {
    if (choice.Codec) return;
    if (const AVCodec* codec = avcodec_find_encoder_by_name(name)) {
      choice.Codec = codec;
      choice.Format = format;
      choice.Family = family;
      choice.Description = description;
      choice.MostSide = mostSide;
    }
  };
  if (Extension == "gif") {
    pick("gif", AV_PIX_FMT_PAL8, "", "GIF", 65535);
  } else if (Extension == "apng") {
    pick("apng", Alpha ? AV_PIX_FMT_RGBA : AV_PIX_FMT_RGB24, "", "animated PNG", INT_MAX);
  } else if (Extension == "webp") {
    // 14-bit sizes; a run of one frame is written as a still picture.
    pick("libwebp_anim", AV_PIX_FMT_BGRA, "", "WebP (libwebp)", 16383);
  } else if (Extension == "webm" || (Alpha && Extension == "mkv")) {
    pick("libvpx-vp9", Alpha ? AV_PIX_FMT_YUVA420P : AV_PIX_FMT_YUV420P, "vp9", "VP9 (libvpx-vp9)", 16384);
    if (!Alpha) pick("libvpx", AV_PIX_FMT_YUV420P, "", "VP8 (libvpx)", 16383);
  } else if (Alpha && Extension == "mov") {
    pick("prores_ks", AV_PIX_FMT_YUVA444P10LE, "prores", "ProRes 4444 (prores_ks)", INT_MAX);
  } else {
    pick("libx264", AV_PIX_FMT_YUV420P, "h264", "H.264 (libx264)", 16384);
    pick("mpeg4", AV_PIX_FMT_YUV420P, "", "MPEG-4 part 2 (no libx264 in these libraries)", 8191);
  }
  return choice;
}

bool FixedFormat(const std::string& Extension) { return Extension == "gif" || Extension == "apng" || Extension == "webp"; }

// The container ffmpeg writes for Name, as the sink opens it.
const AVOutputFormat* ContainerOf(const std::string& Name) {
  return av_guess_format(ExtensionOf(Name) == "apng" ? "apng" : nullptr, Name.c_str(), nullptr);
}

TCodecChoice NamedCodec(const std::string& Name, const TEncoding& Encoding) {
  const auto& families = CodecFamilies();
  const auto family = std::find_if(families.begin(), families.end(),
                                   [&](const TCodecFamily& f) { return Encoding.Codec == f.Name; });
  const std::string available = "; these ffmpeg libraries write " + Listed(AvailableVideoCodecs());
  if (family == families.end()) throw EUsage("--codec '" + Encoding.Codec + "' is unknown" + available);
  TCodecChoice choice;
  choice.Codec = FirstEncoder(*family);
  if (!choice.Codec) throw EUsage("--codec " + Encoding.Codec + ": these ffmpeg libraries have no encoder for it" + available);
  choice.Family = family->Name;
  choice.Description = std::string(family->Label) + " (" + choice.Codec->name + ")";
  choice.MostSide = family->MostSide;
  const AVOutputFormat* container = ContainerOf(Name);
  if (container && avformat_query_codec(container, choice.Codec->id, FF_COMPLIANCE_NORMAL) != 1)
    throw EUsage("'" + Name + "': a ." + ExtensionOf(Name) + " file cannot hold " + family->Label +
                 (choice.Family == "prores" ? "; use .mov or .mkv" : "; .mkv holds every codec"));
  const bool prores = choice.Family == "prores";
  choice.Format = Encoding.Alpha ? (prores ? AV_PIX_FMT_YUVA444P10LE : AV_PIX_FMT_YUVA420P)
                                 : (prores ? AV_PIX_FMT_YUV422P10LE : AV_PIX_FMT_YUV420P);
  if (prores) choice.Description = Encoding.Alpha ? "ProRes 4444 (prores_ks)" : "ProRes 422 HQ (prores_ks)";
  return choice;
}

bool EncoderTakes(const AVCodec* Codec, AVPixelFormat Format) {
  if (!Codec->pix_fmts) return true;
  for (const AVPixelFormat* f = Codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f)
    if (*f == Format) return true;
  return false;
}

std::string FormatsOf(const AVCodec* Codec) {
  std::vector<std::string> names;
  if (Codec->pix_fmts)
    for (const AVPixelFormat* f = Codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f)
      if (const char* name = av_get_pix_fmt_name(*f)) names.push_back(name);
  return Listed(names);
}

bool HasAlpha(AVPixelFormat Format) {
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(Format);
  return d && (d->flags & AV_PIX_FMT_FLAG_ALPHA);
}

// The pixel format --pix-fmt asks for, where the encoder takes it.
void ApplyPixelFormat(const std::string& Name, const TEncoding& Encoding, TCodecChoice& Choice) {
  if (Encoding.PixelFormat.empty()) return;
  const AVPixelFormat format = av_get_pix_fmt(Encoding.PixelFormat.c_str());
  if (format == AV_PIX_FMT_NONE || !EncoderTakes(Choice.Codec, format))
    throw EUsage("--pix-fmt '" + Encoding.PixelFormat + "': " + Choice.Description + " in '" + Name + "' takes " +
                 FormatsOf(Choice.Codec));
  if (Encoding.Alpha && !HasAlpha(format))
    throw EUsage("--pix-fmt " + Encoding.PixelFormat + " has no alpha, and --alpha asks for it");
  Choice.Format = format;
}

void CheckAlpha(const std::string& Name, const TCodecChoice& Choice) {
  if (HasAlpha(Choice.Format)) return;
  throw EUsage("--alpha: " + Choice.Description + " in '" + Name +
               "' has no alpha; alpha goes into PNG, .apng, .webp, .webm (VP9) and .mov (ProRes 4444)");
}

// The quality scale each codec's --crf takes, and its default.
struct TQualityScale {
  int Least, Most, Default;
};

std::optional<TQualityScale> QualityScale(const std::string& Family) {
  if (Family == "h264") return TQualityScale{0, 51, 18};
  if (Family == "hevc") return TQualityScale{0, 51, 22};
  if (Family == "vp9") return TQualityScale{0, 63, 30};
  if (Family == "av1") return TQualityScale{1, 63, 32};
  return std::nullopt;
}

// --preset's names, fastest first: libx264's and libx265's own, which the
// other codecs map onto their speed settings.
const std::vector<std::string>& PresetNames() {
  static const std::vector<std::string> names = {"ultrafast", "superfast", "veryfast", "faster", "fast",
                                                 "medium",    "slow",      "slower",   "veryslow"};
  return names;
}

constexpr int kDefaultPreset = 2;  // veryfast: a transition is short, speed matters more than bytes

int PresetIndex(const TEncoding& Encoding) {
  if (Encoding.Preset.empty()) return kDefaultPreset;
  const auto& names = PresetNames();
  const auto found = std::find(names.begin(), names.end(), Encoding.Preset);
  if (found == names.end()) throw EUsage("--video-preset '" + Encoding.Preset + "': " + Listed(names));
  return static_cast<int>(found - names.begin());
}

void CheckRateControl(const TEncoding& Encoding, const TCodecChoice& Choice) {
  if (Encoding.Crf && Encoding.Bitrate) throw EUsage("--crf and --bitrate each set the quality; give one of them");
  if (Choice.Family == "prores" && (Encoding.Crf || Encoding.Bitrate || !Encoding.Preset.empty()))
    throw EUsage("ProRes has a fixed quality for its profile: --crf, --bitrate and --video-preset do not apply");
  if (Encoding.Bitrate && (*Encoding.Bitrate < 1000 || *Encoding.Bitrate > std::int64_t{2000000000}))
    throw EUsage("--bitrate must be 1k to 2000M bits a second");
  if (!Encoding.Crf) return;
  const std::optional<TQualityScale> scale = QualityScale(Choice.Family);
  if (!scale) throw EUsage("--crf: " + Choice.Description + " has no constant-quality setting");
  if (*Encoding.Crf < scale->Least || *Encoding.Crf > scale->Most)
    throw EUsage("--crf for " + Choice.Description + " must be " + std::to_string(scale->Least) + " to " +
                 std::to_string(scale->Most) + " (lower is better; default " + std::to_string(scale->Default) + ")");
}

// Everything about the encoder that can be known from the output's name
// and the encoding asked for; raises EUsage for what cannot be written.
TCodecChoice ChooseCodec(const std::string& Name, const TEncoding& Encoding) {
  const std::string extension = ExtensionOf(Name);
  const bool asked = !Encoding.Codec.empty() || Encoding.Crf || !Encoding.Preset.empty() ||
                     !Encoding.PixelFormat.empty() || Encoding.Bitrate;
  if (FixedFormat(extension) && asked)
    throw EUsage("'" + Name + "': --codec, --crf, --video-preset, --pix-fmt and --bitrate are for .mp4, .mkv, .mov and .webm");
  if (extension == "gif" && Encoding.Alpha)
    throw EUsage("--alpha: a GIF has no partial transparency; use .apng, .webp, .webm or .mov");
  TCodecChoice choice = Encoding.Codec.empty() ? DefaultCodec(extension, Encoding.Alpha) : NamedCodec(Name, Encoding);
  if (!choice.Codec) return choice;  // opening the sink says so
  if (!Encoding.Preset.empty()) PresetIndex(Encoding);
  CheckRateControl(Encoding, choice);
  ApplyPixelFormat(Name, Encoding, choice);
  if (Encoding.Alpha) CheckAlpha(Name, choice);
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

// Chroma at half the width (4:2:2, 4:2:0) needs an even width, at half the
// height (4:2:0) an even height: the frame is padded by repeating its last
// column and row.
int EvenWidth(int Side, AVPixelFormat Format) {
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(Format);
  return d && d->log2_chroma_w > 0 && !(d->flags & AV_PIX_FMT_FLAG_PAL) ? (Side + 1) & ~1 : Side;
}
int EvenHeight(int Side, AVPixelFormat Format) {
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(Format);
  return d && d->log2_chroma_h > 0 && !(d->flags & AV_PIX_FMT_FLAG_PAL) ? (Side + 1) & ~1 : Side;
}
const char* SubsamplingOf(AVPixelFormat Format) {
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(Format);
  return d && d->log2_chroma_h > 0 ? "4:2:0" : "4:2:2";
}

// The ffmpeg libraries refuse any picture whose (width + 128) x (height +
// 128) reaches INT_MAX / 8 (av_image_check_size), whatever the encoder.
constexpr std::int64_t kLibavArea = INT_MAX / 8;

bool LibavTakes(std::int64_t Width, std::int64_t Height) { return (Width + 128) * (Height + 128) < kLibavArea; }

// The most rows the libraries take at a width (even for 4:2:0).
std::int64_t LibavMostRows(std::int64_t Width, AVPixelFormat Format) {
  const std::int64_t rows = (kLibavArea - 1) / (Width + 128) - 128;
  return EvenHeight(3, Format) == 4 ? rows & ~std::int64_t{1} : rows;
}

// ---------------------------------------------------------------- colour

// Frames of HD size and up are tagged BT.709, smaller ones BT.601 (as
// SMPTE 170M states it), both in limited range: what players assume for
// untagged video of each size, so a player that ignores the tags shows the
// same colours as one that reads them.

bool IsYuv(AVPixelFormat Format) {
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(Format);
  return d && !(d->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL)) && d->nb_components >= 3;
}

void TagColour(AVCodecContext* Codec) {
  if (!IsYuv(Codec->pix_fmt)) return;
  const bool hd = IsHighDefinition(Codec->width, Codec->height);
  Codec->color_primaries = hd ? AVCOL_PRI_BT709 : AVCOL_PRI_SMPTE170M;
  Codec->color_trc = hd ? AVCOL_TRC_BT709 : AVCOL_TRC_SMPTE170M;
  Codec->colorspace = hd ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
  // The deprecated "J" formats are full range by definition.
  Codec->color_range = std::strncmp(av_get_pix_fmt_name(Codec->pix_fmt), "yuvj", 4) == 0 ? AVCOL_RANGE_JPEG
                                                                                          : AVCOL_RANGE_MPEG;
}

void TagColour(AVFrame* Frame, const AVCodecContext* Codec) {
  Frame->color_primaries = Codec->color_primaries;
  Frame->color_trc = Codec->color_trc;
  Frame->colorspace = Codec->colorspace;
  Frame->color_range = Codec->color_range;
}

// The conversion from full-range RGB uses the matrix and range the stream
// declares (swscale's default is BT.601 whatever the size).
bool ConvertAsTagged(SwsContext* Scale, const AVCodecContext* Codec) {
  if (!IsYuv(Codec->pix_fmt)) return true;
  const int matrix = Codec->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_SMPTE170M;
  const int range = Codec->color_range == AVCOL_RANGE_JPEG ? 1 : 0;
  return sws_setColorspaceDetails(Scale, sws_getCoefficients(SWS_CS_DEFAULT), 1, sws_getCoefficients(matrix), range,
                                  0, 1 << 16, 1 << 16) >= 0;
}

// ---------------------------------------------------------------- encoder settings

void SetNumber(AVDictionary** Settings, const char* Key, std::int64_t Value) {
  av_dict_set(Settings, Key, std::to_string(Value).c_str(), 0);
}

// A quality (--crf, or the codec's default) unless a bit rate is asked for.
void SetQuality(AVDictionary** Settings, AVCodecContext* Codec, const TEncoding& Encoding, int Default) {
  if (Encoding.Bitrate) {
    Codec->bit_rate = *Encoding.Bitrate;
    return;
  }
  SetNumber(Settings, "crf", Encoding.Crf.value_or(Default));
  Codec->bit_rate = 0;
}

// libx264's own memory is mostly frames in flight, several megabytes each
// at 1080p: one per frame thread, and those its lookahead and B-frames
// hold. Slice threads share one frame (memory no longer grows with the
// cores, at the cost of a slightly larger file), and at the fast presets a
// lookahead of five frames and one B-frame keep the gains that matter for
// held pictures and short plain motion; the slower presets, which ask for
// a smaller file, keep libx264's own lookahead and B-frames. At 1080p this
// roughly halves the encoder's share of a slideshow's memory, with the same
// quality (constant rate factor) and speed.
void BoundX264Memory(AVDictionary** Settings, AVCodecContext* Codec, int Preset) {
  Codec->thread_count = std::min(4, std::max(1, static_cast<int>(std::thread::hardware_concurrency())));
  Codec->thread_type = FF_THREAD_SLICE;
  if (Preset > kDefaultPreset) return;
  SetNumber(Settings, "rc-lookahead", 5);
  Codec->max_b_frames = 1;
}

void SetX26x(AVDictionary** Settings, AVCodecContext* Codec, const TEncoding& Encoding, const std::string& Family) {
  const int preset = PresetIndex(Encoding);
  av_dict_set(Settings, "preset", PresetNames()[preset].c_str(), 0);
  SetQuality(Settings, Codec, Encoding, QualityScale(Family)->Default);
  if (Family == "h264") BoundX264Memory(Settings, Codec, preset);
  if (Family == "hevc") av_dict_set(Settings, "x265-params", "log-level=error", 0);
}

// libvpx: the three fastest presets encode in real time, the others at
// "good" quality, each slower one spending more (cpu-used 5 down to 0).
void SetVpx(AVDictionary** Settings, AVCodecContext* Codec, const TEncoding& Encoding) {
  const int preset = PresetIndex(Encoding);
  av_dict_set(Settings, "deadline", preset <= kDefaultPreset ? "realtime" : "good", 0);
  SetNumber(Settings, "cpu-used", preset <= kDefaultPreset ? 8 : 8 - preset);
  av_dict_set(Settings, "row-mt", "1", 0);
  SetQuality(Settings, Codec, Encoding, 30);
}

// AV1's encoders each count speed their own way: SVT-AV1 presets 12 (fast)
// to 0, libaom's cpu-used 8 to 0, rav1e's speed 10 to 0.
void SetAv1(AVDictionary** Settings, AVCodecContext* Codec, const TEncoding& Encoding) {
  const int preset = PresetIndex(Encoding);
  const std::string name = Codec->codec->name;
  // SVT-AV1 prints its banner itself, past the libraries' log; only its
  // errors are asked for, unless the caller's environment says otherwise.
  if (name == "libsvtav1") setenv("SVT_LOG", "1", 0);
  if (name == "libsvtav1") SetNumber(Settings, "preset", 12 - (12 * preset) / 8);
  else if (name == "libaom-av1") SetNumber(Settings, "cpu-used", 8 - preset);
  else SetNumber(Settings, "speed", 10 - (10 * preset) / 8);
  if (name == "librav1e") {
    if (Encoding.Bitrate) Codec->bit_rate = *Encoding.Bitrate;
    else SetNumber(Settings, "qp", 4 * Encoding.Crf.value_or(QualityScale("av1")->Default));
    return;
  }
  SetQuality(Settings, Codec, Encoding, QualityScale("av1")->Default);
}

// ProRes: 422 HQ, or 4444 where the frames keep alpha.
void SetProRes(AVDictionary** Settings, AVCodecContext* Codec) {
  av_dict_set(Settings, "profile", HasAlpha(Codec->pix_fmt) ? "4444" : "hq", 0);
  if (HasAlpha(Codec->pix_fmt)) SetNumber(Settings, "alpha_bits", 16);
  av_dict_set(Settings, "vendor", "apl0", 0);
}

AVDictionary* EncoderSettings(AVCodecContext* Codec, const TEncoding& Encoding, const TCodecChoice& Choice) {
  AVDictionary* settings = nullptr;
  const std::string name = Choice.Codec->name;
  if (Choice.Family == "h264" || Choice.Family == "hevc") {
    SetX26x(&settings, Codec, Encoding, Choice.Family);
  } else if (name == "libvpx-vp9" || name == "libvpx") {
    SetVpx(&settings, Codec, Encoding);
  } else if (Choice.Family == "av1") {
    SetAv1(&settings, Codec, Encoding);
  } else if (Choice.Family == "prores") {
    SetProRes(&settings, Codec);
  } else if (name == "libwebp_anim") {
    // Lossy, at a quality where a transition's edges stay clean.
    av_dict_set(&settings, "quality", "90", 0);
  } else if (name == "mpeg4") {
    Codec->bit_rate = 0;
    Codec->flags |= AV_CODEC_FLAG_QSCALE;
    Codec->global_quality = FF_QP2LAMBDA * 3;
  }
  return settings;
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

  // libwebp's encoder advises YUV frames for lossy output; it is given
  // BGRA on purpose (its own conversion, at any width), so that is no news.
  static bool Advice(const char* Text) { return std::strncmp(Text, "Using libwebp for RGB-to-YUV", 28) == 0; }

  static void Log(void* Context, int Level, const char* Format, va_list Arguments) {
    if (Level > AV_LOG_WARNING) return;
    char text[1024];
    std::vsnprintf(text, sizeof text, Format, Arguments);
    if (Advice(text)) return;
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
      : FMessages(Options.Messages), FName(Options.Name), FEncoding(Options.Encoding), FWidth(Width), FHeight(Height),
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
    const std::string format = IsYuv(FCodec->pix_fmt) ? std::string(", ") + av_get_pix_fmt_name(FCodec->pix_fmt) : "";
    if (std::string(FChoice.Codec->name) == "libwebp_anim")
      return FNextPts == 1 ? "WebP picture (libwebp)" : "animated WebP (libwebp)";
    if (FCodec->width == FWidth && FCodec->height == FHeight) return FChoice.Description + format + sound;
    return FChoice.Description + format + sound + ", padded to " + std::to_string(FCodec->width) + " x " +
           std::to_string(FCodec->height) + " for " + SubsamplingOf(FCodec->pix_fmt);
  }

 private:
  void Open(TFrameRate Rate, const TPaletteSamples& PaletteSamples, bool Overwrite) {
    const int Width = FWidth, Height = FHeight;
    const std::string extension = ExtensionOf(FName);
    if (extension == "gif") CheckGifRate(Rate);
    FChoice = ChooseCodec(FName, FEncoding);
    if (!FChoice.Codec) throw EToolFailure("cannot write '" + FName + "': these ffmpeg libraries have no encoder for it");
    CheckVideoFrameSize(FName, Width, Height, FEncoding);

    FFile = std::make_unique<TTempFile>(FName, Overwrite);
    Check(avformat_alloc_output_context2(&FFormat, ContainerOf(FName), nullptr, FFile->Name().c_str()), "cannot set up");
    FStream = avformat_new_stream(FFormat, nullptr);
    FCodec = avcodec_alloc_context3(FChoice.Codec);
    if (!FStream || !FCodec) throw EToolFailure("cannot write '" + FName + "': out of memory");
    FCodec->width = EvenWidth(Width, FChoice.Format);
    FCodec->height = EvenHeight(Height, FChoice.Format);
    FCodec->pix_fmt = FChoice.Format;
    FCodec->time_base = AVRational{Rate.Den, Rate.Num};
    FCodec->framerate = AVRational{Rate.Num, Rate.Den};
    FCodec->gop_size = 60;
    TagColour(FCodec);
    if (FFormat->oformat->flags & AVFMT_GLOBALHEADER) FCodec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* settings = EncoderSettings(FCodec, FEncoding, FChoice);
    const int opened = avcodec_open2(FCodec, FChoice.Codec, &settings);
    av_dict_free(&settings);
    Check(opened, "cannot open the encoder");
    Check(avcodec_parameters_from_context(FStream->codecpar, FCodec), "cannot set up the stream");
    FStream->time_base = FCodec->time_base;
    FStream->avg_frame_rate = FCodec->framerate;
    if (FSoundRate > 0) OpenSound(extension);
    Check(avio_open(&FFormat->pb, FFile->Name().c_str(), AVIO_FLAG_WRITE), "cannot open");
    Check(WriteHeader(), "cannot write the header");
    FFrame = av_frame_alloc();
    FPacket = av_packet_alloc();
    if (!FFrame || !FPacket) throw EToolFailure("cannot write '" + FName + "': out of memory");
    FFrame->format = FCodec->pix_fmt;
    FFrame->width = FCodec->width;
    FFrame->height = FCodec->height;
    TagColour(FFrame, FCodec);
    Check(av_frame_get_buffer(FFrame, 0), "cannot allocate a frame");
    // Last: the samples may be many pictures to read, or frames to compose.
    if (FChoice.Format == AV_PIX_FMT_PAL8) FPalette = std::make_unique<TPalette>(PaletteSamples);
    if (!FPalette) {
      FScale = sws_getContext(FCodec->width, FCodec->height, AV_PIX_FMT_BGRA, FCodec->width, FCodec->height,
                              FCodec->pix_fmt, SWS_BILINEAR | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
      if (!FScale || !ConvertAsTagged(FScale, FCodec))
        throw EToolFailure("cannot write '" + FName + "': no pixel conversion");
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

  // Whether a decoded frame's colours mean what this file declares, so
  // that it can be written as it is.
  bool ConvertsAlike(const AVFrame& Frame) const {
    const AVColorSpace matrix = ColourMatrixOf(Frame);
    const bool alike = matrix == FCodec->colorspace ||
                       ((matrix == AVCOL_SPC_BT470BG || matrix == AVCOL_SPC_SMPTE170M) &&
                        (FCodec->colorspace == AVCOL_SPC_BT470BG || FCodec->colorspace == AVCOL_SPC_SMPTE170M));
    return alike && ColourRangeOf(Frame) == FCodec->color_range;
  }

  // An animated WebP plays over and over, as a GIF does (the muxer's own
  // default is once).
  int WriteHeader() {
    AVDictionary* settings = nullptr;
    if (std::string(FFormat->oformat->name) == "webp") av_dict_set(&settings, "loop", "0", 0);
    const int written = avformat_write_header(FFormat, &settings);
    av_dict_free(&settings);
    return written;
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

  // A frame of the encoder's size is converted where it lies; one the
  // encoder needs larger (even sides) is first padded with its last row and
  // column.
  void FillConverted(const TBitmap& Frame) {
    const int w = FCodec->width, h = FCodec->height;
    if (Frame.Width() == w && Frame.Height() == h) return Convert(Frame.Bits());
    FPadded.resize(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
      const std::uint32_t* s = Frame.ScanLine(std::min(y, FHeight - 1));
      std::uint32_t* d = FPadded.data() + static_cast<std::size_t>(y) * w;
      std::memcpy(d, s, sizeof(std::uint32_t) * FWidth);
      for (int x = FWidth; x < w; ++x) d[x] = s[FWidth - 1];
    }
    Convert(FPadded.data());
  }

  void Convert(const std::uint32_t* Pixels) {
    const std::uint8_t* planes[1] = {reinterpret_cast<const std::uint8_t*>(Pixels)};
    const int strides[1] = {FCodec->width * 4};
    sws_scale(FScale, planes, strides, 0, FCodec->height, FFrame->data, FFrame->linesize);
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
  TEncoding FEncoding;
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

void CheckVideoFrameSize(const std::string& Name, int Width, int Height, const TEncoding& Encoding) {
  const TCodecChoice choice = ChooseCodec(Name, Encoding);
  if (!choice.Codec) return;  // opening the sink says so
  const int w = EvenWidth(Width, choice.Format), h = EvenHeight(Height, choice.Format);
  const std::string asked = "cannot write '" + Name + "' at " + std::to_string(Width) + " x " + std::to_string(Height) + ": ";
  const std::string padded = w != Width || h != Height ? std::string(" (sides padded to even numbers for ") +
                                                             SubsamplingOf(choice.Format) + ")"
                                                       : "";
  if (w > choice.MostSide || h > choice.MostSide)
    throw EUsage(asked + choice.Description + " takes frames of at most " + std::to_string(choice.MostSide) +
                 " pixels a side" + padded);
  if (!LibavTakes(w, h))
    throw EUsage(asked + "the ffmpeg libraries take frames whose (width + 128) x (height + 128) is below " +
                 std::to_string(kLibavArea) + ", at this width at most " +
                 std::to_string(std::max<std::int64_t>(LibavMostRows(w, choice.Format), 0)) + " rows" + padded);
}

void CheckVideoEncoding(const std::string& Name, const TEncoding& Encoding) { ChooseCodec(Name, Encoding); }

std::vector<std::string> AvailableVideoCodecs() {
  std::vector<std::string> names;
  for (const TCodecFamily& family : CodecFamilies())
    if (FirstEncoder(family)) names.push_back(family.Name);
  return names;
}

}  // namespace tweenery
