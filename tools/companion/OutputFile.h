// A file the companion programs write as their result, checked to its end. A new or regular
// file is written to a temporary file beside it and takes its name only once every byte is
// on the disk, so that a failed write leaves nothing under the name, nor a partial file. An
// existing file that is not a regular file (a device such as /dev/stdout, a pipe) is written
// in place, since it cannot be replaced.
#pragma once

#include <cstdio>
#include <string>

namespace companion {

// Where a result for path is written: path itself when it names an existing file that is not
// a regular file, otherwise path + ".partial".
std::string writingPathFor(const std::string& path);

// Flushes standard output, where the programs print their result lines; false, with a line
// on standard error naming tool and the reason, when any of it could not be written.
bool standardOutputWritten(const char* tool);

class OutputFile {
 public:
  explicit OutputFile(std::string path);
  // Discards what was written unless commit succeeded.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Opens the file for writing; false with error set ("cannot write PATH: reason").
  bool open(std::string& error);
  // The open stream; null before open and after commit or discard.
  std::FILE* stream() const { return file_; }
  // Writes all of bytes; false with error set on a short write.
  bool write(const void* bytes, std::size_t size, std::string& error);
  // Flushes, syncs and closes the file and gives it its name; false with error set, and
  // nothing left behind, when any of that fails or an earlier write did.
  bool commit(std::string& error);
  // Closes the file and removes the temporary one.
  void discard();

 private:
  std::string failure(int code) const;

  std::string path_;
  std::string writing_;
  std::FILE* file_ = nullptr;
  int firstError_ = 0;  // errno of the first failed write
};

}  // namespace companion
