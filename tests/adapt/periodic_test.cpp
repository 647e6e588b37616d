// Model parameters on a periodic model, the closed cylinder of
// cylinder_model.h: middle points of edges across the seam, the similarity
// of boundary faces with the model, the periodic span check of swaps, the
// half-period ambiguity and the bound on the bisections, and the repair of
// a dissimilar face by a surface collapse that the mesh interface cannot
// make.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "AdaptUtil.h"
#include "MT_modify.h"
#include "MT_topology.h"
#include "ParamsOnGFace.h"
#include "adapt_fixtures.h"
#include "cylinder_model.h"
#include "fromMeshTools.h"
#include "snapVertices.h"
#include "snap_model.h"
#include "templatesUtil.h"

using namespace cyltest;

namespace {

using C = CylinderModel;

double dist(const double* a, const double* b) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); }

TEST(CylinderModel, MeshIsAConformingInscribedPrismOnTheModel) {
  for (int n : {3, 8}) {
    CylinderModel c(n, 2);
    EXPECT_EQ(M_numVertices(c.m), 3 * (n + 1));
    EXPECT_EQ(M_numRegions(c.m), 3 * n * 2);
    // The inscribed n-gon prism: n triangles of area R^2 sin(2 pi / n) / 2, height H.
    EXPECT_NEAR(snaptest::expectConformingPositive(c.m), 0.5 * n * std::sin(twoPi / n) * c.H, 1e-12);
    int boundary = 0, seam = 0;
    FIter fit = M_faceIter(c.m);
    while (pFace f = FIter_next(fit)) boundary += F_whatInType(f) == 2;
    FIter_delete(fit);
    EXPECT_EQ(boundary, 2 * n * 2 + 2 * n);
    // Every vertex on a model face lies at its parameters' point, and a
    // vertex on the seam or its model vertices has u = 0 on the lateral face.
    VIter vit = M_vertexIter(c.m);
    while (pVertex v = VIter_next(vit)) {
      double x[3];
      V_coord(v, x);
      for (int fi : {C::kLateral, C::kBottom, C::kTop}) {
        pGEntity g = c.g[fi];
        if (V_whatInType(v) == 3 || !GEN_inClosure(g, V_whatIn(v))) continue;
        double par[3], y[3];
        ASSERT_EQ(AdaptUtil::V_reparamOnGFace(v, g, par), 1);
        GF_point(g, par, y);
        EXPECT_LT(dist(x, y), 1e-14);
        if (fi == C::kLateral && std::fabs(x[1]) < 1e-14 && x[0] > 0) {
          EXPECT_EQ(par[0], 0.0);
          ++seam;
        }
      }
    }
    VIter_delete(vit);
    EXPECT_EQ(seam, 3);  // the bottom model vertex, the seam vertex, the top model vertex
  }
}

// The model point halfway between two boundary points, worked out from the
// geometry alone: on a disc the chord's middle (the disc edges are radial),
// elsewhere the point of the cylinder at the bisecting angle and mid height.
void expectedMiddle(const CylinderModel& c, pGEntity g, const double* a, const double* b, double* out) {
  if (c.isDisc(g)) {
    for (int k = 0; k < 3; ++k) out[k] = 0.5 * (a[k] + b[k]);
    return;
  }
  const double phi = std::atan2(a[1] + b[1], a[0] + b[0]);
  out[0] = c.R * std::cos(phi), out[1] = c.R * std::sin(phi), out[2] = 0.5 * (a[2] + b[2]);
}

TEST(PeriodicMiddlePoint, EveryBoundaryEdgeSplitsAtItsModelMiddle) {
  // Also on a model whose faces are not flagged periodic: the seam counts of
  // the ends then tell that an edge touching the seam crosses it.
  for (bool flagged : {true, false}) {
    SCOPED_TRACE(flagged);
    CylinderModel c(8, 2);
    if (!flagged) c.services.facePeriodic = [](pGFace, int) { return 0; };
    int checked = 0, degenerate = 0;
    EIter it = M_edgeIter(c.m);
    while (pEdge e = EIter_next(it)) {
      if (E_whatInType(e) == 3) continue;
      double a[3], b[3], x[3], par[3], want[3];
      V_coord(E_vertex(e, 0), a);
      V_coord(E_vertex(e, 1), b);
      testing::internal::CaptureStdout();
      const int r = templatesUtil::middlePoint(e, x, par);
      const std::string said = testing::internal::GetCapturedStdout();
      if (!said.empty()) {
        EXPECT_EQ(said, "...MiddlePoint - Degeneracy detected\n");
        ++degenerate;
      }
      EXPECT_EQ(r, E_whatInType(e) == 1 ? 1 : 2);
      expectedMiddle(c, E_whatIn(e), a, b, want);
      EXPECT_LT(dist(x, want), 1e-13) << "edge on model entity " << c.index(E_whatIn(e));
      EXPECT_NEAR(dist(x, a), dist(x, b), 1e-13);
      ++checked;
    }
    EIter_delete(it);
    // Lateral: 8 per ring at each height (24, on the circles and on the
    // lateral face), 8 upright edges per layer (2 on the seam) and one
    // diagonal per quadrilateral (16); discs: 8 spokes each.
    EXPECT_EQ(checked, 24 + 16 + 16 + 16);
    EXPECT_EQ(degenerate, 16);  // every spoke ends at a disc centre
  }
}

TEST(PeriodicMiddlePoint, PeriodTestFromSeamCounts) {
  CylinderModel c(8, 2);
  pGEntity lateral = c.g[C::kLateral];
  double range[2][2] = {{0.0, twoPi}, {0.0, c.H}};
  struct Case {
    const char* what;
    int seam[2], code[2], k;
    double uv[2][3];
    int result;
  };
  const Case cases[] = {
      {"periodic direction", {0, 0}, {2, 2}, 0, {{1, 1, 0}, {2, 1, 0}}, 1},
      {"no end on a seam", {0, 0}, {2, 2}, 1, {{1, 1, 0}, {2, 1, 0}}, 0},
      {"both ends on a seam", {1, 1}, {1, 1}, 1, {{0, 0.5, 0}, {0, 1.5, 0}}, 1},
      {"an end where two seams meet", {2, 0}, {0, 2}, 1, {{0, 0, 0}, {1, 1, 0}}, 1},
      // Along v the seam's points are not at the range's ends...
      {"seam point inside the range", {1, 0}, {1, 2}, 1, {{0, 0.5, 0}, {1, 1, 0}}, 0},
      {"seam point at the range's end", {1, 0}, {1, 2}, 1, {{0, 0, 0}, {1, 1, 0}}, 1},
      // ...and the model vertex (R, 0, 0) is not (R, 0, H).
      {"model vertex at the foot", {0, 1}, {2, 0}, 1, {{1, 1, 0}, {0, 0, 0}}, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    int seam[2] = {k.seam[0], k.seam[1]}, code[2] = {k.code[0], k.code[1]};
    double uv[2][3] = {{k.uv[0][0], k.uv[0][1], 0}, {k.uv[1][0], k.uv[1][1], 0}};
    EXPECT_EQ(templatesUtil::ifAddPeriod(lateral, seam, code, k.k, uv, range), k.result);
  }
  // Not flagged periodic, the seam itself decides along u: a seam point at
  // u = 0, and the model vertex whose point is the same at u = 2 pi.
  c.services.facePeriodic = [](pGFace, int) { return 0; };
  double uv[2][3] = {{0, 0.5, 0}, {1, 1, 0}};
  int seam[2] = {1, 0}, onEdge[2] = {1, 2}, onVertex[2] = {0, 2};
  EXPECT_EQ(templatesUtil::ifAddPeriod(lateral, seam, onEdge, 0, uv, range), 1);
  uv[0][1] = 0.0;
  EXPECT_EQ(templatesUtil::ifAddPeriod(lateral, seam, onVertex, 0, uv, range), 1);
  // A seam count on an end inside the face is a fault of the caller: told,
  // and undecided.
  int inside[2] = {2, 2};
  testing::internal::CaptureStderr();
  EXPECT_EQ(templatesUtil::ifAddPeriod(lateral, seam, inside, 0, uv, range), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "ifAddPeriod: pb!\n");
}

TEST(PeriodicMiddlePoint, HandWorkedCasesAcrossTheSeam) {
  CylinderModel c(8, 2);  // R = 1, H = 2, ring points every pi / 4
  // Free vertices on the lateral face for edges the mesh does not have.
  pVertex a = c.addVertex(C::kLateral, 0.3, 0.5), b = c.addVertex(C::kLateral, twoPi - 0.5, 1.5),
          d = c.addVertex(C::kLateral, twoPi - 0.1, 1.5);
  struct Case {
    const char* what;
    pEdge e;
    int entity, result;
    double angle, height, par0;
  };
  const Case cases[] = {
      // From 7 pi / 4 to the seam (u = 0): 15 pi / 8, not the opposite side 7 pi / 8.
      {"lateral ring edge onto the seam", E_exists(c.ringVertex(1, 7), c.ringVertex(1, 0)), C::kLateral, 2,
       15 * M_PI / 8, 1.0, 15 * M_PI / 8},
      {"bottom circle onto its model vertex", E_exists(c.ringVertex(0, 7), c.ringVertex(0, 0)), C::kCircleB, 1,
       15 * M_PI / 8, 0.0, 15 * M_PI / 8},
      {"top circle onto its model vertex", E_exists(c.ringVertex(2, 7), c.ringVertex(2, 0)), C::kCircleT, 1,
       15 * M_PI / 8, 2.0, 15 * M_PI / 8},
      {"from the seam the short way", E_exists(c.ringVertex(1, 0), c.ringVertex(1, 1)), C::kLateral, 2, M_PI / 8,
       1.0, M_PI / 8},
      // Mean 0.05 + pi, a half period on: 2 pi + 0.05, which wraps to 0.05...
      {"mean wrapped past the period", c.edge(a, d, c.g[C::kLateral]), C::kLateral, 2, 0.1, 1.0, 0.1},
      // ...and here pi - 0.1 + pi = 2 pi - 0.1, within the range.
      {"mean a half period on", c.edge(a, b, c.g[C::kLateral]), C::kLateral, 2, -0.1, 1.0, twoPi - 0.1},
      // Along the seam, a model edge that is neither periodic nor closed.
      {"on the seam", E_exists(c.ringVertex(0, 0), c.ringVertex(1, 0)), C::kSeam, 1, 0.0, 0.5, 0.5},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    ASSERT_NE(k.e, nullptr);
    ASSERT_EQ(E_whatIn(k.e), c.g[k.entity]);
    double x[3], par[3];
    EXPECT_EQ(templatesUtil::middlePoint(k.e, x, par), k.result);
    EXPECT_NEAR(x[0], std::cos(k.angle), 1e-14);
    EXPECT_NEAR(x[1], std::sin(k.angle), 1e-14);
    EXPECT_NEAR(x[2], k.height, 1e-14);
    EXPECT_NEAR(par[0], k.par0, 1e-14);
    if (k.result == 2) {
      EXPECT_NEAR(par[1], k.height, 1e-14);
    }
  }
  // Spokes of the bottom disc, the centre first or last: the centre's u
  // means nothing and is taken from the rim end; the radius halves.
  for (int centreLast = 0; centreLast < 2; ++centreLast) {
    SCOPED_TRACE(centreLast);
    pVertex o = c.addVertex(C::kBottom, 0.0, 0.0), p = c.addVertex(C::kBottom, twoPi - 0.3, 1.0);
    pEdge e = centreLast ? c.edge(p, o, c.g[C::kBottom]) : c.edge(o, p, c.g[C::kBottom]);
    double x[3], par[3];
    testing::internal::CaptureStdout();
    EXPECT_EQ(templatesUtil::middlePoint(e, x, par), 2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "...MiddlePoint - Degeneracy detected\n");
    adapttest::expectVec(x, 0.5 * std::cos(0.3), -0.5 * std::sin(0.3), 0.0);
    EXPECT_NEAR(par[0], twoPi - 0.3, 1e-14);
    EXPECT_NEAR(par[1], 0.5, 1e-14);
  }
}

TEST(PeriodicMiddlePoint, HalfAPeriodApartIsAmbiguous) {
  CylinderModel c(8, 2);
  pVertex a = c.addVertex(C::kLateral, 0.5, 0.5), b = c.addVertex(C::kLateral, 0.5 + M_PI, 1.5);
  struct Case {
    const char* what;
    pEdge e;
  };
  const Case cases[] = {
      {"lateral face", c.edge(a, b, c.g[C::kLateral])},
      // From the model vertex (t = 0) to t = pi along the bottom circle.
      {"circle", c.edge(c.ringVertex(0, 0), c.ringVertex(0, 4), c.g[C::kCircleB])},
      // A diameter of the disc: both half-period choices lie on the rim, the
      // middle is the centre; the caller falls back to the closest point.
      {"disc diameter", c.edge(c.ringVertex(0, 2), c.ringVertex(0, 6), c.g[C::kBottom])},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    double x[3] = {7, 7, 7}, par[3] = {7, 7, 7};
    testing::internal::CaptureStderr();
    EXPECT_EQ(templatesUtil::middlePoint(k.e, x, par), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Half period par difference: coloring info needed !\n");
    EXPECT_EQ(x[0], 7);  // nothing was computed
  }
}

TEST(PeriodicMiddlePoint, BisectionsThatNeverSettleStopAtTheirBound) {
  CylinderModel c(8, 2);
  // An edge from the seam's foot (t = 0) to t = 1, its second end lying far
  // off the model at (1, 0, 10): every point of the seam between them is
  // nearer the first end by far, so the closer end moves up forever; the
  // bisection stops at its bound with its last point, the seam at t = 1
  // (t = 1 - 2^-n rounds to 1 after 53 halvings).
  {
    double t[2] = {0.0, 1.0}, xyz[2][3] = {{1, 0, 0}, {1, 0, 10}}, range[2] = {0.0, c.H}, out[3], par = -1;
    EXPECT_EQ(templatesUtil::bisectParam1(t, xyz, c.g[C::kSeam], range, out, &par, 1e-8), 1);
    EXPECT_EQ(par, 1.0);
    adapttest::expectVec(out, 1, 0, 1, 0);
  }
  // The same on the lateral face from (0.5, 0) towards (1, 0), the second
  // end far above the model.
  {
    double uv[2][3] = {{0.5, 0, 0}, {1.0, 0, 0}}, xyz[2][3] = {{std::cos(0.5), std::sin(0.5), 0}, {0, 0, 100}};
    int seam[2] = {0, 0}, code[2] = {2, 2};
    double range[2][2] = {{0.0, twoPi}, {0.0, c.H}}, out[3], par[3] = {-1, -1, -1};
    EXPECT_EQ(templatesUtil::bisectParam2(uv, xyz, c.g[C::kLateral], seam, code, range, -1, out, par, 1e-8), 2);
    EXPECT_EQ(par[0], 1.0);
    EXPECT_EQ(par[1], 0.0);
    adapttest::expectVec(out, std::cos(1.0), std::sin(1.0), 0, 0);
  }
}

// The similarity of a triangle of three new vertices (list form) and of the
// face made of them (cached form).
int similarity(CylinderModel& c, pVertex a, pVertex b, pVertex d, pGEntity g) {
  pPList l = PList_new();
  PList_append(l, a);
  PList_append(l, b);
  PList_append(l, d);
  const int listed = AdaptUtil::F_checkGeoSim(&l, g);
  PList_delete(l);
  const unsigned int tag = MD_newMeshDataId("periodic_test_params");
  pFace f = c.face(a, b, d, g);
  const int cached = AdaptUtil::F_checkGeoSim(f, tag);
  EXPECT_EQ(cached, listed);
  for (pVertex v : {a, b, d}) {
    void* p = nullptr;
    if (EN_getDataPtr(v, tag, &p)) delete static_cast<ParamsOnGFace*>(p);
    EN_deleteData(v, tag);
  }
  MD_deleteMeshDataId(tag);
  return listed;
}

TEST(PeriodicSimilarity, TheMeshIsSimilarAcrossTheSeamAndAWideFaceIsReported) {
  for (int n : {3, 8}) {
    CylinderModel c(n, 2);
    const unsigned int tag = MD_newMeshDataId("periodic_test_cache");
    int faces = 0;
    FIter it = M_faceIter(c.m);
    while (pFace f = FIter_next(it)) {
      if (F_whatInType(f) != 2) continue;
      EXPECT_EQ(AdaptUtil::F_checkGeoSim(f, tag), 1) << "face on model entity " << c.index(F_whatIn(f));
      ++faces;
    }
    FIter_delete(it);
    EXPECT_EQ(faces, 6 * n);
    // The model vertex at the seam's foot lies on the lateral face and the
    // bottom disc: its record keeps its parameters on both.
    void* rec = nullptr;
    ASSERT_EQ(EN_getDataPtr(c.ringVertex(0, 0), tag, &rec), 1);
    EXPECT_EQ(static_cast<ParamsOnGFace*>(rec)->size(), 2);
    VIter vit = M_vertexIter(c.m);
    while (pVertex v = VIter_next(vit)) {
      void* p = nullptr;
      if (EN_getDataPtr(v, tag, &p)) delete static_cast<ParamsOnGFace*>(p);
      EN_deleteData(v, tag);
    }
    VIter_delete(vit);
    MD_deleteMeshDataId(tag);

    // Counter-clockwise in (u, v) but 0.6 of a period wide: the repair brings
    // the first corner a period on, (2 pi + 0.1, 0), (0.1 + 0.6 P, 0),
    // (0.1 + 0.3 P + P, 2), which runs clockwise: reported.
    const double P = twoPi;
    pVertex a = c.addVertex(C::kLateral, 0.1, 0.0), b = c.addVertex(C::kLateral, 0.1 + 0.6 * P, 0.0),
            d = c.addVertex(C::kLateral, 0.1 + 0.3 * P, c.H);
    pFace wide = c.face(a, b, d, c.g[C::kLateral]);
    testing::internal::CaptureStdout();
    AdaptUtil::M_checkGeoSim(c.m);
    std::ostringstream want;
    want << "face " << static_cast<const void*>(wide)
         << " has flipped normal or more than half period parametric span\n";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), want.str());
  }
}

TEST(PeriodicSimilarity, CornerAtADiscCentreWhateverItsNeighboursOrder) {
  CylinderModel c(8, 2);
  pGEntity bottom = c.g[C::kBottom];
  // The bottom disc runs with its outward normal -z: (centre, p, q) below is
  // clockwise seen from above, similar. Its corners straddle the line u = 0
  // at different radii, so the centre's u (meaningless there) matters: it
  // must be rebuilt between them, near u = 0, not on the opposite side.
  struct Case {
    double up, vp, uq, vq;
    int result;
  };
  const Case cases[] = {
      {0.2, 1.0, twoPi - 0.2, 0.5, 1},   // the corner after the centre below the other
      {0.2, 0.5, twoPi - 0.2, 1.0, 1},   // the other radii
      {twoPi - 0.2, 1.0, 0.2, 0.5, -1},  // reversed: flipped
      {0.5, 1.0, 0.1, 0.5, 1},           // away from u = 0
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.up);
    pVertex o = c.addVertex(C::kBottom, 0.0, 0.0), p = c.addVertex(C::kBottom, k.up, k.vp),
            q = c.addVertex(C::kBottom, k.uq, k.vq);
    // The same answer whichever corner comes first.
    EXPECT_EQ(similarity(c, o, p, q, bottom), k.result);
    EXPECT_EQ(similarity(c, p, q, o, bottom), k.result);
    EXPECT_EQ(similarity(c, q, o, p, bottom), k.result);
  }
}

TEST(PeriodicSimilarity, RepairOfParameterRows) {
  CylinderModel c(8, 2);
  const double P = twoPi;
  // Periodic in u: the rows (0.95, 0.1), (0.05, 0.1), (0.9, 0.2) of a
  // period become (0.95, 0.1), (1.05, 0.1), (0.9, 0.2).
  double rows[3][3] = {{0.95 * P, 0.1, 0}, {0.05 * P, 0.1, 0}, {0.9 * P, 0.2, 0}};
  EXPECT_EQ(AdaptUtil::F_fixPeriodicParams(c.g[C::kLateral], 1e-8, rows), 1);
  EXPECT_NEAR(rows[0][0], 0.95 * P, 1e-14);
  EXPECT_NEAR(rows[1][0], 1.05 * P, 1e-14);
  EXPECT_NEAR(rows[2][0], 0.9 * P, 1e-14);
  // At a disc centre (degenerate in v) u is the mean of the others, taken
  // across the line u = 0 when they lie on both sides of it, in either order.
  for (int order = 0; order < 2; ++order) {
    double disc[3][3] = {{3.0, 0, 0}, {0.2, 1, 0}, {P - 0.4, 1, 0}};
    if (order) std::swap(disc[1], disc[2]);
    AdaptUtil::F_fixPeriodicParams(c.g[C::kBottom], 1e-8, disc);
    EXPECT_NEAR(std::remainder(disc[0][0], P), -0.1, 1e-14) << order;
  }
  // A direction that is not periodic is never shifted by its range.
  c.services.facePeriodic = [](pGFace, int) { return 0; };
  double flat[3][3] = {{3.0, 0, 0}, {P - 0.4, 1, 0}, {0.2, 1, 0}};
  AdaptUtil::F_fixPeriodicParams(c.g[C::kBottom], 1e-8, flat);
  EXPECT_NEAR(flat[0][0], 0.5 * P - 0.1, 1e-14);
  EXPECT_NEAR(flat[1][0], P - 0.4, 1e-14);
  EXPECT_NEAR(flat[2][0], 0.2, 1e-14);
}

TEST(PeriodicSwap, SpanCheckAcrossTheSeam) {
  // Four ring points: an upright lateral edge has its opposite corners half
  // a period apart (refused), across the seam as well; every other lateral
  // edge has them a quarter (or, across the seam, three quarters) apart.
  // Eight: a quarter of a period (or three quarters) at most.
  for (int n : {4, 8}) {
    CylinderModel c(n, 2);
    int refused = 0;
    EIter it = M_edgeIter(c.m);
    while (pEdge e = EIter_next(it)) {
      if (E_whatInType(e) == 3) continue;
      double a[3], b[3];
      V_coord(E_vertex(e, 0), a);
      V_coord(E_vertex(e, 1), b);
      const bool upright = std::fabs(a[0] - b[0]) + std::fabs(a[1] - b[1]) < 1e-12;
      const bool spoke = c.isDisc(E_whatIn(e));
      const int want = n == 4 && ((upright && E_whatIn(e) == c.g[C::kLateral]) || spoke) ? 0 : 1;
      EXPECT_EQ(AdaptUtil::E_swpCheckPer(e), want);
      refused += want == 0;
    }
    EIter_delete(it);
    // Upright: rings 1, 2, 3 in both layers; and the eight spokes of the
    // discs, whose opposite corners are a half turn apart as well.
    EXPECT_EQ(refused, n == 4 ? 6 + 8 : 0);
  }
}

TEST(PeriodicSwap, EvaluationOfTheDiagonalAcrossTheSeam) {
  CylinderModel c(8, 2);
  // The quadrilateral of the first layer between the angles 7 pi / 4 and the
  // seam is a rectangle, a chord w = 2 sin(pi / 8) wide and 1 high: either
  // diagonal cuts it into two right triangles with largest cosine
  // 1 / sqrt(1 + w^2) = 1 / sqrt(3 - sqrt 2). Each triangle has two corners
  // at one angle and one at the other, its normal on the bisector: against
  // the sum N of the model normals at its corners, cos^2 =
  // 9 cos^2(pi / 8) / |N|^2 with |N|^2 = 5 + 2 sqrt 2.
  // The swap is judged on a surface mesh: the rectangle's two triangles on
  // their own, outward.
  pVertex foot = c.addVertex(C::kVertexB, 0.0), low = c.addVertex(C::kCircleB, 1.75 * M_PI),
          seam = c.addVertex(C::kSeam, 1.0), high = c.addVertex(C::kLateral, 1.75 * M_PI, 1.0);
  pGEntity lateral = c.g[C::kLateral];
  c.face(low, foot, seam, lateral);
  c.face(low, seam, high, lateral);
  pEdge diagonal = E_exists(low, seam);
  ASSERT_EQ(E_numFaces(diagonal), 2);
  const double maxCos = 1.0 / std::sqrt(3.0 - std::sqrt(2.0));
  const double ori = 9.0 * std::pow(std::cos(M_PI / 8), 2) / (5.0 + 2.0 * std::sqrt(2.0));
  double mc = 0, mo = 0;
  AdaptUtil::E_swpGetOriAngles(diagonal, &mc, &mo);
  EXPECT_NEAR(mc, maxCos, 1e-14);
  EXPECT_NEAR(mo, ori, 1e-14);
  pPList none = PList_new();
  mc = mo = 0;
  EXPECT_EQ(fromMeshTools::E_evalSwpOnGFace(diagonal, lateral, none, &mc, &mo), 1);
  EXPECT_NEAR(mc, maxCos, 1e-14);
  EXPECT_NEAR(mo, ori, 1e-14);
  PList_delete(none);
}

TEST(PeriodicSwap, ADiscCentreDoesNotCountInTheSpan) {
  CylinderModel c(8, 2);
  pGEntity bottom = c.g[C::kBottom];
  // The chord r0 r2 of a quadrilateral (centre or inner point, r0, r1, r2)
  // on the bottom disc; the opposite corners are the inner point and r1 at
  // u = pi. At the centre u means nothing and the span is not judged; from
  // (0, 0.5) they are half a period apart.
  for (double inner : {0.0, 0.5}) {
    pVertex o = c.addVertex(C::kBottom, 0.0, inner), r0 = c.addVertex(C::kBottom, 0.75 * M_PI, 1.0),
            r1 = c.addVertex(C::kBottom, M_PI, 1.0), r2 = c.addVertex(C::kBottom, 1.25 * M_PI, 1.0);
    c.face(o, r2, r0, bottom);
    c.face(r0, r2, r1, bottom);
    EXPECT_EQ(AdaptUtil::E_swpCheckPer(E_exists(r0, r2)), inner == 0.0 ? 1 : 0) << inner;
  }
}

// The repair of a dissimilar face by collapsing its edge shared with another
// dissimilar face, on the surface (mode 1): the interface cannot merge, the
// collapse is not made, and the vertex that stays keeps what it carries.
TEST(PeriodicRepair, RefusedSurfaceCollapseLeavesTheVerticesWhole) {
  CylinderModel c(8, 2);
  snapVertices snap(c.m, nullptr);
  pVertex d = c.ringVertex(1, 2), k = c.ringVertex(1, 3);
  pEdge e = E_exists(d, k);
  ASSERT_NE(e, nullptr);
  ASSERT_EQ(E_whatIn(e), c.g[C::kLateral]);
  int accepted = 0;
  for (pVertex v : {d, k}) accepted += E_chkClpTopo(v, e) && E_evalColaps(c.m, e, v, E_otherVertex(e, v));
  ASSERT_GT(accepted, 0);  // the collapse itself would pass its checks
  // Both ends wait to be snapped and carry their parameters.
  for (pVertex v : {d, k}) {
    double x[3];
    V_coord(v, x);
    snap.append(v, new double[3]{x[0], x[1], x[2]});
    double par[3];
    AdaptUtil::V_reparamOnGFace(v, c.g[C::kLateral], par);
    EN_attachDataPtr(v, snap.paramsId, new ParamsOnGFace(1, c.g[C::kLateral], par));
  }
  // The two lateral faces of e are the faces to repair; every boundary face
  // is known dissimilar, so no swap applies either.
  pPList L = PList_new();
  std::vector<pFace> edgeFaces;
  for (int i = 0; i < E_numFaces(e); ++i)
    if (F_whatInType(E_face(e, i)) == 2) edgeFaces.push_back(E_face(e, i));
  ASSERT_EQ(edgeFaces.size(), 2u);
  for (pFace f : edgeFaces) PList_append(L, f);
  FIter it = M_faceIter(c.m);
  while (pFace f = FIter_next(it))
    if (F_whatInType(f) == 2) EN_attachDataInt(f, snap.geoCheckedId, -1);
  FIter_delete(it);
  const int counts[4] = {M_numVertices(c.m), M_numEdges(c.m), M_numFaces(c.m), M_numRegions(c.m)};
  SSList<mEntity*> S;
  S.append(edgeFaces[0]);
  S.append(edgeFaces[1]);

  testing::internal::CaptureStdout();
  EXPECT_EQ(snap.fixGeoSim(edgeFaces[0], &L, 1, &S), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // no failed collapse to report

  const int now[4] = {M_numVertices(c.m), M_numEdges(c.m), M_numFaces(c.m), M_numRegions(c.m)};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(now[i], counts[i]);
  EXPECT_EQ(E_exists(d, k), e);
  EXPECT_EQ(PList_size(L), 2);
  EXPECT_EQ(S.size(), 2);
  for (pVertex v : {d, k}) {
    EXPECT_TRUE(snap.toSnap->inList(v));
    void* p = nullptr;
    ASSERT_EQ(EN_getDataPtr(v, snap.targetId, &p), 1);
    ASSERT_EQ(EN_getDataPtr(v, snap.paramsId, &p), 1);
    double par[3];
    EXPECT_EQ(static_cast<ParamsOnGFace*>(p)->getParam(c.g[C::kLateral], par), 1);
    snap.freeReparam(v);
  }
  PList_delete(L);
}

}  // namespace
