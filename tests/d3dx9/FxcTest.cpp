// tools/fxc as the build runs it: errors name the source file and line and fail the run.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>

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

}  // namespace
