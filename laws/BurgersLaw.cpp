// Burgers law: upwind-type numerical flux with the sonic-rarefaction value,
// and a boundary flux that takes the far field where the flux enters.

#include "BurgersLaw.h"

#include <cmath>

using KORA::mPoint;
using KORA::mVector;

BurgersLaw::BurgersLaw(FieldEvaluator *farField_, FieldEvaluator *velocity_,
                       FieldEvaluator *exact_)
    : velocity(velocity_), exact(exact_) {
  farField = farField_;
}

void BurgersLaw::Fi(int i, const mPoint &, const double *U, mVector &flux) const {
  if (i == 0) flux.set(0.5 * U[0] * U[0], U[0], 0.0);
}

void BurgersLaw::Fi(const mPoint &p, const double *U, mVector *flux) const {
  Fi(0, p, U, flux[0]);
}

void BurgersLaw::Fv(const mPoint &, const double *, const mVector *, mVector *flux) const {
  flux[0].set(0.0, 0.0, 0.0);
}

void BurgersLaw::RHS(const double *, const mVector *, const mPoint &, double *S) const {
  S[0] = 0.0;
}

void BurgersLaw::riemannSolver(const mVector &n, const mPoint &, const double *UL,
                               const double *UR, double *FL, double *FR) const {
  const double nx = n.x(), ny = n.y();
  const double uL = UL[0], uR = UR[0];
  const double fL = uL * ny + 0.5 * uL * uL * nx;
  const double fR = uR * ny + 0.5 * uR * uR * nx;
  double F;
  if (uR == uL) {
    F = 0.5 * (fL + fR);
  } else {
    const double s = (fR - fL) / (uR - uL);
    const double aL = uL * nx + ny, aR = uR * nx + ny;
    if (aL < 0 && aR > 0)  // sonic rarefaction
      F = fL + (uR - uL) * aL * (aR - s) / (aR - aL);
    else
      F = 0.5 * (fL + fR) - 0.5 * std::fabs(s) * (uR - uL);
  }
  FL[0] = F;
  FR[0] = F;
}

void BurgersLaw::boundaryFlux(const mVector &n, int, const mPoint &p, double *U, double *F,
                              double t) const {
  const double nx = n.x(), ny = n.y();
  const double u = U[0];
  const double a = u * (0.5 * nx * u + ny);
  if (a > 0) {
    F[0] = a;
    return;
  }
  if (!farField) throw std::string("BurgersLaw: inflow boundary without a far field");
  double ub[kMaxFields];
  farField->eval(p, t, ub);
  F[0] = ub[0] * (0.5 * nx * ub[0] + ny);
}

double BurgersLaw::maximumEigenValue(const double *U, const mPoint &) const {
  return std::sqrt(U[0] * U[0] + 1.0);
}

void BurgersLaw::getNameAndSize(int i, int &size, std::string &name) const {
  static const char *const names[3] = {"function", "exact", "errest"};
  if (i < 0 || i > 2) return;
  size = 1;
  name = names[i];
}

void BurgersLaw::getIthFieldOfInterest(int i, const mPoint &p, const double *U, const mVector *,
                                       double *out, double t) const {
  switch (i) {
    case 0: out[0] = U[0]; return;
    case 1:
    case 2: {
      if (!exact) throw std::string("BurgersLaw: no exact solution for the output field");
      double v[kMaxFields];
      exact->eval(p, t, v);
      out[0] = v[0];
      return;
    }
    default: return;
  }
}

void BurgersLaw::characteristicVectorField(const mPoint &p, double t, const double *,
                                           const mVector *, mVector &out) const {
  if (!velocity) throw std::string("BurgersLaw: no velocity field");
  double v[kMaxFields];
  velocity->eval(p, t, v);
  out.set(v[0], v[1], v[2]);
}
