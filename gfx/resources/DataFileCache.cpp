#include "gfx/resources/DataFileCache.h"

#include <fileapi.h>
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
  std::vector<char> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      const std::string exe(path.data(), length);
      const std::size_t slash = exe.rfind('/');
      return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
    }
    path.resize(path.size() * 2);  // cut short: the whole path needs a larger buffer
  }
}

std::string& chosenDataFolder() {
  static std::string folder;
  return folder;
}

std::vector<std::string> candidatePaths(const std::string& name) {
  std::vector<std::string> paths;
  // The folders other than the working folder are data folders themselves: a name that
  // already says "data/" (the model's) is looked for there without it.
  const bool relative = !name.empty() && name[0] != '/';
  const std::string inData = name.rfind("data/", 0) == 0 ? name.substr(5) : name;
  if (relative && !chosenDataFolder().empty()) paths.push_back(chosenDataFolder() + "/" + inData);
  paths.push_back("data/" + name);
  paths.push_back(name);
  if (relative) {
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
// A named pipe or a device under a data file's name is refused: CreateFileA does not wait for
// a writer, and only a file on disk is read.
std::optional<FileContent> readWhole(const std::string& path) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<FileContent> content;
  LARGE_INTEGER size;
  if (GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &size) && size.QuadPart >= 0 &&
      size.QuadPart <= std::numeric_limits<std::uint32_t>::max()) {
    FileContent read;
    read.size = static_cast<std::uint32_t>(size.QuadPart);
    read.data.reset(new unsigned char[read.size]);
    DWORD bytesRead = 0;
    if (ReadFile(file, read.data.get(), read.size, &bytesRead, nullptr) && bytesRead == read.size) {
      content = std::move(read);
    }
  }
  CloseHandle(file);
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

void useDataFolder(std::string folder) { chosenDataFolder() = std::move(folder); }

std::string findDataFile(const std::string& name) {
  for (const std::string& path : candidatePaths(name)) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) {
      return path;
    }
  }
  return {};
}

std::string dataFile(const char* name) {
  DataFileCache::instance()->load(name);
  return name;
}

std::string dataFile(const std::string& name) { return dataFile(name.c_str()); }

}  // namespace vantor
