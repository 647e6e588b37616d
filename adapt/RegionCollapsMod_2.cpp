#include "RegionCollapsMod_2.h"

#include <algorithm>
#include <cstdio>

#include "AdaptUtil.h"
#include "MT_mark.h"
#include "MT_topology.h"
#include "operatorChecks.h"
#include "templatesUtil.h"

using namespace KORA;
using namespace operatorChecks;

void RegionCollapsMod_2::setCollaps(pRegion r, pEdge e0, pEdge e1, const double xyz[3]) {
  region = r;
  edges[0] = e0;
  edges[1] = e1;
  for (int k = 0; k < 3; ++k) pos[k] = xyz[k];
}

void RegionCollapsMod_2::getSplitPos(double* xyz) const {
  for (int k = 0; k < 3; ++k) xyz[k] = pos[k];
}

int RegionCollapsMod_2::topoCheck() {
  if (E_whatInType(edges[0]) != 3 && E_whatInType(edges[1]) != 3) return 0;
  return EN_okTo(1, edges[0]) && EN_okTo(1, edges[1]);
}

int RegionCollapsMod_2::geomCheck() {
  double worst = 99999999;
  TemporaryMove moved(motionVertex, motionTarget);
  if (motionVertex && !rateRegionsAround(*this, motionVertex, edges[0], edges[1], &region, 1, worst)) return 0;
  for (pEdge e : edges)
    if (!rateEndsReplaced(*this, e, pos, nullptr, &region, 1, worst)) return 0;
  results->worstShape = worst;
  return 1;
}

void RegionCollapsMod_2::centres(double c[2][3], metric* m[2]) const {
  for (int i = 0; i < 2; ++i) {
    m[i] = nullptr;
    if (field) {
      field->centerPoint(edges[i], c[i], &m[i]);
    } else {
      double a[3], b[3];
      V_coord(E_vertex(edges[i], 0), a);
      V_coord(E_vertex(edges[i], 1), b);
      for (int k = 0; k < 3; ++k) c[i][k] = 0.5 * (a[k] + b[k]);
    }
  }
}

int RegionCollapsMod_2::sizeCheck() {
  if (!field) {
    std::printf("WARNING: NULL metric field. You can not do size checking");
    return 1;
  }
  TemporaryMove moved(motionVertex, motionTarget);
  double c[2][3], centre[3];
  metric* m[2];
  metric* mN = nullptr;
  centres(c, m);
  metricField::centerPoint(c[0], c[1], m[0], m[1], centre, &mN);
  delete m[0];
  delete m[1];
  double longest = 0.0, shortest = 99999999;
  for (pEdge e : edges) {
    for (int i = 0; i < E_numFaces(e); ++i) {
      pVertex w = F_edOpVt(E_face(e, i), e);
      metric* mw = field->getMetric(w);
      if (!mw) {
        delete mN;
        return 0;
      }
      double xw[3], l = 0.0;
      V_coord(w, xw);
      sizMeasure->get(pos, xw, mN, mw, &l);
      longest = std::max(longest, l);
      shortest = std::min(shortest, l);
    }
  }
  results->longest = longest;
  results->shortest = shortest;
  delete mN;
  return 1;
}

void RegionCollapsMod_2::getAffectedRgns(pPList* out) {
  *out = PList_new();
  PList_append(*out, region);
  for (pEdge e : edges) {
    pPList rs = E_regions(e);
    PList_appPListUnique(*out, rs);
    PList_delete(rs);
  }
}

int RegionCollapsMod_2::apply() {
  // With the first edge inside the domain, the vertex made on the second one
  // stays; otherwise the one on the first (which may lie on the boundary).
  const int kept = E_whatInType(edges[0]) == 3 ? 1 : 0;
  if (motionVertex) AdaptUtil::move_vertex(motionVertex, motionTarget);
  double c[2][3];
  metric* m[2];
  centres(c, m);
  pVertex made[2];
  for (int i = 0; i < 2; ++i) {
    // The kept vertex is made at its final place, so that nothing reported
    // to the callback moves afterwards.
    double* at = i == kept ? pos : c[i];
    double param[2] = {0.0, 0.0};
    pPList rs = nullptr;
    made[i] = templatesUtil::Edge_split(mesh, edges[i], at, param, callback, userData, &rs);
    PList_delete(rs);
  }
  metric* mN = nullptr;
  if (field) {
    const double t = AdaptUtil::ParOnLinearEdge(c, pos);
    metricField::interpolate(m[0], m[1], t, &mN);
  }
  delete m[0];
  delete m[1];
  newVertex = made[kept];
  pEdge joined = E_exists(made[0], made[1]);
  pPList rs = nullptr;
  const int done = templatesUtil::Edge_colaps(mesh, joined, made[1 - kept], newVertex, callback, userData, &rs);
  PList_delete(rs);
  if (mN) field->attachMetric(newVertex, mN);
  return done;
}

int RegionCollapsMod_2::apply(pPList* newRegions) {
  const int done = apply();
  *newRegions = V_regions(newVertex);
  return done;
}
