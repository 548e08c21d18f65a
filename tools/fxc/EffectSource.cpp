#include "EffectSource.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>

#include "AttributeLocations.h"
#include "EffectStates.h"

namespace fxc {
namespace {

using platform::d3dx9::EffectDescription;
using platform::d3dx9::ParameterDescription;
using platform::d3dx9::ParameterType;
using platform::d3dx9::StageDescription;
using platform::d3dx9::StageKind;
using platform::d3dx9::StateInfo;
using platform::d3dx9::StateValue;

struct Failure {
  SourceError error;
};

[[noreturn]] void fail(int line, std::string message) { throw Failure{{line, std::move(message)}}; }

struct Token {
  enum Kind { kIdentifier, kNumber, kPunctuation, kEnd } kind = kEnd;
  std::string text;
  int line = 0;
};

// Splits the declaration part of a source into tokens; GLSL blocks are taken raw by
// Parser::glslBody.
class Lexer {
 public:
  explicit Lexer(const std::string& source) : source_(source) {}

  Token next() {
    skipSpaceAndComments();
    Token token;
    token.line = line_;
    if (pos_ >= source_.size()) return token;
    const char c = source_[pos_];
    const std::size_t start = pos_;
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      while (pos_ < source_.size() &&
             (std::isalnum(static_cast<unsigned char>(source_[pos_])) || source_[pos_] == '_')) {
        ++pos_;
      }
      token.kind = Token::kIdentifier;
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      skipDigits();
      // A decimal fraction, as a preshader's constants have.
      if (pos_ + 1 < source_.size() && source_[pos_] == '.' &&
          std::isdigit(static_cast<unsigned char>(source_[pos_ + 1]))) {
        ++pos_;
        skipDigits();
      }
      token.kind = Token::kNumber;
    } else if (std::string_view("{}[];=(),*+-.").find(c) != std::string_view::npos) {
      ++pos_;
      token.kind = Token::kPunctuation;
    } else {
      fail(line_, std::string("unexpected character '") + c + "'");
    }
    token.text = source_.substr(start, pos_ - start);
    return token;
  }

  // The raw text from the current position up to the brace that closes an already consumed
  // '{' (braces in comments do not count); leaves the position after that brace.
  std::string rawBlock(int openLine) {
    const std::size_t start = pos_;
    int depth = 1;
    while (pos_ < source_.size()) {
      if (startsWith("//")) {
        while (pos_ < source_.size() && source_[pos_] != '\n') ++pos_;
        continue;
      }
      if (startsWith("/*")) {
        skipBlockComment();
        continue;
      }
      const char c = source_[pos_++];
      if (c == '\n') ++line_;
      if (c == '{') ++depth;
      if (c == '}' && --depth == 0) return source_.substr(start, pos_ - 1 - start);
    }
    fail(openLine, "GLSL block is not closed");
  }

 private:
  void skipDigits() {
    while (pos_ < source_.size() && std::isdigit(static_cast<unsigned char>(source_[pos_]))) ++pos_;
  }
  bool startsWith(std::string_view text) const {
    return source_.compare(pos_, text.size(), text) == 0;
  }
  void skipBlockComment() {
    const int line = line_;
    pos_ += 2;
    while (pos_ < source_.size() && !startsWith("*/")) {
      if (source_[pos_++] == '\n') ++line_;
    }
    if (pos_ >= source_.size()) fail(line, "comment is not closed");
    pos_ += 2;
  }
  void skipSpaceAndComments() {
    while (pos_ < source_.size()) {
      if (source_[pos_] == '\n') {
        ++line_;
        ++pos_;
      } else if (std::isspace(static_cast<unsigned char>(source_[pos_]))) {
        ++pos_;
      } else if (startsWith("//")) {
        while (pos_ < source_.size() && source_[pos_] != '\n') ++pos_;
      } else if (startsWith("/*")) {
        skipBlockComment();
      } else {
        break;
      }
    }
  }

  const std::string& source_;
  std::size_t pos_ = 0;
  int line_ = 1;
};

struct BasicType {
  std::string_view name;
  ParameterType type;
  std::string_view glsl;
};
constexpr BasicType kBasicTypes[] = {
    {"int", ParameterType::kInt, "int"},
    {"bool", ParameterType::kBool, "bool"},
    {"float", ParameterType::kFloat, "float"},
    {"float2", ParameterType::kFloat2, "vec2"},
    {"float3", ParameterType::kFloat3, "vec3"},
    {"float4", ParameterType::kFloat4, "vec4"},
    {"float4x4", ParameterType::kFloat4x4, "mat4"},
    {"texture", ParameterType::kTexture, "sampler2D"},
};

const BasicType* findBasicType(const std::string& name) {
  for (const BasicType& type : kBasicTypes) {
    if (type.name == name) return &type;
  }
  return nullptr;
}

struct Member {
  std::string type;  // a basic type name or a struct name
  std::string name;
  std::uint32_t elements = 0;  // 0: not an array
};

struct StructType {
  std::vector<Member> members;
};

// Semantic names usable as attribute and output locations in GLSL stages: vertex inputs where
// the device binds them, fragment outputs COLOR0-3 as the render-target slots.
std::string stagePrelude() {
  using namespace platform::d3d9;
  std::string prelude = "#version 450 core\n";
  prelude += "#define POSITION " + std::to_string(kPosition) + "\n";
  prelude += "#define NORMAL " + std::to_string(kNormal) + "\n";
  for (unsigned set = 0; set < kTexcoordSets; ++set) {
    prelude +=
        "#define TEXCOORD" + std::to_string(set) + " " + std::to_string(kTexcoord0 + set) + "\n";
  }
  for (unsigned slot = 0; slot < 4; ++slot) {
    prelude += "#define COLOR" + std::to_string(slot) + " " + std::to_string(slot) + "\n";
  }
  return prelude;
}

class Parser {
 public:
  explicit Parser(const std::string& source) : lexer_(source) { advance(); }

  void parse(ParsedEffect& parsed) {
    std::vector<std::pair<StageKind, std::string>> bodies;  // raw GLSL per stage
    while (token_.kind != Token::kEnd) {
      const Token keyword = expectIdentifier("a declaration");
      if (keyword.text == "struct") {
        structDeclaration();
      } else if (keyword.text == "vertex" || keyword.text == "fragment") {
        const Token name = expectIdentifier("a stage name");
        if (stageIndex_.count(name.text)) fail(name.line, "stage " + name.text + " defined twice");
        if (token_.text != "{") fail(token_.line, "expected '{' after the stage name");
        // The lexer stands just past the '{' lookahead: the stage's GLSL starts there.
        const int firstLine = token_.line;
        std::string body = lexer_.rawBlock(firstLine);
        advance();
        stageIndex_[name.text] = static_cast<std::uint32_t>(bodies.size());
        StageDescription stage;
        stage.kind = keyword.text == "vertex" ? StageKind::kVertex : StageKind::kFragment;
        stage.name = name.text;
        effect_.stages.push_back(stage);
        bodies.emplace_back(stage.kind, std::move(body));
        parsed.stageOrigins.push_back({firstLine});
      } else if (keyword.text == "technique") {
        technique();
      } else {
        parameterDeclaration(keyword);
      }
    }
    if (effect_.techniques.empty()) fail(1, "the effect has no technique");
    for (std::size_t i = 0; i < bodies.size(); ++i) {
      effect_.stages[i].glsl = stagePrelude() + declarations_ + "#line " +
                               std::to_string(parsed.stageOrigins[i].firstLine) + " 0\n" +
                               bodies[i].second;
    }
    parsed.effect = std::move(effect_);
  }

 private:
  void advance() { token_ = lexer_.next(); }

  Token expectIdentifier(const char* what) {
    if (token_.kind != Token::kIdentifier) fail(token_.line, std::string("expected ") + what);
    Token token = token_;
    advance();
    return token;
  }
  void expect(std::string_view punctuation) {
    if (token_.kind != Token::kPunctuation || token_.text != punctuation) {
      fail(token_.line, "expected '" + std::string(punctuation) + "'");
    }
    advance();
  }
  bool accept(std::string_view punctuation) {
    if (token_.kind != Token::kPunctuation || token_.text != punctuation) return false;
    advance();
    return true;
  }
  std::uint32_t arraySize() {
    if (!accept("[")) return 0;
    if (token_.kind != Token::kNumber || token_.text.size() > 5 ||
        token_.text.find('.') != std::string::npos) {
      fail(token_.line, "expected an array size");
    }
    const auto size = static_cast<std::uint32_t>(std::stoul(token_.text));
    if (size < 1 || size > platform::d3dx9::kMaxElements) {
      fail(token_.line, "array size must be 1 to 4096");
    }
    advance();
    expect("]");
    return size;
  }
  void checkTypeName(const Token& type) {
    if (!findBasicType(type.text) && !structs_.count(type.text)) {
      fail(type.line, "unknown type " + type.text);
    }
  }
  std::string glslType(const std::string& type) const {
    const BasicType* basic = findBasicType(type);
    return basic ? std::string(basic->glsl) : type;
  }
  // Declarations are source string 1 of a stage and its own code string 0, so that the GLSL
  // compiler's messages name the effect source's lines for both.
  static std::string lineDirective(int line) { return "#line " + std::to_string(line) + " 1\n"; }
  static std::string arraySuffix(std::uint32_t elements) {
    return elements ? "[" + std::to_string(elements) + "]" : "";
  }

  void structDeclaration() {
    const Token name = expectIdentifier("a struct name");
    if (findBasicType(name.text) || structs_.count(name.text)) {
      fail(name.line, "type " + name.text + " defined twice");
    }
    expect("{");
    StructType type;
    std::string glsl = lineDirective(name.line) + "struct " + name.text + " {";
    while (!accept("}")) {
      const Token memberType = expectIdentifier("a member type");
      checkTypeName(memberType);
      if (memberType.text == "texture") fail(memberType.line, "a struct cannot hold a texture");
      const Token memberName = expectIdentifier("a member name");
      Member member{memberType.text, memberName.text, arraySize()};
      expect(";");
      for (const Member& other : type.members) {
        if (other.name == member.name) fail(memberName.line, "member " + member.name + " twice");
      }
      glsl += " " + glslType(member.type) + " " + member.name + arraySuffix(member.elements) + ";";
      type.members.push_back(member);
    }
    expect(";");
    if (type.members.empty()) fail(name.line, "struct " + name.text + " has no members");
    structs_[name.text] = type;
    declarations_ += glsl + " };\n";
  }

  // Adds the leaf parameters of a value of the given type under the given name.
  void flatten(const std::string& type, const std::string& name, std::uint32_t elements, int line) {
    if (const BasicType* basic = findBasicType(type)) {
      if (effect_.parameters.size() >= platform::d3dx9::kMaxParameters) {
        fail(line, "too many parameters");
      }
      ParameterDescription parameter;
      parameter.name = name;
      parameter.type = basic->type;
      parameter.elements = elements ? elements : 1;
      effect_.parameters.push_back(parameter);
      return;
    }
    const StructType& structType = structs_.at(type);
    for (std::uint32_t i = 0; i < (elements ? elements : 1); ++i) {
      const std::string prefix = name + (elements ? "[" + std::to_string(i) + "]" : "") + ".";
      for (const Member& member : structType.members) {
        flatten(member.type, prefix + member.name, member.elements, line);
      }
    }
  }

  void parameterDeclaration(const Token& type) {
    checkTypeName(type);
    const Token name = expectIdentifier("a parameter name");
    if (!declared_.insert(name.text).second) {
      fail(name.line, "parameter " + name.text + " declared twice");
    }
    const std::uint32_t elements = arraySize();
    const std::size_t first = effect_.parameters.size();
    flatten(type.text, name.text, elements, name.line);
    if (type.text == "texture") {
      if (elements) fail(name.line, "texture arrays are not supported");
      if (++textures_ > platform::d3dx9::kMaxTextures) fail(name.line, "more than 16 textures");
      if (accept("{")) {
        effect_.parameters[first].samplerStates = states(&platform::d3dx9::findSamplerState);
      }
    }
    if (accept("=")) preshader(effect_.parameters[first], name.line);
    expect(";");
    declarations_ += lineDirective(name.line) + "uniform " + glslType(type.text) + " " + name.text +
                     arraySuffix(elements) + ";\n";
  }

  // The initializer of a parameter worked out from earlier ones, up to the ';':
  //   expression := product (('+' | '-') product)*
  //   product    := factor ('*' factor)*
  //   factor     := '-' factor | '(' expression ')' | number | parameter name
  //               | inverse(expression) | transpose(expression)
  //               | float4(expression, expression, expression, expression)
  // A parameter is named as the engine names it: "material.diffuse", "pointLight[2].color".
  void preshader(ParameterDescription& parameter, int line) {
    std::vector<platform::d3dx9::PreshaderStep> steps;
    expression(steps);
    parameter.preshader = std::move(steps);
    std::string error;
    const std::size_t self = effect_.parameters.size() - 1;
    const std::optional<ParameterType> result =
        platform::d3dx9::preshaderResultType(parameter.preshader, effect_.parameters, self, error);
    if (!result) fail(line, error);
    if (*result != parameter.type || parameter.elements != 1) {
      fail(line, "the initializer of " + parameter.name + " is not of its type");
    }
  }

  void expression(std::vector<platform::d3dx9::PreshaderStep>& steps) {
    product(steps);
    while (token_.kind == Token::kPunctuation && (token_.text == "+" || token_.text == "-")) {
      const bool subtract = token_.text == "-";
      advance();
      product(steps);
      steps.push_back({subtract ? platform::d3dx9::PreshaderOp::kSubtract
                                : platform::d3dx9::PreshaderOp::kAdd});
    }
  }

  void product(std::vector<platform::d3dx9::PreshaderStep>& steps) {
    factor(steps);
    while (accept("*")) {
      factor(steps);
      steps.push_back({platform::d3dx9::PreshaderOp::kMultiply});
    }
  }

  void factor(std::vector<platform::d3dx9::PreshaderStep>& steps) {
    using platform::d3dx9::PreshaderOp;
    if (steps.size() > platform::d3dx9::kMaxPreshaderSteps || ++nesting_ > kMaxNesting) {
      fail(token_.line, "the initializer is longer than 64 steps or nested too deeply");
    }
    struct Leave {
      int& nesting;
      ~Leave() { --nesting; }
    } leave{nesting_};
    if (accept("-")) {
      factor(steps);
      steps.push_back({PreshaderOp::kNegate});
      return;
    }
    if (accept("(")) {
      expression(steps);
      expect(")");
      return;
    }
    if (token_.kind == Token::kNumber) {
      steps.push_back({PreshaderOp::kNumber, 0, std::strtof(token_.text.c_str(), nullptr)});
      advance();
      return;
    }
    const Token name = expectIdentifier("a parameter, a number or a function in the initializer");
    if (name.text == "inverse" || name.text == "transpose" || name.text == "float4") {
      expect("(");
      const int arguments = name.text == "float4" ? 4 : 1;
      for (int i = 0; i < arguments; ++i) {
        if (i > 0) expect(",");
        expression(steps);
      }
      expect(")");
      steps.push_back({name.text == "inverse"     ? PreshaderOp::kInverse
                       : name.text == "transpose" ? PreshaderOp::kTranspose
                                                  : PreshaderOp::kFloat4});
      return;
    }
    std::string path = name.text;
    while (true) {
      if (accept("[")) {
        if (token_.kind != Token::kNumber) fail(token_.line, "expected an index");
        path += "[" + token_.text + "]";
        advance();
        expect("]");
      } else if (accept(".")) {
        path += "." + expectIdentifier("a member name").text;
      } else {
        break;
      }
    }
    std::uint32_t index = 0;
    while (index < effect_.parameters.size() && effect_.parameters[index].name != path) ++index;
    if (index + 1 >= effect_.parameters.size()) {
      fail(name.line, "the initializer reads " + path + ", which is not an earlier parameter");
    }
    steps.push_back({PreshaderOp::kParameter, index});
  }

  // "Name = Value;" entries up to the closing brace.
  std::vector<StateValue> states(const StateInfo* (*find)(std::string_view)) {
    std::vector<StateValue> result;
    while (!accept("}")) {
      const Token name = expectIdentifier("a state name");
      expect("=");
      const Token value = expectIdentifier("a state value");
      expect(";");
      const StateInfo* info = find(name.text);
      if (!info) fail(name.line, "unknown state " + name.text);
      const std::optional<std::uint32_t> number = info->valueByName(value.text);
      if (!number) fail(value.line, "unknown value " + value.text + " for " + name.text);
      for (const StateValue& other : result) {
        if (other.state == info->state) fail(name.line, name.text + " set twice");
      }
      result.push_back({info->state, *number});
    }
    return result;
  }

  std::uint32_t stageReference(const Token& name, StageKind kind) {
    const auto found = stageIndex_.find(name.text);
    if (found == stageIndex_.end()) fail(name.line, "unknown stage " + name.text);
    if (effect_.stages[found->second].kind != kind) {
      fail(name.line, "stage " + name.text + " is of the wrong kind");
    }
    return found->second;
  }

  void technique() {
    platform::d3dx9::TechniqueDescription technique;
    const Token name = expectIdentifier("a technique name");
    technique.name = name.text;
    for (const auto& other : effect_.techniques) {
      if (other.name == technique.name) fail(name.line, "technique " + name.text + " twice");
    }
    expect("{");
    while (!accept("}")) {
      const Token keyword = expectIdentifier("'pass'");
      if (keyword.text != "pass") fail(keyword.line, "expected 'pass'");
      if (token_.kind != Token::kNumber || token_.text != std::to_string(technique.passes.size())) {
        fail(token_.line, "passes are numbered 0, 1, 2... in order; expected pass " +
                              std::to_string(technique.passes.size()));
      }
      if (technique.passes.size() >= platform::d3dx9::kMaxPasses) {
        fail(token_.line, "too many passes");
      }
      advance();
      expect("{");
      technique.passes.push_back(pass(keyword.line));
    }
    if (technique.passes.empty()) fail(name.line, "technique " + name.text + " has no pass");
    effect_.techniques.push_back(std::move(technique));
  }

  platform::d3dx9::PassDescription pass(int line) {
    platform::d3dx9::PassDescription pass;
    bool vertex = false;
    bool fragment = false;
    while (!accept("}")) {
      const Token name = expectIdentifier("a state name");
      expect("=");
      const Token value = expectIdentifier("a value");
      expect(";");
      if (name.text == "VertexShader") {
        if (vertex) fail(name.line, "VertexShader set twice");
        pass.vertexStage = stageReference(value, StageKind::kVertex);
        vertex = true;
        continue;
      }
      if (name.text == "FragmentShader" || name.text == "PixelShader") {
        if (fragment) fail(name.line, "FragmentShader set twice");
        pass.fragmentStage = stageReference(value, StageKind::kFragment);
        fragment = true;
        continue;
      }
      const StateInfo* info = platform::d3dx9::findRenderState(name.text);
      if (!info) fail(name.line, "unknown render state " + name.text);
      const std::optional<std::uint32_t> number = info->valueByName(value.text);
      if (!number) fail(value.line, "unknown value " + value.text + " for " + name.text);
      for (const StateValue& other : pass.renderStates) {
        if (other.state == info->state) fail(name.line, name.text + " set twice");
      }
      pass.renderStates.push_back({info->state, *number});
    }
    if (!vertex || !fragment) fail(line, "a pass needs a VertexShader and a FragmentShader");
    return pass;
  }

  Lexer lexer_;
  Token token_;
  EffectDescription effect_;
  std::map<std::string, StructType> structs_;
  std::set<std::string> declared_;
  std::map<std::string, std::uint32_t> stageIndex_;
  std::string declarations_;
  std::size_t textures_ = 0;
  static constexpr int kMaxNesting = 32;
  int nesting_ = 0;  // of the initializer's factors being parsed
};

}  // namespace

bool parseEffectSource(const std::string& source, ParsedEffect& parsed, SourceError& error) {
  try {
    Parser(source).parse(parsed);
    return true;
  } catch (const Failure& failure) {
    error = failure.error;
    return false;
  }
}

}  // namespace fxc
