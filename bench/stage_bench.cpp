// Cost of one explicit stage (residual plus forward Euler update) of 2-D Euler
// on a given mesh, for comparison with other explicit DG codes.
//
//   stage_bench MESH ORDER [STAGES]
//
// MESH is a ".msh" file (read like the program reads its mesh) or "quads:N",
// an N x N grid of quadrilaterals on [0,1]^2. Every boundary takes the far
// field of a smooth flow. STAGES time steps (default 20) of the run's own
// global stepping run one after the other, each one explicit stage: stable
// step, residual, update (no limiter). Prints one line:
//   elements dofs seconds-per-stage ns-per-dof-per-stage peak-bytes-per-dof checksum
// where the peak resident memory is that of the whole process and the
// checksum, the sum of the magnitudes of all coefficients at the end, shows
// whether two builds compute the same numbers.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "../tests/dg/analysis_fixture.h"
#include "Euler.h"
#include "bench_flow.h"
#include "KORA_Util.h"
#include "ParUtil.h"

using namespace antest;
using benchflow::flowState2d;
using benchflow::peakResidentBytes;

int main(int argc, char **argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s MESH|quads:N ORDER [STAGES]\n", argv[0]);
    return 2;
  }
  const std::string meshName = argv[1];
  const int order = std::atoi(argv[2]);
  const int stages = argc > 3 ? std::max(1, std::atoi(argv[3])) : 20;
  static LambdaField far(flowState2d, 2);
  const std::map<int, bc> farOnly;
  ConservationLaw *law = new Euler2d(false, farOnly, &far, false, false, 1.4, 287.0, 0, nullptr, nullptr);
  mMesh *mesh;
  try {
    if (meshName.rfind("quads:", 0) == 0) {
      const int n = std::atoi(meshName.c_str() + 6);
      mesh = grid2d(n, n, true);
    } else {
      mesh = new mMesh(1);
      KORA::KORA_Util::Instance()->import(meshName.c_str(), mesh);
      createDGAdjacencies(mesh, mesh->getDim());
    }
  } catch (...) {
    std::fprintf(stderr, "%s: cannot read the mesh %s\n", argv[0], meshName.c_str());
    return 1;
  }
  ContextScope scope(law, mesh);
  KORA::ParUtil::Instance()->setVerbosity(-1);
  DGAnalysis a;
  a.init(order, 1);
  const int dofs = a.nbrDofs();
  DGParameters &p = ContextScope::param();
  p.time.nbSub = 1;
  p.time.dtRef = 1e30;
  p.time.cflMax = 0.1;
  double gain = 1.0, dt = 0.0;
  a.localTimeStepping(gain, dt);  // warm-up
  p.state.t += dt;
  const auto t0 = std::chrono::steady_clock::now();
  for (int s = 0; s < stages; ++s) {
    a.localTimeStepping(gain, dt);
    p.state.t += dt;
  }
  const auto t1 = std::chrono::steady_clock::now();
  const double perStage = std::chrono::duration<double>(t1 - t0).count() / stages;
  double checksum = 0.0;
  for (const DGCell *c : a.cells)
    for (int i = 0; i < c->dofs->nbValues(); ++i) checksum += std::fabs(c->dofs->levels[0][i]);
  std::printf("%zu %d %.6g %.4g %.1f %.17g\n", a.cells.size(), dofs, perStage, 1e9 * perStage / dofs,
              peakResidentBytes() / dofs, checksum);
  return 0;
}
