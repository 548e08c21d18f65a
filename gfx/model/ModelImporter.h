// Reads a model file through Assimp and turns it into engine objects: every imported mesh
// into a Mesh with its GPU buffers filled, every imported material into a Material, and the
// node hierarchy into DummyNodes and MeshInstances, all hanging directly below one root.
//
// Nothing made here is ever deleted by the importer: the meshes, materials and nodes of a
// load stay in use by the scene after the next load has replaced the lists.
//
// Any file, however malformed, gives either null (the file cannot be read) or a tree that
// draws: the file is first read in a throw-away child process, so a reader crash costs the
// child and not the demo (see ModelProbe.h).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gfx/math/Matrix.h"
#include "gfx/scene/DummyNode.h"

struct aiMaterial;
struct aiMesh;
struct aiNode;
struct aiScene;
namespace Assimp {
class Importer;
}

namespace vantor {

class INode;
class Mesh;
struct Material;

class ModelImporter {
 public:
  ModelImporter();
  ~ModelImporter();
  ModelImporter(const ModelImporter&) = delete;
  ModelImporter& operator=(const ModelImporter&) = delete;

  // The root of the converted tree, or null when the file cannot be read. Every created mesh
  // gets mergeOnRebuild and has `transform` applied to its vertices; with generateNormals
  // false, a mesh whose file supplies normals keeps them for good.
  DummyNode* loadModel(const char* fileName, bool mergeOnRebuild, bool generateNormals,
                       Matrix transform);

  // What the last load made, in the file's order (index = the file's index).
  std::vector<Mesh*> meshes;
  std::vector<Material*> materials;
  std::vector<unsigned> meshMaterials;  // the file's material index of each mesh
  DummyNode* root = nullptr;            // null before and during a load

 private:
  void convertNode(INode* parent, const aiNode& node);

  std::unique_ptr<Assimp::Importer> importer;  // owns importedScene
  const aiScene* importedScene = nullptr;
  std::string fileName;  // of the load under way, for reports
};

// One imported mesh as an engine mesh with filled buffers, its positions (as points) and
// normals (as directions, not renormalised) moved by `transform`. Texture set 0 is flipped
// vertically, set 1 kept; a mesh with one set uses it for both. Triangles get the winding
// (b, a, c); polygons become fans around their first corner; points, lines and faces naming
// missing vertices are left out.
Mesh* convertImportedMesh(const aiMesh& mesh, bool mergeOnRebuild, bool generateNormals,
                          const Matrix& transform);
// One imported material: its ambient, diffuse and specular colours where it has them, the
// diffuse texture and the normal map (by file name, in the data folders); the rest defaults.
Material* convertImportedMaterial(const aiMaterial& material);

// The file-name part of a texture name taken from a model: no folders (either slash), and
// nothing for "." or "..", so a model cannot make the demo read outside its data folders.
std::string textureFileName(const std::string& nameInModel);

}  // namespace vantor
