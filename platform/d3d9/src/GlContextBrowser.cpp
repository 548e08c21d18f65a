// Contexts in a browser: WebGL 2, which the ES dialect speaks as OpenGL ES 3.0. A headless
// context (pictures read back, never shown) draws on the page's canvas, the only place WebGL
// has; windowed contexts come from SDL's canvas window as elsewhere. After each swap the
// browser gets its turn, since the engine's frame loop never returns to it.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdint>

#include "GlContext.h"

namespace platform::d3d9 {

namespace {

constexpr const char* kCanvas = "#canvas";

EMSCRIPTEN_WEBGL_CONTEXT_HANDLE handleOf(void* context) {
  return static_cast<EMSCRIPTEN_WEBGL_CONTEXT_HANDLE>(reinterpret_cast<std::intptr_t>(context));
}

// Suspends the program (asyncify) until the browser's next animation frame: the browser shows
// the frame just drawn, runs the page's events and feeds the audio meanwhile.
EM_ASYNC_JS(void, waitForAnimationFrame, (), {
  await new Promise(function(resolve) { requestAnimationFrame(function() { resolve(); }); });
});

}  // namespace

std::shared_ptr<GlContext> GlContext::createHeadless(std::string& error) {
  // A browser has only the ES dialect, whatever VANTOR_GL says.
  EmscriptenWebGLContextAttributes attributes;
  emscripten_webgl_init_context_attributes(&attributes);
  attributes.majorVersion = 2;
  attributes.minorVersion = 0;
  attributes.alpha = EM_FALSE;
  attributes.depth = EM_FALSE;
  attributes.stencil = EM_FALSE;
  attributes.antialias = EM_FALSE;
  attributes.enableExtensionsByDefault = EM_TRUE;
  const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE handle =
      emscripten_webgl_create_context(kCanvas, &attributes);
  if (handle <= 0) {
    error = "this browser gives the page's canvas no WebGL 2 context";
    return nullptr;
  }
  std::shared_ptr<GlContext> gl(new GlContext);
  gl->headlessContext_ = reinterpret_cast<void*>(static_cast<std::intptr_t>(handle));
  if (!gl->initialise(Dialect::kEs3, error)) return nullptr;
  return gl;
}

void GlContext::makeHeadlessCurrent() {
  emscripten_webgl_make_context_current(handleOf(headlessContext_));
}

void GlContext::destroyHeadless() { emscripten_webgl_destroy_context(handleOf(headlessContext_)); }

void GlContext::afterSwap() { waitForAnimationFrame(); }

std::unique_ptr<GlDialect> makeCoreDialect(std::string& error) {
  error = "a browser has no OpenGL 4.5 core profile, only OpenGL ES 3.0 (WebGL 2)";
  return nullptr;
}

}  // namespace platform::d3d9
