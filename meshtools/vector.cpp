#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>

#include "MT_vector.h"

using namespace KORA;

void diffVt(const double a[3], const double b[3], double out[3]) {
  for (int i = 0; i < 3; ++i) out[i] = a[i] - b[i];
}
void addVt(const double a[3], const double b[3], double out[3]) {
  for (int i = 0; i < 3; ++i) out[i] = a[i] + b[i];
}
double dotProd(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
void crossProd(const double a[3], const double b[3], double out[3]) {
  const double x = a[1] * b[2] - a[2] * b[1];
  const double y = a[2] * b[0] - a[0] * b[2];
  const double z = a[0] * b[1] - a[1] * b[0];
  out[0] = x;
  out[1] = y;
  out[2] = z;
}
void scaleVt(double v[3], double s) {
  for (int i = 0; i < 3; ++i) v[i] *= s;
}
void negVt(double v[3]) {
  for (int i = 0; i < 3; ++i) v[i] = -v[i];
}
double vecMag(const double v[3]) { return std::sqrt(dotProd(v, v)); }
int normVt(const double v[3], double out[3]) {
  const double l = vecMag(v);
  for (int i = 0; i < 3; ++i) out[i] = v[i] / l;
  return 1;
}
double det3Mat(const double a[3], const double b[3], const double c[3]) {
  double bc[3];
  crossProd(b, c, bc);
  return dotProd(a, bc);
}
int sameSign(double p, double q) { return ((p <= 0 && q <= 0) || (p >= 0 && q >= 0)) ? 1 : 0; }

int C_equal(double a, double b) {
  const double d = std::fabs(a - b);
  if (std::fabs(a) > 0 && std::fabs(b) > 0) return d / std::min(std::fabs(a), std::fabs(b)) <= 1e-50;
  return d <= 1e-14;
}
int C_gequal(double a, double b) { return (a > b || C_equal(a, b)) ? 1 : 0; }
int C_lequal(double a, double b) { return (a < b || C_equal(a, b)) ? 1 : 0; }
int C_raneql(double a, double b, double t) { return std::fabs(a - b) <= t; }
int C_requal(double a, double b, double r) {
  const double d = std::fabs(a - b);
  const double m = std::max({std::fabs(a), std::fabs(b), std::fabs(r)}) * 1e-50;
  return (d < m || C_equal(d, m)) ? 1 : 0;
}
int C_rgequal(double a, double b, double r) { return a > b ? 1 : C_requal(a, b, r); }
int C_rlequal(double a, double b, double r) { return a < b ? 1 : C_requal(a, b, r); }
int C_rnleql(double a, double b, double t) { return (a < b || a - b <= t) ? 1 : 0; }

namespace {
double tol = -1.0;
}

double M_getTolerance() {
  if (tol < 0.0) tol = 1e-14;
  return tol;
}

void M_setTolerance(pMesh mesh) {
  double lo[3], hi[3];
  GM_bounds(M_model(mesh), lo, hi);  // throws with this interface; tol is then unchanged
  double ext = 0.0;
  for (int i = 0; i < 3; ++i) ext = std::max(ext, hi[i] - lo[i]);
  if (ext > 1e50) {
    VIter it = M_vertexIter(mesh);
    bool first = true;
    while (pVertex v = VIter_next(it)) {
      double x[3];
      V_coord(v, x);
      for (int i = 0; i < 3; ++i) {
        if (first || x[i] < lo[i]) lo[i] = x[i];
        if (first || x[i] > hi[i]) hi[i] = x[i];
      }
      first = false;
    }
    VIter_delete(it);
    ext = 0.0;
    for (int i = 0; i < 3; ++i) ext = std::max(ext, hi[i] - lo[i]);
  }
  tol = 1e-14 * ext;
}

double det(int, double** m) { return det3Mat(m[0], m[1], m[2]); }

double** dMatAlloc(int rows, int columns) {
  double* block = static_cast<double*>(std::calloc(static_cast<size_t>(rows) * columns, sizeof(double)));
  double** m = static_cast<double**>(std::malloc(sizeof(double*) * static_cast<size_t>(rows)));
  if (!block || !m) {
    std::fprintf(stderr, "Out of memory in dMatAlloc\n");
    std::exit(1);
  }
  for (int i = 0; i < rows; ++i) m[i] = block + static_cast<size_t>(i) * columns;
  return m;
}

void dMatFree(double** m) {
  if (!m) return;
  std::free(m[0]);
  std::free(m);
}

double XYZ_volume(const double xyz[][3]) {
  double a[3], b[3], c[3], n[3];
  diffVt(xyz[1], xyz[0], a);
  diffVt(xyz[2], xyz[0], b);
  diffVt(xyz[3], xyz[0], c);
  crossProd(a, b, n);
  return dotProd(n, c) / 6.0;
}

double XYZ_distance2(const double a[3], const double b[3]) {
  double d[3];
  diffVt(a, b, d);
  return dotProd(d, d);
}

double P_distToLine(const double p[3], const double a[3], const double b[3], const double* dir) {
  double u[3], w[3], c[3];
  diffVt(b, a, u);
  diffVt(p, a, w);
  crossProd(u, w, c);
  double d = dotProd(c, c) / dotProd(u, u);
  if (dir && dotProd(dir, c) <= 0) d = -d;
  return d;
}

double P_distToPlane(const double p[3], const double a[3], const double b[3], const double c[3],
                     double* nn) {
  double u[3], v[3], n[3], w[3];
  diffVt(b, a, u);
  diffVt(c, a, v);
  crossProd(u, v, n);
  *nn = dotProd(n, n);
  diffVt(p, a, w);
  return dotProd(w, n);
}

void P_projOnTriPlane(const double xyz[][3], const double p[3], double proj[3], double normal[3],
                      double* dist) {
  double u[3], v[3], w[3];
  diffVt(xyz[1], xyz[0], u);
  diffVt(xyz[2], xyz[0], v);
  crossProd(u, v, normal);
  diffVt(p, xyz[0], w);
  const double d = dotProd(w, normal);
  const double n2 = dotProd(normal, normal);
  for (int i = 0; i < 3; ++i) proj[i] = p[i] - d / n2 * normal[i];
  *dist = d / std::sqrt(n2);
}

double XYZ_size2(const double xyz[][3], int n) {
  double s2 = 0.0;
  for (int i = 0; i < n; ++i)
    for (int j = i + 1; j < n; ++j) s2 = std::max(s2, XYZ_distance2(xyz[i], xyz[j]));
  return s2;
}

int XYZ_checkFlatTet(const double xyz[][3], double t) {
  // Each vertex against its opposite face, ordered positive for a positive tet.
  static const int order[4][4] = {{0, 1, 3, 2}, {1, 0, 2, 3}, {2, 3, 1, 0}, {3, 0, 1, 2}};
  const double t2 = t * t * XYZ_size2(xyz, 4);
  for (const auto& o : order) {
    double nn;
    const double d = P_distToPlane(xyz[o[0]], xyz[o[1]], xyz[o[2]], xyz[o[3]], &nn);
    if (d <= 0 || d * d < t2 * nn) return 1;
  }
  return 0;
}

int XYZ_checkFlat(const double xyz[][3]) { return XYZ_checkFlatTet(xyz, M_getTolerance()); }

int XYZ_checkFlatTri(const double xyz[][3], const double normal[3]) {
  const double t = M_getTolerance(), t2 = t * t * XYZ_size2(xyz, 3);
  const double d[3] = {P_distToLine(xyz[2], xyz[0], xyz[1], normal),
                       P_distToLine(xyz[0], xyz[1], xyz[2], normal),
                       P_distToLine(xyz[1], xyz[2], xyz[0], normal)};
  for (double v : d)
    if (!(v > 0) || v < t2) return 1;  // a zero-length side gives no number: flat
  return 0;
}

void XYZ_dhdAngs(const double xyz[][3], double out[6]) {
  double a[3], b[3], c[3], d1[3], d2[3];
  double n[4][3];
  diffVt(xyz[1], xyz[0], a);
  diffVt(xyz[2], xyz[0], b);
  diffVt(xyz[3], xyz[0], c);
  crossProd(b, a, n[0]);  // face (0,1,2)
  crossProd(a, c, n[1]);  // face (0,1,3)
  crossProd(c, b, n[2]);  // face (0,2,3)
  diffVt(xyz[2], xyz[1], d1);
  diffVt(xyz[3], xyz[1], d2);
  crossProd(d1, d2, n[3]);  // face (1,2,3)
  static const int pairs[6][2] = {{0, 1}, {0, 3}, {0, 2}, {1, 2}, {1, 3}, {2, 3}};
  for (int k = 0; k < 6; ++k) {
    const double* na = n[pairs[k][0]];
    const double* nb = n[pairs[k][1]];
    const double p = dotProd(na, nb);
    const double q = p * p / (dotProd(na, na) * dotProd(nb, nb));
    out[k] = p > 0 ? -q : q;
  }
}

int XYZ_shape(const double xyz[][3], double* shape) {
  double a[3], b[3], c[3], ab[3], ac[3], cb[3], u[3], v[3], f[3];
  diffVt(xyz[0], xyz[3], a);
  diffVt(xyz[2], xyz[3], b);
  diffVt(xyz[1], xyz[3], c);
  crossProd(a, b, ab);
  const double V = dotProd(ab, c);
  if (V < 0) {
    *shape = V;
    return 0;
  }
  if (V == 0.0) {
    *shape = 0.0;
    return 1;
  }
  crossProd(a, c, ac);
  crossProd(c, b, cb);
  diffVt(xyz[0], xyz[2], u);
  diffVt(xyz[1], xyz[2], v);
  crossProd(u, v, f);
  const double S = dotProd(ab, ab) + dotProd(ac, ac) + dotProd(cb, cb) + dotProd(f, f);
  *shape = V * V * V * V / (S * S * S);
  return 1;
}
