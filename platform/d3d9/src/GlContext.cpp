#include "GlContext.h"

#include <SDL.h>
#include <epoxy/egl.h>
#include <malloc.h>

#include <cstdio>

namespace platform::d3d9 {

namespace {

constexpr int kNeededVersion = 45;  // as epoxy_gl_version() reports it

thread_local GlContext* currentContext = nullptr;

std::string versionString() {
  const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  return version ? version : "none";
}

std::string tooOldMessage(const std::string& found) {
  return "OpenGL 4.5 core profile is needed; this machine offers OpenGL " + found;
}

// Mesa's software rasterizer shades the vertices of every draw into a block it allocates for
// that draw and frees after it. With glibc's default policy a block of a few megabytes (a
// mesh of some ten thousand triangles) is mapped fresh from the kernel for each draw and every
// page of it faults in again: more than half of the frame time of such a draw. Keeping blocks
// up to 64 MiB on the heap, and the heap's free top up to 128 MiB, lets each draw reuse the
// last one's pages.
void keepRasterizerBlocksOnTheHeap() {
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, 128 << 20);
}

// EGL's display for rendering without any window system.
EGLDisplay surfacelessDisplay() {
  if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless")) {
    return EGL_NO_DISPLAY;
  }
  EGLDisplay display =
      eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (display == EGL_NO_DISPLAY) return EGL_NO_DISPLAY;
  EGLint major = 0, minor = 0;
  if (!eglInitialize(display, &major, &minor)) return EGL_NO_DISPLAY;
  return display;
}

}  // namespace

std::shared_ptr<GlContext> GlContext::createHeadless(std::string& error) {
  EGLDisplay display = surfacelessDisplay();
  if (display == EGL_NO_DISPLAY) {
    error = "no EGL surfaceless display (Mesa's EGL_MESA_platform_surfaceless) is available";
    return nullptr;
  }
  if (!eglBindAPI(EGL_OPENGL_API)) {
    error = "EGL cannot bind the desktop OpenGL API";
    return nullptr;
  }
  const EGLint configAttributes[] = {EGL_SURFACE_TYPE, 0, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                     EGL_NONE};
  EGLConfig config = nullptr;
  EGLint configCount = 0;
  if (!eglChooseConfig(display, configAttributes, &config, 1, &configCount) || configCount < 1) {
    error = "EGL offers no configuration for desktop OpenGL";
    return nullptr;
  }
  const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                      4,
                                      EGL_CONTEXT_MINOR_VERSION,
                                      5,
                                      EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                      EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                      EGL_NONE};
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
  if (context == EGL_NO_CONTEXT) {
    // Ask for whatever the driver has, only to name it in the message.
    std::string found = "below 4.5";
    EGLContext fallback = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (fallback != EGL_NO_CONTEXT) {
      if (eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, fallback))
        found = versionString();
      eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
      eglDestroyContext(display, fallback);
      currentContext = nullptr;
    }
    error = tooOldMessage(found);
    return nullptr;
  }
  std::shared_ptr<GlContext> gl(new GlContext);
  gl->eglDisplay_ = display;
  gl->eglContext_ = context;
  if (!gl->initialise(error)) return nullptr;
  return gl;
}

std::shared_ptr<GlContext> GlContext::createForWindow(SDL_Window* window, std::string& error) {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (!context) {
    SDL_GL_ResetAttributes();
    std::string found = "below 4.5";
    if (SDL_GLContext fallback = SDL_GL_CreateContext(window)) {
      found = versionString();
      SDL_GL_DeleteContext(fallback);
      currentContext = nullptr;
    }
    error = tooOldMessage(found) + " (" + SDL_GetError() + ")";
    return nullptr;
  }
  std::shared_ptr<GlContext> gl(new GlContext);
  gl->window_ = window;
  gl->sdlContext_ = context;
  if (!gl->initialise(error)) return nullptr;
  return gl;
}

bool GlContext::initialise(std::string& error) {
  currentContext = nullptr;
  makeCurrent();
  if (epoxy_gl_version() < kNeededVersion || !epoxy_is_desktop_gl()) {
    error = tooOldMessage(versionString());
    return false;
  }
  const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  renderer_ = std::string(renderer ? renderer : "unknown renderer") + ", OpenGL " + versionString();
  rastersOnTheCpu_ = renderer_.find("llvmpipe") != std::string::npos;
  if (rastersOnTheCpu_) keepRasterizerBlocksOnTheHeap();

  // Direct3D's conventions: row 0 of every target is the top of the picture, depth runs 0..1,
  // and the viewport clips.
  glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
  glEnable(GL_SCISSOR_TEST);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  return true;
}

GlContext::~GlContext() {
  if (!eglContext_ && !sdlContext_) return;
  makeCurrent();
  for (auto& [attachments, framebuffer] : framebuffers_) glDeleteFramebuffers(1, &framebuffer);
  if (eglContext_) {
    eglMakeCurrent(eglDisplay_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(eglDisplay_, eglContext_);
  } else {
    SDL_GL_MakeCurrent(window_, nullptr);
    SDL_GL_DeleteContext(sdlContext_);
  }
  if (currentContext == this) currentContext = nullptr;
}

void GlContext::makeCurrent() {
  if (currentContext == this) return;
  if (eglContext_) {
    eglMakeCurrent(eglDisplay_, EGL_NO_SURFACE, EGL_NO_SURFACE, eglContext_);
  } else {
    SDL_GL_MakeCurrent(window_, sdlContext_);
  }
  currentContext = this;
}

void GlContext::swapBuffers() {
  if (window_) SDL_GL_SwapWindow(window_);
}

void GlContext::setSwapInterval(int interval) {
  if (!window_) return;
  makeCurrent();
  // Late swap tearing (-1) where vsync is asked for and supported, else plain vsync.
  if (interval == 0 || SDL_GL_SetSwapInterval(-1) != 0) SDL_GL_SetSwapInterval(interval);
}

void GlContext::drawableSize(int& width, int& height) const {
  width = height = 0;
  if (window_) SDL_GL_GetDrawableSize(window_, &width, &height);
}

GLuint GlContext::framebuffer(const Attachments& attachments) {
  auto found = framebuffers_.find(attachments);
  if (found != framebuffers_.end()) return found->second;

  GLuint framebuffer = 0;
  glCreateFramebuffers(1, &framebuffer);
  GLenum drawBuffers[4];
  for (int slot = 0; slot < 4; ++slot) {
    const GLenum attachment = GL_COLOR_ATTACHMENT0 + slot;
    if (attachments.colour[slot]) {
      glNamedFramebufferTexture(framebuffer, attachment, attachments.colour[slot], 0);
      drawBuffers[slot] = attachment;
    } else {
      drawBuffers[slot] = GL_NONE;
    }
  }
  glNamedFramebufferDrawBuffers(framebuffer, 4, drawBuffers);
  if (attachments.depth) {
    glNamedFramebufferRenderbuffer(
        framebuffer, attachments.withStencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
        GL_RENDERBUFFER, attachments.depth);
  }
  const GLenum status = glCheckNamedFramebufferStatus(framebuffer, GL_DRAW_FRAMEBUFFER);
  if (status != GL_FRAMEBUFFER_COMPLETE) {
    std::fprintf(stderr, "d3d9: framebuffer incomplete (0x%04X)\n", status);
    glDeleteFramebuffers(1, &framebuffer);
    return 0;
  }
  framebuffers_.emplace(attachments, framebuffer);
  return framebuffer;
}

void GlContext::dropFramebuffersIf(bool (*uses)(const Attachments&, GLuint), GLuint name) {
  makeCurrent();
  for (auto it = framebuffers_.begin(); it != framebuffers_.end();) {
    if (uses(it->first, name)) {
      glDeleteFramebuffers(1, &it->second);
      it = framebuffers_.erase(it);
    } else {
      ++it;
    }
  }
}

void GlContext::forgetTexture(GLuint texture) {
  dropFramebuffersIf(
      [](const Attachments& a, GLuint name) {
        for (GLuint colour : a.colour) {
          if (colour == name) return true;
        }
        return false;
      },
      texture);
}

void GlContext::forgetRenderbuffer(GLuint renderbuffer) {
  dropFramebuffersIf([](const Attachments& a, GLuint name) { return a.depth == name; },
                     renderbuffer);
}

}  // namespace platform::d3d9
