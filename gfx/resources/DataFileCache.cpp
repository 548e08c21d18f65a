#include "gfx/resources/DataFileCache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <windows.h>

#include <cstdio>
#include <limits>
#include <optional>
#include <vector>

#include "Core/Progress.h"

namespace vantor {

namespace {

// The folder of the running executable, with a trailing slash; empty if unknown.
std::string executableFolder() {
  std::vector<char> path(4096);
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (length <= 0) return {};
  const std::string exe(path.data(), static_cast<std::size_t>(length));
  const std::size_t slash = exe.rfind('/');
  return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}

std::vector<std::string> candidatePaths(const std::string& name) {
  std::vector<std::string> paths = {"data/" + name, name};
  if (!name.empty() && name[0] != '/') {
    // The folders below are data folders themselves: a name that already says "data/" (the
    // model's) is looked for there without it.
    const std::string inData = name.rfind("data/", 0) == 0 ? name.substr(5) : name;
    static const std::string beside = executableFolder();
    if (!beside.empty()) {
      paths.push_back(beside + "data/" + inData);
      // An installation moved or made under another prefix keeps its layout.
      paths.push_back(beside + VANTOR_INSTALLED_DATA_FROM_BIN "/" + inData);
    }
    paths.push_back(std::string(VANTOR_INSTALLED_DATA_DIR) + "/" + inData);
  }
  return paths;
}

struct FileContent {
  std::unique_ptr<unsigned char[]> data;
  std::uint32_t size = 0;
};

// The whole content of a regular file, or nothing when it cannot be opened or read whole.
// Opened without blocking, so that a named pipe or a device under a data file's name is
// refused instead of waiting for a writer that never comes.
std::optional<FileContent> readWhole(const std::string& path) {
  const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) return std::nullopt;
  struct stat status;
  if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) ||
      fcntl(descriptor, F_SETFL, 0) != 0) {
    close(descriptor);
    return std::nullopt;
  }
  std::FILE* file = fdopen(descriptor, "rb");
  if (!file) {
    close(descriptor);
    return std::nullopt;
  }
  std::optional<FileContent> content;
  if (fseeko(file, 0, SEEK_END) == 0) {
    const off_t end = ftello(file);
    if (end >= 0 && end <= std::numeric_limits<std::uint32_t>::max() &&
        fseeko(file, 0, SEEK_SET) == 0) {
      FileContent read;
      read.size = static_cast<std::uint32_t>(end);
      read.data.reset(new unsigned char[read.size]);
      if (std::fread(read.data.get(), 1, read.size, file) == read.size) {
        content = std::move(read);
      }
    }
  }
  std::fclose(file);
  return content;
}

}  // namespace

DataFileCache* DataFileCache::instance() {
  static DataFileCache* const cache = new DataFileCache;
  return cache;
}

FileEntry* DataFileCache::find(const std::string& name) {
  for (FileEntry& entry : entries) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

void DataFileCache::load(const char* name) {
  if (find(name)) return;
  for (const std::string& path : candidatePaths(name)) {
    if (std::optional<FileContent> content = readWhole(path)) {
      entries.push_back({name, std::move(content->data), content->size});
      return;
    }
  }
  // The box does not say which file; standard error does.
  std::fprintf(stderr, "vantor: the data file \"%s\" cannot be opened\n", name);
  progressPoint();
  MessageBoxA(nullptr, "Couldn't open file!", "error", MB_OK);
  PostQuitMessage(0);
}

const unsigned char* DataFileCache::data(const std::string& name) {
  const FileEntry* entry = find(name);
  return entry ? entry->data.get() : nullptr;
}

std::uint32_t DataFileCache::size(const std::string& name) {
  const FileEntry* entry = find(name);
  return entry ? entry->size : 0;
}

std::string findDataFile(const std::string& name) {
  for (const std::string& path : candidatePaths(name)) {
    struct stat status;
    if (stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) return path;
  }
  return {};
}

std::string dataFile(const char* name) {
  DataFileCache::instance()->load(name);
  return name;
}

std::string dataFile(const std::string& name) { return dataFile(name.c_str()); }

}  // namespace vantor
