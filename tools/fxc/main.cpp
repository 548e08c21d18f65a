// fxc: compiles an effect source (.fx) into a compiled effect (.fxo).
//
//   fxc SOURCE.fx -o OUTPUT.fxo
//
// Declaration and GLSL errors are written as "SOURCE.fx:LINE: error: ..." and end with exit
// code 1, so a broken effect fails the build; the output is then not written.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "EffectCompiler.h"

namespace {

constexpr const char* kUsage =
    "usage: fxc SOURCE.fx -o OUTPUT.fxo\n"
    "Compiles an effect source into a compiled effect; see effects/README.md.\n";

int compileEffect(const std::string& sourcePath, const std::string& outputPath) {
  std::ifstream in(sourcePath, std::ios::binary);
  if (!in) {
    std::cerr << sourcePath << ": error: cannot read the file\n";
    return 1;
  }
  std::stringstream text;
  text << in.rdbuf();

  fxc::CompiledEffect compiled;
  std::vector<fxc::CompileMessage> messages;
  if (!fxc::compileEffect(text.str(), compiled, messages)) {
    for (const auto& message : messages) {
      std::cerr << sourcePath << ":" << message.line << ": error: " << message.text << "\n";
    }
    return 1;
  }
  const std::vector<std::uint8_t>& bytes = compiled.bytes;
  const std::string temporary = outputPath + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::cerr << outputPath << ": error: cannot write the file\n";
      return 1;
    }
  }
  if (std::rename(temporary.c_str(), outputPath.c_str()) != 0) {
    std::cerr << outputPath << ": error: cannot write the file\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::cout << kUsage;
    return 0;
  }
  if (argc != 4 || std::strcmp(argv[2], "-o") != 0) {
    std::cerr << kUsage;
    return 2;
  }
  return compileEffect(argv[1], argv[3]);
}
