// Repairs that let the current vertex of a snapping pass get further along
// its straight path to the target.
#include <algorithm>
#include <array>
#include <iostream>
#include <utility>
#include <vector>

#include "AdaptUtil.h"
#include "EdgeCollapsMod.h"
#include "EdgeSplitMod.h"
#include "EdgeSwapMod.h"
#include "FaceSwapMod.h"
#include "MT_geometry.h"
#include "MT_intersect.h"
#include "MT_topology.h"
#include "RegionCollapsMod.h"
#include "RegionCollapsMod_2.h"
#include "SplitCollapsMod.h"
#include "VertMotionsMod.h"
#include "snapVertices.h"
#include "templatesUtil.h"

using namespace KORA;

namespace {
double dist2(const double a[3], const double b[3]) {
  double d = 0.0;
  for (int k = 0; k < 3; ++k) d += (a[k] - b[k]) * (a[k] - b[k]);
  return d;
}

std::vector<pRegion> regionsOf(SSList<mEntity*>& list) {
  std::vector<pRegion> out;
  SSListIter<mEntity*> it(list);
  mEntity* r;
  while (it.next(r)) out.push_back(r);
  return out;
}
}  // namespace

void snapVertices::FirstPbPlane(double* x0) {
  fppFace = nullptr;
  fppRegion = nullptr;
  fppPoint[0] = fppPoint[1] = fppPoint[2] = 0.0;
  PList_clear(fppEdges);
  double best = 99999999.0, d[3];
  for (int k = 0; k < 3; ++k) d[k] = curTarget[k] - x0[k];
  std::vector<std::pair<pRegion, double>> met;
  for (pRegion r : regionsOf(*pbRegions)) {
    pFace f = R_vtOpFc(r, curVertex);
    double tri[3][3], hit[3];
    F_coord(f, tri);
    int coplanar = 0;
    if (!M_intersectRay3XYZ(x0, d, tri, hit, &coplanar)) continue;
    double dist = 0.0;
    if (coplanar) {
      // The path runs in the face's plane: the obstacle is met at once.
      std::cout << "Error: invalid mesh ( FirstPbPlane() ) " << std::endl;
      for (int k = 0; k < 3; ++k) hit[k] = x0[k];
    } else {
      dist = dist2(hit, x0);
    }
    met.emplace_back(r, dist);
    if (dist < best) {
      best = dist;
      fppFace = f;
      fppRegion = r;
      if (!targetValid)
        for (int k = 0; k < 3; ++k) fppPoint[k] = hit[k];
    }
  }
  if (targetValid)
    for (int k = 0; k < 3; ++k) fppPoint[k] = curTarget[k];
  pPList ties = PList_new();
  if (met.empty()) {
    std::vector<pRegion> all = regionsOf(*pbRegions);
    fppRegion = all.front();
    fppFace = R_vtOpFc(fppRegion, curVertex);
    for (pRegion r : all) PList_append(ties, r);
  } else {
    for (auto& [r, dist] : met)
      if (dist < best + tolerance) PList_append(ties, r);
  }
  commonEdges(ties);
  PList_delete(ties);
}

void snapVertices::commonEdges(pPList ties) {
  const int n = PList_size(ties);
  if (n > 1) {
    double c[3];
    AdaptUtil::centroidOfMFace(fppFace, c);
    double nearest = dist2(c, fppPoint);
    for (int i = 0; i < n; ++i) {
      pRegion r = static_cast<pRegion>(PList_item(ties, i));
      pFace f = R_vtOpFc(r, curVertex);
      AdaptUtil::centroidOfMFace(f, c);
      const double d = dist2(c, fppPoint);
      if (d < nearest) {
        nearest = d;
        fppRegion = r;
        fppFace = f;
      }
    }
  }
  pPList edges = R_edges(fppRegion);
  for (int i = 0; i < PList_size(edges); ++i) {
    pEdge e = static_cast<pEdge>(PList_item(edges, i));
    if (!E_inClosure(e, curVertex)) continue;
    int shared = 1;
    for (int j = 0; j < n && shared; ++j) {
      pRegion r = static_cast<pRegion>(PList_item(ties, j));
      if (r != fppRegion && !R_inClosure(r, e)) shared = 0;
    }
    if (shared) PList_append(fppEdges, e);
  }
  PList_delete(edges);
}

void snapVertices::clpsToFPP(LocMeshMod** out) {
  *out = nullptr;
  double best = 0.0;
  for (int i = 0; i < PList_size(fppEdges); ++i) {
    pEdge e = static_cast<pEdge>(PList_item(fppEdges, i));
    pVertex w = E_otherVertex(e, curVertex);
    double xw[3];
    V_coord(w, xw);
    EdgeCollapsMod cand(mesh, field, shpMeasure, sizMeasure, results, curVertex, xw);
    cand.setCollaps(e, w, curVertex);
    if (!field) cand.bdryCheck();
    if (!cand.topoCheck()) continue;
    if (field && (!cand.sizeCheck() || (results->longest > 1.96 && results->longestRatio > 3.0))) continue;
    if (!cand.geomCheck()) continue;
    if (results->worstShape > best) {
      best = results->worstShape;
      delete *out;
      *out = new EdgeCollapsMod(cand);
    }
  }
}

// A collapse that deletes the current vertex carries no motion: the vertex
// goes to the kept one's place, and is judged there.
void snapVertices::judgeCollapse(EdgeCollapsMod* cand, pEdge e, pVertex vd, pVertex vr, LocMeshMod** out,
                                 double* best) {
  if (vd == curVertex) {
    EdgeCollapsMod plain(mesh, field, shpMeasure, sizMeasure, results);
    plain.setCollaps(e, vd, vr);
    AdaptUtil::evalEclps(field, &plain, out, best);
    return;
  }
  cand->setCollaps(e, vd, vr);
  AdaptUtil::evalEclps(field, cand, out, best);
}

int snapVertices::clpsTetEdges(LocMeshMod** out) {
  EdgeCollapsMod cand(mesh, field, shpMeasure, sizMeasure, results, curVertex, fppPoint);
  double best = 0.0;
  auto judge = [&](pEdge e, pVertex vd, pVertex vr) { judgeCollapse(&cand, e, vd, vr, out, &best); };
  const int n = PList_size(fppEdges);
  if (n == 2) {
    pVertex a = E_otherVertex(static_cast<pEdge>(PList_item(fppEdges, 0)), curVertex);
    pVertex b = E_otherVertex(static_cast<pEdge>(PList_item(fppEdges, 1)), curVertex);
    if (pEdge e = M_boundedEdgeOnFace(fppFace, a, b)) {
      judge(e, a, b);
      judge(e, b, a);
    }
  } else if (n == 3) {
    for (int i = 0; i < 3; ++i) {
      pEdge e = F_edge(fppFace, i);
      judge(e, E_vertex(e, 0), E_vertex(e, 1));
      judge(e, E_vertex(e, 1), E_vertex(e, 0));
    }
  }
  if (!*out)
    for (int i = 0; i < n; ++i)
      eliminateCommonEdge(static_cast<pEdge>(PList_item(fppEdges, i)), &cand, out, &best);
  return *out != nullptr;
}

void snapVertices::eliminateCommonEdge(pEdge c, EdgeCollapsMod* cand, LocMeshMod** out, double* best) {
  auto judge = [&](pEdge e, pVertex vd, pVertex vr) { judgeCollapse(cand, e, vd, vr, out, best); };
  judge(c, E_vertex(c, 0), E_vertex(c, 1));
  judge(c, E_vertex(c, 1), E_vertex(c, 0));
  pVertex u = E_otherVertex(c, curVertex);
  for (int i = 0; i < V_numEdges(u); ++i) {
    pEdge e = V_edge(u, i);
    if (e == c || F_inClosure(fppFace, e)) continue;
    pVertex t = E_otherVertex(e, u);
    double xt[3];
    V_coord(t, xt);
    if (AdaptUtil::V_wrtFace(xt, curVertex, fppFace) != 1) judge(e, u, t);
  }
}

int snapVertices::clpsBdryPbTet(SSListIter<mEntity*>* it) {
  pVertex v = curVertex;
  double saved[3];
  V_coord(v, saved);
  AdaptUtil::move_vertex(v, fppPoint);
  std::vector<pVertex> fresh;
  bool deleted = false;
  int result = 0;
  for (pRegion r : regionsOf(*pbRegions)) {
    // An earlier collapse may have removed this region with others: only
    // regions still around v are looked at.
    pPList around = V_regions(v);
    const int alive = PList_inList(around, r);
    PList_delete(around);
    if (!alive) continue;
    RegionCollapsMod rc(mesh, field, r, 175.0);
    if (!rc.topoCheck() || !rc.geomCheck()) continue;
    result = 1;
    rc.apply();
    pbRegions->remove(r);
    pVertex kept = rc.keptVertex();
    if (!kept) continue;
    if (rc.getCfg() != 3) {
      ProcessNewBdryVertex(kept);
      fresh.push_back(kept);
    } else if (kept == v) {
      deleted = true;
      it->remove();
      freeTarget(v);  // v has left toSnap: no entry in removedVerts
      delete_vertex(v);
      break;
    } else {
      const bool listed = target(kept) != nullptr;
      auto inFresh = std::find(fresh.begin(), fresh.end(), kept);
      delete_vertex(kept);
      // A vertex that never reached toSnap needs no entry in removedVerts.
      if (listed && inFresh != fresh.end()) {
        fresh.erase(inFresh);
        removedVerts->remove(kept);
      }
    }
  }
  for (pVertex n : fresh) it->insert(n);
  if (!deleted) AdaptUtil::move_vertex(v, saved);
  return result;
}

int snapVertices::splitPbEdge(pEdge e, LocMeshMod** out) {
  if (target(E_vertex(e, 0)) || target(E_vertex(e, 1))) return 0;
  double xyz[3], par[3];
  if (!templatesUtil::middlePoint(e, xyz, par)) return 0;
  EdgeSplitMod cand(mesh, field, shpMeasure, sizMeasure, results, curVertex, fppPoint);
  cand.setSplitEdge(e);
  cand.setSplitPos(xyz, par);
  results->reset();
  if (!cand.topoCheck() || !cand.geomCheck()) return 0;
  delete *out;
  *out = new EdgeSplitMod(cand);
  return 1;
}

int snapVertices::swapOrsplitPbTet(LocMeshMod** out) {
  if (PList_size(fppEdges) < 2) return 0;
  *out = nullptr;
  double best = 0.0;
  pEntity keys[4];
  double areas[4], P[3];
  const int k = AdaptUtil::getTetInfo(fppRegion, fppFace, curVertex, targetValid, keys, areas, P);
  if (k == 0) return 0;
  double smallest = 99999999.0;
  for (int i = 1; i < 4; ++i) smallest = std::min(smallest, areas[i]);
  if (areas[0] == smallest) {
    pEdge e = nullptr;
    double ratio = 0.0;
    AdaptUtil::F_longestEdge(nullptr, fppFace, &e, &ratio);
    EdgeSwapMod swap(mesh, field, shpMeasure, sizMeasure, results);
    swap.setSwapEdge(e);
    results->reset();
    if (AdaptUtil::evalEswp(&swap, out, &best)) return 1;
    SplitCollapsMod sc(mesh, field, shpMeasure, sizMeasure, results);
    sc.reset(e, fppFace);
    sc.setSnap();
    results->reset();
    if (AdaptUtil::evalSpltClps(&sc, out, &best)) return 1;
  }
  EdgeSwapMod swap(mesh, field, shpMeasure, sizMeasure, results, curVertex, fppPoint);
  SplitCollapsMod sc(mesh, field, shpMeasure, sizMeasure, results, curVertex, fppPoint);
  sc.setSnap();
  auto trySwap = [&](pEntity e) {
    swap.setSwapEdge(e);
    results->reset();
    AdaptUtil::evalEswp(&swap, out, &best);
  };
  auto trySplitCollapse = [&](pEntity e, pEntity f) {
    sc.reset(e, f);
    results->reset();
    AdaptUtil::evalSpltClps(&sc, out, &best);
  };
  switch (k) {
    case 3:
    case 5:
    case 6: {
      trySwap(keys[0]);
      trySwap(keys[1]);
      if (*out) return 1;
      trySplitCollapse(keys[0], keys[2]);
      trySplitCollapse(keys[1], keys[3]);
      if (*out) return 1;
      RegionCollapsMod_2 rc(mesh, field, shpMeasure, sizMeasure, results, curVertex, fppPoint);
      rc.setCollaps(fppRegion, keys[0], keys[1], P);
      results->reset();
      if (rc.topoCheck() && rc.geomCheck()) {
        *out = new RegionCollapsMod_2(rc);
        return 1;
      }
      if (E_whatInType(keys[0]) == 3) return 0;
      return splitPbEdge(keys[0], out);
    }
    default: {
      for (int i = 0; i < 3; ++i) trySwap(F_edge(keys[0], i));
      FaceSwapMod fs(mesh, field, shpMeasure, sizMeasure, results, curVertex, fppPoint);
      fs.setSwapFace(keys[0]);
      if (fs.topoCheck() && fs.geomCheck() && results->worstShape > best) {
        best = results->worstShape;
        delete *out;
        *out = new FaceSwapMod(fs);
      }
      if (*out) return 1;
      trySplitCollapse(keys[1], keys[2]);
      if (*out) return 1;
      if (F_whatInType(keys[0]) == 3) return 0;
      return splitPbEdge(keys[1], out);
    }
  }
}

LocMeshMod* snapVertices::VertexMotion() {
  pVertex v = curVertex;
  double saved[3];
  V_coord(v, saved);
  AdaptUtil::move_vertex(v, fppPoint);
  std::vector<pVertex> K;
  auto dropCounts = [&] {
    for (pVertex w : K) EN_deleteData(w, countId);
  };
  for (pRegion r : regionsOf(*pbRegions)) {
    bool added = false;
    pPList verts = R_vertices(r);
    for (int i = 0; i < PList_size(verts); ++i) {
      pVertex w = static_cast<pVertex>(PList_item(verts, i));
      if (w == v || V_whatInType(w) != 3 || std::find(K.begin(), K.end(), w) != K.end()) continue;
      K.push_back(w);
      int c = 0;
      EN_getDataInt(w, countId, &c);
      EN_attachDataInt(w, countId, c + 1);
      added = true;
    }
    PList_delete(verts);
    if (!added) {
      AdaptUtil::move_vertex(v, saved);
      dropCounts();
      return nullptr;
    }
  }
  pPList A = V_regions(v);
  for (pVertex w : K) {
    pPList rs = V_regions(w);
    PList_appPListUnique(A, rs);
    PList_delete(rs);
  }
  auto* M = new VertMotionsMod(mesh, field);
  std::vector<std::pair<pVertex, std::array<double, 3>>> moved;
  double keep = 10.0;
  bool success = false;
  while (!K.empty() && !success) {
    auto pick = K.begin();
    int most = 0;
    for (auto w = K.begin(); w != K.end(); ++w) {
      int c = 0;
      EN_getDataInt(*w, countId, &c);
      if (c > most) {
        most = c;
        pick = w;
      }
    }
    pVertex w = *pick;
    EN_deleteData(w, countId);
    K.erase(pick);
    SSList<double*> points;
    if (!AdaptUtil::VisibleRegion(w, points)) continue;
    double c[3] = {0.0, 0.0, 0.0};
    const int n = points.size();
    SSListIter<double*> pit(points);
    double* p;
    while (pit.next(p))
      for (int k = 0; k < 3; ++k) c[k] += p[k] / n;
    AdaptUtil::DeleteVisibleRegion(points);
    std::array<double, 3> old;
    V_coord(w, old.data());
    if (dist2(c, old.data()) < tolerance) continue;
    AdaptUtil::move_vertex(w, c);
    double worst = 1000.0;
    int allValid = 1;
    for (int i = 0; i < PList_size(A); ++i) {
      double s = 0.0;
      if (!shpMeasure->get(static_cast<pRegion>(PList_item(A, i)), &s)) allValid = 0;
      worst = std::min(worst, s);
    }
    if (allValid || worst >= keep) {
      M->insert(w, c);
      moved.emplace_back(w, old);
      if (allValid) success = true;
      else keep = worst;
    } else {
      AdaptUtil::move_vertex(w, old.data());
    }
  }
  PList_delete(A);
  dropCounts();
  if (success) return M;
  AdaptUtil::move_vertex(v, saved);
  for (auto& [w, old] : moved) AdaptUtil::move_vertex(w, old.data());
  delete M;
  return nullptr;
}
