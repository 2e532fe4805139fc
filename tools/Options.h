// What the commands' options share: numbers read strictly, lists, frame
// sizes and fresh seeds. Every malformed value is a usage error naming the
// option.
#pragma once

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace tweenery {

// Numbers are read whole, in decimal, within their type: an empty value,
// "-1" for a count or a seed, "010" read as octal, or a value past the
// type's range are usage errors naming the option, never another number.
template <typename T>
T ParseNumber(const std::string& Text, const std::string& Option) {
  T value{};
  const char* end = Text.data() + Text.size();
  const std::from_chars_result read = std::from_chars(Text.data(), end, value);
  if (read.ec == std::errc::result_out_of_range)
    throw CLI::ValidationError(Option, "'" + Text + "' is out of range");
  bool finite = true;
  if constexpr (std::is_floating_point_v<T>) finite = std::isfinite(value);
  if (Text.empty() || read.ec != std::errc() || read.ptr != end || !finite) {
    const char* kind = std::is_floating_point_v<T> ? "a number" : std::is_signed_v<T> ? "a whole number" : "a whole number, 0 or more";
    throw CLI::ValidationError(Option, "'" + Text + "' is not " + kind);
  }
  return value;
}

template <typename T>
CLI::Option* AddNumber(CLI::App* App, const std::string& Option, std::optional<T>& Target, const std::string& Help) {
  return App
      ->add_option_function<std::string>(
          Option, [&Target, Option](const std::string& Text) { Target = ParseNumber<T>(Text, Option); }, Help)
      ->type_name(std::is_floating_point_v<T> ? "FLOAT" : std::is_signed_v<T> ? "INT" : "UINT");
}

// A comma-separated list; the commas of an entry's own parentheses, as in
// cubic-bezier(0.4,0,0.2,1), stay in it.
std::vector<std::string> SplitList(const std::string& Text);

// WxH, each 1 to 16384.
std::pair<int, int> ParseSize(const std::string& Text);

// A seed for a run that names none.
std::uint64_t FreshSeed();

}  // namespace tweenery
