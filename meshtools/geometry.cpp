#include <algorithm>
#include <cmath>

#include "MT_geometry.h"
#include "MT_vector.h"

using namespace KORA;

namespace {
void listCoord(pPList l, double xyz[][3], int most) {
  const int n = std::min(PList_size(l), most);
  for (int i = 0; i < n; ++i) V_coord(static_cast<pVertex>(PList_item(l, i)), xyz[i]);
  PList_delete(l);
}
bool isZero(const double v[3]) { return C_equal(v[0], 0) && C_equal(v[1], 0) && C_equal(v[2], 0); }
}  // namespace

void R_coord(pRegion r, double xyz[][3]) { listCoord(R_vertices(r), xyz, 4); }
void F_coord(pFace f, double xyz[][3]) { listCoord(F_vertices(f, 1), xyz, 4); }

double R_volume(pRegion r) {
  double x[4][3];
  R_coord(r, x);
  return XYZ_volume(x);
}

int R_checkFlat(pRegion r) {
  double x[4][3];
  R_coord(r, x);
  return XYZ_checkFlatTet(x, M_getTolerance());
}

int F_checkFlat(pFace f, const double normal[3]) {
  double x[4][3];
  F_coord(f, x);
  return XYZ_checkFlatTri(x, normal);
}

void F_normalVector(pFace f, int, double out[3]) {
  double x[4][3], u[3], v[3];
  F_coord(f, x);
  diffVt(x[1], x[0], u);
  diffVt(x[2], x[0], v);
  crossProd(u, v, out);
}

double E_length(pEdge e) {
  double a[3], b[3];
  V_coord(E_vertex(e, 0), a);
  V_coord(E_vertex(e, 1), b);
  return XYZ_distance2(a, b);
}

double E_dihedral(const double xyz[][3]) {
  double u[3], v[3], w[3], nA[3], nB[3];
  diffVt(xyz[1], xyz[0], u);
  diffVt(xyz[2], xyz[0], v);
  if (isZero(u) || isZero(v)) return -1.0;
  const double uv = dotProd(u, v);
  const double c = uv * uv / (dotProd(u, u) * dotProd(v, v));
  if (C_raneql(c, 1.0, 1.6e-19)) return 1.0;
  diffVt(xyz[3], xyz[0], w);
  if (isZero(w)) return -1.0;
  crossProd(u, v, nA);
  crossProd(w, u, nB);
  const double p = dotProd(nA, nB);
  const double q = p * p / (dotProd(nA, nA) * dotProd(nB, nB));
  return p > 0 ? -std::sqrt(q) : std::sqrt(q);
}

void R_dihedral(pRegion r, double* cosSmall, double* cosLarge) {
  double x[4][3], s[6];
  R_coord(r, x);
  XYZ_dhdAngs(x, s);
  const double smax = *std::max_element(s, s + 6);
  const double smin = *std::min_element(s, s + 6);
  auto root = [](double v) { return v < 0 ? -std::sqrt(-v) : std::sqrt(v); };
  *cosSmall = root(smax);
  *cosLarge = root(smin);
}

double R_inscrRad(pRegion r) {
  double x[4][3], u1[3], u2[3], u3[3], c[3], a[3], b[3];
  R_coord(r, x);
  diffVt(x[1], x[0], u1);
  diffVt(x[2], x[0], u2);
  diffVt(x[3], x[0], u3);
  crossProd(u1, u2, c);
  const double V = dotProd(c, u3) / 6.0;
  double area = 0.5 * vecMag(c);
  crossProd(u2, u3, c);
  area += 0.5 * vecMag(c);
  crossProd(u3, u1, c);
  area += 0.5 * vecMag(c);
  diffVt(x[1], x[2], a);
  diffVt(x[2], x[3], b);
  crossProd(a, b, c);
  area += 0.5 * vecMag(c);
  return 3.0 * V / area;
}

double R_circumRad(pRegion r) {
  double x[4][3];
  R_coord(r, x);
  double** A = dMatAlloc(3, 3);
  double** M = dMatAlloc(3, 3);
  double b[3], c[3], s[3];
  for (int i = 0; i < 3; ++i) {
    diffVt(x[i + 1], x[0], A[i]);
    addVt(x[0], x[i + 1], s);
    b[i] = dotProd(A[i], s) / 2.0;
  }
  const double d = det(3, A);
  for (int j = 0; j < 3; ++j) {
    for (int i = 0; i < 3; ++i)
      for (int k = 0; k < 3; ++k) M[i][k] = k == j ? b[i] : A[i][k];
    c[j] = det(3, M) / d;
  }
  dMatFree(A);
  dMatFree(M);
  return std::sqrt(XYZ_distance2(c, x[0]));
}

double R_rbyR(pRegion r) { return 3.0 * R_inscrRad(r) / R_circumRad(r); }

double R_aspectRatio(pRegion r) {
  double x[4][3];
  R_coord(r, x);
  double lmax = 0.0;
  for (int i = 0; i < 4; ++i)
    for (int j = i + 1; j < 4; ++j) lmax = std::max(lmax, XYZ_distance2(x[i], x[j]));
  double hmin = HUGE_VAL;  // squared heights: no finite start fits every scale
  for (int i = 0; i < 4; ++i) {
    const double* p = x[(i + 1) % 4];
    double a[3], b[3], n[3], d[3];
    diffVt(p, x[(i + 2) % 4], a);
    diffVt(p, x[(i + 3) % 4], b);
    crossProd(a, b, n);
    diffVt(x[i], p, d);
    const double dn = dotProd(d, n);
    hmin = std::min(hmin, dn * dn / dotProd(n, n));
  }
  return std::sqrt(lmax / hmin);
}

double R_edgLenRatio(pRegion r) {
  double x[4][3];
  R_coord(r, x);
  double lmax = 0.0, lmin = HUGE_VAL;  // squared lengths: no finite start fits every scale
  for (int i = 0; i < 4; ++i)
    for (int j = i + 1; j < 4; ++j) {
      const double l = XYZ_distance2(x[i], x[j]);
      lmax = std::max(lmax, l);
      lmin = std::min(lmin, l);
    }
  return std::sqrt(lmax / lmin);
}

int R_shape(pRegion r, double* shape) {
  double x[4][3];
  R_coord(r, x);
  return XYZ_shape(x, shape);
}
