// Element mappings checked against hand-computed Jacobians, exact volumes and
// the geometry of the elements themselves.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "KORA.h"
#include "LagrangeMapping.h"
#include "test_entities.h"

using namespace KORA;
using geomtest::Entities;

namespace {

mPoint evalAt(const Mapping &m, double u, double v, double w) {
  double x, y, z;
  m.eval(u, v, w, x, y, z);
  return mPoint(x, y, z);
}

// A reference point drawn uniformly from the reference element of the kind.
void randomReferencePoint(int type, std::mt19937 &rng, double &u, double &v, double &w) {
  std::uniform_real_distribution<double> s(-1.0, 1.0), p(0.0, 1.0);
  u = v = w = 0.0;
  switch (type) {
    case mEntity::EDGE: u = s(rng); break;
    case mEntity::QUAD: u = s(rng); v = s(rng); break;
    case mEntity::HEX: u = s(rng); v = s(rng); w = s(rng); break;
    case mEntity::TRI:
      do { u = p(rng); v = p(rng); } while (u + v > 1.0);
      break;
    case mEntity::TET:
      do { u = p(rng); v = p(rng); w = p(rng); } while (u + v + w > 1.0);
      break;
    case mEntity::PRISM:
      do { u = p(rng); v = p(rng); } while (u + v > 1.0);
      w = s(rng);
      break;
  }
}

// Elements of every kind with straight edges; the shapes of the hexahedron
// (a frustum) and the quadrilateral (a trapezoid) make their maps non-affine.
struct Shapes {
  Entities ents;
  mEntity *edge2d, *tri, *quad, *parallelogram, *tet, *frustum, *parallelepiped, *prism;
  Shapes() {
    edge2d = ents.edge(ents.vertex(1, 2), ents.vertex(4, 6));
    tri = ents.tri(ents.vertices({{1, 1, 0}, {3, 1, 0}, {1, 4, 0}}));
    quad = ents.quad(ents.vertices({{0, 0, 0}, {2, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
    parallelogram = ents.quad(ents.vertices({{0, 0, 0}, {2, 0, 0}, {3, 1, 0}, {1, 1, 0}}));
    tet = ents.tet(ents.vertices({{1, 0, 0}, {3, 1, 0}, {1, 2, 0}, {2, 1, 3}}));
    frustum = ents.hex(ents.vertices({{0, 0, 0},
                                      {2, 0, 0},
                                      {2, 2, 0},
                                      {0, 2, 0},
                                      {0.5, 0.5, 1},
                                      {1.5, 0.5, 1},
                                      {1.5, 1.5, 1},
                                      {0.5, 1.5, 1}}));
    // Edges along (2,0,0), (0.5,1,0), (0.3,0.2,1.5) from (1,1,1).
    parallelepiped = ents.hex(ents.vertices({{1, 1, 1},
                                             {3, 1, 1},
                                             {3.5, 2, 1},
                                             {1.5, 2, 1},
                                             {1.3, 1.2, 2.5},
                                             {3.3, 1.2, 2.5},
                                             {3.8, 2.2, 2.5},
                                             {1.8, 2.2, 2.5}}));
    // Vertices 0-2 on w = +1 (the upper triangle), 3-5 below.
    prism = ents.prism(ents.vertices({{0.3, 0.2, 1.5},
                                      {2.3, 0.2, 1.5},
                                      {0.3, 1.2, 1.5},
                                      {0, 0, 0},
                                      {2, 0, 0},
                                      {0, 1, 0}}));
  }
};

}  // namespace

TEST(Mapping, JacobianDeterminantsAndInversesMatchHandValues) {
  Shapes s;
  Entities more;
  mEntity *axisEdge = more.edge(more.vertex(0, 0), more.vertex(2, 0));
  mEntity *slantTri = more.tri(more.vertices({{0, 0, 0}, {1, 0, 0}, {0, 0, 1}}));
  mEntity *box = more.hex(more.vertices(
      {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}, {0, 0, 3}, {2, 0, 3}, {2, 1, 3}, {0, 1, 3}}));
  mEntity *flippedBox = more.hex(more.vertices(
      {{0, 0, 3}, {2, 0, 3}, {2, 1, 3}, {0, 1, 3}, {0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}}));
  struct Case {
    const char *name;
    mEntity *e;
    double u, v, w;
    double det;
    double rows[3][3];  // completed Jacobian: d(x,y,z)/du, /dv, /dw
  };
  const Case cases[] = {
      {"edge on x axis", axisEdge, 0.3, 0, 0, 1.0, {{1, 0, 0}, {0, 0, 1}, {0, -1, 0}}},
      {"slanted edge", s.edge2d, -0.7, 0, 0, 2.5, {{1.5, 2, 0}, {0, 0, 1}, {0.8, -0.6, 0}}},
      {"triangle", s.tri, 0.2, 0.3, 0, 6.0, {{2, 0, 0}, {0, 3, 0}, {0, 0, 1}}},
      {"triangle in x-z plane", slantTri, 0.1, 0.1, 0, 1.0, {{1, 0, 0}, {0, 0, 1}, {0, -1, 0}}},
      // x = (3 - v)(1 + u)/4 ... : dx/du = (3 - v)/4, dx/dv = -(1 + u)/4, dy/dv = 1/2.
      {"trapezoid", s.quad, 0.5, -0.5, 0, 0.4375, {{0.875, 0, 0}, {-0.375, 0.5, 0}, {0, 0, 1}}},
      {"tetrahedron", s.tet, 0.1, 0.2, 0.3, 12.0, {{2, 1, 0}, {0, 2, 0}, {1, 1, 3}}},
      {"box", box, 0.4, -0.2, 0.9, 0.75, {{1, 0, 0}, {0, 0.5, 0}, {0, 0, 1.5}}},
      {"box, top face first", flippedBox, 0, 0, 0, -0.75, {{1, 0, 0}, {0, 0.5, 0}, {0, 0, -1.5}}},
      // On the frustum's mid-height the square has side 1.5.
      {"frustum", s.frustum, 0, 0, 0, 0.5625 * 0.5, {{0.75, 0, 0}, {0, 0.75, 0}, {0, 0, 0.5}}},
      {"prism", s.prism, 0.2, 0.2, 0.5, 1.5, {{2, 0, 0}, {0, 1, 0}, {0.15, 0.1, 0.75}}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    LagrangeMapping m(c.e);
    mTensor2 t(0.0);
    EXPECT_NEAR(m.jacInverse(c.u, c.v, c.w, t), c.det, 1e-13);
    EXPECT_NEAR(m.detJac(c.u, c.v, c.w), c.det, 1e-13);
    // rows x inverse = identity
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) {
        double s = 0.0;
        for (int k = 0; k < 3; ++k) s += c.rows[i][k] * t(k, j);
        EXPECT_NEAR(s, i == j ? 1.0 : 0.0, 1e-13) << i << "," << j;
      }
  }
}

TEST(Mapping, InvertRecoversReferencePoints) {
  Shapes s;
  struct Case {
    const char *name;
    mEntity *e;
  };
  // Affine maps take one Newton step; the trapezoid and the frustum are
  // bilinear and trilinear, where Newton's quadratic convergence has gone well
  // past 1e-10 by the time its step falls below the 1e-3 stopping threshold.
  const Case cases[] = {{"edge", s.edge2d},       {"triangle", s.tri},
                        {"parallelogram", s.parallelogram},
                        {"tetrahedron", s.tet},   {"parallelepiped", s.parallelepiped},
                        {"prism", s.prism},       {"trapezoid", s.quad},
                        {"frustum", s.frustum}};
  std::mt19937 rng(12345);
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    for (Mapping *m : {static_cast<Mapping *>(new LagrangeMapping(c.e)),
                       MappingBuilder().BuildMapping(c.e, 0)}) {
      std::unique_ptr<Mapping> owner(m);
      for (int k = 0; k < 50; ++k) {
        double u, v, w, ru = 9, rv = 9, rw = 9;
        randomReferencePoint(M_GetElementType(c.e), rng, u, v, w);
        const mPoint p = evalAt(*m, u, v, w);
        ASSERT_TRUE(m->invert(p(0), p(1), p(2), ru, rv, rw));
        EXPECT_NEAR(ru, u, 1e-10);
        EXPECT_NEAR(rv, v, 1e-10);
        EXPECT_NEAR(rw, w, 1e-10);
        EXPECT_TRUE(m->inReferenceElement(ru, rv, rw));
        EXPECT_TRUE(m->interiorCheck(nullptr, p, ru, rv, rw));
      }
    }
  }
}

TEST(Mapping, InvertReportsFailureOnADegenerateElement) {
  Entities ents;
  mEntity *flat = ents.tri(ents.vertices({{0, 0, 0}, {1, 1, 0}, {2, 2, 0}}));
  LagrangeMapping m(flat);
  double u, v, w;
  testing::internal::CaptureStdout();
  EXPECT_FALSE(m.invert(1.5, 0.5, 0.0, u, v, w));
  EXPECT_FALSE(m.interiorCheck(flat, mPoint(1.5, 0.5, 0.0), u, v, w));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "impossible to find 1.500000 0.500000 0.000000 \n"
            "impossible to find 1.500000 0.500000 0.000000 \n");
}

TEST(Mapping, InsideTestsUseTheirTolerances) {
  Entities ents;
  mEntity *tri = ents.tri(ents.vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
  mEntity *edge = ents.edge(ents.vertex(0, 0), ents.vertex(1, 0));
  mEntity *tet = ents.tet(ents.vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}));
  mEntity *vert = ents.vertex(5, 5, 5);
  LagrangeMapping mt(tri), me(edge), mtet(tet), mv(vert);
  EXPECT_TRUE(mt.inReferenceElement(-1e-5, 0.5, 0));
  EXPECT_FALSE(mt.inReferenceElement(-1.1e-5, 0.5, 0));
  EXPECT_TRUE(mt.inReferenceElement(0.5, 0.5 + 1e-5, 0));
  EXPECT_TRUE(me.inReferenceElement(1.00001, 0, 0));
  EXPECT_FALSE(me.inReferenceElement(-1.00002, 0, 0));
  EXPECT_FALSE(mtet.inReferenceElement(0.5, 0.3, 0.2 + 2e-5));
  EXPECT_TRUE(mv.inReferenceElement(7, -3, 100));
  double u = 4, v = 5, w = 6;
  mv.COG(u, v, w);
  EXPECT_EQ(u, 4);
  mt.COG(u, v, w);
  EXPECT_EQ(u, 0.3333333333333);
  EXPECT_EQ(w, 0.0);

  // Within 1e-4 of the bounding box the point is inverted and tested ...
  u = v = w = 9;
  EXPECT_FALSE(mt.interiorCheck(tri, mPoint(0.5, -5e-5, 0), u, v, w));
  EXPECT_NEAR(v, -5e-5, 1e-12);
  EXPECT_TRUE(mt.interiorCheck(tri, mPoint(0.5, -5e-6, 0), u, v, w));
  // ... farther out it is rejected without inversion.
  u = v = w = 9;
  EXPECT_FALSE(mt.interiorCheck(tri, mPoint(0.5, -2e-4, 0), u, v, w));
  EXPECT_EQ(u, 9);
  EXPECT_FALSE(mt.interiorCheck(tri, mPoint(0.6, 0.6, 0), u, v, w));
}

TEST(Mapping, FaceNormalsAreUnitAndPointOutOfEveryElement) {
  Shapes s;
  for (mEntity *e : {s.tri, s.quad, s.parallelogram, s.tet, s.frustum, s.parallelepiped, s.prism}) {
    SCOPED_TRACE(M_GetElementType(e));
    LagrangeMapping m(e);
    double cu = 0, cv = 0, cw = 0;
    m.COG(cu, cv, cw);
    const mPoint centre = evalAt(m, cu, cv, cw);
    const int d = e->getLevel() - 1;
    ASSERT_GT(e->size(d), 0);
    for (int i = 0; i < e->size(d); ++i) {
      std::unique_ptr<mEntity> border(e->get(d, i));
      std::vector<mEntity *> bv;
      M_GetVertices(border.get(), bv);
      mPoint fc;
      for (mEntity *x : bv) fc += *V_point(x);
      fc *= 1.0 / bv.size();
      double u, v, w;
      ASSERT_TRUE(m.invert(fc(0), fc(1), fc(2), u, v, w));
      mVector n;
      m.normalVector(border.get(), u, v, w, n);
      EXPECT_NEAR(n.length(), 1.0, 1e-12) << "face " << i;
      EXPECT_GT(n * mVector(centre, fc), 0.0) << "face " << i;
      // Perpendicular to the (planar) face or to the edge, within its plane.
      for (std::size_t k = 1; k < bv.size(); ++k)
        EXPECT_NEAR(n * mVector(*V_point(bv[0]), *V_point(bv[k])), 0.0, 1e-12) << "face " << i;
      if (d == 1) {
        EXPECT_EQ(n(2), 0.0);
      }
    }
  }
}

TEST(Mapping, NormalOfCurvesAndSurfaces) {
  Entities ents;
  mEntity *edge = ents.edge(ents.vertex(0, 0), ents.vertex(2, 0));
  mEntity *slant = ents.edge(ents.vertex(0, 0), ents.vertex(3, 4));
  mEntity *tri = ents.tri(ents.vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 1}}));
  mEntity *tet = ents.tet(ents.vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}));
  mEntity *vert = ents.vertex(1, 1);
  struct Case {
    mEntity *e;
    mVector n;
  };
  const Case cases[] = {{edge, mVector(0, -1, 0)},
                        {slant, mVector(0.8, -0.6, 0)},
                        {tri, mVector(0, -std::sqrt(0.5), std::sqrt(0.5))}};
  for (const Case &c : cases) {
    LagrangeMapping m(c.e);
    mVector n;
    m.normalVector(0.1, 0.2, 0, n);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(n(i), c.n(i), 1e-14);
  }
  for (mEntity *e : {tet, vert}) {
    LagrangeMapping m(e);
    mVector n;
    EXPECT_THROW(m.normalVector(0.1, 0.1, 0.1, n), int);
  }
}

TEST(Mapping, SimplexationsTileTheElement) {
  Shapes s;
  double u[15], v[15], w[15];
  int simplices[24][4], nodes = 0, points = 0;

  // The frustum's faces are planar: its 24 tetrahedra fill it, so their
  // volumes add up to 7/3; in reference space each has volume 1/3 and every
  // point of the cube lies in exactly one of them.
  LagrangeMapping hex(s.frustum);
  ASSERT_EQ(hex.simplexation(nodes, points, u, v, w, simplices), 24);
  EXPECT_EQ(nodes, 4);
  EXPECT_EQ(points, 15);
  auto volume = [](const mPoint *p) {
    return (mVector(p[0], p[1]) % mVector(p[0], p[2])) * mVector(p[0], p[3]) / 6.0;
  };
  double total = 0.0;
  for (const auto &t : simplices) {
    mPoint p[4], q[4];
    for (int k = 0; k < 4; ++k) {
      p[k] = evalAt(hex, u[t[k]], v[t[k]], w[t[k]]);
      q[k] = mPoint(u[t[k]], v[t[k]], w[t[k]]);
    }
    total += std::fabs(volume(p));
    EXPECT_NEAR(std::fabs(volume(q)), 1.0 / 3.0, 1e-15);
  }
  EXPECT_NEAR(total, 7.0 / 3.0, 1e-13);
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> cube(-1.0, 1.0);
  for (int k = 0; k < 200; ++k) {
    const mPoint x(cube(rng), cube(rng), cube(rng));
    int containing = 0;
    for (const auto &t : simplices) {
      mPoint q[4];
      for (int i = 0; i < 4; ++i) q[i] = mPoint(u[t[i]], v[t[i]], w[t[i]]);
      const double whole = volume(q);
      bool in = true;
      for (int i = 0; i < 4; ++i) {
        mPoint r[4] = {q[0], q[1], q[2], q[3]};
        r[i] = x;
        in = in && volume(r) / whole >= 0.0;
      }
      containing += in;
    }
    EXPECT_EQ(containing, 1);
  }

  LagrangeMapping quad(s.quad);
  ASSERT_EQ(quad.simplexation(nodes, points, u, v, w, simplices), 4);
  EXPECT_EQ(nodes, 3);
  EXPECT_EQ(points, 5);
  EXPECT_EQ(u[0], 0.0);
  EXPECT_EQ(v[0], 0.0);
  double area = 0.0;
  for (int k = 0; k < 4; ++k) {
    const int *t = simplices[k];
    area += 0.5 * ((u[t[1]] - u[t[0]]) * (v[t[2]] - v[t[0]]) - (u[t[2]] - u[t[0]]) * (v[t[1]] - v[t[0]]));
  }
  for (int k = 0; k < 5; ++k) EXPECT_EQ(w[k], 0.0);
  EXPECT_NEAR(std::fabs(area), 4.0, 1e-15);

  EXPECT_EQ(LagrangeMapping(s.tri).simplexation(nodes, points, u, v, w, simplices), 1);
  EXPECT_EQ(nodes, 3);
  EXPECT_EQ(LagrangeMapping(s.tet).simplexation(nodes, points, u, v, w, simplices), 1);
  EXPECT_EQ(nodes, 4);
  EXPECT_THROW(LagrangeMapping(s.prism).simplexation(nodes, points, u, v, w, simplices), int);
}

TEST(Mapping, PushBackGivesPhysicalGradientsOfLinearFunctions) {
  // f = 2x - y + 3z on a tetrahedron and a parallelepiped: its reference
  // gradient pushed back must be (2, -1, 3) everywhere.
  Shapes s;
  for (mEntity *e : {s.tet, s.parallelepiped, s.prism}) {
    LagrangeMapping m(e);
    const double h = 1e-6;
    std::vector<mVector> g(2);
    const double u = 0.2, v = 0.1, w = 0.3;
    auto f = [&](double a, double b, double c) {
      const mPoint p = evalAt(m, a, b, c);
      return 2 * p(0) - p(1) + 3 * p(2);
    };
    g[0] = mVector((f(u + h, v, w) - f(u - h, v, w)) / (2 * h), (f(u, v + h, w) - f(u, v - h, w)) / (2 * h),
                   (f(u, v, w + h) - f(u, v, w - h)) / (2 * h));
    g[1] = g[0];
    const double det = m.PushBack(u, v, w, 5, g);  // 5 is clamped to the size
    EXPECT_NEAR(det, m.detJac(u, v, w), 1e-14);
    for (const mVector &x : g) {
      EXPECT_NEAR(x(0), 2.0, 1e-8);
      EXPECT_NEAR(x(1), -1.0, 1e-8);
      EXPECT_NEAR(x(2), 3.0, 1e-8);
    }
  }
}

TEST(LagrangeMapping, ShapeFunctionsInterpolateTheVertices) {
  Shapes s;
  struct Case {
    mEntity *e;
    std::vector<std::array<double, 3>> refVertices;
  };
  const std::vector<Case> cases = {
      {s.edge2d, {{-1, 0, 0}, {1, 0, 0}}},
      {s.tri, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}},
      {s.quad, {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}}},
      {s.tet, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
      {s.frustum,
       {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1}, {-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}}},
      {s.prism, {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {0, 0, -1}, {1, 0, -1}, {0, 1, -1}}},
  };
  for (const Case &c : cases) {
    LagrangeMapping m(c.e);
    std::vector<mEntity *> verts;
    M_GetVertices(c.e, verts);
    ASSERT_EQ(verts.size(), c.refVertices.size());
    for (std::size_t k = 0; k < verts.size(); ++k) {
      const auto &r = c.refVertices[k];
      const mPoint p = evalAt(m, r[0], r[1], r[2]);
      for (int i = 0; i < 3; ++i) EXPECT_EQ(p(i), (*V_point(verts[k]))(i)) << "vertex " << k;
    }
    // The functions add up to one and their gradients to zero.
    double f[8];
    mVector g[8];
    const int n = m.GeomShapeFunction(0.2, 0.3, 0.1, f);
    ASSERT_EQ(n, m.GradGeomShapeFunction(0.2, 0.3, 0.1, g));
    double sum = 0.0;
    mVector gs;
    for (int k = 0; k < n; ++k) {
      sum += f[k];
      gs += g[k];
    }
    EXPECT_NEAR(sum, 1.0, 1e-15);
    EXPECT_NEAR(gs.length(), 0.0, 1e-15);
  }
}

TEST(LagrangeMapping, KnotListsThatMatchNoKindAreNotEvaluated) {
  Entities ents;
  mEntity *tri = ents.tri(ents.vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
  std::vector<mPoint> three = {mPoint(0, 0, 0), mPoint(2, 0, 0), mPoint(0, 2, 0)};
  LagrangeMapping t(tri, &three);
  EXPECT_EQ(t.getType(), mEntity::TRI);
  EXPECT_NEAR(t.detJac(0.1, 0.1, 0), 4.0, 1e-15);
  std::vector<mPoint> four = {mPoint(0, 0, 0), mPoint(1, 0, 0), mPoint(1, 1, 0), mPoint(0, 1, 0)};
  EXPECT_EQ(LagrangeMapping(tri, &four).getType(), mEntity::QUAD);

  std::vector<mPoint> five(5, mPoint(1, 1, 1));
  LagrangeMapping bad(tri, &five);  // kind 4 needs 8 knots
  // A knot list of the wrong length is refused by the shape functions.
  LagrangeMapping shortened(tri);
  shortened.getKnots().pop_back();
  for (LagrangeMapping *m : {&bad, &shortened}) {
    double x = 7, y = 7, z = 7;
    testing::internal::CaptureStdout();
    m->eval(0.1, 0.1, 0.1, x, y, z);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "GeomshapeFunction: Entity type not supported\n");
    EXPECT_EQ(x, 0.0);
    double d[9];
    m->deval(0.1, 0.1, 0.1, d[0], d[1], d[2], d[3], d[4], d[5], d[6], d[7], d[8]);
    for (double di : d) EXPECT_EQ(di, 0.0);
  }
}

TEST(LagrangeMappingKinds, ConstantCylindricalAndBuilder) {
  Shapes s;
  Entities ents;
  mEntity *edge = ents.edge(ents.vertex(0, 0), ents.vertex(0, 3));
  mEntity *vert = ents.vertex(1, 2, 3);

  // Builder: constant maps for the affine kinds, plain ones for the others,
  // cylindrical ones for every kind in axisymmetric runs.
  MappingBuilder b;
  for (mEntity *e : {edge, s.tri, s.tet, vert, s.quad, s.frustum, s.prism}) {
    std::unique_ptr<Mapping> plain(b.BuildMapping(e, 0)), axi(b.BuildMapping(e, 1));
    const int t = M_GetElementType(e);
    const bool affine = t == mEntity::EDGE || t == mEntity::TRI || t == mEntity::TET;
    EXPECT_EQ(dynamic_cast<ConstantLagrangeMapping *>(plain.get()) != nullptr, affine) << t;
    EXPECT_NE(dynamic_cast<LagrangeMapping *>(plain.get()), nullptr);
    EXPECT_NE(dynamic_cast<CylindricalCoordinatesLagrangeMapping *>(axi.get()), nullptr);
    EXPECT_EQ(axi->order(), 2);
    EXPECT_EQ(axi->geomOrder(), 1);
  }

  // The constant map gives the same inverse everywhere.
  ConstantLagrangeMapping c(s.tet);
  mTensor2 a(0.0), r(0.0);
  EXPECT_DOUBLE_EQ(c.jacInverse(0.9, -3, 4, a), 12.0);
  LagrangeMapping(s.tet).jacInverse(0.1, 0.1, 0.1, r);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(a(i, j), r(i, j), 1e-15);

  // Cylindrical weighting: the integral of detJac is that of x over the
  // element, area times the x of the centroid.
  Entities more;
  mEntity *tri = more.tri(more.vertices({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}));
  CylindricalCoordinatesLagrangeMapping cyl(tri);
  EXPECT_EQ(cyl.detJac(0, 0.5, 0), 0.0);
  // One-point rule at the centroid integrates the linear weight exactly.
  EXPECT_NEAR(0.5 * cyl.detJac(1.0 / 3, 1.0 / 3, 0), 2.0 * (2.0 / 3.0), 1e-14);
  mTensor2 ti(0.0);
  EXPECT_NEAR(cyl.jacInverse(0.5, 0.25, 0, ti), 1.0 * 4.0, 1e-14);
  EXPECT_NEAR(ti(0, 0), 0.5, 1e-15);
}

TEST(LagrangeMappingKinds, RegularCubeMapsABoxInClosedForm) {
  Entities ents;
  auto v = ents.vertices({{1, 0, 2}, {3, 0, 2}, {3, 1, 2}, {1, 1, 2}, {1, 0, 6}, {3, 0, 6}, {3, 1, 6}, {1, 1, 6}});
  mEntity *hex = ents.hex(v);
  RegularCubeLagrangeMapping m(hex);
  LagrangeMapping general(hex);
  EXPECT_DOUBLE_EQ(m.detJac(0.3, 0.3, 0.3), 1.0);
  EXPECT_DOUBLE_EQ(general.detJac(0.3, 0.3, 0.3), 1.0);
  double u, v2, w;
  ASSERT_TRUE(m.invert(2.5, 0.25, 5, u, v2, w));
  EXPECT_DOUBLE_EQ(u, 0.5);
  EXPECT_DOUBLE_EQ(v2, -0.5);
  EXPECT_DOUBLE_EQ(w, 0.5);
  const mPoint p = evalAt(m, u, v2, w), q = evalAt(general, u, v2, w);
  for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(p(i), q(i));
  std::vector<mVector> g = {mVector(1, 1, 1)};
  EXPECT_DOUBLE_EQ(m.PushBack(0, 0, 0, 1, g), 1.0);
  EXPECT_DOUBLE_EQ(g[0](0), 1.0);
  EXPECT_DOUBLE_EQ(g[0](1), 2.0);
  EXPECT_DOUBLE_EQ(g[0](2), 0.5);
  // Each face's normal from its position on the box, in face order
  // (bottom, y = 0, x = 3, y = 1, x = 1, top).
  const double expected[6][3] = {{0, 0, -1}, {0, -1, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1}};
  for (int i = 0; i < 6; ++i) {
    std::unique_ptr<mEntity> face(hex->get(2, i));
    mVector n(9, 9, 9), ng;
    m.normalVector(face.get(), 0, 0, 0, n);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(n(k), expected[i][k]) << "face " << i;
  }
}

namespace {
double phiTri(mPoint &p) { return 1.0 - 2.0 * p(0) - 2.0 * p(1); }   // (1, -1, -1)
double phiZero(mPoint &p) { return 1.0 - p(0) - 2.0 * p(1); }        // (1, 0, -1)
double phiQuad(mPoint &p) { return p(0) + p(1) - 0.5; }              // (-0.5, 0.5, 1.5, 0.5)
double phiPos(mPoint &) { return 1.0; }
}  // namespace

TEST(LagrangeMappingKinds, LevelSetClippingKeepsTheSelectedSide) {
  Entities ents;
  mEntity *tri = ents.tri(ents.vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
  mEntity *quad = ents.quad(ents.vertices({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
  struct Case {
    const char *name;
    mEntity *e;
    double (*f)(mPoint &);
    int cond;
    std::vector<mPoint> knots;
    int type, dim;
    double area;  // shoelace area of the knot polygon
    std::string out;
  };
  const std::vector<Case> cases = {
      {"triangle tip kept", tri, phiTri, 1, {mPoint(0, 0), mPoint(0.5, 0), mPoint(0, 0.5)}, mEntity::TRI, 2, 0.125,
       " condition > 0\n Positive & Negative\nElementtype    3\n"},
      {"triangle base kept", tri, phiTri, -1,
       {mPoint(0.5, 0), mPoint(1, 0), mPoint(0, 1), mPoint(0, 0.5)}, mEntity::QUAD, 2, 0.375,
       "Elementtype    4\n"},
      {"zero level", tri, phiZero, 0, {mPoint(1, 0), mPoint(0, 0.5)}, mEntity::EDGE, 1, 0.0,
       "Elementtype    2\n"},
      {"quad corner cut", quad, phiQuad, 1,
       {mPoint(0.5, 0), mPoint(1, 0), mPoint(1, 1), mPoint(0, 1), mPoint(0, 0.5)}, 5, 2, 0.875,
       " condition > 0\n Positive & Negative\nElementtype    5\n"},
      {"all positive, keep negative", tri, phiPos, -1, {}, 0, -1, 0.0,
       "Elementtype    0\n Wrong Entity type \n"},
      {"all positive, keep positive", tri, phiPos, 1, {mPoint(0, 0), mPoint(1, 0), mPoint(0, 1)}, mEntity::TRI, 2,
       0.5, " condition > 0\n All Positive\nElementtype    3\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    testing::internal::CaptureStdout();
    LagrangeMapping m(c.e, c.f, c.cond);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.out);
    EXPECT_EQ(m.getType(), c.type);
    EXPECT_EQ(c.e->getElementDim(), c.dim);
    const auto &k = m.getKnots();
    ASSERT_EQ(k.size(), c.knots.size());
    double area = 0.0;
    for (std::size_t i = 0; i < k.size(); ++i) {
      for (int a = 0; a < 3; ++a) EXPECT_NEAR(k[i](a), c.knots[i](a), 1e-15) << "knot " << i;
      const mPoint &p = k[i], &q = k[(i + 1) % k.size()];
      area += 0.5 * (p(0) * q(1) - q(0) * p(1));
    }
    EXPECT_NEAR(area, c.area, 1e-15);
    // The Jacobian that follows the cached dimension measures the clipped
    // piece: half the length of a segment, twice the area of a triangle.
    if (c.type == mEntity::EDGE) {
      EXPECT_NEAR(m.detJac_way2(0.3, 0, 0), 0.5 * mVector(k[0], k[1]).length(), 1e-15);
    }
    if (c.type == mEntity::TRI) {
      EXPECT_NEAR(m.detJac_way2(0.2, 0.2, 0), 2.0 * c.area, 1e-15);
    }
  }
}
