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

TEST(CellEvaluator, PointsOutsideEveryCellTakeTheNearestCell) {
  Pair p;
  DGCellFieldEvaluator none, both, onlyA;
  both.addCell(p.A);
  both.addCell(p.B);
  onlyA.addCell(p.A);
  EXPECT_EQ(none.order(), 0);
  struct Case {
    const DGCellFieldEvaluator *ev;
    mPoint x;
    double expected;
  };
  // Without cells the values stay; (2.5, 2.5) is nearest to B, which holds
  // 5; (-1, 0.5) is nearest to A at its edge point (0, 0.5), where A holds
  // 1 + 0 - 1 = 0; (0.5, -0.25) seen from A alone clamps to (0.5, 0): 1.5.
  for (const Case &c : {Case{&none, mPoint(2.5, 2.5, 0), -3.0}, Case{&both, mPoint(2.5, 2.5, 0), 5.0},
                        Case{&both, mPoint(-1, 0.5, 0), 0.0}, Case{&onlyA, mPoint(0.5, -0.25, 0), 1.5}}) {
    double v = -3;
    testing::internal::CaptureStdout();
    c.ev->eval(c.x, 0.0, &v);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "error in DGCellfieldEvaluator\n");
    EXPECT_NEAR(v, c.expected, 1e-12);
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
