// Files of one folder that were saved: written and closed, or moved in (editors that save by
// writing a temporary file and renaming it over the old one).
#pragma once

#include <string>
#include <vector>

namespace live {

class SourceWatch {
 public:
  // When the folder cannot be watched, error() says why and changed() answers nothing.
  explicit SourceWatch(std::string folder);
  ~SourceWatch();
  SourceWatch(const SourceWatch&) = delete;
  SourceWatch& operator=(const SourceWatch&) = delete;

  const std::string& folder() const { return folder_; }
  const std::string& error() const { return error_; }
  // The names (without the folder) saved since the last call, each once, in order; never
  // waits.
  std::vector<std::string> changed();

 private:
  std::string folder_;
  std::string error_;
  int fd_ = -1;
};

}  // namespace live
