#include "GlContext.h"

#include <SDL.h>
#include <malloc.h>

#include <cstdio>

#include "GlContextChoice.h"

namespace platform::d3d9 {

using namespace context_choice;

namespace {

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

}  // namespace

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
      currentContext() = nullptr;
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
  currentContext() = nullptr;
  makeCurrent();
  const bool core = dialect == Dialect::kCore;
  if (glVersion() < (core ? 45 : 30) || glIsDesktop() != core) {
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
  if (!headlessContext_ && !sdlContext_) return;
  makeCurrent();
  for (auto& [attachments, framebuffer] : framebuffers_) glDeleteFramebuffers(1, &framebuffer);
  if (headlessContext_) {
    destroyHeadless();
  } else {
    SDL_GL_MakeCurrent(window_, nullptr);
    SDL_GL_DeleteContext(sdlContext_);
  }
  if (currentContext() == this) currentContext() = nullptr;
}

void GlContext::makeCurrent() {
  if (currentContext() == this) return;
  if (headlessContext_) {
    makeHeadlessCurrent();
  } else {
    SDL_GL_MakeCurrent(window_, sdlContext_);
  }
  currentContext() = this;
}

void GlContext::swapBuffers() {
  if (window_) SDL_GL_SwapWindow(window_);
  afterSwap();
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
