#include "ModelFiles.h"

#include <cctype>
#include <cstdio>
#include <iterator>
#include <random>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <unistd.h>

#include "gfx/mesh/MeshFace.h"
#include "gfx/model/MeshInstance.h"
#include "gfx/shading/Material.h"

namespace vantor_test {

namespace {

// Every test process writes its model files into a folder of its own, removed when it ends:
// ctest runs the same test on both GL dialects at once, and a copy rewritten by the other
// process between the crash probe and the real read would reach the reader unprobed.
class ProcessFolder {
 public:
  ProcessFolder()
      : path_(std::filesystem::path(VANTOR_BINARY_DIR) / "models" / std::to_string(getpid())) {
    std::filesystem::create_directories(path_);
  }
  ~ProcessFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace

std::string writeFile(const std::string& name, const std::string& bytes) {
  static const ProcessFolder folder;
  const std::string path = (folder.path() / name).string();
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

std::string writeXFile(const std::string& name, const std::string& body) {
  return writeFile(name, "xof 0303txt 0032\n" + body);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string frame(const std::string& name, const std::string& content,
                  const vantor::Matrix& matrix) {
  // Every number with its decimal point: Assimp reads "1,0" as the decimal 1.0.
  std::string numbers;
  char number[32];
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      std::snprintf(number, sizeof number, "%s%.6f", numbers.empty() ? "" : ",", matrix.m[r][c]);
      numbers += number;
    }
  }
  return "Frame " + name + " {\n FrameTransformMatrix { " + numbers + ";; }\n" + content + "}\n";
}

std::string triangleMesh(const std::string& name, const std::string& extra) {
  return "Mesh " + name + " {\n 3;\n 0;0;0;,\n 1;0;0;,\n 0;1;0;;\n 1;\n 3;0,1,2;;\n" + extra +
         "}\n";
}

std::vector<std::array<int, 3>> triangles(vantor::Mesh& mesh) {
  const vantor::VertexList& vertices = mesh.getVertices();
  std::map<const vantor::VertexBase*, int> index;
  for (std::size_t i = 0; i < vertices.size(); ++i) index[vertices[i]] = int(i);
  std::vector<std::array<int, 3>> result;
  vantor::VertexList corners;
  for (const vantor::FaceBase* face : mesh.getFaces()) {
    corners.clear();
    face->getVertices(corners);
    if (corners.size() != 3) return {};
    result.push_back({index[corners[0]], index[corners[1]], index[corners[2]]});
  }
  return result;
}

std::vector<vantor::INode*> childrenOf(vantor::INode& node) {
  std::vector<vantor::INode*> children;
  node.resetChildren();
  while (vantor::INode* child = node.nextChild()) children.push_back(child);
  return children;
}

// The importer makes plain DummyNode and MeshInstance objects, so deleting them through
// their own types is exact even though nodes have no virtual destructor.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdelete-non-virtual-dtor"
void deleteNode(vantor::INode* node) {
  if (auto* instance = dynamic_cast<vantor::MeshInstance*>(node)) {
    delete instance;
  } else if (auto* group = dynamic_cast<vantor::DummyNode*>(node)) {
    delete group;
  }
}
#pragma GCC diagnostic pop

void releaseModel(vantor::ModelImporter& importer) {
  if (vantor::DummyNode* root = importer.root) {
    for (vantor::INode* child : childrenOf(*root)) deleteNode(child);
    deleteNode(root);
  }
  for (vantor::Mesh* mesh : importer.meshes) delete mesh;
  for (vantor::Material* material : importer.materials) delete material;
  importer.meshes.clear();
  importer.materials.clear();
  importer.root = nullptr;
}

std::string mutated(const std::string& original, int index) {
  std::mt19937 random(static_cast<unsigned>(index) * 2654435761u + 17u);
  const auto below = [&random](std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
  };
  std::string copy = original;
  switch (index % 3) {
    case 0:  // one to four flipped bits
      for (std::size_t n = 1 + below(4); n > 0; --n) {
        copy[below(copy.size())] ^= char(1 << below(8));
      }
      break;
    case 1:  // cut short anywhere
      copy.resize(below(copy.size()));
      break;
    default: {  // a number (vertex or face count, index, coordinate) made huge or negative
      static const char* const kNumbers[] = {
          "999999999", "-1",    "-2147483648", "4294967295", "2147483647",          "1e38",
          "-999999",   "65536", "0",           "-3.4e38",    "18446744073709551615"};
      std::size_t at = below(copy.size());
      while (at < copy.size() && !std::isdigit(static_cast<unsigned char>(copy[at]))) ++at;
      std::size_t end = at;
      while (end < copy.size() &&
             (std::isdigit(static_cast<unsigned char>(copy[end])) || copy[end] == '.')) {
        ++end;
      }
      copy.replace(at, end - at, kNumbers[below(std::size(kNumbers))]);
      break;
    }
  }
  return copy;
}

std::string grillPath() { return VANTOR_SOURCE_DIR "/data/grilli9.x"; }

}  // namespace vantor_test
