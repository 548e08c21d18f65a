// Headless contexts through EGL, with no window system: Mesa's surfaceless platform, or an EGL
// device where a GPU's driver offers one.
#include <epoxy/egl.h>

#include "GlContext.h"
#include "GlContextChoice.h"

namespace platform::d3d9 {

using namespace context_choice;

namespace {

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
      currentContext() = nullptr;
    }
    error = tooOldMessage(dialect, found);
    return nullptr;
  }
  std::shared_ptr<GlContext> gl(new GlContext);
  gl->headlessDisplay_ = display;
  gl->headlessContext_ = context;
  if (!gl->initialise(dialect, error)) return nullptr;
  return gl;
}

void GlContext::makeHeadlessCurrent() {
  eglMakeCurrent(headlessDisplay_, EGL_NO_SURFACE, EGL_NO_SURFACE, headlessContext_);
}

void GlContext::destroyHeadless() {
  eglMakeCurrent(headlessDisplay_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  eglDestroyContext(headlessDisplay_, headlessContext_);
}

// The swap itself hands the frame over.
void GlContext::afterSwap() {}

}  // namespace platform::d3d9
