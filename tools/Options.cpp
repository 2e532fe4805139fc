#include "tools/Options.h"

#include <random>

#include "media/Errors.h"

namespace tweenery {

std::vector<std::string> SplitList(const std::string& Text) {
  std::vector<std::string> entries(1);
  int depth = 0;
  for (char c : Text) {
    if (c == ',' && depth == 0) {
      entries.emplace_back();
      continue;
    }
    depth += c == '(' ? 1 : c == ')' && depth > 0 ? -1 : 0;
    entries.back() += c;
  }
  return entries;
}

std::pair<int, int> ParseSize(const std::string& Text) {
  const std::size_t x = Text.find_first_of("xX");
  int w = 0, h = 0;
  std::size_t used1 = 0, used2 = 0;
  try {
    if (x != std::string::npos) {
      w = std::stoi(Text.substr(0, x), &used1);
      h = std::stoi(Text.substr(x + 1), &used2);
    }
  } catch (const std::exception&) {
    used1 = 0;
  }
  if (x == std::string::npos || used1 != x || used2 != Text.size() - x - 1 || w < 1 || h < 1 || w > 16384 || h > 16384)
    throw EUsage("--size '" + Text + "': give width x height in pixels, each 1 to 16384, e.g. 640x480");
  return {w, h};
}

std::uint64_t FreshSeed() { return (static_cast<std::uint64_t>(std::random_device{}()) << 32) | std::random_device{}(); }

}  // namespace tweenery
