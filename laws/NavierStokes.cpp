// Navier-Stokes laws: viscous fluxes, sources, wall conditions, the
// concentration flux, output fields and the viscous interface average.

#include "NavierStokes.h"

#include <cmath>
#include <cstdio>

#include "mException.h"

using KORA::mPoint;
using KORA::mVector;

namespace {

// Gas constant and flag handed to the Euler bases; these laws never read them.
constexpr double kUnusedGasConstant = 287.0;
constexpr int kUnusedFlag = 2;

// Name of an output field with the integer part of the scaling number.
std::string numberedName(const char *base, double number) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s-%d", base, static_cast<int>(number));
  return buf;
}

// Pressure wall: no mass or energy crosses, the pressure pushes on the wall.
void pressureWall(const mVector &n, double P, double *F, bool threeD) {
  F[0] = 0.0;
  F[1] = n.x() * P;
  F[2] = n.y() * P;
  F[3] = 0.0;
  if (threeD) F[4] = n.z() * P;
}

// The fields of interest of both dimensions: names numbered with the
// Reynolds (or quorl) number, the velocity a vector.
void nameAndSize(int i, bool extraField, double number, int &size, std::string &name) {
  static const char *const names[5] = {"density", "vorticity", "velocity", "temperature",
                                       "pressure"};
  if (i >= 0 && i <= 4) {
    size = i == 2 ? 3 : 1;
    name = numberedName(names[i], number);
  } else if (extraField) {
    size = 1;
    name = numberedName("concentration", number);
  }
}

// Coefficient of the jump penalty of the viscous interface average.
constexpr double kJumpPenalty = 2.0;

// Largest trace a wall builds: 6 fields and their gradients.
constexpr int kMaxTrace = 6 + 3 * 6;

// The outer trace of a no-slip wall: the inner density (and concentration),
// zero velocity, the total energy rhoE (all internal at rest) and the inner
// gradients, so that the viscous average's penalty pulls the momentum to
// zero as the penalty of an interior face pulls both sides together.
void noSlipTrace(const double *U, int nb, bool threeD, double rhoE, double *W) {
  for (int i = 0; i < 4 * nb; ++i) W[i] = U[i];
  W[1] = 0.0;
  W[2] = 0.0;
  if (threeD) W[4] = 0.0;
  W[3] = rhoE;
}

// The wall's internal energy per unit mass (isothermal wall): the far
// field's at the point and time.
double wallInternalEnergy(const FieldEvaluator *farField, const mPoint &p, double t, bool threeD) {
  if (!farField)
    throw std::string(
        "Navier-Stokes law: the isothermal wall (tag 500) takes its temperature from the far "
        "field, and the law has none");
  double W[ConservationLaw::kMaxFields] = {};
  farField->eval(p, t, W);
  double m2 = W[1] * W[1] + W[2] * W[2];
  if (threeD) m2 += W[4] * W[4];
  return (W[3] - 0.5 * m2 / W[0]) / W[0];
}

// Step limits shared by both dimensions: the penalty acts as an upwinding
// of speed 2 kJumpPenalty; the diffusivity is the larger of the viscous one
// (4/3 mu / rho, the normal stress) and the thermal one (kappa / rho). The
// convection form scales mu by Pr and kappa by 1, the plain form by 1/Re and
// 1/(Re Pr).
void stepLimits(double rho, bool convection, double re, double pr, double &penaltySpeed,
                double &diffusivity) {
  const double mu = convection ? pr : 1.0 / re;
  const double kappa = convection ? 1.0 : 1.0 / (re * pr);
  penaltySpeed = 2.0 * kJumpPenalty;
  diffusivity = std::fmax(4.0 / 3.0 * mu, kappa) / rho;
}

// Fields set by the boundary rather than by the flux: the first two momentum
// components on tag 999. The no-slip walls 400, 919 and 500 impose their
// state weakly, through the penalty of their flux: a constraint on the cell's
// updates would only hold the wall trace at its initial value.
bool essentialOnTag(int field, int tag) {
  return (field == 1 || field == 2) && tag == 999;
}
}  // namespace

// ================================================================ 2-D

NavierStokes2d::NavierStokes2d(bool extraField_, double gamma_, const std::map<int, bc> &bcs_,
                               FieldEvaluator *farField_, bool gravity_, bool axisymmetric_,
                               double quorl_, double prandtl_)
    : Euler2d(true, bcs_, farField_, gravity_, axisymmetric_, gamma_, kUnusedGasConstant,
              kUnusedFlag, nullptr, nullptr),
      extraField(extraField_),
      hasQuorl(true),
      quorl(quorl_),
      prandtl(prandtl_),
      reynolds(0.0) {}

NavierStokes2d::NavierStokes2d(FieldEvaluator *farField_, const std::map<int, bc> &bcs_,
                               double gamma_, double prandtl_, double reynolds_)
    : Euler2d(true, bcs_, farField_, false, false, gamma_, kUnusedGasConstant, kUnusedFlag,
              nullptr, nullptr),
      extraField(false),
      hasQuorl(false),
      quorl(0.0),
      prandtl(prandtl_),
      reynolds(reynolds_) {}

int NavierStokes2d::nbFields() const { return extraField && isViscous() ? 5 : 4; }

void NavierStokes2d::Fi(int, const mPoint &, const double *, mVector &) const {
  throw new KORA::mException(
      __LINE__, __FILE__,
      "NavierStokes2d::Fi ( int, const mPoint &, double *, mVector &) const obsolete");
}

void NavierStokes2d::Fi(const mPoint &p, const double *U, mVector *F) const {
  Euler2d::Fi(p, U, F);
  if (extraField) {
    const double c = U[4];
    F[4].set(U[1] * c, U[2] * c, 0.0);
  }
}

void NavierStokes2d::Fv(const mPoint &, const double *U, const mVector *G, mVector *F) const {
  const double r = 1.0 / U[0];
  const double u = r * U[1], v = r * U[2];
  const double kappa = hasQuorl ? -r : -r / (Reynolds() * Prandlt());

  F[0].set(0, 0, 0);
  F[1].set(0, 0, 0);
  F[2].set(0, 0, 0);
  const double k = U[3] * r - (u * u + v * v);
  const mVector q = G[3] - G[0] * k - G[1] * u - G[2] * v;
  F[3] = q * kappa;
  if (nbFields() == 5) F[4].set(0, 0, 0);

  const double mu = hasQuorl ? -Prandlt() : -1.0 / Reynolds();
  const mVector gu = (G[1] - G[0] * u) * r;
  const mVector gv = (G[2] - G[0] * v) * r;
  const double d = -0.6666666666666666 * (gu.x() + gv.y());
  F[1] += mVector(mu * (2.0 * gu.x() + d), mu * (gu.y() + gv.x()), 0.0);
  F[2] += mVector(mu * (gu.y() + gv.x()), mu * (2.0 * gv.y() + d), 0.0);
  F[3][0] += u * F[1].x() + v * F[1].y();
  F[3][1] += u * F[2].x() + v * F[2].y();
}

void NavierStokes2d::RHS(const double *U, const mVector *G, const mPoint &p, double *S) const {
  if (!hasQuorl) {
    for (int i = 0; i < 4; ++i) S[i] = 0.0;
    return;
  }
  Euler2d::RHS(U, G, p, S);
  S[2] *= Quorl();
  if (nbFields() != 4) S[4] = G ? -U[4] * (G[1].x() + G[2].y()) : 0.0;
}

void NavierStokes2d::riemannSolver(const mVector &n, const mPoint &p, const double *UL,
                                   const double *UR, double *FL, double *FR) const {
  Euler2d::riemannSolver(n, p, UL, UR, FL, FR);
  if (extraField) riemannSolverOnEQ5(n, p, UL, UR, FL, FR);
  if (isViscous()) viscousAverage(n, p, UL, UR, FL, FR);
}

void NavierStokes2d::riemannSolverOnEQ5(const mVector &n, const mPoint &, const double *UL,
                                        const double *UR, double *FL, double *FR) const {
  const double qL = n.x() * UL[1] + n.y() * UL[2];
  const double qR = n.x() * UR[1] + n.y() * UR[2];
  const double cL = UL[4], cR = UR[4];
  double H;
  if (qL * qR < 0)
    H = 0.0;
  else
    H = 0.5 * (qL * cL + qR * cR) - 0.5 * std::fabs(0.5 * (qL + qR)) * (cR - cL);
  FL[4] = H;
  FR[4] = H;
}

void NavierStokes2d::viscousAverage(const mVector &n, const mPoint &p, const double *UL,
                                    const double *UR, double *FL, double *FR) const {
  const int nb = nbFields();
  mVector GL[5], GR[5], VL[5], VR[5];
  for (int i = 0; i < 4; ++i) {
    GL[i].set(UL[nb + 3 * i], UL[nb + 3 * i + 1], UL[nb + 3 * i + 2]);
    GR[i].set(UR[nb + 3 * i], UR[nb + 3 * i + 1], UR[nb + 3 * i + 2]);
  }
  Fv(p, UL, GL, VL);
  Fv(p, UR, GR, VR);
  for (int i = 0; i < nb; ++i) {
    const double a = 0.5 * ((VL[i] + VR[i]) * n);
    const double h = a - kJumpPenalty * (UR[i] - UL[i]);
    FL[i] += h;
    FR[i] += h;
  }
}

void NavierStokes2d::boundaryFlux(const mVector &n, int tag, const mPoint &p, double *U,
                                  double *F, double t) const {
  const int nb = nbFields();
  if (nb == 5) F[4] = 0.0;
  double discarded[6] = {};
  switch (tag) {
    case 200:
      pressureWall(n, pressure(U), F, false);
      // The trace then carries d(v)/dy = 0.
      U[nb + 7] = (U[2] / U[0]) * U[nb + 1];
      return;
    case 500: {
      // Isothermal no-slip wall: at rest, at the far field's temperature.
      pressureWall(n, pressure(U), F, false);
      double W[kMaxTrace];
      noSlipTrace(U, nb, false, U[0] * wallInternalEnergy(farField, p, t, false), W);
      if (isViscous()) viscousAverage(n, p, U, W, F, discarded);
      return;
    }
    case 999:
      pressureWall(n, pressure(U), F, false);
      F[3] = n.y() * Quorl() / (gamma - 1.0);
      return;
    case 400:
    case 919: {
      // Adiabatic no-slip wall: at rest with the inner internal energy; no
      // energy crosses it. The wall pressure is that of the trace brought to
      // rest with its total energy.
      double W[kMaxTrace];
      noSlipTrace(U, nb, false, U[3] - 0.5 * (U[1] * U[1] + U[2] * U[2]) / U[0], W);
      double R[kMaxTrace];
      for (int i = 0; i < nb; ++i) R[i] = U[i];
      R[1] = 0.0;
      R[2] = 0.0;
      pressureWall(n, pressure(R), F, false);
      if (isViscous()) viscousAverage(n, p, U, W, F, discarded);
      F[3] = 0.0;
      return;
    }
    default:
      Euler2d::boundaryFlux(n, tag, p, U, F, t);
      return;
  }
}

int NavierStokes2d::getNbFieldsOfInterest() const { return extraField ? 6 : 5; }

void NavierStokes2d::getNameAndSize(int i, int &size, std::string &name) const {
  nameAndSize(i, extraField, Quorl(), size, name);
}

void NavierStokes2d::getIthFieldOfInterest(int i, const mPoint &, const double *U,
                                           const mVector *G, double *out, double) const {
  const double r = U[0];
  const double u = U[1] / r, v = U[2] / r;
  switch (i) {
    case 0: out[0] = r; return;
    case 1: {
      if (!G) {  // no gradients at hand: no rotation can be measured
        out[0] = 0.0;
        return;
      }
      const mVector gu = (G[1] - G[0] * u) / r;
      const mVector gv = (G[2] - G[0] * v) / r;
      out[0] = gu.y() - gv.x();
      return;
    }
    case 2:
      out[0] = u;
      out[1] = v;
      out[2] = 0.0;
      return;
    case 3: out[0] = temperature(U); return;
    case 4: out[0] = pressure(U); return;
    default:
      if (extraField) out[0] = U[4];
      return;
  }
}

bool NavierStokes2d::isPhysical(const double *U) const {
  if (extraField && (U[4] < -0.5 || U[4] > 1.5)) return false;
  return Euler2d::isPhysical(U);
}

bool NavierStokes2d::essentialBoundaryCondition(int field, int tag) const {
  return essentialOnTag(field, tag);
}

void NavierStokes2d::viscousStepLimits(const double *U, const mPoint &, double &penaltySpeed,
                                       double &diffusivity) const {
  stepLimits(U[0], hasQuorl, Reynolds(), Prandlt(), penaltySpeed, diffusivity);
}

double NavierStokes2d::pressure(const double *U) const {
  return (gamma - 1.0) * (U[3] - 0.5 * (U[1] * U[1] + U[2] * U[2]) / U[0]);
}

void NavierStokes2d::heatflux(const double *U, const mVector *G, mVector &q) const {
  const double u = U[1] / U[0], v = U[2] / U[0];
  const double k = U[3] / U[0] - (u * u + v * v);
  q = G[3] - G[0] * k - G[1] * u - G[2] * v;
}

double NavierStokes2d::temperature(const double *U) const {
  return (U[3] - 0.5 * (U[1] * U[1] + U[2] * U[2]) / U[0]) / U[0];
}

double NavierStokes2d::Quorl() const { return hasQuorl ? quorl : reynolds; }
double NavierStokes2d::Prandlt() const { return prandtl; }
double NavierStokes2d::Reynolds() const { return reynolds; }

double NavierStokes2d::jumpQuantity(const double *U) const {
  return std::sqrt(U[1] * U[1] + U[2] * U[2]);
}

// ================================================================ 3-D

NavierStokes3d::NavierStokes3d(bool extraField_, double gamma_, const std::map<int, bc> &bcs_,
                               FieldEvaluator *farField_, bool gravity_, bool,
                               double quorl_, double prandtl_)
    : Euler3d(true, bcs_, farField_, gravity_, gamma_, kUnusedGasConstant, nullptr, nullptr),
      extraField(extraField_),
      hasQuorl(true),
      quorl(quorl_),
      prandtl(prandtl_),
      reynolds(0.0) {
  if (extraField)
    throw std::string(
        "NavierStokes3d: the concentration field is not supported in three dimensions");
}

NavierStokes3d::NavierStokes3d(FieldEvaluator *farField_, const std::map<int, bc> &bcs_,
                               double gamma_, double prandtl_, double reynolds_)
    : Euler3d(true, bcs_, farField_, false, gamma_, kUnusedGasConstant, nullptr, nullptr),
      extraField(false),
      hasQuorl(false),
      quorl(0.0),
      prandtl(prandtl_),
      reynolds(reynolds_) {}

int NavierStokes3d::nbFields() const { return extraField && isViscous() ? 6 : 5; }

void NavierStokes3d::Fi(int, const mPoint &, const double *, mVector &) const {
  throw new KORA::mException(
      __LINE__, __FILE__,
      "NavierStokes3d::Fi ( int, const mPoint &, double *, mVector &) const obsolete");
}

void NavierStokes3d::Fi(const mPoint &p, const double *U, mVector *F) const {
  Euler3d::Fi(p, U, F);
  if (extraField) {
    const double c = U[5];
    F[5].set(U[1] * c, U[2] * c, U[4] * c);
  }
}

void NavierStokes3d::Fv(const mPoint &, const double *U, const mVector *G, mVector *F) const {
  const double r = 1.0 / U[0];
  const double u = r * U[1], v = r * U[2], w = r * U[4];
  const double kappa = hasQuorl ? -r : -r / (Reynolds() * Prandlt());

  F[0].set(0, 0, 0);
  F[1].set(0, 0, 0);
  F[2].set(0, 0, 0);
  F[4].set(0, 0, 0);
  const double k = U[3] * r - (u * u + v * v + w * w);
  const mVector q = G[3] - G[0] * k - G[1] * u - G[2] * v - G[4] * w;
  F[3] = q * kappa;
  if (nbFields() == 6) F[5].set(0, 0, 0);

  const double mu = hasQuorl ? -Prandlt() : -1.0 / Reynolds();
  const mVector gu = (G[1] - G[0] * u) * r;
  const mVector gv = (G[2] - G[0] * v) * r;
  const mVector gw = (G[4] - G[0] * w) * r;
  const double d = -0.6666666666666666 * (gu.x() + gv.y() + gw.z());
  F[1] += mVector(2.0 * gu.x() + d, gu.y() + gv.x(), gu.z() + gw.x()) * mu;
  F[2] += mVector(gu.y() + gv.x(), 2.0 * gv.y() + d, gv.z() + gw.y()) * mu;
  F[4] += mVector(gu.z() + gw.x(), gv.z() + gw.y(), 2.0 * gw.z() + d) * mu;
  F[3] += mVector(u * F[1].x() + v * F[1].y() + w * F[1].z(),
                  u * F[2].x() + v * F[2].y() + w * F[2].z(),
                  u * F[4].x() + v * F[4].y() + w * F[4].z());
}

void NavierStokes3d::RHS(const double *U, const mVector *G, const mPoint &p, double *S) const {
  if (!hasQuorl) {
    for (int i = 0; i < 5; ++i) S[i] = 0.0;
    return;
  }
  Euler3d::RHS(U, G, p, S);
  S[2] *= Quorl();
}

void NavierStokes3d::riemannSolver(const mVector &n, const mPoint &p, const double *UL,
                                   const double *UR, double *FL, double *FR) const {
  Euler3d::riemannSolver(n, p, UL, UR, FL, FR);
  if (extraField) riemannSolverOnEQ5(n, p, UL, UR, FL, FR);
  if (isViscous()) viscousAverage(n, p, UL, UR, FL, FR);
}

void NavierStokes3d::riemannSolverOnEQ5(const mVector &, const mPoint &, const double *,
                                        const double *, double *, double *) const {
  throw 1;
}

void NavierStokes3d::viscousAverage(const mVector &n, const mPoint &p, const double *UL,
                                    const double *UR, double *FL, double *FR) const {
  const int nb = nbFields();
  mVector GL[6], GR[6], VL[6], VR[6];
  for (int i = 0; i < 5; ++i) {
    GL[i].set(UL[nb + 3 * i], UL[nb + 3 * i + 1], UL[nb + 3 * i + 2]);
    GR[i].set(UR[nb + 3 * i], UR[nb + 3 * i + 1], UR[nb + 3 * i + 2]);
  }
  Fv(p, UL, GL, VL);
  Fv(p, UR, GR, VR);
  for (int i = 0; i < nb; ++i) {
    const double a = 0.5 * ((VL[i] + VR[i]) * n);
    const double h = a - kJumpPenalty * (UR[i] - UL[i]);
    FL[i] += h;
    FR[i] += h;
  }
}

void NavierStokes3d::boundaryFlux(const mVector &n, int tag, const mPoint &p, double *U,
                                  double *F, double t) const {
  const int nb = nbFields();
  if (nb == 6) F[5] = 0.0;
  double discarded[6] = {};
  switch (tag) {
    case 200: pressureWall(n, pressure(U), F, true); return;
    case 500: {
      // Isothermal no-slip wall: at rest, at the far field's temperature.
      pressureWall(n, pressure(U), F, true);
      double W[kMaxTrace];
      noSlipTrace(U, nb, true, U[0] * wallInternalEnergy(farField, p, t, true), W);
      if (isViscous()) viscousAverage(n, p, U, W, F, discarded);
      return;
    }
    case 999:
      pressureWall(n, pressure(U), F, true);
      F[3] = n.y() * Quorl() / (gamma - 1.0);
      return;
    case 400:
    case 919: {
      // Adiabatic no-slip wall: at rest with the inner internal energy; no
      // energy crosses it. The wall pressure is that of the trace brought to
      // rest with its total energy.
      double W[kMaxTrace];
      noSlipTrace(U, nb, true, U[3] - 0.5 * (U[1] * U[1] + U[2] * U[2] + U[4] * U[4]) / U[0], W);
      double R[kMaxTrace];
      for (int i = 0; i < nb; ++i) R[i] = U[i];
      R[1] = 0.0;
      R[2] = 0.0;
      pressureWall(n, pressure(R), F, true);
      if (isViscous()) viscousAverage(n, p, U, W, F, discarded);
      F[3] = 0.0;
      return;
    }
    default:
      Euler3d::boundaryFlux(n, tag, p, U, F, t);
      return;
  }
}

int NavierStokes3d::getNbFieldsOfInterest() const { return extraField ? 6 : 5; }

void NavierStokes3d::getNameAndSize(int i, int &size, std::string &name) const {
  nameAndSize(i, extraField, Quorl(), size, name);
}

void NavierStokes3d::getIthFieldOfInterest(int i, const mPoint &, const double *U,
                                           const mVector *G, double *out, double) const {
  const double r = U[0];
  const double u = U[1] / r, v = U[2] / r, w = U[4] / r;
  switch (i) {
    case 0: out[0] = r; return;
    case 1: {
      if (!G) {  // no gradients at hand: no rotation can be measured
        out[0] = 0.0;
        return;
      }
      const mVector gu = (G[1] - G[0] * u) / r;
      const mVector gv = (G[2] - G[0] * v) / r;
      const mVector gw = (G[4] - G[0] * w) / r;
      const double a = gw.y() - gv.z(), b = gu.y() - gv.x(), c = gu.z() - gw.x();
      out[0] = std::sqrt(a * a + b * b + c * c);
      return;
    }
    case 2:
      out[0] = u;
      out[1] = v;
      out[2] = w;
      return;
    case 3: out[0] = temperature(U); return;
    case 4: out[0] = pressure(U); return;
    default:
      if (extraField) out[0] = U[5];
      return;
  }
}

bool NavierStokes3d::isPhysical(const double *) const { return true; }

bool NavierStokes3d::essentialBoundaryCondition(int field, int tag) const {
  return essentialOnTag(field, tag);
}

void NavierStokes3d::viscousStepLimits(const double *U, const mPoint &, double &penaltySpeed,
                                       double &diffusivity) const {
  stepLimits(U[0], hasQuorl, Reynolds(), Prandlt(), penaltySpeed, diffusivity);
}

double NavierStokes3d::pressure(const double *U) const {
  return (gamma - 1.0) * (U[3] - 0.5 * (U[1] * U[1] + U[2] * U[2] + U[4] * U[4]) / U[0]);
}

void NavierStokes3d::heatflux(const double *U, const mVector *G, mVector &q) const {
  const double u = U[1] / U[0], v = U[2] / U[0], w = U[4] / U[0];
  const double k = U[3] / U[0] - (u * u + v * v + w * w);
  q = G[3] - G[0] * k - G[1] * u - G[2] * v - G[4] * w;
}

double NavierStokes3d::temperature(const double *U) const {
  return (U[3] - 0.5 * (U[1] * U[1] + U[2] * U[2] + U[4] * U[4]) / U[0]) / U[0];
}

double NavierStokes3d::Quorl() const { return hasQuorl ? quorl : reynolds; }
double NavierStokes3d::Prandlt() const { return prandtl; }
double NavierStokes3d::Reynolds() const { return reynolds; }

double NavierStokes3d::jumpQuantity(const double *U) const { return temperature(U); }
