#include "EsTranslation.h"

#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>

#include <algorithm>
#include <memory>
#include <spirv_cross/spirv_glsl.hpp>

namespace fxc {
namespace {

using platform::d3dx9::StageDescription;
using platform::d3dx9::StageKind;

EShLanguage languageOf(const StageDescription& stage) {
  return stage.kind == StageKind::kVertex ? EShLangVertex : EShLangFragment;
}

// Every line of a glslang log that is an error, prefixed by context and placed at line.
void addLog(const char* log, int line, const std::string& context,
            std::vector<GlslMessage>& messages) {
  std::string text = log ? log : "";
  std::size_t start = 0;
  bool any = false;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string entry = text.substr(start, end - start);
    if (entry.rfind("ERROR: ", 0) == 0 &&
        entry.find("compilation terminated") == std::string::npos &&
        entry.find("compilation errors") == std::string::npos) {
      messages.push_back({line, context + entry.substr(7)});
      any = true;
    }
    start = end + 1;
  }
  if (!any) messages.push_back({line, context + "failed"});
}

// The stage as SPIR-V for OpenGL; empty with messages when glslang refuses it. Varyings and
// plain uniforms get locations assigned automatically: SPIR-V needs them, and the ES text
// written from it leaves them out again (ES 3.00 matches varyings by name).
std::vector<unsigned> toSpirv(const StageDescription& stage, int firstLine,
                              std::vector<GlslMessage>& messages) {
  const EShLanguage language = languageOf(stage);
  glslang::TShader shader(language);
  const char* text = stage.glsl.c_str();
  shader.setStrings(&text, 1);
  shader.setEnvInput(glslang::EShSourceGlsl, language, glslang::EShClientOpenGL, 450);
  shader.setEnvClient(glslang::EShClientOpenGL, glslang::EShTargetOpenGL_450);
  shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
  shader.setAutoMapLocations(true);
  shader.setAutoMapBindings(true);
  const auto rules = static_cast<EShMessages>(EShMsgSpvRules);
  const std::string context = "stage " + stage.name + " as ES: ";
  if (!shader.parse(GetDefaultResources(), 450, ECoreProfile, false, false, rules)) {
    // The stage compiled as GLSL 4.50 already; what fails here is what SPIR-V cannot hold.
    addLog(shader.getInfoLog(), firstLine, context, messages);
    return {};
  }
  glslang::TProgram program;
  program.addShader(&shader);
  if (!program.link(rules) || !program.mapIO()) {
    addLog(program.getInfoLog(), firstLine, context, messages);
    return {};
  }
  std::vector<unsigned> spirv;
  glslang::SpvOptions options;
  options.generateDebugInfo = false;
  options.disableOptimizer = true;
  glslang::GlslangToSpv(*program.getIntermediate(language), spirv, &options);
  return spirv;
}

// SPIR-V written as GLSL ES 3.00 with high precision throughout (the 4.50 stages compute in
// single precision, and the pictures must match).
bool toEs(std::vector<unsigned> spirv, std::string& es, std::string& error) {
  try {
    spirv_cross::CompilerGLSL compiler(std::move(spirv));
    spirv_cross::CompilerGLSL::Options options = compiler.get_common_options();
    options.es = true;
    options.version = 300;
    options.vulkan_semantics = false;
    options.enable_420pack_extension = false;
    options.fragment.default_float_precision = spirv_cross::CompilerGLSL::Options::Highp;
    options.fragment.default_int_precision = spirv_cross::CompilerGLSL::Options::Highp;
    compiler.set_common_options(options);
    es = compiler.compile();
  } catch (const std::exception& failure) {
    error = failure.what();
    return false;
  }
  return true;
}

// The ES text must compile as ES 3.00 by the reference compiler; null with messages when not.
std::unique_ptr<glslang::TShader> checkEs(const StageDescription& stage, int firstLine,
                                          std::vector<GlslMessage>& messages) {
  auto shader = std::make_unique<glslang::TShader>(languageOf(stage));
  const char* text = stage.glslEs.c_str();
  shader->setStrings(&text, 1);
  if (shader->parse(GetDefaultResources(), 300, EEsProfile, false, false, EShMsgDefault)) {
    return shader;
  }
  addLog(shader->getInfoLog(), firstLine, "stage " + stage.name + " as ES 3.00: ", messages);
  return nullptr;
}

class GlslangProcess {
 public:
  GlslangProcess() { glslang::InitializeProcess(); }
  ~GlslangProcess() { glslang::FinalizeProcess(); }
};

}  // namespace

bool writeEsStages(platform::d3dx9::EffectDescription& effect, const std::vector<int>& firstLines,
                   std::vector<GlslMessage>& messages) {
  static GlslangProcess process;  // glslang counts its initialisations
  auto lineOf = [&firstLines](std::size_t stage) {
    return stage < firstLines.size() ? firstLines[stage] : 1;
  };
  std::vector<std::unique_ptr<glslang::TShader>> checked;
  for (std::size_t i = 0; i < effect.stages.size(); ++i) {
    StageDescription& stage = effect.stages[i];
    checked.emplace_back();
    std::vector<unsigned> spirv = toSpirv(stage, lineOf(i), messages);
    if (spirv.empty()) continue;
    std::string error;
    if (!toEs(std::move(spirv), stage.glslEs, error)) {
      messages.push_back({lineOf(i), "stage " + stage.name + " cannot be written as ES: " + error});
      continue;
    }
    checked.back() = checkEs(stage, lineOf(i), messages);
  }
  if (std::find(checked.begin(), checked.end(), nullptr) != checked.end()) return false;
  // ES matches a pass's varyings by name, type and qualifiers: every pass links as ES too.
  bool ok = true;
  for (const auto& technique : effect.techniques) {
    for (std::size_t i = 0; i < technique.passes.size(); ++i) {
      const auto& pass = technique.passes[i];
      glslang::TProgram program;
      program.addShader(checked[pass.vertexStage].get());
      program.addShader(checked[pass.fragmentStage].get());
      if (!program.link(EShMsgDefault)) {
        addLog(program.getInfoLog(), lineOf(pass.vertexStage),
               "technique " + technique.name + " pass " + std::to_string(i) + " as ES 3.00: ",
               messages);
        ok = false;
      }
    }
  }
  return ok;
}

}  // namespace fxc
