// Scalar advection and advection-diffusion laws.

#include "ScalarLaw.h"

#include <cmath>
#include <cstdio>

using KORA::mPoint;
using KORA::mVector;

ScalarLaw::ScalarLaw(FieldEvaluator *farField_, FieldEvaluator *velocity_,
                     FieldEvaluator *exact_)
    : velocity(velocity_), exact(exact_) {
  if (!velocity) throw std::string("ScalarLaw: a velocity field is required");
  farField = farField_;
}

mVector ScalarLaw::velocityAt(const mPoint &p, double t) const {
  double a[3];
  velocity->eval(p, t, a);
  return mVector(a[0], a[1], a[2]);
}

void ScalarLaw::Fi(int i, const mPoint &p, const double *U, mVector &flux) const {
  if (i == 0) flux = velocityAt(p, 0.0) * U[0];
}

void ScalarLaw::Fi(const mPoint &p, const double *U, mVector *flux) const {
  Fi(0, p, U, flux[0]);
}

void ScalarLaw::RHS(const double *, const mVector *, const mPoint &, double *S) const {
  S[0] = 0.0;
}

void ScalarLaw::riemannSolver(const mVector &n, const mPoint &p, const double *UL,
                              const double *UR, double *FL, double *FR) const {
  const double an = velocityAt(p, 0.0) * n;
  const double up = an > 0 ? UL[0] : UR[0];
  mVector f;
  Fi(0, p, &up, f);
  const double F = f * n;
  FL[0] = F;
  FR[0] = F;
}

void ScalarLaw::boundaryFlux(const mVector &n, int, const mPoint &p, double *U, double *F,
                             double t) const {
  const double an = velocityAt(p, t) * n;
  if (an >= 0) {
    F[0] = an * U[0];
    return;
  }
  if (!farField) throw std::string("ScalarLaw: inflow boundary without a far field");
  double ub[kMaxFields];
  farField->eval(p, t, ub);
  F[0] = an * ub[0];
}

double ScalarLaw::maximumEigenValue(const double *, const mPoint &p) const {
  return velocityAt(p, 0.0).length();
}

void ScalarLaw::getNameAndSize(int i, int &size, std::string &name) const {
  static const char *const names[6] = {"function", "errest", "error", "gradf", "v", "errorGrad"};
  static const int sizes[6] = {1, 1, 1, 3, 3, 3};
  if (i < 0 || i > 5) return;
  size = sizes[i];
  name = names[i];
}

void ScalarLaw::getIthFieldOfInterest(int i, const mPoint &p, const double *U, const mVector *G,
                                      double *out, double t) const {
  switch (i) {
    case 0: out[0] = U[0]; return;
    case 1: return;  // the sensors write the cell's error estimate
    case 2: {
      if (!exact) throw std::string("ScalarLaw: no exact solution for the \"error\" field");
      double v[kMaxFields];
      exact->eval(p, t, v);
      out[0] = v[0] - U[0];
      return;
    }
    case 3:
      out[0] = G[0].x();
      out[1] = G[0].y();
      out[2] = G[0].z();
      return;
    case 4: {
      const mVector a = velocityAt(p, t);
      out[0] = a.x();
      out[1] = a.y();
      out[2] = a.z();
      return;
    }
    case 5: {
      if (!exact) throw std::string("ScalarLaw: no exact solution for the \"errorGrad\" field");
      mVector g[4];
      exact->evalGrad(p, t, g);
      const mVector e = G[0] - g[0];
      out[0] = e.x();
      out[1] = e.y();
      out[2] = e.z();
      return;
    }
    default: return;
  }
}

void ScalarLaw::characteristicVectorField(const mPoint &p, double t, const double *,
                                          const mVector *, mVector &out) const {
  out = velocityAt(p, t);
}

// ---------------------------------------------------------------- advectionDiffusion

advectionDiffusion::advectionDiffusion(FieldEvaluator *farField_, FieldEvaluator *velocity_,
                                       FieldEvaluator *exact_, FieldEvaluator *source_,
                                       double alpha_)
    : ScalarLaw(farField_, velocity_, exact_), source(source_), alpha(alpha_) {
  std::printf("alpha = %lf\n", alpha);
}

void advectionDiffusion::Fv(const mPoint &, const double *, const mVector *G,
                            mVector *flux) const {
  flux[0] = G[0] * (-1.0 / alpha);
}

void advectionDiffusion::RHS(const double *, const mVector *, const mPoint &p, double *S) const {
  if (!source) {
    S[0] = 0.0;
    return;
  }
  source->eval(p, 0.0, S);
}

void advectionDiffusion::riemannSolver(const mVector &n, const mPoint &p, const double *UL,
                                       const double *UR, double *FL, double *FR) const {
  ScalarLaw::riemannSolver(n, p, UL, UR, FL, FR);
  viscousAverage(n, p, UL, UR, FL, FR);
}

void advectionDiffusion::viscousAverage(const mVector &n, const mPoint &p, const double *UL,
                                        const double *UR, double *FL, double *FR) const {
  const int nb = nbFields();
  const mVector gL(UL[nb], UL[nb + 1], UL[nb + 2]);
  const mVector gR(UR[nb], UR[nb + 1], UR[nb + 2]);
  mVector vL, vR;
  Fv(p, UL, &gL, &vL);
  Fv(p, UR, &gR, &vR);
  const double avg = 0.5 * ((vL + vR) * n);
  const double pen = -2.0 * (UR[0] - UL[0]) / alpha;
  FL[0] += avg;
  FL[0] += pen;
  FR[0] += avg;
  FR[0] += pen;
}

void advectionDiffusion::viscousStepLimits(const double *, const mPoint &, double &penaltySpeed,
                                           double &diffusivity) const {
  // The penalty -2 (uR - uL) / alpha damps jumps as an upwind flux of speed
  // 4 / alpha does.
  penaltySpeed = 4.0 / alpha;
  diffusivity = 1.0 / alpha;
}
