#include "tools/Commands.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <random>
#include <sstream>
#include <thread>

#include "media/Alpha.h"
#include "media/FrameWriter.h"
#include "media/Interruption.h"
#include "tools/Luma.h"
#include "tools/Options.h"
#include "tools/Timeline.h"
#include "media/Output.h"
#include "media/Clips.h"
#include "media/Pictures.h"
#include "media/Programme.h"
#include "media/Reel.h"
#include "media/Slideshow.h"
#include "media/Errors.h"
#include "tweenkit/Presets.h"

namespace tweenery {

namespace {

using TClock = std::chrono::steady_clock;

// Each composing thread holds copies of the pictures; more threads than
// this would only cost memory.
constexpr int kMostJobs = 256;

// ---------------------------------------------------------------- options

struct TLookOptions {
  std::string Operation = "Push";
  std::string Modifier = "left";
  bool Reverse = false;
  std::optional<TPositiveInteger> Delta;
  std::string Color;
  std::string RGBOrder = "RGB";
  bool Preset = false;
  std::string Size;
  std::string Fit = "contain";
  std::optional<std::uint64_t> Seed;
};

struct TTimeOptions {
  std::optional<TPositiveInteger> Steps;
  std::optional<std::uint32_t> Interval;
  std::optional<double> Duration;
  std::optional<double> Fps;
  std::optional<std::string> Easing;
  std::optional<double> Hold;
};

// show's timing: every value may be a list, used in turn.
struct TShowTimeOptions {
  std::vector<double> Durations;
  std::optional<double> Fps;
  std::vector<std::string> Easings;
  std::vector<double> Holds;
  std::string Timeline;
};

struct TRunOptions {
  std::string Output;
  bool Overwrite = false;
  std::optional<int> PngLevel;
  std::optional<int> Threads;
  std::optional<int> Jobs;
  bool Quiet = false;
  bool Verbose = false;
  std::optional<std::int64_t> MaxFrames;
  TEncoding Encoding;
  std::string Bitrate;
};

// Entry Index of a list used in turn: a list shorter than the slideshow
// starts again from its first entry, one longer keeps its first entries.
template <typename T>
const T& InTurn(const std::vector<T>& List, std::size_t Index) {
  return List[Index % List.size()];
}

CLI::Option* AddNumberList(CLI::App* App, const std::string& Option, std::vector<double>& Target, const std::string& Help) {
  return App
      ->add_option_function<std::string>(
          Option,
          [&Target, Option](const std::string& Text) {
            Target.clear();
            for (const std::string& entry : SplitList(Text)) Target.push_back(ParseNumber<double>(entry, Option));
          },
          Help)
      ->type_name("FLOAT[,FLOAT...]");
}

void AddLookOptions(CLI::App* App, TLookOptions& O, bool OneOperation) {
  App->add_option("--operation", O.Operation,
                  OneOperation ? "operation: Push, MonoSlider, ... (case-insensitive; toPush too); see 'tweenery list'"
                               : "operation, a comma-separated list used in turn, or random")
      ->capture_default_str();
  App->add_option("--modifier", O.Modifier, "direction: left, right, up or down")->capture_default_str();
  App->add_flag("--reverse", O.Reverse, "play the operation's reverse form");
  AddNumber(App, "--delta", O.Delta, "the operation's size parameter (see 'tweenery list'), 1 or more");
  App->add_option("--color", O.Color, "fill and letterbox colour: #RRGGBB or a name (white, clWhite, clBtnFace)");
  App->add_option("--rgb-order", O.RGBOrder, "channel order of RGB and RGBBlend: RGB, RBG, GRB, GBR, BRG, BGR")
      ->capture_default_str();
  App->add_flag("--preset", O.Preset, "the dialog's Interval, Steps and Delta of the operation");
  App->add_option("--size", O.Size, "frame size WxH; pictures are fitted to it (default: the first picture's)");
  App->add_option("--fit", O.Fit, "how pictures fit --size: stretch, contain (letterboxed) or cover")
      ->capture_default_str();
  AddNumber(App, "--seed", O.Seed, "seed of the random operations (RandomBars, TwinRandomBars, Swarm, random)");
}

const char* const kEasings = "linear, ease, ease-in, ease-out, ease-in-out, cubic-bezier(x1,y1,x2,y2), steps(n)";
const char* const kHoldRounding = ", in whole frames: the nearest, and at least one for any hold above 0";

void AddTimeOptions(CLI::App* App, TTimeOptions& O) {
  AddNumber(App, "--steps", O.Steps, "playback timing: frames advanced per tick, 1 or more");
  AddNumber(App, "--interval", O.Interval, "playback timing: milliseconds per frame (default 100)");
  AddNumber(App, "--duration", O.Duration, "video timing: seconds of the transition (default 1.5)");
  AddNumber(App, "--fps", O.Fps, "video timing: frames per second, 0.001 to 1000 (default 30)");
  App->add_option("--easing", O.Easing, std::string("video timing: ") + kEasings);
  AddNumber(App, "--hold", O.Hold, std::string("seconds the first and last frames are held (default 0)") + kHoldRounding);
}

// Lists are used in turn as --operation's are: a shorter list repeats.
void AddShowTimeOptions(CLI::App* App, TShowTimeOptions& O) {
  AddNumberList(App, "--duration", O.Durations,
                "seconds of each transition, or a comma-separated list, one per transition in turn (default 1.5)");
  AddNumber(App, "--fps", O.Fps, "frames per second, 0.001 to 1000 (default 30)");
  App->add_option_function<std::string>(
         "--easing", [&O](const std::string& Text) { O.Easings = SplitList(Text); },
         std::string("each transition's curve, or a comma-separated list in turn (default ease-in-out): ") + kEasings)
      ->type_name("TEXT[,TEXT...]");
  AddNumberList(App, "--hold", O.Holds,
                std::string("seconds each picture is held, or a comma-separated list, one per picture in turn "
                            "(default 2)") + kHoldRounding);
  App->add_option("--timeline", O.Timeline,
                  std::string("a timeline file in place of the pictures: one picture a line, ") + kTimelineFormat +
                      " (see below)")
      ->type_name("FILE");
}

void AddRunOptions(CLI::App* App, TRunOptions& O) {
  App->add_option("-o,--output", O.Output,
                  "frames/f%04d.png, .bmp pattern, still.png, out.y4m, - (y4m on standard output), "
                  "out.mp4, .mkv, .mov, .webm, .gif, .apng, .webp (one frame with --frame or --at: a still WebP)")
      ->required();
  App->add_flag("-y,--overwrite", O.Overwrite, "replace existing output");
  AddNumber(App, "--png-level", O.PngLevel, "zlib level of PNG frames, 0 to 9 (default 1)");
  AddNumber(App, "--threads", O.Threads, "threads writing PNG frames, 1 to 256 (default: one per core)");
  AddNumber(App, "--jobs", O.Jobs,
            "threads composing frames, 1 to 256 (default: one per core; 1 composes and writes in turn); "
            "random bars and Swarm compose in turn, and the output is the same for any number");
  App->add_flag("-q,--quiet", O.Quiet, "no progress bar and no summary");
  App->add_flag("-v,--verbose", O.Verbose, "say what is rendered before rendering it");
  AddNumber(App, "--max-frames", O.MaxFrames, "refuse runs longer than this (default 100000)");
  App->add_option("--codec", O.Encoding.Codec,
                  "video codec: h264, hevc, vp9, av1 or prores, those these ffmpeg libraries have "
                  "(default: h264 for .mp4, .mkv, .mov; vp9 for .webm)");
  AddNumber(App, "--crf", O.Encoding.Crf,
            "constant quality, lower is better: h264 and hevc 0 to 51 (default 18 and 22), vp9 and av1 to 63 "
            "(default 30 and 32)");
  App->add_option("--video-preset", O.Encoding.Preset,
                  "encoding speed (--preset is the operation's playback preset): ultrafast, superfast, veryfast (default), faster, fast, medium, slow, slower, veryslow");
  App->add_option("--pix-fmt", O.Encoding.PixelFormat, "pixel format, e.g. yuv420p (default), yuv420p10le, yuv444p");
  App->add_option("--bitrate", O.Bitrate, "average bits a second instead of a constant quality, e.g. 8M or 2500k");
  App->add_flag("--alpha", O.Encoding.Alpha,
                "keep the pictures' transparency: PNG, .apng, .webp, .webm (VP9), .mov (ProRes 4444)");
}

// ---------------------------------------------------------------- values

bool SameText(const std::string& A, const std::string& B) {
  return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](unsigned char a, unsigned char b) {
           return std::tolower(a) == std::tolower(b);
         });
}

TTransitionOperation ParseOperation(const std::string& Name) {
  if (auto operation = FindOperation(Name)) return *operation;
  throw EUsage("unknown operation '" + Name + "'; 'tweenery list' shows the 28 operations");
}

TColor ParseColor(const std::string& Text) {
  if (Text.size() == 7 && Text[0] == '#' &&
      std::all_of(Text.begin() + 1, Text.end(), [](unsigned char c) { return std::isxdigit(c); })) {
    const std::uint32_t rgb = static_cast<std::uint32_t>(std::stoul(Text.substr(1), nullptr, 16));
    return static_cast<TColor>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
  }
  static const TColor kNamed[] = {clBlack, clMaroon, clGreen, clOlive, clNavy, clPurple, clTeal, clGray,
                                  clSilver, clRed, clLime, clYellow, clBlue, clFuchsia, clAqua, clWhite};
  std::vector<TColor> candidates(std::begin(kNamed), std::end(kNamed));
  for (int i = 0; i <= 24; ++i) candidates.push_back(SystemColor(i));
  for (TColor color : candidates) {
    const std::string ident = ColorToIdent(color);  // "clWhite"
    if (!ident.empty() && (SameText(Text, ident) || SameText("cl" + Text, ident))) return color;
  }
  throw EUsage("unknown colour '" + Text + "' (#RRGGBB or a name such as white or clBtnFace)");
}


TFit ParseFit(const std::string& Text) {
  if (SameText(Text, "stretch")) return TFit::Stretch;
  if (SameText(Text, "contain")) return TFit::Contain;
  if (SameText(Text, "cover")) return TFit::Cover;
  throw EUsage("--fit '" + Text + "': stretch, contain or cover");
}

TFrameRate RateOf(double Fps) {
  // Kept in thousandths: a smaller rate would round to none.
  if (!(Fps >= 0.001) || Fps > 1000) throw EUsage("--fps must be 0.001 to 1000");
  if (Fps == std::floor(Fps)) return {static_cast<int>(Fps), 1};
  return {static_cast<int>(std::lround(Fps * 1000)), 1000};
}

std::int64_t FramesOf(double Seconds, TFrameRate Rate, const char* Option) {
  if (!(Seconds >= 0) || Seconds > 3600) throw EUsage(std::string(Option) + " must be 0 to 3600 seconds");
  return std::llround(Seconds * Rate.Value());
}

// A hold asked for is never dropped: any hold above 0 is one frame at least.
std::int64_t HoldFrames(double Seconds, TFrameRate Rate) {
  const std::int64_t frames = FramesOf(Seconds, Rate, "--hold");
  return Seconds > 0 ? std::max<std::int64_t>(frames, 1) : frames;
}

// "8M", "2500k" or a plain number of bits a second.
std::int64_t ParseBitrate(const std::string& Text) {
  std::string digits = Text;
  std::int64_t unit = 1;
  if (!digits.empty() && (digits.back() == 'k' || digits.back() == 'K')) unit = 1000;
  if (!digits.empty() && (digits.back() == 'm' || digits.back() == 'M')) unit = 1000000;
  if (unit > 1) digits.pop_back();
  double value = 0;
  try {
    value = ParseNumber<double>(digits, "--bitrate");
  } catch (const CLI::ValidationError&) {
    throw EUsage("--bitrate '" + Text + "': give bits a second, e.g. 8M, 2500k or 800000");
  }
  if (!(value > 0) || value * unit > 1e12) throw EUsage("--bitrate '" + Text + "' is out of range");
  return std::llround(value * unit);
}

// The encoding the options ask for, checked against the output before any
// picture is read: the video options are for video files, alpha for the
// outputs that can keep it.
TEncoding EncodingOf(const TRunOptions& R) {
  TEncoding encoding = R.Encoding;
  if (!R.Bitrate.empty()) encoding.Bitrate = ParseBitrate(R.Bitrate);
  const TOutputKind kind = OutputKindOf(R.Output);
  if (kind == TOutputKind::Video) {
    CheckVideoEncoding(R.Output, encoding);
    return encoding;
  }
  if (!encoding.Codec.empty() || encoding.Crf || !encoding.Preset.empty() || !encoding.PixelFormat.empty() ||
      encoding.Bitrate)
    throw EUsage("'" + R.Output + "': --codec, --crf, --video-preset, --pix-fmt and --bitrate are for video files");
  const bool png = kind != TOutputKind::Y4M && SameText(std::filesystem::path(R.Output).extension().string(), ".png");
  if (encoding.Alpha && !png)
    throw EUsage("--alpha: '" + R.Output + "' has no alpha; alpha goes into PNG, .apng, .webp, .webm (VP9) and .mov (ProRes 4444)");
  return encoding;
}


// The look of a transition from the options, for one operation.
TTransitionSettings SettingsOf(const TLookOptions& O, TTransitionOperation Operation, std::uint64_t Seed) {
  TTransitionSettings s;
  s.Operation = Operation;
  const auto modifier = FindModifier(O.Modifier);
  if (!modifier) throw EUsage("--modifier '" + O.Modifier + "': left, right, up or down");
  s.Modifier = *modifier;
  s.Reverse = O.Reverse;
  const auto order = FindRGBOrder(O.RGBOrder);
  if (!order) throw EUsage("--rgb-order '" + O.RGBOrder + "': RGB, RBG, GRB, GBR, BRG or BGR");
  s.RGBOrder = *order;
  if (O.Delta && *O.Delta < 1) throw EUsage("--delta must be 1 or more");
  if (O.Delta) s.Delta = *O.Delta;
  else if (O.Preset && OperationPreset(Operation).Delta) s.Delta = *OperationPreset(Operation).Delta;
  if (!O.Color.empty()) s.Color = ParseColor(O.Color);
  s.Seed = Seed;
  return s;
}

// ---------------------------------------------------------------- pictures

// The run's pictures (none: the built-in pair), read as the run reaches
// them. Every file is looked at first, and a video's frame size checked
// against its format before any picture is read but the one that may give
// the size.
std::unique_ptr<TPictureSource> OpenPictures(const std::vector<std::string>& Names, const TLookOptions& O,
                                             const TRunOptions& Run) {
  const std::string& Output = Run.Output;
  RegisterToolImageLoaders();
  const TEncoding encoding = EncodingOf(Run);
  CheckPictureFiles(Names);
  const TFit fit = ParseFit(O.Fit);
  int width = 0, height = 0;
  if (!O.Size.empty()) std::tie(width, height) = ParseSize(O.Size);
  const TColor background = O.Color.empty() ? clBlack : ParseColor(O.Color);
  const bool video = !Output.empty() && OutputKindOf(Output) == TOutputKind::Video;
  if (video && width > 0) CheckVideoFrameSize(Output, width, height, encoding);
  auto pictures = std::make_unique<TPictureSource>(Names, width, height, fit, background,
                                                   encoding.Alpha ? TPictureSource::TReader(ReadPicturePremultiplied)
                                                                  : TPictureSource::TReader());
  if (video && width == 0) CheckVideoFrameSize(Output, pictures->Width(), pictures->Height(), encoding);
  return pictures;
}

// The pictures' alpha planes, fitted as the pictures are (what the
// background fills is opaque), when the output keeps alpha; nullptr when it
// does not, or the pictures are the built-in ones, which are opaque: the
// frames' own top byte then says so.
std::unique_ptr<TPictureSource> OpenAlphaPictures(const std::vector<std::string>& Names, const TLookOptions& O,
                                                  const TRunOptions& Run, const TPictureSource& Pictures) {
  if (!Run.Encoding.Alpha || Names.empty()) return nullptr;
  return std::make_unique<TPictureSource>(Names, Pictures.Width(), Pictures.Height(), ParseFit(O.Fit), clWhite,
                                          ReadPictureAlpha);
}

// ---------------------------------------------------------------- writing

class TProgress {
 public:
  TProgress(std::ostream& Err, bool Quiet, std::int64_t Total)
      : FErr(Err), FShow(!Quiet && isatty(STDERR_FILENO)), FTotal(Total), FStart(TClock::now()) {}
  void Update(std::int64_t Done) {
    if (!FShow) return;
    const auto now = TClock::now();
    if (now - FStart < std::chrono::seconds(1) || now - FLast < std::chrono::milliseconds(100)) return;
    FLast = now;
    const int width = 30, filled = static_cast<int>(width * Done / std::max<std::int64_t>(FTotal, 1));
    FErr << "\r[" << std::string(filled, '#') << std::string(width - filled, ' ') << "] " << Done << "/" << FTotal
         << " frames" << std::flush;
    FDrawn = true;
  }
  void Clear() {
    if (FDrawn) FErr << "\r" << std::string(60, ' ') << "\r" << std::flush;
    FDrawn = false;
  }
  double Seconds() const { return std::chrono::duration<double>(TClock::now() - FStart).count(); }

 private:
  std::ostream& FErr;
  bool FShow;
  std::int64_t FTotal;
  TClock::time_point FStart, FLast{};
  bool FDrawn = false;
};

// The output the run options ask for, checked: it may be written.
TOutputOptions OutputOptionsOf(const TRunOptions& R, std::ostream& Err) {
  const int level = R.PngLevel.value_or(1);
  if (level < 0 || level > 9) throw EUsage("--png-level must be 0 to 9");
  if (R.Jobs && (*R.Jobs < 1 || *R.Jobs > kMostJobs)) throw EUsage("--jobs must be 1 to " + std::to_string(kMostJobs));
  if (R.Threads && (*R.Threads < 1 || *R.Threads > kMostJobs))
    throw EUsage("--threads must be 1 to " + std::to_string(kMostJobs));
  OutputKindOf(R.Output);
  TOutputOptions output;
  output.Name = R.Output;
  output.Overwrite = R.Overwrite;
  output.PngLevel = level;
  output.Threads = R.Threads.value_or(0);
  output.Messages = &Err;
  output.Encoding = EncodingOf(R);
  CheckOutputIsFree(output);
  return output;
}

// The line said after a run: Rate none for a single picture.
std::string Summary(std::int64_t Count, int Width, int Height, std::optional<TFrameRate> Rate, const TFrameSink& Sink,
                    const TRunOptions& R, const TProgress& Progress) {
  std::ostringstream line;
  line << "tweenery: " << Count << (Count == 1 ? " frame" : " frames") << ", " << Width << " x " << Height;
  if (Rate) line << ", " << std::fixed << std::setprecision(2) << Count / Rate->Value() << " s at " << std::setprecision(3)
                 << std::defaultfloat << Rate->Value() << " fps";
  line << ", " << Sink.Description() << " -> " << (R.Output == "-" ? "standard output" : R.Output) << " (" << std::fixed
       << std::setprecision(1) << Progress.Seconds() << " s)\n";
  return line.str();
}

struct TWriteRequest {
  std::optional<std::int64_t> Frame;  // --frame
  std::optional<double> At;           // --at
};

// The pictures of the run, read one at a time, and, since blends show
// colours of neither, the middle frame of the first transition, composed by
// a renderer of its own.
TPaletteSamples PaletteSamples(TPictureSource& Pictures, TProgramme& Programme) {
  return TPaletteSamples([&Pictures, &Programme](const TPaletteSamples::TVisit& Visit) {
    for (std::size_t i = 0; i < Pictures.Count(); ++i) Visit(*Pictures.Picture(i));
    const TProgramme::TPicturePair first = Programme.Pictures(0);
    TTransitionRenderer renderer(*first.From, *first.To, Programme.Plan(0).Settings);
    Visit(renderer.Compose(renderer.FrameCount() / 2));
  });
}

// The sink with the frames' alpha composed beside them by a programme of
// its own. Random operations draw on one process-wide state, so the two
// programmes are composed in turn on one thread (the caller's --jobs 1).
std::unique_ptr<TFrameSink> WithAlpha(std::unique_ptr<TFrameSink> Sink, TProgramme& Alpha, const TWriteRequest& Request) {
  return std::make_unique<TAlphaSink>(std::move(Sink), [&Alpha, Request](std::int64_t Index) -> const TBitmap& {
    if (Request.At) return Alpha.Run(0).At(*Request.At, Alpha.Plan(0).Easing);
    return Alpha.Frame(Request.Frame.value_or(0) + Index);
  });
}

void Write(TProgramme& Programme, TPictureSource& Pictures, TFrameRate Rate, const TRunOptions& R,
           const TWriteRequest& Request, std::ostream& Err, TPictureSource* AlphaPictures = nullptr) {
  const std::int64_t total = Programme.FrameCount();
  const std::int64_t most = R.MaxFrames.value_or(100000);
  // Below one, every run would be refused as too long for the limit.
  if (most < 1) throw EUsage("--max-frames must be 1 or more");
  // The limit is on what is written: one frame of any run can be had.
  if (!Request.Frame && !Request.At && total > most)
    throw EUsage("the run would have " + std::to_string(total) + " frames, more than --max-frames " +
                 std::to_string(most) + "; raise --steps or --max-frames");
  if (Request.Frame && (*Request.Frame < 0 || *Request.Frame >= total))
    throw EUsage("--frame " + std::to_string(*Request.Frame) + ": the run has frames 0 to " + std::to_string(total - 1));
  if (Request.At && !(*Request.At >= 0 && *Request.At <= 1)) throw EUsage("--at must lie in [0, 1]");
  const TOutputOptions output = OutputOptionsOf(R, Err);

  const bool one = Request.Frame || Request.At;
  const std::int64_t count = one ? 1 : total;
  TProgress progress(Err, R.Quiet, count);
  std::unique_ptr<TFrameSink> sink =
      OpenSink(output, Pictures.Width(), Pictures.Height(), Rate, PaletteSamples(Pictures, Programme));
  const std::unique_ptr<TProgramme> alpha = AlphaPictures ? Programme.Alike(AlphaPictures, clWhite) : nullptr;
  if (alpha) sink = WithAlpha(std::move(sink), *alpha, Request);
  if (Request.At) {
    sink->Write(Programme.Run(0).At(*Request.At, Programme.Plan(0).Easing));
  } else if (Request.Frame) {
    sink->Write(Programme.Frame(*Request.Frame));
  } else {
    const int jobs = alpha ? 1 : R.Jobs.value_or(static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, static_cast<unsigned>(kMostJobs))));
    WriteFrames(Programme, total, *sink, jobs, [&progress](std::int64_t Written) { progress.Update(Written); });
  }
  StopIfInterrupted();
  sink->Finish();
  progress.Clear();
  if (!R.Quiet) Err << Summary(count, Pictures.Width(), Pictures.Height(), one ? std::nullopt : std::optional(Rate), *sink, R, progress);
}

// ---------------------------------------------------------------- clips

// A file that cannot be opened counts by its name here; why it cannot be
// read is said when it is read, after the command's own values are checked.
bool AnyClip(const std::vector<std::string>& Names) {
  return std::any_of(Names.begin(), Names.end(), [](const std::string& Name) { return IsClip(Name); });
}

// The run's frame rate: --fps, else the first clip's, else 30.
TFrameRate RunRate(const std::vector<std::string>& Names, std::optional<double> Fps) {
  if (Fps) return RateOf(*Fps);
  for (const std::string& name : Names)
    if (IsClip(name)) {
      CheckPictureFiles({name});
      return ReadClipInfo(name).Rate;
    }
  return {30, 1};
}

// A run that joins clips (or lays music under pictures): the items played
// in order, frames and sound streamed to the output.
// Holds[i]: the frames item i stands still besides its transitions, where
// it is a picture.
void WriteReel(const std::vector<std::string>& Names, const std::vector<std::int64_t>& Holds,
               std::vector<TTransitionPlan> Plans, const TLookOptions& Look, TReelOptions Options, const TRunOptions& R,
               std::ostream& Err) {
  TOutputOptions output = OutputOptionsOf(R, Err);
  if (output.Encoding.Alpha) throw EUsage("--alpha: a run with clips or --audio keeps no alpha; give pictures only");
  if (!Options.Music.empty() && !OutputTakesSound(R.Output))
    throw EUsage("--audio: '" + R.Output + "' carries no sound; write mp4, mov, mkv or webm");
  RegisterToolImageLoaders();
  Options.Fit = ParseFit(Look.Fit);
  if (!Look.Size.empty()) std::tie(Options.Width, Options.Height) = ParseSize(Look.Size);
  Options.Background = Look.Color.empty() ? clBlack : ParseColor(Look.Color);
  std::vector<TReelItem> items;
  for (std::size_t i = 0; i < Names.size(); ++i) items.push_back({Names[i], IsClip(Names[i]), Holds.at(i)});
  TReel reel(std::move(items), std::move(Plans), Options);
  if (OutputKindOf(R.Output) == TOutputKind::Video) CheckVideoFrameSize(R.Output, reel.Width(), reel.Height());
  const std::int64_t most = R.MaxFrames.value_or(100000);
  if (reel.FrameCount() > most)
    throw EUsage("the run would have " + std::to_string(reel.FrameCount()) + " frames, more than --max-frames " +
                 std::to_string(most) + "; raise --max-frames");
  if (reel.HasSound()) output.SoundRate = kSoundRate;
  output.SoundChannels = kSoundChannels;
  TProgress progress(Err, R.Quiet, reel.FrameCount());
  std::unique_ptr<TFrameSink> sink = OpenSink(output, reel.Width(), reel.Height(), reel.Rate(), reel.PaletteSamples());
  reel.Write(*sink, [&progress](std::int64_t Written) { progress.Update(Written); });
  StopIfInterrupted();
  sink->Finish();
  progress.Clear();
  if (!R.Quiet) Err << Summary(reel.FrameCount(), reel.Width(), reel.Height(), reel.Rate(), *sink, R, progress);
}

std::string SeedNote(const TTransitionSettings& S) {
  return UsesRandom(S.Operation) ? " seed " + std::to_string(S.Seed) : "";
}

// ---------------------------------------------------------------- render

struct TRender {
  std::vector<std::string> Pictures;
  std::string From, To;
  TLookOptions Look;
  TTimeOptions Time;
  TRunOptions Run;
  std::optional<std::int64_t> Frame;
  std::optional<double> At;
  std::optional<double> Offset;
};

void RunRender(const TRender& C, std::ostream& Err) {
  std::vector<std::string> names = C.Pictures;
  if (!C.From.empty() || !C.To.empty()) {
    if (!names.empty()) throw EUsage("give the pictures as FROM TO or as --from/--to, not both");
    if (C.From.empty() || C.To.empty()) throw EUsage("--from and --to go together");
    names = {C.From, C.To};
  }
  if (names.size() == 1 || names.size() > 2) throw EUsage("render takes two pictures, FROM and TO (or none: the built-in pair)");
  if (C.Frame && C.At) throw EUsage("--frame and --at choose one picture each; give one of them");

  const TTransitionOperation operation = ParseOperation(C.Look.Operation);
  const TTransitionSettings settings = SettingsOf(C.Look, operation, C.Look.Seed.value_or(FreshSeed()));
  const bool playback = C.Time.Steps || C.Time.Interval || C.Look.Preset;
  if (playback && (C.Time.Duration || C.Time.Fps || C.Time.Easing))
    throw EUsage("--steps/--interval/--preset time a run as playback, --duration/--fps/--easing as video; not both");
  const bool clips = AnyClip(names);
  if (clips && playback) throw EUsage("clips are timed as video, by --duration and --fps, not --steps/--interval/--preset");
  if (clips && (C.Frame || C.At)) throw EUsage("--frame and --at pick one picture of a transition between pictures, not clips");
  if (C.Offset && !clips) throw EUsage("--offset places the transition within a clip: give clips");

  TTransitionPlan plan;
  TFrameRate rate;
  if (playback) {
    const TOperationPreset& preset = OperationPreset(operation);
    plan.Steps = C.Time.Steps.value_or(C.Look.Preset ? preset.Steps : 1);
    const std::uint32_t interval = C.Time.Interval.value_or(C.Look.Preset ? preset.Interval : 100);
    if (*plan.Steps < 1) throw EUsage("--steps must be 1 or more");
    if (interval < 1 || interval > 60000) throw EUsage("--interval must be 1 to 60000 milliseconds");
    rate = {1000, static_cast<int>(interval)};
  } else {
    rate = clips ? RunRate(names, C.Time.Fps) : RateOf(C.Time.Fps.value_or(30));
    const double duration = C.Time.Duration.value_or(1.5);
    plan.Count = FramesOf(duration, rate, "--duration");
    if (plan.Count < 1) throw EUsage("--duration is shorter than one frame at this --fps");
    try {
      plan.Easing = TEasing::Parse(C.Time.Easing.value_or("linear"));
    } catch (const ETimeBase& e) {
      throw EUsage(std::string("--easing: ") + e.what());
    }
  }
  const std::int64_t hold = HoldFrames(C.Time.Hold.value_or(0), rate);
  if (clips) {
    plan.Settings = settings;
    TReelOptions options;
    options.Rate = rate;
    options.Offset = C.Offset;
    return WriteReel(names, {hold, hold}, {plan}, C.Look, options, C.Run, Err);
  }

  const std::unique_ptr<TPictureSource> pictures = OpenPictures(names, C.Look, C.Run);
  const std::unique_ptr<TPictureSource> alpha = OpenAlphaPictures(names, C.Look, C.Run, *pictures);
  plan.FromPicture = 0;
  plan.ToPicture = 1;
  plan.Settings = settings;
  TProgramme programme;
  programme.SetPictureSource(pictures.get());
  const std::size_t t = programme.AddTransition(plan);
  programme.AddPart(t, TProgramme::TPartKind::FirstFrame, hold);
  programme.AddPart(t, TProgramme::TPartKind::Run, -1);
  programme.AddPart(t, TProgramme::TPartKind::LastFrame, hold);
  if (C.Run.Verbose)
    Err << "tweenery: " << OperationText(operation) << " " << ModifierText(settings.Modifier)
        << (settings.Reverse ? " reverse" : "") << ", Delta " << settings.Delta << ", "
        << programme.Renderer(t).FrameCount() << " frames from start to end with Steps 1" << SeedNote(settings) << "\n";
  Write(programme, *pictures, rate, C.Run, {C.Frame, C.At}, Err, alpha.get());
}

// ---------------------------------------------------------------- show

struct TShow {
  std::vector<std::string> Pictures;
  TLookOptions Look;
  TShowTimeOptions Time;
  TRunOptions Run;
  std::string Audio;
  std::optional<double> AudioFade;
};

// The pictures of the show: those named on the command line, or the
// timeline's, whose lines also give what the command line says of them.
std::vector<TTimelineItem> ShowItems(const TShow& C) {
  std::vector<TTimelineItem> items;
  if (!C.Time.Timeline.empty()) {
    if (!C.Pictures.empty()) throw EUsage("give the pictures or --timeline, not both");
    items = ReadTimeline(C.Time.Timeline);
  }
  for (const std::string& name : C.Pictures) {
    items.emplace_back();
    items.back().Picture = name;
  }
  if (items.size() < 2) throw EUsage("show takes two or more pictures (or --timeline)");
  return items;
}

std::vector<TTransitionOperation> ShowOperations(const std::string& Text) {
  std::vector<TTransitionOperation> operations;
  for (const std::string& name : SplitList(Text)) operations.push_back(ParseOperation(name));
  return operations;
}

std::vector<TEasing> ShowEasings(const std::vector<std::string>& Texts) {
  std::vector<TEasing> easings;
  for (const std::string& text : Texts.empty() ? std::vector<std::string>{"ease-in-out"} : Texts) {
    try {
      easings.push_back(TEasing::Parse(text));
    } catch (const ETimeBase& e) {
      throw EUsage(std::string("--easing: ") + e.what());
    }
  }
  return easings;
}

// Frames of a transition of Seconds; Where names the value in a message.
std::int64_t TransitionFrames(double Seconds, TFrameRate Rate, const std::string& Where) {
  const std::int64_t frames = FramesOf(Seconds, Rate, "--duration");
  if (frames < 1) throw EUsage(Where + " is shorter than one frame at this --fps");
  return frames;
}

std::string FrameCountText(std::int64_t Count) { return std::to_string(Count) + (Count == 1 ? " frame" : " frames"); }

std::string TimelinePlace(const TShow& C, const TTimelineItem& Item) {
  return C.Time.Timeline + ":" + std::to_string(Item.Line);
}

void RunShow(TShow C, std::ostream& Err) {
  const std::vector<TTimelineItem> items = ShowItems(C);
  const std::uint64_t seed = C.Look.Seed.value_or(FreshSeed());
  const bool random = SameText(C.Look.Operation, "random");
  const std::vector<TTransitionOperation> operations = random ? std::vector<TTransitionOperation>{} : ShowOperations(C.Look.Operation);
  std::mt19937_64 choice(seed);
  if (C.AudioFade && C.Audio.empty()) throw EUsage("--audio-fade goes with --audio");
  if (C.AudioFade && !(*C.AudioFade >= 0 && *C.AudioFade <= 3600)) throw EUsage("--audio-fade must be 0 to 3600 seconds");
  std::vector<std::string> names;
  for (const TTimelineItem& item : items) names.push_back(item.Picture);
  const bool moving = !C.Audio.empty() || AnyClip(names);
  const TFrameRate rate = moving ? RunRate(names, C.Time.Fps) : RateOf(C.Time.Fps.value_or(30));
  std::vector<std::int64_t> durations, holds;
  for (double seconds : C.Time.Durations.empty() ? std::vector<double>{1.5} : C.Time.Durations)
    durations.push_back(TransitionFrames(seconds, rate, "--duration"));
  for (double seconds : C.Time.Holds.empty() ? std::vector<double>{2} : C.Time.Holds)
    holds.push_back(HoldFrames(seconds, rate));
  const std::vector<TEasing> easings = ShowEasings(C.Time.Easings);

  TSlideshow show;
  for (std::size_t i = 0; i < items.size(); ++i)
    show.Holds.push_back(items[i].Hold ? HoldFrames(*items[i].Hold, rate) : InTurn(holds, i));
  for (std::size_t i = 0; i + 1 < items.size(); ++i) {
    const TTimelineItem& item = items[i];
    TTransitionOperation operation =
        random ? static_cast<TTransitionOperation>(choice() % TransitionOperationCount) : InTurn(operations, i);
    TLookOptions look = C.Look;
    if (random) look.Modifier = ModifierText(static_cast<TTransitionModifier>(choice() % 4));
    if (item.Operation) operation = *item.Operation;
    if (item.Modifier) look.Modifier = ModifierText(*item.Modifier);
    TTransitionPlan plan;
    plan.Settings = SettingsOf(look, operation, seed + i);
    if (!look.Delta && OperationPreset(operation).Delta) plan.Settings.Delta = *OperationPreset(operation).Delta;
    plan.Count = item.Duration ? TransitionFrames(*item.Duration, rate, TimelinePlace(C, item) + ": the duration")
                               : InTurn(durations, i);
    plan.Easing = item.Easing ? *item.Easing : InTurn(easings, i);
    show.Transitions.push_back(plan);
  }
  if (C.Run.Verbose)
    for (std::size_t i = 0; i < show.Transitions.size(); ++i) {
      const TTransitionPlan& plan = show.Transitions[i];
      Err << "tweenery: " << names[i] << " held " << FrameCountText(show.Holds[i]) << " -> " << names[i + 1] << ": "
          << OperationText(plan.Settings.Operation) << " " << ModifierText(plan.Settings.Modifier) << ", "
          << FrameCountText(plan.Count) << " " << plan.Easing.Text() << SeedNote(plan.Settings) << "\n";
    }
  if (moving) {
    TReelOptions options;
    options.Rate = rate;
    options.Music = C.Audio;
    options.MusicFade = C.AudioFade.value_or(1);
    return WriteReel(names, show.Holds, std::move(show.Transitions), C.Look, options, C.Run, Err);
  }
  const std::unique_ptr<TPictureSource> pictures = OpenPictures(names, C.Look, C.Run);
  const std::unique_ptr<TPictureSource> alpha = OpenAlphaPictures(names, C.Look, C.Run, *pictures);
  TProgramme programme;
  programme.SetPictureSource(pictures.get());
  AddSlideshow(programme, show);
  Write(programme, *pictures, rate, C.Run, {}, Err, alpha.get());
}

// ---------------------------------------------------------------- list

std::string ParameterNames(unsigned Parameters) {
  std::string names;
  auto add = [&](unsigned bit, const char* name) {
    if (Parameters & bit) names += (names.empty() ? "" : " ") + std::string(name);
  };
  add(opDelta, "Delta");
  add(opModifier, "Modifier");
  add(opReverse, "Reverse");
  add(opRGBOrder, "RGBOrder");
  add(opColor, "Color");
  return names;
}

void RunList(const TLookOptions& Look, std::ostream& Out) {
  TLookOptions look = Look;
  if (look.Size.empty()) look.Size = "422x143";
  // Both pictures take the frame's size, so the counts follow from it alone.
  int width = 0, height = 0;
  std::tie(width, height) = ParseSize(look.Size);
  Out << "Frames with Steps 1 at " << width << " x " << height << ", Delta "
      << look.Delta.value_or(10) << " (frame 0 to the frame that ends it):\n\n";
  Out << std::left << std::setw(16) << "Operation" << std::setw(36) << "Reads" << "Frames\n";
  for (int item = 0; item < OperationItemCount; ++item) {
    const TTransitionOperation operation = OperationOfItem(item);
    const unsigned parameters = OperationParameters(operation);
    // A Delta can keep an operation from ever ending: its row says so and
    // the table goes on.
    auto frames = [&](TTransitionModifier modifier) -> std::string {
      TLookOptions l = look;
      l.Modifier = ModifierText(modifier);
      if (!l.Delta) l.Delta = 10;
      try {
        return std::to_string(TransitionFrameCount(SettingsOf(l, operation, 1), width, height));
      } catch (const ETimeBase&) {
        return "never ends";
      }
    };
    std::string count = frames(tmLeft);
    if (parameters & opModifier) {
      const std::string upDown = frames(tmUp);
      if (upDown != count) count = count + " (up, down: " + upDown + ")";
    }
    Out << std::left << std::setw(16) << OperationText(operation) << std::setw(36) << ParameterNames(parameters) << count
        << "\n";
  }
}

// ---------------------------------------------------------------- gallery

std::string HtmlEscaped(const std::string& Text) {
  std::string out;
  for (char c : Text) {
    if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else if (c == '&') out += "&amp;";
    else out += c;
  }
  return out;
}

// One animation of the gallery: its file in the gallery's folder and the
// render command that makes it.
struct TGalleryFigure {
  TTransitionOperation Operation;
  std::string File;
  std::vector<std::string> Arguments;  // without the output
};

std::vector<TGalleryFigure> GalleryFigures() {
  std::vector<TGalleryFigure> figures;
  for (int item = 0; item < OperationItemCount; ++item) {
    const TTransitionOperation operation = OperationOfItem(item);
    const unsigned parameters = OperationParameters(operation);
    const int directions = (parameters & opModifier) ? 4 : 1;
    for (bool reverse : {false, true})
      for (int m = 0; m < directions; ++m) {
        std::string file = OperationText(operation);
        std::transform(file.begin(), file.end(), file.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (directions > 1) file += std::string("-") + ModifierText(static_cast<TTransitionModifier>(m));
        if (reverse) file += "-reverse";
        file += ".gif";
        std::vector<std::string> arguments = {"render", "--operation", OperationText(operation)};
        if (directions > 1) arguments.insert(arguments.end(), {"--modifier", ModifierText(static_cast<TTransitionModifier>(m))});
        if (reverse) arguments.push_back("--reverse");
        if (OperationPreset(operation).Delta && (parameters & opDelta))
          arguments.insert(arguments.end(), {"--delta", std::to_string(*OperationPreset(operation).Delta)});
        if (UsesRandom(operation)) arguments.insert(arguments.end(), {"--seed", "1"});
        arguments.insert(arguments.end(), {"--size", "211x72", "--duration", "1.2", "--fps", "15", "--hold", "0.4"});
        figures.push_back({operation, file, arguments});
      }
  }
  return figures;
}

// Every file the gallery writes follows render's rule: none is replaced
// without -y, and the check comes before any is written.
void CheckGalleryIsFree(const std::filesystem::path& Folder, const std::vector<TGalleryFigure>& Figures, bool Overwrite) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::exists(Folder, error) && !fs::is_directory(Folder, error))
    throw EToolFailure("cannot write the gallery into '" + Folder.string() + "': it is not a folder");
  if (Overwrite) return;
  std::vector<std::string> files = {"index.html"};
  for (const TGalleryFigure& figure : Figures) files.push_back(figure.File);
  for (const std::string& file : files)
    if (fs::exists(Folder / file, error))
      throw EToolFailure("'" + (Folder / file).string() + "' exists; use -y to replace the gallery");
}

// Renders one figure in-process; its failure message, without the
// program's name that the inner run put before it.
void RenderFigure(const TGalleryFigure& Figure, const std::filesystem::path& Folder, bool Overwrite) {
  std::vector<std::string> arguments = Figure.Arguments;
  arguments.insert(arguments.end(), {"-o", (Folder / Figure.File).string(), "-q"});
  if (Overwrite) arguments.push_back("-y");
  std::ostringstream quiet;
  if (RunTweenery(arguments, quiet, quiet) == 0) return;
  StopIfInterrupted();
  std::string message = quiet.str();
  if (message.rfind("tweenery: ", 0) == 0) message.erase(0, 10);
  while (!message.empty() && message.back() == '\n') message.pop_back();
  throw EToolFailure("gallery: " + message);
}

void RunGallery(const std::string& Folder, bool Overwrite, bool Quiet, std::ostream& Err) {
  namespace fs = std::filesystem;
  const fs::path index = fs::path(Folder) / "index.html";
  const std::vector<TGalleryFigure> figures = GalleryFigures();
  CheckGalleryIsFree(Folder, figures, Overwrite);
  const auto start = TClock::now();
  std::ostringstream html;
  html << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>Tweenery operations</title>\n"
       << "<style>body{font-family:sans-serif;margin:2em}figure{display:inline-block;margin:0 1em 1em 0}"
       << "figcaption{font:12px monospace;max-width:240px}h2{margin-top:1.5em}</style></head><body>\n"
       << "<h1>The 28 operations</h1>\n<p>Every operation in each direction it has, forward and reversed, "
       << "with the command that makes it.</p>\n";
  for (std::size_t i = 0; i < figures.size(); ++i) {
    const TGalleryFigure& figure = figures[i];
    if (i == 0 || figures[i - 1].Operation != figure.Operation)
      html << "<h2 id=\"" << OperationText(figure.Operation) << "\">" << OperationText(figure.Operation)
           << "</h2>\n<p>Reads " << ParameterNames(OperationParameters(figure.Operation)) << ".</p>\n";
    RenderFigure(figure, Folder, Overwrite);
    std::string command = "tweenery";
    for (const std::string& a : figure.Arguments) command += " " + a;
    command += " -o " + figure.File;
    html << "<figure><img src=\"" << figure.File << "\" width=\"211\" height=\"72\" alt=\"" << HtmlEscaped(command)
         << "\"><figcaption>" << HtmlEscaped(command) << "</figcaption></figure>\n";
  }
  html << "</body></html>\n";
  const std::string text = html.str();
  TTempFile file(index.string(), Overwrite);
  WriteWholeFile(file.Name(), std::vector<std::uint8_t>(text.begin(), text.end()), index.string());
  file.Commit();
  if (!Quiet)
    Err << "tweenery: gallery of " << figures.size() << " animations -> " << index.string() << " (" << std::fixed
        << std::setprecision(1) << std::chrono::duration<double>(TClock::now() - start).count() << " s)\n";
}

// ---------------------------------------------------------------- the command line

const char* const kRenderExamples =
    "Examples:\n"
    "  tweenery render -o push.mp4                                  the built-in pictures, Push, 1.5 s\n"
    "  tweenery render a.jpg b.png --operation Roll --duration 2 --easing ease-in-out -o roll.gif\n"
    "  tweenery render a.bmp b.bmp --operation Blinds --preset -o frames/f%04d.png\n"
    "  tweenery render a.png b.png --size 1280x720 --fit cover --hold 0.5 -o - | ffplay -\n"
    "  tweenery render --operation Swarm --seed 7 --at 0.4 -o still.png\n"
    "  tweenery render a.mp4 b.mov --operation Push --duration 1 -o joined.mp4   clips, their sound crossfaded\n";
const char* const kShowExamples =
    "Examples:\n"
    "  tweenery show *.jpg --size 1280x720 --operation random --seed 3 -o slideshow.mp4\n"
    "  tweenery show a.png b.png c.png --operation Push,Fade,Roll --hold 1 --duration 0.8 -o show.gif\n"
    "  tweenery show a.png b.png c.png d.png --duration 1,0.5 --hold 3,1 --easing linear,ease-out -o show.mp4\n"
    "  tweenery show --timeline show.txt --size 1280x720 -o show.mp4\n"
    "  tweenery show intro.mp4 *.jpg outro.mov --audio music.mp3 --audio-fade 2 -o show.mp4\n"
    "\n"
    "Lists (--operation, --duration, --easing, --hold) are used in turn, one entry per transition\n"
    "(per picture for --hold); a list shorter than the show starts again from its first entry.\n";
const char* const kTimelineHelp =
    "\n"
    "A timeline file (--timeline) has one picture a line:\n"
    "  PICTURE [HOLD [OPERATION [DURATION [EASING [MODIFIER]]]]]\n"
    "HOLD is the seconds the picture stands; OPERATION, DURATION (seconds), EASING and MODIFIER\n"
    "are the transition to the next picture, so the last line ends after its hold. A field left\n"
    "out or given as - takes the command line's value. Seconds may end in s (1.5s). Names are\n"
    "relative to the timeline's folder; quote a name with spaces (\"my dog.jpg\", with \\\" and\n"
    "\\\\ inside). # starts a comment; blank lines are skipped. For example:\n"
    "  # picture        hold  operation  duration  easing       modifier\n"
    "  beach.jpg        3     Push       1         ease-in-out  up\n"
    "  \"my dog.jpg\"     2     Fade       0.5\n"
    "  sunset.jpg       4\n";

// The command's own status, before standard output is checked.
int RunCommandLine(const std::vector<std::string>& Arguments, std::ostream& Out, std::ostream& Err) {
  ReturnPictureMemoryWhenFreed();
  CLI::App app{"tweenery: transitions between pictures as frames, streams and videos."};
  app.require_subcommand(1);
  app.footer("Run 'tweenery COMMAND --help' for a command's options and examples.");

  TRender render;
  CLI::App* renderCommand = app.add_subcommand("render", "render one transition");
  renderCommand->add_option("pictures", render.Pictures,
                            "FROM TO picture files (Windows bitmap, JPEG, PNG, WebP) or video clips, in any mix");
  renderCommand->add_option("--from", render.From, "the picture the transition leaves");
  renderCommand->add_option("--to", render.To, "the picture it enters");
  AddLookOptions(renderCommand, render.Look, true);
  AddTimeOptions(renderCommand, render.Time);
  AddRunOptions(renderCommand, render.Run);
  AddNumber(renderCommand, "--frame", render.Frame, "write only this frame of the run (from 0)");
  AddNumber(renderCommand, "--at", render.At, "write only the picture at this progress, 0 to 1");
  AddNumber(renderCommand, "--offset", render.Offset,
            "seconds into the FROM clip where the transition starts (default: its length less --duration)");
  renderCommand->footer(kRenderExamples);

  TShow show;
  CLI::App* showCommand = app.add_subcommand("show", "a slideshow: pictures held and joined by transitions");
  showCommand->add_option("pictures", show.Pictures, "picture files or video clips, in order (or --timeline)");
  AddLookOptions(showCommand, show.Look, false);
  AddShowTimeOptions(showCommand, show.Time);
  AddRunOptions(showCommand, show.Run);
  showCommand->add_option("--audio", show.Audio, "a file whose sound is laid under the slideshow, cut to its length");
  AddNumber(showCommand, "--audio-fade", show.AudioFade, "seconds the --audio track fades out over at the end (default 1)");
  showCommand->footer(std::string(kShowExamples) + kTimelineHelp);

  TLookOptions listLook;
  CLI::App* listCommand = app.add_subcommand("list", "the operations, what they read and how many frames they take");
  listCommand->add_option("--size", listLook.Size, "frame size WxH (default 422x143)");
  AddNumber(listCommand, "--delta", listLook.Delta, "Delta (default 10)");
  listCommand->footer("Examples:\n  tweenery list\n  tweenery list --size 1920x1080 --delta 15\n");

  std::string galleryFolder;
  bool galleryOverwrite = false, galleryQuiet = false;
  CLI::App* galleryCommand = app.add_subcommand("gallery", "an HTML page with an animation of every operation");
  galleryCommand->add_option("-o,--output", galleryFolder, "folder of the page")->required();
  galleryCommand->add_flag("-y,--overwrite", galleryOverwrite, "replace an existing page");
  galleryCommand->add_flag("-q,--quiet", galleryQuiet, "no summary");
  galleryCommand->footer("Examples:\n  tweenery gallery -o docs/gallery && xdg-open docs/gallery/index.html\n");

  TLumaCommand luma(app);

  try {
    std::vector<std::string> reversed(Arguments.rbegin(), Arguments.rend());
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    CLI::App* asked = &app;
    for (CLI::App* sub : app.get_subcommands()) asked = sub;
    Out << asked->help();
    return 0;
  } catch (const CLI::CallForAllHelp&) {
    Out << app.help("", CLI::AppFormatMode::All);
    return 0;
  } catch (const CLI::ParseError& e) {
    Err << "tweenery: " << e.what() << " (see tweenery --help)\n";
    return 2;
  }

  try {
    if (*renderCommand) RunRender(render, Err);
    else if (*showCommand) RunShow(show, Err);
    else if (*listCommand) RunList(listLook, Out);
    else if (*galleryCommand) RunGallery(galleryFolder, galleryOverwrite, galleryQuiet, Err);
    else if (luma.Chosen()) luma.Run(Err);
    return 0;
  } catch (const EInterrupted& e) {
    Err << "tweenery: " << e.what() << "\n";
    return 128 + e.Signal();
  } catch (const EUsage& e) {
    Err << "tweenery: " << e.what() << "\n";
    return 2;
  } catch (const std::exception& e) {
    Err << "tweenery: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace

int RunTweenery(const std::vector<std::string>& Arguments, std::ostream& Out, std::ostream& Err) {
  const int status = RunCommandLine(Arguments, Out, Err);
  // A listing or help that did not reach its reader is a failure, not a
  // success (a full disk, a closed pipe).
  errno = 0;
  Out.flush();
  if (Out) return status;
  const int error = errno;
  Err << "tweenery: cannot write standard output" << (error ? std::string(": ") + std::strerror(error) : "") << "\n";
  return status == 0 ? 1 : status;
}

int FinishStandardOutput(int Status, std::ostream& Err) {
  errno = 0;
  const bool failed = std::fflush(stdout) != 0 || std::ferror(stdout);
  if (!failed || Status != 0) return Status;
  const int error = errno;
  Err << "tweenery: cannot write standard output" << (error ? std::string(": ") + std::strerror(error) : "") << "\n";
  return 1;
}

}  // namespace tweenery
