#include "DenseMatrix.h"
#include "OffsetVector.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <vector>

double** allocateMatrix(int rows, int cols)
{
  if (rows < 0 || cols < 0) throw "allocateMatrix: negative matrix size";
  const std::size_t r = static_cast<std::size_t>(rows), c = static_cast<std::size_t>(cols);
  // At least one row pointer, so that freeMatrix always finds the block.
  double** M = new double*[std::max<std::size_t>(r, 1)];
  double* block = new double[r * c];
  M[0] = block;
  for (std::size_t i = 1; i < r; ++i) M[i] = block + i * c;
  return M;
}

void freeMatrix(double** M)
{
  if (!M) return;
  delete[] M[0];
  delete[] M;
}

void ludcmp(double** a, int n, int* indx, double* d)
{
  if (n <= 0) {
    *d = 1.0;
    return;
  }
  std::vector<double> vv(static_cast<std::size_t>(n));
  *d = 1.0;
  for (int i = 0; i < n; ++i) {
    double big = 0.0;
    for (int j = 0; j < n; ++j) big = std::max(big, std::fabs(a[i][j]));
    if (big == 0.0) {
      std::printf("Singular matrix in routine LUDCMP");
      big = 1e-12;
    }
    vv[i] = 1.0 / big;
  }
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < j; ++i) {
      double sum = a[i][j];
      for (int k = 0; k < i; ++k) sum -= a[i][k] * a[k][j];
      a[i][j] = sum;
    }
    double big = 0.0;
    int imax = j; // stays j if no candidate compares (NaN entries)
    for (int i = j; i < n; ++i) {
      double sum = a[i][j];
      for (int k = 0; k < j; ++k) sum -= a[i][k] * a[k][j];
      a[i][j] = sum;
      const double dum = vv[i] * std::fabs(sum);
      if (dum >= big) { // ties go to the later row
        big = dum;
        imax = i;
      }
    }
    if (imax != j) {
      std::swap_ranges(a[imax], a[imax] + n, a[j]);
      *d = -(*d);
      vv[imax] = vv[j];
    }
    indx[j] = imax;
    if (a[j][j] == 0.0) a[j][j] = 1e-20;
    if (j != n - 1) {
      const double dum = 1.0 / a[j][j];
      for (int i = j + 1; i < n; ++i) a[i][j] *= dum;
    }
  }
}

void lubksb(double** a, int n, const int* indx, double* b)
{
  int ii = -1;
  for (int i = 0; i < n; ++i) {
    const int ip = indx[i];
    double sum = b[ip];
    b[ip] = b[i];
    if (ii >= 0) {
      for (int j = ii; j < i; ++j) sum -= a[i][j] * b[j];
    } else if (sum != 0.0) {
      ii = i;
    }
    b[i] = sum;
  }
  for (int i = n - 1; i >= 0; --i) {
    double sum = b[i];
    for (int j = i + 1; j < n; ++j) sum -= a[i][j] * b[j];
    b[i] = sum / a[i][i];
  }
}

void invmat(double** a, double** y, int n)
{
  if (n <= 0) return;
  std::vector<double> col(static_cast<std::size_t>(n));
  std::vector<int> indx(static_cast<std::size_t>(n));
  double d;
  ludcmp(a, n, indx.data(), &d);
  for (int j = 0; j < n; ++j) {
    std::fill(col.begin(), col.end(), 0.0);
    col[j] = 1.0;
    lubksb(a, n, indx.data(), col.data());
    for (int i = 0; i < n; ++i) y[i][j] = col[i];
  }
}

bool leastSquares(double** A, const double* b, double* x, int m, int n)
{
  if (n <= 0) return true;
  double** N = allocateMatrix(n, n);
  std::vector<int> indx(static_cast<std::size_t>(n));
  double d;
  if (m == n) {
    // Square system: decompose a copy so that A serves the next right-hand side.
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) N[i][j] = A[i][j];
    for (int i = 0; i < n; ++i) x[i] = b[i];
  } else {
    // Normal equations A^T A x = A^T b.
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < n; ++j) {
        double s = 0.0;
        for (int k = 0; k < m; ++k) s += A[k][i] * A[k][j];
        N[i][j] = s;
      }
      double r = 0.0;
      for (int k = 0; k < m; ++k) r += A[k][i] * b[k];
      x[i] = r;
    }
  }
  ludcmp(N, n, indx.data(), &d);
  lubksb(N, n, indx.data(), x);
  freeMatrix(N);
  return true;
}

void direct_solver(double** A, const double* b, double* x, int n)
{
  if (n <= 0) return;
  std::vector<int> indx(static_cast<std::size_t>(n));
  double d;
  for (int i = 0; i < n; ++i) x[i] = b[i];
  ludcmp(A, n, indx.data(), &d);
  lubksb(A, n, indx.data(), x);
}

void nrerror(const char* text)
{
  std::fprintf(stderr, "error\n");
  std::fprintf(stderr, "%s\n", text);
  std::exit(1);
}

// The block spans min(nl, 0) .. max(nh, 0), so that v itself always points
// inside it and v[nl] .. v[nh] are valid without pointer arithmetic outside
// the allocation.
double* vector(int nl, int nh)
{
  if (nh < nl) nrerror("allocation failure in vector()");
  const long lo = std::min(nl, 0), hi = std::max(nh, 0);
  double* block = static_cast<double*>(std::malloc(static_cast<std::size_t>(hi - lo + 1) * sizeof(double)));
  if (!block) nrerror("allocation failure in vector()");
  return block - lo;
}

void free_vector(double* v, int nl, int)
{
  if (!v) return;
  std::free(v + std::min(nl, 0));
}
