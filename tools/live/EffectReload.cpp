#include "EffectReload.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "EffectCompiler.h"
#include "SavedFile.h"
#include "gfx/resources/DataFileCache.h"
#include "gfx/resources/EffectHandler.h"

namespace live {

namespace {

constexpr const char* kSourceSuffix = ".fx";

bool endsWith(const std::string& text, const std::string& suffix) {
  return text.size() > suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The first name of `before` that `after` lacks, or empty.
std::string firstMissing(const std::vector<std::string>& before,
                         const std::vector<std::string>& after) {
  for (const std::string& name : before) {
    if (std::find(after.begin(), after.end(), name) == after.end()) return name;
  }
  return {};
}

}  // namespace

EffectReload::EffectReload(std::string folder, std::function<void(const std::string&)> say)
    : folder_(std::move(folder)), say_(std::move(say)) {
  // What the sources declare now is what the program will set: later saves must keep it.
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder_, error)) {
    const std::string name = entry.path().filename().string();
    SavedFile source;
    fxc::CompiledEffect compiled;
    std::vector<fxc::CompileMessage> messages;
    if (endsWith(name, kSourceSuffix) && readSavedFile(folder_ + "/" + name, source) &&
        fxc::compileEffect(source.bytes, compiled, messages)) {
      lastGood_[name] = {compiled.parameters, compiled.techniques};
    }
  }
}

void EffectReload::apply(const std::vector<std::string>& saved) {
  for (const std::string& name : saved) {
    if (!endsWith(name, kSourceSuffix)) continue;
    // Only effects the program has loaded: another source has no effect to make anew.
    if (!vantor::DataFileCache::instance()->find(name + "o")) continue;
    reload(name);
  }
}

void EffectReload::reload(const std::string& name) {
  const auto start = std::chrono::steady_clock::now();
  SavedFile source;
  std::vector<std::string> failure;
  fxc::CompiledEffect compiled;
  std::vector<fxc::CompileMessage> messages;
  if (!readSavedFile(folder_ + "/" + name, source)) {
    failure.push_back(name + ":1: the file cannot be read");
  } else if (!fxc::compileEffect(source.bytes, compiled, messages)) {
    for (const fxc::CompileMessage& message : messages) {
      failure.push_back(name + ":" + std::to_string(message.line) + ": " + message.text);
    }
  } else if (lastGood_.count(name)) {
    // The program sets these by name and ends at a setter the effect refuses.
    const Names& before = lastGood_.at(name);
    if (std::string gone = firstMissing(before.parameters, compiled.parameters); !gone.empty()) {
      failure.push_back(name + ":1: the parameter " + gone + " is gone; the program sets it");
    } else if (gone = firstMissing(before.techniques, compiled.techniques); !gone.empty()) {
      failure.push_back(name + ":1: the technique " + gone + " is gone; the program uses it");
    }
  }
  std::string error;
  if (failure.empty() && !vantor::EffectHandler::instance()->remakeEffect(
                             name + "o", compiled.bytes.data(), compiled.bytes.size(), error)) {
    failure.push_back(name + ":1: " + error);
  }
  if (!failure.empty()) {
    for (const std::string& line : failure) say_(line);
    errors_[name] = std::move(failure);
    return;
  }
  errors_.erase(name);
  lastGood_[name] = {compiled.parameters, compiled.techniques};
  const double tookMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  lastLatencyMs_ = source.savedAgoMs + tookMs;
  say_("reloaded " + name + " in " + std::to_string(static_cast<long>(lastLatencyMs_)) + " ms");
}

}  // namespace live
