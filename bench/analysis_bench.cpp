// Cost of one residual evaluation plus forward Euler update of the whole mesh
// for the Euler laws: 2-D on about 50,000 triangles at orders 1, 2 and 3, and
// 3-D on about 50,000 tetrahedra at order 1. Prints, per case, microseconds
// per degree of freedom per evaluation (best of several runs, one core) and
// the peak resident memory of the case per degree of freedom.

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include "../tests/dg/analysis_fixture.h"
#include "Euler.h"
#include "bench_flow.h"
#include "ParUtil.h"

using namespace antest;
using benchflow::flowState2d;
using benchflow::peakResidentBytes;

namespace {

// Restarts the peak count (Linux: writing 5 to clear_refs).
void resetPeak() {
  std::ofstream out("/proc/self/clear_refs");
  out << "5";
}

void flowState3d(const mPoint &p, double t, double *u) {
  flowState2d(p, t, u);
  const double vz = 0.1 * std::sin(p.z());
  u[3] += 0.5 * u[0] * vz * vz;
  u[4] = u[0] * vz;
}

struct Result {
  int dofs;
  double usPerDof;
  double bytesPerDof;
};

Result runCase(int dim, int order, int repeats) {
  resetPeak();
  static LambdaField far2d(flowState2d, 2);
  static LambdaField far3d(flowState3d, 2);
  const std::map<int, bc> farOnly;
  ConservationLaw *law;
  mMesh *mesh;
  if (dim == 2) {
    law = new Euler2d(false, farOnly, &far2d, false, false, 1.4, 287.0, 0, nullptr, nullptr);
    mesh = grid2d(158, 158, false, wavy);  // 49,928 triangles
  } else {
    law = new Euler3dRoe(false, farOnly, &far3d, false, 1.4, 287.0, nullptr, nullptr);
    mesh = grid3d(20, wavy);  // 48,000 tetrahedra
  }
  ContextScope scope(law, mesh);
  KORA::ParUtil::Instance()->setVerbosity(-1);
  Result r{};
  {
    DGAnalysis a;
    a.init(order, 1);
    r.dofs = a.nbrDofs();
    double dt = 1e30;
    a.computeTimeStep(dt, 0.1);
    double best = 1e30;
    for (int k = 0; k < repeats; ++k) {
      const auto t0 = std::chrono::steady_clock::now();
      a.cSpatialOperator(0.0, -1, a.cells, a.boundaryCells);
      a.forwardEuler(dt, a.cells, -1);
      const auto t1 = std::chrono::steady_clock::now();
      best = std::min(best, std::chrono::duration<double, std::micro>(t1 - t0).count());
    }
    r.usPerDof = best / r.dofs;
    r.bytesPerDof = peakResidentBytes() / r.dofs;
  }
  return r;
}

}  // namespace

int main(int argc, char **argv) {
  // Optional arguments: the number of timed evaluations per case, and the
  // index (0 to 3) of a single case to run.
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const int only = argc > 2 ? std::atoi(argv[2]) : -1;
  std::printf("%-28s %10s %14s %14s\n", "case", "dofs", "us/dof/eval", "peak B/dof");
  struct Case {
    const char *name;
    int dim, order;
  };
  const Case cases[] = {{"Euler 2-D triangles p=1", 2, 1},
                        {"Euler 2-D triangles p=2", 2, 2},
                        {"Euler 2-D triangles p=3", 2, 3},
                        {"Euler 3-D tetrahedra p=1", 3, 1}};
  for (int i = 0; i < 4; ++i) {
    if (only >= 0 && i != only) continue;
    const Case &c = cases[i];
    const Result r = runCase(c.dim, c.order, repeats);
    std::printf("%-28s %10d %14.4f %14.1f\n", c.name, r.dofs, r.usPerDof, r.bytesPerDof);
    std::fflush(stdout);
  }
  return 0;
}
