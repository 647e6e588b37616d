// Small meshes built in code, a configurable scalar test law and a scope that
// installs law, mesh, limiter and estimator in the global context.
#ifndef TESTS_ADAPTIVITY_LIMIT_FIXTURE_H
#define TESTS_ADAPTIVITY_LIMIT_FIXTURE_H

#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "ConservationLaw.h"
#include "DGAnalysis.h"
#include "DGBoundaryCell.h"
#include "DGCell.h"
#include "DGErrorEstimator.h"
#include "DGLimiter.h"
#include "DGParameters.h"
#include "FieldEvaluator.h"
#include "FunctionSpace.h"
#include "GlobalParamManager.h"
#include "Mapping.h"
#include "gEntity.h"
#include "mMesh.h"

#include "../common/context_scope.h"

namespace lt {

using KORA::mEntity;
using KORA::mMesh;
using KORA::mPoint;
using KORA::mVector;

// nx by ny rectangles of size hx by hy with the lower left corner at the
// origin: one quadrilateral per rectangle (corners counter-clockwise from the
// lower left) or two triangles. Boundary edges lie on model edges 1 (bottom),
// 2 (right), 3 (top), 4 (left).
inline mMesh *grid(int nx, int ny, double hx, double hy, bool quads) {
  mMesh *m = new mMesh(0);
  KORA::gEntity *region = m->getGEntity(100, 2);
  auto id = [&](int i, int j) { return 1 + i + (nx + 1) * j; };
  for (int j = 0; j <= ny; ++j)
    for (int i = 0; i <= nx; ++i) m->createVertex(id(i, j), i * hx, j * hy, 0.0, region);
  for (int i = 0; i < nx; ++i) {
    m->createEdge(id(i, 0), id(i + 1, 0), m->getGEntity(1, 1));
    m->createEdge(id(i, ny), id(i + 1, ny), m->getGEntity(3, 1));
  }
  for (int j = 0; j < ny; ++j) {
    m->createEdge(id(nx, j), id(nx, j + 1), m->getGEntity(2, 1));
    m->createEdge(id(0, j), id(0, j + 1), m->getGEntity(4, 1));
  }
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i) {
      const int a = id(i, j), b = id(i + 1, j), c = id(i + 1, j + 1), d = id(i, j + 1);
      if (quads) {
        m->createFaceWithVertices(a, b, c, d, region);
      } else {
        m->createFaceWithVertices(a, b, c, region);
        m->createFaceWithVertices(a, c, d, region);
      }
    }
  m->modifyState(2, 1);
  m->modifyState(1, 2);
  m->modifyState(0, 1);
  return m;
}

// A field given by a function of the point.
class Field : public FieldEvaluator {
public:
  using Fn = std::function<void(const mPoint &, double *)>;
  Field(Fn f, int order) : fn(std::move(f)), ord(order) {}
  void eval(const mPoint &p, double, double *values) const override { fn(p, values); }
  int order() const override { return ord; }

private:
  Fn fn;
  int ord;
};

// Scalar test law of n fields without fluxes. A state is physical when field
// 0 is not below `floor`; repair lifts field 0 to `floor`. The jump quantity
// is field 0.
class TestLaw : public ConservationLaw {
public:
  explicit TestLaw(int fields, const FieldEvaluator *far = nullptr,
                   double floorValue = -std::numeric_limits<double>::infinity())
      : n(fields), floor(floorValue) {
    farField = const_cast<FieldEvaluator *>(far);
  }
  int nbFields() const override { return n; }
  void Fi(int, const mPoint &, const double *, mVector &flux) const override { flux = mVector(0, 0, 0); }
  void Fi(const mPoint &, const double *, mVector *flux) const override {
    for (int i = 0; i < n; ++i) flux[i] = mVector(0, 0, 0);
  }
  void RHS(const double *, const mVector *, const mPoint &, double *S) const override {
    for (int i = 0; i < n; ++i) S[i] = 0.0;
  }
  void riemannSolver(const mVector &, const mPoint &, const double *, const double *, double *FL,
                     double *FR) const override {
    for (int i = 0; i < n; ++i) FL[i] = FR[i] = 0.0;
  }
  double maximumEigenValue(const double *, const mPoint &) const override { return 1.0; }
  int getNbFieldsOfInterest() const override { return 0; }
  void getNameAndSize(int, int &, std::string &) const override {}
  void getIthFieldOfInterest(int, const mPoint &, const double *, const mVector *, double *,
                             double) const override {}
  bool isPhysical(const double *U) const override { return !(U[0] < floor); }
  void restorePhysical(double *U) const override { U[0] = floor; }
  double jumpQuantity(const double *U, const mVector *) const override { return U[0]; }
  void characteristicVectorField(const mPoint &, double, const double *, const mVector *,
                                 mVector &out) const override {
    out = mVector(0, 0, 0);
  }

private:
  int n;
  double floor;
};

// Installs law, mesh, limiter and estimator (all owned) for one test; see
// context_scope.h.
using Scope = dgtest::ContextScope;

// Physical centre of a cell.
inline mPoint centre(const DGCell *c) {
  double u, v, w, x, y, z;
  c->getMapping()->COG(u, v, w);
  c->getMapping()->eval(u, v, w, x, y, z);
  return mPoint(x, y, z);
}

// One global step of the whole mesh as the time loop takes it: every cell
// starts at the run's time, residual, forward Euler update, face states and
// one limiting pass at the new time.
inline void globalStep(DGAnalysis &a, double dt) {
  DGParameters &p = *GlobalParamManager::Instance()->parameters;
  for (DGCell *c : a.cells) c->beginTimeStep(p.state.t);
  a.cSpatialOperator(p.state.t, -1, a.cells, a.boundaryCells);
  a.forwardEuler(dt, a.cells, -1);
  p.state.t += dt;
  a.computeSolutionsOnBothSides(p.state.t, false, -1, a.boundaryCells);
  a.applyLimiter(p.state.t, -1, a.cells, a.boundaryCells);
}

// Coefficient j of field f at level 0.
inline double &coef(DGCell *c, int f, int j) {
  return c->dofs->levels[0][f * c->dofs->nbFunctions + j];
}

}  // namespace lt

#endif
