// The numbers that options of vnstudio-cli take: their documented ranges and the CLI11 checks
// that hold them to those ranges.
//
// CLI11 reads an unsigned option with strtoull in base 0: "-1" becomes 18446744073709551615,
// "-18446744073709551615" becomes 1, a number past 2^64 the largest value, and "010" is eight.
// A number option therefore first goes through WholeNumberText, which lets only decimal digits
// through (read as decimal), and then through CLI::Range, so nothing reaches the command by
// wrapping around.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>

namespace vn::cli {

// run --max-steps: instructions (at some 25 million a second, about eleven hours of work).
inline constexpr std::uint64_t kMaxSteps = 1'000'000'000'000;
// run --max-time and the @MS of an --input item: virtual milliseconds (about 31 years).
inline constexpr std::uint64_t kMaxTimeMs = 1'000'000'000'000;
// debug --wait: milliseconds, ten minutes. continue waits again as often as asked.
inline constexpr long kMaxWaitMs = 600'000;

// Refuses anything but decimal digits and drops leading zeros (which CLI11 reads as octal).
CLI::Validator WholeNumberText();

// Holds `option` to whole numbers from `min` to `max` in decimal digits.
template <typename T>
CLI::Option* WholeNumberIn(CLI::Option* option, T min, T max) {
  return option->transform(WholeNumberText())
      ->check(CLI::Range(min, max).description(std::to_string(min) + ".." + std::to_string(max)));
}

}  // namespace vn::cli
