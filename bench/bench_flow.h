// Helpers shared by the solver benchmarks: the process's peak memory and a
// smooth 2-D flow state that makes the Euler fluxes do real work.
#ifndef BENCH_BENCH_FLOW_H
#define BENCH_BENCH_FLOW_H

#include <cmath>
#include <fstream>
#include <string>

#include "mPoint.h"

namespace benchflow {

// Peak resident set size in bytes (VmHWM), or 0 when unknown.
inline double peakResidentBytes() {
  std::ifstream in("/proc/self/status");
  std::string key;
  while (in >> key) {
    if (key == "VmHWM:") {
      double kb = 0;
      in >> kb;
      return kb * 1024.0;
    }
    std::getline(in, key);
  }
  return 0.0;
}

// Density, momentum and total energy (gamma = 1.4) of a smooth flow.
inline void flowState2d(const KORA::mPoint &p, double, double *u) {
  const double rho = 1.0 + 0.2 * std::sin(3 * p.x()) * std::cos(2 * p.y());
  const double vx = 0.3 + 0.1 * std::cos(p.y()), vy = -0.2 + 0.1 * std::sin(p.x());
  const double pr = 1.0 + 0.1 * std::cos(2 * p.x() + p.y());
  u[0] = rho;
  u[1] = rho * vx;
  u[2] = rho * vy;
  u[3] = pr / 0.4 + 0.5 * rho * (vx * vx + vy * vy);
}

}  // namespace benchflow

#endif
