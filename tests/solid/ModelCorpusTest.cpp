// Damaged copies of the grill through the model importer: every copy gives either no tree or
// a tree that draws, and the process survives all of them (Assimp's own reader crashes on a
// few; those are read in a child process first). A spread sample runs by default; with
// VANTOR_MODEL_CORPUS=all every copy runs.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ModelFiles.h"
#include "SolidFixture.h"
#include "gfx/model/ModelProbe.h"

namespace vantor_test {
namespace {

constexpr int kCorpusSize = 600;

class ModelCorpus : public SolidTest {};

TEST_F(ModelCorpus, EveryDamagedCopyGivesNoTreeOrATreeThatDraws) {
  const char* which = std::getenv("VANTOR_MODEL_CORPUS");
  const bool all = which && std::string(which) == "all";
  const int step = all ? 1 : 23;  // 27 copies, a few seconds, all three kinds of damage
  const std::string original = readFile(grillPath());
  ASSERT_GT(original.size(), 1000u);
  int unreadable = 0, trees = 0;
  std::string crashed;  // the copies that crash the reader
  float time = 0.0f;
  for (int i = 0; i < kCorpusSize; i += step) {
    SCOPED_TRACE("copy " + std::to_string(i));
    const std::string path = writeFile("corpus.x", mutated(original, i));
    if (!vantor::modelReadSurvives(path.c_str())) crashed += " " + std::to_string(i);
    vantor::ModelImporter importer;
    vantor::DummyNode* root =
        importer.loadModel(path.c_str(), false, false, vantor::Matrix::rotationX(1.57f));
    if (!root) {
      ++unreadable;
      continue;
    }
    ++trees;
    // Drawable: every node below the root is a group or an instance whose first child is one
    // of the meshes of this load.
    for (vantor::INode* node : childrenOf(*root)) {
      auto* instance = dynamic_cast<vantor::MeshInstance*>(node);
      if (!instance) {
        EXPECT_NE(dynamic_cast<vantor::DummyNode*>(node), nullptr);
        continue;
      }
      const auto meshes = childrenOf(*instance);
      ASSERT_FALSE(meshes.empty());
      EXPECT_NE(std::find(importer.meshes.begin(), importer.meshes.end(), meshes[0]),
                importer.meshes.end());
    }
    scene->addNode(root);
    render(time += 1.0f);
    scene->removeNode(root);
    releaseModel(importer);
  }
  std::printf("damaged copies: %d read, %d unreadable; the reader crashes on copies%s\n", trees,
              unreadable, crashed.c_str());
  EXPECT_GT(trees, 0);
}

}  // namespace
}  // namespace vantor_test
