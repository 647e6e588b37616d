#include "SplitCollapsMod.h"

#include <algorithm>
#include <cstdio>

#include "AdaptUtil.h"
#include "MT_mark.h"
#include "MT_topology.h"
#include "operatorChecks.h"
#include "templatesUtil.h"

using namespace KORA;
using namespace operatorChecks;

namespace {
pVertex opposite(pFace f, pEdge e) { return f && e && F_inClosure(f, e) ? F_edOpVt(f, e) : nullptr; }
}  // namespace

void SplitCollapsMod::reset(pEdge e, pFace f) {
  edge = e;
  face = f;
  // Known at once, so that checks run out of order find no stale vertex.
  vertex = opposite(f, e);
}

int SplitCollapsMod::topoCheck() {
  vertex = opposite(face, edge);
  if (!vertex) return 0;
  if (!EN_okTo(4, edge) || !EN_okTo(4, vertex)) return 0;
  pGEntity g = F_whatIn(face);
  if (g != V_whatIn(vertex) && g != E_whatIn(edge)) return 0;
  if (!snap && V_whatInType(vertex) > E_whatInType(edge)) return 0;
  return 1;
}

int SplitCollapsMod::geomCheck() {
  if (!vertex) return 0;
  double worst = 99999999;
  TemporaryMove moved(motionVertex, motionTarget);
  if (motionVertex && !rateRegionsAround(*this, motionVertex, edge, nullptr, nullptr, 0, worst)) return 0;
  const pRegion gone[2] = {F_region(face, 0), F_region(face, 1)};
  double x[3];
  V_coord(vertex, x);
  if (!rateEndsReplaced(*this, edge, x, AdaptUtil::getMetric(field, vertex), gone, 2, worst)) return 0;
  results->worstShape = worst;
  return 1;
}

int SplitCollapsMod::sizeCheck() {
  if (!field) {
    std::printf("WARNING: NULL metric field (sizeCheck)");
    return 1;
  }
  if (!vertex) return 0;
  TemporaryMove moved(motionVertex, motionTarget);
  double longest = 0.0, shortest = 99999999;
  double x[3];
  V_coord(vertex, x);
  metric* m = AdaptUtil::getMetric(field, vertex);
  for (int i = 0; i < E_numFaces(edge); ++i) {
    pFace f = E_face(edge, i);
    if (f == face) continue;
    pVertex w = F_edOpVt(f, edge);
    double xw[3], l = 0.0;
    V_coord(w, xw);
    sizMeasure->get(x, xw, m, AdaptUtil::getMetric(field, w), &l);
    longest = std::max(longest, l);
    shortest = std::min(shortest, l);
  }
  results->longest = longest;
  results->shortest = shortest;
  return 1;
}

void SplitCollapsMod::getAffectedRgns(pPList* out) { *out = E_regions(edge); }

int SplitCollapsMod::apply(pPList* newRegions) {
  // On one model entity the opposite vertex stays; otherwise it goes and the
  // split vertex takes its place. Either way the split is made where the kept
  // vertex ends, so that no element reported to the callback moves later.
  const bool keepVertex = E_whatIn(edge) == F_whatIn(face);
  if (motionVertex) AdaptUtil::move_vertex(motionVertex, motionTarget);
  double at[3];
  if (keepVertex) {
    double a[3], b[3];
    V_coord(E_vertex(edge, 0), a);
    V_coord(E_vertex(edge, 1), b);
    for (int k = 0; k < 3; ++k) at[k] = 0.5 * (a[k] + b[k]);
  } else {
    V_coord(vertex, at);
  }
  double param[2] = {0.0, 0.0};
  pPList splitRegions = nullptr;
  pVertex made = templatesUtil::Edge_split(mesh, edge, at, param, callback, userData, &splitRegions);
  PList_delete(splitRegions);

  pEdge joined = E_exists(vertex, made);
  pVertex gone = keepVertex ? made : vertex;
  pVertex kept = keepVertex ? vertex : made;
  if (!keepVertex) moveMetric(field, vertex, made);
  if (!templatesUtil::Edge_colaps(mesh, joined, gone, kept, callback, userData, newRegions)) {
    std::printf("Error: edge collapsing failed (SplitCollapsMod::apply)");
    // The vertex that should have gone is still there: its metric goes back.
    if (!keepVertex) moveMetric(field, made, vertex);
    return 0;
  }
  return 1;
}

int SplitCollapsMod::apply() {
  pPList regions = nullptr;
  const int done = apply(&regions);
  if (regions) PList_delete(regions);
  return done;
}
