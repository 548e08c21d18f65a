#include "gfx/resources/EffectHandler.h"

#include <cstdio>

#include "Core/Fatal.h"
#include "Core/Progress.h"
#include "gfx/resources/DataFileCache.h"
#include "gfx/resources/GraphicsContext.h"

namespace vantor {

namespace {
constexpr const char* kReportSource = "gfx\\EffectHandler";
EffectHandler* singleton = nullptr;
}  // namespace

EffectHandler* EffectHandler::instance() {
  if (!singleton) {
    progressPoint();
    singleton = new EffectHandler;
  }
  return singleton;
}

void EffectHandler::destroy() {
  progressPoint();
  if (!singleton) return;
  progressPoint();
  for (Entry& entry : singleton->entries) {
    if (entry.effect) entry.effect->Release();
  }
  delete singleton;
  singleton = nullptr;
}

ID3DXEffect* EffectHandler::getEffect(const std::string& name) { return *effectSlot(name); }

ID3DXEffect* const* EffectHandler::effectSlot(const std::string& name) {
  Entry* entry = nullptr;
  for (Entry& candidate : entries) {
    if (candidate.name == name) entry = &candidate;
  }
  if (entry && entry->effect) return &entry->effect;

  DataFileCache* cache = DataFileCache::instance();
  ID3DXEffect* effect = nullptr;
  const HRESULT result =
      D3DXCreateEffect(GraphicsContext::instance()->device(), cache->data(name), cache->size(name),
                       nullptr, nullptr, 0, nullptr, &effect, nullptr);
  // Name the file before the failed-assertion report, so a viewer learns which one it is.
  if (FAILED(result))
    std::fprintf(stderr, "vantor: the effect \"%s\" cannot be created\n", name.c_str());
  VANTOR_CHECK(result);
  if (entry) {
    entry->effect = effect;
  } else {
    entries.push_back({name, effect});
    entry = &entries.back();
  }
  progressPoint();
  return &entry->effect;
}

bool EffectHandler::remakeEffect(const std::string& name, const void* bytes, std::size_t size,
                                 std::string& error) {
  ID3DXEffect* effect = nullptr;
  ID3DXBuffer* messages = nullptr;
  const HRESULT result =
      D3DXCreateEffect(GraphicsContext::instance()->device(), bytes, static_cast<UINT>(size),
                       nullptr, nullptr, 0, nullptr, &effect, &messages);
  if (FAILED(result) || !effect) {
    error = "the effect cannot be created";
    if (messages && messages->GetBufferSize() > 0) {
      error.assign(static_cast<const char*>(messages->GetBufferPointer()),
                   messages->GetBufferSize());
      while (!error.empty() && (error.back() == '\0' || error.back() == '\n')) error.pop_back();
    }
    if (messages) messages->Release();
    return false;
  }
  if (messages) messages->Release();
  for (Entry& entry : entries) {
    if (entry.name != name) continue;
    if (entry.effect) entry.effect->Release();
    entry.effect = effect;
    return true;
  }
  entries.push_back({name, effect});
  return true;
}

std::string EffectHandler::fileOf(const ID3DXEffect* effect) const {
  for (const Entry& entry : entries) {
    if (entry.effect == effect) return entry.name;
  }
  return {};
}

}  // namespace vantor
