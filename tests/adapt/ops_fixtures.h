// Small meshes, measures and a recording change callback for the tests of
// the local modification operators.
#ifndef TESTS_ADAPT_OPS_FIXTURES_H
#define TESTS_ADAPT_OPS_FIXTURES_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "MT_geometry.h"
#include "mMesh.h"
#include "MT_topology.h"
#include "MT_vector.h"
#include "adapt_fixtures.h"
#include "measures.h"
#include "meshBuild.h"
#include "metricField.h"

namespace opstest {

using namespace KORA;
using adapttest::MeshHolder;

// Total volume of the regions; nonPositive counts those of volume <= 0.
inline double meshVolume(pMesh m, int* nonPositive) {
  double v = 0.0;
  *nonPositive = 0;
  RIter it = M_regionIter(m);
  while (pRegion r = RIter_next(it)) {
    const double vr = R_volume(r);
    v += vr;
    if (vr <= 0.0) ++*nonPositive;
  }
  RIter_delete(it);
  return v;
}

// Sorted coordinates of every vertex: a fingerprint of the mesh's geometry.
inline std::vector<double> vertexCoords(pMesh m) {
  std::vector<double> out;
  VIter it = M_vertexIter(m);
  while (pVertex v = VIter_next(it)) {
    double x[3];
    V_coord(v, x);
    out.insert(out.end(), x, x + 3);
  }
  VIter_delete(it);
  std::sort(out.begin(), out.end());
  return out;
}

// What the mesh looks like: entity counts, volume, vertex positions.
struct Snapshot {
  int counts[4];
  double volume;
  std::vector<double> coords;
  explicit Snapshot(pMesh m)
      : counts{M_numVertices(m), M_numEdges(m), M_numFaces(m), M_numRegions(m)}, coords(vertexCoords(m)) {
    int bad = 0;
    volume = meshVolume(m, &bad);
  }
  void expectSame(pMesh m) const {
    Snapshot now(m);
    for (int d = 0; d < 4; ++d) EXPECT_EQ(now.counts[d], counts[d]) << "dimension " << d;
    EXPECT_EQ(now.volume, volume);
    EXPECT_EQ(now.coords, coords);
  }
};

// Records every report of the change callback, and the volumes of the new
// regions at the time of the report.
struct Calls {
  std::vector<int> kinds, oldCounts, newCounts;
  std::vector<std::vector<pRegion>> newRegions;
  std::vector<std::vector<double>> newVolumes;
  static void record(pPList olds, pPList news, void* data, modType kind, pEntity) {
    auto* c = static_cast<Calls*>(data);
    c->kinds.push_back(kind);
    c->oldCounts.push_back(PList_size(olds));
    c->newCounts.push_back(PList_size(news));
    std::vector<pRegion> rs;
    std::vector<double> vs;
    for (int i = 0; i < PList_size(news); ++i) {
      pEntity e = static_cast<pEntity>(PList_item(news, i));
      if (EN_type(e) != 3) continue;
      rs.push_back(static_cast<pRegion>(e));
      vs.push_back(R_volume(static_cast<pRegion>(e)));
    }
    c->newRegions.push_back(rs);
    c->newVolumes.push_back(vs);
  }
  // Exactly one report, of this kind and with these list sizes.
  void expectOne(int kind, int olds, int news) const {
    ASSERT_EQ(kinds.size(), 1u);
    EXPECT_EQ(kinds[0], kind);
    EXPECT_EQ(oldCounts[0], olds);
    EXPECT_EQ(newCounts[0], news);
  }
};

// Every region of the mesh was reported new by the callback, and has now the
// volume it had when it was last reported: nothing changed shape afterwards.
inline void expectEveryRegionReportedAsIs(const Calls& calls, pMesh m) {
  RIter it = M_regionIter(m);
  while (pRegion r = RIter_next(it)) {
    bool found = false;
    for (size_t c = calls.newRegions.size(); c-- > 0 && !found;)
      for (size_t i = 0; i < calls.newRegions[c].size() && !found; ++i)
        if (calls.newRegions[c][i] == r) {
          found = true;
          EXPECT_EQ(R_volume(r), calls.newVolumes[c][i]) << "reported in call " << c;
        }
    EXPECT_TRUE(found) << "a region never reported";
  }
  RIter_delete(it);
}

struct Measures {
  metricField field;
  meanRatio shape;
  lengthSquare length;
  EvalResults results;
  explicit Measures(pMesh m, double threshold = 0.0)
      : field(m), shape(&field, threshold), length(&field, 1.96, 0.36) {}
};

// A tetrahedron of four vertices, turned to positive volume.
inline pRegion positiveTet(pMesh m, pVertex a, pVertex b, pVertex c, pVertex d, pGEntity g = nullptr) {
  double x[4][3];
  pVertex v[4] = {a, b, c, d};
  for (int j = 0; j < 4; ++j) V_coord(v[j], x[j]);
  if (XYZ_volume(x) < 0) std::swap(v[2], v[3]);
  return meshtools_detail::tetOf(m, v[0], v[1], v[2], v[3], g);
}

// The ring of four tetrahedra around the axis a = (0,0,-1), b = (0,0,1), with
// the ring c = (cx,0,0), p = (0,1,0), s = (-1,0,0), q = (0,-1,0). The face
// (a,b,c) separates (a,b,q,c) from (a,b,c,p); for a small cx they are flat.
// Volume: the quadrilateral c p s q, of area 1 + cx, times 2/3.
struct Ring4 {
  MeshHolder mh;
  pVertex a, b, c, p, s, q;
  explicit Ring4(double cx) {
    a = mh.vertex(0, 0, -1);
    b = mh.vertex(0, 0, 1);
    c = mh.vertex(cx, 0, 0);
    p = mh.vertex(0, 1, 0);
    s = mh.vertex(-1, 0, 0);
    q = mh.vertex(0, -1, 0);
    pVertex ring[4] = {c, p, s, q};
    for (int i = 0; i < 4; ++i) positiveTet(mh.m, a, b, ring[i], ring[(i + 1) % 4]);
  }
  pEdge axis() const { return E_exists(a, b); }
  pFace face() const { return F_exists(0, a, b, c, nullptr); }
};

// The unit tetrahedron split at m = (0.5,0,0) on its edge (0,1) into two.
// Collapsing m onto v1 leaves the unit tetrahedron.
struct SplitTet {
  MeshHolder mh;
  pVertex v0, v1, v2, v3, m;
  SplitTet() {
    v0 = mh.vertex(0, 0, 0);
    v1 = mh.vertex(1, 0, 0);
    v2 = mh.vertex(0, 1, 0);
    v3 = mh.vertex(0, 0, 1);
    m = mh.vertex(0.5, 0, 0);
    meshtools_detail::tetOf(mh.m, m, v1, v2, v3, nullptr);
    meshtools_detail::tetOf(mh.m, v0, m, v2, v3, nullptr);
  }
};

// The shape best so far that a worst shape w equals exactly 1.5 times.
inline double twoThirdsOf(double w) {
  double b = w / 1.5;
  for (double c : {b, std::nextafter(b, 0.0), std::nextafter(b, 1.0)})
    if (1.5 * c == w) return c;
  ADD_FAILURE() << "no exact two thirds of " << w;
  return b;
}

}  // namespace opstest

#endif
