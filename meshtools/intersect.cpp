// The intersection record, closure look-ups, point location against faces
// and regions, and rays and lines against planes and segment lines.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "MT_error.h"
#include "MT_geometry.h"
#include "MT_intersect.h"
#include "MT_topology.h"
#include "MT_vector.h"

using namespace KORA;

IntersectionData M_intersectionData_new() {
  IntersectionData d;
  d.dimension = 0;
  d.numPoints = 0;
  d.points = nullptr;
  d.entities = PList_new();
  return d;
}

void M_intersectionData_delete(IntersectionData d) {
  if (d.numPoints != 0 && d.points) {
    IntersectionPoint* p = d.points;
    while (p->next) p = p->next;
    while (p) {
      IntersectionPoint* prev = p->prev;
      std::free(p);
      p = prev;
    }
  }
  PList_delete(d.entities);
}

void M_updateIntersectionData(IntersectionData* d, pEntity ent1, pEntity ent2, const double xyz[3], double tol2) {
  if (tol2 > 0 && xyz_inIntersectionData(d, xyz, tol2)) return;
  auto* p = static_cast<IntersectionPoint*>(std::calloc(1, sizeof(IntersectionPoint)));
  if (!p) {
    ErrorHandler("Could not allocate memory", "UpdateIntersectData", MT_FATAL);
    return;
  }
  std::memcpy(p->xyz, xyz, sizeof p->xyz);
  p->ent1 = ent1;
  p->ent2 = ent2;
  if (!d->points) {
    d->points = p;
  } else {
    IntersectionPoint* tail = d->points;
    while (tail->next) tail = tail->next;
    tail->next = p;
    p->prev = tail;
  }
  ++d->numPoints;
}

int xyz_inIntersectionData(const IntersectionData* d, const double xyz[3], double tol2) {
  for (const IntersectionPoint* p = d->points; p; p = p->next)
    if (XYZ_distance2(p->xyz, xyz) <= tol2) return 1;
  return 0;
}

void swapIntersectedEnt(IntersectionData* d, int from) {
  int i = 0;
  for (IntersectionPoint* p = d->points; p; p = p->next, ++i)
    if (i >= from) std::swap(p->ent1, p->ent2);
}

// ------------------------------------------------------- closure look-ups

namespace {
bool joins(pEdge e, pVertex a, pVertex b) {
  pVertex v0 = E_vertex(e, 0), v1 = E_vertex(e, 1);
  return (v0 == a && v1 == b) || (v0 == b && v1 == a);
}
}  // namespace

pEdge M_boundedEdgeOnFace(pFace f, pVertex a, pVertex b) {
  for (int i = 0; i < 3; ++i)
    if (joins(F_edge(f, i), a, b)) return F_edge(f, i);
  return nullptr;
}

pEdge M_boundedEdgeOnRegion(pRegion r, pVertex a, pVertex b) {
  pPList edges = R_edges(r);
  pEdge out = nullptr;
  for (int i = 0; i < PList_size(edges) && !out; ++i)
    if (joins(static_cast<pEdge>(PList_item(edges, i)), a, b)) out = static_cast<pEdge>(PList_item(edges, i));
  PList_delete(edges);
  return out;
}

pFace M_boundedFaceOnRegion(pRegion r, pEntity a, pEntity b) {
  const int ta = EN_type(a), tb = EN_type(b);
  if (ta == 0 && tb == 1) std::swap(a, b);
  const bool edgeAndVertex = (ta == 0 && tb == 1) || (ta == 1 && tb == 0);
  if (!edgeAndVertex && !(ta == 1 && tb == 1)) return nullptr;
  for (int i = 0; i < R_numFaces(r); ++i) {
    pFace f = R_face(r, i);
    if (!F_inClosure(f, a)) continue;
    if (edgeAndVertex ? F_edOpVt(f, a) == b : F_inClosure(f, b) != 0) return f;
  }
  return nullptr;
}

// ------------------------------------------------ point location and rays

namespace {
// Step of the face location shared with the inside test: 0 when x lies
// outside one of the edge lines by more than tol (signed by the normal n).
int insideEdgeLines(const double x[3], pFace f, const double n[3], double tol) {
  for (int j = 0; j < 3; ++j) {
    pEdge e = F_edge(f, j);
    const int d = F_edgeDir(f, j);
    double a[3], b[3];
    V_coord(E_vertex(e, 1 - d), a);
    V_coord(E_vertex(e, d), b);
    if (P_distToLine(x, a, b, n) < -tol * tol) return 0;
  }
  return 1;
}

pEntity onFace(const double xyz[3], pFace f, double tol) {
  double X[3][3], proj[3], n[3], dist;
  pPList vs = F_vertices(f, 1);
  for (int k = 0; k < 3; ++k) V_coord(static_cast<pVertex>(PList_item(vs, k)), X[k]);
  P_projOnTriPlane(X, xyz, proj, n, &dist);
  if (std::abs(dist) > tol || !insideEdgeLines(proj, f, n, tol)) {
    PList_delete(vs);
    return nullptr;
  }
  pEntity out = nullptr;
  for (int k = 0; k < 3 && !out; ++k)
    if (XYZ_distance2(X[k], xyz) < tol * tol) out = static_cast<pVertex>(PList_item(vs, k));
  PList_delete(vs);
  for (int j = 0; j < 3 && !out; ++j) {
    pEdge e = F_edge(f, j);
    double a[3], b[3];
    V_coord(E_vertex(e, 0), a);
    V_coord(E_vertex(e, 1), b);
    if (P_distToLine(xyz, a, b, nullptr) < tol * tol) out = e;
  }
  return out ? out : f;
}

pEntity onRegion(const double xyz[3], pRegion r, double tol) {
  pPList vs = R_vertices(r);
  double X[4][3];
  for (int k = 0; k < 4; ++k) V_coord(static_cast<pVertex>(PList_item(vs, k)), X[k]);
  // Each face plane, its normal turned towards the vertex opposite it.
  double s[4], nn[4];
  for (int i = 0; i < 4; ++i) {
    double P[3][3], o[3];
    F_coord(R_face(r, i), P);
    V_coord(R_fcOpVt(r, R_face(r, i)), o);
    double n2;
    s[i] = P_distToPlane(xyz, P[0], P[1], P[2], &n2);
    if (P_distToPlane(o, P[0], P[1], P[2], &n2) < 0) s[i] = -s[i];
    nn[i] = n2;
    if (s[i] < -tol * std::sqrt(n2)) {
      PList_delete(vs);
      return nullptr;
    }
  }
  pEntity out = nullptr;
  for (int k = 0; k < 4 && !out; ++k)
    if (XYZ_distance2(X[k], xyz) < tol * tol) out = static_cast<pVertex>(PList_item(vs, k));
  PList_delete(vs);
  if (out) return out;
  pPList es = R_edges(r);
  for (int j = 0; j < PList_size(es) && !out; ++j) {
    pEdge e = static_cast<pEdge>(PList_item(es, j));
    double a[3], b[3];
    V_coord(E_vertex(e, 0), a);
    V_coord(E_vertex(e, 1), b);
    if (P_distToLine(xyz, a, b, nullptr) < tol * tol) out = e;
  }
  PList_delete(es);
  for (int i = 0; i < 4 && !out; ++i)
    if (s[i] * s[i] < tol * tol * nn[i]) out = R_face(r, i);
  return out ? out : r;
}

void zeroDir(const double dir[3], const char* routine) {
  const double tol = M_getTolerance();
  if (dotProd(dir, dir) < tol * tol) ErrorHandler("Zero dir vector", routine, MT_FATAL);
}

// Ray (ray = true) or line against the plane of a triangle.
int againstPlane(const double origin[3], const double dir[3], const double tri[3][3], double out[3], int* coplanar,
                 bool ray) {
  const double tol = M_getTolerance();
  *coplanar = 0;
  zeroDir(dir, "M_intersectRayXYZ");
  double u[3], v[3], n[3], w[3];
  diffVt(tri[1], tri[0], u);
  diffVt(tri[2], tri[0], v);
  crossProd(u, v, n);
  diffVt(origin, tri[0], w);
  const double nd = dotProd(n, dir), nw = dotProd(n, w), n2 = dotProd(n, n);
  if (nd * nd > tol * tol * n2 * dotProd(dir, dir)) {
    for (int i = 0; i < 3; ++i) out[i] = origin[i] - nw / nd * dir[i];
    if (!ray) return 1;
    double ahead[3];
    diffVt(out, origin, ahead);
    return dotProd(ahead, dir) >= 0 ? 1 : 0;
  }
  if (nw * nw <= tol * tol * n2) {
    *coplanar = 1;
    return 1;
  }
  return 0;
}
}  // namespace

pEntity XYZ_onBoundary(const double xyz[3], pEntity ent, double tol) {
  switch (EN_type(ent)) {
    case 2:
      return onFace(xyz, ent, tol);
    case 3:
      return onRegion(xyz, ent, tol);
    default:
      return nullptr;
  }
}

int IntXYZ_insideFace(const double xyz[3], pFace f, double tol) {
  double n[3];
  F_normalVector(f, 1, n);
  return insideEdgeLines(xyz, f, n, tol);
}

int M_intersectRay3XYZ(const double origin[3], const double dir[3], const double tri[3][3], double out[3],
                       int* coplanar) {
  return againstPlane(origin, dir, tri, out, coplanar, true);
}

int M_intersectLine3XYZ(const double origin[3], const double dir[3], const double tri[3][3], double out[3],
                        int* coplanar) {
  return againstPlane(origin, dir, tri, out, coplanar, false);
}

namespace {
// Index of the largest |m| component: the first unless a later one is strictly larger.
int largestComponent(const double m[3]) {
  int k = 0;
  for (int i = 1; i < 3; ++i)
    if (std::abs(m[i]) > std::abs(m[k])) k = i;
  return k;
}
}  // namespace

int M_intersectRay2XYZ(const double origin[3], const double dir[3], const double seg[2][3], double out[3],
                       int* flag) {
  const double tol = M_getTolerance();
  *flag = 0;
  zeroDir(dir, "M_intersectRay2XYZ");
  const double dd = dotProd(dir, dir);
  double c[2][3];
  double q[2];
  for (int k = 0; k < 2; ++k) {
    double w[3];
    diffVt(seg[k], origin, w);
    crossProd(dir, w, c[k]);
    q[k] = dotProd(c[k], c[k]);
  }
  if (q[0] * q[0] <= tol * tol * dd && q[1] * q[1] <= tol * tol * dd) {
    *flag = 1;
    return 1;
  }
  double cc[3];
  crossProd(c[0], c[1], cc);
  if (dotProd(cc, cc) > tol * tol) return 0;
  double s[3], m[3], rhs[3];
  diffVt(seg[1], seg[0], s);
  crossProd(dir, s, m);
  diffVt(seg[0], origin, rhs);
  const int drop = largestComponent(m);
  const int i = (drop + 1) % 3 < (drop + 2) % 3 ? (drop + 1) % 3 : (drop + 2) % 3;
  const int j = 3 - drop - i;
  // t * dir - u * s = rhs in the coordinates i and j.
  const double det = dir[i] * (-s[j]) - (-s[i]) * dir[j];
  if (std::abs(det) < tol) return -1;
  const double t = (rhs[i] * (-s[j]) - (-s[i]) * rhs[j]) / det;
  for (int k = 0; k < 3; ++k) out[k] = origin[k] + t * dir[k];
  return t * dd >= 0 ? 1 : 0;
}
