// Error of a smooth steady three-dimensional advection (the solution of
// tests/dg/steady_advection3d.h) on a Gmsh mesh, run by the solver's own
// global time stepping, for the convergence table of bench/convergence3d.sh.
//
//   convergence3d MESH ORDER [TEND [CFL]]
//
// Prints one line: cells dofs steps final-time L2-error.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "../tests/dg/steady_advection3d.h"
#include "ParUtil.h"

int main(int argc, char **argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s MESH ORDER [TEND [CFL]]\n", argv[0]);
    return 2;
  }
  const int order = std::atoi(argv[2]);
  const double tend = argc > 3 ? std::atof(argv[3]) : 1.5;
  const double cfl = argc > 4 ? std::atof(argv[4]) : 0.5;
  KORA::ParUtil::Instance()->setVerbosity(-1);
  try {
    const steady3d::Result r = steady3d::run(argv[1], order, tend, cfl);
    std::printf("%d %d %d %.6f %.6e\n", r.cells, r.dofs, r.steps, r.time, r.l2Error);
  } catch (const std::string &text) {
    std::fprintf(stderr, "%s: %s\n", argv[0], text.c_str());
    return 1;
  }
  return 0;
}
