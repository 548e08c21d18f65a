// A file of a watched folder read whole just after it was saved, with how long ago the save
// was (its modification time): the start of a reload's save-to-picture latency.
#pragma once

#include <string>

namespace live {

struct SavedFile {
  std::string bytes;
  double savedAgoMs = 0.0;  // wall time from the file's modification to the read
};

// False when the file cannot be opened, read whole or stat'ed.
bool readSavedFile(const std::string& path, SavedFile& file);

}  // namespace live
