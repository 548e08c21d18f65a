#include "GlApi.h"

#include <cstdio>
#include <cstring>

namespace platform::d3d9 {

#ifdef __EMSCRIPTEN__

// WebGL 2 reads "OpenGL ES 3.0 (WebGL 2.0 ...)".
int glVersion() {
  const auto* text = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  int major = 0, minor = 0;
  if (!text || std::sscanf(text, "OpenGL ES %d.%d", &major, &minor) != 2) return 0;
  return major * 10 + minor;
}

bool glIsDesktop() { return false; }

void readBoundBuffer(GLenum target, GLsizeiptr size, void* bytes) {
  glGetBufferSubData(target, 0, size, bytes);
}

bool glHasExtension(const char* name) {
  GLint count = 0;
  glGetIntegerv(GL_NUM_EXTENSIONS, &count);
  for (GLint i = 0; i < count; ++i) {
    const auto* extension = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, i));
    if (extension && std::strcmp(extension, name) == 0) return true;
  }
  return false;
}

#else

int glVersion() { return epoxy_gl_version(); }
bool glIsDesktop() { return epoxy_is_desktop_gl(); }
bool glHasExtension(const char* name) { return epoxy_has_gl_extension(name); }

void readBoundBuffer(GLenum target, GLsizeiptr size, void* bytes) {
  const void* mapped = glMapBufferRange(target, 0, size, GL_MAP_READ_BIT);
  if (mapped) std::memcpy(bytes, mapped, static_cast<std::size_t>(size));
  glUnmapBuffer(target);
}

#endif

}  // namespace platform::d3d9
