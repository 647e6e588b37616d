// Vector algebra, entity geometry, the error handler, marks and constraints.
#include <gtest/gtest.h>

#include <cmath>

#include "MT_error.h"
#include "MT_mark.h"
#include "MT_vector.h"
#include "mt_fixtures.h"

using namespace mttest;

TEST(MeshToolsVector, ComparisonsAndTolerance) {
  EXPECT_EQ(C_equal(0, 1e-15), 1);
  EXPECT_EQ(C_equal(1, 1 + 1e-15), 0);
  EXPECT_EQ(C_equal(0, 0), 1);
  EXPECT_EQ(sameSign(0, -3), 1);
  EXPECT_EQ(sameSign(0, 3), 1);
  EXPECT_EQ(sameSign(-1, 3), 0);
  EXPECT_EQ(M_getTolerance(), 1e-14);
  EXPECT_EQ(M_getTolerance(), 1e-14);
}

TEST(MeshToolsVector, UnitTetrahedronOnRawCoordinates) {
  double x[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  EXPECT_DOUBLE_EQ(XYZ_volume(x), 1.0 / 6.0);
  EXPECT_EQ(XYZ_checkFlat(x), 0);
  double s[6];
  XYZ_dhdAngs(x, s);
  const double want[6] = {0, 1.0 / 3, 0, 0, 1.0 / 3, 1.0 / 3};
  for (int k = 0; k < 6; ++k) EXPECT_NEAR(s[k], want[k], 1e-15) << k;
  double shape;
  EXPECT_EQ(XYZ_shape(x, &shape), 1);
  EXPECT_DOUBLE_EQ(shape, 1.0 / 216.0);
  // Two vertices exchanged: inverted.
  double y[4][3] = {{1, 0, 0}, {0, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  EXPECT_DOUBLE_EQ(XYZ_volume(y), -1.0 / 6.0);
  EXPECT_EQ(XYZ_checkFlat(y), 1);
  EXPECT_EQ(XYZ_shape(y, &shape), 0);
  EXPECT_DOUBLE_EQ(shape, -1.0);
  // A flat tetrahedron.
  double z[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0.3, 0.3, 0}};
  EXPECT_EQ(XYZ_checkFlat(z), 1);
}

TEST(MeshToolsVector, DistancesToLineAndPlane) {
  const double p[3] = {0, 1, 0}, a[3] = {0, 0, 0}, b[3] = {2, 0, 0};
  const double up[3] = {0, 0, 1}, down[3] = {0, 0, -1};
  EXPECT_DOUBLE_EQ(P_distToLine(p, a, b, nullptr), 1.0);
  EXPECT_DOUBLE_EQ(P_distToLine(p, a, b, up), 1.0);
  EXPECT_DOUBLE_EQ(P_distToLine(p, a, b, down), -1.0);
  const double tri[3][3] = {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}};
  const double q[3] = {1, 1, 3};
  double proj[3], n[3], d;
  P_projOnTriPlane(tri, q, proj, n, &d);
  EXPECT_DOUBLE_EQ(d, 3.0);
  EXPECT_DOUBLE_EQ(proj[2], 0.0);
  double nn;
  EXPECT_DOUBLE_EQ(P_distToPlane(q, tri[0], tri[1], tri[2], &nn), 12.0);
  EXPECT_DOUBLE_EQ(nn, 16.0);
}

TEST(MeshToolsGeometry, UnitTetrahedronMeasures) {
  UnitTet t;
  EXPECT_DOUBLE_EQ(R_volume(t.r), 1.0 / 6.0);
  EXPECT_EQ(R_checkFlat(t.r), 0);
  EXPECT_DOUBLE_EQ(E_length(t.m->getEdge(V(t.p[1]), V(t.p[2]))), 2.0);
  double cs, cl;
  R_dihedral(t.r, &cs, &cl);
  EXPECT_NEAR(cs, std::sqrt(1.0 / 3.0), 1e-15);
  EXPECT_NEAR(cl, 0.0, 1e-15);
  EXPECT_NEAR(R_edgLenRatio(t.r), std::sqrt(2.0), 1e-15);
  EXPECT_NEAR(R_aspectRatio(t.r), std::sqrt(6.0), 1e-14);
  // Circumcentre (1/2,1/2,1/2); inradius 3V / area = 0.5 / (1.5 + sqrt(3)/2).
  EXPECT_NEAR(R_circumRad(t.r), std::sqrt(0.75), 1e-15);
  EXPECT_NEAR(R_inscrRad(t.r), 0.5 / (1.5 + std::sqrt(3.0) / 2), 1e-15);
  double shape;
  EXPECT_EQ(R_shape(t.r, &shape), 1);
  EXPECT_DOUBLE_EQ(shape, 1.0 / 216.0);
}

TEST(MeshToolsGeometry, RegularTetrahedronRatesOne) {
  MeshHolder h;
  const double s = 1 / std::sqrt(2.0);
  pVertex a = h.vertex(1, 0, -s), b = h.vertex(-1, 0, -s), c = h.vertex(0, 1, s), d = h.vertex(0, -1, s);
  pRegion r = h.tet(a, b, c, d);
  h.finish();
  EXPECT_NEAR(R_rbyR(r), 1.0, 1e-14);
  double cs, cl;
  R_dihedral(r, &cs, &cl);
  EXPECT_NEAR(cs, 1.0 / 3.0, 1e-14);
  EXPECT_NEAR(cl, 1.0 / 3.0, 1e-14);
}

TEST(MeshToolsGeometry, DihedralAndNormal) {
  const double r[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  EXPECT_NEAR(E_dihedral(r), 0.0, 1e-15);
  const double same[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 1, 0}};
  EXPECT_DOUBLE_EQ(E_dihedral(same), 1.0);
  const double open[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
  EXPECT_DOUBLE_EQ(E_dihedral(open), -1.0);
  const double dup[4][3] = {{0, 0, 0}, {0, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  EXPECT_DOUBLE_EQ(E_dihedral(dup), -1.0);

  MeshHolder h;
  pVertex a = h.vertex(0, 0, 0), b = h.vertex(1, 0, 0), c = h.vertex(0, 1, 0);
  pFace f = h.m->createFaceWithVertices(V(a), V(b), V(c), h.face);
  for (int dir : {0, 1}) {
    double n[3];
    F_normalVector(f, dir, n);
    EXPECT_DOUBLE_EQ(n[0], 0);
    EXPECT_DOUBLE_EQ(n[1], 0);
    EXPECT_DOUBLE_EQ(n[2], 1);
  }
}

// The error handler keeps its last text for the whole process: each test
// starts with a text of its own so that the previous one is not repeated.
TEST(MeshToolsErrorHandler, TextsOfEachLevel) {
  struct Case {
    int level;
    const char* msg;
    const char* want;
  } cases[] = {
      {3000, "first", "*** Warning:\n\tfunc: first\n"},
      {3001, "second", "***** Error:\n\tfunc: second\n"},
      {0, "Invalid mark ID", "MT_freeMarkID: Invalid mark ID\n"},
      {42, "third", "func: third\n"},
  };
  for (const Case& c : cases) {
    testing::internal::CaptureStderr();
    ErrorHandler(c.msg, std::string(c.msg) == "Invalid mark ID" ? "MT_freeMarkID" : "func", c.level);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.want);
  }
}

TEST(MeshToolsErrorHandler, RepeatIsPrintedOnce) {
  testing::internal::CaptureStderr();
  ErrorHandler("same text", "f", 3000);
  ErrorHandler("same text", "g", 3001);
  ErrorHandler("other text", "f", 3000);
  ErrorHandler("same text", "f", 3000);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "*** Warning:\n\tf: same text\n*** Warning:\n\tf: other text\n*** Warning:\n\tf: same text\n");
}

TEST(MeshToolsErrorHandlerDeathTest, FatalEvenWhenRepeated) {
  EXPECT_EXIT(ErrorHandler("boom", "f", 3002), testing::ExitedWithCode(2), "^Fatal Error:\n\tf: boom\n$");
  EXPECT_EXIT(
      {
        ErrorHandler("again", "f", 3000);
        ErrorHandler("again", "f", 3002);
      },
      testing::ExitedWithCode(2), "Fatal Error:\n\tf: again\n$");
}

TEST(MeshToolsErrorHandler, InitLogsToStandardErrorOrFile) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(MT_init(nullptr), 1);
  MT_exit();
  const std::string out = testing::internal::GetCapturedStderr();
  EXPECT_EQ(out.rfind("Date & time : ", 0), 0u);
  EXPECT_NE(out.find("\nTotal elapsed time: "), std::string::npos);
  testing::internal::CaptureStderr();
  EXPECT_EQ(MT_init("/nonexistent-dir/log.txt"), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "could not open file.\n");
}

TEST(MeshToolsMarksDeathTest, SeventhMarkIdIsFatal) {
  EXPECT_EXIT(
      {
        for (int i = 0; i < 7; ++i) MT_getMarkID();
      },
      testing::ExitedWithCode(2), "^Fatal Error:\n\tMT_getMarkId: Out of marks\n$");
}

TEST(MeshToolsMarks, IdsBitsAndLists) {
  UnitTet t;
  int ids[6];
  for (int& id : ids) id = MT_getMarkID();
  for (int i = 0; i < 6; ++i) EXPECT_EQ(ids[i], i + 1);
  MT_freeMarkID(3);
  EXPECT_EQ(MT_getMarkID(), 3);
  MT_setMark(t.p[0], 3);
  EXPECT_EQ(MT_isMarked(t.p[0], 3), 4);
  EXPECT_EQ(MT_isMarked(t.p[0], 2), 0);
  pPList l = R_vertices(t.r);
  MT_setMarkList(l, 5);
  for (int i = 0; i < 4; ++i) EXPECT_NE(MT_isMarked(t.p[i], 5), 0);
  MT_unMarkList(l, 5);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(MT_isMarked(t.p[i], 5), 0);
  PList_delete(l);
  EXPECT_NE(MT_isMarked(t.p[0], 3), 0);
  // Constraint bits live apart from mark bits, even after a run was started.
  testing::internal::CaptureStderr();
  MT_init(nullptr);
  testing::internal::GetCapturedStderr();
  EN_constrain(0, t.p[1]);
  EXPECT_EQ(MT_isMarked(t.p[1], 1), 0);
  EXPECT_EQ(EN_okTo(0, t.p[1]), 0);
  MT_setMark(t.p[2], 2);
  EXPECT_EQ(EN_okTo(1, t.p[2]), 1);
  testing::internal::CaptureStderr();
  MT_freeMarkID(0);
  MT_freeMarkID(7);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "*** Warning:\n\tMT_freeMarkID: Invalid mark ID\n");
  for (int id = 1; id <= 6; ++id) MT_freeMarkID(id);
}

TEST(MeshToolsConstraints, EntityModelAndGlobal) {
  UnitTet t;
  pGEntity g = t.m->getGEntity(7, 2);
  pEntity onG = t.p[0];
  V_setWhatIn(onG, g);
  pEntity edgeOnG = t.m->getEdge(V(t.p[0]), V(t.p[1]));
  E_setWhatIn(edgeOnG, g);
  E_setWhatIn(t.m->getEdge(V(t.p[2]), V(t.p[3])), t.m->getGEntity(7, 1));
  for (int op = 0; op < 5; ++op) {
    EXPECT_EQ(EN_okTo(op, t.r), 1);
    EXPECT_EQ(EN_okTo(op, nullptr), 1);
  }
  GEN_constrain(4, g);
  EXPECT_EQ(EN_okTo(4, onG), 0);
  EXPECT_EQ(EN_okTo(4, edgeOnG), 0);
  EXPECT_EQ(EN_okTo(4, t.m->getEdge(V(t.p[2]), V(t.p[3]))), 1);
  EXPECT_EQ(EN_okTo(3, onG), 1);
  EXPECT_EQ(GEN_okTo(4, g), 0);
  EN_constrainAll(t.p[3]);
  for (int op = 0; op < 5; ++op) EXPECT_EQ(EN_okTo(op, t.p[3]), 0);
  // Global constraints are process-wide: kept for the last check.
  EN_constrain(2, nullptr);
  EXPECT_EQ(EN_okTo(2, t.r), 0);
  EXPECT_EQ(EN_okTo(2, nullptr), 0);
  EXPECT_EQ(EN_okTo(1, t.r), 1);
  EXPECT_EQ(GEN_okTo(2, nullptr), 1);
}
