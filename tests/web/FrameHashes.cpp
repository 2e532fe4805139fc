// Writes the frames the browser build must reproduce: a list of points
// (settings, pictures, which frame) with the hash of the frame the native
// time base composes there, as a script for the self-test page
// (selftest.html), which composes the same points with the WebAssembly
// module and compares.
//
//   test_web_frame_hashes OUT.js
//
// Both sides make their pictures from WebPicturePixel and hash RGBA bytes
// with FNV-1a, so any difference in a single channel of a single pixel fails.
#include <cstdint>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Graphics.h"
#include "tweenkit/Presets.h"
#include "tweenkit/TimeBase.h"

namespace tweenery {
namespace {

// The pixel (x, y) of picture Tag as the page makes it too (selftest.js):
// every channel varies along both axes, so moved, mixed and filled pixels
// all show in the hash.
std::uint32_t WebPicturePixel(int Tag, int X, int Y) {
  const std::uint32_t r = static_cast<std::uint32_t>(X * 5 + Y * 3 + Tag * 40) & 0xFFu;
  const std::uint32_t g = static_cast<std::uint32_t>(X * Y + Tag * 17) & 0xFFu;
  const std::uint32_t b = static_cast<std::uint32_t>((X ^ Y) * 3 + Tag * 90) & 0xFFu;
  return 0xFF000000u | (r << 16) | (g << 8) | b;
}

std::unique_ptr<TBitmap> WebPicture(int Tag, int Width, int Height) {
  auto picture = std::make_unique<TBitmap>(Width, Height);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) picture->ScanLine(y)[x] = WebPicturePixel(Tag, x, y);
  return picture;
}

// FNV-1a over the frame's bytes in the page's order: R, G, B, A per pixel.
std::uint32_t FrameHash(const TBitmap& Frame) {
  std::uint32_t hash = 2166136261u;
  auto add = [&hash](std::uint32_t byte) { hash = (hash ^ byte) * 16777619u; };
  for (int y = 0; y < Frame.Height(); ++y)
    for (int x = 0; x < Frame.Width(); ++x) {
      const std::uint32_t p = Frame.ScanLine(y)[x];
      add((p >> 16) & 0xFF);
      add((p >> 8) & 0xFF);
      add(p & 0xFF);
      add((p >> 24) & 0xFF);
    }
  return hash;
}

struct TPictureSizes {
  int FromWidth, FromHeight, ToWidth, ToHeight;
};

// One point: the settings in the page's terms, which frame, and its hash.
struct TPoint {
  TTransitionSettings Settings;
  std::optional<std::string> Color;  // "#rrggbb" as the page gives it
  TPictureSizes Sizes;
  // A frame composed right after the run's start, or the picture at a
  // progress through a run of Count frames eased by Easing.
  std::optional<std::int32_t> Frame;
  std::int64_t Count = 0;
  std::string Easing;
  double At = 0;
};

TColor ColorOf(const std::string& Hex) {
  const std::uint32_t rgb = static_cast<std::uint32_t>(std::stoul(Hex.substr(1), nullptr, 16));
  return static_cast<TColor>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
}

// Composes the point natively: its frame count and its frame's hash.
std::pair<std::int32_t, std::uint32_t> Compose(const TPoint& Point) {
  const auto from = WebPicture(1, Point.Sizes.FromWidth, Point.Sizes.FromHeight);
  const auto to = WebPicture(2, Point.Sizes.ToWidth, Point.Sizes.ToHeight);
  TTransitionRenderer renderer(*from, *to, Point.Settings);
  if (Point.Frame) return {renderer.FrameCount(), FrameHash(renderer.Compose(*Point.Frame))};
  const TEasing easing = TEasing::Parse(Point.Easing);
  TTransitionRun run(renderer, EasedFrames(renderer.FrameCount(), Point.Count, easing));
  return {renderer.FrameCount(), FrameHash(run.At(Point.At, easing))};
}

// The points: every operation in each direction and form it reads, at its
// start, two inner frames and its end; then other sizes, colours, channel
// orders, seeds and eased runs.
std::vector<TPoint> Points() {
  std::vector<TPoint> points;
  const TPictureSizes same{61, 37, 61, 37}, other{48, 52, 61, 37};
  for (int item = 0; item < OperationItemCount; ++item) {
    const TTransitionOperation operation = OperationOfItem(item);
    const unsigned parameters = OperationParameters(operation);
    const int modifiers = (parameters & opModifier) ? 4 : 1;
    const int forms = (parameters & opReverse) ? 2 : 1;
    auto base = [&](int Modifier, bool Reverse) {
      TPoint p;
      p.Settings.Operation = operation;
      p.Settings.Modifier = static_cast<TTransitionModifier>(Modifier);
      p.Settings.Reverse = Reverse;
      p.Settings.Seed = UsesRandom(operation) ? 1 : 0;
      p.Sizes = same;
      return p;
    };
    // Frames are placed from the frame count, which the page checks too.
    auto atFractions = [&](TPoint p, std::initializer_list<int> Quarters) {
      const auto from = WebPicture(1, p.Sizes.FromWidth, p.Sizes.FromHeight);
      const auto to = WebPicture(2, p.Sizes.ToWidth, p.Sizes.ToHeight);
      const std::int32_t count = TTransitionRenderer(*from, *to, p.Settings).FrameCount();
      for (int q : Quarters) {
        p.Frame = static_cast<std::int32_t>(std::int64_t{count} * q / 4);
        points.push_back(p);
      }
    };
    for (int m = 0; m < modifiers; ++m)
      for (int r = 0; r < forms; ++r) atFractions(base(m, r != 0), {0, 1, 3, 4});

    // A small Delta and a fill colour, and a From picture of another size.
    TPoint p = base(modifiers > 1 ? tmDown : tmLeft, forms > 1);
    p.Settings.Delta = 3;
    p.Color = "#3366cc";
    p.Settings.Color = ColorOf(*p.Color);
    atFractions(p, {1, 2});
    p = base(modifiers > 1 ? tmRight : tmLeft, false);
    p.Sizes = other;
    atFractions(p, {2, 3});
    // An eased run, read at a progress as `tweenery render --at` reads it.
    p = base(modifiers > 1 ? tmUp : tmLeft, false);
    p.Count = 20;
    p.Easing = "ease-in-out";
    for (double at : {0.3, 0.75}) {
      p.At = at;
      points.push_back(p);
    }
    if (parameters & opRGBOrder)
      for (int order = 1; order < 6; ++order) {
        p = base(tmLeft, false);
        p.Settings.RGBOrder = static_cast<TRGBOrder>(order);
        atFractions(p, {2});
      }
    if (UsesRandom(operation))
      for (std::uint64_t seed : {7ull, 12345678901234567ull, 18446744073709551615ull}) {
        p = base(tmRight, false);
        p.Settings.Seed = seed;
        atFractions(p, {1, 2, 3});
        p.Count = 12;
        p.Easing = "linear";
        p.At = 0.5;
        p.Frame.reset();
        points.push_back(p);
      }
  }
  return points;
}

std::string Json(const TPoint& Point, std::int32_t FrameCount, std::uint32_t Hash) {
  std::ostringstream out;
  const TTransitionSettings& s = Point.Settings;
  out << "{\"operation\":\"" << OperationText(s.Operation) << "\",\"modifier\":\"" << ModifierText(s.Modifier)
      << "\",\"reverse\":" << (s.Reverse ? "true" : "false") << ",\"delta\":" << s.Delta << ",\"rgbOrder\":\""
      << RGBOrderText(s.RGBOrder) << "\",\"color\":" << (Point.Color ? "\"" + *Point.Color + "\"" : "null")
      << ",\"seed\":\"" << s.Seed << "\",\"sizes\":[" << Point.Sizes.FromWidth << "," << Point.Sizes.FromHeight << ","
      << Point.Sizes.ToWidth << "," << Point.Sizes.ToHeight << "]";
  if (Point.Frame) out << ",\"frame\":" << *Point.Frame;
  else out << ",\"count\":" << Point.Count << ",\"easing\":\"" << Point.Easing << "\",\"at\":" << Point.At;
  out << ",\"frameCount\":" << FrameCount << ",\"hash\":" << Hash << "}";
  return out.str();
}

}  // namespace
}  // namespace tweenery

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: test_web_frame_hashes OUT.js\n";
    return 2;
  }
  std::ofstream out(argv[1]);
  out << "// Written by test_web_frame_hashes: frames of the native build.\nvar TWEENERY_NATIVE_POINTS = [\n";
  const auto points = tweenery::Points();
  for (std::size_t i = 0; i < points.size(); ++i) {
    const auto [count, hash] = tweenery::Compose(points[i]);
    out << tweenery::Json(points[i], count, hash) << (i + 1 < points.size() ? ",\n" : "\n");
  }
  out << "];\n";
  out.close();
  if (!out) {
    std::cerr << "test_web_frame_hashes: cannot write " << argv[1] << "\n";
    return 1;
  }
  std::cout << points.size() << " points -> " << argv[1] << "\n";
  return 0;
}
