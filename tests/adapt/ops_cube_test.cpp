// The local modification operators applied one after another on a jittered
// cube: each accepted change keeps the mesh a conforming tetrahedrisation of
// the unit cube with positive tetrahedra, and reports every region it makes
// at its final shape.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <set>

#include "EdgeSplitMod.h"
#include "FaceSwapMod.h"
#include "RegionCollapsMod_2.h"
#include "SplitCollapsMod.h"
#include "ops_fixtures.h"
#include "../meshtools/mt_fixtures.h"

namespace {

using namespace KORA;
using opstest::Calls;

std::set<pRegion> regionsOf(pMesh m) {
  std::set<pRegion> out;
  RIter it = M_regionIter(m);
  while (pRegion r = RIter_next(it)) out.insert(r);
  RIter_delete(it);
  return out;
}

// After one change: the unit cube, conforming, positive; every region the
// change made was reported, at the volume it has now.
void expectSoundChange(pMesh m, const std::set<pRegion>& before, const Calls& calls, const char* what) {
  SCOPED_TRACE(what);
  EXPECT_TRUE(mttest::conforming(m));
  EXPECT_NEAR(mttest::totalVolume(m), 1.0, 1e-12);
  EXPECT_GT(mttest::minVolume(m), 0.0);
  ASSERT_FALSE(calls.kinds.empty());
  for (pRegion r : regionsOf(m)) {
    if (before.count(r)) continue;
    bool found = false;
    for (size_t c = calls.newRegions.size(); c-- > 0 && !found;)
      for (size_t i = 0; i < calls.newRegions[c].size() && !found; ++i)
        if (calls.newRegions[c][i] == r) {
          found = true;
          EXPECT_EQ(R_volume(r), calls.newVolumes[c][i]);
        }
    EXPECT_TRUE(found) << "a new region was never reported";
  }
}

// Checks the aimed operator and applies it when accepted, expecting these
// reports; false when refused.
bool applyIfAccepted(LocMeshMod& op, const Calls& calls, const std::vector<int>& kinds) {
  if (!op.topoCheck() || !op.geomCheck()) return false;
  EXPECT_EQ(op.apply(), 1);
  EXPECT_EQ(calls.kinds, kinds);
  return true;
}

struct Cube {
  std::mt19937 rng{7};
  mttest::JitteredCube<std::mt19937> mesh{3, 0.25, rng};
  metricField field{mesh.m};
  meanRatio shape{&field, 1e-3};
  lengthSquare length{&field, 1.96, 0.36};
  EvalResults results;
  Cube() {
    VIter it = M_vertexIter(mesh.m);
    while (pVertex v = VIter_next(it)) field.setSize(v, 0.4);
    VIter_delete(it);
  }
  // Applies up to `wanted` accepted candidates, each found afresh by `attempt`
  // (which checks, applies and answers true, or answers false). The number applied.
  int applySeveral(int wanted, const char* what,
                   const std::function<bool(LocMeshMod&, std::vector<pEntity>&, Calls&)>& attempt,
                   LocMeshMod& op, int dim) {
    int done = 0;
    for (bool found = true; found && done < wanted;) {
      std::vector<pEntity> candidates = mttest::allOf(mesh.m, dim);
      if (dim == 3) {
        candidates.clear();
        for (pRegion r : regionsOf(mesh.m)) candidates.push_back(r);
      }
      const std::set<pRegion> before = regionsOf(mesh.m);
      Calls calls;
      op.callback = Calls::record;
      op.userData = &calls;
      found = attempt(op, candidates, calls);
      if (!found) break;
      ++done;
      expectSoundChange(mesh.m, before, calls, what);
      if (testing::Test::HasFailure()) break;
    }
    return done;
  }
};

TEST(OperatorsOnACube, FaceSwaps) {
  Cube c;
  FaceSwapMod op(c.mesh.m, &c.field, &c.shape, &c.length, &c.results);
  const int n = c.applySeveral(
      6, "face swap",
      [&](LocMeshMod&, std::vector<pEntity>& faces, Calls& calls) {
        for (pEntity f : faces) {
          op.setSwapFace(f);
          if (applyIfAccepted(op, calls, {FACESWAP})) return true;
        }
        return false;
      },
      op, 2);
  EXPECT_EQ(n, 6);
}

TEST(OperatorsOnACube, EdgeSplitsAtMidpoints) {
  Cube c;
  EdgeSplitMod op(c.mesh.m, &c.field, &c.shape, &c.length, &c.results);
  int k = 0;
  const int n = c.applySeveral(
      6, "edge split",
      [&](LocMeshMod&, std::vector<pEntity>& edges, Calls& calls) {
        // A different edge each time, spread over the mesh.
        pEdge e = edges[(k += 37) % edges.size()];
        double a[3], b[3], mid[3];
        V_coord(E_vertex(e, 0), a);
        V_coord(E_vertex(e, 1), b);
        for (int i = 0; i < 3; ++i) mid[i] = 0.5 * (a[i] + b[i]);
        const double param[2] = {0, 0};
        op.setSplitEdge(e);
        op.setSplitPos(mid, param);
        if (!applyIfAccepted(op, calls, {EDGESPLIT})) return false;
        EXPECT_NE(c.field.getMetric(op.getNewVertex()), nullptr);
        return true;
      },
      op, 1);
  EXPECT_EQ(n, 6);
}

TEST(OperatorsOnACube, SplitCollapses) {
  Cube c;
  SplitCollapsMod op(c.mesh.m, &c.field, &c.shape, &c.length, &c.results);
  const int n = c.applySeveral(
      4, "split-collapse",
      [&](LocMeshMod&, std::vector<pEntity>& faces, Calls& calls) {
        for (pEntity f : faces)
          for (int i = 0; i < 3; ++i) {
            op.reset(F_edge(f, i), f);
            if (applyIfAccepted(op, calls, {EDGESPLIT, ECOLLAPSE})) return true;
          }
        return false;
      },
      op, 2);
  EXPECT_EQ(n, 4);
}

TEST(OperatorsOnACube, RegionCollapsesBySplit) {
  Cube c;
  RegionCollapsMod_2 op(c.mesh.m, &c.field, &c.shape, &c.length, &c.results);
  const int n = c.applySeveral(
      3, "region collapse by split",
      [&](LocMeshMod&, std::vector<pEntity>& regions, Calls& calls) {
        for (pEntity r : regions)
          for (int i = 0; i < 3; ++i) {
            // Opposite edges (template numbering): (0,1)-(2,3), (1,2)-(0,3), (2,0)-(1,3).
            static const int pairs[3][4] = {{0, 1, 2, 3}, {1, 2, 0, 3}, {2, 0, 1, 3}};
            pVertex v[4];
            for (int j = 0; j < 4; ++j) v[j] = R_vertex(r, pairs[i][j]);
            pEdge e0 = E_exists(v[0], v[1]), e1 = E_exists(v[2], v[3]);
            // The final point is inside the domain: the vertex kept must be
            // made on an interior edge, so both are (the operator asks one).
            if (E_whatInType(e0) != 3 || E_whatInType(e1) != 3) continue;
            double x[4][3], at[3];
            for (int j = 0; j < 4; ++j) V_coord(v[j], x[j]);
            for (int k = 0; k < 3; ++k) at[k] = 0.25 * (x[0][k] + x[1][k] + x[2][k] + x[3][k]);
            op.setCollaps(r, e0, e1, at);
            if (applyIfAccepted(op, calls, {EDGESPLIT, EDGESPLIT, ECOLLAPSE})) return true;
          }
        return false;
      },
      op, 3);
  EXPECT_EQ(n, 3);
}

}  // namespace
