#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tonvale {

// How an option takes its value.
enum class OptionValue {
  kNone,      // a switch: "--quiet"
  kRequired,  // "--workdir DIR" or "--workdir=DIR"; the next argument is taken whatever it is
  kAttached,  // optional, and only after '=': "--figures" or "--figures=enlarged"
};

// One option a program understands.
struct OptionSpec {
  std::string_view name;   // "--workdir"
  std::string_view alias;  // "-q", or empty
  OptionValue value = OptionValue::kNone;
  std::string_view needs;  // what a missing value is called in the error: "a folder"
  // Takes the value (empty for a switch, and for kAttached without '='); returns an error
  // text, or an empty string when the value is usable.
  std::function<std::string(const std::string& value)> take;
};

// A switch that calls `set` when it is given.
OptionSpec Switch(std::string_view name, std::string_view alias, std::function<void()> set);

// An option that needs a value (called `needs` when missing), any value, handed to `set`.
OptionSpec Valued(std::string_view name, std::string_view needs,
                  std::function<void(const std::string& value)> set);

// What a command line holds once its options have been taken.
struct CommandLine {
  std::vector<std::string> operands;  // the file names, in the order given
  bool help = false;                  // "--help" or "-h"
  bool version = false;               // "--version"
  std::string error;                  // the first fault; empty when help or version is asked
};

// The rules every command line of the programs follows, so that the window and wav2mid
// answer alike:
// - "--" ends the options; every later argument is an operand.
// - An argument that does not begin with '-', and "-" itself, is an operand.
// - "--help", "-h" and "--version" are answered before anything else: given anywhere before
//   "--", they clear every fault, so a user can always ask for them.
// - An option that needs a value and has none (at the end, or empty, or nothing after '=') is
//   "NAME needs NOUN"; a switch given a value is "NAME takes no value"; any other argument
//   beginning with '-' is "unknown option ARGUMENT".
// - The first fault is the one reported; reading goes on, so a later "--help" is still seen,
//   but no option after a fault is taken.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                             std::span<const OptionSpec> options);

}  // namespace tonvale
