// A smooth steady solution of three-dimensional linear advection, and a run
// of the solver's own time stepping to it on a mesh read from a Gmsh file,
// with the L2 error of the result against the exact solution.
//
// The velocity a = (1, 1/2, 1/4) leaves xi = x - 2y and eta = y - 2z
// unchanged along its lines, so u = sin(pi xi) cos(pi eta) solves
// a . grad u = 0. The inflow faces take u; the run starts from the
// projection of u. The steps are forward Euler steps, whose fixed point is
// the discrete steady state whatever the step: once the start has been
// carried out of the cube (the x speed is 1, so after t = 1) the error is the
// space discretisation's alone, O(h^(p+1)) for order p.
#ifndef TESTS_DG_STEADY_ADVECTION3D_H
#define TESTS_DG_STEADY_ADVECTION3D_H

#include <cmath>
#include <string>
#include <vector>

#include "DGAnalysis.h"
#include "DGCell.h"
#include "FunctionSpace.h"
#include "GaussIntegrator.h"
#include "KORA_Util.h"
#include "Mapping.h"
#include "ScalarLaw.h"
#include "analysis_fixture.h"

namespace steady3d {

inline double exact(double x, double y, double z) {
  return std::sin(M_PI * (x - 2.0 * y)) * std::cos(M_PI * (y - 2.0 * z));
}

struct Result {
  int cells = 0;
  int dofs = 0;
  int steps = 0;
  double time = 0.0;
  double l2Error = 0.0;
};

// L2 error over the mesh of the current solution against exact(), with a
// rule of order 2p + 4 in every cell (the error is not a polynomial).
inline double l2Error(const DGAnalysis &a) {
  double sum = 0.0;
  std::vector<double> phi;
  for (const DGCell *c : a.cells) {
    const FunctionSpace *space = c->getFunctionSpace();
    const KORA::Mapping *map = c->getMapping();
    const int n = space->size();
    phi.assign(n, 0.0);
    KORA::GaussIntegrator gauss(c->getEntity());
    const int q = 2 * space->order() + 4;
    const int K = gauss.nbIntegrationPoints(q);
    for (int k = 0; k < K; ++k) {
      double u, v, w, weight, x, y, z;
      gauss.iPoint(k, q, u, v, w, weight);
      map->eval(u, v, w, x, y, z);
      space->fcts(u, v, w, phi);
      double uh = 0.0;
      for (int j = 0; j < n; ++j) uh += c->dofs->levels[0][j] * phi[j];
      const double e = uh - exact(x, y, z);
      sum += e * e * map->detJac(u, v, w) * weight;
    }
  }
  return std::sqrt(sum);
}

// Reads the mesh file, runs order p up to time T at the CFL number cfl and
// measures the error. Throws a text when the mesh cannot be read.
inline Result run(const std::string &meshFile, int p, double T, double cfl) {
  static antest::LambdaField solution(
      [](const KORA::mPoint &x, double, double *v) { v[0] = exact(x.x(), x.y(), x.z()); }, 8);
  static antest::LambdaField velocity(
      [](const KORA::mPoint &, double, double *v) {
        v[0] = 1.0;
        v[1] = 0.5;
        v[2] = 0.25;
      },
      0);
  auto *mesh = new KORA::mMesh(1);
  try {
    KORA::KORA_Util::Instance()->import(meshFile.c_str(), mesh);
    createDGAdjacencies(mesh, mesh->getDim());
  } catch (...) {
    delete mesh;
    throw std::string("cannot read the mesh file ") + meshFile;
  }
  antest::ContextScope scope(new ScalarLaw(&solution, &velocity, &solution), mesh);
  DGParameters &P = antest::ContextScope::param();
  P.time.nbSub = 1;
  P.time.cflMax = cfl;
  DGAnalysis a;
  a.init(p, 1);
  Result r;
  r.cells = static_cast<int>(a.cells.size());
  r.dofs = a.nbrDofs();
  double t = 0.0;
  while (t < T * (1.0 - 1e-12)) {
    P.state.t = t;
    P.time.dtRef = T - t;  // the last step lands on T
    double gain = 0.0, macro = 0.0;
    a.localTimeStepping(gain, macro);
    t += macro;
    ++r.steps;
  }
  r.time = t;
  r.l2Error = l2Error(a);
  return r;
}

}  // namespace steady3d

#endif
