#include "python/Look.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cmath>
#include <limits>
#include <random>

#include "media/Output.h"
#include "python/Bindings.h"
#include "tweenkit/Presets.h"

namespace tweenery::python {

namespace {

// An integer argument (int or NumPy integer; not bool or float) within
// [Least, Most]; Range says the bounds in the message.
long long IntegerOf(py::handle Value, const std::string& Name, long long Least, long long Most, const std::string& Range) {
  if (PyBool_Check(Value.ptr()) || !PyIndex_Check(Value.ptr()))
    throw py::type_error(Name + " must be an integer, not " + TypeName(Value));
  py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(Value.ptr()));
  if (!index) throw py::error_already_set();
  int overflow = 0;
  const long long value = PyLong_AsLongLongAndOverflow(index.ptr(), &overflow);
  if (overflow != 0 || value < Least || value > Most)
    throw py::value_error(Name + " must be " + Range + ", not " + std::string(py::str(index)));
  return value;
}

// A pair or triple of integers given as any sequence but a text.
py::sequence NumbersOf(py::handle Value, const std::string& Name, std::size_t Count, const char* What) {
  if (py::isinstance<py::str>(Value) || py::isinstance<py::bytes>(Value) || !PySequence_Check(Value.ptr()))
    throw py::type_error(Name + " must be " + What + ", not " + TypeName(Value));
  py::sequence items = py::reinterpret_borrow<py::sequence>(Value);
  if (items.size() != Count) throw py::value_error(Name + " must be " + What + ", not " + std::string(py::repr(Value)));
  return items;
}

TColor ColorOf(py::handle Value) {
  if (py::isinstance<py::str>(Value)) {
    const std::string text = Value.cast<std::string>();
    if (text.size() == 7 && text[0] == '#' &&
        std::all_of(text.begin() + 1, text.end(), [](unsigned char c) { return std::isxdigit(c); })) {
      const auto rgb = static_cast<std::uint32_t>(std::stoul(text.substr(1), nullptr, 16));
      return static_cast<TColor>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
    }
    // The component's names ("clWhite", "clBtnFace"), also without "cl".
    TColor color = clBlack;
    std::string named = text;
    if (!named.empty()) named[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(named[0])));
    if (IdentToColor(text, color) || IdentToColor("cl" + named, color)) return color;
    throw py::value_error("color '" + text + "': give (r, g, b), '#RRGGBB' or a colour name such as 'white' or 'clBtnFace'");
  }
  py::sequence parts = NumbersOf(Value, "color", 3, "(r, g, b) with each 0 to 255, '#RRGGBB' or a colour name");
  std::uint32_t rgb[3];
  for (std::size_t i = 0; i < 3; ++i)
    rgb[i] = static_cast<std::uint32_t>(IntegerOf(parts[i], "each part of color", 0, 255, "0 to 255"));
  return static_cast<TColor>(rgb[0] | (rgb[1] << 8) | (rgb[2] << 16));
}

std::pair<int, int> SizeOf(py::handle Value) {
  const std::string what = "(width, height) with each 1 to " + std::to_string(kMostFrameSide);
  py::sequence sides = NumbersOf(Value, "size", 2, what.c_str());
  const std::string range = "1 to " + std::to_string(kMostFrameSide);
  return {static_cast<int>(IntegerOf(sides[0], "the width of size", 1, kMostFrameSide, range)),
          static_cast<int>(IntegerOf(sides[1], "the height of size", 1, kMostFrameSide, range))};
}

TFit FitOf(const std::string& Text) {
  if (Text == "contain") return TFit::Contain;
  if (Text == "cover") return TFit::Cover;
  if (Text == "stretch") return TFit::Stretch;
  throw py::value_error("fit '" + Text + "': 'contain', 'cover' or 'stretch'");
}

std::int64_t FramesOf(double Seconds, TFrameRate Rate, const char* Name) {
  if (!(Seconds >= 0) || Seconds > kMostSeconds)
    throw py::value_error(std::string(Name) + " must be 0 to 3600 seconds, not " + std::string(py::repr(py::float_(Seconds))));
  return std::llround(Seconds * Rate.Value());
}

}  // namespace

std::uint64_t SeedOf(py::handle Seed) {
  if (Seed.is_none()) return (static_cast<std::uint64_t>(std::random_device{}()) << 32) | std::random_device{}();
  if (PyBool_Check(Seed.ptr()) || !PyIndex_Check(Seed.ptr()))
    throw py::type_error("seed must be an integer or None, not " + TypeName(Seed));
  py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(Seed.ptr()));
  if (!index) throw py::error_already_set();
  const unsigned long long value = PyLong_AsUnsignedLongLong(index.ptr());
  if (PyErr_Occurred()) {
    PyErr_Clear();
    throw py::value_error("seed must be 0 to 2**64 - 1, not " + std::string(py::str(index)));
  }
  return value;
}

TLook LookOf(const TLookArguments& A) {
  TLook look;
  TTransitionSettings& s = look.Settings;
  const auto operation = FindOperation(A.Operation);
  if (!operation)
    throw py::value_error("unknown operation '" + A.Operation + "'; tweenery.operations() lists the 28 operations");
  s.Operation = *operation;
  const auto modifier = FindModifier(A.Modifier);
  if (!modifier) throw py::value_error("modifier '" + A.Modifier + "': 'left', 'right', 'up' or 'down'");
  s.Modifier = *modifier;
  s.Reverse = A.Reverse;
  if (!A.Delta.is_none())
    s.Delta = static_cast<TPositiveInteger>(
        IntegerOf(A.Delta, "delta", 1, std::numeric_limits<TPositiveInteger>::max(), "1 to 2147483647"));
  const auto order = FindRGBOrder(A.RGBOrder);
  if (!order) throw py::value_error("rgb_order '" + A.RGBOrder + "': 'RGB', 'RBG', 'GRB', 'GBR', 'BRG' or 'BGR'");
  s.RGBOrder = *order;
  // As the tool's --color: the fill of the operations that show one and
  // the letterbox; without it the fill is the From picture's top-left
  // pixel, as the component takes it, and the letterbox black.
  if (!A.Color.is_none()) {
    s.Color = ColorOf(A.Color);
    look.Background = *s.Color;
  }
  s.Seed = SeedOf(A.Seed);
  look.Fit = FitOf(A.Fit);
  if (!A.Size.is_none()) look.Size = SizeOf(A.Size);
  return look;
}

std::string ColorOption(py::handle Color) {
  if (Color.is_none()) return "";
  if (py::isinstance<py::str>(Color)) return Color.cast<std::string>();
  const std::uint32_t c = static_cast<std::uint32_t>(ColorOf(Color));
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
  return text;
}

std::string SizeOption(py::handle Size) {
  if (Size.is_none()) return "";
  const auto [width, height] = SizeOf(Size);
  return std::to_string(width) + "x" + std::to_string(height);
}

TTiming TimingOf(double Duration, double Fps, const std::string& Easing, double Hold) {
  // The tool's rate: whole frames per second as they are, others in
  // thousandths.
  if (!(Fps > 0) || Fps > kMostFps) throw py::value_error("fps must be above 0 and at most 1000");
  const TFrameRate rate = Fps == std::floor(Fps) ? TFrameRate{static_cast<int>(Fps), 1}
                                                 : TFrameRate{static_cast<int>(std::lround(Fps * 1000)), 1000};
  TTiming timing;
  timing.Count = FramesOf(Duration, rate, "duration");
  if (timing.Count < 1) throw py::value_error("duration is shorter than one frame at this fps");
  timing.Hold = FramesOf(Hold, rate, "hold");
  try {
    timing.Easing = TEasing::Parse(Easing);
  } catch (const ETimeBase& e) {
    throw py::value_error(std::string("easing: ") + e.what());
  }
  return timing;
}

}  // namespace tweenery::python
