// Faces of hexahedra one direction at a time: the products found for each
// side are Legendre values (closed forms, Gauss nodes of the face rule), and
// the face states and face integrals they give equal the sums over every
// basis function point by point.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "DGAnalysisPasses.h"
#include "Euler.h"
#include "FaceTensor.h"
#include "analysis_fixture.h"

using namespace antest;

namespace {

// n^3 hexahedra of [0,1]^3 through `map`; boundary faces on model faces 1
// (y = 0), 2 (x = 1), 3 (y = 1), 4 (x = 0), 5 (z = 0), 6 (z = 1).
mMesh *hexGrid(int n, const PointMap &map) {
  mMesh *m = new mMesh(0);
  KORA::gEntity *region = m->getGEntity(kRegionTag, 3);
  auto id = [&](int i, int j, int k) { return 1 + i + (n + 1) * (j + (n + 1) * k); };
  gridVertices3d(m, n, map, region);
  for (int k = 0; k < n; ++k)
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i)
        m->createHexWithVertices(id(i, j, k), id(i + 1, j, k), id(i + 1, j + 1, k), id(i, j + 1, k),
                                 id(i, j, k + 1), id(i + 1, j, k + 1), id(i + 1, j + 1, k + 1),
                                 id(i, j + 1, k + 1), region);
  m->modifyState(3, 2);
  for (auto it = m->beginall(2); it != m->endall(2); ++it) {
    mEntity *f = *it;
    bool on[6] = {true, true, true, true, true, true};
    for (int a = 0; a < f->size(0); ++a) {
      const int vid = static_cast<const KORA::mVertex *>(f->get(0, a))->getId() - 1;
      const int gi = vid % (n + 1), gj = (vid / (n + 1)) % (n + 1), gk = vid / ((n + 1) * (n + 1));
      on[0] = on[0] && gj == 0;
      on[1] = on[1] && gi == n;
      on[2] = on[2] && gj == n;
      on[3] = on[3] && gi == 0;
      on[4] = on[4] && gk == 0;
      on[5] = on[5] && gk == n;
    }
    for (int s = 0; s < 6; ++s)
      if (on[s]) f->classify(m->getGEntity(s + 1, 2));
  }
  m->modifyState(2, 1);
  m->modifyState(2, 3);
  m->modifyState(1, 2);
  m->modifyState(0, 1);
  return m;
}

// Legendre P_m(x) by its three-term recurrence.
double legendre(int m, double x) {
  double p0 = 1.0, p1 = x;
  if (m == 0) return p0;
  for (int k = 1; k < m; ++k) {
    const double p2 = ((2 * k + 1) * x * p1 - k * p0) / (k + 1);
    p0 = p1;
    p1 = p2;
  }
  return p1;
}

// One side's products against closed forms: the fixed direction lies at u =
// +-1, where P_l = (+-1)^l; the grid coordinates along each free direction
// are the nodes of the face's Gauss rule (roots of P_k, k of them), and each
// row holds P_0 .. P_{n1-1} there; every point of the grid is one face point.
void expectLegendreProducts(const FaceTensor &F, int K) {
  ASSERT_EQ(F.dims, 3);
  ASSERT_EQ(F.ka * F.kb, K);
  const double side = F.fixed[1];
  ASSERT_EQ(std::fabs(side), 1.0);
  for (int l = 0; l < F.n1; ++l) EXPECT_NEAR(F.fixed[l], std::pow(side, l), 1e-14) << "l " << l;
  for (const auto &[rows, k] : {std::pair{&F.X, F.ka}, std::pair{&F.Y, F.kb}}) {
    for (int a = 0; a < k; ++a) {
      const double x = (*rows)[a * F.n1 + 1];
      EXPECT_NEAR(legendre(k, x), 0.0, 1e-14) << "node " << x << " of " << k;
      for (int m = 0; m < F.n1; ++m) EXPECT_NEAR((*rows)[a * F.n1 + m], legendre(m, x), 1e-14);
    }
  }
  std::vector<int> points(F.point.begin(), F.point.end());
  std::sort(points.begin(), points.end());
  for (int k = 0; k < K; ++k) EXPECT_EQ(points[k], k);
}

LambdaField &farState() {
  static LambdaField f([](const mPoint &, double, double *u) {
    u[0] = 1.2; u[1] = 0.36; u[2] = -0.24; u[3] = 0.12; u[4] = 2.6;
  }, 0);
  return f;
}

}  // namespace

// Curved (trilinear, non-planar faces) hexahedra at orders 1, 2, 3 (sizes
// fixed at compile time) and 5 (sizes known at run time), with far-field and
// with wall boundaries: the states at every face point are the sums
// sum_j c_j phi_j(x_k) over the side's rows, and the residual is the volume
// part plus the face integrals of the numerical fluxes against the rows,
// point by point.
TEST(HexFaceProducts, StatesAndIntegralsEqualTheSumsOverTheBasis) {
  struct Case {
    int order;
    bool walls;
  };
  for (const Case c : {Case{1, false}, Case{2, false}, Case{2, true}, Case{3, false}, Case{3, true}, Case{5, false}}) {
    SCOPED_TRACE(testing::Message() << "p" << c.order << (c.walls ? " walls" : " far field"));
    std::map<int, bc> bcs;
    if (c.walls) bcs.emplace(1, bc(1));
    ContextScope scope(new Euler3d(false, bcs, &farState(), false, 1.4, 287.0, nullptr, nullptr),
                       hexGrid(2, wavy));
    DGAnalysis a;
    a.init(c.order, 1);
    const ConservationLaw *law = GlobalParamManager::Instance()->law;
    const double mean[5] = {1.2, 0.36, -0.24, 0.12, 2.6};
    for (std::size_t k = 0; k < a.cells.size(); ++k) {
      DGCell *cell = a.cells[k];
      const int nb = cell->nbFcts;
      ASSERT_EQ(nb, (c.order + 1) * (c.order + 1) * (c.order + 1));
      for (int f = 0; f < 5; ++f)
        for (int j = 0; j < nb; ++j)
          cell->coef0[f * nb + j] =
              j == 0 ? mean[f] * (1.0 + 0.1 * std::sin(k + f)) : 0.02 * std::cos(3.0 * k + 7.0 * j + f);
    }
    a.cSpatialOperator(0.0, -1, a.cells, a.boundaryCells);
    std::map<const DGCell *, std::vector<double>> residual;
    for (const DGCell *cell : a.cells) residual[cell].assign(cell->rhs.begin(), cell->rhs.end());
    ComputeVolumeContributionInviscid volume{};
    volume.n = 5;
    volume.level = -1;
    volume.law = law;
    volume.zeroFirst = 5;
    for (DGCell *cell : a.cells) volume(cell);
    auto stateOf = [](const DGCell *cell, const BasisRow &phi, double *U) {
      for (int f = 0; f < 5; ++f) {
        U[f] = 0.0;
        for (int j = 0; j < cell->nbFcts; ++j) U[f] += cell->coef0[f * cell->nbFcts + j] * phi[j];
      }
    };
    for (const DGBoundaryCell *face : a.boundaryCells) {
      DGCell *L, *R;
      face->sideCells(L, R);
      // Both sides take the products (a boundary face has its left one).
      ASSERT_TRUE(face->tensors && face->tensors->L);
      expectLegendreProducts(*face->tensors->L, face->nbPtGauss());
      if (R) {
        ASSERT_TRUE(face->tensors->R);
        expectLegendreProducts(*face->tensors->R, face->nbPtGauss());
      }
      for (const ptGaussInfo &g : face->gaussPoints) {
        double UL[5], UR[5], FL[5], FR[5];
        stateOf(L, g.fctsL, UL);
        for (int f = 0; f < 5; ++f) EXPECT_NEAR(g.UL[f], UL[f], 1e-13 * (1.0 + std::fabs(UL[f])));
        if (R) {
          stateOf(R, g.fctsR, UR);
          for (int f = 0; f < 5; ++f) EXPECT_NEAR(g.UR[f], UR[f], 1e-13 * (1.0 + std::fabs(UR[f])));
          law->riemannSolver(g.n, g.x, UL, UR, FL, FR);
        } else {
          law->boundaryFlux(g.n, face->modelTag, g.x, UL, FL, 0.0);
        }
        for (int f = 0; f < 5; ++f)
          for (int j = 0; j < L->nbFcts; ++j) {
            L->rhs[f * L->nbFcts + j] -= g.JacW * FL[f] * g.fctsL[j];
            if (R) R->rhs[f * R->nbFcts + j] += g.JacW * FR[f] * g.fctsR[j];
          }
      }
    }
    double scale = 0.0;
    for (const DGCell *cell : a.cells)
      for (double r : cell->rhs) scale = std::max(scale, std::fabs(r));
    for (const DGCell *cell : a.cells)
      for (std::size_t j = 0; j < cell->rhs.size(); ++j)
        ASSERT_NEAR(residual[cell][j], cell->rhs[j], 1e-12 * scale) << "entry " << j;
  }
}
