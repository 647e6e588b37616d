#include "FaceSwapMod.h"

#include <algorithm>
#include <cstdio>

#include "AdaptUtil.h"
#include "MT_mark.h"
#include "MT_modify.h"
#include "MT_topology.h"
#include "MT_vector.h"
#include "operatorChecks.h"
#include "templatesUtil.h"

using namespace KORA;
using namespace operatorChecks;

namespace {

// The face that two regions share, null when none.
pFace sharedFace(pRegion a, pRegion b) {
  for (int i = 0; i < R_numFaces(a); ++i)
    for (int j = 0; j < R_numFaces(b); ++j)
      if (R_face(a, i) == R_face(b, j)) return R_face(a, i);
  return nullptr;
}

}  // namespace

FaceSwapMod::FaceSwapMod(pMesh m, metricField* f, shapeMeasure* shp, sizeMeasure* siz, EvalResults* res,
                         pVertex v, const double t[3])
    : LocMeshMod(m, f, shp, siz, res), vertex(v) {
  for (int k = 0; k < 3; ++k) target[k] = t[k];
}

void FaceSwapMod::setSwapFace(pFace f) {
  face = f;
  turnEdge = nullptr;
  results->reset();
}

int FaceSwapMod::topoCheck() { return F_whatInType(face) != 2 && EN_okTo(0, face); }

int FaceSwapMod::evaluated(faceSwapInfo* info) {
  *info = F_swapInfo();
  if (info->face == face) return 1;
  TemporaryMove moved(vertex, target);
  if (!F_evalSwap(face, M_getTolerance())) return 0;
  *info = F_swapInfo();
  return 1;
}

int FaceSwapMod::geomCheck() {
  TemporaryMove moved(vertex, target);
  if (!F_evalSwap(face, M_getTolerance())) return 0;
  const faceSwapInfo info = F_swapInfo();
  results->reset();
  pVertex o1 = info.opposite[1];
  double x1[3];
  V_coord(o1, x1);
  metric* m1 = AdaptUtil::getMetric(field, o1);
  double worst;
  if (info.kase == 3) {
    turnEdge = nullptr;
    worst = 99999999;
    pPList vs = F_vertices(face, 1);
    int ok = 1;
    for (int i = 0; ok && i < PList_size(vs); ++i)
      ok = rateReplaced(*this, info.region[0], static_cast<pVertex>(PList_item(vs, i)), x1, m1, worst);
    PList_delete(vs);
    if (!ok) return 0;
    if (vertex && !rateRegionsAround(*this, vertex, nullptr, nullptr, info.region, 2, worst)) return 0;
  } else if (info.kase == 2) {
    pFace between = sharedFace(info.third, info.region[0]);
    turnEdge = between ? F_vtOpEd(between, info.opposite[0]) : nullptr;
    if (!turnEdge) return 0;
    worst = 100;
    for (int end = 0; end < 2; ++end)
      if (!rateReplaced(*this, info.region[0], E_vertex(turnEdge, end), x1, m1, worst)) return 0;
    const pRegion three[3] = {info.region[0], info.region[1], info.third};
    if (vertex && !rateRegionsAround(*this, vertex, nullptr, nullptr, three, 3, worst)) return 0;
  } else {
    return 0;
  }
  results->worstShape = worst;
  return 1;
}

int FaceSwapMod::sizeCheck() {
  if (!field) {
    std::printf("WARNING: NULL metric field. You can not do size checking");
    return 1;
  }
  faceSwapInfo info;
  if (!evaluated(&info) || (info.kase != 2 && info.kase != 3)) return 0;
  TemporaryMove moved(vertex, target);
  double longest = 0.0, shortest = 99999999;
  if (info.kase == 3) {
    double l = 0.0;
    sizMeasure->get(info.opposite[0], info.opposite[1], &l);
    longest = shortest = l;
  }
  if (vertex) {
    for (int i = 0; i < V_numEdges(vertex); ++i) {
      pEdge e = V_edge(vertex, i);
      if (e == turnEdge) continue;
      double l = 0.0;
      sizMeasure->get(vertex, E_otherVertex(e, vertex), &l);
      longest = std::max(longest, l);
      shortest = std::min(shortest, l);
    }
  }
  results->longest = longest;
  results->shortest = shortest;
  return 1;
}

void FaceSwapMod::getAffectedRgns(pPList* out) {
  faceSwapInfo info;
  if (!evaluated(&info) || (info.kase != 2 && info.kase != 3)) return;
  *out = PList_new();
  PList_append(*out, info.region[0]);
  PList_append(*out, info.region[1]);
  if (info.kase == 2) PList_append(*out, info.third);
  if (vertex) {
    pPList more = V_regions(vertex);
    PList_appPListUnique(*out, more);
    PList_delete(more);
  }
}

int FaceSwapMod::apply(pPList* newRegions) {
  double from[3] = {0.0, 0.0, 0.0};
  if (vertex) {
    V_coord(vertex, from);
    AdaptUtil::move_vertex(vertex, target);
  }
  const double tol = M_getTolerance();
  int done = 0;
  if (F_evalSwap(face, tol))
    done = templatesUtil::Face_swap(mesh, face, tol, callback, userData, newRegions);
  else
    std::printf(" Error:  inconsistent evaluation in F_swap\n");
  // A swap that did not happen leaves the vertex where it was.
  if (!done && vertex) AdaptUtil::move_vertex(vertex, from);
  return done;
}

int FaceSwapMod::apply() {
  pPList regions = nullptr;
  const int done = apply(&regions);
  if (regions) PList_delete(regions);
  return done;
}
