// Base of every scene node: a local transform, a name and an ordered list of children.
//
// Nodes are created by their users and live until the process ends; the tree never owns or
// deletes them, and a node may be the child of several parents. There is deliberately no
// virtual destructor here (a node is never deleted through INode); node types that are
// deleted, such as meshes, declare their own.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "gfx/math/Matrix.h"

namespace vantor {

class INode {
 public:
  INode();
  INode(const INode&) = delete;
  INode& operator=(const INode&) = delete;

  // Called by the scene's update traversal after the node's children, with the parent's
  // world matrix and the scene time in seconds. Does nothing by default.
  virtual void update(const Matrix& parentWorld, float time);
  // The local matrix (node space to parent space).
  virtual Matrix getTransform();
  virtual bool isRenderable();

  // Appends a child (not owned).
  void addChild(INode* child);
  // Removes a child; a node that is not a child is ignored.
  void removeChild(INode* child);

  // The node's own child cursor: resetChildren, then nextChild until it answers null. Two
  // walks over the same node's children must not interleave.
  void resetChildren();
  INode* nextChild();

  const std::string& getName() const { return name; }
  void setName(const std::string& newName) { name = newName; }
  void setTransform(const Matrix& local) { transform = local; }

  // Serial number: the number of nodes constructed before this one.
  const int id;

 protected:
  ~INode() = default;

  Matrix transform;
  std::string name;

 private:
  std::vector<INode*> children;
  std::map<INode*, std::size_t> childIndex;  // child → its position in children
  std::size_t childCursor = 0;
};

}  // namespace vantor
