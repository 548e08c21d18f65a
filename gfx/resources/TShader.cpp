#include "gfx/resources/TShader.h"

#include <cstdio>

#include "Core/Fatal.h"
#include "gfx/resources/EffectHandler.h"
#include "gfx/scene/PerspectiveCamera.h"
#include "gfx/resources/RenderTarget.h"
#include "gfx/scene/Scene.h"

namespace vantor {

namespace {
constexpr const char* kReportSource = "gfx\\TShader";

// A refused effect call ends the process; before the failed-assertion report, the effect's
// file is named, so that a viewer learns which file is at fault (a file that holds another
// effect's bytes, say, whose technique and parameters are not the ones asked for). The
// stand-in's own line above it says which call was refused and why.
void nameFileIfRefused(HRESULT result, const ID3DXEffect* effect, const char* technique) {
  if (SUCCEEDED(result)) return;
  std::fprintf(stderr, "vantor: the effect \"%s\" (technique %s) refused a call\n",
               EffectHandler::instance()->fileOf(effect).c_str(), technique);
}
}  // namespace

// Every effect call of a handle goes through this check.
#define TSHADER_CHECK(call)                         \
  do {                                              \
    const HRESULT result = (call);                  \
    nameFileIfRefused(result, effect(), technique); \
    VANTOR_CHECK(result);                           \
  } while (false)

TShader::TShader(const std::string& fileName, const char* technique)
    : technique(technique),
      fileName(fileName),
      // Made now, as the handle's first use.
      effectSlot(EffectHandler::instance()->effectSlot(fileName)) {}

ID3DXEffect* TShader::effect() const { return *effectSlot; }

TShader::TShader(const std::string& fileName, const char* technique, Scene* scene)
    : TShader(fileName, technique) {
  if (!scene) return;
  setParameter("deltaTime", scene->getDeltaTime());
  setParameter("time", scene->getTime());
  setParameter("depthTex", scene->getDepthBuffer());
  TCamera* camera = scene->getCamera();
  if (!camera) return;
  const Matrix projection = camera->getProjection();
  setParameter("viewProjection", camera->getViewProjection());
  setParameter("projection", projection);
  setParameter("projectionInv", projection.inverse());
  if (camera->isOrthographic()) return;
  // Only a perspective camera has clip distances; another non-orthographic camera type
  // leaves them as they were.
  if (auto* perspective = dynamic_cast<PerspectiveCamera*>(camera)) {
    setParameter("z_far", perspective->zFar);
    setParameter("z_near", perspective->zNear);
  }
}

TShader::~TShader() { end(); }

unsigned TShader::begin() {
  if (begun) return 0;
  TSHADER_CHECK(effect()->SetTechnique(technique));
  UINT passes = 0;
  TSHADER_CHECK(effect()->Begin(&passes, 0));
  begun = true;
  return passes;
}

void TShader::end() {
  if (!begun) return;
  TSHADER_CHECK(effect()->End());
  begun = false;
}

void TShader::beginPass(unsigned pass) { TSHADER_CHECK(effect()->BeginPass(pass)); }
void TShader::endPass() { TSHADER_CHECK(effect()->EndPass()); }
void TShader::commitChanges() { TSHADER_CHECK(effect()->CommitChanges()); }

void TShader::setParameter(const char* name, int value) {
  TSHADER_CHECK(effect()->SetInt(name, value));
}

void TShader::setParameter(const char* name, bool value) {
  TSHADER_CHECK(effect()->SetBool(name, value ? TRUE : FALSE));
}

void TShader::setParameter(const char* name, float value) {
  TSHADER_CHECK(effect()->SetFloat(name, value));
}

void TShader::setParameter(const char* name, const float (&direction)[3]) {
  TSHADER_CHECK(effect()->SetFloatArray(name, direction, 3));
}

void TShader::setParameter(const char* name, const float (&rgba)[4]) {
  const D3DXVECTOR4 vector{rgba[0], rgba[1], rgba[2], rgba[3]};
  TSHADER_CHECK(effect()->SetVector(name, &vector));
}

void TShader::setParameter(const char* name, const Vector3& position) {
  const D3DXVECTOR4 vector{position.x, position.y, position.z, 1.0f};
  TSHADER_CHECK(effect()->SetVector(name, &vector));
}

void TShader::setParameter(const char* name, const Matrix& matrix) {
  const D3DXMATRIX value{matrix.toD3D()};
  TSHADER_CHECK(effect()->SetMatrix(name, &value));
}

void TShader::setParameter(const char* name, ID3dSurface* surface) {
  TSHADER_CHECK(effect()->SetTexture(name, surface ? surface->getTexture() : nullptr));
}

}  // namespace vantor
