// The invitation's process-wide objects: made once by demoSetup, animated by demoFrame, never
// freed (the graphics context owns the textures and meshes, the scene holds its nodes without
// owning them). Declared here so that the invitation's tests can look at what was built.
#pragma once

#include <vector>

#include "gfx/math/Matrix.h"

namespace vantor {
class DummyNode;
class FontImporter;
class MeshInstance;
class NodePointlight;
class PerspectiveCamera;
class Scene;
class Texture;
struct TrackSet;
}  // namespace vantor

namespace vantor::invitation {

// Progress points counted since the loading picture was last drawn.
extern int loadingTicks;
// Null until demoSetup has loaded them.
extern Texture* loadingTexture;
extern Texture* normalMapTexture;
extern Texture* backgroundTexture;
// The grill; null when its model file could not be read (the scene then goes on without it).
extern DummyNode* modelRoot;
extern Scene* scene;
extern PerspectiveCamera* camera;
extern FontImporter* glyphFont;
// Parent of every letter of the scroller; the scroll moves it as a whole.
extern DummyNode* textRoot;
// One instance per non-blank character of the scroll text, in text order, and the local
// matrix (pen, 0, 0) each got at setup, at the same index.
extern std::vector<MeshInstance*> glyphInstances;
extern std::vector<Matrix> glyphBaseTransforms;
// The light that rides with the camera.
extern NodePointlight* pointLight;
// The tracks each frame reads (invitation/Choreography.h names them, in their order): the
// built-in ones until demoSetup has read the data folder's track file. A viewer may put
// another set of the same tracks in their place between frames.
extern TrackSet choreography;

}  // namespace vantor::invitation
