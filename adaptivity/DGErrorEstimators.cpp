// The error estimators and the accumulation of cell errors over the mesh.

#include "DGErrorEstimators.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "ConservationLaw.h"
#include "DGAnalysis.h"
#include "DGBoundaryCell.h"
#include "DGCell.h"
#include "GlobalParamManager.h"
#include "Mapping.h"
#include "mMesh.h"

using KORA::mPoint;
using KORA::mVector;

namespace {

constexpr int kMax = ConservationLaw::kMaxFields;

struct Centre {
  double u, v, w;
  mPoint x;
};

Centre centreOf(const DGCell *cell) {
  Centre c{};
  cell->getMapping()->COG(c.u, c.v, c.w);
  double x, y, z;
  cell->getMapping()->eval(c.u, c.v, c.w, x, y, z);
  c.x = mPoint(x, y, z);
  return c;
}

double valueAtCentre(const DGCell *cell, const Centre &c, int field) {
  double U[kMax];
  cell->interpolate(c.u, c.v, c.w, U);
  return U[field];
}

mVector gradientAtCentre(const DGCell *cell, const Centre &c, int field, DGCell::G_type level) {
  mVector G[kMax];
  cell->dinterpolate(c.u, c.v, c.w, G, level);
  return G[field];
}

// Vorticity of the density and momentum fields 0, 1, 2 at the centre.
double vorticity(const DGCell *cell) {
  const Centre c = centreOf(cell);
  double V[kMax];
  mVector G[kMax];
  cell->interpolate(c.u, c.v, c.w, V);
  cell->dinterpolate(c.u, c.v, c.w, G, DGCell::LEVEL0);
  if (V[0] == 0.0) return 0.0;
  const double u = V[1] / V[0], v = V[2] / V[0];
  const mVector gu = (G[1] - G[0] * u) * (1.0 / V[0]);
  const mVector gv = (G[2] - G[0] * v) * (1.0 / V[0]);
  return gu[1] - gv[0];
}

double dot(const mVector &a, const mVector &b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

}  // namespace

// ---------------------------------------------------------------------------
// Estimators

void DGErrorEstimatorGrad::computeError(DGCell *left, DGCell *right, DGBoundaryCell *, double &weight,
                                        double &error) const {
  weight = 1.0;
  error = 0.0;
  const Centre cL = centreOf(left);
  const double vL = valueAtCentre(left, cL, 0);
  if (!right) {
    const mVector g = gradientAtCentre(left, cL, 0, DGCell::LEVEL0);
    if (vL != 0.0) error = dot(g, g) / (vL * vL);
    return;
  }
  const Centre cR = centreOf(right);
  const double vR = valueAtCentre(right, cR, 0);
  const double dx = cL.x.x() - cR.x.x(), dy = cL.x.y() - cR.x.y(), dz = cL.x.z() - cR.x.z();
  const double d = std::sqrt(dx * dx + dy * dy + dz * dz);
  const double avg = 0.5 * (vL + vR);
  if (avg == 0.0 || d == 0.0) return;
  const double q = (vL - vR) / avg / d;
  error = q * q;
}

void DGErrorEstimatorJump::computeError(DGCell *, DGCell *, DGBoundaryCell *face, double &weight,
                                        double &error) const {
  const ConservationLaw *law = GlobalParamManager::Instance()->law;
  if (!law) throw std::string("error estimator: no conservation law");
  error = 0.0;
  weight = 0.0;
  for (const ptGaussInfo &g : face->gaussPoints) {
    if (!g.UL) continue;
    const double w = g.JacW;
    const double qL = law->jumpQuantity(g.UL, &g.n);
    double jump, sum;
    if (g.UR) {
      const double qR = law->jumpQuantity(g.UR, &g.n);
      jump = std::fabs(qL - qR);
      sum = std::fabs(qL) + std::fabs(qR);
    } else {
      jump = 0.0;
      sum = 2.0 * std::fabs(qL);
    }
    error += jump * jump * w;
    weight += sum * sum * w;
  }
}

void DGErrorEstimatorHD::computeError(DGCell *left, DGCell *right, DGBoundaryCell *, double &weight,
                                      double &error) const {
  weight = 1.0;
  error = 0.0;
  if (!right) return;
  const Centre cL = centreOf(left), cR = centreOf(right);
  const mVector d(cR.x.x() - cL.x.x(), cR.x.y() - cL.x.y(), cR.x.z() - cL.x.z());
  const mVector gL = gradientAtCentre(left, cL, 0, DGCell::LEVEL0);
  const mVector gR = gradientAtCentre(right, cR, 0, DGCell::LEVEL0);
  const double e = dot(d, gL) - dot(d, gR);
  error = e * e;
}

void DGErrorEstimatorVort2d::computeError(DGCell *left, DGCell *right, DGBoundaryCell *, double &weight,
                                          double &error) const {
  const double wL = vorticity(left);
  const double wR = right ? vorticity(right) : wL;
  weight = 1.0;
  error = std::sqrt(wL * wL + wR * wR);
}

void DGErrorEstimatorHigherOrderGrads::computeError(DGCell *cell) const {
  const Centre c = centreOf(cell);
  const mVector g = gradientAtCentre(cell, c, 0, DGCell::LEVEL2);
  const double c0 = cell->getCoefficients()->levels[0][0];
  const double J = std::fabs(cell->getMapping()->detJac(c.u, c.v, c.w));
  const double g2 = dot(g, g);
  double D = g2 + (J != 0.0 ? 0.00001 * c0 * c0 / J : 0.0);
  if (D == 0.0) D = 1.0;
  cell->errorWeight = 1.0;
  cell->errorSum = std::sqrt(g2 / D);
}

// ---------------------------------------------------------------------------
// Accumulation over the leaves of the mesh

namespace {

KORA::mMesh &contextMesh(const char *who) {
  KORA::mMesh *mesh = GlobalParamManager::Instance()->mesh;
  if (!mesh) throw std::string(who) + ": no mesh";
  return *mesh;
}

}  // namespace

void DGAnalysis::zeroError() {
  KORA::mMesh &mesh = contextMesh("error estimation");
  const int d = GlobalParamManager::Instance()->dim;
  if (d < 1) return;  // a mesh without elements
  for (auto it = mesh.begin(d); it != mesh.end(d); ++it)
    if (DGCell *c = dgCellOf(*it)) c->ZeroError();
}

void DGAnalysis::computeError(double &maxError, double &minError) {
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  if (!ctx->estimator) throw std::string("error estimation: no error estimator");
  KORA::mMesh &mesh = contextMesh("error estimation");
  const DGErrorEstimator &estimator = *ctx->estimator;
  const int d = ctx->dim;
  if (d < 1) return;  // no element: the caller's values stay
  // Faces and cells in the order of their entities' vertex ids: each cell's
  // sums then come out the same whatever the history of the mesh's tables
  // (a run restarted from a recovery file makes the same adaptation choices).
  std::vector<DGBoundaryCell *> faces;
  for (auto it = mesh.begin(d - 1); it != mesh.end(d - 1); ++it)
    if (DGBoundaryCell *f = dgBoundaryCellOf(*it)) faces.push_back(f);
  sortByEntity(faces);
  for (DGBoundaryCell *f : faces) f->computeError(estimator);
  std::vector<DGCell *> cells;
  for (auto it = mesh.begin(d); it != mesh.end(d); ++it)
    if (DGCell *c = dgCellOf(*it)) cells.push_back(c);
  sortByEntity(cells);
  bool first = true;
  for (DGCell *c : cells) {
    estimator.computeError(c);
    // A cell that received no weight has no error.
    const double e = c->errorWeight == 0.0 ? 0.0 : c->getError();
    if (first) {
      maxError = minError = e;
      first = false;
    } else {
      if (e > maxError) maxError = e;
      if (e < minError) minError = e;
    }
  }
}
