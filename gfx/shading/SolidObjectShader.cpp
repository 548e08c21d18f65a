#include "gfx/shading/SolidObjectShader.h"

#include <algorithm>
#include <array>
#include <string>

#include "Core/Fatal.h"
#include "gfx/resources/DataFileCache.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/resources/RenderTarget.h"
#include "gfx/resources/Texture.h"
#include "gfx/scene/INode.h"
#include "gfx/scene/NodePointlight.h"
#include "gfx/scene/Scene.h"
#include "gfx/scene/TCamera.h"

namespace vantor {

namespace {

constexpr const char* kReportSource = "gfx\\SolidObjectShader";
constexpr const char* kDefaultEffect = "SolidObject.fxo";
constexpr const char* kDefaultTechnique = "SolidObject";

void scaled(const float (&scale)[4], const float (&colour)[4], float (&out)[4]) {
  for (int i = 0; i < 4; ++i) out[i] = scale[i] * colour[i];
}

void setRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  // The stand-in reports a refused state itself; a state it refuses changes nothing here.
  GraphicsContext::instance()->device()->SetRenderState(state, value);
}

// The faces to skip: those that face inwards on a closed surface, none on an open one. A
// world matrix that mirrors (negative determinant) turns the winding round on the screen.
D3DCULL cullMode(OutwardWinding winding, const Matrix& world) {
  if (winding == OutwardWinding::Open) return D3DCULL_NONE;
  const auto& m = world.m;
  const float determinant = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                            m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                            m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  const bool clockwiseOnScreen = (winding == OutwardWinding::Clockwise) == (determinant > 0.0f);
  return clockwiseOnScreen ? D3DCULL_CCW : D3DCULL_CW;
}

// The parameter names of point light i ("pointLight[3].position" ...), made once: they are
// set for every drawn object.
struct PointLightNames {
  std::string position, color, power, intensity;
};

const PointLightNames& pointLightNames(int i) {
  static const std::array<PointLightNames, SolidObjectShader::maxPointLights> names = [] {
    std::array<PointLightNames, SolidObjectShader::maxPointLights> made;
    for (int light = 0; light < SolidObjectShader::maxPointLights; ++light) {
      const std::string prefix = std::string("pointLight[") + static_cast<char>('0' + light) + "].";
      made[static_cast<std::size_t>(light)] = {prefix + "position", prefix + "color",
                                               prefix + "power", prefix + "intensity"};
    }
    return made;
  }();
  return names[static_cast<std::size_t>(i)];
}

}  // namespace

SolidObjectShader* SolidObjectShader::instance() {
  static SolidObjectShader* shader = new SolidObjectShader;  // lives for the whole run
  return shader;
}

void SolidObjectShader::setScene(Scene* drawn) { scene = drawn; }

void SolidObjectShader::pushMatrix(const Matrix& parent) { matrixStack.push_back(parent); }

void SolidObjectShader::popMatrix() {
  if (!matrixStack.empty()) matrixStack.pop_back();
}

Matrix SolidObjectShader::uploadMatrices(INode* node) {
  TCamera* camera = scene->getCamera();
  const Matrix viewProjection = camera->getViewProjection();
  const Matrix view = camera->getView();
  Matrix world = node->getTransform();
  if (!matrixStack.empty()) world = world * matrixStack.back();
  const Matrix worldViewProjection = world * viewProjection;
  shader->setParameter("worldViewProjection", worldViewProjection);
  shader->setParameter("worldViewProjInv", worldViewProjection.inverse());
  shader->setParameter("world", world);
  shader->setParameter("viewProjection", viewProjection);
  shader->setParameter("worldView", world * view);
  shader->setParameter("worldInv", world.inverse());
  // Every mesh of one instance moves with the instance being drawn.
  shader->setParameter("velocityTransform", scene->velocityTransform());
  return world;
}

void SolidObjectShader::beginInstance(INode* node, const Material& m) {
  // Solids are drawn by a scene's traversal, which names itself first.
  const Scene* solidObjectScene = scene;
  VANTOR_ASSERT(solidObjectScene);
  bindEffect(m);
  uploadMatrices(node);
  setRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  bindMaterial(m);
  bindLights(m);
  bindExtraTargets();
  setBlendStates(m);
  shader->begin();
  shader->beginPass(0);
}

void SolidObjectShader::bindEffect(const Material& m) {
  technique = m.technique.empty() ? kDefaultTechnique : m.technique;
  shader.emplace(dataFile(m.effectFile.empty() ? kDefaultEffect : m.effectFile), technique.c_str(),
                 scene);
}

void SolidObjectShader::bindMaterial(const Material& m) {
  const SceneLighting& lighting = scene->lighting;
  float colour[4];
  scaled(lighting.ambientScale, m.ambient, colour);
  shader->setParameter("material.ambient", colour);
  scaled(lighting.diffuseScale, m.diffuse, colour);
  shader->setParameter("material.diffuse", colour);
  scaled(lighting.specularScale, m.specular, colour);
  shader->setParameter("material.specular", colour);
  shader->setParameter("material.specularPower", m.specularPower);
  shader->setParameter("deltaTime", scene->getDeltaTime());
  shader->setParameter("time", scene->getTime());
  if (m.lightBleed != 0.0f) shader->setParameter("material.lightBleed", m.lightBleed);
  shader->setParameter("material.lightBleedEnabled", m.lightBleed != 0.0f);
  shader->setParameter("material.limitIllumination", m.limitIllumination);
  const float noAmbient[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  shader->setParameter("environmentAmbient", noAmbient);
  shader->setParameter("tex", static_cast<ID3dSurface*>(m.tex));
  shader->setParameter("enableNormalmap", m.normalmap != nullptr);
  if (m.normalmap) shader->setParameter("normalmap", static_cast<ID3dSurface*>(m.normalmap));
  shader->setParameter("material.bumpiness", m.bumpiness);
  shader->setParameter("blendMode", m.blendMode);
  shader->setParameter("blendFactor", m.blendFactor);
}

void SolidObjectShader::bindLights(const Material& m) {
  const SceneLighting& lighting = scene->lighting;
  const bool directional = m.useDirectionalLight && lighting.directionalLightEnabled && m.lit;
  if (directional) {
    const Vector3& d = lighting.directionalLightDir;
    const float direction[3] = {d.x, d.y, d.z};
    shader->setParameter("directionallight.dir", direction);
    float colour[4];
    scaled({lighting.directionalLightIntensity, lighting.directionalLightIntensity,
            lighting.directionalLightIntensity, lighting.directionalLightIntensity},
           lighting.directionalLightColor, colour);
    shader->setParameter("directionallight.color", colour);
  }
  shader->setParameter("enableDirectionallight", directional);
  if (!m.lit) {
    shader->setParameter("pointLightAmount", 0);
    return;
  }
  // The light array and the one-character index hold ten lights; further ones are left
  // out rather than naming parameters the effect does not have.
  const std::vector<FrameLight>& lights = scene->getLights();
  const int amount = std::min(static_cast<int>(lights.size()), maxPointLights);
  shader->setParameter("pointLightAmount", amount);
  for (int i = 0; i < amount; ++i) {
    const FrameLight& light = lights[static_cast<std::size_t>(i)];
    const PointLightNames& names = pointLightNames(i);
    const Vector3 position{light.world.m[3][0], light.world.m[3][1], light.world.m[3][2]};
    shader->setParameter(names.position.c_str(), position);
    const float k = light.light->intensity;
    const float* c = light.light->color;
    const float lightColour[4] = {k * c[0], k * c[1], k * c[2], k * c[3]};
    shader->setParameter(names.color.c_str(), lightColour);
    shader->setParameter(names.power.c_str(), light.light->power);
    shader->setParameter(names.intensity.c_str(), light.light->intensity);
  }
}

void SolidObjectShader::bindExtraTargets() {
  RenderTarget* blurMap = scene->getBlurMap();
  if (blurMap) {
    shader->setParameter("velocityScale", scene->lighting.velocityScale);
    blurMap->begin(1);
  }
  scene->getNormalBuffer()->begin(3);
  scene->getDepthBuffer()->begin(2);
}

void SolidObjectShader::setBlendStates(const Material& m) {
  switch (m.blendMode) {
    case 1:  // additive
      setRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
      setRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
      setRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
      setRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
      break;
    case 2:  // alpha
      setRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
      setRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
      setRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
      setRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
      break;
    default: setRenderState(D3DRS_ALPHABLENDENABLE, FALSE); break;
  }
  setRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  setRenderState(D3DRS_ZWRITEENABLE, TRUE);
}

void SolidObjectShader::uploadObject(INode* node, OutwardWinding winding) {
  const Matrix world = uploadMatrices(node);
  setRenderState(D3DRS_CULLMODE, cullMode(winding, world));
  shader->commitChanges();
}

void SolidObjectShader::endInstance() {
  shader->endPass();
  shader->end();
  if (RenderTarget* blurMap = scene->getBlurMap()) blurMap->end();
  scene->getNormalBuffer()->end();
  scene->getDepthBuffer()->end();
  shader.reset();
}

}  // namespace vantor
