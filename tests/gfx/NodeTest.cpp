#include <gtest/gtest.h>

#include "gfx/scene/DummyNode.h"
#include "gfx/scene/NodePointlight.h"

namespace {

using vantor::DummyNode;
using vantor::Matrix;
using vantor::NodePointlight;

TEST(Node, NewNodesAreEmptyIdentitiesWithSerialIds) {
  DummyNode first, second;
  EXPECT_EQ(second.id, first.id + 1);
  EXPECT_TRUE(first.getTransform() == Matrix());
  EXPECT_EQ(first.getName(), "");
  EXPECT_FALSE(first.isRenderable());
  first.resetChildren();
  EXPECT_EQ(first.nextChild(), nullptr);

  NodePointlight light(1, 2, 3, 0.1f, 0.2f, 0.3f, 1, 2, 4, 8);
  EXPECT_EQ(light.id, second.id + 1);
  const Matrix t = light.getTransform();
  EXPECT_EQ(t.m[3][0], 1);
  EXPECT_EQ(t.m[3][1], 2);
  EXPECT_EQ(t.m[3][2], 3);
  EXPECT_EQ(t.m[3][3], 1);
  EXPECT_TRUE(t == Matrix::translation(1, 2, 3));
}

TEST(Node, ChildCursorWalksInOrderAndRestarts) {
  DummyNode parent, a, b, c;
  parent.addChild(&a);
  parent.addChild(&b);
  parent.addChild(&c);
  parent.resetChildren();
  EXPECT_EQ(parent.nextChild(), &a);
  EXPECT_EQ(parent.nextChild(), &b);
  parent.resetChildren();
  EXPECT_EQ(parent.nextChild(), &a);
  EXPECT_EQ(parent.nextChild(), &b);
  EXPECT_EQ(parent.nextChild(), &c);
  EXPECT_EQ(parent.nextChild(), nullptr);
  EXPECT_EQ(parent.nextChild(), nullptr);
}

TEST(Node, RemovingAChildKeepsTheOthersRemovable) {
  DummyNode parent, a, b, c, stranger;
  parent.addChild(&a);
  parent.addChild(&b);
  parent.addChild(&c);
  parent.removeChild(&a);
  parent.removeChild(&stranger);  // not a child: nothing happens
  // c moved from position 2 to 1; removing it must take c, not b.
  parent.removeChild(&c);
  parent.resetChildren();
  EXPECT_EQ(parent.nextChild(), &b);
  EXPECT_EQ(parent.nextChild(), nullptr);
}

TEST(Node, RemovalDuringAWalkDoesNotSkipAChild) {
  DummyNode parent, a, b, c;
  parent.addChild(&a);
  parent.addChild(&b);
  parent.addChild(&c);
  parent.resetChildren();
  EXPECT_EQ(parent.nextChild(), &a);
  parent.removeChild(&a);
  EXPECT_EQ(parent.nextChild(), &b);
  EXPECT_EQ(parent.nextChild(), &c);
}

}  // namespace
