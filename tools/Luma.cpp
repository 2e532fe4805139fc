// tweenery luma: the wipe check of the time base over the chosen look, the
// map scaled to 16 bits, written as a greyscale PNG.
#include "tools/Luma.h"
#include "tools/Options.h"
#include "media/Publish.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <iomanip>
#include <ostream>
#include <random>
#include <sstream>

#include "media/Output.h"
#include "media/Png.h"
#include "media/Errors.h"
#include "tweenkit/LumaMap.h"
#include "tweenkit/Presets.h"

namespace tweenery {

namespace {

// The operations that wipe with the default look (left, forward, Delta 10),
// for the help; a test checks the list against the check.
const char* const kLumaFooter =
    "Only runs that wipe one picture away by the other qualify; the check composes the run itself,\n"
    "so a look that moves pixels, mixes colours or turns pixels back is refused with the reason.\n"
    "With the default look these wipe: Strip, MonoReveal, Blinds, Checkerboard, Iris, Replace,\n"
    "CheckerBlinds, RandomBars, TwinRandomBars, StripedIris. Reveal wipes too where the frame's\n"
    "width (height, up or down) is even.\n"
    "\n"
    "Frame n of a run of N frames after the first shows the picture the run ends on where\n"
    "value <= n / N * 65535: a luma wipe at progress p shows its second clip where value <= p * 65535.\n"
    "Reverse forms run from the To picture back to the From picture, and their maps tell that turn.\n"
    "\n"
    "Examples:\n"
    "  tweenery luma --operation Iris --size 1920x1080 -o iris.png\n"
    "  tweenery luma --operation Blinds --modifier up --delta 40 --size 1280x720 -o blinds.png\n"
    "  tweenery luma --operation RandomBars --seed 3 -o bars.png\n";


bool EndsWithPng(const std::string& Name) {
  if (Name.size() < 4) return false;
  std::string tail = Name.substr(Name.size() - 4);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".png";
}

}  // namespace

TLumaCommand::TLumaCommand(CLI::App& App) {
  FCommand = App.add_subcommand("luma", "a wipe as a 16-bit greyscale luma map (PNG) for other editors");
  FCommand->add_option("--operation", FOperation, "operation: Iris, Blinds, ... (see below)")->required();
  FCommand->add_option("--modifier", FModifier, "direction: left, right, up or down")->capture_default_str();
  FCommand->add_flag("--reverse", FReverse, "the operation's reverse form");
  AddNumber(FCommand, "--delta", FDelta, "the operation's size parameter, 1 or more");
  FCommand->add_flag("--preset", FPreset, "the dialog's Delta of the operation");
  FCommand->add_option("--size", FSize, "map size WxH")->capture_default_str();
  AddNumber(FCommand, "--seed", FSeed, "seed of the random operations (RandomBars, TwinRandomBars)");
  FCommand->add_option("-o,--output", FOutput, "the map, a .png file")->required();
  FCommand->add_flag("-y,--overwrite", FOverwrite, "replace an existing file");
  FCommand->add_flag("-q,--quiet", FQuiet, "no summary");
  FCommand->footer(kLumaFooter);
}

bool TLumaCommand::Chosen() const { return FCommand->parsed(); }

void TLumaCommand::Run(std::ostream& Err) const {
  const auto start = std::chrono::steady_clock::now();
  TTransitionSettings settings;
  const auto operation = FindOperation(FOperation);
  if (!operation) throw EUsage("unknown operation '" + FOperation + "'; 'tweenery list' shows the 28 operations");
  settings.Operation = *operation;
  const auto modifier = FindModifier(FModifier);
  if (!modifier) throw EUsage("--modifier '" + FModifier + "': left, right, up or down");
  settings.Modifier = *modifier;
  settings.Reverse = FReverse;
  if (FDelta && *FDelta < 1) throw EUsage("--delta must be 1 or more");
  if (FDelta) settings.Delta = *FDelta;
  else if (FPreset && OperationPreset(settings.Operation).Delta)
    settings.Delta = *OperationPreset(settings.Operation).Delta;
  settings.Seed = FSeed.value_or(FreshSeed());
  const auto [width, height] = ParseSize(FSize);
  if (!EndsWithPng(FOutput)) throw EUsage("-o '" + FOutput + "': a luma map is written as a .png file");
  TOutputOptions output;
  output.Name = FOutput;
  output.Overwrite = FOverwrite;
  CheckOutputIsFree(output);

  TWipe wipe;
  try {
    wipe = AnalyseWipe(width, height, settings);
  } catch (const ENotAWipe& e) {
    throw EUsage(e.what());
  }
  const std::vector<std::uint8_t> png = EncodeGreyPNG16(LumaValues(wipe), width, height, 6);
  TTempFile file(FOutput, FOverwrite);
  WriteWholeFile(file.Name(), png, FOutput);
  file.Commit();
  if (FQuiet) return;
  std::ostringstream line;
  line << "tweenery: luma map of " << OperationText(settings.Operation) << " " << ModifierText(settings.Modifier)
       << (settings.Reverse ? " reverse" : "") << ", Delta " << settings.Delta
       << (UsesRandom(settings.Operation) ? ", seed " + std::to_string(settings.Seed) : "") << ", " << width << " x "
       << height << ", " << wipe.FrameCount << " frames after the first; frame n shows "
       << (wipe.Backwards ? "the From picture" : "the To picture") << " where value <= n/" << wipe.FrameCount
       << "*65535 -> " << FOutput << " (" << std::fixed << std::setprecision(1)
       << std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() << " s)\n";
  Err << line.str();
}

}  // namespace tweenery
