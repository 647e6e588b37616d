// Viscous cells: the coupled inverse mass matrix with essential boundary
// terms, its use by time steps and the unconstrained projection.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "DenseMatrix.h"
#include "ElementaryMatrices.h"
#include "cell_fixtures.h"

using namespace celltest;

namespace {

// One triangle (0,0), (2,0), (0,1) whose edges lie on the model edges 7
// (bottom, length 2), 8 (hypotenuse, length sqrt 5) and 9 (left, length 1).
struct TaggedTriangle {
  mMesh mesh{1};
  gEntity *g = mesh.getGEntity(1, 2);
  mEntity *tri;
  TaggedTriangle() {
    mVertex *a = mesh.createVertex(1, 0, 0, 0, g);
    mVertex *b = mesh.createVertex(2, 2, 0, 0, g);
    mVertex *c = mesh.createVertex(3, 0, 1, 0, g);
    tri = mesh.createFaceWithVertices(a, b, c, g);
    connect(mesh, 2);
    mesh.getEdge(a, b)->classify(mesh.getGEntity(7, 1));
    mesh.getEdge(b, c)->classify(mesh.getGEntity(8, 1));
    mesh.getEdge(c, a)->classify(mesh.getGEntity(9, 1));
  }
};

}  // namespace

TEST(CellViscous, EssentialConditionsAddTheWeightedFaceMeasureToTheirFieldsBlock) {
  // Order 0: the mass matrix is the area 1, a face term is 100000 times the
  // edge length. Field 0 is imposed on edges 7 and 8, field 1 on edge 9 only,
  // field 2 nowhere.
  AdvectionLaw law(3);
  law.essential = {{0, 7}, {0, 8}, {1, 9}};
  LawScope scope(&law);
  TaggedTriangle m;
  DGCell *cell = makeCell(m.tri, 0, true);
  const double diag[3] = {1 + 1e5 * (2 + std::sqrt(5.0)), 1 + 1e5 * 1.0, 1.0};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(cell->invMass[i][j], i == j ? 1 / diag[i] : 0.0, 1e-15);
}

TEST(CellViscous, WithoutConditionsItBehavesLikeAPlainCell) {
  AdvectionLaw law(2);
  LawScope scope(&law);
  TaggedTriangle m1, m2;
  DGCell *plain = makeCell(m1.tri, 2);
  DGCell *viscous = makeCell(m2.tri, 2, true);
  const int n = 6;
  for (int i = 0; i < 2 * n; ++i)
    for (int j = 0; j < 2 * n; ++j) {
      const bool sameBlock = i / n == j / n;
      EXPECT_NEAR(viscous->invMass[i][j], sameBlock ? plain->invMassEntry(i % n, j % n) : 0.0, 1e-12);
    }
  for (int i = 0; i < 2 * n; ++i) plain->rhs[i] = viscous->rhs[i] = std::sin(0.3 + i);
  EXPECT_NEAR(viscous->advanceInTime(0.2), plain->advanceInTime(0.2), 1e-12);
  for (int i = 0; i < 2 * n; ++i)
    EXPECT_NEAR(viscous->getCoefficients()->levels[0][i], plain->getCoefficients()->levels[0][i], 1e-12);
}

TEST(CellViscous, TimeStepsUseTheConstrainedInverseAndProjectionsThePlainOne) {
  AdvectionLaw law(2);
  law.essential = {{0, 7}, {1, 8}};
  LawScope scope(&law);
  TaggedTriangle m;
  DGCell *cell = makeCell(m.tri, 1, true);
  const int N = 6;
  std::vector<double> constrained(N * N);
  for (int i = 0; i < N; ++i)
    for (int j = 0; j < N; ++j) constrained[i * N + j] = cell->invMass[i][j];

  // The coupled matrix is the inverse of the block matrix built from the
  // element mass matrix and the face mass matrices.
  double **M = allocateMatrix(3, 3), **F7 = allocateMatrix(3, 3), **F8 = allocateMatrix(3, 3);
  massMatrix(cell->getFunctionSpace(), cell->getMapping(), m.tri, M, 1.0);
  mEntity *e7 = m.mesh.getEdge(m.mesh.getVertex(1), m.mesh.getVertex(2));
  mEntity *e8 = m.mesh.getEdge(m.mesh.getVertex(2), m.mesh.getVertex(3));
  LagrangeMapping map7(e7), map8(e8);
  restrictedMassMatrix(cell->getFunctionSpace(), m.tri, cell->getMapping(), e7, &map7, F7, 100000.0);
  restrictedMassMatrix(cell->getFunctionSpace(), m.tri, cell->getMapping(), e8, &map8, F8, 100000.0);
  for (int i = 0; i < N; ++i)
    for (int j = 0; j < N; ++j) {
      double s = 0;
      for (int k = 0; k < N; ++k) {
        if (k / 3 != j / 3) continue;
        double **Fk = (k / 3 == 0) ? F7 : F8;
        s += constrained[i * N + k] * (M[k % 3][j % 3] + Fk[k % 3][j % 3]);
      }
      EXPECT_NEAR(s, i == j ? 1.0 : 0.0, 1e-9);
    }

  // Steps of 0.98, 0.99 and 1 all advance by dt times the constrained inverse.
  double t = 0;
  for (double dt : {0.98, 0.99, 1.0}) {
    SCOPED_TRACE(dt);
    for (int i = 0; i < N; ++i) cell->rhs[i] = 1.0 + i;
    std::vector<double> before(cell->getCoefficients()->levels[0], cell->getCoefficients()->levels[0] + N);
    cell->advanceInTime(dt);
    t += dt;
    EXPECT_DOUBLE_EQ(cell->t(), t);
    for (int i = 0; i < N; ++i) {
      double s = 0;
      for (int j = 0; j < N; ++j) s += constrained[i * N + j] * (1.0 + j);
      EXPECT_NEAR(cell->getCoefficients()->levels[0][i], before[i] + dt * s, 1e-12);
    }
  }

  // A projection is the plain L2 projection: constants come out exactly.
  FunctionField field({[](double, double, double) { return 2.0; }, [](double, double, double) { return -3.0; }},
                      0);
  cell->L2ProjInitial(&field);
  EXPECT_NEAR(cell->theMean(0), 2.0, 1e-13);
  EXPECT_NEAR(cell->theMean(1), -3.0, 1e-13);
  EXPECT_EQ(cell->getCoefficients()->tprev, 0.0);
  // ... and leaves the constrained inverse in place.
  for (int i = 0; i < N; ++i)
    for (int j = 0; j < N; ++j) EXPECT_EQ(cell->invMass[i][j], constrained[i * N + j]);
  freeMatrix(M);
  freeMatrix(F7);
  freeMatrix(F8);
}
