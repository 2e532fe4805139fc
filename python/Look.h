// What a transition looks like and how long it takes, from the keyword
// arguments the module's functions share, checked as the tool checks its
// options.
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "media/Pictures.h"
#include "tweenkit/TimeBase.h"

namespace tweenery::python {

namespace py = pybind11;

// The tool's bounds: frames of 1 to 16384 pixels a side, at most 1000 fps,
// transitions of at most an hour.
constexpr int kMostFrameSide = 16384;
constexpr double kMostFps = 1000;
constexpr double kMostSeconds = 3600;

struct TLookArguments {
  std::string Operation;
  std::string Modifier;
  bool Reverse = false;
  py::object Delta;  // None or an int
  py::object Color;  // None, (r, g, b), "#RRGGBB" or a colour name
  std::string RGBOrder;
  py::object Seed;  // None or an int
  std::string Fit;
  py::object Size;  // None or (width, height)
};

struct TLook {
  TTransitionSettings Settings;
  TFit Fit = TFit::Contain;
  std::optional<std::pair<int, int>> Size;
  // Where pictures are letterboxed: the colour asked for, else black.
  TColor Background = clBlack;
};

// Raises ValueError or TypeError naming the argument that is wrong.
TLook LookOf(const TLookArguments& Arguments);
// A colour argument as the tool's --color spells it ("#RRGGBB" for a
// tuple); empty for None.
std::string ColorOption(py::handle Color);
// (width, height) as the tool's --size spells it ("640x480"); empty for None.
std::string SizeOption(py::handle Size);
// A seed argument; a fresh one for None, as the tool draws one.
std::uint64_t SeedOf(py::handle Seed);

struct TTiming {
  std::int64_t Count = 1;  // frames of the run
  TEasing Easing;
  std::int64_t Hold = 0;  // frames the first and last frames are held
};

// Count = round(Duration x Fps) frames through Easing, as the tool times a
// video; Hold seconds at the same rate.
TTiming TimingOf(double Duration, double Fps, const std::string& Easing, double Hold);

}  // namespace tweenery::python
