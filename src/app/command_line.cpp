#include "app/command_line.h"

namespace tonvale {
namespace {

const OptionSpec* Find(std::span<const OptionSpec> options, std::string_view name) {
  for (const OptionSpec& option : options) {
    if (name == option.name || (!option.alias.empty() && name == option.alias)) return &option;
  }
  return nullptr;
}

}  // namespace

OptionSpec Switch(std::string_view name, std::string_view alias, std::function<void()> set) {
  return {name, alias, OptionValue::kNone, {}, [set = std::move(set)](const std::string&) {
            set();
            return std::string();
          }};
}

OptionSpec Valued(std::string_view name, std::string_view needs,
                  std::function<void(const std::string& value)> set) {
  return {
      name, {}, OptionValue::kRequired, needs, [set = std::move(set)](const std::string& value) {
        set(value);
        return std::string();
      }};
}

CommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                             std::span<const OptionSpec> options) {
  CommandLine result;
  auto fault = [&result](std::string text) {
    if (result.error.empty()) result.error = std::move(text);
  };
  bool onlyOperands = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (onlyOperands || argument.empty() || argument[0] != '-' || argument == "-") {
      result.operands.push_back(argument);
      continue;
    }
    if (argument == "--") {
      onlyOperands = true;
      continue;
    }
    if (argument == "--help" || argument == "-h") {
      result.help = true;
      continue;
    }
    if (argument == "--version") {
      result.version = true;
      continue;
    }
    // "--name=value" is looked up by its name; short options never carry '='.
    const size_t equals = argument.starts_with("--") ? argument.find('=') : std::string::npos;
    const bool attached = equals != std::string::npos;
    const OptionSpec* option = Find(options, std::string_view(argument).substr(0, equals));
    if (option == nullptr) {
      fault("unknown option " + argument);
      continue;
    }
    std::string value = attached ? argument.substr(equals + 1) : std::string();
    switch (option->value) {
      case OptionValue::kNone:
        if (attached) {
          fault(std::string(option->name) + " takes no value");
          continue;
        }
        break;
      case OptionValue::kRequired:
        if (!attached && i + 1 < arguments.size()) value = arguments[++i];
        [[fallthrough]];
      case OptionValue::kAttached:
        // An empty value is a missing one: "--workdir=" must not quietly mean "no folder".
        if (value.empty() && (attached || option->value == OptionValue::kRequired)) {
          fault(std::string(option->name) + " needs " + std::string(option->needs));
          continue;
        }
        break;
    }
    if (!result.error.empty()) continue;
    if (std::string error = option->take(value); !error.empty()) fault(std::move(error));
  }
  if (result.help || result.version) result.error.clear();
  return result;
}

}  // namespace tonvale
