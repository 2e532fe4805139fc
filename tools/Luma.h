// The luma command: a transition that is a pure wipe, written as a 16-bit
// greyscale PNG of when each pixel turns, for other editors' luma wipes.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "tweenkit/Tweenery.h"

namespace CLI {
class App;
}

namespace tweenery {

class TLumaCommand {
 public:
  // Adds the command and its options to App.
  explicit TLumaCommand(CLI::App& App);
  // The command line chose this command.
  bool Chosen() const;
  // Writes the map; raises EUsage for a run that is not a wipe.
  void Run(std::ostream& Err) const;

 private:
  CLI::App* FCommand;
  std::string FOperation, FModifier = "left", FSize = "1920x1080", FOutput;
  bool FReverse = false, FPreset = false, FOverwrite = false, FQuiet = false;
  std::optional<TPositiveInteger> FDelta;
  std::optional<std::uint64_t> FSeed;
};

}  // namespace tweenery
