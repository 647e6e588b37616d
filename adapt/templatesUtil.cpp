#include "templatesUtil.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "MT_geometry.h"
#include "MT_vector.h"

using namespace KORA;

namespace {
// The bisections on the model stop here and keep their last point.
const int maxBisections = 200;
}  // namespace

double templatesUtil::XYZ_distanceM(const double p1[3], const double p2[3], const metric* m1,
                                    const metric* m2) {
  double d[3];
  diffVt(p1, p2, d);
  if (!m1 || !m2) return std::sqrt(dotProd(d, d));
  double t1[3], t2[3];
  m1->transform(d, t1);
  m2->transform(d, t2);
  return 0.5 * (std::sqrt(dotProd(t1, t1)) + std::sqrt(dotProd(t2, t2)));
}

double templatesUtil::V_distanceM(const metricField* field, pVertex a, pVertex b) {
  double xa[3], xb[3];
  V_coord(a, xa);
  V_coord(b, xb);
  if (!field) return XYZ_distanceM(xa, xb, nullptr, nullptr);
  return XYZ_distanceM(xa, xb, field->getMetric(a), field->getMetric(b));
}

double templatesUtil::E_distanceM(const metricField* field, pEdge e) {
  return V_distanceM(field, E_vertex(e, 0), E_vertex(e, 1));
}

int templatesUtil::shortestDiagonal(pPList verts, int mask, const metricField* field) {
  double p[4][3];
  const metric* m[4];
  for (int i = 0; i < 4; ++i) {
    pVertex v = static_cast<pVertex>(PList_item(verts, i));
    V_coord(v, p[i]);
    m[i] = field ? field->getMetric(v) : nullptr;
  }
  int best = -1;
  double shortest = 0.0;
  for (int j = 0; j < 3; ++j) {
    if (!(mask & (1 << j))) continue;
    const int a = (j + 1) % 3, b = (j + 2) % 3;
    double c0[3], c1[3];
    metric *mc0 = nullptr, *mc1 = nullptr;
    metricField::centerPoint(p[j], p[a], m[j], m[a], c0, &mc0);
    metricField::centerPoint(p[3], p[b], m[3], m[b], c1, &mc1);
    const double len = XYZ_distanceM(c0, c1, mc0, mc1);
    delete mc0;
    delete mc1;
    if (best < 0 || len < shortest) {
      best = j;
      shortest = len;
    }
  }
  return best;
}

int templatesUtil::shortestDiagonal(pPList verts, int mask) {
  double p[4][3];
  for (int i = 0; i < 4; ++i) V_coord(static_cast<pVertex>(PList_item(verts, i)), p[i]);
  int best = -1;
  double shortest = 0.0;
  for (int j = 0; j < 3; ++j) {
    if (!(mask & (1 << j))) continue;
    double s0[3], s1[3];
    addVt(p[j], p[(j + 1) % 3], s0);
    addVt(p[3], p[(j + 2) % 3], s1);
    const double len = XYZ_distance2(s0, s1);
    if (best < 0 || len < shortest) {
      best = j;
      shortest = len;
    }
  }
  return best;
}

void templatesUtil::mapping_template(pRegion r, pPList edges, pPList verts, int row,
                                     const int edgeTable[][6], const int faceTable[][4],
                                     const int vertexTable[][4], pFace faces[4], pEdge outEdges[6],
                                     int dirs[4], pVertex outVerts[4]) {
  pPList f = R_faces_garanteed(r, edges);
  for (int k = 0; k < 6; ++k) outEdges[k] = static_cast<pEdge>(PList_item(edges, edgeTable[row][k]));
  for (int k = 0; k < 4; ++k) faces[k] = static_cast<pFace>(PList_item(f, faceTable[row][k]));
  for (int k = 0; k < 4; ++k) dirs[k] = R_dirUsingFace(r, faces[k]);
  for (int k = 0; k < 4; ++k) outVerts[k] = static_cast<pVertex>(PList_item(verts, vertexTable[row][k]));
  PList_delete(f);
}

pPList templatesUtil::R_faces_garanteed(pRegion r, pPList edges) {
  pPList out = PList_new();
  pFace f0 = R_face(r, 0);
  PList_append(out, f0);
  for (int k = 0; k < 3; ++k) PList_append(out, E_otherFace(static_cast<pEdge>(PList_item(edges, k)), f0, r));
  return out;
}

void templatesUtil::map_vertices(pFace f, pVertex verts[3], int out[3]) {
  pVertex w[3];
  for (int i = 0; i < 3; ++i) w[i] = E_vertex(F_edge(f, i), F_edgeDir(f, i) ? 0 : 1);
  for (int i = 0; i < 3; ++i) {
    if (w[i] != verts[0]) continue;
    out[0] = i;
    out[1] = verts[1] == w[(i + 1) % 3] ? (i + 1) % 3 : (i + 2) % 3;
    out[2] = 3 - out[0] - out[1];
    return;
  }
}

int templatesUtil::middlePoint(pEdge e, double xyz[3], double par[3]) {
  if (E_whatInType(e) == 3) return 0;
  pVertex v[2] = {E_vertex(e, 0), E_vertex(e, 1)};
  double x[2][3];
  V_coord(v[0], x[0]);
  V_coord(v[1], x[1]);
  pGEntity g = E_whatIn(e);
  double tol = GEN_tolerance(g);
  if (E_whatInType(e) == 1) {
    double t[2] = {0.0, 0.0};  // an end on neither the model edge nor a model vertex
    for (int i = 0; i < 2; ++i) {
      pGEntity gv = V_whatIn(v[i]);
      if (V_whatInType(v[i]) == 1) {
        t[i] = P_param1(V_point(v[i]));
      } else if (V_whatInType(v[i]) == 0) {
        tol = std::max(tol, GEN_tolerance(gv));
        t[i] = GE_vertexReparam(g, gv);
      }
    }
    double range[2];
    GE_parRange(g, &range[0], &range[1]);
    return bisectParam1(t, x, g, range, xyz, par, tol);
  }
  double uv[2][3] = {{0, 0, 0}, {0, 0, 0}};
  int seam[2] = {0, 0}, code[2] = {2, 2};
  int degen = -1;
  for (int i = 0; i < 2; ++i) {
    pGEntity gv = V_whatIn(v[i]);
    const int ty = V_whatInType(v[i]);
    if (ty == 0) {
      tol = std::max(tol, GEN_tolerance(gv));
      GF_vertexReparam(g, gv, uv[i]);
      seam[i] = GV_isonSeam(gv, g);
      code[i] = 0;
    } else if (ty == 1) {
      const double t = P_param1(V_point(v[i]));
      tol = std::max(tol, GEN_tolerance(gv));
      GF_edgeReparam(g, gv, t, 1, uv[i]);
      seam[i] = GE_isSeam(gv, g);
      code[i] = 1;
    } else {
      int patch = 0;
      P_param2(V_point(v[i]), &uv[i][0], &uv[i][1], &patch);
      seam[i] = 0;
      code[i] = 2;
    }
    const int k = ifDegenerated(g, uv[i], tol);
    if (k != -1) {
      std::printf("...MiddlePoint - Degeneracy detected\n");
      degen = 3 * i + k;
    }
  }
  double range[2][2];
  GF_parRange(g, 0, &range[0][0], &range[0][1]);
  GF_parRange(g, 1, &range[1][0], &range[1][1]);
  return bisectParam2(uv, x, g, seam, code, range, degen, xyz, par, tol);
}

int templatesUtil::bisectParam1(double t[2], double xyz[2][3], pGEdge g, double range[2], double out[3],
                                double* outPar, double tol) {
  for (int it = 0; it < maxBisections; ++it) {
    double p = 0.5 * (t[0] + t[1]);
    if (GE_periodic(g) || GE_isClosed(g)) {
      const double half = 0.5 * (range[1] - range[0]);
      const double x = std::fabs(t[1] - t[0]) - half;
      if (x > tol) {
        p += half;
        if (p >= range[1]) p -= 2 * half;
      } else if (std::fabs(x) < tol) {
        std::fprintf(stderr, "Half period par difference: coloring info needed !\n");
        return 0;
      }
    }
    GE_point(g, p, out);
    *outPar = p;
    const double s0 = XYZ_distance2(out, xyz[0]), s1 = XYZ_distance2(out, xyz[1]);
    if (s0 < s1) {
      if (s0 / s1 > 0.5) return 1;
      t[0] = p;
    } else {
      if (s1 / s0 > 0.5) return 1;
      t[1] = p;
    }
  }
  return 1;
}

int templatesUtil::bisectParam2(double uv[2][3], double xyz[2][3], pGFace g, int seam[2], int code[2],
                                double range[2][2], int degen, double out[3], double outPar[3],
                                double tol) {
  for (int it = 0; it < maxBisections; ++it) {
    double p[2];
    for (int k = 0; k < 2; ++k) {
      if (k == 0 && degen == 1) {
        p[0] = uv[1][0];
      } else if (k == 0 && degen == 4) {
        p[0] = uv[0][0];
      } else if (k == 1 && degen == 0) {
        p[1] = uv[1][1];
      } else if (k == 1 && degen == 3) {
        p[1] = uv[0][1];
      } else {
        p[k] = 0.5 * (uv[0][k] + uv[1][k]);
        if (ifAddPeriod(g, seam, code, k, uv, range)) {
          const double half = 0.5 * (range[k][1] - range[k][0]);
          const double diff = std::fabs(uv[1][k] - uv[0][k]);
          if (half + tol < diff) {
            p[k] += half;
            if (p[k] >= range[k][1]) p[k] -= 2 * half;
          } else if (std::fabs(diff - half) < tol) {
            std::fprintf(stderr, "Half period par difference: coloring info needed !\n");
            return 0;
          }
        }
      }
    }
    GF_point(g, p, out);
    outPar[0] = p[0];
    outPar[1] = p[1];
    const double s0 = XYZ_distance2(out, xyz[0]), s1 = XYZ_distance2(out, xyz[1]);
    const int end = s0 < s1 ? 0 : 1;
    const double r = s0 < s1 ? s0 / s1 : s1 / s0;
    if (r > 0.5) return 2;
    uv[end][0] = p[0];
    uv[end][1] = p[1];
    seam[end] = 0;
  }
  return 2;
}

int templatesUtil::ifAddPeriod(pGFace g, int seam[2], int code[2], int k, double uv[2][3],
                               double range[2][2]) {
  if (GF_periodic(g, k)) return 1;
  if (seam[0] == 0 && seam[1] == 0) return 0;
  if (seam[0] == 2 || seam[1] == 2 || (seam[0] == 1 && seam[1] == 1)) return 1;
  const double tol = GEN_tolerance(g);
  const double lo = range[k][0], hi = range[k][1];
  for (int i = 0; i < 2; ++i) {
    if (seam[i] != 1) continue;
    const double p = uv[i][k];
    if (code[i] == 1) return (p - lo < tol || hi - p < tol) ? 1 : 0;
    if (code[i] == 0) {
      double q[2] = {uv[i][0], uv[i][1]};
      q[k] = p - lo < tol ? hi : lo;
      double a[3], b[3];
      GF_point(g, uv[i], a);
      GF_point(g, q, b);
      return XYZ_distance2(a, b) <= tol * tol ? 1 : 0;
    }
    std::fprintf(stderr, "ifAddPeriod: pb!\n");
  }
  return -1;
}

int templatesUtil::ifDegenerated(pGFace g, const double par[2], double tol) {
  for (int k = 0; k < 2; ++k) {
    double values[16];
    const int n = std::min(GF_paramDegeneracies(g, k, values), 16);
    for (int i = 0; i < n; ++i)
      if (std::fabs(par[k] - values[i]) < tol) return k;
  }
  return -1;
}

int templatesUtil::GV_isonSeam(pGVertex v, pGFace f) {
  pPList edges = GV_edges(v);
  int n = 0;
  void* it = nullptr;
  while (void* ge = PList_next(edges, &it)) {
    pGEdge e = static_cast<pGEdge>(ge);
    if (GF_inClosure(f, e) && GE_isSeam(e, f)) ++n;
  }
  PList_delete(edges);
  return n;
}

int templatesUtil::GE_isClosed(pGEdge e) {
  // The interface's ordered vertex list of a model edge is unsupported (it
  // throws); the model adjacency serves: a closed edge starts and ends on
  // its one model vertex.
  pPList v = GE_vectices(e);
  const int closed = PList_size(v) == 1;
  PList_delete(v);
  return closed;
}

double templatesUtil::R_volumeM(const metricField* field, pRegion r) {
  pPList verts = R_vertices(r);
  double xyz[4][3];
  double largest = 0.0;
  for (int i = 0; i < 4; ++i) {
    pVertex v = static_cast<pVertex>(PList_item(verts, i));
    V_coord(v, xyz[i]);
    const metric* m = field ? field->getMetric(v) : nullptr;
    if (m) largest = std::max(largest, m->h[0] * m->h[1] * m->h[2]);
  }
  PList_delete(verts);
  const double vol = XYZ_volume(xyz);
  return largest > 0.0 ? vol / largest : vol;
}

double templatesUtil::V_getSize(pVertex v) {
  double h = V_size(v);
  if (h != 0.0) return h;
  double sum = 0.0;
  int n = 0;
  for (int i = 0; i < V_numEdges(v); ++i) {
    const double s = V_size(E_otherVertex(V_edge(v, i), v));
    if (s != 0.0) {
      sum += s;
      ++n;
    }
  }
  if (n == 0) return V_rmsEdgeLength(v);
  h = sum / n;
  V_setSize(v, h);
  return h;
}

double templatesUtil::V_rmsEdgeLength(pVertex v) {
  const int n = V_numEdges(v);
  if (n == 0) return 0.0;
  double sum = 0.0, lo = 0.0, hi = 0.0;
  for (int i = 0; i < n; ++i) {
    const double l = E_length(V_edge(v, i));
    sum += l;
    if (i == 0 || l < lo) lo = l;
    if (i == 0 || l > hi) hi = l;
  }
  if (n > 2) return std::sqrt((sum - lo - hi) / (n - 2));
  return std::sqrt(sum / n);
}

double templatesUtil::det33(const double A[3][3]) {
  return A[0][0] * A[1][1] * A[2][2] + A[0][1] * A[1][2] * A[2][0] + A[0][2] * A[1][0] * A[2][1] -
         A[0][2] * A[1][1] * A[2][0] - A[0][0] * A[1][2] * A[2][1] - A[0][1] * A[1][0] * A[2][2];
}

int templatesUtil::solve33(const double A[3][3], double x[3]) {
  const double d = det33(A);
  // Singular against the size of its rows, whatever their units.
  double rows = 1.0;
  for (int r = 0; r < 3; ++r) rows *= std::sqrt(A[r][0] * A[r][0] + A[r][1] * A[r][1] + A[r][2] * A[r][2]);
  if (!(std::fabs(d) > M_getTolerance() * rows)) return 0;
  for (int j = 0; j < 3; ++j) {
    double B[3][3];
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) B[r][c] = c == j ? 1.0 : A[r][c];
    x[j] = det33(B) / d;
  }
  return 1;
}
