#include "XFileWriter.h"

#include <cmath>
#include <cstdio>
#include <memory>

namespace datagen {
namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

// File coordinates of an engine-frame direction or position (see the header). The angle is
// taken in float as the engine computes it, so the round trip is exact to float precision.
Vec3 fileFromEngine(Vec3 p) {
  double c = float(std::cos(1.57f)), s = float(std::sin(1.57f));
  // q = p * transpose(R) for R = rotationX with rows (1,0,0), (0,c,-s), (0,s,c).
  Vec3 q{p.x, p.y * c - p.z * s, p.y * s + p.z * c};
  return {q.x, q.y, -q.z};
}

// Prints "-0.0000" as "0.0000" so that the text does not depend on the sign of a zero.
double tidy(double v, double unit) { return std::fabs(v) < unit / 2 ? 0.0 : v; }

void writeMaterial(FILE* f, const SurfaceMaterial& m) {
  std::fprintf(f, "    Material %s {\n", m.name.c_str());
  std::fprintf(f, "     %.4f;%.4f;%.4f;%.4f;;\n", m.diffuse[0], m.diffuse[1], m.diffuse[2],
               m.diffuse[3]);
  std::fprintf(f, "     %.4f;\n", m.specularPower);
  std::fprintf(f, "     %.4f;%.4f;%.4f;;\n", m.specular[0], m.specular[1], m.specular[2]);
  std::fprintf(f, "     0.0000;0.0000;0.0000;;\n");
  if (!m.textureFile.empty()) {
    std::fprintf(f, "     TextureFilename {\n      \"%s\";\n     }\n", m.textureFile.c_str());
  }
  std::fprintf(f, "    }\n");
}

void writeIdentityMatrix(FILE* f, const char* indent) {
  std::fprintf(f,
               "%sFrameTransformMatrix {\n%s  1.000000,0.000000,0.000000,0.000000,\n"
               "%s  0.000000,1.000000,0.000000,0.000000,\n"
               "%s  0.000000,0.000000,1.000000,0.000000,\n"
               "%s  0.000000,0.000000,0.000000,1.000000;;\n%s}\n",
               indent, indent, indent, indent, indent, indent);
}

void writeFaces(FILE* f, const MeshPart& part) {
  std::fprintf(f, "    %zu;\n", part.triangles.size());
  for (size_t i = 0; i < part.triangles.size(); ++i) {
    const auto& t = part.triangles[i];
    std::fprintf(f, "3;%d,%d,%d;%s\n", t[0], t[1], t[2],
                 i + 1 == part.triangles.size() ? ";" : ",");
  }
}

void writeVectors(FILE* f, const std::vector<Vec3>& vectors, const char* format, double unit) {
  std::fprintf(f, "    %zu;\n", vectors.size());
  for (size_t i = 0; i < vectors.size(); ++i) {
    Vec3 v = fileFromEngine(vectors[i]);
    std::fprintf(f, format, tidy(v.x, unit), tidy(v.y, unit), tidy(v.z, unit));
    std::fprintf(f, "%s\n", i + 1 == vectors.size() ? ";" : ",");
  }
}

void writeMesh(FILE* f, const MeshPart& part, const GrillModel& model) {
  std::fprintf(f, "  Frame %s {\n", part.name.c_str());
  writeIdentityMatrix(f, "    ");
  std::fprintf(f, "   Mesh %sMesh {\n", part.name.c_str());
  writeVectors(f, part.positions, "%.3f;%.3f;%.3f;", 1e-3);
  writeFaces(f, part);
  std::fprintf(f, "   MeshNormals {\n");
  writeVectors(f, part.normals, "%.5f;%.5f;%.5f;", 1e-5);
  writeFaces(f, part);
  std::fprintf(f, "   }\n   MeshTextureCoords {\n    %zu;\n", part.texcoords.size());
  for (size_t i = 0; i < part.texcoords.size(); ++i) {
    std::fprintf(f, "%.4f;%.4f;%s\n", part.texcoords[i][0], part.texcoords[i][1],
                 i + 1 == part.texcoords.size() ? ";" : ",");
  }
  std::fprintf(f, "   }\n   MeshMaterialList {\n    1;\n    %zu;\n", part.triangles.size());
  for (size_t i = 0; i < part.triangles.size(); ++i) {
    std::fprintf(f, "0%s\n", i + 1 == part.triangles.size() ? ";" : ",");
  }
  writeMaterial(f, model.materials[part.material]);
  std::fprintf(f, "   }\n  }\n  }\n");
}

}  // namespace

bool writeXFile(const std::string& path, const GrillModel& model) {
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "w"));
  if (!file) return false;
  FILE* f = file.get();
  std::fprintf(f, "xof 0303txt 0032\n\n");
  std::fprintf(f,
               "// KESTU09 kettle grill, written by tools/datagen/model (make-model).\n"
               "// Axes: +x the grill's right, -z up, -y towards the back; 100 units tall.\n\n");
  std::fprintf(f, "Frame Grill {\n");
  writeIdentityMatrix(f, "  ");
  for (const MeshPart& part : model.parts) writeMesh(f, part, model);
  std::fprintf(f, "}\n");
  return std::fflush(f) == 0;
}

}  // namespace datagen
