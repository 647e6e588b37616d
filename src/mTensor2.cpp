#include "mTensor2.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "mException.h"

namespace KORA {

int FindCubicRoots(const double coeff[4], double roots[3]) {
  const double a = coeff[2] / coeff[3];
  const double b = coeff[1] / coeff[3];
  const double c = coeff[0] / coeff[3];

  const double Q = (a * a - 3 * b) / 9.0;
  const double R = (2 * a * a * a - 9 * a * b + 27 * c) / 54.0;
  const double Q3 = Q * Q * Q;
  const double Z = Q3 - R * R;

  double theta;
  if (Q3 == 0.0 || std::fabs(Z) < (std::fabs(Q3) + std::fabs(R * R)) * 1.e-8) {
    // Three real roots, two or three of them (nearly) equal.
    double t = 1.0;
    if (Q3 > 0.0) t = std::max(-1.0, std::min(1.0, R / std::sqrt(Q3)));
    theta = std::acos(t);
  } else if (Z < 0.0) {
    // One real root.
    std::printf("IMPOSSIBLE !!!\n");
    double A = std::pow(std::fabs(R) + std::sqrt(-Z), 1.0 / 3.0);
    if (R > 0.0) A = -A;
    roots[0] = A + Q / A - a / 3.0;
    return 1;
  } else {
    theta = std::acos(R / std::sqrt(Q3));
  }

  const double s = -2.0 * std::sqrt(Q);
  roots[0] = s * std::cos(theta / 3.0) - a / 3.0;
  roots[1] = s * std::cos((theta + 6.283185307179586) / 3.0) - a / 3.0;
  roots[2] = s * std::cos((theta + 12.566370614359172) / 3.0) - a / 3.0;
  return 3;
}

int NullSpace(const double* a, double* res, double eps, long n) {
  if (n <= 0) return 0;
  // The elimination below yields vectors y with y^T M = 0 for the matrix M it
  // works on, so it works on the transpose of a: the vectors returned satisfy
  // a x = 0.
  if (res != a) {
    for (long i = 0; i < n; ++i)
      for (long j = 0; j < n; ++j) res[i * n + j] = a[j * n + i];
  } else {
    for (long i = 0; i < n; ++i)
      for (long j = i + 1; j < n; ++j) std::swap(res[i * n + j], res[j * n + i]);
  }

  const long small = 8;
  long rbuf[small], cbuf[small];
  std::vector<long> rvec, cvec;
  long* rowPivotCol = rbuf;  // column of the pivot taken in row i, -1 when free
  long* colPivotRow = cbuf;  // row of the pivot taken in column j, -1 when free
  if (n > small) {
    rvec.resize(n);
    cvec.resize(n);
    rowPivotCol = rvec.data();
    colPivotRow = cvec.data();
  }
  for (long i = 0; i < n; ++i) rowPivotCol[i] = colPivotRow[i] = -1;

  for (long it = 0; it < n; ++it) {
    long pr = -1, pc = -1;
    double big = -1.0;
    for (long i = 0; i < n; ++i) {
      if (rowPivotCol[i] != -1) continue;
      for (long j = 0; j < n; ++j) {
        if (colPivotRow[j] != -1) continue;
        const double v = std::fabs(res[i * n + j]);
        if (v > big) {
          big = v;
          pr = i;
          pc = j;
        }
      }
    }
    if (pr < 0 || !(big >= eps)) break;
    rowPivotCol[pr] = pc;
    colPivotRow[pc] = pr;
    double* prow = res + pr * n;
    const double p = prow[pc];
    prow[pc] = 1.0;
    const double inv = 1.0 / p;
    for (long j = 0; j < n; ++j) prow[j] *= inv;
    for (long i = 0; i < n; ++i) {
      if (i == pr) continue;
      double* row = res + i * n;
      const double f = row[pc];
      row[pc] = 0.0;
      for (long j = 0; j < n; ++j) {
        row[j] -= f * prow[j];
        if (std::fabs(row[j]) < eps) row[j] = 0.0;
      }
    }
  }

  // Bring every pivot column to the index of its pivot row.
  for (long i = 0; i < n; ++i) {
    while (colPivotRow[i] != -1 && colPivotRow[i] != i) {
      const long r = colPivotRow[i];
      for (long k = 0; k < n; ++k)
        if (rowPivotCol[k] == -1) std::swap(res[k * n + i], res[k * n + r]);
      colPivotRow[i] = colPivotRow[r];
      colPivotRow[r] = r;
    }
  }

  long out = 0;
  for (long i = 0; i < n; ++i) {
    if (rowPivotCol[i] != -1) continue;
    res[i * n + i] = 1.0;
    if (out != i)
      for (long j = 0; j < n; ++j) res[out * n + j] = res[i * n + j];
    ++out;
  }
  return (int)out;
}

mTensor2::mTensor2(double v) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) pos[i][j] = v;
}

mTensor2::mTensor2(const mVector& r0, const mVector& r1, const mVector& r2) {
  for (int j = 0; j < 3; ++j) {
    pos[0][j] = r0(j);
    pos[1][j] = r1(j);
    pos[2][j] = r2(j);
  }
}

mVector mTensor2::operator*(const mVector& v) const {
  mVector r;
  for (int i = 0; i < 3; ++i) r(i) = pos[i][0] * v(0) + pos[i][1] * v(1) + pos[i][2] * v(2);
  return r;
}

mTensor2 mTensor2::operator*(const mTensor2& o) const {
  mTensor2 r(0.0);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      r.pos[i][j] = pos[i][0] * o.pos[0][j] + pos[i][1] * o.pos[1][j] + pos[i][2] * o.pos[2][j];
  return r;
}

mTensor2 mTensor2::operator*(const double& s) const {
  mTensor2 r(*this);
  r *= s;
  return r;
}

mTensor2 mTensor2::operator+(const mTensor2& o) const {
  mTensor2 r(*this);
  r += o;
  return r;
}

mTensor2& mTensor2::operator*=(const double& s) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) pos[i][j] *= s;
  return *this;
}

mTensor2& mTensor2::operator+=(const mTensor2& o) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) pos[i][j] += o.pos[i][j];
  return *this;
}

double mTensor2::det() const {
  return pos[0][0] * (pos[1][1] * pos[2][2] - pos[1][2] * pos[2][1]) -
         pos[0][1] * (pos[1][0] * pos[2][2] - pos[1][2] * pos[2][0]) +
         pos[0][2] * (pos[1][0] * pos[2][1] - pos[1][1] * pos[2][0]);
}

mVector mTensor2::operator/(const mVector& b) const {
  const double d = det();
  if (d == 0.0) throw new mException(__LINE__, "src/mTensor2", "cannot solve with a singular tensor");
  const double inv = 1.0 / d;
  mVector x;
  for (int c = 0; c < 3; ++c) {
    mTensor2 m(*this);
    for (int i = 0; i < 3; ++i) m.pos[i][c] = b(i);
    x(c) = m.det() * inv;
  }
  return x;
}

mTensor2 mTensor2::invert() const {
  const double d = det();
  if (d == 0.0) throw new mException(__LINE__, "src/mTensor2", "cannot invert a singular tensor");
  const double inv = 1.0 / d;
  const auto& a = pos;
  mTensor2 r(0.0);
  r.pos[0][0] = (a[1][1] * a[2][2] - a[1][2] * a[2][1]) * inv;
  r.pos[0][1] = -(a[0][1] * a[2][2] - a[0][2] * a[2][1]) * inv;
  r.pos[0][2] = (a[0][1] * a[1][2] - a[0][2] * a[1][1]) * inv;
  r.pos[1][0] = -(a[1][0] * a[2][2] - a[1][2] * a[2][0]) * inv;
  r.pos[1][1] = (a[0][0] * a[2][2] - a[0][2] * a[2][0]) * inv;
  r.pos[1][2] = -(a[0][0] * a[1][2] - a[0][2] * a[1][0]) * inv;
  r.pos[2][0] = (a[1][0] * a[2][1] - a[1][1] * a[2][0]) * inv;
  r.pos[2][1] = -(a[0][0] * a[2][1] - a[0][1] * a[2][0]) * inv;
  r.pos[2][2] = (a[0][0] * a[1][1] - a[0][1] * a[1][0]) * inv;
  return r;
}

double mTensor2::trace() const { return pos[0][0] + pos[1][1] + pos[2][2]; }

double mTensor2::trace2() const {
  double s = 0.0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) s += pos[i][j] * pos[j][i];
  return s;
}

void mTensor2::transpose() {
  for (int i = 0; i < 3; ++i)
    for (int j = i + 1; j < 3; ++j) std::swap(pos[i][j], pos[j][i]);
}

void mTensor2::symmetrize() {
  for (int i = 0; i < 3; ++i)
    for (int j = i + 1; j < 3; ++j) {
      const double m = (pos[i][j] + pos[j][i]) * 0.5;
      pos[i][j] = pos[j][i] = m;
    }
}

namespace {

// Fills vectors[0..n) from the null spaces of (A - values[i] I), i being the
// next vector to fill; a null space of dimension k fills k vectors at once.
// dim is 3 for the full tensor and 2 for its upper-left block.
void fillEigenVectors(const double (&A)[3][3], int dim, const double* values, double tol0,
                      mVector* vectors) {
  int i = 0;
  while (i < dim) {
    double m[9], r[9];
    for (int a = 0; a < dim; ++a)
      for (int b = 0; b < dim; ++b) m[a * dim + b] = A[a][b] - (a == b ? values[i] : 0.0);
    double tol = tol0;
    int k = NullSpace(m, r, tol, dim);
    while (k == 0 && std::isfinite(tol)) {
      tol *= 2.0;
      k = NullSpace(m, r, tol, dim);
    }
    if (k == 0) {
      // Only non-finite entries reach here: no direction can be given.
      for (; i < dim; ++i) vectors[i] = mVector(0, 0, 0);
      return;
    }
    for (int j = 0; j < k && i < dim; ++j, ++i) {
      mVector v(r[j * dim], r[j * dim + 1], dim == 3 ? r[j * dim + 2] : 0.0);
      v.normalize();
      vectors[i] = v;
    }
  }
}

}  // namespace

int mTensor2::eigen(mVector* vectors, double* values) const {
  double c[4];
  const double tr = trace();
  c[3] = 1.0;
  c[2] = -tr;
  c[1] = (tr * tr - trace2()) * 0.5;
  c[0] = -det();
  values[0] = values[1] = values[2] = 0.0;
  const int nb = FindCubicRoots(c, values);
  if (nb == 1) values[1] = values[2] = values[0];
  std::stable_sort(values, values + 3, greater_abs());
  fillEigenVectors(pos, 3, values, 0.001, vectors);
  return nb;
}

int mTensor2::eigen2d(mVector* vectors, double* values) const {
  vectors[2] = mVector(0, 0, 1);
  const double b = -(pos[0][0] + pos[1][1]);
  const double disc = b * b - 4.0 * (pos[0][0] * pos[1][1] - pos[1][0] * pos[0][1]);
  if (disc < 0.0) return 0;
  values[0] = (-b + std::sqrt(disc)) * 0.5;
  values[1] = (-b - std::sqrt(disc)) * 0.5;
  values[2] = 1.0;
  if (std::fabs(values[0]) < std::fabs(values[1])) std::swap(values[0], values[1]);
  fillEigenVectors(pos, 2, values, 1.e-8, vectors);
  return 2;
}

mTensor2 mTensor2::intersect2d(mTensor2& m2) const {
  mVector e1[3], e2[3];
  double l1[3] = {0, 0, 0}, l2[3] = {0, 0, 0};
  eigen2d(e1, l1);
  m2.eigen2d(e2, l2);

  const bool firstLeads = std::fabs(l2[0]) < std::fabs(l1[0]);
  const mVector* e = firstLeads ? e1 : e2;
  const double* l = firstLeads ? l1 : l2;
  const mTensor2& other = firstLeads ? m2 : *this;

  const double m0 = l[0];
  const double s = e[1] * (other * e[1]);
  const double m1 = std::fabs(s) > std::fabs(l[1]) ? s : l[1];

  mTensor2 r(0.0);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r.pos[i][j] = m0 * e[0](i) * e[0](j) + m1 * e[1](i) * e[1](j);
  r.pos[2][2] += 1.0;
  return r;
}

}  // namespace KORA
