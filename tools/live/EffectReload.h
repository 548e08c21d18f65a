// Effect sources reloaded while the program runs: a saved source is compiled in process and
// the effect behind its compiled file is made anew before the next frame. A source that does
// not compile, or would drop a parameter or technique that the program uses, leaves the last
// good effect in place; its error stays on record until the next good compile of that file.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace live {

class EffectReload {
 public:
  // folder holds the sources ("SolidObject.fx" for the program's "SolidObject.fxo"); say
  // receives one line per reload or error.
  EffectReload(std::string folder, std::function<void(const std::string&)> say);

  // The saved names (from the folder's watch): each source whose effect the program has
  // loaded is compiled and its effect made anew. Between frames only.
  void apply(const std::vector<std::string>& saved);

  // "SolidObject.fx:87: message" lines of the sources whose latest save did not compile.
  const std::map<std::string, std::vector<std::string>>& errors() const { return errors_; }
  // From the save (the file's modification time) to the new effect in place, of the latest
  // reload; negative before the first.
  double lastLatencyMs() const { return lastLatencyMs_; }

 private:
  struct Names {
    std::vector<std::string> parameters;
    std::vector<std::string> techniques;
  };
  void reload(const std::string& name);

  std::string folder_;
  std::function<void(const std::string&)> say_;
  std::map<std::string, Names> lastGood_;  // by source name; from the first good compile on
  std::map<std::string, std::vector<std::string>> errors_;
  double lastLatencyMs_ = -1.0;
};

}  // namespace live
