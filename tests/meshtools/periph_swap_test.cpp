// Edge swap on a model face with mesh regions on both sides.
#include <gtest/gtest.h>

#include <cmath>

#include "MT_modify.h"
#include "MT_topology.h"
#include "MT_vector.h"
#include "mt_fixtures.h"

using namespace mttest;

namespace {
const double pi = 3.14159265358979323846;

// Tetrahedra around the axis from (0,0,-1) to (0,0,1), the ring on the unit
// circle at the given angles (degrees, increasing, 0 and 180 among them).
// The plane y = 0 is an interior model face between the model regions
// "above" (y > 0) and "below"; the outer faces lie on one model face per side.
struct SplitRing {
  pMesh m = MS_newMesh(nullptr);
  pGEntity above = m->getGEntity(1, 3), below = m->getGEntity(2, 3);
  pGEntity middle = m->getGEntity(3, 2), outerA = m->getGEntity(4, 2), outerB = m->getGEntity(5, 2);
  pGEntity crease = m->getGEntity(6, 1);
  pVertex bottom, top;
  std::vector<pVertex> ring;
  std::vector<double> angles;
  pEdge axis;

  explicit SplitRing(std::vector<double> degrees) : angles(std::move(degrees)) {
    for (pGEntity r : {above, below}) {
      middle->add(r);
      r->add(middle);
    }
    outerA->add(above);
    above->add(outerA);
    outerB->add(below);
    below->add(outerB);
    bottom = M_createVP(m, 0, 0, -1, nullptr, 0, above);
    top = M_createVP(m, 0, 0, 1, nullptr, 0, above);
    for (double a : angles) {
      const double t = a * pi / 180;
      ring.push_back(M_createVP(m, std::cos(t), std::abs(std::sin(t)) < 1e-12 ? 0.0 : std::sin(t), 0, nullptr, 0, above));
    }
    const int n = static_cast<int>(ring.size());
    for (int i = 0; i < n; ++i) {
      const double mid = i + 1 < n ? 0.5 * (angles[i] + angles[i + 1]) : 0.5 * (angles[i] + 360);
      m->createTetWithVertices(V(ring[i]), V(ring[(i + 1) % n]), V(bottom), V(top), mid < 180 ? above : below);
    }
    M_SetRepresentationToOneLevel(m);
    FIter fi = M_faceIter(m);
    while (pFace f = FIter_next(fi)) {
      pRegion r0 = F_region(f, 0), r1 = F_region(f, 1);
      if (!r1) F_setWhatIn(f, R_whatIn(r0) == above ? outerA : outerB);
      else F_setWhatIn(f, R_whatIn(r0) == R_whatIn(r1) ? R_whatIn(r0) : middle);
    }
    FIter_delete(fi);
    EIter ei = M_edgeIter(m);
    while (pEdge e = EIter_next(ei)) {
      std::set<pGEntity> onFaces;
      for (int k = 0; k < E_numFaces(e); ++k)
        if (F_whatInType(E_face(e, k)) == 2) onFaces.insert(F_whatIn(E_face(e, k)));
      if (onFaces.size() > 1) E_setWhatIn(e, crease);
      else if (onFaces.size() == 1) E_setWhatIn(e, *onFaces.begin());
      else E_setWhatIn(e, F_whatIn(E_face(e, 0)));
    }
    EIter_delete(ei);
    axis = E_exists(bottom, top);
  }
  ~SplitRing() { M_delete(m); }

  // Volume on one side: the ring polygon's part there times 2/3.
  double sideVolume(bool up) const {
    const int n = static_cast<int>(angles.size());
    double area = 0;
    for (int i = 0; i < n; ++i) {
      const double a0 = angles[i], a1 = i + 1 < n ? angles[i + 1] : 360;
      if ((0.5 * (a0 + a1) < 180) == up) area += 0.5 * std::sin((a1 - a0) * pi / 180);
    }
    return area * 2.0 / 3.0;
  }
};

int catalan(int k) {  // triangulations of a polygon of k + 2 vertices
  int c = 1;
  for (int i = 0; i < k; ++i) c = c * 2 * (2 * i + 1) / (i + 2);
  return c;
}

double centroidY(pRegion r) {
  double x[4][3];
  R_coord(r, x);
  return 0.25 * (x[0][1] + x[1][1] + x[2][1] + x[3][1]);
}
}  // namespace

TEST(MeshToolsEdgeSwap, NonManifoldModelFaceKeepsBothSides) {
  // The admissible configurations are the triangulations of the ring that
  // contain the diagonal on the model face: the product of the counts of
  // the two sub-polygons it cuts the ring into.
  const std::vector<std::vector<double>> rings = {
      {0, 90, 180, 270}, {0, 60, 120, 180, 270}, {0, 60, 120, 180, 240, 300}, {0, 40, 80, 130, 180, 240, 300}};
  for (const auto& angles : rings) {
    const int n = static_cast<int>(angles.size());
    int half = 0;
    while (angles[half] != 180) ++half;
    const int want = catalan(half - 1) * catalan(n - half - 1);
    const int count = [&] {
      SplitRing h(angles);
      EXPECT_EQ(E_whatIn(h.axis), h.middle);
      return E_numSwpCfg(h.axis);
    }();
    ASSERT_EQ(count, want) << n;
    for (int i = 0; i < count; ++i) {
      SplitRing h(angles);
      ASSERT_EQ(E_numSwpCfg(h.axis), count);
      pVertex p = h.ring[0], q = h.ring[half];
      Changes changes;
      pPList news = nullptr;
      ASSERT_EQ(E_swap(h.m, h.axis, i, Changes::record, &changes, &news), 1) << n << " " << i;
      ASSERT_EQ(changes.calls.size(), 1u);
      EXPECT_EQ(changes.calls[0].olds, n);
      EXPECT_EQ(PList_size(news), 2 * (n - 2));
      PList_delete(news);
      EXPECT_TRUE(conforming(h.m)) << n << " " << i;
      EXPECT_EQ(E_exists(h.bottom, h.top), nullptr);
      // The new edge between the two vertices on the model face lies on it,
      // and so do exactly the two new faces at its ends.
      pEdge pq = E_exists(p, q);
      ASSERT_NE(pq, nullptr);
      EXPECT_EQ(E_whatIn(pq), h.middle);
      for (pVertex apex : {h.top, h.bottom}) {
        pFace f = F_exists(0, p, q, apex, nullptr);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(F_whatIn(f), h.middle);
      }
      EXPECT_EQ(M_numClassifiedFaces(h.m, h.middle), 2);
      // Every region lies on the side of its model region; each side keeps its volume.
      double vol[2] = {0, 0};
      RIter ri = M_regionIter(h.m);
      while (pRegion r = RIter_next(ri)) {
        const bool up = R_whatIn(r) == h.above;
        EXPECT_TRUE(up || R_whatIn(r) == h.below);
        EXPECT_EQ(centroidY(r) > 0, up);
        EXPECT_GT(R_volume(r), 0);
        vol[up] += R_volume(r);
      }
      RIter_delete(ri);
      EXPECT_NEAR(vol[1], h.sideVolume(true), 1e-13);
      EXPECT_NEAR(vol[0], h.sideVolume(false), 1e-13);
      // A face between two regions lies on the model face exactly when they
      // are on different sides, else inside their model region; edges inside
      // a model region keep to its side.
      FIter fi = M_faceIter(h.m);
      while (pFace f = FIter_next(fi)) {
        pRegion r0 = F_region(f, 0), r1 = F_region(f, 1);
        if (!r1) continue;
        if (R_whatIn(r0) != R_whatIn(r1)) EXPECT_EQ(F_whatIn(f), h.middle);
        else EXPECT_EQ(F_whatIn(f), R_whatIn(r0));
      }
      FIter_delete(fi);
      EIter ei = M_edgeIter(h.m);
      while (pEdge e = EIter_next(ei)) {
        if (E_whatInType(e) != 3) continue;
        const double y = P_y(V_point(E_vertex(e, 0))) + P_y(V_point(E_vertex(e, 1)));
        EXPECT_EQ(y > 0, E_whatIn(e) == h.above);
      }
      EIter_delete(ei);
    }
  }
}
