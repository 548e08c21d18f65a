#include "EffectCompiler.h"

#include "EffectSource.h"
#include "FxoFormat.h"
#include "EsTranslation.h"
#include "GlslCheck.h"

namespace fxc {

bool compileEffect(const std::string& source, CompiledEffect& compiled,
                   std::vector<CompileMessage>& messages) {
  ParsedEffect parsed;
  SourceError error;
  if (!parseEffectSource(source, parsed, error)) {
    messages.push_back({error.line, error.message});
    return false;
  }
  std::string invalid;
  if (!platform::d3dx9::validateEffect(parsed.effect, invalid,
                                       platform::d3dx9::EsText::kNotYetWritten)) {
    messages.push_back({1, invalid});
    return false;
  }
  std::vector<GlslMessage> glsl;
  if (!checkGlsl(parsed.effect, glsl)) {
    for (const GlslMessage& message : glsl) {
      messages.push_back({message.line, message.text});
    }
    if (glsl.empty()) messages.push_back({1, "GLSL check failed"});
    return false;
  }
  std::vector<int> firstLines;
  for (const StageOrigin& origin : parsed.stageOrigins) firstLines.push_back(origin.firstLine);
  if (!writeEsStages(parsed.effect, firstLines, glsl)) {
    for (const GlslMessage& message : glsl) messages.push_back({message.line, message.text});
    return false;
  }
  compiled.bytes = platform::d3dx9::writeFxo(parsed.effect);
  compiled.parameters.clear();
  for (const auto& parameter : parsed.effect.parameters) {
    compiled.parameters.push_back(parameter.name);
  }
  compiled.techniques.clear();
  for (const auto& technique : parsed.effect.techniques) {
    compiled.techniques.push_back(technique.name);
  }
  return true;
}

}  // namespace fxc
