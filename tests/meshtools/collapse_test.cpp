// Checks made before an edge collapse.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "MT_mark.h"
#include "MT_modify.h"
#include "MT_topology.h"
#include "mt_fixtures.h"

using namespace mttest;

namespace {
pVertex at(pMesh m, double x, double y, double z) { return vertexAt(m, x, y, z); }
}  // namespace

TEST(MeshToolsCollapse, ClassificationDecidesWhichEndGoes) {
  std::mt19937 rng(1);
  JitteredCube<std::mt19937> h(2, 0.0, rng);
  pVertex c = at(h.m, 0.5, 0.5, 0.5), f = at(h.m, 0.5, 0.5, 0), corner = at(h.m, 0, 0, 0),
          side = at(h.m, 0.5, 0, 0);
  ASSERT_TRUE(c && f && corner && side);
  pEdge cf = E_exists(c, f);
  ASSERT_NE(cf, nullptr);
  ASSERT_EQ(V_whatInType(c), 3);
  ASSERT_EQ(V_whatInType(f), 2);
  // The interior vertex goes, whichever was named first.
  pVertex d = f, k = c;
  EXPECT_EQ(E_chkColaps(&d, &k, cf), 1);
  EXPECT_EQ(d, c);
  EXPECT_EQ(k, f);
  EXPECT_EQ(E_chkClpTopo(f, cf), 0);
  EXPECT_EQ(E_chkClpTopo(c, cf), 1);
  EXPECT_EQ(E_chkClpTopo(nullptr, cf), 1);
  // Two vertices on a model edge joined across a model face: refused; along
  // the model edge: allowed.
  pVertex low = at(h.m, 0, 0, 0.5), high = at(h.m, 0.5, 0, 1);
  pEdge across = E_exists(low, high);
  ASSERT_NE(across, nullptr);
  ASSERT_EQ(V_whatInType(low), 1);
  ASSERT_EQ(V_whatInType(high), 1);
  ASSERT_EQ(E_whatInType(across), 2);
  EXPECT_EQ(E_chkClpTopo(nullptr, across), 0);
  pEdge along = E_exists(corner, side);
  ASSERT_EQ(E_whatInType(along), 1);
  EXPECT_EQ(E_chkClpTopo(nullptr, along), 1);
  // A collapse constraint on the vertex that must go forbids the collapse.
  EN_constrain(1, c);
  EXPECT_EQ(E_chkClpTopo(c, cf), 0);
  EXPECT_EQ(E_chkClpTopo(nullptr, cf), 0);
}

TEST(MeshToolsCollapse, GeometricCheck) {
  std::mt19937 rng(1);
  JitteredCube<std::mt19937> h(2, 0.0, rng);
  pVertex c = at(h.m, 0.5, 0.5, 0.5), f = at(h.m, 0.5, 0.5, 0);
  pEdge cf = E_exists(c, f);
  EXPECT_EQ(E_evalColaps(h.m, cf, c, f), 1);
  // Far to the side, the kept vertex turns regions of the deleted one over.
  P_setPos(V_point(f), 5.0, 0.5, 0.0);
  EXPECT_EQ(E_evalColaps(h.m, cf, c, f), 0);
  // A vertex whose only region holds the edge.
  UnitTet t;
  EXPECT_EQ(E_evalColaps(t.m, E_exists(t.p[0], t.p[1]), t.p[0], t.p[1]), 1);
}
