// The whole compile of an effect source into compiled-effect bytes: declarations parsed and
// validated, every GLSL stage checked, the binary written. The fxc program and tools that
// compile effects while they run share it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fxc {

// One error, with the effect source line it refers to (1-based; 0 when none).
struct CompileMessage {
  int line = 1;
  std::string text;
};

struct CompiledEffect {
  std::vector<std::uint8_t> bytes;      // what D3DXCreateEffect reads
  std::vector<std::string> parameters;  // every parameter's name, as setters name it
  std::vector<std::string> techniques;
};

// Answers false with at least one message when the source does not compile.
bool compileEffect(const std::string& source, CompiledEffect& compiled,
                   std::vector<CompileMessage>& messages);

}  // namespace fxc
