#include "GlContext.h"

#include <SDL.h>
#include <epoxy/egl.h>
#include <malloc.h>

#include <cstdio>
#include <cstdlib>

namespace platform::d3d9 {

namespace {

thread_local GlContext* currentContext = nullptr;

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

// The dialects to try, in order, from VANTOR_GL: "core" or "es3" alone; unset, core first
// and then ES. False with the reason for any other value.
bool requestedDialects(std::vector<Dialect>& dialects, std::string& error) {
  const char* asked = std::getenv("VANTOR_GL");
  const std::string value = asked ? asked : "";
  if (value.empty()) {
    dialects = {Dialect::kCore, Dialect::kEs3};
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

EGLDisplay initialized(EGLDisplay display) {
  if (display == EGL_NO_DISPLAY) return EGL_NO_DISPLAY;
  EGLint major = 0, minor = 0;
  return eglInitialize(display, &major, &minor) ? display : EGL_NO_DISPLAY;
}

// The first GPU that EGL offers as a device whose display makes a context current without a
// surface: how NVIDIA's driver renders on a machine without a display.
EGLDisplay deviceDisplay() {
  if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_EXT_device_enumeration") ||
      !epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_EXT_platform_device")) {
    return EGL_NO_DISPLAY;
  }
  EGLDeviceEXT devices[8];
  EGLint count = 0;
  if (!eglQueryDevicesEXT(8, devices, &count)) return EGL_NO_DISPLAY;
  for (EGLint i = 0; i < count; ++i) {
    EGLDisplay display =
        initialized(eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr));
    if (display == EGL_NO_DISPLAY) continue;
    if (epoxy_has_egl_extension(display, "EGL_KHR_surfaceless_context")) return display;
    eglTerminate(display);
  }
  return EGL_NO_DISPLAY;
}

// EGL's display for rendering without any window system: Mesa's surfaceless platform, else
// an EGL device.
EGLDisplay surfacelessDisplay() {
  if (epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless")) {
    EGLDisplay display = initialized(
        eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr));
    if (display != EGL_NO_DISPLAY) return display;
  }
  return deviceDisplay();
}

}  // namespace

std::shared_ptr<GlContext> GlContext::createHeadless(std::string& error) {
  std::vector<Dialect> dialects;
  if (!requestedDialects(dialects, error)) return nullptr;
  EGLDisplay display = surfacelessDisplay();
  if (display == EGL_NO_DISPLAY) {
    error =
        "no EGL display without a window system (neither Mesa's EGL_MESA_platform_surfaceless "
        "nor an EGL device with EGL_KHR_surfaceless_context) is available";
    return nullptr;
  }
  return firstThatWorks(
      dialects,
      [display](Dialect dialect, std::string& why) {
        return createHeadless(display, dialect, why);
      },
      error);
}

std::shared_ptr<GlContext> GlContext::createHeadless(void* eglDisplay, Dialect dialect,
                                                     std::string& error) {
  EGLDisplay display = eglDisplay;
  const bool core = dialect == Dialect::kCore;
  if (!eglBindAPI(core ? EGL_OPENGL_API : EGL_OPENGL_ES_API)) {
    error = core ? "EGL cannot bind the desktop OpenGL API" : "EGL cannot bind the OpenGL ES API";
    return nullptr;
  }
  const EGLint configAttributes[] = {EGL_SURFACE_TYPE, 0, EGL_RENDERABLE_TYPE,
                                     core ? EGL_OPENGL_BIT : EGL_OPENGL_ES3_BIT, EGL_NONE};
  EGLConfig config = nullptr;
  EGLint configCount = 0;
  if (!eglChooseConfig(display, configAttributes, &config, 1, &configCount) || configCount < 1) {
    error = std::string("EGL offers no configuration for ") + neededContext(dialect);
    return nullptr;
  }
  const EGLint coreAttributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                   4,
                                   EGL_CONTEXT_MINOR_VERSION,
                                   5,
                                   EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                   EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                   EGL_NONE};
  const EGLint esAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 0,
                                 EGL_NONE};
  EGLContext context =
      eglCreateContext(display, config, EGL_NO_CONTEXT, core ? coreAttributes : esAttributes);
  if (context == EGL_NO_CONTEXT) {
    // Ask for whatever the driver has, only to name it in the message.
    std::string found = "below what is needed";
    EGLContext fallback = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (fallback != EGL_NO_CONTEXT) {
      if (eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, fallback))
        found = versionString();
      eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
      eglDestroyContext(display, fallback);
      currentContext = nullptr;
    }
    error = tooOldMessage(dialect, found);
    return nullptr;
  }
  std::shared_ptr<GlContext> gl(new GlContext);
  gl->eglDisplay_ = display;
  gl->eglContext_ = context;
  if (!gl->initialise(dialect, error)) return nullptr;
  return gl;
}

std::shared_ptr<GlContext> GlContext::createForWindow(SDL_Window* window, std::string& error) {
  std::vector<Dialect> dialects;
  if (!requestedDialects(dialects, error)) return nullptr;
  return firstThatWorks(
      dialects,
      [window](Dialect dialect, std::string& why) { return createForWindow(window, dialect, why); },
      error);
}

std::shared_ptr<GlContext> GlContext::createForWindow(SDL_Window* window, Dialect dialect,
                                                      std::string& error) {
  const bool core = dialect == Dialect::kCore;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, core ? 4 : 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, core ? 5 : 0);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK,
                      core ? SDL_GL_CONTEXT_PROFILE_CORE : SDL_GL_CONTEXT_PROFILE_ES);
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (!context) {
    const std::string reason = SDL_GetError();
    SDL_GL_ResetAttributes();
    std::string found = "below what is needed";
    if (SDL_GLContext fallback = SDL_GL_CreateContext(window)) {
      found = versionString();
      SDL_GL_DeleteContext(fallback);
      currentContext = nullptr;
    }
    error = tooOldMessage(dialect, found) + " (" + reason + ")";
    return nullptr;
  }
  std::shared_ptr<GlContext> gl(new GlContext);
  gl->window_ = window;
  gl->sdlContext_ = context;
  if (!gl->initialise(dialect, error)) return nullptr;
  return gl;
}

bool GlContext::initialise(Dialect dialect, std::string& error) {
  currentContext = nullptr;
  makeCurrent();
  const bool core = dialect == Dialect::kCore;
  // As epoxy_gl_version() reports them.
  if (epoxy_gl_version() < (core ? 45 : 30) || epoxy_is_desktop_gl() != core) {
    error = tooOldMessage(dialect, versionString());
    return false;
  }
  dialect_ = core ? makeCoreDialect(error) : makeEsDialect(error);
  if (!dialect_) return false;
  const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  renderer_ = std::string(renderer ? renderer : "unknown renderer") + ", OpenGL " + versionString();
  rastersOnTheCpu_ = renderer_.find("llvmpipe") != std::string::npos;
  if (rastersOnTheCpu_) keepRasterizerBlocksOnTheHeap();

  // Direct3D's conventions: row 0 of every target is the top of the picture, depth runs 0..1,
  // and the viewport clips.
  dialect_->setUpConventions();
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

  GLenum status = GL_FRAMEBUFFER_COMPLETE;
  const GLuint framebuffer = dialect_->createFramebuffer(
      attachments.colour, attachments.depth,
      attachments.withStencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT, status);
  if (!framebuffer) {
    std::fprintf(stderr, "d3d9: framebuffer incomplete (0x%04X)\n", status);
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
