// The .fxo reader on untrusted bytes: round trip, then every truncation and many bit flips of
// a real compiled effect must end in a clean refusal or a valid effect (ASan/UBSan catch
// over-reads in the sanitizer build).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>

#include "FxoFormat.h"

namespace {

using namespace platform::d3dx9;

std::vector<std::uint8_t> compiledTestEffect() {
  std::ifstream in(TEST_EFFECT_DIR "/TwoTargets.fxo", std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FxoFormat, RoundTripsAnEffect) {
  const auto bytes = compiledTestEffect();
  EffectDescription effect;
  std::string error;
  ASSERT_TRUE(readFxo(bytes.data(), bytes.size(), effect, error)) << error;
  EXPECT_EQ(writeFxo(effect), bytes);
  ASSERT_EQ(effect.techniques.size(), 3u);
  EXPECT_EQ(effect.techniques[1].passes.size(), 2u);
  bool found = false;
  bool worked = false;
  for (const auto& parameter : effect.parameters) {
    found = found ||
            (parameter.name == "pointLight[9].color" && parameter.type == ParameterType::kFloat4);
    worked = worked || (parameter.name == "worked" && !parameter.preshader.empty());
  }
  EXPECT_TRUE(found);
  EXPECT_TRUE(worked) << "the preshader travels with its parameter";
}

TEST(FxoFormat, SurvivesEveryTruncationAndRandomBitFlips) {
  const auto bytes = compiledTestEffect();
  ASSERT_FALSE(bytes.empty());
  EffectDescription effect;
  std::string error;
  for (std::size_t size = 0; size < bytes.size(); ++size) {
    EXPECT_FALSE(readFxo(bytes.data(), size, effect, error)) << "truncated to " << size;
  }
  std::mt19937 random(9);
  int accepted = 0;
  for (int round = 0; round < 20000; ++round) {
    auto flipped = bytes;
    const int flips = 1 + round % 3;
    for (int i = 0; i < flips; ++i) {
      flipped[random() % flipped.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
    }
    if (readFxo(flipped.data(), flipped.size(), effect, error)) {
      ++accepted;
      std::string again;
      EXPECT_TRUE(validateEffect(effect, again));
    }
  }
  // Flips inside GLSL text or a value that stays valid are accepted; most are not.
  EXPECT_LT(accepted, 20000);
}

// The ES section is read and checked like the 4.50 text: a stage whose ES text is damaged,
// missing or the other dialect's is refused, never handed on to a driver.
TEST(FxoFormat, RefusesADamagedEsSection) {
  const auto bytes = compiledTestEffect();
  EffectDescription effect;
  std::string error;
  ASSERT_TRUE(readFxo(bytes.data(), bytes.size(), effect, error)) << error;
  for (const StageDescription& stage : effect.stages) {
    EXPECT_EQ(stage.glslEs.rfind("#version 300 es\n", 0), 0u) << stage.name;
  }
  const std::string directive = "#version 300 es";
  const auto first = std::search(bytes.begin(), bytes.end(), directive.begin(), directive.end());
  ASSERT_NE(first, bytes.end());
  auto damaged = bytes;
  damaged[static_cast<std::size_t>(first - bytes.begin()) + 9] = '1';  // "#version 100 es"
  EXPECT_FALSE(readFxo(damaged.data(), damaged.size(), effect, error));
  auto withNul = bytes;
  withNul[static_cast<std::size_t>(first - bytes.begin()) + 20] = 0;
  EXPECT_FALSE(readFxo(withNul.data(), withNul.size(), effect, error));

  ASSERT_TRUE(readFxo(bytes.data(), bytes.size(), effect, error)) << error;
  auto swapped = effect;
  swapped.stages[0].glslEs = swapped.stages[0].glsl;
  EXPECT_FALSE(validateEffect(swapped, error));
  auto missing = effect;
  missing.stages[1].glslEs.clear();
  EXPECT_FALSE(validateEffect(missing, error));
  EXPECT_NE(error.find("GLSL ES"), std::string::npos) << error;
}

TEST(FxoFormat, RefusesHugeCountsWithoutAllocating) {
  std::vector<std::uint8_t> bytes = {'V', 'F', 'X',  'O',  kFxoVersion, 0,
                                     0,   0,   0xFF, 0xFF, 0xFF,        0x7F};
  EffectDescription effect;
  std::string error;
  EXPECT_FALSE(readFxo(bytes.data(), bytes.size(), effect, error));
  EXPECT_FALSE(readFxo(nullptr, 100, effect, error));
}

TEST(FxoFormat, ValidationRefusesBadReferencesAndStates) {
  EffectDescription effect;
  effect.stages = {
      {StageKind::kVertex, "V", "void main() {}", "#version 300 es\nvoid main() {}"},
      {StageKind::kFragment, "F", "void main() {}", "#version 300 es\nvoid main() {}"}};
  effect.techniques = {{"T", {{0, 1, {{7 /*ZEnable*/, 1}}}}}};
  std::string error;
  ASSERT_TRUE(validateEffect(effect, error)) << error;
  auto swapped = effect;
  swapped.techniques[0].passes[0] = {1, 0, {}};
  EXPECT_FALSE(validateEffect(swapped, error));
  auto badState = effect;
  badState.techniques[0].passes[0].renderStates = {{7, 99}};
  EXPECT_FALSE(validateEffect(badState, error));
  auto unknownState = effect;
  unknownState.techniques[0].passes[0].renderStates = {{12345, 0}};
  EXPECT_FALSE(validateEffect(unknownState, error));
  auto badName = effect;
  badName.parameters = {{"a[1", ParameterType::kFloat, 1, {}, {}}};
  EXPECT_FALSE(validateEffect(badName, error));
}

}  // namespace
