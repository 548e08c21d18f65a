// One GL context of either dialect (OpenGL 4.5 core, or OpenGL ES 3.0 within WebGL 2; chosen
// by VANTOR_GL) with the Direct3D conventions set up (upper-left origin, depth 0..1), either
// headless (EGL surfaceless on Mesa; in a browser, WebGL 2 on the page's canvas, drawing only
// into framebuffer objects) or on an SDL window. Shared by a device and every
// resource made by it, so that resources outlive their device safely.
#pragma once

#include "GlApi.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "GlDialect.h"

struct SDL_Window;
struct IDirect3DDevice9;

namespace platform::d3d9 {

class GlContext {
 public:
  // A context of the dialect VANTOR_GL names ("core" or "es3"); without it, core and, where
  // that cannot be had, ES (saying so on standard error). Null and a message in `error` when
  // none can be had.
  static std::shared_ptr<GlContext> createHeadless(std::string& error);
  static std::shared_ptr<GlContext> createForWindow(SDL_Window* window, std::string& error);
  ~GlContext();

  GlContext(const GlContext&) = delete;
  GlContext& operator=(const GlContext&) = delete;

  // Makes the context current on this thread (cheap when it already is).
  void makeCurrent();
  // Null for a headless context.
  SDL_Window* window() const { return window_; }
  // Shows the window's drawable; nothing for a headless context. In a browser it then gives
  // the browser its turn (events, audio, showing the frame) until its next animation frame.
  void swapBuffers();
  void setSwapInterval(int interval);
  void drawableSize(int& width, int& height) const;

  const std::string& renderer() const { return renderer_; }
  // The GL calls that differ between the dialects.
  GlDialect& dialect() { return *dialect_; }
  // True for Mesa's llvmpipe, which bins a frame's triangles in memory before it draws them.
  bool rastersOnTheCpu() const { return rastersOnTheCpu_; }

  // The device that made the context; null once it is gone, while resources may live on.
  IDirect3DDevice9* device = nullptr;

  // A framebuffer object for a set of attachments (GL texture names per colour slot, 0 for
  // none; a depth-stencil renderbuffer or 0), made on first use and kept until one of its
  // attachments is forgotten.
  struct Attachments {
    GLuint colour[4];
    GLuint depth;      // renderbuffer
    bool withStencil;  // the depth renderbuffer carries stencil bits
    auto operator<=>(const Attachments&) const = default;
  };
  GLuint framebuffer(const Attachments& attachments);
  // Drops every cached framebuffer that uses the texture or renderbuffer.
  void forgetTexture(GLuint texture);
  void forgetRenderbuffer(GLuint renderbuffer);

 private:
  GlContext() = default;
  static std::shared_ptr<GlContext> createHeadless(void* eglDisplay, Dialect dialect,
                                                   std::string& error);
  static std::shared_ptr<GlContext> createForWindow(SDL_Window* window, Dialect dialect,
                                                    std::string& error);
  bool initialise(Dialect dialect, std::string& error);
  // Headless state, per platform.
  void makeHeadlessCurrent();
  void destroyHeadless();
  void afterSwap();
  void dropFramebuffersIf(bool (*uses)(const Attachments&, GLuint), GLuint name);

  // Headless state, opaque to keep EGL out of this header: EGL's display and context; in a
  // browser, no display and the WebGL context's handle.
  void* headlessDisplay_ = nullptr;
  void* headlessContext_ = nullptr;
  // Windowed state (SDL).
  SDL_Window* window_ = nullptr;
  void* sdlContext_ = nullptr;

  std::unique_ptr<GlDialect> dialect_;
  std::string renderer_;
  bool rastersOnTheCpu_ = false;
  std::map<Attachments, GLuint> framebuffers_;
};

}  // namespace platform::d3d9
