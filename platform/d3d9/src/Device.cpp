#include "Device.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "CallReport.h"
#include "DeviceGl.h"
#include "PageBridge.h"
#include "Query.h"

namespace platform::d3d9 {

namespace {

constexpr const char* kObject = "device";

struct Rgba {
  float r, g, b, a;
  bool operator==(const Rgba&) const = default;
};

Rgba rgbaOf(D3DCOLOR colour) {
  return {((colour >> 16) & 0xFF) / 255.0f, ((colour >> 8) & 0xFF) / 255.0f,
          (colour & 0xFF) / 255.0f, ((colour >> 24) & 0xFF) / 255.0f};
}

D3DMATRIX identity() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

// Row vectors on the left: a * b applies a first.
D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
  D3DMATRIX r{};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += a.m[i][k] * b.m[k][j];
      r.m[i][j] = sum;
    }
  }
  return r;
}

GLenum blendFactor(DWORD blend) {
  switch (blend) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
    case D3DBLEND_BOTHSRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
    case D3DBLEND_BOTHINVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    case D3DBLEND_BLENDFACTOR: return GL_CONSTANT_COLOR;
    case D3DBLEND_INVBLENDFACTOR: return GL_ONE_MINUS_CONSTANT_COLOR;
    default: return GL_ONE;
  }
}

// The two "both" factors set the destination too: (SRCALPHA, INVSRCALPHA) and the reverse.
void blendFactors(DWORD source, DWORD destination, GLenum& glSource, GLenum& glDestination) {
  glSource = blendFactor(source);
  glDestination = blendFactor(destination);
  if (source == D3DBLEND_BOTHSRCALPHA) glDestination = GL_ONE_MINUS_SRC_ALPHA;
  if (source == D3DBLEND_BOTHINVSRCALPHA) glDestination = GL_SRC_ALPHA;
}

GLenum blendEquation(DWORD op) {
  switch (op) {
    case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN: return GL_MIN;
    case D3DBLENDOP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
  }
}

GLenum compareFunction(DWORD function) {
  switch (function) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    case D3DCMP_ALWAYS: return GL_ALWAYS;
    default: return GL_LEQUAL;
  }
}

GLenum addressMode(DWORD address) {
  switch (address) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    case D3DTADDRESS_MIRRORONCE: return GL_MIRROR_CLAMP_TO_EDGE;
    default: return GL_REPEAT;
  }
}

GLenum minificationFilter(DWORD minFilter, DWORD mipFilter) {
  const bool linear = minFilter != D3DTEXF_POINT;
  switch (mipFilter) {
    case D3DTEXF_POINT: return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    case D3DTEXF_LINEAR: return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    default: return linear ? GL_LINEAR : GL_NEAREST;
  }
}

GLenum primitiveMode(D3DPRIMITIVETYPE type) {
  switch (type) {
    case D3DPT_POINTLIST: return GL_POINTS;
    case D3DPT_LINELIST: return GL_LINES;
    case D3DPT_LINESTRIP: return GL_LINE_STRIP;
    case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN: return GL_TRIANGLE_FAN;
    default: return GL_TRIANGLES;
  }
}

bool isTransformState(DWORD state) {
  return state == D3DTS_VIEW || state == D3DTS_PROJECTION ||
         (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) || (state >= 256 && state <= 511);
}

PresentOverlay& presentOverlay() {
  static PresentOverlay overlay;
  return overlay;
}

template <typename T>
bool update(T& applied, const T& wanted) {
  if (applied == wanted) return false;
  applied = wanted;
  return true;
}

}  // namespace

void setPresentOverlay(PresentOverlay overlay) { presentOverlay() = std::move(overlay); }

// What was last sent to GL; "unknown" values force the first flush.
struct Device::Applied {
  GLuint framebuffer = ~0u;
  std::array<GLint, 4> viewport{-1, -1, -1, -1};
  std::array<float, 2> depthRange{-1.0f, -1.0f};
  int depthTest = -1;
  int depthWrite = -1;
  GLenum depthFunction = 0;
  GLenum cullFace = ~0u;  // GL_NONE for no culling
  GLenum polygonMode = 0;
  int blend = -1;
  std::array<GLenum, 4> blendFunction{};
  std::array<GLenum, 2> blendEquation{};
  Rgba blendColour{-1, -1, -1, -1};
  std::array<std::uint32_t, 4> colourMask{~0u, ~0u, ~0u, ~0u};
  GLuint program = ~0u;
  std::array<GLuint, kSamplerCount> textures{};
  bool texturesKnown = false;
};

HRESULT Device::create(std::shared_ptr<GlContext> gl, const D3DPRESENT_PARAMETERS& parameters,
                       IDirect3DDevice9** device) {
  *device = nullptr;
  D3DPRESENT_PARAMETERS p = parameters;
  if (p.BackBufferWidth == 0 || p.BackBufferHeight == 0) {
    int width = 0, height = 0;
    gl->drawableSize(width, height);
    if (p.BackBufferWidth == 0) p.BackBufferWidth = static_cast<UINT>(width);
    if (p.BackBufferHeight == 0) p.BackBufferHeight = static_cast<UINT>(height);
  }
  D3DFORMAT backFormat = p.BackBufferFormat;
  if (backFormat == D3DFMT_UNKNOWN && p.Windowed) backFormat = D3DFMT_X8R8G8B8;
  if (backFormat != D3DFMT_A8R8G8B8 && backFormat != D3DFMT_X8R8G8B8) {
    noteRefusal("back-buffer format %u is neither A8R8G8B8 nor X8R8G8B8 (nor UNKNOWN windowed)",
                static_cast<unsigned>(p.BackBufferFormat));
    return D3DERR_INVALIDCALL;
  }
  if (p.BackBufferCount > 1 || p.MultiSampleType != D3DMULTISAMPLE_NONE ||
      p.MultiSampleQuality != 0 || p.SwapEffect < D3DSWAPEFFECT_DISCARD ||
      p.SwapEffect > D3DSWAPEFFECT_COPY || p.Flags != 0) {
    noteRefusal("one back buffer, no multisampling, a known swap effect and no flags");
    return D3DERR_INVALIDCALL;
  }
  if (p.PresentationInterval != D3DPRESENT_INTERVAL_DEFAULT &&
      p.PresentationInterval != D3DPRESENT_INTERVAL_ONE &&
      p.PresentationInterval != D3DPRESENT_INTERVAL_IMMEDIATE) {
    noteRefusal("presentation interval 0x%X is not DEFAULT, ONE or IMMEDIATE",
                static_cast<unsigned>(p.PresentationInterval));
    return D3DERR_INVALIDCALL;
  }
  if (p.EnableAutoDepthStencil && !depthFormat(p.AutoDepthStencilFormat)) {
    noteRefusal("automatic depth format %u is not a depth-stencil format",
                static_cast<unsigned>(p.AutoDepthStencilFormat));
    return D3DERR_INVALIDCALL;
  }

  gl->makeCurrent();
  Texture* backBuffer = nullptr;
  if (HRESULT hr = Texture::create(gl, p.BackBufferWidth, p.BackBufferHeight, 1,
                                   D3DUSAGE_RENDERTARGET, backFormat, D3DPOOL_DEFAULT, &backBuffer);
      FAILED(hr)) {
    return hr;
  }
  Surface* depth = nullptr;
  if (p.EnableAutoDepthStencil) {
    depth =
        Surface::depthStencil(gl, p.BackBufferWidth, p.BackBufferHeight, p.AutoDepthStencilFormat);
    if (!depth) {
      backBuffer->Release();
      noteRefusal("GL could not make the automatic depth surface");
      return D3DERR_OUTOFVIDEOMEMORY;
    }
  }

  auto* created = new Device(std::move(gl));
  created->parameters_ = p;
  created->backBuffer_ = backBuffer;
  created->autoDepthStencil_ = depth;
  IDirect3DSurface9* level0 = nullptr;
  backBuffer->GetSurfaceLevel(0, &level0);
  created->renderTargets_[0] = static_cast<Surface*>(level0);
  created->depthStencil_ = addRef(depth);
  created->viewport_ = {0, 0, p.BackBufferWidth, p.BackBufferHeight, 0.0f, 1.0f};
  created->renderStates_ = defaultRenderStates(depth != nullptr);
  created->gl_->setSwapInterval(p.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);
  *device = created;
  return D3D_OK;
}

Device::Device(std::shared_ptr<GlContext> gl)
    : gl_(std::move(gl)), fixedFunction_(gl_->dialect()), applied_(new Applied) {
  gl_->device = this;
  for (UINT i = 0; i < kSamplerCount; ++i) samplerStates_[i] = defaultSamplerStates();
  for (UINT i = 0; i < kStageCount; ++i) stageStates_[i] = defaultStageStates(i);
  samplerDirty_.fill(true);
  GlDialect& dialect = gl_->dialect();
  vertexArray_ = dialect.createVertexArray();
  userVertices_ = dialect.createStreamBuffer();
  dialect.createSamplers(static_cast<GLsizei>(kSamplerCount), samplerObjects_.data());
  // Direct3D's front faces are clockwise on screen.
  glFrontFace(dialect.clockwiseFrontFace());
}

Device::~Device() {
  gl_->makeCurrent();
  for (Surface*& target : renderTargets_) release(target);
  release(depthStencil_);
  for (Texture*& texture : textures_) release(texture);
  release(streamSource_);
  release(indices_);
  release(autoDepthStencil_);
  release(backBuffer_);
  for (GLsync fence : batchFences_) glDeleteSync(fence);
  glDeleteVertexArrays(1, &vertexArray_);
  glDeleteBuffers(1, &userVertices_);
  glDeleteSamplers(static_cast<GLsizei>(kSamplerCount), samplerObjects_.data());
  gl_->device = nullptr;
}

// ---- presentation and scenes ----------------------------------------------------------------

HRESULT Device::Present(const RECT* source, const RECT* dest, HWND destWindow,
                        const RGNDATA* dirtyRegion) {
  CallReport call(kObject, "Present", "%p, %p, %p, %p", static_cast<const void*>(source),
                  static_cast<const void*>(dest), static_cast<void*>(destWindow), dirtyRegion);
  // Partial presents and other windows are not part of the subset.
  if (inScene_) return call.refuse(D3DERR_INVALIDCALL, "a scene is still open (no EndScene)");
  if (source || dest || destWindow || dirtyRegion) {
    return call.refuse(D3DERR_INVALIDCALL,
                       "only whole-picture presents are supported: all four arguments null");
  }
  gl_->makeCurrent();
  if (gl_->window()) {
    int width = 0, height = 0;
    gl_->drawableSize(width, height);
    const GLuint picture = gl_->framebuffer({{backBuffer_->glName(), 0, 0, 0}, 0, false});
    if (width > 0 && height > 0 && picture) {
      // Scale the picture to fit the drawable, keeping its aspect; the rest is black.
      const double bw = parameters_.BackBufferWidth, bh = parameters_.BackBufferHeight;
      const double scale = std::min(width / bw, height / bh);
      const GLint w = static_cast<GLint>(bw * scale), h = static_cast<GLint>(bh * scale);
      const GLint x = (width - w) / 2, y = (height - h) / 2;
      glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
      glDisable(GL_SCISSOR_TEST);
      glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
      glClearColor(0, 0, 0, 1);
      glClear(GL_COLOR_BUFFER_BIT);
      // Row 0 of the back buffer is the top of the picture; the window's row 0 is its bottom.
      gl_->dialect().blit(picture, static_cast<GLint>(bw), static_cast<GLint>(bh), x, y + h, x + w,
                          y);
      if (presentOverlay()) presentOverlay()(gl_->window(), width, height);
      glEnable(GL_SCISSOR_TEST);
      *applied_ = Applied{};
    }
    gl_->swapBuffers();
    web::reportFrame();
  } else {
    glFlush();
  }
  trianglesSinceFlush_ = 0;
  return call(D3D_OK);
}

HRESULT Device::GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type,
                              IDirect3DSurface9** surface) {
  CallReport call(kObject, "GetBackBuffer", "%u, %u, %u", swapChain, index, type);
  if (!surface) return call.refuse(D3DERR_INVALIDCALL, "the surface out-pointer is null");
  *surface = nullptr;
  if (swapChain != 0 || index != 0 || type != D3DBACKBUFFER_TYPE_MONO) {
    return call.refuse(D3DERR_INVALIDCALL,
                       "there is one swap chain with one mono back buffer: 0, 0, MONO");
  }
  return call(backBuffer_->GetSurfaceLevel(0, surface));
}

HRESULT Device::BeginScene() {
  CallReport call(kObject, "BeginScene");
  if (inScene_) return call.refuse(D3DERR_INVALIDCALL, "a scene is already open");
  inScene_ = true;
  return call(D3D_OK);
}

HRESULT Device::EndScene() {
  CallReport call(kObject, "EndScene");
  if (!inScene_) return call.refuse(D3DERR_INVALIDCALL, "no scene is open (no BeginScene)");
  inScene_ = false;
  return call(D3D_OK);
}

// ---- resources ------------------------------------------------------------------------------

HRESULT Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                              D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* sharedHandle) {
  CallReport call(kObject, "CreateTexture", "%u, %u, %u, 0x%X, %u, %u", width, height, levels,
                  usage, format, pool);
  if (!texture) return call.refuse(D3DERR_INVALIDCALL, "the texture out-pointer is null");
  *texture = nullptr;
  if (sharedHandle) return call.refuse(D3DERR_INVALIDCALL, "shared handles are not supported");
  Texture* created = nullptr;
  const HRESULT hr = Texture::create(gl_, width, height, levels, usage, format, pool, &created);
  *texture = created;
  return call(hr);
}

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                   IDirect3DVertexBuffer9** buffer, HANDLE* sharedHandle) {
  CallReport call(kObject, "CreateVertexBuffer", "%u, 0x%X, %u, %u", length, usage, fvf, pool);
  if (!buffer) return call.refuse(D3DERR_INVALIDCALL, "the buffer out-pointer is null");
  *buffer = nullptr;
  if (sharedHandle) return call.refuse(D3DERR_INVALIDCALL, "shared handles are not supported");
  if (fvf != 0 && !vertexLayout(fvf)) {
    return call.refuse(D3DERR_INVALIDCALL, "vertex format 0x%X is not one the device can draw",
                       static_cast<unsigned>(fvf));
  }
  if (HRESULT hr = BufferStorage::validate(length, usage, pool); FAILED(hr)) return call(hr);
  try {
    *buffer = new VertexBuffer(gl_, length, usage, fvf, pool);
  } catch (const std::bad_alloc&) {
    return call.refuse(E_OUTOFMEMORY, "%u bytes could not be allocated", length);
  }
  return call(D3D_OK);
}

HRESULT Device::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer9** buffer, HANDLE* sharedHandle) {
  CallReport call(kObject, "CreateIndexBuffer", "%u, 0x%X, %u, %u", length, usage, format, pool);
  if (!buffer) return call.refuse(D3DERR_INVALIDCALL, "the buffer out-pointer is null");
  *buffer = nullptr;
  if (sharedHandle) return call.refuse(D3DERR_INVALIDCALL, "shared handles are not supported");
  if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) {
    return call.refuse(D3DERR_INVALIDCALL, "format %u is neither INDEX16 nor INDEX32",
                       static_cast<unsigned>(format));
  }
  if (HRESULT hr = BufferStorage::validate(length, usage, pool); FAILED(hr)) return call(hr);
  try {
    *buffer = new IndexBuffer(gl_, length, usage, format, pool);
  } catch (const std::bad_alloc&) {
    return call.refuse(E_OUTOFMEMORY, "%u bytes could not be allocated", length);
  }
  return call(D3D_OK);
}

HRESULT Device::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                          D3DMULTISAMPLE_TYPE multiSample, DWORD quality,
                                          BOOL discard, IDirect3DSurface9** surface,
                                          HANDLE* sharedHandle) {
  CallReport call(kObject, "CreateDepthStencilSurface", "%u, %u, %u, %u, %u, %d", width, height,
                  format, multiSample, quality, discard);
  if (!surface) return call.refuse(D3DERR_INVALIDCALL, "the surface out-pointer is null");
  *surface = nullptr;
  if (sharedHandle) return call.refuse(D3DERR_INVALIDCALL, "shared handles are not supported");
  if (multiSample != D3DMULTISAMPLE_NONE || quality != 0) {
    return call.refuse(D3DERR_INVALIDCALL, "multisampling is not supported");
  }
  if (!depthFormat(format)) {
    return call.refuse(D3DERR_INVALIDCALL, "format %u is not a depth-stencil format",
                       static_cast<unsigned>(format));
  }
  if (width == 0 || height == 0 || width > kMaxSurfaceEdge || height > kMaxSurfaceEdge) {
    return call.refuse(D3DERR_INVALIDCALL, "%ux%u is outside 1 to %u on each edge", width, height,
                       kMaxSurfaceEdge);
  }
  *surface = Surface::depthStencil(gl_, width, height, format);
  if (!*surface) return call.refuse(D3DERR_OUTOFVIDEOMEMORY, "GL could not make the surface");
  return call(D3D_OK);
}

// ---- targets --------------------------------------------------------------------------------

HRESULT Device::CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** query) {
  CallReport call(kObject, "CreateQuery", "%u, %p", type, static_cast<void*>(query));
  const HRESULT supported = Query::supports(*gl_, type);
  // Without an out-pointer the call only asks; a "no" is an answer, not a refusal.
  if (!query) return FAILED(supported) ? call.answerQuietly(supported) : call(D3D_OK);
  *query = nullptr;
  if (FAILED(supported)) return call(supported);
  *query = new Query(gl_, type);
  return call(D3D_OK);
}

HRESULT Device::SetRenderTarget(DWORD index, IDirect3DSurface9* surface) {
  CallReport call(kObject, "SetRenderTarget", "%u, %p", index, static_cast<void*>(surface));
  if (index >= renderTargets_.size()) {
    return call.refuse(D3DERR_INVALIDCALL, "slot %u is beyond the %zu render-target slots",
                       static_cast<unsigned>(index), renderTargets_.size());
  }
  auto* target = dynamic_cast<Surface*>(surface);
  if (surface && (!target || !ownsResource(target->gl()) || !target->isColourTarget())) {
    return call.refuse(D3DERR_INVALIDCALL,
                       "the surface is not a render-target surface of this device");
  }
  if (index == 0 && !target) {
    return call.refuse(D3DERR_INVALIDCALL, "slot 0 cannot be emptied");
  }
  assignRef(renderTargets_[index], target);
  if (index == 0) {
    viewport_ = {0, 0, target->desc().Width, target->desc().Height, 0.0f, 1.0f};
  }
  return call(D3D_OK);
}

HRESULT Device::GetRenderTarget(DWORD index, IDirect3DSurface9** surface) {
  CallReport call(kObject, "GetRenderTarget", "%u", index);
  if (!surface) return call.refuse(D3DERR_INVALIDCALL, "the surface out-pointer is null");
  if (index >= renderTargets_.size()) {
    return call.refuse(D3DERR_INVALIDCALL, "slot %u is beyond the %zu render-target slots",
                       static_cast<unsigned>(index), renderTargets_.size());
  }
  *surface = addRef(renderTargets_[index]);
  if (!*surface) {
    return call.answerQuietly(D3DERR_NOTFOUND);  // an empty slot is an answer, not a misuse
  }
  return call(D3D_OK);
}

HRESULT Device::SetDepthStencilSurface(IDirect3DSurface9* surface) {
  CallReport call(kObject, "SetDepthStencilSurface", "%p", static_cast<void*>(surface));
  auto* depth = dynamic_cast<Surface*>(surface);
  if (surface && (!depth || !ownsResource(depth->gl()) || !depth->isDepthStencil())) {
    return call.refuse(D3DERR_INVALIDCALL,
                       "the surface is not a depth-stencil surface of this device");
  }
  assignRef(depthStencil_, depth);
  return call(D3D_OK);
}

HRESULT Device::GetDepthStencilSurface(IDirect3DSurface9** surface) {
  CallReport call(kObject, "GetDepthStencilSurface");
  if (!surface) return call.refuse(D3DERR_INVALIDCALL, "the surface out-pointer is null");
  *surface = addRef(depthStencil_);
  return call(*surface ? D3D_OK : D3DERR_NOTFOUND);
}

bool Device::bindTargets() {
  const D3DSURFACE_DESC& main = targetDesc();
  GlContext::Attachments attachments{};
  for (size_t slot = 0; slot < renderTargets_.size(); ++slot) {
    const Surface* target = renderTargets_[slot];
    if (!target) continue;
    if (target->desc().Width != main.Width || target->desc().Height != main.Height) {
      noteRefusal("the render target in slot %zu is not the size of slot 0's", slot);
      return false;
    }
    attachments.colour[slot] = target->glName();
  }
  if (depthStencil_) {
    if (depthStencil_->desc().Width < main.Width || depthStencil_->desc().Height < main.Height) {
      noteRefusal("the depth surface (%ux%u) is smaller than the render target (%ux%u)",
                  depthStencil_->desc().Width, depthStencil_->desc().Height, main.Width,
                  main.Height);
      return false;
    }
    attachments.depth = depthStencil_->glName();
    attachments.withStencil = depthStencil_->withStencil();
  }
  const GLuint framebuffer = gl_->framebuffer(attachments);
  if (!framebuffer) {
    noteRefusal("GL cannot draw into this combination of targets");
    return false;
  }
  if (update(applied_->framebuffer, framebuffer)) {
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
  }
  return true;
}

HRESULT Device::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                      DWORD stencil) {
  CallReport call(kObject, "Clear", "%u, %p, 0x%X, 0x%08X, %g, %u", count,
                  static_cast<const void*>(rects), flags, color, z, stencil);
  constexpr DWORD known = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
  if (flags == 0 || (flags & ~known) != 0) {
    return call.refuse(D3DERR_INVALIDCALL,
                       "flags 0x%X are not a non-empty mix of TARGET, "
                       "ZBUFFER and STENCIL",
                       static_cast<unsigned>(flags));
  }
  if ((count > 0) != (rects != nullptr)) {
    return call.refuse(D3DERR_INVALIDCALL, "a count of %u does not match the rectangles given",
                       static_cast<unsigned>(count));
  }
  if ((flags & D3DCLEAR_ZBUFFER) && !depthStencil_) {
    return call.refuse(D3DERR_INVALIDCALL, "ZBUFFER is cleared but no depth surface is set");
  }
  if ((flags & D3DCLEAR_STENCIL) && (!depthStencil_ || !depthStencil_->withStencil())) {
    return call.refuse(D3DERR_INVALIDCALL, "STENCIL is cleared but the depth surface has none");
  }
  if (!(z >= 0.0f && z <= 1.0f)) {
    return call.refuse(D3DERR_INVALIDCALL, "depth %g is outside 0 to 1", static_cast<double>(z));
  }
  gl_->makeCurrent();
  if (!bindTargets()) return call(D3DERR_INVALIDCALL);

  // Direct3D clears ignore the write masks; the masks are restored at the next draw.
  GLbitfield bits = 0;
  if (flags & D3DCLEAR_TARGET) {
    const Rgba c = rgbaOf(color);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    applied_->colourMask.fill(~0u);
    glClearColor(c.r, c.g, c.b, c.a);
    bits |= GL_COLOR_BUFFER_BIT;
  }
  if (flags & D3DCLEAR_ZBUFFER) {
    glDepthMask(GL_TRUE);
    applied_->depthWrite = -1;
    glClearDepthf(z);
    bits |= GL_DEPTH_BUFFER_BIT;
  }
  if (flags & D3DCLEAR_STENCIL) {
    glStencilMask(0xFF);
    glClearStencil(static_cast<GLint>(stencil & 0xFF));
    bits |= GL_STENCIL_BUFFER_BIT;
  }
  // Without rectangles the viewport is cleared; rectangles are clipped to it.
  const LONG vx0 = static_cast<LONG>(viewport_.X), vy0 = static_cast<LONG>(viewport_.Y);
  const LONG vx1 = vx0 + static_cast<LONG>(viewport_.Width);
  const LONG vy1 = vy0 + static_cast<LONG>(viewport_.Height);
  const D3DRECT whole{vx0, vy0, vx1, vy1};
  const DWORD areas = count ? count : 1;
  for (DWORD i = 0; i < areas; ++i) {
    const D3DRECT& r = count ? rects[i] : whole;
    const LONG x0 = std::max(r.x1, vx0), y0 = std::max(r.y1, vy0);
    const LONG x1 = std::min(r.x2, vx1), y1 = std::min(r.y2, vy1);
    if (x0 >= x1 || y0 >= y1) continue;
    glScissor(x0, y0, x1 - x0, y1 - y0);
    glClear(bits);
  }
  applied_->viewport = {-1, -1, -1, -1};  // the scissor no longer matches the viewport
  return call(D3D_OK);
}

// ---- fixed state ----------------------------------------------------------------------------

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
  CallReport call(kObject, "SetTransform", "%u, %p", state, static_cast<const void*>(matrix));
  if (!matrix) return call.refuse(D3DERR_INVALIDCALL, "the matrix is null");
  if (!isTransformState(state)) {
    return call.refuse(D3DERR_INVALIDCALL, "%u is not a transform state",
                       static_cast<unsigned>(state));
  }
  transforms_[state] = *matrix;
  return call(D3D_OK);
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
  CallReport call(kObject, "GetTransform", "%u", state);
  if (!matrix) return call.refuse(D3DERR_INVALIDCALL, "the matrix out-pointer is null");
  if (!isTransformState(state)) {
    return call.refuse(D3DERR_INVALIDCALL, "%u is not a transform state",
                       static_cast<unsigned>(state));
  }
  auto found = transforms_.find(state);
  *matrix = found == transforms_.end() ? identity() : found->second;
  return call(D3D_OK);
}

HRESULT Device::SetViewport(const D3DVIEWPORT9* viewport) {
  if (!viewport) {
    return CallReport(kObject, "SetViewport", "null")
        .refuse(D3DERR_INVALIDCALL, "the viewport is null");
  }
  const D3DVIEWPORT9& v = *viewport;
  CallReport call(kObject, "SetViewport", "%u, %u, %u, %u, %g, %g", v.X, v.Y, v.Width, v.Height,
                  v.MinZ, v.MaxZ);
  const D3DSURFACE_DESC& target = targetDesc();
  const bool inside = v.Width > 0 && v.Height > 0 && std::uint64_t{v.X} + v.Width <= target.Width &&
                      std::uint64_t{v.Y} + v.Height <= target.Height;
  const bool depthOk = v.MinZ >= 0.0f && v.MaxZ <= 1.0f && v.MinZ <= v.MaxZ;
  if (!inside) {
    return call.refuse(D3DERR_INVALIDCALL, "the rectangle leaves the %ux%u render target",
                       target.Width, target.Height);
  }
  if (!depthOk) {
    return call.refuse(D3DERR_INVALIDCALL, "MinZ %g and MaxZ %g are not 0 <= MinZ <= MaxZ <= 1",
                       static_cast<double>(v.MinZ), static_cast<double>(v.MaxZ));
  }
  viewport_ = v;
  return call(D3D_OK);
}

HRESULT Device::GetViewport(D3DVIEWPORT9* viewport) {
  CallReport call(kObject, "GetViewport");
  if (!viewport) return call.refuse(D3DERR_INVALIDCALL, "the viewport out-pointer is null");
  *viewport = viewport_;
  return call(D3D_OK);
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  CallReport call(kObject, "SetRenderState", "%u, %u", state, value);
  if (!acceptsRenderState(state, value)) {
    return call.refuse(D3DERR_INVALIDCALL, "render state %u does not take the value %u here",
                       static_cast<unsigned>(state), static_cast<unsigned>(value));
  }
  renderStates_[state] = value;
  return call(D3D_OK);
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
  CallReport call(kObject, "GetRenderState", "%u", state);
  if (!value) return call.refuse(D3DERR_INVALIDCALL, "the value out-pointer is null");
  if (!isRenderState(state)) {
    return call.refuse(D3DERR_INVALIDCALL, "%u is not a render state",
                       static_cast<unsigned>(state));
  }
  *value = renderStates_[state];
  return call(D3D_OK);
}

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
  CallReport call(kObject, "SetTexture", "%u, %p", stage, static_cast<void*>(texture));
  if (stage >= kSamplerCount) {
    return call.refuse(D3DERR_INVALIDCALL, "stage %u is beyond the %u sampler stages",
                       static_cast<unsigned>(stage), static_cast<unsigned>(kSamplerCount));
  }
  auto* ours = dynamic_cast<Texture*>(texture);
  if (texture && (!ours || !ownsResource(ours->gl()))) {
    return call.refuse(D3DERR_INVALIDCALL, "the texture is not one of this device's");
  }
  assignRef(textures_[stage], ours);
  return call(D3D_OK);
}

HRESULT Device::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
  CallReport call(kObject, "GetTexture", "%u", stage);
  if (!texture) return call.refuse(D3DERR_INVALIDCALL, "the texture out-pointer is null");
  if (stage >= kSamplerCount) {
    return call.refuse(D3DERR_INVALIDCALL, "stage %u is beyond the %u sampler stages",
                       static_cast<unsigned>(stage), static_cast<unsigned>(kSamplerCount));
  }
  *texture = addRef(textures_[stage]);
  return call(D3D_OK);
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  CallReport call(kObject, "SetTextureStageState", "%u, %u, %u", stage, type, value);
  if (stage >= kStageCount) {
    return call.refuse(D3DERR_INVALIDCALL, "stage %u is beyond the %u texture stages",
                       static_cast<unsigned>(stage), static_cast<unsigned>(kStageCount));
  }
  if (!acceptsStageState(stage, type, value)) {
    return call.refuse(D3DERR_INVALIDCALL, "stage state %u does not take the value %u here",
                       static_cast<unsigned>(type), static_cast<unsigned>(value));
  }
  stageStates_[stage][type] = value;
  return call(D3D_OK);
}

HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
  CallReport call(kObject, "GetTextureStageState", "%u, %u", stage, type);
  if (!value) return call.refuse(D3DERR_INVALIDCALL, "the value out-pointer is null");
  if (stage >= kStageCount) {
    return call.refuse(D3DERR_INVALIDCALL, "stage %u is beyond the %u texture stages",
                       static_cast<unsigned>(stage), static_cast<unsigned>(kStageCount));
  }
  if (!isStageState(type)) {
    return call.refuse(D3DERR_INVALIDCALL, "%u is not a stage state", static_cast<unsigned>(type));
  }
  *value = stageStates_[stage][type];
  return call(D3D_OK);
}

HRESULT Device::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  CallReport call(kObject, "SetSamplerState", "%u, %u, %u", sampler, type, value);
  if (sampler >= kSamplerCount) {
    return call.refuse(D3DERR_INVALIDCALL, "sampler %u is beyond the %u samplers",
                       static_cast<unsigned>(sampler), static_cast<unsigned>(kSamplerCount));
  }
  if (!acceptsSamplerState(type, value)) {
    return call.refuse(D3DERR_INVALIDCALL, "sampler state %u does not take the value %u here",
                       static_cast<unsigned>(type), static_cast<unsigned>(value));
  }
  if (samplerStates_[sampler][type] != value) {
    samplerStates_[sampler][type] = value;
    samplerDirty_[sampler] = true;
  }
  return call(D3D_OK);
}

HRESULT Device::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
  CallReport call(kObject, "GetSamplerState", "%u, %u", sampler, type);
  if (!value) return call.refuse(D3DERR_INVALIDCALL, "the value out-pointer is null");
  if (sampler >= kSamplerCount || !isSamplerState(type)) {
    return call.refuse(D3DERR_INVALIDCALL, "no sampler %u or no sampler state %u",
                       static_cast<unsigned>(sampler), static_cast<unsigned>(type));
  }
  *value = samplerStates_[sampler][type];
  return call(D3D_OK);
}

HRESULT Device::SetFVF(DWORD fvf) {
  CallReport call(kObject, "SetFVF", "0x%X", fvf);
  if (!vertexLayout(fvf)) {
    return call.refuse(D3DERR_INVALIDCALL, "vertex format 0x%X is not one the device can draw",
                       static_cast<unsigned>(fvf));
  }
  fvf_ = fvf;
  return call(D3D_OK);
}

HRESULT Device::GetFVF(DWORD* fvf) {
  CallReport call(kObject, "GetFVF");
  if (!fvf) return call.refuse(D3DERR_INVALIDCALL, "the format out-pointer is null");
  *fvf = fvf_;
  return call(D3D_OK);
}

HRESULT Device::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                UINT stride) {
  CallReport call(kObject, "SetStreamSource", "%u, %p, %u, %u", stream, static_cast<void*>(buffer),
                  offset, stride);
  if (stream != 0) {  // vertex formats read stream 0 only
    return call.refuse(D3DERR_INVALIDCALL, "stream %u: vertex formats read stream 0 only", stream);
  }
  auto* ours = dynamic_cast<VertexBuffer*>(buffer);
  if (buffer) {
    if (!ours || !ownsResource(ours->storage().gl()) || stride == 0 ||
        offset >= ours->storage().size()) {
      return call.refuse(D3DERR_INVALIDCALL,
                         "the buffer must be this device's, with a stride above 0 and the "
                         "offset inside it");
    }
  }
  assignRef(streamSource_, ours);
  streamOffset_ = ours ? offset : 0;
  streamStride_ = ours ? stride : 0;
  return call(D3D_OK);
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer9* buffer) {
  CallReport call(kObject, "SetIndices", "%p", static_cast<void*>(buffer));
  auto* ours = dynamic_cast<IndexBuffer*>(buffer);
  if (buffer && (!ours || !ownsResource(ours->storage().gl()))) {
    return call.refuse(D3DERR_INVALIDCALL, "the index buffer is not one of this device's");
  }
  assignRef(indices_, ours);
  return call(D3D_OK);
}

HRESULT Device::setProgram(GLuint program) {
  CallReport call(kObject, "setProgram", "%u", program);
  if (program != 0) {
    gl_->makeCurrent();
    GLint linked = GL_FALSE;
    if (glIsProgram(program)) glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) return call.refuse(D3DERR_INVALIDCALL, "GL program %u is not linked", program);
  }
  effectProgram_ = program;
  return call(D3D_OK);
}

// ---- drawing --------------------------------------------------------------------------------

void Device::applyViewport(const D3DVIEWPORT9& v) {
  const std::array<GLint, 4> rect{static_cast<GLint>(v.X), static_cast<GLint>(v.Y),
                                  static_cast<GLint>(v.Width), static_cast<GLint>(v.Height)};
  if (update(applied_->viewport, rect)) {
    glViewport(rect[0], rect[1], rect[2], rect[3]);
    glScissor(rect[0], rect[1], rect[2], rect[3]);  // Direct3D's viewport clips
  }
  if (update(applied_->depthRange, {v.MinZ, v.MaxZ})) glDepthRangef(v.MinZ, v.MaxZ);
}

bool Device::applyRasterStates() {
  const RenderStates& rs = renderStates_;
  GlDialect& dialect = gl_->dialect();
  if (update(applied_->depthTest, rs[D3DRS_ZENABLE] != D3DZB_FALSE ? 1 : 0)) {
    applied_->depthTest ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST);
  }
  if (update(applied_->depthWrite, rs[D3DRS_ZWRITEENABLE] ? 1 : 0)) {
    glDepthMask(applied_->depthWrite ? GL_TRUE : GL_FALSE);
  }
  if (update(applied_->depthFunction, compareFunction(rs[D3DRS_ZFUNC]))) {
    glDepthFunc(applied_->depthFunction);
  }
  // With Direct3D's clockwise faces as GL's front faces, its counter-clockwise culling culls
  // GL's back faces.
  const GLenum cull = rs[D3DRS_CULLMODE] == D3DCULL_CCW  ? GL_BACK
                      : rs[D3DRS_CULLMODE] == D3DCULL_CW ? GL_FRONT
                                                         : GL_NONE;
  if (update(applied_->cullFace, cull)) {
    if (cull == GL_NONE) {
      glDisable(GL_CULL_FACE);
    } else {
      glEnable(GL_CULL_FACE);
      glCullFace(cull);
    }
  }
  const GLenum fill = rs[D3DRS_FILLMODE] == D3DFILL_POINT       ? GL_POINT
                      : rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE
                                                                : GL_FILL;
  if (applied_->polygonMode != fill) {
    if (!dialect.setPolygonMode(fill)) {
      noteRefusal("fill mode %u: OpenGL ES fills polygons only (D3DFILL_SOLID)",
                  static_cast<unsigned>(rs[D3DRS_FILLMODE]));
      return false;
    }
    applied_->polygonMode = fill;
  }

  if (update(applied_->blend, rs[D3DRS_ALPHABLENDENABLE] ? 1 : 0)) {
    applied_->blend ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
  }
  if (applied_->blend) {
    std::array<GLenum, 4> functions{};
    blendFactors(rs[D3DRS_SRCBLEND], rs[D3DRS_DESTBLEND], functions[0], functions[1]);
    std::array<GLenum, 2> equations{blendEquation(rs[D3DRS_BLENDOP]), 0};
    if (rs[D3DRS_SEPARATEALPHABLENDENABLE]) {
      blendFactors(rs[D3DRS_SRCBLENDALPHA], rs[D3DRS_DESTBLENDALPHA], functions[2], functions[3]);
      equations[1] = blendEquation(rs[D3DRS_BLENDOPALPHA]);
    } else {
      functions[2] = functions[0];
      functions[3] = functions[1];
      equations[1] = equations[0];
    }
    if (update(applied_->blendFunction, functions)) {
      glBlendFuncSeparate(functions[0], functions[1], functions[2], functions[3]);
    }
    if (update(applied_->blendEquation, equations)) {
      glBlendEquationSeparate(equations[0], equations[1]);
    }
    const Rgba factor = rgbaOf(rs[D3DRS_BLENDFACTOR]);
    if (update(applied_->blendColour, factor)) {
      glBlendColor(factor.r, factor.g, factor.b, factor.a);
    }
  }
  const std::array<std::uint32_t, 4> masks{rs[D3DRS_COLORWRITEENABLE], rs[D3DRS_COLORWRITEENABLE1],
                                           rs[D3DRS_COLORWRITEENABLE2],
                                           rs[D3DRS_COLORWRITEENABLE3]};
  if (update(applied_->colourMask, masks)) dialect.setColourMasks(masks);
  return true;
}

void Device::applyProgram(const VertexLayout& layout) {
  GLuint program = effectProgram_;
  if (!program) {
    const StageStates& stage = stageStates_[0];
    const FixedFunctionKey key{layout.diffuseOffset.has_value(),
                               layout.texcoordSets > 0,
                               textures_[0] != nullptr,
                               renderStates_[D3DRS_LIGHTING] != FALSE,
                               stage[D3DTSS_COLOROP],
                               stage[D3DTSS_COLORARG1],
                               stage[D3DTSS_COLORARG2],
                               stage[D3DTSS_ALPHAOP],
                               stage[D3DTSS_ALPHAARG1],
                               stage[D3DTSS_ALPHAARG2]};
    const FixedFunctionProgram& ff = fixedFunction_.program(key);
    program = ff.program;
    auto transform = [this](DWORD state) {
      auto found = transforms_.find(state);
      return found == transforms_.end() ? identity() : found->second;
    };
    const D3DMATRIX wvp = multiply(multiply(transform(D3DTS_WORLD), transform(D3DTS_VIEW)),
                                   transform(D3DTS_PROJECTION));
    GlDialect& dialect = gl_->dialect();
    dialect.setUniform(program, ff.worldViewProjection, UniformType::kFloat4x4, 1, &wvp.m[0][0]);
    const Rgba factor = rgbaOf(renderStates_[D3DRS_TEXTUREFACTOR]);
    dialect.setUniform(program, ff.textureFactor, UniformType::kFloat4, 1, &factor);
  }
  applied_->program = program;
  gl_->dialect().useProgram(program);
}

void Device::applyTextures() {
  GlDialect& dialect = gl_->dialect();
  for (GLuint unit = 0; unit < kSamplerCount; ++unit) {
    const GLuint name = textures_[unit] ? textures_[unit]->glName() : 0;
    if (!applied_->texturesKnown || applied_->textures[unit] != name) {
      applied_->textures[unit] = name;
      dialect.bindTexture(unit, name);
      glBindSampler(unit, samplerObjects_[unit]);
    }
    if (!samplerDirty_[unit]) continue;
    samplerDirty_[unit] = false;
    const SamplerStates& s = samplerStates_[unit];
    const GLuint sampler = samplerObjects_[unit];
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S,
                        dialect.addressMode(addressMode(s[D3DSAMP_ADDRESSU])));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T,
                        dialect.addressMode(addressMode(s[D3DSAMP_ADDRESSV])));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R,
                        dialect.addressMode(addressMode(s[D3DSAMP_ADDRESSW])));
    if (dialect.hasBorderColourAndLodBias()) {
      const Rgba border = rgbaOf(s[D3DSAMP_BORDERCOLOR]);
      const float borderColour[4] = {border.r, border.g, border.b, border.a};
      glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, borderColour);
      glSamplerParameterf(sampler, GL_TEXTURE_LOD_BIAS,
                          __builtin_bit_cast(float, s[D3DSAMP_MIPMAPLODBIAS]));
    }
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER,
                        s[D3DSAMP_MAGFILTER] == D3DTEXF_POINT ? GL_NEAREST : GL_LINEAR);
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER,
                        minificationFilter(s[D3DSAMP_MINFILTER], s[D3DSAMP_MIPFILTER]));
    glSamplerParameterf(sampler, GL_TEXTURE_MIN_LOD, static_cast<float>(s[D3DSAMP_MAXMIPLEVEL]));
    const bool anisotropic =
        s[D3DSAMP_MINFILTER] == D3DTEXF_ANISOTROPIC || s[D3DSAMP_MAGFILTER] == D3DTEXF_ANISOTROPIC;
    if (glHasExtension("GL_ARB_texture_filter_anisotropic") ||
        glHasExtension("GL_EXT_texture_filter_anisotropic")) {
      glSamplerParameterf(sampler, GL_TEXTURE_MAX_ANISOTROPY_EXT,
                          anisotropic ? static_cast<float>(s[D3DSAMP_MAXANISOTROPY]) : 1.0f);
    }
  }
  applied_->texturesKnown = true;
}

void Device::applyVertexLayout(const VertexLayout& layout, GLuint vertexBuffer, GLintptr offset,
                               UINT stride) {
  GlDialect& dialect = gl_->dialect();
  const GLuint vao = vertexArray_;
  dialect.setVertexBuffer(vao, vertexBuffer, offset, static_cast<GLsizei>(stride));
  auto floats = [&dialect, vao](GLuint location, GLint components, UINT relative) {
    dialect.enableAttribute(vao, location, components, GL_FLOAT, GL_FALSE, relative);
  };
  floats(kPosition, 3, layout.positionOffset);
  if (layout.normalOffset) {
    floats(kNormal, 3, *layout.normalOffset);
  } else {
    dialect.disableAttribute(vao, kNormal);
  }
  for (UINT set = 0; set < VertexLayout::kMaxTexcoordSets; ++set) {
    if (set < layout.texcoordSets) {
      floats(kTexcoord0 + set, static_cast<GLint>(layout.texcoordComponents[set]),
             layout.texcoordOffsets[set]);
    } else {
      dialect.disableAttribute(vao, kTexcoord0 + set);
    }
  }
  if (layout.diffuseOffset) {
    // D3DCOLOR is the bytes B, G, R, A; where the attribute cannot say so, the fixed-function
    // vertex stage swaps them.
    const GLint components = dialect.readsBgraVertexColours() ? GL_BGRA : 4;
    dialect.enableAttribute(vao, kDiffuse, components, GL_UNSIGNED_BYTE, GL_TRUE,
                            *layout.diffuseOffset);
  } else {
    dialect.disableAttribute(vao, kDiffuse);
  }
}

void Device::batchDrawn(UINT triangles) {
  // llvmpipe sorts every triangle of a batch into the screen's tiles, with all its
  // interpolated values, before it rasterizes any; a batch ends at a flush or when it reaches
  // tens of megabytes. A scene of small triangles drawn in one batch therefore holds some
  // 100 MiB. Ending a batch every few thousand triangles keeps each to a few megabytes, and
  // the picture is the same.
  constexpr UINT kTrianglesPerBatch = 2048;
  if (!gl_->rastersOnTheCpu()) return;
  trianglesSinceFlush_ += triangles;
  if (trianglesSinceFlush_ < kTrianglesPerBatch) return;
  trianglesSinceFlush_ = 0;
  // The application thread bins faster than the raster threads draw, and every batch it runs
  // ahead by is one more batch held. It waits instead once a few batches are in flight.
  constexpr std::uint64_t kWaitNanoseconds = 1'000'000'000;  // past it, drawing just goes on
  GLsync& oldest = batchFences_[nextBatchFence_];
  if (oldest) {
    gl_->dialect().waitForFence(oldest, kWaitNanoseconds);
    glDeleteSync(oldest);
  }
  oldest = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
  nextBatchFence_ = (nextBatchFence_ + 1) % batchFences_.size();
  glFlush();
}

bool Device::prepareDraw(const VertexLayout& layout, GLuint vertexBuffer, GLintptr offset,
                         UINT stride) {
  if (!bindTargets()) return false;
  applyViewport(viewport_);
  if (!applyRasterStates()) return false;
  applyProgram(layout);
  if (applied_->program == 0) {
    noteRefusal("no GL program could be built for the fixed-function states set");
    return false;
  }
  applyTextures();
  applyVertexLayout(layout, vertexBuffer, offset, stride);
  return true;
}

HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices,
                                UINT stride) {
  CallReport call(kObject, "DrawPrimitiveUP", "%u, %u, %p, %u", type, primitiveCount, vertices,
                  stride);
  const auto layout = vertexLayout(fvf_);
  const UINT count = verticesOfPrimitives(type, primitiveCount);
  if (!inScene_)
    return call.refuse(D3DERR_INVALIDCALL, "draws happen between BeginScene and EndScene");
  if (!layout) return call.refuse(D3DERR_INVALIDCALL, "no drawable vertex format is set (SetFVF)");
  if (!vertices) return call.refuse(D3DERR_INVALIDCALL, "the vertices are null");
  if (count == 0) {
    return call.refuse(D3DERR_INVALIDCALL, "%u primitives of type %u make no vertices",
                       primitiveCount, static_cast<unsigned>(type));
  }
  if (stride < layout->size) {
    return call.refuse(D3DERR_INVALIDCALL, "stride %u is below the format's %u bytes", stride,
                       layout->size);
  }
  if (std::uint64_t{count} * stride > BufferStorage::kMaxBytes) {
    return call.refuse(D3DERR_INVALIDCALL, "%u vertices of %u bytes are too many", count, stride);
  }
  gl_->makeCurrent();
  const auto bytes = static_cast<GLsizeiptr>(count) * stride;
  gl_->dialect().streamBuffer(userVertices_, userVerticesSize_, bytes, vertices);
  if (!prepareDraw(*layout, userVertices_, 0, stride)) return call(D3DERR_INVALIDCALL);
  glDrawArrays(primitiveMode(type), 0, static_cast<GLsizei>(count));
  // As in Direct3D, drawing from user memory leaves stream 0 unset.
  release(streamSource_);
  streamOffset_ = streamStride_ = 0;
  return call(D3D_OK);
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex,
                                     UINT minVertexIndex, UINT numVertices, UINT startIndex,
                                     UINT primitiveCount) {
  CallReport call(kObject, "DrawIndexedPrimitive", "%u, %d, %u, %u, %u, %u", type, baseVertexIndex,
                  minVertexIndex, numVertices, startIndex, primitiveCount);
  const auto layout = vertexLayout(fvf_);
  const UINT count = verticesOfPrimitives(type, primitiveCount);
  if (!inScene_)
    return call.refuse(D3DERR_INVALIDCALL, "draws happen between BeginScene and EndScene");
  if (!layout) return call.refuse(D3DERR_INVALIDCALL, "no drawable vertex format is set (SetFVF)");
  if (!streamSource_ || !indices_) {
    return call.refuse(D3DERR_INVALIDCALL,
                       "a vertex buffer (SetStreamSource) and an index "
                       "buffer (SetIndices) must be set");
  }
  if (count == 0) {
    return call.refuse(D3DERR_INVALIDCALL, "%u primitives of type %u make no vertices",
                       primitiveCount, static_cast<unsigned>(type));
  }
  if (baseVertexIndex < 0) {
    return call.refuse(D3DERR_INVALIDCALL, "base vertex %d is negative", baseVertexIndex);
  }
  if (streamStride_ < layout->size) {
    return call.refuse(D3DERR_INVALIDCALL, "the stream's stride %u is below the format's %u bytes",
                       streamStride_, layout->size);
  }
  BufferStorage& vertices = streamSource_->storage();
  BufferStorage& indices = indices_->storage();
  if (vertices.isLocked() || indices.isLocked()) {
    return call.refuse(D3DERR_INVALIDCALL, "a buffer being drawn from is still locked");
  }
  if (std::uint64_t{startIndex} + count > indices_->indexCount()) {
    return call.refuse(D3DERR_INVALIDCALL, "indices %u to %llu are beyond the buffer's %u",
                       startIndex, static_cast<unsigned long long>(startIndex) + count - 1,
                       static_cast<unsigned>(indices_->indexCount()));
  }
  // Every index must name a whole vertex inside the buffer.
  const UINT available = vertices.size() - streamOffset_;
  const std::uint64_t vertexCount =
      available < layout->size ? 0 : (available - layout->size) / streamStride_ + 1;
  if (vertexCount <= static_cast<std::uint64_t>(baseVertexIndex) ||
      !indices_->indicesBelow(startIndex, count, vertexCount - baseVertexIndex)) {
    return call.refuse(D3DERR_INVALIDCALL, "an index names a vertex beyond the buffer's %llu",
                       static_cast<unsigned long long>(vertexCount));
  }
  gl_->makeCurrent();
  const GLuint vertexBuffer = vertices.upload();
  const GLuint indexBuffer = indices.upload();
  GlDialect& dialect = gl_->dialect();
  // Without base-vertex draws the base vertex moves the start of the vertices instead.
  const GLintptr baseOffset =
      dialect.drawsWithBaseVertex() ? 0 : static_cast<GLintptr>(baseVertexIndex) * streamStride_;
  if (!prepareDraw(*layout, vertexBuffer, streamOffset_ + baseOffset, streamStride_)) {
    return call(D3DERR_INVALIDCALL);
  }
  dialect.setIndexBuffer(vertexArray_, indexBuffer);
  const UINT indexSize = indices_->indexSize();
  dialect.drawIndexed(primitiveMode(type), static_cast<GLsizei>(count),
                      indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                      std::uintptr_t{startIndex} * indexSize, baseVertexIndex);
  batchDrawn(primitiveCount);
  return call(D3D_OK);
}

}  // namespace platform::d3d9
