#include "EdgeCollapsMod.h"

#include <cmath>
#include <cstdio>

#include "AdaptUtil.h"
#include "MT_geometry.h"
#include "MT_modify.h"
#include "MT_topology.h"
#include "MT_vector.h"
#include "operatorChecks.h"
#include "templatesUtil.h"

using namespace KORA;

namespace {

bool regionHas(pRegion r, pVertex v) {
  for (int i = 0; i < R_numVertices(r); ++i)
    if (R_vertex(r, i) == v) return true;
  return false;
}

bool faceHas(pFace f, pVertex v) {
  for (int i = 0; i < F_numVertices(f); ++i)
    if (F_vertex(f, i) == v) return true;
  return false;
}

double triangleArea(const double xyz[3][3]) {
  double u[3], w[3], n[3];
  diffVt(xyz[1], xyz[0], u);
  diffVt(xyz[2], xyz[0], w);
  crossProd(u, w, n);
  return 0.5 * std::sqrt(dotProd(n, n));
}

// Area of the faces around a vertex of a triangle mesh.
double facesArea(pVertex v) {
  double sum = 0.0;
  pPList fs = V_faces(v);
  for (int i = 0; i < PList_size(fs); ++i) {
    pFace f = static_cast<pFace>(PList_item(fs, i));
    double xyz[3][3];
    for (int j = 0; j < 3; ++j) V_coord(F_vertex(f, j), xyz[j]);
    sum += triangleArea(xyz);
  }
  PList_delete(fs);
  return sum;
}

// On a model face periodic in a parameter: no edge of vd on that face may
// reach, once vd sits on vr, across a third to two thirds of the period.
int faceSpanOk(pGFace g, pVertex vd, pVertex vr, pEdge edge) {
  const int periodic[2] = {GF_periodic(g, 0), GF_periodic(g, 1)};
  if (!periodic[0] && !periodic[1]) return 1;
  const double tol = M_getTolerance();
  double pR[3];
  AdaptUtil::V_reparamOnGFace(vr, g, pR);
  for (int i = 0; i < V_numEdges(vd); ++i) {
    pEdge e = V_edge(vd, i);
    if (e == edge || E_whatIn(e) != g) continue;
    double pW[3];
    AdaptUtil::V_reparamOnGFace(E_otherVertex(e, vd), g, pW);
    for (int d = 0; d < 2; ++d) {
      if (!periodic[d]) continue;
      const int other = (d + 1) % 2;
      if (AdaptUtil::ifDegenerated(g, pW, tol) == other || AdaptUtil::ifDegenerated(g, pR, tol) == other) continue;
      double lo = 0.0, hi = 0.0;
      GF_parRange(g, d, &lo, &hi);
      const double P = hi - lo, span = std::fabs(pR[d] - pW[d]);
      if (0.3333 * P < span && span < (1 - 0.3333) * P) return 0;
    }
  }
  return 1;
}

// On a periodic model edge the same for the parameter along the edge, then
// for every model face of the edge.
int edgeSpanOk(pGEdge g, pVertex vd, pVertex vr, pEdge edge) {
  if (!GE_periodic(g)) return 1;
  pVertex w = nullptr;
  for (int i = 0; i < V_numEdges(vd) && !w; ++i) {
    pEdge e = V_edge(vd, i);
    if (e != edge && E_whatInType(e) == 1) w = E_otherVertex(e, vd);
  }
  if (w) {
    double tw = 0.0, tr = 0.0, lo = 0.0, hi = 0.0;
    AdaptUtil::V_reparamOnGEdge(w, g, &tw);
    AdaptUtil::V_reparamOnGEdge(vr, g, &tr);
    GE_parRange(g, &lo, &hi);
    const double P = hi - lo, span = std::fabs(tw - tr);
    if (0.3333 * P < span && span < (1 - 0.3333) * P) return 0;
  }
  pPList faces = GE_faces(g);
  int ok = 1;
  for (int i = 0; ok && i < PList_size(faces); ++i)
    ok = faceSpanOk(static_cast<pGFace>(PList_item(faces, i)), vd, vr, edge);
  PList_delete(faces);
  return ok;
}

}  // namespace

// A boundary vertex may go only where the model's parametrisation agrees:
// no degenerate point, no periodic span, and every boundary face it leaves
// behind similar to its model face.
int EdgeCollapsMod::modelAgrees() const {
  const int tD = V_whatInType(vd);
  if (tD == 2) {
    pGFace g = V_whatIn(vd);
    double par[3] = {0.0, 0.0, 0.0};
    int patch = 0;
    P_param2(V_point(vd), &par[0], &par[1], &patch);
    if (AdaptUtil::ifDegenerated(g, par, M_getTolerance()) != -1) return 0;
    if (!faceSpanOk(g, vd, vr, edgeDel)) return 0;
  } else if (!edgeSpanOk(V_whatIn(vd), vd, vr, edgeDel)) {
    return 0;
  }
  pPList faces = V_bdryFaces(vd);
  int ok = 1;
  for (int i = 0; ok && faces && i < PList_size(faces); ++i) {
    pFace f = static_cast<pFace>(PList_item(faces, i));
    if (F_inClosure(f, edgeDel)) continue;
    pPList verts = operatorChecks::verticesReplaced(f, vd, vr);
    ok = AdaptUtil::F_checkGeoSim(&verts, F_whatIn(f)) == 1;
    PList_delete(verts);
  }
  PList_delete(faces);
  return ok;
}

void EdgeCollapsMod::setCollaps(pEdge edge, pVertex vdel, pVertex vkeep) {
  edgeDel = edge;
  vd = vdel;
  vr = vkeep;
  results->reset();
}

// A motion of the deleted vertex itself is void: the collapse puts it on vr,
// as apply does.
void EdgeCollapsMod::newPosition(pVertex v, double out[3]) const {
  if (motionVertex && motionVertex != vd && (v == motionVertex || (v == vd && vr == motionVertex))) {
    for (int k = 0; k < 3; ++k) out[k] = motionTarget[k];
    return;
  }
  V_coord(v == vd ? vr : v, out);
}

metric* EdgeCollapsMod::newMetric(pVertex v) const { return AdaptUtil::getMetric(field, v == vd ? vr : v); }

int EdgeCollapsMod::topoCheck() {
  const int tD = V_whatInType(vd);
  if (tD == 0) return 0;
  if (checkBoundary) {
    const int tR = V_whatInType(vr);
    if (tD == 1 && (tR == 0 || tR == 1)) return 0;
    if (tD == 2 && tR != 3) {
      pPList rs = E_regions(edgeDel);
      const int n = PList_size(rs);
      PList_delete(rs);
      if (n > 0) return 0;
    }
  }
  return E_chkClpTopo(vd, edgeDel);
}

// Rates every element of the pass vertex that does not contain the collapsed
// edge, as it will be; 0 at the first invalid one. With newVolume, the signed
// volumes of the rated regions are summed into it.
int EdgeCollapsMod::ratePass(pVertex pass, double& worst, double* newVolume) {
  pPList rs = V_regions(vd);
  const bool volumeMesh = PList_size(rs) > 0;
  PList_delete(rs);
  pPList elems = volumeMesh ? V_regions(pass) : V_faces(pass);
  pVertex a = E_vertex(edgeDel, 0), b = E_vertex(edgeDel, 1);
  int ok = 1;
  for (int i = 0; ok && i < PList_size(elems); ++i) {
    double rating = 0.0;
    if (volumeMesh) {
      pRegion r = static_cast<pRegion>(PList_item(elems, i));
      if (regionHas(r, a) && regionHas(r, b)) continue;
      double xyz[4][3];
      metric* ms[4];
      for (int j = 0; j < 4; ++j) {
        newPosition(R_vertex(r, j), xyz[j]);
        ms[j] = newMetric(R_vertex(r, j));
      }
      ok = getShape(xyz, ms, &rating);
      if (newVolume) *newVolume += XYZ_volume(xyz);
    } else {
      pFace f = static_cast<pFace>(PList_item(elems, i));
      if (faceHas(f, a) && faceHas(f, b)) continue;
      double xyz[3][3], old[3][3];
      metric* ms[3];
      pPList vs = F_vertices(f, 1);
      for (int j = 0; j < 3; ++j) {
        pVertex v = static_cast<pVertex>(PList_item(vs, j));
        V_coord(v, old[j]);
        newPosition(v, xyz[j]);
        ms[j] = newMetric(v);
      }
      PList_delete(vs);
      double u[3], w[3], normal[3];
      diffVt(old[1], old[0], u);
      diffVt(old[2], old[0], w);
      crossProd(u, w, normal);
      if (newVolume) *newVolume += triangleArea(xyz);
      ok = getShape2D(xyz, noSnap == 1 ? normal : nullptr, ms, &rating);
    }
    if (ok && rating < worst) worst = rating;
  }
  PList_delete(elems);
  return ok;
}

int EdgeCollapsMod::geomCheck() {
  const int tD = V_whatInType(vd);
  if (!noSnap && (tD == 1 || tD == 2) && !modelAgrees()) return 0;
  double worst = 1e20;
  pPList rs = V_regions(vd);
  const int nOld = PList_size(rs);
  double oldVolume = 0.0;
  for (int i = 0; i < nOld; ++i) oldVolume += R_volume(static_cast<pRegion>(PList_item(rs, i)));
  PList_delete(rs);
  if (nOld == 0 && keepDomain) oldVolume = facesArea(vd);
  double newVolume = 0.0;
  if (!ratePass(vd, worst, &newVolume)) return 0;
  if (motionVertex && motionVertex != vd && !ratePass(motionVertex, worst, nullptr)) return 0;
  // Only a vertex on the boundary can change the domain.
  if (keepDomain && tD < (nOld > 0 ? 3 : 2) &&
      std::fabs(oldVolume - newVolume) > domainTolerance * std::fabs(oldVolume))
    return 0;

  if (checkVolume && nOld > 0 && V_whatInType(vd) != 3) {
    if (std::fabs(oldVolume - newVolume) / oldVolume > volumeLimit) {
      std::printf("...Info:  deny an edge collapse due to large volume change");
      return 0;
    }
    if (V_whatInType(vd) == 1 && !areaKept()) {
      std::printf("...Info: deny an edge collapse due to large volume change");
      return 0;
    }
  }
  results->worstShape = worst;
  return 1;
}

// Area of the faces of vertD on the first model face of its model edge,
// before and after the change.
int EdgeCollapsMod::areaKept() const {
  pPList gfaces = GE_faces(static_cast<pGEdge>(V_whatIn(vd)));
  pGEntity g = PList_size(gfaces) > 0 ? static_cast<pGEntity>(PList_item(gfaces, 0)) : nullptr;
  PList_delete(gfaces);
  if (!g) return 1;
  pVertex a = E_vertex(edgeDel, 0), b = E_vertex(edgeDel, 1);
  double oldArea = 0.0, newArea = 0.0;
  pPList fs = V_faces(vd);
  for (int i = 0; i < PList_size(fs); ++i) {
    pFace f = static_cast<pFace>(PList_item(fs, i));
    if (F_whatIn(f) != g) continue;
    double xyz[3][3], moved[3][3];
    for (int j = 0; j < 3; ++j) {
      V_coord(F_vertex(f, j), xyz[j]);
      V_coord(F_vertex(f, j) == vd ? vr : F_vertex(f, j), moved[j]);
    }
    oldArea += std::sqrt(AdaptUtil::F_areaM(nullptr, xyz));
    if (!(faceHas(f, a) && faceHas(f, b))) newArea += std::sqrt(AdaptUtil::F_areaM(nullptr, moved));
  }
  PList_delete(fs);
  return oldArea <= 0.0 || std::fabs(oldArea - newArea) / oldArea <= areaLimit;
}

int EdgeCollapsMod::sizeCheck() {
  if (!field) {
    std::printf("WARNING: NULL metric field !!!");
    return 1;
  }
  double longest = 0.0, longestRatio = 0.0, shortest = 1e20, largestRatio = 0.0, largestRatioLength = 0.0;
  auto measure = [&](pVertex from, const double xFrom[3], metric* mFrom, pVertex skip) {
    for (int i = 0; i < V_numEdges(from); ++i) {
      pEdge e = V_edge(from, i);
      if (e == edgeDel) continue;
      pVertex w = E_otherVertex(e, from);
      if (w == skip) continue;
      double xw[3];
      newPosition(w, xw);
      double now = 0.0, before = 0.0;
      sizMeasure->get(xFrom, xw, mFrom, AdaptUtil::getMetric(field, w), &now);
      sizMeasure->get(e, &before);
      const double ratio = now / before;
      if (now < shortest) shortest = now;
      if (now > longest) {
        longest = now;
        longestRatio = ratio;
      }
      if (ratio > largestRatio) {
        largestRatio = ratio;
        largestRatioLength = now;
      }
    }
  };
  double xR[3];
  newPosition(vr, xR);
  measure(vd, xR, AdaptUtil::getMetric(field, vr), nullptr);
  if (motionVertex && motionVertex != vd)
    measure(motionVertex, motionTarget, AdaptUtil::getMetric(field, motionVertex), vd);
  results->longest = longest;
  results->longestRatio = longestRatio;
  results->shortest = shortest;
  results->largestRatio = largestRatio;
  results->largestRatioLength = largestRatioLength;
  return 1;
}

void EdgeCollapsMod::getAffectedRgns(pPList* out) {
  *out = V_regions(vd);
  if (motionVertex && motionVertex != vd) {
    pPList more = V_regions(motionVertex);
    PList_appPListUnique(*out, more);
    PList_delete(more);
  }
}

int EdgeCollapsMod::apply(pPList* newRegions) {
  double from[3] = {0, 0, 0};
  const bool moves = motionVertex && motionVertex != vd;
  if (moves) {
    V_coord(motionVertex, from);
    AdaptUtil::move_vertex(motionVertex, motionTarget);
  }
  // The removed vertex's metric goes first; a copy comes back if the
  // collapse is refused.
  metric* saved = nullptr;
  if (field) {
    if (metric* m = field->getMetric(vd)) saved = new metric(*m);
    field->deleteMetric(vd);
  }
  if (!templatesUtil::Edge_colaps(mesh, edgeDel, vd, vr, callback, userData, newRegions)) {
    if (saved) field->attachMetric(vd, saved);
    if (moves) AdaptUtil::move_vertex(motionVertex, from);
    return 0;
  }
  delete saved;
  return 1;
}

int EdgeCollapsMod::apply() {
  pPList regions = nullptr;
  const int done = apply(&regions);
  if (regions) PList_delete(regions);
  return done;
}
