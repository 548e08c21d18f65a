// Command lines of the companion programs: options with a value, --help, --version, operands, and
// the checked conversions of their values. A bad argument throws UsageError, which the programs
// answer with their usage and exit code 2.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "demo/RunLength.h"

namespace companion {

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Size {
  int width = 0;
  int height = 0;
};

// The longest run the demo plays.
constexpr std::uint32_t kRunMs = vantor::kRunLengthMs;

struct Arguments {
  bool help = false;
  bool version = false;
  std::map<std::string, std::string> options;  // "--size" → "640x360"
  std::vector<std::string> operands;
};

// Splits argv (without argv[0]) into options and operands. Every option takes a value, given
// as "--name VALUE" or "--name=VALUE"; options outside `known` and repeated ones are errors,
// and so are operands when none are allowed. "--" ends the options.
Arguments parseArguments(int argc, const char* const* argv, const std::vector<std::string>& known,
                         bool operandsAllowed);

// "WxH", each side 16 to 8192 pixels.
Size parseSize(std::string_view text);
// A music time in seconds, 0 <= t < 91, as whole milliseconds (rounded to the nearest).
std::uint32_t parseMusicTimeMs(std::string_view text);
// A length of the run in seconds, above 0 and at most 91, as whole milliseconds.
std::uint32_t parseRunLengthMs(std::string_view text);
// A whole number from low to high.
int parseInteger(std::string_view text, int low, int high, const char* what);

// The answers to --help (the usage text, then "TOOL VERSION") and --version ("TOOL VERSION"
// alone) on standard output; the version is the project's, the same for every program and
// the package. Each answers the program's exit code: 0, or 1 with a line on standard error
// when standard output could not take the text.
int printHelp(const char* tool, const char* usage);
int printVersion(const char* tool);

}  // namespace companion
