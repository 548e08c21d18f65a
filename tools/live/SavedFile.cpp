#include "SavedFile.h"

#include <sys/stat.h>

#include <ctime>
#include <fstream>
#include <sstream>

namespace live {

bool readSavedFile(const std::string& path, SavedFile& file) {
  struct stat status;
  std::ifstream in(path, std::ios::binary);
  if (!in || stat(path.c_str(), &status) != 0) return false;
  std::stringstream content;
  content << in.rdbuf();
  if (in.bad()) return false;
  file.bytes = content.str();
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  file.savedAgoMs = static_cast<double>(now.tv_sec - status.st_mtim.tv_sec) * 1000.0 +
                    static_cast<double>(now.tv_nsec - status.st_mtim.tv_nsec) / 1e6;
  return true;
}

}  // namespace live
