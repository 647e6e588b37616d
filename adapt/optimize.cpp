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
#include "MT_topology.h"
#include "MT_vector.h"

using namespace KORA;

namespace {

constexpr double kSliver = 0.002;  // shape value below which an element is flat

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
  std::printf("%d sliver faces detected\n", static_cast<int>(slivers.size()));
}

int ConformalAdapter::handleSliverFace(pFace, double, LocMeshMod** best, pPList*) {
  *best = nullptr;
  return 0;
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
  std::printf("%d sliver regions detected\n", static_cast<int>(slivers.size()));
}

int ConformalAdapter::swapOrsplitPbTet(pRegion, double, LocMeshMod** best) {
  *best = nullptr;
  return 0;
}
