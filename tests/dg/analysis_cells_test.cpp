// Cell creation, the lists of the analysis, degrees of freedom and point
// evaluation.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "Octree.h"
#include "ParticleTracker.h"
#include "ParUtil.h"
#include "ScalarLaw.h"
#include "analysis_fixture.h"
#include "analysis_testlaw.h"
#include "mPrism.h"

using namespace antest;

namespace {

LambdaField &constantField() {
  static LambdaField f([](const mPoint &, double, double *u) {
    for (int i = 0; i < 4; ++i) u[i] = 1.0 + i;
  }, 0);
  return f;
}

TEST(AnalysisCells, InitOnTwoTriangles) {
  ContextScope scope(new SpeedLaw(4, &constantField()), grid2d(1, 1, false));
  KORA::ParUtil::Instance()->setVerbosity(0);
  DGAnalysis a;
  EXPECT_EQ(a.nbrDofs(), 0);
  testing::internal::CaptureStdout();
  a.init(1, 1);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "Creating Cells ...\nCreating  Boundary Cells ...\nComputing Initial Solution ...\n");
  ASSERT_EQ(a.cells.size(), 2u);
  ASSERT_EQ(a.boundaryCells.size(), 5u);
  int onBoundary = 0;
  for (const DGBoundaryCell *f : a.boundaryCells) onBoundary += f->right ? 0 : 1;
  EXPECT_EQ(onBoundary, 4);
  EXPECT_EQ(a.nbrDofs(), 24);  // 4 fields x 3 functions x 2 cells
  // The constant initial field is projected exactly, and the face states hold it.
  for (const DGCell *c : a.cells) {
    EXPECT_EQ(c->getFunctionSpace()->size(), 3);
    for (int f = 0; f < 4; ++f) EXPECT_NEAR(c->theMean(f), 1.0 + f, 1e-14);
  }
  for (const DGBoundaryCell *f : a.boundaryCells)
    for (const ptGaussInfo &g : f->gaussPoints) {
      ASSERT_NE(g.UL, nullptr);
      EXPECT_NEAR(g.UL[3], 4.0, 1e-14);
      EXPECT_EQ(g.UR != nullptr, f->right != nullptr);
    }
}

TEST(AnalysisCells, RebuildKeepsCellsAndResetsFaceLevels) {
  ContextScope scope(new SpeedLaw(1, &constantField()), grid2d(2, 2, false));
  DGAnalysis a;
  a.init(1, 1);
  const DGCellList before = a.cells;
  const DGBoundaryCellList facesBefore = a.boundaryCells;
  for (DGBoundaryCell *f : a.boundaryCells) f->leftTag = f->rightTag = 3;
  testing::internal::CaptureStdout();
  a.init(-1, 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(a.cells, before);
  EXPECT_EQ(a.boundaryCells, facesBefore);  // the same interface cells, checked again
  for (const DGBoundaryCell *f : a.boundaryCells) {
    EXPECT_EQ(f->leftTag, 0);
    EXPECT_EQ(f->rightTag, 0);
  }
  // addBoundaryCell hands back the face's own interface cell.
  mEntity *face = a.boundaryCells[0]->getEntity();
  EXPECT_EQ(a.addBoundaryCell(face), a.boundaryCells[0]);
  // addCell replaces the element's cell; gatherCells then lists the new one.
  mEntity *element = a.cells[0]->getEntity();
  DGCell *fresh = a.addCell(element, 2);
  EXPECT_EQ(dgCellOf(element), fresh);
  EXPECT_EQ(fresh->getFunctionSpace()->order(), 2);
  a.gatherCells();
  EXPECT_EQ(std::count(a.cells.begin(), a.cells.end(), fresh), 1);
  EXPECT_EQ(a.cells.size(), before.size());
  // An element without a cell is skipped.
  element->deleteFastData();
  a.gatherCells();
  EXPECT_EQ(a.cells.size(), before.size() - 1);
}

TEST(AnalysisCells, CleanCellsFiltersBothListsInOppositeSenses) {
  ContextScope scope(new SpeedLaw(1, &constantField()), grid2d(2, 1, true));
  DGAnalysis a;
  a.init(0, 0);
  a.cells[0]->setTag(2);
  a.cells[1]->setTag(1);
  a.tagBoundaryCells(true, 5);
  a.cleanCells(2);
  ASSERT_EQ(a.cells.size(), 1u);
  EXPECT_EQ(a.cells[0]->getTag(), 1);
  // Kept: the faces touching level 2 (three boundary faces and the shared one).
  EXPECT_EQ(a.boundaryCells.size(), 4u);
  for (const DGBoundaryCell *f : a.boundaryCells) EXPECT_TRUE(f->leftTag == 2 || f->rightTag == 2);
  a.cleanCells(7);
  EXPECT_EQ(a.cells.size(), 1u);
  EXPECT_TRUE(a.boundaryCells.empty());
}

TEST(AnalysisCells, CellKindFollowsTheLawAndUnsupportedElementsAreRefused) {
  {
    static LambdaField zero([](const mPoint &, double, double *u) { u[0] = u[1] = u[2] = 0.0; }, 0);
    testing::internal::CaptureStdout();
    ContextScope scope(new advectionDiffusion(&zero, &zero, nullptr, nullptr, 1.0), grid2d(1, 1, false));
    testing::internal::GetCapturedStdout();
    DGAnalysis a;
    a.init(1, 0);
    for (const DGCell *c : a.cells) EXPECT_NE(dynamic_cast<const DGAnyViscousCell *>(c), nullptr);
  }
  {
    mMesh *m = new mMesh(0);
    KORA::gEntity *g = m->getGEntity(1, 3);
    const double xyz[6][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {0, 1, 1}};
    for (int i = 0; i < 6; ++i) m->createVertex(i + 1, xyz[i][0], xyz[i][1], xyz[i][2], g);
    mEntity *prism = m->createPrismWithVertices(1, 2, 3, 4, 5, 6, g);
    ContextScope scope(new SpeedLaw(1, &constantField()), m);
    DGAnalysis a;
    try {
      a.addCell(prism, 1);
      FAIL() << "a prism has no function space";
    } catch (const std::string &msg) {
      EXPECT_NE(msg.find("prism"), std::string::npos) << msg;
    }
    EXPECT_EQ(prism->getFastData(), nullptr);
  }
}

struct Call {
  int who, dim, iteration;
  double t;
  DGAnalysis *analysis;
};

class RecordingTracker : public ParticleTracker {
public:
  RecordingTracker(int id, std::vector<Call> *log) : id(id), log(log) {}
  void eval(DGAnalysis *a, int dim, int iteration, double t) override {
    log->push_back({id, dim, iteration, t, a});
  }

private:
  int id;
  std::vector<Call> *log;
};

TEST(AnalysisCells, TrackersInOrderAndDestructionLeavesCellsAttached) {
  ContextScope scope(new SpeedLaw(1, &constantField()), grid2d(2, 2, false));
  scope.param().state.t = 1.5;
  std::vector<Call> log;
  RecordingTracker first(1, &log), second(2, &log);
  mEntity *element = nullptr;
  {
    DGAnalysis a;
    a.init(1, 1);
    element = a.cells[0]->getEntity();
    a.evalTrackers(3);  // no tracker yet: nothing
    EXPECT_TRUE(log.empty());
    a.addTracker(&first);
    a.addTracker(&second);
    a.evalTrackers(7);
    ASSERT_EQ(log.size(), 2u);
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(log[i].who, i + 1);
      EXPECT_EQ(log[i].dim, 2);
      EXPECT_EQ(log[i].iteration, 7);
      EXPECT_EQ(log[i].t, 1.5);
      EXPECT_EQ(log[i].analysis, &a);
    }
  }
  // The cells belong to the mesh, not to the analysis.
  ASSERT_NE(dgCellOf(element), nullptr);
  EXPECT_EQ(dgCellOf(element)->getEntity(), element);
}

// ---------------------------------------------------------------------------
// Point evaluation

double linear(const mPoint &p) { return 0.5 + 2.0 * p.x() - 3.0 * p.y(); }

TEST(AnalysisPointEvaluation, InsideAndOutsideTheMesh) {
  static LambdaField field([](const mPoint &p, double, double *u) { u[0] = linear(p); }, 1);
  static LambdaField velocity([](const mPoint &, double, double *a) { a[0] = 1; a[1] = a[2] = 0; }, 0);
  ContextScope scope(new ScalarLaw(&field, &velocity, nullptr), grid2d(4, 3, false, wavy));
  DGAnalysis a;
  a.init(1, 1);
  EXPECT_EQ(a.octree, nullptr);
  const mPoint points[] = {mPoint(0.31, 0.42, 0), mPoint(0.9, 0.05, 0), mPoint(0.02, 0.97, 0)};
  KORA::Octree *built = nullptr;
  for (const mPoint &p : points) {
    double value = 0, u = 9, v = 9, w = 9;
    mVector grad;
    mEntity *e = a.eval(p, &value, u, v, w, nullptr, &grad);
    ASSERT_NE(e, nullptr);
    if (!built) built = a.octree;
    EXPECT_EQ(a.octree, built);  // built once, then reused
    EXPECT_NEAR(value, linear(p), 1e-12);
    EXPECT_NEAR(grad.x(), 2.0, 1e-10);
    EXPECT_NEAR(grad.y(), -3.0, 1e-10);
    double x, y, z;
    dgCellOf(e)->getMapping()->eval(u, v, w, x, y, z);
    EXPECT_NEAR(x, p.x(), 1e-9);
    EXPECT_NEAR(y, p.y(), 1e-9);
    double again = 0;
    EXPECT_EQ(a.eval(p, &again, nullptr, nullptr), e);
    EXPECT_EQ(again, value);
  }
  // Outside: null, the marker value, nothing else written.
  double value = 0, u = 7, v = 7, w = 7;
  mVector grad(5, 5, 5);
  EXPECT_EQ(a.eval(mPoint(1.5, 0.5, 0), &value, u, v, w, nullptr, &grad), nullptr);
  EXPECT_EQ(value, -1.0e24);
  EXPECT_EQ(u, 7);
  EXPECT_EQ(grad.x(), 5);
  double avg = 3;
  EXPECT_EQ(a.evalavg(mPoint(-0.2, 0.5, 0), &avg), nullptr);
  EXPECT_EQ(avg, 3);
}

TEST(AnalysisPointEvaluation, CellMeansOfTheCurrentOrPreviousLevel) {
  ContextScope scope(new SpeedLaw(1, &constantField()), grid2d(2, 2, true));
  DGAnalysis a;
  a.init(1, 1);
  const mPoint p(0.3, 0.6, 0);
  double mean = 0;
  mEntity *e = a.evalavg(p, &mean);
  ASSERT_NE(e, nullptr);
  DGCell *c = dgCellOf(e);
  EXPECT_EQ(c->dofs->t, c->dofs->tprev);  // right after the projection
  EXPECT_NEAR(mean, 1.0, 1e-14);
  // After an update the previous level is reported.
  std::fill(c->rhs.begin(), c->rhs.end(), 0.0);
  c->rhs[0] = 1.0;
  a.forwardEuler(0.25, a.cells, -1);
  EXPECT_NE(c->theMean(0), 1.0);
  EXPECT_EQ(a.evalavg(p, &mean), e);
  EXPECT_NEAR(mean, 1.0, 1e-14);
  // No cell on the element: null.
  e->deleteFastData();
  mean = 8;
  EXPECT_EQ(a.evalavg(p, &mean), nullptr);
  EXPECT_EQ(mean, 8);
  a.gatherCells();
}

}  // namespace
