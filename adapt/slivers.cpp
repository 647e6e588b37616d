// Classification of flat tetrahedra and small geometric tests on faces.
#include <cmath>
#include <cstdio>
#include <iostream>

#include "AdaptUtil.h"
#include "MT_vector.h"
#include "fromMeshTools.h"

using namespace KORA;

namespace {

void coordsOf(pVertex v, double out[3]) { V_coord(v, out); }

// The face of r other than f0 that holds edge e.
pFace otherFaceAt(pRegion r, pFace f0, pEdge e) {
  for (int i = 0; i < R_numFaces(r); ++i) {
    pFace f = R_face(r, i);
    if (f == f0) continue;
    for (int j = 0; j < F_numEdges(f); ++j)
      if (F_edge(f, j) == e) return f;
  }
  return nullptr;
}

// The edge of f joining a and b.
pEdge faceEdge(pFace f, pVertex a, pVertex b) {
  for (int j = 0; j < F_numEdges(f); ++j) {
    pEdge e = F_edge(f, j);
    pVertex u = E_vertex(e, 0), w = E_vertex(e, 1);
    if ((u == a && w == b) || (u == b && w == a)) return e;
  }
  return nullptr;
}

}  // namespace

int AdaptUtil::getTetInfo(pRegion r, pFace f0, pVertex v, int project, pEntity keys[4], double areas[4],
                          double point[3]) {
  pVertex V[3];
  double x[3][3];
  for (int i = 0; i < 3; ++i) {
    V[i] = F_vertex(f0, i);
    coordsOf(V[i], x[i]);
  }
  pEdge E[6];
  pFace F[4];
  F[0] = f0;
  for (int i = 0; i < 3; ++i) {
    E[i] = faceEdge(f0, V[i], V[(i + 1) % 3]);
    F[i + 1] = otherFaceAt(r, f0, E[i]);
  }
  // E3, E4, E5: the edges from V0, V1, V2 to the fourth vertex.
  for (int i = 0; i < 3; ++i) E[3 + i] = F[i + 1] ? faceEdge(F[i + 1], V[i], v) : nullptr;

  double p[3];
  coordsOf(v, p);
  if (project) {
    double q[3];
    P_projOnTriPlane(x, p, q);
    for (int k = 0; k < 3; ++k) p[k] = q[k];
  }
  const double near = 1e-12 * XYZ_size2(x, 3);  // relative to the face's size
  for (int i = 0; i < 3; ++i) {
    double d[3];
    diffVt(p, x[i], d);
    if (dotProd(d, d) < near) {
      std::printf("Info: project onto a vertex AdaptUtil::getTetInfo()\n");
      return 0;
    }
  }
  double n[3], a[3][3];
  {
    double u[3], w[3];
    diffVt(x[1], x[0], u);
    diffVt(x[2], x[0], w);
    crossProd(u, w, n);
    for (int i = 0; i < 3; ++i) {
      double side[3], toP[3];
      diffVt(x[(i + 1) % 3], x[i], side);
      diffVt(p, x[i], toP);
      crossProd(side, toP, a[i]);
    }
  }
  areas[0] = dotProd(n, n);
  for (int i = 0; i < 3; ++i) areas[i + 1] = dotProd(a[i], a[i]);
  int code = 0;
  for (int i = 0; i < 3; ++i)
    if (dotProd(a[i], n) > 0) code += 1 << i;

  // Point beyond two edges or inside: a face and the cheapest of three of its
  // edges (with the face on the other side).
  struct Pick {
    int face;
    int edge[3], other[3];
  };
  static const Pick picks[8] = {{},
                                {1, {0, 4, 3}, {0, 2, 3}},
                                {2, {1, 4, 5}, {0, 1, 3}},
                                {},
                                {3, {2, 3, 5}, {0, 1, 2}},
                                {},
                                {},
                                {0, {0, 1, 2}, {1, 2, 3}}};
  switch (code) {
    case 7:
    case 1:
    case 2:
    case 4: {
      const Pick& k = picks[code];
      const int i = indexOfMin(areas[k.other[0]], areas[k.other[1]], areas[k.other[2]]);
      keys[0] = F[k.face];
      keys[1] = E[k.edge[i]];
      keys[2] = F[k.other[i]];
      return code;
    }
    case 3:
    case 5:
    case 6: {
      // Beyond one edge: that edge, the opposite edge to the fourth vertex,
      // the smaller face at each, and where the point's line crosses the edge.
      const int beyond = code == 3 ? 2 : (code == 5 ? 1 : 0);  // edge index in F0
      const int opp = (beyond + 2) % 3;                        // vertex of F0 off that edge
      const int fA = beyond + 1;                               // other face at the beyond edge
      // The two faces at the opposite edge (the ones other than F0 and fA).
      int fB = -1, fC = -1;
      for (int j = 1; j <= 3; ++j) {
        if (j == fA) continue;
        if (fB < 0)
          fB = j;
        else
          fC = j;
      }
      keys[0] = E[beyond];
      keys[1] = E[3 + opp];
      keys[2] = areas[0] < areas[fA] ? F[0] : F[fA];
      keys[3] = areas[fB] < areas[fC] ? F[fB] : F[fC];
      const int a0 = beyond == 2 ? 0 : beyond, a1 = beyond == 2 ? 2 : beyond + 1;
      const double A[2][3] = {{x[a0][0], x[a0][1], x[a0][2]}, {x[a1][0], x[a1][1], x[a1][2]}};
      const double B[2][3] = {{x[opp][0], x[opp][1], x[opp][2]}, {p[0], p[1], p[2]}};
      int found;
      fromMeshTools::MT_intLineLine2(A, B, &found, point);
      return code;
    }
    default:
      std::printf("\n someything wrong\n");
      return 0;
  }
}

int AdaptUtil::V_wrtFace(const double p[3], pVertex ref, pFace f) {
  double x[3][3];
  for (int i = 0; i < 3; ++i) V_coord(F_vertex(f, i), x[i]);
  double u[3], w[3], n[3], d[3];
  diffVt(x[1], x[0], u);
  diffVt(x[2], x[0], w);
  crossProd(u, w, n);
  diffVt(p, x[0], d);
  const double s = dotProd(d, n);  // a length^3
  // In the plane within the tolerance relative to the size of the face and point.
  const double pts[4][3] = {{x[0][0], x[0][1], x[0][2]}, {x[1][0], x[1][1], x[1][2]}, {x[2][0], x[2][1], x[2][2]},
                            {p[0], p[1], p[2]}};
  const double tol = M_getTolerance(), s2 = XYZ_size2(pts, 4);
  if (s * s <= tol * tol * s2 * s2 * s2) return 0;
  if (!ref) return 2;
  double r[3];
  V_coord(ref, r);
  diffVt(r, x[0], d);
  return s * dotProd(d, n) < 0 ? -1 : 1;
}

void AdaptUtil::F_shapeInfo(pFace f) {
  double x[3][3], c[3];
  for (int i = 0; i < 3; ++i) V_coord(F_vertex(f, i), x[i]);
  fromMeshTools::XYZ_FAngles(x, c);
  std::cout << "Three interior angle of triangle: ";
  for (double ci : c) std::cout << std::acos(ci) << "  ";
  std::cout << "\nThree edge length of triangle:";
  for (int i = 0; i < 3; ++i) {
    double d[3];
    diffVt(x[(i + 1) % 3], x[i], d);
    std::cout << std::sqrt(dotProd(d, d)) << "  ";
  }
  std::cout << "\n";
}

void fromMeshTools::XYZ_FAngles(const double xyz[3][3], double out[3]) {
  double u01[3], u02[3], u12[3];
  diffVt(xyz[1], xyz[0], u01);
  diffVt(xyz[2], xyz[0], u02);
  diffVt(xyz[2], xyz[1], u12);
  for (double* u : {u01, u02, u12}) {
    const double l = std::sqrt(dotProd(u, u));
    for (int k = 0; k < 3; ++k) u[k] /= l;
  }
  out[0] = dotProd(u01, u02);
  out[1] = -dotProd(u01, u12);
  out[2] = dotProd(u02, u12);
}

void fromMeshTools::MT_intLineLine2(const double A[2][3], const double B[2][3], int* found, double out[3]) {
  *found = 1;
  double dA[3], dB[3], c[3], rhs[3];
  diffVt(A[1], A[0], dA);
  diffVt(B[1], B[0], dB);
  diffVt(B[0], A[0], rhs);
  crossProd(dB, dA, c);
  int k = 0;
  for (int i = 1; i < 3; ++i)
    if (std::fabs(c[i]) > std::fabs(c[k])) k = i;
  const int i0 = k == 0 ? 1 : 0, i1 = k == 2 ? 1 : 2;
  // s dA - t dB = rhs on axes i0, i1.
  const double det = dA[i0] * (-dB[i1]) - (-dB[i0]) * dA[i1];
  if (det == 0.0) {
    *found = 0;
    return;
  }
  const double s = (rhs[i0] * (-dB[i1]) - (-dB[i0]) * rhs[i1]) / det;
  for (int j = 0; j < 3; ++j) out[j] = A[0][j] + s * dA[j];
}
