// Removal of a tetrahedron lying on the model boundary: the checks by the
// number of its faces on a model face, the flag angle, and what each removal
// leaves behind.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "KORA.h"
#include "RegionCollapsMod.h"
#include "mMesh.h"

using namespace KORA;

namespace {

// One tetrahedron v0 v1 v2 v3 (positive), faces in the order (0,1,2),
// (0,1,3), (1,2,3), (2,0,3). Faces flagged as boundary, and every edge and
// vertex of them, lie on the model face; the rest is inside the model region.
struct Tet {
  pMesh m = MS_newMesh(nullptr);
  pGEntity gface = m->getGEntity(1, 2), gregion = m->getGEntity(1, 3);
  pVertex v[4];
  pEdge e01, e12, e20, e03, e13, e23;
  pFace f[4];
  pRegion r;

  Tet(const double x[4][3], std::initializer_list<int> bdry) {
    bool vb[4] = {false, false, false, false};
    const int fv[4][3] = {{0, 1, 2}, {0, 1, 3}, {1, 2, 3}, {2, 0, 3}};
    bool fb[4] = {false, false, false, false};
    for (int i : bdry) {
      fb[i] = true;
      for (int k : fv[i]) vb[k] = true;
    }
    for (int i = 0; i < 4; ++i) v[i] = M_createVP(m, x[i][0], x[i][1], x[i][2], nullptr, 0, vb[i] ? gface : gregion);
    auto edge = [&](int a, int b) {
      bool on = false;
      for (int i = 0; i < 4; ++i) {
        const int* t = fv[i];
        const bool hasA = t[0] == a || t[1] == a || t[2] == a, hasB = t[0] == b || t[1] == b || t[2] == b;
        if (fb[i] && hasA && hasB) on = true;
      }
      return M_createE(m, v[a], v[b], on ? gface : gregion);
    };
    e01 = edge(0, 1), e12 = edge(1, 2), e20 = edge(2, 0), e03 = edge(0, 3), e13 = edge(1, 3), e23 = edge(2, 3);
    pEdge fe[4][3] = {{e01, e12, e20}, {e01, e13, e03}, {e12, e23, e13}, {e20, e03, e23}};
    int d[4] = {1, 1, 1, 1};
    for (int i = 0; i < 4; ++i) f[i] = M_createF(m, 3, fe[i], d, fb[i] ? gface : gregion);
    r = M_createR(m, 4, f, d, gregion);
  }
  ~Tet() { M_delete(m); }
  Tet(const Tet&) = delete;
  Tet& operator=(const Tet&) = delete;
};

// The base (0,0,0), (1,0,0), (0,1,0) in the plane z = 0 and the apex above
// (0.3, 0.3) at the height that tilts its steepest side face (the one over
// x + y = 1, 0.4 / sqrt(2) away) by the given angle in degrees.
struct Cap {
  double x[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0.3, 0.3, 0.0}};
  explicit Cap(double degrees) { x[3][2] = 0.4 / std::sqrt(2.0) * std::tan(degrees * M_PI / 180.0); }
};

int checks(RegionCollapsMod& op) { return op.topoCheck() && op.geomCheck(); }

}  // namespace

TEST(RegionCollapse, ChecksByNumberOfBoundaryFaces) {
  struct Case {
    const char* name;
    std::initializer_list<int> bdry;
    int topo;
    int cfg;
  } cases[] = {
      {"none", {}, 0, 0},
      {"four", {0, 1, 2, 3}, 0, 4},
      // The apex of the base face lies on the model face too.
      {"one, apex on the boundary", {0, 3}, 0, 1},
      {"one", {0}, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Cap cap(2.0);
    Tet t(cap.x, c.bdry);
    if (std::string(c.name) == "one, apex on the boundary") {
      // Face (2,0,3) is inner again: only the base is a boundary face.
      F_setWhatIn(t.f[3], t.gregion);
    }
    RegionCollapsMod op(t.m, nullptr, t.r);
    EXPECT_EQ(op.topoCheck(), c.topo);
    EXPECT_EQ(op.getCfg(), c.cfg);
    EXPECT_EQ(op.type(), RCOLLAPSE);
    EXPECT_EQ(op.sizeCheck(), 0);
  }
}

// With the flag angle a, the side faces must be within a degrees of the
// base's plane (parallel or opposite normals).
TEST(RegionCollapse, FlagAngleBoundsTheTilt) {
  struct Case {
    double tilt, flag;
    int accepted;
  } cases[] = {{4.9, 175.0, 1}, {5.1, 175.0, 0}, {9.9, 170.0, 1}, {10.1, 170.0, 0}, {1.0, 179.5, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "tilt " << c.tilt << " flag " << c.flag);
    Cap cap(c.tilt);
    Tet t(cap.x, {0});
    RegionCollapsMod op(t.m, nullptr, t.r, c.flag);
    EXPECT_EQ(checks(op), c.accepted);
    RegionCollapsMod byDefault(t.m, nullptr, t.r);
    byDefault.setFlagAngle(c.flag);
    EXPECT_EQ(checks(byDefault), c.accepted);
  }
}

// One boundary face: the region and the base go; the side faces, the apex's
// edges and the apex move onto the model face.
TEST(RegionCollapse, OneBoundaryFaceHandsTheApexOver) {
  Cap cap(2.0);
  Tet t(cap.x, {0});
  RegionCollapsMod op(t.m, nullptr, t.r);
  ASSERT_TRUE(checks(op));
  EXPECT_EQ(op.getBdryFace(0), t.f[0]);
  EXPECT_EQ(op.apply(), 1);
  EXPECT_EQ(op.keptVertex(), t.v[3]);
  EXPECT_EQ(M_numRegions(t.m), 0);
  EXPECT_EQ(M_numFaces(t.m), 3);
  EXPECT_EQ(M_numEdges(t.m), 6);
  for (pFace f : {t.f[1], t.f[2], t.f[3]}) EXPECT_EQ(F_whatIn(f), t.gface);
  for (pEdge e : {t.e03, t.e13, t.e23}) EXPECT_EQ(E_whatIn(e), t.gface);
  EXPECT_EQ(V_whatIn(t.v[3]), t.gface);
}

// Two boundary faces sharing an edge on the model face: the two other faces
// and their common edge take over; the shared edge goes.
TEST(RegionCollapse, TwoBoundaryFacesReclassifyTheOthers) {
  Cap cap(2.0);
  Tet t(cap.x, {0, 1});
  RegionCollapsMod op(t.m, nullptr, t.r);
  ASSERT_EQ(op.topoCheck(), 1);
  EXPECT_EQ(op.getCfg(), 2);
  EXPECT_EQ(op.apply(), 1);
  EXPECT_EQ(op.keptVertex(), nullptr);
  EXPECT_EQ(M_numRegions(t.m), 0);
  EXPECT_EQ(M_numFaces(t.m), 2);
  EXPECT_EQ(M_numEdges(t.m), 5);
  EXPECT_EQ(F_whatIn(t.f[2]), t.gface);
  EXPECT_EQ(F_whatIn(t.f[3]), t.gface);
  EXPECT_EQ(E_whatIn(t.e23), t.gface);
}

// Three boundary faces around an apex with three edges: the fourth face is
// the boundary now; the apex is left without edges for the caller.
TEST(RegionCollapse, ThreeBoundaryFacesLeaveTheApexAlone) {
  Cap cap(2.0);
  Tet t(cap.x, {1, 2, 3});
  RegionCollapsMod op(t.m, nullptr, t.r);
  ASSERT_TRUE(checks(op));
  EXPECT_EQ(op.getCfg(), 3);
  EXPECT_EQ(op.getBdryFace(3), t.f[0]);
  EXPECT_EQ(op.apply(), 1);
  EXPECT_EQ(op.keptVertex(), t.v[3]);
  EXPECT_EQ(V_numEdges(t.v[3]), 0);
  EXPECT_EQ(M_numRegions(t.m), 0);
  EXPECT_EQ(M_numFaces(t.m), 1);
  EXPECT_EQ(M_numEdges(t.m), 3);
  EXPECT_EQ(F_whatIn(t.f[0]), t.gface);
}

TEST(RegionCollapse, ThreeBoundaryFacesRefusals) {
  {
    // An apex edge inside the domain: a split and collapse would do.
    Cap cap(2.0);
    Tet t(cap.x, {1, 2, 3});
    E_setWhatIn(t.e13, t.gregion);
    RegionCollapsMod op(t.m, nullptr, t.r);
    testing::internal::CaptureStdout();
    EXPECT_EQ(op.topoCheck(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "INFO: a bdry mesh region can be deleted by Fsplit+collapse operations\n");
  }
  {
    // An apex with a fourth edge.
    Cap cap(2.0);
    Tet t(cap.x, {1, 2, 3});
    pVertex w = M_createVP(t.m, 0.3, 0.3, 1.0, nullptr, 0, t.gregion);
    M_createE(t.m, t.v[3], w, t.gregion);
    RegionCollapsMod op(t.m, nullptr, t.r);
    EXPECT_EQ(op.topoCheck(), 0);
    EXPECT_EQ(M_numRegions(t.m), 1);
  }
}

// The check of the similarity repair: with one boundary face the apex must
// lie in that face (a flat tetrahedron), within the mesh tolerance.
TEST(RegionCollapse, EvaluateWantsTheApexInTheBoundaryFace) {
  const unsigned int known = MD_newMeshDataId("rc_test_known"), params = MD_newMeshDataId("rc_test_params");
  struct Case {
    double apex[3];
    int accepted;
  } cases[] = {{{0.3, 0.3, 0.0}, 1}, {{0.3, 0.3, 1e-3}, 0}, {{0.8, 0.8, 0.0}, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "apex " << c.apex[0] << " " << c.apex[1] << " " << c.apex[2]);
    double x[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {c.apex[0], c.apex[1], c.apex[2]}};
    Tet t(x, {0});
    RegionCollapsMod op(t.m, nullptr, t.r);
    EXPECT_EQ(op.evaluate(known, params), c.accepted);
    EXPECT_EQ(op.getCfg(), 1);
  }
  MD_deleteMeshDataId(known);
  MD_deleteMeshDataId(params);
}
