#include "GlContextChoice.h"

#include <cstdlib>

namespace platform::d3d9::context_choice {

std::string versionString() {
  const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  return version ? version : "none";
}

const char* neededContext(Dialect dialect) {
  return dialect == Dialect::kCore ? "OpenGL 4.5 core profile" : "OpenGL ES 3.0";
}

std::string tooOldMessage(Dialect dialect, const std::string& found) {
  return std::string(neededContext(dialect)) + " is needed; this machine offers OpenGL " + found;
}

bool requestedDialects(std::vector<Dialect>& dialects, std::string& error) {
  const char* asked = std::getenv("VANTOR_GL");
  const std::string value = asked ? asked : "";
  if (value.empty()) {
#ifdef __EMSCRIPTEN__
    dialects = {Dialect::kEs3};  // a browser has WebGL 2 alone
#else
    dialects = {Dialect::kCore, Dialect::kEs3};
#endif
  } else if (value == dialectName(Dialect::kCore)) {
    dialects = {Dialect::kCore};
  } else if (value == dialectName(Dialect::kEs3)) {
    dialects = {Dialect::kEs3};
  } else {
    error = "VANTOR_GL=" + value + " names no GL dialect: core or es3";
    return false;
  }
  return true;
}

GlContext*& currentContext() {
  thread_local GlContext* current = nullptr;
  return current;
}

}  // namespace platform::d3d9::context_choice
