#include "gfx/scene/INode.h"

namespace vantor {

namespace {
int nodeCounter = 0;
}  // namespace

INode::INode() : id(nodeCounter++) {}

void INode::update(const Matrix&, float) {}

Matrix INode::getTransform() { return transform; }

bool INode::isRenderable() { return false; }

void INode::addChild(INode* child) {
  childIndex[child] = children.size();
  children.push_back(child);
}

void INode::removeChild(INode* child) {
  const auto found = childIndex.find(child);
  if (found == childIndex.end()) return;
  const std::size_t position = found->second;
  children.erase(children.begin() + static_cast<std::ptrdiff_t>(position));
  // Later children moved down by one; a child added twice keeps its other appearance.
  childIndex.clear();
  for (std::size_t i = 0; i < children.size(); ++i) childIndex[children[i]] = i;
  if (position < childCursor) --childCursor;
}

void INode::resetChildren() { childCursor = 0; }

INode* INode::nextChild() {
  if (childCursor >= children.size()) return nullptr;
  return children[childCursor++];
}

}  // namespace vantor
