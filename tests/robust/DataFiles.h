// The data files the invitation reads, by the names it asks for them.
#pragma once

#include <string>
#include <vector>

namespace robust {

inline const std::vector<std::string>& dataFileNames() {
  static const std::vector<std::string> names = {
      "kestuinvi.mp3",   "loading.jpg",      "moon_normal.jpg", "kivei.jpg",
      "bg.jpg",          "grilli9.x",        "SolidObject.fxo", "MappedBlur.fxo",
      "BloomEffect.fxo", "invitation.tracks"};
  return names;
}

// The music is opened by the shell through the music library, never through the data file
// cache; every other file is read through the cache.
inline bool readByTheShell(const std::string& name) { return name == "kestuinvi.mp3"; }

}  // namespace robust
