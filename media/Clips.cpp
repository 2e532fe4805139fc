#include "media/Clips.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/display.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include "media/Colour.h"
#include "media/Errors.h"

namespace tweenery {

namespace {

std::string AvReason(int Code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(Code, text, sizeof text);
  return text;
}

[[noreturn]] void CannotRead(const std::string& FileName, const std::string& Reason) {
  throw EToolFailure("cannot read '" + FileName + "': " + Reason);
}

// One stream of a file and its decoder.
struct TDecoding {
  AVFormatContext* Format;
  AVCodecContext* Codec;
  AVPacket* Packet;
  int Stream;
};

// The file's next packet to the decoder when it belongs to the stream (Kind
// names it in messages); false at the file's end, once the decoder has been
// told so. A sound packet the decoder calls damaged is left out: a moment of
// silence rather than a clip refused, where a damaged picture is refused.
bool FeedDecoder(const TDecoding& D, const std::string& FileName, const char* Kind, bool SkipsDamaged) {
  const int read = av_read_frame(D.Format, D.Packet);
  if (read == AVERROR_EOF) {
    avcodec_send_packet(D.Codec, nullptr);
    return false;
  }
  if (read < 0) CannotRead(FileName, std::string("cannot read the ") + Kind + ": " + AvReason(read));
  const int sent = D.Packet->stream_index == D.Stream ? avcodec_send_packet(D.Codec, D.Packet) : 0;
  av_packet_unref(D.Packet);
  const bool skipped = SkipsDamaged && sent == AVERROR_INVALIDDATA;
  if (sent < 0 && sent != AVERROR(EAGAIN) && !skipped)
    CannotRead(FileName, std::string("cannot decode the ") + Kind + ": " + AvReason(sent));
  return true;
}

// The still-picture demuxers: a picture probed by the libraries is still a
// picture, read by our own decoders.
bool IsPictureFormat(const AVInputFormat* Format) {
  const std::string name = Format->name;
  return name == "image2" || (name.size() > 5 && name.compare(name.size() - 5, 5, "_pipe") == 0);
}

// The libraries' own log stays quiet while a file is probed: whatever they
// find wrong is said once, by the tool, naming the file.
class TQuietProbe {
 public:
  TQuietProbe() : FLevel(av_log_get_level()) { av_log_set_level(AV_LOG_QUIET); }
  ~TQuietProbe() { av_log_set_level(FLevel); }
  TQuietProbe(const TQuietProbe&) = delete;
  TQuietProbe& operator=(const TQuietProbe&) = delete;

 private:
  int FLevel;
};

AVFormatContext* OpenInput(const std::string& FileName) {
  CheckPictureFiles({FileName});
  AVFormatContext* format = nullptr;
  const TQuietProbe quiet;
  const int opened = avformat_open_input(&format, FileName.c_str(), nullptr, nullptr);
  if (opened < 0) CannotRead(FileName, AvReason(opened));
  const int found = avformat_find_stream_info(format, nullptr);
  if (found < 0) {
    avformat_close_input(&format);
    CannotRead(FileName, AvReason(found));
  }
  return format;
}

// The file's best stream of Type with its decoder opened, every other
// stream discarded; nullptr where it has none that can be decoded.
AVCodecContext* OpenDecoder(AVFormatContext* Format, AVMediaType Type, int& Stream, const std::string& FileName) {
  const AVCodec* decoder = nullptr;
  Stream = av_find_best_stream(Format, Type, -1, -1, &decoder, 0);
  if (Stream < 0 || !decoder) return nullptr;
  for (unsigned i = 0; i < Format->nb_streams; ++i)
    Format->streams[i]->discard = static_cast<int>(i) == Stream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
  AVCodecContext* codec = avcodec_alloc_context3(decoder);
  if (!codec) CannotRead(FileName, "out of memory");
  int result = avcodec_parameters_to_context(codec, Format->streams[Stream]->codecpar);
  // Two threads: each more holds its own frames (some 20 MB at 1080p),
  // while the encoder, not decoding, is what keeps the cores busy.
  codec->thread_count = 2;
  codec->pkt_timebase = Format->streams[Stream]->time_base;
  if (result >= 0) result = avcodec_open2(codec, decoder, nullptr);
  if (result < 0) {
    avcodec_free_context(&codec);
    CannotRead(FileName, "cannot open the " + std::string(av_get_media_type_string(Type)) + " decoder: " + AvReason(result));
  }
  return codec;
}

// Clockwise quarter turns from the stream's display matrix.
int RotationOf(const AVStream* Stream) {
  const std::uint8_t* matrix = av_stream_get_side_data(Stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr);
  if (!matrix) return 0;
  const double counterClockwise = av_display_rotation_get(reinterpret_cast<const std::int32_t*>(matrix));
  if (std::isnan(counterClockwise)) return 0;
  const int quarters = static_cast<int>(std::lround(-counterClockwise / 90.0));
  return ((quarters % 4) + 4) % 4 * 90;
}

// The time of the stream's first frame, in seconds; 0 where unknown.
double StartOf(const AVStream* Stream) {
  return Stream->start_time == AV_NOPTS_VALUE ? 0 : Stream->start_time * av_q2d(Stream->time_base);
}

TClipInfo InfoOf(AVFormatContext* Format, int VideoStream, const std::string& FileName) {
  const AVStream* stream = Format->streams[VideoStream];
  TClipInfo info;
  std::int64_t width = stream->codecpar->width, height = stream->codecpar->height;
  if (width < 1 || height < 1) CannotRead(FileName, "the video has no frame size");
  const AVRational aspect = av_guess_sample_aspect_ratio(Format, const_cast<AVStream*>(stream), nullptr);
  if (aspect.num > 0 && aspect.den > 0 && aspect.num != aspect.den)
    width = std::max<std::int64_t>(1, (width * aspect.num + aspect.den / 2) / aspect.den);
  info.Rotation = RotationOf(stream);
  if (info.Rotation == 90 || info.Rotation == 270) std::swap(width, height);
  if (width > 16384 || height > 16384) CannotRead(FileName, "the video's frames are larger than 16384 pixels a side");
  info.Width = static_cast<int>(width);
  info.Height = static_cast<int>(height);
  const AVRational rate = av_guess_frame_rate(Format, const_cast<AVStream*>(stream), nullptr);
  if (rate.num > 0 && rate.den > 0 && av_q2d(rate) >= 1 && av_q2d(rate) <= 1000) info.Rate = {rate.num, rate.den};
  else info.Rate = {30, 1};
  if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) info.Seconds = stream->duration * av_q2d(stream->time_base);
  else if (Format->duration != AV_NOPTS_VALUE && Format->duration > 0)
    info.Seconds = static_cast<double>(Format->duration) / AV_TIME_BASE - std::max(0.0, StartOf(stream) - static_cast<double>(std::max<std::int64_t>(Format->start_time, 0)) / AV_TIME_BASE);
  if (!(info.Seconds > 0)) CannotRead(FileName, "the clip's length is not known");
  const AVCodec* soundDecoder = nullptr;
  info.HasSound = av_find_best_stream(Format, AVMEDIA_TYPE_AUDIO, -1, -1, &soundDecoder, 0) >= 0 && soundDecoder;
  return info;
}

// Where each pixel of the displayed picture comes from in the stored one
// (Width x Height as stored, rows Stride pixels apart), turned Rotation
// degrees clockwise.
std::uint32_t StoredPixel(const std::uint32_t* Stored, int Width, int Height, int Stride, int Rotation, int X, int Y) {
  switch (Rotation) {
    case 90: return Stored[static_cast<std::size_t>(Height - 1 - X) * Stride + Y];
    case 180: return Stored[static_cast<std::size_t>(Height - 1 - Y) * Stride + (Width - 1 - X)];
    case 270: return Stored[static_cast<std::size_t>(X) * Stride + (Width - 1 - Y)];
    default: return Stored[static_cast<std::size_t>(Y) * Stride + X];
  }
}

// The conversions' vector code writes whole blocks of pixels: rows of a
// multiple of this many, and a block's worth spare at the end.
constexpr int kScaledAlignment = 32;

}  // namespace

namespace {

// Whether the file's first bytes are those of a video container, whether
// or not the rest can be read.
bool LooksLikeVideo(const std::string& FileName) {
  std::vector<std::uint8_t> head(4096 + AVPROBE_PADDING_SIZE, 0);
  FILE* file = std::fopen(FileName.c_str(), "rb");
  if (!file) return false;
  const std::size_t got = std::fread(head.data(), 1, 4096, file);
  std::fclose(file);
  AVProbeData probe{};
  probe.filename = FileName.c_str();
  probe.buf = head.data();
  probe.buf_size = static_cast<int>(got);
  const AVInputFormat* format = av_probe_input_format(&probe, 1);
  return format && !IsPictureFormat(format);
}

}  // namespace

bool IsClip(const std::string& FileName) {
  const TQuietProbe quiet;
  AVFormatContext* format = nullptr;
  // A video file the libraries cannot open is a clip still, so that the
  // reason is theirs, not that it is no picture.
  if (avformat_open_input(&format, FileName.c_str(), nullptr, nullptr) < 0) return LooksLikeVideo(FileName);
  bool clip = !IsPictureFormat(format->iformat);
  if (clip) {
    clip = false;
    // A cover picture of a song is not a clip.
    for (unsigned i = 0; i < format->nb_streams; ++i)
      clip = clip || (format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
                      !(format->streams[i]->disposition & AV_DISPOSITION_ATTACHED_PIC));
  }
  avformat_close_input(&format);
  return clip;
}

TClipInfo ReadClipInfo(const std::string& FileName) {
  AVFormatContext* format = OpenInput(FileName);
  const int stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  try {
    if (stream < 0) CannotRead(FileName, "it has no video");
    const TClipInfo info = InfoOf(format, stream, FileName);
    avformat_close_input(&format);
    return info;
  } catch (...) {
    avformat_close_input(&format);
    throw;
  }
}

// ---------------------------------------------------------------- frames

TClipFrames::TClipFrames(const std::string& FileName, int Width, int Height, TFit Fit, TColor Background,
                         TFrameRate Rate)
    : FName(FileName), FRate(Rate), FFrame(Width, Height) {
  try {
    FFormat = OpenInput(FileName);
    FCodec = OpenDecoder(FFormat, AVMEDIA_TYPE_VIDEO, FStream, FileName);
    if (!FCodec) Fail("it has no video that these ffmpeg libraries decode");
    FInfo = InfoOf(FFormat, FStream, FileName);
    FPacket = av_packet_alloc();
    FNext = av_frame_alloc();
    FShown = av_frame_alloc();
    if (!FPacket || !FNext || !FShown) Fail("out of memory");
  } catch (...) {
    Release();
    throw;
  }
  FPlace = FittedRect(FInfo.Width, FInfo.Height, Width, Height, Fit);
  TCanvas* canvas = FFrame.Canvas();
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(Background);
  canvas->FillRect(Rect(0, 0, Width, Height));
}

TClipFrames::~TClipFrames() { Release(); }

void TClipFrames::Release() {
  sws_freeContext(FScale);
  FScale = nullptr;
  av_frame_free(&FNext);
  av_frame_free(&FShown);
  av_packet_free(&FPacket);
  avcodec_free_context(&FCodec);
  avformat_close_input(&FFormat);
}

void TClipFrames::Fail(const std::string& Reason) const { CannotRead(FName, Reason); }

std::int64_t TClipFrames::FrameCount() const {
  return std::max<std::int64_t>(1, std::llround(FInfo.Seconds * FRate.Value()));
}

double TClipFrames::SecondsOf(const AVFrame* Frame) const {
  const std::int64_t pts = Frame->best_effort_timestamp != AV_NOPTS_VALUE ? Frame->best_effort_timestamp : Frame->pts;
  return pts == AV_NOPTS_VALUE ? FZero : pts * av_q2d(FFormat->streams[FStream]->time_base);
}

// The next frame into FNext; false at the clip's end.
bool TClipFrames::DecodeNext() {
  for (;;) {
    const int received = avcodec_receive_frame(FCodec, FNext);
    if (received >= 0) {
      if (!FHaveZero) FZero = SecondsOf(FNext);
      FHaveZero = true;
      return true;
    }
    if (received == AVERROR_EOF) return false;
    if (received != AVERROR(EAGAIN)) Fail("cannot decode the video: " + AvReason(received));
    if (FInputEnded) {
      FDecoderEnded = true;
      return false;
    }
    if (!FeedDecoder({FFormat, FCodec, FPacket, FStream}, FName, "video", false)) FInputEnded = true;
  }
}

const TBitmap& TClipFrames::Frame(std::int64_t Index) {
  MoveTo(Index);
  if (!FConverted) Show(FShown);
  FConverted = true;
  return FFrame;
}

const AVFrame* TClipFrames::Decoded(std::int64_t Index) {
  MoveTo(Index);
  const bool asStored = FInfo.Rotation == 0 && FPlace.Left == 0 && FPlace.Top == 0 && FPlace.Right == FFrame.Width() &&
                        FPlace.Bottom == FFrame.Height() && FShown->width == FFrame.Width() &&
                        FShown->height == FFrame.Height();
  return asStored ? FShown : nullptr;
}

// The picture on screen at the frame's time: the last one that starts by
// then, within half an output frame.
void TClipFrames::MoveTo(std::int64_t Index) {
  if (Index == FShownIndex) return;
  const double due = static_cast<double>(Index) * FRate.Den / FRate.Num + 0.5 * FRate.Den / FRate.Num - 1e-6;
  for (;;) {
    if (!FHaveNext) {
      if (FDecoderEnded || !DecodeNext()) break;
      FHaveNext = true;
    }
    if (FHaveShown && SecondsOf(FNext) - FZero > due) break;
    av_frame_unref(FShown);
    av_frame_move_ref(FShown, FNext);
    FHaveNext = false;
    FHaveShown = true;
    FConverted = false;
  }
  if (!FHaveShown) Fail("the clip has no video frames");
  FShownIndex = Index;
}

// The frame scaled to its place as stored, then turned into the frame.
void TClipFrames::Show(const AVFrame* Frame) {
  const int placeWidth = FPlace.Right - FPlace.Left, placeHeight = FPlace.Bottom - FPlace.Top;
  const bool turned = FInfo.Rotation == 90 || FInfo.Rotation == 270;
  const int scaledWidth = turned ? placeHeight : placeWidth, scaledHeight = turned ? placeWidth : placeHeight;
  FScale = sws_getCachedContext(FScale, Frame->width, Frame->height, static_cast<AVPixelFormat>(Frame->format),
                                scaledWidth, scaledHeight, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!FScale) Fail("no conversion from its pixel format");
  ReadColoursAsTagged(FScale, *Frame);
  const int stride = (scaledWidth + kScaledAlignment - 1) / kScaledAlignment * kScaledAlignment;
  FScaled.resize(static_cast<std::size_t>(stride) * (scaledHeight + 1));
  std::uint8_t* planes[1] = {reinterpret_cast<std::uint8_t*>(FScaled.data())};
  const int strides[1] = {stride * 4};
  sws_scale(FScale, Frame->data, Frame->linesize, 0, Frame->height, planes, strides);
  const int left = std::max(0, FPlace.Left), right = std::min(FFrame.Width(), FPlace.Right);
  const int top = std::max(0, FPlace.Top), bottom = std::min(FFrame.Height(), FPlace.Bottom);
  const AVPixFmtDescriptor* format = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(Frame->format));
  const bool opaque = !format || !(format->flags & AV_PIX_FMT_FLAG_ALPHA);
  for (int y = top; y < bottom && FInfo.Rotation == 0 && opaque; ++y)
    std::memcpy(FFrame.ScanLine(y) + left,
                FScaled.data() + static_cast<std::size_t>(y - FPlace.Top) * stride + (left - FPlace.Left),
                sizeof(std::uint32_t) * (right - left));
  for (int y = top; y < bottom && !(FInfo.Rotation == 0 && opaque); ++y) {
    std::uint32_t* row = FFrame.ScanLine(y);
    for (int x = left; x < right; ++x)
      row[x] = 0xFF000000u | StoredPixel(FScaled.data(), scaledWidth, scaledHeight, stride, FInfo.Rotation, x - FPlace.Left,
                                         y - FPlace.Top);
  }
}

// ---------------------------------------------------------------- sound

TClipSound::TClipSound(const std::string& FileName) : FName(FileName) {
  try {
    FFormat = OpenInput(FileName);
    const int video = av_find_best_stream(FFormat, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    FCodec = OpenDecoder(FFormat, AVMEDIA_TYPE_AUDIO, FStream, FileName);
    if (!FCodec) return;
    // Time 0 is the first frame's; a file of sound alone starts with it.
    FZero = StartOf(FFormat->streams[video >= 0 ? video : FStream]);
    AVChannelLayout in{};
    if (FCodec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || FCodec->ch_layout.nb_channels < 1)
      av_channel_layout_default(&in, std::max(1, FCodec->ch_layout.nb_channels));
    else
      av_channel_layout_copy(&in, &FCodec->ch_layout);
    AVChannelLayout out{};
    av_channel_layout_default(&out, kSoundChannels);
    const int made = swr_alloc_set_opts2(&FResample, &out, AV_SAMPLE_FMT_FLT, kSoundRate, &in, FCodec->sample_fmt,
                                         FCodec->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&in);
    av_channel_layout_uninit(&out);
    if (made < 0 || swr_init(FResample) < 0) Fail("cannot resample its sound");
    FPacket = av_packet_alloc();
    FDecoded = av_frame_alloc();
    if (!FPacket || !FDecoded) Fail("out of memory");
  } catch (...) {
    Release();
    throw;
  }
}

TClipSound::~TClipSound() { Release(); }

void TClipSound::Release() {
  swr_free(&FResample);
  av_frame_free(&FDecoded);
  av_packet_free(&FPacket);
  avcodec_free_context(&FCodec);
  avformat_close_input(&FFormat);
}

void TClipSound::Fail(const std::string& Reason) const { CannotRead(FName, Reason); }

void TClipSound::Read(float* Samples, std::size_t Frames) {
  std::size_t wanted = Frames * kSoundChannels;
  while (wanted > 0) {
    if (FRead == FPending.size()) {
      FPending.clear();
      FRead = 0;
      if (FEnded || !DecodeMore()) break;
      continue;
    }
    const std::size_t n = std::min(wanted, FPending.size() - FRead);
    std::memcpy(Samples, FPending.data() + FRead, n * sizeof(float));
    Samples += n;
    FRead += n;
    wanted -= n;
  }
  std::fill(Samples, Samples + wanted, 0.0f);
}

// Some more samples into FPending; false at the sound's end.
bool TClipSound::DecodeMore() {
  if (!FCodec) return false;
  for (;;) {
    const int received = avcodec_receive_frame(FCodec, FDecoded);
    if (received >= 0) {
      Take(FDecoded);
      av_frame_unref(FDecoded);
      if (!FPending.empty()) return true;
      continue;
    }
    if (received == AVERROR_EOF || (received == AVERROR(EAGAIN) && FInputEnded)) {
      // What the resampler still holds.
      Take(nullptr);
      FEnded = true;
      return !FPending.empty();
    }
    if (received != AVERROR(EAGAIN)) Fail("cannot decode the sound: " + AvReason(received));
    if (!FeedDecoder({FFormat, FCodec, FPacket, FStream}, FName, "sound", true)) FInputEnded = true;
  }
}

// Frame's samples resampled onto FPending (nullptr: the resampler's
// remainder). The first ones are placed at their time after time 0.
void TClipSound::Take(const AVFrame* Frame) {
  const int inSamples = Frame ? Frame->nb_samples : 0;
  const int most = swr_get_out_samples(FResample, inSamples);
  if (most <= 0) return;
  std::vector<float> out(static_cast<std::size_t>(most) * kSoundChannels);
  std::uint8_t* planes[1] = {reinterpret_cast<std::uint8_t*>(out.data())};
  const int made = swr_convert(FResample, planes, most, Frame ? const_cast<const std::uint8_t**>(Frame->extended_data) : nullptr,
                               inSamples);
  if (made < 0) Fail("cannot resample its sound: " + AvReason(made));
  out.resize(static_cast<std::size_t>(made) * kSoundChannels);
  std::size_t skip = 0;
  if (!FStarted && Frame) {
    FStarted = true;
    const std::int64_t pts = Frame->best_effort_timestamp != AV_NOPTS_VALUE ? Frame->best_effort_timestamp : Frame->pts;
    const double start = pts == AV_NOPTS_VALUE ? FZero : pts * av_q2d(FFormat->streams[FStream]->time_base);
    const std::int64_t lead = std::llround((start - FZero) * kSoundRate);
    if (lead > 0) FPending.assign(static_cast<std::size_t>(lead) * kSoundChannels, 0.0f);
    else skip = std::min(out.size(), static_cast<std::size_t>(-lead) * kSoundChannels);
  }
  FPending.insert(FPending.end(), out.begin() + static_cast<std::ptrdiff_t>(skip), out.end());
}

}  // namespace tweenery
