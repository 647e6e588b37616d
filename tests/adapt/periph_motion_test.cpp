// The vertex motion operator.
#include <gtest/gtest.h>

#include "../meshtools/mt_fixtures.h"
#include "MT_mark.h"
#include "VertMotionsMod.h"

using namespace mttest;

TEST(AdaptVertexMotion, SixSlotsAndTheirVertices) {
  UnitTet h;
  VertMotionsMod none(h.m, nullptr);
  EXPECT_EQ(none.numMotions(), 0);
  EXPECT_EQ(none.vertex(0), nullptr);
  EXPECT_EQ(none.type(), 3);
  pVertex vs[7];
  double targets[7][3];
  for (int i = 0; i < 7; ++i) {
    vs[i] = h.vertex(10 + i, 0, 0);
    for (int k = 0; k < 3; ++k) targets[i][k] = i + k;
  }
  VertMotionsMod mod(h.m, nullptr, 5, vs, targets);
  EXPECT_EQ(mod.numMotions(), 5);
  EXPECT_EQ(mod.vertex(4), vs[4]);
  EXPECT_EQ(mod.vertex(5), nullptr);
  ::testing::internal::CaptureStderr();
  mod.insert(vs[5], targets[5]);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  ::testing::internal::CaptureStderr();
  mod.insert(vs[6], targets[6]);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "VertMotionMod::insert - number of vertices to be moved exceeds 4\n");
  EXPECT_EQ(mod.numMotions(), 6);
  EXPECT_EQ(mod.inList(vs[5]), 1);
  EXPECT_EQ(mod.inList(vs[6]), 0);
  VertMotionsMod copy(mod);
  EXPECT_EQ(copy.numMotions(), 6);
  EXPECT_EQ(copy.vertex(5), vs[5]);
  EXPECT_EQ(copy.shpMeasure, nullptr);
  EXPECT_EQ(copy.results, nullptr);
  EXPECT_EQ(copy.topoCheck() + copy.geomCheck() + copy.sizeCheck(), 0);
}

TEST(AdaptVertexMotion, ApplyMovesInteriorVerticesOnly) {
  UnitTet h;
  pVertex inner = h.vertex(0.2, 0.2, 0.2), second = h.vertex(0.3, 0.3, 0.3), onEdge = h.vertex(0.5, 0, 0, h.crease),
          fixed = h.vertex(0.1, 0.1, 0.1);
  EN_constrain(3, fixed);
  const double to[3] = {0.25, 0.2, 0.1}, to2[3] = {0.1, 0.1, 0.4}, far[3] = {9, 9, 9};
  VertMotionsMod mod(h.m, nullptr, inner, second, const_cast<double*>(to), const_cast<double*>(to2));
  mod.insert(onEdge, far);
  mod.insert(fixed, far);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(mod.apply(), 1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "moving vertex classified on model vertex and model edge is not permitted\n");
  double x[3];
  V_coord(inner, x);
  EXPECT_EQ(x[0], 0.25);
  EXPECT_EQ(x[2], 0.1);
  V_coord(second, x);
  EXPECT_EQ(x[2], 0.4);
  V_coord(onEdge, x);
  EXPECT_EQ(x[0], 0.5);
  V_coord(fixed, x);  // constrained: skipped without a message
  EXPECT_EQ(x[0], 0.1);
}
