// Creates each effect once from the bytes of its cached data file and hands the same effect
// to every user of that file name. Owns the effects until destroy() at shutdown.
#pragma once

#include <d3dx9.h>

#include <deque>
#include <string>

namespace vantor {

class EffectHandler {
 public:
  // The singleton, created empty on the first call.
  static EffectHandler* instance();
  // Releases every effect and frees the handler; the next instance() starts afresh.
  static void destroy();

  // The effect of that data file (loaded into the DataFileCache by the caller), created on
  // first request. A file that was never loaded or does not hold an effect ends the process.
  ID3DXEffect* getEffect(const std::string& name);
  // Where the effect of that data file is kept, made as getEffect makes it. The place stays
  // put until destroy() and always holds the file's current effect (remakeEffect replaces
  // what it holds), so a handle keeps the place instead of looking the name up per call.
  ID3DXEffect* const* effectSlot(const std::string& name);
  // The data file an effect of this handler was created from; empty for any other effect.
  std::string fileOf(const ID3DXEffect* effect) const;
  // Makes the effect behind that file name anew from new compiled bytes (a tool's reload
  // while the demo runs, between frames: no handle may be begun). The new effect takes the
  // old one's place for every handle on that name and starts with the new bytes' defaults.
  // When the bytes do not make an effect, false with the reason in `error`, and the effect
  // that was there stays.
  bool remakeEffect(const std::string& name, const void* bytes, std::size_t size,
                    std::string& error);

 private:
  struct Entry {
    std::string name;
    ID3DXEffect* effect;  // owned; null until created
  };
  EffectHandler() = default;
  std::deque<Entry> entries;  // in order of first request; a deque keeps each in its place
};

}  // namespace vantor
