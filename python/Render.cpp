// tweenery.render and tweenery.show: the tool's render and show commands,
// run in the process with the options as keywords. Arrays are handed to
// the tool as lossless PNG files in a temporary folder; the tool's exit
// status and message become the module's exceptions.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "python/Bindings.h"
#include "python/Errors.h"
#include "python/Look.h"
#include "python/Pictures.h"
#include "python/Transition.h"
#include "tools/Commands.h"
#include "media/Output.h"
#include "media/Png.h"

namespace tweenery::python {

namespace {

namespace fs = std::filesystem;

std::string NumberText(double Value) { return py::repr(py::float_(Value)); }

std::string NumberOption(const std::optional<double>& Value) { return Value ? NumberText(*Value) : ""; }

// One value, or a list used in turn, in the tool's spelling ("1.0,0.5");
// "" for None. Each entry is Entry's text of one item.
template <typename TEntry>
std::string ListOption(py::handle Value, const char* Keyword, TEntry&& Entry) {
  if (Value.is_none()) return "";
  if (py::isinstance<py::str>(Value) || !py::isinstance<py::iterable>(Value)) return Entry(Value);
  std::string list;
  for (py::handle item : py::reinterpret_borrow<py::iterable>(Value)) list += (list.empty() ? "" : ",") + Entry(item);
  if (list.empty()) throw py::value_error(std::string(Keyword) + " is an empty list");
  return list;
}

// Seconds, or a list of them, as show takes them.
std::string SecondsOption(py::handle Value, const char* Keyword) {
  return ListOption(Value, Keyword, [Keyword](py::handle Item) {
    const std::string refusal = std::string(Keyword) + " must be seconds or a list of seconds, not " + TypeName(Item);
    if (py::isinstance<py::str>(Item) || py::isinstance<py::bytes>(Item) || py::isinstance<py::bool_>(Item))
      throw py::type_error(refusal);
    try {
      return NumberText(Item.cast<double>());
    } catch (const py::cast_error&) {
      throw py::type_error(refusal);
    }
  });
}

// An easing, or a list of them.
std::string EasingOption(py::handle Value) {
  return ListOption(Value, "easing", [](py::handle Item) {
    if (!py::isinstance<py::str>(Item))
      throw py::type_error("easing must be a name or a list of names, not " + TypeName(Item));
    return Item.cast<std::string>();
  });
}

// A name the tool's parser takes for a file, not an option.
std::string FileArgument(const std::string& Name) {
  return !Name.empty() && Name[0] == '-' && Name != "-" ? "./" + Name : Name;
}

// The pictures as file names for the tool: files as given, arrays written
// as PNG files into a folder removed with this object.
class TPictureFiles {
 public:
  TPictureFiles() = default;
  ~TPictureFiles() {
    std::error_code ignored;
    if (!FFolder.empty()) fs::remove_all(FFolder, ignored);
  }
  TPictureFiles(const TPictureFiles&) = delete;
  TPictureFiles& operator=(const TPictureFiles&) = delete;

  // With the interpreter lock: checks each picture.
  void Add(py::handle Picture, const std::string& Name) { FSources.emplace_back(Picture, Name); }
  // Without it: writes the arrays; the names of the files given by the caller.
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < FSources.size(); ++i) {
      if (FSources[i].IsFile()) {
        names.push_back(FSources[i].FileName());
        continue;
      }
      const std::string file = (Folder() / ("picture-" + std::to_string(i) + ".png")).string();
      try {
        // Level 0: stored, not deflated; the file lives only for this run.
        WriteWholeFile(file, EncodePNG(*FSources[i].Read(), 0));
      } catch (const Exception& e) {
        throw EModuleError(TErrorKind::Output, "cannot hand a picture to the renderer: " + e.Message(), file);
      }
      names.push_back(file);
    }
    return names;
  }
  // The names of files given by the caller, which a message may name.
  std::vector<std::string> GivenNames() const {
    std::vector<std::string> names;
    for (const TPictureSource& source : FSources)
      if (source.IsFile()) names.push_back(source.FileName());
    return names;
  }

 private:
  const fs::path& Folder() {
    if (FFolder.empty()) {
      std::string pattern = (fs::temp_directory_path() / "tweenery-XXXXXX").string();
      if (!mkdtemp(pattern.data()))
        throw EModuleError(TErrorKind::Output, "cannot make a temporary folder for the pictures: " +
                                                   std::string(std::strerror(errno)), pattern);
      FFolder = pattern;
    }
    return FFolder;
  }

  std::vector<TPictureSource> FSources;
  fs::path FFolder;
};

// Bits a second as the tool takes them: a number, or text such as "8M".
std::string BitrateOption(py::handle Value) {
  if (Value.is_none()) return "";
  if (py::isinstance<py::str>(Value)) return Value.cast<std::string>();
  if (py::isinstance<py::int_>(Value) && !py::isinstance<py::bool_>(Value)) return py::str(Value).cast<std::string>();
  throw py::type_error("bitrate must be bits a second (8000000) or text such as '8M', not " + TypeName(Value));
}

// How the video is encoded; the tool's defaults where None.
struct TEncoding {
  std::optional<std::string> Codec;
  std::optional<int> Crf;
  std::optional<std::string> VideoPreset, PixFmt;
  std::string Bitrate;
  bool Alpha;
};

// The options the two commands share, in the tool's spelling.
struct TCommonArguments {
  std::string Modifier;
  bool Reverse;
  std::optional<long long> Delta;
  py::object Color;
  std::string RGBOrder;
  bool Preset;
  py::object Size;
  std::string Fit;
  std::optional<unsigned long long> Seed;
  // As the tool spells them: show's may be lists.
  std::string Duration;
  std::optional<double> Fps;
  std::string Easing, Hold;
  bool Overwrite;
  int PngLevel;
  std::optional<int> Threads, Jobs;
  long long MaxFrames;
  bool Verbose;
  TEncoding Encoding;
};

class TCommandLine {
 public:
  explicit TCommandLine(const char* Command) : FArguments{Command} {}
  void Add(const std::string& Argument) { FArguments.push_back(Argument); }
  void Add(const char* Option, const std::string& Value) {
    if (Value.empty()) return;
    FArguments.push_back(Option);
    FArguments.push_back(Value);
  }
  template <typename T>
  void Add(const char* Option, const std::optional<T>& Value) {
    if (!Value) return;
    if constexpr (std::is_same_v<T, double>) Add(Option, NumberText(*Value));
    else if constexpr (std::is_same_v<T, std::string>) Add(Option, *Value);
    else Add(Option, std::to_string(*Value));
  }
  void Flag(const char* Option, bool Set) {
    if (Set) FArguments.push_back(Option);
  }
  void AddCommon(const TCommonArguments& A, const std::string& Output) {
    Add("--modifier", A.Modifier);
    Flag("--reverse", A.Reverse);
    Add("--delta", A.Delta);
    Add("--color", ColorOption(A.Color));
    Add("--rgb-order", A.RGBOrder);
    Flag("--preset", A.Preset);
    Add("--size", SizeOption(A.Size));
    Add("--fit", A.Fit);
    Add("--seed", A.Seed);
    Add("--duration", A.Duration);
    Add("--fps", A.Fps);
    Add("--easing", A.Easing);
    Add("--hold", A.Hold);
    Flag("-y", A.Overwrite);
    Add("--png-level", std::optional<int>(A.PngLevel));
    Add("--threads", A.Threads);
    Add("--jobs", A.Jobs);
    Add("--max-frames", std::optional<long long>(A.MaxFrames));
    Add("--codec", A.Encoding.Codec);
    Add("--crf", A.Encoding.Crf);
    Add("--video-preset", A.Encoding.VideoPreset);
    Add("--pix-fmt", A.Encoding.PixFmt);
    Add("--bitrate", A.Encoding.Bitrate);
    Flag("--alpha", A.Encoding.Alpha);
    Flag("-v", A.Verbose);
    Flag("-q", true);
    Add("-o", FileArgument(Output));
  }
  const std::vector<std::string>& Arguments() const { return FArguments; }

 private:
  std::vector<std::string> FArguments;
};

// The first name in 'quotes' in Message, or "".
std::string QuotedName(const std::string& Message) {
  const std::size_t open = Message.find('\'');
  const std::size_t close = open == std::string::npos ? open : Message.find('\'', open + 1);
  return close == std::string::npos ? "" : Message.substr(open + 1, close - open - 1);
}

// Whether Message is about File: it quotes it, or points into it as
// "show.txt:7: ..." does.
bool Names(const std::string& Message, const std::string& File) {
  return Message.find("'" + File + "'") != std::string::npos || Message.rfind(File + ":", 0) == 0;
}

// The tool's failure as the module's exception: exit status 2 is a usage
// error, 1 input it could not read or output it could not write, told
// apart by the file the message names.
[[noreturn]] void Fail(int Status, std::string Message, const std::vector<std::string>& Inputs, const std::string& Output) {
  const std::string prefix = "tweenery: ";
  if (Message.rfind(prefix, 0) == 0) Message.erase(0, prefix.size());
  while (!Message.empty() && (Message.back() == '\n' || Message.back() == ' ')) Message.pop_back();
  for (const std::string& input : Inputs)
    if (Names(Message, input))
      throw EModuleError(Status == 2 ? TErrorKind::Usage : TErrorKind::Input, Message, input);
  const std::string quoted = QuotedName(Message);
  if (Status == 2)
    throw EModuleError(TErrorKind::Usage, Message, Names(Message, Output) ? std::optional(Output) : std::nullopt);
  if (!quoted.empty()) throw EModuleError(TErrorKind::Output, Message, quoted);
  throw EModuleError(TErrorKind::Other, Message);
}

// The command with the pictures' file names after its name.
void Run(const TCommandLine& Line, TPictureFiles& Pictures, const std::string& Output, bool Verbose,
         const std::vector<std::string>& OtherInputs = {}) {
  std::ostringstream out, err;
  int status = 0;
  {
    py::gil_scoped_release nogil;
    std::vector<std::string> arguments = Line.Arguments();
    const std::vector<std::string> names = Pictures.Names();
    for (std::size_t i = 0; i < names.size(); ++i) arguments.insert(arguments.begin() + 1 + i, FileArgument(names[i]));
    // The tool's commands draw on the process's random generator.
    const TGeneratorTurn turn(true);
    status = RunTweenery(arguments, out, err);
  }
  if (status != 0) {
    std::vector<std::string> inputs = Pictures.GivenNames();
    inputs.insert(inputs.end(), OtherInputs.begin(), OtherInputs.end());
    Fail(status, err.str(), inputs, Output);
  }
  if (Verbose && !err.str().empty()) py::module_::import("sys").attr("stderr").attr("write")(err.str());
}

std::string OutputName(py::handle Output) {
  return py::module_::import("os").attr("fsencode")(Output).cast<std::string>();
}

void Render(py::object A, py::object B, py::object Output, const std::string& Operation, TCommonArguments Common,
            std::optional<int> Steps, std::optional<long long> Interval, std::optional<long long> Frame,
            std::optional<double> At, std::optional<double> Offset) {
  if (A.is_none() != B.is_none()) throw py::value_error("give both pictures a and b, or neither (the built-in pair)");
  TPictureFiles pictures;
  if (!A.is_none()) {
    pictures.Add(A, "a");
    pictures.Add(B, "b");
  }
  const std::string output = OutputName(Output);
  TCommandLine line("render");
  line.Add("--operation", Operation);
  line.AddCommon(Common, output);
  line.Add("--steps", Steps);
  line.Add("--interval", Interval);
  line.Add("--frame", Frame);
  line.Add("--at", At);
  line.Add("--offset", Offset);
  Run(line, pictures, output, Common.Verbose);
}

void Show(py::object Pictures, py::object Output, py::object Operation, TCommonArguments Common, py::object Timeline,
          py::object Audio, std::optional<double> AudioFade) {
  TPictureFiles pictures;
  std::optional<std::string> timeline;
  if (!Timeline.is_none()) {
    if (!Pictures.is_none()) throw py::value_error("give pictures or a timeline, not both");
    timeline = OutputName(Timeline);
  } else {
    if (py::isinstance<py::str>(Pictures) || py::isinstance<py::bytes>(Pictures))
      throw py::type_error("pictures must be a list of arrays or file names, not one name");
    if (!py::isinstance<py::iterable>(Pictures)) throw py::type_error("pictures must be a list of arrays or file names");
    std::size_t i = 0;
    for (py::handle picture : py::reinterpret_borrow<py::iterable>(Pictures))
      pictures.Add(picture, "pictures[" + std::to_string(i++) + "]");
    if (i < 2) throw py::value_error("show takes two or more pictures");
  }
  std::string operations;
  if (py::isinstance<py::str>(Operation)) {
    operations = Operation.cast<std::string>();
  } else {
    if (!py::isinstance<py::iterable>(Operation))
      throw py::type_error("operation must be a name or a list of names");
    for (py::handle name : py::reinterpret_borrow<py::iterable>(Operation)) {
      if (!py::isinstance<py::str>(name)) throw py::type_error("operation must be a name or a list of names");
      operations += (operations.empty() ? "" : ",") + name.cast<std::string>();
    }
  }
  const std::string output = OutputName(Output);
  TCommandLine line("show");
  line.Add("--operation", operations);
  if (timeline) line.Add("--timeline", FileArgument(*timeline));
  std::vector<std::string> otherInputs;
  if (timeline) otherInputs.push_back(*timeline);
  if (!Audio.is_none()) {
    otherInputs.push_back(OutputName(Audio));
    line.Add("--audio", FileArgument(otherInputs.back()));
  }
  line.Add("--audio-fade", AudioFade);
  line.AddCommon(Common, output);
  Run(line, pictures, output, Common.Verbose, otherInputs);
}

}  // namespace

void BindRender(py::module_& Module) {
  Module.def(
      "render",
      [](py::object A, py::object B, py::object Output, const std::string& Operation, const std::string& Modifier,
         bool Reverse, std::optional<long long> Delta, py::object Color, const std::string& RGBOrder, bool Preset,
         py::object Size, const std::string& Fit, std::optional<unsigned long long> Seed, std::optional<int> Steps,
         std::optional<long long> Interval, std::optional<double> Duration, std::optional<double> Fps,
         std::optional<std::string> Easing, double Hold, std::optional<long long> Frame, std::optional<double> At,
         bool Overwrite, int PngLevel, std::optional<int> Threads, std::optional<int> Jobs, long long MaxFrames,
         bool Verbose, std::optional<std::string> Codec, std::optional<int> Crf,
         std::optional<std::string> VideoPreset, std::optional<std::string> PixFmt, py::object Bitrate, bool Alpha,
         std::optional<double> Offset) {
        Render(A, B, Output, Operation,
               {Modifier, Reverse, Delta, Color, RGBOrder, Preset, Size, Fit, Seed, NumberOption(Duration), Fps,
                Easing.value_or(""), NumberText(Hold), Overwrite, PngLevel, Threads, Jobs, MaxFrames, Verbose,
                {Codec, Crf, VideoPreset, PixFmt, BitrateOption(Bitrate), Alpha}},
               Steps, Interval, Frame, At, Offset);
      },
      py::arg("a"), py::arg("b"), py::arg("output"), py::arg("operation") = "Push", py::kw_only(),
      py::arg("modifier") = "left", py::arg("reverse") = false, py::arg("delta") = py::none(),
      py::arg("color") = py::none(), py::arg("rgb_order") = "RGB", py::arg("preset") = false,
      py::arg("size") = py::none(), py::arg("fit") = "contain", py::arg("seed") = py::none(),
      py::arg("steps") = py::none(), py::arg("interval") = py::none(), py::arg("duration") = py::none(),
      py::arg("fps") = py::none(), py::arg("easing") = py::none(), py::arg("hold") = 0.0,
      py::arg("frame") = py::none(), py::arg("at") = py::none(), py::arg("overwrite") = false,
      py::arg("png_level") = 1, py::arg("threads") = py::none(), py::arg("jobs") = py::none(),
      py::arg("max_frames") = 100000, py::arg("verbose") = false, py::arg("codec") = py::none(),
      py::arg("crf") = py::none(), py::arg("video_preset") = py::none(), py::arg("pix_fmt") = py::none(),
      py::arg("bitrate") = py::none(), py::arg("alpha") = false, py::arg("offset") = py::none(),
      R"doc(Writes the transition from a to b into output, as `tweenery render`.

a and b are arrays or picture files as for tweenery.frame(), or both None
for the built-in pair. output is a video (.mp4, .mkv, .mov, .webm, .gif,
.apng), a still picture (.png, .bmp), numbered frames ('f%04d.png'), a
YUV4MPEG2 stream (.y4m) or '-' for one on standard output. The keywords
are the tool's options: duration (default 1.5 s), fps (30) and easing
('linear') time it as a video; steps, interval and preset as the dialog
plays it; frame=n or at=progress write one picture. overwrite replaces
existing output. seed=None draws a fresh seed.

a and b may also be video clips: the transition runs from the end of a
(offset seconds into it, default its length less the duration) into b.
A video is encoded with codec ('h264', 'hevc', 'vp9', 'av1', 'prores';
by default the container's), crf or bitrate ('8M', or bits a second),
video_preset (the encoder's speed: 'veryfast' by default) and pix_fmt
('yuv420p'); alpha=True keeps the pictures' transparency in the formats
that hold it (PNG, .apng, .webp, .webm, .mov).

Raises UsageError (a ValueError) for settings the tool refuses,
InputError for a picture it cannot read and OutputError for output it
cannot write (both OSErrors), with the file in filename and the message.
The interpreter lock is released while it renders.)doc");

  Module.def(
      "show",
      [](py::object Pictures, py::object Output, py::object Operation, const std::string& Modifier, bool Reverse,
         std::optional<long long> Delta, py::object Color, const std::string& RGBOrder, bool Preset, py::object Size,
         const std::string& Fit, std::optional<unsigned long long> Seed, py::object Duration,
         std::optional<double> Fps, py::object Easing, py::object Hold, bool Overwrite,
         int PngLevel, std::optional<int> Threads, std::optional<int> Jobs, long long MaxFrames, bool Verbose,
         py::object Timeline, std::optional<std::string> Codec, std::optional<int> Crf,
         std::optional<std::string> VideoPreset, std::optional<std::string> PixFmt, py::object Bitrate, bool Alpha,
         py::object Audio, std::optional<double> AudioFade) {
        Show(Pictures, Output, Operation,
             {Modifier, Reverse, Delta, Color, RGBOrder, Preset, Size, Fit, Seed, SecondsOption(Duration, "duration"),
              Fps, EasingOption(Easing), SecondsOption(Hold, "hold"), Overwrite, PngLevel, Threads, Jobs, MaxFrames,
              Verbose, {Codec, Crf, VideoPreset, PixFmt, BitrateOption(Bitrate), Alpha}},
             Timeline, Audio, AudioFade);
      },
      py::arg("pictures"), py::arg("output"), py::arg("operation") = "Push", py::kw_only(),
      py::arg("modifier") = "left", py::arg("reverse") = false, py::arg("delta") = py::none(),
      py::arg("color") = py::none(), py::arg("rgb_order") = "RGB", py::arg("preset") = false,
      py::arg("size") = py::none(), py::arg("fit") = "contain", py::arg("seed") = py::none(),
      py::arg("duration") = py::none(), py::arg("fps") = py::none(), py::arg("easing") = py::none(),
      py::arg("hold") = py::none(), py::arg("overwrite") = false, py::arg("png_level") = 1,
      py::arg("threads") = py::none(), py::arg("jobs") = py::none(), py::arg("max_frames") = 100000,
      py::arg("verbose") = false, py::arg("timeline") = py::none(), py::arg("codec") = py::none(),
      py::arg("crf") = py::none(), py::arg("video_preset") = py::none(), py::arg("pix_fmt") = py::none(),
      py::arg("bitrate") = py::none(), py::arg("alpha") = false, py::arg("audio") = py::none(),
      py::arg("audio_fade") = py::none(),
      R"doc(Writes a slideshow of pictures into output, as `tweenery show`.

pictures is a list of arrays or picture files, two or more, fitted to
size (default: the first one's); or None, with timeline the name of a
timeline file (one picture a line with its hold and the transition to
the next, as `tweenery show --help` describes). operation is a name, a
list of names used in turn, or 'random' (operations and directions drawn
from seed). Each picture is held hold seconds (default 2), each
transition lasts duration (1.5) through easing ('ease-in-out'); each of
these may also be a list used in turn, a shorter list starting again
from its first entry (duration=[1, 0.5]). pictures may include video
clips, played whole between the transitions. audio is a sound file laid
under the slideshow, cut to its length and faded out over audio_fade
seconds (default 1). Other keywords, output and
errors as for tweenery.render(); a timeline it cannot take raises
InputError with the timeline in filename and the line in the message.)doc");
}

}  // namespace tweenery::python
