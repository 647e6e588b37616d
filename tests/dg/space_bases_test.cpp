// Function spaces: Gram matrices on the reference elements, index order,
// gradients, the written-out low orders, physical gradients and order limits.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "FunctionSpace.h"
#include "LagrangeMapping.h"
#include "SHF.h"
#include "mEdge.h"
#include "mFace.h"
#include "mMesh.h"
#include "mVertex.h"
#include "shf_quadrature.h"

using namespace KORA;

namespace {

enum Family { TRI, QUAD, TET, HEX };

std::unique_ptr<FunctionSpace> makeSpace(Family f, int p) {
  switch (f) {
  case TRI: return std::make_unique<OrthogonalTriangleFunctionSpace>(p);
  case QUAD: return std::make_unique<QuadFunctionSpace>(p);
  case TET: return std::make_unique<OrthogonalTetFunctionSpace>(p);
  case HEX: return std::make_unique<HexFunctionSpace>(p);
  }
  return nullptr;
}

// Tensor Gauss-Legendre rule on [-1,1]^dim, exact to degree 2n-1 per variable.
std::vector<shftest::Point> cubeRule(int n, int dim) {
  const shftest::Rule1 g = shftest::gaussLegendre(n);
  std::vector<shftest::Point> pts;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      for (int k = 0; k < (dim == 3 ? n : 1); ++k)
        pts.push_back({g.x[i], g.x[j], dim == 3 ? g.x[k] : 0.0,
                       g.w[i] * g.w[j] * (dim == 3 ? g.w[k] : 1.0)});
  return pts;
}

// Legendre orders of quadrilateral index k, as listed for indices 0 to 35
// (shell 3 lists (2,3) before (1,3)); the general shell rule beyond.
void quadOrders(int k, int &i, int &j) {
  static const int listed[36][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {2, 0}, {0, 2}, {2, 1}, {1, 2}, {2, 2},
                                    {3, 0}, {0, 3}, {3, 1}, {3, 2}, {2, 3}, {1, 3}, {3, 3}, {4, 0}, {0, 4},
                                    {4, 1}, {4, 2}, {4, 3}, {1, 4}, {2, 4}, {3, 4}, {4, 4}, {5, 0}, {0, 5},
                                    {5, 1}, {5, 2}, {5, 3}, {5, 4}, {1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}};
  if (k < 36) {
    i = listed[k][0];
    j = listed[k][1];
  } else {
    getLegendreOrders(k, i, j);
  }
}

// The squared norm that function k of the family must have.
double expectedNorm(Family f, int k) {
  switch (f) {
  case TRI: return k == 0 ? 0.5 : 1.0;
  case TET: return k == 0 ? 1.0 / 6.0 : 1.0;
  case QUAD: {
    int i, j;
    quadOrders(k, i, j);
    return 4.0 / ((2 * i + 1) * (2 * j + 1));
  }
  case HEX: {
    static const int degree[8] = {0, 1, 1, 1, 2, 2, 2, 3};
    return 8.0 / std::pow(3.0, degree[k]);
  }
  }
  return 0;
}

std::vector<shftest::Point> ruleFor(Family f, int p) {
  switch (f) {
  case TRI: return shftest::triangleRule(p + 2);
  case TET: return shftest::tetRule(p + 3);
  case QUAD: return cubeRule(p + 1, 2);
  case HEX: return cubeRule(p + 1, 3);
  }
  return {};
}

struct FamilyOrders {
  Family family;
  int maxOrder;
};

const FamilyOrders kFamilies[] = {{TRI, 8}, {QUAD, 7}, {TET, 4}, {HEX, 1}};

}  // namespace

TEST(SpaceBases, GramMatricesAreDiagonalWithTheFamilyNormsForEverySupportedOrder) {
  for (const FamilyOrders &fo : kFamilies) {
    for (int p = 0; p <= fo.maxOrder; ++p) {
      SCOPED_TRACE("family " + std::to_string(fo.family) + " order " + std::to_string(p));
      auto space = makeSpace(fo.family, p);
      const int n = space->size();
      std::vector<double> phi(n);
      std::vector<double> G(n * n, 0.0);
      for (const shftest::Point &q : ruleFor(fo.family, p)) {
        space->fcts(q.u, q.v, q.w, phi);
        for (int i = 0; i < n; ++i)
          for (int j = 0; j < n; ++j) G[i * n + j] += q.weight * phi[i] * phi[j];
      }
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) ASSERT_NEAR(G[i * n + j], i == j ? expectedNorm(fo.family, i) : 0.0, 1e-12);
    }
  }
}

TEST(SpaceBases, QuadrilateralAndHexahedronFunctionsFollowTheIndexOrder) {
  QuadFunctionSpace quad(7);
  std::vector<double> phi(quad.size());
  const double pts[3][2] = {{0.3, -0.7}, {-0.45, 0.8}, {0.9, 0.15}};
  for (const auto &pt : pts) {
    quad.fcts(pt[0], pt[1], 0.0, phi);
    for (int k = 0; k < quad.size(); ++k) {
      int i, j;
      quadOrders(k, i, j);
      EXPECT_NEAR(phi[k], LegendrePolynomial(i, pt[0]) * LegendrePolynomial(j, pt[1]), 1e-13) << "index " << k;
    }
  }
  HexFunctionSpace hex(1);
  std::vector<double> h(8);
  const double u = 0.3, v = -0.6, w = 0.45;
  hex.fcts(u, v, w, h);
  const double expected[8] = {1, u, v, w, u * v, u * w, v * w, u * v * w};
  for (int k = 0; k < 8; ++k) EXPECT_DOUBLE_EQ(h[k], expected[k]);
}

TEST(SpaceBases, ReferenceGradientsAreTheDerivativesOfTheValues) {
  // Fourth-order central differences of the values.
  const double h = 1e-4;
  const double pts[2][3] = {{0.21, 0.33, 0.17}, {0.05, 0.62, 0.11}};
  for (const FamilyOrders &fo : kFamilies) {
    const int dim = (fo.family == TET || fo.family == HEX) ? 3 : 2;
    for (int p = 0; p <= fo.maxOrder; ++p) {
      SCOPED_TRACE("family " + std::to_string(fo.family) + " order " + std::to_string(p));
      auto space = makeSpace(fo.family, p);
      const int n = space->size();
      std::vector<double> f1(n), f2(n), f3(n), f4(n);
      std::vector<mVector> g(n);
      for (const auto &pt : pts) {
        space->grads(pt[0], pt[1], pt[2], g);
        for (int d = 0; d < 3; ++d) {
          double a[3] = {pt[0], pt[1], pt[2]};
          auto at = [&](double s, std::vector<double> &out) {
            double b[3] = {a[0], a[1], a[2]};
            b[d] += s;
            space->fcts(b[0], b[1], b[2], out);
          };
          at(2 * h, f1);
          at(h, f2);
          at(-h, f3);
          at(-2 * h, f4);
          for (int k = 0; k < n; ++k) {
            const double fd = d < dim ? (-f1[k] + 8 * f2[k] - 8 * f3[k] + f4[k]) / (12 * h) : 0.0;
            ASSERT_NEAR(g[k][d], fd, 1e-7 * (1.0 + std::fabs(fd))) << "function " << k << " direction " << d;
          }
        }
      }
    }
  }
}

TEST(SpaceBases, LowOrdersAreTheFirstFunctionsOfHigherOrders) {
  const double pts[3][3] = {{0.2, 0.3, 0.1}, {0.7, 0.1, 0.15}, {-0.4, 0.05, 0.6}};
  for (const FamilyOrders &fo : kFamilies) {
    for (int p = 0; p < fo.maxOrder; ++p) {
      auto lo = makeSpace(fo.family, p);
      auto hi = makeSpace(fo.family, p + 1);
      std::vector<double> a(lo->size()), b(hi->size());
      std::vector<mVector> ga(lo->size()), gb(hi->size());
      for (const auto &pt : pts) {
        lo->fcts(pt[0], pt[1], pt[2], a);
        hi->fcts(pt[0], pt[1], pt[2], b);
        lo->grads(pt[0], pt[1], pt[2], ga);
        hi->grads(pt[0], pt[1], pt[2], gb);
        for (int k = 0; k < lo->size(); ++k) {
          EXPECT_NEAR(a[k], b[k], 1e-12) << "family " << fo.family << " order " << p << " function " << k;
          for (int d = 0; d < 3; ++d) EXPECT_NEAR(ga[k][d], gb[k][d], 1e-11);
        }
      }
    }
  }
}

TEST(SpaceBases, HandValuesAtChosenPoints) {
  QuadFunctionSpace quad(1);
  std::vector<double> v(4);
  std::vector<mVector> g(4);
  quad.fcts(0.5, -0.25, 0.0, v);
  quad.grads(0.5, -0.25, 0.0, g);
  const double values[4] = {1, 0.5, -0.25, -0.125};
  const double grads[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {-0.25, 0.5, 0}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_DOUBLE_EQ(v[k], values[k]);
    for (int d = 0; d < 3; ++d) EXPECT_DOUBLE_EQ(g[k][d], grads[k][d]);
  }
  // The non-constant simplex functions vanish at the centroid.
  OrthogonalTriangleFunctionSpace tri(1);
  std::vector<double> t(3);
  tri.fcts(1.0 / 3, 1.0 / 3, 0.0, t);
  EXPECT_DOUBLE_EQ(t[0], 1.0);
  EXPECT_NEAR(t[1], 0.0, 1e-14);
  EXPECT_NEAR(t[2], 0.0, 1e-14);
  OrthogonalTetFunctionSpace tet(1);
  std::vector<double> s(4);
  tet.fcts(0.25, 0.25, 0.25, s);
  EXPECT_DOUBLE_EQ(s[0], 1.0);
  for (int k = 1; k < 4; ++k) EXPECT_NEAR(s[k], 0.0, 1e-13);
  OrthogonalTriangleFunctionSpace tri0(0);
  std::vector<double> c(1);
  std::vector<mVector> gc(1);
  tri0.fcts(0.3, 0.3, 0.0, c);
  tri0.grads(0.3, 0.3, 0.0, gc);
  EXPECT_EQ(c[0], 1.0);
  EXPECT_EQ(gc[0].length(), 0.0);
}

TEST(SpaceBases, SizesFollowTheOrder) {
  OrthogonalTetFunctionSpace tet(2);
  EXPECT_EQ(tet.size(), 10);
  EXPECT_EQ(tet.size(1), 4);
  EXPECT_EQ(tet.size(0), 1);
  tet.setOrder(3);
  EXPECT_EQ(tet.size(), 20);
  EXPECT_EQ(tet.order(), 3);
  // Sizes of other orders are answered whatever the limits of the data.
  EXPECT_EQ(OrthogonalTriangleFunctionSpace(2).size(10), 66);
  EXPECT_EQ(QuadFunctionSpace(1).size(3), 16);
  EXPECT_EQ(HexFunctionSpace(1).size(2), 27);
}

TEST(SpaceBases, OrdersBeyondTheBasisDataAreRefused) {
  struct Case {
    Family family;
    int order;
  };
  const Case refused[] = {{TRI, 13}, {TET, 9}, {HEX, 13}, {QUAD, 13}, {TRI, -1}, {QUAD, -1}, {HEX, -1}};
  for (const Case &c : refused) {
    try {
      makeSpace(c.family, c.order);
      ADD_FAILURE() << "order " << c.order << " of family " << c.family << " was accepted";
    } catch (const std::string &msg) {
      EXPECT_NE(msg.find("polynomial order"), std::string::npos) << msg;
    }
  }
  OrthogonalTriangleFunctionSpace tri(12);
  EXPECT_THROW(tri.setOrder(13), std::string);
  EXPECT_EQ(tri.order(), 12);
  EXPECT_NO_THROW(QuadFunctionSpace(12));
  EXPECT_NO_THROW(HexFunctionSpace(12));
  EXPECT_NO_THROW(OrthogonalTetFunctionSpace(8));
  // The message names the family's orders.
  try {
    HexFunctionSpace(13);
  } catch (const std::string &msg) {
    EXPECT_NE(msg.find("(orders 0 to 12)"), std::string::npos) << msg;
  }
  try {
    OrthogonalTetFunctionSpace(9);
  } catch (const std::string &msg) {
    EXPECT_NE(msg.find("(orders 0 to 8)"), std::string::npos) << msg;
  }
}

TEST(SpaceBases, PhysicalGradientsUseTheInverseJacobian) {
  mMesh mesh(1);
  gEntity *g = mesh.getGEntity(1, 2);
  // x = (0.5, 0.2) + u (2, 0.5) + v (0.4, 1.5): J = [[2, 0.4], [0.5, 1.5]].
  mVertex *a = mesh.createVertex(1, 0.5, 0.2, 0, g);
  mVertex *b = mesh.createVertex(2, 2.5, 0.7, 0, g);
  mVertex *c = mesh.createVertex(3, 0.9, 1.7, 0, g);
  mFace *t = mesh.createFaceWithVertices(a, b, c, g);
  ConstantLagrangeMapping map(t);
  OrthogonalTriangleFunctionSpace space(3);
  const int n = space.size();
  std::vector<mVector> ref(n), phys(n);
  space.grads(0.2, 0.3, 0.0, ref);
  const double det = space.grads(0.2, 0.3, 0.0, &map, phys);
  const double J00 = 2, J01 = 0.4, J10 = 0.5, J11 = 1.5;
  const double d = J00 * J11 - J01 * J10;
  EXPECT_NEAR(det, d, 1e-14);
  // grad_x = J^-T grad_u.
  for (int k = 0; k < n; ++k) {
    const double gu = ref[k][0], gv = ref[k][1];
    const double gx = (J11 * gu - J10 * gv) / d;
    const double gy = (-J01 * gu + J00 * gv) / d;
    EXPECT_NEAR(phys[k][0], gx, 1e-12 * (1 + std::fabs(gx)));
    EXPECT_NEAR(phys[k][1], gy, 1e-12 * (1 + std::fabs(gy)));
    EXPECT_NEAR(phys[k][2], 0.0, 1e-14);
  }
}
