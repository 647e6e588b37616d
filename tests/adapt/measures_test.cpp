// Shape and size measures in the metric, and the shape ratings of the local
// modification protocol.
#include <gtest/gtest.h>

#include <cmath>

#include "AdaptUtil.h"
#include "LocMeshMod.h"
#include "MT_geometry.h"
#include "adapt_fixtures.h"
#include "measures.h"
#include "metricField.h"

using namespace adapttest;

namespace {

// Regular tetrahedron of edge 2 sqrt(2), positively oriented.
const double regular[4][3] = {{1, 1, 1}, {-1, 1, -1}, {1, -1, -1}, {-1, -1, 1}};
const double unitTet[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

// The points mapped by x -> R diag(s) x + shift.
void stretch(const double in[][3], int n, const double s[3], const double R[3][3], double out[][3]) {
  for (int p = 0; p < n; ++p)
    for (int i = 0; i < 3; ++i) {
      out[p][i] = 7.0 * i - 3.0;
      for (int j = 0; j < 3; ++j) out[p][i] += R[j][i] * s[j] * in[p][j];
    }
}

TEST(ShapeMeasure, RegularElementsRateOneAndKeepItUnderAMatchingMetric) {
  meanRatio mr(nullptr, 0.05);
  double v = 0;
  EXPECT_EQ(mr.get(regular, nullptr, &v), 1);
  EXPECT_NEAR(v, 1.0, 1e-14);

  const double tri[3][3] = {{0, 0, 0}, {1, 0, 0}, {0.5, std::sqrt(3.0) / 2, 0}};
  const double up[3] = {0, 0, 1};
  EXPECT_EQ(mr.get2D(tri, up, nullptr, &v), 1);
  EXPECT_NEAR(v, 1.0, 1e-14);

  // Stretch the elements by the sizes along a turned frame: regular in the
  // metric of those sizes and that frame, isotropic or not.
  const double c = std::cos(0.3), s = std::sin(0.3);
  const double frame[3][3] = {{c, s, 0}, {-s, c, 0}, {0, 0, 1}};
  const double sizes[][3] = {{3, 3, 3}, {0.001, 0.001, 0.001}, {1, 2, 3}, {0.5, 40, 7}};
  for (const auto& h : sizes) {
    const metric m(frame, h);
    // The construction sorts the sizes; stretch along the sorted frame.
    double xt[4][3], xr[3][3];
    stretch(regular, 4, m.h, m.e, xt);
    stretch(tri, 3, m.h, m.e, xr);
    EXPECT_EQ(mr.get(xt, &m, &v), 1);
    EXPECT_NEAR(v, 1.0, 1e-12) << h[0] << " " << h[1] << " " << h[2];
    const metric iso(h[0]);
    const double hh[3] = {h[0], h[0], h[0]};
    stretch(tri, 3, hh, identity, xr);
    EXPECT_EQ(mr.get2D(xr, nullptr, &iso, &v), 1);
    EXPECT_NEAR(v, 1.0, 1e-12);
    // The same stretched tetrahedron measured without the metric is worse.
    if (h[0] != h[2]) {
      mr.get(xt, nullptr, &v);
      EXPECT_LT(v, 0.99);
    }
  }
}

TEST(ShapeMeasure, InvertedFlatAndWrongWayElements) {
  meanRatio mr(nullptr, 0.05);
  const double inverted[4][3] = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}};
  double v = 1;
  EXPECT_EQ(mr.get(inverted, nullptr, &v), 0);
  EXPECT_DOUBLE_EQ(v, -1.0);  // six times the signed volume
  const double flat[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
  EXPECT_EQ(mr.get(flat, nullptr, &v), 0);
  EXPECT_DOUBLE_EQ(v, 0.0);
  meanRatio zero(nullptr, 0.0);
  EXPECT_EQ(zero.get(flat, nullptr, &v), 1);  // valid only for a threshold of 0

  const double tri[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  const double down[3] = {0, 0, -1};
  size sz(nullptr, 0.0);
  EXPECT_EQ(mr.get2D(tri, down, nullptr, &v), 0);
  EXPECT_EQ(v, 0.0);
  EXPECT_EQ(sz.get2D(tri, down, nullptr, &v), 0);
  EXPECT_EQ(v, 0.0);
  EXPECT_EQ(mr.get2D(tri, nullptr, nullptr, &v), 1);  // no normal: orientation untested
  EXPECT_NEAR(v, 48 * 0.25 / 16, 1e-15);               // right isosceles: 3/4

  // A rating equal to the threshold is valid.
  meanRatio at(nullptr, 0.75);
  EXPECT_EQ(at.get2D(tri, nullptr, nullptr, &v), 1);
}

TEST(SizeMeasure, VolumeAreaAndSquaredLengthsInTheMetric) {
  size sz(nullptr, 0.0);
  double v = 0;
  EXPECT_EQ(sz.get(unitTet, nullptr, &v), 1);
  EXPECT_NEAR(v, 1.0 / 6.0, 1e-15);
  const metric half(0.5);
  EXPECT_EQ(sz.get(unitTet, &half, &v), 1);
  EXPECT_NEAR(v, 8.0 / 6.0, 1e-14);

  const double tri[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  EXPECT_NEAR(AdaptUtil::F_areaM(nullptr, tri), 0.25, 1e-15);
  EXPECT_NEAR(AdaptUtil::F_areaM(&half, tri), 4.0, 1e-14);
  size tiny(nullptr, 0.4);  // compares the squared area with the squared threshold
  EXPECT_EQ(tiny.get2D(tri, nullptr, nullptr, &v), 1);

  lengthSquare ls(nullptr, 1.4, 0.6);
  const double a[3] = {0, 0, 0}, b[3] = {2, 0, 0}, c[3] = {1.4, 0, 0};
  const metric m1(1.0), m2(2.0);
  EXPECT_EQ(ls.get(a, b, &m1, &m2, &v), 0);
  EXPECT_NEAR(v, 1.5 * 1.5, 1e-15);  // mean of the lengths 2 and 1, squared
  EXPECT_EQ(ls.get(a, b, &m1, nullptr, &v), 0);
  EXPECT_DOUBLE_EQ(v, 4.0);  // one metric missing: plain Euclidean
  EXPECT_EQ(ls.get(a, c, nullptr, nullptr, &v), 1);  // on the upper bound
  const double vec[3] = {0, 0, 1.2};
  EXPECT_EQ(ls.get(vec, &m2, &v), 1);
  EXPECT_NEAR(v, 0.36, 1e-15);  // on the lower bound
}

TEST(ShapeMeasure, UnitTetrahedronAsARegion) {
  MeshHolder mh;
  pRegion r = mh.tet(unitTet);
  EXPECT_NEAR(R_volume(r), 1.0 / 6.0, 1e-15);
  EXPECT_NEAR(R_aspectRatio(r), std::sqrt(6.0), 1e-13);
  EXPECT_NEAR(R_edgLenRatio(r), std::sqrt(2.0), 1e-14);
  size sz(nullptr, 0.0);
  double v = 0;
  EXPECT_EQ(sz.get(r, &v), 1);
  EXPECT_NEAR(v, 1.0 / 6.0, 1e-15);
  // Mean ratio cubed: 432 V6^2 / S^3 with V6 = 1 and S = 3 + 3 x 2 = 9.
  meanRatio mr(nullptr, 0.05);
  EXPECT_EQ(mr.get(r, &v), 1);
  EXPECT_NEAR(v, 432.0 / 729.0, 1e-14);
}

TEST(ShapeMeasure, RegionRatingUsesEachVertexMetricUntilOneIsMissing) {
  MeshHolder mh;
  pRegion r = mh.tet(regular);
  meanRatio euclid(nullptr, 0.05);
  double v = 0;
  EXPECT_EQ(euclid.get(r, &v), 1);
  EXPECT_NEAR(v, 1.0, 1e-14);

  metricField field(mh.m);
  meanRatio mr(&field, 0.05);
  pPList verts = R_vertices(r);
  // No metric at any vertex: one Euclidean rating.
  EXPECT_EQ(mr.get(r, &v), 1);
  EXPECT_NEAR(v, 1.0, 1e-14);
  // Metrics at the vertices: the smallest rating of the four.
  const double h[3] = {1, 1, 4};
  for (int i = 0; i < 4; ++i) field.setSize(static_cast<pVertex>(PList_item(verts, i)), 3.0);
  field.setMetric(static_cast<pVertex>(PList_item(verts, 2)), identity, h);
  double squashed;
  mr.get(regular, field.getMetric(static_cast<pVertex>(PList_item(verts, 2))), &squashed);
  EXPECT_EQ(mr.get(r, &v), squashed >= 0.05);
  EXPECT_NEAR(v, squashed, 1e-14);
  EXPECT_LT(v, 0.99);
  PList_delete(verts);

  // The worst shape around a vertex is that of its one region.
  EXPECT_NEAR(AdaptUtil::V_worstShp(&mr, M_vertex(mh.m, 0)), v, 1e-14);
}

// An operator that changes nothing, for the rating rules of the protocol.
struct NoChange : LocMeshMod {
  using LocMeshMod::LocMeshMod;
  int topoCheck() override { return 1; }
  int geomCheck() override { return 1; }
  int sizeCheck() override { return 1; }
  void getAffectedRgns(pPList* out) override { *out = PList_new(); }
  int apply() override { return 1; }
  int apply(pPList*) override { return 1; }
  modType type() override { return VERTEXMOTION; }
};

TEST(LocalModification, RelaxedShapeAcceptsAnyPositiveRating) {
  meanRatio mr(nullptr, 0.5);
  lengthSquare ls(nullptr, 1.4, 0.6);
  EvalResults res;
  EXPECT_EQ(res.worstShape, 99999999);
  EXPECT_EQ(res.shortest, 99999999);
  NoChange op(nullptr, nullptr, &mr, &ls, &res);
  EXPECT_EQ(op.callback, nullptr);
  EXPECT_EQ(op.relaxedShape, 0);
  EXPECT_EQ(op.motionVertex, nullptr);
  // A poor but positive tetrahedron (rating below 0.5), then a flat one.
  const double poor[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0.3, 0.3, 0.05}};
  const double flat[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
  metric* none[4] = {nullptr, nullptr, nullptr, nullptr};
  double v;
  EXPECT_EQ(op.getShape(poor, none, &v), 0);
  op.relaxedShape = 1;
  EXPECT_EQ(op.getShape(poor, none, &v), 1);
  EXPECT_GT(v, 0.0);
  EXPECT_LT(v, 0.5);
  EXPECT_EQ(op.getShape(flat, none, &v), 0);

  // With metrics: the worst of the ratings in each non-null one.
  op.relaxedShape = 0;
  const double h[3] = {1, 1, 4};
  metric iso(1.0), squash(identity, h);
  metric* some[4] = {nullptr, &iso, nullptr, &squash};
  double inIso, inSquash;
  mr.get(regular, &iso, &inIso);
  mr.get(regular, &squash, &inSquash);
  meanRatio low(nullptr, 0.0);
  NoChange op2(nullptr, nullptr, &low, &ls, &res);
  EXPECT_EQ(op2.getShape(regular, some, &v), 1);
  EXPECT_NEAR(v, std::min(inIso, inSquash), 1e-14);
  EXPECT_EQ(op2.type(), 3);

  const double target[3] = {1, 2, 3};
  NoChange moving(nullptr, nullptr, &mr, &ls, &res, reinterpret_cast<pVertex>(&iso), target);
  expectVec(moving.motionTarget, 1, 2, 3);
}

}  // namespace
