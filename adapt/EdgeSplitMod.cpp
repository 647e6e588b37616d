#include "EdgeSplitMod.h"

#include <algorithm>
#include <cstdio>

#include "AdaptUtil.h"
#include "MT_mark.h"
#include "MT_topology.h"
#include "operatorChecks.h"
#include "templatesUtil.h"

using namespace KORA;
using namespace operatorChecks;

void EdgeSplitMod::setSplitPos(const double xyz[3], const double param[2]) {
  for (int k = 0; k < 3; ++k) pos[k] = xyz[k];
  for (int k = 0; k < 2; ++k) par[k] = param[k];
}

int EdgeSplitMod::topoCheck() { return EN_okTo(2, edge); }

int EdgeSplitMod::geomCheck() {
  double worst = 99999999;
  TemporaryMove moved(motionVertex, motionTarget);
  if (motionVertex && !rateRegionsAround(*this, motionVertex, edge, nullptr, nullptr, 0, worst)) return 0;
  // The new vertex has no metric yet: the other three vertices rate.
  if (!rateEndsReplaced(*this, edge, pos, nullptr, nullptr, 0, worst)) return 0;
  results->worstShape = worst;
  return 1;
}

metric* EdgeSplitMod::splitMetric() const {
  if (!field) return nullptr;
  double xyz[2][3];
  V_coord(E_vertex(edge, 0), xyz[0]);
  V_coord(E_vertex(edge, 1), xyz[1]);
  const double t = AdaptUtil::ParOnLinearEdge(xyz, pos);
  metric* m = nullptr;
  metricField::interpolate(field->getMetric(E_vertex(edge, 0)), field->getMetric(E_vertex(edge, 1)), t, &m);
  return m;
}

int EdgeSplitMod::sizeCheck() {
  if (!field) {
    std::printf("WARNING: NULL metric field, you can not do size checking");
    return 1;
  }
  TemporaryMove moved(motionVertex, motionTarget);
  metric* mN = splitMetric();
  double longest = 0.0, shortest = 99999999;
  auto measure = [&](pVertex w) {
    double xw[3], l = 0.0;
    V_coord(w, xw);
    sizMeasure->get(pos, xw, mN, field->getMetric(w), &l);
    longest = std::max(longest, l);
    shortest = std::min(shortest, l);
  };
  measure(E_vertex(edge, 0));
  measure(E_vertex(edge, 1));
  for (int i = 0; i < E_numFaces(edge); ++i) measure(F_edOpVt(E_face(edge, i), edge));
  delete mN;
  results->longest = longest;
  results->shortest = shortest;
  return 1;
}

void EdgeSplitMod::getAffectedRgns(pPList* out) { *out = E_regions(edge); }

int EdgeSplitMod::apply(pPList* newRegions) {
  if (motionVertex) AdaptUtil::move_vertex(motionVertex, motionTarget);
  metric* mN = splitMetric();
  newVertex = templatesUtil::Edge_split(mesh, edge, pos, par, callback, userData, newRegions);
  if (mN) field->adoptMetric(newVertex, mN);
  return 1;
}

int EdgeSplitMod::apply() {
  pPList regions = nullptr;
  const int done = apply(&regions);
  if (regions) PList_delete(regions);
  return done;
}
