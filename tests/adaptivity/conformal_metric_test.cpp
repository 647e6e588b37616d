// The metric field of the conformal adaptation: nodal tensors handed to the
// field (row order, zero rows, vertices without one), the field built from a
// DG solution with the recovery data removed afterwards, and the removal of
// the "_size" data; the driver on a small square: remeshing, transfer,
// clean-up, and the field released when the adaptation fails.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "DGAdaptation.h"
#include "DGConformal.h"
#include "DGNodalRecovery.h"
#include "KORA_Util.h"
#include "limit_fixture.h"
#include "mTensor2.h"
#include "mVertex.h"
#include "metricField.h"

using namespace lt;
using KORA::mTensor2;

namespace {

constexpr unsigned int kTag = 778001;

// The vertices of a grid in the mesh's order.
std::vector<mEntity *> vertices(mMesh *m) {
  std::vector<mEntity *> out;
  for (auto it = m->begin(0); it != m->end(0); ++it) out.push_back(*it);
  return out;
}

TEST(ConformalMetric, NodalTensorsBecomeMetrics) {
  Scope scope(new TestLaw(1), grid(2, 1, 1.0, 1.0, false));
  mMesh *mesh = GlobalParamManager::Instance()->mesh;
  const std::vector<mEntity *> v = vertices(mesh);
  ASSERT_EQ(v.size(), 6u);
  struct Case {
    mVector rows[3];
    double h[3];        // expected sizes, ascending
    mVector e[3];       // expected directions (up to sign)
  };
  const double hmax = 0.7;
  const Case cases[] = {
      // Rows in any order: the field sorts them by size.
      {{mVector(0, 2, 0), mVector(0.5, 0, 0), mVector(0, 0, 3)},
       {0.5, 2, 3},
       {mVector(1, 0, 0), mVector(0, 1, 0), mVector(0, 0, 1)}},
      // A zero row takes the direction left over and the vertex's largest
      // size (two equal sizes: any frame of their plane).
      {{mVector(0.4, 0, 0), mVector(0, 0, 0), mVector(0, 0, 1)},
       {0.4, 1, 1},
       {mVector(1, 0, 0), mVector(0, 0, 0), mVector(0, 0, 0)}},
      // Two zero rows: the directions are completed orthogonally.
      {{mVector(0, 0.6, 0.8), mVector(0, 0, 0), mVector(0, 0, 0)},
       {1, 1, 1},
       {mVector(0, 0.6, 0.8), mVector(0, 0, 0), mVector(0, 0, 0)}},
      // No row at all: isotropic hmax.
      {{mVector(0, 0, 0), mVector(0, 0, 0), mVector(0, 0, 0)},
       {hmax, hmax, hmax},
       {mVector(0, 0, 0), mVector(0, 0, 0), mVector(0, 0, 0)}},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i)
    v[i]->attachTensor(kTag, mTensor2(cases[i].rows[0], cases[i].rows[1], cases[i].rows[2]));
  metricField field(mesh);
  setMetricsFromNodalTensors(field, kTag, hmax);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const metric *m = field.getMetric(v[i]);
    ASSERT_NE(m, nullptr);
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(m->h[k], cases[i].h[k], 1e-14);
      const mVector e(m->e[k][0], m->e[k][1], m->e[k][2]);
      EXPECT_NEAR(e.length(), 1.0, 1e-14);
      if (cases[i].e[k].length() > 0) {
        EXPECT_NEAR(std::fabs(e * cases[i].e[k]), 1.0, 1e-14);
      }
      for (int j = 0; j < k; ++j)
        EXPECT_NEAR(e * mVector(m->e[j][0], m->e[j][1], m->e[j][2]), 0.0, 1e-14);
    }
  }
  // Vertices without a tensor get no metric.
  EXPECT_EQ(field.getMetric(v[4]), nullptr);
  EXPECT_EQ(field.getMetric(v[5]), nullptr);
  unBuildNodalData(kTag);
}

// A grid of the unit square whose boundary vertices lie on the model: the
// corners on model vertices, the others on the model edges of their sides,
// so that the remesher keeps the square.
mMesh *squareWithModel(int n) {
  mMesh *m = grid(n, n, 1.0 / n, 1.0 / n, false);
  for (auto it = m->begin(0); it != m->end(0); ++it) {
    const mPoint p = static_cast<KORA::mVertex *>(*it)->point();
    const bool left = p.x() < 1e-12, right = p.x() > 1 - 1e-12;
    const bool bottom = p.y() < 1e-12, top = p.y() > 1 - 1e-12;
    if ((left || right) && (bottom || top))
      (*it)->classify(m->getGEntity(1000 + (left ? 0 : 1) + (bottom ? 0 : 2), 0));
    else if (bottom || right || top || left)
      (*it)->classify(m->getGEntity(bottom ? 1 : right ? 2 : top ? 3 : 4, 1));
  }
  return m;
}

// A density step at x = 0.5 on the unit square, order 1.
struct Step {
  Field field{[](const mPoint &p, double *U) { U[0] = p.x() < 0.5 ? 1.0 : 0.125; }, 1};
  Scope scope;
  DGAnalysis a;
  mMesh *mesh;
  explicit Step(int n) : scope(new TestLaw(1, &field), squareWithModel(n)) {
    mesh = GlobalParamManager::Instance()->mesh;
    DGParameters &p = Scope::param();
    p.href.minCellSize = 0.02;
    p.href.maxCellSize = 0.25;
    p.href.maxLevelOfRefinement = 2;
    p.general.alpha = 0.04;
    a.init(1, 1);
  }
  bool carriesRecoveryData() const {
    for (auto it = mesh->begin(0); it != mesh->end(0); ++it)
      for (unsigned int tag : {kNodalGradientTag, kNodalHessianTag, kNodalMetricTag})
        if ((*it)->getData(tag)) return true;
    return false;
  }
};

TEST(ConformalMetric, FieldFromTheSolutionAndTargets) {
  Step s(8);
  // Elements on the front ask for the deepest level.
  for (DGCell *c : s.a.cells)
    if (std::fabs(centre(c).x() - 0.5) < 0.1) setTargetLevel(c->getEntity(), s.a.optimumLevelTag, 2);
  metricField field(s.mesh);
  testing::internal::CaptureStdout();
  s.a.computeErrorAndSizeField(&field);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "eps =  4.00000E-02\n");
  EXPECT_FALSE(s.carriesRecoveryData());
  int front = 0, far = 0;
  for (auto it = s.mesh->begin(0); it != s.mesh->end(0); ++it) {
    const metric *m = field.getMetric(*it);
    ASSERT_NE(m, nullptr);
    const double x = static_cast<KORA::mVertex *>(*it)->point().x();
    KORA::mAdjacencyContainer around;
    (*it)->getHigherOrderUpward(2, around);
    bool deep = false, level0 = true;
    for (int i = 0; i < around.size(); ++i) {
      const int t = targetLevel(around[i], s.a.optimumLevelTag);
      deep = deep || t == 2;
      level0 = level0 && t == 0;
    }
    if (deep && std::fabs(x - 0.5) < 1e-12) {
      // On the front: the smallest size, across the front (mostly along x:
      // the gradient of the means of a triangulated grid leans a little).
      ++front;
      EXPECT_NEAR(m->h[0], 0.02, 1e-15);
      EXPECT_GT(std::fabs(m->e[0][0]), 0.75) << x;
    }
    if (level0) {
      ++far;
      for (int k = 0; k < 3; ++k) EXPECT_NEAR(m->h[k], 0.25, 1e-15);
    }
  }
  EXPECT_EQ(front, 9);
  EXPECT_GT(far, 20);
}

TEST(ConformalMetric, UniformStateGetsTheLargestSizeEverywhere) {
  Field uniform{[](const mPoint &, double *U) { U[0] = 0.7; }, 0};
  Scope scope(new TestLaw(1, &uniform), grid(4, 4, 0.25, 0.25, false));
  Scope::param().href.maxCellSize = 0.5;
  Scope::param().href.minCellSize = 0.1;
  DGAnalysis a;
  a.init(2, 1);
  mMesh *mesh = GlobalParamManager::Instance()->mesh;
  metricField field(mesh);
  testing::internal::CaptureStdout();
  a.computeErrorAndSizeField(&field);
  testing::internal::GetCapturedStdout();
  for (auto it = mesh->begin(0); it != mesh->end(0); ++it) {
    const metric *m = field.getMetric(*it);
    ASSERT_NE(m, nullptr);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(m->h[k], 0.5);
  }
}

TEST(ConformalMetric, CleanSizeFieldRemovesVertexSizesOnly) {
  Scope scope(new TestLaw(1), grid(2, 2, 0.5, 0.5, false));
  mMesh *mesh = GlobalParamManager::Instance()->mesh;
  const unsigned int size = KORA::KORA_Util::Instance()->sizeId;
  for (auto it = mesh->begin(0); it != mesh->end(0); ++it) (*it)->attachDouble(size, 0.3);
  mEntity *face = *mesh->begin(2);
  face->attachDouble(size, 0.3);
  DGAnalysis a;
  a.cleanSizeField();
  for (auto it = mesh->begin(0); it != mesh->end(0); ++it) EXPECT_EQ((*it)->getData(size), nullptr);
  EXPECT_NE(face->getData(size), nullptr);
  a.cleanSizeField();  // nothing left to remove
  face->deleteData(size);
}

}  // namespace

// ---------------------------------------------------------------------------
// The driver

// Number of elements and integral of field 0 after one conformal adaptation
// of the step, with the lists rebuilt as the h-adaptation step does.
struct Adapted {
  std::size_t cells;
  double integral;
};

Adapted adaptStep(int argument) {
  Step s(8);
  for (DGCell *c : s.a.cells)
    if (std::fabs(centre(c).x() - 0.5) < 0.15) setTargetLevel(c->getEntity(), s.a.optimumLevelTag, 2);
  const double before = fieldIntegral(s.a.cells, 0);
  s.a.buildOctree();
  testing::internal::CaptureStdout();
  s.a.conformalAdaptation(argument);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(s.a.octree, nullptr);
  EXPECT_FALSE(s.carriesRecoveryData());
  const unsigned int size = KORA::KORA_Util::Instance()->sizeId;
  for (auto it = s.mesh->begin(0); it != s.mesh->end(0); ++it) EXPECT_EQ((*it)->getData(size), nullptr);
  for (auto it = s.mesh->begin(2); it != s.mesh->end(2); ++it) EXPECT_NE(dgCellOf(*it), nullptr);
  // The field's name is free again: a new field can be made.
  EXPECT_NO_THROW(metricField again(s.mesh));
  rebuildUpwardAdjacencies(*s.mesh, 2);
  s.a.init(-1, 0);
  EXPECT_GT(s.a.cells.size(), 128u);  // refined around the front
  const double after = fieldIntegral(s.a.cells, 0);
  EXPECT_NEAR(after, before, 1e-3 * before);
  // The solution's bounds are kept (no new extremum beyond the limiter's
  // reach: the means lie between the two states).
  for (DGCell *c : s.a.cells) {
    EXPECT_GT(c->theMean(0), 0.125 - 1e-3);
    EXPECT_LT(c->theMean(0), 1.0 + 1e-3);
  }
  return {s.a.cells.size(), after};
}

TEST(ConformalDriver, RemeshesCarriesTheSolutionAndCleansUp) {
  const Adapted a0 = adaptStep(0);
  const Adapted a1 = adaptStep(1);
  // The argument is not read.
  EXPECT_EQ(a0.cells, a1.cells);
  EXPECT_EQ(a0.integral, a1.integral);
  // The view of the field was written in the working folder.
  std::ifstream view("mField.pos");
  std::string first;
  std::getline(view, first);
  EXPECT_EQ(first, "View \"metric\" {");
}

TEST(ConformalDriver, FieldIsReleasedWhenTheAdaptationFails) {
  Step s(4);
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  ConservationLaw *law = ctx->law;
  ctx->law = nullptr;  // the metric construction stops with a text
  EXPECT_THROW(s.a.conformalAdaptation(0), std::string);
  ctx->law = law;
  EXPECT_FALSE(s.carriesRecoveryData());
  EXPECT_NO_THROW(metricField again(s.mesh));
}

TEST(ConformalDriver, QuadrilateralsAreRefused) {
  Field uniform{[](const mPoint &, double *U) { U[0] = 1.0; }, 0};
  Scope scope(new TestLaw(1, &uniform), grid(2, 2, 0.5, 0.5, true));
  DGAnalysis a;
  a.init(1, 1);
  EXPECT_FALSE(conformallyAdaptable(*GlobalParamManager::Instance()->mesh));
  EXPECT_THROW(a.conformalAdaptation(0), std::string);
  EXPECT_NO_THROW(metricField again(GlobalParamManager::Instance()->mesh));
}
