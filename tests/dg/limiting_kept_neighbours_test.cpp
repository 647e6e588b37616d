// The limiting keeps the neighbourhoods it walks (cells around each vertex,
// the sides of each face, the leaf faces around a cell) from one pass to the
// next. These tests change the cells in between (a new mesh, cells replaced by
// cells of another order) and compare with what a walk of the mesh as it is
// now gives: the stencil passes applied one by one, and limiters that have
// never limited a cell before.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "DGAnalysisPasses.h"
#include "DGLimiters.h"
#include "analysis_fixture.h"
#include "analysis_testlaw.h"

using namespace antest;

namespace {

// Passes no cell to the limiter of the pass (the bounds are what is looked at).
class BoundsOnly : public DGLimiter {
public:
  void limit(DGCell *) override {}
};

// Deterministic scattered means: the bounds of neighbouring cells differ.
double meanOf(int cell, int field, int seed) {
  const unsigned h = static_cast<unsigned>(cell * 7919 + field * 104729 + seed * 1299709);
  return static_cast<double>((h * 2654435761u) % 1000u) / 100.0 - 5.0;
}

void scatterMeans(DGAnalysis &a, int seed) {
  int k = 0;
  for (DGCell *c : a.cells) {
    for (int f = 0; f < c->dofs->nbFields; ++f) c->dofs->levels[0][f * c->dofs->nbFunctions] = meanOf(k, f, seed);
    ++k;
  }
}

// The bounds as the three stencil passes leave them, walking the mesh.
std::vector<double> walkedBounds(DGAnalysis &a, int n) {
  InitStencilAverages init{n, 0.0, -1};
  applyToAll(a.cells, init);
  ComputeStencilAverages faces{0.0, n, -1};
  applyToAll(a.boundaryCells, faces);
  KORA::mMesh *mesh = GlobalParamManager::Instance()->mesh;
  EnhanceStencilToCorners corners{-1, 0.0, n, mesh->getDim()};
  for (auto it = mesh->beginall(0); it != mesh->endall(0); ++it) corners(*it);
  std::vector<double> out;
  for (const DGCell *c : a.cells)
    for (int f = 0; f < n; ++f) {
      out.push_back(c->stencilMin[f]);
      out.push_back(c->stencilMax[f]);
    }
  return out;
}

std::vector<double> limiterBounds(DGAnalysis &a, int n) {
  for (DGCell *c : a.cells)
    for (int f = 0; f < n; ++f) c->stencilMin[f] = c->stencilMax[f] = 1e300;  // nothing left from before
  a.applyLimiter(0.0, -1, a.cells, a.boundaryCells);
  std::vector<double> out;
  for (const DGCell *c : a.cells)
    for (int f = 0; f < n; ++f) {
      out.push_back(c->stencilMin[f]);
      out.push_back(c->stencilMax[f]);
    }
  return out;
}

LambdaField &zeroField() {
  static LambdaField f([](const mPoint &, double, double *u) { u[0] = u[1] = 0.0; }, 0);
  return f;
}

}  // namespace

TEST(KeptNeighbourhoods, StencilBoundsFollowNewMeshesAndReplacedCells) {
  constexpr int n = 2;
  // One mesh after the other in the same process: the cells of a later mesh
  // may take the addresses of the cells of an earlier one.
  const struct {
    int nx, ny;
    bool quads;
  } meshes[] = {{4, 4, true}, {4, 4, false}, {3, 5, true}, {4, 4, true}};
  int seed = 0;
  for (const auto &m : meshes) {
    SCOPED_TRACE(testing::Message() << m.nx << "x" << m.ny << (m.quads ? " quads" : " triangles"));
    ContextScope scope(new SpeedLaw(n, &zeroField()), grid2d(m.nx, m.ny, m.quads), new BoundsOnly);
    DGAnalysis a;
    a.init(1, 1);
    scatterMeans(a, ++seed);
    EXPECT_EQ(limiterBounds(a, n), walkedBounds(a, n));
    // A second pass on the same cells with other means.
    scatterMeans(a, ++seed);
    EXPECT_EQ(limiterBounds(a, n), walkedBounds(a, n));
    // Every other cell replaced by one of order 2: the lists are gathered anew.
    std::vector<mEntity *> elements;
    for (std::size_t k = 0; k < a.cells.size(); k += 2) elements.push_back(a.cells[k]->getEntity());
    for (mEntity *e : elements) a.modifyOrder(e, 2);
    a.gatherCells();
    scatterMeans(a, ++seed);
    EXPECT_EQ(limiterBounds(a, n), walkedBounds(a, n));
  }
}

TEST(KeptNeighbourhoods, FaceLimitersAfterCellsAreReplaced) {
  // A limiter that has limited the cells before they were replaced gives the
  // same coefficients as one that meets the new cells for the first time.
  constexpr int n = 1;
  for (const int kind : {2, 4, 3}) {
    SCOPED_TRACE(kind);
    ContextScope scope(new SpeedLaw(n, &zeroField()), grid2d(4, 4, true));
    DGAnalysis a;
    a.init(2, 1);
    auto make = [kind]() -> std::unique_ptr<DGLimiter> {
      if (kind == 3) return std::make_unique<DGPhysicalLimiter>(-1.0, 1.0);
      return std::make_unique<DGMomentLimiterRegularCube>(kind == 4);
    };
    std::unique_ptr<DGLimiter> warm = make();
    // Coefficients 0.6 sin-like pattern: some moments exceed the differences.
    auto fill = [&a](int seed) {
      int k = 0;
      for (DGCell *c : a.cells) {
        for (int j = 0; j < c->dofs->nbFunctions; ++j) c->dofs->levels[0][j] = meanOf(k, j, seed) / 5.0;
        ++k;
      }
    };
    fill(1);
    testing::internal::CaptureStdout();
    for (DGCell *c : a.cells) warm->limit(c);
    // Cells replaced (other orders, new objects); the faces are rebuilt.
    std::vector<mEntity *> elements;
    for (DGCell *c : a.cells) elements.push_back(c->getEntity());
    for (std::size_t k = 0; k < elements.size(); ++k) a.modifyOrder(elements[k], k % 3 == 0 ? 1 : 2);
    a.gatherCells();
    a.computeSolutionsOnBothSides(0.0, false, -1, a.boundaryCells);
    fill(2);
    std::vector<std::vector<double>> start;
    for (DGCell *c : a.cells) start.emplace_back(c->dofs->levels[0], c->dofs->levels[0] + c->dofs->nbValues());
    for (DGCell *c : a.cells) warm->limit(c);
    std::vector<std::vector<double>> byWarm;
    for (DGCell *c : a.cells) byWarm.emplace_back(c->dofs->levels[0], c->dofs->levels[0] + c->dofs->nbValues());
    for (std::size_t k = 0; k < a.cells.size(); ++k)
      std::copy(start[k].begin(), start[k].end(), a.cells[k]->dofs->levels[0]);
    std::unique_ptr<DGLimiter> fresh = make();
    for (DGCell *c : a.cells) fresh->limit(c);
    testing::internal::GetCapturedStdout();
    bool changed = false;
    for (std::size_t k = 0; k < a.cells.size(); ++k) {
      const DGCell *c = a.cells[k];
      EXPECT_EQ(std::vector<double>(c->dofs->levels[0], c->dofs->levels[0] + c->dofs->nbValues()), byWarm[k]) << k;
      changed = changed || byWarm[k] != start[k];
    }
    EXPECT_TRUE(changed) << "the data should make the limiter act";
  }
}
