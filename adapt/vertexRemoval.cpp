// Removal of a vertex by collapsing it into a neighbour, and the visible
// region of a vertex: the place from which all its elements stay valid.
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "AdaptUtil.h"
#include "MT_geometry.h"
#include "MT_intersect.h"
#include "MT_modify.h"
#include "MT_topology.h"
#include "MT_vector.h"
#include "templatesUtil.h"

using namespace KORA;

int AdaptUtil::RemoveAVertex(pMesh mesh, metricField* field, pVertex v, int, int removeFlag, pPList faces,
                             CBFunction cb, void* data) {
  std::vector<std::pair<double, pEdge>> edges;
  for (int i = 0; i < V_numEdges(v); ++i) {
    pEdge e = V_edge(v, i);
    edges.push_back({templatesUtil::E_distanceM(field, e), e});
  }
  std::stable_sort(edges.begin(), edges.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [len, e] : edges) {
    pVertex keep = E_otherVertex(e, v);
    if (!E_chkClpTopo(v, e) || !E_evalColaps(mesh, e, v, keep)) continue;
    if (removeFlag == 1 && faces)
      for (int k = 0; k < E_numFaces(e); ++k) PList_remItem(faces, E_face(e, k));
    // The metric goes with the vertex; kept aside in case the collapse fails.
    metric* saved = nullptr;
    if (field && field->getMetric(v)) {
      saved = new metric(field->getMetric(v));
      field->deleteMetric(v);
    }
    pPList created = nullptr;
    const int done = templatesUtil::Edge_colaps(mesh, e, v, keep, cb, data, &created);
    PList_delete(created);
    if (!done) {
      if (saved) field->attachMetric(v, saved);
      return 0;
    }
    delete saved;
    return 1;
  }
  return 0;
}

int AdaptUtil::ValidCheck(pVertex v) {
  pPList rs = V_regions(v);
  int ok = 1;
  for (int i = 0; i < PList_size(rs) && ok; ++i)
    if (R_checkFlat(static_cast<pRegion>(PList_item(rs, i)))) ok = 0;
  PList_delete(rs);
  return ok;
}

namespace {
// Coordinates of r's vertices with w placed at x.
void placed(pRegion r, pVertex w, const double x[3], double out[4][3]) {
  pPList vs = R_vertices(r);
  for (int k = 0; k < 4; ++k) {
    pVertex u = static_cast<pVertex>(PList_item(vs, k));
    if (u == w) {
      for (int c = 0; c < 3; ++c) out[k][c] = x[c];
    } else {
      V_coord(u, out[k]);
    }
  }
  PList_delete(vs);
}

double volumeWith(pRegion r, pVertex w, const double x[3]) {
  double p[4][3];
  placed(r, w, x, p);
  return XYZ_volume(p);
}

void faceCoords(pFace f, double x[3][3]) {
  pPList vs = F_vertices(f, 1);
  for (int k = 0; k < 3; ++k) V_coord(static_cast<pVertex>(PList_item(vs, k)), x[k]);
  PList_delete(vs);
}

// Volume of a face's three vertices (in its order) and a point.
double volumeOver(pFace f, const double p[3]) {
  double x[4][3];
  faceCoords(f, x);
  for (int c = 0; c < 3; ++c) x[3][c] = p[c];
  return XYZ_volume(x);
}

// A volume over a triangle turned into the height over its plane, to be
// compared with the length tolerance: a volume against the cube of the
// tolerance would take round-off for a fold.
double heightOf(double volume, const double tri[3][3]) {
  double u[3], w[3], n[3];
  diffVt(tri[1], tri[0], u);
  diffVt(tri[2], tri[0], w);
  crossProd(u, w, n);
  const double a = vecMag(n);
  return a > 0 ? 6.0 * volume / a : 0.0;
}

double heightOver(pFace f, double volume) {
  double x[3][3];
  faceCoords(f, x);
  return heightOf(volume, x);
}
}  // namespace

int AdaptUtil::ValidCheck(pVertex v, pVertex w, const double x[3]) {
  pPList rs = V_regions(v);
  int ok = 1;
  for (int i = 0; i < PList_size(rs) && ok; ++i) {
    double p[4][3];
    placed(static_cast<pRegion>(PList_item(rs, i)), w, x, p);
    if (XYZ_checkFlat(p)) ok = 0;
  }
  PList_delete(rs);
  return ok;
}

int AdaptUtil::ifNeedExpand(pFace face, pEdge edge, const double x[3]) {
  const double tol = F_whatInType(face) == 2 ? GEN_tolerance(F_whatIn(face)) : M_getTolerance();
  double p[4][3];
  V_coord(E_vertex(edge, 0), p[0]);
  V_coord(E_vertex(edge, 1), p[1]);
  V_coord(F_edOpVt(face, edge), p[2]);
  for (int c = 0; c < 3; ++c) p[3][c] = x[c];
  if (P_distToLine(x, p[0], p[1], nullptr) < tol) return 1;
  return E_dihedral(p) < tol ? 1 : 0;
}

int AdaptUtil::isDuplicated(const double p[3], SSList<double*>& points, double tol) {
  int n = 0;
  SSListIter<double*> it(points);
  double* q;
  while (n < 2 && it.next(q))
    if (XYZ_distance2(p, q) < tol) ++n;
  return n;
}

void AdaptUtil::DeleteVisibleRegion(SSList<double*>& points) {
  SSListIter<double*> it(points);
  double* q;
  while (it.next(q)) delete[] q;
  points.clear();
}

int AdaptUtil::VisibleRegion(pVertex v, SSList<double*>& points) {
  const double T = M_getTolerance(), T2 = T * T;
  double xv[3];
  V_coord(v, xv);
  std::vector<pEdge> link;
  std::vector<std::pair<pFace, pRegion>> reflex;  // each face once
  auto addReflex = [&](pFace f, pRegion r) {
    for (const auto& fr : reflex)
      if (fr.first == f) return;
    reflex.push_back({f, r});
  };
  pPList faces = V_faces(v);
  for (int i = 0; i < PList_size(faces); ++i) {
    pFace f = static_cast<pFace>(PList_item(faces, i));
    pEdge e = F_vtOpEd(f, v);
    if (E_length(e) < T2) {
      PList_delete(faces);
      return 0;
    }
    link.push_back(e);
    pRegion r0 = F_region(f, 0), r1 = F_region(f, 1);
    if (!r0 || !r1) continue;
    pFace fa = R_vtOpFc(r0, v), fb = R_vtOpFc(r1, v);
    double w[3];
    V_coord(F_edOpVt(fb, e), w);
    // The far vertex of the next link face beyond fa's plane, seen from v:
    // the link folds inwards at e.
    double vol = volumeOver(fa, w);
    if (volumeOver(fa, xv) < 0) vol = -vol;
    if (heightOver(fa, vol) < -T) {
      addReflex(fa, r0);
      addReflex(fb, r1);
    }
  }
  PList_delete(faces);
  // Where the link edges' lines cross the planes of the reflex faces.
  for (const auto& [F, R] : reflex) {
    double tri[3][3];
    faceCoords(F, tri);
    for (pEdge E : link) {
      if (F_inClosure(F, E_vertex(E, 0)) || F_inClosure(F, E_vertex(E, 1))) continue;
      double a[3], b[3], dir[3], out[3];
      V_coord(E_vertex(E, 0), a);
      V_coord(E_vertex(E, 1), b);
      diffVt(a, b, dir);
      int coplanar = 0;
      if (M_intersectLine3XYZ(b, dir, tri, out, &coplanar) == 1 && !coplanar)
        points.append(new double[3]{out[0], out[1], out[2]});
    }
  }
  auto removeIf = [&](auto drop) {
    SSListIter<double*> it(points);
    double* q;
    while (it.next(q))
      if (drop(q)) {
        delete[] q;
        it.remove();
      }
  };
  // A crossing point lies on the plane of a reflex face, where the region of
  // that face has no volume: only points beyond a plane are dropped, so that
  // the corners of the visible region stay.
  for (const auto& fr : reflex)
    removeIf([&](double* q) { return heightOver(fr.first, volumeWith(fr.second, v, q)) < -T; });
  removeIf([&](double* q) { return isDuplicated(q, points, T2) == 2; });
  for (int i = 0; i < V_numEdges(v); ++i) {
    pVertex far = E_otherVertex(V_edge(v, i), v);
    double x[3];
    V_coord(far, x);
    bool keep = true;
    for (const auto& fr : reflex) {
      if (R_inClosure(fr.second, far)) continue;
      if (heightOver(fr.first, volumeWith(fr.second, v, x)) < -T) keep = false;
    }
    if (keep) points.append(new double[3]{x[0], x[1], x[2]});
  }
  if (points.size() > 3) {
    double ref[4][3];
    for (int k = 0; k < 3; ++k)
      for (int c = 0; c < 3; ++c) ref[k][c] = points.nth(k)[c];
    for (int k = 3; k < points.size(); ++k) {
      for (int c = 0; c < 3; ++c) ref[3][c] = points.nth(k)[c];
      if (std::abs(heightOf(XYZ_volume(ref), ref)) >= T) return 1;
    }
  }
  DeleteVisibleRegion(points);
  return 0;
}
