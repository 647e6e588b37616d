#include "operatorChecks.h"

#include "AdaptUtil.h"

using namespace KORA;

namespace operatorChecks {

TemporaryMove::TemporaryMove(pVertex v, const double target[3]) : vertex(v) {
  if (!vertex) return;
  V_coord(vertex, from);
  AdaptUtil::move_vertex(vertex, target);
}

TemporaryMove::~TemporaryMove() {
  if (vertex) AdaptUtil::move_vertex(vertex, from);
}

bool regionHasEdge(pRegion r, pEdge e) {
  if (!e) return false;
  for (int i = 0; i < R_numEdges(r); ++i)
    if (R_edge(r, i) == e) return true;
  return false;
}

namespace {
bool skipped(pRegion r, const pRegion* skip, int nSkip) {
  for (int i = 0; i < nSkip; ++i)
    if (skip[i] == r) return true;
  return false;
}
}  // namespace

int rateRegionsAround(LocMeshMod& op, pVertex v, pEdge e0, pEdge e1, const pRegion* skip, int nSkip,
                      double& worst) {
  pPList rs = V_regions(v);
  int ok = 1;
  for (int i = 0; ok && i < PList_size(rs); ++i) {
    pRegion r = static_cast<pRegion>(PList_item(rs, i));
    if (skipped(r, skip, nSkip) || regionHasEdge(r, e0) || regionHasEdge(r, e1)) continue;
    double rating = 0.0;
    ok = op.getShape(r, &rating);
    if (ok && rating < worst) worst = rating;
  }
  PList_delete(rs);
  return ok;
}

int rateReplaced(LocMeshMod& op, pRegion r, pVertex out, const double p[3], metric* pm, double& worst) {
  pPList vs = R_vertices(r);
  double xyz[4][3];
  metric* ms[4];
  for (int j = 0; j < 4; ++j) {
    pVertex v = static_cast<pVertex>(PList_item(vs, j));
    if (v == out) {
      for (int k = 0; k < 3; ++k) xyz[j][k] = p[k];
      ms[j] = pm;
    } else {
      V_coord(v, xyz[j]);
      ms[j] = AdaptUtil::getMetric(op.field, v);
    }
  }
  PList_delete(vs);
  double rating = 0.0;
  const int ok = op.getShape(xyz, ms, &rating);
  if (ok && rating < worst) worst = rating;
  return ok;
}

int rateEndsReplaced(LocMeshMod& op, pEdge e, const double p[3], metric* pm, const pRegion* skip, int nSkip,
                     double& worst) {
  pPList rs = E_regions(e);
  int ok = 1;
  for (int i = 0; ok && i < PList_size(rs); ++i) {
    pRegion r = static_cast<pRegion>(PList_item(rs, i));
    if (skipped(r, skip, nSkip)) continue;
    for (int end = 0; ok && end < 2; ++end) ok = rateReplaced(op, r, E_vertex(e, end), p, pm, worst);
  }
  PList_delete(rs);
  return ok;
}

void moveMetric(metricField* field, pVertex from, pVertex to) {
  if (field) field->moveMetric(from, to);
}

pPList verticesReplaced(pFace f, pVertex out, pVertex in) {
  pPList vs = F_vertices(f, 1);
  pPList l = PList_new();
  for (int i = 0; i < PList_size(vs); ++i) {
    void* v = PList_item(vs, i);
    PList_append(l, v == out ? in : v);
  }
  PList_delete(vs);
  return l;
}

}  // namespace operatorChecks
