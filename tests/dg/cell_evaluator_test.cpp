// The DG solution of a group of cells seen as a field, and projection of new
// cells from old ones.
#include <gtest/gtest.h>

#include <string>

#include "DGCellFieldEvaluator.h"
#include "cell_fixtures.h"

using namespace celltest;

namespace {

// Two triangles sharing the edge (1,0)-(0,1): A = (0,0),(1,0),(0,1) of order 1
// holding 1 + x - 2y, B = (1,0),(1,1),(0,1) of order 3 holding the constant 5.
struct Pair {
  AdvectionLaw law{1};
  LawScope scope{&law};
  mMesh mesh{1};
  gEntity *g = mesh.getGEntity(1, 2);
  DGCell *A, *B;
  Pair() {
    mVertex *a = mesh.createVertex(1, 0, 0, 0, g);
    mVertex *b = mesh.createVertex(2, 1, 0, 0, g);
    mVertex *c = mesh.createVertex(3, 1, 1, 0, g);
    mVertex *d = mesh.createVertex(4, 0, 1, 0, g);
    A = makeCell(mesh.createFaceWithVertices(a, b, d, g), 1);
    B = makeCell(mesh.createFaceWithVertices(b, c, d, g), 3);
    FunctionField linear({[](double x, double y, double) { return 1 + x - 2 * y; }}, 1);
    FunctionField five({[](double, double, double) { return 5.0; }}, 0);
    A->L2ProjInitial(&linear);
    B->L2ProjInitial(&five);
  }
};

}  // namespace

TEST(CellEvaluator, EvaluatesTheFirstCellThatContainsThePoint) {
  Pair p;
  DGCellFieldEvaluator both;
  both.addCell(p.A);
  both.addCell(p.B);
  EXPECT_EQ(both.order(), 3);
  double v = 0;
  both.eval(mPoint(0.2, 0.3, 0), 0.0, &v);
  EXPECT_NEAR(v, 1 + 0.2 - 0.6, 1e-12);
  both.eval(mPoint(0.8, 0.7, 0), 123.0, &v);  // the time plays no part
  EXPECT_NEAR(v, 5.0, 1e-12);
  // On the common edge the cell added first wins, in either order.
  both.eval(mPoint(0.5, 0.5, 0), 0.0, &v);
  EXPECT_NEAR(v, 1 + 0.5 - 1.0, 1e-12);
  DGCellFieldEvaluator reversed;
  reversed.addCell(p.B);
  reversed.addCell(p.A);
  reversed.eval(mPoint(0.5, 0.5, 0), 0.0, &v);
  EXPECT_NEAR(v, 5.0, 1e-12);
  EXPECT_THROW(both.evalGrad(mPoint(0.2, 0.2, 0), 0.0, nullptr), int);
}

TEST(CellEvaluator, PointsOutsideEveryCellLeaveTheValues) {
  Pair p;
  DGCellFieldEvaluator none, both;
  both.addCell(p.A);
  both.addCell(p.B);
  EXPECT_EQ(none.order(), 0);
  for (const DGCellFieldEvaluator *ev : {&none, &both}) {
    double v = -3;
    testing::internal::CaptureStdout();
    ev->eval(mPoint(0.5, 0.5, 0) + mVector(2, 2, 0), 0.0, &v);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "error in DGCellfieldEvaluator\n");
    EXPECT_EQ(v, -3);
  }
}

TEST(CellEvaluator, NewCellsProjectedFromOldOnesKeepTheSolution) {
  Pair p;
  DGCellFieldEvaluator old;
  old.addCell(p.A);
  // A fine triangle inside A, of order 2: it receives the linear field exactly.
  mVertex *a = p.mesh.createVertex(10, 0.1, 0.1, 0, p.g);
  mVertex *b = p.mesh.createVertex(11, 0.5, 0.1, 0, p.g);
  mVertex *c = p.mesh.createVertex(12, 0.1, 0.6, 0, p.g);
  DGCell *fine = makeCell(p.mesh.createFaceWithVertices(a, b, c, p.g), 2);
  fine->L2ProjInitial(&old);
  for (const auto &r : {mPoint(0.2, 0.2, 0), mPoint(0.6, 0.1, 0), mPoint(0.1, 0.8, 0)}) {
    double x, y, z, v;
    fine->getMapping()->eval(r(0), r(1), 0, x, y, z);
    fine->interpolate(r(0), r(1), 0, &v);
    EXPECT_NEAR(v, 1 + x - 2 * y, 1e-12);
  }
  // The old cell is still usable once the evaluator is gone.
  { DGCellFieldEvaluator shortLived; shortLived.addCell(p.A); }
  EXPECT_NEAR(p.A->theMean(0), 1 + 1.0 / 3 - 2.0 / 3, 1e-12);
}
