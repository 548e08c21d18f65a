#include "PictureReload.h"

#include <chrono>

#include "SavedFile.h"
#include "gfx/resources/DataFileCache.h"
#include "gfx/resources/GraphicsContext.h"

namespace live {

namespace {

bool isPicture(const std::string& name) {
  for (const char* suffix : {".jpg", ".jpeg", ".png"}) {
    const std::string end(suffix);
    if (name.size() > end.size() && name.compare(name.size() - end.size(), end.size(), end) == 0)
      return true;
  }
  return false;
}

}  // namespace

PictureReload::PictureReload(std::string folder, std::function<void(const std::string&)> say)
    : folder_(std::move(folder)), say_(std::move(say)) {}

void PictureReload::apply(const std::vector<std::string>& saved) {
  for (const std::string& name : saved) {
    // Only pictures the program has loaded: another file has no texture to make anew.
    if (isPicture(name) && vantor::DataFileCache::instance()->find(name)) reload(name);
  }
}

void PictureReload::reload(const std::string& name) {
  const auto start = std::chrono::steady_clock::now();
  SavedFile picture;
  std::string error = "the file cannot be read";
  if (!readSavedFile(folder_ + "/" + name, picture) ||
      !vantor::GraphicsContext::instance()->remakeTextures(name, picture.bytes.data(),
                                                           picture.bytes.size(), error)) {
    const std::string line = name + ": " + error + "; the last good picture stays";
    say_(line);
    errors_[name] = {line};
    return;
  }
  errors_.erase(name);
  const double tookMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  say_("reloaded " + name + " in " +
       std::to_string(static_cast<long>(picture.savedAgoMs + tookMs)) + " ms");
}

}  // namespace live
