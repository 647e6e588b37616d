#ifndef KORA_MTENSOR2_H
#define KORA_MTENSOR2_H

#include "mVector.h"

namespace KORA {

// True when |a| > |b|; eigenvalues are sorted with it, largest magnitude first.
struct greater_abs {
  bool operator()(double a, double b) const { return (a < 0 ? -a : a) > (b < 0 ? -b : b); }
};

// Real roots of c[3] x^3 + c[2] x^2 + c[1] x + c[0] (c[3] != 0) into roots;
// returns their number, 3 or 1.
int FindCubicRoots(const double c[4], double roots[3]);

// Numerical null space of the n x n row-major matrix a (read only) by
// Gauss-Jordan elimination with full pivoting. result (n x n, may be a itself)
// receives the null vectors as its first rows; returns their number.
int NullSpace(const double* a, double* result, double eps, long n);

// 3x3 second-order tensor, stored row by row.
class mTensor2 {
  double pos[3][3];

public:
  // Every component set to v (no identity constructor).
  explicit mTensor2(double v = 0.0);
  // The three vectors become rows 0, 1 and 2.
  mTensor2(const mVector& r0, const mVector& r1, const mVector& r2);
  virtual ~mTensor2() = default;
  mTensor2(const mTensor2&) = default;
  mTensor2& operator=(const mTensor2&) = default;

  double operator()(int i, int j) const { return pos[i][j]; }
  double& operator()(int i, int j) { return pos[i][j]; }

  mVector operator*(const mVector& v) const;
  mTensor2 operator*(const mTensor2& o) const;
  mTensor2 operator*(const double& s) const;
  mTensor2 operator+(const mTensor2& o) const;
  mTensor2& operator*=(const double& s);
  mTensor2& operator+=(const mTensor2& o);

  // Solution x of A x = b by Cramer's rule; a singular tensor (det exactly 0)
  // throws a new mException.
  mVector operator/(const mVector& b) const;
  // Inverse by the adjugate; a singular tensor throws a new mException.
  mTensor2 invert() const;
  double det() const;
  double trace() const;
  // trace(A A)
  double trace2() const;
  void transpose();
  void symmetrize();

  // Eigen decomposition: values sorted by decreasing absolute value, unit
  // eigenvectors; returns the number of real roots of the characteristic
  // cubic (3, or 1 for complex eigenvalues).
  int eigen(mVector* vectors, double* values) const;
  // Eigen decomposition of the upper-left 2x2 block; vectors[2] = (0,0,1),
  // values[2] = 1. Returns 2, or 0 for complex eigenvalues.
  int eigen2d(mVector* vectors, double* values) const;
  // Intersection of this 2-D metric with m.
  mTensor2 intersect2d(mTensor2& m) const;
};

}  // namespace KORA

#endif
