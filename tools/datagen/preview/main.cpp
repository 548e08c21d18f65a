// make-preview: documentation pictures of the generated data. Renders the grill as the engine
// will place it (Assimp's .x reader, the model importer's conversions, the invitation's setup
// transform), puts the four pictures on one contact sheet and draws the track's spectrogram.
#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "Rasteriser.h"
#include "TrackPicture.h"
#include "common/PngFile.h"

namespace {

using datagen::Vec3;

// rotationX(1.57) as the engine's math library defines it (row vectors, its own sign
// pattern), followed by the uniform scale 0.03: the invitation's setup transform.
Vec3 setupTransform(Vec3 p) {
  double c = float(std::cos(1.57f)), s = float(std::sin(1.57f));
  return Vec3{p.x, p.y * c + p.z * s, -p.y * s + p.z * c} * 0.03;
}
Vec3 setupNormal(Vec3 n) { return datagen::normalize(setupTransform(n)); }

// The invitation's placement of the model at music time t: rotationY(t), then (-3, 0, 0).
Vec3 placeAt(Vec3 p, double t, bool translate) {
  double c = std::cos(t), s = std::sin(t);
  Vec3 r{p.x * c - p.z * s, p.y, p.x * s + p.z * c};
  return translate ? r + Vec3{-3, 0, 0} : r;
}

void drawModel(datagen::Rasteriser& raster, const aiScene* scene, double t, bool translate) {
  for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
    const aiMesh* mesh = scene->mMeshes[m];
    const aiMaterial* material = scene->mMaterials[mesh->mMaterialIndex];
    aiColor4D diffuse(0.02f, 0.02f, 0.02f, 1), specular(0.3f, 0.3f, 0.3f, 1);
    float power = 20;
    aiGetMaterialColor(material, AI_MATKEY_COLOR_DIFFUSE, &diffuse);
    aiGetMaterialColor(material, AI_MATKEY_COLOR_SPECULAR, &specular);
    aiGetMaterialFloat(material, AI_MATKEY_SHININESS, &power);
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
      const aiFace& face = mesh->mFaces[f];
      if (face.mNumIndices != 3) continue;
      datagen::ShadedVertex v[3];
      // The importer's order (1, 0, 2) of each face.
      const unsigned order[3] = {face.mIndices[1], face.mIndices[0], face.mIndices[2]};
      for (int k = 0; k < 3; ++k) {
        aiVector3D p = mesh->mVertices[order[k]], n = mesh->mNormals[order[k]];
        v[k].position = placeAt(setupTransform({p.x, p.y, p.z}), t, translate);
        v[k].normal = placeAt(setupNormal({n.x, n.y, n.z}), t, false);
        // The invitation multiplies the file's diffuse by 10 and specular by 3.
        v[k].diffuse = Vec3{diffuse.r, diffuse.g, diffuse.b} * 10;
        v[k].specular = Vec3{specular.r, specular.g, specular.b} * 3;
        v[k].specularPower = power;
      }
      raster.drawTriangle(v[0], v[1], v[2]);
    }
  }
}

// The four pictures side by side, each scaled to a common height.
datagen::RgbImage contactSheet(const std::string& dataDir) {
  const char* names[] = {"loading.jpg", "bg.jpg", "moon_normal.jpg", "kivei.jpg"};
  const int height = 240, gap = 8;
  datagen::RgbImage pictures[4];
  int width = gap;
  for (int i = 0; i < 4; ++i) {
    pictures[i] = datagen::readJpeg(dataDir + "/" + names[i]);
    if (pictures[i].width == 0) return {};
    width += pictures[i].width * height / pictures[i].height + gap;
  }
  datagen::RgbImage sheet{width, height + 2 * gap, {}};
  sheet.pixels.assign(size_t(sheet.width) * sheet.height * 3, 24);
  int left = gap;
  for (const auto& picture : pictures) {
    int w = picture.width * height / picture.height;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < w; ++x) {
        const uint8_t* src = &picture.pixels[(size_t(y * picture.height / height) * picture.width +
                                              x * picture.width / w) *
                                             3];
        std::memcpy(&sheet.pixels[(size_t(y + gap) * sheet.width + left + x) * 3], src, 3);
      }
    }
    left += w + gap;
  }
  return sheet;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr,
                 "usage: make-preview DATA_DIR DOCS_DIR\n"
                 "Writes DOCS_DIR/grill.png, DOCS_DIR/grill-in-scene.png, "
                 "DOCS_DIR/pictures.jpg and DOCS_DIR/track.jpg from the data files.\n");
    return 2;
  }
  std::string data = argv[1], docs = argv[2];
  Assimp::Importer importer;
  const aiScene* scene = importer.ReadFile(data + "/grilli9.x", 0);
  datagen::RgbImage background = datagen::readJpeg(data + "/bg.jpg");
  datagen::RgbImage sheet = contactSheet(data);
  datagen::RgbImage spectrogram = datagen::trackSpectrogram(data + "/kestuinvi.mp3");
  if (!scene || background.width == 0 || sheet.width == 0 || spectrogram.width == 0) {
    std::fprintf(stderr, "make-preview: cannot read the data files in %s\n", data.c_str());
    return 1;
  }
  // Close-up from the front left, a little above.
  datagen::Rasteriser close(640, 480, {{-2.6, 3.4, -4.6}, {0, 1.35, 0}, {0, 1, 0}, 0.75}, {});
  drawModel(close, scene, 0.6, false);
  // The invitation's own camera at music time 2.0, over the backdrop.
  datagen::Rasteriser inScene(640, 360, {{0, 8, -14}, {6, 5, 0}, {0, 1, 0}, 1.5}, background);
  drawModel(inScene, scene, 2.0, true);
  bool ok = datagen::writePng(docs + "/grill.png", close.resolve()) &&
            datagen::writePng(docs + "/grill-in-scene.png", inScene.resolve()) &&
            datagen::writeJpeg(docs + "/pictures.jpg", sheet, 88) &&
            datagen::writeJpeg(docs + "/track.jpg", spectrogram, 85);
  if (!ok) {
    std::fprintf(stderr, "make-preview: cannot write into %s\n", docs.c_str());
    return 1;
  }
  return 0;
}
