// OpenGL 4.5 core: direct state access, clip control, base-vertex draws, polygon modes,
// per-target colour masks and timestamp queries.
#include <vector>

#include "GlDialect.h"

namespace platform::d3d9 {
namespace {

class CoreDialect final : public GlDialect {
 public:
  Dialect kind() const override { return Dialect::kCore; }

  void setUpConventions() override {
    // Row 0 of every target is the top of the picture and depth runs 0..1, as in Direct3D.
    glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
  }
  GLenum clockwiseFrontFace() const override { return GL_CW; }
  std::string stageText(GLenum, const std::string& text) const override { return text; }

  GLuint createTexture(const ColourFormat& format, GLsizei levels, GLsizei width,
                       GLsizei height) override {
    GLuint name = 0;
    glCreateTextures(GL_TEXTURE_2D, 1, &name);
    glTextureStorage2D(name, levels, format.internalFormat, width, height);
    glTextureParameteriv(name, GL_TEXTURE_SWIZZLE_RGBA, format.swizzle);
    return name;
  }
  void writeTexture(GLuint texture, GLint level, GLsizei width, GLsizei height,
                    const ColourFormat& format, const void* pixels) override {
    glTextureSubImage2D(texture, level, 0, 0, width, height, format.pixelFormat, format.pixelType,
                        pixels);
  }
  void readTexture(GLuint texture, GLint level, GLsizei width, GLsizei height,
                   const ColourFormat& format, void* pixels) override {
    const auto size = static_cast<GLsizei>(width * height * format.bytesPerPixel);
    glGetTextureImage(texture, level, format.pixelFormat, format.pixelType, size, pixels);
  }
  void bindTexture(GLuint unit, GLuint texture) override { glBindTextureUnit(unit, texture); }

  GLuint createBuffer(GLenum, GLsizeiptr size) override {
    GLuint name = 0;
    glCreateBuffers(1, &name);
    glNamedBufferStorage(name, size, nullptr, GL_DYNAMIC_STORAGE_BIT);
    return name;
  }
  void writeBuffer(GLenum, GLuint buffer, GLsizeiptr size, const void* bytes) override {
    glNamedBufferSubData(buffer, 0, size, bytes);
  }
  void readBuffer(GLenum, GLuint buffer, GLsizeiptr size, void* bytes) override {
    glGetNamedBufferSubData(buffer, 0, size, bytes);
  }
  void streamBuffer(GLuint buffer, GLsizeiptr& capacity, GLsizeiptr size,
                    const void* bytes) override {
    if (size > capacity) {
      glNamedBufferData(buffer, size, bytes, GL_STREAM_DRAW);
      capacity = size;
    } else {
      glInvalidateBufferData(buffer);
      glNamedBufferSubData(buffer, 0, size, bytes);
    }
  }

  GLuint createVertexArray() override {
    GLuint name = 0;
    glCreateVertexArrays(1, &name);
    glBindVertexArray(name);
    return name;
  }
  GLuint createStreamBuffer() override {
    GLuint name = 0;
    glCreateBuffers(1, &name);
    return name;
  }
  void createSamplers(GLsizei count, GLuint* samplers) override {
    glCreateSamplers(count, samplers);
  }

  GLuint createRenderbuffer(GLenum internalFormat, GLsizei width, GLsizei height) override {
    GLuint name = 0;
    glCreateRenderbuffers(1, &name);
    glNamedRenderbufferStorage(name, internalFormat, width, height);
    return name;
  }
  GLuint createFramebuffer(const GLuint (&colour)[4], GLuint depth, GLenum depthAttachment,
                           GLenum& status) override {
    GLuint framebuffer = 0;
    glCreateFramebuffers(1, &framebuffer);
    GLenum drawBuffers[4];
    for (int slot = 0; slot < 4; ++slot) {
      const GLenum attachment = GL_COLOR_ATTACHMENT0 + slot;
      drawBuffers[slot] = colour[slot] ? attachment : GL_NONE;
      if (colour[slot]) glNamedFramebufferTexture(framebuffer, attachment, colour[slot], 0);
    }
    glNamedFramebufferDrawBuffers(framebuffer, 4, drawBuffers);
    if (depth) glNamedFramebufferRenderbuffer(framebuffer, depthAttachment, GL_RENDERBUFFER, depth);
    status = glCheckNamedFramebufferStatus(framebuffer, GL_DRAW_FRAMEBUFFER);
    if (status == GL_FRAMEBUFFER_COMPLETE) return framebuffer;
    glDeleteFramebuffers(1, &framebuffer);
    return 0;
  }
  void blit(GLuint source, GLint sourceWidth, GLint sourceHeight, GLint x0, GLint y0, GLint x1,
            GLint y1) override {
    glBlitNamedFramebuffer(source, 0, 0, 0, sourceWidth, sourceHeight, x0, y0, x1, y1,
                           GL_COLOR_BUFFER_BIT, GL_LINEAR);
  }

  void setVertexBuffer(GLuint vertexArray, GLuint buffer, GLintptr offset,
                       GLsizei stride) override {
    glVertexArrayVertexBuffer(vertexArray, 0, buffer, offset, stride);
  }
  void enableAttribute(GLuint vertexArray, GLuint location, GLint components, GLenum type,
                       GLboolean normalised, GLuint relativeOffset) override {
    glEnableVertexArrayAttrib(vertexArray, location);
    glVertexArrayAttribFormat(vertexArray, location, components, type, normalised, relativeOffset);
    glVertexArrayAttribBinding(vertexArray, location, 0);
  }
  void disableAttribute(GLuint vertexArray, GLuint location) override {
    glDisableVertexArrayAttrib(vertexArray, location);
  }
  void setIndexBuffer(GLuint vertexArray, GLuint buffer) override {
    glVertexArrayElementBuffer(vertexArray, buffer);
  }
  bool drawsWithBaseVertex() const override { return true; }
  void drawIndexed(GLenum mode, GLsizei count, GLenum type, std::uintptr_t indexOffset,
                   GLint baseVertex) override {
    glDrawElementsBaseVertex(mode, count, type, reinterpret_cast<const void*>(indexOffset),
                             baseVertex);
  }
  bool readsBgraVertexColours() const override { return true; }

  bool setPolygonMode(GLenum fill) override {
    glPolygonMode(GL_FRONT_AND_BACK, fill);
    return true;
  }
  void setColourMasks(const std::array<std::uint32_t, 4>& masks) override {
    for (GLuint slot = 0; slot < 4; ++slot) {
      const std::uint32_t m = masks[slot];
      glColorMaski(slot, m & 1, (m >> 1) & 1, (m >> 2) & 1, (m >> 3) & 1);
    }
  }
  void useProgram(GLuint program) override {
    if (program == program_) return;
    glUseProgram(program);
    program_ = program;
  }
  void setUniform(GLuint program, GLint location, UniformType type, GLsizei count,
                  const void* values) override {
    const auto* f = static_cast<const GLfloat*>(values);
    switch (type) {
      case UniformType::kInt:
        glProgramUniform1iv(program, location, count, static_cast<const GLint*>(values));
        break;
      case UniformType::kFloat: glProgramUniform1fv(program, location, count, f); break;
      case UniformType::kFloat2: glProgramUniform2fv(program, location, count, f); break;
      case UniformType::kFloat3: glProgramUniform3fv(program, location, count, f); break;
      case UniformType::kFloat4: glProgramUniform4fv(program, location, count, f); break;
      case UniformType::kFloat4x4:
        glProgramUniformMatrix4fv(program, location, count, GL_TRUE, f);
        break;
    }
  }

  GLenum addressMode(GLenum wanted) const override { return wanted; }
  bool hasBorderColourAndLodBias() const override { return true; }

  bool hasTimestamps() const override {
    GLint bits = 0;
    glGetQueryiv(GL_TIMESTAMP, GL_QUERY_COUNTER_BITS, &bits);
    return bits > 0;
  }
  GLuint createTimestampQuery() override {
    GLuint name = 0;
    glCreateQueries(GL_TIMESTAMP, 1, &name);
    return name;
  }
  void writeTimestamp(GLuint query) override { glQueryCounter(query, GL_TIMESTAMP); }
  bool timestampResult(GLuint query, std::uint64_t& nanoseconds) override {
    GLint available = GL_FALSE;
    glGetQueryObjectiv(query, GL_QUERY_RESULT_AVAILABLE, &available);
    if (!available) return false;
    GLuint64 ticks = 0;
    glGetQueryObjectui64v(query, GL_QUERY_RESULT, &ticks);
    nanoseconds = ticks;
    return true;
  }

  void waitForFence(GLsync fence, std::uint64_t nanoseconds) override {
    glClientWaitSync(fence, 0, nanoseconds);
  }

 private:
  GLuint program_ = 0;
};

}  // namespace

std::unique_ptr<GlDialect> makeCoreDialect(std::string&) { return std::make_unique<CoreDialect>(); }

}  // namespace platform::d3d9
