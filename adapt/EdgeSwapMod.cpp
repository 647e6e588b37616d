#include "EdgeSwapMod.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>

#include "AdaptUtil.h"
#include "MT_geometry.h"
#include "MT_mark.h"
#include "MT_modify.h"
#include "MT_topology.h"
#include "MT_vector.h"
#include "operatorChecks.h"
#include "swapCache.h"
#include "templatesUtil.h"

using namespace KORA;

namespace {

bool regionHasEdge(pRegion r, pEdge e) {
  for (int i = 0; i < R_numEdges(r); ++i)
    if (R_edge(r, i) == e) return true;
  return false;
}

// The two boundary triangles of a swap on a model face, each made from the
// second boundary face of the edge with one end of the edge replaced by the
// vertex opposite the edge in the first, must resemble the model face.
int similarAfterSwap(pEdge edge) {
  pFace bdry[2];
  int n = 0;
  for (int i = 0; i < E_numFaces(edge) && n < 2; ++i)
    if (F_whatInType(E_face(edge, i)) == 2) bdry[n++] = E_face(edge, i);
  if (n < 2) return 0;
  pVertex pa = F_edOpVt(bdry[0], edge);
  for (int end = 0; end < 2; ++end) {
    pPList verts = operatorChecks::verticesReplaced(bdry[1], E_vertex(edge, end), pa);
    const int sim = AdaptUtil::F_checkGeoSim(&verts, F_whatIn(bdry[1]));
    PList_delete(verts);
    if (sim != 1) return 0;
  }
  return 1;
}

}  // namespace

void EdgeSwapMod::setSwapEdge(pEdge e) {
  edge = e;
  results->reset();
  conf = -1;
  numConf = -1;
}

int EdgeSwapMod::topoCheck() {
  if (!EN_okTo(0, edge)) return 0;
  numConf = E_numSwpCfg(edge);
  return numConf != 0;
}

int EdgeSwapMod::geomCheck() {
  if (numConf == -1) std::printf("Error: please do topoCheck() before geomCheck()\n");
  if (!noSnap && !AdaptUtil::E_swpCheckPer(edge)) return 0;
  results->reset();
  if (numConf == -2) return geomCheck2D();

  double from[3] = {0, 0, 0};
  if (motionVertex) {
    V_coord(motionVertex, from);
    AdaptUtil::move_vertex(motionVertex, motionTarget);
    pPList rs = V_regions(motionVertex);
    for (int i = 0; i < PList_size(rs); ++i) {
      pRegion r = static_cast<pRegion>(PList_item(rs, i));
      if (regionHasEdge(r, edge)) continue;
      double rating;
      if (!getShape(r, &rating)) {
        PList_delete(rs);
        AdaptUtil::move_vertex(motionVertex, from);
        return 0;
      }
      results->worstShape = std::min(results->worstShape, rating);
    }
    PList_delete(rs);
  }

  // An edge on a model face: the swap must keep the volume under it.
  const bool volumeKept = (checkVolume || keepDomain) && E_whatInType(edge) == 2;
  double limit = checkVolume ? volumeLimit : domainTolerance;
  if (keepDomain && limit > domainTolerance) limit = domainTolerance;
  double oldVolume = 0.0;
  if (volumeKept) {
    pPList rs = E_regions(edge);
    for (int i = 0; i < PList_size(rs); ++i) oldVolume += R_volume(static_cast<pRegion>(PList_item(rs, i)));
    PList_delete(rs);
  }
  double best = 0.0;
  for (int i = 0; i < numConf; ++i) {
    pPList verts = E_swpCfgVerts(edge, i);
    if (!verts) continue;
    const int n = PList_size(verts);
    if (n < 4) {
      PList_delete(verts);
      break;
    }
    double worst = 1e20, newVolume = 0.0;
    bool valid = true;
    for (int t = 0; valid && t + 3 < n; t += 4) {
      double xyz[4][3];
      metric* ms[4];
      for (int j = 0; j < 4; ++j) {
        pVertex v = static_cast<pVertex>(PList_item(verts, t + j));
        V_coord(v, xyz[j]);
        ms[j] = AdaptUtil::getMetric(field, v);
      }
      double rating;
      valid = getShape(xyz, ms, &rating);
      worst = std::min(worst, rating);
      if (volumeKept) newVolume += XYZ_volume(xyz);
    }
    PList_delete(verts);
    if (valid && volumeKept && std::fabs(oldVolume - newVolume) / oldVolume > limit) valid = false;
    if (valid && worst > best) {
      best = worst;
      conf = i;
    }
  }
  if (motionVertex) AdaptUtil::move_vertex(motionVertex, from);
  if (best == 0.0) return 0;
  results->worstShape = std::min(results->worstShape, best);
  if (E_whatInType(edge) == 2 && !noSnap && !similarAfterSwap(edge)) return 0;
  return 1;
}

// An edge of a triangle mesh: the other diagonal of its two triangles.
int EdgeSwapMod::geomCheck2D() {
  if (motionVertex) {
    std::cerr << " A pre vertex motion is not supported (geomCheck2D)\n" << std::endl;
    return 0;
  }
  pPList rs = E_regions(edge);
  const int nr = PList_size(rs);
  PList_delete(rs);
  if (nr > 0) {
    std::cerr << " there are attached regions (geomCheck2D)\n" << std::endl;
    return 0;
  }
  if (E_numFaces(edge) != 2) {
    std::printf("Error: should first check topological validity (EdgeSwapMod::geomCheck2D)\n");
    return 0;
  }
  pFace fa = E_face(edge, 0), fb = E_face(edge, 1);
  pVertex pa = nullptr;
  for (int j = 0; j < 3; ++j) {
    pVertex v = F_vertex(fa, j);
    if (v != E_vertex(edge, 0) && v != E_vertex(edge, 1)) pa = v;
  }
  double na[3], nb[3];
  F_normalVector(fa, 1, na);
  F_normalVector(fb, 1, nb);
  const double la = dotProd(na, na), lb = dotProd(nb, nb);
  // Both flat against the size of the quadrilateral (la and lb go as a length^4).
  double quad[4][3];
  V_coord(E_vertex(edge, 0), quad[0]);
  V_coord(E_vertex(edge, 1), quad[1]);
  V_coord(pa, quad[2]);
  V_coord(F_edOpVt(fb, edge), quad[3]);
  const double s2 = XYZ_size2(quad, 4);
  if (noSnap && std::max(la, lb) <= M_getTolerance() * s2 * s2) {
    std::printf("Error: an edge bounded by two sliver faces\n");
    return 0;
  }
  const double* normal = noSnap ? (la > lb ? na : nb) : nullptr;
  double worst = 1e20;
  // Similarity is judged against the model face; a mesh without one is not.
  const bool againstModel = !noSnap && F_whatInType(fb) == 2;
  pPList vs = F_vertices(fb, 1);
  for (int end = 0; end < 2; ++end) {
    if (againstModel) {
      pPList tri = operatorChecks::verticesReplaced(fb, E_vertex(edge, end), pa);
      const int sim = AdaptUtil::F_checkGeoSim(&tri, F_whatIn(fb));
      PList_delete(tri);
      if (sim != 1) {
        PList_delete(vs);
        return 0;
      }
    }
    double xyz[3][3];
    metric* ms[3];
    for (int j = 0; j < 3; ++j) {
      pVertex v = static_cast<pVertex>(PList_item(vs, j));
      if (v == E_vertex(edge, end)) v = pa;
      V_coord(v, xyz[j]);
      ms[j] = AdaptUtil::getMetric(field, v);
    }
    double rating;
    if (!getShape2D(xyz, normal, ms, &rating)) {
      PList_delete(vs);
      return 0;
    }
    worst = std::min(worst, rating);
  }
  PList_delete(vs);
  results->worstShape = worst;
  return 1;
}

int EdgeSwapMod::E_swpNewEdges(double* maxLength, double* minLength) {
  if (sc.edge != edge && E_numSwpCfg(edge) == 0) return -1;
  if (conf == 0 && sc.nbTriangles == 0) return 1;
  if (conf < 0 || conf >= sc.nbConfigs) return -1;
  const int row = sc.configRow(conf);
  if (row < 0) return -1;
  for (int k = 0; k < sc.trianglesPerConfig; ++k) {
    const int* tri = sc.triangles[sc.configs[row][k]];
    for (int j = 0; j < 3; ++j) {
      pVertex a = sc.ring[tri[j]], b = sc.ring[tri[(j + 1) % 3]];
      if (E_exists(a, b)) continue;
      double l;
      sizMeasure->get(a, b, &l);
      *maxLength = std::max(*maxLength, l);
      *minLength = std::min(*minLength, l);
    }
  }
  return sc.trianglesPerConfig - 1;
}

int EdgeSwapMod::sizeCheck() {
  double longest = 0.0, shortest = 99999999;
  double from[3] = {0, 0, 0};
  if (motionVertex) {
    V_coord(motionVertex, from);
    AdaptUtil::move_vertex(motionVertex, motionTarget);
    for (int i = 0; i < V_numEdges(motionVertex); ++i) {
      pEdge e = V_edge(motionVertex, i);
      if (e == edge) continue;
      double l;
      sizMeasure->get(e, &l);
      longest = std::max(longest, l);
      shortest = std::min(shortest, l);
    }
  }
  double maxNew = 0.0, minNew = 99999999;
  if (E_swpNewEdges(&maxNew, &minNew) == -1) std::printf("Error: EdgeSwapMod::maxminEdgeLength()\n");
  double old;
  sizMeasure->get(edge, &old);
  results->longest = std::max(longest, maxNew);
  results->shortest = std::min(shortest, minNew);
  results->largestRatio = maxNew / old;
  if (motionVertex) AdaptUtil::move_vertex(motionVertex, from);
  return 1;
}

void EdgeSwapMod::getAffectedRgns(pPList* out) {
  *out = E_regions(edge);
  if (motionVertex) {
    pPList more = V_regions(motionVertex);
    PList_appPListUnique(*out, more);
    PList_delete(more);
  }
}

int EdgeSwapMod::apply(pPList* newRegions) {
  double from[3] = {0, 0, 0};
  if (motionVertex) {
    V_coord(motionVertex, from);
    AdaptUtil::move_vertex(motionVertex, motionTarget);
  }
  if (E_numSwpCfg(edge) > 0 && conf >= 0) E_evalSwpCfg(edge, conf);
  if (!templatesUtil::Edge_swap(mesh, edge, conf, callback, userData, newRegions)) {
    if (motionVertex) AdaptUtil::move_vertex(motionVertex, from);
    return 0;
  }
  return 1;
}

int EdgeSwapMod::apply() {
  pPList regions = nullptr;
  const int done = apply(&regions);
  if (regions) PList_delete(regions);
  return done;
}
