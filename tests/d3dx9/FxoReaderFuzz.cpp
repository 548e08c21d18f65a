// libFuzzer target for the .fxo reader: no input may crash or over-read it, and whatever it
// accepts must write back to the very same bytes (the format has one encoding per effect).
#include <cstdint>
#include <cstdlib>

#include "FxoFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  platform::d3dx9::EffectDescription effect;
  std::string error;
  if (platform::d3dx9::readFxo(data, size, effect, error)) {
    const std::vector<std::uint8_t> written = platform::d3dx9::writeFxo(effect);
    if (written != std::vector<std::uint8_t>(data, data + size)) std::abort();
  }
  return 0;
}
