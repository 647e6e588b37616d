#include "AdaptUtil.h"

#include <cmath>
#include <cstdio>

#include "MT_geometry.h"
#include "MT_vector.h"
#include "measures.h"
#include "templatesUtil.h"

using namespace KORA;

namespace {
pVertex vertexOf(pPList l, int i) { return static_cast<pVertex>(PList_item(l, i)); }

void faceCoords(pFace f, double xyz[3][3]) {
  pPList verts = F_vertices(f, 1);
  for (int i = 0; i < 3; ++i) V_coord(vertexOf(verts, i), xyz[i]);
  PList_delete(verts);
}
}  // namespace

// ------------------------------------------------------------ metric measures

metric* AdaptUtil::getMetric(const metricField* field, pVertex v) {
  return field ? field->getMetric(v) : nullptr;
}

double AdaptUtil::F_areaM(const metric* m, const double xyz[3][3]) {
  double a[3], b[3], n[3];
  diffVt(xyz[1], xyz[0], a);
  diffVt(xyz[2], xyz[0], b);
  crossProd(a, b, n);
  const double a2 = 0.25 * dotProd(n, n);
  if (!m) return a2;
  // Flat against the triangle's own size (a squared area goes as a length^4).
  const double s2 = XYZ_size2(xyz, 3);
  if (a2 <= M_getTolerance() * s2 * s2) return 0.0;
  double u[3];
  normVt(n, u);
  double c[3];
  for (int i = 0; i < 3; ++i) c[i] = dotProd(u, m->e[i]);
  c[0] /= m->h[1] * m->h[2];
  c[1] /= m->h[0] * m->h[2];
  c[2] /= m->h[0] * m->h[1];
  return a2 * (c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
}

double AdaptUtil::F_areaM(const metricField* field, pFace face) {
  pPList verts = F_vertices(face, 1);
  double xyz[3][3];
  for (int i = 0; i < 3; ++i) V_coord(vertexOf(verts, i), xyz[i]);
  double sum = 0.0;
  for (int i = 0; i < 3; ++i) sum += F_areaM(getMetric(field, vertexOf(verts, i)), xyz);
  PList_delete(verts);
  return sum / 3.0;
}

void AdaptUtil::M_checkSize(pMesh mesh, const metricField* field, double& maxLen, double& minLen) {
  maxLen = 0.0;
  minLen = 1e15;
  EIter it = M_edgeIter(mesh);
  while (pEdge e = EIter_next(it)) {
    const double l = templatesUtil::E_distanceM(field, e);
    if (l > maxLen) maxLen = l;
    if (l < minLen) minLen = l;
  }
  EIter_delete(it);
}

namespace {
// Smallest rating over the listed entities; 0 at the first one at or below
// the tolerance.
double worstOver(pPList l, shapeMeasure* shp, bool regions) {
  double worst = 99999999;
  void* it = nullptr;
  while (void* x = PList_next(l, &it)) {
    double v;
    if (regions)
      shp->get(static_cast<pRegion>(x), &v);
    else
      shp->get2D(static_cast<pFace>(x), &v);
    if (v <= M_getTolerance()) return 0.0;
    if (v < worst) worst = v;
  }
  return worst;
}
}  // namespace

double AdaptUtil::V_worstShp(shapeMeasure* shp, pVertex v) {
  pPList regions = V_regions(v);
  double w;
  if (PList_size(regions) > 0) {
    w = worstOver(regions, shp, true);
  } else {
    pPList faces = V_faces(v);
    w = worstOver(faces, shp, false);
    PList_delete(faces);
  }
  PList_delete(regions);
  return w;
}

double AdaptUtil::E_worstShp(shapeMeasure* shp, pPList regions, pEdge e) {
  if (regions && PList_size(regions) > 0) return worstOver(regions, shp, true);
  pPList faces = PList_new();
  for (int i = 0; i < E_numFaces(e); ++i) PList_append(faces, E_face(e, i));
  const double w = worstOver(faces, shp, false);
  PList_delete(faces);
  return w;
}

int AdaptUtil::F_longestEdge(const metricField* field, pFace face, pEdge* out, double* ratio) {
  double longest = 0.0, shortest = 99999999;
  int found = 0;
  for (int i = 0; i < 3; ++i) {
    pEdge e = F_edge(face, i);
    const double l = templatesUtil::E_distanceM(field, e);
    if (l > longest) {
      longest = l;
      *out = e;
      found = 1;
    }
    if (l < shortest) shortest = l;
  }
  const double r = longest / shortest;
  *ratio = r * r;
  return found;
}

double AdaptUtil::V_shortestLength(pVertex v) {
  double s = -1.0;
  for (int i = 0; i < V_numEdges(v); ++i) {
    const double l = E_length(V_edge(v, i));
    if (i == 0 || l < s) s = l;
  }
  return s;
}

void AdaptUtil::maxminEdgeLength(pVertex v, double* max, double* min) {
  const int n = V_numEdges(v);
  if (n == 0) {
    std::printf(" WARNING: a flying mesh vertex\n");
    return;
  }
  *max = *min = E_length(V_edge(v, 0));
  for (int i = 1; i < n; ++i) {
    const double l = E_length(V_edge(v, i));
    if (l > *max) *max = l;
    if (l < *min) *min = l;
  }
}

int AdaptUtil::indexOfMin(double a, double b, double c) {
  // Ties go to the later index.
  if (a < b) return a < c ? 0 : 2;
  return b < c ? 1 : 2;
}

// --------------------------------------------------- distances and projections

double AdaptUtil::P_sqrDistToSegment(const double a[3], const double b[3], const double p[3]) {
  double d[3], w[3];
  diffVt(b, a, d);
  diffVt(p, a, w);
  const double t = dotProd(w, d);
  if (t > 0.0) {
    const double L = dotProd(d, d);
    if (t < L) {
      for (int i = 0; i < 3; ++i) w[i] -= t / L * d[i];
    } else {
      for (int i = 0; i < 3; ++i) w[i] -= d[i];
    }
  }
  return dotProd(w, w);
}

namespace {
double clamp01(double x) { return x < 0.0 ? 0.0 : (x > 1.0 ? 1.0 : x); }
}  // namespace

double AdaptUtil::P_sqrDistToTri(const double p[3], const double B[3], const double E0[3],
                                 const double E1[3]) {
  double D[3];
  diffVt(B, p, D);
  const double a = dotProd(E0, E0), b = dotProd(E0, E1), c = dotProd(E1, E1);
  const double d = dotProd(E0, D), e = dotProd(E1, D), f = dotProd(D, D);
  const double det = std::fabs(a * c - b * b);
  double s = b * e - c * d, t = b * d - a * e;
  auto Q = [&](double ss, double tt) { return ss * (a * ss + b * tt + 2 * d) + tt * (b * ss + c * tt + 2 * e) + f; };
  if (s + t <= det && s >= 0.0 && t >= 0.0 && det > 0.0) {
    s /= det;
    t /= det;
    return std::fabs(Q(s, t));
  }
  // The minimum lies on the boundary: the best of the three clamped edges.
  double best;
  {
    const double tt = c > 0.0 ? clamp01(-e / c) : 0.0;  // s = 0
    best = Q(0.0, tt);
  }
  {
    const double ss = a > 0.0 ? clamp01(-d / a) : 0.0;  // t = 0
    const double q = Q(ss, 0.0);
    if (q < best) best = q;
  }
  {
    const double den = a - 2 * b + c;  // s + t = 1
    const double ss = den > 0.0 ? clamp01(((c + e) - (b + d)) / den) : 0.0;
    const double q = Q(ss, 1.0 - ss);
    if (q < best) best = q;
  }
  return std::fabs(best);
}

double AdaptUtil::XYZ_sqrDistSegments(const double P0[3], const double D0[3], const double P1[3],
                                      const double D1[3]) {
  double diff[3];
  diffVt(P0, P1, diff);
  const double a = dotProd(D0, D0), b = -dotProd(D0, D1), c = dotProd(D1, D1);
  const double d = dotProd(diff, D0), e = -dotProd(diff, D1), f = dotProd(diff, diff);
  const double det = std::fabs(a * c - b * b);
  auto Q = [&](double s, double t) { return s * (a * s + b * t + 2 * d) + t * (b * s + c * t + 2 * e) + f; };
  // Best over t with s fixed, and over s with t fixed.
  auto overT = [&](double s) {
    const double t = c > 0.0 ? clamp01(-(b * s + e) / c) : 0.0;
    return Q(s, t);
  };
  auto overS = [&](double t) {
    const double s = a > 0.0 ? clamp01(-(b * t + d) / a) : 0.0;
    return Q(s, t);
  };
  if (det >= 1e-10 * a * c) {  // not parallel: the sine squared of their angle
    const double s = b * e - c * d, t = b * d - a * e;
    if (s >= 0.0 && s <= det && t >= 0.0 && t <= det) return std::fabs(Q(s / det, t / det));
  }
  double best = overT(0.0);
  for (double q : {overT(1.0), overS(0.0), overS(1.0)})
    if (q < best) best = q;
  return std::fabs(best);
}

double AdaptUtil::V_sqrDistToFace(pVertex v, pFace f) {
  double xyz[3][3], p[3], e0[3], e1[3];
  faceCoords(f, xyz);
  V_coord(v, p);
  diffVt(xyz[1], xyz[0], e0);
  diffVt(xyz[2], xyz[0], e1);
  return P_sqrDistToTri(p, xyz[0], e0, e1);
}

double AdaptUtil::V_sqrDistToFace_2(pVertex v, pFace f) {
  double x[3][3], p[3], q[3];
  faceCoords(f, x);
  V_coord(v, p);
  P_projOnTriPlane(x, p, q);
  for (int i = 0; i < 3; ++i)
    if (XYZ_distance2(q, x[i]) < 1e-12 * XYZ_size2(x, 3)) return XYZ_distance2(x[i], p);
  double u[3], w[3], n[3], c[3];
  diffVt(x[1], x[0], u);
  diffVt(x[2], x[0], w);
  crossProd(u, w, n);
  int k = 0;
  for (int i = 0; i < 3; ++i) {
    const int j = (i + 1) % 3;
    diffVt(x[j], x[i], u);
    diffVt(p, x[i], w);
    crossProd(u, w, c);
    if (dotProd(c, n) > 0.0) k |= 1 << i;
  }
  switch (k) {
    case 7: {
      double nn;
      const double D = P_distToPlane(p, x[0], x[1], x[2], &nn);
      return D * D / nn;
    }
    case 6: return P_sqrDistToSegment(x[0], x[1], p);
    case 5: return P_sqrDistToSegment(x[1], x[2], p);
    case 3: return P_sqrDistToSegment(x[0], x[2], p);
    case 1: return std::fmin(P_sqrDistToSegment(x[0], x[2], p), P_sqrDistToSegment(x[1], x[2], p));
    case 2: return std::fmin(P_sqrDistToSegment(x[1], x[0], p), P_sqrDistToSegment(x[2], x[0], p));
    case 4: return std::fmin(P_sqrDistToSegment(x[0], x[1], p), P_sqrDistToSegment(x[2], x[1], p));
    default:
      std::printf(" this could happen (AdaptUtil::P_distToTriangle)\n");
      return 999999;
  }
}

double AdaptUtil::M_sqrDistEdges(pEdge e1, pEdge e2) {
  double a0[3], a1[3], b0[3], b1[3], da[3], db[3];
  V_coord(E_vertex(e1, 0), a0);
  V_coord(E_vertex(e1, 1), a1);
  V_coord(E_vertex(e2, 0), b0);
  V_coord(E_vertex(e2, 1), b1);
  diffVt(a1, a0, da);
  diffVt(b1, b0, db);
  return XYZ_sqrDistSegments(a0, da, b0, db);
}

void AdaptUtil::P_projOnTriPlane(const double xyz[3][3], const double p[3], double out[3]) {
  double u[3], w[3], n[3], d[3];
  diffVt(xyz[1], xyz[0], u);
  diffVt(xyz[2], xyz[0], w);
  crossProd(u, w, n);
  diffVt(p, xyz[0], d);
  const double s = dotProd(d, n) / dotProd(n, n);
  for (int i = 0; i < 3; ++i) out[i] = p[i] - s * n[i];
}

double AdaptUtil::ParOnLinearEdge(const double xyz[2][3], const double p[3]) {
  int k = 0;
  double big = -1.0, coord = 0.0;
  for (int i = 0; i < 3; ++i) {
    const double d = std::fabs(xyz[1][i] - xyz[0][i]);
    if (d > big) {
      big = d;
      k = i;
    }
    coord = std::fmax(coord, std::fmax(std::fabs(xyz[0][i]), std::fabs(xyz[1][i])));
  }
  // An edge shorter than the round-off of its coordinates has no direction.
  if (!(big > M_getTolerance() * coord)) return -1;
  return (p[k] - xyz[0][k]) / (xyz[1][k] - xyz[0][k]);
}

int AdaptUtil::XYZ_InClosureOfLine(const double p[3], const double xyz[2][3]) {
  const double tol = M_getTolerance();
  const double tol2 = tol * tol;
  double a[3], b[3];
  diffVt(xyz[0], p, a);
  diffVt(xyz[1], p, b);
  const double aa = dotProd(a, a), bb = dotProd(b, b), ab = dotProd(a, b);
  // At an end, relative to the length of the line.
  const double near = tol2 * XYZ_distance2(xyz[0], xyz[1]);
  if (aa <= near || bb <= near) return 1;
  if (ab > 0.0) return 0;
  return 1.0 - ab * ab / (aa * bb) < tol2 ? 1 : 0;
}

int AdaptUtil::RelativeDirection(const double a[3], const double b[3]) {
  const double ab = dotProd(a, b);
  const double c2 = ab * ab / (dotProd(a, a) * dotProd(b, b));
  if (c2 < 0.9924) return 0;
  return ab > 0.0 ? 1 : -1;
}

int AdaptUtil::RelativeDirection(const double a[3], const double b[3], double angle) {
  const double ab = dotProd(a, b);
  const double c2 = ab * ab / (dotProd(a, a) * dotProd(b, b));
  const double c = std::cos(angle * 0.017453293);
  if (c2 < c * c) return 0;
  return ab > 0.0 ? 1 : -1;
}

// ------------------------------------------------- centroids and vertex motion

void AdaptUtil::centroidOfMRegion(pRegion r, double out[3]) {
  double xyz[4][3];
  R_coord(r, xyz);
  for (int j = 0; j < 3; ++j) out[j] = (xyz[0][j] + xyz[1][j] + xyz[2][j] + xyz[3][j]) * 0.25;
}

void AdaptUtil::centroidOfMFace(pFace f, double out[3]) {
  double xyz[3][3];
  F_coord(f, xyz);
  for (int j = 0; j < 3; ++j) out[j] = (xyz[0][j] + xyz[1][j] + xyz[2][j]) / 3.0;
}

void AdaptUtil::centroidOfMEdge(pEdge e, double out[3]) {
  double a[3], b[3];
  V_coord(E_vertex(e, 0), a);
  V_coord(E_vertex(e, 1), b);
  for (int j = 0; j < 3; ++j) out[j] = (a[j] + b[j]) * 0.5;
}

void AdaptUtil::centroidOfMVertex(pVertex v, double out[3]) { V_coord(v, out); }

void AdaptUtil::centroidOfCavity(pVertex v, double out[3]) {
  const int n = V_numEdges(v);
  out[0] = out[1] = out[2] = 0.0;
  for (int i = 0; i < n; ++i) {
    double x[3];
    V_coord(E_otherVertex(V_edge(v, i), v), x);
    for (int j = 0; j < 3; ++j) out[j] += x[j];
  }
  if (n > 0)
    for (int j = 0; j < 3; ++j) out[j] /= n;
}

void AdaptUtil::move_vertex(pVertex v, const double target[3]) {
  P_setPos(V_point(v), target[0], target[1], target[2]);
}

void AdaptUtil::move_vertex(pVertex v, const double target[3], double f) {
  double x[3];
  V_coord(v, x);
  P_setPos(V_point(v), x[0] + f * (target[0] - x[0]), x[1] + f * (target[1] - x[1]),
           x[2] + f * (target[2] - x[2]));
}

// ------------------------------------------------------------ topology look-ups

pRegion AdaptUtil::F_otherRgn(pFace f, pRegion r) {
  return F_region(f, 0) == r ? F_region(f, 1) : F_region(f, 0);
}

pPList AdaptUtil::R_adjRegions(pRegion r) {
  pPList out = PList_new();
  for (int i = 0; i < R_numFaces(r); ++i)
    if (pRegion o = F_otherRgn(R_face(r, i), r)) PList_append(out, o);
  return out;
}

pEdge AdaptUtil::CommonEdge(pFace f, pEntity g) {
  for (int i = 0; i < F_numEdges(f); ++i) {
    pEdge e = F_edge(f, i);
    const int in = EN_type(g) == 3 ? R_inClosure(g, e) : EN_type(g) == 2 ? F_inClosure(g, e)
                                                                          : E_inClosure(g, e);
    if (in) return e;
  }
  return nullptr;
}

pFace AdaptUtil::E_otherBdryFace(pEdge e, pFace f) {
  if (E_whatInType(e) != 2) return nullptr;
  for (int i = 0; i < E_numFaces(e); ++i) {
    pFace o = E_face(e, i);
    if (o != f && F_whatInType(o) != 3) return o;
  }
  return nullptr;
}

int AdaptUtil::V_numGFaces(pVertex v) {
  if (V_whatInType(v) == 2) return 1;
  if (!V_whatIn(v)) return 0;
  pPList faces = GV_faces(V_whatIn(v));
  const int n = PList_size(faces);
  PList_delete(faces);
  return n;
}

namespace {
int inClosure(pEntity f, pEntity e) { return EN_type(e) == 2 ? f == e : F_inClosure(f, e); }
}  // namespace

pFace AdaptUtil::F_getFmFaces(pPList& list, pEntity e) {
  void* it = nullptr;
  while (void* f = PList_next(list, &it))
    if (inClosure(static_cast<pFace>(f), e)) return static_cast<pFace>(f);
  return nullptr;
}

pFace AdaptUtil::F_getFmFaces(SSList<mEntity*>& list, pEntity e) {
  SSListIter<mEntity*> it(list);
  mEntity* f;
  while (it.next(f))
    if (inClosure(f, e)) return f;
  return nullptr;
}
