// Whole data files read into memory once and kept, keyed by the name they were asked for.
//
// Loaders of effects, textures and models pass their file name through dataFile() and then
// ask the cache for data and size. The cache owns every buffer for the whole run: a pointer
// from data() stays valid until the process ends.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>

namespace vantor {

struct FileEntry {
  std::string name;                       // exactly as given to load; the key
  std::unique_ptr<unsigned char[]> data;  // the whole content, no terminating zero; never null
  std::uint32_t size = 0;                 // in bytes
};

class DataFileCache {
 public:
  // The process-wide cache, created empty on first use and never destroyed.
  static DataFileCache* instance();

  // The entry of exactly that name (case-sensitive), or null.
  FileEntry* find(const std::string& name);

  // Reads the file into the cache unless an entry of that name (not null) exists. The file
  // is looked for in the data folder a tool chose (useDataFolder), as "data/" + name, as name, then
  // (for relative names) in the data folder beside the executable, in the data folder of an
  // installation that holds the executable (../share/kestu09/data from its folder) and in the
  // installed data folder. A file that opens but cannot be read whole counts as missing. When every
  // place fails, the box "Couldn't open file!" is shown, the quit message is posted and no entry is
  // added.
  void load(const char* name);

  // The entry's content and size; null and 0 for a name that was never loaded. Neither
  // loads anything.
  const unsigned char* data(const std::string& name);
  std::uint32_t size(const std::string& name);

 private:
  DataFileCache() = default;

  std::deque<FileEntry> entries;  // insertion order; a deque keeps entries in place
};

// Makes folder the first place every data file is looked for (a tool's choice of data
// folder, the viewer's say), before those load names; an empty folder takes the choice back.
// Names are looked for there without a leading "data/". Call before the files are loaded:
// what the cache holds stays.
void useDataFolder(std::string folder);

// Where load would find the file: the first of its places that holds a regular file, or empty
// when none does. For files opened by others than the cache (the music).
std::string findDataFile(const std::string& name);

// Loads name into the cache and returns it, for loaders that then read the cache.
std::string dataFile(const char* name);
std::string dataFile(const std::string& name);

}  // namespace vantor
