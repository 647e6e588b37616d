// Gauss points on mesh entities: rules picked by the entity's kind, weights
// scaled to the reference measure, and physical integrals through detJac.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "GaussIntegrator.h"
#include "KORA.h"
#include "LagrangeMapping.h"
#include "test_entities.h"

using namespace KORA;
using geomtest::Entities;

namespace {

double factorial(int n) {
  double f = 1.0;
  for (int i = 2; i <= n; ++i) f *= i;
  return f;
}

}  // namespace

TEST(GaussIntegrator, IntegratesPolynomialsOverPhysicalElements) {
  Entities ents;
  // Physical elements with known integrals of x^a y^b z^c:
  //  - the triangle (0,0), (2,0), (0,3) is 6 times the unit triangle scaled by
  //    (2, 3): the integral is 2^(a+1) 3^(b+1) a! b! / (a+b+2)!;
  //  - the tetrahedron (0,0,0), (2,0,0), (0,3,0), (0,0,1) likewise;
  //  - the box [0,2] x [0,1] x [0,3] (as quadrilateral [0,2] x [0,1]);
  //  - the edge from (0,0) to (2,0): 2^(a+1)/(a+1).
  mEntity *tri = ents.tri(ents.vertices({{0, 0, 0}, {2, 0, 0}, {0, 3, 0}}));
  mEntity *tet = ents.tet(ents.vertices({{0, 0, 0}, {2, 0, 0}, {0, 3, 0}, {0, 0, 1}}));
  mEntity *quad = ents.quad(ents.vertices({{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}}));
  mEntity *hex = ents.hex(ents.vertices(
      {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}, {0, 0, 3}, {2, 0, 3}, {2, 1, 3}, {0, 1, 3}}));
  mEntity *edge = ents.edge(ents.vertex(0, 0), ents.vertex(2, 0));
  auto exact = [&](mEntity *e, int a, int b, int c) {
    const double box[3] = {2, 1, 3};
    switch (M_GetElementType(e)) {
      case mEntity::EDGE:
        return (b || c) ? 0.0 : std::pow(2.0, a + 1) / (a + 1);
      case mEntity::TRI:
        return c ? 0.0
                 : std::pow(2.0, a + 1) * std::pow(3.0, b + 1) * factorial(a) * factorial(b) /
                       factorial(a + b + 2);
      case mEntity::TET:
        return std::pow(2.0, a + 1) * std::pow(3.0, b + 1) * factorial(a) * factorial(b) * factorial(c) /
               factorial(a + b + c + 3);
      case mEntity::QUAD:
        return c ? 0.0 : std::pow(box[0], a + 1) / (a + 1) * std::pow(box[1], b + 1) / (b + 1);
      default:
        return std::pow(box[0], a + 1) / (a + 1) * std::pow(box[1], b + 1) / (b + 1) *
               std::pow(box[2], c + 1) / (c + 1);
    }
  };
  for (mEntity *e : {edge, tri, quad, tet, hex}) {
    std::unique_ptr<Mapping> map(MappingBuilder().BuildMapping(e, 0));
    GaussIntegrator gi(e);
    for (int p = 0; p <= 12; ++p) {
      SCOPED_TRACE("kind " + std::to_string(M_GetElementType(e)) + " order " + std::to_string(p));
      const int n = gi.nbIntegrationPoints(p);
      for (int a = 0; a <= p; ++a)
        for (int b = 0; a + b <= p; ++b)
          for (int c = 0; a + b + c <= p; ++c) {
            double sum = 0.0;
            for (int i = 0; i < n; ++i) {
              double u, v, w, weight, x, y, z;
              gi.iPoint(i, p, u, v, w, weight);
              map->eval(u, v, w, x, y, z);
              sum += weight * map->detJac(u, v, w) * std::pow(x, a) * std::pow(y, b) * std::pow(z, c);
            }
            const double ex = exact(e, a, b, c);
            EXPECT_NEAR(sum, ex, 1e-13 * std::max(1.0, std::fabs(ex))) << a << " " << b << " " << c;
          }
    }
  }
}

TEST(GaussIntegrator, VertexEdgeLimitsAndUnsupportedKinds) {
  Entities ents;
  mEntity *vert = ents.vertex(1, 2, 3);
  mEntity *edge = ents.edge(ents.vertex(0, 0), ents.vertex(1, 0));
  mEntity *prism = ents.prism(ents.vertices({{0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
  double u = 5, v = 5, w = 5, weight = 5;

  GaussIntegrator gv(vert);
  EXPECT_EQ(gv.nbIntegrationPoints(7), 1);
  gv.iPoint(0, 7, u, v, w, weight);
  EXPECT_EQ(u, 0.0);
  EXPECT_EQ(weight, 1.0);

  GaussIntegrator ge(edge);
  EXPECT_EQ(ge.nbIntegrationPoints(0), 1);
  EXPECT_EQ(ge.nbIntegrationPoints(-2), 1);
  EXPECT_EQ(ge.nbIntegrationPoints(49), 49);
  EXPECT_EQ(ge.nbIntegrationPoints(50), 50);
  ge.iPoint(48, 49, u, v, w, weight);
  EXPECT_GT(u, 0.99);
  testing::internal::CaptureStdout();
  EXPECT_THROW(ge.iPoint(0, 50, u, v, w, weight), int);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "gauss-legendre integration points are only programmed for order < 50 (asked 50)\n");
  // A point index outside the rule is refused, not read.
  testing::internal::CaptureStdout();
  EXPECT_THROW(ge.iPoint(3, 3, u, v, w, weight), int);
  testing::internal::GetCapturedStdout();

  GaussIntegrator gp(prism);
  EXPECT_THROW(gp.nbIntegrationPoints(2), int);
  u = v = w = weight = 5;
  gp.iPoint(0, 2, u, v, w, weight);
  EXPECT_EQ(u, 5.0);
  EXPECT_EQ(weight, 5.0);
}

TEST(GaussIntegrator, CachedKindFormsFollowTheEntityCache) {
  Entities ents;
  mEntity *quad = ents.quad(ents.vertices({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
  GaussIntegrator g(quad);
  // The cache says triangle: the triangle rule is used although the entity
  // is a quadrilateral.
  quad->setElementType(mEntity::TRI);
  EXPECT_EQ(g.nbIntegrationPoints_way2(4), 6);
  EXPECT_EQ(g.nbIntegrationPoints(4), 9);
  double sum = 0.0;
  for (int i = 0; i < 6; ++i) {
    double u, v, w, weight;
    g.iPoint_way2(i, 4, u, v, w, weight);
    sum += weight;
  }
  EXPECT_NEAR(sum, 0.5, 1e-15);
  quad->setElementType(mEntity::EDGE);
  EXPECT_EQ(g.nbIntegrationPoints_way2(5), 5);
  quad->setElementType(mEntity::PRISM);
  EXPECT_THROW(g.nbIntegrationPoints_way2(1), int);
}
