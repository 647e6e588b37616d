#include "GaussHermite.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <new>

namespace {

const double kPi = 3.141592653589793;
const double kPiM4 = 0.7511255444649425;  // pi^(-1/4)
const double kEps = 3.0e-14;
const int kMaxIt = 10;

// Two scratch arrays of n doubles for the unscaled rule, then the rescaling
// given by 'scale' (v, q, M from x, w).
template <class Scale>
int scaledRule(double* v, double* q, double* M, int n, Scale scale)
{
  std::unique_ptr<double[]> x, w;
  if (n > 0) {
    x.reset(new (std::nothrow) double[n]);
    w.reset(new (std::nothrow) double[n]);
    if (!x || !w) {
      std::printf("Problem with malloc\n");
      return -1;
    }
  }
  const int status = gauher(x.get(), w.get(), n);
  if (status < 0) {
    std::printf("Problem with gauher, status = %d\n", status);
    return status;
  }
  for (int i = 0; i < n; ++i) scale(x[i], w[i], v[i], q[i], M[i]);
  return 0;
}

}  // namespace

int gauher(double* x, double* w, int n)
{
  if (n == 1) {
    x[0] = 0.0;
    w[0] = std::sqrt(kPi);
    return 0;
  }
  if (n <= 0 || n % 2 != 0) {
    std::printf("Fatal error in gauher: n must be an even, positve integer!\n");
    return -1;
  }
  const int m = n / 2;
  double z = 0.0, pp = 0.0;
  for (int i = 0; i < m; ++i) {
    // Starting guesses of the largest roots, then extrapolation from the
    // two previous roots (stored as x[n-1-i]).
    if (i == 0)
      z = std::sqrt(2.0 * n + 1.0) - 1.85575 * std::pow(2.0 * n + 1.0, -0.16667);
    else if (i == 1)
      z -= 1.14 * std::pow(static_cast<double>(n), 0.426) / z;
    else if (i == 2)
      z = 1.86 * z - 0.86 * x[n - 1];
    else if (i == 3)
      z = 1.91 * z - 0.91 * x[n - 2];
    else
      z = 2.0 * z - x[n - 1 - (i - 2)];
    bool converged = false;
    for (int its = 0; its < kMaxIt; ++its) {
      // Orthonormal Hermite functions by their three-term recurrence.
      double p1 = kPiM4, p2 = 0.0;
      for (int j = 1; j <= n; ++j) {
        const double p3 = p2;
        p2 = p1;
        p1 = z * std::sqrt(2.0 / j) * p2 - std::sqrt(static_cast<double>(j - 1) / j) * p3;
      }
      pp = std::sqrt(2.0 * n) * p2;
      const double z1 = z;
      z = z1 - p1 / pp;
      if (std::fabs(z - z1) <= kEps) {
        converged = true;
        break;
      }
    }
    if (!converged) return -1;
    x[i] = -z;
    x[n - 1 - i] = z;
    w[i] = w[n - 1 - i] = 2.0 / (pp * pp);
  }
  return 0;
}

int gauherqm(double* v, double* q, double* M, int n)
{
  const double sqrtPi = std::sqrt(kPi), sqrt2Pi = std::sqrt(2.0 * kPi), sqrt2 = std::sqrt(2.0);
  return scaledRule(v, q, M, n, [&](double x, double w, double& vi, double& qi, double& Mi) {
    vi = sqrt2 * x;
    Mi = std::exp(-vi * vi * 0.5) / sqrt2Pi;
    qi = w / (sqrtPi * Mi * Mi);
  });
}

int gauherqmold(double* v, double* q, double* M, int n)
{
  const double sqrtPi = std::sqrt(kPi);
  return scaledRule(v, q, M, n, [&](double x, double w, double& vi, double& qi, double& Mi) {
    vi = x;
    Mi = std::exp(-vi * vi) / sqrtPi;
    qi = w / (sqrtPi * Mi * Mi);
  });
}
