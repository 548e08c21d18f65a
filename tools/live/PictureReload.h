// Pictures of the data folder reloaded while the program runs: a saved picture that the
// program has loaded as a texture is decoded and every texture of it made anew before the
// next frame. A picture that does not decode leaves the last good one in place; its error
// stays on record until the next good save of that file.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace live {

class PictureReload {
 public:
  // folder holds the pictures under the names the program loads them by ("bg.jpg"); say
  // receives one line per reload or error.
  PictureReload(std::string folder, std::function<void(const std::string&)> say);

  // The saved names (from the folder's watch): each JPEG or PNG whose texture the program
  // has loaded is made anew. Between frames only.
  void apply(const std::vector<std::string>& saved);

  // "bg.jpg: reason; the last good picture stays" of the pictures whose latest save did not
  // decode, by file name.
  const std::map<std::string, std::vector<std::string>>& errors() const { return errors_; }

 private:
  void reload(const std::string& name);

  std::string folder_;
  std::function<void(const std::string&)> say_;
  std::map<std::string, std::vector<std::string>> errors_;
};

}  // namespace live
