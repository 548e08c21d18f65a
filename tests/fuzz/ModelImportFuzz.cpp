// libFuzzer target for the model import the invitation uses: any bytes as a DirectX .x file,
// through ModelImporter::loadModel with the invitation's arguments, that is the trial read in
// a child process and then the real read and its conversion into meshes, materials and nodes
// on a headless device. A reader crash may cost the trial child, never this process.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "DeviceGl.h"
#include "demo/D3DWindow.h"
#include "demo/DemoHooks.h"
#include "gfx/model/ModelImporter.h"
#include "gfx/resources/GraphicsContext.h"

namespace vantor {
void tickLoadingProgress() {}
}  // namespace vantor

namespace {

bool openDevice() {
  static vantor::D3DWindow window;  // the process-wide window, never opened
  D3DPRESENT_PARAMETERS parameters = platform::d3d9::windowedParameters(64, 36);
  return SUCCEEDED(window.direct3d()->CreateDevice(
      D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters,
      vantor::GraphicsContext::instance()->deviceSlot()));
}

// The reader is chosen by the name's extension, as for data/grilli9.x, so each input is
// written to a file of that kind; it is removed when the fuzzer ends.
struct ScratchModelFile {
  std::string path = "/tmp/model-fuzz-" + std::to_string(getpid()) + ".x";
  ~ScratchModelFile() { unlink(path.c_str()); }
};

}  // namespace

// Assimp loses the objects it had built when it gives up on a malformed file; that loss is the
// system library's, and the leak check at exit would report it as a finding of every run.
extern "C" const char* __lsan_default_suppressions() { return "leak:libassimp.so.5\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = openDevice();
  if (!ready) std::abort();
  static const ScratchModelFile scratch;
  const std::string& path = scratch.path;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) std::abort();

  // The invitation's: turned about x, then scaled by 0.03.
  vantor::Matrix scale;
  scale.m[0][0] = scale.m[1][1] = scale.m[2][2] = 0.03f;
  const vantor::Matrix transform = vantor::Matrix::rotationX(1.57f) * scale;
  vantor::ModelImporter importer;
  importer.loadModel(path.c_str(), false, false, transform);
  if (importer.meshes.size() != importer.meshMaterials.size()) std::abort();
  // The importer hands what it made to the caller, who keeps it for the model's lifetime:
  // here, the process's, so that the leak check at exit looks only at what nobody holds.
  // (Never destroyed: a static vector would be freed at exit before the check.) A long run
  // needs -rss_limit_mb above the default.
  struct Kept {
    std::vector<vantor::DummyNode*> roots;
    std::vector<vantor::Mesh*> meshes;
    std::vector<vantor::Material*> materials;
  };
  static Kept* const kept = new Kept;
  kept->roots.push_back(importer.root);
  kept->meshes.insert(kept->meshes.end(), importer.meshes.begin(), importer.meshes.end());
  kept->materials.insert(kept->materials.end(), importer.materials.begin(),
                         importer.materials.end());
  return 0;
}
