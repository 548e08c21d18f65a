// The two dialects of GL that the device speaks: OpenGL 4.5 core (direct state access, clip
// control) and OpenGL ES 3.0 restricted to what WebGL 2 also has. Every GL call whose form
// differs between them goes through this interface; calls that both dialects share stay at
// their call sites. One instance belongs to each GlContext. CONVENTIONS.md lists the rules of
// both and why.
#pragma once

#include "GlApi.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "Formats.h"

namespace platform::d3d9 {

enum class Dialect { kCore, kEs3 };

// "core" or "es3", as VANTOR_GL names them.
inline const char* dialectName(Dialect dialect) {
  return dialect == Dialect::kCore ? "core" : "es3";
}

// The kinds of uniform values the device and the effects upload.
enum class UniformType { kInt, kFloat, kFloat2, kFloat3, kFloat4, kFloat4x4 };

class GlDialect {
 public:
  virtual ~GlDialect() = default;
  virtual Dialect kind() const = 0;

  // Sets up Direct3D's conventions once the context is current (see CONVENTIONS.md).
  virtual void setUpConventions() = 0;
  // The glFrontFace value that makes Direct3D's clockwise faces the front faces.
  virtual GLenum clockwiseFrontFace() const = 0;
  // The text the driver compiles for a stage written for Direct3D's conventions: the ES
  // dialect adds the vertex stage's epilogue that clip control does in core.
  virtual std::string stageText(GLenum stage, const std::string& text) const = 0;

  // Textures: storage for every level, a level's pixels in or out in the locked layout of
  // the format (ColourFormat), and binding to a texture unit.
  virtual GLuint createTexture(const ColourFormat& format, GLsizei levels, GLsizei width,
                               GLsizei height) = 0;
  virtual void writeTexture(GLuint texture, GLint level, GLsizei width, GLsizei height,
                            const ColourFormat& format, const void* pixels) = 0;
  virtual void readTexture(GLuint texture, GLint level, GLsizei width, GLsizei height,
                           const ColourFormat& format, void* pixels) = 0;
  virtual void bindTexture(GLuint unit, GLuint texture) = 0;

  // Buffers of a fixed size, written and read whole, for the target they are drawn from
  // (GL_ARRAY_BUFFER or GL_ELEMENT_ARRAY_BUFFER: WebGL 2 keeps the two kinds apart). The
  // streaming buffer of user-memory draws grows to `capacity` and is replaced at each use.
  virtual GLuint createBuffer(GLenum target, GLsizeiptr size) = 0;
  virtual void writeBuffer(GLenum target, GLuint buffer, GLsizeiptr size, const void* bytes) = 0;
  virtual void readBuffer(GLenum target, GLuint buffer, GLsizeiptr size, void* bytes) = 0;
  virtual void streamBuffer(GLuint buffer, GLsizeiptr& capacity, GLsizeiptr size,
                            const void* bytes) = 0;

  // The device's own objects: its vertex array (bound for the context's life), the streaming
  // buffer and the sampler objects.
  virtual GLuint createVertexArray() = 0;
  virtual GLuint createStreamBuffer() = 0;
  virtual void createSamplers(GLsizei count, GLuint* samplers) = 0;

  virtual GLuint createRenderbuffer(GLenum internalFormat, GLsizei width, GLsizei height) = 0;
  // A framebuffer drawing into the colour textures (0: no target in that slot) and the depth
  // renderbuffer (0: none); 0 with status set when GL calls it incomplete. The draw
  // framebuffer bound before stays bound.
  virtual GLuint createFramebuffer(const GLuint (&colour)[4], GLuint depth, GLenum depthAttachment,
                                   GLenum& status) = 0;
  // Copies the framebuffer's colour rectangle into the bound draw framebuffer's.
  virtual void blit(GLuint source, GLint sourceWidth, GLint sourceHeight, GLint x0, GLint y0,
                    GLint x1, GLint y1) = 0;

  // Vertex input on the device's vertex array: every attribute reads `buffer` from `offset`
  // with `stride`; setVertexBuffer comes first.
  virtual void setVertexBuffer(GLuint vertexArray, GLuint buffer, GLintptr offset,
                               GLsizei stride) = 0;
  virtual void enableAttribute(GLuint vertexArray, GLuint location, GLint components, GLenum type,
                               GLboolean normalised, GLuint relativeOffset) = 0;
  virtual void disableAttribute(GLuint vertexArray, GLuint location) = 0;
  virtual void setIndexBuffer(GLuint vertexArray, GLuint buffer) = 0;
  // Whether draws take a base vertex; without, the device moves the vertex buffer's offset.
  virtual bool drawsWithBaseVertex() const = 0;
  virtual void drawIndexed(GLenum mode, GLsizei count, GLenum type, std::uintptr_t indexOffset,
                           GLint baseVertex) = 0;
  // Whether vertex colours can be read in Direct3D's B, G, R, A byte order by the attribute
  // itself; without, the fixed-function vertex stage swaps them.
  virtual bool readsBgraVertexColours() const = 0;

  // Raster states: false where the dialect cannot fill polygons so (only GL_FILL in ES).
  virtual bool setPolygonMode(GLenum fill) = 0;
  // Colour write masks per render-target slot (Direct3D's bits: red 1, green 2, blue 4,
  // alpha 8).
  virtual void setColourMasks(const std::array<std::uint32_t, 4>& masks) = 0;
  // Binds the program for drawing; cheap when it is bound already.
  virtual void useProgram(GLuint program) = 0;
  // Uploads count values of the type to the program's location (matrices row by row).
  virtual void setUniform(GLuint program, GLint location, UniformType type, GLsizei count,
                          const void* values) = 0;

  // Sampler parameters: the address mode GL can give for the wanted one, and whether border
  // colours and a level-of-detail bias exist.
  virtual GLenum addressMode(GLenum wanted) const = 0;
  virtual bool hasBorderColourAndLodBias() const = 0;

  // Timestamp queries: whether the context has them, then a counter written into the query
  // and its result in nanoseconds (false while it is not ready).
  virtual bool hasTimestamps() const = 0;
  virtual GLuint createTimestampQuery() = 0;
  virtual void writeTimestamp(GLuint query) = 0;
  virtual bool timestampResult(GLuint query, std::uint64_t& nanoseconds) = 0;

  // Waits up to `nanoseconds` for the fence.
  virtual void waitForFence(GLsync fence, std::uint64_t nanoseconds) = 0;
};

// The dialect of a current context; null with the reason in `error` where the context lacks
// what the dialect needs (the ES dialect's extensions).
std::unique_ptr<GlDialect> makeCoreDialect(std::string& error);
std::unique_ptr<GlDialect> makeEsDialect(std::string& error);

}  // namespace platform::d3d9
