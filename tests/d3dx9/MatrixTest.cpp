#include <d3dx9math.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

D3DXMATRIX multiply(const D3DXMATRIX& a, const D3DXMATRIX& b) {
  D3DXMATRIX c{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      for (int k = 0; k < 4; ++k) c.m[i][j] += a.m[i][k] * b.m[k][j];
  return c;
}

TEST(MatrixInverse, OfARotationTranslationTimesItselfIsTheIdentity) {
  const float a = 0.7f, b = -1.3f;
  D3DXMATRIX m{};
  // Rotation about z by a, then about x by b, then a translation in row 3.
  m._11 = std::cos(a);
  m._12 = std::sin(a) * std::cos(b);
  m._13 = std::sin(a) * std::sin(b);
  m._21 = -std::sin(a);
  m._22 = std::cos(a) * std::cos(b);
  m._23 = std::cos(a) * std::sin(b);
  m._32 = -std::sin(b);
  m._33 = std::cos(b);
  m._41 = 3;
  m._42 = -2;
  m._43 = 10;
  m._44 = 1;
  D3DXMATRIX inverse{};
  float determinant = 0;
  ASSERT_EQ(D3DXMatrixInverse(&inverse, &determinant, &m), &inverse);
  EXPECT_NEAR(determinant, 1.0f, 1e-5);
  const D3DXMATRIX product = multiply(m, inverse);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(product.m[i][j], i == j ? 1.0f : 0.0f, 1e-5);

  D3DXMATRIX inPlace = m;  // the output may be the input
  ASSERT_NE(D3DXMatrixInverse(&inPlace, nullptr, &inPlace), nullptr);
  EXPECT_EQ(std::memcmp(&inPlace, &inverse, sizeof inverse), 0);
}

TEST(MatrixInverse, OfASingularMatrixIsNullAndLeavesTheOutput) {
  D3DXMATRIX singular{};
  singular._11 = singular._22 = 1;  // rows 2 and 3 are zero
  D3DXMATRIX out{};
  out._11 = 42;
  EXPECT_EQ(D3DXMatrixInverse(&out, nullptr, &singular), nullptr);
  EXPECT_EQ(out._11, 42);
}

TEST(MatrixOrtho, TwoByTwoFromZeroToOneIsExactlyTheIdentity) {
  D3DXMATRIX m;
  std::memset(&m, 0x7F, sizeof m);
  ASSERT_EQ(D3DXMatrixOrthoLH(&m, 2, 2, 0, 1), &m);
  D3DXMATRIX identity{};
  identity._11 = identity._22 = identity._33 = identity._44 = 1;
  EXPECT_EQ(std::memcmp(&m, &identity, sizeof m), 0);

  ASSERT_EQ(D3DXMatrixOrthoLH(&m, 4, 8, 1, 3), &m);
  EXPECT_FLOAT_EQ(m._11, 0.5f);
  EXPECT_FLOAT_EQ(m._22, 0.25f);
  EXPECT_FLOAT_EQ(m._33, 0.5f);
  EXPECT_FLOAT_EQ(m._43, -0.5f);  // z = 1 maps to depth 0, z = 3 to depth 1
}

}  // namespace
