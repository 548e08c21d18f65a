// Model files written by the tests, and readers of what the importer made of them.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "gfx/mesh/Mesh.h"
#include "gfx/model/ModelImporter.h"

namespace vantor_test {

// Writes a DirectX text model ("xof 0303txt 0032" and then `body`) under the test output
// folder; answers its path.
std::string writeXFile(const std::string& name, const std::string& body);
// Writes raw bytes under the test output folder; answers the path.
std::string writeFile(const std::string& name, const std::string& bytes);
std::string readFile(const std::string& path);

// A frame with the given matrix (row by row, as the engine has it) around `content`.
std::string frame(const std::string& name, const std::string& content,
                  const vantor::Matrix& matrix = {});
// One triangle (0,0,0) (1,0,0) (0,1,0) as a mesh; `extra` goes inside it (normals, texture
// coordinates, materials).
std::string triangleMesh(const std::string& name, const std::string& extra = "");

// The mesh's triangles as vertex-index triples, read back through its topology.
std::vector<std::array<int, 3>> triangles(vantor::Mesh& mesh);

// Deletes what the importer's last load made: its nodes, meshes and materials (the engine
// keeps them for the whole run; the tests give them back so that leak checks stay quiet).
void releaseModel(vantor::ModelImporter& importer);

// Deletes one node the importer made (a DummyNode or a MeshInstance).
void deleteNode(vantor::INode* node);

// The children of a node, in order.
std::vector<vantor::INode*> childrenOf(vantor::INode& node);

// Copy number `index` of a model file, damaged in one of three ways chosen by the index:
// bits flipped, the end cut off, or a number replaced by a huge or negative one. The same
// index always gives the same copy.
std::string mutated(const std::string& original, int index);

// The path of the demo's model file.
std::string grillPath();

}  // namespace vantor_test
