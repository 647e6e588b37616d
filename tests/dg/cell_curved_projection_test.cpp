// Projection onto quadrilaterals and hexahedra whose map is not affine: the
// fields that the mapped space holds come back exactly, at every order, and
// the mass matrix is the exact integral.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "DenseMatrix.h"
#include "ElementaryMatrices.h"
#include "GaussIntegrator.h"
#include "cell_fixtures.h"

using namespace celltest;

namespace {

struct Shapes {
  mMesh mesh{1};
  gEntity *g2 = mesh.getGEntity(1, 2);
  gEntity *g3 = mesh.getGEntity(1, 3);
  int next = 1;
  mVertex *v(const mPoint &p) { return mesh.createVertex(next++, p(0), p(1), p(2), g3); }
  mEntity *quad(mPoint a, mPoint b, mPoint c, mPoint d) {
    return mesh.createFaceWithVertices(v(a), v(b), v(c), v(d), g2);
  }
  mEntity *hex(const mPoint (&q)[8]) {
    mVertex *w[8];
    for (int i = 0; i < 8; ++i) w[i] = v(q[i]);
    return mesh.createHexWithVertices(w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], g3);
  }
  // A quadrilateral no two of whose sides are parallel.
  mEntity *distortedQuad() { return quad(mPoint(0, 0), mPoint(2, 0.2), mPoint(1.8, 1.5), mPoint(-0.2, 1.1)); }
  // The unit cube with three vertices moved: no face is a parallelogram.
  mEntity *distortedHex() {
    const mPoint q[8] = {mPoint(0, 0, 0),       mPoint(1, 0, 0),        mPoint(1.2, 1.1, -0.1), mPoint(0, 1, 0),
                         mPoint(0.1, 0, 1),     mPoint(1, -0.2, 1.1),  mPoint(1.4, 0.7, 1.5),  mPoint(0, 1, 1)};
    return hex(q);
  }
  mEntity *parallelogram() { return quad(mPoint(0, 0), mPoint(2, 0.5), mPoint(2.6, 1.7), mPoint(0.6, 1.2)); }
  mEntity *parallelepiped() {
    const mVector e1(1.5, 0.2, 0), e2(0.3, 1.2, 0.1), e3(0.1, 0.2, 1.1);
    const mPoint a(0.1, -0.2, 0.3);
    const mPoint q[8] = {a, a + e1, a + e1 + e2, a + e2, a + e3, a + e1 + e3, a + e1 + e2 + e3, a + e2 + e3};
    return hex(q);
  }
};

struct Kind {
  const char *name;
  int maxOrder;  // the families' caps: quadrilaterals 12, hexahedra 1
  int dim;
};
const Kind kKinds[] = {{"quadrilateral", 12, 2}, {"hexahedron", 1, 3}};

mEntity *distorted(Shapes &s, const Kind &k) { return k.dim == 2 ? s.distortedQuad() : s.distortedHex(); }

double coefficient(int seed, int i, int j, int k) { return std::sin(1.3 * seed + 0.7 * i + 1.9 * j + 2.3 * k); }

// g(u, v, w) = sum of c_ijk L_i(u) L_j(v) L_k(w) over i, j, k <= p: a member
// of the reference space Q_p, written in Legendre polynomials so that high
// orders stay well scaled.
double legendre(int n, double x) {
  double a = 1.0, b = x;
  if (n == 0) return a;
  for (int m = 1; m < n; ++m) {
    const double c = ((2 * m + 1) * x * b - m * a) / (m + 1);
    a = b;
    b = c;
  }
  return b;
}
double referencePoly(int p, int dim, int seed, double u, double v, double w) {
  double s = 0.0;
  for (int i = 0; i <= p; ++i)
    for (int j = 0; j <= p; ++j)
      for (int k = 0; k <= (dim == 3 ? p : 0); ++k)
        s += coefficient(seed, i, j, k) * legendre(i, u) * legendre(j, v) * legendre(k, w);
  return s;
}

// A polynomial of total degree p in (x, y, z): on a bilinear or trilinear
// cell its pull-back has degree p in each reference direction, so the mapped
// space Q_p holds it.
double physicalPoly(int p, int dim, int seed, double x, double y, double z) {
  double s = 0.0;
  for (int i = 0; i <= p; ++i)
    for (int j = 0; i + j <= p; ++j)
      for (int k = 0; i + j + k <= p && (dim == 3 || k == 0); ++k)
        s += coefficient(seed, i, j, k) * std::pow(x - 0.5, i) * std::pow(y - 0.5, j) * std::pow(z - 0.5, k);
  return s;
}

// Reference coordinates of a physical point, to round-off: Newton steps
// beyond the mapping's own inversion, which stops at a coarser tolerance.
void toReference(const Mapping *m, double x, double y, double z, double &u, double &v, double &w) {
  m->invert(x, y, z, u, v, w);
  for (int it = 0; it < 8; ++it) {
    mTensor2 t(0.0);
    m->jacInverse(u, v, w, t);
    double X, Y, Z;
    m->eval(u, v, w, X, Y, Z);
    const double dx = x - X, dy = y - Y, dz = z - Z;
    u += dx * t(0, 0) + dy * t(1, 0) + dz * t(2, 0);
    v += dx * t(0, 1) + dy * t(1, 1) + dz * t(2, 1);
    w += dx * t(0, 2) + dy * t(1, 2) + dz * t(2, 2);
  }
}

// Reference points spread over the cell, corners' neighbourhoods included.
std::vector<mPoint> probes(int dim) {
  std::vector<mPoint> out;
  const double s[] = {-0.93, -0.41, 0.17, 0.66, 0.97};
  for (double a : s)
    for (double b : s) {
      if (dim == 2)
        out.emplace_back(a, b, 0.0);
      else
        for (double c : {-0.88, 0.05, 0.91}) out.emplace_back(a, b, c);
    }
  return out;
}

}  // namespace

// For g in the reference space and f = g o F^-1, the projection returns g;
// physical polynomials of total degree r <= p are such fields. Each field
// reports its own degree (a linear field at order 12 as well as a field of
// degree 12), and both components of a two-field law are checked against
// the exact values to 1e-12.
TEST(CurvedCellProjection, FieldsOfTheMappedSpaceComeBackExactlyAtEveryOrder) {
  AdvectionLaw law(2);
  LawScope scope(&law);
  for (const Kind &kind : kKinds) {
    for (int p = 0; p <= kind.maxOrder; ++p) {
      Shapes s;
      mEntity *e = distorted(s, kind);
      DGCell *cell = makeCell(e, p);
      const Mapping *map = cell->getMapping();
      const int dim = kind.dim;
      // Degree p: a reference polynomial of Q_p and a physical one; degree
      // r < p: two physical polynomials.
      for (int r : std::set<int>{0, std::min(1, p), std::max(p - 1, 0), p}) {
        SCOPED_TRACE(std::string(kind.name) + " order " + std::to_string(p) + " field degree " + std::to_string(r));
        auto first = [&](double u, double v, double w, double x, double y, double z) {
          return r == p ? referencePoly(p, dim, 1, u, v, w) : physicalPoly(r, dim, 3, x, y, z);
        };
        FunctionField field({[&](double x, double y, double z) {
                               double u = 0, v = 0, w = 0;
                               if (r == p) toReference(map, x, y, z, u, v, w);
                               return first(u, v, w, x, y, z);
                             },
                             [&](double x, double y, double z) { return physicalPoly(r, dim, 2, x, y, z); }},
                            r);
        cell->L2ProjInitial(&field);
        double worst[2] = {0.0, 0.0};
        for (const mPoint &q : probes(dim)) {
          double x, y, z, values[2];
          map->eval(q(0), q(1), q(2), x, y, z);
          cell->interpolate(q(0), q(1), q(2), values);
          const double exact[2] = {first(q(0), q(1), q(2), x, y, z), physicalPoly(r, dim, 2, x, y, z)};
          for (int k = 0; k < 2; ++k)
            worst[k] = std::max(worst[k], std::fabs(values[k] - exact[k]) / std::max(1.0, std::fabs(exact[k])));
        }
        EXPECT_LE(worst[0], 1e-12);
        EXPECT_LE(worst[1], 1e-12);
      }
    }
  }
}

// The linear field of a distorted 4 x 4 mesh's quadrilaterals, at the order
// where a rule that ignored the Jacobian lost it: every cell exact.
TEST(CurvedCellProjection, ALinearFieldIsExactOnEveryCellOfADistortedMesh) {
  AdvectionLaw law(1);
  LawScope scope(&law);
  Shapes s;
  // Vertices of a 5 x 5 grid moved by a smooth, non-affine displacement.
  auto at = [](int i, int j) {
    const double x = i / 4.0, y = j / 4.0;
    return mPoint(x + 0.05 * std::sin(6.0 * x + 7.0 * y + 1.0), y + 0.05 * std::cos(5.0 * x - 8.0 * y + 2.0), 0.0);
  };
  FunctionField field({[](double x, double y, double) { return 0.3 + 2.0 * x - 1.5 * y; }}, 1);
  for (int p = 1; p <= 3; ++p)
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) {
        SCOPED_TRACE("order " + std::to_string(p) + " cell " + std::to_string(i) + "," + std::to_string(j));
        mEntity *e = s.quad(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1));
        DGCell *cell = makeCell(e, p);
        ASSERT_EQ(jacobianDegree(cell->getMapping()), 1);
        cell->L2ProjInitial(&field);
        for (const mPoint &r : probes(2)) {
          double x, y, z, value;
          cell->getMapping()->eval(r(0), r(1), r(2), x, y, z);
          cell->interpolate(r(0), r(1), r(2), &value);
          EXPECT_NEAR(value, 0.3 + 2.0 * x - 1.5 * y, 1e-13);
        }
      }
}

// The mass matrix is the exact integral of phi_i phi_j |J|: the same as with
// a rule of far higher order.
TEST(CurvedCellProjection, MassMatrixIsTheExactIntegralOnDistortedCells) {
  AdvectionLaw law(1);
  LawScope scope(&law);
  for (const Kind &kind : kKinds)
    for (int p = 0; p <= kind.maxOrder; p += (kind.dim == 2 ? 3 : 1)) {
      SCOPED_TRACE(std::string(kind.name) + " order " + std::to_string(p));
      Shapes s;
      mEntity *e = distorted(s, kind);
      DGCell *cell = makeCell(e, p);
      const FunctionSpace *space = cell->getFunctionSpace();
      const Mapping *map = cell->getMapping();
      const int n = space->size();
      double **M = allocateMatrix(n, n);
      massMatrix(space, map, e, M, 1.0);
      std::vector<double> ref(static_cast<std::size_t>(n) * n, 0.0), phi(n);
      GaussIntegrator gauss(e);
      const int q = 2 * p + 12;
      for (int k = 0; k < gauss.nbIntegrationPoints(q); ++k) {
        double u, v, w, weight;
        gauss.iPoint(k, q, u, v, w, weight);
        space->fcts(u, v, w, phi);
        const double c = map->detJac(u, v, w) * weight;
        for (int i = 0; i < n; ++i)
          for (int j = 0; j < n; ++j) ref[i * n + j] += c * phi[i] * phi[j];
      }
      double scale = 0.0;
      for (double x : ref) scale = std::max(scale, std::fabs(x));
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) ASSERT_NEAR(M[i][j], ref[i * n + j], 1e-13 * scale) << i << "," << j;
      freeMatrix(M);
    }
}

// Affine cells keep the rules they had (results bit for bit), a non-affine
// map raises the order by the degree of its Jacobian determinant, and the
// radius of the axisymmetric mapping by one more.
TEST(CurvedCellProjection, RuleOrdersFollowTheJacobiansDegree) {
  Shapes s;
  MappingBuilder b;
  struct Case {
    mEntity *e;
    int flag;
    int degree;
  };
  const Case cases[] = {{s.parallelogram(), 0, 0}, {s.distortedQuad(), 0, 1},  {s.parallelepiped(), 0, 0},
                        {s.distortedHex(), 0, 2},  {s.parallelogram(), 1, 1}, {s.distortedQuad(), 1, 2}};
  for (const Case &c : cases) {
    Mapping *m = b.BuildMapping(c.e, c.flag);
    EXPECT_EQ(jacobianDegree(m), c.degree) << c.e->getType() << " " << c.flag;
    // Basis of order 2 and a field of order 1.
    EXPECT_EQ(projectionRuleOrder(2, 1, m), 3 + c.degree);
    delete m;
  }
}
