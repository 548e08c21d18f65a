// The GL headers and the few questions about the current context that the device asks of
// its loader: libepoxy on Linux, the browser's WebGL 2 (as OpenGL ES 3.0) under Emscripten.
#pragma once

#ifdef __EMSCRIPTEN__
#define GL_GLEXT_PROTOTYPES
#include <GLES3/gl3.h>
#include <GLES2/gl2ext.h>

// Desktop GL values that the device's shared tables name and the ES dialect translates or
// refuses before anything reaches the browser; the ES headers lack their names. Values as
// the GL registry gives them.
#define GL_POINT 0x1B00
#define GL_LINE 0x1B01
#define GL_FILL 0x1B02
#define GL_BGRA 0x80E1
#define GL_UNSIGNED_INT_8_8_8_8_REV 0x8367
#define GL_CLAMP_TO_BORDER 0x812D
#define GL_MIRROR_CLAMP_TO_EDGE 0x8743
#define GL_TEXTURE_BORDER_COLOR 0x1004
#define GL_TEXTURE_LOD_BIAS 0x8501
// WebGL 2's getBufferSubData, which Emscripten offers under its desktop GL name.
extern "C" void glGetBufferSubData(GLenum target, GLintptr offset, GLsizeiptr size, void* data);
#else
#include <epoxy/gl.h>
#endif

namespace platform::d3d9 {

// The current context's version as major * 10 + minor (45 for 4.5, 30 for ES 3.0).
int glVersion();
// True for desktop OpenGL, false for OpenGL ES.
bool glIsDesktop();
// Whether the current context offers the extension ("GL_EXT_color_buffer_float").
bool glHasExtension(const char* name);
// The first `size` bytes of the buffer bound to `target`, for OpenGL ES: WebGL 2 reads them
// with getBufferSubData and has no mappings; native ES maps the range for reading.
void readBoundBuffer(GLenum target, GLsizeiptr size, void* bytes);

}  // namespace platform::d3d9
