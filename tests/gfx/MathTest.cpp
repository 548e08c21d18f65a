#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "gfx/math/BoundingBox.h"
#include "gfx/math/Frustum.h"
#include "gfx/math/Matrix.h"
#include "gfx/math/Plane.h"
#include "gfx/math/Vector3.h"

namespace {

using vantor::BoundingBox;
using vantor::Frustum;
using vantor::Matrix;
using vantor::Plane;
using vantor::Vector3;

constexpr float pi = std::numbers::pi_v<float>;

void expectNear(const Vector3& actual, const Vector3& expected, float tolerance = 1e-6f) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// Every entry against a row-major table.
void expectMatrix(const Matrix& actual, const float (&expected)[4][4], float tolerance = 1e-6f) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      EXPECT_NEAR(actual.m[r][c], expected[r][c], tolerance) << "m" << r << c;
    }
  }
}

TEST(Vector3, ProductsAndNormalisation) {
  const Vector3 x(1, 0, 0), y(0, 1, 0);
  EXPECT_EQ(x.cross(y), Vector3(0, 0, 1));
  EXPECT_EQ(y.cross(x), Vector3(0, 0, -1));
  EXPECT_EQ(Vector3(1, 2, 3).dot(Vector3(4, -5, 6)), 12.0f);
  EXPECT_EQ(Vector3(1, 2, 3).lengthSq(), 14.0f);
  expectNear(Vector3(3, 0, 4).normalized(), Vector3(0.6f, 0, 0.8f));

  Vector3 zero;
  zero.normalize();
  EXPECT_EQ(zero, Vector3(0, 0, 0));  // no division by a zero length
}

TEST(Vector3, TransformCoordAddsTranslationTransformNormalDoesNot) {
  Matrix m = Matrix::rotationZ(pi / 2) * Matrix::translation(10, 20, 30);
  // rotationZ(90°) takes +x to +y with row vectors.
  expectNear(Vector3(1, 0, 0).transformCoord(m), Vector3(10, 21, 30));
  expectNear(Vector3(1, 0, 0).transformNormal(m), Vector3(0, 1, 0));
  // No division by w: a projective column does not change the result.
  m.m[0][3] = 5;
  m.m[3][3] = 7;
  expectNear(Vector3(1, 0, 0).transformCoord(m), Vector3(10, 21, 30));
}

TEST(Matrix, NewMatrixIsIdentityAndProductAppliesLeftFirst) {
  const float identity[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  expectMatrix(Matrix(), identity, 0);

  // Translate then rotate: (1,0,0) → (2,0,0) → (0,2,0).
  const Matrix translateThenRotate = Matrix::translation(1, 0, 0) * Matrix::rotationZ(pi / 2);
  expectNear(Vector3(1, 0, 0).transformCoord(translateThenRotate), Vector3(0, 2, 0));
  // Rotate then translate: (1,0,0) → (0,1,0) → (1,1,0).
  const Matrix rotateThenTranslate = Matrix::rotationZ(pi / 2) * Matrix::translation(1, 0, 0);
  expectNear(Vector3(1, 0, 0).transformCoord(rotateThenTranslate), Vector3(1, 1, 0));

  Matrix a = Matrix::translation(1, 2, 3);
  const Matrix difference = a - Matrix();
  const float expected[4][4] = {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {1, 2, 3, 0}};
  expectMatrix(difference, expected, 0);
}

TEST(Matrix, RotationSignPatterns) {
  // 30°: cos = 0.8660254, sin = 0.5.
  const float c = std::cos(pi / 6), s = 0.5f;
  const float x[4][4] = {{1, 0, 0, 0}, {0, c, -s, 0}, {0, s, c, 0}, {0, 0, 0, 1}};
  const float y[4][4] = {{c, 0, s, 0}, {0, 1, 0, 0}, {-s, 0, c, 0}, {0, 0, 0, 1}};
  const float z[4][4] = {{c, s, 0, 0}, {-s, c, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  expectMatrix(Matrix::rotationX(pi / 6), x);
  expectMatrix(Matrix::rotationY(pi / 6), y);
  expectMatrix(Matrix::rotationZ(pi / 6), z);
  // With row vectors, rotationX turns +y towards −z and rotationY turns +x towards +z.
  expectNear(Vector3(0, 1, 0).transformNormal(Matrix::rotationX(pi / 2)), Vector3(0, 0, -1));
  expectNear(Vector3(1, 0, 0).transformNormal(Matrix::rotationY(pi / 2)), Vector3(0, 0, 1));
}

TEST(Matrix, LookAtTakesTheEyeToTheOriginAndTheTargetOntoPlusZ) {
  const Vector3 eye(0, 0, -5), at(0, 0, 0), up(0, 1, 0);
  const float expected[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 5, 1}};
  expectMatrix(Matrix::lookAtLH(eye, at, up), expected);

  // Looking from +x towards the origin: view z is world −x, view x = up × z is world +z.
  const Matrix view = Matrix::lookAtLH(Vector3(3, 0, 0), Vector3(0, 0, 0), up);
  expectNear(Vector3(3, 0, 0).transformCoord(view), Vector3(0, 0, 0));
  expectNear(Vector3(0, 0, 0).transformCoord(view), Vector3(0, 0, 3));
  expectNear(Vector3(3, 0, 1).transformCoord(view), Vector3(1, 0, 0));
  expectNear(Vector3(3, 1, 0).transformCoord(view), Vector3(0, 1, 0));
}

TEST(Matrix, PerspectiveKeepsTheEnginesUnitM33) {
  const Matrix p = Matrix::perspectiveFovLH(pi / 2, 1, 1, 100);
  const float expected[4][4] = {
      {1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 100.0f / 99, 1}, {0, 0, -100.0f / 99, 1}};
  expectMatrix(p, expected, 0);

  // w = z + 1: the far plane gets depth zf / (zf + 1), not 1.
  const Matrix wide = Matrix::perspectiveFovLH(pi / 3, 16.0f / 9, 0.5f, 50);
  const float yScale = 1 / std::tan(pi / 6);
  EXPECT_NEAR(wide.m[0][0], yScale * 9 / 16, 1e-6f);
  EXPECT_NEAR(wide.m[1][1], yScale, 1e-6f);
  const float z = 50, w = z * wide.m[2][3] + wide.m[3][3];
  EXPECT_EQ(w, 51.0f);
  EXPECT_NEAR((z * wide.m[2][2] + wide.m[3][2]) / w, 50.0f / 51, 1e-6f);
}

TEST(Matrix, ScreenProjectionIsExactlyTheIdentity) {
  EXPECT_TRUE(Matrix::screenProjection() == Matrix());
}

TEST(Matrix, InverseUndoesATransform) {
  const Matrix m = Matrix::rotationY(0.7f) * Matrix::translation(1, -2, 3) *
                   Matrix::perspectiveFovLH(1.0f, 1.5f, 0.1f, 20);
  const Matrix product = m * m.inverse();
  const float identity[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  expectMatrix(product, identity, 1e-5f);

  Matrix singular;
  singular.m[2][2] = 0;
  expectMatrix(singular.inverse(), identity, 0);  // what D3DX left in the identity
}

TEST(Plane, PointsOnThePlaneAreNotInFront) {
  const Plane z5{0, 0, 1, -5};  // z = 5, normal +z
  EXPECT_EQ(z5.pointOnPlane(), Vector3(0, 0, 5));
  EXPECT_TRUE(z5.isInFront(Vector3(0, 0, 5.5f)));
  EXPECT_FALSE(z5.isInFront(Vector3(3, 4, 5)));
  EXPECT_FALSE(z5.isInFront(Vector3(0, 0, 4)));

  const Plane diagonal{1, 1, 0, -1};  // x + y = 1
  EXPECT_EQ(diagonal.pointOnPlane(), Vector3(1, 0, 0));
  EXPECT_FALSE(diagonal.isInFront(Vector3(0.5f, 0.5f, 7)));
  EXPECT_TRUE(diagonal.isInFront(Vector3(1, 1, 0)));
}

// The unit cube 0 < x, y, z < 1 with inward normals.
Frustum unitCube() {
  Frustum f;
  f.planes[0] = {0, 0, 1, 0};
  f.planes[1] = {0, 0, -1, 1};
  f.planes[2] = {0, -1, 0, 1};
  f.planes[3] = {0, 1, 0, 0};
  f.planes[4] = {1, 0, 0, 0};
  f.planes[5] = {-1, 0, 0, 1};
  return f;
}

TEST(Frustum, ContainsOnlyPointsStrictlyInside) {
  const Frustum f = unitCube();
  EXPECT_TRUE(f.contains(Vector3(0.5f, 0.5f, 0.5f)));
  // The centre moved onto each face, in plane order: near, far, top, bottom, left, right.
  const Vector3 onFaces[6] = {{0.5f, 0.5f, 0}, {0.5f, 0.5f, 1}, {0.5f, 1, 0.5f},
                              {0.5f, 0, 0.5f}, {0, 0.5f, 0.5f}, {1, 0.5f, 0.5f}};
  for (const Vector3& p : onFaces) {
    EXPECT_FALSE(f.contains(p)) << p.x << " " << p.y << " " << p.z;
  }
}

TEST(Frustum, BoxIsVisibleWhenAnyCornerIsInside) {
  const Frustum f = unitCube();
  // Only the max corner (0.5, 0.5, 0.5) lies inside.
  EXPECT_TRUE(f.intersectsBox(BoundingBox{-1, -1, -1, 0.5f, 0.5f, 0.5f}));
  // Only the min corner lies inside.
  EXPECT_TRUE(f.intersectsBox(BoundingBox{0.5f, 0.5f, 0.5f, 2, 2, 2}));
  // Wholly outside.
  EXPECT_FALSE(f.intersectsBox(BoundingBox{2, 2, 2, 3, 3, 3}));
  // Enclosing the whole frustum with every corner outside: counts as not visible.
  EXPECT_FALSE(f.intersectsBox(BoundingBox{-1, -1, -1, 2, 2, 2}));
}

TEST(Frustum, PlanesOfAClipMatrixAreNearFarTopBottomLeftRight) {
  Matrix c;
  for (int r = 0; r < 4; ++r) {
    for (int k = 0; k < 4; ++k) c.m[r][k] = static_cast<float>(1 << (4 * r + k));
  }
  const Frustum f = Frustum::fromClipMatrix(c);
  // Each plane's (a, b, c, d) combines one column of C per coordinate: column 2 alone (z),
  // then column 3 (w) minus or plus column 2, 1, 1, 0, 0.
  const int other[6] = {2, 2, 1, 1, 0, 0};
  const float sign[6] = {1, -1, -1, 1, 1, -1};
  for (int p = 0; p < 6; ++p) {
    const Plane& q = f.planes[p];
    const float plane[4] = {q.a, q.b, q.c, q.d};
    for (int r = 0; r < 4; ++r) {
      const float w = p == 0 ? 0.0f : c.m[r][3];
      EXPECT_EQ(plane[r], w + sign[p] * c.m[r][other[p]]) << "plane " << p << " row " << r;
    }
  }
}

TEST(Frustum, PerspectiveFrustumHoldsWhatLiesInFrontOfTheEye) {
  const Frustum f = Frustum::fromClipMatrix(Matrix::perspectiveFovLH(pi / 2, 1, 1, 100));
  EXPECT_TRUE(f.contains(Vector3(0, 0, 50)));
  EXPECT_TRUE(f.contains(Vector3(-40, 40, 50)));
  EXPECT_FALSE(f.contains(Vector3(0, 0, 0.5f)));  // nearer than the near distance
  // The projection's w is z + 1, which moves the far plane out to z = 199 here.
  EXPECT_TRUE(f.contains(Vector3(0, 0, 198)));
  EXPECT_FALSE(f.contains(Vector3(0, 0, 200)));
  EXPECT_FALSE(f.contains(Vector3(0, 0, -50)));   // behind the eye
  EXPECT_FALSE(f.contains(Vector3(60, 0, 50)));   // off to the right
  EXPECT_FALSE(f.contains(Vector3(0, -60, 50)));  // below
}

}  // namespace
