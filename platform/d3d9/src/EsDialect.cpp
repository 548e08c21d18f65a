// OpenGL ES 3.0 within what WebGL 2 also has, so that a native run stands for the browser:
// objects are edited by binding them, Direct3D's conventions are kept in the vertex stage,
// and only EXT_color_buffer_float (needed) and EXT_disjoint_timer_query (optional) are used.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "GlDialect.h"
#include "StateTables.h"

namespace platform::d3d9 {
namespace {

// Texture edits happen on a unit that no sampler stage uses, so that the device's bindings
// of units 0-15 stay as it set them.
constexpr GLuint kEditUnit = kSamplerCount;

// Swaps the red and blue bytes of every pixel: the locked layout is B, G, R, A and ES reads
// and writes 8-bit pixels as R, G, B, A only.
void swapRedAndBlue(unsigned char* pixels, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) std::swap(pixels[4 * i], pixels[4 * i + 2]);
}

class EsDialect final : public GlDialect {
 public:
  Dialect kind() const override { return Dialect::kEs3; }

  // Without clip control GL's window origin is the bottom left and depth runs -1..1. The
  // vertex epilogue (stageText) flips y and remaps depth, so that every target is still drawn
  // top row first into memory row 0 and depth 0..1 reaches the depth buffer unchanged.
  void setUpConventions() override {}
  // The y flip mirrors every triangle on screen, so Direct3D's clockwise faces arrive
  // counter-clockwise.
  GLenum clockwiseFrontFace() const override { return GL_CCW; }
  std::string stageText(GLenum stage, const std::string& text) const override {
    if (stage != GL_VERTEX_SHADER) return text;
    // The stage's own main is renamed by a macro after the #version line and called from a
    // main that applies the epilogue after it, however the stage returns.
    const std::size_t body = text.find('\n') + 1;
    return text.substr(0, body) + "#define main vantorStageMain\n" + text.substr(body) +
           "\n#undef main\n"
           "void main() {\n"
           "  vantorStageMain();\n"
           "  gl_Position.y = -gl_Position.y;\n"
           "  gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;\n"
           "}\n";
  }

  GLuint createTexture(const ColourFormat& format, GLsizei levels, GLsizei width,
                       GLsizei height) override {
    GLuint name = 0;
    glGenTextures(1, &name);
    bindForEdit(name);
    glTexStorage2D(GL_TEXTURE_2D, levels, format.internalFormat, width, height);
    return name;
  }
  void writeTexture(GLuint texture, GLint level, GLsizei width, GLsizei height,
                    const ColourFormat& format, const void* pixels) override {
    bindForEdit(texture);
    if (format.pixelFormat != GL_BGRA) {
      glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, width, height, format.pixelFormat,
                      format.pixelType, pixels);
      return;
    }
    const std::size_t count = static_cast<std::size_t>(width) * height;
    const auto* bytes = static_cast<const unsigned char*>(pixels);
    staging_.assign(bytes, bytes + 4 * count);
    swapRedAndBlue(staging_.data(), count);
    glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE,
                    staging_.data());
  }
  // There is no glGetTexImage: the level is attached to a framebuffer and read as pixels.
  void readTexture(GLuint texture, GLint level, GLsizei width, GLsizei height,
                   const ColourFormat& format, void* pixels) override {
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture,
                           level);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    const std::size_t count = static_cast<std::size_t>(width) * height;
    if (format.pixelType == GL_FLOAT) {
      // Float targets read back as RGBA floats only; the red channel is the value.
      std::vector<float> rgba(4 * count);
      glReadPixels(0, 0, width, height, GL_RGBA, GL_FLOAT, rgba.data());
      auto* values = static_cast<float*>(pixels);
      for (std::size_t i = 0; i < count; ++i) values[i] = rgba[4 * i];
    } else {
      glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
      if (format.pixelFormat == GL_BGRA) {
        swapRedAndBlue(static_cast<unsigned char*>(pixels), count);
      }
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
  }
  void bindTexture(GLuint unit, GLuint texture) override {
    activate(unit);
    glBindTexture(GL_TEXTURE_2D, texture);
  }

  GLuint createBuffer(GLenum target, GLsizeiptr size) override {
    GLuint name = 0;
    glGenBuffers(1, &name);
    glBindBuffer(target, name);
    glBufferData(target, size, nullptr, GL_DYNAMIC_DRAW);
    return name;
  }
  void writeBuffer(GLenum target, GLuint buffer, GLsizeiptr size, const void* bytes) override {
    glBindBuffer(target, buffer);
    glBufferSubData(target, 0, size, bytes);
  }
  void readBuffer(GLenum target, GLuint buffer, GLsizeiptr size, void* bytes) override {
    glBindBuffer(target, buffer);
    readBoundBuffer(target, size, bytes);
  }
  // Orphaning the storage with glBufferData stands for glInvalidateBufferData.
  void streamBuffer(GLuint buffer, GLsizeiptr& capacity, GLsizeiptr size,
                    const void* bytes) override {
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    capacity = std::max(capacity, size);
    glBufferData(GL_ARRAY_BUFFER, capacity, nullptr, GL_STREAM_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, size, bytes);
  }

  GLuint createVertexArray() override {
    GLuint name = 0;
    glGenVertexArrays(1, &name);
    glBindVertexArray(name);
    return name;
  }
  GLuint createStreamBuffer() override {
    GLuint name = 0;
    glGenBuffers(1, &name);
    return name;
  }
  void createSamplers(GLsizei count, GLuint* samplers) override { glGenSamplers(count, samplers); }

  GLuint createRenderbuffer(GLenum internalFormat, GLsizei width, GLsizei height) override {
    GLuint name = 0;
    glGenRenderbuffers(1, &name);
    glBindRenderbuffer(GL_RENDERBUFFER, name);
    glRenderbufferStorage(GL_RENDERBUFFER, internalFormat, width, height);
    return name;
  }
  GLuint createFramebuffer(const GLuint (&colour)[4], GLuint depth, GLenum depthAttachment,
                           GLenum& status) override {
    GLint bound = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    GLenum drawBuffers[4];
    for (int slot = 0; slot < 4; ++slot) {
      const GLenum attachment = GL_COLOR_ATTACHMENT0 + slot;
      drawBuffers[slot] = colour[slot] ? attachment : GL_NONE;
      if (colour[slot]) {
        glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, attachment, GL_TEXTURE_2D, colour[slot], 0);
      }
    }
    glDrawBuffers(4, drawBuffers);
    if (depth) {
      glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, depthAttachment, GL_RENDERBUFFER, depth);
    }
    status = glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(bound));
    if (status == GL_FRAMEBUFFER_COMPLETE) return framebuffer;
    glDeleteFramebuffers(1, &framebuffer);
    return 0;
  }
  void blit(GLuint source, GLint sourceWidth, GLint sourceHeight, GLint x0, GLint y0, GLint x1,
            GLint y1) override {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, source);
    glBlitFramebuffer(0, 0, sourceWidth, sourceHeight, x0, y0, x1, y1, GL_COLOR_BUFFER_BIT,
                      GL_LINEAR);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  }

  // The device's vertex array stays bound for the context's life, so attributes are set on
  // it directly; each captures the array buffer bound when it is set.
  void setVertexBuffer(GLuint, GLuint buffer, GLintptr offset, GLsizei stride) override {
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    offset_ = offset;
    stride_ = stride;
  }
  void enableAttribute(GLuint, GLuint location, GLint components, GLenum type, GLboolean normalised,
                       GLuint relativeOffset) override {
    glEnableVertexAttribArray(location);
    const auto at = static_cast<std::uintptr_t>(offset_) + relativeOffset;
    glVertexAttribPointer(location, components, type, normalised, stride_,
                          reinterpret_cast<const void*>(at));
  }
  void disableAttribute(GLuint, GLuint location) override { glDisableVertexAttribArray(location); }
  void setIndexBuffer(GLuint, GLuint buffer) override {
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer);
  }
  bool drawsWithBaseVertex() const override { return false; }
  void drawIndexed(GLenum mode, GLsizei count, GLenum type, std::uintptr_t indexOffset,
                   GLint) override {
    glDrawElements(mode, count, type, reinterpret_cast<const void*>(indexOffset));
  }
  bool readsBgraVertexColours() const override { return false; }

  bool setPolygonMode(GLenum fill) override { return fill == GL_FILL; }
  // One mask for every target: slot 0's.
  void setColourMasks(const std::array<std::uint32_t, 4>& masks) override {
    const std::uint32_t m = masks[0];
    glColorMask(m & 1, (m >> 1) & 1, (m >> 2) & 1, (m >> 3) & 1);
  }
  void useProgram(GLuint program) override {
    if (program == program_) return;
    glUseProgram(program);
    program_ = program;
  }
  // No glProgramUniform: the program is bound for the upload and stays bound.
  void setUniform(GLuint program, GLint location, UniformType type, GLsizei count,
                  const void* values) override {
    useProgram(program);
    const auto* f = static_cast<const GLfloat*>(values);
    switch (type) {
      case UniformType::kInt:
        glUniform1iv(location, count, static_cast<const GLint*>(values));
        break;
      case UniformType::kFloat: glUniform1fv(location, count, f); break;
      case UniformType::kFloat2: glUniform2fv(location, count, f); break;
      case UniformType::kFloat3: glUniform3fv(location, count, f); break;
      case UniformType::kFloat4: glUniform4fv(location, count, f); break;
      case UniformType::kFloat4x4: glUniformMatrix4fv(location, count, GL_TRUE, f); break;
    }
  }

  // No border colours and no mirror-once: the nearest mode WebGL 2 has.
  GLenum addressMode(GLenum wanted) const override {
    if (wanted == GL_CLAMP_TO_BORDER) return GL_CLAMP_TO_EDGE;
    if (wanted == GL_MIRROR_CLAMP_TO_EDGE) return GL_MIRRORED_REPEAT;
    return wanted;
  }
  bool hasBorderColourAndLodBias() const override { return false; }

  bool hasTimestamps() const override {
    if (!glHasExtension("GL_EXT_disjoint_timer_query")) return false;
    GLint bits = 0;
    glGetQueryivEXT(GL_TIMESTAMP_EXT, GL_QUERY_COUNTER_BITS_EXT, &bits);
    return bits > 0;
  }
  GLuint createTimestampQuery() override {
    GLuint name = 0;
    glGenQueries(1, &name);
    return name;
  }
  void writeTimestamp(GLuint query) override { glQueryCounterEXT(query, GL_TIMESTAMP_EXT); }
  bool timestampResult(GLuint query, std::uint64_t& nanoseconds) override {
    GLuint available = GL_FALSE;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT_AVAILABLE, &available);
    if (!available) return false;
    GLuint64 ticks = 0;
    glGetQueryObjectui64vEXT(query, GL_QUERY_RESULT, &ticks);
    nanoseconds = ticks;
    return true;
  }

  // WebGL 2 allows only a zero timeout: the fence is polled, sleeping a little between polls
  // (spinning would take a core from a CPU rasterizer's own threads, which the wait is for).
  void waitForFence(GLsync fence, std::uint64_t nanoseconds) override {
    constexpr auto kPollInterval = std::chrono::microseconds(100);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::nanoseconds(nanoseconds);
    while (true) {
      const GLenum result = glClientWaitSync(fence, GL_SYNC_FLUSH_COMMANDS_BIT, 0);
      if (result != GL_TIMEOUT_EXPIRED || std::chrono::steady_clock::now() >= deadline) return;
      std::this_thread::sleep_for(kPollInterval);
    }
  }

 private:
  void activate(GLuint unit) {
    if (unit == activeUnit_) return;
    glActiveTexture(GL_TEXTURE0 + unit);
    activeUnit_ = unit;
  }
  void bindForEdit(GLuint texture) {
    activate(kEditUnit);
    glBindTexture(GL_TEXTURE_2D, texture);
  }

  GLuint program_ = 0;
  GLuint activeUnit_ = 0;
  GLintptr offset_ = 0;
  GLsizei stride_ = 0;
  std::vector<unsigned char> staging_;
};

}  // namespace

std::unique_ptr<GlDialect> makeEsDialect(std::string& error) {
  // R32F targets (the scene's depth picture) are colour-renderable only with it.
  if (!glHasExtension("GL_EXT_color_buffer_float")) {
    error = "OpenGL ES 3.0 without EXT_color_buffer_float cannot draw into R32F targets";
    return nullptr;
  }
  return std::make_unique<EsDialect>();
}

}  // namespace platform::d3d9
