#include "gfx/mesh/VantorMesh.h"

#include <cstddef>
#include <unordered_map>

#include "Core/Fatal.h"

namespace vantor {

namespace {

constexpr const char* kReportSource = "gfx\\VantorMesh";

// Looks up key, answering null when it is not there.
template <class Key, class Value>
Value* lookup(const std::unordered_map<const Key*, Value*>& map, const Key* key) {
  const auto found = map.find(key);
  return found == map.end() ? nullptr : found->second;
}

}  // namespace

MeshTopology::~MeshTopology() { clear(); }

void MeshTopology::getLists(VertexList** vertexList, EdgeList** edgeList, FaceList** faceList,
                            bool readOnly) {
  if (vertexList) *vertexList = &vertices;
  if (edgeList) *edgeList = &edges;
  if (faceList) *faceList = &faces;
  if (readOnly) return;
  if (vertexList || edgeList || faceList) vertexNormalsValid = faceNormalsValid = false;
  if (edgeList || faceList) adjacencyValid = false;
}

void MeshTopology::deleteVertices() {
  for (VertexBase* vertex : vertices) delete vertex;
  vertices.clear();
  vertices.shrink_to_fit();  // the storage goes too: assigning {} keeps the capacity
}

void MeshTopology::deleteEdges() {
  for (Edge* edge : edges) delete edge;
  edges.clear();
  edges.shrink_to_fit();
}

void MeshTopology::deleteFaces() {
  for (FaceBase* face : faces) delete face;
  faces.clear();
  faces.shrink_to_fit();
}

void MeshTopology::clear() {
  deleteVertices();
  deleteEdges();
  deleteFaces();
}

void MeshTopology::assign(const VertexList* givenVertices, const EdgeList* givenEdges,
                          const FaceList* givenFaces) {
  const VertexList* vertices = givenVertices;
  const EdgeList* edges = givenEdges;
  const FaceList* faces = givenFaces;
  VANTOR_ASSERT(!(edges && !vertices));
  // The failed-assertion report prints the expression exactly as written here.
  // clang-format off
  VANTOR_ASSERT(!(faces && !edges ));
  // clang-format on

  std::unordered_map<const VertexBase*, VertexBase*> vertexCopies;
  if (vertices) {
    vertexNormalsValid = tangentsValid = faceNormalsValid = false;
    deleteVertices();
    vertexCopies.reserve(vertices->size());
    this->vertices.reserve(vertices->size());
    for (const VertexBase* vertex : *vertices) {
      VertexBase* copy = vertex->clone();
      this->vertices.push_back(copy);
      vertexCopies[vertex] = copy;
    }
  }

  std::unordered_map<const Edge*, Edge*> edgeCopies;
  if (edges) {
    vertexNormalsValid = faceNormalsValid = adjacencyValid = tangentsValid = false;
    deleteEdges();
    edgeCopies.reserve(edges->size());
    this->edges.reserve(edges->size());
    for (const Edge* given : *edges) {
      Edge* currEdge = new Edge(*given);
      currEdge->a = lookup(vertexCopies, given->a);
      currEdge->b = lookup(vertexCopies, given->b);
      this->edges.push_back(currEdge);
      edgeCopies[given] = currEdge;
      VANTOR_ASSERT((currEdge->a && currEdge->b) || !"Invalid vertex pointer(s) in edge struct!");
    }
  }

  if (faces) {
    vertexNormalsValid = faceNormalsValid = adjacencyValid = tangentsValid = false;
    deleteFaces();
    this->faces.reserve(faces->size());
    for (const FaceBase* given : *faces) {
      FaceBase* copy = given->clone();
      this->faces.push_back(copy);
      for (int i = 0; i < copy->getEdgeCount(); ++i) {
        const Edge* currEdge = given->getEdge(i);
        Edge* newEdge = lookup(edgeCopies, currEdge);
        copy->setEdge(i, newEdge);
        // Stated with NULL: the report shows the expression as written, NULL unexpanded.
        VANTOR_ASSERT((currEdge != NULL && newEdge != NULL) ||
                      !"Invalid edge pointer(s) in face struct!");
      }
    }
  }
}

void MeshTopology::copyFrom(const MeshTopology& other) {
  // Copying onto itself would first delete what it copies.
  if (&other == this) return;
  clear();
  const std::size_t origVert = other.vertices.size();
  const std::size_t origEdge = other.edges.size();
  const std::size_t origFace = other.faces.size();

  std::unordered_map<const VertexBase*, VertexBase*> vertexCopies;
  vertexCopies.reserve(origVert);
  vertices.reserve(origVert);
  for (const VertexBase* vertex : other.vertices) {
    VertexBase* copy = vertex->clone();
    vertices.push_back(copy);
    vertexCopies[vertex] = copy;
  }

  std::unordered_map<const Edge*, Edge*> edgeCopies;
  edgeCopies.reserve(origEdge);
  edges.reserve(origEdge);
  for (const Edge* edge : other.edges) {
    Edge* nedge = new Edge(*edge);
    nedge->a = lookup(vertexCopies, edge->a);
    nedge->b = lookup(vertexCopies, edge->b);
    edges.push_back(nedge);
    VANTOR_ASSERT(nedge->a && nedge->b);
    edgeCopies[edge] = nedge;
  }

  faces.reserve(origFace);
  for (const FaceBase* face : other.faces) {
    FaceBase* nface = face->clone();
    faces.push_back(nface);
    for (int l = 0; l < nface->getEdgeCount(); ++l) {
      nface->setEdge(l, lookup(edgeCopies, face->getEdge(l)));
      // The failed-assertion report prints the expression exactly as written here.
      // clang-format off
      VANTOR_ASSERT(nface->getEdge( l ));
      // clang-format on
    }
  }

  VANTOR_ASSERT(this->vertices.size() == origVert && this->edges.size() == origEdge &&
                this->faces.size() == origFace);
}

void MeshTopology::computeFaceNormals() {
  if (faceNormalsValid) return;
  for (FaceBase* face : faces) face->computeNormal();
  faceNormalsValid = true;
}

bool MeshTopology::computeVertexNormals() {
  if (vertices.empty()) return true;
  if (!vertices.front()->getNormal() || vertexNormalsValid) return false;
  for (VertexBase* vertex : vertices) {
    if (Vector3* normal = vertex->getNormal()) *normal = Vector3();
  }
  computeFaceNormals();
  VertexList corners;
  for (const FaceBase* face : faces) {
    corners.clear();
    face->getVertices(corners);
    for (VertexBase* corner : corners) {
      if (Vector3* normal = corner->getNormal()) *normal += face->normal;
    }
  }
  for (VertexBase* vertex : vertices) {
    if (Vector3* normal = vertex->getNormal()) normal->normalize();
  }
  vertexNormalsValid = true;
  return true;
}

void MeshTopology::computeFaceTangentFrames() {
  for (FaceBase* face : faces) face->computeTangentFrame();
}

void MeshTopology::computeTangents() {
  if (vertices.empty()) return;
  VertexBase* first = vertices.front();
  if (!first->getTangent() || !first->getBinormal() || tangentsValid) return;
  for (VertexBase* vertex : vertices) {
    if (Vector3* tangent = vertex->getTangent()) *tangent = Vector3();
    if (Vector3* binormal = vertex->getBinormal()) *binormal = Vector3();
  }
  computeFaceTangentFrames();
  VertexList corners;
  for (const FaceBase* face : faces) {
    const Vector3 tangent = face->getTangent(), binormal = face->getBinormal();
    corners.clear();
    face->getVertices(corners);
    for (VertexBase* corner : corners) {
      if (Vector3* t = corner->getTangent()) *t += tangent;
      if (Vector3* b = corner->getBinormal()) *b += binormal;
    }
  }
  for (VertexBase* vertex : vertices) {
    if (Vector3* tangent = vertex->getTangent()) tangent->normalize();
  }
  for (VertexBase* vertex : vertices) {
    if (Vector3* binormal = vertex->getBinormal()) binormal->normalize();
  }
  tangentsValid = true;
}

void MeshTopology::flattenForGpu(VertexList& gpuVertices, IndexList& indices) const {
  gpuVertices = vertices;
  std::unordered_map<const VertexBase*, std::uint32_t> position;
  position.reserve(vertices.size());
  for (std::size_t i = 0; i < vertices.size(); ++i) {
    position.emplace(vertices[i], static_cast<std::uint32_t>(i));
  }
  indices.clear();
  indices.reserve(faces.size() * 6);
  VertexList triangleCorners;
  for (const FaceBase* face : faces) {
    triangleCorners.clear();
    face->getTriangleVertices(triangleCorners);
    for (const VertexBase* corner : triangleCorners) {
      const auto found = position.find(corner);
      if (found == position.end()) {
        reportFatal(320);
        indices.push_back(0);
      } else {
        indices.push_back(found->second);
      }
    }
  }
}

}  // namespace vantor
