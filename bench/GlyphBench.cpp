// The invitation's glyph chain on the headless device: the 66 glyphs made from the font, each
// enlarged seven times, textured twice (blended projection, sets 0 and 1), refined by two
// linear levels and uploaded; with the time of each stage and the triangles per glyph as
// counters. Beside it: one linear level alone and the copy an odd level count ends with (so
// that the two levels can be told apart), and one smooth level of a closed 100 000-face mesh.
#include <benchmark/benchmark.h>
#include <d3d9.h>

#include <chrono>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

#include "BenchDevice.h"
#include "gfx/mesh/Mesh.h"
#include "gfx/mesh/MeshModifierSubdivide.h"
#include "gfx/mesh/MeshModifierTexgen.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/text/FontImporter.h"
#include <DeviceGl.h>

namespace {

using namespace vantor;
using Clock = std::chrono::steady_clock;

constexpr const char* invitationSet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz.1234567890,&!";

Matrix enlargement() {
  Matrix scale;
  scale.m[0][0] = scale.m[1][1] = scale.m[2][2] = 7.0f;
  return scale;
}

double seconds(Clock::time_point from) {
  return std::chrono::duration<double>(Clock::now() - from).count();
}

// Meshes made by the graphics context live until shutdown; a benchmark that makes them anew
// each iteration gives back at least their topology by emptying them (their buffers stay).
void release(Mesh& mesh) {
  mesh.clear();
  mesh.upload();
}

void GlyphChain(benchmark::State& state) {
  openBenchDevice(64, 64);
  std::map<const char*, double> stage;
  double triangles = 0;
  for (auto _ : state) {
    Clock::time_point start = Clock::now();
    auto font = std::make_unique<FontImporter>(1, 600, 0.2f, false, "Arial Black");
    font->importGlyphs(invitationSet);
    stage["1 make"] += seconds(start);
    std::vector<Mesh*> glyphs;
    for (int i = 0; i < font->glyphCount(); ++i) glyphs.push_back(font->glyph(i));

    start = Clock::now();
    for (Mesh* glyph : glyphs) glyph->transform(enlargement());
    stage["2 transform"] += seconds(start);
    start = Clock::now();
    meshmodify::Texgen set0(0.2f, 1, 0);
    meshmodify::Texgen set1(0.2f, 1, 1);
    for (Mesh* glyph : glyphs) {
      set0.apply(glyph);
      set1.apply(glyph);
    }
    stage["3 texgen"] += seconds(start);
    start = Clock::now();
    meshmodify::Subdivide subdivide(2, 1);
    for (Mesh* glyph : glyphs) subdivide.apply(glyph);
    stage["4 subdivide"] += seconds(start);
    start = Clock::now();
    for (Mesh* glyph : glyphs) glyph->upload();
    stage["5 upload"] += seconds(start);

    state.PauseTiming();
    triangles = 0;
    for (Mesh* glyph : glyphs) triangles += static_cast<double>(glyph->getFaces().size()) * 2;
    for (Mesh* glyph : glyphs) release(*glyph);
    release(*subdivide.scratchMesh());
    font.reset();
    state.ResumeTiming();
  }
  for (const auto& [name, total] : stage) {
    state.counters[name] = benchmark::Counter(total / static_cast<double>(state.iterations()));
  }
  state.counters["triangles per glyph"] = triangles / 66.0;
}
// One iteration per repetition: each makes 66 new meshes whose buffers stay until shutdown.
BENCHMARK(GlyphChain)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// The textured glyphs, ready for refinement, made once.
std::vector<Mesh*>& texturedGlyphs() {
  static std::vector<Mesh*> glyphs = [] {
    openBenchDevice(64, 64);
    static FontImporter font(1, 600, 0.2f, false, "Arial Black");
    font.importGlyphs(invitationSet);
    std::vector<Mesh*> made;
    for (int i = 0; i < font.glyphCount(); ++i) {
      Mesh* glyph = font.glyph(i);
      glyph->transform(enlargement());
      meshmodify::Texgen(0.2f, 1, 0).apply(glyph);
      meshmodify::Texgen(0.2f, 1, 1).apply(glyph);
      made.push_back(glyph);
    }
    return made;
  }();
  return glyphs;
}

// One linear level of every glyph, including the copy back that an odd count ends with.
void GlyphOneLevel(benchmark::State& state) {
  std::vector<Mesh*>& glyphs = texturedGlyphs();
  std::vector<std::unique_ptr<Mesh>> work;
  for (std::size_t i = 0; i < glyphs.size(); ++i) work.push_back(std::make_unique<Mesh>(0, 0));
  meshmodify::Subdivide level(1, 1);
  for (auto _ : state) {
    state.PauseTiming();
    for (std::size_t i = 0; i < glyphs.size(); ++i) work[i]->copyFrom(*glyphs[i]);
    state.ResumeTiming();
    for (auto& mesh : work) level.apply(mesh.get());
  }
}
BENCHMARK(GlyphOneLevel)->Unit(benchmark::kMillisecond)->UseRealTime();

// The copy back alone: one level's result copied into another mesh.
void GlyphOneLevelCopy(benchmark::State& state) {
  std::vector<Mesh*>& glyphs = texturedGlyphs();
  std::vector<std::unique_ptr<Mesh>> refined, copies;
  meshmodify::Subdivide level(1, 1);
  for (Mesh* glyph : glyphs) {
    refined.push_back(std::make_unique<Mesh>(0, 0));
    refined.back()->copyFrom(*glyph);
    level.apply(refined.back().get());
    copies.push_back(std::make_unique<Mesh>(0, 0));
  }
  for (auto _ : state) {
    for (std::size_t i = 0; i < refined.size(); ++i) copies[i]->copyFrom(*refined[i]);
  }
}
BENCHMARK(GlyphOneLevelCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

// A closed torus of rings × segments quads (250 × 400 = 100 000 faces), edges shared.
std::unique_ptr<Mesh> torus(int rings, int segments) {
  VertexList vertices;
  EdgeList edges;
  FaceList faces;
  for (int r = 0; r < rings; ++r) {
    for (int s = 0; s < segments; ++s) {
      const float u = 6.2831853f * static_cast<float>(r) / static_cast<float>(rings);
      const float v = 6.2831853f * static_cast<float>(s) / static_cast<float>(segments);
      vertices.push_back(new Vertex((3 + std::cos(v)) * std::cos(u),
                                    (3 + std::cos(v)) * std::sin(u), std::sin(v)));
    }
  }
  const auto at = [&](int r, int s) {
    return vertices[static_cast<std::size_t>(((r + rings) % rings) * segments +
                                             (s + segments) % segments)];
  };
  // Per grid point, the edge to the next ring and the edge to the next segment.
  std::vector<Edge*> alongRing(vertices.size()), alongSegment(vertices.size());
  for (int r = 0; r < rings; ++r) {
    for (int s = 0; s < segments; ++s) {
      const std::size_t i = static_cast<std::size_t>(r * segments + s);
      alongRing[i] = new Edge{at(r, s), at(r + 1, s), nullptr, nullptr};
      alongSegment[i] = new Edge{at(r, s), at(r, s + 1), nullptr, nullptr};
      edges.push_back(alongRing[i]);
      edges.push_back(alongSegment[i]);
    }
  }
  const auto index = [&](int r, int s) {
    return static_cast<std::size_t>(((r + rings) % rings) * segments + (s + segments) % segments);
  };
  for (int r = 0; r < rings; ++r) {
    for (int s = 0; s < segments; ++s) {
      faces.push_back(new QuadFace(alongSegment[index(r, s)], alongRing[index(r, s + 1)],
                                   alongSegment[index(r + 1, s)], alongRing[index(r, s)]));
    }
  }
  auto mesh = std::make_unique<Mesh>(0, 0);
  mesh->setTopology(&vertices, &edges, &faces);
  for (VertexBase* v : vertices) delete v;
  for (Edge* e : edges) delete e;
  for (FaceBase* f : faces) delete f;
  return mesh;
}

void SmoothLevel100k(benchmark::State& state) {
  openBenchDevice(64, 64);
  std::unique_ptr<Mesh> source = torus(250, 400);
  Mesh work(0, 0);
  meshmodify::Subdivide level(1, 0);
  for (auto _ : state) {
    state.PauseTiming();
    work.copyFrom(*source);
    state.ResumeTiming();
    level.apply(&work);
  }
  state.counters["faces"] = static_cast<double>(source->getFaces().size());
}
BENCHMARK(SmoothLevel100k)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
