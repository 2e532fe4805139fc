// tweenery: renders the frames of a transition between two picture files,
// headless, to numbered Windows bitmap or PNG files.
//
//   tweenery --from a.bmp --to b.jpg --operation toRoll --steps 8 --out frames/f
//
// writes frames/f0000.png, frames/f0001.png, ... until the transition ends.
#include <CLI/CLI.hpp>
#include <png.h>

#include <cstdio>
#include <iostream>
#include <map>
#include <string>

#include "platform/Random.h"
#include "platform/Services.h"
#include "tweenkit/Tweenery.h"

using namespace tweenery;

namespace {

// The identifiers of an enumerated property, from the component's own table.
std::map<std::string, std::int64_t> EnumValues(const char* Property) {
  TTweenery probe(nullptr);
  std::map<std::string, std::int64_t> values;
  const TPropInfo* info = FindProperty(probe.PublishedProperties(), Property);
  for (std::size_t i = 0; info && i < info->EnumNames.size(); ++i) values[info->EnumNames[i]] = static_cast<std::int64_t>(i);
  return values;
}

void SavePNG(const TBitmap& Bitmap, const std::string& FileName) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(Bitmap.Width());
  image.height = static_cast<png_uint_32>(Bitmap.Height());
  image.format = PNG_FORMAT_BGRA;  // 0xFFRRGGBB in little-endian memory
  if (!png_image_write_to_file(&image, FileName.c_str(), 0, Bitmap.Bits(), 0, nullptr))
    throw Exception("Cannot write " + FileName + ": " + image.message);
}

struct TOptions {
  std::string From, To, Out = "frame", Format = "png";
  std::string Operation = "toPush", Modifier = "tmLeft", RGBOrder = "coRGB", Color;
  bool Reverse = false;
  std::int32_t Steps = 1, Delta = 10;
  std::uint32_t Seed = 0;
  int MaxFrames = 100000;
};

int Render(const TOptions& Options) {
  bool failed = false;
  ServiceHooks().ShowMessage = [&failed](const std::string& text) {
    std::cerr << "tweenery: " << text << '\n';
    failed = true;
  };
  SetRandSeed(Options.Seed);

  TTweenery tweenery(nullptr);
  tweenery.SetFromImageFile(Options.From);
  if (!failed) tweenery.SetToImageFile(Options.To);
  if (failed) return 1;
  const int w = tweenery.FromBitmap()->Width(), h = tweenery.FromBitmap()->Height();
  THeadlessHost host(w, h);
  tweenery.SetParent(&host);
  tweenery.SetBounds(0, 0, w, h);

  tweenery.SetOperation(static_cast<TTransitionOperation>(EnumValues("Operation").at(Options.Operation)));
  tweenery.SetModifier(static_cast<TTransitionModifier>(EnumValues("Modifier").at(Options.Modifier)));
  tweenery.SetRGBOrder(static_cast<TRGBOrder>(EnumValues("RGBOrder").at(Options.RGBOrder)));
  tweenery.SetReverse(Options.Reverse);
  tweenery.SetSteps(Options.Steps);
  tweenery.SetDelta(Options.Delta);
  if (!Options.Color.empty()) {
    TColor color;
    if (!IdentToColor(Options.Color, color)) color = static_cast<TColor>(std::stoul(Options.Color, nullptr, 0));
    tweenery.SetColor(color);
  }

  bool done = false;
  tweenery.SetOnDone([&done](TObject*) { done = true; });
  tweenery.Play();
  int frame = 0;
  // The ticks are driven here rather than by the timer: no waiting between frames.
  for (; !done && frame < Options.MaxFrames; ++frame) {
    tweenery.FXTimer(nullptr);
    host.Update();
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "%04d.%s", frame, Options.Format.c_str());
    const std::string name = Options.Out + suffix;
    if (Options.Format == "png") SavePNG(*host.Surface(), name); else host.Surface()->SaveToFile(name);
    if (frame % 50 == 49) std::cerr << "\rtweenery: " << frame + 1 << " frames" << std::flush;
  }
  std::cerr << "\rtweenery: " << frame << " frames written" << (done ? "" : " (stopped at --max-frames)") << '\n';
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Renders the frames of a transition between two pictures."};
  TOptions o;
  auto names = [](const char* property) {
    std::vector<std::string> list;
    for (const auto& [name, value] : EnumValues(property)) list.push_back(name);
    return list;
  };
  app.add_option("--from", o.From, "picture the transition leaves (.bmp, .jpg)")->required();
  app.add_option("--to", o.To, "picture the transition enters")->required();
  app.add_option("--out", o.Out, "prefix of the frame files");
  app.add_option("--format", o.Format, "png or bmp")->check(CLI::IsMember({"png", "bmp"}));
  app.add_option("--operation", o.Operation, "transition operation")->check(CLI::IsMember(names("Operation")));
  app.add_option("--modifier", o.Modifier, "direction")->check(CLI::IsMember(names("Modifier")));
  app.add_option("--rgb-order", o.RGBOrder, "channel order")->check(CLI::IsMember(names("RGBOrder")));
  app.add_flag("--reverse", o.Reverse, "play the reverse form");
  app.add_option("--steps", o.Steps, "frames advanced per tick");
  app.add_option("--delta", o.Delta, "effect-specific size");
  app.add_option("--color", o.Color, "fill colour: a name (clWhite) or 0x00BBGGRR");
  app.add_option("--seed", o.Seed, "seed of the random generator, for reproducible runs");
  app.add_option("--max-frames", o.MaxFrames, "stop after this many frames");
  CLI11_PARSE(app, argc, argv);
  try {
    return Render(o);
  } catch (const std::exception& e) {
    std::cerr << "tweenery: " << e.what() << '\n';
    return 1;
  }
}
