// Points, vectors and 3x3 tensors: algebra, cubic roots, null spaces, eigen
// decompositions and 2-D metric intersection, checked against exact values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <map>

#include "mException.h"
#include "mPoint.h"
#include "mTensor2.h"
#include "mVector.h"

using namespace KORA;

namespace {

mTensor2 fromRows(const double (&a)[3][3]) {
  mTensor2 t(0.0);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) t(i, j) = a[i][j];
  return t;
}

mTensor2 diag(double a, double b, double c) {
  mTensor2 t(0.0);
  t(0, 0) = a;
  t(1, 1) = b;
  t(2, 2) = c;
  return t;
}

void expectVec(const mVector& v, double x, double y, double z, double tol = 1e-12) {
  EXPECT_NEAR(v(0), x, tol);
  EXPECT_NEAR(v(1), y, tol);
  EXPECT_NEAR(v(2), z, tol);
}

}  // namespace

TEST(ValuesPointVector, ArithmeticCrossDotAndNormalisation) {
  const mPoint a(1, 2, 3), b(4, 6, 3);
  const mVector ab = b - a;
  expectVec(ab, 3, 4, 0);
  const mPoint mid = (a + b) * 0.5;
  EXPECT_DOUBLE_EQ(mid.x(), 2.5);
  EXPECT_DOUBLE_EQ(mid.y(), 4.0);
  EXPECT_DOUBLE_EQ(mid.z(), 3.0);

  const mVector x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
  expectVec(x % y, 0, 0, 1);
  expectVec(y % z, 1, 0, 0);
  expectVec(z % x, 0, 1, 0);
  const mVector u(1, 2, 3), w(-2, 0.5, 4);
  const mVector c = u % w;
  EXPECT_NEAR(c * u, 0.0, 1e-14);  // orthogonal to both factors
  EXPECT_NEAR(c * w, 0.0, 1e-14);
  EXPECT_DOUBLE_EQ(u * w, -2 + 1 + 12);

  mVector v = ab;
  EXPECT_DOUBLE_EQ(v.normalize(), 5.0);
  expectVec(v, 0.6, 0.8, 0.0, 1e-15);
  mVector zero;
  EXPECT_EQ(zero.normalize(), 0.0);
  expectVec(zero, 0, 0, 0, 0.0);
}

TEST(ValuesPointVector, PointOrderingHasToleranceOneMicron) {
  const mPoint p(1, 1, 1);
  struct Case {
    mPoint q;
    bool pq, qp;
  } cases[] = {
      {mPoint(1 + 1e-7, 1, 1), false, false},  // equivalent
      {mPoint(1 + 1e-5, 1, 1), true, false},
      {mPoint(1, 1 - 1e-5, 1), false, true},
      {mPoint(1 + 1e-7, 1 - 1e-7, 1 + 1e-5), true, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(p < c.q, c.pq);
    EXPECT_EQ(c.q < p, c.qp);
  }
  std::map<mPoint, int> m;
  m[p] = 1;
  m[mPoint(1 + 5e-7, 1, 1 - 5e-7)] = 2;
  EXPECT_EQ(m.size(), 1u);
  EXPECT_EQ(m[p], 2);
}

TEST(ValuesTensor, ProductsDeterminantInverseAndSolve) {
  const double a[3][3] = {{2, -1, 0}, {1, 3, 2}, {0, 1, 4}};
  const mTensor2 A = fromRows(a);
  // det by hand: 2(12-2) - (-1)(4-0) + 0 = 24
  EXPECT_DOUBLE_EQ(A.det(), 24.0);
  EXPECT_DOUBLE_EQ(A.trace(), 9.0);
  double t2 = 0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) t2 += a[i][j] * a[j][i];
  EXPECT_DOUBLE_EQ(A.trace2(), t2);

  const mTensor2 I = A * A.invert();
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(I(i, j), i == j ? 1.0 : 0.0, 1e-14);

  const mVector xs(1, -2, 0.5);
  const mVector b = A * xs;
  const mVector x = A / b;
  expectVec(x, 1, -2, 0.5, 1e-14);

  mTensor2 T = A;
  T.transpose();
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_EQ(T(i, j), A(j, i));
  mTensor2 S = A;
  S.symmetrize();
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_DOUBLE_EQ(S(i, j), 0.5 * (a[i][j] + a[j][i]));
  mTensor2 S2 = S;
  S2.symmetrize();  // symmetric stays unchanged
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_EQ(S2(i, j), S(i, j));

  const mTensor2 Z(0.0);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_EQ(Z(i, j), 0.0);
  mTensor2 sum = A + A * 2.0;
  sum *= 0.5;
  sum += A;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_DOUBLE_EQ(sum(i, j), 2.5 * a[i][j]);
}

TEST(ValuesTensor, SingularTensorIsRefused) {
  const double a[3][3] = {{1, 2, 3}, {2, 4, 6}, {0, 1, 1}};
  const mTensor2 A = fromRows(a);
  testing::internal::CaptureStdout();
  mException* e1 = nullptr;
  mException* e2 = nullptr;
  try {
    A.invert();
  } catch (mException* e) {
    e1 = e;
  }
  try {
    A / mVector(1, 1, 1);
  } catch (mException* e) {
    e2 = e;
  }
  testing::internal::GetCapturedStdout();
  ASSERT_NE(e1, nullptr);
  ASSERT_NE(e2, nullptr);
  delete e1;
  delete e2;
}

TEST(ValuesCubic, RootsSatisfyThePolynomial) {
  struct Case {
    double c[4];
    int n;
    double roots[3];  // expected, in the solver's order (n == 3)
  } cases[] = {
      {{0, 0, 0, 1}, 3, {0, 0, 0}},
      {{-6, 11, -6, 1}, 3, {1, 3, 2}},
  };
  for (const Case& c : cases) {
    double r[3];
    ASSERT_EQ(FindCubicRoots(c.c, r), c.n);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(r[i], c.roots[i], 1e-9);
  }
  // (x-2)^2 (x+1) = x^3 - 3x^2 + 4: a double root.
  const double dbl[4] = {4, 0, -3, 1};
  double r[3];
  ASSERT_EQ(FindCubicRoots(dbl, r), 3);
  std::sort(r, r + 3);
  EXPECT_NEAR(r[0], -1, 1e-6);
  EXPECT_NEAR(r[1], 2, 1e-6);
  EXPECT_NEAR(r[2], 2, 1e-6);
  // Leading coefficient other than one: 2(x-0.5)(x+1)(x-4).
  const double lead[4] = {4, -5, -7, 2};
  ASSERT_EQ(FindCubicRoots(lead, r), 3);
  std::sort(r, r + 3);
  EXPECT_NEAR(r[0], -1, 1e-12);
  EXPECT_NEAR(r[1], 0.5, 1e-12);
  EXPECT_NEAR(r[2], 4, 1e-12);
}

TEST(ValuesCubic, OneRealRootIsReported) {
  // x^3 + x + 1 has one real root.
  const double c[4] = {1, 1, 0, 1};
  double r[3];
  testing::internal::CaptureStdout();
  const int n = FindCubicRoots(c, r);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(n, 1);
  EXPECT_EQ(out, "IMPOSSIBLE !!!\n");
  EXPECT_NEAR(r[0] * r[0] * r[0] + r[0] + 1, 0.0, 1e-12);
}

TEST(ValuesNullSpace, VectorsSpanTheKernel) {
  // Rank one: kernel of dimension two.
  const double a[9] = {1, 2, 3, 2, 4, 6, -1, -2, -3};
  double r[9];
  const int k = NullSpace(a, r, 1e-10, 3);
  ASSERT_EQ(k, 2);
  for (int v = 0; v < k; ++v) {
    for (int i = 0; i < 3; ++i) {
      double s = 0;
      for (int j = 0; j < 3; ++j) s += a[i * 3 + j] * r[v * 3 + j];
      EXPECT_NEAR(s, 0.0, 1e-12);
    }
  }
  // Independent: their cross product is not zero.
  const mVector c = mVector(r[0], r[1], r[2]) % mVector(r[3], r[4], r[5]);
  EXPECT_GT(c.length(), 1e-6);

  // Non-symmetric 2x2 whose kernel is (1, 0); computed in place.
  double b[4] = {0, 1, 0, 0};
  ASSERT_EQ(NullSpace(b, b, 1e-10, 2), 1);
  EXPECT_NE(b[0], 0.0);
  EXPECT_EQ(b[1], 0.0);

  // Regular matrix: no kernel.
  const double reg[4] = {1, 2, 3, 4};
  EXPECT_EQ(NullSpace(reg, r, 1e-10, 2), 0);
}

TEST(ValuesEigen, DiagonalAndIdentity) {
  struct Case {
    mTensor2 t;
    double values[3];
    double vectors[3][3];
  } cases[] = {
      {diag(1, 1, 1), {1, 1, 1}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
      {diag(1, 2, 3), {3, 2, 1}, {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}}},
      {diag(-5, 2, 3), {-5, 3, 2}, {{1, 0, 0}, {0, 0, 1}, {0, 1, 0}}},
  };
  for (const Case& c : cases) {
    mVector v[3];
    double l[3];
    ASSERT_EQ(c.t.eigen(v, l), 3);
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(l[i], c.values[i], 1e-9);
      // Unit vectors, up to sign.
      const double s = v[i] * mVector(c.vectors[i][0], c.vectors[i][1], c.vectors[i][2]);
      EXPECT_NEAR(std::fabs(s), 1.0, 1e-9);
    }
  }
}

TEST(ValuesEigen, EigenPairsOfGeneralTensors) {
  const double sym[3][3] = {{4, 1, -2}, {1, 3, 0.5}, {-2, 0.5, 1}};
  // Upper triangular, not symmetric: eigenvalues 3, 2, 1 on the diagonal.
  const double tri[3][3] = {{1, 1, 0}, {0, 2, 1}, {0, 0, 3}};
  for (const auto* a : {&sym, &tri}) {
    const mTensor2 A = fromRows(*a);
    mVector v[3];
    double l[3];
    ASSERT_EQ(A.eigen(v, l), 3);
    EXPECT_NEAR(l[0] + l[1] + l[2], A.trace(), 1e-9);
    EXPECT_NEAR(l[0] * l[1] * l[2], A.det(), 1e-8);
    for (int i = 0; i < 3; ++i) {
      if (i) {
        EXPECT_GE(std::fabs(l[i - 1]), std::fabs(l[i]));
      }
      EXPECT_NEAR(v[i].length(), 1.0, 1e-12);
      const mVector r = A * v[i] - v[i] * l[i];
      EXPECT_LT(r.length(), 1e-6) << "pair " << i;
    }
  }
}

TEST(ValuesEigen2d, BlockDecomposition) {
  mVector v[3];
  double l[3];
  ASSERT_EQ(diag(1, 1, 7).eigen2d(v, l), 2);
  expectVec(v[0], 1, 0, 0);
  expectVec(v[1], 0, 1, 0);
  expectVec(v[2], 0, 0, 1);
  EXPECT_EQ(l[0], 1.0);
  EXPECT_EQ(l[1], 1.0);
  EXPECT_EQ(l[2], 1.0);

  mTensor2 rot(0.0);
  rot(0, 1) = 1;
  rot(1, 0) = -1;
  mVector w[3];
  EXPECT_EQ(rot.eigen2d(w, l), 0);
  expectVec(w[2], 0, 0, 1);

  // [[2, 1], [1, 2]]: eigenvalues 3 and 1 along (1,1) and (1,-1).
  mTensor2 m(0.0);
  m(0, 0) = m(1, 1) = 2;
  m(0, 1) = m(1, 0) = 1;
  m(2, 2) = 99;  // outside the block: ignored
  ASSERT_EQ(m.eigen2d(v, l), 2);
  EXPECT_NEAR(l[0], 3, 1e-12);
  EXPECT_NEAR(l[1], 1, 1e-12);
  const double h = std::sqrt(0.5);
  EXPECT_NEAR(std::fabs(v[0](0)), h, 1e-9);
  EXPECT_NEAR(v[0](0) * v[0](1), 0.5, 1e-9);
  EXPECT_NEAR(v[1](0) * v[1](1), -0.5, 1e-9);
  EXPECT_EQ(v[0](2), 0.0);
}

TEST(ValuesIntersect2d, MetricIntersection) {
  // A metric with a far smaller one: the first comes back unchanged.
  mTensor2 big(0.0);
  big(0, 0) = 100;
  big(1, 1) = 40;
  big(0, 1) = big(1, 0) = 20;
  mTensor2 small(0.0);
  small(0, 0) = 0.1;
  small(1, 1) = 0.2;
  const mTensor2 r = big.intersect2d(small);
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 2; ++j) EXPECT_NEAR(r(i, j), big(i, j), 1e-9);
  EXPECT_NEAR(r(0, 2), 0, 1e-15);
  EXPECT_NEAR(r(1, 2), 0, 1e-15);
  EXPECT_NEAR(r(2, 0), 0, 1e-15);
  EXPECT_NEAR(r(2, 2), 1, 1e-15);
  // small is unchanged
  EXPECT_EQ(small(0, 0), 0.1);

  // diag(4, 1) and diag(1, 4): equal leading magnitudes, the argument's
  // frame leads; the intersection is diag(4, 4).
  mTensor2 m1 = diag(4, 1, 0), m2 = diag(1, 4, 0);
  const mTensor2 q = m1.intersect2d(m2);
  EXPECT_NEAR(q(0, 0), 4, 1e-9);
  EXPECT_NEAR(q(1, 1), 4, 1e-9);
  EXPECT_NEAR(q(0, 1), 0, 1e-9);
  EXPECT_NEAR(q(2, 2), 1, 1e-15);
}
