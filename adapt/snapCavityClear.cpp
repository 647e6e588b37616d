// Clearing of a model region's cavity between the old boundary surface around
// a snapped vertex and the new patch: regions that cross the new patch, lie
// beyond it, are cut off from the patch's rim or come too close to the new
// surface are removed, and what is left of the old surface goes into the
// model region.
#include <algorithm>
#include <iostream>
#include <unordered_set>
#include <vector>

#include "AdaptUtil.h"
#include "MT_geometry.h"
#include "MT_intersect.h"
#include "MT_queue.h"
#include "MT_topology.h"
#include "MT_vector.h"
#include "snapVertices.h"

using namespace KORA;

namespace {

int markOf(pEntity e, unsigned int id) {
  int x = 0;
  return EN_getDataInt(e, id, &x) ? x : 0;
}

// The face's region classified in R, side 0 first; null when none.
pRegion regionIn(pFace f, pGEntity R) {
  for (int side = 0; side < 2; ++side)
    if (pRegion r = F_region(f, side); r && R_whatIn(r) == R) return r;
  return nullptr;
}

// While K is walked, faces to leave it wait in D: a face found there leaves
// both when the walk reaches it; the rest leave K at the end (D is deleted).
bool takenOut(SSListIter<mEntity*>& it, pPList D, mEntity* f) {
  if (!PList_inList(D, f)) return false;
  it.remove();
  PList_remItem(D, f);
  return true;
}

void takeOut(SSList<mEntity*>& K, pPList D) {
  for (int i = 0; i < PList_size(D); ++i) K.remove(static_cast<mEntity*>(PList_item(D, i)));
  PList_delete(D);
}

// The face's region, side 0 first.
pRegion anyRegion(pFace f) { return F_region(f, 0) ? F_region(f, 0) : F_region(f, 1); }

}  // namespace

void snapVertices::traceReplacedBdry(SSList<mEntity*>& K, pPList& A) {
  PList_delete(replacedEdges);
  PList_delete(replacedVertices);
  replacedEdges = PList_new();
  replacedVertices = PList_new();
  for (int i = 0; i < PList_size(A); ++i) {
    pEdge e = static_cast<pEdge>(PList_item(A, i));
    EN_attachDataInt(e, countId, 1);
    EN_attachDataInt(E_vertex(e, 0), countId, 1);
    EN_attachDataInt(E_vertex(e, 1), countId, 1);
  }
  SSListIter<mEntity*> it(K);
  mEntity* f;
  while (it.next(f)) {
    EN_attachDataInt(f, countId, 1);
    for (int k = 0; k < 3; ++k) {
      pEdge e = F_edge(f, k);
      if (markOf(e, countId)) continue;
      PList_appUnique(replacedEdges, e);
      for (int j = 0; j < 2; ++j)
        if (!markOf(E_vertex(e, j), countId)) PList_appUnique(replacedVertices, E_vertex(e, j));
    }
  }
  for (int i = 0; i < PList_size(A); ++i) {
    pEdge e = static_cast<pEdge>(PList_item(A, i));
    EN_deleteData(e, countId);
    EN_deleteData(E_vertex(e, 0), countId);
    EN_deleteData(E_vertex(e, 1), countId);
  }
}

int snapVertices::removeIntersections(pPList& A, pPList& B, SSList<mEntity*>& K, pGEntity R) {
  const int done = processIntersection_1(R, A, B, K);
  return done ? processIntersection_2(R, B, K) : done;
}

int snapVertices::processIntersection_1(pGEntity R, pPList A, pPList B, SSList<mEntity*>& K) {
  std::vector<pRegion> S, all;
  auto inS = [&](pRegion r) { return std::find(S.begin(), S.end(), r) != S.end(); };
  auto addS = [&](pRegion r) {
    if (r && R_whatIn(r) == R && !inS(r)) S.push_back(r);
  };
  for (int a = 0; a < PList_size(A); ++a) {
    pEdge e = static_cast<pEdge>(PList_item(A, a));
    pFace fOld = AdaptUtil::F_getFmFaces(K, e);
    pFace fNew = AdaptUtil::F_getFmFaces(B, e);
    if (!fOld || !fNew) continue;
    pVertex p = F_edOpVt(fNew, e);
    double xp[3];
    V_coord(p, xp);

    // The regions at e that the new face at e enters or lies beyond.
    pPList regions = E_regions(e);
    for (int j = 0; j < PList_size(regions); ++j) {
      pRegion r = static_cast<pRegion>(PList_item(regions, j));
      if (R_whatIn(r) != R) continue;
      pFace t[2] = {nullptr, nullptr};
      for (int k = 0, n = 0; k < R_numFaces(r) && n < 2; ++k)
        if (F_inClosure(R_face(r, k), e)) t[n++] = R_face(r, k);
      if (!t[1]) continue;
      pPList vs = R_vertices(r);
      double V = 0.0;
      int taken = -1;
      for (int i = 0; i < 2 && taken < 0; ++i) {
        pVertex o = F_edOpVt(t[i], e);
        double x[4][3];
        for (int k = 0; k < 4; ++k) {
          pVertex q = static_cast<pVertex>(PList_item(vs, k));
          if (q == o) {
            for (int c = 0; c < 3; ++c) x[k][c] = xp[c];
          } else {
            V_coord(q, x[k]);
          }
        }
        V = XYZ_volume(x);
        if (V < tolerance) taken = i;
      }
      PList_delete(vs);
      if (taken < 0) {
        addS(r);
        break;
      }
      if (V > -tolerance) {
        addS(F_region(t[1 - taken], 0));
        addS(F_region(t[1 - taken], 1));
        break;
      }
    }
    PList_delete(regions);
    if (S.empty()) continue;

    // The regions between the old face at e and those found.
    bool reached = false;
    for (int side = 0; side < 2 && !reached; ++side) {
      pRegion cur = F_region(fOld, side);
      if (!cur || R_whatIn(cur) != R) continue;
      pFace crossed = fOld;
      std::vector<pRegion> recorded;
      bool failed = false;
      // A walk around e meets each region at e at most once.
      for (int steps = 0; !inS(cur); ++steps) {
        pFace next = nullptr;
        for (int k = 0; k < R_numFaces(cur) && !next; ++k) {
          pFace c = R_face(cur, k);
          if (c != crossed && F_inClosure(c, e)) next = c;
        }
        if (!next || (F_whatInType(next) == 2 && !markOf(next, countId)) || steps > E_numFaces(e)) {
          failed = true;
          break;
        }
        recorded.push_back(cur);
        crossed = next;
        cur = AdaptUtil::F_otherRgn(next, cur);
        if (!cur) {
          failed = true;
          break;
        }
      }
      if (failed) continue;
      for (pRegion r : recorded)
        if (!inS(r)) S.push_back(r);
      reached = true;
    }
    if (!reached) {
      std::cerr << "Error: interacted region between TPM00 and intersecting region"
                << " can not be determined (processIntersection_1)" << std::endl;
      return 0;
    }
    for (pRegion r : S)
      if (std::find(all.begin(), all.end(), r) == all.end()) all.push_back(r);
    S.clear();
  }
  for (pRegion r : all) expandCavity(r, K, nullptr, -1);
  return 1;
}

int snapVertices::processIntersection_2(pGEntity R, pPList B, SSList<mEntity*>& K) {
  pPList D = PList_new();
  // Each restart follows a change of the boundary; the restarts are bounded.
  const int maxRestarts = 1000;
  int restarts = 0;
  SSListIter<mEntity*> it(K);
  mEntity* f;
  while (it.next(f)) {
    if (takenOut(it, D, f)) continue;
    for (int i = 0; i < PList_size(B); ++i) {
      pFace g = static_cast<pFace>(PList_item(B, i));
      if (AdaptUtil::CommonEdge(f, g)) continue;
      IntersectionData d = M_intersectionData_new();
      const int hit = M_intersectFaces(f, 1, g, 1, &d);
      const bool touch = d.dimension == 0 && d.numPoints == 1 && d.points && d.points->ent1 &&
                         EN_type(d.points->ent1) == 0 && d.points->ent1 == d.points->ent2;
      M_intersectionData_delete(d);
      if (hit != 1 || touch) continue;
      if (F_whatInType(f) == 3 || markOf(f, countId)) {
        pRegion r = regionIn(f, R);
        if (!r) {
          std::cout << "Error - invalid mesh (processIntersection_2)" << std::endl;
          PList_delete(D);
          return 0;
        }
        expandCavity(r, K, D, 2);
        break;
      }
      std::cout << "INFO - want to expand a face classified on model face" << std::endl;
      const int res = expandCavityAtBdry(f, g, K, D, 2);
      if (res == 0 || res == 3 || ++restarts > maxRestarts) {
        if (res == 3) std::cerr << "       NOT IMPLEMENTED" << std::endl;
        PList_delete(D);
        return 0;
      }
      it.reset();
      break;
    }
  }
  takeOut(K, D);
  return 1;
}

int snapVertices::expandCavityAtBdry(pFace f, pFace g, SSList<mEntity*>& K, pPList list, int mode) {
  (void)g;
  std::vector<pRegion> regions;
  bool moved = false;
  pPList vs = F_vertices(f, 1);
  for (int i = 0; i < PList_size(vs); ++i) {
    pVertex x = static_cast<pVertex>(PList_item(vs, i));
    double* t = target(x);
    if (!t) continue;
    AdaptUtil::move_vertex(x, t);
    removedVerts->append(x);
    freeTarget(x);
    moved = true;
    pPList rs = V_regions(x);
    for (int k = 0; k < PList_size(rs); ++k) {
      pRegion r = static_cast<pRegion>(PList_item(rs, k));
      if (std::find(regions.begin(), regions.end(), r) == regions.end()) regions.push_back(r);
    }
    PList_delete(rs);
  }
  PList_delete(vs);
  bool bad = false;
  for (pRegion r : regions) {
    double s = 0.0;
    shpMeasure->get(r, &s);
    if (s < tolerance) bad = true;
  }
  if (bad)
    for (pRegion r : regions) expandCavity(r, K, list, mode);
  if (moved) return 1;

  // The faces here that are not similar to their model face are repaired.
  pPList L = PList_new();
  auto similarity = [&](pFace h) {
    int known = 0;
    return EN_getDataInt(h, geoCheckedId, &known) ? known : AdaptUtil::F_checkGeoSim(h, paramsId);
  };
  pFace candidates[4] = {f, nullptr, nullptr, nullptr};
  for (int k = 0; k < 3; ++k) candidates[k + 1] = AdaptUtil::E_otherBdryFace(F_edge(f, k), f);
  for (pFace h : candidates)
    if (h && similarity(h) != 1) PList_appUnique(L, h);
  if (PList_size(L) == 0) {
    std::cout << "INFO:  need refinement or bad T(P(M00)) (expandCavityAtBdry)" << std::endl;
    PList_delete(L);
    return 3;
  }
  // Each repair changes the mesh; the walks are bounded.
  const int maxWalks = 100;
  for (int walk = 0; PList_size(L) > 0; ++walk) {
    pPList copy = PList_newCopy(L);
    for (int i = 0; i < PList_size(copy); ++i) {
      pFace h = static_cast<pFace>(PList_item(copy, i));
      if (!PList_inList(L, h)) continue;
      if (!fixGeoSim(h, &L, 1, &K) || walk >= maxWalks) {
        PList_remItem(L, h);
        std::cerr << "Error: a face not similar to boundary is not eliminated (expandCavityAtBdry)" << std::endl;
        PList_delete(copy);
        PList_delete(L);
        return 0;
      }
    }
    PList_delete(copy);
  }
  PList_delete(L);
  return 2;
}

void snapVertices::expandCavity(pRegion r, SSList<mEntity*>& K, pPList list, int mode) {
  pGEntity R = R_whatIn(r);
  pFace faces[4];
  for (int i = 0; i < 4; ++i) faces[i] = R_face(r, i);
  M_removeRegion(mesh, r);
  auto leave = [&](pFace f) {
    if (mode == 2) {
      if (list) PList_append(list, f);
    } else {
      K.remove(f);
    }
  };
  for (pFace f : faces) {
    if (!markOf(f, countId)) {
      if (F_whatInType(f) == 2 || anyRegion(f)) {
        K.appendUnique(f);
      } else {
        if (K.inList(f)) leave(f);
        deleteFace(f, list, mode);
      }
    } else {
      pRegion other = anyRegion(f);
      if (!other || R_whatIn(other) != R) {
        leave(f);
        EN_deleteData(f, countId);
        deleteFace(f, list, mode);
      }
    }
  }
}

void snapVertices::deleteFace(pFace f, pPList list, int mode) {
  if (F_region(f, 0) || F_region(f, 1)) return;
  EN_deleteData(f, geoCheckedId);
  pEdge edges[3];
  for (int k = 0; k < 3; ++k) edges[k] = F_edge(f, k);
  M_removeFace(mesh, f);
  for (pEdge e : edges) {
    if (E_numFaces(e) != 0) continue;
    if (mode == 1 && list) PList_append(list, e);
    if (replacedEdges) PList_remItem(replacedEdges, e);
    pVertex ends[2] = {E_vertex(e, 0), E_vertex(e, 1)};
    M_removeEdge(mesh, e);
    for (pVertex x : ends) {
      if (V_numEdges(x) == 0) {
        if (mode == 0 && list) PList_append(list, x);
        if (replacedVertices) PList_remItem(replacedVertices, x);
      }
      delete_vertex(x);
    }
  }
}

void snapVertices::removeDiscEntities(pGEntity R, pPList& A, SSList<mEntity*>& K) {
  // Each edge of the cavity lists the cavity faces that use it.
  auto facesOf = [&](pEdge e) {
    void* p = nullptr;
    return EN_getDataPtr(e, remeshId, &p) ? static_cast<pPList>(p) : nullptr;
  };
  {
    SSListIter<mEntity*> it(K);
    mEntity* f;
    while (it.next(f))
      for (int k = 0; k < 3; ++k) {
        pEdge e = F_edge(f, k);
        pPList l = facesOf(e);
        if (!l) {
          l = PList_new();
          EN_attachDataPtr(e, remeshId, l);
        }
        PList_append(l, f);
      }
  }
  // The faces connected to the patch's rim, through the cavity's edges.
  std::unordered_set<pFace> connected;
  if (PList_size(A) > 0) {
    pPQueue Q = PQueue_new();
    if (pPList first = facesOf(static_cast<pEdge>(PList_item(A, 0))))
      for (int i = 0; i < PList_size(first); ++i) PQueue_push(Q, PList_item(first, i));
    while (pFace f = static_cast<pFace>(PQueue_pop(Q))) {
      if (!connected.insert(f).second) continue;
      for (int k = 0; k < 3; ++k) {
        pEdge e = F_edge(f, k);
        pPList l = facesOf(e);
        if (!l) continue;
        PList_remItem(l, f);
        for (int i = 0; i < PList_size(l); ++i) PQueue_push(Q, PList_item(l, i));
        PList_delete(l);
        EN_deleteData(e, remeshId);
      }
    }
    PQueue_delete(Q);
  }
  {
    SSListIter<mEntity*> it(K);
    mEntity* f;
    while (it.next(f))
      for (int k = 0; k < 3; ++k) {
        pEdge e = F_edge(f, k);
        if (pPList l = facesOf(e)) {
          PList_delete(l);
          EN_deleteData(e, remeshId);
        }
      }
  }
  // Replaced faces now inside the model region leave the cavity.
  {
    SSListIter<mEntity*> it(K);
    mEntity* f;
    while (it.next(f)) {
      pRegion r0 = F_region(f, 0), r1 = F_region(f, 1);
      if (!markOf(f, countId) || !r0 || !r1 || R_whatIn(r0) != R || R_whatIn(r1) != R) continue;
      it.remove();
      F_setWhatIn(f, R);
      EN_deleteData(f, countId);
      connected.erase(f);
    }
  }
  // The regions behind faces cut off from the rim are removed.
  pPList D = PList_new();
  SSListIter<mEntity*> it(K);
  mEntity* f;
  while (it.next(f)) {
    if (takenOut(it, D, f)) continue;
    if (connected.count(f)) continue;
    if (pRegion r = regionIn(f, R)) expandCavity(r, K, D, 2);
  }
  takeOut(K, D);
}

void snapVertices::removeCloseEntities(pPList& A, pPList& B, SSList<mEntity*>& K) {
  auto insideOrReplaced = [&](pFace f) { return F_whatInType(f) == 3 || markOf(f, countId); };

  // Old faces folded onto the new patch at its rim.
  pPQueue Q = PQueue_new();
  for (int i = 0; i < PList_size(A); ++i) PQueue_push(Q, PList_item(A, i));
  while (pEdge e = static_cast<pEdge>(PQueue_pop(Q))) {
    pFace fC = AdaptUtil::F_getFmFaces(K, e);
    if (!fC || !insideOrReplaced(fC)) continue;
    pFace fN = AdaptUtil::F_getFmFaces(B, e);
    if (!fN) continue;
    double x[4][3];
    V_coord(E_vertex(e, 0), x[0]);
    V_coord(E_vertex(e, 1), x[1]);
    V_coord(F_edOpVt(fN, e), x[2]);
    V_coord(F_edOpVt(fC, e), x[3]);
    if (E_dihedral(x) < 0.9397) continue;
    if (pRegion r = anyRegion(fC)) {
      expandCavity(r, K, nullptr, -1);
      PQueue_push(Q, e);
    }
  }

  // The rim is marked; the closeness threshold is a third of the shortest
  // edge at the rim (squared).
  double m = -1.0;
  for (int i = 0; i < PList_size(A); ++i) {
    pEdge e = static_cast<pEdge>(PList_item(A, i));
    EN_attachDataInt(e, countId, 1);
    for (int j = 0; j < 2; ++j) {
      pVertex x = E_vertex(e, j);
      EN_attachDataInt(x, countId, 1);
      const double l = AdaptUtil::V_shortestLength(x);
      if (m == -1.0 || l < m) m = l;
    }
  }
  const double threshold = 0.111111 * m;

  // Vertices, then edges, of the cavity that lie inside the model region or
  // on the replaced surface and come close to the new surface lose their
  // regions, and their unmarked interior neighbours are queued. Each entity
  // is queued once, so the queue ends; one deleted while it waited is passed.
  pPList deleted = PList_new();
  std::unordered_set<pEntity> seen;
  auto queueOnce = [&](pEntity x) {
    if (seen.insert(x).second) PQueue_push(Q, x);
  };
  auto sweep = [&](auto sub, auto close, auto spread, pPList (*regionsOf)(pEntity), int mode) {
    PList_clear(deleted);
    seen.clear();
    SSListIter<mEntity*> it(K);
    mEntity* f;
    while (it.next(f)) {
      const int replaced = markOf(f, countId);
      for (int k = 0; k < 3; ++k)
        if (pEntity x = sub(f, k); !markOf(x, countId) && (replaced || EN_whatInType(x) == 3)) queueOnce(x);
    }
    while (pEntity x = static_cast<pEntity>(PQueue_pop(Q))) {
      if (PList_inList(deleted, x)) {
        PList_remItem(deleted, x);
        continue;
      }
      if (!close(x)) continue;
      spread(x);
      pPList rs = regionsOf(x);
      for (int k = 0; k < PList_size(rs); ++k) expandCavity(static_cast<pRegion>(PList_item(rs, k)), K, deleted, mode);
      PList_delete(rs);
    }
  };
  sweep(
      F_vertex,
      [&](pVertex x) {
        for (int i = 0; i < PList_size(B); ++i)
          if (AdaptUtil::V_sqrDistToFace(x, static_cast<pFace>(PList_item(B, i))) < threshold) return true;
        return false;
      },
      [&](pVertex x) {
        for (int k = 0; k < V_numEdges(x); ++k) {
          pVertex y = E_otherVertex(V_edge(x, k), x);
          if (!markOf(y, countId) && V_whatInType(y) == 3) queueOnce(y);
        }
      },
      V_regions, 0);

  std::vector<pEdge> N;  // the new surface's edges off the rim
  for (int i = 0; i < PList_size(B); ++i) {
    pFace g = static_cast<pFace>(PList_item(B, i));
    for (int k = 0; k < 3; ++k) {
      pEdge e = F_edge(g, k);
      if (!markOf(e, countId) && std::find(N.begin(), N.end(), e) == N.end()) N.push_back(e);
    }
  }
  sweep(
      F_edge,
      [&](pEdge e) {
        for (pEdge n : N) {
          const bool shared = E_vertex(n, 0) == E_vertex(e, 0) || E_vertex(n, 0) == E_vertex(e, 1) ||
                              E_vertex(n, 1) == E_vertex(e, 0) || E_vertex(n, 1) == E_vertex(e, 1);
          if (!shared && AdaptUtil::M_sqrDistEdges(e, n) < threshold) return true;
        }
        return false;
      },
      [&](pEdge e) {
        for (int k = 0; k < E_numFaces(e); ++k)
          for (int j = 0; j < 3; ++j)
            if (pEdge d = F_edge(E_face(e, k), j); !markOf(d, countId) && E_whatInType(d) == 3) queueOnce(d);
      },
      E_regions, 1);
  PList_delete(deleted);
  PQueue_delete(Q);

  // Regions left with a single face on the new surface side: pockets.
  std::vector<pRegion> pockets;
  {
    SSListIter<mEntity*> it(K);
    mEntity* f;
    while (it.next(f)) {
      pRegion r0 = F_region(f, 0), r1 = F_region(f, 1);
      if (!r0 == !r1) continue;
      pRegion r = r0 ? r0 : r1;
      int count = 0;
      for (int k = 0; k < R_numFaces(r); ++k) {
        pFace c = R_face(r, k);
        if (c == f) ++count;
        if (K.inList(c)) ++count;
      }
      if (count == 3 && std::find(pockets.begin(), pockets.end(), r) == pockets.end()) pockets.push_back(r);
    }
  }
  for (pRegion r : pockets) expandCavity(r, K, nullptr, -1);

  for (int i = 0; i < PList_size(A); ++i) {
    pEdge e = static_cast<pEdge>(PList_item(A, i));
    EN_deleteData(e, countId);
    EN_deleteData(E_vertex(e, 0), countId);
    EN_deleteData(E_vertex(e, 1), countId);
  }
}

void snapVertices::reclassifyReplacedBdry(pGEntity R, SSList<mEntity*>& K) {
  SSListIter<mEntity*> it(K);
  mEntity* f;
  while (it.next(f)) {
    if (!markOf(f, countId)) continue;
    F_setWhatIn(f, R);
    EN_deleteData(f, countId);
  }
  for (int i = 0; i < PList_size(replacedEdges); ++i) E_setWhatIn(static_cast<pEdge>(PList_item(replacedEdges, i)), R);
  for (int i = 0; i < PList_size(replacedVertices); ++i) {
    pVertex v = static_cast<pVertex>(PList_item(replacedVertices, i));
    freeReparam(v);
    V_setWhatIn(v, R);
  }
  PList_delete(replacedEdges);
  PList_delete(replacedVertices);
  replacedEdges = replacedVertices = nullptr;
}
