// Small law, fields and meshes for the tests of the DG cells and interface
// cells.
#ifndef TESTS_DG_CELL_FIXTURES_H
#define TESTS_DG_CELL_FIXTURES_H

#include <cmath>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ConservationLaw.h"
#include "DGBoundaryCell.h"
#include "DGCell.h"
#include "FieldEvaluator.h"
#include "FunctionSpace.h"
#include "GlobalParamManager.h"
#include "LagrangeMapping.h"
#include "mEntity.h"
#include "mEdge.h"
#include "mFace.h"
#include "mHex.h"
#include "mMesh.h"
#include "mTet.h"
#include "mVertex.h"

namespace celltest {

using namespace KORA;

// Scalar advection with a constant velocity, repeated over nbFields
// independent components. The largest wave speed is a settable constant;
// (field, tag) pairs listed in `essential` are imposed strongly.
class AdvectionLaw : public ConservationLaw {
public:
  explicit AdvectionLaw(int fields = 1, mVector velocity = mVector(1.0, 0.5, 0.0))
      : fields_(fields), a_(velocity) {}

  int fields_;
  mVector a_;
  double waveSpeed = 1.0;
  bool gradients = false;
  std::set<std::pair<int, int>> essential;

  int nbFields() const override { return fields_; }
  void Fi(int i, const mPoint &, const double *U, mVector &flux) const override { flux = a_ * U[i]; }
  void Fi(const mPoint &p, const double *U, mVector *flux) const override {
    for (int i = 0; i < fields_; ++i) Fi(i, p, U, flux[i]);
  }
  bool needTheHigherOrderGradients() const override { return gradients; }
  void RHS(const double *, const mVector *, const mPoint &, double *S) const override {
    for (int i = 0; i < fields_; ++i) S[i] = 0.0;
  }
  void riemannSolver(const mVector &n, const mPoint &, const double *UL, const double *UR, double *FL,
                     double *FR) const override {
    const double an = a_ * n;
    for (int i = 0; i < fields_; ++i) FL[i] = FR[i] = an * (an > 0 ? UL[i] : UR[i]);
  }
  double maximumEigenValue(const double *, const mPoint &) const override { return waveSpeed; }
  int getNbFieldsOfInterest() const override { return 0; }
  void getNameAndSize(int, int &, std::string &) const override {}
  void getIthFieldOfInterest(int, const mPoint &, const double *, const mVector *, double *,
                             double) const override {}
  bool isPhysical(const double *) const override { return true; }
  double jumpQuantity(const double *U, const mVector *) const override { return U[0]; }
  void characteristicVectorField(const mPoint &, double, const double *, const mVector *,
                                 mVector &out) const override {
    out = a_;
  }
  bool essentialBoundaryCondition(int field, int tag) const override {
    return essential.count({field, tag}) > 0;
  }
};

// Installs a law in the global context for the lifetime of the scope, and
// takes it out again so that the context never deletes it.
class LawScope {
public:
  explicit LawScope(ConservationLaw *law) { GlobalParamManager::Instance()->law = law; }
  ~LawScope() { GlobalParamManager::Instance()->law = nullptr; }
  LawScope(const LawScope &) = delete;
  LawScope &operator=(const LawScope &) = delete;
};

// A field given by one function per component, treated as having `degree`.
class FunctionField : public FieldEvaluator {
public:
  using Component = std::function<double(double, double, double)>;
  FunctionField(std::vector<Component> c, int degree) : comps(std::move(c)), deg(degree) {}
  void eval(const mPoint &p, double, double *values) const override {
    for (size_t i = 0; i < comps.size(); ++i) values[i] = comps[i](p(0), p(1), p(2));
  }
  int order() const override { return deg; }
  std::vector<Component> comps;
  int deg;
};

// The function space of an element kind.
inline FunctionSpace *spaceFor(mEntity *e, int order) {
  switch (e->getType()) {
  case mEntity::TRI: return new OrthogonalTriangleFunctionSpace(order);
  case mEntity::QUAD: return new QuadFunctionSpace(order);
  case mEntity::TET: return new OrthogonalTetFunctionSpace(order);
  case mEntity::HEX: return new HexFunctionSpace(order);
  default: throw std::string("test: no space for this kind");
  }
}

// A cell on the element, stored in its fast-data slot (which owns it).
inline DGCell *makeCell(mEntity *e, int order, bool viscous = false) {
  MappingBuilder builder;
  Mapping *m = builder.BuildMapping(e, 0);
  DGCell *c = viscous ? new DGAnyViscousCell(e, spaceFor(e, order), m) : new DGCell(e, spaceFor(e, order), m);
  e->attachFastData(c);
  return c;
}

// An interface cell on the face, stored in its fast-data slot.
inline DGBoundaryCell *makeFaceCell(mEntity *f) {
  MappingBuilder builder;
  DGBoundaryCell *c = new DGBoundaryCell(f, builder.BuildMapping(f, 0));
  f->attachFastData(c);
  return c;
}

// Adjacencies the way the analysis creates them, by dimension.
inline void connect(mMesh &mesh, int dim) {
  if (dim == 3) {
    mesh.modifyState(3, 2);
    mesh.modifyState(2, 1);
    mesh.modifyState(2, 3);
    mesh.modifyState(1, 2);
    mesh.modifyState(0, 1);
  } else {
    mesh.modifyState(2, 1);
    mesh.modifyState(1, 2);
    mesh.modifyState(0, 1);
  }
}

// Leaves of a dimension, in the mesh's order.
inline std::vector<mEntity *> leaves(mMesh &mesh, int dim) {
  std::vector<mEntity *> out;
  for (auto it = mesh.begin(dim); it != mesh.end(dim); ++it) out.push_back(*it);
  return out;
}

// Centre of an entity's vertices.
inline mPoint centre(mEntity *e) {
  const int n = e->size(0);
  double x = 0, y = 0, z = 0;
  for (int i = 0; i < n; ++i) {
    const mPoint p = static_cast<mVertex *>(e->get(0, i))->point();
    x += p(0);
    y += p(1);
    z += p(2);
  }
  return mPoint(x / n, y / n, z / n);
}

// Faces (one dimension below dim) with a single upward element are put on
// the model entity `boundaryTag` of their dimension.
inline void classifyBoundary(mMesh &mesh, int dim, int boundaryTag) {
  gEntity *g = mesh.getGEntity(boundaryTag, dim - 1);
  for (mEntity *f : leaves(mesh, dim - 1))
    if (f->size(dim) == 1) f->classify(g);
}

}  // namespace celltest

#endif
