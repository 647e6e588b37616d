// The upward lists brought up to date around a refinement pass equal, entry
// for entry and in order, those of a whole-mesh rebuild.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "files_helpers.h"
#include "mFace.h"
#include "mTet.h"
#include "mUpwardUpdate.h"
#include "mVertex.h"

namespace {

using namespace KORA;
using filestest::ScriptedCallback;

std::vector<std::pair<int, int>> upwardPairs(int d) {
  std::vector<std::pair<int, int>> p{{d - 1, d}, {0, 1}};
  if (d == 3) p.emplace_back(1, 2);
  return p;
}

void rebuild(mMesh& m, int d) {
  for (auto [from, to] : upwardPairs(d)) {
    m.modifyState(from, to, false, 0);
    m.modifyState(from, to, true, 0);
  }
}

// Every upward list of the mesh: absent, or its entries in order.
using Lists = std::map<std::pair<mEntity*, int>, std::vector<mEntity*>>;
Lists upwardLists(mMesh& m, int d) {
  Lists out;
  for (int k = 0; k < d; ++k)
    for (auto it = m.beginall(k), last = m.endall(k); it != last; ++it)
      for (int u = k + 1; u <= d; ++u)
        if (const mAdjacencyContainer* l = (*it)->getAdjacencyList(u))
          out[{*it, u}] = std::vector<mEntity*>(l->begin(), l->end());
  return out;
}

mPoint centre(mEntity* e) {
  mPoint s(0, 0, 0);
  const int n = e->size(0);
  for (int i = 0; i < n; ++i) s += static_cast<mVertex*>(e->get(0, i))->point();
  return s * (1.0 / n);
}

// An n x n grid of quadrilaterals (or of triangles, two per square) on the unit square.
void grid2d(mMesh& m, int n, bool triangles) {
  gEntity* g = m.getGEntity(1, 2);
  for (int j = 0; j <= n; ++j)
    for (int i = 0; i <= n; ++i) m.createVertex(1 + i + j * (n + 1), double(i) / n, double(j) / n, 0, g);
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      const int a = 1 + i + j * (n + 1), b = a + 1, c = b + n + 1, e = a + n + 1;
      if (triangles) {
        m.createFaceWithVertices(a, b, c, g);
        m.createFaceWithVertices(a, c, e, g);
      } else {
        m.createFaceWithVertices(a, b, c, e, g);
      }
    }
  m.modifyState(2, 1, true, 0);
}

// An n x n x n grid of cubes cut into six tetrahedra each.
void gridTets(mMesh& m, int n) {
  gEntity* g = m.getGEntity(1, 3);
  auto id = [n](int i, int j, int k) { return 1 + i + (n + 1) * (j + (n + 1) * k); };
  for (int k = 0; k <= n; ++k)
    for (int j = 0; j <= n; ++j)
      for (int i = 0; i <= n; ++i) m.createVertex(id(i, j, k), double(i) / n, double(j) / n, double(k) / n, g);
  for (int k = 0; k < n; ++k)
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i) {
        int v[8];
        for (int c = 0; c < 8; ++c) v[c] = id(i + (c & 1), j + ((c >> 1) & 1), k + (c >> 2));
        // The six tetrahedra around the diagonal from corner 0 to corner 7.
        const int path[6][2] = {{1, 3}, {3, 2}, {2, 6}, {6, 4}, {4, 5}, {5, 1}};
        for (const auto& p : path) m.createTetWithVertices(v[0], v[p[0]], v[p[1]], v[7], g);
      }
  m.modifyState(3, 2, true, 0);
  m.modifyState(2, 1, true, 0);
}

// One pass of refunref with the local upkeep, then the lists compared with a rebuild's.
void passMatchesRebuild(mMesh& m, int d, const std::function<int(mEntity*)>& answer, const char* what) {
  const int before = m.size(d);
  mUpwardUpdate log(&m, upwardPairs(d));
  m.setUpwardLog(&log);
  ScriptedCallback cb(answer);
  m.refunref(cb);
  m.setUpwardLog(nullptr);
  ASSERT_NE(m.size(d), before) << what << ": the pass changed nothing";
  ASSERT_TRUE(log.finish()) << what;
  const Lists local = upwardLists(m, d);
  rebuild(m, d);
  const Lists whole = upwardLists(m, d);
  EXPECT_EQ(local.size(), whole.size()) << what;
  EXPECT_TRUE(local == whole) << what;
}

struct Case {
  const char* name;
  int dim;
  std::function<void(mMesh&)> build;
};

TEST(UpwardUpdate, RefiningAndCoarseningLeaveTheListsOfAWholeRebuild) {
  const std::vector<Case> cases = {{"quadrilaterals", 2, [](mMesh& m) { grid2d(m, 4, false); }},
                                   {"triangles", 2, [](mMesh& m) { grid2d(m, 3, true); }},
                                   {"tetrahedra", 3, [](mMesh& m) { gridTets(m, 1); }}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mMesh m(1);
    c.build(m);
    // Room enough that no table grows its buckets (which would reorder every walk).
    for (int k = 0; k < 4; ++k) m.getEntities().resize(k, 4000);
    rebuild(m, c.dim);
    // Two levels in the left half: neighbours two levels apart, hanging faces.
    passMatchesRebuild(
        m, c.dim,
        [&](mEntity* e) { return centre(e)(0) < 0.5 && m.getRefinementLevel(e) < 2 ? 1 : 0; },
        "refinement");
    // Merging in the lower left quarter while the upper right is refined.
    passMatchesRebuild(
        m, c.dim,
        [&](mEntity* e) {
          const mPoint x = centre(e);
          if (x(0) < 0.5 && x(1) < 0.5) return -1;
          return x(0) > 0.5 && x(1) > 0.5 && m.getRefinementLevel(e) < 1 ? 1 : 0;
        },
        "coarsening");
  }
}

}  // namespace
