// The invitation: the hook functions the engine calls. demoSetup builds the scene once behind
// the loading picture and reads the choreography's tracks; demoFrame derives every transform
// from the tracks at the music position alone, so any moment can be drawn for any music time.
#include "invitation/Invitation.h"

#include <d3d9.h>

#include <cstdio>
#include <string_view>

#include "Core/Fatal.h"
#include "demo/D3DWindow.h"
#include "demo/DemoHooks.h"
#include "gfx/math/Vector3.h"
#include "gfx/mesh/Mesh.h"
#include "gfx/mesh/MeshModifierSubdivide.h"
#include "gfx/mesh/MeshModifierTexgen.h"
#include "gfx/model/MeshInstance.h"
#include "gfx/model/ModelImporter.h"
#include "gfx/post/BloomEffect.h"
#include "gfx/post/MotionblurEffect.h"
#include "gfx/post/RenderUtils.h"
#include "gfx/resources/DataFileCache.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/resources/RenderTarget.h"
#include "gfx/resources/Texture.h"
#include "gfx/scene/DummyNode.h"
#include "gfx/scene/NodePointlight.h"
#include "gfx/scene/PerspectiveCamera.h"
#include "gfx/scene/Scene.h"
#include "gfx/shading/Material.h"
#include "gfx/text/FontImporter.h"
#include "gfx/tracks/TrackFile.h"
#include "invitation/Choreography.h"
#include "invitation/ScrollText.h"

namespace vantor::invitation {

int loadingTicks = 0;
Texture* loadingTexture = nullptr;
Texture* normalMapTexture = nullptr;
Texture* backgroundTexture = nullptr;
DummyNode* modelRoot = nullptr;
Scene* scene = nullptr;
PerspectiveCamera* camera = nullptr;
FontImporter* glyphFont = nullptr;
DummyNode* textRoot = nullptr;
std::vector<MeshInstance*> glyphInstances;
std::vector<Matrix> glyphBaseTransforms;
NodePointlight* pointLight = nullptr;
TrackSet choreography = builtInChoreography();

namespace {

constexpr const char* kReportSource = "main";
constexpr const char* kModelFile = "data/grilli9.x";

// Holds the model's meshes and materials for as long as its nodes use them: the whole run.
ModelImporter* modelImporter = nullptr;

// The loading picture is redrawn at every this many progress points, so that building the
// scene is not slowed down by drawing at each one.
constexpr int kTicksPerLoadingFrame = 50;

// The pen's advance for a blank, and the gap after each letter, in world units.
constexpr double kBlankAdvance = 1.5;
constexpr double kLetterGap = 0.4;

const Vector3 kUp{0.0f, 1.0f, 0.0f};

Matrix uniformScale(float s) {
  Matrix m;
  m.m[0][0] = s;
  m.m[1][1] = s;
  m.m[2][2] = s;
  return m;
}

// Two blended projections give the surface its texture coordinates in both sets.
void projectTextureCoordinates(Mesh* mesh) {
  meshmodify::Texgen(0.2f, 1, 0).apply(mesh);
  meshmodify::Texgen(0.2f, 1, 1).apply(mesh);
}

// The grill is red and shiny: its materials' diffuse and specular colours are raised, and
// every mesh gets texture coordinates like the letters'. Children before their parent.
void prepareModel(INode* node) {
  node->resetChildren();
  while (INode* child = node->nextChild()) prepareModel(child);
  if (auto* instance = dynamic_cast<MeshInstance*>(node)) {
    Material& material = instance->getMaterial();
    for (int i = 0; i < 4; ++i) {
      material.diffuse[i] *= 10.0f;
      material.specular[i] *= 3.0f;
    }
  }
  if (auto* mesh = dynamic_cast<Mesh*>(node)) projectTextureCoordinates(mesh);
}

Material glyphMaterial() {
  Material material;
  for (int i = 0; i < 4; ++i) {
    material.ambient[i] = 0.2f;
    material.diffuse[i] = 0.3f;
    material.specular[i] = 0.8f;
  }
  material.specularPower = 3.0f;
  material.tex = nullptr;
  material.normalmap = normalMapTexture;
  material.bumpiness = 1.0f;
  return material;
}

// Every glyph is scaled up, given texture coordinates, refined twice (linear, so the letter
// keeps its shape) and uploaded, so the first frame does not build GPU buffers.
void buildGlyphs() {
  glyphFont = new FontImporter(1, 600, 0.2f, false, "Arial Black");
  glyphFont->importGlyphs(glyphSet);
  for (int i = 0; i < glyphFont->glyphCount(); ++i) {
    Mesh* mesh = glyphFont->glyph(static_cast<unsigned>(i));
    mesh->transform(uniformScale(7.0f));
    projectTextureCoordinates(mesh);
    meshmodify::Subdivide refine(2, 1);
    refine.apply(mesh);
    // The refinement's work mesh keeps the first level, which nothing reads again.
    refine.scratchMesh()->clear();
    // Lit with a normal map: the normals and tangents are made now too, so that a letter's
    // first frame on the screen does not rebuild its buffers.
    mesh->computeNormals();
    mesh->computeTangents();
    mesh->upload();
  }
}

// One instance per letter of the scroll text, placed along x by the pen.
void layOutScroller() {
  const Material material = glyphMaterial();
  textRoot = new DummyNode;
  float pen = 0.0f;
  for (const char* c = scrollText; *c != '\0'; ++c) {
    Mesh* mesh = *c == ' ' ? nullptr : glyphFont->findGlyph(*c);
    if (mesh == nullptr) {
      pen += static_cast<float>(kBlankAdvance);
      continue;
    }
    auto* instance = new MeshInstance(mesh);
    textRoot->addChild(instance);
    instance->setMaterial(material);
    instance->setTransform(Matrix::translation(pen, 0.0f, 0.0f));
    glyphBaseTransforms.push_back(instance->getTransform());
    glyphInstances.push_back(instance);
    const BoundingBox* box = mesh->getBoundingBox();
    const double width = static_cast<double>(box->maxX) - static_cast<double>(box->minX);
    pen += static_cast<float>(width + kLetterGap);
  }
}

// The data folder's track file over the built-in tracks. Without the file the built-in
// choreography plays; a damaged one ends the run with its line named, like any data file the
// invitation cannot use.
void readChoreography() {
  if (findDataFile(kTracksFile).empty()) {
    std::fprintf(stderr, "KESTU09: %s is not in the data folder; the built-in choreography plays\n",
                 kTracksFile);
    return;
  }
  const std::string name = dataFile(kTracksFile);
  DataFileCache* cache = DataFileCache::instance();
  const unsigned char* bytes = cache->data(name);
  if (bytes == nullptr) return;  // the cache has said so, and the run ends
  const std::string_view text(reinterpret_cast<const char*>(bytes), cache->size(name));
  TrackFileError error;
  const bool tracksRead = readTrackFile(text, builtInChoreography(), choreography, error);
  if (!tracksRead) {
    std::fprintf(stderr, "%s:%d: %s\n", kTracksFile, error.line, error.message.c_str());
  }
  VANTOR_ASSERT(tracksRead);
}

float cue(ChoreographyTrack track, float t) {
  return static_cast<float>(choreography.tracks[track].valueAt(t));
}

Vector3 cue3(ChoreographyTrack x, float t) {
  return {cue(x, t), cue(static_cast<ChoreographyTrack>(x + 1), t),
          cue(static_cast<ChoreographyTrack>(x + 2), t)};
}

}  // namespace

}  // namespace vantor::invitation

namespace vantor {

using namespace invitation;

void demoConfigure(DisplaySettings& settings) {
  settings.width = 640;
  settings.height = 480;
  settings.fullscreen = false;
  settings.title = "KESTU09";
  settings.aspect = 16.0f / 9.0f;
}

void tickLoadingProgress() {
  if (D3DWindow::current() == nullptr || loadingTexture == nullptr) return;
  if (++loadingTicks < kTicksPerLoadingFrame) return;
  loadingTicks -= kTicksPerLoadingFrame;
  clearTarget(0, 0, 0, 0);
  drawQuad(loadingTexture, 1.0f, 0.0f, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_SRCALPHA, true);
  VANTOR_CHECK_LINE(
      GraphicsContext::instance()->device()->Present(nullptr, nullptr, nullptr, nullptr), 39);
}

void demoSetup() {
  GraphicsContext* context = GraphicsContext::instance();
  loadingTexture = context->loadTexture(dataFile("loading.jpg"));

  modelImporter = new ModelImporter;
  modelRoot = modelImporter->loadModel(kModelFile, false, false,
                                       Matrix::rotationX(1.57f) * uniformScale(0.03f));
  if (modelRoot != nullptr) {
    prepareModel(modelRoot);
  } else {
    std::fprintf(stderr, "KESTU09: the model %s could not be read; the scene goes on without it\n",
                 kModelFile);
  }

  normalMapTexture = context->loadTexture(dataFile("moon_normal.jpg"));
  context->loadTexture(dataFile("kivei.jpg"));
  backgroundTexture = context->loadTexture(dataFile("bg.jpg"));

  scene = new Scene;
  camera = new PerspectiveCamera(1.5f, 1.0f, 200.0f);
  scene->setCamera(camera);

  buildGlyphs();
  layOutScroller();

  scene->setBlurMapEnabled(true);
  pointLight = new NodePointlight(0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 2.0f, 1.0f, 20.0f);
  scene->addNode(pointLight);
  scene->addNode(textRoot);
  if (modelRoot != nullptr) scene->addNode(modelRoot);
  scene->lighting.velocityScale = 0.05f;
  readChoreography();
}

void demoStep(float, float) {}

void demoFrame(float frameSeconds, float musicSeconds) {
  const float t = musicSeconds;
  scene->update(frameSeconds);
  for (std::size_t i = 0; i < glyphInstances.size(); ++i) {
    glyphInstances[i]->setTransform(glyphBaseTransforms[i]);
  }
  const Vector3 scroll = cue3(kScrollX, t);
  textRoot->setTransform(Matrix::translation(scroll.x, scroll.y, scroll.z));
  if (modelRoot != nullptr) {
    const Vector3 grill = cue3(kGrillX, t);
    modelRoot->setTransform(Matrix::rotationY(cue(kGrillTurn, t)) *
                            Matrix::translation(grill.x, grill.y, grill.z));
  }
  camera->setLookAt(cue3(kEyeX, t), cue3(kTargetX, t), kUp);
  const Vector3 eye = camera->getPosition();
  pointLight->setTransform(Matrix::translation(eye.x, eye.y, eye.z));
  const Vector3 colour = cue3(kLightRed, t);
  pointLight->color[0] = colour.x;
  pointLight->color[1] = colour.y;
  pointLight->color[2] = colour.z;
  pointLight->intensity = cue(kLightIntensity, t);

  scene->render(t);
  MotionblurEffect motionBlur(scene->getColorBuffer(), scene->getBlurMap(), scene->getDepthBuffer(),
                              cue(kBlurStrength, t));
  motionBlur.render(t);
  BloomEffect bloom(&motionBlur, 0.1f, 1.0f, 1.5f);
  bloom.render(t);

  drawQuad(backgroundTexture, 1.0f, 0.0f, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_SRCALPHA, true);
  drawQuad(motionBlur.getColorBuffer(), 1.0f, 0.0f, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_SRCALPHA,
           true);
  drawQuad(bloom.getColorBuffer(), cue(kBloomAmount, t), 0.0f, D3DBLENDOP_ADD, D3DBLEND_ONE,
           D3DBLEND_SRCALPHA, true);
  // The bloom is destroyed first, then the motion blur: each gives its buffer back to the pool.
}

void demoShutdown() {}

}  // namespace vantor
