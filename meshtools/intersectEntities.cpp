// Intersections of triangles and edges with each other. The points are
// first found with both operands closed; closure control then turns them
// into the result under the requested closure flags.
#include <cmath>
#include <utility>

#include "MT_error.h"
#include "MT_intersect.h"
#include "MT_topology.h"
#include "MT_vector.h"

using namespace KORA;

namespace {
struct Snapshot {  // copies of a record's points, at most six
  int count = 0;
  double xyz[6][3];
  pEntity e1[6];
  pEntity e2[6];
};

double tolerance() { return M_getTolerance(); }

bool isVertex(pEntity e) { return e && EN_type(e) == 0; }
bool isEdge(pEntity e) { return e && EN_type(e) == 1; }
bool isFace(pEntity e) { return e && EN_type(e) == 2; }

// Copies the record's points (at most 'most') and renews it in place.
Snapshot renew(IntersectionData* d, int most) {
  Snapshot s;
  s.count = d->numPoints;
  int i = 0;
  for (IntersectionPoint* p = d->points; p && i < most; p = p->next, ++i) {
    for (int k = 0; k < 3; ++k) s.xyz[i][k] = p->xyz[k];
    s.e1[i] = p->ent1;
    s.e2[i] = p->ent2;
  }
  M_intersectionData_delete(*d);
  *d = M_intersectionData_new();
  return s;
}

int finishWith(IntersectionData* d) {
  if (d->numPoints == 0) return 0;
  d->dimension = d->numPoints == 1 ? 0 : d->numPoints == 2 ? 1 : 2;
  return 1;
}

void triangle(pFace f, pVertex v[3], double X[3][3]) {
  pPList vs = F_vertices(f, 1);
  for (int k = 0; k < 3; ++k) {
    v[k] = static_cast<pVertex>(PList_item(vs, k));
    V_coord(v[k], X[k]);
  }
  PList_delete(vs);
}

// Signed distances (times |n|) of the points from the plane of X, and
// whether each lies on it within the tolerance.
void sides(const double X[3][3], const double (*P)[3], int n, double s[], bool on[]) {
  double u[3], v[3], nrm[3];
  diffVt(X[1], X[0], u);
  diffVt(X[2], X[0], v);
  crossProd(u, v, nrm);
  const double t = tolerance(), n2 = dotProd(nrm, nrm);
  for (int k = 0; k < n; ++k) {
    double w[3];
    diffVt(P[k], X[0], w);
    s[k] = dotProd(nrm, w);
    on[k] = s[k] * s[k] <= t * t * n2;
  }
}

// The pairs (0,1), (1,2), (0,2) of a triangle's vertices.
const int pairs[3][2] = {{0, 1}, {1, 2}, {0, 2}};

// 1 when the two entities lie on one edge of a triangle.
int areTwoPtsOnOneEdge(const pEntity E[2]) {
  if (isVertex(E[0]) && isVertex(E[1])) return 1;
  for (int k = 0; k < 2; ++k)
    if (isEdge(E[k]) && isVertex(E[1 - k]) && (E_vertex(E[k], 0) == E[1 - k] || E_vertex(E[k], 1) == E[1 - k]))
      return 1;
  return isEdge(E[0]) && E[0] == E[1] ? 1 : 0;
}

// A vertex and the edge of f opposite it, or two different edges: a segment
// with these ends crosses the face.
bool vertexAndOppositeOrTwoEdges(pFace f, pEntity a, pEntity b) {
  if (isVertex(a) && isEdge(b)) return F_vtOpEd(f, a) == b;
  if (isEdge(a) && isVertex(b)) return F_vtOpEd(f, b) == a;
  return isEdge(a) && isEdge(b) && a != b;
}

void appendIf(pPList l, pEntity e) {
  if (e) PList_append(l, e);
}

// Entities of face f that the intersection covers or crosses, from the
// entities E of f holding the record's points.
void appendEntsOnFace(pFace f, const pEntity E[], IntersectionData* d) {
  const int c = d->numPoints;
  if (c == 2) {
    if (isVertex(E[0]) && isVertex(E[1])) appendIf(d->entities, M_boundedEdgeOnFace(f, E[0], E[1]));
    else if (vertexAndOppositeOrTwoEdges(f, E[0], E[1])) PList_append(d->entities, f);
    return;
  }
  bool anyFace = false;
  for (int i = 0; i < c; ++i) anyFace = anyFace || isFace(E[i]);
  if (!anyFace) PList_append(d->entities, f);
  for (int i = 0; i < c; ++i)
    if (isVertex(E[i]) && isVertex(E[(i + 1) % c]))
      appendIf(d->entities, M_boundedEdgeOnFace(f, E[i], E[(i + 1) % c]));
}

// The polygon of a closed face fA against an open one: the entities A on fA
// are moved to the edges of fA that the polygon really runs along.
void FF_intEntSnapOnHalfClosure(pEntity A[], pFace fA, const pEntity B[], int c, IntersectionData* d) {
  pEdge g[3];
  int score[3] = {0, 0, 0}, nrec[3] = {0, 0, 0}, rec[3][2];
  for (int k = 0; k < 3; ++k) g[k] = F_edge(fA, k);
  auto record = [&](int k, int i, int add) {
    score[k] += add;
    if (nrec[k] < 2) rec[k][nrec[k]++] = i;
  };
  for (int i = 0; i < c; ++i)
    for (int k = 0; k < 3; ++k) {
      if (isVertex(A[i]) && (E_vertex(g[k], 0) == A[i] || E_vertex(g[k], 1) == A[i])) record(k, i, 1);
      else if (A[i] == g[k]) record(k, i, 3);
    }
  for (int k = 0; k < 3; ++k) {
    if (score[k] == 1) {
      score[k] = 0;
    } else if (score[k] == 2 || score[k] == 4) {
      const pEntity two[2] = {B[rec[k][0]], nrec[k] > 1 ? B[rec[k][1]] : B[rec[k][0]]};
      score[k] = areTwoPtsOnOneEdge(two) ? 0 : 1;
    } else if (score[k] == 3) {
      score[k] = isVertex(B[rec[k][0]]) ? 0 : 1;
    }
  }
  for (int i = 0; i < c; ++i) {
    bool taken = false;
    if (!isFace(A[i]) && !isFace(B[i]))
      for (int k = 0; k < 3 && !taken; ++k) {
        const bool recorded = (nrec[k] > 0 && rec[k][0] == i) || (nrec[k] > 1 && rec[k][1] == i);
        if (score[k] != 0 && recorded) {
          A[i] = g[k];
          ++score[k];
          taken = true;
        }
      }
    if (!taken) A[i] = fA;
  }
  for (int k = 0; k < 3; ++k)
    if (score[k] == 1) PList_append(d->entities, g[k]);
}

// Face against face under the closure flags, from the points found with
// both closed (record empty on entry to the intersection).
int FF_ClosureControl(pFace F1, int closed1, pFace F2, int closed2, IntersectionData* d) {
  Snapshot s = renew(d, 6);
  const int c = s.count;
  auto addAll = [&](pEntity forced1, pEntity forced2) {
    for (int i = 0; i < c; ++i)
      M_updateIntersectionData(d, forced1 ? forced1 : s.e1[i], forced2 ? forced2 : s.e2[i], s.xyz[i], -1);
  };
  if (c == 1) {
    if ((closed1 || isFace(s.e1[0])) && (closed2 || isFace(s.e2[0]))) addAll(nullptr, nullptr);
  } else if (c == 2) {
    if (closed1 && closed2) {
      addAll(nullptr, nullptr);
      appendEntsOnFace(F1, s.e1, d);
      appendEntsOnFace(F2, s.e2, d);
    } else if (closed1) {
      if (!areTwoPtsOnOneEdge(s.e2)) {
        addAll(nullptr, F2);
        appendEntsOnFace(F1, s.e1, d);
      }
    } else if (closed2) {
      if (!areTwoPtsOnOneEdge(s.e1)) {
        addAll(F1, nullptr);
        appendEntsOnFace(F2, s.e2, d);
      }
    } else if (!areTwoPtsOnOneEdge(s.e1) && !areTwoPtsOnOneEdge(s.e2)) {
      addAll(F1, F2);
    }
  } else if (c >= 3 && c <= 6) {
    if (closed1 && closed2) {
      addAll(nullptr, nullptr);
      appendEntsOnFace(F1, s.e1, d);
      appendEntsOnFace(F2, s.e2, d);
    } else if (closed1) {
      FF_intEntSnapOnHalfClosure(s.e1, F1, s.e2, c, d);
      addAll(nullptr, F2);
      appendEntsOnFace(F1, s.e1, d);
    } else if (closed2) {
      FF_intEntSnapOnHalfClosure(s.e2, F2, s.e1, c, d);
      addAll(F1, nullptr);
      appendEntsOnFace(F2, s.e2, d);
    } else {
      addAll(F1, F2);
    }
  }
  return finishWith(d);
}

// Face against edge under the closure flags (record empty on entry).
int ClosureControl(pFace f, int closedF, pEdge e, int closedE, IntersectionData* d) {
  Snapshot s = renew(d, 2);
  const int c = s.count;
  pEntity* EF = s.e1;
  pEntity* EE = s.e2;
  if (c == 1) {
    if ((closedF || isFace(EF[0])) && (closedE || EE[0] == e))
      M_updateIntersectionData(d, EF[0], EE[0], s.xyz[0], -1);
  } else if (c == 2) {
    const bool crossing = vertexAndOppositeOrTwoEdges(f, EF[0], EF[1]) || isFace(EF[0]) || isFace(EF[1]);
    if (closedF) {
      if (closedE) {
        if (isVertex(EE[0]) && isVertex(EE[1])) PList_append(d->entities, e);
      } else {
        pEntity g = f;
        if (!crossing) {
          if (isVertex(EF[0]) && isVertex(EF[1])) g = M_boundedEdgeOnFace(f, EF[0], EF[1]);
          else g = isEdge(EF[0]) ? EF[0] : EF[1];
          if (!g) g = f;
        }
        for (int i = 0; i < 2; ++i)
          if (isVertex(EE[i])) {
            EF[i] = g;
            EE[i] = e;
          }
      }
      for (int i = 0; i < 2; ++i) M_updateIntersectionData(d, EF[i], EE[i], s.xyz[i], -1);
      if (isVertex(EF[0]) && isVertex(EF[1])) appendIf(d->entities, M_boundedEdgeOnFace(f, EF[0], EF[1]));
      else if (EF[0] != EF[1] && EF[0] != f && EF[1] != f) PList_append(d->entities, f);
    } else if (crossing) {
      for (int i = 0; i < 2; ++i) {
        EF[i] = f;
        if (!closedE || isVertex(EE[i])) EE[i] = e;
        M_updateIntersectionData(d, EF[i], EE[i], s.xyz[i], -1);
      }
    }
  }
  return finishWith(d);
}

// Two edges on one line.
int M_intersectColinearEdges(pEdge E1, int closed1, pEdge E2, int closed2, int N0, IntersectionData* d) {
  const double t2 = tolerance() * tolerance();
  pVertex v[2] = {E_vertex(E1, 0), E_vertex(E1, 1)}, w[2] = {E_vertex(E2, 0), E_vertex(E2, 1)};
  double P[2][3], Q[2][3], u[2][2][3];
  for (int k = 0; k < 2; ++k) {
    V_coord(v[k], P[k]);
    V_coord(w[k], Q[k]);
  }
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 2; ++j) diffVt(P[i], Q[j], u[i][j]);
  int pair[2][2], n = 0;
  auto note = [&](int a, int b) {
    if (n < 2) {
      pair[n][0] = a;
      pair[n][1] = b;
      ++n;
    }
  };
  for (int i = 0; i < 2; ++i) {
    const double p = dotProd(u[i][0], u[i][1]);
    if (std::abs(p) < t2) note(i, dotProd(u[i][0], u[i][0]) < t2 ? 0 : 1);
    else if (p < 0) note(i, 2);
  }
  for (int j = 0; j < 2; ++j)
    if (dotProd(u[0][j], u[1][j]) < -t2) note(2, j);
  if (n == 0) return 0;
  if (n == 1) {
    if (!closed1 || !closed2) return 0;
    const int a = pair[0][0], b = pair[0][1];
    M_updateIntersectionData(d, a < 2 ? v[a] : E1, b < 2 ? w[b] : E2, a < 2 ? P[a] : Q[b], t2);
    d->dimension = 0;
    return 1;
  }
  pEntity first[2], second[2];
  for (int k = 0; k < 2; ++k) {
    const int a = pair[k][0], b = pair[k][1];
    const double* x = a < 2 ? P[a] : Q[b];
    if (closed1 && !closed2) x = b < 2 ? Q[b] : P[a];
    pEntity ent1 = E1, ent2 = E2;
    if (closed1 && closed2) {
      if (a < 2) ent1 = v[a];
      if (b < 2) ent2 = w[b];
    } else if (!closed1 && closed2) {
      if (b < 2 && a == 2) ent2 = w[b];
    } else if (closed1 && !closed2) {
      if (a < 2 && b == 2) ent1 = v[a];
    }
    first[k] = ent1;
    second[k] = ent2;
    M_updateIntersectionData(d, ent1, ent2, x, t2);
  }
  if (N0 == 0) {
    if ((first[0] == v[0] && first[1] == v[1]) || (first[0] == v[1] && first[1] == v[0]))
      PList_appUnique(d->entities, E1);
    if ((second[0] == w[0] && second[1] == w[1]) || (second[0] == w[1] && second[1] == w[0]))
      PList_appUnique(d->entities, E2);
  }
  d->dimension = 1;
  return 1;
}

// Two edges that are not on one line: the crossing point, when they cross.
int M_intersectNonColinearEdges(pEdge E1, int closed1, pEdge E2, int closed2, IntersectionData* d) {
  const double tol = tolerance(), t2 = tol * tol;
  pVertex v[2] = {E_vertex(E1, 0), E_vertex(E1, 1)}, w[2] = {E_vertex(E2, 0), E_vertex(E2, 1)};
  double P[2][3], Q[2][3], D1[3], D2[3], m[3], rhs[3];
  for (int k = 0; k < 2; ++k) {
    V_coord(v[k], P[k]);
    V_coord(w[k], Q[k]);
  }
  diffVt(P[1], P[0], D1);
  diffVt(Q[1], Q[0], D2);
  crossProd(D1, D2, m);
  diffVt(Q[0], P[0], rhs);
  int drop = 0;
  for (int i = 1; i < 3; ++i)
    if (std::abs(m[i]) > std::abs(m[drop])) drop = i;
  const int i = drop == 0 ? 1 : 0, j = drop == 2 ? 1 : 2;
  // t * D1 - u * D2 = rhs in the coordinates i and j.
  const double det = D1[i] * (-D2[j]) - (-D2[i]) * D1[j];
  if (std::abs(det) < tol) return -1;
  const double t = (rhs[i] * (-D2[j]) - (-D2[i]) * rhs[j]) / det;
  const double u = (D1[i] * rhs[j] - rhs[i] * D1[j]) / det;
  double x[3], y[3];
  for (int k = 0; k < 3; ++k) {
    x[k] = P[0][k] + t * D1[k];
    y[k] = Q[0][k] + u * D2[k];
  }
  // Skew edges meet in the projection only.
  if (XYZ_distance2(x, y) > t2) return 0;
  auto within = [&](const double (*S)[3]) {
    double a[3], b[3];
    diffVt(x, S[0], a);
    diffVt(x, S[1], b);
    return dotProd(a, b) <= 0 || dotProd(a, a) <= t2 || dotProd(b, b) <= t2;
  };
  if (!within(P) || !within(Q)) return 0;
  auto holder = [&](const double (*S)[3], pVertex* ends, pEdge e) -> pEntity {
    if (XYZ_distance2(x, S[0]) <= t2) return ends[0];
    if (XYZ_distance2(x, S[1]) <= t2) return ends[1];
    return e;
  };
  pEntity ent1 = holder(P, v, E1), ent2 = holder(Q, w, E2);
  if ((isVertex(ent1) && !closed1) || (isVertex(ent2) && !closed2)) return 0;
  M_updateIntersectionData(d, ent1, ent2, x, t2);
  d->dimension = 0;
  return 1;
}
}  // namespace

int M_intersectEdges(pEdge E1, int closed1, pEdge E2, int closed2, IntersectionData* d) {
  const int N0 = d->numPoints;
  const double tol = tolerance();
  double P[2][3], Q[2][3], D[3], c[2][3], q[2];
  for (int k = 0; k < 2; ++k) {
    V_coord(E_vertex(E1, k), P[k]);
    V_coord(E_vertex(E2, k), Q[k]);
  }
  diffVt(P[1], P[0], D);
  for (int k = 0; k < 2; ++k) {
    double w[3];
    diffVt(Q[k], P[0], w);
    crossProd(D, w, c[k]);
    q[k] = dotProd(c[k], c[k]);
  }
  const double thr = tol * tol * dotProd(D, D);
  if (q[0] * q[0] <= thr && q[1] * q[1] <= thr) return M_intersectColinearEdges(E1, closed1, E2, closed2, N0, d);
  if (dotProd(c[0], c[1]) > 0 && q[0] > thr && q[1] > thr) return 0;
  const int r = M_intersectNonColinearEdges(E1, closed1, E2, closed2, d);
  if (r == -1) ErrorHandler("pb ", "M_IntersectEdges", MT_FATAL);
  return r;
}

int F_intersectEdge(pFace f, int closedF, pEdge e, int closedE, IntersectionData* d) {
  const int N0 = d->numPoints;
  const double tol = tolerance(), t2 = tol * tol;
  pVertex fv[3];
  double X[3][3], P[2][3], s[2];
  bool on[2];
  triangle(f, fv, X);
  pVertex ev[2] = {E_vertex(e, 0), E_vertex(e, 1)};
  for (int k = 0; k < 2; ++k) V_coord(ev[k], P[k]);
  sides(X, P, 2, s, on);
  auto finish = [&] { return N0 != 0 ? 1 : ClosureControl(f, closedF, e, closedE, d); };
  if (on[0] && on[1]) {
    for (int k = 0; k < 3; ++k) {
      M_intersectEdges(F_edge(f, k), 1, e, 1, d);
      if (d->numPoints - N0 >= 2) return finish();
    }
    for (int k = 0; k < 2; ++k) {
      if (xyz_inIntersectionData(d, P[k], t2) || !IntXYZ_insideFace(P[k], f, tol)) continue;
      M_updateIntersectionData(d, f, ev[k], P[k], -1);
      if (d->numPoints - N0 >= 2) return finish();
    }
    return d->numPoints == N0 ? 0 : finish();
  }
  if (on[0] || on[1]) {
    const int k = on[0] ? 0 : 1;
    pEntity ent = XYZ_onBoundary(P[k], f, tol);
    if (!ent || !closedE || (!closedF && ent != f)) return 0;
    M_updateIntersectionData(d, ent, ev[k], P[k], t2);
    d->dimension = 0;
    return 1;
  }
  if (s[0] * s[1] >= 0) return 0;
  const double t = s[0] / (s[0] - s[1]);
  double x[3];
  for (int k = 0; k < 3; ++k) x[k] = P[0][k] + t * (P[1][k] - P[0][k]);
  pEntity ent = XYZ_onBoundary(x, f, tol);
  if (!ent || (!closedF && ent != f)) return 0;
  M_updateIntersectionData(d, ent, e, x, t2);
  d->dimension = 0;
  return 1;
}

int M_intersectFaces(pFace F1, int closed1, pFace F2, int closed2, IntersectionData* d) {
  const int N0 = d->numPoints;
  const double tol = tolerance(), t2 = tol * tol;
  pVertex a[3], b[3];
  double A[3][3], B[3][3], s[3], t[3];
  bool onA[3], onB[3];
  triangle(F1, a, A);
  triangle(F2, b, B);
  auto finish = [&] { return N0 != 0 ? 1 : FF_ClosureControl(F1, closed1, F2, closed2, d); };
  // Edges of F2 against F1, then edges of F1 against F2 (entities put back
  // in operand order), until 'most' points were added.
  auto twoPasses = [&](int most) {
    for (int k = 0; k < 3; ++k) {
      F_intersectEdge(F1, 1, M_boundedEdgeOnFace(F2, b[pairs[k][0]], b[pairs[k][1]]), 1, d);
      if (d->numPoints - N0 >= most) return finish();
    }
    for (int k = 0; k < 3; ++k) {
      const int before = d->numPoints;
      F_intersectEdge(F2, 1, M_boundedEdgeOnFace(F1, a[pairs[k][0]], a[pairs[k][1]]), 1, d);
      swapIntersectedEnt(d, before);
      if (d->numPoints - N0 >= most) return finish();
    }
    return d->numPoints == N0 ? 0 : finish();
  };
  sides(A, B, 3, s, onB);
  const int nOn = onB[0] + onB[1] + onB[2];
  if (nOn == 3) return twoPasses(6);
  bool opposite = false;
  for (const auto& p : pairs) opposite = opposite || (!onB[p[0]] && !onB[p[1]] && s[p[0]] * s[p[1]] < 0);
  if (opposite) return twoPasses(2);
  if (nOn == 2) {
    if (!closed2) return 0;
    for (const auto& p : pairs)
      if (onB[p[0]] && onB[p[1]]) {
        F_intersectEdge(F1, 1, M_boundedEdgeOnFace(F2, b[p[0]], b[p[1]]), 1, d);
        break;
      }
    if (d->numPoints != N0) return finish();
  } else if (nOn == 1) {
    if (!closed2) return 0;
    const int k = onB[0] ? 0 : onB[1] ? 1 : 2;
    pEntity e = XYZ_onBoundary(B[k], F1, tol);
    if (!e || (!closed1 && e != F1)) return 0;
    M_updateIntersectionData(d, e, b[k], B[k], t2);
    d->dimension = 0;
    return 1;
  }
  // F2 wholly on one side of F1's plane, or touching it along an edge that
  // gave nothing: F1 against F2's plane.
  sides(B, A, 3, t, onA);
  const int mOn = onA[0] + onA[1] + onA[2];
  bool crossing = false;
  for (const auto& p : pairs) crossing = crossing || (!onA[p[0]] && !onA[p[1]] && t[p[0]] * t[p[1]] < 0);
  if (mOn == 3 || crossing || mOn == 0) return 0;
  if (!closed1) return 0;
  if (mOn == 2) {
    const int before = d->numPoints;
    for (const auto& p : pairs)
      if (onA[p[0]] && onA[p[1]]) {
        F_intersectEdge(F2, 1, M_boundedEdgeOnFace(F1, a[p[0]], a[p[1]]), 1, d);
        break;
      }
    swapIntersectedEnt(d, before);
    return d->numPoints == before ? 0 : finish();
  }
  const int k = onA[0] ? 0 : onA[1] ? 1 : 2;
  pEntity e = XYZ_onBoundary(A[k], F2, tol);
  if (!e || (!closed2 && e != F2)) return 0;
  M_updateIntersectionData(d, a[k], e, A[k], t2);
  d->dimension = 0;
  return 1;
}
