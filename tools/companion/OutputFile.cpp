#include "OutputFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace companion {

std::string writingPathFor(const std::string& path) {
  struct stat status;
  if (stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode)) {
    return path;
  }
  return path + ".partial";
}

bool standardOutputWritten(const char* tool) {
  errno = 0;
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
  std::fprintf(stderr, "%s: standard output could not be written: %s\n", tool,
               std::strerror(errno ? errno : EIO));
  return false;
}

OutputFile::OutputFile(std::string path)
    : path_(std::move(path)), writing_(writingPathFor(path_)) {}

OutputFile::~OutputFile() { discard(); }

std::string OutputFile::failure(int code) const {
  return "cannot write " + path_ + ": " + std::strerror(code);
}

bool OutputFile::open(std::string& error) {
  file_ = std::fopen(writing_.c_str(), "wb");
  if (!file_) {
    error = failure(errno);
    return false;
  }
  return true;
}

bool OutputFile::write(const void* bytes, std::size_t size, std::string& error) {
  if (!file_) {
    error = "cannot write " + path_ + ": the file is not open";
    return false;
  }
  if (std::fwrite(bytes, 1, size, file_) == size) return true;
  if (!firstError_) firstError_ = errno ? errno : EIO;
  error = failure(firstError_);
  return false;
}

bool OutputFile::commit(std::string& error) {
  if (!file_) {
    error = "cannot write " + path_ + ": the file is not open";
    return false;
  }
  int code = firstError_;
  if (!code && std::ferror(file_)) code = EIO;
  if (!code && std::fflush(file_) != 0) code = errno;
  // A regular file's blocks may only be allocated at the sync (delayed allocation, network
  // file systems): a full disk shows there, not at the write.
  const bool inPlace = writing_ == path_;
  if (!code && !inPlace && fsync(fileno(file_)) != 0) code = errno;
  const int closed = std::fclose(file_);
  file_ = nullptr;
  if (!code && closed != 0) code = errno;
  if (!code && !inPlace && std::rename(writing_.c_str(), path_.c_str()) != 0) code = errno;
  if (code) {
    if (!inPlace) unlink(writing_.c_str());
    writing_.clear();
    error = failure(code);
    return false;
  }
  writing_.clear();  // committed: nothing to discard
  return true;
}

void OutputFile::discard() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  if (!writing_.empty() && writing_ != path_) unlink(writing_.c_str());
  writing_.clear();
}

}  // namespace companion
