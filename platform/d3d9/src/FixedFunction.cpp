#include "FixedFunction.h"

#include <cstdio>
#include <string>

#include "DeviceGl.h"

namespace platform::d3d9 {

namespace {

std::string argument(DWORD arg, bool alpha) {
  std::string value;
  switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_TEXTURE: value = "textureColour"; break;
    case D3DTA_TFACTOR: value = "textureFactor"; break;
    default: value = "diffuse"; break;  // DIFFUSE, and CURRENT at stage 0
  }
  return alpha ? value + ".a" : value + ".rgb";
}

std::string operation(DWORD op, DWORD arg1, DWORD arg2, bool alpha) {
  const std::string a = argument(arg1, alpha);
  const std::string b = argument(arg2, alpha);
  switch (op) {
    case D3DTOP_SELECTARG1: return a;
    case D3DTOP_SELECTARG2: return b;
    case D3DTOP_MODULATE: return a + " * " + b;
    case D3DTOP_MODULATE2X: return "clamp(2.0 * " + a + " * " + b + ", 0.0, 1.0)";
    case D3DTOP_MODULATE4X: return "clamp(4.0 * " + a + " * " + b + ", 0.0, 1.0)";
    case D3DTOP_ADD: return "clamp(" + a + " + " + b + ", 0.0, 1.0)";
    default: return alpha ? "diffuse.a" : "diffuse.rgb";  // DISABLE passes the diffuse on
  }
}

GLuint compile(const GlDialect& dialect, GLenum stage, const std::string& source) {
  GLuint shader = glCreateShader(stage);
  const std::string stageText = dialect.stageText(stage, source);
  const char* text = stageText.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[1024] = {};
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    std::fprintf(stderr, "d3d9: fixed-function shader rejected: %s\n", log);
  }
  return shader;
}

}  // namespace

FixedFunction::~FixedFunction() {
  for (auto& [key, program] : programs_) glDeleteProgram(program.program);
}

const FixedFunctionProgram& FixedFunction::program(const FixedFunctionKey& key) {
  auto found = programs_.find(key);
  if (found != programs_.end()) return found->second;

  // Both dialects take the same code after their version line (and ES's precision).
  const bool es = dialect_.kind() == Dialect::kEs3;
  const std::string version =
      es ? "#version 300 es\nprecision highp float;\n" : "#version 450 core\n";
  // Vertex colours arrive as B, G, R, A where the attribute cannot read them so.
  const char* diffuseInput = dialect_.readsBgraVertexColours() ? "inDiffuse" : "inDiffuse.bgra";
  const std::string vertex = version + "layout(location = " + std::to_string(kPosition) +
                             ") in vec3 inPosition;\n"
                             "layout(location = " +
                             std::to_string(kTexcoord0) +
                             ") in vec2 inTexcoord0;\n"
                             "layout(location = " +
                             std::to_string(kDiffuse) +
                             ") in vec4 inDiffuse;\n"
                             "uniform mat4 worldViewProjection;\n"
                             "out vec2 texcoord;\n"
                             "out vec4 vertexDiffuse;\n"
                             "void main() {\n"
                             "  gl_Position = vec4(inPosition, 1.0) * worldViewProjection;\n"
                             "  texcoord = " +
                             std::string(key.hasTexcoord0 ? "inTexcoord0" : "vec2(0.0)") +
                             ";\n"
                             "  vertexDiffuse = " +
                             std::string(key.hasDiffuse ? diffuseInput : "vec4(1.0)") +
                             ";\n"
                             "}\n";

  std::string diffuse = "vertexDiffuse";
  if (key.lighting) diffuse = key.hasDiffuse ? "vec4(0.0, 0.0, 0.0, vertexDiffuse.a)" : "vec4(0.0)";
  const std::string fragment =
      version +
      "in vec2 texcoord;\n"
      "in vec4 vertexDiffuse;\n"
      "uniform sampler2D stage0;\n"
      "uniform vec4 textureFactor;\n"
      "layout(location = 0) out vec4 colour;\n"
      "void main() {\n"
      "  vec4 diffuse = " +
      diffuse +
      ";\n"
      "  vec4 textureColour = " +
      std::string(key.textureBound ? "texture(stage0, texcoord)" : "vec4(1.0)") +
      ";\n"
      "  colour.rgb = " +
      operation(key.colourOp, key.colourArg1, key.colourArg2, false) +
      ";\n"
      "  colour.a = " +
      operation(key.alphaOp, key.alphaArg1, key.alphaArg2, true) +
      ";\n"
      "}\n";

  GLuint program = glCreateProgram();
  GLuint vs = compile(dialect_, GL_VERTEX_SHADER, vertex);
  GLuint fs = compile(dialect_, GL_FRAGMENT_SHADER, fragment);
  glAttachShader(program, vs);
  glAttachShader(program, fs);
  glLinkProgram(program);
  glDeleteShader(vs);
  glDeleteShader(fs);
  GLint linked = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &linked);
  FixedFunctionProgram built{0, -1, -1};
  if (linked) {
    built = {program, glGetUniformLocation(program, "worldViewProjection"),
             glGetUniformLocation(program, "textureFactor")};
    const GLint unit = 0;
    dialect_.setUniform(program, glGetUniformLocation(program, "stage0"), UniformType::kInt, 1,
                        &unit);
  } else {
    std::fprintf(stderr, "d3d9: fixed-function program did not link\n");
    glDeleteProgram(program);
  }
  return programs_.emplace(key, built).first->second;
}

}  // namespace platform::d3d9
