// Shape passes of the adaptation driver: edge swaps that clearly improve the
// worst element around an edge, then repairs of flat triangles and of flat
// tetrahedra, each choosing the candidate modification that leaves the best
// worst shape.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <unordered_set>
#include <utility>
#include <vector>

#include "AdaptUtil.h"
#include "ConformalAdapter.h"
#include "EdgeCollapsMod.h"
#include "EdgeSwapMod.h"
#include "FaceSwapMod.h"
#include "MT_topology.h"
#include "MT_vector.h"
#include "RegionCollapsMod_2.h"
#include "SplitCollapsMod.h"

using namespace KORA;

namespace {

constexpr double kSliver = 0.002;  // shape value below which an element is flat

// The entities a repair deletes, whatever its kind: every change reports the
// elements it replaces, so the callback sees them all before they go. The
// caller's own callback is called on.
struct RemovalLog {
  CBFunction callback;
  void* userData;
  std::unordered_set<pEntity> removed;

  static void record(pPList olds, pPList news, void* data, modType kind, pEntity e) {
    auto* log = static_cast<RemovalLog*>(data);
    void* it = nullptr;
    while (void* x = PList_next(olds, &it)) log->removed.insert(static_cast<pEntity>(x));
    if (log->callback) log->callback(olds, news, log->userData, kind, e);
  }
  void route(LocMeshMod& op) {
    op.callback = &RemovalLog::record;
    op.userData = this;
  }
  void add(pPList l) {
    void* it = nullptr;
    while (void* x = PList_next(l, &it)) removed.insert(static_cast<pEntity>(x));
  }
  // True (once) when e went in an earlier repair.
  bool takeOut(pEntity e) { return removed.erase(e) > 0; }
};

template <class T>
void sortWorstFirst(std::vector<std::pair<double, T>>& v) {
  std::stable_sort(v.begin(), v.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
}

}  // namespace

int ConformalAdapter::optimize() {
  const double tol = M_getTolerance();
  const int n = M_numEdges(mesh);
  meanRatio shape(field, 0.05);
  EdgeSwapMod swp(mesh, field, &shape, sizMeasure, results);
  configure(swp, &shape, 0);
  int count = 0;
  EIter it = M_edgeIter(mesh);
  // Swaps add edges to the walk: it stops after the edges there were at the start.
  for (int visited = 0; visited <= n; ++visited) {
    pEdge e = EIter_next(it);
    if (!e) break;
    pPList regions = E_regions(e);
    if (PList_size(regions) <= 5) {
      swp.setSwapEdge(e);
      if (swp.topoCheck() && swp.geomCheck()) {
        const double worst = AdaptUtil::E_worstShp(&shape, regions, e);
        double bar = 1.5 * worst;
        if (std::fabs(worst) < tol) {
          std::printf("WARNING: flat elements (ConformalAdapter::optimize())");
          bar = worst + tol;
        }
        if (results->worstShape > bar && swp.apply()) ++count;
      }
    }
    PList_delete(regions);
  }
  EIter_delete(it);
  std::cout << count << " edge swap are performed" << std::endl;
  return count;
}

void ConformalAdapter::removeSliverFaces() {
  std::vector<std::pair<double, pFace>> slivers;
  FIter it = M_faceIter(mesh);
  while (pFace f = FIter_next(it)) {
    double s = 0.0;
    shpMeasure->get2D(f, &s);
    if (s < kSliver) slivers.emplace_back(s, f);
  }
  FIter_delete(it);
  sortWorstFirst(slivers);
  std::printf("%d sliver faces detected\n", static_cast<int>(slivers.size()));
  std::fflush(stdout);

  RemovalLog log{callback, userData, {}};
  for (const auto& [s, f] : slivers) {
    if (log.takeOut(f)) continue;
    LocMeshMod* best = nullptr;
    pPList affected = nullptr;
    if (!handleSliverFace(f, s, &best, &affected)) continue;
    log.add(affected);
    PList_delete(affected);
    log.route(*best);
    best->apply();
    delete best;
  }
}

int ConformalAdapter::handleSliverFace(pFace face, double shape, LocMeshMod** best, pPList* affected) {
  *best = nullptr;
  double bestShape = shape;
  EdgeSwapMod swp(mesh, field, shpMeasure, sizMeasure, results);
  configure(swp, shpMeasure, 1);
  EdgeCollapsMod clps(mesh, field, shpMeasure, sizMeasure, results);
  configure(clps, shpMeasure, 1);

  pEdge longest = nullptr;
  double ratio = 0.0;
  if (!AdaptUtil::F_longestEdge(field, face, &longest, &ratio)) {
    longest = nullptr;
    std::printf("WARNING: problem in finding the longest edge\n");
  } else {
    swp.setSwapEdge(longest);
    AdaptUtil::evalEswp(&swp, best, &bestShape);
  }
  for (int i = 0; i < 3; ++i) {
    pEdge e = F_edge(face, i);
    if (e == longest) continue;
    for (int j = 0; j < 2; ++j) {
      clps.setCollaps(e, E_vertex(e, j), E_vertex(e, 1 - j));
      AdaptUtil::evalEclps(field, &clps, best, &bestShape);
    }
  }
  if (!*best) return 0;
  if ((*best)->type() == ECOLLAPSE)
    *affected = V_faces(static_cast<EdgeCollapsMod*>(*best)->vertD());
  else
    *affected = E_faces(longest);
  return 1;
}

void ConformalAdapter::removeSliverRegions() {
  std::vector<std::pair<double, pRegion>> slivers;
  RIter it = M_regionIter(mesh);
  while (pRegion r = RIter_next(it)) {
    double s = 0.0;
    shpMeasure->get(r, &s);
    if (s < kSliver) slivers.emplace_back(s, r);
  }
  RIter_delete(it);
  sortWorstFirst(slivers);
  std::printf("%d sliver regions detected\n", static_cast<int>(slivers.size()));
  std::fflush(stdout);

  RemovalLog log{callback, userData, {}};
  for (const auto& [s, r] : slivers) {
    if (log.takeOut(r)) continue;
    LocMeshMod* best = nullptr;
    if (!swapOrsplitPbTet(r, s, &best)) continue;
    pPList affected = nullptr;
    best->getAffectedRgns(&affected);
    if (affected) {
      log.add(affected);
      PList_delete(affected);
    }
    log.route(*best);
    best->apply();
    delete best;
  }
}

int ConformalAdapter::swapOrsplitPbTet(pRegion region, double shape, LocMeshMod** best) {
  *best = nullptr;
  double bestShape = shape;
  pFace f0 = R_face(region, 0);
  pVertex v = R_fcOpVt(region, f0);
  pEntity keys[4] = {nullptr, nullptr, nullptr, nullptr};
  double areas[4], point[3];
  const int kind = AdaptUtil::getTetInfo(region, f0, v, 1, keys, areas, point);
  if (kind == 0) return 0;

  EdgeSwapMod swp(mesh, field, shpMeasure, sizMeasure, results);
  configure(swp, shpMeasure, 0);
  SplitCollapsMod sc(mesh, field, shpMeasure, sizMeasure, results);
  configure(sc, shpMeasure, 0);

  if (kind == 3 || kind == 5 || kind == 6) {
    for (int i = 0; i < 2; ++i) {
      swp.setSwapEdge(static_cast<pEdge>(keys[i]));
      AdaptUtil::evalEswp(&swp, best, &bestShape);
    }
    if (*best) return 1;
    for (int i = 0; i < 2; ++i) {
      sc.reset(static_cast<pEdge>(keys[i]), static_cast<pFace>(keys[2 + i]));
      AdaptUtil::evalSpltClps(&sc, best, &bestShape);
    }
    if (*best) return 1;
    RegionCollapsMod_2 rc(mesh, field, shpMeasure, sizMeasure, results);
    configure(rc, shpMeasure, 0);
    double xyz[3];
    pEdge e0 = static_cast<pEdge>(keys[0]), e1 = static_cast<pEdge>(keys[1]);
    AdaptUtil::centroidOfMEdge(E_whatInType(e0) == 3 ? e1 : e0, xyz);
    rc.setCollaps(region, e0, e1, xyz);
    if (rc.topoCheck() && rc.geomCheck()) {
      *best = new RegionCollapsMod_2(rc);
      return 1;
    }
    return 0;
  }

  pFace f = static_cast<pFace>(keys[0]);
  for (int i = 0; i < 3; ++i) {
    swp.setSwapEdge(F_edge(f, i));
    AdaptUtil::evalEswp(&swp, best, &bestShape);
  }
  FaceSwapMod fs(mesh, field, shpMeasure, sizMeasure, results);
  configure(fs, shpMeasure, 0);
  fs.setSwapFace(f);
  if (fs.topoCheck() && fs.geomCheck() && results->worstShape > 1.5 * bestShape) {
    delete *best;
    *best = new FaceSwapMod(fs);
  }
  if (*best) return 1;
  sc.reset(static_cast<pEdge>(keys[1]), static_cast<pFace>(keys[2]));
  AdaptUtil::evalSpltClps(&sc, best, &bestShape);
  return *best ? 1 : 0;
}
