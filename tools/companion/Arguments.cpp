#include "Arguments.h"

#include "OutputFile.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace companion {

namespace {

[[noreturn]] void fail(const std::string& text) { throw UsageError(text); }

// The whole text as a finite number, or an error naming what it was meant to be.
double parseNumber(std::string_view text, const char* what) {
  const std::string copy(text);
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(copy.c_str(), &end);
  if (copy.empty() || end != copy.c_str() + copy.size() || errno == ERANGE ||
      !std::isfinite(value)) {
    fail(std::string(what) + " \"" + copy + "\" is not a number");
  }
  return value;
}

}  // namespace

Arguments parseArguments(int argc, const char* const* argv, const std::vector<std::string>& known,
                         bool operandsAllowed) {
  Arguments parsed;
  bool optionsEnded = false;
  for (int i = 0; i < argc; ++i) {
    const std::string argument = argv[i] ? argv[i] : "";
    if (optionsEnded || argument.size() < 2 || argument[0] != '-' ||
        (argument[1] >= '0' && argument[1] <= '9') || argument[1] == '.') {
      if (!operandsAllowed) fail("unexpected argument \"" + argument + "\"");
      parsed.operands.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (argument == "--help" || argument == "-h") {
      parsed.help = true;
      continue;
    }
    if (argument == "--version") {
      parsed.version = true;
      continue;
    }
    const std::size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    bool isKnown = false;
    for (const std::string& option : known) isKnown = isKnown || option == name;
    if (!isKnown) fail("unknown option \"" + name + "\"");
    if (parsed.options.count(name)) fail("option " + name + " given twice");
    if (equals != std::string::npos) {
      parsed.options[name] = argument.substr(equals + 1);
    } else if (i + 1 < argc && argv[i + 1]) {
      parsed.options[name] = argv[++i];
    } else {
      fail("option " + name + " needs a value");
    }
  }
  return parsed;
}

Size parseSize(std::string_view text) {
  const std::size_t x = text.find('x');
  const auto side = [&](std::string_view part) {
    if (part.empty() || part.size() > 5) fail("size \"" + std::string(text) + "\" is not WxH");
    int value = 0;
    for (char c : part) {
      if (c < '0' || c > '9') fail("size \"" + std::string(text) + "\" is not WxH");
      value = value * 10 + (c - '0');
    }
    if (value < 16 || value > 8192) {
      fail("size \"" + std::string(text) + "\": each side must be 16 to 8192 pixels");
    }
    return value;
  };
  if (x == std::string_view::npos) fail("size \"" + std::string(text) + "\" is not WxH");
  return {side(text.substr(0, x)), side(text.substr(x + 1))};
}

std::uint32_t parseMusicTimeMs(std::string_view text) {
  const double seconds = parseNumber(text, "time");
  const double ms = std::round(seconds * 1000.0);
  if (seconds < 0.0 || ms >= kRunMs) {
    fail("time " + std::string(text) + " is outside the run (0 <= time < 91 seconds)");
  }
  return static_cast<std::uint32_t>(ms);
}

std::uint32_t parseRunLengthMs(std::string_view text) {
  const double seconds = parseNumber(text, "seconds");
  const double ms = std::round(seconds * 1000.0);
  if (ms < 1.0 || ms > kRunMs) {
    fail("seconds " + std::string(text) + " is outside the run (above 0, at most 91)");
  }
  return static_cast<std::uint32_t>(ms);
}

int parseInteger(std::string_view text, int low, int high, const char* what) {
  const double value = parseNumber(text, what);
  if (value != std::floor(value) || value < low || value > high) {
    fail(std::string(what) + " " + std::string(text) + " must be a whole number from " +
         std::to_string(low) + " to " + std::to_string(high));
  }
  return static_cast<int>(value);
}

int printHelp(const char* tool, const char* usage) {
  std::printf("%s\n%s %s\n", usage, tool, KESTU09_VERSION);
  return standardOutputWritten(tool) ? 0 : 1;
}

int printVersion(const char* tool) {
  std::printf("%s %s\n", tool, KESTU09_VERSION);
  return standardOutputWritten(tool) ? 0 : 1;
}

}  // namespace companion
