#include "gfx/mesh/Mesh.h"

#include "Core/Fatal.h"
#include "gfx/mesh/D3DMesh.h"
#include "gfx/resources/GraphicsContext.h"

namespace vantor {

namespace {

// Loading from D3DX belongs to the GPU half; its failures are reported under its name.
constexpr const char* kReportSource = "gfx\\D3DMesh";

constexpr float boxStart = 10000.0f;

}  // namespace

Mesh::Mesh(int minVertexCapacity, int minTriangleCapacity) : data(new MeshData) {
  data->d3dMesh = new D3DMesh(minVertexCapacity, minTriangleCapacity);
  data->topology = new MeshTopology;
  data->owner = this;
}

Mesh::~Mesh() {
  delete data->d3dMesh;
  delete data->topology;
  delete data;
}

void Mesh::rebuild() {
  data->d3dMesh->rebuildTopology(*data->owner, data->mergeOnRebuild, data->mergeOnRebuild);
  data->syncState = MeshSync::Synced;
}

void Mesh::prepareRead() {
  if (data->syncState == MeshSync::Empty) reportFatal(166);
  if (data->syncState == MeshSync::GpuNewer) rebuild();
}

const VertexList& Mesh::getVertices() {
  prepareRead();
  VertexList* vertices;
  data->topology->getLists(&vertices, nullptr, nullptr, true);
  return *vertices;
}

const EdgeList& Mesh::getEdges() {
  prepareRead();
  EdgeList* edges;
  data->topology->getLists(nullptr, &edges, nullptr, true);
  return *edges;
}

const FaceList& Mesh::getFaces() {
  prepareRead();
  FaceList* faces;
  data->topology->getLists(nullptr, nullptr, &faces, true);
  return *faces;
}

void Mesh::edit(VertexList** vertices, EdgeList** edges, FaceList** faces) {
  if (data->syncState == MeshSync::GpuNewer) rebuild();
  data->topology->getLists(vertices, edges, faces, false);
  data->syncState = MeshSync::TopologyNewer;
}

VertexList& Mesh::editVertices() {
  VertexList* vertices;
  edit(&vertices, nullptr, nullptr);
  return *vertices;
}

EdgeList& Mesh::editEdges() {
  EdgeList* edges;
  edit(nullptr, &edges, nullptr);
  return *edges;
}

FaceList& Mesh::editFaces() {
  FaceList* faces;
  edit(nullptr, nullptr, &faces);
  return *faces;
}

void Mesh::setTopology(const VertexList* vertices, const EdgeList* edges, const FaceList* faces) {
  data->syncState = MeshSync::TopologyNewer;
  data->bboxValid = false;
  data->topology->assign(vertices, edges, faces);
}

void Mesh::setGpuData(const VertexList& vertices, const IndexList& indices) {
  data->syncState = MeshSync::GpuNewer;
  data->bboxValid = false;
  data->d3dMesh->setData(vertices, &indices);
}

void Mesh::loadFromD3DXMesh(ID3DXMesh* mesh) {
  ID3DXMesh* clone = nullptr;
  VANTOR_CHECK(mesh->CloneMeshFVF(D3DXMESH_32BIT, D3DMesh::vertexFormat,
                                  GraphicsContext::instance()->device(), &clone));
  IDirect3DVertexBuffer9* vertexBuffer = nullptr;
  IDirect3DIndexBuffer9* indexBuffer = nullptr;
  VANTOR_CHECK(clone->GetVertexBuffer(&vertexBuffer));
  VANTOR_CHECK(clone->GetIndexBuffer(&indexBuffer));
  D3DVERTEXBUFFER_DESC vertexDesc;
  D3DINDEXBUFFER_DESC indexDesc;
  VANTOR_CHECK(vertexBuffer->GetDesc(&vertexDesc));
  VANTOR_CHECK(indexBuffer->GetDesc(&indexDesc));
  const int faceCount = static_cast<int>(clone->GetNumFaces());
  const int vertexCount = static_cast<int>(clone->GetNumVertices());
  void* vertices = nullptr;
  void* indices = nullptr;
  VANTOR_CHECK(vertexBuffer->Lock(0, 0, &vertices, D3DLOCK_READONLY));
  VANTOR_CHECK(indexBuffer->Lock(0, 0, &indices, D3DLOCK_READONLY));
  data->d3dMesh->setRaw(vertices, static_cast<const std::uint32_t*>(indices), vertexCount,
                        faceCount * 3, 1.0f);
  VANTOR_CHECK(vertexBuffer->Unlock());
  VANTOR_CHECK(indexBuffer->Unlock());
  indexBuffer->Release();
  vertexBuffer->Release();
  clone->Release();
  data->syncState = MeshSync::GpuNewer;
}

void Mesh::clear() {
  data->topology->clear();
  data->syncState = MeshSync::TopologyNewer;
}

void Mesh::copyFrom(const Mesh& other) {
  switch (other.data->syncState) {
    case MeshSync::Empty: reportFatal(117); return;
    case MeshSync::TopologyNewer:
    case MeshSync::Synced: data->topology->copyFrom(*other.data->topology); break;
    case MeshSync::GpuNewer:
      other.data->d3dMesh->rebuildTopology(*this, data->mergeOnRebuild, data->mergeOnRebuild);
      break;
  }
  data->syncState = MeshSync::TopologyNewer;
}

void Mesh::upload() {
  if (data->syncState != MeshSync::TopologyNewer) return;
  data->topology->buildBuffers(*this);
  data->syncState = MeshSync::Synced;
}

OutwardWinding Mesh::outwardWinding() {
  if (data->syncState == MeshSync::Empty) return OutwardWinding::Open;
  upload();
  return data->d3dMesh->getOutwardWinding();
}

void Mesh::draw(const Matrix&) {
  if (data->syncState == MeshSync::Empty) {
    reportFatal(141);
    return;
  }
  upload();
  data->d3dMesh->draw();
}

void Mesh::computeNormals() {
  if (data->autoNormalsOff) return;
  if (data->syncState != MeshSync::TopologyNewer && data->syncState != MeshSync::Synced) {
    rebuild();
  }
  if (data->topology->computeVertexNormals()) data->syncState = MeshSync::TopologyNewer;
}

void Mesh::computeTangents() {
  switch (data->syncState) {
    case MeshSync::Empty: reportFatal(202); break;
    case MeshSync::TopologyNewer: data->topology->computeTangents(); break;
    case MeshSync::GpuNewer:
    case MeshSync::Synced: break;
  }
}

void Mesh::setAutoNormals(bool enabled) { data->autoNormalsOff = !enabled; }

void Mesh::setMergeOnRebuild(bool merge) { data->mergeOnRebuild = merge; }

void Mesh::transform(const Matrix& m) {
  if (data->syncState != MeshSync::TopologyNewer && data->syncState != MeshSync::Synced) {
    rebuild();
  }
  VertexList* vertices;
  data->topology->getLists(&vertices, nullptr, nullptr, false);
  for (VertexBase* vertex : *vertices) {
    if (const Vector3* position = vertex->getPosition()) {
      vertex->setPosition(position->transformCoord(m));
    }
    if (const Vector3* normal = vertex->getNormal()) {
      vertex->setNormal(normal->transformNormal(m));
    }
  }
  data->syncState = MeshSync::TopologyNewer;
}

BoundingBox* Mesh::getBoundingBox() {
  BoundingBox& box = data->box;
  if (data->bboxValid) return &box;
  if (data->syncState == MeshSync::GpuNewer) rebuild();
  box = {boxStart, boxStart, boxStart, -boxStart, -boxStart, -boxStart};
  VertexList* vertices;
  data->topology->getLists(&vertices, nullptr, nullptr, true);
  for (VertexBase* vertex : *vertices) {
    const Vector3* p = vertex->getPosition();
    if (!p) continue;
    if (box.minX > p->x) box.minX = p->x;
    if (box.minY > p->y) box.minY = p->y;
    if (box.minZ > p->z) box.minZ = p->z;
    if (box.maxX < p->x) box.maxX = p->x;
    if (box.maxY < p->y) box.maxY = p->y;
    if (box.maxZ < p->z) box.maxZ = p->z;
  }
  data->bboxValid = true;
  return &box;
}

}  // namespace vantor
