// Vertices and edges of the editable mesh topology.
//
// Vertices are polymorphic: attributes are reached through virtual getters that answer null
// when a vertex type lacks the attribute (and setters that then do nothing). The getters
// point into the vertex; callers read and write attributes through them. The attributes of
// a concrete vertex form one contiguous block right after the VertexBase part; that block
// is exactly the GPU vertex record, so its layout is a wire format.
#pragma once

#include <cstddef>
#include <vector>

#include "gfx/math/Vector2.h"
#include "gfx/math/Vector3.h"
#include "gfx/mesh/RecordPool.h"

namespace vantor {

class VertexBase;
class FaceBase;

// An undirected edge: which end is a carries no meaning for corner order. The face links
// are null in every edge the engine makes. Deleted with plain delete; stored in the
// record pool.
struct Edge {
  VANTOR_POOLED_RECORD

  VertexBase* a = nullptr;
  VertexBase* b = nullptr;
  FaceBase* faceA = nullptr;
  FaceBase* faceB = nullptr;
};

class VertexBase {
 public:
  VertexBase() = default;
  VertexBase(const VertexBase&) = default;
  VertexBase& operator=(const VertexBase&) = delete;
  virtual ~VertexBase() = default;

  // Vertices of every type are stored in the record pool.
  VANTOR_POOLED_RECORD

  virtual Vector3* getPosition() { return nullptr; }
  virtual Vector3* getNormal() { return nullptr; }
  virtual Vector2* getTexcoord0() { return nullptr; }
  virtual Vector2* getTexcoord1() { return nullptr; }
  virtual Vector2* getTexcoord(int /*set*/) { return nullptr; }
  // A slot for vertex types with extra per-vertex data; no vertex type of the engine has any.
  virtual void* getExtra() { return nullptr; }
  // Tangent and binormal have no setters: they are written through these pointers.
  virtual Vector3* getTangent() { return nullptr; }
  virtual Vector3* getBinormal() { return nullptr; }
  virtual void setPosition(const Vector3&) {}
  virtual void setNormal(const Vector3&) {}
  virtual void setTexcoord0(const Vector2&) {}
  virtual void setTexcoord1(const Vector2&) {}
  virtual void setExtra(void*) {}
  virtual void setTexcoord(int, const Vector2&) {}
  // Bytes of the whole object: the VertexBase part plus the attribute block.
  virtual int getSize() const = 0;
  // A new vertex of the same type copied from this one; the caller owns it.
  virtual VertexBase* clone() const = 0;

  // Bytes of the attribute block.
  int getDataSize() const { return getSize() - static_cast<int>(sizeof(VertexBase)); }
  // Copies the attribute block (getDataSize() bytes) to destination.
  void copyData(void* destination) const;

  // Edges ending at this vertex; empty in every vertex the engine makes.
  std::vector<Edge*> incidentEdges;
};

// The attribute block of Vertex: sixteen floats, 64 bytes, in GPU vertex order.
struct VertexAttributes {
  Vector3 position;
  Vector3 normal;
  Vector2 texcoord0;
  Vector2 texcoord1;
  Vector3 tangent;
  Vector3 binormal;
};

static_assert(sizeof(VertexAttributes) == 64);
static_assert(offsetof(VertexAttributes, position) == 0);
static_assert(offsetof(VertexAttributes, normal) == 12);
static_assert(offsetof(VertexAttributes, texcoord0) == 24);
static_assert(offsetof(VertexAttributes, texcoord1) == 32);
static_assert(offsetof(VertexAttributes, tangent) == 40);
static_assert(offsetof(VertexAttributes, binormal) == 52);

// The engine's one vertex type: every attribute, all zero unless given.
class Vertex : public VertexBase {
 public:
  Vertex() = default;
  Vertex(float x, float y, float z) { attributes.position = {x, y, z}; }
  Vertex(const Vertex&) = default;

  Vector3* getPosition() override { return &attributes.position; }
  Vector3* getNormal() override { return &attributes.normal; }
  Vector2* getTexcoord0() override { return &attributes.texcoord0; }
  Vector2* getTexcoord1() override { return &attributes.texcoord1; }
  Vector2* getTexcoord(int set) override;
  Vector3* getTangent() override { return &attributes.tangent; }
  Vector3* getBinormal() override { return &attributes.binormal; }
  void setPosition(const Vector3& p) override { attributes.position = p; }
  void setNormal(const Vector3& n) override { attributes.normal = n; }
  void setTexcoord0(const Vector2& t) override { attributes.texcoord0 = t; }
  void setTexcoord1(const Vector2& t) override { attributes.texcoord1 = t; }
  // Sets 0 and 1 exist; any other set is ignored.
  void setTexcoord(int set, const Vector2& t) override;
  int getSize() const override { return static_cast<int>(sizeof(Vertex)); }
  VertexBase* clone() const override { return new Vertex(*this); }

  VertexAttributes attributes;
};

// copyData relies on the block following the base part with no gap.
static_assert(sizeof(Vertex) == sizeof(VertexBase) + sizeof(VertexAttributes));

}  // namespace vantor
