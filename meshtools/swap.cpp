// Edge swap in a tetrahedral mesh, edge swap on a model face of a triangle
// mesh, and the face swaps two-to-three and three-to-two.
#include <array>
#include <cstdio>
#include <map>
#include <vector>

#include "MT_error.h"
#include "MT_geometry.h"
#include "MT_modify.h"
#include "MT_topology.h"
#include "MT_vector.h"
#include "meshBuild.h"
#include "swapCache.h"

using namespace KORA;
using namespace meshtools_detail;

namespace {
int numModelRegions(pGEntity g) {
  pPList gr = GF_regions(g);
  const int n = PList_size(gr);
  PList_delete(gr);
  return n;
}

// The single tetrahedron at a boundary edge is removed when the edge
// opposite the boundary edge is interior; its two other faces become boundary.
int E_swp2Fac(pMesh mesh, pEdge edge) {
  pPList rs = E_regions(edge);
  pRegion T = static_cast<pRegion>(PList_item(rs, 0));
  PList_delete(rs);
  pEdge ab = R_gtOppEdg(T, edge);
  if (!ab || E_whatInType(ab) != 3) return 0;
  pGEntity g = E_whatIn(edge);
  std::vector<pFace> keep, drop;
  for (int i = 0; i < R_numFaces(T); ++i) {
    pFace f = R_face(T, i);
    (F_inClosure(f, edge) ? drop : keep).push_back(f);
  }
  M_removeRegion(mesh, T);
  for (pFace f : drop) M_removeFace(mesh, f);
  M_removeEdge(mesh, edge);
  for (pFace f : keep) F_setWhatIn(f, g);
  E_setWhatIn(ab, g);
  return 1;
}

// After a swap on a model face with mesh regions on both sides: each new
// region takes the model region of the old region whose cavity-boundary face
// it inherited, and passes it on across the new faces that are not on the
// model face g; the new faces and edges inside the cavity follow their
// region. Ends the process when a region is left out or gets two answers.
int E_swapReclassifyNM(pPList newRegions, pGEntity g, const std::map<pFace, pGEntity>& inherited) {
  std::map<pRegion, pGEntity> side;
  auto fail = [] {
    ErrorHandler("Reclassification error after swap on non-manifold face", "E_swapReclassifyNM", MT_FATAL);
  };
  auto decide = [&](pRegion r, pGEntity gr) {
    auto [it, fresh] = side.emplace(r, gr);
    if (!fresh && it->second != gr) fail();
    return fresh;
  };
  for (int k = 0; k < PList_size(newRegions); ++k) {
    pRegion r = static_cast<pRegion>(PList_item(newRegions, k));
    for (int j = 0; j < R_numFaces(r); ++j) {
      auto it = inherited.find(R_face(r, j));
      if (it != inherited.end()) decide(r, it->second);
    }
  }
  for (bool grew = true; grew;) {
    grew = false;
    for (int k = 0; k < PList_size(newRegions); ++k) {
      pRegion r = static_cast<pRegion>(PList_item(newRegions, k));
      auto it = side.find(r);
      if (it == side.end()) continue;
      for (int j = 0; j < R_numFaces(r); ++j) {
        pFace f = R_face(r, j);
        if (F_whatIn(f) == g || inherited.count(f)) continue;
        for (int s = 0; s < 2; ++s) {
          pRegion o = F_region(f, s);
          if (o && o != r && PList_inList(newRegions, o)) grew = decide(o, it->second) || grew;
        }
      }
    }
  }
  if (static_cast<int>(side.size()) != PList_size(newRegions)) fail();
  for (const auto& [r, gr] : side) {
    R_setWhatIn(r, gr);
    for (int j = 0; j < R_numFaces(r); ++j) {
      pFace f = R_face(r, j);
      if (F_whatInType(f) != 3 || inherited.count(f)) continue;
      F_setWhatIn(f, gr);
      for (int e = 0; e < 3; ++e)
        if (E_whatInType(F_edge(f, e)) == 3) E_setWhatIn(F_edge(f, e), gr);
    }
  }
  return 1;
}
}  // namespace

int E_swap(pMesh mesh, pEdge edge, int i, CBFunction cb, void* data, pPList* newRegions) {
  pGEntity g = E_whatIn(edge);
  pPList R = E_regions(edge);
  if (PList_size(R) == 0) {
    PList_delete(R);
    // Success only when the surface swap made its new entities.
    return E_swapOnGFace(mesh, edge, g, cb, data, newRegions) ? 1 : 0;
  }
  pGEntity gR = R_whatIn(static_cast<pRegion>(PList_item(R, 0)));
  if (sc.edge != edge && E_numSwpCfg(edge) <= 0) {
    PList_delete(R);
    return 0;
  }
  sc.edge = nullptr;
  // Regions on both sides of a model face: the new entities are classified
  // after the swap, each on its side.
  const bool nonManifold = E_whatInType(edge) == 2 && numModelRegions(g) == 2;
  *newRegions = PList_new();
  if (sc.ringSize == 2) {
    PList_delete(R);
    if (i != 0) return 0;
    ErrorHandler("NOT IMPLEMENTED function call", "E_swap", MT_WARNING);
    return E_swp2Fac(mesh, edge);
  }
  const int row = sc.configRow(i);
  if (row < 0) {
    PList_delete(R);
    return 0;
  }
  std::vector<std::array<pVertex, 3>> tris;
  for (int t = 0; t < sc.trianglesPerConfig; ++t) {
    const int* tr = sc.triangles[sc.configs[row][t]];
    tris.push_back({sc.ring[tr[0]], sc.ring[tr[1]], sc.ring[tr[2]]});
  }
  pVertex A = E_vertex(edge, 0), B = E_vertex(edge, 1);
  // Boundary faces at the edge are replaced by two faces joining the two
  // outer ring vertices, on the same model face.
  std::vector<pFace> bdry;
  for (int k = 0; k < E_numFaces(edge); ++k)
    if (F_whatInType(E_face(edge, k)) == 2) bdry.push_back(E_face(edge, k));
  if (nonManifold && bdry.size() != 2)
    ErrorHandler("Illegal swap cfg. for non-manifold model", "E_swap", MT_FATAL);
  if (bdry.size() == 2) {
    pVertex p = F_edOpVt(bdry[0], edge), q = F_edOpVt(bdry[1], edge);
    pGEntity gf = F_whatIn(bdry[0]);
    pEdge pq = edgeOf(mesh, p, q, gf);
    for (pVertex apex : {A, B}) {
      pFace f = faceOf(mesh, pq, E_exists(q, apex), E_exists(apex, p), gf);
      if (F_whatInType(f) > GEN_type(gf)) F_setWhatIn(f, gf);
    }
  }
  for (const auto& t : tris) {
    triOf(mesh, t[0], t[1], t[2], gR);
    PList_append(*newRegions, tetOf(mesh, t[0], t[1], t[2], A, gR));
    PList_append(*newRegions, tetOf(mesh, t[0], t[2], t[1], B, gR));
  }
  if (cb) cb(R, *newRegions, data, EDGESWAP, edge);
  // The faces of the cavity's boundary and the model regions they bounded.
  std::map<pFace, pGEntity> inherited;
  if (nonManifold)
    for (int k = 0; k < PList_size(R); ++k) {
      pRegion r = static_cast<pRegion>(PList_item(R, k));
      for (int j = 0; j < R_numFaces(r); ++j)
        if (!F_inClosure(R_face(r, j), edge)) inherited[R_face(r, j)] = R_whatIn(r);
    }
  removeCavity(mesh, R);
  PList_delete(R);
  if (!nonManifold) return 1;
  return E_swapReclassifyNM(*newRegions, g, inherited);
}

pEdge E_swapOnGFace(pMesh mesh, pEdge edge, pGEntity gface, CBFunction cb, void* data, pPList* newFaces) {
  *newFaces = PList_new();
  if (E_whatIn(edge) != gface || E_numFaces(edge) != 2) return nullptr;
  pFace f0 = E_face(edge, 0), f1 = E_face(edge, 1);
  if (F_whatIn(f0) != gface || F_whatIn(f1) != gface) return nullptr;
  pVertex A = E_vertex(edge, 0), B = E_vertex(edge, 1);
  pFace P = F_dirUsingEdge(f0, edge) == 1 ? f0 : f1;
  pFace Q = P == f0 ? f1 : f0;
  pVertex p = F_edOpVt(P, edge), q = F_edOpVt(Q, edge);
  if (E_exists(p, q)) {
    ErrorHandler("Could not create edge", "E_swapOnGFace", MT_WARNING);
    return nullptr;
  }
  pEdge pq = M_createE(mesh, p, q, gface);
  if (!pq) {
    ErrorHandler("Could not create edge", "E_swapOnGFace", MT_WARNING);
    return nullptr;
  }
  pEdge loopB[3] = {pq, E_exists(q, B), E_exists(B, p)};
  pEdge loopA[3] = {pq, E_exists(p, A), E_exists(A, q)};
  int flagsB[3] = {1, F_dirUsingEdge(Q, loopB[1]), F_dirUsingEdge(P, loopB[2])};
  int flagsA[3] = {0, F_dirUsingEdge(P, loopA[1]), F_dirUsingEdge(Q, loopA[2])};
  pFace n0 = M_createF(mesh, 3, loopB, flagsB, gface);
  pFace n1 = n0 ? M_createF(mesh, 3, loopA, flagsA, gface) : nullptr;
  if (!n0 || !n1) {
    if (n0) PList_delete(delete_F(mesh, n0));
    PList_delete(delete_E(mesh, pq));
    ErrorHandler("Could not create face", "E_swapOnGFace", MT_WARNING);
    return nullptr;
  }
  if (cb) {
    pPList olds = PList_new(), news = PList_new();
    PList_append(olds, P);
    PList_append(olds, Q);
    PList_append(news, n0);
    PList_append(news, n1);
    cb(olds, news, data, EDGESWAP, edge);
    PList_delete(olds);
    PList_delete(news);
  }
  PList_delete(delete_F(mesh, P));
  PList_delete(delete_F(mesh, Q));
  PList_delete(delete_E(mesh, edge));
  PList_append(*newFaces, n0);
  PList_append(*newFaces, n1);
  return pq;
}

// ------------------------------------------------------------- face swap

namespace {
struct faceSwapRecord {
  int kase = 0;  // 0 not decided, 1 by an edge swap, 2 three-to-two, 3 two-to-three
  pRegion region[2] = {nullptr, nullptr};
  pVertex opposite[2] = {nullptr, nullptr};
  pFace face = nullptr;
  pRegion third = nullptr;
  pEdge edge = nullptr;
  int valid = 0;  // result of the evaluation: a swap found invalid is never applied
} fsc;

// Unit normal of a face of r pointing out of r.
void outwardNormal(pRegion r, pFace f, double n[3]) {
  double x[4][3], raw[3], o[3], d[3];
  F_normalVector(f, 1, raw);
  F_coord(f, x);
  V_coord(R_fcOpVt(r, f), o);
  diffVt(o, x[0], d);
  if (dotProd(raw, d) > 0) negVt(raw);
  normVt(raw, n);
}

// The region's vertices (positively ordered) with one replaced by another:
// valid when the replacement stays on the same side of the opposite face.
int flatAfterReplacing(pRegion r, pVertex out, pVertex in, double tol) {
  pPList vs = R_vertices(r);
  double x[4][3];
  for (int k = 0; k < 4; ++k) {
    pVertex v = static_cast<pVertex>(PList_item(vs, k));
    V_coord(v == out ? in : v, x[k]);
  }
  PList_delete(vs);
  return XYZ_checkFlatTet(x, tol);
}

// The face vertices in face order.
void faceVerts(pFace f, pVertex a[3]) {
  pPList l = F_vertices(f, 1);
  for (int k = 0; k < 3; ++k) a[k] = static_cast<pVertex>(PList_item(l, k));
  PList_delete(l);
}

bool regionHas(pRegion r, pVertex v) {
  pPList l = R_vertices(r);
  const bool in = PList_inList(l, v);
  PList_delete(l);
  return in;
}

// The face vertex that is not in the third region, null when none is.
pVertex apexOfThree(pVertex a[3], pRegion third) {
  for (int k = 0; k < 3; ++k)
    if (!regionHas(third, a[k])) return a[k];
  return nullptr;
}
}  // namespace

namespace {
int evalSwap(pFace face, double tol);
}

int F_evalSwap(pFace face, double tol) {
  if (F_whatInType(face) == 2) return 0;
  const int ok = evalSwap(face, tol);
  fsc.valid = ok;
  return ok;
}

namespace {
int evalSwap(pFace face, double tol) {
  fsc = faceSwapRecord();
  fsc.face = face;
  for (int k = 0; k < 2; ++k) {
    fsc.region[k] = F_region(face, k);
    if (!fsc.region[k]) return 0;
    fsc.opposite[k] = R_fcOpVt(fsc.region[k], face);
  }
  pVertex a[3];
  faceVerts(face, a);
  // Three-to-two: a third region around both opposite vertices holding an
  // edge of the face.
  pPList around0 = V_regions(fsc.opposite[0]);
  pPList around1 = V_regions(fsc.opposite[1]);
  for (int k = 0; k < PList_size(around0) && fsc.kase == 0; ++k) {
    pRegion r = static_cast<pRegion>(PList_item(around0, k));
    if (r == fsc.region[0] || r == fsc.region[1] || !PList_inList(around1, r)) continue;
    int shared = 0;
    for (pVertex v : a) shared += regionHas(r, v);
    if (shared >= 2) {
      fsc.third = r;
      fsc.kase = 2;
    }
  }
  if (fsc.kase == 0 && PList_size(around0) > 0)
    fsc.third = static_cast<pRegion>(PList_item(around0, PList_size(around0) - 1));
  PList_delete(around0);
  PList_delete(around1);
  if (fsc.kase == 2 && R_whatIn(fsc.third) != F_whatIn(face) && F_whatInType(face) == 3) return 0;
  if (fsc.kase == 0) {
    // Coplanar faces across an edge of the face: swap that edge instead.
    for (int k = 0; k < R_numFaces(fsc.region[0]) && fsc.kase == 0; ++k) {
      pFace F = R_face(fsc.region[0], k);
      if (F == face) continue;
      pEdge e = F_vtOpEd(F, fsc.opposite[0]);
      pFace G = nullptr;
      for (int j = 0; j < R_numFaces(fsc.region[1]) && !G; ++j) {
        pFace c = R_face(fsc.region[1], j);
        if (c != face && F_inClosure(c, e)) G = c;
      }
      if (!G) continue;
      double nF[3], nG[3];
      outwardNormal(fsc.region[0], F, nF);
      outwardNormal(fsc.region[1], G, nG);
      if (C_raneql(dotProd(nF, nG), 1.0, tol)) {
        fsc.kase = 1;
        fsc.edge = e;
      }
    }
    if (fsc.kase == 0) fsc.kase = 3;
  }
  if (fsc.kase == 1) {
    const int n = E_numSwpCfg(fsc.edge);
    for (int i = 0; i < n; ++i)
      if (E_evalSwpCfg(fsc.edge, i) == 1) return 1;
    return 0;
  }
  if (fsc.kase == 2) {
    pVertex c = apexOfThree(a, fsc.third);
    if (!c) {
      ErrorHandler("region face connect. wrong", "F_swap", MT_WARNING);
      return 0;
    }
    for (pVertex p : a)
      if (p != c && flatAfterReplacing(fsc.region[0], p, fsc.opposite[1], tol)) return 0;
    return 1;
  }
  for (pVertex am : a)
    if (flatAfterReplacing(fsc.region[0], am, fsc.opposite[1], tol)) return 0;
  return 1;
}
}  // namespace

faceSwapInfo F_swapInfo() {
  return {fsc.face, fsc.kase, {fsc.region[0], fsc.region[1]}, {fsc.opposite[0], fsc.opposite[1]}, fsc.third};
}

int F_swap(pMesh mesh, pFace face, double, CBFunction cb, void* data, pPList* oldRegions,
           pPList* newRegions) {
  *oldRegions = PList_new();
  *newRegions = PList_new();
  if (fsc.face != face || F_whatInType(face) == 2 || fsc.kase == 0 || !fsc.valid) return 0;
  pGEntity g = F_whatIn(face);
  pVertex o0 = fsc.opposite[0], o1 = fsc.opposite[1];
  pVertex a[3];
  faceVerts(face, a);
  fsc.face = nullptr;  // the record describes an entity about to change
  if (fsc.kase == 1) {
    const int i = E_defaultRegionSwpCfg(fsc.edge);
    if (i == -1) return 0;
    PList_delete(*newRegions);
    if (!E_swap(mesh, fsc.edge, i, cb, data, newRegions)) {
      std::printf("WARNING: should evaluate before the actual application (F_swap)\n");
      return 0;
    }
    PList_append(*oldRegions, fsc.region[0]);
    PList_append(*oldRegions, fsc.region[1]);
    return 1;
  }
  PList_append(*oldRegions, fsc.region[0]);
  PList_append(*oldRegions, fsc.region[1]);
  if (fsc.kase == 2) {
    pVertex c = apexOfThree(a, fsc.third);
    if (!c) {
      ErrorHandler("region face connect. wrong", "F_swap", MT_WARNING);
      PList_clear(*oldRegions);
      return 0;
    }
    PList_append(*oldRegions, fsc.third);
    pVertex p[2];
    int k = 0;
    for (pVertex v : a)
      if (v != c) p[k++] = v;
    triOf(mesh, o0, o1, c, g);
    PList_append(*newRegions, tetOf(mesh, o0, o1, c, p[1], g));
    PList_append(*newRegions, tetOf(mesh, o0, o1, c, p[0], g));
  } else {
    edgeOf(mesh, o0, o1, g);
    for (int j = 0; j < 3; ++j)
      PList_append(*newRegions, tetOf(mesh, o0, o1, a[(j + 1) % 3], a[(j + 2) % 3], g));
  }
  if (cb) cb(*oldRegions, *newRegions, data, FACESWAP, face);
  removeCavity(mesh, *oldRegions);
  return 1;
}
