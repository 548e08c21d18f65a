#include "gfx/resources/TShader.h"

#include "Core/Fatal.h"
#include "gfx/resources/EffectHandler.h"
#include "gfx/scene/PerspectiveCamera.h"
#include "gfx/resources/RenderTarget.h"
#include "gfx/scene/Scene.h"

namespace vantor {

namespace {
void check(HRESULT result, unsigned line) { VANTOR_CHECK_AT(result, "gfx\\TShader", line); }
}  // namespace

TShader::TShader(const std::string& fileName, const char* technique)
    : technique(technique), effect(EffectHandler::instance()->getEffect(fileName)) {}

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
  check(effect->SetTechnique(technique), __LINE__);
  UINT passes = 0;
  check(effect->Begin(&passes, 0), __LINE__);
  begun = true;
  return passes;
}

void TShader::end() {
  if (!begun) return;
  check(effect->End(), __LINE__);
  begun = false;
}

void TShader::beginPass(unsigned pass) { check(effect->BeginPass(pass), __LINE__); }
void TShader::endPass() { check(effect->EndPass(), __LINE__); }
void TShader::commitChanges() { check(effect->CommitChanges(), __LINE__); }

void TShader::setParameter(const char* name, int value) {
  check(effect->SetInt(name, value), __LINE__);
}

void TShader::setParameter(const char* name, bool value) {
  check(effect->SetBool(name, value ? TRUE : FALSE), __LINE__);
}

void TShader::setParameter(const char* name, float value) {
  check(effect->SetFloat(name, value), __LINE__);
}

void TShader::setParameter(const char* name, const float (&direction)[3]) {
  check(effect->SetFloatArray(name, direction, 3), __LINE__);
}

void TShader::setParameter(const char* name, const float (&rgba)[4]) {
  const D3DXVECTOR4 vector{rgba[0], rgba[1], rgba[2], rgba[3]};
  check(effect->SetVector(name, &vector), __LINE__);
}

void TShader::setParameter(const char* name, const Vector3& position) {
  const D3DXVECTOR4 vector{position.x, position.y, position.z, 1.0f};
  check(effect->SetVector(name, &vector), __LINE__);
}

void TShader::setParameter(const char* name, const Matrix& matrix) {
  const D3DXMATRIX value{matrix.toD3D()};
  check(effect->SetMatrix(name, &value), __LINE__);
}

void TShader::setParameter(const char* name, ID3dSurface* surface) {
  check(effect->SetTexture(name, surface ? surface->getTexture() : nullptr), __LINE__);
}

}  // namespace vantor
