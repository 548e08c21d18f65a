#include "GlslCheck.h"

#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>

#include <memory>
#include <regex>
#include <sstream>

namespace fxc {
namespace {

using platform::d3dx9::EffectDescription;
using platform::d3dx9::StageKind;

// glslang writes "ERROR: <string>:<line>: <text>"; the stages carry #line directives, so the
// line is the effect source's.
void collectErrors(const char* log, const std::string& context,
                   std::vector<GlslMessage>& messages) {
  static const std::regex located(R"(^ERROR: \d+:(\d+): (.*)$)");
  std::istringstream lines(log ? log : "");
  std::string line;
  while (std::getline(lines, line)) {
    if (line.find("compilation terminated") != std::string::npos) continue;
    std::smatch match;
    if (std::regex_match(line, match, located)) {
      messages.push_back({std::stoi(match[1]), context + match[2].str()});
    } else if (line.rfind("ERROR: ", 0) == 0 &&
               line.find("compilation errors") == std::string::npos) {
      messages.push_back({0, context + line.substr(7)});
    }
  }
}

class GlslangProcess {
 public:
  GlslangProcess() { glslang::InitializeProcess(); }
  ~GlslangProcess() { glslang::FinalizeProcess(); }
};

std::unique_ptr<glslang::TShader> compile(const platform::d3dx9::StageDescription& stage,
                                          std::vector<GlslMessage>& messages) {
  auto shader = std::make_unique<glslang::TShader>(
      stage.kind == StageKind::kVertex ? EShLangVertex : EShLangFragment);
  const char* text = stage.glsl.c_str();
  shader->setStrings(&text, 1);
  // Plain OpenGL GLSL rules (no SPIR-V client), as the driver will apply them.
  if (!shader->parse(GetDefaultResources(), 450, ECoreProfile, false, false, EShMsgDefault)) {
    collectErrors(shader->getInfoLog(), "", messages);
    return nullptr;
  }
  return shader;
}

}  // namespace

bool checkGlsl(const EffectDescription& effect, std::vector<GlslMessage>& messages) {
  static GlslangProcess process;
  std::vector<std::unique_ptr<glslang::TShader>> shaders;
  bool ok = true;
  for (const auto& stage : effect.stages) {
    shaders.push_back(compile(stage, messages));
    ok = ok && shaders.back() != nullptr;
  }
  if (!ok) return false;
  for (const auto& technique : effect.techniques) {
    for (std::size_t i = 0; i < technique.passes.size(); ++i) {
      const auto& pass = technique.passes[i];
      glslang::TProgram program;
      program.addShader(shaders[pass.vertexStage].get());
      program.addShader(shaders[pass.fragmentStage].get());
      if (!program.link(EShMsgDefault)) {
        collectErrors(program.getInfoLog(),
                      "technique " + technique.name + " pass " + std::to_string(i) + ": ",
                      messages);
        ok = false;
      }
    }
  }
  return ok;
}

}  // namespace fxc
