#include "ConservationLaw.h"
#include "DGCell.h"
#include "DGCellScratch.h"
#include "DGSubEntities.h"
#include "DenseMatrix.h"
#include "ElementaryMatrices.h"
#include "FunctionSpace.h"
#include "GlobalParamManager.h"
#include "LagrangeMapping.h"
#include "Mapping.h"
#include "gEntity.h"
#include "mEntity.h"

using KORA::Mapping;
using KORA::mEntity;

namespace {

// Weight of the face mass matrix that imposes an essential condition.
constexpr double kPenalty = 100000.0;

}  // namespace

DGAnyViscousCell::DGAnyViscousCell(mEntity *element, FunctionSpace *space, Mapping *map)
    : DGCell(element, space, map) {
  computeConstrainedInvertMassMatrix(true);
}

void DGAnyViscousCell::computeConstrainedInvertMassMatrix(bool constrained) {
  const int n = functionSpace->size();
  const int F = dofs->nbFields;
  const int N = F * n;
  dgdetail::OwnedMatrix Mown(n, n), Bown(N, N);
  double **M = Mown.m, **B = Bown.m;
  freeMatrix(invMass);
  invMass = nullptr;
  invMass = allocateMatrix(N, N);
  massDiagonal = false;  // the coupled inverse is applied whole
  massScaled = false;

  massMatrix(functionSpace, mapping, entity, M, 1.0);
  for (int i = 0; i < N; ++i)
    for (int j = 0; j < N; ++j) B[i][j] = 0.0;
  for (int f = 0; f < F; ++f)
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) B[f * n + i][f * n + j] = M[i][j];

  if (constrained) {
    const ConservationLaw *law = GlobalParamManager::Instance()->law;
    dgdetail::forEachSubEntity(entity, entity->getLevel() - 1, [&](mEntity *face) {
      const KORA::gEntity *g = face->getClassification();
      const int tag = g ? g->getId() : 0;
      bool built = false;
      for (int f = 0; f < F; ++f) {
        if (!law->essentialBoundaryCondition(f, tag)) continue;
        if (!built) {
          KORA::LagrangeMapping faceMapping(face);
          restrictedMassMatrix(functionSpace, entity, mapping, face, &faceMapping, M, kPenalty);
          built = true;
        }
        for (int i = 0; i < n; ++i)
          for (int j = 0; j < n; ++j) B[f * n + i][f * n + j] += M[i][j];
      }
    });
  }

  invmat(B, invMass, N);
}

double DGAnyViscousCell::computeInvMassMatrixMultRHSDT(double dt, double *out) {
  const int n = functionSpace->size();
  const int N = dofs->nbFields * n;
  const double *b = rhs.data();
  double r = 0.0;
  for (int i = 0; i < N; ++i) {
    const double *row = invMass[i];
    double s = 0.0;
    for (int j = 0; j < N; ++j) s += row[j] * b[j];
    if (i % n == 0) r += s * s;
    out[i] = s * dt;
  }
  return r;
}

double DGAnyViscousCell::projectionInvMassMatrixMultRHS(double *out) {
  // The unconstrained inverse is block diagonal with the plain M^-1 in every
  // block: apply M^-1 field by field without touching invMass.
  const int n = functionSpace->size();
  const int F = dofs->nbFields;
  dgdetail::OwnedMatrix Mown(n, n), MinvOwn(n, n);
  double **M = Mown.m, **Minv = MinvOwn.m;
  massMatrix(functionSpace, mapping, entity, M, 1.0);
  invmat(M, Minv, n);
  double r = 0.0;
  for (int f = 0; f < F; ++f) {
    const double *b = rhs.data() + f * n;
    for (int i = 0; i < n; ++i) {
      double s = 0.0;
      for (int j = 0; j < n; ++j) s += Minv[i][j] * b[j];
      if (i == 0) r += s * s;
      out[f * n + i] = s;
    }
  }
  return r;
}

void DGAnyViscousCell::rebuildForOrder() {
  DGCell::rebuildForOrder();
  computeConstrainedInvertMassMatrix(true);
}
