#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tonvale {
namespace {

using Words = std::vector<std::string>;

// Parses with a switch, an option that needs a value and one whose value is optional; `taken`
// records what each option was given, as "name=value".
struct Parsed {
  CommandLine line;
  Words taken;
};

Parsed Parse(const Words& arguments) {
  Parsed parsed;
  auto record = [&parsed](const char* name) {
    return [&parsed, name](const std::string& value) {
      if (value == "bad") return std::string("bad value");
      parsed.taken.push_back(std::string(name) + "=" + value);
      return std::string();
    };
  };
  const OptionSpec specs[] = {
      {"--quiet", "-q", OptionValue::kNone, {}, record("quiet")},
      {"--dir", {}, OptionValue::kRequired, "a folder", record("dir")},
      {"--shape", {}, OptionValue::kAttached, "a shape", record("shape")},
  };
  parsed.line = ParseCommandLine(arguments, specs);
  return parsed;
}

TEST(CommandLineTest, TakesOptionsAndOperandsInAnyOrder) {
  struct Case {
    Words arguments;
    Words operands;
    Words taken;
  };
  const Case cases[] = {
      {{}, {}, {}},
      {{"a.wav", "-q", "b.wav"}, {"a.wav", "b.wav"}, {"quiet="}},
      {{"--dir", "/w", "--dir=/x", "a"}, {"a"}, {"dir=/w", "dir=/x"}},
      // The value of an option is the next argument, whatever it looks like.
      {{"--dir", "--quiet"}, {}, {"dir=--quiet"}},
      {{"--shape", "round"}, {"round"}, {"shape="}},
      {{"--shape=round"}, {}, {"shape=round"}},
      // "-" is an operand; after "--" everything is.
      {{"-", "--", "--quiet", "-h", "--version"}, {"-", "--quiet", "-h", "--version"}, {}},
      {{"", "x"}, {"", "x"}, {}},
  };
  for (const Case& c : cases) {
    const Parsed parsed = Parse(c.arguments);
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    EXPECT_EQ(parsed.line.error, "");
    EXPECT_FALSE(parsed.line.help || parsed.line.version);
    EXPECT_EQ(parsed.line.operands, c.operands);
    EXPECT_EQ(parsed.taken, c.taken);
  }
}

TEST(CommandLineTest, ReportsTheFirstFaultAndTakesNothingAfterIt) {
  const std::pair<Words, std::string> cases[] = {
      {{"--loud"}, "unknown option --loud"},
      {{"-x", "a"}, "unknown option -x"},
      {{"-q=1"}, "unknown option -q=1"},
      {{"--loud=1"}, "unknown option --loud=1"},
      {{"--quiet=1"}, "--quiet takes no value"},
      {{"a", "--dir"}, "--dir needs a folder"},
      {{"--dir="}, "--dir needs a folder"},
      {{"--dir", ""}, "--dir needs a folder"},
      {{"--shape="}, "--shape needs a shape"},
      {{"--shape=bad"}, "bad value"},
      {{"--dir", "bad", "--loud"}, "bad value"},
      {{"--loud", "--quiet=1", "--dir"}, "unknown option --loud"},
  };
  for (const auto& [arguments, error] : cases) {
    const Parsed parsed = Parse(arguments);
    EXPECT_EQ(parsed.line.error, error) << testing::PrintToString(arguments);
  }
  EXPECT_EQ(Parse({"--loud", "-q"}).taken, Words{});
}

TEST(CommandLineTest, HelpAndVersionWinOverEveryFaultBeforeTheEndOfOptions) {
  for (const Words& arguments :
       {Words{"--loud", "--help"}, Words{"-h", "--dir"}, Words{"--quiet=1", "-h", "--shape="}}) {
    const CommandLine line = Parse(arguments).line;
    EXPECT_TRUE(line.help);
    EXPECT_EQ(line.error, "") << testing::PrintToString(arguments);
  }
  const CommandLine version = Parse({"a", "b", "--loud", "--version"}).line;
  EXPECT_TRUE(version.version);
  EXPECT_FALSE(version.help);
  EXPECT_EQ(version.error, "");
}

}  // namespace
}  // namespace tonvale
