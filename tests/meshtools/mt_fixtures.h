// Small tetrahedral meshes built through the procedural interface, and
// checks that a mesh is a conforming tetrahedrisation.
#ifndef TESTS_MESHTOOLS_FIXTURES_H
#define TESTS_MESHTOOLS_FIXTURES_H

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <random>
#include <set>
#include <vector>

#include "KORA.h"
#include "MT_geometry.h"
#include "jittered_cube.h"
#include "mMesh.h"
#include "mEdge.h"
#include "mFace.h"
#include "mTet.h"
#include "mVertex.h"

namespace mttest {

using namespace KORA;

inline mVertex* V(pEntity e) { return static_cast<mVertex*>(e); }

struct MeshHolder {
  pMesh m = MS_newMesh(nullptr);
  pGEntity region = m->getGEntity(1, 3);
  pGEntity face = m->getGEntity(1, 2);
  pGEntity crease = m->getGEntity(1, 1);
  MeshHolder() {
    face->add(region);
    region->add(face);
  }
  ~MeshHolder() { M_delete(m); }
  pVertex vertex(double x, double y, double z, pGEntity g = nullptr) {
    return M_createVP(m, x, y, z, nullptr, 0, g ? g : region);
  }
  pRegion tet(pVertex a, pVertex b, pVertex c, pVertex d) {
    return m->createTetWithVertices(V(a), V(b), V(c), V(d), region);
  }
  // Stores upward and downward adjacencies one level apart and classifies
  // the faces with one region on the model face, their edges and vertices
  // too, everything else inside the model region.
  void finish() {
    M_SetRepresentationToOneLevel(m);
    classifyBoundary();
  }
  void classifyBoundary() {
    FIter fi = M_faceIter(m);
    while (pFace f = FIter_next(fi)) F_setWhatIn(f, region);
    FIter_delete(fi);
    EIter ei = M_edgeIter(m);
    while (pEdge e = EIter_next(ei)) E_setWhatIn(e, region);
    EIter_delete(ei);
    VIter vi = M_vertexIter(m);
    while (pVertex v = VIter_next(vi)) V_setWhatIn(v, region);
    VIter_delete(vi);
    fi = M_faceIter(m);
    while (pFace f = FIter_next(fi)) {
      pPList rs = F_regions(f);
      if (PList_size(rs) == 1) {
        F_setWhatIn(f, face);
        for (int i = 0; i < 3; ++i) {
          pEdge e = F_edge(f, i);
          E_setWhatIn(e, face);
          V_setWhatIn(E_vertex(e, 0), face);
          V_setWhatIn(E_vertex(e, 1), face);
        }
      }
      PList_delete(rs);
    }
    FIter_delete(fi);
    // Boundary edges where the boundary bends lie on a model edge.
    ei = M_edgeIter(m);
    while (pEdge e = EIter_next(ei)) {
      if (E_whatIn(e) != face) continue;
      std::vector<std::array<double, 3>> normals;
      for (int i = 0; i < E_numFaces(e); ++i) {
        pFace f = E_face(e, i);
        if (F_whatIn(f) != face) continue;
        double n[3];
        F_normalVector(f, 1, n);
        normals.push_back({n[0], n[1], n[2]});
      }
      if (normals.size() == 2) {
        const auto& a = normals[0];
        const auto& b = normals[1];
        const double c[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
        const double s2 = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
        const double aa = a[0] * a[0] + a[1] * a[1] + a[2] * a[2];
        const double bb = b[0] * b[0] + b[1] * b[1] + b[2] * b[2];
        if (s2 > 1e-20 * aa * bb) {
          E_setWhatIn(e, crease);
          V_setWhatIn(E_vertex(e, 0), crease);
          V_setWhatIn(E_vertex(e, 1), crease);
        }
      }
    }
    EIter_delete(ei);
  }
};

// The unit tetrahedron (0,0,0), (1,0,0), (0,1,0), (0,0,1).
struct UnitTet : MeshHolder {
  pVertex p[4];
  pRegion r;
  UnitTet() {
    const double c[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int k = 0; k < 4; ++k) p[k] = vertex(c[k][0], c[k][1], c[k][2]);
    r = tet(p[0], p[1], p[2], p[3]);
    finish();
  }
};

// n tetrahedra around the edge from (0,0,-1) to (0,0,1), the ring of n
// vertices on the unit circle.
struct EdgeRing : MeshHolder {
  pVertex bottom, top;
  std::vector<pVertex> ring;
  pEdge axis;
  explicit EdgeRing(int n) {
    bottom = vertex(0, 0, -1);
    top = vertex(0, 0, 1);
    for (int i = 0; i < n; ++i) {
      const double t = 2 * 3.14159265358979323846 * i / n;
      ring.push_back(vertex(std::cos(t), std::sin(t), 0));
    }
    for (int i = 0; i < n; ++i) tet(ring[i], ring[(i + 1) % n], bottom, top);
    finish();
    axis = m->getEdge(V(bottom), V(top));
  }
};

// What the change callback saw.
struct Changes {
  struct Call {
    int kind;
    int olds, news;
    pEntity entity;
  };
  std::vector<Call> calls;
  static void record(pPList olds, pPList news, void* data, modType kind, pEntity e) {
    static_cast<Changes*>(data)->calls.push_back({kind, PList_size(olds), PList_size(news), e});
  }
};

// The jittered cube, classified.
template <class Rng>
struct JitteredCube : MeshHolder {
  JitteredCube(int k, double jitter, Rng& rng) {
    buildJitteredCube(m, k, jitter, rng, region);
    finish();
  }
};

// The vertex at (x, y, z) (to 1e-12), or null.
inline pVertex vertexAt(pMesh m, double x, double y, double z) {
  VIter it = M_vertexIter(m);
  pVertex found = nullptr;
  while (pVertex v = VIter_next(it)) {
    double c[3];
    V_coord(v, c);
    if (std::fabs(c[0] - x) + std::fabs(c[1] - y) + std::fabs(c[2] - z) < 1e-12) found = v;
  }
  VIter_delete(it);
  return found;
}

inline double totalVolume(pMesh m) {
  double v = 0;
  RIter it = M_regionIter(m);
  while (pRegion r = RIter_next(it)) v += R_volume(r);
  RIter_delete(it);
  return v;
}

inline double minVolume(pMesh m) {
  double v = 1e300;
  RIter it = M_regionIter(m);
  while (pRegion r = RIter_next(it)) v = std::min(v, R_volume(r));
  RIter_delete(it);
  return v;
}

using Tri = std::array<pVertex, 3>;
inline Tri sortedTri(pFace f) {
  pPList l = F_vertices(f, 1);
  Tri t{static_cast<pVertex>(PList_item(l, 0)), static_cast<pVertex>(PList_item(l, 1)),
        static_cast<pVertex>(PList_item(l, 2))};
  PList_delete(l);
  std::sort(t.begin(), t.end());
  return t;
}

// The boundary triangles (faces with one region) as sorted vertex triples.
inline std::set<Tri> boundary(pMesh m) {
  std::set<Tri> out;
  FIter it = M_faceIter(m);
  while (pFace f = FIter_next(it)) {
    pPList rs = F_regions(f);
    if (PList_size(rs) == 1) out.insert(sortedTri(f));
    PList_delete(rs);
  }
  FIter_delete(it);
  return out;
}

// Every face has one or two regions and no two faces share their vertices,
// every edge is used by a face and every face by a region; each region's
// faces count it among their regions; no two edges join the same vertices.
inline ::testing::AssertionResult conforming(pMesh m) {
  std::set<Tri> tris;
  FIter fi = M_faceIter(m);
  while (pFace f = FIter_next(fi)) {
    pPList rs = F_regions(f);
    const int n = PList_size(rs);
    PList_delete(rs);
    if (n < 1 || n > 2) {
      FIter_delete(fi);
      return ::testing::AssertionFailure() << "face with " << n << " regions";
    }
    if (!tris.insert(sortedTri(f)).second) {
      FIter_delete(fi);
      return ::testing::AssertionFailure() << "two faces on the same vertices";
    }
  }
  FIter_delete(fi);
  std::set<std::pair<pVertex, pVertex>> edges;
  EIter ei = M_edgeIter(m);
  while (pEdge e = EIter_next(ei)) {
    pVertex a = E_vertex(e, 0), b = E_vertex(e, 1);
    if (a > b) std::swap(a, b);
    edges.insert({a, b});
    if (M_numRegions(m) > 0 && E_numFaces(e) < 2) {
      EIter_delete(ei);
      return ::testing::AssertionFailure() << "edge with " << E_numFaces(e) << " faces";
    }
  }
  EIter_delete(ei);
  if (static_cast<int>(edges.size()) != M_numEdges(m))
    return ::testing::AssertionFailure() << "two edges on the same vertices";
  RIter ri = M_regionIter(m);
  while (pRegion r = RIter_next(ri)) {
    for (int i = 0; i < R_numFaces(r); ++i) {
      pPList rs = F_regions(R_face(r, i));
      const bool in = PList_inList(rs, r);
      PList_delete(rs);
      if (!in) {
        RIter_delete(ri);
        return ::testing::AssertionFailure() << "region missing from its face";
      }
    }
  }
  RIter_delete(ri);
  // Euler characteristic of a ball: V - E + F - R = 1.
  const int chi = M_numVertices(m) - M_numEdges(m) + M_numFaces(m) - M_numRegions(m);
  if (chi != 1) return ::testing::AssertionFailure() << "Euler characteristic " << chi;
  return ::testing::AssertionSuccess();
}

}  // namespace mttest

#endif
