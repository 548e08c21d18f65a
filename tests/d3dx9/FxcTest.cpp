// tools/fxc as the build runs it: errors name the source file and line and fail the run.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>

#include "FxoFormat.h"

namespace {

struct FxcRun {
  int status = -1;
  std::string output;
};

FxcRun runFxc(const std::string& source) {
  const std::string command =
      std::string(FXC_PATH) + " " + source + " -o " + testing::TempDir() + "/out.fxo 2>&1";
  FxcRun run;
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[512];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe)) run.output += buffer;
  const int status = pipe ? pclose(pipe) : -1;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string writeSource(const std::string& name, const std::string& text) {
  const std::string path = testing::TempDir() + "/" + name;
  std::ofstream(path) << text;
  return path;
}

TEST(Fxc, BrokenGlslFailsWithFileAndLine) {
  const FxcRun run = runFxc(VANTOR_SOURCE_DIR "/tests/d3dx9/BrokenGlsl.fx");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("BrokenGlsl.fx:11: error:"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("colour"), std::string::npos) << run.output;
}

TEST(Fxc, DeclarationErrorsNameTheirLine) {
  const std::string stages =
      "vertex V { void main() { gl_Position = vec4(0.0); } }\n"
      "fragment F { layout(location = COLOR0) out vec4 c; void main() { c = vec4(1.0); } }\n";
  struct Case {
    std::string text;
    std::string expected;
  } cases[] = {
      {"float4 a;\nfloat9 b;\n", ":2: error: unknown type float9"},
      {"float4 a;\nfloat4 a;\n", ":2: error: parameter a declared twice"},
      {stages + "technique T {\n pass 1 { VertexShader = V; FragmentShader = F; }\n}\n",
       ":4: error: passes are numbered"},
      {stages + "technique T {\n pass 0 {\n VertexShader = V; FragmentShader = F;\n"
                "  CullMode = Sideways;\n }\n}\n",
       ":6: error: unknown value Sideways for CullMode"},
      {stages + "technique T { pass 0 { VertexShader = F; FragmentShader = F; } }\n",
       ":3: error: stage F is of the wrong kind"},
      {"float4 a;\n", ":1: error: the effect has no technique"},
      // Initializers: only earlier parameters, of the declared type, well formed.
      {"float4x4 m;\nfloat4 a = m * b;\nfloat4 b;\n", ":2: error: the initializer reads b"},
      {"float4x4 m;\nfloat4 a = m * m;\n", ":2: error: the initializer of a is not of its type"},
      {"float4 a[2] = float4(1, 2, 3, 4);\n", ":1: error: the initializer of a is not of its type"},
      {"float4 a = float4(1, 2, 3);\n", ":1: error: expected ','"},
      {"float a = ((((((((((((((((((((((((((((((((((1))))))))))))))))))))))))))))))))));\n",
       ":1: error: the initializer is longer than 64 steps or nested too deeply"},
      // A GLSL error in the generated declarations is reported at the declaring line.
      {"\nfloat4 sample;\n" + stages +
           "technique T { pass 0 { VertexShader = V; FragmentShader = F; } }\n",
       ":2: error:"},
  };
  for (const Case& c : cases) {
    const FxcRun run = runFxc(writeSource("case.fx", c.text));
    EXPECT_EQ(run.status, 1) << c.text;
    EXPECT_NE(run.output.find("case.fx" + c.expected), std::string::npos) << c.text << "\n"
                                                                          << run.output;
  }
}

TEST(Fxc, CompilesAValidEffect) {
  const FxcRun run = runFxc(VANTOR_SOURCE_DIR "/tests/d3dx9/TwoTargets.fx");
  EXPECT_EQ(run.status, 0) << run.output;
}

// The ES text is what an ES driver compiles, and the effect finds parameters in it by the
// names the engine sets: plain uniforms, struct members and array elements must survive the
// trip through SPIR-V, and so must the locations the device binds.
TEST(Fxc, WritesEveryStageAsEsWithTheNamesAndLocationsKept) {
  std::ifstream in(TEST_EFFECT_DIR "/TwoTargets.fxo", std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                        std::istreambuf_iterator<char>()};
  platform::d3dx9::EffectDescription effect;
  std::string error;
  ASSERT_TRUE(platform::d3dx9::readFxo(bytes.data(), bytes.size(), effect, error)) << error;
  std::map<std::string, std::string> es;
  for (const auto& stage : effect.stages) {
    EXPECT_EQ(stage.glslEs.rfind("#version 300 es\n", 0), 0u) << stage.name;
    // ES 3.00 has no sampler units or uniform locations in the text.
    EXPECT_EQ(stage.glslEs.find("binding"), std::string::npos) << stage.glslEs;
    es[stage.name] = stage.glslEs;
  }
  const std::string& quad = es["Quad"];
  EXPECT_NE(quad.find("layout(location = 0) in vec3 position;"), std::string::npos) << quad;
  EXPECT_NE(quad.find("layout(location = 2) in vec2 uv;"), std::string::npos) << quad;
  EXPECT_NE(quad.find("out vec2 texCoord;"), std::string::npos) << quad;
  const std::string& colours = es["TwoColours"];
  EXPECT_NE(colours.find("precision highp float;"), std::string::npos) << colours;
  EXPECT_NE(colours.find("layout(location = 1) out vec4 target1;"), std::string::npos) << colours;
  EXPECT_NE(colours.find("in vec2 texCoord;"), std::string::npos) << colours;
  EXPECT_NE(colours.find("uniform Material material;"), std::string::npos) << colours;
  EXPECT_NE(colours.find("uniform PointLight pointLight[10];"), std::string::npos) << colours;
  EXPECT_NE(colours.find("material.ambient + (pointLight[9].color"), std::string::npos) << colours;
  EXPECT_NE(es["Textured"].find("uniform highp sampler2D tex;"), std::string::npos);
}

TEST(Fxc, AStageThatCannotBeWrittenAsEsFailsWithFileAndLine) {
  const std::string fragment =
      "fragment F { layout(location = COLOR0) out vec4 c; void main() { c = vec4(1.0); } }\n"
      "technique T { pass 0 { VertexShader = V; FragmentShader = F; } }\n";
  struct Case {
    std::string body;
    std::string expected;
  } cases[] = {
      {"double d = 1.0lf; gl_Position = vec4(float(d));", "cannot be written as ES: FP64"},
      {"gl_Position = vec4(0.0); gl_ClipDistance[0] = 1.0;", "as ES 3.00: "},
      {"gl_Position = vec4(float(bitCount(5u)));", "as ES 3.00: "},
  };
  for (const Case& c : cases) {
    const std::string text = "float a;\n\nvertex V {\n void main() {\n  " + c.body + "\n }\n}\n";
    const FxcRun run = runFxc(writeSource("es.fx", text + fragment));
    EXPECT_EQ(run.status, 1) << c.body;
    EXPECT_NE(run.output.find("es.fx:3: error: stage V " + c.expected), std::string::npos)
        << c.body << "\n"
        << run.output;
  }
}

}  // namespace
