// Sod's shock tube for the adaptation benchmarks: the initial state of the
// two gases (membrane at x = 0.5, gamma 1.4) and the exact density.
#ifndef BENCH_BENCH_SOD_H
#define BENCH_BENCH_SOD_H

#include <cmath>
#include <vector>

#include "DGCell.h"
#include "FunctionSpace.h"
#include "GaussIntegrator.h"
#include "Mapping.h"
#include "mPoint.h"

namespace benchsod {

using KORA::mPoint;

constexpr double kGamma = 1.4;

inline void sodState(const mPoint &p, double *U) {
  const bool left = p.x() < 0.5;
  U[0] = left ? 1.0 : 0.125;
  U[1] = U[2] = 0.0;
  U[3] = (left ? 1.0 : 0.1) / (kGamma - 1.0);
}

// The exact density of Sod's problem at (x, t).
inline double sodDensity(double x, double t) {
  const double g = kGamma, rL = 1.0, pL = 1.0, rR = 0.125, pR = 0.1;
  const double cL = std::sqrt(g * pL / rL), cR = std::sqrt(g * pR / rR);
  auto f = [&](double p, double rK, double pK, double cK, double &df) {
    if (p > pK) {
      const double A = 2.0 / ((g + 1) * rK), B = (g - 1) / (g + 1) * pK;
      const double s = std::sqrt(A / (p + B));
      df = s * (1.0 - 0.5 * (p - pK) / (p + B));
      return (p - pK) * s;
    }
    df = 1.0 / (rK * cK) * std::pow(p / pK, -(g + 1) / (2 * g));
    return 2 * cK / (g - 1) * (std::pow(p / pK, (g - 1) / (2 * g)) - 1);
  };
  double p = 0.5 * (pL + pR);
  for (int i = 0; i < 50; ++i) {
    double dL, dR;
    const double F = f(p, rL, pL, cL, dL) + f(p, rR, pR, cR, dR);
    p -= F / (dL + dR);
  }
  double dL, dR;
  const double u = 0.5 * (f(p, rR, pR, cR, dR) - f(p, rL, pL, cL, dL));
  const double s = (x - 0.5) / t;
  const double head = -cL, tail = u - cL * std::pow(p / pL, (g - 1) / (2 * g));
  const double shock = cR * std::sqrt((g + 1) / (2 * g) * p / pR + (g - 1) / (2 * g));
  if (s < head) return rL;
  if (s < tail) return rL * std::pow(2 / (g + 1) + (g - 1) / ((g + 1) * cL) * (-s), 2 / (g - 1));
  if (s < u) return rL * std::pow(p / pL, 1 / g);
  if (s < shock) {
    const double q = p / pR, k = (g - 1) / (g + 1);
    return rR * (q + k) / (k * q + 1);
  }
  return rR;
}

// L1 norm of the density error of the cells' solution at time t (fields of
// at most 5 values).
inline double densityL1(const std::vector<DGCell *> &cells, double t) {
  double sum = 0.0;
  for (DGCell *c : cells) {
    KORA::GaussIntegrator gauss(c->getEntity());
    const int q = 2 * c->getFunctionSpace()->order() + 4;
    for (int k = 0; k < gauss.nbIntegrationPoints(q); ++k) {
      double u, v, w, weight, x, y, z, U[5];
      gauss.iPoint(k, q, u, v, w, weight);
      c->getMapping()->eval(u, v, w, x, y, z);
      c->interpolate(u, v, w, U);
      sum += std::fabs(U[0] - sodDensity(x, t)) * weight * std::fabs(c->getMapping()->detJac(u, v, w));
    }
  }
  return sum;
}

}  // namespace benchsod

#endif
