// How a GL context is chosen, shared by the ways one is made (for a window, headless): the
// dialects VANTOR_GL asks for, tried in order, and the messages for a context that falls short.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "GlContext.h"

namespace platform::d3d9::context_choice {

// The current context's GL_VERSION text, "none" without one.
std::string versionString();
// What the dialect needs, in words: "OpenGL 4.5 core profile", "OpenGL ES 3.0".
const char* neededContext(Dialect dialect);
std::string tooOldMessage(Dialect dialect, const std::string& found);
// The dialects to try, in order, from VANTOR_GL: "core" or "es3" alone; unset, core first
// and then ES (in a browser ES alone). False with the reason for any other value.
bool requestedDialects(std::vector<Dialect>& dialects, std::string& error);
// The context made current on this thread last (null: none, or not known).
GlContext*& currentContext();

// Tries each dialect with `create` until one gives a context; says so when the first was
// not to be had and a later one is used.
template <class Create>
std::shared_ptr<GlContext> firstThatWorks(const std::vector<Dialect>& dialects, Create create,
                                          std::string& error) {
  std::string reasons;
  for (Dialect dialect : dialects) {
    std::string why;
    if (std::shared_ptr<GlContext> gl = create(dialect, why)) {
      if (!reasons.empty()) {
        std::fprintf(stderr, "d3d9: %s; using %s (VANTOR_GL=%s)\n", reasons.c_str(),
                     neededContext(dialect), dialectName(dialect));
      }
      return gl;
    }
    reasons += (reasons.empty() ? "" : "; ") + why;
  }
  error = reasons;
  return nullptr;
}

}  // namespace platform::d3d9::context_choice
