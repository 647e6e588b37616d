// Triangle subdivision: order of the sub-triangles, their vertices, counts,
// coverage of the whole triangle and orientation.

#include <gtest/gtest.h>

#include <vector>

#include "SplitTri.h"
#include "mPoint.h"

using KORA::mPoint;

namespace {

struct Tri {
  mPoint a, b, c;
};

std::vector<Tri> walk(int n, const mPoint &P1, const mPoint &P2, const mPoint &P3) {
  splitTri s(n, P1, P2, P3);
  std::vector<Tri> out;
  Tri t;
  while (s.nextTri(t.a, t.b, t.c)) {
    out.push_back(t);
    if (out.size() > 10000) break;
  }
  return out;
}

void expectPoint(const mPoint &got, const mPoint &want, const char *what, int call) {
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(got[k], want[k], 1e-14) << what << " call " << call;
}

// Signed area in the x-y plane.
double signedArea(const mPoint &a, const mPoint &b, const mPoint &c) {
  return 0.5 * ((b.x() - a.x()) * (c.y() - a.y()) - (c.x() - a.x()) * (b.y() - a.y()));
}

const mPoint P1(1.0, 0.0, 0.5), P2(0.0, 0.0, 0.0), P3(0.0, 2.0, 1.0);

mPoint mid(const mPoint &a, const mPoint &b) { return (a + b) * 0.5; }

}  // namespace

TEST(SplitTri, TwoDivisionsGiveTheFourTrianglesInOrder) {
  const std::vector<Tri> t = walk(2, P1, P2, P3);
  ASSERT_EQ(t.size(), 4u);
  const Tri want[4] = {
      {P2, mid(P1, P2), mid(P2, P3)},           // U(0,0)
      {mid(P1, P2), mid(P2, P3), mid(P1, P3)},  // D(1,0)
      {mid(P1, P2), P1, mid(P1, P3)},           // U(1,0)
      {mid(P2, P3), mid(P1, P3), P3},           // U(1,1)
  };
  for (int i = 0; i < 4; ++i) {
    expectPoint(t[i].a, want[i].a, "a", i + 1);
    expectPoint(t[i].b, want[i].b, "b", i + 1);
    expectPoint(t[i].c, want[i].c, "c", i + 1);
  }
}

TEST(SplitTri, OneDivisionSwapsTheFirstTwoCorners) {
  const std::vector<Tri> t = walk(1, P1, P2, P3);
  ASSERT_EQ(t.size(), 1u);
  expectPoint(t[0].a, P2, "a", 1);
  expectPoint(t[0].b, P1, "b", 1);
  expectPoint(t[0].c, P3, "c", 1);
}

TEST(SplitTri, ThreeDivisionsEndWithTheUpTriangleAtP3) {
  const std::vector<Tri> t = walk(3, P1, P2, P3);
  ASSERT_EQ(t.size(), 9u);
  // N(i, j) = P2 + (i/3)(P1 - P2) + (j/3)(P3 - P1).
  auto N = [](int i, int j) {
    mPoint p;
    for (int k = 0; k < 3; ++k) p[k] = P2[k] + i / 3.0 * (P1[k] - P2[k]) + j / 3.0 * (P3[k] - P1[k]);
    return p;
  };
  expectPoint(t[8].a, N(2, 2), "a", 9);
  expectPoint(t[8].b, N(3, 2), "b", 9);
  expectPoint(t[8].c, P3, "c", 9);
  // Row 2 in order: D(2,0), U(2,0), D(2,1), U(2,1), U(2,2).
  expectPoint(t[4].a, N(2, 0), "D(2,0) a", 5);
  expectPoint(t[4].b, N(2, 1), "D(2,0) b", 5);
  expectPoint(t[4].c, N(3, 1), "D(2,0) c", 5);
  expectPoint(t[5].b, N(3, 0), "U(2,0) b", 6);
}

TEST(SplitTri, CountsCoverageAndOrientation) {
  // A triangle in the x-y plane, oriented counter-clockwise as (P1, P2, P3).
  const mPoint A(0.0, 0.0), B(2.0, 0.0), C(0.5, 1.5);
  const double whole = signedArea(A, B, C);
  ASSERT_GT(whole, 0.0);
  for (int n = 1; n <= 6; ++n) {
    splitTri s(n, A, B, C);
    EXPECT_EQ(s.nbTri(), n * n);
    const std::vector<Tri> t = walk(n, A, B, C);
    ASSERT_EQ(static_cast<int>(t.size()), n * n) << n;
    double sum = 0.0;
    int down = 0;
    for (const Tri &x : t) {
      const double a = signedArea(x.a, x.b, x.c);
      EXPECT_NEAR(std::abs(a), whole / (n * n), 1e-13) << n;  // congruent
      if (a > 0) ++down;  // down triangles keep the orientation of (P1, P2, P3)
      sum += std::abs(a);
    }
    EXPECT_NEAR(sum, whole, 1e-12) << n;
    EXPECT_EQ(down, n * (n - 1) / 2) << n;
  }
}

TEST(SplitTri, TheEndLeavesThePointsAloneAndStays) {
  for (int n : {0, -2, 1, 2}) {
    splitTri s(n, P1, P2, P3);
    mPoint a, b, c;
    for (int i = 0; i < (n > 0 ? n * n : 0); ++i) ASSERT_TRUE(s.nextTri(a, b, c));
    const mPoint marker(42, 43, 44);
    a = b = c = marker;
    for (int extra = 0; extra < 3; ++extra) {
      EXPECT_FALSE(s.nextTri(a, b, c)) << n;
      expectPoint(a, marker, "a", extra);
      expectPoint(b, marker, "b", extra);
      expectPoint(c, marker, "c", extra);
    }
    if (n <= 0) {
      EXPECT_EQ(s.nbTri(), 0);
    }
  }
}

TEST(SplitTri, DegenerateCornersAreAccepted) {
  const mPoint p(1, 1, 1);
  const std::vector<Tri> t = walk(2, p, p, p);
  ASSERT_EQ(t.size(), 4u);
  for (const Tri &x : t) expectPoint(x.c, p, "c", 0);
}
