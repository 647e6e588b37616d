// The order of the cell lists: a Hilbert curve through the element centroids,
// independent of how the mesh was built.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

#include "CellOrder.h"
#include "ScalarLaw.h"
#include "analysis_fixture.h"
#include "analysis_testlaw.h"

using namespace antest;

namespace {

// Lattice points 0..n-1 along each of `dims` axes (the others 0), shuffled.
std::vector<std::array<int, 3>> shuffledLattice(int n, int dims) {
  std::vector<std::array<int, 3>> pts;
  for (int k = 0; k < (dims > 2 ? n : 1); ++k)
    for (int j = 0; j < (dims > 1 ? n : 1); ++j)
      for (int i = 0; i < n; ++i) pts.push_back({i, j, k});
  std::mt19937 rng(7);
  std::shuffle(pts.begin(), pts.end(), rng);
  return pts;
}

// A Hilbert curve visits a 2^k lattice from one point to a neighbour at unit
// distance each time, and every point once.
TEST(CellOrder, KeysWalkALatticeByUnitSteps) {
  for (const auto &[n, dims] : {std::pair{16, 2}, std::pair{8, 3}, std::pair{2, 2}, std::pair{9, 1}}) {
    SCOPED_TRACE(testing::Message() << n << "^" << dims);
    const auto pts = shuffledLattice(n, dims);
    std::vector<double> xyz;
    for (const auto &p : pts)
      for (int a = 0; a < 3; ++a) xyz.push_back(0.5 + 0.25 * p[a]);  // any box does
    const std::vector<std::uint64_t> keys = hilbertKeys(xyz);
    ASSERT_EQ(keys.size(), pts.size());
    std::vector<std::size_t> order(pts.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    for (std::size_t i = 1; i < order.size(); ++i) {
      const auto &p = pts[order[i - 1]], &q = pts[order[i]];
      EXPECT_LT(keys[order[i - 1]], keys[order[i]]);
      EXPECT_EQ(std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]), 1) << "step " << i;
    }
  }
}

TEST(CellOrder, DegenerateSetsGetZeroKeys) {
  EXPECT_TRUE(hilbertKeys({}).empty());
  EXPECT_EQ(hilbertKeys({1, 2, 3, 1, 2, 3}), (std::vector<std::uint64_t>{0, 0}));
  // A spread that is not finite leaves that axis out; nothing else breaks.
  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  const auto keys = hilbertKeys({0, 0, 0, inf, 0, 0, nan, 1, 0});
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[0], keys[1]);
  EXPECT_LT(keys[0], keys[2]);
}

LambdaField &unitField() {
  static LambdaField f([](const mPoint &, double, double *u) { u[0] = 1.0; }, 0);
  return f;
}

mPoint centroid(const DGCell *c) {
  const mEntity *e = c->getEntity();
  double x = 0, y = 0;
  for (int v = 0; v < e->size(0); ++v) {
    const mPoint p = static_cast<const KORA::mVertex *>(e->get(0, v))->point();
    x += p.x();
    y += p.y();
  }
  return mPoint(x / e->size(0), y / e->size(0), 0.0);
}

bool shareAFace(const DGCell *a, const DGCell *b) {
  const mEntity *ea = a->getEntity(), *eb = b->getEntity();
  for (int i = 0; i < ea->size(1); ++i)
    for (int j = 0; j < eb->size(1); ++j)
      if (ea->get(1, i) == eb->get(1, j)) return true;
  return false;
}

// On a 2^k grid the cells follow the curve: each one shares a face with the
// next, and the faces come by the position of their left cell.
TEST(CellOrder, GridCellsFollowTheCurveAndFacesTheirLeftCells) {
  ContextScope scope(new SpeedLaw(1, &unitField()), grid2d(16, 16, true));
  DGAnalysis a;
  a.init(0, 1);
  ASSERT_EQ(a.cells.size(), 256u);
  for (std::size_t i = 1; i < a.cells.size(); ++i) EXPECT_TRUE(shareAFace(a.cells[i - 1], a.cells[i])) << i;
  std::vector<std::size_t> positions;
  for (const DGBoundaryCell *f : a.boundaryCells) {
    const DGCell *left = dgCellOf(f->left);
    positions.push_back(std::find(a.cells.begin(), a.cells.end(), left) - a.cells.begin());
  }
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
  // Regathering keeps the lists as they are.
  const DGCellList cells = a.cells;
  const DGBoundaryCellList faces = a.boundaryCells;
  a.gatherCells();
  EXPECT_EQ(a.cells, cells);
  EXPECT_EQ(a.boundaryCells, faces);
}

// The same triangles made in the opposite order give the same lists.
TEST(CellOrder, ListsDoNotDependOnTheOrderOfCreation) {
  auto build = [](bool reversed) {
    const int n = 6;
    mMesh *m = new mMesh(0);
    KORA::gEntity *region = m->getGEntity(kRegionTag, 2);
    auto id = [&](int i, int j) { return 1 + i + (n + 1) * j; };
    for (int j = 0; j <= n; ++j)
      for (int i = 0; i <= n; ++i)
        m->createVertex(id(i, j), double(i) / n, double(j) / n + 0.01 * i * i, 0.0, region);
    std::vector<std::array<int, 3>> tris;
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i) {
        tris.push_back({id(i, j), id(i + 1, j), id(i + 1, j + 1)});
        tris.push_back({id(i, j), id(i + 1, j + 1), id(i, j + 1)});
      }
    if (reversed) std::reverse(tris.begin(), tris.end());
    for (const auto &t : tris) m->createFaceWithVertices(t[0], t[1], t[2], region);
    m->modifyState(2, 1);
    m->modifyState(1, 2);
    m->modifyState(0, 1);
    return m;
  };
  std::vector<std::vector<double>> lists[2];
  for (int r = 0; r < 2; ++r) {
    ContextScope scope(new SpeedLaw(1, &unitField()), build(r == 1));
    DGAnalysis a;
    a.init(1, 1);
    for (const DGCell *c : a.cells) lists[r].push_back({centroid(c).x(), centroid(c).y()});
    for (const DGBoundaryCell *f : a.boundaryCells) {
      const mPoint p = static_cast<const KORA::mVertex *>(f->getEntity()->get(0, 0))->point();
      const mPoint q = static_cast<const KORA::mVertex *>(f->getEntity()->get(0, 1))->point();
      lists[r].push_back({p.x() + q.x(), p.y() + q.y()});
    }
  }
  EXPECT_EQ(lists[0], lists[1]);
}

}  // namespace
